#include <cstdlib>
#include <cstring>
#include <string>

#include "app/frame.h"
#include "console/console.h"
#include "game/run_stats.h"
#include "resources/sound.h"

void SoundCommand()
{
    // The tokens are copied first: loading a sound may print, and printing never touches the tokens,
    // but nothing here should depend on that.
    std::string word = console.tokens[1];
    std::string name = console.tokens[2];
    std::string number = console.tokens[3];
    if (word == "play") {
        SoundPlay(name.c_str(), std::atoi(number.c_str()) != 0);
    } else if (word == "stop") {
        SoundStop(name.c_str());
    } else {
        SoundLoad(word.c_str(), static_cast<std::uint32_t>(std::atoi(word.c_str())));
    }
}

void PauseCommand()
{
    if (keyDelayTimer >= 0.0f || runStats.gameOver != 0) {
        return;
    }
    if (pauseFlag != 0) {
        pauseFlag = 0;
        SoundPlay(kWindSound, true);
        SoundPlay(kEngineSound, true);
    } else {
        pauseFlag = 1;
        SoundStop(kWindSound);
        SoundStop(kEngineSound);
    }
    keyDelayTimer = 0.5f;
}
