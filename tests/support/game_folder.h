// A scratch working directory for the real binary: files written in, a headless run, files read back.
#pragma once

#include <sys/wait.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "platform/win/little_endian.h"
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
        const std::string command =
            "cd '" + Root().string() + "' && LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=" + AVIORRA_SOURCE_DIR +
            "/tests/lsan.supp} " + AVIORRA_BINARY + " " + arguments + " >stdout.txt 2>stderr.txt";
        const int raw = std::system(command.c_str());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }

    std::string Out() const { return Read("stdout.txt"); }
    std::string Err() const { return Read("stderr.txt"); }
};

// Little-endian fields of the files the game writes; a field not wholly inside `bytes` throws.
inline LittleEndianReader LittleField(const std::string& bytes, std::size_t offset)
{
    LittleEndianReader reader(bytes);
    if (offset > bytes.size() || bytes.size() - offset < 4) {
        throw std::out_of_range("a 4-byte field at " + std::to_string(offset) + " of " + std::to_string(bytes.size()));
    }
    reader.Seek(offset);
    return reader;
}

inline std::uint32_t LittleU32(const std::string& bytes, std::size_t offset)
{
    return LittleField(bytes, offset).U32();
}

inline std::int32_t LittleInt(const std::string& bytes, std::size_t offset)
{
    return LittleField(bytes, offset).I32();
}

inline float LittleFloat(const std::string& bytes, std::size_t offset)
{
    return LittleField(bytes, offset).F32();
}
