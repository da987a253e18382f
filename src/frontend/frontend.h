// The main menu, end of run, name entry and the high-score table.
//
// The front end owns the records the renderer reads to draw these screens: the five menu items, the
// ten high-score entries and the name being typed (kept in the tenth entry). It moves the game
// between MainMenu, Playing, EnterName and HighScoreTable; it draws nothing itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// ---- Main menu ------------------------------------------------------------------------------------

inline constexpr int kMenuItemCount = 5;
inline constexpr int kMenuItemNewGame = 0;
inline constexpr int kMenuItemLoadGame = 1;
inline constexpr int kMenuItemResume = 2;
inline constexpr int kMenuItemHighScores = 3;
inline constexpr int kMenuItemExit = 4;

// Distance from the viewer of the selected item and of the others.
inline constexpr float kMenuDepthSelected = 7.5f;
inline constexpr float kMenuDepthNormal = 8.0f;

inline constexpr const char* kMenuMoveSound = "sound\\over.wav";

// One caption of the menu: drawn with rotation(yaw, pitch, roll) then translation(x, y, depth), in
// material 4 when selected and material 3 otherwise, from text mesh slot `index`.
struct MenuItem {
    float x;
    float y;
    float depth;
    float pitch;
    float yaw;
    float roll;
    std::uint8_t index;      // 0..4: the caption's text mesh slot and the action code
    std::uint8_t selected;   // at most one item has 1
};

// The five items in item order.
extern MenuItem menuItems[kMenuItemCount];

// Sets `item` from the layout table; an index outside 0..4 changes nothing.
void MenuItemInit(MenuItem& item, int index);
// Lays out menuItems[index]; an index outside 0..4 changes nothing.
void MenuItemInit(int index);
// The key handling of one item for this frame; true when the item acted (later items are not asked
// this frame). An index outside 0..4 never acts.
bool MenuItemUpdate(int index);
// Makes "Resume" the one selected item (leaving a run with ESCAPE).
void MenuSelectResume();
// Makes "New game" the one selected item (back from game over or from the high-score table).
void MenuSelectNewGame();
// Deselects all five items (loading a saved game uses it too).
void MenuItemsDeselectAll();
// All five items back to the start-up layout ("New game" selected).
void MenuReset();

// Console command load: GameLoad; on success the menu items are deselected, the "Game Loaded" notice
// shows and the run is played.
void LoadCommand();

// ---- High-score table -----------------------------------------------------------------------------

inline constexpr int kHighScoreCount = 10;
inline constexpr int kHighScoreNameSize = 12;       // bytes of the name field
inline constexpr int kHighScoreNameLimit = 10;      // characters a name may have
inline constexpr std::size_t kHighScoreEntrySize = 28;
inline constexpr std::size_t kHighScoreFileSize = kHighScoreCount * kHighScoreEntrySize;   // 280
inline constexpr const char* kHighScoreFileName = "top.dat";

// One rank of the table. In top.dat: name (12 bytes, code page 1250, zero-terminated), kills (int32),
// hours, minutes, seconds (float32), all little-endian, 28 bytes. An empty rank is all zero.
struct HighScoreEntry {
    char name[kHighScoreNameSize];
    std::int32_t kills;
    float hours;
    float minutes;
    float seconds;
};

// Rank 1 first. The master copy: read at start-up; HighScoreInsert writes it, merged with what
// top.dat holds by then.
extern HighScoreEntry highScores[kHighScoreCount];

// The name being typed goes straight into highScores[9].name; these count its characters (0..10)
// and hold the shift state of the current frame.
extern std::int32_t nameEntryLength;
extern std::uint8_t nameEntryShift;

// The table, the typed-name state and nothing else back to empty (tests).
void HighScoresReset();

// Fills the table from top.dat. False when there is no file (the table is then empty) or it cannot
// be read; a file shorter than 280 bytes fills the leading ranks, a longer one is read for its first
// 280 bytes. Names are cut to 10 characters and unusable times become 0 (with a console message).
bool HighScoresRead();
// Writes the table to top.dat through a temporary file, merged with the table the file holds now
// (another copy of the game may have written it): the best ten of both, an entry that was in the
// file when this program last read or wrote it counted once. The table then becomes the one
// written. A missing file, or one that cannot be read, merges as empty. False, with a console
// message, when the file was not written (the old file and the table then stay as they were).
bool HighScoresWrite();

// The 280 bytes of top.dat for the table, and the table from those bytes. Decoding reads at most
// kHighScoreFileSize bytes; missing bytes read as zero. It returns how many fields it had to repair.
std::string HighScoresEncode();
int HighScoresDecode(const unsigned char* bytes, std::size_t length);

// The ranking rule: more kills first, then the shorter time (hours, minutes, seconds). True only
// when `a` ranks strictly above `b`.
bool HighScoreRanksHigher(const HighScoreEntry& a, const HighScoreEntry& b);
// Whether the finished run (its kills and the run clock) ranks strictly above the tenth entry.
bool HighScoreQualifies();

// The game-over screen's ENTER: to name entry when the run qualifies, otherwise to the menu.
void GameOverContinue();
// One frame of name entry: one character key, BACKSPACE or ENTER.
void NameEntryKeys();
// Moves the new tenth entry up to its rank, writes top.dat and shows the table.
void HighScoreInsert();
// ENTER or ESCAPE on the table: back to the menu with "New game" selected.
void HighScoreTableKeys();

// The character name entry types for a key, in code page 1250, with shift or without; 0 when the
// key types nothing.
char NameEntryCharacter(int keyCode, bool shift);
