// The millisecond tick clock and Sleep, as the game calls them.
//
// The clock runs either on real time (a monotonic count of milliseconds since the program started,
// wrapping at 2^32 like the system tick count) or on virtual time, which moves only when the program advances it (one
// step per scripted frame) and when Sleep is called. Virtual time makes scripted runs and tests exact: nothing ever
// waits for real.
#pragma once

#include <cstdint>
#include <ctime>

using DWORD = std::uint32_t;

DWORD GetTickCount();
void Sleep(DWORD milliseconds);

// Milliseconds asked of Sleep since the program started (on either clock), wrapping like the tick
// count: a recorder takes them out of the time between two frames, because a replay's Sleep adds them
// to the virtual clock again.
DWORD ClockSleptTotal();

// Switches to virtual time, starting at the given tick count.
void ClockUseVirtualTime(DWORD startTicks);
// Switches back to real time (the default).
void ClockUseRealTime();
bool ClockIsVirtual();
// Moves virtual time forward; ignored on real time.
void ClockAdvance(DWORD milliseconds);
// Calendar time for seeding: the system's on real time, a fixed epoch plus the virtual ticks otherwise;
// once pinned, the pinned time plus the whole seconds the tick clock has run since, on either clock.
std::time_t ClockCalendarTime();
// Pins the calendar: it reads `now` at the current tick count and moves on with the tick clock
// (whole seconds of ticks, so the same ticks give the same calendar on real and virtual time). A
// switch of clock unpins it.
void ClockPinCalendar(std::time_t now);
