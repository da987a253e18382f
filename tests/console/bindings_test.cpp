#include <array>
#include <set>

#include "console_fixture.h"

using BindingsTest = ConsoleTest;

TEST_F(BindingsTest, EveryKeyNameRoundTrips)
{
    const char* names[] = {
        "1",         "2",     "3",        "4",      "5",    "6",    "7",      "8",    "9",    "0",    "-",
        "BACKSPACE", "TAB",   "q",        "w",      "e",    "r",    "t",      "y",    "u",    "i",    "o",
        "p",         "ENTER", "LCONTROL", "a",      "s",    "d",    "f",      "g",    "h",    "j",    "k",
        "l",         ";",     "'",        "LSHIFT", "\\",   "z",    "x",      "c",    "v",    "b",    "n",
        "m",         ",",     ".",        "RSHIFT", "NUM*", "LALT", "SPACE",  "CAPS", "F1",   "F2",   "F3",
        "F4",        "F5",    "F6",       "F7",     "F8",   "F9",   "F10",    "F11",  "F12",  "NUM7", "NUM8",
        "NUM9",      "NUM-",  "NUM4",     "NUM5",   "NUM6", "NUM+", "NUM1",   "NUM2", "NUM3", "NUM0", "NUMENT",
        "RCONTROL",  "UP",    "LEFT",     "RIGHT",  "DOWN", "NUM/", "INSERT", "HOME", "END",  "PGUP", "PGDN"};
    std::set<int> codes;
    for (const char* name : names) {
        SCOPED_TRACE(name);
        int code = KeyCodeFromName(name);
        EXPECT_GT(code, 0);
        EXPECT_STREQ(KeyName(code), name);
        EXPECT_TRUE(codes.insert(code).second) << "two names share key code " << code;
    }
    // Spot checks against the key-code table.
    EXPECT_EQ(KeyCodeFromName("NUM*"), 55);
    EXPECT_EQ(KeyCodeFromName("q"), 16);
    EXPECT_EQ(KeyCodeFromName("p"), 25);
    EXPECT_EQ(KeyCodeFromName("z"), 44);
    EXPECT_EQ(KeyCodeFromName("m"), 50);
    EXPECT_EQ(KeyCodeFromName("F10"), 68);
    EXPECT_EQ(KeyCodeFromName("F11"), 87);
    EXPECT_EQ(KeyCodeFromName("NUMENT"), 156);
    EXPECT_EQ(KeyCodeFromName("RIGHT"), 205);

    // Every code without a name has the empty name.
    int named = 0;
    for (int code = 0; code < 256; ++code) {
        named += KeyName(code)[0] != '\0';
    }
    EXPECT_EQ(named, static_cast<int>(std::size(names)));
}

TEST_F(BindingsTest, UnknownNamesGiveZero)
{
    for (const char* name : {"", "Q", "f1", "A", "/", "ESCAPE", "SPACEBAR", "NUM", "F13", "!"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(KeyCodeFromName(name), 0);
    }
    EXPECT_STREQ(KeyName(0), "");
    EXPECT_STREQ(KeyName(1), "");
    EXPECT_STREQ(KeyName(255), "");
}

TEST_F(BindingsTest, BindListUnbindAndClearAll)
{
    Run("bill F5 'set h_fps 1'");
    Run("bind SPACE tuzel");
    Run("bill x elore");
    EXPECT_STREQ(keyBindings[63], "set h_fps 1");
    EXPECT_STREQ(keyBindings[57], "tuzel");

    Run("bill");
    auto lines = Newest(6);
    EXPECT_EQ(lines[0], "-------------------");
    EXPECT_EQ(lines[1], "Billentyűparancsok:"_cp);
    EXPECT_EQ(lines[2], "-------------------");
    EXPECT_EQ(lines[3], "x   elore");          // ascending key codes: x is 45
    EXPECT_EQ(lines[4], "SPACE   tuzel");
    EXPECT_EQ(lines[5], "F5   set h_fps 1");

    Run("bill x ''");                          // empty quotes are no token: unbinds
    EXPECT_STREQ(keyBindings[45], "");
    Run("bill SPACE");
    EXPECT_STREQ(keyBindings[57], "");
    EXPECT_STREQ(keyBindings[63], "set h_fps 1");

    Run("bill a balra");
    Run("bill whatever mindet");
    for (const auto& binding : keyBindings) {
        EXPECT_STREQ(binding, "");
    }
}

TEST_F(BindingsTest, UnknownKeyNameStoresIntoEntryZero)
{
    Run("bill NOSUCHKEY elore");
    EXPECT_STREQ(keyBindings[0], "elore");
    Run("bill");
    EXPECT_EQ(Last(), "   elore");
    std::array<std::uint8_t, 256> keys{};
    keys[0] = 0x80;   // no real key has code 0, but even so
    BindingsRunHeld(keys.data());
    EXPECT_EQ(playerControls.forward, 1);
}

TEST_F(BindingsTest, HeldKeysRunTheirLinesInKeyCodeOrder)
{
    Run("bill UP 'set order up'");
    Run("bill a 'set order a'");
    Run("bill SPACE tuzel");
    Run("bill LEFT balra");
    std::array<std::uint8_t, 256> keys{};
    keys[KeyCodeFromName("UP")] = 0x80;
    keys[KeyCodeFromName("a")] = 0x80;
    keys[KeyCodeFromName("SPACE")] = 0x81;
    keys[KeyCodeFromName("LEFT")] = 0x7F;   // bit 0x80 clear: not down
    BindingsRunHeld(keys.data());
    EXPECT_STREQ(VarGetString("order"), "up");   // UP (200) ran after a (30)
    EXPECT_EQ(playerControls.fire, 1);
    EXPECT_EQ(playerControls.left, 0);

    // A key held over several frames runs its line every frame.
    Run("bill k 'set n 1'");
    keys = {};
    keys[KeyCodeFromName("k")] = 0x80;
    BindingsRunHeld(keys.data());
    Run("set n");
    BindingsRunHeld(keys.data());
    EXPECT_EQ(VarGetInt("n"), 1);

    // An unbound key that is down only refreshes the view.
    keys = {};
    keys[KeyCodeFromName("m")] = 0x80;
    int printed = PrintedCount();
    BindingsRunHeld(keys.data());
    EXPECT_EQ(PrintedCount(), printed);
}
