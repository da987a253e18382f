#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "frontend_fixture.h"
#include "game/run_stats.h"
#include "platform/win/little_endian.h"

using namespace frontendtest;

namespace {

std::string ReadFile(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const char* path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// A reader at the 4-byte field at `at`; a field past the end fails the test.
LittleEndianReader FieldAt(const std::string& b, std::size_t at)
{
    LittleEndianReader r(b);
    EXPECT_GE(r.Seek(at).Remaining(), 4u) << "no field at " << at;
    return r;
}

std::uint32_t U32At(const std::string& b, std::size_t at)
{
    return FieldAt(b, at).U32();
}

float F32At(const std::string& b, std::size_t at)
{
    return FieldAt(b, at).F32();
}

void PutU32(std::string& b, std::size_t at, std::uint32_t v)
{
    std::string field;
    LittleEndianWriter(field).U32(v);
    ASSERT_LE(at + field.size(), b.size()) << "no field at " << at;
    b.replace(at, field.size(), field);
}

void PutF32(std::string& b, std::size_t at, float v)
{
    std::string field;
    LittleEndianWriter(field).F32(v);
    ASSERT_LE(at + field.size(), b.size()) << "no field at " << at;
    b.replace(at, field.size(), field);
}

HighScoreEntry Entry(const char* name, int kills, float hours, float minutes, float seconds)
{
    HighScoreEntry e{};
    std::memcpy(e.name, name, std::min<std::size_t>(std::strlen(name), kHighScoreNameLimit));
    e.kills = kills;
    e.hours = hours;
    e.minutes = minutes;
    e.seconds = seconds;
    return e;
}

void SetRun(int kills, float hours, float minutes, float seconds)
{
    runStats.enemyKills = kills;
    runHours = hours;
    runMinutes = minutes;
    runSeconds = seconds;
}

std::string Name(int rank)
{
    return highScores[rank].name;
}

// top.dat as another copy of the game writes it for these ranks.
std::string TableBytes(const std::vector<HighScoreEntry>& table)
{
    std::string out;
    LittleEndianWriter w(out);
    for (const HighScoreEntry& e : table) {
        w.Bytes(e.name, kHighScoreNameSize);
        w.I32(e.kills);
        w.F32(e.hours);
        w.F32(e.minutes);
        w.F32(e.seconds);
    }
    return out;
}

std::vector<HighScoreEntry> TableNow()
{
    return std::vector<HighScoreEntry>(std::begin(highScores), std::end(highScores));
}

// The names of the ten ranks top.dat holds.
std::vector<std::string> NamesInFile()
{
    const std::string bytes = ReadFile(kHighScoreFileName);
    EXPECT_EQ(bytes.size(), kHighScoreFileSize);
    std::vector<std::string> names;
    for (std::size_t at = 0; at + kHighScoreEntrySize <= bytes.size(); at += kHighScoreEntrySize) {
        names.emplace_back(bytes.substr(at, kHighScoreNameSize).c_str());
    }
    return names;
}

class HighScoreTest : public FrontEndTest {
protected:
    // A full table: ten kills down to one, each at ten minutes.
    static void FillTable()
    {
        for (int rank = 0; rank < kHighScoreCount; ++rank) {
            std::string name = "p" + std::to_string(rank + 1);
            highScores[rank] = Entry(name.c_str(), 10 - rank, 0.0f, 10.0f, 0.0f);
        }
    }

    // Game over on the screen, ENTER pressed.
    static void ContinueAfterGameOver()
    {
        runStats.gameOver = 1;
        gameState = Playing;
        keyDelayTimer = -0.01f;
        Hold({kEnter});
        GameOverContinue();
    }

    // One name-entry frame with these keys, the key delay run out first.
    static void Type(std::initializer_list<int> keys)
    {
        keyDelayTimer = -0.01f;
        Hold(keys);
        NameEntryKeys();
    }

    // The run set with SetRun qualifies, gets this name typed one key a frame, and ENTER.
    static void EnterRunAs(std::initializer_list<int> nameKeys)
    {
        ContinueAfterGameOver();
        ASSERT_EQ(gameState, EnterName);
        for (int key : nameKeys) {
            Type({key});
        }
        Type({kEnter});
        EXPECT_EQ(gameState, HighScoreTable);
    }
};

}  // namespace

// ---- ranking ------------------------------------------------------------------------------------

TEST_F(HighScoreTest, MoreKillsRankHigherThenTheShorterTime)
{
    const HighScoreEntry base = Entry("a", 5, 1.0f, 10.0f, 30.0f);
    EXPECT_TRUE(HighScoreRanksHigher(Entry("b", 6, 9.0f, 59.0f, 59.0f), base));
    EXPECT_FALSE(HighScoreRanksHigher(Entry("b", 4, 0.0f, 0.0f, 1.0f), base));
    EXPECT_TRUE(HighScoreRanksHigher(Entry("b", 5, 0.0f, 59.0f, 59.0f), base));
    EXPECT_FALSE(HighScoreRanksHigher(Entry("b", 5, 2.0f, 0.0f, 0.0f), base));
    EXPECT_TRUE(HighScoreRanksHigher(Entry("b", 5, 1.0f, 9.0f, 59.9f), base));
    EXPECT_FALSE(HighScoreRanksHigher(Entry("b", 5, 1.0f, 11.0f, 0.0f), base));
    EXPECT_TRUE(HighScoreRanksHigher(Entry("b", 5, 1.0f, 10.0f, 29.5f), base));
    EXPECT_FALSE(HighScoreRanksHigher(Entry("b", 5, 1.0f, 10.0f, 30.5f), base));
    // Equal kills and time: neither ranks above the other, whatever the names.
    EXPECT_FALSE(HighScoreRanksHigher(Entry("zzz", 5, 1.0f, 10.0f, 30.0f), base));
    EXPECT_FALSE(HighScoreRanksHigher(base, Entry("zzz", 5, 1.0f, 10.0f, 30.0f)));
    // Negative kill counts from a file still order.
    EXPECT_TRUE(HighScoreRanksHigher(Entry("b", 0, 0.0f, 0.0f, 0.0f), Entry("c", -3, 0.0f, 0.0f, 0.0f)));
}

TEST_F(HighScoreTest, ARunQualifiesOnlyAboveTheTenthEntry)
{
    // Empty table: any kill qualifies, none does not.
    SetRun(0, 0.0f, 3.0f, 1.0f);
    EXPECT_FALSE(HighScoreQualifies());
    SetRun(1, 2.0f, 0.0f, 0.0f);
    EXPECT_TRUE(HighScoreQualifies());

    highScores[9] = Entry("last", 5, 0.0f, 10.0f, 0.0f);
    SetRun(5, 0.0f, 10.0f, 0.0f);
    EXPECT_FALSE(HighScoreQualifies());   // as good is not enough
    SetRun(5, 0.0f, 9.0f, 59.9f);
    EXPECT_TRUE(HighScoreQualifies());
    SetRun(5, 0.0f, 10.0f, 0.1f);
    EXPECT_FALSE(HighScoreQualifies());
    SetRun(5, 1.0f, 0.0f, 0.0f);
    EXPECT_FALSE(HighScoreQualifies());
    SetRun(6, 3.0f, 0.0f, 0.0f);
    EXPECT_TRUE(HighScoreQualifies());
    SetRun(4, 0.0f, 0.0f, 1.0f);
    EXPECT_FALSE(HighScoreQualifies());
    // Only the tenth rank matters.
    highScores[0] = Entry("top", 100, 0.0f, 1.0f, 0.0f);
    SetRun(6, 0.0f, 1.0f, 0.0f);
    EXPECT_TRUE(HighScoreQualifies());
}

// ---- game over ----------------------------------------------------------------------------------

TEST_F(HighScoreTest, GameOverWaitsForEnterAfterTheKeyDelay)
{
    SetRun(3, 0.0f, 1.0f, 0.0f);
    runStats.gameOver = 1;
    gameState = Playing;
    keyDelayTimer = 0.0f;
    Hold({kEnter});
    GameOverContinue();
    EXPECT_EQ(gameState, Playing);
    keyDelayTimer = -1.0f;
    Hold({kEscape, kDown});
    GameOverContinue();
    EXPECT_EQ(gameState, Playing);
    EXPECT_EQ(highScores[9].kills, 0);
    EXPECT_FALSE(Sounding(kClickSound));
}

TEST_F(HighScoreTest, AQualifyingRunTakesTheTenthRankAndAsksForAName)
{
    FillTable();
    std::memset(highScores[9].name, 'X', kHighScoreNameSize);   // garbage behind the name
    nameEntryLength = 4;
    SetRun(7, 1.0f, 2.0f, 3.5f);
    SpriteAdd(0.0f, 0.0f, 0.0f, 1.0f, 1.0f, 5.0f, 1, 1);
    CameraSetPlaying();
    camera.scrollPos = 40.0f;
    ContinueAfterGameOver();

    EXPECT_EQ(gameState, EnterName);
    EXPECT_EQ(nameEntryLength, 0);
    const HighScoreEntry& entry = highScores[9];
    for (char c : entry.name) {
        EXPECT_EQ(c, '\0');
    }
    EXPECT_EQ(entry.kills, 7);
    EXPECT_EQ(entry.hours, 1.0f);
    EXPECT_EQ(entry.minutes, 2.0f);
    EXPECT_EQ(entry.seconds, 3.5f);
    EXPECT_EQ(Name(8), "p9");   // the ranks above wait for the name
    EXPECT_TRUE(SpritesEmpty());
    EXPECT_EQ(camera.viewPitch, 0.0f);
    EXPECT_EQ(camera.scrollPos, 0.0f);
    EXPECT_TRUE(Sounding(kClickSound));
    EXPECT_FLOAT_EQ(keyDelayTimer, 0.5f);
}

TEST_F(HighScoreTest, ARunBelowTheTableGoesBackToTheMenuWithNewGameSelected)
{
    FillTable();
    const std::string before = HighScoresEncode();
    MenuItemsDeselectAll();
    SetRun(1, 0.0f, 10.0f, 0.0f);
    SpriteAdd(0.0f, 0.0f, 0.0f, 1.0f, 1.0f, 5.0f, 1, 1);
    ContinueAfterGameOver();

    EXPECT_EQ(gameState, MainMenu);
    EXPECT_EQ(SelectedItem(), 0);
    EXPECT_FLOAT_EQ(menuItems[0].depth, 7.5f);
    EXPECT_EQ(HighScoresEncode(), before);
    EXPECT_TRUE(SpritesEmpty());
    EXPECT_EQ(camera.viewPitch, 0.0f);
    EXPECT_TRUE(Sounding(kClickSound));
    EXPECT_FLOAT_EQ(keyDelayTimer, 0.5f);
}

// ---- name entry ---------------------------------------------------------------------------------

TEST_F(HighScoreTest, CharacterKeysFollowTheHungarianKeyboard)
{
    // y and z swapped, the digit row's shifted characters, the keypad unshifted, code page 1250 bytes.
    const struct {
        int code;
        unsigned char lower;
        unsigned char upper;
    } keys[] = {
        {0x2C, 'y', 'Y'},   {0x15, 'z', 'Z'},   {0x1E, 'a', 'A'}, {0x02, '1', '\''}, {0x03, '2', '\''},
        {0x0A, '9', ')'},   {0x0B, '0', 0xA7},  {0x52, '0', '0'}, {0x49, '9', '9'},  {0x0C, 0xFC, 0xDC},
        {0x2B, 0xFB, 0xDB}, {0x27, 0xE9, 0xC9}, {0x35, '-', '_'}, {0x93, '_', '_'},  {0x39, ' ', ' '},
    };
    for (const auto& key : keys) {
        EXPECT_EQ(static_cast<unsigned char>(NameEntryCharacter(key.code, false)), key.lower) << key.code;
        EXPECT_EQ(static_cast<unsigned char>(NameEntryCharacter(key.code, true)), key.upper) << key.code;
    }
    for (int code : {0x00, kEnter, kBackspace, kLeftShift, kUp, 0xFF, 300, -1}) {
        EXPECT_EQ(NameEntryCharacter(code, false), '\0') << code;
    }
}

TEST_F(HighScoreTest, TypingShiftBackspaceAndTheTenCharacterLimit)
{
    ContinueAfterGameOver();   // empty table: the run with 0 kills does not qualify...
    ASSERT_EQ(gameState, MainMenu);
    SetRun(2, 0.0f, 0.0f, 9.0f);
    ContinueAfterGameOver();
    ASSERT_EQ(gameState, EnterName);

    Type({0x23});                      // h
    EXPECT_FLOAT_EQ(keyDelayTimer, 0.2f);
    Type({kLeftShift, 0x23});          // H
    Type({kRightShift, 0x28});         // Á
    Type({0x28});                      // á
    EXPECT_EQ(Name(9), Cp("hHÁá"));
    EXPECT_EQ(nameEntryLength, 4);
    EXPECT_EQ(nameEntryShift, 0);      // cleared at the end of every frame

    Type({kBackspace});
    EXPECT_EQ(Name(9), Cp("hHÁ"));
    EXPECT_EQ(nameEntryLength, 3);
    EXPECT_FLOAT_EQ(keyDelayTimer, 0.2f);

    for (int i = 0; i < 9; ++i) {
        Type({0x1E});
    }
    EXPECT_EQ(Name(9), Cp("hHÁaaaaaaa"));
    EXPECT_EQ(nameEntryLength, 10);
    EXPECT_EQ(highScores[9].name[10], '\0');
    // Full: character keys are ignored (and set no delay) until BACKSPACE makes room.
    Type({0x30});
    EXPECT_EQ(nameEntryLength, 10);
    EXPECT_EQ(Name(9), Cp("hHÁaaaaaaa"));
    EXPECT_LT(keyDelayTimer, 0.0f);
    Type({kBackspace});
    Type({0x30});
    EXPECT_EQ(Name(9), Cp("hHÁaaaaaab"));

    // Erasing everything, and once more on the empty name.
    for (int i = 0; i < 11; ++i) {
        Type({kBackspace});
    }
    EXPECT_EQ(nameEntryLength, 0);
    EXPECT_EQ(Name(9), "");
    EXPECT_EQ(gameState, EnterName);
}

TEST_F(HighScoreTest, OneKeyPerFrameInTheTableOrderAndOnlyAfterTheKeyDelay)
{
    SetRun(2, 0.0f, 0.0f, 9.0f);
    ContinueAfterGameOver();
    ASSERT_EQ(gameState, EnterName);

    keyDelayTimer = 0.0f;
    Hold({0x1E});
    NameEntryKeys();
    EXPECT_EQ(nameEntryLength, 0);

    // '1' comes before 'a' in the table; a character key comes before BACKSPACE and ENTER.
    Type({0x1E, 0x02});
    EXPECT_EQ(Name(9), "1");
    Type({kEnter, kBackspace, 0x1E});
    EXPECT_EQ(Name(9), "1a");
    Type({kEnter, kBackspace});
    EXPECT_EQ(Name(9), "1");
    EXPECT_EQ(gameState, EnterName);
    // Shift alone types nothing.
    Type({kLeftShift, kRightShift});
    EXPECT_EQ(Name(9), "1");
    EXPECT_LT(keyDelayTimer, 0.0f);
}

TEST_F(HighScoreTest, TypedTextEntersTheNameEveryCharacterOfIt)
{
    SetRun(2, 0.0f, 0.0f, 9.0f);
    ContinueAfterGameOver();
    ASSERT_EQ(gameState, EnterName);
    DInputSetTextInput(true);
    // Text typed while the table's opening pause lasts belongs to the run: dropped.
    keyDelayTimer = 0.4f;
    inputText = "x";
    NameEntryKeys();
    EXPECT_EQ(nameEntryLength, 0);
    // Several characters in one frame, and more within the fifth of a second after them; the held
    // key of a character types nothing of its own.
    keyDelayTimer = -0.01f;
    inputText = "\xC1z";
    Hold({0x2C});
    NameEntryKeys();
    inputText = "s";
    keyDelayTimer -= 0.05f;
    NameEntryKeys();
    EXPECT_EQ(Name(9), "\xC1zs");
    // BACKSPACE and ENTER work as keys once the pause has run out.
    inputText.clear();
    Type({kBackspace});
    EXPECT_EQ(Name(9), "\xC1z");
    DInputSetTextInput(false);
    inputText.clear();
}

TEST_F(HighScoreTest, HoldingAKeyTypesItAgainEveryFifthOfASecond)
{
    SetRun(2, 0.0f, 0.0f, 9.0f);
    ContinueAfterGameOver();
    keyDelayTimer = -0.01f;
    Hold({0x2E});
    const float step = 0.05f;
    for (int frame = 0; frame < 20; ++frame) {   // one second
        NameEntryKeys();
        keyDelayTimer -= step;
    }
    // At 0, then every 0.25 s (the delay runs out in the fifth frame after each character).
    EXPECT_GE(nameEntryLength, 4);
    EXPECT_LE(nameEntryLength, 5);
    EXPECT_EQ(std::string(highScores[9].name), std::string(static_cast<std::size_t>(nameEntryLength), 'c'));
}

// ---- insertion and the table screen ------------------------------------------------------------

TEST_F(HighScoreTest, EnterStoresTheNameAtItsRankBelowEqualEntries)
{
    FillTable();
    highScores[3] = Entry("old", 7, 0.0f, 5.0f, 0.0f);   // rank 4
    SetRun(7, 0.0f, 5.0f, 0.0f);                         // as good as rank 4
    ContinueAfterGameOver();
    ASSERT_EQ(gameState, EnterName);
    for (int key : {0x31, 0x12, 0x11}) {   // n e w
        Type({key});
    }
    StopSounds();
    Type({kEnter});

    EXPECT_EQ(gameState, HighScoreTable);
    EXPECT_FLOAT_EQ(keyDelayTimer, 0.5f);
    EXPECT_TRUE(Sounding(kClickSound));
    const std::vector<std::string> expected = {"p1", "p2", "p3", "old", "new", "p5", "p6", "p7", "p8", "p9"};
    for (int rank = 0; rank < kHighScoreCount; ++rank) {
        EXPECT_EQ(Name(rank), expected[rank]) << rank;
    }
    EXPECT_EQ(highScores[4].kills, 7);
    EXPECT_EQ(highScores[4].minutes, 5.0f);

    // The file holds the table as it is now.
    const std::string file = ReadFile(kHighScoreFileName);
    EXPECT_EQ(file, HighScoresEncode());
    EXPECT_EQ(file.size(), 280u);
}

TEST_F(HighScoreTest, ABestRunRisesToTheTopAndAnEmptyNameIsNotEntered)
{
    FillTable();
    highScores[1] = highScores[0];   // two equal entries at the top stay in their order
    std::strcpy(highScores[1].name, "twin");
    SetRun(11, 0.0f, 0.0f, 1.0f);
    ContinueAfterGameOver();
    Type({kEnter});
    EXPECT_EQ(gameState, EnterName) << "ENTER with nothing typed waits for a name";
    Type({0x1E});   // a
    Type({kEnter});
    EXPECT_EQ(gameState, HighScoreTable);
    EXPECT_EQ(Name(0), "a");
    EXPECT_EQ(highScores[0].kills, 11);
    EXPECT_EQ(Name(1), "p1");
    EXPECT_EQ(Name(2), "twin");
    EXPECT_EQ(Name(9), "p9");

    // Into an empty table: the run stops under the last filled rank. (The file written above goes
    // too, or its ranks would be merged in.)
    HighScoresReset();
    std::filesystem::remove(kHighScoreFileName);
    highScores[0] = Entry("one", 3, 0.0f, 1.0f, 0.0f);
    SetRun(1, 0.0f, 0.0f, 30.0f);
    ContinueAfterGameOver();
    Type({0x2F});
    Type({kEnter});
    EXPECT_EQ(Name(0), "one");
    EXPECT_EQ(Name(1), "v");
    EXPECT_EQ(highScores[2].kills, 0);
    EXPECT_EQ(Name(2), "");
}

TEST_F(HighScoreTest, EnterOrEscapeOnTheTableReturnsToTheMenu)
{
    for (int key : {kEnter, kEscape}) {
        SCOPED_TRACE(key);
        gameState = HighScoreTable;
        MenuItemsDeselectAll();
        StopSounds();
        keyDelayTimer = 0.1f;
        Hold({key});
        HighScoreTableKeys();
        EXPECT_EQ(gameState, HighScoreTable);
        keyDelayTimer = -0.01f;
        Hold({kDown, kBackspace});
        HighScoreTableKeys();
        EXPECT_EQ(gameState, HighScoreTable);
        EXPECT_FALSE(Sounding(kClickSound));
        Hold({key});
        HighScoreTableKeys();
        EXPECT_EQ(gameState, MainMenu);
        EXPECT_EQ(SelectedItem(), 0);
        EXPECT_FLOAT_EQ(menuItems[0].depth, 7.5f);
        EXPECT_TRUE(Sounding(kClickSound));
        EXPECT_FLOAT_EQ(keyDelayTimer, 0.5f);
    }
}

// ---- top.dat ------------------------------------------------------------------------------------

TEST_F(HighScoreTest, TheFileHoldsTenLittleEndianRecordsOf28Bytes)
{
    highScores[0] = Entry("Ász", 123456, 2.0f, 59.0f, 12.75f);
    std::memcpy(highScores[0].name, Cp("Ász").c_str(), 4);
    highScores[1] = Entry("abcdefghij", -2, 0.0f, 1.0f, 0.5f);
    highScores[9] = Entry("z", 1, 0.0f, 0.0f, 3.0f);
    const std::string bytes = HighScoresEncode();
    ASSERT_EQ(bytes.size(), 280u);
    EXPECT_EQ(bytes.substr(0, 4), std::string("\xC1sz\0", 4));
    EXPECT_EQ(bytes.substr(4, 8), std::string(8, '\0'));
    EXPECT_EQ(U32At(bytes, 12), 123456u);
    EXPECT_EQ(bytes.substr(12, 4), std::string("\x40\xE2\x01\x00", 4));
    EXPECT_EQ(F32At(bytes, 16), 2.0f);
    EXPECT_EQ(bytes.substr(16, 4), std::string("\x00\x00\x00\x40", 4));
    EXPECT_EQ(F32At(bytes, 20), 59.0f);
    EXPECT_EQ(F32At(bytes, 24), 12.75f);
    EXPECT_EQ(bytes.substr(28, 11), std::string("abcdefghij\0", 11));
    EXPECT_EQ(U32At(bytes, 40), 0xFFFFFFFEu);
    EXPECT_EQ(F32At(bytes, 52), 0.5f);
    // Empty ranks are zero bytes.
    EXPECT_EQ(bytes.substr(56, 7 * 28), std::string(7 * 28, '\0'));
    EXPECT_EQ(bytes.substr(252, 2), std::string("z\0", 2));
    EXPECT_EQ(F32At(bytes, 276), 3.0f);

    // Written through a temporary file, read back to the same table.
    ASSERT_TRUE(HighScoresWrite());
    EXPECT_EQ(ReadFile(kHighScoreFileName), bytes);
    for (const auto& item : std::filesystem::directory_iterator(".")) {
        const std::string name = item.path().filename().string();
        EXPECT_TRUE(name == "top.dat" || name == "data.vrk") << name;
    }
    HighScoresReset();
    ASSERT_TRUE(HighScoresRead());
    EXPECT_EQ(HighScoresEncode(), bytes);
    EXPECT_EQ(highScores[0].kills, 123456);
    EXPECT_EQ(highScores[1].kills, -2);
    EXPECT_EQ(Name(0), Cp("Ász"));
    EXPECT_TRUE(Printed().empty());
}

TEST_F(HighScoreTest, MissingShortAndLongFiles)
{
    highScores[0] = Entry("stale", 1, 0.0f, 0.0f, 1.0f);
    EXPECT_FALSE(HighScoresRead());
    EXPECT_EQ(HighScoresEncode(), std::string(280, '\0'));
    EXPECT_TRUE(Printed().empty());

    FillTable();
    const std::string full = HighScoresEncode();

    // Two records and the name of the third: the leading ranks, the rest zero.
    WriteFile(kHighScoreFileName, full.substr(0, 68));
    EXPECT_TRUE(HighScoresRead());
    std::string expected = full.substr(0, 68) + std::string(212, '\0');
    EXPECT_EQ(HighScoresEncode(), expected);
    EXPECT_EQ(Name(1), "p2");
    EXPECT_EQ(highScores[2].kills, 0);   // the third record's kill count was cut off
    EXPECT_EQ(Name(2), "p3");

    WriteFile(kHighScoreFileName, "");
    EXPECT_TRUE(HighScoresRead());
    EXPECT_EQ(HighScoresEncode(), std::string(280, '\0'));

    // A longer file: its first 280 bytes.
    WriteFile(kHighScoreFileName, full + std::string(100, '\x7F'));
    EXPECT_TRUE(HighScoresRead());
    EXPECT_EQ(HighScoresEncode(), full);
    EXPECT_TRUE(Printed().empty());
}

TEST_F(HighScoreTest, DamagedNamesAndTimesAreRepairedWithAMessage)
{
    std::string bytes(280, '\0');
    bytes.replace(0, 12, "ABCDEFGHIJKL");   // no terminator at all
    bytes.replace(28, 12, std::string("abc\0XYZWVUTS", 12));   // terminated, garbage behind
    PutF32(bytes, 28 + 16, std::numeric_limits<float>::quiet_NaN());
    PutF32(bytes, 28 + 20, -5.0f);
    PutF32(bytes, 28 + 24, std::numeric_limits<float>::infinity());
    PutF32(bytes, 56 + 16, 1.0e30f);
    PutU32(bytes, 56 + 12, 0x80000000u);
    WriteFile(kHighScoreFileName, bytes);

    EXPECT_TRUE(HighScoresRead());
    EXPECT_EQ(Name(0), "ABCDEFGHIJ");
    EXPECT_EQ(highScores[0].name[10], '\0');
    EXPECT_EQ(highScores[0].name[11], '\0');
    EXPECT_EQ(Name(1), "abc");
    EXPECT_EQ(highScores[1].hours, 0.0f);
    EXPECT_EQ(highScores[1].minutes, 0.0f);
    EXPECT_EQ(highScores[1].seconds, 0.0f);
    EXPECT_EQ(highScores[2].hours, 1.0e6f);
    EXPECT_EQ(highScores[2].kills, std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(Printed(),
              std::vector<std::string>{Cp("A toplista hibás adatot tartalmazott, 5 mező javítva. (top.dat)")});

    // The decoder never reads past what it is given.
    const std::vector<unsigned char> three = {'a', 'b', 'c'};
    EXPECT_EQ(HighScoresDecode(three.data(), three.size()), 0);
    EXPECT_EQ(Name(0), "abc");
    EXPECT_EQ(Name(1), "");
    EXPECT_EQ(HighScoresDecode(nullptr, 0), 0);
    EXPECT_EQ(HighScoresEncode(), std::string(280, '\0'));
}

TEST_F(HighScoreTest, UnreadableAndUnwritableFiles)
{
    // A directory in the file's place: nothing to read, and nothing can replace it.
    std::filesystem::create_directories("top.dat/inner");
    FillTable();
    EXPECT_FALSE(HighScoresRead());
    EXPECT_EQ(HighScoresEncode(), std::string(280, '\0'));
    ASSERT_EQ(Printed().size(), 1u);
    EXPECT_EQ(Printed()[0], Cp("A toplista nem szabályos fájl, nem olvasható! (top.dat)"));

    ConsoleInit(console);
    FillTable();
    EXPECT_FALSE(HighScoresWrite());
    EXPECT_EQ(Printed(), std::vector<std::string>{Cp("A toplista nem szabályos fájl, nem lett elmentve! (top.dat)")});
    EXPECT_TRUE(std::filesystem::is_directory("top.dat/inner"));
    // Name entry carries on to the table even when the file cannot be written.
    SetRun(20, 0.0f, 1.0f, 0.0f);
    ContinueAfterGameOver();
    Type({0x1E});   // a
    Type({kEnter});
    EXPECT_EQ(gameState, HighScoreTable);
    EXPECT_EQ(highScores[0].kills, 20);
    std::filesystem::remove_all("top.dat");

    // A read-only table is read, and is not replaced.
    FillTable();
    ASSERT_TRUE(HighScoresWrite());
    const std::string stored = ReadFile(kHighScoreFileName);
    ASSERT_EQ(::chmod(kHighScoreFileName, 0444), 0);
    HighScoresReset();
    EXPECT_TRUE(HighScoresRead());
    EXPECT_EQ(HighScoresEncode(), stored);
    // The missing write bits protect it from the superuser too.
    ConsoleInit(console);
    highScores[0].kills = 99;
    EXPECT_FALSE(HighScoresWrite());
    EXPECT_EQ(ReadFile(kHighScoreFileName), stored);
    EXPECT_EQ(Printed(), std::vector<std::string>{Cp("A toplista írásvédett, nem lett elmentve! (top.dat)")});
}

TEST_F(HighScoreTest, AnotherGamesEntriesWrittenMeanwhileAreMergedAndNoneCountedTwice)
{
    // Both games start from the same table of ten.
    FillTable();
    WriteFile(kHighScoreFileName, TableBytes(TableNow()));
    ASSERT_TRUE(HighScoresRead());

    // The other game ends first: eight kills in five minutes, third; p10 drops out.
    std::vector<HighScoreEntry> other = TableNow();
    other.insert(other.begin() + 2, Entry("other", 8, 0.0f, 5.0f, 0.0f));
    other.pop_back();
    WriteFile(kHighScoreFileName, TableBytes(other));

    SetRun(5, 0.0f, 10.0f, 0.0f);   // as good as p6
    EnterRunAs({0x32, 0x12});       // m e
    const std::vector<std::string> first = {"p1", "p2", "other", "p3", "p4", "p5", "p6", "me", "p7", "p8"};
    EXPECT_EQ(NamesInFile(), first);
    EXPECT_EQ(ReadFile(kHighScoreFileName), HighScoresEncode());   // the table shown is the one written
    EXPECT_TRUE(Printed().empty());

    // Once more from the table written last. The other game's new entry ties with the run here;
    // the run, written after it, goes below it.
    std::vector<HighScoreEntry> again = TableNow();
    again.insert(again.begin() + 2, Entry("again", 9, 0.0f, 20.0f, 0.0f));
    again.pop_back();
    WriteFile(kHighScoreFileName, TableBytes(again));
    SetRun(9, 0.0f, 20.0f, 0.0f);
    EnterRunAs({0x14, 0x11, 0x18});   // t w o
    const std::vector<std::string> second = {"p1", "p2", "again", "two", "other", "p3", "p4", "p5", "p6", "me"};
    EXPECT_EQ(NamesInFile(), second);
    EXPECT_EQ(ReadFile(kHighScoreFileName), HighScoresEncode());
}

TEST_F(HighScoreTest, AMissingOrDamagedFileAtWriteTimeGetsThisGamesWholeTable)
{
    FillTable();
    WriteFile(kHighScoreFileName, TableBytes(TableNow()));
    ASSERT_TRUE(HighScoresRead());

    // Removed while the game ran: the ranks read at start-up are written again with the new one.
    std::filesystem::remove(kHighScoreFileName);
    SetRun(5, 0.0f, 10.0f, 0.0f);
    EnterRunAs({0x32, 0x12});   // m e
    const std::vector<std::string> first = {"p1", "p2", "p3", "p4", "p5", "p6", "me", "p7", "p8", "p9"};
    EXPECT_EQ(NamesInFile(), first);
    EXPECT_EQ(ReadFile(kHighScoreFileName), HighScoresEncode());

    // Overwritten with garbage: every name unterminated, every kill count -1, every time not a
    // number. Repaired, its ranks stay below all of this game's, and none of them is written.
    WriteFile(kHighScoreFileName, std::string(kHighScoreFileSize, '\xFF'));
    SetRun(4, 0.0f, 1.0f, 0.0f);   // above p7
    EnterRunAs({0x2F});            // v
    const std::vector<std::string> second = {"p1", "p2", "p3", "p4", "p5", "p6", "me", "v", "p7", "p8"};
    EXPECT_EQ(NamesInFile(), second);
    EXPECT_EQ(ReadFile(kHighScoreFileName), HighScoresEncode());
    EXPECT_EQ(Printed(),
              std::vector<std::string>{Cp("A toplista hibás adatot tartalmazott, 40 mező javítva. (top.dat)")});
}
