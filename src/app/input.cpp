#include "app/input.h"

#include <cstring>

#include "console/bindings.h"
#include "console/variables.h"

namespace {

constexpr DWORD kCooperativeLevel = DISCL_NONEXCLUSIVE | DISCL_FOREGROUND;

// A lost mouse is acquired again while it keeps reporting the loss; the device layer never reports
// it from Acquire, so this bound only guards against a device that would.
constexpr int kMaxReacquire = 16;

// Rumble pulses: motor strengths (low, high frequency) and length.
struct RumblePulse {
    std::uint16_t low;
    std::uint16_t high;
    std::uint32_t milliseconds;
};
constexpr RumblePulse kDestroyedRumble{0xFFFF, 0xFFFF, 700};
constexpr RumblePulse kHitRumble{0x5000, 0xC000, 120};
constexpr RumblePulse kExplosionRumble{0xC000, 0x6000, 200};

void ReleaseDevice(IDirectInputDevice8A*& device)
{
    if (device != nullptr) {
        device->Unacquire();
        device->Release();
        device = nullptr;
    }
}

// Step 1 of both device creations: the interface, made again from the kept handles when missing.
bool EnsureInterface()
{
    if (inputState.directInput != nullptr) {
        return true;
    }
    if (inputState.window == nullptr || inputState.instance == nullptr) {
        return false;
    }
    return InputCreate(inputState.instance, inputState.window);
}

}  // namespace

bool InputCreate(HINSTANCE instance, HWND window)
{
    InputRelease();
    // Devices that outlived their interface are not expected, but are not leaked either.
    ReleaseDevice(inputState.keyboard);
    ReleaseDevice(inputState.mouse);
    inputState.instance = instance;
    inputState.window = window;
    inputState.directInput = nullptr;
    inputState.keyboard = nullptr;
    inputState.mouse = nullptr;
    inputState.mouseEnabled = 1;
    inputState.keyboardEnabled = 1;
    void* created = nullptr;
    HRESULT hr = DirectInput8Create(instance, DIRECTINPUT_VERSION, IID_IDirectInput8A, &created, nullptr);
    if (FAILED(hr)) {
        return false;
    }
    inputState.directInput = static_cast<IDirectInput8A*>(created);
    return true;
}

bool InputCreateKeyboard()
{
    if (!EnsureInterface()) {
        return false;
    }
    if (FAILED(inputState.directInput->CreateDevice(GUID_SysKeyboard, &inputState.keyboard, nullptr))) {
        InputReleaseKeyboard();
        return false;
    }
    if (FAILED(inputState.keyboard->SetDataFormat(&c_dfDIKeyboard))) {
        InputReleaseKeyboard();
        return false;
    }
    if (FAILED(inputState.keyboard->SetCooperativeLevel(inputState.window, kCooperativeLevel))) {
        InputReleaseKeyboard();
        return false;
    }
    inputState.keyboardEnabled = 1;
    return true;
}

bool InputCreateMouse()
{
    if (!EnsureInterface()) {
        return false;
    }
    if (FAILED(inputState.directInput->CreateDevice(GUID_SysMouse, &inputState.mouse, nullptr))) {
        return false;
    }
    if (FAILED(inputState.mouse->SetDataFormat(&c_dfDIMouse2))) {
        return false;
    }
    if (FAILED(inputState.mouse->SetCooperativeLevel(inputState.window, kCooperativeLevel))) {
        return false;
    }
    inputState.mouse->Acquire();
    inputState.mouseEnabled = 1;
    return true;
}

void InputPoll()
{
    if (inputState.directInput == nullptr) {
        return;
    }
    if (inputState.keyboard != nullptr && inputState.keyboardEnabled == 1) {
        // Without the focus the keyboard cannot be acquired: every key reads as up for this frame,
        // so nothing stays held down, and the next frame tries again.
        if (FAILED(inputState.keyboard->Acquire()) ||
            FAILED(inputState.keyboard->GetDeviceState(sizeof(inputState.keyState), inputState.keyState))) {
            std::memset(inputState.keyState, 0, sizeof(inputState.keyState));
        }
    }
    if (inputState.mouse != nullptr && inputState.mouseEnabled == 1) {
        std::memset(&inputState.mouseState, 0, sizeof(inputState.mouseState));
        HRESULT hr = inputState.mouse->GetDeviceState(sizeof(inputState.mouseState), &inputState.mouseState);
        if (hr != DI_OK) {
            std::memset(&inputState.mouseState, 0, sizeof(inputState.mouseState));
            for (int i = 0; i < kMaxReacquire && inputState.mouse->Acquire() == DIERR_INPUTLOST; ++i) {
            }
        }
    }
}

int InputRumbleFor(const FeedbackEvents& events)
{
    if (VarGetInt("j_rezges") == 0) {
        return 0;
    }
    const RumblePulse* pulse = events.playerDestroyed  ? &kDestroyedRumble
                               : events.explosions > 0 ? &kExplosionRumble
                               : events.playerHits > 0 ? &kHitRumble
                                                       : nullptr;
    return pulse != nullptr ? DInputRumble(pulse->low, pulse->high, pulse->milliseconds) : 0;
}

void InputPadMapFromVariables()
{
    static constexpr const char* kPadVariables[kPadInputCount] = {
        "j_pad_fel", "j_pad_le", "j_pad_balra", "j_pad_jobbra", "j_pad_a",
        "j_pad_b",   "j_pad_x",  "j_pad_y",     "j_pad_start",  "j_pad_vissza"};
    std::uint8_t map[kPadInputCount] = {};
    for (int i = 0; i < kPadInputCount; ++i) {
        const char* name = VarGetString(kPadVariables[i]);
        if (name == nullptr) {
            continue;
        }
        const int code = std::strcmp(name, "ESCAPE") == 0 ? 1 : KeyCodeFromName(name);
        map[i] = static_cast<std::uint8_t>(code > 0 && code < 256 ? code : 0);
    }
    DInputSetPadMap(map);
}

void InputTextPoll(bool wanted)
{
    const bool on = wanted && !DInputScriptedKeysActive();
    if (on != DInputTextInputActive()) {
        DInputSetTextInput(on);
    }
    inputText = on ? DInputTakeText() : std::string();
}

void InputReleaseKeyboard()
{
    if (inputState.directInput != nullptr) {
        ReleaseDevice(inputState.keyboard);
    }
}

void InputRelease()
{
    DInputSetPadMap(nullptr);
    if (inputState.directInput == nullptr) {
        return;
    }
    ReleaseDevice(inputState.keyboard);
    ReleaseDevice(inputState.mouse);
    inputState.directInput->Release();
    inputState.directInput = nullptr;
}

void InputReset()
{
    InputRelease();
    ReleaseDevice(inputState.keyboard);
    ReleaseDevice(inputState.mouse);
    inputState = InputState{};
    inputText.clear();
    DInputSetPadMap(nullptr);
    if (DInputTextInputActive()) {
        DInputSetTextInput(false);
    }
}
