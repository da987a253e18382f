// The high-score table: ten ranks in memory, the top.dat file, the ranking rule, the step after game
// over, name entry and the keys of the table screen.
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>

#include "console/console.h"
#include "core/frame.h"
#include "core/input.h"
#include "frontend/frontend.h"
#include "game/camera.h"
#include "game/run_stats.h"
#include "game/sprites.h"
#include "platform/win/codepage.h"
#include "platform/win/files.h"
#include "platform/win/little_endian.h"
#include "resources/sound.h"

HighScoreEntry highScores[kHighScoreCount];
std::int32_t nameEntryLength = 0;
std::uint8_t nameEntryShift = 0;

namespace {

using Table = HighScoreEntry[kHighScoreCount];

// The table as top.dat held it when this program last read or wrote it. Writing merges against it:
// an entry found here and in the file as it is now is the same entry, not a second one.
Table tableOnFile{};

constexpr int kKeyEscape = 0x01;
constexpr int kKeyBackspace = 0x0E;
constexpr int kKeyEnter = 0x1C;
constexpr int kKeyLeftShift = 0x2A;
constexpr int kKeyRightShift = 0x36;

constexpr float kTypeDelay = 0.2f;
constexpr float kLeaveDelay = 0.5f;

// Largest time field a file may hold: every larger (or negative, or not finite) value is damage, and
// the screen could not turn it into a whole number.
constexpr float kMaxTimeField = 1.0e6f;

bool KeyDown(int code)
{
    return (inputState.keyState[code] & 0x80) != 0;
}

// A stored time field as the game can use it; counts a repair when it had to change it.
float CheckedTime(float value, int& repairs)
{
    if (!std::isfinite(value) || value < 0.0f) {
        ++repairs;
        return 0.0f;
    }
    if (value > kMaxTimeField) {
        ++repairs;
        return kMaxTimeField;
    }
    return value;
}

// ---- ranking ---------------------------------------------------------------------------------------

// The entry in the tenth rank moves up past every entry it ranks strictly above, so it stays below
// the entries that are as good as it.
void RiseFromTenthRank(Table& table)
{
    for (int i = kHighScoreCount - 1; i >= 1; --i) {
        if (!HighScoreRanksHigher(table[i], table[i - 1])) {
            break;
        }
        const HighScoreEntry above = table[i - 1];
        table[i - 1] = table[i];
        table[i] = above;
    }
}

// Puts `entry` into the table at its rank when it ranks strictly above the tenth entry, which then
// drops out; otherwise the table stays as it is.
void InsertEntry(Table& table, const HighScoreEntry& entry)
{
    if (!HighScoreRanksHigher(entry, table[kHighScoreCount - 1])) {
        return;
    }
    table[kHighScoreCount - 1] = entry;
    RiseFromTenthRank(table);
}

// Whether two ranks hold the very same bytes in the file: name field, kills and the bits of the times.
bool SameEntry(const HighScoreEntry& a, const HighScoreEntry& b)
{
    return std::memcmp(a.name, b.name, kHighScoreNameSize) == 0 && a.kills == b.kills &&
           std::bit_cast<std::uint32_t>(a.hours) == std::bit_cast<std::uint32_t>(b.hours) &&
           std::bit_cast<std::uint32_t>(a.minutes) == std::bit_cast<std::uint32_t>(b.minutes) &&
           std::bit_cast<std::uint32_t>(a.seconds) == std::bit_cast<std::uint32_t>(b.seconds);
}

bool SameTable(const Table& a, const Table& b)
{
    for (int rank = 0; rank < kHighScoreCount; ++rank) {
        if (!SameEntry(a[rank], b[rank])) {
            return false;
        }
    }
    return true;
}

// Marks the first entry of `table` equal to `entry` and not yet taken as taken; false when there is
// none.
bool TakeSameEntry(const Table& table, bool (&taken)[kHighScoreCount], const HighScoreEntry& entry)
{
    for (int rank = 0; rank < kHighScoreCount; ++rank) {
        if (!taken[rank] && SameEntry(table[rank], entry)) {
            taken[rank] = true;
            return true;
        }
    }
    return false;
}

// This program's table combined with the one top.dat holds now (`file`), which another copy of the
// game may have written since this one last read or wrote it: the best ten of both. An entry of
// this table that is still in the file and was there when this program last saw the file is
// already in `file` and is not counted twice. The other entries (the ones this program added, and
// any the file lost) go into the file's table in rank order by the ranking rule, each below the
// entries as good as it.
void MergeWithFile(const Table& own, const Table& file, Table& merged)
{
    if (SameTable(file, tableOnFile)) {
        // Nobody changed the file: this table is the file's with this program's changes.
        std::copy(std::begin(own), std::end(own), std::begin(merged));
        return;
    }
    std::copy(std::begin(file), std::end(file), std::begin(merged));
    bool takenOnFile[kHighScoreCount] = {};
    bool takenInFile[kHighScoreCount] = {};
    for (const HighScoreEntry& entry : own) {
        if (SameEntry(entry, HighScoreEntry{})) {
            continue;   // an empty rank
        }
        if (TakeSameEntry(tableOnFile, takenOnFile, entry) && TakeSameEntry(file, takenInFile, entry)) {
            continue;
        }
        InsertEntry(merged, entry);
    }
}

// The run in progress as an entry of the table (no name).
HighScoreEntry RunAsEntry()
{
    HighScoreEntry run{};
    run.kills = runStats.enemyKills;
    run.hours = runHours;
    run.minutes = runMinutes;
    run.seconds = runSeconds;
    return run;
}

// ---- name entry ------------------------------------------------------------------------------------

struct NameKey {
    std::uint8_t code;
    char lower;
    char upper;
};

constexpr char Cp(const char* text)
{
    return text[0];
}

// Character keys in the order they are tested; the first one down is typed.
constexpr NameKey kNameKeys[] = {
    {0x35, '-', '_'},
    {0x93, '_', '_'},
    {0x1A, '[', '['},
    {0x1B, ']', ']'},
    // numeric keypad 0..9
    {0x52, '0', '0'},
    {0x4F, '1', '1'},
    {0x50, '2', '2'},
    {0x51, '3', '3'},
    {0x4B, '4', '4'},
    {0x4C, '5', '5'},
    {0x4D, '6', '6'},
    {0x47, '7', '7'},
    {0x48, '8', '8'},
    {0x49, '9', '9'},
    // the digit row, with the characters of the Hungarian layout under shift
    {0x0B, '0', Cp("§"_cp)},
    {0x02, '1', '\''},
    {0x03, '2', '\''},
    {0x04, '3', '+'},
    {0x05, '4', '!'},
    {0x06, '5', '%'},
    {0x07, '6', '/'},
    {0x08, '7', '='},
    {0x09, '8', '('},
    {0x0A, '9', ')'},
    // letters a..z (the Hungarian layout swaps y and z)
    {0x1E, 'a', 'A'},
    {0x30, 'b', 'B'},
    {0x2E, 'c', 'C'},
    {0x20, 'd', 'D'},
    {0x12, 'e', 'E'},
    {0x21, 'f', 'F'},
    {0x22, 'g', 'G'},
    {0x23, 'h', 'H'},
    {0x17, 'i', 'I'},
    {0x24, 'j', 'J'},
    {0x25, 'k', 'K'},
    {0x26, 'l', 'L'},
    {0x32, 'm', 'M'},
    {0x31, 'n', 'N'},
    {0x18, 'o', 'O'},
    {0x19, 'p', 'P'},
    {0x10, 'q', 'Q'},
    {0x13, 'r', 'R'},
    {0x1F, 's', 'S'},
    {0x14, 't', 'T'},
    {0x16, 'u', 'U'},
    {0x2F, 'v', 'V'},
    {0x11, 'w', 'W'},
    {0x2D, 'x', 'X'},
    {0x2C, 'y', 'Y'},
    {0x15, 'z', 'Z'},
    // accented letters
    {0x0C, Cp("ü"_cp), Cp("Ü"_cp)},
    {0x0D, Cp("ó"_cp), Cp("Ó"_cp)},
    {0x27, Cp("é"_cp), Cp("É"_cp)},
    {0x28, Cp("á"_cp), Cp("Á"_cp)},
    {0x2B, Cp("ű"_cp), Cp("Ű"_cp)},
    {0x39, ' ', ' '},
    {0x4A, '-', '-'},
};

HighScoreEntry& NewEntry()
{
    return highScores[kHighScoreCount - 1];
}

// Appends one character to the name being typed when it has room.
void TypeCharacter(char c)
{
    if (nameEntryLength < 0 || nameEntryLength >= kHighScoreNameLimit) {
        return;
    }
    HighScoreEntry& entry = NewEntry();
    entry.name[nameEntryLength] = c;
    ++nameEntryLength;
    entry.name[nameEntryLength] = '\0';
    keyDelayTimer = kTypeDelay;
}

void EraseCharacter()
{
    if (nameEntryLength < 1 || nameEntryLength > kHighScoreNameLimit) {
        return;
    }
    --nameEntryLength;
    NewEntry().name[nameEntryLength] = '\0';
    keyDelayTimer = kTypeDelay;
}

void BackToMenu()
{
    gameState = MainMenu;
    MenuSelectNewGame();
}

}  // namespace

