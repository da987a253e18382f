// The console's line editor: turns the raw keyboard state into typed characters (Hungarian layout),
// editing, scrolling and history steps. One poll per frame while the console is open.
#pragma once

#include <cstdint>

#include "console/console.h"

// One poll with the 256-byte keyboard state (a key is down when bit 0x80 is set).
void ConsoleLineEditor(Console& c, const std::uint8_t keyState[256]);

void ConsoleClock(Console& c);
void ConsoleBackspace(Console& c);
void ConsoleScrollUp(Console& c);
void ConsoleScrollDown(Console& c);
void ConsoleSubmitLine(Console& c);
void ConsoleHistoryBack(Console& c);
void ConsoleHistoryForward(Console& c);
