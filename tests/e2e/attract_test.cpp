// The attract mode with the default content: the demo run starts after the menu's idle time, any key
// brings the menu back as it was, the demo writes nothing and leaves no trace in the next run, and the
// shipped demo is a run worth watching (shots fired, a building bombed).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "../support/game_folder.h"
#include "app/attract.h"
#include "app/game.h"
#include "app/program.h"
#include "console/console.h"
#include "core/frame.h"
#include "game/attract.h"
#include "game/run_stats.h"
#include "platform/dinput/dinput.h"
#include "platform/win/clock.h"
#include "platform/win/window.h"
#include "screenshot.h"

namespace {

// Menu rows at 320 x 240: "New game" and "High scores".
constexpr int kNewGameRow = 88;
constexpr int kHighScoresRow = 150;

std::string Press(const std::string& key)
{
    return "1 10 " + key + "\n60 10\n";
}

class AttractTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!folder_.CopyDefaultContent()) {
            GTEST_SKIP() << "no default content beside " << AVIORRA_BINARY;
        }
        defaultScript_ = folder_.Read("exec.vrs") + "set g_hosszusag 320\nset g_magassag 240\nbill F5 save\n";
        folder_.Write("exec.vrs", defaultScript_);
    }

    int Run(const std::string& script) const
    {
        folder_.Write("run.txt", script);
        return folder_.Run("--headless --input run.txt");
    }

    Image Shot(const std::string& name) const { return LoadImage((folder_.Root() / name).string()); }

    // Yellow letters (the chosen menu item) in the row around y.
    static int YellowRow(const Image& image, int y)
    {
        return image.Count(60, y - 6, 260, y + 6, [](int r, int g, int b) { return r > 200 && g > 200 && b < 80; });
    }

    // The sea's blue, which fills a playing frame and is nowhere in the menu.
    static int SeaBlue(const Image& image)
    {
        return image.Count(0, 0, image.width, image.height,
                           [](int r, int g, int b) { return b > 90 && b > r + 40 && g > r; });
    }

    std::string Diagnostics() const { return folder_.Err() + folder_.Out(); }

    GameFolder folder_{"attract"};
    std::string defaultScript_;
};

}  // namespace

TEST_F(AttractTest, TheDemoStartsAfterTheIdleTimeAndAKeyBringsBackTheMenuAsItWas)
{
    // "High scores" chosen, then 19.9 s without a key, 0.3 s more, the demo, a key.
    const std::string script = "seed 2\n" + Press("DOWN") + Press("DOWN") + Press("DOWN") +
                               "193 100\nshot before.png\n3 100\n30 16\nshot demo.png\n1 16 SPACE\n40 16\n"
                               "shot back.png\n";
    ASSERT_EQ(Run(script), 0) << Diagnostics();
    const Image before = Shot("before.png");
    const Image demo = Shot("demo.png");
    const Image back = Shot("back.png");
    ASSERT_EQ(before.width, 320);
    ASSERT_EQ(demo.width, 320);
    ASSERT_EQ(back.width, 320);
    EXPECT_GT(YellowRow(before, kHighScoresRow), 30) << "still the menu just before the idle time";
    EXPECT_LT(SeaBlue(before), 320 * 240 / 20) << "the menu's own blue: the aircraft";
    EXPECT_GT(SeaBlue(demo), 320 * 240 / 3) << "the demo run plays";
    EXPECT_LT(YellowRow(back, kNewGameRow), 10) << "the menu is back with its own choice";
    EXPECT_GT(YellowRow(back, kHighScoresRow), 30);
    EXPECT_LT(SeaBlue(back), 320 * 240 / 20);

    // Off: the same wait leaves the menu on screen.
    folder_.Write("exec.vrs", defaultScript_ + "set j_bemutato 0\n");
    ASSERT_EQ(Run(script), 0) << Diagnostics();
    EXPECT_LT(SeaBlue(Shot("demo.png")), 320 * 240 / 20);
    EXPECT_GT(YellowRow(Shot("demo.png"), kHighScoresRow), 30);

    // On, but a run waits for "Resume" (left with ESCAPE): the demo does not take its place.
    folder_.Write("exec.vrs", defaultScript_);
    ASSERT_EQ(Run("seed 2\n1 10 ENTER\n30 10\n1 10 ESCAPE\n60 10\n210 100\nshot waiting.png\n"), 0) << Diagnostics();
    EXPECT_LT(SeaBlue(Shot("waiting.png")), 320 * 240 / 20) << "still the menu";
}