// ---- the table and its file ------------------------------------------------------------------------

namespace {

std::string EncodeTable(const Table& table)
{
    std::string out;
    out.reserve(kHighScoreFileSize);
    LittleEndianWriter w(out);
    for (const HighScoreEntry& entry : table) {
        w.Bytes(entry.name, kHighScoreNameSize);
        w.I32(entry.kills);
        w.F32(entry.hours);
        w.F32(entry.minutes);
        w.F32(entry.seconds);
    }
    return out;
}

int DecodeTable(Table& table, const unsigned char* bytes, std::size_t length)
{
    // What the file lacks reads as zero bytes: a short file fills only the leading ranks.
    unsigned char block[kHighScoreFileSize] = {};
    if (bytes != nullptr) {
        std::memcpy(block, bytes, length < kHighScoreFileSize ? length : kHighScoreFileSize);
    }
    int repairs = 0;
    LittleEndianReader r(block, sizeof block);
    for (int rank = 0; rank < kHighScoreCount; ++rank) {
        HighScoreEntry& entry = table[rank];
        r.Seek(static_cast<std::size_t>(rank) * kHighScoreEntrySize).Bytes(entry.name, kHighScoreNameSize);
        // A name is at most 10 characters: one without its terminator there is cut, and the two
        // bytes after the tenth character are always zero, so the name is always terminated.
        if (std::memchr(entry.name, '\0', kHighScoreNameLimit + 1) == nullptr) {
            ++repairs;
        }
        std::memset(entry.name + kHighScoreNameLimit, 0, kHighScoreNameSize - kHighScoreNameLimit);
        entry.kills = r.I32();
        entry.hours = CheckedTime(r.F32(), repairs);
        entry.minutes = CheckedTime(r.F32(), repairs);
        entry.seconds = CheckedTime(r.F32(), repairs);
    }
    return repairs;
}

// Fills `table` from an open top.dat (at most its first 280 bytes); false when reading failed, and
// the table is then left as it was.
bool ReadTable(std::FILE* file, Table& table)
{
    unsigned char bytes[kHighScoreFileSize] = {};
    const std::size_t got = std::fread(bytes, 1, sizeof bytes, file);
    if (std::ferror(file) != 0) {
        ConsolePrintf(console, "A toplista nem olvasható! (%s)"_cp, kHighScoreFileName);
        return false;
    }
    const int repairs = DecodeTable(table, bytes, got);
    if (repairs > 0) {
        ConsolePrintf(console, "A toplista hibás adatot tartalmazott, %d mező javítva. (%s)"_cp, repairs,
                      kHighScoreFileName);
    }
    return true;
}

// The table top.dat holds now. A missing file, or one that cannot be opened or read, gives an empty
// table; should the write that follows fail, its message says why.
void ReadCurrentFile(Table& table)
{
    std::fill(std::begin(table), std::end(table), HighScoreEntry{});
    FileProblem problem = FileProblem::None;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(OpenRegularFile(kHighScoreFileName, "rb", problem),
                                                         &std::fclose);
    if (file != nullptr) {
        ReadTable(file.get(), table);
    }
}

}  // namespace

