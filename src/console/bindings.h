// Key names and key bindings: every key can carry one command line, run while the key is held.
#pragma once

#include <cstdint>

inline constexpr int kKeyCount = 256;
inline constexpr int kBindingSize = 50;   // 49 characters and the terminator

// Indexed by keyboard key code; empty means unbound. Entry 0 belongs to no key.
extern char keyBindings[kKeyCount][kBindingSize];

// The name of a key code, or "" for a code without a name.
const char* KeyName(int code);
// The key code of a name (case-sensitive), or 0 when the name is unknown.
int KeyCodeFromName(const char* name);

// Runs the binding of every key that is down (bit 0x80), in ascending key-code order.
void BindingsRunHeld(const std::uint8_t keyState[kKeyCount]);
void BindingsClear();

// Console command bill / bind.
void BindCommand();
