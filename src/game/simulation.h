// Everything a playing frame runs, for the frame loop.
#pragma once

#include "game/aircraft.h"
#include "game/enemy.h"
#include "game/projectiles.h"
#include "game/sprites.h"
#include "game/world.h"
