// The window layer: classes, windows, the message pump and queue, message boxes and the cursor.
#include <SDL.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win/codepage.h"
#include "platform/win/window.h"

namespace {

struct Call {
    HWND window;
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
};

std::vector<Call> calls;

// A window procedure shaped like the game's: WM_DESTROY posts the quit message, everything else
// goes to DefWindowProcA. WM_USER + 1 answers with twice its lparam, to see results come back.
LRESULT TestProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    calls.push_back(Call{window, message, wparam, lparam});
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    if (message == WM_USER + 1) {
        return lparam * 2;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

WNDCLASSEXA MakeClass(const char* name)
{
    WNDCLASSEXA wc{};
    wc.cbSize = kWndClassExSize32;
    wc.style = CS_CLASSDC;
    wc.lpfnWndProc = TestProc;
    wc.lpszClassName = name;
    return wc;
}

void PushWindowEvent(HWND window, Uint8 what)
{
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = SDL_GetWindowID(window);
    e.window.event = what;
    ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError();
}

std::vector<UINT> Messages()
{
    std::vector<UINT> out;
    for (const Call& c : calls) {
        out.push_back(c.message);
    }
    return out;
}

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WindowReset();
        ASSERT_TRUE(PlatformVideoInit());
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        calls.clear();
        WNDCLASSEXA wc = MakeClass("AVIORRA");
        ASSERT_NE(RegisterClassExA(&wc), 0);
    }

    void TearDown() override
    {
        PlatformSetHeadless(false);
        WindowReset();
    }

    HWND MakeWindow(DWORD style = 8, int width = 320, int height = 200)
    {
        return CreateWindowExA(0, "AVIORRA", "AVIORRA", style, 10, 10, width, height, nullptr, nullptr, nullptr,
                               nullptr);
    }

