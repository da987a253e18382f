// The saved game avr.sav.
#pragma once

// Console commands.
void SaveCommand();   // save
void LoadCommand();   // load
