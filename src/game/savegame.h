// The saved game avr.sav.
#pragma once

// Writes avr.sav; false when it cannot be written (the old file stays whole).
bool GameSave();
// Restores the run from avr.sav; false (and nothing changed) when there is none or it is unusable.
bool GameLoad();

// Console commands.
void SaveCommand();   // save
void LoadCommand();   // load
