// Statistics of the run in progress; stored in the saved game as one block.
#pragma once

#include <cstdint>

struct RunStats {
    std::int32_t shotCount;
    std::int32_t hitCount;
    std::int32_t enemyKills;
    std::int32_t buildingKills;
    std::int32_t reserved;
    float accuracy;
    std::int32_t score;
    std::uint8_t gameOver;
};

extern RunStats runStats;

// Every field back to 0, the score included (program start; tests).
void RunStatsReset();

// Play time of the run: whole hours and minutes, seconds with fractions.
extern float runHours;
extern float runMinutes;
extern float runSeconds;
// Play time since the enemies' level was last raised.
extern float difficultyTimer;

// The run clock and the difficulty timer back to 0 (program start; tests).
void RunClockReset();
