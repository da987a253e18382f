// --input scripts: the reader of seeds, frame runs with their keys, and screenshots.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/run_script.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    RunScript script;
    std::string error;
    if (RunScriptParse(std::string(reinterpret_cast<const char*>(data), size), script, error)) {
        for (const RunInstruction& instruction : script.instructions) {
            // A key read back names the same key code.
            for (const std::uint8_t key : instruction.keys) {
                if (RunKeyCode(RunKeyName(key)) != key) {
                    std::abort();
                }
            }
        }
    } else if (error.empty()) {
        std::abort();
    }
    return 0;
}
