// Placeholder front end until the menu and the high-score table replace this file: the menu has
// no items that react yet, so a player reaches a run only through later work.
#include "frontend/frontend.h"

void MenuItemInit(int) {}

bool MenuItemUpdate(int)
{
    return false;
}

void MenuSelectResume() {}
void HighScoresRead() {}
void GameOverContinue() {}
void NameEntryKeys() {}
void HighScoreTableKeys() {}
