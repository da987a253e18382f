// The aircraft, in this order:
//   1. Flight steps (forward, backward, bank, level, the window's edges, collisions), the propeller
//      and the ends of the explosions.
//   2. The records and their start: the player's record, AircraftInit.
//   3. Each step's updates: PlayerUpdate, PlayerFlightUpdate, AircraftWeaponsUpdate,
//      AircraftDeathUpdate.
//   4. The flight commands, which fill playerControls.
#include "game/aircraft.h"

#include <algorithm>
#include <cmath>

#include "console/variables.h"
#include "core/frame.h"
#include "game/camera.h"
#include "game/feedback.h"
#include "game/projectiles.h"
#include "game/run_stats.h"
#include "game/saturating.h"
#include "game/sprites.h"
#include "game/world.h"
#include "resources/mesh_lookup.h"
#include "resources/sound.h"

FlightControls playerControls{};

namespace {

Aircraft playerRecord{};

constexpr float kTwoPi = 6.2831855f;
// 36000 degrees per second in radians.
constexpr float kPropellerSpeed = 36000.0f * 0.017453292f;
constexpr float kCollisionDistance = 0.4f;

void ClearMovementFlags(Aircraft* aircraft)
{
    aircraft->wantForward = 0;
    aircraft->wantBackward = 0;
    aircraft->wantLeft = 0;
    aircraft->wantRight = 0;
    aircraft->wantUp = 0;
    aircraft->wantDown = 0;
}

void ForwardStep(Aircraft* a, float dt)
{
    if (a->posY >= camera.prevScrollPos + kWindowFront && a->wantBackward == 0) {
        a->relSpeed = 0.0f;
    } else if (a->wantForward != 0) {
        if (worldSpeed <= 4.0f) {
            worldSpeed += dt;
        }
        a->relSpeed += a->relSpeed < 0.0f ? 2.0f * dt : dt;
        if (a->relSpeed > a->maxRelSpeed) {
            a->relSpeed = a->maxRelSpeed;
        }
        if (worldSpeed >= 4.0f) {
            worldSpeed = 4.0f;
        }
    } else if (a->relSpeed > 0.4f * dt) {
        a->relSpeed -= 0.4f * dt;
    }
}

void BackwardStep(Aircraft* a, float dt)
{
    if (a->posY <= camera.prevScrollPos + kWindowBack && a->wantForward == 0) {
        a->relSpeed = 0.0f;
    } else if (a->wantBackward != 0) {
        if (worldSpeed >= 2.0f) {
            worldSpeed -= dt;
        }
        a->relSpeed -= a->relSpeed > 0.0f ? 2.0f * dt : dt;
        if (a->relSpeed < -a->maxRelSpeed) {
            a->relSpeed = -a->maxRelSpeed;
        }
        if (worldSpeed <= 2.0f) {
            worldSpeed = 2.0f;
        }
    } else if (a->relSpeed < -0.4f * dt) {
        a->relSpeed += 0.4f * dt;
    }
}

// Banking only ever changes by the controls or at the window's edges: near an edge the bank that
// carries the aircraft outward is taken back step by step, whatever the controls ask.
void BankStep(Aircraft* a, float dt)
{
    const float b = a->bankRate * dt;
    if (a->bank * 0.75f - kWindowHalfWidth > a->posX) {
        if (a->bank < kBankLimit && a->bank >= b) {
            a->bank -= b;
        }
    } else if (a->wantLeft != 0 && a->bank < kBankLimit - b && a->bank >= -kBankLimit) {
        a->bank += b;
    }
    if (a->bank * 0.75f + kWindowHalfWidth < a->posX) {
        if (a->bank > -kBankLimit && a->bank <= -b) {
            a->bank += b;
        }
    } else if (a->wantRight != 0 && a->bank < kBankLimit && a->bank >= b - kBankLimit) {
        a->bank -= b;
    }
}

// One level at a time: a new target is taken only once the previous one has been reached.
void LevelStep(Aircraft* a, float dt)
{
    if (a->currentLevel == a->targetLevel) {
        if (a->wantUp != 0 && a->targetLevel < 2) {
            ++a->targetLevel;
        }
        if (a->wantDown != 0 && a->targetLevel > 0) {
            --a->targetLevel;
        }
    }
    if (a->currentLevel < a->targetLevel) {
        a->posZ -= a->moveRate * dt;
        if (a->targetLevel == 1 && a->posZ <= kLevelHeight[1]) {
            a->posZ = kLevelHeight[1];
            a->currentLevel = 1;
        } else if (a->targetLevel == 2 && a->posZ <= kLevelHeight[2]) {
            a->posZ = kLevelHeight[2];
            a->currentLevel = 2;
        }
    }
    if (a->currentLevel > a->targetLevel) {
        a->posZ += a->moveRate * dt;
        if (a->targetLevel == 0 && a->posZ >= kLevelHeight[0]) {
            a->posZ = kLevelHeight[0];
            a->currentLevel = 0;
        } else if (a->targetLevel == 1 && a->posZ >= kLevelHeight[1]) {
            a->posZ = kLevelHeight[1];
            a->currentLevel = 1;
        }
    }
}

void WindowClamp(Aircraft* a)
{
    if (a->posX < -kWindowHalfWidth) {
        a->posX = -kWindowHalfWidth;
    } else if (a->posX > kWindowHalfWidth) {
        a->posX = kWindowHalfWidth;
    }
    if (a->posY < camera.scrollPos + kWindowBack) {
        a->posY = camera.scrollPos + kWindowBack;
    } else if (a->posY > camera.scrollPos + kWindowFront) {
        a->posY = camera.scrollPos + kWindowFront;
    }
}

// Aircraft collide only when both fly at exactly the same height; the player's own hit flag is not
// looked at, so an exploding player still destroys what it meets.
void CollisionStep(Aircraft* a)
{
    for (Aircraft* enemy : enemySlots) {
        if (enemy == nullptr || enemy->alive == 0 || enemy->hit != 0) {
            continue;
        }
        const float dx = a->posX - enemy->posX;
        const float dy = a->posY - enemy->posY;
        if (std::sqrt(dx * dx + dy * dy) < kCollisionDistance && a->posZ == enemy->posZ) {
            SoundPlay(kAircraftExplosionSound, false);
            SoundSetAttributes(kAircraftExplosionSound, -1, 50, SaturatingInt(20.0 * SaturatingInt(a->posX)));
            enemy->hit = 1;
            a->hit = 1;
            if (a == player) {
                feedbackEvents.playerDestroyed = true;
            }
        }
    }
}

void PropellerAdvance(Aircraft* a, float dt)
{
    a->propellerAngle += a->propellerSpeed * dt;
    if (a->propellerAngle > kTwoPi) {
        a->propellerAngle -= kTwoPi;
    }
}

void PlayerExplosionEnd(Aircraft* a)
{
    a->alive = 0;
    if (runStats.shotCount != 0) {
        runStats.accuracy = static_cast<float>(runStats.hitCount) / static_cast<float>(runStats.shotCount) * 100.0f;
    }
    runStats.gameOver = 1;
    keyDelayTimer = 0.5f;
    SoundStop(kWindSound);
    SoundStop(kEngineSound);
}

// An enemy's kill counts once, when its explosion ends while it is still in the run.
void EnemyExplosionEnd(Aircraft* a)
{
    if (a->alive != 0) {
        runStats.enemyKills = SaturatingAdd(runStats.enemyKills, 1);
        player->levelKills = SaturatingAdd(player->levelKills, 1);
        if (player->levelKills >= 10) {
            player->level = SaturatingAdd(player->level, 1);
            player->levelKills = 0;
        }
        runStats.score = SaturatingAdd(runStats.score, 20);
        player->health += 1.0f + 0.2f * static_cast<float>(player->level);
        if (player->health > 100.0f) {
            player->health = 100.0f;
        }
    }
    a->alive = 0;
}

}  // namespace

