// The window layer: window classes, windows, the message queue and pump, message boxes and the
// cursor, with the names, argument orders and values of the Win32 calls the game makes.
//
// Underneath is SDL2's video subsystem, started lazily and once by PlatformVideoInit. A window handle
// is the SDL window itself (handles.h). Window messages come from SDL events: closing a window posts
// WM_CLOSE for it, focus changes post WM_SETFOCUS / WM_KILLFOCUS, a size change WM_SIZE (minimising: WM_SIZE with
// SIZE_MINIMIZED). Keyboard and
// mouse events are not turned into messages: the input layer reads them through the event listener.
//
// Headless mode uses SDL's offscreen video driver: nothing becomes visible and message boxes are
// printed to stderr instead of shown.
#pragma once

#include <cstdint>

#include "platform/win/handles.h"

union SDL_Event;

using DWORD = std::uint32_t;
using LONG = std::int32_t;
using ATOM = std::uint16_t;
using LPCSTR = const char*;
using HICON = void*;
using HCURSOR = void*;
using HBRUSH = void*;
using HMENU = void*;
using LPVOID = void*;

using WNDPROC = LRESULT (*)(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

#ifndef AVIORRA_POINT_DEFINED
#define AVIORRA_POINT_DEFINED
struct POINT {
    LONG x;
    LONG y;
};
#endif

// As the Windows headers define them (macros, so any other definition as a macro agrees).
#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// ---- Classes and windows ---------------------------------------------------------------------------

inline constexpr UINT CS_VREDRAW = 0x0001;
inline constexpr UINT CS_HREDRAW = 0x0002;
inline constexpr UINT CS_OWNDC = 0x0020;
inline constexpr UINT CS_CLASSDC = 0x0040;

inline constexpr DWORD WS_OVERLAPPED = 0x00000000u;
inline constexpr DWORD WS_POPUP = 0x80000000u;
inline constexpr DWORD WS_VISIBLE = 0x10000000u;
inline constexpr DWORD WS_CAPTION = 0x00C00000u;
inline constexpr DWORD WS_SYSMENU = 0x00080000u;
inline constexpr DWORD WS_THICKFRAME = 0x00040000u;
inline constexpr DWORD WS_MINIMIZEBOX = 0x00020000u;
inline constexpr DWORD WS_MAXIMIZEBOX = 0x00010000u;
inline constexpr DWORD WS_OVERLAPPEDWINDOW =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;

inline constexpr int CW_USEDEFAULT = static_cast<int>(0x80000000u);

// The structure size the game states for this record (its size on the platform it was made for);
// RegisterClassExA accepts it as well as sizeof(WNDCLASSEXA).
inline constexpr UINT kWndClassExSize32 = 48;

struct WNDCLASSEXA {
    UINT cbSize;
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCSTR lpszMenuName;
    LPCSTR lpszClassName;
    HICON hIconSm;
};

// Returns a non-zero atom, or 0 (with the reason on stderr) for a bad record or a name in use.
ATOM RegisterClassExA(const WNDCLASSEXA* windowClass);
// Fails (FALSE) for an unknown class or while a window of the class still exists.
BOOL UnregisterClassA(LPCSTR className, HINSTANCE instance);

// Creates a hidden SDL window with an OpenGL surface: client size width x height at (x, y); only a
// style with WS_THICKFRAME gets a sizing border, WS_POPUP has no frame. The window name is code page
// 1250 text. Returns nullptr (reason on stderr) for an unknown class or when SDL cannot make it.
HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param);

// Sends WM_DESTROY to the window procedure and removes the window's pending messages. The SDL window
// is hidden at once but freed only by PlatformShutdown, so a graphics context made on it can still be
// released safely afterwards.
BOOL DestroyWindow(HWND window);
// True for a window created here and not yet destroyed.
BOOL IsWindow(HWND window);

inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr int SW_SHOWMINIMIZED = 2;
inline constexpr int SW_SHOWMAXIMIZED = 3;
inline constexpr int SW_SHOW = 5;
inline constexpr int SW_MINIMIZE = 6;
inline constexpr int SW_RESTORE = 9;
inline constexpr int SW_SHOWDEFAULT = 10;

// Returns TRUE when the window was visible before the call.
BOOL ShowWindow(HWND window, int command);
BOOL UpdateWindow(HWND window);

// Makes the window full screen at width x height with the refresh rate nearest refreshHz (any rate
// for 0). When the display has no mode of that size the window goes full screen at the desktop's own
// mode instead (the device scales the frame into it) and *desktopFallback, when given, becomes true.
// Fails (reason on stderr) for a bad window or size. In headless mode the window only takes the size.
bool WindowSetFullscreen(HWND window, int width, int height, int refreshHz, bool* desktopFallback = nullptr);
// Back from full screen to a normal window.
bool WindowSetWindowed(HWND window);

// ---- Messages --------------------------------------------------------------------------------------

