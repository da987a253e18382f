#include "game/run_stats.h"

RunStats runStats{};
