// The main menu and the high-score screen driven through the real binary: scripted keys in, files
// out. A key bound to `save` writes avr.sav during a run, whose first twelve bytes are the run clock
// (hours, minutes, seconds) and the next four the shot count; bindings run only while playing, so
// the file also tells whether a run was going on when the key was pressed.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "../support/game_folder.h"
#include "screenshot.h"

namespace {

struct SaveHead {
    float hours = 0.0f;
    float minutes = 0.0f;
    float seconds = 0.0f;
    std::int32_t shots = 0;
};

class FrontEndRunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_.Write("exec.vrs",
                      "set g_hosszusag 320\r\nset g_magassag 240\r\nset g_buffer_szam 1\r\n"
                      "bill F5 save\r\nbill SPACE tuzel\r\n");
    }

    std::string Read(const std::string& name) const { return folder_.Read(name); }
    bool Exists(const std::string& name) const { return folder_.Exists(name); }
    void Write(const std::string& name, const std::string& bytes) const { folder_.Write(name, bytes); }

    // Runs the script headless, recording the frames it ran; the exit status.
    int Run(const std::string& script) const
    {
        folder_.Write("run.txt", script);
        std::filesystem::remove(folder_.Root() / "avr.sav");
        return folder_.Run("--headless --input run.txt --record rec.txt");
    }

    SaveHead ReadSave() const
    {
        SaveHead head;
        const std::string bytes = Read("avr.sav");
        EXPECT_EQ(bytes.size(), 721u);
        if (bytes.size() < 16) {
            return head;
        }
        head.hours = LittleFloat(bytes, 0);
        head.minutes = LittleFloat(bytes, 4);
        head.seconds = LittleFloat(bytes, 8);
        head.shots = LittleInt(bytes, 12);
        return head;
    }

    // Frames the recording holds: the sum of the counts of its frame lines.
    int RecordedFrames() const
    {
        std::istringstream lines(Read("rec.txt"));
        std::string line;
        int frames = 0;
        while (std::getline(lines, line)) {
            if (!line.empty() && line[0] >= '0' && line[0] <= '9') {
                frames += std::atoi(line.c_str());
            }
        }
        return frames;
    }

    std::string Diagnostics() const { return folder_.Err() + folder_.Out(); }

    GameFolder folder_{"frontend"};
};

// One key pressed for one 10 ms frame, then `wait` idle frames: longer than the key delay after
// any menu action (0.5 s) when wait is 60.
std::string Press(const std::string& key, int wait = 60)
{
    return "1 10 " + key + "\n" + std::to_string(wait) + " 10\n";
}

}  // namespace

TEST_F(FrontEndRunTest, EnterOnNewGameStartsARun)
{
    // In the menu the bound key does nothing: no run, no save.
    ASSERT_EQ(Run("seed 3\n" + Press("F5")), 0) << Diagnostics();
    EXPECT_FALSE(Exists("avr.sav"));

    // ENTER starts a run; half a second of it later the key saves it.
    ASSERT_EQ(Run("seed 3\n2 10\n1 10 ENTER\n50 10\n1 10 F5\n2 10\n"), 0) << Diagnostics();
    ASSERT_TRUE(Exists("avr.sav"));
    SaveHead head = ReadSave();
    EXPECT_EQ(head.hours, 0.0f);
    EXPECT_EQ(head.minutes, 0.0f);
    EXPECT_NEAR(head.seconds, 0.5f, 0.015f);
}

TEST_F(FrontEndRunTest, EscapeAndResumeKeepTheRunClockAndStatistics)
{
    const std::string prefix = "seed 11\n1 10 ENTER\n20 10 SPACE\n10 10\n";

    // The run as it stands when ESCAPE is pressed.
    ASSERT_EQ(Run(prefix + "1 10 F5\n1 10\n"), 0) << Diagnostics();
    ASSERT_TRUE(Exists("avr.sav"));
    const SaveHead before = ReadSave();
    EXPECT_GT(before.shots, 0);
    EXPECT_NEAR(before.seconds, 0.30f, 0.015f);

    // ESCAPE, two seconds in the menu with "Resume" selected, ENTER: the same run goes on.
    ASSERT_EQ(Run(prefix + "1 10 ESCAPE\n200 10\n1 10 ENTER\n1 10 F5\n1 10\n"), 0) << Diagnostics();
    ASSERT_TRUE(Exists("avr.sav"));
    const SaveHead after = ReadSave();
    EXPECT_EQ(after.shots, before.shots);
    EXPECT_EQ(after.minutes, 0.0f);
    // The ESCAPE frame and the resumed frame count; the menu's two seconds do not.
    EXPECT_NEAR(after.seconds, before.seconds + 0.02f, 0.015f);
}

