// Frame values that the whole program reads: clock, time step, key delay timer, pause flag, game
// state, run clock.
#pragma once

#include <cstdint>

enum GameStateCode : std::uint8_t {
    MainMenu = 0,
    Playing = 6,
    EnterName = 20,
    HighScoreTable = 21,
};

// Seconds (the millisecond tick count times 0.001) of this frame and of the previous one.
extern float currentTime;
extern float previousTime;
// The tick count read for the previous frame: the frame time is the difference of the counts.
extern std::uint32_t previousTicks;
// Seconds since the previous frame; every motion is multiplied by it.
extern float frameDelta;
// Frames since the last frames-per-second update, the time since then, and the last count.
extern std::int32_t frameCounter;
extern float fpsAccumulator;
extern std::int32_t framesPerSecond;
// Shared by the front-end keys, the console toggle and pause: they act only while it is below 0.
extern float keyDelayTimer;
// The simulation is frozen (the scene is still drawn).
extern std::uint8_t pauseFlag;
extern std::uint8_t gameState;
// Play time of the run: whole hours and minutes, seconds with fractions.
extern float runHours;
extern float runMinutes;
extern float runSeconds;
// Play time since the enemies' level was last raised.
extern float difficultyTimer;

// Back to the values at program start (tests).
void FrameValuesReset();
