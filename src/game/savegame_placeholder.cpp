// Placeholder for save and load until the saved-game file replaces this file.
#include "console/placeholder.h"
#include "game/savegame.h"

void SaveCommand()
{
    PlaceholderCommandNotice();
}

void LoadCommand()
{
    PlaceholderCommandNotice();
}