inline constexpr UINT WM_NULL = 0x0000;
inline constexpr UINT WM_CREATE = 0x0001;
inline constexpr UINT WM_DESTROY = 0x0002;
inline constexpr UINT WM_MOVE = 0x0003;
inline constexpr UINT WM_SIZE = 0x0005;
inline constexpr UINT WM_ACTIVATE = 0x0006;
inline constexpr UINT WM_SETFOCUS = 0x0007;
inline constexpr UINT WM_KILLFOCUS = 0x0008;
inline constexpr UINT WM_PAINT = 0x000F;
inline constexpr UINT WM_CLOSE = 0x0010;
inline constexpr UINT WM_QUIT = 0x0012;
inline constexpr UINT WM_KEYDOWN = 0x0100;
inline constexpr UINT WM_KEYUP = 0x0101;
inline constexpr UINT WM_CHAR = 0x0102;
inline constexpr UINT WM_USER = 0x0400;

// WM_SIZE's wParam when the window was minimised.
inline constexpr WPARAM SIZE_MINIMIZED = 1;

inline constexpr UINT PM_NOREMOVE = 0x0000;
inline constexpr UINT PM_REMOVE = 0x0001;

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};

constexpr LPARAM MAKELPARAM(int low, int high)
{
    return static_cast<LPARAM>((static_cast<std::uint32_t>(low) & 0xFFFFu) |
                               ((static_cast<std::uint32_t>(high) & 0xFFFFu) << 16));
}

// Pumps SDL's events, then takes the first pending message for `window` (nullptr: any) in the range
// first..last (0, 0: all). WM_QUIT comes when no other message is pending. Returns FALSE when there
// is none. With PM_REMOVE the message leaves the queue.
BOOL PeekMessageA(MSG* msg, HWND window, UINT first, UINT last, UINT removeFlags);
// No character messages are made (the game reads the keyboard through the input layer): FALSE.
BOOL TranslateMessage(const MSG* msg);
// Calls the window procedure of the message's window; 0 for a message without a live window.
LRESULT DispatchMessageA(const MSG* msg);
// Calls the procedure of a live window directly and returns its result.
LRESULT SendMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
// Queues a message for a live window; FALSE for a dead one or a full queue.
BOOL PostMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
// WM_CLOSE destroys the window; every other message gives 0.
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
// Makes the next PeekMessageA with nothing else pending return WM_QUIT with this exit code.
void PostQuitMessage(int exitCode);

// ---- Message boxes and the cursor ------------------------------------------------------------------

inline constexpr UINT MB_OK = 0x00000000u;
inline constexpr UINT MB_OKCANCEL = 0x00000001u;
inline constexpr UINT MB_ICONHAND = 0x00000010u;
inline constexpr UINT MB_ICONERROR = MB_ICONHAND;
inline constexpr UINT MB_ICONSTOP = MB_ICONHAND;
inline constexpr UINT MB_ICONQUESTION = 0x00000020u;
inline constexpr UINT MB_ICONEXCLAMATION = 0x00000030u;
inline constexpr UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
inline constexpr UINT MB_ICONASTERISK = 0x00000040u;
inline constexpr UINT MB_ICONINFORMATION = MB_ICONASTERISK;

inline constexpr int IDOK = 1;

// Text and caption are code page 1250. In headless mode, or without a real display (the offscreen or
// dummy video driver, no display server), prints "CAPTION: TEXT" as UTF-8 to stderr and returns at
// once; otherwise shows an SDL message box and waits for it. Returns IDOK.
int MessageBoxA(HWND window, LPCSTR text, LPCSTR caption, UINT type);

// A display counter as Win32 keeps it, starting at 0: TRUE adds one, FALSE takes one away; the cursor
// is shown while the counter is 0 or more. Returns the new counter.
int ShowCursor(BOOL show);

// ---- Platform start and end ------------------------------------------------------------------------

// Headless: SDL's offscreen video driver (chosen when the video subsystem starts, so set this first);
// nothing is ever visible and message boxes go to stderr.
void PlatformSetHeadless(bool headless);
bool PlatformIsHeadless();

// Starts SDL's video subsystem once; later calls return at once. False (SDL's reason on stderr) when
// no video driver works. The OpenGL library is loaded with it and stays loaded for the rest of the
// process, so windows can come and go without the driver being unloaded and loaded again.
bool PlatformVideoInit();
bool PlatformVideoIsInitialized();
// Why a visible game cannot start here, or nullptr when it can: outside headless mode the video
// subsystem must start on a driver that shows something, unless an invisible one (SDL_VIDEODRIVER
// offscreen or dummy) was asked for by name. The reason suggests --headless.
const char* PlatformDisplayProblem();

// Takes every pending SDL event off SDL's queue: each goes to the event listener, window events become
// messages. Does nothing before PlatformVideoInit. PeekMessageA calls it; so does the input layer, which
// must see events also while the message queue is not read (full screen).
void PlatformPumpEvents();
using PlatformEventListener = void (*)(const SDL_Event& event);
// One listener (nullptr: none) sees every SDL event as PlatformPumpEvents takes it.
void PlatformSetEventListener(PlatformEventListener listener);

// Frees every window and class, empties the message queue and resets the cursor counter; the video
// subsystem and the event listener stay. Tests start clean with it.
void WindowReset();
// The end of the program: WindowReset, the listener is dropped, SDL's video subsystem is shut down.
// Headless mode stays. A graphics context made on a window must be released before this.
void PlatformShutdown();
