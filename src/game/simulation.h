// Everything a playing frame runs, for the frame loop.
#pragma once

#include "game/aircraft.h"
#include "game/enemy.h"
#include "game/projectiles.h"
#include "game/sprites.h"
#include "game/world.h"

// The world's part of a playing frame, in its fixed order: scroll and surface, the player, each
// enemy with its weapons and death, the projectiles, the sprites. Stops after a failed surface
// scroll and returns its result.
HRESULT SimulationStep();
