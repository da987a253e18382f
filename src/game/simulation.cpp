#include "game/simulation.h"

HRESULT SimulationStep()
{
    ScrollAdvance();
    const HRESULT scrolled = SurfaceScroll();
    if (FAILED(scrolled)) {
        return scrolled;
    }
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
    return S_OK;
}
