// Frame values that the whole program reads: clock, time step, frames per second, key delay timer and
// game state.
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
extern std::uint8_t gameState;
// Frames run since the program started (the frame loop counts them): a key's binding runs in every
// frame the key is held, and a command that must act once per press sees its last frame in it.
extern std::uint32_t frameSerial;

// Back to the values at program start (tests).
void FrameValuesReset();
