// The per-frame updates of a run in progress.
#pragma once

#include "game/aircraft.h"

void PlayerUpdate(Aircraft* aircraft);
void EnemyUpdate(Aircraft* aircraft);
void AircraftWeaponsUpdate(Aircraft* aircraft);
void AircraftDeathUpdate(Aircraft* aircraft);
void ProjectilesUpdate();
void ProjectilesFree();
bool SpritesEmpty();
void SpritesUpdate();
void SpritesFree();
