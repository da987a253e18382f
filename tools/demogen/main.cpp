// demogen GAMEDIR OUT: makes the attract mode's demo run. The whole game plays in this process, in
// GAMEDIR (the generated data.vrk and exec.vrs), headless on virtual time with frames of
// kFrameMs: a new run started from the seed kDemoSeed, the gun held, flown by the little pilot toward
// the nearest building and bombed; the run ends kAfterKillFrames after the first building fell.
// OUT gets the frames of the run as an input script ("seed N", then "COUNT MS KEY ..." lines); the
// same generator gives the same script on every build. Fails when no building fell.
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/game.h"
#include "app/run_script.h"
#include "console/console.h"
#include "core/frame.h"
#include "core/random.h"
#include "game/aircraft.h"
#include "game/run_stats.h"
#include "pilot.h"
#include "platform/dinput/dinput.h"
#include "platform/win/clock.h"
#include "platform/win/files.h"
#include "platform/win/window.h"

namespace {

constexpr unsigned kDemoSeed = 4;
constexpr unsigned kFrameMs = 16;
constexpr int kStartFrame = 5;           // the menu's frame whose ENTER starts the run
constexpr int kAfterKillFrames = 200;    // about 3 s of the explosion and flying on
constexpr int kMaxRunFrames = 40 * 60;   // 38 s of play at most

struct Frames {
    unsigned count;
    std::vector<int> keys;
};

std::array<std::uint8_t, 256> keys{};
std::vector<Frames> recorded;
int frame = 0;
int killFrame = -1;
int runFrames = 0;
float lastX = 0.0f;
bool failed = false;

void Record()
{
    std::vector<int> down;
    for (int code = 0; code < 256; ++code) {
        if (keys[code] != 0) {
            down.push_back(code);
        }
    }
    if (!recorded.empty() && recorded.back().keys == down) {
        ++recorded.back().count;
    } else {
        recorded.push_back({1, down});
    }
}

bool BeforeFrame()
{
    ++frame;
    keys.fill(0);
    ClockAdvance(kFrameMs);
    bool goOn = true;
    if (frame == kStartFrame) {
        // The demo's run starts from its own seed, as the attract mode starts it.
        RandomSeed(kDemoSeed);
        keys[DIK_RETURN] = 0x80;
    } else if (frame > kStartFrame) {
        if (gameState != Playing || runStats.gameOver != 0) {
            failed = killFrame < 0;
            return false;
        }
        keys[DIK_SPACE] = 0x80;
        if (killFrame < 0) {
            pilot::Steer(keys, lastX);
            if (runStats.buildingKills > 0) {
                killFrame = runFrames;
            }
        }
        Record();
        ++runFrames;
        goOn = (killFrame < 0 || runFrames < killFrame + kAfterKillFrames) && runFrames < kMaxRunFrames;
        failed = !goOn && killFrame < 0;
    }
    if (player != nullptr) {
        lastX = player->posX;
    }
    DInputSetScriptedKeys(keys.data());
    return goOn;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: demogen GAMEDIR OUT\n");
        return 2;
    }
    const std::string out = std::filesystem::absolute(argv[2]).string();
    if (::chdir(argv[1]) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    // A small window: nothing is shown, and the frames are drawn quicker.
    std::string script;
    FileProblem problem = FileProblem::None;
    if (!ReadRegularFile("exec.vrs", 1 << 20, script, problem) ||
        !WriteFileReplacing("exec.vrs", script + "\nset g_hosszusag 320\nset g_magassag 240\n")) {
        std::fprintf(stderr, "demogen: no exec.vrs to start from in %s\n", argv[1]);
        return 1;
    }
    PlatformSetHeadless(true);
    ConsoleSetEcho(false);
    ClockUseVirtualTime(0);
    GameSetSeed(true, kDemoSeed);
    const FrameDriver driver{BeforeFrame, nullptr};
    const int status = GameMain(&driver);
    if (status != 0 || failed || killFrame < 0) {
        std::fprintf(stderr, "demogen: no building fell in %d frames of the demo run\n", runFrames);
        return 1;
    }

    std::string text =
        "# The attract mode's demo run, made by demogen: a new run from the seed below, then its\n"
        "# frames (COUNT MS KEY ...).\nseed " +
        std::to_string(kDemoSeed) + "\n";
    for (const Frames& frames : recorded) {
        text += std::to_string(frames.count) + " " + std::to_string(kFrameMs);
        for (int code : frames.keys) {
            text += " " + RunKeyName(code);
        }
        text += "\n";
    }
    if (!WriteFileReplacing(out, text)) {
        std::perror(out.c_str());
        return 1;
    }
    std::printf("demogen: %d frames, a building fell at frame %d\n", runFrames, killFrame);
    return 0;
}
