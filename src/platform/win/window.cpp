// The window layer over SDL2's video subsystem, in this order:
//
//   1. State and helpers: registered classes, window records and the bounded message queue; SDL
//      window events posted as messages (TranslateEvent); whether a display can reach a person
//      (RealDisplayAvailable).
//   2. Classes and windows: registering classes, creating, destroying and showing windows, full
//      screen and back.
//   3. Messages: PeekMessageA over the queue and the quit flag, dispatching and sending to a window's
//      procedure, posting, DefWindowProcA, PostQuitMessage.
//   4. Message boxes (printed to stderr where no display can show one) and the cursor count.
//   5. Platform start and end: headless mode, starting video, the display check, the event pump that
//      feeds the input layer's listener and the queue, reset and shutdown.
#include "platform/win/window.h"

#include <SDL2/SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/win/clock.h"
#include "platform/win/codepage.h"

namespace {

struct WindowClass {
    std::string name;
    UINT style;
    WNDPROC proc;
    HINSTANCE instance;
    ATOM atom;
};

struct WindowRecord {
    SDL_Window* sdl;
    std::string className;
    WNDPROC proc;
    bool destroying;  // inside DestroyWindow: still valid until WM_DESTROY has been handled
    bool destroyed;   // gone for the program; the SDL window waits for WindowReset
};

// Posted messages beyond this many are refused, as a full thread queue refuses them. Only a program
// that never reads its messages (full screen) ever gets near it.
constexpr std::size_t kQueueLimit = 1024;

struct WindowState {
    std::vector<WindowClass> classes;
    std::vector<std::unique_ptr<WindowRecord>> windows;
    std::deque<MSG> queue;
    bool quitPending = false;
    int quitCode = 0;
    int cursorCount = 0;
    ATOM nextAtom = 0xC000;
    PlatformEventListener listener = nullptr;
    bool pumping = false;
};

WindowState state;
bool headless = false;
bool headlessHintSet = false;

bool SameClassName(const std::string& a, const char* b)
{
    std::size_t n = std::strlen(b);
    if (a.size() != n) {
        return false;
    }
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') {
            x = static_cast<unsigned char>(x - 'A' + 'a');
        }
        if (y >= 'A' && y <= 'Z') {
            y = static_cast<unsigned char>(y - 'A' + 'a');
        }
        if (x != y) {
            return false;
        }
    }
    return true;
}

WindowClass* FindClass(const char* name)
{
    for (auto& c : state.classes) {
        if (SameClassName(c.name, name)) {
            return &c;
        }
    }
    return nullptr;
}

// A window created here and not destroyed (it may be inside DestroyWindow).
WindowRecord* FindLive(HWND window)
{
    if (window == nullptr) {
        return nullptr;
    }
    for (auto& w : state.windows) {
        if (w->sdl == window && !w->destroyed) {
            return w.get();
        }
    }
    return nullptr;
}

bool Post(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (state.queue.size() >= kQueueLimit) {
        return false;
    }
    MSG msg{};
    msg.hwnd = window;
    msg.message = message;
    msg.wParam = wparam;
    msg.lParam = lparam;
    msg.time = GetTickCount();
    state.queue.push_back(msg);
    return true;
}

bool ClosePending(HWND window)
{
    for (const MSG& m : state.queue) {
        if (m.hwnd == window && m.message == WM_CLOSE) {
            return true;
        }
    }
    return false;
}

void PostClose(HWND window)
{
    WindowRecord* rec = FindLive(window);
    if (rec != nullptr && !rec->destroying && !ClosePending(window)) {
        Post(window, WM_CLOSE, 0, 0);
    }
}

