#include <cmath>

#include "../../support/sim_fixture.h"
#include "core/random.h"
#include "game/feedback.h"

namespace {

class ProjectilesTest : public SimulationTest {
protected:
    void SetUp() override
    {
        SimulationTest::SetUp();
        AircraftInit(player, kAircraftPlayer, kSidePlayer, 1);
        AllocateEnemies();
        worldSpeed = 3.0f;
    }

    // A projectile put straight into the list, heading exactly forward or backward.
    static Projectile* Add(int kind, std::uint8_t side, float x, float y, float z)
    {
        ProjectileSpawn(side == kSidePlayer ? player : enemySlots[11], kind);
        Projectile* p = projectileHead;
        p->side = side;
        p->posX = x;
        p->posY = y;
        p->posZ = z;
        p->heading = side == kSidePlayer ? 0.0f : 3.1415927f;
        return p;
    }
};

TEST_F(ProjectilesTest, SpawnPlacesBulletsAtTheMuzzleAndBombsUnderTheAircraft)
{
    player->posX = 0.5f;
    player->posY = 2.0f;
    player->bank = 0.25f;
    RandomSeed(99);
    const int spread = RandomNext() % 41 - 20;
    RandomSeed(99);
    ProjectileSpawn(player, kProjectileGun);
    Projectile* bullet = projectileHead;
    EXPECT_FLOAT_EQ(bullet->posY, 2.28f);
    EXPECT_EQ(bullet->posX, 0.5f);
    EXPECT_EQ(bullet->posZ, 2.0f);
    EXPECT_EQ(bullet->bank, 0.25f);
    EXPECT_EQ(bullet->speed, 15.0f);
    EXPECT_EQ(bullet->damage, 1.5f);
    EXPECT_EQ(bullet->active, 1);
    EXPECT_EQ(bullet->kind, 'd');
    EXPECT_EQ(bullet->heading, static_cast<float>(spread) * 0.017453292f * 0.025f);

    Aircraft* enemy = PlaceEnemy(0, 1.0f, 10.0f, 0);
    ProjectileSpawn(enemy, kProjectileGun);
    EXPECT_FLOAT_EQ(projectileHead->posY, 9.72f);
    EXPECT_EQ(projectileHead->side, kSideEnemy);
    EXPECT_NEAR(projectileHead->heading, 3.1415927f, 0.5f * 0.017453292f + 1e-6f);

    ProjectileSpawn(player, kProjectileBomb);
    Projectile* bomb = projectileHead;
    EXPECT_EQ(bomb->kind, 'e');
    EXPECT_EQ(bomb->posY, 2.0f);
    EXPECT_EQ(bomb->speed, 1.0f);
    EXPECT_EQ(bomb->damage, 100.0f);
    // Newest first.
    EXPECT_EQ(bomb->next->next, bullet);
    EXPECT_EQ(bullet->next, nullptr);
    EXPECT_EQ(ProjectileCount(), 3);
}

TEST_F(ProjectilesTest, DeactivatedProjectilesAreRemovedOnTheNextUpdate)
{
    Projectile* a = Add(kProjectileGun, kSidePlayer, 0.0f, 1.0f, 2.0f);
    Add(kProjectileGun, kSidePlayer, 0.0f, 45.0f, 2.0f);   // beyond the range
    Projectile* c = Add(kProjectileGun, kSidePlayer, 0.0f, 1.0f, 2.0f);
    ProjectilesUpdate();
    EXPECT_EQ(ProjectileCount(), 3);   // still listed (and drawn) in the frame it left
    ProjectilesUpdate();
    EXPECT_EQ(ProjectileCount(), 2);
    EXPECT_EQ(projectileHead, c);
    EXPECT_EQ(c->next, a);
    c->active = 0;
    a->active = 0;
    ProjectilesUpdate();
    EXPECT_EQ(projectileHead, nullptr);
    Add(kProjectileBomb, kSidePlayer, 0.0f, 1.0f, 2.0f);
    ProjectilesFree();
    EXPECT_EQ(ProjectileCount(), 0);
}

TEST_F(ProjectilesTest, BulletsMoveWithTheWorldOrAtAFixedSpeedBackward)
{
    Projectile* own = Add(kProjectileGun, kSidePlayer, 0.0f, 1.0f, 2.0f);
    own->heading = 0.1f;
    ProjectileUpdate(own);
    EXPECT_FLOAT_EQ(own->posY, 1.0f + std::cos(0.1f) * 18.0f * 0.01f);
    EXPECT_FLOAT_EQ(own->posX, std::sin(0.1f) * 18.0f * 0.01f);

    Projectile* hostile = Add(kProjectileGun, kSideEnemy, 0.5f, 10.0f, 2.8f);
    worldSpeed = 4.0f;
    ProjectileUpdate(hostile);
    EXPECT_FLOAT_EQ(hostile->posY, 10.0f - 0.105f);
    EXPECT_EQ(hostile->posX, 0.5f);

    // Another side only ages out; another kind does nothing at all.
    Projectile* stray = Add(kProjectileGun, 3, 0.0f, 5.0f, 2.0f);
    ProjectileUpdate(stray);
    EXPECT_EQ(stray->posY, 5.0f);
    stray->posY = -31.0f;
    ProjectileUpdate(stray);
    EXPECT_EQ(stray->active, 0);
    Projectile* odd = Add(kProjectileGun, kSidePlayer, 0.0f, 99.0f, 2.0f);
    odd->kind = 'x';
    ProjectileUpdate(odd);
    EXPECT_EQ(odd->posY, 99.0f);
    EXPECT_EQ(odd->active, 1);
}

TEST_F(ProjectilesTest, AnEnemyAtLevelZeroNeedsSixHitsAndEachHitIsCounted)
{
    frameDelta = 0.0f;
    Aircraft* enemy = PlaceEnemy(0, 0.0f, 5.0f, 1);
    for (int hit = 1; hit <= 6; ++hit) {
        Projectile* p = Add(kProjectileGun, kSidePlayer, 0.1f, 5.1f, 2.0f);
        ProjectileUpdate(p);
        EXPECT_EQ(p->active, 0);
        EXPECT_EQ(runStats.hitCount, hit);
        EXPECT_EQ(enemy->hit, hit == 6 ? 1 : 0);
    }
    EXPECT_FLOAT_EQ(enemy->health, -1.0f);

    // Exploding: passed through, no more damage or count.
    Projectile* p = Add(kProjectileGun, kSidePlayer, 0.0f, 5.0f, 2.0f);
    ProjectileUpdate(p);
    EXPECT_EQ(p->active, 1);
    EXPECT_EQ(runStats.hitCount, 6);
    EXPECT_FLOAT_EQ(enemy->health, -1.0f);
}

TEST_F(ProjectilesTest, BulletsHitOnlyAtTheSameHeightAndOneBulletCanHitTwoEnemies)
{
    frameDelta = 0.0f;
    Aircraft* low = PlaceEnemy(0, 0.0f, 5.0f, 0);
    Projectile* p = Add(kProjectileGun, kSidePlayer, 0.0f, 5.0f, 2.0f);
    ProjectileUpdate(p);
    EXPECT_EQ(p->active, 1);
    EXPECT_EQ(low->health, 8.0f);

    Aircraft* a = PlaceEnemy(1, 0.15f, 8.0f, 1);
    Aircraft* b = PlaceEnemy(2, -0.15f, 8.0f, 1);
    Aircraft* c = PlaceEnemy(3, 0.0f, 8.25f, 1);   // 0.25 away: missed
    p = Add(kProjectileGun, kSidePlayer, 0.0f, 8.0f, 2.0f);
    ProjectileUpdate(p);
    EXPECT_EQ(runStats.hitCount, 2);
    EXPECT_FLOAT_EQ(a->health, 6.5f);
    EXPECT_FLOAT_EQ(b->health, 6.5f);
    EXPECT_EQ(c->health, 8.0f);
    runStats.shotCount = 1;
    player->hit = 1;
    player->explosionFrame = 16;
    AircraftDeathUpdate(player);
    EXPECT_FLOAT_EQ(runStats.accuracy, 200.0f);
}

TEST_F(ProjectilesTest, ThePlayerSurvivesSixtySixHitsAndNeverDropsBelowZero)
{
    frameDelta = 0.0f;
    FeedbackTake();
    for (int hit = 1; hit <= 66; ++hit) {
        Projectile* p = Add(kProjectileGun, kSideEnemy, 0.1f, player->posY, player->posZ);
        ProjectileUpdate(p);
        ASSERT_EQ(p->active, 0);
    }
    EXPECT_FLOAT_EQ(player->health, 1.0f);
    EXPECT_EQ(player->hit, 0);
    // Each hit is felt; the aircraft is not destroyed yet.
    FeedbackEvents felt = FeedbackTake();
    EXPECT_EQ(felt.playerHits, 66);
    EXPECT_FALSE(felt.playerDestroyed);
    EXPECT_EQ(felt.explosions, 0);
    EXPECT_EQ(FeedbackTake().playerHits, 0) << "taken once";
    Projectile* p = Add(kProjectileGun, kSideEnemy, 0.0f, player->posY, player->posZ);
    ProjectileUpdate(p);
    EXPECT_EQ(player->health, 0.0f);
    EXPECT_EQ(player->hit, 1);
    felt = FeedbackTake();
    EXPECT_EQ(felt.playerHits, 1);
    EXPECT_TRUE(felt.playerDestroyed);
    // An exploding player is still hit; health stays at 0.
    p = Add(kProjectileGun, kSideEnemy, 0.0f, player->posY, player->posZ);
    ProjectileUpdate(p);
    EXPECT_EQ(p->active, 0);
    EXPECT_EQ(player->health, 0.0f);

    // Another height passes by.
    p = Add(kProjectileGun, kSideEnemy, 0.0f, player->posY, 1.0f);
    ProjectileUpdate(p);
    EXPECT_EQ(p->active, 1);
}

TEST_F(ProjectilesTest, LevelsScaleTheDamageBothWays)
{
    EXPECT_FLOAT_EQ(EnemyHitDamage(1.5f, 0, 0), 1.5f);
    EXPECT_FLOAT_EQ(EnemyHitDamage(1.5f, 5, 2), 1.5f * 2.0f / 1.2f);
    EXPECT_FLOAT_EQ(PlayerHitDamage(1.5f, 0, 2), 1.5f * 1.2f);
    EXPECT_FLOAT_EQ(PlayerHitDamage(1.5f, 5, 0), 1.5f / 2.0f);

    // The enemy's level that counts for the player's damage is slot 0's, whoever fired.
    frameDelta = 0.0f;
    enemySlots[0]->level = 2;
    enemySlots[11]->level = 9;
    player->level = 1;
    Projectile* p = Add(kProjectileGun, kSideEnemy, 0.0f, player->posY, player->posZ);
    ProjectileUpdate(p);
    EXPECT_FLOAT_EQ(player->health, 100.0f - 1.2f / 1.2f * 1.5f);

    Aircraft* enemy = PlaceEnemy(4, 0.0f, 6.0f, 1);
    enemy->level = 1;
    p = Add(kProjectileGun, kSidePlayer, 0.0f, 6.0f, 2.0f);
    ProjectileUpdate(p);
    EXPECT_FLOAT_EQ(enemy->health, 8.0f - 1.2f * 1.5f / 1.1f);
}

TEST_F(ProjectilesTest, BulletsLeaveThirtyUnitsFromTheWindow)
{
    frameDelta = 0.0f;
    camera.scrollPos = 10.0f;
    Projectile* ahead = Add(kProjectileGun, kSidePlayer, 0.0f, 39.9f, 2.0f);
    Projectile* gone = Add(kProjectileGun, kSidePlayer, 0.0f, 40.1f, 2.0f);
    Projectile* behind = Add(kProjectileGun, kSideEnemy, 0.0f, -20.1f, 2.0f);
    ProjectilesUpdate();
    EXPECT_EQ(ahead->active, 1);
    EXPECT_EQ(gone->active, 0);
    EXPECT_EQ(behind->active, 0);
}

TEST_F(ProjectilesTest, BombsFallWithGravityKeepPaceAndEndAtTheGround)
{
    Projectile* bomb = Add(kProjectileBomb, kSidePlayer, 0.0f, 2.0f, 2.0f);
    frameDelta = 0.1f;
    ProjectileUpdate(bomb);
    EXPECT_FLOAT_EQ(bomb->speed, 1.0f + 0.981f);
    EXPECT_FLOAT_EQ(bomb->posZ, 2.0f + 1.981f * 0.1f);
    EXPECT_FLOAT_EQ(bomb->posY, 2.3f);
    int frames = 1;
    while (bomb->active != 0 && frames < 50) {
        ProjectileUpdate(bomb);
        ++frames;
    }
    EXPECT_GT(bomb->posZ, 5.0f);
    EXPECT_EQ(bomb->active, 0);
    EXPECT_LT(frames, 10);
    EXPECT_EQ(FeedbackTake().explosions, 1) << "the burst on the sea is felt once";
}

TEST_F(ProjectilesTest, AStandingObjectWithoutAMeshIsNotHitByABomb)
{
    groundObjects[0].standing = 1;
    groundObjects[0].posX = 0.0f;
    groundObjects[0].posY = 2.0f;
    groundObjects[0].posZ = 4.5f;
    groundObjects[0].hitPoints = 90.0f;
    groundObjects[0].mesh = nullptr;
    Projectile* bomb = Add(kProjectileBomb, kSidePlayer, 0.0f, 2.0f, 4.9f);
    frameDelta = 0.01f;
    worldSpeed = 0.0f;
    ProjectileUpdate(bomb);
    EXPECT_EQ(bomb->active, 1);
    EXPECT_EQ(groundObjects[0].hitPoints, 90.0f);
    EXPECT_EQ(groundObjects[0].destroyed, 0);
    for (int i = 0; i < 20 && bomb->active != 0; ++i) {
        ProjectileUpdate(bomb);
    }
    EXPECT_EQ(bomb->active, 0);
    EXPECT_EQ(groundObjects[0].hitPoints, 90.0f);
}

TEST_F(ProjectilesTest, BombBoxIsStrictSidewaysAndReachesDownFromTheObjectsTop)
{
    Projectile bomb{};
    bomb.posX = 0.9f;
    bomb.posY = 10.0f;
    bomb.posZ = 3.5f;
    // Object 2 x 2 x 1 at (0, 10) with its base at 4.5: top at 3.5.
    EXPECT_TRUE(BombInsideBox(&bomb, 0.0f, 10.0f, 4.5f, 2.0f, 2.0f, 1.0f));
    bomb.posZ = 3.49f;
    EXPECT_FALSE(BombInsideBox(&bomb, 0.0f, 10.0f, 4.5f, 2.0f, 2.0f, 1.0f));
    bomb.posZ = 4.0f;
    bomb.posX = 1.0f;
    EXPECT_FALSE(BombInsideBox(&bomb, 0.0f, 10.0f, 4.5f, 2.0f, 2.0f, 1.0f));
    bomb.posX = -0.5f;
    bomb.posY = 8.9f;
    EXPECT_FALSE(BombInsideBox(&bomb, 0.0f, 10.0f, 4.5f, 2.0f, 2.0f, 1.0f));
    bomb.posY = 10.99f;
    EXPECT_TRUE(BombInsideBox(&bomb, 0.0f, 10.0f, 4.5f, 2.0f, 2.0f, 1.0f));
    // Without a mesh an object has no extent and cannot be hit.
    EXPECT_FALSE(BombInsideBox(&bomb, -0.5f, 10.99f, 4.5f, 0.0f, 0.0f, 0.0f));
}

TEST_F(ProjectilesTest, HitSoundsAndPositionalAttributesFollowTheTables)
{
    const char* expected[11] = {
        "sound\\talalat1.wav", "sound\\talalat2.wav", "sound\\talalat2.wav", "sound\\talalat3.wav",
        "sound\\talalat3.wav", "sound\\talalat4.wav", "sound\\talalat4.wav", "sound\\talalat5.wav",
        "sound\\talalat5.wav", "sound\\talalat6.wav", "sound\\talalat6.wav",
    };
    for (int draw = 0; draw < 11; ++draw) {
        EXPECT_STREQ(HitSoundName(draw), expected[draw]) << draw;
    }

    player->posY = 1.0f;
    Projectile p{};
    p.posY = 11.7f;   // 10.7 ahead: trunc 10
    p.posX = -1.9f;   // trunc toward zero: -1
    EXPECT_EQ(PositionalVolume(&p, 25), 30);
    EXPECT_EQ(PositionalVolume(&p, 50), 80);
    EXPECT_EQ(PositionalPan(&p), -20);
    p.posY = 60.0f;   // far ahead: passed on negative
    EXPECT_EQ(PositionalVolume(&p, 25), -68);
    p.posX = 0.99f;
    EXPECT_EQ(PositionalPan(&p), 0);
}

}  // namespace
