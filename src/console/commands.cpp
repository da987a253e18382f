// The commands that belong to the interpreter itself.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "console/console.h"
#include "console/variables.h"
#include "platform/win/codepage.h"

namespace {

// The values the game's own variables are known to take; set says so when a whole number falls
// outside (the value is kept, as it always was: where it is read, the game applies its own limits).
struct KnownRange {
    const char* name;
    std::int32_t low;
    std::int32_t high;
};
constexpr KnownRange kKnownRanges[] = {
    {"h_hangero", 0, 100},   {"g_hosszusag", 1, 16384}, {"g_magassag", 1, 16384},   {"g_buffer_szam", 0, 3},
    {"g_ablakos", 0, 1},     {"g_vsync", 0, 1},         {"h_konzol", 0, 1},         {"h_dev", 0, 1},
    {"h_fps", 0, 1},         {"h_fokusz_szunet", 0, 1}, {"h_szoveg_bevitel", 0, 1}, {"h_sugo_tomor", 0, 1},
    {"h_menu_jelzes", 0, 1}, {"j_rezges", 0, 1},        {"j_bemutato", 0, 1},       {"g_arnyekok", 0, 1},
};

void WarnOutsideKnownValues(const char* name)
{
    const ConsoleVariable* v = varList;
    while (v != nullptr && std::strcmp(v->name, name) != 0) {
        v = v->next;
    }
    if (v == nullptr || v->type != VarType::Int) {
        return;
    }
    if (std::strcmp(name, "g_szinmelyseg") == 0) {
        if (v->intValue != 16 && v->intValue != 24 && v->intValue != 32) {
            ConsolePrintf(console, "Figyelem: a g_szinmelyseg értéke 16, 24 vagy 32 lehet, nem %d."_cp, v->intValue);
        }
        return;
    }
    for (const KnownRange& range : kKnownRanges) {
        if (std::strcmp(name, range.name) == 0 && (v->intValue < range.low || v->intValue > range.high)) {
            ConsolePrintf(console, "Figyelem: a(z) %s értéke %d és %d között lehet, nem %d."_cp, name, range.low,
                          range.high, v->intValue);
        }
    }
}

}  // namespace

void SetCommand()
{
    VarSetFromText(console.tokens[1], console.tokens[2]);
    WarnOutsideKnownValues(console.tokens[1]);
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