void TranslateEvent(const SDL_Event& e)
{
    if (e.type == SDL_QUIT) {
        // The last window was closed, or the session asks the program to end: every window gets
        // the close message it would get from its own close button.
        bool any = false;
        for (auto& w : state.windows) {
            if (!w->destroyed && !w->destroying) {
                any = true;
                PostClose(w->sdl);
            }
        }
        if (!any) {
            PostQuitMessage(0);
        }
        return;
    }
    if (e.type != SDL_WINDOWEVENT) {
        return;
    }
    HWND window = SDL_GetWindowFromID(e.window.windowID);
    if (FindLive(window) == nullptr) {
        return;
    }
    switch (e.window.event) {
    case SDL_WINDOWEVENT_CLOSE: PostClose(window); break;
    case SDL_WINDOWEVENT_FOCUS_GAINED: Post(window, WM_SETFOCUS, 0, 0); break;
    case SDL_WINDOWEVENT_FOCUS_LOST: Post(window, WM_KILLFOCUS, 0, 0); break;
    case SDL_WINDOWEVENT_SIZE_CHANGED: Post(window, WM_SIZE, 0, MAKELPARAM(e.window.data1, e.window.data2)); break;
    case SDL_WINDOWEVENT_MINIMIZED: Post(window, WM_SIZE, SIZE_MINIMIZED, 0); break;
#if defined(__EMSCRIPTEN__)
    // The page's tab hidden is the browser's minimising.
    case SDL_WINDOWEVENT_HIDDEN: Post(window, WM_SIZE, SIZE_MINIMIZED, 0); break;
#endif
    case SDL_WINDOWEVENT_MOVED: Post(window, WM_MOVE, 0, MAKELPARAM(e.window.data1, e.window.data2)); break;
    default: break;
    }
}

void ApplyCursor()
{
    if (PlatformVideoIsInitialized()) {
        SDL_ShowCursor(state.cursorCount >= 0 ? SDL_ENABLE : SDL_DISABLE);
    }
}

bool StartsWith(const char* text, const char* prefix)
{
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

// A video driver that shows nothing to anybody.
bool IsInvisibleDriver(const char* driver)
{
    return StartsWith(driver, "offscreen") || StartsWith(driver, "dummy") || StartsWith(driver, "evdev");
}

// True when a message box or a full-screen mode can reach a person.
bool RealDisplayAvailable()
{
    if (headless) {
        return false;
    }
    if (PlatformVideoIsInitialized()) {
        const char* driver = SDL_GetCurrentVideoDriver();
        return driver != nullptr && !IsInvisibleDriver(driver);
    }
    const char* wanted = SDL_GetHint(SDL_HINT_VIDEODRIVER);
    if (wanted != nullptr && *wanted != '\0' && IsInvisibleDriver(wanted)) {
        return false;
    }
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 != nullptr && *x11 != '\0') || (wayland != nullptr && *wayland != '\0');
}

}  // namespace

// ---- Classes and windows ---------------------------------------------------------------------------

ATOM RegisterClassExA(const WNDCLASSEXA* windowClass)
{
    if (windowClass == nullptr) {
        std::fprintf(stderr, "aviorra: RegisterClassExA: no class record\n");
        return 0;
    }
    if (windowClass->cbSize != kWndClassExSize32 && windowClass->cbSize != sizeof(WNDCLASSEXA)) {
        std::fprintf(stderr, "aviorra: RegisterClassExA: bad record size %u\n", windowClass->cbSize);
        return 0;
    }
    if (windowClass->lpfnWndProc == nullptr || windowClass->lpszClassName == nullptr ||
        windowClass->lpszClassName[0] == '\0') {
        std::fprintf(stderr, "aviorra: RegisterClassExA: a class needs a name and a window procedure\n");
        return 0;
    }
    if (FindClass(windowClass->lpszClassName) != nullptr) {
        std::fprintf(stderr, "aviorra: RegisterClassExA: class \"%s\" is already registered\n",
                     cp1250::ToUtf8(windowClass->lpszClassName).c_str());
        return 0;
    }
    ATOM atom = state.nextAtom++;
    state.classes.push_back(WindowClass{windowClass->lpszClassName, windowClass->style, windowClass->lpfnWndProc,
                                        windowClass->hInstance, atom});
    return atom;
}

BOOL UnregisterClassA(LPCSTR className, HINSTANCE)
{
    if (className == nullptr) {
        return FALSE;
    }
    for (auto it = state.classes.begin(); it != state.classes.end(); ++it) {
        if (!SameClassName(it->name, className)) {
            continue;
        }
        for (auto& w : state.windows) {
            if (!w->destroyed && SameClassName(w->className, className)) {
                return FALSE;
            }
        }
        state.classes.erase(it);
        return TRUE;
    }
    return FALSE;
}

