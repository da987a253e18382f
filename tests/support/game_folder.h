// A scratch working directory for the real binary: files written in, a headless run, files read back.
#pragma once

#include <sys/wait.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "scratch_folder.h"

// The binary's working directory.
class GameFolder : public ScratchFolder {
public:
    using ScratchFolder::ScratchFolder;

    // The default content generated beside the binary; empty when this build has none.
    static std::filesystem::path DefaultContent()
    {
        std::filesystem::path content = std::filesystem::path(AVIORRA_BINARY).parent_path() / "game";
        return std::filesystem::exists(content / "data.vrk") ? content : std::filesystem::path();
    }

    // Copies the default content's archive and start-up script in; false when there is none.
    bool CopyDefaultContent() const
    {
        const std::filesystem::path content = DefaultContent();
        if (content.empty()) {
            return false;
        }
        std::filesystem::copy_file(content / "data.vrk", Root() / "data.vrk");
        std::filesystem::copy_file(content / "exec.vrs", Root() / "exec.vrs");
        return true;
    }

    // Runs the binary here with the arguments, its output in stdout.txt and stderr.txt; the exit
    // status, -1 when it did not exit by itself. The system libraries' own leaks stay suppressed
    // for a sanitizer build run outside the test programs' environment.
    int Run(const std::string& arguments) const
    {
        const std::string command = "cd '" + Root().string() + "' && LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=" +
                                    AVIORRA_SOURCE_DIR + "/tests/lsan.supp} " + AVIORRA_BINARY + " " + arguments +
                                    " >stdout.txt 2>stderr.txt";
        const int raw = std::system(command.c_str());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }

    std::string Out() const { return Read("stdout.txt"); }
    std::string Err() const { return Read("stderr.txt"); }
};

// Little-endian fields of the files the game writes; offset + 4 must lie inside `bytes`.
inline std::uint32_t LittleU32(const std::string& bytes, std::size_t offset)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = value << 8 | static_cast<unsigned char>(bytes.at(offset + i));
    }
    return value;
}

inline std::int32_t LittleInt(const std::string& bytes, std::size_t offset)
{
    return static_cast<std::int32_t>(LittleU32(bytes, offset));
}

inline float LittleFloat(const std::string& bytes, std::size_t offset)
{
    const std::uint32_t bits = LittleU32(bytes, offset);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}
