// The table from SDL scancodes to DirectInput key codes.
#include <SDL.h>
#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "platform/dinput/dinput.h"

namespace {

int Code(SDL_Scancode s)
{
    return DInputKeyCodeFromScancode(static_cast<int>(s));
}

TEST(KeyCodeTable, LettersByKeyPosition)
{
    // The keys named a..z by their US position (the key names' rows q..p = 16..25, a..l = 30..38,
    // z..m = 44..50), so the Y position is 21 and the Z position 44.
    const int expected[26] = {30, 48, 46, 32, 18, 33, 34, 35, 23, 36, 37, 38, 50,
                              49, 24, 25, 16, 19, 31, 20, 22, 47, 17, 45, 21, 44};
    for (int i = 0; i < 26; ++i) {
        EXPECT_EQ(Code(static_cast<SDL_Scancode>(SDL_SCANCODE_A + i)), expected[i])
            << "letter " << static_cast<char>('a' + i);
    }
}

TEST(KeyCodeTable, DigitsAndFunctionKeys)
{
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(Code(static_cast<SDL_Scancode>(SDL_SCANCODE_1 + i)), 2 + i) << "digit " << i + 1;
    }
    EXPECT_EQ(Code(SDL_SCANCODE_0), 11);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(Code(static_cast<SDL_Scancode>(SDL_SCANCODE_F1 + i)), 59 + i) << "F" << i + 1;
    }
    EXPECT_EQ(Code(SDL_SCANCODE_F11), 87);
    EXPECT_EQ(Code(SDL_SCANCODE_F12), 88);
    EXPECT_EQ(Code(SDL_SCANCODE_F13), 0x64);
    EXPECT_EQ(Code(SDL_SCANCODE_F15), 0x66);
}

TEST(KeyCodeTable, KeypadKeys)
{
    // Keypad 0..9.
    const int digits[10] = {82, 79, 80, 81, 75, 76, 77, 71, 72, 73};
    EXPECT_EQ(Code(SDL_SCANCODE_KP_0), digits[0]);
    for (int i = 1; i < 10; ++i) {
        EXPECT_EQ(Code(static_cast<SDL_Scancode>(SDL_SCANCODE_KP_1 + i - 1)), digits[i]) << "keypad " << i;
    }
    EXPECT_EQ(Code(SDL_SCANCODE_KP_ENTER), 156);
    EXPECT_EQ(Code(SDL_SCANCODE_KP_DIVIDE), 181);
    EXPECT_EQ(Code(SDL_SCANCODE_KP_MULTIPLY), 55);
    EXPECT_EQ(Code(SDL_SCANCODE_KP_MINUS), 74);
    EXPECT_EQ(Code(SDL_SCANCODE_KP_PLUS), 78);
    EXPECT_EQ(Code(SDL_SCANCODE_KP_PERIOD), 83);
    EXPECT_EQ(Code(SDL_SCANCODE_NUMLOCKCLEAR), 69);
}

TEST(KeyCodeTable, EditingModifierAndNavigationKeys)
{
    const std::pair<SDL_Scancode, int> keys[] = {
        {SDL_SCANCODE_ESCAPE, 1},        {SDL_SCANCODE_RETURN, 28},       {SDL_SCANCODE_BACKSPACE, 14},
        {SDL_SCANCODE_TAB, 15},          {SDL_SCANCODE_SPACE, 57},        {SDL_SCANCODE_CAPSLOCK, 58},
        {SDL_SCANCODE_MINUS, 12},        {SDL_SCANCODE_EQUALS, 13},       {SDL_SCANCODE_LEFTBRACKET, 26},
        {SDL_SCANCODE_RIGHTBRACKET, 27}, {SDL_SCANCODE_SEMICOLON, 39},    {SDL_SCANCODE_APOSTROPHE, 40},
        {SDL_SCANCODE_GRAVE, 41},        {SDL_SCANCODE_BACKSLASH, 43},    {SDL_SCANCODE_COMMA, 51},
        {SDL_SCANCODE_PERIOD, 52},       {SDL_SCANCODE_SLASH, 53},        {SDL_SCANCODE_NONUSBACKSLASH, 86},
        {SDL_SCANCODE_LSHIFT, 42},       {SDL_SCANCODE_RSHIFT, 54},       {SDL_SCANCODE_LCTRL, 29},
        {SDL_SCANCODE_RCTRL, 157},       {SDL_SCANCODE_LALT, 56},         {SDL_SCANCODE_RALT, 184},
        {SDL_SCANCODE_LGUI, 219},        {SDL_SCANCODE_RGUI, 220},        {SDL_SCANCODE_APPLICATION, 221},
        {SDL_SCANCODE_UP, 200},          {SDL_SCANCODE_DOWN, 208},        {SDL_SCANCODE_LEFT, 203},
        {SDL_SCANCODE_RIGHT, 205},       {SDL_SCANCODE_INSERT, 210},      {SDL_SCANCODE_DELETE, 211},
        {SDL_SCANCODE_HOME, 199},        {SDL_SCANCODE_END, 207},         {SDL_SCANCODE_PAGEUP, 201},
        {SDL_SCANCODE_PAGEDOWN, 209},    {SDL_SCANCODE_PRINTSCREEN, 183}, {SDL_SCANCODE_SCROLLLOCK, 70},
        {SDL_SCANCODE_PAUSE, 197},
    };
    for (const auto& [scancode, code] : keys) {
        EXPECT_EQ(Code(scancode), code) << SDL_GetScancodeName(scancode);
    }
}

