// The simulation of a run: what a playing frame advances between the input and the drawing.
#pragma once

#include <cstdint>

#include "game/aircraft.h"
#include "game/enemy.h"
#include "game/projectiles.h"
#include "game/sprites.h"
#include "game/world.h"

enum class SimulationOutcome {
    Advanced,      // every step ran
    LeftForMenu,   // the player asked for the menu: nothing moved but the fog pulse and the clocks
    RunOver,       // the run ended in the last step that ran
};

// One unpaused playing frame of the run, `frameMilliseconds` of the tick clock long (frameDelta is
// their seconds), in equal steps of at most 1/60 s for a frame longer than
// 1/30 s (one step otherwise), so that gun cadence, hits and flight do not depend on the frame rate.
// Each step: the fog pulse, the run clock, the five-minute difficulty timer, then (unless the first
// step finds `leaveAsked`) SimulationStep with the player flying by `controls`. frameDelta holds
// each step's time during its step and the whole frame's afterwards. `controls` keeps what the
// steps left unused (a step takes the flags it acts on).
SimulationOutcome SimulationAdvance(std::uint32_t frameMilliseconds, FlightControls& controls, bool leaveAsked);

// The world's part of one step, in its fixed order: scroll and surface, the player, each enemy with
// its weapons and death, the projectiles, the sprites.
void SimulationStep();
