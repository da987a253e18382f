// The archive format: byte layout, reading back, every kind of damage, member name safety, packing a
// folder and extracting it again.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "console/console.h"
#include "platform/win/little_endian.h"
#include "resources/archive.h"
#include "resources/resources.h"
#include "temp_folder.h"

namespace {

std::string Le32(std::uint32_t v)
{
    std::string bytes;
    LittleEndianWriter(bytes).U32(v);
    return bytes;
}

// A directory record written by hand: size, offset, then the name padded with zeros to 100 bytes (or,
// unterminated, 100 bytes of the name's first letter).
std::string RawRecord(std::uint32_t size, std::uint32_t offset, const std::string& name, bool terminated = true)
{
    std::string name100 = terminated ? name : std::string(100, name.empty() ? 'x' : name[0]);
    name100.resize(100, '\0');
    return Le32(size) + Le32(offset) + name100;
}

ArchiveDirectory Parse(const std::string& bytes)
{
    ArchiveDirectory directory;
    ArchiveParseDirectory(bytes, directory);
    return directory;
}

}  // namespace

TEST(ArchiveFormat, BuildWritesDataRecordsAndCountLittleEndian)
{
    std::string archive;
    std::string error;
    ASSERT_TRUE(ArchiveBuild({{"a\\one", "xyz"}, {"b", std::string("\0\1", 2)}}, archive, error)) << error;
    const std::string expected =
        std::string("xyz") + std::string("\0\1", 2) + RawRecord(3, 0, "a\\one") + RawRecord(2, 3, "b") + Le32(2);
    EXPECT_EQ(archive, expected);

    ArchiveDirectory directory = Parse(archive);
    ASSERT_EQ(directory.problem, ArchiveProblem::None);
    ASSERT_EQ(directory.records.size(), 2u);
    EXPECT_EQ(directory.records[0].name, "a\\one");
    EXPECT_EQ(directory.records[1].offset, 3u);
    EXPECT_EQ(directory.records[1].size, 2u);
    EXPECT_EQ(directory.records[1].problem, ArchiveProblem::None);
}

TEST(ArchiveFormat, EmptyArchiveIsFourZeroBytes)
{
    std::string archive;
    std::string error;
    ASSERT_TRUE(ArchiveBuild({}, archive, error));
    EXPECT_EQ(archive, std::string(4, '\0'));
    ArchiveDirectory directory = Parse(archive);
    EXPECT_EQ(directory.problem, ArchiveProblem::None);
    EXPECT_TRUE(directory.records.empty());
}

TEST(ArchiveFormat, BuildRefusesNamesThatDoNotFitTheRecord)
{
    std::string archive;
    std::string error;
    EXPECT_TRUE(ArchiveBuild({{std::string(99, 'n'), "x"}}, archive, error));
    EXPECT_FALSE(ArchiveBuild({{std::string(100, 'n'), "x"}}, archive, error));
    EXPECT_NE(error.find("99"), std::string::npos);
    EXPECT_FALSE(ArchiveBuild({{"", "x"}}, archive, error));
    EXPECT_FALSE(ArchiveBuild({{std::string("a\0b", 3), "x"}}, archive, error));
}

TEST(ArchiveDamage, FilesShorterThanFourBytes)
{
    for (std::size_t length = 0; length < 4; ++length) {
        ArchiveDirectory directory = Parse(std::string(length, '\0'));
        EXPECT_EQ(directory.problem, ArchiveProblem::TooShort) << length;
        EXPECT_TRUE(directory.records.empty());
    }
}

TEST(ArchiveDamage, CountThatDoesNotFitTheFile)
{
    const std::string one = RawRecord(1, 0, "a") + Le32(1);
    EXPECT_EQ(Parse("d" + one).problem, ArchiveProblem::None);
    // Two records claimed, one stored: the claimed directory would start before the file.
    EXPECT_EQ(Parse("d" + RawRecord(1, 0, "a") + Le32(2)).problem, ArchiveProblem::CountTooLarge);
    EXPECT_EQ(Parse(Le32(0xFFFFFFFFu)).problem, ArchiveProblem::CountTooLarge);
    EXPECT_EQ(Parse(Le32(1)).problem, ArchiveProblem::CountTooLarge);
}

