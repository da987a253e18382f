#include "game/enemy.h"

#include <cstdlib>
#include <new>

#include "core/frame.h"
#include "core/random.h"
#include "game/camera.h"
#include "game/fog.h"
#include "game/pause.h"
#include "game/projectiles.h"
#include "game/run_stats.h"
#include "game/sprites.h"
#include "game/world.h"
#include "resources/sound.h"

namespace {

constexpr float kTwoPi = 6.2831855f;
constexpr float kChoiceInterval = 0.3f;
constexpr float kManoeuvreRange = 20.0f;
constexpr float kLeaveDistance = -4.0f;

void RunStatsClear()
{
    runStats.shotCount = 0;
    runStats.hitCount = 0;
    runStats.enemyKills = 0;
    runStats.buildingKills = 0;
    runStats.reserved = 0;
    runStats.accuracy = 0.0f;
    runStats.gameOver = 0;
}

void FogSettingsStart()
{
    fogSettings.fogTag = 2;
    fogSettings.fogStart = 0.0f;
    fogSettings.fogEndBase = 20.0f;
    fogSettings.fogColor = 0xFFC8C8C8u;
    fogSettings.fogFactor = 5.0f;
    fogSettings.fogEnabled = 1;
    fogSettings.fogRising = 0;
}

void LoopSoundStart(const char* name)
{
    SoundPlay(name, true);
    SoundSetAttributes(name, -1, 40, 0);
}

// Manoeuvres 0 and 1 bank right and left at half the player's rate; 2..5 hold the bank.
void ManoeuvreApply(Aircraft* enemy, float dt)
{
    const float b = dt * enemy->bankRate * 0.5f;
    if (enemy->manoeuvre == 1) {
        if (enemy->bank < kBankLimit - b && enemy->bank >= -kBankLimit) {
            enemy->bank += b;
        }
    } else if (enemy->manoeuvre == 0) {
        if (enemy->bank < kBankLimit && enemy->bank >= b - kBankLimit) {
            enemy->bank -= b;
        }
    }
}

void EnemyFly(Aircraft* enemy, float dt)
{
    enemy->wantFire = 0;
    enemy->wantBomb = 0;
    if (enemy->aiTimer > kChoiceInterval) {
        enemy->manoeuvre = RandomNext() % 6;
        enemy->aiTimer = 0.0f;
    }
    if (camera.scrollPos + kManoeuvreRange > enemy->posY) {
        ManoeuvreApply(enemy, dt);
    }
    enemy->posY -= dt * enemy->relSpeed;
    enemy->posX -= enemy->moveRate * enemy->bank * dt;
    if (enemy->posY - camera.scrollPos < kLeaveDistance) {
        enemy->alive = 0;
    }
    if (RandomNext() % 50 == 0) {
        enemy->wantFire = 1;
    }
}

// An empty slot takes a new enemy far ahead, at a random flight level it keeps for its life.
void EnemyRespawn(Aircraft* enemy)
{
    if (RandomNext() % 100 != 0) {
        return;
    }
    const int level = RandomNext() % 3;
    AircraftInit(enemy, kAircraftEnemy, kSideEnemy, static_cast<std::uint8_t>(level));
    enemy->posY = camera.scrollPos + 30.5f + 0.17f * static_cast<float>(RandomNext() % 101);
    enemy->alive = 1;
    enemy->posX = 0.2f * static_cast<float>(RandomNext() % 101) - 10.0f;
}

}  // namespace

bool RunStart()
{
    RunStatsClear();
    runSeconds = 0.0f;
    runMinutes = 0.0f;
    runHours = 0.0f;

    AircraftInit(player, kAircraftPlayer, kSidePlayer, 1);

    for (Aircraft*& enemy : enemySlots) {
        if (enemy == nullptr) {
            enemy = new (std::nothrow) Aircraft{};
            if (enemy == nullptr) {
                continue;   // the slot stays empty; every user of the slots skips null records
            }
        }
        AircraftInit(enemy, kAircraftEnemy, kSideEnemy, static_cast<std::uint8_t>(RandomNext() % 3));
        enemy->alive = 0;
        enemy->level = 0;
    }

    GroundObjectsPrepare();
    if (!SurfaceBuild()) {
        return false;
    }

    FogSettingsStart();
    CameraSetPlaying();
    difficultyTimer = 0.0f;
    if (!SpritesEmpty()) {
        SpritesFree();
    }
    ProjectilesFree();

    if (pauseFlag != 0) {
        return true;
    }
    LoopSoundStart(kWindSound);
    LoopSoundStart(kEngineSound);
    return true;
}

void EnemyUpdate(Aircraft* enemy)
{
    const float dt = frameDelta;
    enemy->aiTimer += dt;
    if (enemy->alive != 0) {
        EnemyFly(enemy, dt);
    } else {
        EnemyRespawn(enemy);
    }
    enemy->propellerAngle += dt * enemy->propellerSpeed;
    if (enemy->propellerAngle > kTwoPi) {
        enemy->propellerAngle -= kTwoPi;
    }
}
