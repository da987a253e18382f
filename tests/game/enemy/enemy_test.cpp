#include <set>

#include "../../support/sim_fixture.h"
#include "app/graphics.h"
#include "app/program.h"
#include "core/random.h"
#include "game/pause.h"
#include "game/run_stats.h"

namespace {

class EnemyTest : public SimulationTest {
protected:
    void SetUp() override
    {
        SimulationTest::SetUp();
        AircraftInit(player, kAircraftPlayer, kSidePlayer, 1);
        AllocateEnemies();
        camera.scrollPos = 100.0f;
    }
};

TEST_F(EnemyTest, ManoeuvresAndShotRequestsFollowTheRandomDraws)
{
    std::set<int> seen;
    int fireRequests = 0;
    for (unsigned seed = 1; seed <= 300; ++seed) {
        Aircraft* enemy = PlaceEnemy(0, 1.0f, camera.scrollPos + 10.0f, 0);
        RandomSeed(seed);
        const int manoeuvre = RandomNext() % 6;
        const bool fire = RandomNext() % 50 == 0;
        RandomSeed(seed);
        EnemyUpdate(enemy);
        ASSERT_EQ(enemy->manoeuvre, manoeuvre);
        EXPECT_EQ(enemy->aiTimer, 0.0f);
        const float expectedBank = manoeuvre == 1 ? 0.01f : manoeuvre == 0 ? -0.01f : 0.0f;
        EXPECT_FLOAT_EQ(enemy->bank, expectedBank);
        EXPECT_FLOAT_EQ(enemy->posX, 1.0f - 2.0f * expectedBank * 0.01f);
        EXPECT_EQ(enemy->wantFire, fire ? 1 : 0);
        EXPECT_EQ(enemy->wantBomb, 0);
        seen.insert(manoeuvre);
        fireRequests += fire ? 1 : 0;
    }
    EXPECT_EQ(seen.size(), 6u);
    EXPECT_GT(fireRequests, 0);
}

TEST_F(EnemyTest, FarAheadTheBankStaysThoughManoeuvresAreChosen)
{
    Aircraft* enemy = PlaceEnemy(0, 0.0f, camera.scrollPos + 20.5f, 2);
    enemy->bank = 0.3f;
    RandomSeed(7);
    frameDelta = 0.125f;
    for (int i = 0; i < 40; ++i) {
        EnemyUpdate(enemy);
        ASSERT_FLOAT_EQ(enemy->bank, 0.3f);
    }
    EXPECT_FLOAT_EQ(enemy->posY, camera.scrollPos + 20.5f);   // relSpeed 0: held in place
    EXPECT_NEAR(enemy->posX, -40 * 2.0f * 0.3f * 0.125f, 1e-4f);   // drifts with its bank
}

TEST_F(EnemyTest, ANewManoeuvreIsChosenOnlyAfterThreeTenthsOfASecond)
{
    Aircraft* enemy = PlaceEnemy(0, 0.0f, camera.scrollPos + 5.0f, 1);
    frameDelta = 0.125f;
    EnemyUpdate(enemy);   // fresh: aiTimer 10 chooses at once
    EXPECT_EQ(enemy->aiTimer, 0.0f);
    EnemyUpdate(enemy);
    EXPECT_EQ(enemy->aiTimer, 0.125f);
    EnemyUpdate(enemy);
    EXPECT_EQ(enemy->aiTimer, 0.25f);
    EnemyUpdate(enemy);
    EXPECT_EQ(enemy->aiTimer, 0.0f);
}

TEST_F(EnemyTest, EnemyBanksStopWithinOneStepOfTheLimit)
{
    Aircraft* enemy = PlaceEnemy(0, 0.0f, camera.scrollPos + 5.0f, 1);
    enemy->aiTimer = 0.0f;
    enemy->manoeuvre = 1;
    enemy->bank = kBankLimit - 0.005f;   // b = 0.01
    EnemyUpdate(enemy);
    EXPECT_FLOAT_EQ(enemy->bank, kBankLimit - 0.005f);
    enemy->manoeuvre = 0;
    enemy->aiTimer = 0.0f;
    EnemyUpdate(enemy);
    EXPECT_FLOAT_EQ(enemy->bank, kBankLimit - 0.015f);
    enemy->bank = -kBankLimit + 0.005f;
    enemy->aiTimer = 0.0f;
    EnemyUpdate(enemy);
    EXPECT_FLOAT_EQ(enemy->bank, -kBankLimit + 0.005f);
}

TEST_F(EnemyTest, AnEnemyFourUnitsBehindTheWindowLeavesTheRun)
{
    Aircraft* enemy = PlaceEnemy(0, 0.0f, camera.scrollPos - 3.99f, 0);
    EnemyUpdate(enemy);
    EXPECT_EQ(enemy->alive, 1);
    camera.scrollPos += 0.02f;
    EnemyUpdate(enemy);
    EXPECT_EQ(enemy->alive, 0);
}

TEST_F(EnemyTest, AnEmptySlotRespawnsFarAheadAtARandomLevelKeepingItsExperience)
{
    unsigned seed = 0;
    for (unsigned s = 1; s < 100000 && seed == 0; ++s) {
        RandomSeed(s);
        if (RandomNext() % 100 == 0) {
            seed = s;
        }
    }
    ASSERT_NE(seed, 0u);
    RandomSeed(seed);
    RandomNext();
    const int flightLevel = RandomNext() % 3;
    const int ahead = RandomNext() % 101;
    const int lateral = RandomNext() % 101;

    Aircraft* enemy = enemySlots[2];
    enemy->level = 2;
    enemy->health = 0.0f;
    RandomSeed(seed);
    EnemyUpdate(enemy);
    EXPECT_EQ(enemy->alive, 1);
    EXPECT_EQ(enemy->hit, 0);
    EXPECT_EQ(enemy->currentLevel, flightLevel);
    EXPECT_EQ(enemy->posZ, kLevelHeight[flightLevel]);
    EXPECT_EQ(enemy->posY, camera.scrollPos + 30.5f + 0.17f * static_cast<float>(ahead));
    EXPECT_EQ(enemy->posX, 0.2f * static_cast<float>(lateral) - 10.0f);
    EXPECT_EQ(enemy->level, 2);
    EXPECT_EQ(enemy->health, 8.0f);
    EXPECT_EQ(enemy->aiTimer, 10.0f);   // chooses a manoeuvre on its first flying frame

    // A slot fills with a chance of one in a hundred per frame.
    RandomSeed(12345);
    int respawns = 0;
    for (int i = 0; i < 20000; ++i) {
        EnemyUpdate(enemySlots[3]);
        if (enemySlots[3]->alive != 0) {
            ++respawns;
            EXPECT_GE(enemySlots[3]->posY, camera.scrollPos + 30.5f);
            EXPECT_LE(enemySlots[3]->posY, camera.scrollPos + 47.5f + 1e-3f);
            EXPECT_GE(enemySlots[3]->posX, -10.0f);
            EXPECT_LE(enemySlots[3]->posX, 10.0f + 1e-5f);
            enemySlots[3]->alive = 0;
        }
    }
    EXPECT_GT(respawns, 140);
    EXPECT_LT(respawns, 260);
}

TEST_F(EnemyTest, PropellersTurnInEveryStateOfTheSlot)
{
    Aircraft* empty = enemySlots[4];
    empty->propellerAngle = 6.2f;
    frameDelta = 0.001f;
    RandomSeed(1);
    ASSERT_NE(RandomNext() % 100, 0);   // this seed leaves the slot empty
    RandomSeed(1);
    EnemyUpdate(empty);
    EXPECT_EQ(empty->alive, 0);
    EXPECT_NEAR(empty->propellerAngle, 6.2f + 0.6283185f - 6.2831855f, 1e-4f);

    Aircraft* flying = PlaceEnemy(5, 0.0f, camera.scrollPos + 5.0f, 1);
    EnemyUpdate(flying);
    EXPECT_NEAR(flying->propellerAngle, 0.6283185f, 1e-5f);
}

class RunStartTest : public EnemyTest {
protected:
    void SetUp() override
    {
        SimulationTest::SetUp();
        runStats = RunStats{3, 2, 5, 1, 9, 66.0f, 555, 1};
        runSeconds = 12.0f;
        runMinutes = 3.0f;
        runHours = 1.0f;
        difficultyTimer = 123.0f;
        fogSettings.fogFactor = 1.5f;
        fogSettings.fogRising = 1;
        camera.scrollPos = 50.0f;
        worldSpeed = 3.7f;
        pauseFlag = 1;
        player->health = 3.0f;
        player->level = 4;
        player->hit = 1;
        groundObjects[0].standing = 1;
        groundObjects[1].posZ = 0.0f;
        ProjectileSpawn(player, kProjectileGun);
        ProjectileSpawn(player, kProjectileBomb);
        SpriteAdd(0.0f, 0.0f, 0.0f, 1.0f, 1.0f, 0.1f, 1, 1);
    }

