// The DirectInput-shaped keyboard and mouse over SDL2, in this order:
//
//   1. Scancode table: SDL scancodes to DirectInput key codes, built at compile time.
//   2. Devices: the state every device shares (focus, mouse buttons, typed text, gamepads), and
//      Device, the keyboard or the mouse: data format, cooperative level, acquiring and losing it
//      with the focus, and its state read (keys held or pressed since the last read, or the mouse's
//      motion, wheel and buttons).
//   3. Events, through the window layer's listener (HandleEvent): focus, mouse buttons, typed text
//      (UTF-8 to code page 1250), gamepad buttons and left stick, then each device's own.
//   4. DirectInput8Create and the interface object that creates the two devices.
//   5. The additions: scripted keys, typed text, key code and scancode lookups, the pad map, reset.
#include "platform/dinput/dinput.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <vector>

#include "platform/win/codepage.h"
#include "platform/win/ref_counted.h"
#include "platform/win/window.h"

const DIDATAFORMAT c_dfDIKeyboard = {sizeof(DIDATAFORMAT), sizeof(DIOBJECTDATAFORMAT), 0, 256, 0, nullptr};
const DIDATAFORMAT c_dfDIMouse = {
    sizeof(DIDATAFORMAT), sizeof(DIOBJECTDATAFORMAT), DIDF_RELAXIS, sizeof(DIMOUSESTATE), 0, nullptr};
const DIDATAFORMAT c_dfDIMouse2 = {
    sizeof(DIDATAFORMAT), sizeof(DIOBJECTDATAFORMAT), DIDF_RELAXIS, sizeof(DIMOUSESTATE2), 0, nullptr};

