// The frame loop and the program's life, in this order:
//   1. Frame helpers: the end signals, the frame clock (tick counts to frameDelta), the console
//      toggle, leaving a run for the menu, and the playing frame (input, console or bindings, the
//      simulation's advance, the game-over screen, the scene).
//   2. The seed of a run, the window procedure (focus pause) and the window.
//   3. GameInit (start-up in its fixed order), GameFrame (clock, fps, input, dispatch on the game
//      state), GameShutdown, and GameMain (the message loop with the frame driver's hooks).
#include "app/game.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "app/attract.h"
#include "app/commands.h"
#include "app/graphics.h"
#include "app/input.h"
#include "app/run_script.h"
#include "console/bindings.h"
#include "console/console.h"
#include "console/line_editor.h"
#include "console/script.h"
#include "console/variables.h"
#include "core/frame.h"
#include "core/random.h"
#include "frontend/frontend.h"
#include "game/aircraft.h"
#include "game/attract.h"
#include "game/camera.h"
#include "game/feedback.h"
#include "game/pause.h"
#include "game/run_stats.h"
#include "game/simulation.h"
#include "game/world.h"
#include "platform/bass/bass.h"
#include "platform/win/clock.h"
#include "platform/win/files.h"
#include "platform/win/window.h"
#include "render/render.h"
#include "resources/mesh.h"
#include "resources/resources.h"
#include "resources/sound.h"

namespace {

constexpr const char* kClassName = "AVIORRA";
// With a sizing border: a window manager's full-screen request, or the player's resize, gives the
// window another size, and the device scales the frame into it, letterboxed (a fixed-size window
// would stay a small picture in the corner of the full screen). In the browser the canvas keeps the
// frame's size and the page scales it.
#if defined(__EMSCRIPTEN__)
constexpr DWORD kWindowStyle = 8;
#else
constexpr DWORD kWindowStyle = 8 | WS_THICKFRAME;
#endif
constexpr int kKeyEscape = 0x01;
constexpr int kKeyF1 = 0x3B;

// Set by SIGINT and SIGTERM while GameMain runs; the main loop turns it into the close request.
volatile std::sig_atomic_t closeRequested = 0;

void OnEndSignal(int)
{
    closeRequested = 1;
}

bool useFixedSeed = false;
unsigned fixedSeed = 0;
unsigned seedUsed = 0;

// Reads the tick clock for a frame: the count is kept for recorders, the seconds for the game.
float ReadFrameClock()
{
    frameClockTicks = GetTickCount();
    frameClockSlept = ClockSleptTotal();
    return static_cast<float>(frameClockTicks * 0.001);
}

// The milliseconds of this frame: the frame time, and the equal steps of a long frame, come from them.
DWORD frameMilliseconds = 0;

// The seconds since the previous clock read, from the difference of the tick counts: the same
// milliseconds give the same frame time wherever the clock stands, so a recording (which keeps each
// frame's milliseconds) replays with the very frame times of the live run. The difference of the two
// float readings would round differently at each clock offset (a live run's clock includes its
// start-up, a replay's starts at 0), and the runs would part after a few seconds.
float FrameSecondsSincePrevious()
{
    frameMilliseconds = frameClockTicks - previousTicks;
    previousTicks = frameClockTicks;
    return static_cast<float>(frameMilliseconds * 0.001);
}

bool KeyDown(int code)
{
    return (inputState.keyState[code] & 0x80) != 0;
}

bool Fail(const char* reason)
{
    startupFailure = reason;
    return false;
}

void ConsoleToggle()
{
    if (console.open != 0) {
        console.open = 0;
        RunResume();
    } else {
        console.open = 1;
        RunPause();
    }
    SoundPlay(kClickSound, false);
    keyDelayTimer = 0.5f;
}

void LeaveRunForMenu()
{
    gameState = MainMenu;
    RunPause();
    CameraSetMenu();
    MenuSelectResume();
    SoundPlay(kClickSound, false);
    keyDelayTimer = 0.5f;
}

bool PlayingFrame()
{
    if (console.open != 0) {
        if (InputTextActive()) {
            ConsoleLineEditorText(console, inputState.keyState, inputText);
        } else {
            ConsoleLineEditor(console, inputState.keyState);
        }
    } else {
        BindingsRunHeld(inputState.keyState);
    }

    if (keyDelayTimer < 0.0f && KeyDown(kKeyF1) && VarGetInt("h_konzol") != 0) {
        ConsoleToggle();
    }

    if (pauseFlag != 0 || runStats.gameOver != 0) {
        // An open console owns the keys: its ENTER runs the line and does not also leave the
        // game-over screen.
        if (runStats.gameOver != 0 && console.open == 0) {
            GameOverContinue();
        }
    } else {
        // The keys were read once for the frame; the simulation takes the time and the flight
        // controls, the rest of the frame (input, drawing, the frame loop's timers) the whole frame.
        const SimulationOutcome outcome = SimulationAdvance(frameMilliseconds, playerControls, KeyDown(kKeyEscape));
        InputRumbleFor(FeedbackTake());
        if (outcome == SimulationOutcome::LeftForMenu) {
            LeaveRunForMenu();
            return true;
        }
        if (outcome == SimulationOutcome::RunOver) {
            GameOverContinue();
        }
    }
    return SUCCEEDED(SceneRender());
}

}  // namespace