HWND CreateWindowExA(DWORD, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width, int height, HWND,
                     HMENU, HINSTANCE, LPVOID)
{
    if (className == nullptr) {
        std::fprintf(stderr, "aviorra: CreateWindowExA: no class name\n");
        return nullptr;
    }
    WindowClass* wc = FindClass(className);
    if (wc == nullptr) {
        std::fprintf(stderr, "aviorra: CreateWindowExA: class \"%s\" is not registered\n",
                     cp1250::ToUtf8(className).c_str());
        return nullptr;
    }
    if (!PlatformVideoInit()) {
        return nullptr;
    }
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
    if ((style & WS_THICKFRAME) != 0) {
        flags |= SDL_WINDOW_RESIZABLE;
    }
    if ((style & WS_POPUP) != 0 && (style & WS_CAPTION) == 0) {
        flags |= SDL_WINDOW_BORDERLESS;
    }
    int px = x == CW_USEDEFAULT ? static_cast<int>(SDL_WINDOWPOS_UNDEFINED) : x;
    int py = x == CW_USEDEFAULT || y == CW_USEDEFAULT ? static_cast<int>(SDL_WINDOWPOS_UNDEFINED) : y;
    int w = width == CW_USEDEFAULT ? 640 : width;
    int h = width == CW_USEDEFAULT || height == CW_USEDEFAULT ? 480 : height;
    // A window never has less than one pixel each way, as on the platform the game was made for.
    w = w < 1 ? 1 : w;
    h = h < 1 ? 1 : h;
    std::string title = cp1250::ToUtf8(windowName != nullptr ? windowName : "");
    SDL_Window* sdl = SDL_CreateWindow(title.c_str(), px, py, w, h, flags);
    if (sdl == nullptr) {
        std::fprintf(stderr, "aviorra: the window could not be created: %s\n", SDL_GetError());
        return nullptr;
    }
    state.windows.push_back(std::make_unique<WindowRecord>(WindowRecord{sdl, wc->name, wc->proc, false, false}));
    if ((style & WS_VISIBLE) != 0) {
        ShowWindow(sdl, SW_SHOW);
    }
    return sdl;
}

BOOL DestroyWindow(HWND window)
{
    WindowRecord* rec = FindLive(window);
    if (rec == nullptr || rec->destroying) {
        return FALSE;
    }
    rec->destroying = true;
    SDL_HideWindow(window);
    for (auto it = state.queue.begin(); it != state.queue.end();) {
        it = it->hwnd == window ? state.queue.erase(it) : it + 1;
    }
    WNDPROC proc = rec->proc;
    proc(window, WM_DESTROY, 0, 0);
    // The procedure may have created or destroyed other windows: look the record up again.
    for (auto& w : state.windows) {
        if (w->sdl == window && !w->destroyed) {
            w->destroyed = true;
            w->destroying = false;
        }
    }
    return TRUE;
}

BOOL IsWindow(HWND window)
{
    return FindLive(window) != nullptr ? TRUE : FALSE;
}

BOOL ShowWindow(HWND window, int command)
{
    if (FindLive(window) == nullptr) {
        return FALSE;
    }
    BOOL wasVisible = (SDL_GetWindowFlags(window) & SDL_WINDOW_SHOWN) != 0 ? TRUE : FALSE;
    switch (command) {
    case SW_HIDE: SDL_HideWindow(window); break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case 7:   // SW_SHOWMINNOACTIVE
    case 11:  // SW_FORCEMINIMIZE
        SDL_ShowWindow(window);
        SDL_MinimizeWindow(window);
        break;
    case SW_SHOWMAXIMIZED:
        SDL_ShowWindow(window);
        SDL_MaximizeWindow(window);
        break;
    case SW_RESTORE:
        SDL_ShowWindow(window);
        SDL_RestoreWindow(window);
        break;
    default: SDL_ShowWindow(window); break;
    }
    return wasVisible;
}

BOOL UpdateWindow(HWND window)
{
    return IsWindow(window);
}

