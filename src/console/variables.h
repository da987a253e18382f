// Runtime variables: named, typed settings created and changed by the set command.
#pragma once

#include <cstdint>

enum class VarType : std::uint8_t { Float = 1, Int = 2, String = 3 };

inline constexpr int kVarNameSize = 30;
inline constexpr int kVarStringSize = 52;

struct ConsoleVariable {
    char name[kVarNameSize];
    VarType type;
    std::int32_t intValue;
    float floatValue;
    char stringValue[kVarStringSize];
    ConsoleVariable* next;
};

// Head of the list of every variable, newest first.
extern ConsoleVariable* varList;

std::int32_t VarGetInt(const char* name);
float VarGetFloat(const char* name);
// The text of a String variable, or null.
const char* VarGetString(const char* name);

// The body of the set command: creates, changes or (with an empty value) deletes a variable.
void VarSetFromText(const char* name, const char* value);
// After set: a console line when the whole number now in one of the game's own variables lies
// outside the values the game knows for it (the value stays as set).
void VarWarnOutsideKnownValues(const char* name);
// Packs "r,g,b" into red + green * 256 + blue * 65536 and prints the clamped triple.
std::int32_t ParseRgb(const char* text);
// Releases every variable (program exit, and tests starting afresh).
void VarListFree();

// Console commands.
void VarListCommand();     // varlist
void VarInitCommand();     // varinit
void VarToggleCommand();   // kapcs, toggle
