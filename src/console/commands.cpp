// The command table and the handlers that belong to the interpreter itself.
#include <cstdio>
#include <cstring>

#include "app/graphics.h"
#include "console/bindings.h"
#include "console/console.h"
#include "console/script.h"
#include "console/variables.h"
#include "game/aircraft.h"
#include "game/savegame.h"
#include "platform/win/codepage.h"
#include "resources/resources.h"
#include "resources/sound.h"

namespace {

void SetCommand()
{
    VarSetFromText(console.tokens[1], console.tokens[2]);
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
    for (const CommandEntry* row = commandTable; row->name != nullptr; ++row) {
        ConsolePrintf(console, "%s", row->name);
    }
}

// help: with h_sugo_tomor set, the names packed into lines that fit the console view, only those
// beginning with the first argument when one is given; otherwise as cmdlist.
void HelpCommand()
{
    if (VarGetInt("h_sugo_tomor") == 0) {
        CommandListCommand();
        return;
    }
    constexpr std::size_t kHelpLineWidth = 60;
    const char* filter = console.tokens[1];
    const std::size_t filterLength = std::strlen(filter);
    char line[kHelpLineWidth + kConsoleTokenSize + 2] = "";
    std::size_t length = 0;
    int shown = 0;
    for (const CommandEntry* row = commandTable; row->name != nullptr; ++row) {
        if (std::strncmp(row->name, filter, filterLength) != 0) {
            continue;
        }
        const std::size_t nameLength = std::strlen(row->name);
        if (length > 0 && length + 1 + nameLength > kHelpLineWidth) {
            ConsolePrintf(console, "%s", line);
            length = 0;
        }
        length += static_cast<std::size_t>(std::snprintf(line + length, sizeof line - length, "%s%s",
                                                         length > 0 ? " " : "", row->name));
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

}  // namespace

const CommandEntry commandTable[kCommandCount + 1] = {
    {"bill", BindCommand},
    {"bind", BindCommand},
    {"set", SetCommand},
    {"ir", EchoCommand},
    {"echo", EchoCommand},
    {"quit", QuitCommand},
    {"exit", QuitCommand},
    {"ver", VersionCommand},
    {"cmdlist", CommandListCommand},
    {"parlist", CommandListCommand},
    {"scr", ScriptCommand},
    {"cfg", ConfigCommand},
    {"exec", ConfigCommand},
    {"varlist", VarListCommand},
    {"cls", ClearCommand},
    {"clear", ClearCommand},
    {"elore", FlyForwardCommand},
    {"forward", FlyForwardCommand},
    {"hatra", FlyBackwardCommand},
    {"backward", FlyBackwardCommand},
    {"balra", FlyLeftCommand},
    {"left", FlyLeftCommand},
    {"jobbra", FlyRightCommand},
    {"right", FlyRightCommand},
    {"emelkedik", FlyUpCommand},
    {"up", FlyUpCommand},
    {"sulyed", FlyDownCommand},
    {"down", FlyDownCommand},
    {"tuzel", FireCommand},
    {"fire", FireCommand},
    {"bombaz", BombCommand},
    {"bombing", BombCommand},
    {"pause", PauseCommand},
    {"save", SaveCommand},
    {"load", LoadCommand},
    {"kapcs", VarToggleCommand},
    {"toggle", VarToggleCommand},
    {"varinit", VarInitCommand},
    {"graf_restart", GraphicsRestartCommand},
    {"rs_restart", RenderStateRestartCommand},
    {"cfg_ir", ConfigWriteCommand},
    {"archlist", ArchListCommand},
    {"tex", ResourceLoadTextureCommand},
    {"snd", SoundCommand},
    {"help", HelpCommand},
    {nullptr, nullptr},
};
