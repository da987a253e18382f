#include "game/attract.h"

bool attractPlaying = false;
