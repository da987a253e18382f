// The whole main loop in this process: the window manager's close request and the end signals end it
// through the exit sequence, in a window and in full screen.
#include <SDL.h>
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

#include "../support/scratch_folder.h"
#include "app/game.h"
#include "console/console.h"
#include "console/variables.h"
#include "platform/dinput/dinput.h"
#include "platform/win/clock.h"
#include "platform/win/window.h"

namespace {

int framesRun = 0;
int closeAtFrame = 0;
bool bySignal = false;

// Runs frames of 10 ms; at the chosen frame the window manager asks the window to close (or an
// interrupt arrives). The run would otherwise go on for 200 frames.
bool BeforeFrame()
{
    ++framesRun;
    ClockAdvance(10);
    if (framesRun == closeAtFrame) {
        if (bySignal) {
            std::raise(SIGINT);
        } else {
            SDL_Event e{};
            e.type = SDL_WINDOWEVENT;
            e.window.event = SDL_WINDOWEVENT_CLOSE;
            e.window.windowID = SDL_GetWindowID(gameWindow);
            SDL_PushEvent(&e);
        }
    }
    return framesRun < 200;
}

class MainLoopTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override
    {
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(folder_.Root());
        PlatformSetHeadless(true);
        ClockUseVirtualTime(0);
        ConsoleSetEcho(false);
        framesRun = 0;
        closeAtFrame = 5;
    }

    void TearDown() override
    {
        ClockUseRealTime();
        ConsoleSetEcho(true);
        DInputSetScriptedKeys(nullptr);
        std::filesystem::current_path(previous_);
    }

    ScratchFolder folder_{"main-loop"};
    std::filesystem::path previous_;
};

}  // namespace

TEST_P(MainLoopTest, CloseRequestAndInterruptEndTheLoopThroughTheExitSequence)
{
    const bool windowed = GetParam();
    folder_.Write("exec.vrs", std::string("set g_hosszusag 320\nset g_magassag 240\nset g_szinmelyseg 32\n") +
                                  "set g_ablakos " + (windowed ? "1" : "0") + "\n");
    const FrameDriver driver{BeforeFrame, nullptr};
    for (bool signal : {false, true}) {
        SCOPED_TRACE(signal ? "interrupt" : "close request");
        bySignal = signal;
        framesRun = 0;
        EXPECT_EQ(GameMain(&driver), 0);
        EXPECT_LE(framesRun, closeAtFrame + 1) << "the loop ended at the request, not when the frames ran out";
        EXPECT_EQ(gameWindow, nullptr);
    }
}

INSTANTIATE_TEST_SUITE_P(WindowedAndFullScreen, MainLoopTest, ::testing::Bool());
