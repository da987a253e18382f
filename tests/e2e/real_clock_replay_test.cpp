// A run recorded on the real clock replays exactly: the whole game in this process, played by a
// little pilot that bombs the buildings ahead of it while the frames take whatever time they take,
// then the recording replayed on virtual time. Both runs save with F5 at the end; the saves must be
// the same bytes.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <thread>

#include "../../tools/demogen/pilot.h"
#include "../support/game_folder.h"
#include "app/game.h"
#include "app/program.h"
#include "app/run_script.h"
#include "console/console.h"
#include "core/frame.h"
#include "game/aircraft.h"
#include "game/run_stats.h"
#include "game/world.h"
#include "platform/dinput/dinput.h"
#include "platform/win/clock.h"
#include "platform/win/window.h"
#include "resources/mesh.h"

namespace {

constexpr int kF5 = 0x3F;

std::array<std::uint8_t, 256> pilotKeys{};
int pilotFrame = 0;
int savedAtFrame = -1;
float playedSeconds = 0.0f;
float lastX = 0.0f;

void Press(int code)
{
    pilotKeys[code] = 0x80;
}

// Starts a game, flies toward the nearest building and bombs it, out of the way of enemies at its
// height; once a building's explosion has been paid, saves and ends. Each frame also takes a
// varying bit of real time.
bool PilotBeforeFrame()
{
    ++pilotFrame;
    pilotKeys.fill(0);
    std::this_thread::sleep_for(std::chrono::microseconds(1000 + 700 * (pilotFrame % 7)));
    if (pilotFrame == 5) {
        Press(DIK_RETURN);
    } else if (gameState == Playing && player != nullptr) {
        playedSeconds += frameDelta;
        if (savedAtFrame < 0 && (runStats.buildingKills > 0 || playedSeconds > 80.0f)) {
            savedAtFrame = pilotFrame;
            Press(kF5);
        } else if (savedAtFrame < 0) {
            pilot::Steer(pilotKeys, lastX);
            pilot::Dodge(pilotKeys);
        }
    }
    if (player != nullptr) {
        lastX = player->posX;
    }
    DInputSetScriptedKeys(pilotKeys.data());
    return savedAtFrame < 0 || pilotFrame < savedAtFrame + 3;
}

class RealClockReplayTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!folder_.CopyDefaultContent()) {
            GTEST_SKIP() << "no default content beside " << AVIORRA_BINARY;
        }
        folder_.Write("exec.vrs", folder_.Read("exec.vrs") + "set g_hosszusag 320\nset g_magassag 240\n");
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(folder_.Root());
        PlatformSetHeadless(true);
        ConsoleSetEcho(false);
    }

    void TearDown() override
    {
        DInputSetScriptedKeys(nullptr);
        ClockUseRealTime();
        ConsoleSetEcho(true);
        if (!previous_.empty()) {
            std::filesystem::current_path(previous_);
        }
    }

    GameFolder folder_{"real-clock"};
    std::filesystem::path previous_;
};

}  // namespace

TEST_F(RealClockReplayTest, ARunRecordedOnTheRealClockReplaysToTheSameSave)
{
    // Some real time has passed since the program started, as in a live run after its start-up.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ClockUseRealTime();
    // A world the pilot is known to bomb into (the frames' times still vary as they come); without a
    // seed each run would fly another world, and now and then one where no building falls in time.
    GameSetSeed(true, 4);
    const FrameDriver pilot{PilotBeforeFrame, nullptr};
    const FrameDriver recorder = RunRecordStart(&pilot);
    ASSERT_EQ(GameMain(&recorder), 0);
    GameSetSeed(false, 0);
    ASSERT_TRUE(RunRecordWrite("recorded.txt"));
    const std::string live = folder_.Read("avr.sav");
    ASSERT_EQ(live.size(), 721u);
    ASSERT_GE(LittleInt(live, 24), 1) << "no building fell in " << playedSeconds << " s of play (" << pilotFrame
                                      << " frames; run over: " << int(live[40]) << ", health " << LittleFloat(live, 68)
                                      << ")";

    std::filesystem::remove(folder_.Root() / "avr.sav");
    ProgramReset();
    RunScript script;
    std::string error;
    ASSERT_TRUE(RunScriptLoad("recorded.txt", script, error)) << error;
    const FrameDriver replay = RunScriptStart(script);
    ASSERT_EQ(GameMain(&replay), 0);
    EXPECT_EQ(folder_.Read("avr.sav"), live) << "the replay of " << pilotFrame << " frames went elsewhere";
}
