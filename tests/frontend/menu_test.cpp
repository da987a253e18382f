#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "frontend_fixture.h"
#include "game/enemy.h"
#include "game/pause.h"
#include "game/run_stats.h"
#include "game/savegame.h"

using namespace frontendtest;

namespace {

class MenuTest : public FrontEndTest {};

void ExpectLayout(const MenuItem& item, int index, float x, float y, bool selected)
{
    SCOPED_TRACE(index);
    EXPECT_EQ(item.index, index);
    EXPECT_FLOAT_EQ(item.x, x);
    EXPECT_FLOAT_EQ(item.y, y);
    EXPECT_FLOAT_EQ(item.depth, selected ? 7.5f : 8.0f);
    EXPECT_EQ(item.selected, selected ? 1 : 0);
    EXPECT_EQ(item.pitch, 0.0f);
    EXPECT_EQ(item.yaw, 0.0f);
    EXPECT_EQ(item.roll, 0.0f);
}

}  // namespace

TEST_F(MenuTest, LayoutPutsFiveCaptionsWithNewGameSelected)
{
    for (MenuItem& item : menuItems) {
        item = MenuItem{9.0f, 9.0f, 9.0f, 1.0f, 1.0f, 1.0f, 9, 1};
    }
    for (int i = 0; i < kMenuItemCount; ++i) {
        MenuItemInit(i);
    }
    ExpectLayout(menuItems[0], 0, -2.35f, 1.0f, true);
    ExpectLayout(menuItems[1], 1, -2.6f, 0.1f, false);
    ExpectLayout(menuItems[2], 2, -1.95f, -0.8f, false);
    ExpectLayout(menuItems[3], 3, -2.65f, -1.7f, false);
    ExpectLayout(menuItems[4], 4, -1.0f, -2.6f, false);

    // Indexes outside the table change nothing, whichever record they are given.
    MenuItem spare{1.0f, 2.0f, 3.0f, 4.0f, 5.0f, 6.0f, 7, 1};
    MenuItemInit(spare, 5);
    MenuItemInit(spare, -1);
    MenuItemInit(spare, 255);
    EXPECT_EQ(spare.x, 1.0f);
    EXPECT_EQ(spare.roll, 6.0f);
    EXPECT_EQ(spare.index, 7);
    EXPECT_EQ(spare.selected, 1);
    MenuItemInit(7);
    MenuItemInit(-3);
    EXPECT_EQ(SelectedItem(), 0);
    // An item laid out alone takes its own row of the table.
    MenuItemInit(spare, 3);
    ExpectLayout(spare, 3, -2.65f, -1.7f, false);
}

TEST_F(MenuTest, ItemsActOnlyWhenSelectedAndTheKeyDelayHasRunOut)
{
    Hold({kDown});
    keyDelayTimer = 0.0f;
    EXPECT_FALSE(MenuItemUpdate(0));
    keyDelayTimer = 0.1f;
    EXPECT_FALSE(MenuItemUpdate(0));
    EXPECT_EQ(SelectedItem(), 0);
    keyDelayTimer = -0.01f;
    EXPECT_FALSE(MenuItemUpdate(1));   // not selected
    EXPECT_FALSE(MenuItemUpdate(kMenuItemCount));
    EXPECT_FALSE(MenuItemUpdate(-1));
    EXPECT_EQ(SelectedItem(), 0);
    EXPECT_FALSE(Sounding(kMenuMoveSound));
    EXPECT_TRUE(MenuItemUpdate(0));
    EXPECT_EQ(SelectedItem(), 1);

    // No key down: nothing acts.
    keyDelayTimer = -1.0f;
    EXPECT_EQ(MenuFrame({}), -1);
    EXPECT_EQ(SelectedItem(), 1);
}

