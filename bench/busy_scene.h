// The busy playing scene the frame benchmark measures and the renderer's equality test draws: every
// enemy in view, a building, 40 projectiles and 12 explosion sprites over the sea.
#pragma once

#include <cstdlib>

#include "core/frame.h"
#include "core/random.h"
#include "frontend/frontend.h"
#include "game/aircraft.h"
#include "game/enemy.h"
#include "game/projectiles.h"
#include "game/sprites.h"
#include "game/world.h"

inline void BusySceneSetUp()
{
    RandomSeed(3);
    gameState = Playing;
    RunStart();
    for (int i = 0; i < kEnemySlotCount; ++i) {
        Aircraft* enemy = enemySlots[i];
        if (enemy == nullptr) {
            continue;
        }
        enemy->alive = 1;
        enemy->posX = -2.0f + 0.36f * static_cast<float>(i);
        enemy->posY = 3.0f + 0.6f * static_cast<float>(i % 6);
        enemy->posZ = kLevelHeight[i % 3];
    }
    groundObjects[0].standing = 1;
    groundObjects[0].posY = 8.0f;
    groundObjects[0].explosionFrame = 0;
    for (int i = 0; i < 40; ++i) {
        auto* p = new Projectile{};
        p->kind = i % 8 == 0 ? kProjectileBomb : kProjectileGun;
        p->active = 1;
        p->posX = -1.5f + 0.075f * static_cast<float>(i);
        p->posY = 1.0f + 0.2f * static_cast<float>(i % 20);
        p->posZ = 2.0f;
        p->next = projectileHead;
        projectileHead = p;
    }
    for (int i = 0; i < 12; ++i) {
        SpriteAdd(-1.0f + 0.2f * static_cast<float>(i), 4.0f, 2.0f, 1.0f, 1.0f, 0.1f, 1 + i, 1);
    }
    frameDelta = 0.001f;
    SpritesUpdate();
}
