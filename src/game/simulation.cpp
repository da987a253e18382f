#include "game/simulation.h"

#include <cmath>

#include "core/frame.h"
#include "game/fog.h"
#include "game/run_stats.h"
#include "game/saturating.h"

namespace {

// Frames up to kLongFrame are one simulation step, as always; a longer one is cut into equal steps
// of at most kSimulationStep (the step of smooth play), so that the 0.08 s gun interval, which the
// gun timer counts in whole steps, gives the same cadence as at a high frame rate.
constexpr float kLongFrame = 1.0f / 30.0f;
constexpr float kSimulationStep = 1.0f / 60.0f;

int StepCount(float seconds)
{
    if (!(seconds > kLongFrame)) {
        return 1;
    }
    // The small allowance keeps a frame of exactly k steps (give or take float rounding) at k.
    return static_cast<int>(std::ceil(seconds / kSimulationStep - 1e-3f));
}

void FogPulse()
{
    if (fogSettings.fogRising == 1 && fogSettings.fogFactor < 5.0f) {
        fogSettings.fogFactor += 0.03f * frameDelta;
        fogSettings.fogRising = 1;
        return;
    }
    fogSettings.fogRising = 0;
    if (fogSettings.fogFactor <= 1.0f) {
        fogSettings.fogRising = 1;
    } else {
        fogSettings.fogFactor -= 0.03f * frameDelta;
    }
}

void RunClockAdvance()
{
    runSeconds += frameDelta;
    if (runSeconds >= 60.0f) {
        runSeconds -= 60.0f;
        runMinutes += 1.0f;
    }
    if (runMinutes >= 60.0f) {
        runMinutes -= 60.0f;
        runHours += 1.0f;
    }
}

void DifficultyAdvance()
{
    difficultyTimer += frameDelta;
    if (difficultyTimer > 300.0f) {
        difficultyTimer = 0.0f;
        for (Aircraft* enemy : enemySlots) {
            if (enemy != nullptr) {
                enemy->level = SaturatingAdd(enemy->level, 1);
            }
        }
    }
}

void FlyBy(Aircraft& a, const FlightControls& c)
{
    a.wantForward = c.forward;
    a.wantBackward = c.backward;
    a.wantLeft = c.left;
    a.wantRight = c.right;
    a.wantUp = c.up;
    a.wantDown = c.down;
    a.wantFire = c.fire;
    a.wantBomb = c.bomb;
}

// The flags the steps left on the aircraft: what they did not take.
FlightControls Unused(const Aircraft& a)
{
    return {a.wantForward, a.wantBackward, a.wantLeft, a.wantRight, a.wantUp, a.wantDown, a.wantFire, a.wantBomb};
}

}  // namespace

SimulationOutcome SimulationAdvance(std::uint32_t frameMilliseconds, FlightControls& controls, bool leaveAsked)
{
    // The frame's seconds as the frame loop makes them from the same milliseconds.
    const float frameSeconds = static_cast<float>(frameMilliseconds * 0.001);
    const int steps = StepCount(frameSeconds);
    const FlightControls asked = controls;
    SimulationOutcome outcome = SimulationOutcome::Advanced;
    bool stepped = false;
    for (int step = 0; step < steps; ++step) {
        // A step is the frame's milliseconds divided, so 80 ms in five steps give each step the very
        // time of a 16 ms frame (a division of the float seconds would round below it, and the gun
        // would take a sixth step to fire).
        frameDelta = steps == 1 ? frameSeconds : static_cast<float>(frameMilliseconds * 0.001 / steps);
        FogPulse();
        RunClockAdvance();
        DifficultyAdvance();
        if (step == 0 && leaveAsked) {
            outcome = SimulationOutcome::LeftForMenu;
            break;
        }
        FlyBy(*player, asked);
        SimulationStep();
        stepped = true;
        if (runStats.gameOver != 0) {
            outcome = SimulationOutcome::RunOver;
            break;
        }
    }
    frameDelta = frameSeconds;
    if (stepped) {
        controls = Unused(*player);
    }
    return outcome;
}

void SimulationStep()
{
    ScrollAdvance();
    SurfaceScroll();
    PlayerUpdate(player);
    for (Aircraft* enemy : enemySlots) {
        if (enemy == nullptr) {
            continue;
        }
        EnemyUpdate(enemy);
        AircraftWeaponsUpdate(enemy);
        AircraftDeathUpdate(enemy);
    }
    ProjectilesUpdate();
    if (!SpritesEmpty()) {
        SpritesUpdate();
    }
}
