#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "app/game.h"
#include "app/input.h"
#include "app/program.h"
#include "console/bindings.h"
#include "console/console.h"
#include "console/variables.h"
#include "core/frame.h"
#include "core/random.h"
#include "game/aircraft.h"
#include "game/camera.h"
#include "game/fog.h"
#include "game/pause.h"
#include "game/projectiles.h"
#include "game/run_stats.h"
#include "game/world.h"
#include "platform/dinput/dinput.h"
#include "platform/win/clock.h"
#include "platform/win/window.h"

namespace {

constexpr int kEscape = 0x01;
constexpr int kF1 = 0x3B;
constexpr int kA = 30;
constexpr int kEnter = 0x1C;

class GameLoopTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        PlatformSetHeadless(true);
        ASSERT_TRUE(PlatformVideoInit());
        ClockUseVirtualTime(0);
        ConsoleSetEcho(false);
        ProgramReset();

        WNDCLASSEXA windowClass{};
        windowClass.cbSize = kWndClassExSize32;
        windowClass.style = CS_CLASSDC;
        windowClass.lpfnWndProc = GameWindowProc;
        windowClass.hInstance = gameInstance;
        windowClass.lpszClassName = "AVIORRA";
        ASSERT_NE(RegisterClassExA(&windowClass), 0);
        gameWindow =
            CreateWindowExA(0, "AVIORRA", "AVIORRA", 8, 10, 10, 64, 48, nullptr, nullptr, gameInstance, nullptr);
        ASSERT_NE(gameWindow, nullptr);
        ASSERT_TRUE(InputCreate(gameInstance, gameWindow));
        ASSERT_TRUE(InputCreateKeyboard());
        InputCreateMouse();
    }

    void TearDown() override
    {
        DInputSetScriptedKeys(nullptr);
        // The tests' enemies are not the program's to delete.
        for (auto& slot : enemySlots) {
            slot = nullptr;
        }
        ProgramReset();
        WindowReset();
        gameWindow = nullptr;
        ConsoleSetEcho(true);
        ClockUseRealTime();
    }

    // One frame of `ms` milliseconds with exactly these keys down.
    static bool Frame(DWORD ms, std::initializer_list<int> keys = {})
    {
        std::array<std::uint8_t, 256> state{};
        for (int code : keys) {
            state[code] = 0x80;
        }
        DInputSetScriptedKeys(state.data());
        ClockAdvance(ms);
        return GameFrame();
    }

    static void StartPlaying()
    {
        gameState = Playing;
        CameraSetPlaying();
        keyDelayTimer = -1.0f;
    }
};

}  // namespace

TEST_F(GameLoopTest, FrameTimeAndKeyDelayTimerInEveryState)
{
    keyDelayTimer = 0.5f;
    Frame(20);
    EXPECT_FLOAT_EQ(frameDelta, 0.02f);
    EXPECT_FLOAT_EQ(keyDelayTimer, 0.48f);
    gameState = 99;   // a state without a meaning still runs the clock, and draws nothing
    EXPECT_TRUE(Frame(100));
    EXPECT_NEAR(frameDelta, 0.1f, 1e-6);
    EXPECT_NEAR(keyDelayTimer, 0.38f, 1e-6);
    gameState = HighScoreTable;
    Frame(380);
    EXPECT_LT(keyDelayTimer, 0.0f + 1e-6f);
}

TEST_F(GameLoopTest, FramesPerSecondIsCountedOverEachSecond)
{
    gameState = 99;
    for (int i = 0; i < 3; ++i) {
        Frame(250);
    }
    EXPECT_EQ(framesPerSecond, 0);
    Frame(250);
    EXPECT_EQ(framesPerSecond, 4);
    EXPECT_EQ(frameCounter, 0);
    for (int i = 0; i < 110; ++i) {
        Frame(10);
    }
    EXPECT_NEAR(framesPerSecond, 100, 1);
}

TEST_F(GameLoopTest, F1TogglesTheConsoleOnlyWhenAllowedAndAtMostEveryHalfSecond)
{
    StartPlaying();
    ConsoleExecute(console, "set h_konzol 0");
    Frame(10, {kF1});
    EXPECT_EQ(console.open, 0);

    ConsoleExecute(console, "set h_konzol 1");
    Frame(10, {kF1});
    EXPECT_EQ(console.open, 1);
    EXPECT_EQ(pauseFlag, 1);
    EXPECT_FLOAT_EQ(keyDelayTimer, 0.5f);

    for (int i = 0; i < 49; ++i) {   // held for 0.49 s more: no second toggle yet
        Frame(10, {kF1});
    }
    EXPECT_EQ(console.open, 1);
    Frame(20, {kF1});
    EXPECT_EQ(console.open, 0);
    EXPECT_EQ(pauseFlag, 0);

    // The console can be opened only while playing.
    gameState = MainMenu;
    keyDelayTimer = -1.0f;
    Frame(10, {kF1});
    EXPECT_EQ(console.open, 0);
}

