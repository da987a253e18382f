// Placeholder simulation until the flight model, enemies, projectiles, sprites and the sea strip
// replace this file: a run advances its clock and scroll only.
#include "game/simulation.h"
#include "game/world.h"

void PlayerUpdate(Aircraft*) {}
void EnemyUpdate(Aircraft*) {}
void AircraftWeaponsUpdate(Aircraft*) {}
void AircraftDeathUpdate(Aircraft*) {}
void ProjectilesUpdate() {}
void ProjectilesFree() {}

bool SpritesEmpty()
{
    return true;
}

void SpritesUpdate() {}
void SpritesFree() {}

HRESULT SurfaceScroll()
{
    return S_OK;
}

void SurfaceFree() {}