namespace {

// ---- Scancode table --------------------------------------------------------------------------------

using ScancodeTable = std::array<std::uint8_t, SDL_NUM_SCANCODES>;

constexpr ScancodeTable MakeScancodeTable()
{
    ScancodeTable t{};
    auto set = [&t](SDL_Scancode s, BYTE code) { t[static_cast<std::size_t>(s)] = code; };

    // Letters, in the positions of a US layout (the key, not its printed letter).
    constexpr BYTE letters[26] = {DIK_A, DIK_B, DIK_C, DIK_D, DIK_E, DIK_F, DIK_G, DIK_H, DIK_I,
                                  DIK_J, DIK_K, DIK_L, DIK_M, DIK_N, DIK_O, DIK_P, DIK_Q, DIK_R,
                                  DIK_S, DIK_T, DIK_U, DIK_V, DIK_W, DIK_X, DIK_Y, DIK_Z};
    for (int i = 0; i < 26; ++i) {
        set(static_cast<SDL_Scancode>(SDL_SCANCODE_A + i), letters[i]);
    }
    // The number row: 1..9 are consecutive in both, 0 follows 9.
    for (int i = 0; i < 9; ++i) {
        set(static_cast<SDL_Scancode>(SDL_SCANCODE_1 + i), static_cast<BYTE>(DIK_1 + i));
    }
    set(SDL_SCANCODE_0, DIK_0);

    set(SDL_SCANCODE_RETURN, DIK_RETURN);
    set(SDL_SCANCODE_RETURN2, DIK_RETURN);
    set(SDL_SCANCODE_ESCAPE, DIK_ESCAPE);
    set(SDL_SCANCODE_BACKSPACE, DIK_BACK);
    set(SDL_SCANCODE_TAB, DIK_TAB);
    set(SDL_SCANCODE_SPACE, DIK_SPACE);
    set(SDL_SCANCODE_MINUS, DIK_MINUS);
    set(SDL_SCANCODE_EQUALS, DIK_EQUALS);
    set(SDL_SCANCODE_LEFTBRACKET, DIK_LBRACKET);
    set(SDL_SCANCODE_RIGHTBRACKET, DIK_RBRACKET);
    // The ISO key left of Enter is the same key position as the US backslash.
    set(SDL_SCANCODE_BACKSLASH, DIK_BACKSLASH);
    set(SDL_SCANCODE_NONUSHASH, DIK_BACKSLASH);
    set(SDL_SCANCODE_SEMICOLON, DIK_SEMICOLON);
    set(SDL_SCANCODE_APOSTROPHE, DIK_APOSTROPHE);
    set(SDL_SCANCODE_GRAVE, DIK_GRAVE);
    set(SDL_SCANCODE_COMMA, DIK_COMMA);
    set(SDL_SCANCODE_PERIOD, DIK_PERIOD);
    set(SDL_SCANCODE_SLASH, DIK_SLASH);
    set(SDL_SCANCODE_NONUSBACKSLASH, DIK_OEM_102);
    set(SDL_SCANCODE_CAPSLOCK, DIK_CAPITAL);

    for (int i = 0; i < 10; ++i) {
        set(static_cast<SDL_Scancode>(SDL_SCANCODE_F1 + i), static_cast<BYTE>(DIK_F1 + i));
    }
    set(SDL_SCANCODE_F11, DIK_F11);
    set(SDL_SCANCODE_F12, DIK_F12);
    set(SDL_SCANCODE_F13, DIK_F13);
    set(SDL_SCANCODE_F14, DIK_F14);
    set(SDL_SCANCODE_F15, DIK_F15);
    // F16..F24 have no DirectInput names; the codes are their keyboard scan codes.
    constexpr BYTE highF[9] = {0x67, 0x68, 0x69, 0x6A, 0x6B, 0x6C, 0x6D, 0x6E, 0x76};
    for (int i = 0; i < 9; ++i) {
        set(static_cast<SDL_Scancode>(SDL_SCANCODE_F16 + i), highF[i]);
    }

    set(SDL_SCANCODE_PRINTSCREEN, DIK_SYSRQ);
    set(SDL_SCANCODE_SYSREQ, DIK_SYSRQ);
    set(SDL_SCANCODE_SCROLLLOCK, DIK_SCROLL);
    set(SDL_SCANCODE_PAUSE, DIK_PAUSE);
    set(SDL_SCANCODE_INSERT, DIK_INSERT);
    set(SDL_SCANCODE_HOME, DIK_HOME);
    set(SDL_SCANCODE_PAGEUP, DIK_PRIOR);
    set(SDL_SCANCODE_DELETE, DIK_DELETE);
    set(SDL_SCANCODE_END, DIK_END);
    set(SDL_SCANCODE_PAGEDOWN, DIK_NEXT);
    set(SDL_SCANCODE_RIGHT, DIK_RIGHT);
    set(SDL_SCANCODE_LEFT, DIK_LEFT);
    set(SDL_SCANCODE_DOWN, DIK_DOWN);
    set(SDL_SCANCODE_UP, DIK_UP);

    set(SDL_SCANCODE_NUMLOCKCLEAR, DIK_NUMLOCK);
    set(SDL_SCANCODE_KP_DIVIDE, DIK_DIVIDE);
    set(SDL_SCANCODE_KP_MULTIPLY, DIK_MULTIPLY);
    set(SDL_SCANCODE_KP_MINUS, DIK_SUBTRACT);
    set(SDL_SCANCODE_KP_PLUS, DIK_ADD);
    set(SDL_SCANCODE_KP_ENTER, DIK_NUMPADENTER);
    set(SDL_SCANCODE_KP_1, DIK_NUMPAD1);
    set(SDL_SCANCODE_KP_2, DIK_NUMPAD2);
    set(SDL_SCANCODE_KP_3, DIK_NUMPAD3);
    set(SDL_SCANCODE_KP_4, DIK_NUMPAD4);
    set(SDL_SCANCODE_KP_5, DIK_NUMPAD5);
    set(SDL_SCANCODE_KP_6, DIK_NUMPAD6);
    set(SDL_SCANCODE_KP_7, DIK_NUMPAD7);
    set(SDL_SCANCODE_KP_8, DIK_NUMPAD8);
    set(SDL_SCANCODE_KP_9, DIK_NUMPAD9);
    set(SDL_SCANCODE_KP_0, DIK_NUMPAD0);
    set(SDL_SCANCODE_KP_PERIOD, DIK_DECIMAL);
    set(SDL_SCANCODE_KP_EQUALS, DIK_NUMPADEQUALS);
    set(SDL_SCANCODE_KP_COMMA, DIK_NUMPADCOMMA);

    set(SDL_SCANCODE_LCTRL, DIK_LCONTROL);
    set(SDL_SCANCODE_LSHIFT, DIK_LSHIFT);
    set(SDL_SCANCODE_LALT, DIK_LMENU);
    set(SDL_SCANCODE_LGUI, DIK_LWIN);
    set(SDL_SCANCODE_RCTRL, DIK_RCONTROL);
    set(SDL_SCANCODE_RSHIFT, DIK_RSHIFT);
    set(SDL_SCANCODE_RALT, DIK_RMENU);
    set(SDL_SCANCODE_RGUI, DIK_RWIN);
    set(SDL_SCANCODE_APPLICATION, DIK_APPS);
    set(SDL_SCANCODE_POWER, DIK_POWER);
    set(SDL_SCANCODE_SLEEP, DIK_SLEEP);

    // Japanese, Brazilian and Korean keys.
    set(SDL_SCANCODE_INTERNATIONAL1, DIK_ABNT_C1);
    set(SDL_SCANCODE_INTERNATIONAL2, DIK_KANA);
    set(SDL_SCANCODE_INTERNATIONAL3, DIK_YEN);
    set(SDL_SCANCODE_INTERNATIONAL4, DIK_CONVERT);
    set(SDL_SCANCODE_INTERNATIONAL5, DIK_NOCONVERT);
    set(SDL_SCANCODE_LANG1, 0xF2);
    set(SDL_SCANCODE_LANG2, 0xF1);

    // Media and browser keys.
    set(SDL_SCANCODE_MUTE, DIK_MUTE);
    set(SDL_SCANCODE_AUDIOMUTE, DIK_MUTE);
    set(SDL_SCANCODE_VOLUMEUP, DIK_VOLUMEUP);
    set(SDL_SCANCODE_VOLUMEDOWN, DIK_VOLUMEDOWN);
    set(SDL_SCANCODE_AUDIONEXT, DIK_NEXTTRACK);
    set(SDL_SCANCODE_AUDIOPREV, DIK_PREVTRACK);
    set(SDL_SCANCODE_AUDIOSTOP, DIK_MEDIASTOP);
    set(SDL_SCANCODE_AUDIOPLAY, DIK_PLAYPAUSE);
    set(SDL_SCANCODE_MEDIASELECT, DIK_MEDIASELECT);
    set(SDL_SCANCODE_WWW, DIK_WEBHOME);
    set(SDL_SCANCODE_AC_HOME, DIK_WEBHOME);
    set(SDL_SCANCODE_MAIL, DIK_MAIL);
    set(SDL_SCANCODE_CALCULATOR, DIK_CALCULATOR);
    set(SDL_SCANCODE_COMPUTER, DIK_MYCOMPUTER);
    set(SDL_SCANCODE_AC_SEARCH, DIK_WEBSEARCH);
    set(SDL_SCANCODE_AC_BACK, DIK_WEBBACK);
    set(SDL_SCANCODE_AC_FORWARD, DIK_WEBFORWARD);
    set(SDL_SCANCODE_STOP, DIK_WEBSTOP);
    set(SDL_SCANCODE_AC_STOP, DIK_WEBSTOP);
    set(SDL_SCANCODE_AC_REFRESH, DIK_WEBREFRESH);
    set(SDL_SCANCODE_AC_BOOKMARKS, DIK_WEBFAVORITES);
    return t;
}

constexpr ScancodeTable kKeyCodeOfScancode = MakeScancodeTable();

// ---- Devices ---------------------------------------------------------------------------------------

enum class DeviceKind { Keyboard, Mouse };

class Device;

struct DInputState {
    bool scripted = false;
    std::array<std::uint8_t, 256> scriptedKeys{};
    // Whether a focus event has been seen; before that SDL's own keyboard focus is asked.
    bool focusKnown = false;
    Uint32 focusWindowId = 0;
    std::array<BYTE, 8> mouseButtons{};
    bool textInput = false;
    std::string text;   // typed, code page 1250, not yet taken
    // Gamepads: the key of each pad input, and per controller what is held.
    std::array<std::uint8_t, kPadInputCount> padKeys{};
    struct Pad {
        SDL_JoystickID id;
        std::array<bool, kPadInputCount> buttons;  // d-pad and buttons
        std::array<bool, 4> stick;                 // left stick: up, down, left, right
    };
    std::vector<Pad> pads;
    std::array<bool, kPadInputCount> padTapped{};  // pressed since the last keyboard read
};

// Past this deflection (of 32767) the left stick counts as a direction held.
constexpr int kStickDeadZone = 16000;

DInputState state;
void AddPadKeys(std::uint8_t* keys);
// Every device alive, so events can reach them. Not part of the reset: devices belong to their owners.
std::vector<Device*> liveDevices;

bool SameGuid(const GUID& a, const GUID& b)
{
    return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3 &&
           std::memcmp(a.Data4, b.Data4, sizeof(a.Data4)) == 0;
}

bool WindowHasFocus(HWND window, Uint32 windowId)
{
    if (window == nullptr || !IsWindow(window) || windowId == 0) {
        return false;
    }
    if (!state.focusKnown) {
        SDL_Window* focus = SDL_GetKeyboardFocus();
        return focus != nullptr && SDL_GetWindowID(focus) == windowId;
    }
    return state.focusWindowId == windowId;
}

class Device final : public RefCounted<IDirectInputDevice8A> {
public:
    explicit Device(DeviceKind kind) : kind_(kind) { liveDevices.push_back(this); }