bool WindowSetFullscreen(HWND window, int width, int height, int refreshHz, bool* desktopFallback)
{
    if (desktopFallback != nullptr) {
        *desktopFallback = false;
    }
    if (FindLive(window) == nullptr) {
        std::fprintf(stderr, "aviorra: full screen: not a window\n");
        return false;
    }
    if (width <= 0 || height <= 0 || refreshHz < 0) {
        std::fprintf(stderr, "aviorra: full screen: bad mode %dx%d at %d Hz\n", width, height, refreshHz);
        return false;
    }
    if (!RealDisplayAvailable()) {
        SDL_SetWindowSize(window, width, height);
        return true;
    }
    int display = SDL_GetWindowDisplayIndex(window);
    if (display < 0) {
        std::fprintf(stderr, "aviorra: full screen: %s\n", SDL_GetError());
        return false;
    }
    SDL_DisplayMode wanted{};
    wanted.w = width;
    wanted.h = height;
    wanted.refresh_rate = refreshHz;
    SDL_DisplayMode mode{};
    if (SDL_GetClosestDisplayMode(display, &wanted, &mode) == nullptr || mode.w != width || mode.h != height) {
        SDL_DisplayMode desktop{};
        SDL_GetDesktopDisplayMode(display, &desktop);
        std::fprintf(stderr, "aviorra: full screen: the display has no %dx%d mode; using the desktop's %dx%d\n", width,
                     height, desktop.w, desktop.h);
        if (SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) {
            std::fprintf(stderr, "aviorra: full screen: %s\n", SDL_GetError());
            return false;
        }
        if (desktopFallback != nullptr) {
            *desktopFallback = true;
        }
        return true;
    }
    if (SDL_SetWindowDisplayMode(window, &mode) != 0 || SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN) != 0) {
        std::fprintf(stderr, "aviorra: full screen: %s\n", SDL_GetError());
        return false;
    }
    return true;
}

bool WindowSetWindowed(HWND window)
{
    if (FindLive(window) == nullptr) {
        return false;
    }
    if (SDL_SetWindowFullscreen(window, 0) != 0) {
        std::fprintf(stderr, "aviorra: leaving full screen: %s\n", SDL_GetError());
        return false;
    }
    return true;
}

// ---- Messages --------------------------------------------------------------------------------------

BOOL PeekMessageA(MSG* msg, HWND window, UINT first, UINT last, UINT removeFlags)
{
    if (msg == nullptr) {
        return FALSE;
    }
    PlatformPumpEvents();
    bool all = first == 0 && last == 0;
    auto inRange = [&](UINT m) { return all || (m >= first && m <= last); };
    for (auto it = state.queue.begin(); it != state.queue.end(); ++it) {
        if ((window == nullptr || it->hwnd == window) && inRange(it->message)) {
            *msg = *it;
            if ((removeFlags & PM_REMOVE) != 0) {
                state.queue.erase(it);
            }
            return TRUE;
        }
    }
    if (state.quitPending && window == nullptr && inRange(WM_QUIT)) {
        *msg = MSG{};
        msg->message = WM_QUIT;
        msg->wParam = static_cast<WPARAM>(state.quitCode);
        msg->time = GetTickCount();
        if ((removeFlags & PM_REMOVE) != 0) {
            state.quitPending = false;
        }
        return TRUE;
    }
    return FALSE;
}

BOOL TranslateMessage(const MSG*)
{
    return FALSE;
}

LRESULT DispatchMessageA(const MSG* msg)
{
    if (msg == nullptr) {
        return 0;
    }
    return SendMessageA(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    WindowRecord* rec = FindLive(window);
    if (rec == nullptr) {
        return 0;
    }
    WNDPROC proc = rec->proc;
    return proc(window, message, wparam, lparam);
}

BOOL PostMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (FindLive(window) == nullptr) {
        return FALSE;
    }
    return Post(window, message, wparam, lparam) ? TRUE : FALSE;
}

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM, LPARAM)
{
    if (message == WM_CLOSE) {
        DestroyWindow(window);
    }
    return 0;
}

void PostQuitMessage(int exitCode)
{
    state.quitPending = true;
    state.quitCode = exitCode;
}

// ---- Message boxes and the cursor ------------------------------------------------------------------

int MessageBoxA(HWND window, LPCSTR text, LPCSTR caption, UINT type)
{
    std::string text8 = cp1250::ToUtf8(text != nullptr ? text : "");
    std::string caption8 = cp1250::ToUtf8(caption != nullptr ? caption : "Error");
    if (RealDisplayAvailable()) {
        Uint32 flags = SDL_MESSAGEBOX_INFORMATION;
        UINT icon = type & 0xF0u;
        if (icon == MB_ICONHAND) {
            flags = SDL_MESSAGEBOX_ERROR;
        } else if (icon == MB_ICONEXCLAMATION) {
            flags = SDL_MESSAGEBOX_WARNING;
        }
        SDL_Window* parent = FindLive(window) != nullptr ? window : nullptr;
        if (SDL_ShowSimpleMessageBox(flags, caption8.c_str(), text8.c_str(), parent) == 0) {
            return IDOK;
        }
    }
    std::fprintf(stderr, "%s: %s\n", caption8.c_str(), text8.c_str());
    std::fflush(stderr);
    return IDOK;
}

