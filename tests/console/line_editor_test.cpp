#include <array>
#include <cstring>
#include <initializer_list>

#include "console/line_editor.h"
#include "console_fixture.h"

namespace {

using KeyState = std::array<std::uint8_t, 256>;

KeyState Keys(std::initializer_list<int> codes)
{
    KeyState state{};
    for (int code : codes) {
        state[code] = 0x80;
    }
    return state;
}

constexpr int kA = 30, kB = 48, kL = 38, kO = 24, kY = 44, kZ = 21;
constexpr int kComma = 51, kMain0 = 11, kMain3 = 4, kLeftShift = 42, kRightShift = 54;
constexpr int kBackspace = 14, kEnter = 28, kUp = 200, kDown = 208, kPageUp = 201, kPageDown = 209;

class LineEditorTest : public ConsoleTest {
protected:
    // One frame of `ms` milliseconds, then one poll with these keys down.
    static void Poll(const KeyState& keys, DWORD ms = 10)
    {
        ClockAdvance(ms);
        ConsoleLineEditor(console, keys.data());
    }

    static void Hold(const KeyState& keys, int frames, DWORD ms = 10)
    {
        for (int i = 0; i < frames; ++i) {
            Poll(keys, ms);
        }
    }

    static std::string Input() { return console.input; }

    static void Type(const char* line)
    {
        std::snprintf(console.input, sizeof console.input, "%s", line);
        console.inputLength = static_cast<std::int32_t>(std::strlen(line));
    }
};

}  // namespace

TEST_F(LineEditorTest, HeldKeyTypesOnceAndRepeatNeedsHalfASecond)
{
    Hold(Keys({kL}), 100);   // one second held
    EXPECT_EQ(Input(), "l");

    Hold(Keys({}), 10);      // released for 0.1 s
    Hold(Keys({kL}), 5);
    EXPECT_EQ(Input(), "l") << "the same letter again within 0.5 s is not typed";

    Hold(Keys({}), 50);      // 0.5 s without reading the clock
    Poll(Keys({kL}));
    EXPECT_EQ(Input(), "ll");

    Poll(Keys({kO}));        // a different letter types at once
    EXPECT_EQ(Input(), "llo");
}

TEST_F(LineEditorTest, UppercaseCountsAsItsLetterForTheRepeatRule)
{
    Poll(Keys({kA}));
    Poll(Keys({}));
    Poll(Keys({kA, kLeftShift}));
    EXPECT_EQ(Input(), "a");
    Hold(Keys({}), 60);
    Poll(Keys({kA, kRightShift}));
    EXPECT_EQ(Input(), "aA");
}

TEST_F(LineEditorTest, ShiftColumnAndHungarianLayout)
{
    Poll(Keys({kLeftShift, kMain3}));
    Poll(Keys({kLeftShift, kComma}));
    Poll(Keys({kRightShift, kMain0}));
    Poll(Keys({kY}));        // the key named z types y
    Poll(Keys({kZ}));        // and the key named y types z
    Poll(Keys({12}));
    Poll(Keys({kLeftShift, 43}));
    EXPECT_EQ(Input(), std::string("+\\") + "§"_cp + "yz" + "ü"_cp + "Ű"_cp);
    // Shift lasts for one typed character only.
    Poll(Keys({kLeftShift}));
    Poll(Keys({kB}));
    Poll(Keys({kA}));
    EXPECT_EQ(Input().substr(Input().size() - 2), "ba");
}

TEST_F(LineEditorTest, OnlyTheFirstKeyInTableOrderTypes)
{
    Poll(Keys({kA, kComma}));   // the comma comes first in the table
    EXPECT_EQ(Input(), ",");
    Poll(Keys({kA, kBackspace}));   // a character key hides the editing keys
    EXPECT_EQ(Input(), ",a");
}

TEST_F(LineEditorTest, FiftyCharactersAtMost)
{
    for (int i = 0; i < 50; ++i) {
        Poll(Keys({i % 2 == 0 ? kA : kB}));
    }
    ASSERT_EQ(console.inputLength, 50);
    Poll(Keys({kL}));
    EXPECT_EQ(console.inputLength, 50);
    EXPECT_EQ(Input().back(), 'b');

    DWORD before = GetTickCount();
    Poll(Keys({kBackspace}), 0);
    EXPECT_EQ(console.inputLength, 49);
    EXPECT_EQ(Input().back(), 'a');
    EXPECT_EQ(GetTickCount() - before, 30u) << "each edit pauses 30 ms";

    console.inputLength = 0;
    console.input[0] = '\0';
    Poll(Keys({kBackspace}));
    EXPECT_EQ(console.inputLength, 0);
}

