// The enemies and the start of a run.
#pragma once

#include "game/aircraft.h"

// Starts a new run; false when the surface strip cannot be built.
bool RunStart();
// The enemy's behaviour for one frame.
void EnemyUpdate(Aircraft* enemy);