    HRESULT SetDataFormat(const DIDATAFORMAT* format) override
    {
        if (format == nullptr) {
            return DIERR_INVALIDPARAM;
        }
        if (acquired_) {
            return DIERR_ACQUIRED;
        }
        DWORD size = format->dwDataSize;
        bool fits = kind_ == DeviceKind::Keyboard ? size == c_dfDIKeyboard.dwDataSize
                                                  : size == c_dfDIMouse.dwDataSize || size == c_dfDIMouse2.dwDataSize;
        if (!fits) {
            return DIERR_INVALIDPARAM;
        }
        dataSize_ = size;
        return DI_OK;
    }

    HRESULT SetCooperativeLevel(HWND window, DWORD flags) override
    {
        DWORD exclusive = flags & (DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE);
        DWORD foreground = flags & (DISCL_FOREGROUND | DISCL_BACKGROUND);
        DWORD known = DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE | DISCL_FOREGROUND | DISCL_BACKGROUND | DISCL_NOWINKEY;
        if ((flags & ~known) != 0 || exclusive == (DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE) || exclusive == 0 ||
            foreground == (DISCL_FOREGROUND | DISCL_BACKGROUND) || foreground == 0) {
            return DIERR_INVALIDPARAM;
        }
        if ((flags & DISCL_FOREGROUND) != 0 && !IsWindow(window)) {
            return DIERR_INVALIDPARAM;
        }
        if (acquired_) {
            return DIERR_ACQUIRED;
        }
        window_ = window;
        // The id, not the pointer, is kept for focus tests: it stays meaningful after the window goes.
        windowId_ = IsWindow(window) ? SDL_GetWindowID(window) : 0;
        foreground_ = (flags & DISCL_FOREGROUND) != 0;
        return DI_OK;
    }

