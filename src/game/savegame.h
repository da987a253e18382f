// The saved game avr.sav: 721 bytes of little-endian values, no header.
#pragma once

#include <cstddef>

inline constexpr const char* kSaveFileName = "avr.sav";
inline constexpr std::size_t kSaveFileSize = 721;
inline constexpr std::size_t kSavePlayerOffset = 68;
inline constexpr std::size_t kSavePlayerSize = 61;
inline constexpr std::size_t kSaveEnemyOffset = 129;
inline constexpr std::size_t kSaveEnemySize = 49;
inline constexpr std::size_t kSaveWorldSpeedOffset = 717;

// Writes avr.sav (through a temporary file renamed over the old one); false, with a console message,
// when it cannot be written: the old file then stays whole.
bool GameSave();
// Restores the run from avr.sav: the whole file is read and checked first, then a new run starts and
// takes the stored values. False when there is no file (silently), when it cannot be read or is not
// 721 bytes long (with a console message; nothing changed), or when the new run cannot start.
bool GameLoad();

// Console command save: GameSave, then the "Game Saved" notice when the file was written (a failure
// has its console line). Bound to a key it saves once per press: run again in the very next frame
// (the key still held) it does nothing. (load acts on the menu too and lives with it.)
void SaveCommand();
// Forgets the frame of the last save (program start; tests).
void SaveCommandReset();
