// The build puts the generated exec.vrs into game/ through cmake/install_default_file.cmake: a new
// default replaces the player's copy only while that copy is still the default it was.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "../../support/scratch_folder.h"

namespace {

class InstallDefaultTest : public ::testing::Test {
protected:
    void Write(const std::string& name, const std::string& text) const { ASSERT_TRUE(folder_.Write(name, text)); }
    std::string Read(const std::string& name) const { return folder_.Read(name); }

    // One build's step: the generator has just written `generated` as the new default.
    int Install(const std::string& generated) const
    {
        EXPECT_TRUE(folder_.Write("generated.vrs", generated));
        const std::string command = std::string(AVIORRA_CMAKE) + " -DSOURCE='" + folder_.Path("generated.vrs") +
                                    "' -DTARGET='" + folder_.Path("exec.vrs") + "' -DRECORD='" +
                                    folder_.Path("installed.vrs") + "' -P '" + AVIORRA_SOURCE_DIR +
                                    "/cmake/install_default_file.cmake' >'" + folder_.Path("log.txt") + "' 2>&1";
        return std::system(command.c_str());
    }

    ScratchFolder folder_{"default"};
};

TEST_F(InstallDefaultTest, NewDefaultsReplaceOnlyAnUneditedCopy)
{
    // The first build puts the default in place.
    ASSERT_EQ(Install("set g_hosszusag 800\r\n"), 0) << Read("log.txt");
    EXPECT_EQ(Read("exec.vrs"), "set g_hosszusag 800\r\n");

    // Unedited, it follows a new default.
    ASSERT_EQ(Install("set g_hosszusag 1024\r\n"), 0) << Read("log.txt");
    EXPECT_EQ(Read("exec.vrs"), "set g_hosszusag 1024\r\n");

    // Edited by the player, it stays through later builds, with a word about the new default.
    Write("exec.vrs", "set g_hosszusag 640\r\n");
    ASSERT_EQ(Install("set g_hosszusag 1280\r\n"), 0) << Read("log.txt");
    EXPECT_EQ(Read("exec.vrs"), "set g_hosszusag 640\r\n");
    EXPECT_NE(Read("log.txt").find("local edits"), std::string::npos) << Read("log.txt");
    ASSERT_EQ(Install("set g_hosszusag 1280\r\n"), 0);
    EXPECT_EQ(Read("exec.vrs"), "set g_hosszusag 640\r\n");

    // Deleted, it comes back as the current default and follows defaults again.
    std::filesystem::remove(folder_.Path("exec.vrs"));
    ASSERT_EQ(Install("set g_hosszusag 1280\r\n"), 0);
    EXPECT_EQ(Read("exec.vrs"), "set g_hosszusag 1280\r\n");
    ASSERT_EQ(Install("set g_hosszusag 1600\r\n"), 0);
    EXPECT_EQ(Read("exec.vrs"), "set g_hosszusag 1600\r\n");
}

TEST_F(InstallDefaultTest, ACopyFromBeforeAnyRecordIsKeptUnlessItIsTheDefault)
{
    // No record of an earlier install: an edited copy is the player's.
    Write("exec.vrs", "bill SPACE tuzel\r\n");
    ASSERT_EQ(Install("set g_hosszusag 800\r\n"), 0);
    EXPECT_EQ(Read("exec.vrs"), "bill SPACE tuzel\r\n");

    // A copy equal to the default gets the record, so the next default replaces it.
    Write("exec.vrs", "set g_hosszusag 800\r\n");
    ASSERT_EQ(Install("set g_hosszusag 800\r\n"), 0);
    ASSERT_EQ(Install("set g_hosszusag 1024\r\n"), 0);
    EXPECT_EQ(Read("exec.vrs"), "set g_hosszusag 1024\r\n");
}

}  // namespace
