#include "render/fog.h"

FogSettings fogSettings{};