TEST_F(MenuTest, UpAndDownMoveOneItemPerFrameWithoutWrapping)
{
    EXPECT_EQ(MenuFrame({kDown}), 0);
    EXPECT_EQ(SelectedItem(), 1);
    EXPECT_FLOAT_EQ(menuItems[0].depth, 8.0f);
    EXPECT_FLOAT_EQ(menuItems[1].depth, 7.5f);
    EXPECT_FLOAT_EQ(keyDelayTimer, 0.2f);
    EXPECT_TRUE(Sounding(kMenuMoveSound));
    EXPECT_FALSE(Sounding(kClickSound));

    // The frame stops at the item that acted: the newly selected one is not asked again.
    for (int expected = 2; expected <= 4; ++expected) {
        keyDelayTimer = -1.0f;
        EXPECT_EQ(MenuFrame({kDown}), expected - 1);
        EXPECT_EQ(SelectedItem(), expected);
    }
    // DOWN on "Exit": nothing, no sound, no delay.
    StopSounds();
    keyDelayTimer = -1.0f;
    EXPECT_EQ(MenuFrame({kDown}), -1);
    EXPECT_EQ(SelectedItem(), 4);
    EXPECT_FALSE(Sounding(kMenuMoveSound));
    EXPECT_EQ(keyDelayTimer, -1.0f);

    for (int expected = 3; expected >= 0; --expected) {
        keyDelayTimer = -1.0f;
        EXPECT_EQ(MenuFrame({kUp}), expected + 1);
        EXPECT_EQ(SelectedItem(), expected);
        EXPECT_FLOAT_EQ(menuItems[expected].depth, 7.5f);
        EXPECT_FLOAT_EQ(menuItems[expected + 1].depth, 8.0f);
    }
    // UP on "New game": nothing, no sound.
    StopSounds();
    keyDelayTimer = -1.0f;
    EXPECT_EQ(MenuFrame({kUp}), -1);
    EXPECT_EQ(SelectedItem(), 0);
    EXPECT_FALSE(Sounding(kMenuMoveSound));
}

TEST_F(MenuTest, OnlyTheFirstKeyDownCountsInTheOrderUpDownEnter)
{
    // UP on the first item ends the test there: DOWN and ENTER are not looked at.
    EXPECT_EQ(MenuFrame({kUp, kDown}), -1);
    EXPECT_EQ(SelectedItem(), 0);
    EXPECT_EQ(MenuFrame({kUp, kEnter}), -1);
    EXPECT_EQ(gameState, MainMenu);
    EXPECT_FALSE(Sounding(kClickSound));

    // DOWN before ENTER.
    EXPECT_EQ(MenuFrame({kDown, kEnter}), 0);
    EXPECT_EQ(SelectedItem(), 1);
    EXPECT_FALSE(Sounding(kClickSound));

    // UP before DOWN.
    keyDelayTimer = -1.0f;
    EXPECT_EQ(MenuFrame({kDown, kUp}), 1);
    EXPECT_EQ(SelectedItem(), 0);
}

TEST_F(MenuTest, HoldingDownMovesOneItemEveryFifthOfASecond)
{
    const float step = 0.03f;
    std::vector<float> moves;
    float now = 0.0f;
    for (int frame = 0; frame < 60 && SelectedItem() < 4; ++frame) {
        now += step;
        keyDelayTimer -= step;
        if (MenuFrame({kDown}) >= 0) {
            moves.push_back(now);
        }
    }
    ASSERT_EQ(moves.size(), 4u);
    for (std::size_t i = 1; i < moves.size(); ++i) {
        EXPECT_GE(moves[i] - moves[i - 1], 0.2f - 1e-4f);
        EXPECT_LE(moves[i] - moves[i - 1], 0.2f + step + 1e-4f);
    }
}

TEST_F(MenuTest, NewGameStartsAFreshRun)
{
    runStats.enemyKills = 7;
    runSeconds = 33.0f;
    pauseFlag = 1;   // a run left with ESCAPE is replaced
    EXPECT_EQ(MenuFrame({kEnter}), 0);
    EXPECT_EQ(gameState, Playing);
    EXPECT_EQ(pauseFlag, 0);
    EXPECT_EQ(SelectedItem(), -1);
    EXPECT_FLOAT_EQ(menuItems[0].depth, 8.0f);
    EXPECT_FLOAT_EQ(keyDelayTimer, 0.5f);
    EXPECT_EQ(runStats.enemyKills, 0);
    EXPECT_EQ(runSeconds, 0.0f);
    EXPECT_NE(enemySlots[0], nullptr);
    EXPECT_NE(surfaceHead, nullptr);
    EXPECT_TRUE(Sounding(kClickSound));
    EXPECT_TRUE(Sounding(kWindSound));
    EXPECT_TRUE(Sounding(kEngineSound));
}