std::string startupFailure;
DWORD frameClockTicks = 0;
DWORD frameClockSlept = 0;

void GameSetSeed(bool useSeed, unsigned seed)
{
    useFixedSeed = useSeed;
    fixedSeed = seed;
}

unsigned GameSeedUsed()
{
    return seedUsed;
}

LRESULT GameWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    // With h_fokusz_szunet set, a run pauses as the pause command pauses it when the player turns
    // to another window or minimises this one; the pause command resumes it.
    const bool leftAlone = message == WM_KILLFOCUS || (message == WM_SIZE && wparam == SIZE_MINIMIZED);
    if (leftAlone && VarGetInt("h_fokusz_szunet") != 0 && gameState == Playing && !attractPlaying && pauseFlag == 0 &&
        console.open == 0 && runStats.gameOver == 0) {
        RunPause();
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

const char* GameWindowCreate()
{
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = kWndClassExSize32;
    windowClass.style = CS_CLASSDC;
    windowClass.lpfnWndProc = GameWindowProc;
    windowClass.hInstance = gameInstance;
    windowClass.lpszClassName = kClassName;
    if (RegisterClassExA(&windowClass) == 0) {
        return "the window class could not be registered";
    }
    gameWindow = CreateWindowExA(0, kClassName, kClassName, kWindowStyle, 10, 10, windowWidth, windowHeight, nullptr,
                                 nullptr, gameInstance, nullptr);
    if (gameWindow == nullptr) {
        return "the game window could not be created";
    }
    return nullptr;
}

bool GameInit()
{
    startupFailure.clear();
    // Without a display the window would exist for nobody and the game would run unseen until killed.
    if (const char* problem = PlatformDisplayProblem()) {
        return Fail(problem);
    }
    ConsoleInit(console);
    ConsoleSetCommands(commandTable);
    ConsoleExecute(console, "set g_ablakos 1");
    ConsoleExecute(console, "set h_konzol 0");
    ConsoleExecute(console, "set h_fps 0");
    ConsoleExecute(console, "set j_jatekstatus 1");

    BASS_Init(1, 44100, 0, nullptr, nullptr);
    BASS_SetVolume(100);
    ResourceScanArchives();
    ScriptExecute("exec.vrs");

    windowWidth = VarGetInt("g_hosszusag");
    windowHeight = VarGetInt("g_magassag");
    if (windowWidth <= 0 || windowHeight <= 0) {
        return Fail("no window size: g_hosszusag and g_magassag must be set to positive values (exec.vrs)");
    }

    if (const char* failure = GameWindowCreate()) {
        return Fail(failure);
    }

    currentTime = previousTime = ReadFrameClock();
    previousTicks = frameClockTicks;
    frameDelta = 0.0f;

    seedUsed = useFixedSeed ? fixedSeed : static_cast<unsigned>(ClockCalendarTime());
    RandomSeed(seedUsed);
    // From here the run's calendar is its seed plus the tick clock's seconds, on either clock: the
    // reseeds of a run (a destroyed building) then follow from what a recording keeps (the seed and
    // the frame times), and a replay draws the same numbers as the live run did.
    ClockPinCalendar(static_cast<std::time_t>(seedUsed));

    InputCreate(gameInstance, gameWindow);
    InputCreateKeyboard();
    InputCreateMouse();

    if (VarGetInt("g_ablakos") == 0) {
        ShowCursor(FALSE);
    }
    if (FAILED(GraphicsCreate())) {
        return Fail("the graphics device or its fonts could not be created");
    }
    ShowWindow(gameWindow, SW_SHOWDEFAULT);
    UpdateWindow(gameWindow);
    if (!IntroScreenShow()) {
        return Fail("the intro picture could not be shown");
    }
    MaterialsAndLightsInit();
    if (FAILED(MeshListLoadAll())) {
        return Fail("the meshes could not be loaded");
    }
    if (FAILED(TexturesLoad())) {
        return Fail("the textures could not be loaded");
    }
    if (FAILED(StaticGeometryCreate())) {
        return Fail("the static geometry could not be created");
    }
    BASS_SetVolume(static_cast<DWORD>(VarGetInt("h_hangero")));

    for (Aircraft*& enemy : enemySlots) {
        enemy = nullptr;
    }
    for (int i = 0; i < kMenuItemCount; ++i) {
        MenuItemInit(i);
    }
    gameState = MainMenu;
    CameraSetMenu();
    HighScoresRead();
    return true;
}

bool GameFrame()
{
    currentTime = ReadFrameClock();
    ++frameSerial;
    ++frameCounter;
    frameDelta = FrameSecondsSincePrevious();
    previousTime = currentTime;

    keyDelayTimer -= frameDelta;

    fpsAccumulator += frameDelta;
    if (fpsAccumulator >= 1.0f) {
        framesPerSecond = frameCounter;
        frameCounter = 0;
        fpsAccumulator = 0.0f;
    }

    InputPadMapFromVariables();
    InputPoll();
    // Typed text from the desktop's layout, unless a recording must replay through the key tables.
    InputTextPoll(VarGetInt("h_szoveg_bevitel") != 0 && !RunRecordActive());

    switch (gameState) {
    case MainMenu:
        if (AttractMenuFrame(frameMilliseconds)) {
            return SUCCEEDED(SceneRender());
        }
        if (SUCCEEDED(FrontEndRender())) {
            for (int i = 0; i < kMenuItemCount; ++i) {
                if (MenuItemUpdate(i)) {
                    break;
                }
            }
            return true;
        }
        return false;
    case Playing: return attractPlaying ? AttractFrame() : PlayingFrame();
    case EnterName: NameEntryKeys(); return SUCCEEDED(FrontEndRender());
    case HighScoreTable:
        if (SUCCEEDED(FrontEndRender())) {
            HighScoreTableKeys();
            return true;
        }
        return false;
    default: return true;
    }
}

void GameShutdown()
{
    ResourceFreeAll();
    MeshListFree();
    SurfaceFree();
    SpritesFree();
    ProjectilesFree();
    TextMeshesRelease();
    RenderResourcesRelease();
    GraphicsRelease();
    BASS_Free();
}

namespace {

// What the main loop keeps between its turns.
const FrameDriver* loopDriver = nullptr;
bool loopStarted = false;
struct sigaction oldInterrupt {};
struct sigaction oldTerminate {};

}  // namespace

bool GameBegin(const FrameDriver* driver)
{
    FilesPrepareGameFolder(".");
    // Interrupt and terminate end the game as its window's close request does.
    struct sigaction endSignal {};
    endSignal.sa_handler = OnEndSignal;
    sigemptyset(&endSignal.sa_mask);
    endSignal.sa_flags = SA_RESTART;
    closeRequested = 0;
    sigaction(SIGINT, &endSignal, &oldInterrupt);
    sigaction(SIGTERM, &endSignal, &oldTerminate);

    loopDriver = driver;
    loopStarted = GameInit();
    return loopStarted;
}

bool GameLoopTurn()
{
    // Messages first, all that wait (in full screen too, or its close request would go unseen).
    MSG message{};
    for (;;) {
        if (closeRequested != 0) {
            closeRequested = 0;
            if (gameWindow == nullptr || !IsWindow(gameWindow) || !PostMessageA(gameWindow, WM_CLOSE, 0, 0)) {
                return false;
            }
        }
        if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            break;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
        if (message.message == WM_QUIT) {
            return false;
        }
    }
    if (loopDriver != nullptr && loopDriver->beforeFrame != nullptr && !loopDriver->beforeFrame()) {
        ConsoleExecute(console, "quit");
        return false;
    }
    GameFrame();
    // The sound output keeps pace with the game clock also in frames that play nothing.
    BassUpdate();
    if (loopDriver != nullptr && loopDriver->afterFrame != nullptr) {
        loopDriver->afterFrame();
    }
    return VarGetInt("j_jatekstatus") != 0;
}

int GameEnd()
{
    const bool started = loopStarted;
    loopStarted = false;
    loopDriver = nullptr;
    VarListFree();
    InputRelease();
    GameShutdown();
    ShowCursor(TRUE);
    if (gameWindow != nullptr && IsWindow(gameWindow)) {
        DestroyWindow(gameWindow);
    }
    gameWindow = nullptr;
    UnregisterClassA(kClassName, gameInstance);
    PlatformShutdown();
    sigaction(SIGINT, &oldInterrupt, nullptr);
    sigaction(SIGTERM, &oldTerminate, nullptr);

    if (!started) {
        std::fprintf(stderr, "aviorra: start-up failed: %s\n",
                     startupFailure.empty() ? "unknown reason" : startupFailure.c_str());
        return 1;
    }
    return 0;
}

int GameMain(const FrameDriver* driver)
{
    if (GameBegin(driver)) {
        while (GameLoopTurn()) {
        }
    }
    return GameEnd();
}