    // Pumps until nothing is pending, dispatching like the game's loop; returns the quit code or -1.
    int RunMessages()
    {
        MSG msg{};
        for (int guard = 0; guard < 100 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++guard) {
            if (msg.message == WM_QUIT) {
                return static_cast<int>(msg.wParam);
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        return -1;
    }
};

TEST_F(WindowTest, ClassRegistrationChecksItsRecord)
{
    WNDCLASSEXA same = MakeClass("aviorra");  // class names ignore case
    EXPECT_EQ(RegisterClassExA(&same), 0);
    EXPECT_EQ(RegisterClassExA(nullptr), 0);

    WNDCLASSEXA noProc = MakeClass("other");
    noProc.lpfnWndProc = nullptr;
    EXPECT_EQ(RegisterClassExA(&noProc), 0);

    WNDCLASSEXA badSize = MakeClass("other");
    badSize.cbSize = 12;
    EXPECT_EQ(RegisterClassExA(&badSize), 0);

    WNDCLASSEXA native = MakeClass("other");
    native.cbSize = sizeof(WNDCLASSEXA);
    EXPECT_NE(RegisterClassExA(&native), 0);

    EXPECT_EQ(CreateWindowExA(0, "missing", "x", 8, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(CreateWindowExA(0, nullptr, "x", 8, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr), nullptr);
}

TEST_F(WindowTest, ClassCannotGoWhileItsWindowLives)
{
    HWND w = MakeWindow();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(UnregisterClassA("AVIORRA", nullptr), FALSE);
    EXPECT_EQ(DestroyWindow(w), TRUE);
    EXPECT_EQ(UnregisterClassA("AVIORRA", nullptr), TRUE);
    EXPECT_EQ(UnregisterClassA("AVIORRA", nullptr), FALSE);
    EXPECT_EQ(UnregisterClassA(nullptr, nullptr), FALSE);
}

TEST_F(WindowTest, WindowIsHiddenUntilShownWithGivenSizeAndTitle)
{
    HWND w = CreateWindowExA(0, "AVIORRA", "Ablak \xe9s \x8a", 8, 10, 10, 320, 200, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(IsWindow(w), TRUE);
    Uint32 flags = SDL_GetWindowFlags(w);
    EXPECT_EQ(flags & SDL_WINDOW_SHOWN, 0u);
    EXPECT_NE(flags & SDL_WINDOW_OPENGL, 0u);
    EXPECT_EQ(flags & SDL_WINDOW_RESIZABLE, 0u) << "style 8 has no sizing border";
    int width = 0;
    int height = 0;
    SDL_GetWindowSize(w, &width, &height);
    EXPECT_EQ(width, 320);
    EXPECT_EQ(height, 200);
    EXPECT_STREQ(SDL_GetWindowTitle(w), "Ablak \xc3\xa9s \xc5\xa0");  // "Ablak és Š" in UTF-8

    EXPECT_EQ(ShowWindow(w, SW_SHOWDEFAULT), FALSE);
    EXPECT_NE(SDL_GetWindowFlags(w) & SDL_WINDOW_SHOWN, 0u);
    EXPECT_EQ(ShowWindow(w, SW_SHOW), TRUE);
    EXPECT_EQ(UpdateWindow(w), TRUE);
    EXPECT_EQ(ShowWindow(w, SW_HIDE), TRUE);
    EXPECT_EQ(SDL_GetWindowFlags(w) & SDL_WINDOW_SHOWN, 0u);

    HWND sizable = MakeWindow(WS_OVERLAPPEDWINDOW);
    ASSERT_NE(sizable, nullptr);
    EXPECT_NE(SDL_GetWindowFlags(sizable) & SDL_WINDOW_RESIZABLE, 0u);
}

TEST_F(WindowTest, ZeroSizedWindowStillGetsOnePixel)
{
    HWND w = MakeWindow(8, 0, -5);
    ASSERT_NE(w, nullptr);
    int width = 0;
    int height = 0;
    SDL_GetWindowSize(w, &width, &height);
    EXPECT_EQ(width, 1);
    EXPECT_EQ(height, 1);
}

TEST_F(WindowTest, ClosingTheWindowRunsCloseDestroyQuit)
{
    HWND w = MakeWindow();
    ASSERT_NE(w, nullptr);
    PushWindowEvent(w, SDL_WINDOWEVENT_CLOSE);
    // The session's quit request that comes with closing the last window adds no second close.
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    ASSERT_EQ(SDL_PushEvent(&quit), 1);

    MSG msg{};
    ASSERT_EQ(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE), TRUE);
    EXPECT_EQ(msg.hwnd, w);
    EXPECT_EQ(msg.message, WM_CLOSE);
    DispatchMessageA(&msg);
    EXPECT_EQ(Messages(), (std::vector<UINT>{WM_CLOSE, WM_DESTROY}));
    EXPECT_EQ(calls[1].window, w);
    EXPECT_EQ(IsWindow(w), FALSE);

    ASSERT_EQ(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE), TRUE);
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 0u);
    EXPECT_EQ(msg.hwnd, nullptr);
    EXPECT_EQ(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE), FALSE);
    EXPECT_EQ(Messages().size(), 2u) << "no message reaches a destroyed window";
}

TEST_F(WindowTest, QuitRequestWithoutCloseEventClosesTheWindow)
{
    HWND w = MakeWindow();
    ASSERT_NE(w, nullptr);
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    ASSERT_EQ(SDL_PushEvent(&quit), 1);
    EXPECT_EQ(RunMessages(), 0);
    EXPECT_EQ(Messages(), (std::vector<UINT>{WM_CLOSE, WM_DESTROY}));
}

TEST_F(WindowTest, QuitComesAfterPendingMessagesWithItsCode)
{
    HWND w = MakeWindow();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(PostMessageA(w, WM_USER, 7, 9), TRUE);
    PostQuitMessage(3);

    MSG msg{};
    ASSERT_EQ(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE), TRUE);
    EXPECT_EQ(msg.message, WM_USER);
    ASSERT_EQ(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE), TRUE);
    EXPECT_EQ(msg.message, WM_USER);
    EXPECT_EQ(msg.wParam, 7u);
    EXPECT_EQ(msg.lParam, 9);

    ASSERT_EQ(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE), TRUE);
    EXPECT_EQ(msg.message, WM_QUIT);
    ASSERT_EQ(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE), TRUE);
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 3u);
    EXPECT_EQ(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE), FALSE);
    EXPECT_EQ(PeekMessageA(nullptr, nullptr, 0, 0, PM_REMOVE), FALSE);
    EXPECT_TRUE(calls.empty()) << "peeking dispatches nothing";
}

