// The console's hot paths: executing bound command lines every frame, printing lines, variable lookups.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>

#include "app/program.h"
#include "console/bindings.h"
#include "console/console.h"
#include "console/variables.h"

namespace {

void SetUpConsole()
{
    ConsoleSetEcho(false);
    ProgramReset();
    for (const char* line : {"set g_ablakos 1", "set h_konzol 1", "set h_fps 0", "set j_jatekstatus 1",
                             "set g_hosszusag 800", "set g_magassag 600", "set h_hangero 80", "set h_dev 0"}) {
        ConsoleExecute(console, line);
    }
}

// A frame in which the player holds four flight keys.
void BindingsFourHeldKeys(benchmark::State& state)
{
    SetUpConsole();
    for (const char* line : {"bill UP elore", "bill LEFT balra", "bill SPACE tuzel", "bill a emelkedik"}) {
        ConsoleExecute(console, line);
    }
    std::array<std::uint8_t, 256> keys{};
    for (int code : {200, 203, 57, 30}) {
        keys[code] = 0x80;
    }
    for (auto _ : state) {
        BindingsRunHeld(keys.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BindingsFourHeldKeys);

void PrintLine(benchmark::State& state)
{
    SetUpConsole();
    int i = 0;
    for (auto _ : state) {
        ConsolePrintf(console, "line %d of the console", ++i);
    }
}
BENCHMARK(PrintLine);

void VarGetIntOldest(benchmark::State& state)
{
    SetUpConsole();
    for (auto _ : state) {
        benchmark::DoNotOptimize(VarGetInt("g_ablakos"));
    }
}
BENCHMARK(VarGetIntOldest);

}  // namespace
