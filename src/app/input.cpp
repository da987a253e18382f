#include "app/input.h"

#include <cstring>

InputState inputState = {};
std::string inputText;

namespace {

constexpr DWORD kCooperativeLevel = DISCL_NONEXCLUSIVE | DISCL_FOREGROUND;

// A lost mouse is acquired again while it keeps reporting the loss; the device layer never reports
// it from Acquire, so this bound only guards against a device that would.
constexpr int kMaxReacquire = 16;

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

void InputTextPoll(bool wanted)
{
    const bool on = wanted && !DInputScriptedKeysActive();
    if (on != DInputTextInputActive()) {
        DInputSetTextInput(on);
    }
    inputText = on ? DInputTakeText() : std::string();
}

bool InputTextActive()
{
    return DInputTextInputActive();
}

void InputReleaseKeyboard()
{
    if (inputState.directInput != nullptr) {
        ReleaseDevice(inputState.keyboard);
    }
}

void InputRelease()
{
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
    if (DInputTextInputActive()) {
        DInputSetTextInput(false);
    }
}
