#include "console/line_editor.h"

#include <cstring>

#include "platform/win/clock.h"
#include "platform/win/codepage.h"

namespace {

struct CharKey {
    std::uint8_t code;
    char plain;
    char shifted;
};

constexpr char Cp(const char* text)
{
    return text[0];
}

// Tested in this order; the first key that is down types. Laid out by hand, a keyboard row a line.
// clang-format off
const CharKey kCharKeys[] = {
    {51, ',', '\\'}, {52, '.', '.'}, {53, '-', '_'}, {181, '/', '/'}, {147, '_', '_'},
    {55, '*', '*'}, {26, '[', '['}, {27, ']', ']'},
    {82, '0', '0'}, {79, '1', '1'}, {80, '2', '2'}, {81, '3', '3'}, {75, '4', '4'},
    {76, '5', '5'}, {77, '6', '6'}, {71, '7', '7'}, {72, '8', '8'}, {73, '9', '9'},
    {11, '0', Cp("§"_cp)}, {2, '1', '\''}, {3, '2', '\''}, {4, '3', '+'}, {5, '4', '!'},
    {6, '5', '%'}, {7, '6', '/'}, {8, '7', '='}, {9, '8', '('}, {10, '9', ')'},
    {30, 'a', 'A'}, {48, 'b', 'B'}, {46, 'c', 'C'}, {32, 'd', 'D'}, {18, 'e', 'E'},
    {33, 'f', 'F'}, {34, 'g', 'G'}, {35, 'h', 'H'}, {23, 'i', 'I'}, {36, 'j', 'J'},
    {37, 'k', 'K'}, {38, 'l', 'L'}, {50, 'm', 'M'}, {49, 'n', 'N'}, {24, 'o', 'O'},
    {25, 'p', 'P'}, {16, 'q', 'Q'}, {19, 'r', 'R'}, {31, 's', 'S'}, {20, 't', 'T'},
    {22, 'u', 'U'}, {47, 'v', 'V'}, {17, 'w', 'W'}, {45, 'x', 'X'}, {44, 'y', 'Y'},
    {21, 'z', 'Z'},
    {12, Cp("ü"_cp), Cp("Ü"_cp)}, {13, Cp("ó"_cp), Cp("Ó"_cp)}, {39, Cp("é"_cp), Cp("É"_cp)},
    {40, Cp("á"_cp), Cp("Á"_cp)}, {43, Cp("ű"_cp), Cp("Ű"_cp)},
    {57, ' ', ' '}, {74, '-', '-'},
};
// clang-format on

constexpr int kKeyBackspace = 14;
constexpr int kKeyEnter = 28;
constexpr int kKeyLeftShift = 42;
constexpr int kKeyRightShift = 54;
constexpr int kKeyUp = 200;
constexpr int kKeyPageUp = 201;
constexpr int kKeyDown = 208;
constexpr int kKeyPageDown = 209;

constexpr double kRepeatDelay = 0.5;
constexpr DWORD kEditPauseMs = 30;

bool IsDown(const std::uint8_t keyState[256], int code)
{
    return (keyState[code] & 0x80) != 0;
}

void LoadInput(Console& c, const char* line)
{
    ConsoleCopyText(c.input, line, sizeof c.input);
    c.inputLength = static_cast<std::int32_t>(std::strlen(c.input));
}

void ClearInput(Console& c)
{
    std::memset(c.input, 0, sizeof c.input);
    c.inputLength = 0;
}

}  // namespace

void ConsoleClock(Console& c)
{
    c.now = GetTickCount() * 0.001;
    c.frameDelta = c.now - c.lastTime;
    c.lastTime = c.now;
}

void ConsoleBackspace(Console& c)
{
    if (c.inputLength > 0) {
        --c.inputLength;
        c.input[c.inputLength] = '\0';
    }
    Sleep(kEditPauseMs);
}

void ConsoleScrollUp(Console& c)
{
    if (c.scroll > 0) {
        --c.scroll;
        ConsoleRefreshView(c);
    }
}

