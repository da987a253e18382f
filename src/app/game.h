// The spine of the program: start-up, the frame loop with its game states, and the exit sequence.
#pragma once

#include <cstdint>
#include <string>

#include "core/window.h"
#include "platform/win/clock.h"

// The tick count read for the current frame (at start-up: the clock read before the first frame).
extern DWORD frameClockTicks;
// ClockSleptTotal() at that same read: the time between two reads less what was slept in between is
// what a replay's frame must add to the virtual clock.
extern DWORD frameClockSlept;
// Why start-up failed, for the message on standard error; empty after a good start.
extern std::string startupFailure;

// Registers the game's window class and opens its window, windowWidth x windowHeight, into
// gameWindow; nullptr, or why it failed.
const char* GameWindowCreate();
// Start-up in its fixed order; false when the game cannot run (the exit sequence still runs).
bool GameInit();
// One frame: clock, key delay timer, frames per second, input, then the current game state.
// False when the scroll or a render step failed (the frame ended early).
bool GameFrame();
// Releases what the subsystems created.
void GameShutdown();
LRESULT GameWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Hooks of a scripted or recorded run around each frame of the main loop.
struct FrameDriver {
    // Before a frame: sets up its input and time; false ends the program as after quit.
    bool (*beforeFrame)();
    // After a frame (whether or not it rendered).
    void (*afterFrame)();
};

// The whole program after the options: start-up, the main loop, the exit sequence. Returns the
// process exit status: 0 after a normal end, 1 when start-up failed.
int GameMain(const FrameDriver* driver);

// GameMain in its three steps, for a host that calls the loop's turns itself (the browser's
// animation frames). Start-up with the driver's hooks; false when it failed (GameEnd still runs).
bool GameBegin(const FrameDriver* driver);
// One turn of the main loop: the waiting messages, then one frame; false when the program ends.
bool GameLoopTurn();
// The exit sequence; returns the exit status as GameMain does.
int GameEnd();

// Seed for start-up instead of the calendar time, when set (scripted runs).
void GameSetSeed(bool useSeed, unsigned seed);
// The seed start-up used.
unsigned GameSeedUsed();