TEST_F(AttractTest, TheDemoWritesNothingAndARunAfterItIsTheRunWithoutIt)
{
    // The player's files as they were before; the demo must leave them so.
    const std::string table(283, '\x07');
    const std::string settings = "// the player's settings\n";
    // 20.5 s in the menu (the demo starts at 20 s), 3 s of the demo, a key, then a run of the
    // player's own, saved.
    const std::string script =
        "seed 7\n205 100\n200 16\nshot demo.png\n1 16 SPACE\n60 16\n1 16 ENTER\n"
        "120 16 SPACE LEFT\n40 16 SPACE a\n1 16 F5\n5 16\n";
    std::string saves[2];
    for (int on = 1; on >= 0; --on) {
        folder_.Write("exec.vrs", defaultScript_ + "set j_bemutato " + std::to_string(on) + "\n");
        folder_.Write("top.dat", table);
        folder_.Write("main.cfg", settings);
        std::filesystem::remove(folder_.Root() / "avr.sav");
        ASSERT_EQ(Run(script), 0) << Diagnostics();
        EXPECT_EQ(SeaBlue(Shot("demo.png")) > 320 * 240 / 3, on == 1) << "the demo plays only when on";
        EXPECT_EQ(folder_.Read("top.dat"), table);
        EXPECT_EQ(folder_.Read("main.cfg"), settings);
        saves[on] = folder_.Read("avr.sav");
    }
    ASSERT_EQ(saves[0].size(), 721u);
    EXPECT_EQ(saves[1], saves[0]) << "the run after the demo went elsewhere";
}

TEST_F(AttractTest, TheShippedDemoFiresBombsABuildingAndEndsByItself)
{
    // The whole game in this process: 20 s in the menu, then the demo to its end.
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(folder_.Root());
    PlatformSetHeadless(true);
    ConsoleSetEcho(false);
    ClockUseVirtualTime(0);
    static int frames = 0;
    static int demoFrames = 0;
    static int demoEnds = 0;
    static std::int32_t shots = 0;
    static std::int32_t buildings = 0;
    frames = demoFrames = demoEnds = shots = buildings = 0;
    static bool wasPlaying = false;
    wasPlaying = false;
    const FrameDriver driver{[] {
                                 ClockAdvance(100);
                                 if (attractPlaying) {
                                     ++demoFrames;
                                     shots = std::max(shots, runStats.shotCount);
                                     buildings = std::max(buildings, runStats.buildingKills);
                                 } else if (wasPlaying) {
                                     ++demoEnds;
                                 }
                                 wasPlaying = attractPlaying;
                                 return ++frames < 2000 && demoEnds == 0;
                             },
                             nullptr};
    static const std::uint8_t noKeys[256] = {};
    ProgramReset();
    DInputSetScriptedKeys(noKeys);
    EXPECT_EQ(GameMain(&driver), 0);
    DInputSetScriptedKeys(nullptr);
    ClockUseRealTime();
    ConsoleSetEcho(true);
    PlatformSetHeadless(false);
    std::filesystem::current_path(previous);
    ProgramReset();

    EXPECT_EQ(demoEnds, 1) << "the demo ended by itself, back in the menu";
    EXPECT_GT(demoFrames, 300);
    EXPECT_GT(shots, 20);
    EXPECT_GE(buildings, 1) << "the demo's bomb brings a building down";
    EXPECT_FALSE(folder_.Exists("avr.sav"));
    EXPECT_FALSE(folder_.Exists("top.dat"));
}
