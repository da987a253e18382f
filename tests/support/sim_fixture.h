// A clean simulation for each test: program-start values everywhere, a fixed frame time, and helpers
// that run the pieces of a playing frame in the frame loop's order.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "app/program.h"
#include "console/console.h"
#include "console/variables.h"
#include "core/frame.h"
#include "game/aircraft.h"
#include "game/camera.h"
#include "game/enemy.h"
#include "game/fog.h"
#include "game/projectiles.h"
#include "game/run_stats.h"
#include "game/sprites.h"
#include "game/world.h"

class SimulationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ConsoleSetEcho(false);
        ProgramReset();
        frameDelta = 0.01f;
    }

    void TearDown() override
    {
        ProgramReset();
        ConsoleSetEcho(true);
    }

    // Enemy records in every slot, all empty (as after a new run), at flight level 0.
    static void AllocateEnemies()
    {
        for (Aircraft*& enemy : enemySlots) {
            enemy = new Aircraft{};
            AircraftInit(enemy, kAircraftEnemy, kSideEnemy, 0);
            enemy->alive = 0;
            enemy->level = 0;
        }
    }

    // An enemy flying in `slot` at the given place.
    static Aircraft* PlaceEnemy(int slot, float x, float y, std::uint8_t flightLevel)
    {
        Aircraft* enemy = enemySlots[slot];
        AircraftInit(enemy, kAircraftEnemy, kSideEnemy, flightLevel);
        enemy->posX = x;
        enemy->posY = y;
        return enemy;
    }

    static int SpriteCount()
    {
        int count = 0;
        for (const Sprite* s = spriteHead; s != nullptr; s = s->next) {
            ++count;
        }
        return count;
    }

    // The simulation part of one playing frame, in the frame loop's order.
    static void SimulationFrame()
    {
        ScrollAdvance();
        PlayerUpdate(player);
        for (Aircraft* enemy : enemySlots) {
            if (enemy != nullptr) {
                EnemyUpdate(enemy);
                AircraftWeaponsUpdate(enemy);
                AircraftDeathUpdate(enemy);
            }
        }
        ProjectilesUpdate();
    }
};