TEST(ArchiveDamage, BadRecordsAreMarkedAndGoodOnesKept)
{
    const std::string data = "0123456789";
    const std::string archive = data + RawRecord(10, 0, "whole") +       // fits exactly
                                RawRecord(5, 200, "far") +                 // past the end
                                RawRecord(10, 5, "overlap") +              // into the directory
                                RawRecord(0xFFFFFFFFu, 1, "huge") +        // offset + size overflows 32 bits
                                RawRecord(1, 0, "n", false) +              // no terminating zero
                                RawRecord(1, 0, "") +                      // empty name
                                RawRecord(0, 0, "empty member") + Le32(7);
    ArchiveDirectory directory = Parse(archive);
    ASSERT_EQ(directory.problem, ArchiveProblem::None);
    ASSERT_EQ(directory.records.size(), 7u);
    EXPECT_EQ(directory.records[0].problem, ArchiveProblem::None);
    EXPECT_EQ(directory.records[1].problem, ArchiveProblem::MemberPastEnd);
    EXPECT_EQ(directory.records[2].problem, ArchiveProblem::MemberPastEnd);
    EXPECT_EQ(directory.records[3].problem, ArchiveProblem::MemberPastEnd);
    EXPECT_EQ(directory.records[4].problem, ArchiveProblem::NameUnterminated);
    EXPECT_EQ(directory.records[4].name.size(), 100u);
    EXPECT_EQ(directory.records[5].problem, ArchiveProblem::NameEmpty);
    EXPECT_EQ(directory.records[6].problem, ArchiveProblem::None);
}

TEST(ArchiveNames, OnlyNamesThatStayInsideTheFolderAreSafe)
{
    EXPECT_TRUE(ArchiveMemberNameSafe("textures\\hud.bmp"));
    EXPECT_TRUE(ArchiveMemberNameSafe("exec.vrs"));
    EXPECT_TRUE(ArchiveMemberNameSafe("a\\b\\..c"));
    EXPECT_FALSE(ArchiveMemberNameSafe(""));
    EXPECT_FALSE(ArchiveMemberNameSafe("..\\evil"));
    EXPECT_FALSE(ArchiveMemberNameSafe("a\\..\\..\\evil"));
    EXPECT_FALSE(ArchiveMemberNameSafe("a/../evil"));
    EXPECT_FALSE(ArchiveMemberNameSafe("\\etc\\passwd"));
    EXPECT_FALSE(ArchiveMemberNameSafe("/etc/passwd"));
    EXPECT_FALSE(ArchiveMemberNameSafe("c:\\evil"));
    EXPECT_FALSE(ArchiveMemberNameSafe("a\\\\b"));
    EXPECT_FALSE(ArchiveMemberNameSafe("a\\"));
    EXPECT_FALSE(ArchiveMemberNameSafe(".\\a"));
}

class ArchivePack : public TempFolderTest {};

TEST_F(ArchivePack, ReadingAFileAgreesWithParsingBytes)
{
    const std::string archive = "abc" + RawRecord(3, 0, "ok") + RawRecord(4, 0, "bad") + Le32(2);
    Write("x.vrk", archive);
    ArchiveDirectory directory;
    ASSERT_TRUE(ArchiveReadDirectory(Path("x.vrk"), directory));
    EXPECT_EQ(directory.fileSize, archive.size());
    ASSERT_EQ(directory.records.size(), 2u);
    EXPECT_EQ(directory.records[1].problem, ArchiveProblem::MemberPastEnd);
    std::string member;
    EXPECT_TRUE(ArchiveReadMember(Path("x.vrk"), directory.records[0], member));
    EXPECT_EQ(member, "abc");
    EXPECT_FALSE(ArchiveReadMember(Path("x.vrk"), directory.records[1], member));

    EXPECT_FALSE(ArchiveReadDirectory(Path("missing.vrk"), directory));
    EXPECT_EQ(directory.problem, ArchiveProblem::OpenFailed);
}