void ConsoleScrollDown(Console& c)
{
    if (c.scroll < kConsoleMaxScroll) {
        ++c.scroll;
        ConsoleRefreshView(c);
    }
}

void ConsoleSubmitLine(Console& c)
{
    // The line is executed from a copy: commands may print, scroll or run scripts meanwhile.
    char line[sizeof c.input];
    std::memcpy(line, c.input, sizeof line);
    ConsoleExecute(c, line);

    if (c.historyCount < kConsoleHistory - 1) {
        ++c.historyCount;
    } else {
        std::memmove(c.history[0], c.history[1], sizeof c.history - sizeof c.history[0]);
    }
    std::memcpy(c.history[c.historyCount], line, sizeof c.history[0]);
    c.historyCursor = c.historyCount + 1;
    ClearInput(c);
    ConsoleRefreshView(c);
    Sleep(kEditPauseMs);
}

void ConsoleHistoryBack(Console& c)
{
    if (c.historyCursor > 0) {
        --c.historyCursor;
    }
    LoadInput(c, c.history[c.historyCursor]);
    Sleep(kEditPauseMs);
}

void ConsoleHistoryForward(Console& c)
{
    if (c.historyCursor <= c.historyCount) {
        ++c.historyCursor;
    }
    if (c.historyCursor == c.historyCount + 1) {
        ClearInput(c);
        return;
    }
    LoadInput(c, c.history[c.historyCursor]);
    Sleep(kEditPauseMs);
}

namespace {

// UP and DOWN walk the history, whichever way the characters are typed.
void HistoryKeys(Console& c, const std::uint8_t keyState[256])
{
    if (IsDown(keyState, kKeyUp)) {
        ConsoleHistoryBack(c);
    }
    if (IsDown(keyState, kKeyDown)) {
        ConsoleHistoryForward(c);
    }
}

// The first of BACKSPACE, PGUP, PGDN and ENTER that is down acts; the shift flag is cleared.
void EditingKeys(Console& c, const std::uint8_t keyState[256])
{
    if (IsDown(keyState, kKeyBackspace)) {
        ConsoleBackspace(c);
    } else if (IsDown(keyState, kKeyPageUp)) {
        ConsoleScrollUp(c);
    } else if (IsDown(keyState, kKeyPageDown)) {
        ConsoleScrollDown(c);
    } else if (IsDown(keyState, kKeyEnter)) {
        ConsoleSubmitLine(c);
    }
    c.shift = 0;
}

}  // namespace

void ConsoleLineEditor(Console& c, const std::uint8_t keyState[256])
{
    HistoryKeys(c, keyState);
    if (IsDown(keyState, kKeyLeftShift) || IsDown(keyState, kKeyRightShift)) {
        c.shift = 1;
    }

    for (const CharKey& key : kCharKeys) {
        if (!IsDown(keyState, key.code)) {
            continue;
        }
        if (c.inputLength >= kConsoleInputLimit) {
            c.shift = 0;
            return;
        }
        ConsoleClock(c);
        if (c.frameDelta < kRepeatDelay && c.lastChar == static_cast<std::uint8_t>(key.plain)) {
            return;
        }
        c.input[c.inputLength] = c.shift != 0 ? key.shifted : key.plain;
        c.input[c.inputLength + 1] = '\0';
        c.lastChar = static_cast<std::uint8_t>(key.plain);
        ++c.inputLength;
        c.shift = 0;
        return;
    }

    EditingKeys(c, keyState);
}

void ConsoleLineEditorText(Console& c, const std::uint8_t keyState[256], std::string_view typed)
{
    HistoryKeys(c, keyState);
    for (char ch : typed) {
        if (c.inputLength >= kConsoleInputLimit) {
            break;
        }
        c.input[c.inputLength] = ch;
        ++c.inputLength;
        c.input[c.inputLength] = '\0';
    }
    EditingKeys(c, keyState);
}
