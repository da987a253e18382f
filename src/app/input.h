// Creating, polling and releasing the game's input devices (core/input.h holds what they read).
#pragma once

#include <cstdint>
#include <string>

#include "core/input.h"
#include "game/feedback.h"

// Once a frame after InputPoll: switches text input on or off as `wanted` says and takes the text
// typed since the previous frame into inputText. Always off while scripted keys drive the keyboard.
void InputTextPoll(bool wanted);
// Once a frame before InputPoll: the keys the gamepad inputs read as, from the variables j_pad_fel,
// j_pad_le, j_pad_balra, j_pad_jobbra (d-pad and left stick), j_pad_a, j_pad_b, j_pad_x, j_pad_y,
// j_pad_start and j_pad_vissza (Back), each a key name of the bindings or ESCAPE; a missing or
// unknown name leaves that input unused, and with none set the pads are not opened.
void InputPadMapFromVariables();

// With j_rezges set, a gamepad's rumble for what the player met in the frame's steps: a long, strong
// pulse when the aircraft is destroyed, else a short one for a hit or an explosion. Returns how many
// pads took it.
int InputRumbleFor(const FeedbackEvents& events);

// Keeps both handles, clears the three pointers (releasing what they held), sets both enabled bytes
// and creates the DirectInput interface. True when the interface exists.
bool InputCreate(HINSTANCE instance, HWND window);
// The keyboard: created, given the keyboard format and the non-exclusive foreground level; not yet
// acquired. A failed step releases the keyboard and returns false.
bool InputCreateKeyboard();
// The mouse: created, given the 8-button relative format and the non-exclusive foreground level, then
// acquired. A failed step returns false and releases nothing.
bool InputCreateMouse();
// Reads both devices. A keyboard that cannot be acquired (the window lacks the focus) reads as all
// keys up for this frame and is tried again next frame; a failed mouse read leaves a zero mouse state.
void InputPoll();
void InputReleaseKeyboard();
void InputRelease();

// Releases everything and zeroes the record: a clean start for tests.
void InputReset();
