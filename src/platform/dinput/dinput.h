// A DirectInput-8-shaped keyboard and mouse over SDL2.
//
// The game creates the interface with DirectInput8Create, a keyboard and a mouse device with
// CreateDevice, and polls them once a frame with Acquire and GetDeviceState, by the names, argument
// orders, values and state layouts of DirectInput 8.
//
// Underneath: the keyboard state is SDL's key state (SDL_GetKeyboardState) turned into the 256 bytes
// indexed by DirectInput key code through one table from SDL scancodes; the mouse state is the motion,
// wheel and buttons of SDL's mouse events since the last read. A device with the foreground
// cooperative level can be acquired only while its window has the keyboard focus; losing the focus
// unacquires it (the next read reports DIERR_INPUTLOST), and Acquire works again once the focus is
// back. Events reach the devices through the window layer's event pump (PlatformPumpEvents), which
// Acquire and GetDeviceState run themselves.
//
// Scripted input replaces the real keyboard with exactly given key bytes, for replays and tests.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win/handles.h"

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using LPVOID = void*;
using LPUNKNOWN = void*;

#ifndef AVIORRA_GUID_DEFINED
#define AVIORRA_GUID_DEFINED
struct GUID {
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];
};
#endif
using REFGUID = const GUID&;
using REFIID = const GUID&;

inline constexpr DWORD DIRECTINPUT_VERSION = 0x0800;

inline constexpr GUID IID_IDirectInput8A = {
    0xBF798030, 0x483A, 0x4DA2, {0xAA, 0x99, 0x5D, 0x64, 0xED, 0x36, 0x97, 0x00}};
