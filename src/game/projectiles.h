// Bullets and bombs in flight, their hits, and the run statistics they change.
#pragma once

#include "game/aircraft.h"

inline constexpr int kProjectileGun = 1;
inline constexpr int kProjectileBomb = 2;

void ProjectileSpawn(Aircraft* shooter, int kind);
void ProjectilesUpdate();
void ProjectilesFree();
