#include "game/fog.h"

FogSettings fogSettings{};

void FogReset()
{
    fogSettings = FogSettings{};
}
