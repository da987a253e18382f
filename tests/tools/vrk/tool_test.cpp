// The vrk program itself: its commands, output and exit status.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "resources/archive.h"
#include "temp_folder.h"

namespace {

struct RunResult {
    int status = -1;
    std::string output;
};

// Runs vrk with the arguments (each quoted), standard error joined to the output.
RunResult RunVrk(const std::string& arguments)
{
    RunResult result;
    const std::string command = std::string("'") + VRK_BINARY + "' " + arguments + " 2>&1";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        result.output.append(buffer, got);
    }
    const int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string Quote(const std::string& path)
{
    return "'" + path + "'";
}

}  // namespace

class VrkTool : public TempFolderTest {};

TEST_F(VrkTool, PackListExtractVerifyRoundTrip)
{
    Write("in/textures/hud.bmp", std::string("BM\0\x01\x02", 5));
    Write("in/mesh/b1.x", "xof 0302txt");
    const std::string archive = Quote(Path("data.vrk"));

    RunResult pack = RunVrk("pack " + archive + " " + Quote(Path("in")));
    ASSERT_EQ(pack.status, 0) << pack.output;
    EXPECT_NE(pack.output.find("2 members"), std::string::npos) << pack.output;

    RunResult list = RunVrk("list " + archive);
    ASSERT_EQ(list.status, 0) << list.output;
    EXPECT_EQ(list.output,
              "        11          0 mesh\\b1.x\n"
              "         5         11 textures\\hud.bmp\n");

    RunResult extract = RunVrk("extract " + archive + " " + Quote(Path("out")));
    ASSERT_EQ(extract.status, 0) << extract.output;
    EXPECT_EQ(Read("out/textures/hud.bmp"), std::string("BM\0\x01\x02", 5));
    EXPECT_EQ(Read("out/mesh/b1.x"), "xof 0302txt");

    RunResult verify = RunVrk("verify " + archive);
    EXPECT_EQ(verify.status, 0) << verify.output;
}

TEST_F(VrkTool, VerifyFailsOnDamage)
{
    Write("in/a", "12345");
    ASSERT_EQ(RunVrk("pack " + Quote(Path("d.vrk")) + " " + Quote(Path("in"))).status, 0);
    // Cut the member's data short: its record now runs into the directory.
    std::string bytes = Read("d.vrk");
    bytes.erase(0, 3);
    Write("cut.vrk", bytes);
    RunResult verify = RunVrk("verify " + Quote(Path("cut.vrk")));
    EXPECT_EQ(verify.status, 1);
    EXPECT_NE(verify.output.find("record 1 (a): the member runs past the end of the member data"), std::string::npos)
        << verify.output;

    Write("tiny.vrk", "ab");
    RunResult tiny = RunVrk("verify " + Quote(Path("tiny.vrk")));
    EXPECT_EQ(tiny.status, 1);
    EXPECT_NE(tiny.output.find("shorter than four bytes"), std::string::npos) << tiny.output;

    // A sound record whose name the game's scan skips is damage too, in verify and in list.
    std::string outside;
    std::string error;
    ASSERT_TRUE(ArchiveBuild({{"fine", "1"}, {"..\\outside.vrs", "2"}}, outside, error)) << error;
    Write("outside.vrk", outside);
    RunResult refused = RunVrk("verify " + Quote(Path("outside.vrk")));
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.output.find("record 2 (..\\outside.vrs): the name leaves the game folder"), std::string::npos)
        << refused.output;
    EXPECT_EQ(refused.output.find("record 1"), std::string::npos) << refused.output;
    RunResult list = RunVrk("list " + Quote(Path("outside.vrk")));
    EXPECT_EQ(list.status, 1);
    EXPECT_NE(list.output.find("..\\outside.vrs  [damaged: the name leaves the game folder]"), std::string::npos)
        << list.output;
}

TEST_F(VrkTool, UsageErrorsAndRefusals)
{
    EXPECT_EQ(RunVrk("").status, 2);
    EXPECT_EQ(RunVrk("pack only-one").status, 2);
    EXPECT_EQ(RunVrk("frobnicate a b").status, 2);
    EXPECT_EQ(RunVrk("list " + Quote(Path("missing.vrk"))).status, 1);

    Write("in/" + std::string(100, 'n'), "x");
    RunResult pack = RunVrk("pack " + Quote(Path("long.vrk")) + " " + Quote(Path("in")));
    EXPECT_EQ(pack.status, 1);
    EXPECT_NE(pack.output.find("longer than 99 characters"), std::string::npos) << pack.output;
    EXPECT_FALSE(Exists("long.vrk"));
}
