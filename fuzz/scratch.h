// Fuzz programs that touch files run in a scratch folder of their own, removed at exit.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace fuzz {

inline std::string& ScratchFolder()
{
    static std::string folder;
    return folder;
}

inline void EnterScratchFolder()
{
    char pattern[] = "/tmp/aviorra_fuzz_XXXXXX";
    if (::mkdtemp(pattern) == nullptr || ::chdir(pattern) != 0) {
        std::perror("scratch folder");
        std::abort();
    }
    ScratchFolder() = pattern;
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(ScratchFolder(), ignored);
    });
}

inline void WriteScratchFile(const char* name, const void* data, std::size_t size)
{
    std::FILE* file = std::fopen(name, "wb");
    if (file == nullptr) {
        std::abort();
    }
    if (size != 0 && std::fwrite(data, 1, size, file) != size) {
        std::abort();
    }
    std::fclose(file);
}

}  // namespace fuzz
