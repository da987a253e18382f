// The main menu, end of run, name entry and the high-score table.
#pragma once

inline constexpr int kMenuItemCount = 5;
inline constexpr int kMenuItemResume = 2;

void MenuItemInit(int index);
// Reacts to the keys for one item; true when the item acted (later items are not asked this frame).
bool MenuItemUpdate(int index);
// Makes "Resume" the selected item (leaving a run with ESCAPE).
void MenuSelectResume();

void HighScoresRead();
void GameOverContinue();
void NameEntryKeys();
void HighScoreTableKeys();
