// A clean resource list and console in a fresh temporary working directory, with helpers to write
// archives (well-formed or damaged by hand) and to read what the console printed.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "app/program.h"
#include "console/console.h"
#include "platform/win/codepage.h"
#include "platform/win/little_endian.h"
#include "resources/archive.h"
#include "resources/resources.h"
#include "scratch_folder.h"

inline std::string Le32(std::uint32_t v)
{
    std::string bytes;
    LittleEndianWriter(bytes).U32(v);
    return bytes;
}

// A directory record by hand: size, offset, the name zero-padded to 100 bytes (or 100 letters and no
// terminating zero).
inline std::string RawRecord(std::uint32_t size, std::uint32_t offset, const std::string& name, bool terminated = true)
{
    std::string field = terminated ? name : std::string(100, 'q');
    field.resize(100, '\0');
    return Le32(size) + Le32(offset) + field;
}

class ResourceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ConsoleSetEcho(false);
        ProgramReset();
        ResourceFreeAll();
    }

    void TearDown() override
    {
        ResourceSetInstalledFolder("");
        ResourceFreeAll();
        ConsoleSetEcho(true);
    }

    static void Write(const std::string& path, const std::string& bytes)
    {
        const std::filesystem::path p(path);
        if (p.has_parent_path()) {
            std::filesystem::create_directories(p.parent_path());
        }
        std::ofstream out(p, std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }

    // An archive with the members in this stored order.
    static void WriteArchive(const std::string& path, const std::vector<std::pair<std::string, std::string>>& members)
    {
        std::vector<ArchiveMember> list;
        for (const auto& [name, bytes] : members) {
            list.push_back({name, bytes});
        }
        std::string archive;
        std::string error;
        ASSERT_TRUE(ArchiveBuild(list, archive, error)) << error;
        Write(path, archive);
    }

    // Marks the console so Printed() returns only what comes after.
    static void Mark() { ConsolePrintf(console, "%s", kMark); }

    // The lines printed since the last Mark(), oldest first.
    static std::vector<std::string> Printed()
    {
        int start = kConsoleLines;
        while (start > 0 && std::strcmp(console.text[start - 1], kMark) != 0) {
            --start;
        }
        std::vector<std::string> lines;
        for (int i = start; i < kConsoleLines; ++i) {
            lines.emplace_back(console.text[i]);
        }
        return lines;
    }

    static std::string Bytes(const char* name)
    {
        std::uint8_t* block = ResourceLoadBytes(name);
        if (block == nullptr) {
            return "<none>";
        }
        const ResourceEntry* entry = ResourceFind(name);
        std::string bytes(reinterpret_cast<const char*>(block), static_cast<std::size_t>(entry->size));
        delete[] block;
        return bytes;
    }

    static std::vector<std::string> ListNames()
    {
        std::vector<std::string> names;
        for (const ResourceEntry* e = ResourceListHead(); e != nullptr; e = e->next) {
            names.emplace_back(e->name);
        }
        return names;
    }

    static std::string Cp(const char* text) { return text; }

    static constexpr const char* kMark = "--- mark ---";
    WorkingFolder folder_{"resources"};
};