TEST_F(WindowTest, PeekFiltersByWindowAndRange)
{
    HWND a = MakeWindow();
    HWND b = MakeWindow();
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    PostMessageA(a, WM_USER + 5, 0, 0);
    PostMessageA(b, WM_USER + 6, 0, 0);
    PostQuitMessage(0);

    MSG msg{};
    ASSERT_EQ(PeekMessageA(&msg, b, 0, 0, PM_REMOVE), TRUE);
    EXPECT_EQ(msg.message, WM_USER + 6);
    EXPECT_EQ(PeekMessageA(&msg, b, 0, 0, PM_REMOVE), FALSE) << "WM_QUIT belongs to no window";
    EXPECT_EQ(PeekMessageA(&msg, nullptr, WM_USER + 6, WM_USER + 9, PM_REMOVE), FALSE);
    ASSERT_EQ(PeekMessageA(&msg, nullptr, WM_USER, WM_USER + 5, PM_REMOVE), TRUE);
    EXPECT_EQ(msg.hwnd, a);
    ASSERT_EQ(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE), TRUE);
    EXPECT_EQ(msg.message, WM_QUIT);
}

TEST_F(WindowTest, DispatchReachesTheClassProcedure)
{
    HWND w = MakeWindow();
    ASSERT_NE(w, nullptr);
    MSG msg{};
    msg.hwnd = w;
    msg.message = WM_USER + 1;
    msg.wParam = 4;
    msg.lParam = 21;
    EXPECT_EQ(DispatchMessageA(&msg), 42);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].window, w);
    EXPECT_EQ(calls[0].wparam, 4u);
    EXPECT_EQ(SendMessageA(w, WM_USER + 1, 0, 5), 10);

    EXPECT_EQ(DispatchMessageA(nullptr), 0);
    msg.hwnd = nullptr;
    EXPECT_EQ(DispatchMessageA(&msg), 0);
    EXPECT_EQ(TranslateMessage(&msg), FALSE);
    EXPECT_EQ(calls.size(), 2u);

    DestroyWindow(w);
    calls.clear();
    msg.hwnd = w;
    EXPECT_EQ(DispatchMessageA(&msg), 0);
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(DestroyWindow(w), FALSE) << "a window is destroyed once";
    EXPECT_TRUE(calls.empty());
}

TEST_F(WindowTest, DestroyingDropsTheWindowsPendingMessages)
{
    HWND a = MakeWindow();
    HWND b = MakeWindow();
    PostMessageA(a, WM_USER, 0, 0);
    PostMessageA(b, WM_USER + 2, 0, 0);
    DestroyWindow(a);
    EXPECT_EQ(PostMessageA(a, WM_USER, 0, 0), FALSE);
    MSG msg{};
    ASSERT_EQ(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE), TRUE);
    EXPECT_EQ(msg.hwnd, b);
    ASSERT_EQ(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE), TRUE);
    EXPECT_EQ(msg.message, WM_QUIT) << "the test procedure posts quit on WM_DESTROY";
}

TEST_F(WindowTest, FocusAndSizeEventsBecomeMessages)
{
    HWND w = MakeWindow();
    ASSERT_NE(w, nullptr);
    PushWindowEvent(w, SDL_WINDOWEVENT_FOCUS_GAINED);
    PushWindowEvent(w, SDL_WINDOWEVENT_FOCUS_LOST);
    SDL_Event size{};
    size.type = SDL_WINDOWEVENT;
    size.window.windowID = SDL_GetWindowID(w);
    size.window.event = SDL_WINDOWEVENT_SIZE_CHANGED;
    size.window.data1 = 640;
    size.window.data2 = 480;
    ASSERT_EQ(SDL_PushEvent(&size), 1);
    // Events of unknown windows and keyboard events make no message.
    SDL_Event stray{};
    stray.type = SDL_WINDOWEVENT;
    stray.window.windowID = 987654;
    stray.window.event = SDL_WINDOWEVENT_CLOSE;
    ASSERT_EQ(SDL_PushEvent(&stray), 1);
    SDL_Event key{};
    key.type = SDL_KEYDOWN;
    key.key.keysym.scancode = SDL_SCANCODE_A;
    ASSERT_EQ(SDL_PushEvent(&key), 1);

    EXPECT_EQ(RunMessages(), -1);
    EXPECT_EQ(Messages(), (std::vector<UINT>{WM_SETFOCUS, WM_KILLFOCUS, WM_SIZE}));
    EXPECT_EQ(calls[2].lparam, MAKELPARAM(640, 480));
}

SDL_Event lastHeard{};
int heardCount = 0;

void Listen(const SDL_Event& e)
{
    lastHeard = e;
    ++heardCount;
}

