// The cost of one simulation step of a playing frame (everything but drawing): scrolling and the
// surface with its ground objects, the player, the 12 enemies with their weapons and explosions, the
// projectiles with their hits, the explosion sprites. Every enemy flies and shoots, the player holds
// the gun, and 200 projectiles are in flight: the ones that leave or hit are replaced after each
// step (the spawns are part of the measured time). No graphics device and no sound output: the
// world keeps no vertex buffers and sounds are not found, as in a run without content.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "console/console.h"
#include "core/frame.h"
#include "core/random.h"
#include "game/enemy.h"
#include "game/pause.h"
#include "game/run_stats.h"
#include "game/simulation.h"

namespace {

constexpr int kProjectilesInFlight = 200;

void KeepEveryoneFlying()
{
    player->health = 1.0e9f;
    player->alive = 1;
    player->wantFire = 1;
    for (int i = 0; i < kEnemySlotCount; ++i) {
        Aircraft* enemy = enemySlots[i];
        if (enemy->alive == 0 || enemy->health < 1.0e6f) {
            enemy->alive = 1;
            enemy->health = 1.0e9f;
            enemy->explosionFrame = 0;
            enemy->posX = -2.0f + 0.35f * static_cast<float>(i);
            enemy->posY = 1.0f + 0.15f * static_cast<float>(i);
            enemy->currentLevel = enemy->targetLevel = static_cast<std::uint8_t>(i % 3);
        }
        enemy->wantFire = 1;
    }
    runStats.gameOver = 0;
    // Bullets from the player and the enemies in turn, bombs now and then.
    for (int n = ProjectileCount(); n < kProjectilesInFlight; ++n) {
        Aircraft* shooter = n % 2 == 0 ? player : enemySlots[n % kEnemySlotCount];
        ProjectileSpawn(shooter, n % 17 == 0 ? kProjectileBomb : kProjectileGun);
    }
}

void SimulationStepWithTwelveEnemiesAndTwoHundredProjectiles(benchmark::State& state)
{
    ConsoleSetEcho(false);
    ConsoleInit(console);
    RandomSeed(7);
    FrameValuesReset();
    pauseFlag = 1;   // the run starts without its sound loops
    if (!RunStart()) {
        state.SkipWithError("RunStart failed");
        return;
    }
    pauseFlag = 0;
    frameDelta = 1.0f / 60.0f;
    KeepEveryoneFlying();
    std::int64_t projectiles = 0;
    for (auto _ : state) {
        SimulationStep();
        KeepEveryoneFlying();
        projectiles += ProjectileCount();
    }
    state.counters["projectiles"] =
        benchmark::Counter(static_cast<double>(projectiles) / static_cast<double>(state.iterations()));
    ProjectilesFree();
    SpritesFree();
    WorldReset();
}
BENCHMARK(SimulationStepWithTwelveEnemiesAndTwoHundredProjectiles);

}  // namespace
