#include "game/run_stats.h"

RunStats runStats{};

void RunStatsReset()
{
    runStats = RunStats{};
}
