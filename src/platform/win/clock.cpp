#include "platform/win/clock.h"

#include <chrono>
#include <thread>

namespace {

bool virtualMode = false;
DWORD virtualTicks = 0;
DWORD sleptTotal = 0;
bool calendarPinned = false;
std::time_t pinnedCalendar = 0;
DWORD pinnedTicks = 0;

// Real time counts from the start of the program, so that the game's 32-bit float seconds keep
// millisecond resolution for hours instead of losing it after a long system uptime.
const auto realOrigin = std::chrono::steady_clock::now();

// 2026-01-01 00:00:00 UTC: the calendar origin of virtual time.
constexpr std::time_t kVirtualEpoch = 1767225600;

}  // namespace

DWORD GetTickCount()
{
    if (virtualMode) {
        return virtualTicks;
    }
    auto since = std::chrono::steady_clock::now() - realOrigin;
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(since).count();
    return static_cast<DWORD>(static_cast<std::uint64_t>(ms));
}

void Sleep(DWORD milliseconds)
{
    sleptTotal += milliseconds;
    if (virtualMode) {
        virtualTicks += milliseconds;
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

DWORD ClockSleptTotal()
{
    return sleptTotal;
}

void ClockUseVirtualTime(DWORD startTicks)
{
    virtualMode = true;
    virtualTicks = startTicks;
    calendarPinned = false;
}

void ClockUseRealTime()
{
    virtualMode = false;
    calendarPinned = false;
}

bool ClockIsVirtual()
{
    return virtualMode;
}

void ClockAdvance(DWORD milliseconds)
{
    if (virtualMode) {
        virtualTicks += milliseconds;
    }
}

std::time_t ClockCalendarTime()
{
    if (calendarPinned) {
        const DWORD since = GetTickCount() - pinnedTicks;
        return pinnedCalendar + static_cast<std::time_t>(since / 1000);
    }
    if (virtualMode) {
        return kVirtualEpoch + static_cast<std::time_t>(virtualTicks / 1000);
    }
    return std::time(nullptr);
}

void ClockPinCalendar(std::time_t now)
{
    calendarPinned = true;
    pinnedCalendar = now;
    pinnedTicks = GetTickCount();
}
