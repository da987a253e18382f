#include "game/run_stats.h"

RunStats runStats{};

void RunStatsReset()
{
    runStats = RunStats{};
}

float runHours = 0.0f;
float runMinutes = 0.0f;
float runSeconds = 0.0f;
float difficultyTimer = 0.0f;

void RunClockReset()
{
    runHours = runMinutes = runSeconds = 0.0f;
    difficultyTimer = 0.0f;
}