TEST_F(WindowTest, ListenerHearsEveryEventOnce)
{
    heardCount = 0;
    PlatformSetEventListener(&Listen);
    SDL_Event wheel{};
    wheel.type = SDL_MOUSEWHEEL;
    wheel.wheel.y = 2;
    ASSERT_EQ(SDL_PushEvent(&wheel), 1);
    PlatformPumpEvents();
    EXPECT_EQ(heardCount, 1);
    EXPECT_EQ(lastHeard.type, static_cast<Uint32>(SDL_MOUSEWHEEL));
    EXPECT_EQ(lastHeard.wheel.y, 2);
    PlatformPumpEvents();
    EXPECT_EQ(heardCount, 1);

    WindowReset();  // the listener is another layer's and survives
    ASSERT_EQ(SDL_PushEvent(&wheel), 1);
    MSG msg{};
    EXPECT_EQ(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE), FALSE);
    EXPECT_EQ(heardCount, 2);
    PlatformSetEventListener(nullptr);
}

TEST_F(WindowTest, CursorFollowsItsDisplayCounter)
{
    EXPECT_EQ(ShowCursor(FALSE), -1);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
    EXPECT_EQ(ShowCursor(FALSE), -2);
    EXPECT_EQ(ShowCursor(TRUE), -1);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE) << "two hides need two shows";
    EXPECT_EQ(ShowCursor(TRUE), 0);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
    EXPECT_EQ(ShowCursor(TRUE), 1);
    WindowReset();
    EXPECT_EQ(ShowCursor(FALSE), -1) << "the reset starts the counter at 0 again";
}

TEST_F(WindowTest, MessageBoxPrintsUtf8AndReturnsAtOnceWhenHeadless)
{
    PlatformSetHeadless(true);
    EXPECT_TRUE(PlatformIsHeadless());
    HWND w = MakeWindow();
    testing::internal::CaptureStderr();
    int result = MessageBoxA(w, "A DirectX verzi\xf3ja r\xe9gebbi 9.0c -n\xe9l!", "AVIORRA", MB_ICONERROR);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(err, "AVIORRA: A DirectX verzi\xc3\xb3ja r\xc3\xa9gebbi 9.0c -n\xc3\xa9l!\n");

    testing::internal::CaptureStderr();
    MessageBoxA(nullptr, nullptr, nullptr, MB_OK);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error: \n");
}

TEST_F(WindowTest, MessageBoxNeverWaitsOnAnInvisibleDriver)
{
    // The tests run on the offscreen driver without the headless switch.
    ASSERT_STREQ(SDL_GetCurrentVideoDriver(), "offscreen");
    ASSERT_FALSE(PlatformIsHeadless());
    testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxA(nullptr, "\x8a\x9a", "Hiba", MB_ICONWARNING), IDOK);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Hiba: \xc5\xa0\xc5\xa1\n");
}

TEST_F(WindowTest, FullScreenChecksItsArguments)
{
    HWND w = MakeWindow();
    ASSERT_NE(w, nullptr);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(WindowSetFullscreen(nullptr, 640, 480, 60));
    EXPECT_FALSE(WindowSetFullscreen(w, 0, 480, 60));
    EXPECT_FALSE(WindowSetFullscreen(w, 640, 480, -1));
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("bad mode"), std::string::npos);

    // Nothing can be seen on the offscreen driver: the window only takes the size.
    EXPECT_TRUE(WindowSetFullscreen(w, 640, 480, 75));
    int width = 0;
    int height = 0;
    SDL_GetWindowSize(w, &width, &height);
    EXPECT_EQ(width, 640);
    EXPECT_EQ(height, 480);
    EXPECT_TRUE(WindowSetWindowed(w));
    DestroyWindow(w);
    EXPECT_FALSE(WindowSetWindowed(w));
}

TEST(PlatformTest, VideoStartsOnceAndShutsDownCleanly)
{
    ASSERT_TRUE(PlatformVideoInit());
    EXPECT_TRUE(PlatformVideoIsInitialized());
    EXPECT_TRUE(PlatformVideoInit());
    PlatformShutdown();
    EXPECT_FALSE(PlatformVideoIsInitialized());
    // The pump does nothing without video; a window starts the video again by itself.
    PlatformPumpEvents();
    WNDCLASSEXA wc = MakeClass("again");
    ASSERT_NE(RegisterClassExA(&wc), 0);
    HWND w = CreateWindowExA(0, "again", "x", 8, 0, 0, 16, 16, nullptr, nullptr, nullptr, nullptr);
    EXPECT_NE(w, nullptr);
    EXPECT_TRUE(PlatformVideoIsInitialized());
    PlatformShutdown();
}

}  // namespace
