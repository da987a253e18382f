// The whole program's state back to where it stands at start-up, for a fresh start without a new
// process (tests, tools).
#pragma once

// Every module's values back to those at program start, the top layer first so that each module
// releases what it holds while the layers below still stand: the render set-up, the front end (menu,
// high-score table), the simulation (aircraft, projectiles, sprites, the world and its sea, run
// statistics, notice, camera, fog), the console (text, variables, bindings; the program's command
// table installed), the input record, and the frame values.
//
// What the caller made on purpose is left to it: the device and the window, the sound library,
// loaded resources (archives, sounds, textures, meshes), the console's echo and the clock.
void ProgramReset();