Aircraft* player = &playerRecord;
Aircraft* enemySlots[kEnemySlotCount] = {};

int EngineFrequency(float speed)
{
    // Held within the frequencies the audio library accepts, which every speed of a real run gives:
    // a saved speed no run reaches cannot raise an audio error every frame.
    constexpr int kLowestFrequency = 100;
    constexpr int kHighestFrequency = 100000;
    return std::clamp(SaturatingInt(30000.0 - SaturatingInt(-6000.0f * speed)), kLowestFrequency, kHighestFrequency);
}

void AircraftStateReset()
{
    playerRecord = Aircraft{};
    playerControls = FlightControls{};
    player = &playerRecord;
    for (Aircraft*& enemy : enemySlots) {
        delete enemy;
        enemy = nullptr;
    }
}

void AircraftInit(Aircraft* aircraft, std::uint8_t kind, std::uint8_t side, std::uint8_t level)
{
    aircraft->targetLevel = level;
    aircraft->currentLevel = level;
    aircraft->alive = 1;
    aircraft->hit = 0;
    aircraft->explosionFrame = 0;
    aircraft->explosionTimer = 0.0f;
    aircraft->kind = kind;
    aircraft->side = side;

    aircraft->posX = 0.0f;
    aircraft->posY = 1.0f;
    if (level <= 2) {
        aircraft->posZ = kLevelHeight[level];
    }

    aircraft->pitch = 0.0f;
    aircraft->bank = 0.0f;
    aircraft->heading = side == kSidePlayer ? 0.0f : 3.1415927f;
    aircraft->relSpeed = 0.0f;

    aircraft->bombs = 10;
    aircraft->rounds = 1000;
    aircraft->wantBomb = 0;
    aircraft->wantFire = 0;
    aircraft->aiTimer = 10.0f;
    aircraft->levelKills = 0;

    if (kind == kAircraftPlayer) {
        aircraft->gunInterval = aircraft->gunTimer = 0.08f;
        aircraft->maxRelSpeed = 3.0f;
        aircraft->spareScale = 1.0f;
        aircraft->bankRate = 2.0f;
        aircraft->moveRate = 2.0f;
        aircraft->bombInterval = aircraft->bombTimer = 1.1f;
        aircraft->health = 100.0f;
        for (int i = 0; i < kAircraftMeshParts; ++i) {
            aircraft->meshes[i] = MeshFind(static_cast<std::uint8_t>(11 + i));
        }
        aircraft->tailOffset = -0.1276f;
        aircraft->partOffsetAX = 0.0f;
        aircraft->partOffsetAY = 0.0f;
        aircraft->partOffsetBX = 0.0f;
        aircraft->partOffsetBY = 0.0f;
        aircraft->level = 0;
        aircraft->propellerAngle = 0.0f;
        aircraft->propellerOffset = 0.28f;
        aircraft->propellerSpeed = kPropellerSpeed;
    } else if (kind == kAircraftEnemy) {
        aircraft->gunInterval = aircraft->gunTimer = 0.2f;
        aircraft->maxRelSpeed = 3.0f;
        aircraft->spareScale = 1.0f;
        aircraft->bankRate = 2.0f;
        aircraft->moveRate = 2.0f;
        aircraft->bombInterval = aircraft->bombTimer = 0.4f;
        aircraft->health = 8.0f;
        aircraft->meshes[0] = MeshFind(2);
        aircraft->meshes[1] = MeshFind(3);
        aircraft->propellerAngle = 0.0f;
        aircraft->propellerOffset = 0.28f;
        aircraft->propellerSpeed = kPropellerSpeed;
    }

    ClearMovementFlags(aircraft);
    if (kind == kAircraftPlayer) {
        // A new player's aircraft starts with no request, whatever the commands asked before.
        playerControls = FlightControls{};
    }
}

