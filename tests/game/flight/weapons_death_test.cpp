#include "../../support/sim_fixture.h"

namespace {

class WeaponsTest : public SimulationTest {
protected:
    void SetUp() override
    {
        SimulationTest::SetUp();
        AircraftInit(player, kAircraftPlayer, kSidePlayer, 1);
    }
};

TEST_F(WeaponsTest, HeldFireShootsOnTheFirstFrameThenEveryThirdAt30Milliseconds)
{
    frameDelta = 0.03f;
    std::vector<int> shotFrames;
    for (int frame = 1; frame <= 10; ++frame) {
        const int before = runStats.shotCount;
        player->wantFire = 1;
        AircraftWeaponsUpdate(player);
        EXPECT_EQ(player->wantFire, 0);
        if (runStats.shotCount != before) {
            shotFrames.push_back(frame);
        }
    }
    EXPECT_EQ(shotFrames, (std::vector<int>{1, 4, 7, 10}));
    EXPECT_EQ(player->rounds, 996);
    ASSERT_EQ(ProjectileCount(), 4);
    EXPECT_EQ(projectileHead->kind, kProjectileGun);
    EXPECT_EQ(projectileHead->side, kSidePlayer);
}

TEST_F(WeaponsTest, EmptyMagazineAndBayDoNothingAndEnemyShotsAreNotCounted)
{
    frameDelta = 0.5f;
    player->rounds = 0;
    player->bombs = 0;
    player->wantFire = 1;
    player->wantBomb = 1;
    AircraftWeaponsUpdate(player);
    EXPECT_EQ(runStats.shotCount, 0);
    EXPECT_EQ(ProjectileCount(), 0);
    EXPECT_EQ(player->wantFire, 0);
    EXPECT_EQ(player->wantBomb, 0);

    Aircraft enemy{};
    AircraftInit(&enemy, kAircraftEnemy, kSideEnemy, 0);
    enemy.wantFire = 1;
    AircraftWeaponsUpdate(&enemy);
    EXPECT_EQ(enemy.rounds, 999);
    EXPECT_EQ(runStats.shotCount, 0);
    ASSERT_EQ(ProjectileCount(), 1);
    EXPECT_EQ(projectileHead->side, kSideEnemy);
}

TEST_F(WeaponsTest, BombsFollowTheirIntervalAndTheCounter)
{
    frameDelta = 0.25f;
    std::vector<int> bombFrames;
    for (int frame = 1; frame <= 11; ++frame) {
        const int before = player->bombs;
        player->wantBomb = 1;
        AircraftWeaponsUpdate(player);
        if (player->bombs != before) {
            bombFrames.push_back(frame);
        }
    }
    // Starts at 1.1 + 0.25; then 5 frames make 1.25 > 1.1.
    EXPECT_EQ(bombFrames, (std::vector<int>{1, 6, 11}));
    EXPECT_EQ(player->bombs, 7);
    EXPECT_EQ(ProjectileCount(), 3);
    EXPECT_EQ(projectileHead->kind, kProjectileBomb);
    EXPECT_EQ(runStats.shotCount, 0);
}

class DeathTest : public SimulationTest {
protected:
    void SetUp() override
    {
        SimulationTest::SetUp();
        AircraftInit(player, kAircraftPlayer, kSidePlayer, 1);
        AllocateEnemies();
    }
};

TEST_F(DeathTest, ThePlayersExplosionAddsSixteenFramesThenEndsTheRun)
{
    AircraftDeathUpdate(player);
    EXPECT_EQ(SpriteCount(), 0);   // not hit: nothing happens

    runStats.shotCount = 8;
    runStats.hitCount = 6;
    player->hit = 1;
    frameDelta = 0.04f;   // exactly the frame time: a new frame only every second update
    AircraftDeathUpdate(player);
    EXPECT_EQ(player->explosionFrame, 0);
    AircraftDeathUpdate(player);
    EXPECT_EQ(player->explosionFrame, 1);
    ASSERT_NE(spriteTail, nullptr);
    EXPECT_EQ(spriteTail->textureSlot, 1);

    frameDelta = 0.05f;
    for (int i = 0; i < 14; ++i) {
        AircraftDeathUpdate(player);
    }
    EXPECT_EQ(player->explosionFrame, 15);
    EXPECT_EQ(runStats.gameOver, 0);
    EXPECT_EQ(player->alive, 1);
    AircraftDeathUpdate(player);
    EXPECT_EQ(player->explosionFrame, 16);
    EXPECT_EQ(spriteTail->textureSlot, 16);
    EXPECT_EQ(SpriteCount(), 16);
    EXPECT_EQ(player->alive, 0);
    EXPECT_EQ(runStats.gameOver, 1);
    EXPECT_FLOAT_EQ(runStats.accuracy, 75.0f);
    EXPECT_FLOAT_EQ(keyDelayTimer, 0.5f);
}

TEST_F(DeathTest, AccuracyKeepsItsValueWhenThePlayerNeverFired)
{
    runStats.accuracy = 12.5f;
    player->hit = 1;
    player->explosionFrame = 16;
    AircraftDeathUpdate(player);
    EXPECT_EQ(runStats.gameOver, 1);
    EXPECT_FLOAT_EQ(runStats.accuracy, 12.5f);
}

TEST_F(DeathTest, AnEnemysKillCountsOnceAndPaysTheScoreAndHealth)
{
    Aircraft* enemy = PlaceEnemy(0, 0.0f, 10.0f, 1);
    player->health = 50.0f;
    runStats.score = 100;
    enemy->hit = 1;
    frameDelta = 0.05f;
    for (int i = 0; i < 15; ++i) {
        AircraftDeathUpdate(enemy);
    }
    EXPECT_EQ(runStats.enemyKills, 0);
    AircraftDeathUpdate(enemy);
    EXPECT_EQ(enemy->alive, 0);
    EXPECT_EQ(runStats.enemyKills, 1);
    EXPECT_EQ(runStats.score, 120);
    EXPECT_EQ(player->levelKills, 1);
    EXPECT_FLOAT_EQ(player->health, 51.0f);
    EXPECT_EQ(runStats.gameOver, 0);
    AircraftDeathUpdate(enemy);   // gone: counted only once
    EXPECT_EQ(runStats.enemyKills, 1);
    EXPECT_EQ(runStats.score, 120);
}

TEST_F(DeathTest, TheTenthKillRaisesThePlayersLevelBeforeTheHealthBonusAndHealthStopsAt100)
{
    player->levelKills = 9;
    player->health = 99.5f;
    Aircraft* enemy = PlaceEnemy(3, 0.0f, 10.0f, 0);
    enemy->hit = 1;
    enemy->explosionFrame = 16;
    AircraftDeathUpdate(enemy);
    EXPECT_EQ(player->level, 1);
    EXPECT_EQ(player->levelKills, 0);
    EXPECT_FLOAT_EQ(player->health, 100.0f);

    player->health = 10.0f;
    enemy = PlaceEnemy(4, 0.0f, 10.0f, 0);
    enemy->hit = 1;
    enemy->explosionFrame = 16;
    AircraftDeathUpdate(enemy);
    EXPECT_FLOAT_EQ(player->health, 11.2f);
    EXPECT_EQ(runStats.enemyKills, 2);
}

TEST_F(DeathTest, AnExplodingEnemyThatFallsBehindIsNeverCounted)
{
    Aircraft* enemy = PlaceEnemy(0, 0.0f, 0.0f, 0);
    enemy->hit = 1;
    camera.scrollPos = 4.5f;
    frameDelta = 0.05f;
    EnemyUpdate(enemy);
    EXPECT_EQ(enemy->alive, 0);
    for (int i = 0; i < 20; ++i) {
        AircraftDeathUpdate(enemy);
    }
    EXPECT_EQ(enemy->explosionFrame, 16);
    EXPECT_EQ(runStats.enemyKills, 0);
    EXPECT_EQ(runStats.score, 0);
}

TEST_F(DeathTest, ACollisionEndsTheRunAndCountsTheKillInTheSameFrame)
{
    worldSpeed = 3.0f;
    frameDelta = 0.05f;
    // Where the player will be after the first frame's scroll (0.15 further on).
    Aircraft* enemy = PlaceEnemy(5, 0.0f, player->posY + 0.15f, 1);
    enemy->aiTimer = 0.0f;
    enemy->manoeuvre = 3;   // holds its bank
    int frames = 0;
    while (runStats.gameOver == 0 && frames < 40) {
        SimulationFrame();
        ++frames;
        if (frames == 1) {
            EXPECT_EQ(player->hit, 1);
            EXPECT_EQ(enemy->hit, 1);
        }
        if (runStats.gameOver == 0) {
            EXPECT_EQ(runStats.enemyKills, 0);
        }
    }
    EXPECT_EQ(frames, 16);
    EXPECT_EQ(runStats.gameOver, 1);
    EXPECT_EQ(runStats.enemyKills, 1);
    EXPECT_EQ(runStats.score, 20);
    EXPECT_EQ(player->levelKills, 1);
    EXPECT_EQ(enemy->alive, 0);
}

}  // namespace