void HighScoresReset()
{
    for (HighScoreEntry& entry : highScores) {
        entry = HighScoreEntry{};
    }
    std::fill(std::begin(tableOnFile), std::end(tableOnFile), HighScoreEntry{});
    nameEntryLength = 0;
    nameEntryShift = 0;
}

std::string HighScoresEncode()
{
    return EncodeTable(highScores);
}

int HighScoresDecode(const unsigned char* bytes, std::size_t length)
{
    return DecodeTable(highScores, bytes, length);
}

bool HighScoresRead()
{
    HighScoresReset();
    // The file is opened for reading and writing as designed; one that only allows reading is
    // still read.
    FileProblem problem = FileProblem::None;
    std::FILE* raw = OpenRegularFile(kHighScoreFileName, "rb+", problem);
    if (raw == nullptr && problem == FileProblem::Failed) {
        if (errno == ENOENT) {
            return false;
        }
        raw = OpenRegularFile(kHighScoreFileName, "rb", problem);
    }
    if (problem == FileProblem::NotRegular) {
        ConsolePrintf(console, "A toplista nem szabályos fájl, nem olvasható! (%s)"_cp, kHighScoreFileName);
        return false;
    }
    if (raw == nullptr) {
        ConsolePrintf(console, "A toplista nem olvasható! (%s: %s)"_cp, kHighScoreFileName, std::strerror(errno));
        return false;
    }
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(raw, &std::fclose);
    if (!ReadTable(file.get(), highScores)) {
        return false;
    }
    std::copy(std::begin(highScores), std::end(highScores), std::begin(tableOnFile));
    return true;
}

