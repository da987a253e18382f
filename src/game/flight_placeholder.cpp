// Placeholder flight, enemies and projectiles until the flight model replaces this file: a run
// advances its clock and scroll only.
#include "game/simulation.h"

void AircraftInit(Aircraft*, std::uint8_t, std::uint8_t, std::uint8_t) {}
void PlayerUpdate(Aircraft*) {}
void PlayerFlightUpdate(Aircraft*) {}
void AircraftWeaponsUpdate(Aircraft*) {}
void AircraftDeathUpdate(Aircraft*) {}

bool RunStart()
{
    return false;
}

void EnemyUpdate(Aircraft*) {}
void ProjectileSpawn(Aircraft*, int) {}
void ProjectilesUpdate() {}
void ProjectilesFree() {}
