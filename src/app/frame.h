// Frame values that the whole program reads: time step, key delay timer, pause flag, game state.
#pragma once

#include <cstdint>

enum GameStateCode : std::uint8_t {
    MainMenu = 0,
    Playing = 6,
    EnterName = 20,
    HighScoreTable = 21,
};

// Seconds since the previous frame; every motion is multiplied by it.
extern float frameDelta;
// Shared by the front-end keys, the console toggle and pause: they act only while it is below 0.
extern float keyDelayTimer;
// The simulation is frozen (the scene is still drawn).
extern std::uint8_t pauseFlag;
extern std::uint8_t gameState;