    HRESULT Acquire() override
    {
        if (dataSize_ == 0) {
            return DIERR_INVALIDPARAM;
        }
        PlatformPumpEvents();
        if (!state.scripted && foreground_ && !WindowHasFocus(window_, windowId_)) {
            acquired_ = false;
            return DIERR_OTHERAPPHASPRIO;
        }
        lost_ = false;
        if (acquired_) {
            return DI_NOEFFECT;
        }
        acquired_ = true;
        ClearMotion();
        return DI_OK;
    }

    HRESULT Unacquire() override
    {
        lost_ = false;
        if (!acquired_) {
            return DI_NOEFFECT;
        }
        acquired_ = false;
        ClearMotion();
        return DI_OK;
    }

    HRESULT GetDeviceState(DWORD size, LPVOID data) override
    {
        if (data == nullptr || dataSize_ == 0 || size != dataSize_) {
            return DIERR_INVALIDPARAM;
        }
        PlatformPumpEvents();
        if (!acquired_) {
            if (lost_) {
                lost_ = false;
                return DIERR_INPUTLOST;
            }
            return DIERR_NOTACQUIRED;
        }
        if (state.scripted) {
            if (kind_ == DeviceKind::Keyboard) {
                std::memcpy(data, state.scriptedKeys.data(), 256);
            } else {
                std::memset(data, 0, size);
                ClearMotion();
            }
            return DI_OK;
        }
        if (foreground_ && !WindowHasFocus(window_, windowId_)) {
            acquired_ = false;
            ClearMotion();
            return DIERR_INPUTLOST;
        }
        if (kind_ == DeviceKind::Keyboard) {
            ReadKeyboard(static_cast<std::uint8_t*>(data));
            tapped_.fill(0);
            AddPadKeys(static_cast<std::uint8_t*>(data));
        } else {
            DIMOUSESTATE2 m{};
            m.lX = dx_;
            m.lY = dy_;
            m.lZ = dz_;
            std::copy(state.mouseButtons.begin(), state.mouseButtons.end(), m.rgbButtons);
            // DIMOUSESTATE is the first 16 bytes of DIMOUSESTATE2.
            std::memcpy(data, &m, size);
            ClearMotion();
        }
        return DI_OK;
    }

