// Program entry: the options, then the game.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#if defined(__EMSCRIPTEN__)
#include <emscripten.h>
#endif

#include "app/game.h"
#include "app/game_folder.h"
#include "app/run_script.h"
#include "platform/win/window.h"

namespace {

constexpr const char* kUsage =
    "usage: aviorra [--headless] [--input FILE] [--record FILE] [--audio FILE.wav] [--game-dir DIR] [--help]\n"
    "              [--version]\n"
    "  --headless      no visible window and no sound device; screenshots still work\n"
    "  --input FILE    run the frames of an input script on virtual time, then quit\n"
    "  --record FILE   write what the player did as an input script\n"
    "  --audio FILE    write the sound of the run as a 16-bit stereo WAV when the program ends\n"
    "  --game-dir DIR  the game folder (exec.vrs, archives, main.cfg, top.dat, avr.sav); without it,\n"
    "                  the working directory when it holds game files (*.vrk or exec.vrs), else\n"
    "                  $XDG_DATA_HOME/aviorra (~/.local/share/aviorra) with the installed content behind\n"
    "  --help          this text\n"
    "  --version       the version\n";

#if defined(__EMSCRIPTEN__)
// The page hears the end of the program and its status through Module.onGameEnd.
int BrowserEnd(int status)
{
    EM_ASM(
        {
            if (Module['onGameEnd']) {
                Module['onGameEnd']($0);
            }
        },
        status);
    return status;
}
#endif

// The status of a program that ends before its game starts (the page hears it too).
int EndEarly(int status)
{
#if defined(__EMSCRIPTEN__)
    return BrowserEnd(status);
#else
    return status;
#endif
}

int UsageError(const std::string& message)
{
    std::fprintf(stderr, "aviorra: %s\n%s", message.c_str(), kUsage);
    return EndEarly(2);
}

// What the run keeps from the options to its end: in the browser main() returns before the first
// frame, so none of it may live on main's stack.
RunScript script;
FrameDriver scriptDriver{};
FrameDriver recordDriver{};
std::string recordPath;
std::string audioPath;

// After the exit sequence: the recording, the shots and the sound of the run decide the status too.
int FinishRun(int status)
{
    if (!recordPath.empty() && !RunRecordWrite(recordPath) && status == 0) {
        status = 1;
    }
    if (RunScriptShotFailed() && status == 0) {
        status = 1;
    }
    if (!audioPath.empty() && !RunAudioWrite(audioPath) && status == 0) {
        status = 1;
    }
    return status;
}

#if defined(__EMSCRIPTEN__)
// The page's animation frames drive the loop: one turn each, then the exit sequence after the last.
void BrowserFrame()
{
    if (!GameLoopTurn()) {
        emscripten_cancel_main_loop();
        BrowserEnd(FinishRun(GameEnd()));
    }
}
#endif

}  // namespace

int main(int argc, char** argv)
{
    bool headless = false;
    std::string inputPath;
    std::string gameDir;
    for (int i = 1; i < argc; ++i) {
        std::string option = argv[i];
        if (option == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (option == "--version") {
            std::puts("AVIORRA 1.02");
            return 0;
        }
        if (option == "--headless") {
            headless = true;
        } else if (option == "--game-dir") {
            if (i + 1 >= argc || argv[i + 1][0] == '\0') {
                return UsageError(option + " needs a folder name");
            }
            gameDir = argv[++i];
        } else if (option == "--input" || option == "--record" || option == "--audio") {
            if (i + 1 >= argc) {
                return UsageError(option + " needs a file name");
            }
            (option == "--input" ? inputPath : option == "--record" ? recordPath : audioPath) = argv[++i];
        } else {
            return UsageError("unknown option '" + option + "'");
        }
    }

    const FrameDriver* activeDriver = nullptr;
    if (!inputPath.empty()) {
        std::string error;
        if (!RunScriptLoad(inputPath, script, error)) {
            return UsageError(error);
        }
        scriptDriver = RunScriptStart(script);
        activeDriver = &scriptDriver;
    }
    if (!recordPath.empty()) {
        std::string error;
        if (!RunRecordCheckTarget(recordPath, error)) {
            return UsageError(error);
        }
        recordDriver = RunRecordStart(activeDriver);
        activeDriver = &recordDriver;
    }

    if (!audioPath.empty()) {
        std::string error;
        if (!RunAudioCheckTarget(audioPath, error)) {
            return UsageError(error);
        }
    }
    // The game runs in its game folder; files named on the command line stay where they were named.
    const std::string startFolder = GameFolderWorkingDirectory();
    std::string folderError;
    if (!GameFolderEnter(gameDir, GameFolderInstalledContent(), folderError)) {
        std::fprintf(stderr, "aviorra: %s\n", folderError.c_str());
        return EndEarly(1);
    }
    // Without exec.vrs and an archive there is nothing to start: say where the game is instead of
    // letting start-up blame an exec.vrs that was never there.
    if (!GameFolderHoldsGameFiles(".")) {
        std::fprintf(
            stderr,
            "aviorra: no game files in %s (no exec.vrs, no .vrk archive).\n"
            "  Run `make play` in the source folder, or name the game folder: build/aviorra --game-dir build/game\n",
            GameFolderWorkingDirectory().c_str());
        return EndEarly(1);
    }
    if (GameFolderWorkingDirectory() != startFolder) {
        recordPath = GameFolderOutsidePath(recordPath, startFolder);
        audioPath = GameFolderOutsidePath(audioPath, startFolder);
        for (RunInstruction& instruction : script.instructions) {
            instruction.path = GameFolderOutsidePath(instruction.path, startFolder);
        }
    }

    PlatformSetHeadless(headless);
    if (!audioPath.empty()) {
        RunAudioStart();
    }
#if defined(__EMSCRIPTEN__)
    if (GameBegin(activeDriver)) {
        // Returns at once; the browser calls BrowserFrame before each of its repaints.
        emscripten_set_main_loop(BrowserFrame, 0, 1);
        return 0;
    }
    return BrowserEnd(FinishRun(GameEnd()));
#else
    return FinishRun(GameMain(activeDriver));
#endif
}