TEST_F(GameLoopTest, OpenConsoleTakesTheKeysFromTheBindings)
{
    StartPlaying();
    ConsoleExecute(console, "bill a 'set bound 1'");
    console.open = 1;
    pauseFlag = 1;
    Frame(10, {kA});
    EXPECT_STREQ(console.input, "a");
    EXPECT_EQ(VarGetInt("bound"), 0);

    console.open = 0;
    pauseFlag = 0;
    Frame(10, {kA});
    EXPECT_EQ(VarGetInt("bound"), 1);
    EXPECT_STREQ(console.input, "a");

    // Bindings run while the run is paused too, but not in the menu.
    ConsoleExecute(console, "set bound");
    pauseFlag = 1;
    Frame(10, {kA});
    EXPECT_EQ(VarGetInt("bound"), 1);
    ConsoleExecute(console, "set bound");
    gameState = MainMenu;
    Frame(10, {kA});
    EXPECT_EQ(VarGetInt("bound"), 0);
}

TEST_F(GameLoopTest, EscapeLeavesARunningRunForTheMenu)
{
    StartPlaying();
    Frame(30);
    Frame(30);
    EXPECT_NEAR(camera.prevScrollPos, 0.09f, 1e-5);
    EXPECT_NEAR(camera.scrollPos, 0.18f, 1e-5);
    Frame(30, {kEscape});
    EXPECT_EQ(gameState, MainMenu);
    EXPECT_EQ(pauseFlag, 1);
    EXPECT_FLOAT_EQ(keyDelayTimer, 0.5f);
    // The menu pose sets the scroll to 0 and keeps the previous position, for "Resume".
    EXPECT_FLOAT_EQ(camera.scrollPos, 0.0f);
    EXPECT_NEAR(camera.prevScrollPos, 0.09f, 1e-5);
    EXPECT_FLOAT_EQ(camera.viewPitch, 0.0f);

    // Paused, or over: ESCAPE does nothing and nothing advances.
    StartPlaying();
    pauseFlag = 1;
    float clock = runSeconds;
    Frame(100, {kEscape});
    EXPECT_EQ(gameState, Playing);
    EXPECT_FLOAT_EQ(runSeconds, clock);
    pauseFlag = 0;
    runStats.gameOver = 1;
    Frame(100, {kEscape});
    EXPECT_EQ(gameState, Playing);
    EXPECT_FLOAT_EQ(camera.scrollPos, 0.0f);
}

TEST_F(GameLoopTest, OnTheGameOverScreenEnterGoesToTheOpenConsoleAlone)
{
    StartPlaying();
    runStats.gameOver = 1;
    ConsoleExecute(console, "set h_konzol 1");
    Frame(10, {kF1});
    ASSERT_EQ(console.open, 1);
    std::strcpy(console.input, "set typed 7");
    console.inputLength = static_cast<int>(std::strlen(console.input));
    keyDelayTimer = -1.0f;
    Frame(10, {kEnter});
    EXPECT_EQ(VarGetInt("typed"), 7) << "the console ran its line";
    EXPECT_EQ(gameState, Playing) << "and the game-over screen stays";
    EXPECT_EQ(console.open, 1);

    // Closed again, ENTER leaves the screen as always.
    keyDelayTimer = -1.0f;
    Frame(10, {kF1});
    ASSERT_EQ(console.open, 0);
    keyDelayTimer = -1.0f;
    Frame(10, {kEnter});
    EXPECT_NE(gameState, Playing);
}

TEST_F(GameLoopTest, RunClockRollsOverToTheHour)
{
    StartPlaying();
    runMinutes = 59.0f;
    runSeconds = 59.5f;
    Frame(600);
    EXPECT_FLOAT_EQ(runHours, 1.0f);
    EXPECT_FLOAT_EQ(runMinutes, 0.0f);
    EXPECT_NEAR(runSeconds, 0.1f, 1e-4);
}

TEST_F(GameLoopTest, EnemyLevelsRiseAfterFiveMinutesOfUnpausedPlay)
{
    Aircraft first{}, second{};
    first.level = 2;
    enemySlots[0] = &first;
    enemySlots[7] = &second;
    StartPlaying();
    difficultyTimer = 299.95f;
    pauseFlag = 1;
    Frame(1000);
    EXPECT_EQ(first.level, 2);
    pauseFlag = 0;
    Frame(30);
    EXPECT_EQ(first.level, 2);
    Frame(30);
    EXPECT_EQ(first.level, 3);
    EXPECT_EQ(second.level, 1);
    EXPECT_FLOAT_EQ(difficultyTimer, 0.0f);
}

