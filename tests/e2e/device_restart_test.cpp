// graf_restart during play, through the real binary with the default content: the device is made anew
// in a run, while paused, from the console and on the game-over screen, and everything after it (the
// run, name entry, the table, the menu, a new game, save and load) is drawn exactly as in the same
// run without the restarts.
#include <gtest/gtest.h>

#include <string>

#include "../support/game_folder.h"
#include "screenshot.h"

namespace {

// Typing "graf_restar" and then `last` into the open console, one key per frame with a release after each.
std::string TypeRestartLine(char last)
{
    std::string script;
    for (const char c : std::string("graf")) {
        script += std::string("1 16 ") + c + "\n1 16\n";
    }
    script += "1 16 LSHIFT #53\n1 16\n";   // '_'
    for (const char c : std::string("restar") + last) {
        script += std::string("1 16 ") + c + "\n1 16\n";
    }
    return script + "1 16 ENTER\n30 16\n";
}

// The whole play: a run, restarts in it (F6 when bound), then the saved dying run loaded, its end,
// name entry, the table, the menu, a new game with save and load. Shots after each step.
std::string PlayScript(char lastTypedKey)
{
    return "seed 1\n5 16\n1 16 ENTER\n"
           "60 16 SPACE LEFT\n1 16 F6\n2 16 F6\n4 16 SPACE\nshot run.png\n"
           "30 16 LCONTROL\n1 16 p\n5 16\n1 16 F6\n3 16\nshot pause.png\n"
           "35 16\n1 16 F1\n5 16\n" +
           TypeRestartLine(lastTypedKey) +
           "1 16 F1\n40 16\n20 16 RIGHT\nshot console_closed.png\n"
           "1 16 F9\n80 16\n1 16 F6\n3 16\nshot game_over.png\n"
           "1 16 ENTER\n35 16\n1 16 a\n15 16\n1 16 ENTER\n35 16\nshot table.png\n"
           "1 16 ENTER\n35 16\nshot menu.png\n"
           "1 16 ENTER\n40 16 SPACE\n1 16 F5\n20 16\n1 16 F9\n20 16\nshot new_run.png\n";
}

class DeviceRestartTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (GameFolder* folder : {&restarted_, &reference_}) {
            if (!folder->CopyDefaultContent()) {
                GTEST_SKIP() << "no default content beside " << AVIORRA_BINARY;
            }
            // A smaller window keeps the sanitizer build's frames quick.
            folder->Write("exec.vrs", folder->Read("exec.vrs") + "set g_hosszusag 480\nset g_magassag 360\n");
        }
        restarted_.Write("exec.vrs", restarted_.Read("exec.vrs") + "bill F6 graf_restart\n");
    }

    // A save of a run whose aircraft is exploding, three kills in: loaded, the run ends.
    bool PrepareDyingSave()
    {
        GameFolder prepare{"restart_prepare"};
        if (!prepare.CopyDefaultContent()) {
            return false;
        }
        prepare.Write("run.txt", "seed 1\n5 16\n1 16 ENTER\n30 16\n1 16 F5\n2 16\n");
        if (prepare.Run("--headless --input run.txt") != 0) {
            return false;
        }
        std::string save = prepare.Read("avr.sav");
        if (save.size() != 721) {
            return false;
        }
        save[20] = 3;           // enemy kills
        save[68 + 59] = 1;      // the player is hit: its explosion runs
        restarted_.Write("avr.sav", save);
        reference_.Write("avr.sav", save);
        return true;
    }

    GameFolder restarted_{"restart"};
    GameFolder reference_{"restart_reference"};
};

}  // namespace

TEST_F(DeviceRestartTest, EveryScreenAfterRestartsMatchesTheRunWithout)
{
    ASSERT_TRUE(PrepareDyingSave());
    restarted_.Write("run.txt", PlayScript('t'));
    reference_.Write("run.txt", PlayScript('x'));
    ASSERT_EQ(restarted_.Run("--headless --input run.txt"), 0) << restarted_.Err();
    ASSERT_EQ(reference_.Run("--headless --input run.txt"), 0) << reference_.Err();

    // Five restarts happened, each quietly: no message box, no failed load.
    const std::string out = restarted_.Out();
    EXPECT_EQ(restarted_.Err().find("AddressSanitizer"), std::string::npos);
    EXPECT_EQ(out.find("sikertelen"), std::string::npos) << out;
    EXPECT_EQ(restarted_.Read("top.dat"), reference_.Read("top.dat"));
    EXPECT_EQ(restarted_.Read("avr.sav"), reference_.Read("avr.sav"));

    for (const char* shot :
         {"run.png", "pause.png", "console_closed.png", "game_over.png", "table.png", "menu.png", "new_run.png"}) {
        SCOPED_TRACE(shot);
        const Image after = LoadImage(restarted_.Path(shot));
        const Image without = LoadImage(reference_.Path(shot));
        ASSERT_EQ(after.width, 480);
        ASSERT_EQ(after.height, 360);
        ASSERT_EQ(without.width, 480);
        EXPECT_TRUE(after.rgb == without.rgb) << "the picture after the restart differs";
    }

    // And the run is really drawn: the HUD band's grey panels at the top, a sea of many shades below.
    const Image run = LoadImage(restarted_.Path("run.png"));
    const int panel = run.Count(0, 0, 480, 120, [](int r, int g, int b) {
        return r > 30 && r < 90 && g > 35 && g < 100 && b > 40 && b < 110 && b >= r;
    });
    EXPECT_GT(panel, 2000) << "no HUD panels";
    const int sea = run.Count(0, 240, 480, 360, [](int r, int, int b) { return b > r && b > 60; });
    EXPECT_GT(sea, 480 * 120 / 2) << "no sea";
}