TEST_F(MenuTest, ResumeWithoutARunOnlyClicks)
{
    menuItems[0].selected = 0;
    menuItems[0].depth = 8.0f;
    menuItems[2].selected = 1;
    menuItems[2].depth = 7.5f;
    EXPECT_EQ(MenuFrame({kEnter}), 2);
    EXPECT_EQ(gameState, MainMenu);
    EXPECT_EQ(SelectedItem(), 2);
    EXPECT_EQ(pauseFlag, 0);
    EXPECT_EQ(keyDelayTimer, -1.0f);
    EXPECT_TRUE(Sounding(kClickSound));
    EXPECT_FALSE(Sounding(kWindSound));
    EXPECT_FALSE(Sounding(kEngineSound));
}

TEST_F(MenuTest, ResumeContinuesTheRunLeftWithEscape)
{
    ASSERT_TRUE(RunStart());
    runStats.enemyKills = 4;
    runStats.shotCount = 40;
    runMinutes = 2.0f;
    runSeconds = 17.5f;
    camera.prevScrollPos = 12.25f;
    // What ESCAPE does in a run.
    gameState = MainMenu;
    pauseFlag = 1;
    CameraSetMenu();
    MenuSelectResume();
    StopSounds();
    EXPECT_EQ(SelectedItem(), 2);
    EXPECT_FLOAT_EQ(menuItems[2].depth, 7.5f);

    EXPECT_EQ(MenuFrame({kEnter}), 2);
    EXPECT_EQ(gameState, Playing);
    EXPECT_EQ(pauseFlag, 0);
    EXPECT_EQ(SelectedItem(), -1);
    EXPECT_FLOAT_EQ(keyDelayTimer, 0.5f);
    EXPECT_EQ(camera.scrollPos, 12.25f);
    EXPECT_EQ(camera.prevScrollPos, 12.25f);
    EXPECT_NEAR(camera.viewPitch, 1.1071f, 1e-3f);   // the tilted playing pose
    EXPECT_EQ(runStats.enemyKills, 4);
    EXPECT_EQ(runStats.shotCount, 40);
    EXPECT_EQ(runMinutes, 2.0f);
    EXPECT_EQ(runSeconds, 17.5f);
    EXPECT_TRUE(Sounding(kClickSound));

    // The wind and the engine loop; the click (a tenth of a second) does not.
    ClockAdvance(1000);
    BassUpdate();
    EXPECT_TRUE(Sounding(kWindSound));
    EXPECT_TRUE(Sounding(kEngineSound));
    EXPECT_FALSE(Sounding(kClickSound));
}

TEST_F(MenuTest, LoadGameWithoutASavedGameLeavesTheMenuAsItWas)
{
    ASSERT_FALSE(std::filesystem::exists(kSaveFileName));
    EXPECT_EQ(MenuFrame({kDown}), 0);
    for (std::uint8_t pauseBefore : {0, 1}) {
        SCOPED_TRACE(pauseBefore);
        pauseFlag = pauseBefore;
        StopSounds();
        keyDelayTimer = -1.0f;
        EXPECT_EQ(MenuFrame({kEnter}), 1);
        EXPECT_EQ(gameState, MainMenu);
        EXPECT_EQ(SelectedItem(), 1);
        EXPECT_EQ(pauseFlag, pauseBefore);
        EXPECT_EQ(keyDelayTimer, -1.0f);
        EXPECT_TRUE(Sounding(kClickSound));
        // ENTER held: tried again in the next frame.
        EXPECT_EQ(MenuFrame({kEnter}), 1);
        EXPECT_EQ(gameState, MainMenu);
    }
    EXPECT_TRUE(Printed().empty());
}