TEST_F(GameLoopTest, FogPulsesBetweenOneAndFive)
{
    // 30 ms frames: one step each, 0.0009 of fog factor per frame.
    StartPlaying();
    fogSettings.fogFactor = 4.9995f;
    fogSettings.fogRising = 1;
    Frame(30);
    EXPECT_NEAR(fogSettings.fogFactor, 5.0004f, 1e-5);
    EXPECT_EQ(fogSettings.fogRising, 1);
    Frame(30);
    EXPECT_NEAR(fogSettings.fogFactor, 4.9995f, 1e-5);
    EXPECT_EQ(fogSettings.fogRising, 0);

    fogSettings.fogFactor = 1.0f;
    Frame(30);
    EXPECT_FLOAT_EQ(fogSettings.fogFactor, 1.0f);   // the turn itself does not move the factor
    EXPECT_EQ(fogSettings.fogRising, 1);
    Frame(30);
    EXPECT_NEAR(fogSettings.fogFactor, 1.0009f, 1e-5);

    // A long frame is several steps: the factor turns inside it instead of overshooting five.
    fogSettings.fogFactor = 4.99f;
    fogSettings.fogRising = 1;
    Frame(1000);
    EXPECT_LT(fogSettings.fogFactor, 5.0f);
    EXPECT_GT(fogSettings.fogFactor, 4.95f);
}

// Ten seconds of held fire at a steady enemy straight ahead, in frames of `ms`: rounds fired and hits.
struct FireResult {
    int shots;
    int hits;
};

static FireResult HoldFire(DWORD ms)
{
    RandomSeed(7);
    runStats = RunStats{};
    *player = Aircraft{};
    player->side = kSidePlayer;
    player->rounds = 100000;
    player->gunInterval = player->gunTimer = 0.08f;
    camera = Camera{};
    camera.scrollPos = camera.prevScrollPos = 0.0f;
    // Beyond the range where enemies manoeuvre, keeping its distance with the scroll, never dying.
    Aircraft target{};
    target.side = kSideEnemy;
    target.alive = 1;
    target.health = 1e9f;
    target.relSpeed = -worldSpeed;
    target.posY = 22.0f;
    enemySlots[0] = &target;
    gameState = Playing;
    pauseFlag = 0;
    keyDelayTimer = -1.0f;
    for (DWORD t = 0; t < 10000; t += ms) {
        std::array<std::uint8_t, 256> state{};
        state[57] = 0x80;   // SPACE
        DInputSetScriptedKeys(state.data());
        ClockAdvance(ms);
        GameFrame();
    }
    enemySlots[0] = nullptr;
    ProjectilesFree();
    return {static_cast<int>(runStats.shotCount), static_cast<int>(runStats.hitCount)};
}

TEST_F(GameLoopTest, LongFramesFireAndHitAsShortOnes)
{
    ConsoleExecute(console, "bill SPACE fire");
    Frame(16);
    const FireResult fast = HoldFire(16);
    const FireResult slow = HoldFire(80);
    ASSERT_GT(fast.shots, 90);
    ASSERT_GT(fast.hits, fast.shots / 2);
    std::printf("held fire for 10 s: 16 ms frames %d rounds %d hits, 80 ms frames %d rounds %d hits\n", fast.shots,
                fast.hits, slow.shots, slow.hits);
    EXPECT_NEAR(slow.shots, fast.shots, fast.shots / 10) << "16 ms: " << fast.shots << ", 80 ms: " << slow.shots;
    EXPECT_NEAR(slow.hits, fast.hits, fast.hits / 10) << "16 ms: " << fast.hits << ", 80 ms: " << slow.hits;
    // A frame of a thirtieth of a second or less stays one step: the gun fires at most once in it.
    const FireResult thirty = HoldFire(33);
    EXPECT_EQ(thirty.shots, 10000 / 33 / 3 + 1);
}

TEST_F(GameLoopTest, LeavingTheWindowPausesARunWhenAsked)
{
    StartPlaying();
    SendMessageA(gameWindow, WM_KILLFOCUS, 0, 0);
    EXPECT_EQ(pauseFlag, 0) << "off unless h_fokusz_szunet is set";
    ConsoleExecute(console, "set h_fokusz_szunet 1");
    SendMessageA(gameWindow, WM_KILLFOCUS, 0, 0);
    EXPECT_EQ(pauseFlag, 1);
    Frame(30);
    EXPECT_FLOAT_EQ(runSeconds, 0.0f);
    // p resumes; minimising pauses again; another size change does not.
    ConsoleExecute(console, "bill p pause");
    Frame(30, {25});
    EXPECT_EQ(pauseFlag, 0);
    SendMessageA(gameWindow, WM_SIZE, 0, MAKELPARAM(64, 48));
    EXPECT_EQ(pauseFlag, 0);
    SendMessageA(gameWindow, WM_SIZE, SIZE_MINIMIZED, 0);
    EXPECT_EQ(pauseFlag, 1);
    // Only during a run: the menu keeps its own pause state.
    pauseFlag = 0;
    gameState = MainMenu;
    SendMessageA(gameWindow, WM_KILLFOCUS, 0, 0);
    EXPECT_EQ(pauseFlag, 0);
}

TEST_F(GameLoopTest, WindowCloseEndsTheLoopThroughQuit)
{
    ASSERT_EQ(SendMessageA(gameWindow, WM_CLOSE, 0, 0), 0);
    MSG message{};
    bool quit = false;
    for (int i = 0; i < 10 && !quit; ++i) {
        if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            quit = message.message == WM_QUIT;
            DispatchMessageA(&message);
        }
    }
    EXPECT_TRUE(quit);
    gameWindow = nullptr;
}
