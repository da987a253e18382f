#include "game/pause.h"

#include "core/frame.h"
#include "game/run_stats.h"
#include "resources/sound.h"

std::uint8_t pauseFlag = 0;

void PauseCommand()
{
    if (keyDelayTimer >= 0.0f || runStats.gameOver != 0) {
        return;
    }
    if (pauseFlag != 0) {
        RunResume();
    } else {
        RunPause();
    }
    keyDelayTimer = 0.5f;
}

void RunPause()
{
    pauseFlag = 1;
    SoundStop(kWindSound);
    SoundStop(kEngineSound);
}

void RunResume()
{
    pauseFlag = 0;
    SoundPlay(kWindSound, true);
    SoundPlay(kEngineSound, true);
}