TEST(KeyCodeTable, OnlyTwinKeysShareACode)
{
    // Keys that are one key to DirectInput: the ISO key left of Enter and the backslash, the two
    // Enter scancodes, print screen and system request, the two mute keys, the two stop keys and
    // the two browser home keys.
    const std::set<std::pair<int, int>> twins = {
        {SDL_SCANCODE_BACKSLASH, SDL_SCANCODE_NONUSHASH}, {SDL_SCANCODE_RETURN, SDL_SCANCODE_RETURN2},
        {SDL_SCANCODE_PRINTSCREEN, SDL_SCANCODE_SYSREQ},  {SDL_SCANCODE_MUTE, SDL_SCANCODE_AUDIOMUTE},
        {SDL_SCANCODE_STOP, SDL_SCANCODE_AC_STOP},        {SDL_SCANCODE_WWW, SDL_SCANCODE_AC_HOME},
    };
    int mapped = 0;
    for (int a = 0; a < SDL_NUM_SCANCODES; ++a) {
        if (Code(static_cast<SDL_Scancode>(a)) == 0) {
            continue;
        }
        ++mapped;
        for (int b = a + 1; b < SDL_NUM_SCANCODES; ++b) {
            if (Code(static_cast<SDL_Scancode>(a)) == Code(static_cast<SDL_Scancode>(b))) {
                EXPECT_EQ(twins.count({a, b}), 1u) << "scancodes " << a << " and " << b << " collide";
            }
        }
    }
    EXPECT_GE(mapped, 104) << "a full PC keyboard";
}

TEST(KeyCodeTable, EveryNamedKeyIsReachable)
{
    // The key codes of the game's key-name table, and the keys the program tests directly.
    const int named[] = {2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 14, 15, 16,  17,  18,  19,  20,  21,  22, 23,
                         24, 25, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39,  40,  42,  43,  44,  45,  46, 47,
                         48, 49, 50, 51, 52, 54, 55, 56, 57, 58, 59, 60, 61, 62,  63,  64,  65,  66,  67,  68, 71,
                         72, 73, 74, 75, 76, 77, 78, 79, 80, 81, 82, 87, 88, 156, 157, 200, 203, 205, 208, 1,  181};
    for (int code : named) {
        int scancode = DInputScancodeFromKeyCode(code);
        ASSERT_NE(scancode, SDL_SCANCODE_UNKNOWN) << "key code " << code;
        EXPECT_EQ(DInputKeyCodeFromScancode(scancode), code);
    }
    EXPECT_EQ(DInputScancodeFromKeyCode(0), SDL_SCANCODE_UNKNOWN);
    EXPECT_EQ(DInputScancodeFromKeyCode(147), SDL_SCANCODE_UNKNOWN);
    EXPECT_EQ(DInputScancodeFromKeyCode(256), SDL_SCANCODE_UNKNOWN);
}

TEST(KeyCodeTable, OutOfRangeScancodesHaveNoCode)
{
    EXPECT_EQ(DInputKeyCodeFromScancode(-1), 0);
    EXPECT_EQ(DInputKeyCodeFromScancode(SDL_SCANCODE_UNKNOWN), 0);
    EXPECT_EQ(DInputKeyCodeFromScancode(SDL_NUM_SCANCODES), 0);
    EXPECT_EQ(DInputKeyCodeFromScancode(1 << 30), 0);
}

}  // namespace
