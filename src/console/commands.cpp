// The commands that belong to the interpreter itself.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "console/console.h"
#include "console/variables.h"
#include "platform/win/codepage.h"

void SetCommand()
{
    VarSetFromText(console.tokens[1], console.tokens[2]);
    VarWarnOutsideKnownValues(console.tokens[1]);
}

void EchoCommand()
{
    ConsolePrintf(console, "%s", console.tokens[1]);
}

void QuitCommand()
{
    ConsoleExecute(console, "set j_jatekstatus 0");
}

void VersionCommand()
{
    ConsolePrintf(console, "AVIORRA 1.02 (c) 2026 the AVIORRA developers");
}

void CommandListCommand()
{
    for (const CommandEntry* row = ConsoleCommands(); row->name != nullptr; ++row) {
        ConsolePrintf(console, "%s", row->name);
    }
}

// help: with h_sugo_tomor set, the names packed into lines that fit across the console's frame
// (consoleColumns), only those
// beginning with the first argument when one is given; otherwise as cmdlist.
void HelpCommand()
{
    if (VarGetInt("h_sugo_tomor") == 0) {
        CommandListCommand();
        return;
    }
    // What fits across the console's frame, within the line a console line can hold.
    const std::size_t kHelpLineWidth = static_cast<std::size_t>(std::clamp(consoleColumns, 12, kConsoleLineSize - 1));
    const char* filter = console.tokens[1];
    const std::size_t filterLength = std::strlen(filter);
    char line[kConsoleLineSize + kConsoleTokenSize + 2] = "";
    std::size_t length = 0;
    int shown = 0;
    for (const CommandEntry* row = ConsoleCommands(); row->name != nullptr; ++row) {
        if (std::strncmp(row->name, filter, filterLength) != 0) {
            continue;
        }
        const std::size_t nameLength = std::strlen(row->name);
        if (length > 0 && length + 1 + nameLength > kHelpLineWidth) {
            ConsolePrintf(console, "%s", line);
            length = 0;
        }
        length += static_cast<std::size_t>(
            std::snprintf(line + length, sizeof line - length, "%s%s", length > 0 ? " " : "", row->name));
        ++shown;
    }
    if (length > 0) {
        ConsolePrintf(console, "%s", line);
    }
    if (shown == 0) {
        ConsolePrintf(console, "Nincs '%s' kezdetű parancs."_cp, filter);
    }
}

void ClearCommand()
{
    std::memset(console.text, 0, sizeof console.text);
}

void RenderStateRestartCommand()
{
    // Accepted for old scripts; the render states are fixed when the device is created.
}
