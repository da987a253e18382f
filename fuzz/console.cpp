// Script files and console lines: every line of the input runs through the script reader and the
// command interpreter, in a scratch folder. Lines that would end the program, write files into the
// folder or restart the graphics device are left out, and so are nested scripts (a script that runs
// itself would multiply every run).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "app/program.h"
#include "console/bindings.h"
#include "console/console.h"
#include "console/script.h"
#include "console/variables.h"
#include "core/frame.h"
#include "game/aircraft.h"
#include "game/run_stats.h"
#include "platform/win/clock.h"
#include "scratch.h"

namespace {

constexpr const char* kScriptName = "fuzz.vrs";
constexpr const char* kLeftOut[] = {"quit", "exit", "cfg_ir", "save", "graf_restart", "scr", "cfg", "exec"};

// The line as the script reader keeps it: at most kScriptLineLimit characters, no carriage return.
bool Harmless(const std::string& line)
{
    std::string kept = line.substr(0, kScriptLineLimit);
    if (!kept.empty() && kept.back() == '\r') {
        kept.pop_back();
    }
    ConsoleTokenize(console, kept.c_str());
    for (const char* word : kLeftOut) {
        if (std::strcmp(console.tokens[0], word) == 0) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::EnterScratchFolder();
    ClockUseVirtualTime(1'000'000);
    ConsoleSetEcho(false);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ProgramReset();

    // The reader stops at a 0xFF byte; lines end at '\n'.
    std::string text(reinterpret_cast<const char*>(data), size);
    text = text.substr(0, text.find('\xff'));
    std::string script;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string line = text.substr(start, end - start);
        if (Harmless(line)) {
            script += line;
            script += '\n';
        }
        start = end + 1;
    }
    fuzz::WriteScratchFile(kScriptName, script.data(), script.size());
    ScriptExecute(kScriptName);

    VarListFree();
    BindingsClear();
    return 0;
}
