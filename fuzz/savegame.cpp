// avr.sav: loading a saved game from any file, then about a hundred simulation steps with the gun and
// the bombs held, without a graphics device or sound. Whatever a loaded file holds must keep the
// simulation defined: counters at their limits, huge positions and speeds.
#include <cstddef>
#include <cstdint>

#include "console/console.h"
#include "core/frame.h"
#include "game/pause.h"
#include "game/savegame.h"
#include "game/simulation.h"
#include "scratch.h"

namespace {

constexpr int kSteps = 100;
constexpr float kStepSeconds = 0.05f;

}  // namespace

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
    if (GameLoad()) {
        frameDelta = kStepSeconds;
        for (int step = 0; step < kSteps; ++step) {
            player->wantFire = 1;
            player->wantBomb = 1;
            SimulationStep();
        }
    }
    ProjectilesFree();
    SpritesFree();
    WorldReset();
    return 0;
}
