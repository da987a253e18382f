// The console command of the sound manager: snd.
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <string>

#include "console/console.h"
#include "resources/sound.h"

namespace {

// The leading decimal number of a word (sign allowed), 0 when it begins with none; numbers beyond
// the integer range stop at its ends.
long WordNumber(const std::string& word)
{
    long value = std::strtol(word.c_str(), nullptr, 10);
    return std::clamp<long>(value, INT_MIN, INT_MAX);
}

}  // namespace

void SoundCommand()
{
    // Token 1 is the first word after the command.
    std::string word = console.tokens[1];
    std::string name = console.tokens[2];
    if (word == "play") {
        SoundPlay(name.c_str(), WordNumber(console.tokens[3]) != 0);
    } else if (word == "stop") {
        SoundStop(name.c_str());
    } else {
        // Any other first word is a file name; leading digits in it are the stream flags.
        SoundLoad(word.c_str(), static_cast<std::uint32_t>(static_cast<int>(WordNumber(word))));
    }
}