    void TearDown() override
    {
        SimulationTest::TearDown();
        device = nullptr;
    }
};

TEST_F(RunStartTest, ANewRunResetsTheSimulationButKeepsTheScoreAndTheWorldSpeed)
{
    ASSERT_TRUE(RunStart());
    EXPECT_EQ(runStats.shotCount, 0);
    EXPECT_EQ(runStats.hitCount, 0);
    EXPECT_EQ(runStats.enemyKills, 0);
    EXPECT_EQ(runStats.buildingKills, 0);
    EXPECT_EQ(runStats.reserved, 0);
    EXPECT_EQ(runStats.accuracy, 0.0f);
    EXPECT_EQ(runStats.gameOver, 0);
    EXPECT_EQ(runStats.score, 555);
    EXPECT_EQ(runSeconds + runMinutes + runHours, 0.0f);
    EXPECT_EQ(difficultyTimer, 0.0f);
    EXPECT_EQ(worldSpeed, 3.7f);

    EXPECT_EQ(player->posZ, 2.0f);
    EXPECT_EQ(player->currentLevel, 1);
    EXPECT_EQ(player->health, 100.0f);
    EXPECT_EQ(player->level, 0);
    EXPECT_EQ(player->hit, 0);
    EXPECT_EQ(player->alive, 1);
    for (Aircraft* enemy : enemySlots) {
        ASSERT_NE(enemy, nullptr);
        EXPECT_EQ(enemy->alive, 0);
        EXPECT_EQ(enemy->level, 0);
        EXPECT_EQ(enemy->kind, kAircraftEnemy);
        EXPECT_LE(enemy->currentLevel, 2);
    }
    for (const GroundObject& object : groundObjects) {
        EXPECT_EQ(object.standing, 0);
        EXPECT_EQ(object.posZ, 4.5f);
    }
    EXPECT_NE(surfaceHead, nullptr);

    EXPECT_EQ(fogSettings.fogTag, 2);
    EXPECT_EQ(fogSettings.fogStart, 0.0f);
    EXPECT_EQ(fogSettings.fogEndBase, 20.0f);
    EXPECT_EQ(fogSettings.fogColor, 0xFFC8C8C8u);
    EXPECT_EQ(fogSettings.fogFactor, 5.0f);
    EXPECT_EQ(fogSettings.fogEnabled, 1);
    EXPECT_EQ(fogSettings.fogRising, 0);
    EXPECT_EQ(camera.scrollPos, 0.0f);
    EXPECT_EQ(projectileHead, nullptr);
    EXPECT_TRUE(SpritesEmpty());

    // The records are reused by the next run.
    Aircraft* first = enemySlots[0];
    ASSERT_TRUE(RunStart());
    EXPECT_EQ(enemySlots[0], first);
}

}  // namespace
