// The game's input state: the DirectInput interface, the keyboard and the mouse, polled once at the
// start of every frame (app/input.h). Every key test in the program reads one byte of
// inputState.keyState, indexed by DirectInput key code; a key is down when bit 0x80 is set.
#pragma once

#include <cstdint>
#include <string>

#include "platform/dinput/dinput.h"

struct InputState {
    IDirectInput8A* directInput;    // null until created
    IDirectInputDevice8A* keyboard;  // null when absent or released
    IDirectInputDevice8A* mouse;     // null when absent
    DIMOUSESTATE2 mouseState;        // zeroed before every read
    std::uint8_t keyState[256];
    HINSTANCE instance;
    HWND window;  // the game window; the devices' cooperative levels refer to it
    std::uint8_t mouseEnabled;     // the mouse is read only while 1
    std::uint8_t keyboardEnabled;  // the keyboard is read only while 1
};

extern InputState inputState;

// The characters typed this frame through the desktop's keyboard layout (code page 1250), while
// InputTextPoll has text input on; empty otherwise.
extern std::string inputText;
// Whether this frame's characters come from inputText instead of the key-to-character tables.
bool InputTextActive();
