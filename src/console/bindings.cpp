#include "console/bindings.h"

#include <cstring>
#include <string>

#include "console/console.h"
#include "platform/win/codepage.h"

char keyBindings[kKeyCount][kBindingSize] = {};

namespace {

struct KeyNameEntry {
    const char* name;
    int code;
};

// Every named key, in the order in which longer names are compared (laid out by hand by key group).
// clang-format off
constexpr KeyNameEntry kNamedKeys[] = {
    {"TAB", 15}, {"BACKSPACE", 14}, {"SPACE", 57}, {"ENTER", 28},
    {"LCONTROL", 29}, {"RCONTROL", 157}, {"LSHIFT", 42}, {"RSHIFT", 54}, {"CAPS", 58},
    {"F1", 59}, {"F2", 60}, {"F3", 61}, {"F4", 62}, {"F5", 63}, {"F6", 64},
    {"F7", 65}, {"F8", 66}, {"F9", 67}, {"F10", 68}, {"F11", 87}, {"F12", 88},
    {"NUM0", 82}, {"NUM1", 79}, {"NUM2", 80}, {"NUM3", 81}, {"NUM4", 75},
    {"NUM5", 76}, {"NUM6", 77}, {"NUM7", 71}, {"NUM8", 72}, {"NUM9", 73},
    {"NUM-", 74}, {"NUM+", 78}, {"NUM*", 55}, {"NUM/", 181}, {"NUMENT", 156},
    {"UP", 200}, {"DOWN", 208}, {"LEFT", 203}, {"RIGHT", 205},
    {"INSERT", 210}, {"HOME", 199}, {"END", 207}, {"PGUP", 201}, {"PGDN", 209},
    {"LALT", 56},
};
// clang-format on

// The one-character names.
// clang-format off
constexpr KeyNameEntry kCharKeys[] = {
    {"1", 2}, {"2", 3}, {"3", 4}, {"4", 5}, {"5", 6}, {"6", 7}, {"7", 8}, {"8", 9}, {"9", 10},
    {"0", 11}, {"-", 12},
    {"q", 16}, {"w", 17}, {"e", 18}, {"r", 19}, {"t", 20}, {"y", 21}, {"u", 22}, {"i", 23},
    {"o", 24}, {"p", 25},
    {"a", 30}, {"s", 31}, {"d", 32}, {"f", 33}, {"g", 34}, {"h", 35}, {"j", 36}, {"k", 37},
    {"l", 38}, {";", 39}, {"'", 40}, {"\\", 43},
    {"z", 44}, {"x", 45}, {"c", 46}, {"v", 47}, {"b", 48}, {"n", 49}, {"m", 50},
    {",", 51}, {".", 52},
};
// clang-format on

}  // namespace

const char* KeyName(int code)
{
    for (const auto& key : kCharKeys) {
        if (key.code == code) {
            return key.name;
        }
    }
    for (const auto& key : kNamedKeys) {
        if (key.code == code) {
            return key.name;
        }
    }
    return "";
}

int KeyCodeFromName(const char* name)
{
    if (std::strlen(name) < 2) {
        for (const auto& key : kCharKeys) {
            if (name[0] != '\0' && key.name[0] == name[0]) {
                return key.code;
            }
        }
        return 0;
    }
    for (const auto& key : kNamedKeys) {
        if (std::strcmp(key.name, name) == 0) {
            return key.code;
        }
    }
    return 0;
}

void BindingsRunHeld(const std::uint8_t keyState[kKeyCount])
{
    for (int code = 0; code < kKeyCount; ++code) {
        if ((keyState[code] & 0x80) != 0) {
            ConsoleExecute(console, keyBindings[code]);
        }
    }
}

void BindingsClear()
{
    std::memset(keyBindings, 0, sizeof keyBindings);
}

void BindCommand()
{
    std::string keyName = console.tokens[1];
    std::string line = console.tokens[2];
    if (keyName.empty()) {
        ConsolePrintf(console, "-------------------");
        ConsolePrintf(console, "Billentyűparancsok:"_cp);
        ConsolePrintf(console, "-------------------");
        for (int code = 0; code < kKeyCount; ++code) {
            if (keyBindings[code][0] != '\0') {
                ConsolePrintf(console, "%s   %s", KeyName(code), keyBindings[code]);
            }
        }
        return;
    }
    if (line == "mindet") {
        BindingsClear();
        return;
    }
    ConsoleCopyText(keyBindings[KeyCodeFromName(keyName.c_str())], line.c_str(), kBindingSize);
}