    HRESULT Poll() override { return acquired_ ? DI_NOEFFECT : DIERR_NOTACQUIRED; }

    // Called for every SDL event the window layer takes.
    void OnEvent(const SDL_Event& e)
    {
        switch (e.type) {
        case SDL_WINDOWEVENT:
            if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST && e.window.windowID == windowId_ && foreground_ &&
                acquired_ && !state.scripted) {
                acquired_ = false;
                lost_ = true;
                ClearMotion();
            }
            break;
        case SDL_KEYDOWN:
            // A key pressed and let go again between two reads still reads as down once.
            if (kind_ == DeviceKind::Keyboard && acquired_ && e.key.repeat == 0) {
                std::uint8_t code = kKeyCodeOfScancode[static_cast<std::size_t>(
                    std::clamp<int>(e.key.keysym.scancode, 0, SDL_NUM_SCANCODES - 1))];
                if (code != 0) {
                    tapped_[code] = 0x80;
                }
            }
            break;
        case SDL_MOUSEMOTION:
            if (kind_ == DeviceKind::Mouse && acquired_) {
                dx_ += e.motion.xrel;
                dy_ += e.motion.yrel;
            }
            break;
        case SDL_MOUSEWHEEL:
            if (kind_ == DeviceKind::Mouse && acquired_) {
                LONG notches = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y;
                dz_ += notches * 120;
            }
            break;
        default: break;
        }
    }

private:
    ~Device() override { std::erase(liveDevices, this); }

    void ClearMotion()
    {
        tapped_.fill(0);
        dx_ = 0;
        dy_ = 0;
        dz_ = 0;
    }

    // The keys held now, and those pressed since the last read.
    void ReadKeyboard(std::uint8_t* keys) const
    {
        std::memcpy(keys, tapped_.data(), 256);
        int count = 0;
        const Uint8* sdlKeys = SDL_GetKeyboardState(&count);
        if (sdlKeys == nullptr) {
            return;
        }
        int n = std::min(count, static_cast<int>(SDL_NUM_SCANCODES));
        for (int s = 0; s < n; ++s) {
            std::uint8_t code = kKeyCodeOfScancode[static_cast<std::size_t>(s)];
            if (sdlKeys[s] != 0 && code != 0) {
                keys[code] = 0x80;
            }
        }
    }