TEST_F(ArchivePack, PackListExtractGivesTheSameBytes)
{
    Write("in/textures/hud.bmp", std::string("BM\0\xFF", 4));
    Write("in/textures/a.dds", "dds");
    Write("in/exec.vrs", "set a 1\n");
    Write("in/sound/deep/x.wav", std::string(70000, '\x5A'));
    Write("in/empty", "");

    std::vector<std::string> names;
    std::string error;
    ASSERT_TRUE(ArchivePackFolder(Path("in"), Path("out.vrk"), names, error)) << error;
    const std::vector<std::string> sorted = {"empty", "exec.vrs", "sound\\deep\\x.wav", "textures\\a.dds",
                                             "textures\\hud.bmp"};
    EXPECT_EQ(names, sorted);

    ArchiveDirectory directory;
    ASSERT_TRUE(ArchiveReadDirectory(Path("out.vrk"), directory));
    ASSERT_EQ(directory.records.size(), sorted.size());
    for (std::size_t i = 0; i < sorted.size(); ++i) {
        EXPECT_EQ(directory.records[i].name, sorted[i]);
        EXPECT_EQ(directory.records[i].problem, ArchiveProblem::None);
    }

    ASSERT_TRUE(ArchiveExtractToFolder(Path("out.vrk"), Path("back"), error)) << error;
    EXPECT_EQ(Read("back/textures/hud.bmp"), std::string("BM\0\xFF", 4));
    EXPECT_EQ(Read("back/textures/a.dds"), "dds");
    EXPECT_EQ(Read("back/exec.vrs"), "set a 1\n");
    EXPECT_EQ(Read("back/sound/deep/x.wav"), std::string(70000, '\x5A'));
    EXPECT_TRUE(Exists("back/empty"));
    EXPECT_TRUE(ArchiveVerify(Path("out.vrk")).empty());
}

TEST_F(ArchivePack, PackingIntoTheFolderLeavesTheOldArchiveOut)
{
    Write("in/a", "1");
    std::vector<std::string> names;
    std::string error;
    ASSERT_TRUE(ArchivePackFolder(Path("in"), Path("in/data.vrk"), names, error)) << error;
    ASSERT_TRUE(ArchivePackFolder(Path("in"), Path("in/data.vrk"), names, error)) << error;
    EXPECT_EQ(names, std::vector<std::string>{"a"});
}

TEST_F(ArchivePack, PackRefusesLongNamesAndMissingFolders)
{
    Write("in/" + std::string(60, 'd') + "/" + std::string(40, 'f'), "x");  // 101 characters
    std::vector<std::string> names;
    std::string error;
    EXPECT_FALSE(ArchivePackFolder(Path("in"), Path("out.vrk"), names, error));
    EXPECT_NE(error.find("99"), std::string::npos);
    EXPECT_FALSE(Exists("out.vrk"));
    EXPECT_FALSE(ArchivePackFolder(Path("nothing"), Path("out.vrk"), names, error));
}

TEST_F(ArchivePack, ExtractRefusesNamesLeavingTheFolder)
{
    for (const char* evil : {"..\\escaped", "\\abs", "/abs", "ok\\..\\..\\escaped"}) {
        std::string archive;
        std::string error;
        ASSERT_TRUE(ArchiveBuild({{"fine", "1"}, {evil, "2"}}, archive, error));
        Write("evil.vrk", archive);
        EXPECT_FALSE(ArchiveExtractToFolder(Path("evil.vrk"), Path("out/deeper"), error)) << evil;
        EXPECT_NE(error.find("leaves the folder"), std::string::npos);
        EXPECT_FALSE(Exists("out/deeper/fine")) << "nothing is written from a refused archive";
        EXPECT_FALSE(Exists("escaped"));
        EXPECT_FALSE(Exists("out/escaped"));
    }
}

TEST_F(ArchivePack, ExtractKeepsTheRecordStoredLastForARepeatedName)
{
    std::string archive;
    std::string error;
    ASSERT_TRUE(ArchiveBuild({{"same", "first"}, {"same", "last"}}, archive, error));
    Write("dup.vrk", archive);
    ASSERT_TRUE(ArchiveExtractToFolder(Path("dup.vrk"), Path("out"), error)) << error;
    EXPECT_EQ(Read("out/same"), "last");
}

TEST_F(ArchivePack, VerifyNamesEachDamagedRecord)
{
    Write("bad.vrk", "abc" + RawRecord(3, 0, "ok") + RawRecord(9, 0, "long") + RawRecord(1, 0, "z", false) + Le32(3));
    const std::vector<std::string> lines = ArchiveVerify(Path("bad.vrk"));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("record 2 (long)"), std::string::npos);
    EXPECT_NE(lines[0].find("past the end"), std::string::npos);
    EXPECT_NE(lines[1].find("record 3"), std::string::npos);
    EXPECT_NE(lines[1].find("terminating zero"), std::string::npos);

    Write("short.vrk", "ab");
    const std::vector<std::string> whole = ArchiveVerify(Path("short.vrk"));
    ASSERT_EQ(whole.size(), 1u);
    EXPECT_NE(whole[0].find("shorter than four bytes"), std::string::npos);
}