bool HighScoresWrite()
{
    // Another copy of the game in the same folder may have written the file since this one read
    // it: its entries are merged in, not overwritten.
    Table current{};
    ReadCurrentFile(current);
    Table merged{};
    MergeWithFile(highScores, current, merged);
    // A table the player made read-only stays as it is.
    FileProblem problem = FileProblem::None;
    if (!WriteFileReplacing(kHighScoreFileName, EncodeTable(merged), &problem)) {
        if (problem == FileProblem::WriteProtected) {
            ConsolePrintf(console, "A toplista írásvédett, nem lett elmentve! (%s)"_cp, kHighScoreFileName);
            return false;
        }
        if (problem == FileProblem::NotRegular) {
            ConsolePrintf(console, "A toplista nem szabályos fájl, nem lett elmentve! (%s)"_cp, kHighScoreFileName);
            return false;
        }
        ConsolePrintf(console, "A toplistát nem sikerült elmenteni! (%s)"_cp, kHighScoreFileName);
        return false;
    }
    // The table on the screen is the one written, and it is what the next write merges against.
    std::copy(std::begin(merged), std::end(merged), std::begin(highScores));
    std::copy(std::begin(merged), std::end(merged), std::begin(tableOnFile));
    return true;
}

// ---- ranking ---------------------------------------------------------------------------------------

bool HighScoreRanksHigher(const HighScoreEntry& a, const HighScoreEntry& b)
{
    if (a.kills != b.kills) {
        return a.kills > b.kills;
    }
    if (a.hours != b.hours) {
        return a.hours < b.hours;
    }
    if (a.minutes != b.minutes) {
        return a.minutes < b.minutes;
    }
    return a.seconds < b.seconds;
}

bool HighScoreQualifies()
{
    return HighScoreRanksHigher(RunAsEntry(), NewEntry());
}

// ---- the screens' steps ----------------------------------------------------------------------------

void GameOverContinue()
{
    if (keyDelayTimer >= 0.0f || !KeyDown(kKeyEnter)) {
        return;
    }
    if (HighScoreQualifies()) {
        // The run takes the tenth rank at once; its name is typed into it. The whole name field is
        // cleared so a name of ten characters is still terminated.
        HighScoreEntry& entry = NewEntry();
        entry = RunAsEntry();
        nameEntryLength = 0;
        gameState = EnterName;
    } else {
        BackToMenu();
    }
    if (!SpritesEmpty()) {
        SpritesFree();
    }
    CameraSetMenu();
    SoundPlay(kClickSound, false);
    keyDelayTimer = kLeaveDelay;
}

char NameEntryCharacter(int keyCode, bool shift)
{
    for (const NameKey& key : kNameKeys) {
        if (key.code == keyCode) {
            return shift ? key.upper : key.lower;
        }
    }
    return '\0';
}

void NameEntryKeys()
{
    if (InputTextActive()) {
        // Characters typed through the desktop's layout arrive one event each, so they are all taken,
        // also within the short pause after the previous one; the longer pause on entering the
        // table still keeps out keys that were meant for the run.
        if (keyDelayTimer <= kTypeDelay) {
            for (char ch : inputText) {
                TypeCharacter(ch);
            }
        }
        if (keyDelayTimer < 0.0f && inputText.empty()) {
            if (KeyDown(kKeyBackspace)) {
                EraseCharacter();
            } else if (KeyDown(kKeyEnter) && nameEntryLength > 0) {
                HighScoreInsert();
            }
        }
        return;
    }
    if (keyDelayTimer >= 0.0f) {
        return;
    }
    nameEntryShift = (KeyDown(kKeyLeftShift) || KeyDown(kKeyRightShift)) ? 1 : 0;
    bool handled = false;
    for (const NameKey& key : kNameKeys) {
        if (KeyDown(key.code)) {
            TypeCharacter(nameEntryShift != 0 ? key.upper : key.lower);
            handled = true;
            break;
        }
    }
    if (!handled) {
        if (KeyDown(kKeyBackspace)) {
            EraseCharacter();
        } else if (KeyDown(kKeyEnter) && nameEntryLength > 0) {
            // An empty name is no name: ENTER waits for a first character.
            HighScoreInsert();
        }
    }
    nameEntryShift = 0;
}

void HighScoreInsert()
{
    RiseFromTenthRank(highScores);
    HighScoresWrite();
    gameState = HighScoreTable;
    SoundPlay(kClickSound, false);
    keyDelayTimer = kLeaveDelay;
}

void HighScoreTableKeys()
{
    if (keyDelayTimer >= 0.0f || !(KeyDown(kKeyEnter) || KeyDown(kKeyEscape))) {
        return;
    }
    BackToMenu();
    SoundPlay(kClickSound, false);
    keyDelayTimer = kLeaveDelay;
}