void PlayerUpdate(Aircraft* aircraft)
{
    PlayerFlightUpdate(aircraft);
    AircraftWeaponsUpdate(aircraft);
    AircraftDeathUpdate(aircraft);
    PropellerAdvance(aircraft, frameDelta);
}

void PlayerFlightUpdate(Aircraft* aircraft)
{
    const float dt = frameDelta;
    ForwardStep(aircraft, dt);
    BackwardStep(aircraft, dt);
    BankStep(aircraft, dt);

    aircraft->posX -= aircraft->moveRate * aircraft->bank * dt;
    aircraft->posY = (aircraft->posY - camera.prevScrollPos) + camera.scrollPos + aircraft->relSpeed * dt;

    LevelStep(aircraft, dt);

    if (aircraft == player) {
        WindowClamp(aircraft);
        CollisionStep(aircraft);
    }
    ClearMovementFlags(aircraft);
    SoundSetAttributes(kEngineSound, EngineFrequency(worldSpeed), -1, -101);
}

void AircraftWeaponsUpdate(Aircraft* aircraft)
{
    const float dt = frameDelta;
    aircraft->gunTimer += dt;
    aircraft->bombTimer += dt;

    if (aircraft->wantFire != 0 && aircraft->rounds != 0 && aircraft->gunTimer > aircraft->gunInterval) {
        if (aircraft == player) {
            runStats.shotCount = SaturatingAdd(runStats.shotCount, 1);
            if (VarGetInt("h_dev") == 0) {
                SoundPlay(kGunSound, false);
            }
        }
        aircraft->rounds = SaturatingAdd(aircraft->rounds, -1);
        ProjectileSpawn(aircraft, kProjectileGun);
        aircraft->gunTimer = 0.0f;
    }

    if (aircraft->wantBomb != 0 && aircraft->bombs != 0) {
        SoundPlay(kBombFallSound, false);
        if (aircraft->bombTimer > aircraft->bombInterval) {
            aircraft->bombs = SaturatingAdd(aircraft->bombs, -1);
            ProjectileSpawn(aircraft, kProjectileBomb);
            aircraft->bombTimer = 0.0f;
        }
    }

    aircraft->wantFire = 0;
    aircraft->wantBomb = 0;
}

void AircraftDeathUpdate(Aircraft* aircraft)
{
    if (aircraft->hit == 0) {
        return;
    }
    if (aircraft->explosionFrame < kExplosionFrames) {
        aircraft->explosionTimer += frameDelta;
        if (aircraft->explosionTimer > kExplosionFrameTime) {
            ++aircraft->explosionFrame;
            aircraft->explosionTimer = 0.0f;
            SpriteAdd(aircraft->posX, aircraft->posY, aircraft->posZ, 1.0f, 1.0f, 0.1f, aircraft->explosionFrame, 1);
        }
    }
    if (aircraft->explosionFrame >= kExplosionFrames) {
        if (aircraft == player) {
            PlayerExplosionEnd(aircraft);
        } else {
            EnemyExplosionEnd(aircraft);
        }
    }
}

void FlyForwardCommand()
{
    playerControls.forward = 1;
}
void FlyBackwardCommand()
{
    playerControls.backward = 1;
}
void FlyLeftCommand()
{
    playerControls.left = 1;
}
void FlyRightCommand()
{
    playerControls.right = 1;
}
void FlyUpCommand()
{
    playerControls.up = 1;
}
void FlyDownCommand()
{
    playerControls.down = 1;
}
void FireCommand()
{
    playerControls.fire = 1;
}
void BombCommand()
{
    playerControls.bomb = 1;
}