TEST_F(FrontEndRunTest, LoadGameWithoutASavedGameLeavesTheMenuAsItWas)
{
    // "Load game" selected, ENTER held for a while: still the menu, so the bound key saves nothing.
    ASSERT_EQ(Run("seed 5\n" + Press("DOWN") + "10 10 ENTER\n" + Press("F5")), 0) << Diagnostics();
    EXPECT_FALSE(Exists("avr.sav"));

    // The selection stayed on "Load game": UP reaches "New game", whose run the key then saves.
    ASSERT_EQ(Run("seed 5\n" + Press("DOWN") + "10 10 ENTER\n" + Press("UP") + "1 10 ENTER\n10 10\n1 10 F5\n"), 0)
        << Diagnostics();
    ASSERT_TRUE(Exists("avr.sav"));
    EXPECT_NEAR(ReadSave().seconds, 0.1f, 0.015f);
}

TEST_F(FrontEndRunTest, LoadGameAndResumeWithNothingToActOnSaySoWithTheVariable)
{
    // Yellow letters in the band below the menu's items, where the answer stands.
    auto answer = [&](const std::string& shot) {
        const Image image = LoadImage((folder_.Root() / shot).string());
        EXPECT_EQ(image.width, 320) << shot;
        return image.width == 320
                   ? image.Count(0, 182, 320, 214, [](int r, int g, int b) { return r > 200 && g > 200 && b < 80; })
                   : -1;
    };
    const std::string script = "seed 5\n" + Press("DOWN") +
                               "1 10 ENTER\n5 10\nshot load.png\n160 10\nshot later.png\n" + Press("DOWN") +
                               "1 10 ENTER\n5 10\nshot resume.png\n";
    ASSERT_EQ(Run(script), 0) << Diagnostics();
    EXPECT_EQ(answer("load.png"), 0) << "off: the items do nothing, as designed";
    EXPECT_EQ(answer("resume.png"), 0);

    Write("exec.vrs", Read("exec.vrs") + "set h_menu_jelzes 1\r\n");
    ASSERT_EQ(Run(script), 0) << Diagnostics();
    const int load = answer("load.png");
    const int resume = answer("resume.png");
    EXPECT_GT(load, 40) << "\"No saved game\"";
    EXPECT_EQ(answer("later.png"), 0) << "the answer goes after its time";
    EXPECT_GT(resume, load) << "\"No game to resume\", the longer line";
    EXPECT_FALSE(Exists("avr.sav"));
}

TEST_F(FrontEndRunTest, LeavingTheHighScoreTableSelectsNewGame)
{
    const std::string table = "seed 7\n" + Press("DOWN") + Press("DOWN") + Press("DOWN") + Press("ENTER");
    for (const char* leave : {"ENTER", "ESCAPE"}) {
        SCOPED_TRACE(leave);
        // On the table the run keys do nothing.
        ASSERT_EQ(Run(table + Press("F5")), 0) << Diagnostics();
        EXPECT_FALSE(Exists("avr.sav"));

        // Back in the menu, ENTER starts a run: "New game" was selected again.
        ASSERT_EQ(Run(table + Press(leave) + "1 10 ENTER\n10 10\n1 10 F5\n"), 0) << Diagnostics();
        ASSERT_TRUE(Exists("avr.sav"));
        EXPECT_NEAR(ReadSave().seconds, 0.1f, 0.015f);
    }
    EXPECT_FALSE(Exists("top.dat"));   // showing the table writes nothing
}

TEST_F(FrontEndRunTest, ExitEndsTheProgramAfterItsFrame)
{
    const std::string script = "seed 1\n" + Press("DOWN", 25) + Press("DOWN", 25) + Press("DOWN", 25) +
                               Press("DOWN", 25) + "1 10 ENTER\n100 10\n";
    ASSERT_EQ(Run(script), 0) << Diagnostics();
    EXPECT_EQ(RecordedFrames(), 4 * 26 + 1);
}

TEST_F(FrontEndRunTest, ADamagedHighScoreFileIsReportedAndLeftAlone)
{
    const std::string garbage(300, 'Q');
    Write("top.dat", garbage);
    ASSERT_EQ(Run("seed 2\n" + Press("DOWN") + Press("DOWN") + Press("DOWN") + Press("ENTER") + "5 10\n"), 0)
        << Diagnostics();
    EXPECT_NE(Read("stdout.txt").find("A toplista hibás adatot tartalmazott"), std::string::npos) << Read("stdout.txt");
    EXPECT_EQ(Read("top.dat"), garbage);
}
