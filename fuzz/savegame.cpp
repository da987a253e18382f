// avr.sav: loading a saved game from any file, without a graphics device or sound.
#include <cstddef>
#include <cstdint>

#include "app/frame.h"
#include "console/console.h"
#include "game/savegame.h"
#include "game/sprites.h"
#include "game/world.h"
#include "scratch.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::EnterScratchFolder();
    ConsoleSetEcho(false);
    ConsoleInit(console);
    FrameValuesReset();
    pauseFlag = 1;   // new runs then start without their sound loops
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::WriteScratchFile(kSaveFileName, data, size);
    GameLoad();
    SpritesFree();
    WorldReset();
    return 0;
}
