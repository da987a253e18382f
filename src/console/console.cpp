#include "console/console.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/win/clock.h"
#include "platform/win/codepage.h"

Console console;
int consoleColumns = 60;

namespace {

bool echoEnabled = true;

void EchoLine(const char* line)
{
    const std::string text = cp1250::ToUtf8(line);
    // Standard output gets one line per console line: line breaks become blanks, and every other
    // control character but the tab is shown escaped (\x1b), so no text can drive the terminal.
    std::string utf8;
    utf8.reserve(text.size() + 1);
    for (char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        if (ch == '\n' || ch == '\r') {
            utf8 += ' ';
        } else if ((byte < 0x20 && ch != '\t') || byte == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
            utf8 += escaped;
        } else {
            utf8 += ch;
        }
    }
    utf8 += '\n';
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
    std::fflush(stdout);
}

}  // namespace

void ConsoleCopyText(char* destination, const char* source, std::size_t size)
{
    std::size_t n = std::strlen(source);
    if (n >= size) {
        n = size - 1;
    }
    std::memcpy(destination, source, n);
    destination[n] = '\0';
}

void ConsoleSetEcho(bool enabled)
{
    echoEnabled = enabled;
}

namespace {

const CommandEntry kNoCommands[] = {{nullptr, nullptr}};
const CommandEntry* installedCommands = kNoCommands;

}  // namespace

void ConsoleSetCommands(const CommandEntry* table)
{
    installedCommands = table != nullptr ? table : kNoCommands;
}

const CommandEntry* ConsoleCommands()
{
    return installedCommands;
}

void ConsoleInit(Console& c)
{
    std::memset(&c, 0, sizeof c);
    c.scroll = kConsoleMaxScroll;
    c.historyCursor = 1;
    c.lastTime = GetTickCount() * 0.001;
}

void ConsoleNewLine(Console& c)
{
    std::memmove(c.text[0], c.text[1], sizeof c.text - sizeof c.text[0]);
    std::memset(c.text[kConsoleLines - 1], 0, kConsoleLineSize);
}

void ConsolePrintf(Console& c, const char* format, ...)
{
    char buffer[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);

    ConsoleNewLine(c);
    ConsoleCopyText(c.text[kConsoleLines - 1], buffer, kConsoleLineSize);
    if (echoEnabled) {
        EchoLine(c.text[kConsoleLines - 1]);
    }
}

void ConsoleRefreshView(Console& c)
{
    int scroll = c.scroll < 0 ? 0 : c.scroll > kConsoleMaxScroll ? kConsoleMaxScroll : c.scroll;
    for (int i = 0; i < kConsoleViewLines; ++i) {
        std::memcpy(c.view[i], c.text[scroll + i], kConsoleLineSize);
    }
}

void ConsoleTokenize(Console& c, const char* line)
{
    // A line that lives inside the console itself (a token, the input) is copied before the tokens
    // are cleared under it.
    std::string copy;
    auto address = reinterpret_cast<std::uintptr_t>(line);
    auto begin = reinterpret_cast<std::uintptr_t>(&c);
    if (address >= begin && address < begin + sizeof c) {
        copy = line;
        line = copy.c_str();
    }
    std::memset(c.tokens, 0, sizeof c.tokens);
    c.tokenCut = 0;
    bool inQuotes = false;
    bool inToken = false;
    int token = -1;
    int length = 0;
    for (const char* p = line; *p != '\0'; ++p) {
        char ch = *p;
        if (!inQuotes && (ch == ' ' || ch == '\t')) {
            inToken = false;
            continue;
        }
        if (ch == '\'' || ch == '"') {
            inQuotes = !inQuotes;
            continue;
        }
        if (ch == '/' && p[1] == '/') {
            break;
        }
        if (!inToken) {
            inToken = true;
            ++token;
            length = 0;
        }
        // Tokens past the tenth and characters past the 29th are dropped.
        if (token < kConsoleTokens && length < kConsoleTokenSize - 1) {
            c.tokens[token][length++] = ch;
        } else if (token < kConsoleTokens) {
            c.tokenCut = 1;
        }
    }
}

void ConsoleExecute(Console& c, const char* line)
{
    if (line == nullptr || line[0] == '\0') {
        ConsoleRefreshView(c);
        return;
    }
    const char* rest = line;
    while (*rest == ' ' || *rest == '\t') {
        ++rest;
    }
    if (rest[0] == '/' && rest[1] == '/') {
        ConsoleRefreshView(c);
        return;
    }

    ConsoleTokenize(c, line);
    if (c.tokenCut != 0) {
        ConsolePrintf(c, "Figyelem: egy szó %d karakternél hosszabb, a vége elmaradt."_cp, kConsoleTokenSize - 1);
    }
    for (const CommandEntry* row = ConsoleCommands(); row->name != nullptr; ++row) {
        if (std::strcmp(row->name, c.tokens[0]) == 0) {
            row->handler();
            return;
        }
    }
    ConsolePrintf(c, "Nem értem. ( %s )"_cp, c.tokens[0]);
    ConsoleRefreshView(c);
}