TEST(ArchiveNames, VerifyRefusesExactlyTheNamesTheGameScanSkips)
{
    struct Case {
        std::string field;   // the stored name field (a zero inside it ends the name)
        bool terminated;
        const char* reason;  // null: the game lists the member
    };
    const char* const leaves = "the name leaves the game folder";
    const std::vector<Case> cases = {
        {"textures\\hud.bmp", true, nullptr},
        {"..\\up.vrs", true, leaves},
        {"mesh\\..\\textures\\x.bmp", true, nullptr},
        {"..", true, leaves},
        {"\\abs.vrs", true, leaves},
        {"a\\.\\b", true, nullptr},
        {"/abs.vrs", true, leaves},
        {"..c", true, nullptr},
        {"a\\..\\..\\climb.vrs", true, leaves},
        {"c:\\drive.bmp", true, nullptr},
        {"mesh/../../x.bmp", true, leaves},
        {"Textures\\HUD.BMP", true, nullptr},
        {"", true, "the name is empty"},
        {"u", false, "the name has no terminating zero"},
        {std::string(99, 'n'), true, nullptr},
        {std::string("cut\0tail", 8), true, nullptr},
        {"hang\xE1r.wav", true, nullptr},
        {"twice", true, nullptr},
        {"twice", true, nullptr},
    };
    std::string directory;
    for (const Case& c : cases) {
        directory += RawRecord(1, 0, c.field, c.terminated);
    }
    WorkingFolder game{"vrk-game"};
    ASSERT_TRUE(game.Write("game.vrk", "d" + directory + Le32(static_cast<std::uint32_t>(cases.size()))));

    std::vector<std::string> expected;
    std::vector<std::string> listed;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        const std::string name = c.terminated ? c.field.substr(0, c.field.find('\0')) : std::string(100, c.field[0]);
        if (c.reason == nullptr) {
            listed.push_back(name);
        } else {
            expected.push_back("game.vrk: record " + std::to_string(i + 1) + " (" + name + "): " + c.reason);
        }
    }
    EXPECT_EQ(ArchiveVerify("game.vrk"), expected);

    // The game's own scan of the same archive lists exactly the members verify lets through.
    ConsoleSetEcho(false);
    ResourceScanArchives();
    std::vector<std::string> scanned;
    for (const ResourceEntry* entry = ResourceListHead(); entry != nullptr; entry = entry->next) {
        scanned.emplace_back(entry->name);
    }
    ResourceFreeAll();
    ConsoleSetEcho(true);
    std::sort(listed.begin(), listed.end());
    std::sort(scanned.begin(), scanned.end());
    EXPECT_EQ(scanned, listed);
}

TEST(ArchiveDamage, MutatedDirectoriesNeverReadOutsideTheFile)
{
    std::string archive;
    std::string error;
    ASSERT_TRUE(ArchiveBuild({{"a\\b", "12345"}, {"c", ""}, {"d", "xyz"}}, archive, error));
    std::uint32_t random = 777;
    auto next = [&random] {
        random = random * 1103515245u + 12345u;
        return random >> 8;
    };
    for (int round = 0; round < 3000; ++round) {
        std::string bytes = archive.substr(0, archive.size() - next() % 8);
        for (int flips = 1 + static_cast<int>(next() % 3); flips > 0; --flips) {
            bytes[next() % bytes.size()] = static_cast<char>(next());
        }
        ArchiveDirectory directory;
        if (!ArchiveParseDirectory(bytes, directory)) {
            ASSERT_TRUE(directory.records.empty());
            continue;
        }
        const std::uint64_t dataEnd = bytes.size() - 4 - directory.records.size() * kArchiveRecordSize;
        for (const ArchiveRecord& record : directory.records) {
            if (record.problem == ArchiveProblem::None) {
                ASSERT_LE(std::uint64_t{record.offset} + record.size, dataEnd);
                ASSERT_FALSE(record.name.empty());
                ASSERT_LT(record.name.size(), kArchiveNameField);
            }
        }
    }
}
