// The run's pause: the frozen simulation and the run's looping sounds, stopped and started together
// by the pause command, the console, the menu and the loss of the window's focus.
#pragma once

#include <cstdint>

// The simulation is frozen (the scene is still drawn).
extern std::uint8_t pauseFlag;

// Sets the pause flag and stops the run's looping sounds.
void RunPause();
// Clears the pause flag and starts the run's looping sounds again.
void RunResume();

// Console command pause: toggles between the two while the key delay has run out and the run is not
// over, then starts the key delay.
void PauseCommand();