    DeviceKind kind_;
    DWORD dataSize_ = 0;  // 0 until SetDataFormat
    HWND window_ = nullptr;
    Uint32 windowId_ = 0;
    bool foreground_ = false;
    bool acquired_ = false;
    bool lost_ = false;  // unacquired by a focus loss; the next read says so once
    LONG dx_ = 0;
    LONG dy_ = 0;
    LONG dz_ = 0;
    std::array<std::uint8_t, 256> tapped_{};  // keyboard: pressed since the last read
};

int MouseButtonIndex(Uint8 sdlButton)
{
    switch (sdlButton) {
    case SDL_BUTTON_LEFT: return 0;
    case SDL_BUTTON_RIGHT: return 1;
    case SDL_BUTTON_MIDDLE: return 2;
    default: return sdlButton >= SDL_BUTTON_X1 && sdlButton < SDL_BUTTON_X1 + 5 ? 3 + (sdlButton - SDL_BUTTON_X1) : -1;
    }
}

// Decodes UTF-8 and keeps the printable characters code page 1250 has.
void AppendTypedText(const char* utf8)
{
    const auto* p = reinterpret_cast<const unsigned char*>(utf8);
    const unsigned char* end = p + SDL_strlen(utf8);
    while (p < end) {
        char32_t cp = 0;
        int extra = 0;
        if (*p < 0x80) {
            cp = *p;
        } else if ((*p & 0xE0) == 0xC0) {
            cp = *p & 0x1F;
            extra = 1;
        } else if ((*p & 0xF0) == 0xE0) {
            cp = *p & 0x0F;
            extra = 2;
        } else if ((*p & 0xF8) == 0xF0) {
            cp = *p & 0x07;
            extra = 3;
        } else {
            ++p;   // a stray continuation byte
            continue;
        }
        ++p;
        bool whole = true;
        for (int i = 0; i < extra; ++i, ++p) {
            if (p >= end || (*p & 0xC0) != 0x80) {
                whole = false;
                break;
            }
            cp = cp << 6 | (*p & 0x3F);
        }
        if (!whole || cp < 0x20 || cp == 0x7F) {
            continue;
        }
        const int byte = cp1250::FromUnicode(cp);
        if (byte >= 0x20) {
            state.text.push_back(static_cast<char>(byte));
        }
    }
}

DInputState::Pad& PadOf(SDL_JoystickID id)
{
    for (auto& pad : state.pads) {
        if (pad.id == id) {
            return pad;
        }
    }
    state.pads.push_back({id, {}, {}});
    return state.pads.back();
}

int PadInputOfButton(Uint8 button)
{
    switch (button) {
    case SDL_CONTROLLER_BUTTON_DPAD_UP: return kPadUp;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN: return kPadDown;
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT: return kPadLeft;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT: return kPadRight;
    case SDL_CONTROLLER_BUTTON_A: return kPadA;
    case SDL_CONTROLLER_BUTTON_B: return kPadB;
    case SDL_CONTROLLER_BUTTON_X: return kPadX;
    case SDL_CONTROLLER_BUTTON_Y: return kPadY;
    case SDL_CONTROLLER_BUTTON_START: return kPadStart;
    case SDL_CONTROLLER_BUTTON_BACK: return kPadBack;
    default: return -1;
    }
}

