// The console: its 400-line text buffer, the 15-line view, the input line with its history, the
// tokens of the line being executed, and the command interpreter with its command table.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr int kConsoleLines = 400;
inline constexpr int kConsoleLineSize = 200;   // 199 characters and the terminator
inline constexpr int kConsoleViewLines = 15;
inline constexpr int kConsoleMaxScroll = kConsoleLines - kConsoleViewLines;  // 385
inline constexpr int kConsoleTokens = 10;
inline constexpr int kConsoleTokenSize = 30;   // 29 characters and the terminator
inline constexpr int kConsoleHistory = 10;
inline constexpr int kConsoleInputLimit = 50;  // characters the line editor types into the input

struct Console {
    char text[kConsoleLines][kConsoleLineSize];
    char view[kConsoleViewLines][kConsoleLineSize];
    std::int32_t scroll;
    char input[kConsoleLineSize];
    std::int32_t inputLength;
    std::uint8_t shift;
    std::uint8_t open;
    char tokens[kConsoleTokens][kConsoleTokenSize];
    char history[kConsoleHistory][kConsoleLineSize];
    std::int32_t historyCursor;
    std::int32_t historyCount;
    std::uint8_t lastChar;
    double frameDelta;
    double now;
    double lastTime;
    // Set by ConsoleTokenize when an argument was longer than a token holds.
    std::uint8_t tokenCut;
};

// The one console of the program.
extern Console console;

// Characters of the small font that fit across the console's frame (the renderer measures them when
// it makes its fonts; 60 until then): help packs its lines to it.
extern int consoleColumns;

void ConsoleInit(Console& c);
// Formats one line (like printf) and appends it as the newest line of the text buffer; the text is cut
// to 199 characters. The line is also echoed to standard output as UTF-8 while echoing is on.
void ConsolePrintf(Console& c, const char* format, ...) __attribute__((format(printf, 2, 3)));
void ConsoleNewLine(Console& c);
void ConsoleRefreshView(Console& c);
// Splits a line into at most 10 tokens of at most 29 characters; the rest is cut off (tokenCut tells
// whether a token lost characters).
void ConsoleTokenize(Console& c, const char* line);
void ConsoleExecute(Console& c, const char* line);

// Copies text into a fixed field of `size` bytes, cutting what does not fit; always terminated.
void ConsoleCopyText(char* destination, const char* source, std::size_t size);

// Standard-output echo of every printed line (on by default).
void ConsoleSetEcho(bool enabled);

struct CommandEntry {
    const char* name;     // null in the end row
    void (*handler)();
};

// The command table ConsoleExecute looks names up in, in lookup order and closed by the end row. The
// program assembles it where every subsystem is visible (app/commands.h) and installs it at start-up;
// until then, or after ConsoleSetCommands(nullptr), no command is known.
void ConsoleSetCommands(const CommandEntry* table);
const CommandEntry* ConsoleCommands();

// The interpreter's own commands.
void SetCommand();           // set NAME VALUE
void EchoCommand();          // ir, echo
void QuitCommand();          // quit, exit: sets j_jatekstatus to 0
void VersionCommand();       // ver
void CommandListCommand();   // cmdlist, parlist: every name of the installed table
void HelpCommand();          // help [PREFIX]
void ClearCommand();         // cls, clear: empties the text buffer
void RenderStateRestartCommand();   // rs_restart: accepted for old scripts, does nothing