int ShowCursor(BOOL show)
{
    state.cursorCount += show ? 1 : -1;
    ApplyCursor();
    return state.cursorCount;
}

// ---- Platform start and end ------------------------------------------------------------------------

void PlatformSetHeadless(bool on)
{
    headless = on;
    if (on) {
        // Overrides SDL_VIDEODRIVER from the environment, too.
        SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "offscreen", SDL_HINT_OVERRIDE);
        headlessHintSet = true;
    } else if (headlessHintSet) {
        SDL_ResetHint(SDL_HINT_VIDEODRIVER);
        headlessHintSet = false;
    }
}

bool PlatformIsHeadless()
{
    return headless;
}

bool PlatformVideoIsInitialized()
{
    return SDL_WasInit(SDL_INIT_VIDEO) != 0;
}

bool PlatformVideoInit()
{
    if (PlatformVideoIsInitialized()) {
        return true;
    }
    if (headless) {
        SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "offscreen", SDL_HINT_OVERRIDE);
        headlessHintSet = true;
    }
    // Interrupt and terminate signals keep their usual effect: a full-screen game never reads
    // its messages, so a quit event made from them would go unseen.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "aviorra: no video driver could start: %s\n", SDL_GetError());
        return false;
    }
    // The OpenGL library stays loaded while video runs, not only while a window has a surface: windows
    // come and go without loading it again, and a graphics device can rely on it.
#if defined(AVIORRA_GLES)
    // The ES profile of the graphics device: windows are made for (and the library loaded is) OpenGL ES
    // 3.0 from the start, since an EGL surface's configuration is chosen with the window.
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_ES);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 0);
#endif
    if (SDL_GL_LoadLibrary(nullptr) != 0) {
        std::fprintf(stderr, "aviorra: no OpenGL library: %s\n", SDL_GetError());
    }
    // Typed text is not used: the keyboard is read as key states.
    SDL_StopTextInput();
    SDL_EventState(SDL_TEXTINPUT, SDL_IGNORE);
    SDL_EventState(SDL_TEXTEDITING, SDL_IGNORE);
    ApplyCursor();
    return true;
}

const char* PlatformDisplayProblem()
{
    static std::string reason;
    if (headless) {
        return nullptr;
    }
    if (!PlatformVideoInit()) {
        reason = std::string("no display could be opened (") + SDL_GetError() +
                 "); run with --headless to play without a window";
        return reason.c_str();
    }
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver == nullptr || !IsInvisibleDriver(driver)) {
        return nullptr;
    }
    // An invisible driver named in SDL_VIDEODRIVER is the user's choice (tests, capture set-ups).
    const char* wanted = SDL_GetHint(SDL_HINT_VIDEODRIVER);
    if (wanted != nullptr && std::strstr(wanted, driver) != nullptr) {
        return nullptr;
    }
    reason = std::string("no display: the only video driver that started is '") + driver +
             "', which shows nothing (DISPLAY and WAYLAND_DISPLAY are unset or unusable); run with --headless";
    return reason.c_str();
}

void PlatformPumpEvents()
{
    if (!PlatformVideoIsInitialized() || state.pumping) {
        return;
    }
    state.pumping = true;
    SDL_PumpEvents();
    SDL_Event e;
    while (SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) {
        if (state.listener != nullptr) {
            state.listener(e);
        }
        TranslateEvent(e);
    }
    state.pumping = false;
}

void PlatformSetEventListener(PlatformEventListener listener)
{
    state.listener = listener;
}

void WindowReset()
{
    if (PlatformVideoIsInitialized()) {
        for (auto& w : state.windows) {
            SDL_DestroyWindow(w->sdl);
        }
    }
    PlatformEventListener listener = state.listener;
    state = WindowState{};
    state.listener = listener;
    ApplyCursor();
}

void PlatformShutdown()
{
    WindowReset();
    state.listener = nullptr;
    if (PlatformVideoIsInitialized()) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
    if (SDL_WasInit(SDL_INIT_EVERYTHING) == 0) {
        SDL_Quit();
        headlessHintSet = false;
    }
}