void HandlePadEvent(const SDL_Event& e)
{
    switch (e.type) {
    case SDL_CONTROLLERDEVICEADDED:
        if (SDL_WasInit(SDL_INIT_GAMECONTROLLER) != 0 && SDL_IsGameController(e.cdevice.which)) {
            SDL_GameControllerOpen(e.cdevice.which);
        }
        break;
    case SDL_CONTROLLERDEVICEREMOVED: {
        std::erase_if(state.pads, [&](const DInputState::Pad& pad) { return pad.id == e.cdevice.which; });
        if (SDL_GameController* controller = SDL_GameControllerFromInstanceID(e.cdevice.which)) {
            SDL_GameControllerClose(controller);
        }
        break;
    }
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP: {
        const int input = PadInputOfButton(e.cbutton.button);
        if (input >= 0) {
            const bool down = e.type == SDL_CONTROLLERBUTTONDOWN;
            PadOf(e.cbutton.which).buttons[static_cast<std::size_t>(input)] = down;
            if (down) {
                state.padTapped[static_cast<std::size_t>(input)] = true;
            }
        }
        break;
    }
    case SDL_CONTROLLERAXISMOTION: {
        const int v = e.caxis.value;
        auto& stick = PadOf(e.caxis.which).stick;
        auto set = [&](int direction, bool held) {
            if (held && !stick[static_cast<std::size_t>(direction)]) {
                state.padTapped[static_cast<std::size_t>(direction)] = true;
            }
            stick[static_cast<std::size_t>(direction)] = held;
        };
        if (e.caxis.axis == SDL_CONTROLLER_AXIS_LEFTY) {
            set(kPadUp, v < -kStickDeadZone);
            set(kPadDown, v > kStickDeadZone);
        } else if (e.caxis.axis == SDL_CONTROLLER_AXIS_LEFTX) {
            set(kPadLeft, v < -kStickDeadZone);
            set(kPadRight, v > kStickDeadZone);
        }
        break;
    }
    default: break;
    }
}

// The keys the pads hold now or pressed since the last read, added to a keyboard state.
void AddPadKeys(std::uint8_t* keys)
{
    for (std::size_t input = 0; input < kPadInputCount; ++input) {
        bool held = state.padTapped[input];
        for (const auto& pad : state.pads) {
            held = held || pad.buttons[input] || (input < 4 && pad.stick[input]);
        }
        const std::uint8_t code = state.padKeys[input];
        if (held && code != 0) {
            keys[code] = 0x80;
        }
    }
    state.padTapped.fill(false);
}

void HandleEvent(const SDL_Event& e)
{
    if (e.type >= SDL_CONTROLLERAXISMOTION && e.type <= SDL_CONTROLLERDEVICEREMAPPED) {
        HandlePadEvent(e);
    }
    if (e.type == SDL_WINDOWEVENT) {
        if (e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) {
            state.focusKnown = true;
            state.focusWindowId = e.window.windowID;
        } else if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
            state.focusKnown = true;
            if (state.focusWindowId == e.window.windowID) {
                state.focusWindowId = 0;
            }
            state.mouseButtons.fill(0);
            state.text.clear();
        }
    } else if (e.type == SDL_TEXTINPUT && state.textInput) {
        AppendTypedText(e.text.text);
    } else if (e.type == SDL_MOUSEBUTTONDOWN || e.type == SDL_MOUSEBUTTONUP) {
        int index = MouseButtonIndex(e.button.button);
        if (index >= 0) {
            state.mouseButtons[static_cast<std::size_t>(index)] = e.type == SDL_MOUSEBUTTONDOWN ? 0x80 : 0;
        }
    }
    // A device may not free itself here, but iterate over a copy all the same.
    std::vector<Device*> devices = liveDevices;
    for (Device* d : devices) {
        d->OnEvent(e);
    }
}

class DirectInput final : public RefCounted<IDirectInput8A> {
public:
    HRESULT CreateDevice(REFGUID device, LPDIRECTINPUTDEVICE8A* out, LPUNKNOWN outer) override
    {
        if (out == nullptr) {
            return DIERR_INVALIDPARAM;
        }
        *out = nullptr;
        if (outer != nullptr) {
            return DIERR_NOAGGREGATION;
        }
        DeviceKind kind;
        if (SameGuid(device, GUID_SysKeyboard)) {
            kind = DeviceKind::Keyboard;
        } else if (SameGuid(device, GUID_SysMouse)) {
            kind = DeviceKind::Mouse;
        } else {
            return DIERR_DEVICENOTREG;
        }
        Device* d = new (std::nothrow) Device(kind);
        if (d == nullptr) {
            return DIERR_OUTOFMEMORY;
        }
        PlatformSetEventListener(&HandleEvent);
        *out = d;
        return DI_OK;
    }

private:
    ~DirectInput() override = default;
};

}  // namespace

