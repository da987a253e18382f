// A little pilot for whole-game runs in this process: it flies toward the nearest standing building
// ahead of the player's aircraft and bombs it when a bomb dropped now would land on it. Each call
// gives the keys for one frame (through the default bindings: arrows, A, Z, SPACE, left CTRL).
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "core/frame.h"
#include "game/aircraft.h"
#include "game/world.h"
#include "platform/dinput/dinput.h"
#include "resources/mesh.h"

namespace pilot {

// The nearest standing building ahead of the player, or null.
inline const GroundObject* BuildingAhead()
{
    const GroundObject* best = nullptr;
    for (const GroundObject& object : groundObjects) {
        const float ahead = object.posY - player->posY;
        if (object.standing != 0 && object.destroyed == 0 && ahead > 0.5f &&
            (best == nullptr || ahead < best->posY - player->posY)) {
            best = &object;
        }
    }
    return best;
}

// Adds the keys that steer toward the nearest building and drop a bomb on it; `lastX` is the
// aircraft's sideways place in the previous frame (the pilot steers on where it is going).
inline void Steer(std::array<std::uint8_t, 256>& keys, float lastX)
{
    const GroundObject* target = BuildingAhead();
    const float ahead = target != nullptr ? target->posY - player->posY : 100.0f;
    if (ahead > 6.0f) {
        keys[DIK_UP] = 0x80;
    }
    if (target == nullptr) {
        return;
    }
    // Steered on where the aircraft will be in a little while, or the bank overshoots.
    const float dx = target->posX - player->posX;
    const float sideways = frameDelta > 0.0f ? (player->posX - lastX) / frameDelta : 0.0f;
    const float off = dx - 0.6f * sideways;
    if (std::fabs(off) > 0.05f) {
        keys[off < 0.0f ? DIK_LEFT : DIK_RIGHT] = 0x80;
    }
    // A bomb starts down at 1 unit/s from the aircraft's height and goes forward with the world; it
    // hits when it is inside the building's box at the building's top. The window is widened by
    // what the world moves in one frame, so that long frames (a loaded machine) do not step over it.
    const float drop = target->posZ - MeshExtent(target->mesh, 2) - player->posZ;
    const float fall = (std::sqrt(1.0f + 2.0f * 9.81f * std::max(drop, 0.0f)) - 1.0f) / 9.81f;
    const float miss = ahead - worldSpeed * fall;
    const float window = 0.3f * MeshExtent(target->mesh, 1);
    if (std::fabs(dx) < 0.3f * MeshExtent(target->mesh, 0) && miss < window &&
        miss > -window - worldSpeed * frameDelta) {
        keys[DIK_LCONTROL] = 0x80;
    }
}

// Adds the key that takes the aircraft to another flight level when an enemy flies close ahead at
// its own height: aircraft collide only at exactly the same height, so a run that should go on
// does not end in the first enemy that comes straight at it. A level is left only once reached.
inline void Dodge(std::array<std::uint8_t, 256>& keys)
{
    if (player->currentLevel != player->targetLevel) {
        return;
    }
    for (const Aircraft* enemy : enemySlots) {
        if (enemy == nullptr || enemy->alive == 0 || enemy->hit != 0 || enemy->targetLevel != player->targetLevel) {
            continue;
        }
        const float dx = enemy->posX - player->posX;
        const float dy = enemy->posY - player->posY;
        if (std::fabs(dx) < 1.0f && dy > -0.6f && dy < 3.0f) {
            keys[player->targetLevel < 2 ? DIK_A : DIK_Z] = 0x80;
            return;
        }
    }
}

}  // namespace pilot
