// Placeholder for the main menu's deselection until the main menu provides it: no menu items exist
// yet, so there is nothing to deselect.
#include "game/savegame.h"

void MenuItemsDeselectAll() {}