HRESULT DirectInput8Create(HINSTANCE, DWORD version, REFIID iid, LPVOID* out, LPUNKNOWN outer)
{
    if (out == nullptr) {
        return DIERR_INVALIDPARAM;
    }
    *out = nullptr;
    if (version < DIRECTINPUT_VERSION) {
        return DIERR_OLDDIRECTINPUTVERSION;
    }
    if (version > DIRECTINPUT_VERSION) {
        return DIERR_BETADIRECTINPUTVERSION;
    }
    if (!SameGuid(iid, IID_IDirectInput8A)) {
        return DIERR_NOINTERFACE;
    }
    if (outer != nullptr) {
        return DIERR_NOAGGREGATION;
    }
    DirectInput* di = new (std::nothrow) DirectInput();
    if (di == nullptr) {
        return DIERR_OUTOFMEMORY;
    }
    PlatformSetEventListener(&HandleEvent);
    *out = static_cast<IDirectInput8A*>(di);
    return DI_OK;
}

void DInputSetScriptedKeys(const std::uint8_t* keys256)
{
    if (keys256 == nullptr) {
        state.scripted = false;
        state.scriptedKeys.fill(0);
        return;
    }
    state.scripted = true;
    std::memcpy(state.scriptedKeys.data(), keys256, 256);
}

bool DInputScriptedKeysActive()
{
    return state.scripted;
}

void DInputSetTextInput(bool on)
{
    state.textInput = on;
    state.text.clear();
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0) {
        SDL_EventState(SDL_TEXTINPUT, on ? SDL_ENABLE : SDL_IGNORE);
        if (on) {
            SDL_StartTextInput();
        } else {
            SDL_StopTextInput();
        }
    }
}

bool DInputTextInputActive()
{
    return state.textInput;
}

std::string DInputTakeText()
{
    std::string taken;
    taken.swap(state.text);
    return taken;
}

int DInputKeyCodeFromScancode(int sdlScancode)
{
    if (sdlScancode < 0 || sdlScancode >= static_cast<int>(kKeyCodeOfScancode.size())) {
        return 0;
    }
    return kKeyCodeOfScancode[static_cast<std::size_t>(sdlScancode)];
}

int DInputScancodeFromKeyCode(int keyCode)
{
    if (keyCode <= 0 || keyCode > 255) {
        return SDL_SCANCODE_UNKNOWN;
    }
    for (std::size_t s = 0; s < kKeyCodeOfScancode.size(); ++s) {
        if (kKeyCodeOfScancode[s] == keyCode) {
            return static_cast<int>(s);
        }
    }
    return SDL_SCANCODE_UNKNOWN;
}

void DInputSetPadMap(const std::uint8_t* keyCodes)
{
    const bool any = keyCodes != nullptr &&
                     std::any_of(keyCodes, keyCodes + kPadInputCount, [](std::uint8_t code) { return code != 0; });
    if (keyCodes != nullptr) {
        std::copy(keyCodes, keyCodes + kPadInputCount, state.padKeys.begin());
    } else {
        state.padKeys.fill(0);
    }
    const bool open = SDL_WasInit(SDL_INIT_GAMECONTROLLER) != 0;
    if (any && !open && SDL_WasInit(SDL_INIT_VIDEO) != 0 && !PlatformIsHeadless()) {
        // The controllers present now arrive as "device added" events, like those plugged in later.
        SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER);
    } else if (!any && open) {
        SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);   // closes every controller opened
    }
    if (!any) {
        state.pads.clear();
        state.padTapped.fill(false);
    }
}

int DInputRumble(std::uint16_t low, std::uint16_t high, std::uint32_t milliseconds)
{
    if (SDL_WasInit(SDL_INIT_GAMECONTROLLER) == 0) {
        return 0;
    }
    int took = 0;
    for (int i = 0; i < SDL_NumJoysticks(); ++i) {
        SDL_GameController* controller = SDL_GameControllerFromInstanceID(SDL_JoystickGetDeviceInstanceID(i));
        if (controller != nullptr && SDL_GameControllerRumble(controller, low, high, milliseconds) == 0) {
            ++took;
        }
    }
    return took;
}

void DInputReset()
{
    state = DInputState{};
}