inline constexpr GUID GUID_SysMouse = {0x6F1D2B60, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
inline constexpr GUID GUID_SysKeyboard = {0x6F1D2B61, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

// ---- Result codes ----------------------------------------------------------------------------------

inline constexpr HRESULT DI_OK = 0;
inline constexpr HRESULT DI_NOEFFECT = 1;
inline constexpr HRESULT DIERR_GENERIC = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT DIERR_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
inline constexpr HRESULT DIERR_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);
inline constexpr HRESULT DIERR_DEVICENOTREG = static_cast<HRESULT>(0x80040154u);
inline constexpr HRESULT DIERR_OTHERAPPHASPRIO = static_cast<HRESULT>(0x80070005u);
inline constexpr HRESULT DIERR_NOTACQUIRED = static_cast<HRESULT>(0x8007000Cu);
inline constexpr HRESULT DIERR_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
inline constexpr HRESULT DIERR_NOTINITIALIZED = static_cast<HRESULT>(0x80070015u);
inline constexpr HRESULT DIERR_INPUTLOST = static_cast<HRESULT>(0x8007001Eu);
inline constexpr HRESULT DIERR_INVALIDPARAM = static_cast<HRESULT>(0x80070057u);
inline constexpr HRESULT DIERR_ACQUIRED = static_cast<HRESULT>(0x800700AAu);
inline constexpr HRESULT DIERR_OLDDIRECTINPUTVERSION = static_cast<HRESULT>(0x8007047Eu);
inline constexpr HRESULT DIERR_BETADIRECTINPUTVERSION = static_cast<HRESULT>(0x80070481u);

// ---- Cooperative levels ----------------------------------------------------------------------------

inline constexpr DWORD DISCL_EXCLUSIVE = 0x00000001u;
inline constexpr DWORD DISCL_NONEXCLUSIVE = 0x00000002u;
inline constexpr DWORD DISCL_FOREGROUND = 0x00000004u;
inline constexpr DWORD DISCL_BACKGROUND = 0x00000008u;
inline constexpr DWORD DISCL_NOWINKEY = 0x00000010u;

// ---- Data formats and device states ----------------------------------------------------------------

inline constexpr DWORD DIDF_ABSAXIS = 0x00000001u;
inline constexpr DWORD DIDF_RELAXIS = 0x00000002u;

struct DIOBJECTDATAFORMAT {
    const GUID* pguid;
    DWORD dwOfs;
    DWORD dwType;
    DWORD dwFlags;
};

struct DIDATAFORMAT {
    DWORD dwSize;
    DWORD dwObjSize;
    DWORD dwFlags;
    DWORD dwDataSize;
    DWORD dwNumObjs;
    const DIOBJECTDATAFORMAT* rgodf;
};

// 256 bytes, one per key code.
extern const DIDATAFORMAT c_dfDIKeyboard;
// Relative axes with 4 buttons (DIMOUSESTATE) or 8 buttons (DIMOUSESTATE2).
extern const DIDATAFORMAT c_dfDIMouse;
extern const DIDATAFORMAT c_dfDIMouse2;

// Motion since the last read in mickeys (x right, y down), wheel in steps of 120 per notch away from
// the user, then the buttons (left, right, middle, the two side buttons...): 0x80 when down.
struct DIMOUSESTATE {
    LONG lX;
    LONG lY;
    LONG lZ;
    BYTE rgbButtons[4];
};
struct DIMOUSESTATE2 {
    LONG lX;
    LONG lY;
    LONG lZ;
    BYTE rgbButtons[8];
};
static_assert(sizeof(DIMOUSESTATE) == 16);
static_assert(sizeof(DIMOUSESTATE2) == 20);

// ---- Interfaces ------------------------------------------------------------------------------------

struct IDirectInputDevice8A {
    virtual ULONG AddRef() = 0;
    // Frees the device when the last reference goes; returns the references left.
    virtual ULONG Release() = 0;
    // c_dfDIKeyboard for a keyboard; c_dfDIMouse or c_dfDIMouse2 for a mouse. DIERR_ACQUIRED while
    // acquired, DIERR_INVALIDPARAM for a format the device cannot give.
    virtual HRESULT SetDataFormat(const DIDATAFORMAT* format) = 0;
    // One of DISCL_EXCLUSIVE / DISCL_NONEXCLUSIVE and one of DISCL_FOREGROUND / DISCL_BACKGROUND;
    // foreground needs a window of the window layer.
    virtual HRESULT SetCooperativeLevel(HWND window, DWORD flags) = 0;
    // DI_OK, DI_NOEFFECT when already acquired, DIERR_OTHERAPPHASPRIO while a foreground device's
    // window lacks the focus, DIERR_INVALIDPARAM before SetDataFormat. Never DIERR_INPUTLOST.
    virtual HRESULT Acquire() = 0;
    virtual HRESULT Unacquire() = 0;
    // `size` must be the data format's size. DIERR_INPUTLOST once after the focus went away,
    // DIERR_NOTACQUIRED otherwise when not acquired; the buffer is untouched on failure.
    virtual HRESULT GetDeviceState(DWORD size, LPVOID data) = 0;
    virtual HRESULT Poll() = 0;

protected:
    virtual ~IDirectInputDevice8A() = default;
};
using LPDIRECTINPUTDEVICE8A = IDirectInputDevice8A*;

struct IDirectInput8A {
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
    // GUID_SysKeyboard or GUID_SysMouse; the new device has one reference. DIERR_DEVICENOTREG for any
    // other device.
    virtual HRESULT CreateDevice(REFGUID device, LPDIRECTINPUTDEVICE8A* out, LPUNKNOWN outer) = 0;

protected:
    virtual ~IDirectInput8A() = default;
};
using LPDIRECTINPUT8A = IDirectInput8A*;

// `version` must be 0x0800 and `iid` IID_IDirectInput8A. On failure *out is null.
HRESULT DirectInput8Create(HINSTANCE instance, DWORD version, REFIID iid, LPVOID* out, LPUNKNOWN outer);

// ---- Scripted input and key codes ------------------------------------------------------------------

// From now on every keyboard reads exactly these 256 bytes (copied), Acquire always succeeds whatever
// the focus, and every mouse reads as zero. nullptr goes back to the real keyboard and mouse.
void DInputSetScriptedKeys(const std::uint8_t* keys256);
bool DInputScriptedKeysActive();

// ---- Typed text (an addition: DirectInput has no text) --------------------------------------------

// On: the desktop's keyboard layout turns key presses into text (SDL text input events), kept as
// code page 1250 characters until taken; characters outside code page 1250 and control characters
// are dropped, and losing the focus forgets what was not taken. Off (the default): no text is kept.
void DInputSetTextInput(bool on);
bool DInputTextInputActive();
// The text typed since the last call, code page 1250.
std::string DInputTakeText();

// ---- Gamepads (an addition: read as keyboard keys) ------------------------------------------------

// The pad inputs that can act as keys: the d-pad and the left stick (past a dead zone) as directions,
// the four face buttons, Start and Back.
enum DInputPadInput {
    kPadUp,
    kPadDown,
    kPadLeft,
    kPadRight,
    kPadA,
    kPadB,
    kPadX,
    kPadY,
    kPadStart,
    kPadBack,
    kPadInputCount
};

// The key code each pad input reads as (0: none). A map with any key opens SDL's game controllers,
// those present and those plugged in later, unless the video layer is headless; nullptr closes them.
// While a pad input is held, or was pressed since the last read, every keyboard reads its key as
// down. Scripted keys ignore the pads.
void DInputSetPadMap(const std::uint8_t* keyCodes);

// Rumble (an addition): every open game controller with rumble motors runs them at these strengths
// (0..65535, the low- and the high-frequency motor) for `milliseconds`, replacing a rumble in
// progress. Returns how many controllers took it (0 without a pad or without motors).
int DInputRumble(std::uint16_t low, std::uint16_t high, std::uint32_t milliseconds);

// The DirectInput key code of an SDL scancode; 0 for a key DirectInput has no code for.
int DInputKeyCodeFromScancode(int sdlScancode);
// The first SDL scancode with this key code; 0 (SDL_SCANCODE_UNKNOWN) when none has it.
int DInputScancodeFromKeyCode(int keyCode);

// Scripted keys off, focus and mouse buttons forgotten. Devices stay with their owners.
void DInputReset();

// ---- Key codes -------------------------------------------------------------------------------------

inline constexpr BYTE DIK_ESCAPE = 0x01;
inline constexpr BYTE DIK_1 = 0x02;
inline constexpr BYTE DIK_2 = 0x03;
inline constexpr BYTE DIK_3 = 0x04;
inline constexpr BYTE DIK_4 = 0x05;
inline constexpr BYTE DIK_5 = 0x06;
inline constexpr BYTE DIK_6 = 0x07;
inline constexpr BYTE DIK_7 = 0x08;
inline constexpr BYTE DIK_8 = 0x09;
inline constexpr BYTE DIK_9 = 0x0A;
inline constexpr BYTE DIK_0 = 0x0B;
inline constexpr BYTE DIK_MINUS = 0x0C;
inline constexpr BYTE DIK_EQUALS = 0x0D;
inline constexpr BYTE DIK_BACK = 0x0E;
inline constexpr BYTE DIK_TAB = 0x0F;
inline constexpr BYTE DIK_Q = 0x10;
inline constexpr BYTE DIK_W = 0x11;
inline constexpr BYTE DIK_E = 0x12;
inline constexpr BYTE DIK_R = 0x13;
inline constexpr BYTE DIK_T = 0x14;
inline constexpr BYTE DIK_Y = 0x15;
inline constexpr BYTE DIK_U = 0x16;
inline constexpr BYTE DIK_I = 0x17;
inline constexpr BYTE DIK_O = 0x18;
inline constexpr BYTE DIK_P = 0x19;
inline constexpr BYTE DIK_LBRACKET = 0x1A;
inline constexpr BYTE DIK_RBRACKET = 0x1B;
inline constexpr BYTE DIK_RETURN = 0x1C;
inline constexpr BYTE DIK_LCONTROL = 0x1D;
inline constexpr BYTE DIK_A = 0x1E;
inline constexpr BYTE DIK_S = 0x1F;
inline constexpr BYTE DIK_D = 0x20;
inline constexpr BYTE DIK_F = 0x21;
inline constexpr BYTE DIK_G = 0x22;
inline constexpr BYTE DIK_H = 0x23;
inline constexpr BYTE DIK_J = 0x24;
inline constexpr BYTE DIK_K = 0x25;
inline constexpr BYTE DIK_L = 0x26;
inline constexpr BYTE DIK_SEMICOLON = 0x27;
inline constexpr BYTE DIK_APOSTROPHE = 0x28;
inline constexpr BYTE DIK_GRAVE = 0x29;
inline constexpr BYTE DIK_LSHIFT = 0x2A;
inline constexpr BYTE DIK_BACKSLASH = 0x2B;
inline constexpr BYTE DIK_Z = 0x2C;
inline constexpr BYTE DIK_X = 0x2D;
inline constexpr BYTE DIK_C = 0x2E;
inline constexpr BYTE DIK_V = 0x2F;
inline constexpr BYTE DIK_B = 0x30;
inline constexpr BYTE DIK_N = 0x31;
inline constexpr BYTE DIK_M = 0x32;
inline constexpr BYTE DIK_COMMA = 0x33;
inline constexpr BYTE DIK_PERIOD = 0x34;
inline constexpr BYTE DIK_SLASH = 0x35;
inline constexpr BYTE DIK_RSHIFT = 0x36;
inline constexpr BYTE DIK_MULTIPLY = 0x37;
inline constexpr BYTE DIK_LMENU = 0x38;
inline constexpr BYTE DIK_SPACE = 0x39;
inline constexpr BYTE DIK_CAPITAL = 0x3A;
inline constexpr BYTE DIK_F1 = 0x3B;
inline constexpr BYTE DIK_F2 = 0x3C;
inline constexpr BYTE DIK_F3 = 0x3D;
inline constexpr BYTE DIK_F4 = 0x3E;
inline constexpr BYTE DIK_F5 = 0x3F;
inline constexpr BYTE DIK_F6 = 0x40;
inline constexpr BYTE DIK_F7 = 0x41;
inline constexpr BYTE DIK_F8 = 0x42;
inline constexpr BYTE DIK_F9 = 0x43;
inline constexpr BYTE DIK_F10 = 0x44;
inline constexpr BYTE DIK_NUMLOCK = 0x45;
inline constexpr BYTE DIK_SCROLL = 0x46;
inline constexpr BYTE DIK_NUMPAD7 = 0x47;
inline constexpr BYTE DIK_NUMPAD8 = 0x48;
inline constexpr BYTE DIK_NUMPAD9 = 0x49;
inline constexpr BYTE DIK_SUBTRACT = 0x4A;
inline constexpr BYTE DIK_NUMPAD4 = 0x4B;
inline constexpr BYTE DIK_NUMPAD5 = 0x4C;
inline constexpr BYTE DIK_NUMPAD6 = 0x4D;
inline constexpr BYTE DIK_ADD = 0x4E;
inline constexpr BYTE DIK_NUMPAD1 = 0x4F;
inline constexpr BYTE DIK_NUMPAD2 = 0x50;
inline constexpr BYTE DIK_NUMPAD3 = 0x51;
inline constexpr BYTE DIK_NUMPAD0 = 0x52;
inline constexpr BYTE DIK_DECIMAL = 0x53;
inline constexpr BYTE DIK_OEM_102 = 0x56;
inline constexpr BYTE DIK_F11 = 0x57;
inline constexpr BYTE DIK_F12 = 0x58;
inline constexpr BYTE DIK_F13 = 0x64;
inline constexpr BYTE DIK_F14 = 0x65;
inline constexpr BYTE DIK_F15 = 0x66;
inline constexpr BYTE DIK_KANA = 0x70;
inline constexpr BYTE DIK_ABNT_C1 = 0x73;
inline constexpr BYTE DIK_CONVERT = 0x79;
inline constexpr BYTE DIK_NOCONVERT = 0x7B;
inline constexpr BYTE DIK_YEN = 0x7D;
inline constexpr BYTE DIK_ABNT_C2 = 0x7E;
inline constexpr BYTE DIK_NUMPADEQUALS = 0x8D;
inline constexpr BYTE DIK_PREVTRACK = 0x90;
inline constexpr BYTE DIK_AT = 0x91;
inline constexpr BYTE DIK_COLON = 0x92;
inline constexpr BYTE DIK_UNDERLINE = 0x93;
inline constexpr BYTE DIK_KANJI = 0x94;
inline constexpr BYTE DIK_STOP = 0x95;
inline constexpr BYTE DIK_AX = 0x96;
inline constexpr BYTE DIK_UNLABELED = 0x97;
inline constexpr BYTE DIK_NEXTTRACK = 0x99;
inline constexpr BYTE DIK_NUMPADENTER = 0x9C;
inline constexpr BYTE DIK_RCONTROL = 0x9D;
inline constexpr BYTE DIK_MUTE = 0xA0;
inline constexpr BYTE DIK_CALCULATOR = 0xA1;
inline constexpr BYTE DIK_PLAYPAUSE = 0xA2;
inline constexpr BYTE DIK_MEDIASTOP = 0xA4;
inline constexpr BYTE DIK_VOLUMEDOWN = 0xAE;
inline constexpr BYTE DIK_VOLUMEUP = 0xB0;
inline constexpr BYTE DIK_WEBHOME = 0xB2;
inline constexpr BYTE DIK_NUMPADCOMMA = 0xB3;
inline constexpr BYTE DIK_DIVIDE = 0xB5;
inline constexpr BYTE DIK_SYSRQ = 0xB7;
inline constexpr BYTE DIK_RMENU = 0xB8;
inline constexpr BYTE DIK_PAUSE = 0xC5;
inline constexpr BYTE DIK_HOME = 0xC7;
inline constexpr BYTE DIK_UP = 0xC8;
inline constexpr BYTE DIK_PRIOR = 0xC9;
inline constexpr BYTE DIK_LEFT = 0xCB;
inline constexpr BYTE DIK_RIGHT = 0xCD;
inline constexpr BYTE DIK_END = 0xCF;
inline constexpr BYTE DIK_DOWN = 0xD0;
inline constexpr BYTE DIK_NEXT = 0xD1;
inline constexpr BYTE DIK_INSERT = 0xD2;
inline constexpr BYTE DIK_DELETE = 0xD3;
inline constexpr BYTE DIK_LWIN = 0xDB;
inline constexpr BYTE DIK_RWIN = 0xDC;
inline constexpr BYTE DIK_APPS = 0xDD;
inline constexpr BYTE DIK_POWER = 0xDE;
inline constexpr BYTE DIK_SLEEP = 0xDF;
inline constexpr BYTE DIK_WAKE = 0xE3;
inline constexpr BYTE DIK_WEBSEARCH = 0xE5;
inline constexpr BYTE DIK_WEBFAVORITES = 0xE6;
inline constexpr BYTE DIK_WEBREFRESH = 0xE7;
inline constexpr BYTE DIK_WEBSTOP = 0xE8;
inline constexpr BYTE DIK_WEBFORWARD = 0xE9;
inline constexpr BYTE DIK_WEBBACK = 0xEA;
inline constexpr BYTE DIK_MYCOMPUTER = 0xEB;
inline constexpr BYTE DIK_MAIL = 0xEC;
inline constexpr BYTE DIK_MEDIASELECT = 0xED;

// Alternate names.
inline constexpr BYTE DIK_BACKSPACE = DIK_BACK;
inline constexpr BYTE DIK_NUMPADSTAR = DIK_MULTIPLY;
inline constexpr BYTE DIK_LALT = DIK_LMENU;
inline constexpr BYTE DIK_CAPSLOCK = DIK_CAPITAL;
inline constexpr BYTE DIK_NUMPADMINUS = DIK_SUBTRACT;
inline constexpr BYTE DIK_NUMPADPLUS = DIK_ADD;
inline constexpr BYTE DIK_NUMPADPERIOD = DIK_DECIMAL;
inline constexpr BYTE DIK_NUMPADSLASH = DIK_DIVIDE;
inline constexpr BYTE DIK_RALT = DIK_RMENU;
inline constexpr BYTE DIK_UPARROW = DIK_UP;
inline constexpr BYTE DIK_PGUP = DIK_PRIOR;
inline constexpr BYTE DIK_LEFTARROW = DIK_LEFT;
inline constexpr BYTE DIK_RIGHTARROW = DIK_RIGHT;
inline constexpr BYTE DIK_DOWNARROW = DIK_DOWN;
inline constexpr BYTE DIK_PGDN = DIK_NEXT;