TEST_F(MenuTest, LoadGameRestoresTheSavedRunFrozen)
{
    ASSERT_TRUE(RunStart());
    runStats.enemyKills = 9;
    runHours = 1.0f;
    runSeconds = 42.0f;
    ASSERT_TRUE(GameSave());
    runStats.enemyKills = 0;
    runHours = 0.0f;
    runSeconds = 0.0f;
    StopSounds();
    ConsoleInit(console);

    menuItems[0].selected = 0;
    menuItems[1].selected = 1;
    EXPECT_EQ(MenuFrame({kEnter}), 1);
    EXPECT_EQ(gameState, Playing);
    EXPECT_EQ(pauseFlag, 1);
    EXPECT_EQ(SelectedItem(), -1);
    EXPECT_FLOAT_EQ(menuItems[1].depth, 8.0f);
    EXPECT_FLOAT_EQ(keyDelayTimer, 0.5f);
    EXPECT_EQ(runStats.enemyKills, 9);
    EXPECT_EQ(runHours, 1.0f);
    EXPECT_EQ(runSeconds, 42.0f);
    EXPECT_TRUE(Sounding(kClickSound));
    // The loaded run waits: its loops stay silent.
    EXPECT_FALSE(Sounding(kWindSound));
    EXPECT_FALSE(Sounding(kEngineSound));
}

TEST_F(MenuTest, HighScoresShowsTheTable)
{
    menuItems[0].selected = 0;
    menuItems[3].selected = 1;
    EXPECT_EQ(MenuFrame({kEnter}), 3);
    EXPECT_EQ(gameState, HighScoreTable);
    EXPECT_EQ(SelectedItem(), -1);
    EXPECT_FLOAT_EQ(menuItems[3].depth, 8.0f);
    EXPECT_FLOAT_EQ(keyDelayTimer, 0.5f);
    EXPECT_TRUE(Sounding(kClickSound));
}

TEST_F(MenuTest, ExitEndsTheGameStatusAndKeepsTheSelection)
{
    ConsoleExecute(console, "set j_jatekstatus 1");
    menuItems[0].selected = 0;
    menuItems[4].selected = 1;
    EXPECT_EQ(MenuFrame({kEnter}), 4);
    EXPECT_EQ(VarGetInt("j_jatekstatus"), 0);
    EXPECT_EQ(gameState, MainMenu);
    EXPECT_EQ(SelectedItem(), 4);
    EXPECT_EQ(keyDelayTimer, -1.0f);
    EXPECT_TRUE(Sounding(kClickSound));
}

TEST_F(MenuTest, OtherPartsSelectAndDeselectOneItemAtATime)
{
    MenuSelectResume();
    EXPECT_EQ(SelectedItem(), 2);
    EXPECT_FLOAT_EQ(menuItems[0].depth, 8.0f);
    EXPECT_FLOAT_EQ(menuItems[2].depth, 7.5f);
    MenuSelectNewGame();
    EXPECT_EQ(SelectedItem(), 0);
    EXPECT_FLOAT_EQ(menuItems[2].depth, 8.0f);
    MenuItemsDeselectAll();
    EXPECT_EQ(SelectedItem(), -1);
    for (const MenuItem& item : menuItems) {
        EXPECT_FLOAT_EQ(item.depth, 8.0f);
    }
    // With nothing selected no item reacts.
    EXPECT_EQ(MenuFrame({kEnter}), -1);
    EXPECT_EQ(MenuFrame({kDown}), -1);
    EXPECT_FALSE(Sounding(kClickSound));
}

TEST_F(MenuTest, TheLoadCommandDeselectsTheMenu)
{
    ASSERT_TRUE(RunStart());
    ASSERT_TRUE(GameSave());
    pauseFlag = 0;
    ConsoleExecute(console, "load");
    EXPECT_EQ(gameState, Playing);
    EXPECT_EQ(SelectedItem(), -1);
}
