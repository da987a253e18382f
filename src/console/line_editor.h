// The console's line editor: turns the raw keyboard state into typed characters (Hungarian layout),
// editing, scrolling and history steps. One poll per frame while the console is open.
#pragma once

#include <cstdint>
#include <string_view>

#include "console/console.h"

// One poll with the 256-byte keyboard state (a key is down when bit 0x80 is set).
void ConsoleLineEditor(Console& c, const std::uint8_t keyState[256]);

// The same poll with characters already typed through the desktop's keyboard layout (code page 1250):
// they go into the line, up to its limit, and the character keys type nothing; the history, editing,
// scrolling and Enter keys work as in ConsoleLineEditor, after the typed characters.
void ConsoleLineEditorText(Console& c, const std::uint8_t keyState[256], std::string_view typed);

void ConsoleClock(Console& c);
void ConsoleBackspace(Console& c);
void ConsoleScrollUp(Console& c);
void ConsoleScrollDown(Console& c);
void ConsoleSubmitLine(Console& c);
void ConsoleHistoryBack(Console& c);
void ConsoleHistoryForward(Console& c);
