// Program entry. Until the window and the graphics device exist this runs the console core only:
// it starts the console with its default variables, runs the start-up script and reports.
#include <cstdio>
#include <cstring>

#include "console/console.h"
#include "console/script.h"
#include "console/variables.h"

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::puts("AVIORRA 1.02");
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0) {
            std::puts("usage: aviorra [--help] [--version]");
            return 0;
        }
        std::fprintf(stderr, "aviorra: unknown option '%s'\nusage: aviorra [--help] [--version]\n", argv[i]);
        return 2;
    }

    ConsoleInit(console);
    VarInitCommand();
    ScriptExecute("exec.vrs");
    std::fprintf(stderr, "aviorra: the game window is not built yet; only the console core runs.\n");
    VarListFree();
    return 0;
}
