// Placeholder sea strip, ground objects and sprites until the world replaces this file.
#include "game/simulation.h"

HRESULT SpriteAdd(float, float, float, float, float, float, int, int)
{
    return E_FAIL;
}

bool SpritesEmpty()
{
    return true;
}

void SpritesUpdate() {}
void SpritesFree() {}

HRESULT SurfaceBuild()
{
    return E_FAIL;
}

HRESULT SurfaceScroll()
{
    return S_OK;
}

void GroundObjectsUpdate() {}
void SurfaceFree() {}