TEST_F(LineEditorTest, EnterExecutesAndStoresHistory)
{
    Type("set a 1");
    Poll(Keys({kEnter}));
    EXPECT_EQ(VarGetInt("a"), 1);
    EXPECT_EQ(Input(), "");
    EXPECT_EQ(console.historyCount, 1);
    EXPECT_EQ(console.historyCursor, 2);
    EXPECT_STREQ(console.history[1], "set a 1");
    EXPECT_STREQ(console.history[0], "");

    // Held Enter submits the line once, then empty lines, each one stored.
    Type("echo hi");
    Hold(Keys({kEnter}), 3);
    EXPECT_EQ(console.historyCount, 4);
    EXPECT_STREQ(console.history[2], "echo hi");
    EXPECT_STREQ(console.history[3], "");
    EXPECT_STREQ(console.history[4], "");
}

TEST_F(LineEditorTest, TenLinesCanBeRecalledOldestFromEntryZero)
{
    for (int i = 0; i < 10; ++i) {
        char line[32];
        std::snprintf(line, sizeof line, "echo %d", i);
        Type(line);
        Poll(Keys({kEnter}));
    }
    EXPECT_EQ(console.historyCount, 9);
    EXPECT_STREQ(console.history[0], "echo 0");
    EXPECT_STREQ(console.history[9], "echo 9");

    for (int i = 9; i >= 0; --i) {
        Poll(Keys({kUp}));
        EXPECT_EQ(Input(), "echo " + std::to_string(i));
        EXPECT_EQ(console.inputLength, static_cast<int>(Input().size()));
    }
    Poll(Keys({kUp}));   // stays at the oldest
    EXPECT_EQ(Input(), "echo 0");

    for (int i = 1; i <= 9; ++i) {
        Poll(Keys({kDown}));
        EXPECT_EQ(Input(), "echo " + std::to_string(i));
    }
    Poll(Keys({kDown}));
    EXPECT_EQ(Input(), "");
    EXPECT_EQ(console.inputLength, 0);
    Poll(Keys({kDown}));   // stays on the fresh line
    EXPECT_EQ(Input(), "");
    EXPECT_EQ(console.historyCursor, 10);
}

TEST_F(LineEditorTest, UpThenDownOnAFreshConsoleIsEmpty)
{
    Poll(Keys({kUp}));
    EXPECT_EQ(Input(), "");
    EXPECT_EQ(console.historyCursor, 0);
    Poll(Keys({kDown}));
    EXPECT_EQ(console.historyCursor, 1);
    EXPECT_EQ(Input(), "");
    Poll(Keys({kDown}));
    EXPECT_EQ(Input(), "");
}

TEST_F(LineEditorTest, PagingStopsAtBothEnds)
{
    for (int i = 0; i < 20; ++i) {
        ConsolePrintf(console, "line %d", i);
    }
    Poll(Keys({kPageDown}));
    EXPECT_EQ(console.scroll, kConsoleMaxScroll);

    Poll(Keys({kPageUp}));
    EXPECT_EQ(console.scroll, kConsoleMaxScroll - 1);
    EXPECT_STREQ(console.view[kConsoleViewLines - 1], "line 18");

    console.scroll = 1;
    Poll(Keys({kPageUp}));
    Poll(Keys({kPageUp}));
    EXPECT_EQ(console.scroll, 0);
    Poll(Keys({kPageDown}));
    EXPECT_EQ(console.scroll, 1);
}

TEST_F(LineEditorTest, TextFromTheDesktopLayoutTypesWhatItSays)
{
    // Z on a US layout gives z, whatever key the design's table puts there; the held Z key itself
    // types nothing, and Hungarian letters come through as their code page 1250 bytes.
    ClockAdvance(10);
    ConsoleLineEditorText(console, Keys({kY}).data(), "z\xFB");
    EXPECT_EQ(Input(), "z\xFB");
    ClockAdvance(10);
    ConsoleLineEditorText(console, Keys({kY, kLeftShift}).data(), "");
    EXPECT_EQ(Input(), "z\xFB");

    // Text and Enter of the same frame: the text first, then the line runs.
    Type("");
    ConsoleLineEditorText(console, Keys({kEnter}).data(), "set typed 7");
    EXPECT_EQ(VarGetInt("typed"), 7);
    EXPECT_EQ(Input(), "");
    // Backspace after the frame's text; the line's limit holds.
    ConsoleLineEditorText(console, Keys({kBackspace}).data(), "ab");
    EXPECT_EQ(Input(), "a");
    ConsoleLineEditorText(console, Keys({}).data(), std::string(80, 'x'));
    EXPECT_EQ(console.inputLength, kConsoleInputLimit);
    EXPECT_EQ(Input().size(), static_cast<std::size_t>(kConsoleInputLimit));
}
