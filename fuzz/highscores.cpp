// top.dat: the high-score table from any bytes, and back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "console/console.h"
#include "frontend/frontend.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    ConsoleSetEcho(false);
    ConsoleInit(console);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    HighScoresReset();
    HighScoresDecode(data, size);
    // What the game writes back reads again without a repair, to the same bytes.
    const std::string written = HighScoresEncode();
    HighScoresReset();
    if (HighScoresDecode(reinterpret_cast<const unsigned char*>(written.data()), written.size()) != 0 ||
        HighScoresEncode() != written) {
        std::abort();
    }
    return 0;
}
