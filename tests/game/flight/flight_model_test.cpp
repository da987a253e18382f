#include "../../support/sim_fixture.h"

namespace {

class FlightModelTest : public SimulationTest {
protected:
    void SetUp() override
    {
        SimulationTest::SetUp();
        AircraftInit(player, kAircraftPlayer, kSidePlayer, 1);
    }

    // Scroll, then the flight model, with these requests held for the frame.
    static void Fly(bool forward = false, bool backward = false, bool left = false, bool right = false, bool up = false,
                    bool down = false)
    {
        player->wantForward = forward;
        player->wantBackward = backward;
        player->wantLeft = left;
        player->wantRight = right;
        player->wantUp = up;
        player->wantDown = down;
        ScrollAdvance();
        PlayerFlightUpdate(player);
    }
};

TEST_F(FlightModelTest, InitSetsThePlayersAndTheEnemysRecords)
{
    Aircraft enemy{};
    enemy.level = 4;
    enemy.tailOffset = 7.0f;
    enemy.posZ = 9.0f;
    enemy.wantLeft = 1;
    AircraftInit(&enemy, kAircraftEnemy, kSideEnemy, 2);
    EXPECT_FLOAT_EQ(enemy.posZ, 1.0f);
    EXPECT_FLOAT_EQ(enemy.heading, 3.1415927f);
    EXPECT_FLOAT_EQ(enemy.gunInterval, 0.2f);
    EXPECT_FLOAT_EQ(enemy.gunTimer, 0.2f);
    EXPECT_FLOAT_EQ(enemy.bombInterval, 0.4f);
    EXPECT_FLOAT_EQ(enemy.health, 8.0f);
    EXPECT_FLOAT_EQ(enemy.aiTimer, 10.0f);
    EXPECT_EQ(enemy.level, 4);             // experience kept
    EXPECT_FLOAT_EQ(enemy.tailOffset, 7.0f);
    EXPECT_EQ(enemy.wantLeft, 0);
    EXPECT_EQ(enemy.side, kSideEnemy);

    EXPECT_FLOAT_EQ(player->posX, 0.0f);
    EXPECT_FLOAT_EQ(player->posY, 1.0f);
    EXPECT_FLOAT_EQ(player->posZ, 2.0f);
    EXPECT_EQ(player->targetLevel, 1);
    EXPECT_EQ(player->currentLevel, 1);
    EXPECT_FLOAT_EQ(player->heading, 0.0f);
    EXPECT_FLOAT_EQ(player->gunInterval, 0.08f);
    EXPECT_FLOAT_EQ(player->bombTimer, 1.1f);
    EXPECT_FLOAT_EQ(player->health, 100.0f);
    EXPECT_FLOAT_EQ(player->tailOffset, -0.1276f);
    EXPECT_NEAR(player->propellerSpeed, 628.3185f, 1e-3f);
    EXPECT_EQ(player->rounds, 1000);
    EXPECT_EQ(player->bombs, 10);
    EXPECT_EQ(player->level, 0);

    // A level outside 0..2 keeps the height; an unknown kind sets no kind-specific field.
    Aircraft odd{};
    odd.posZ = 3.5f;
    odd.health = 42.0f;
    AircraftInit(&odd, 7, 1, 3);
    EXPECT_FLOAT_EQ(odd.posZ, 3.5f);
    EXPECT_FLOAT_EQ(odd.health, 42.0f);
    EXPECT_EQ(odd.alive, 1);
    EXPECT_EQ(odd.rounds, 1000);
}

TEST_F(FlightModelTest, ForwardAndBackwardDriveWorldSpeedToItsLimitsAndTheEngineFollows)
{
    for (int i = 0; i < 150; ++i) {
        Fly(true);
        player->posY = camera.scrollPos + 1.0f;   // keep mid-window
        ASSERT_LE(worldSpeed, 4.0f);
        ASSERT_LE(player->relSpeed, player->maxRelSpeed);
    }
    EXPECT_EQ(worldSpeed, 4.0f);
    EXPECT_EQ(EngineFrequency(worldSpeed), 54000);

    for (int i = 0; i < 400; ++i) {
        Fly(false, true);
        player->posY = camera.scrollPos + 1.0f;
        ASSERT_GE(worldSpeed, 2.0f);
        ASSERT_GE(player->relSpeed, -player->maxRelSpeed);
    }
    EXPECT_EQ(worldSpeed, 2.0f);
    EXPECT_EQ(player->relSpeed, -3.0f);
    EXPECT_EQ(EngineFrequency(worldSpeed), 42000);
    EXPECT_EQ(EngineFrequency(3.0f), 48000);
}

TEST_F(FlightModelTest, RelativeSpeedChangesFasterAgainstTheMotionAndDecaysFreely)
{
    Fly(true);
    EXPECT_FLOAT_EQ(player->relSpeed, 0.01f);
    EXPECT_FLOAT_EQ(worldSpeed, 3.01f);

    // Both held mid-window: forward, then backward, in the same frame.
    Fly(true, true);
    EXPECT_NEAR(player->relSpeed, 0.01f + 0.01f - 0.02f, 1e-6f);
    EXPECT_NEAR(worldSpeed, 3.01f, 1e-5f);

    // Forward against a backward motion: twice the step, then the backward step's free deceleration.
    player->relSpeed = -1.0f;
    Fly(true);
    EXPECT_FLOAT_EQ(player->relSpeed, -1.0f + 0.02f + 0.004f);

    player->relSpeed = 1.0f;
    Fly();
    EXPECT_FLOAT_EQ(player->relSpeed, 0.996f);
    player->relSpeed = -1.0f;
    Fly();
    EXPECT_FLOAT_EQ(player->relSpeed, -0.996f);
    // Below one step of free deceleration the speed no longer changes.
    player->relSpeed = 0.003f;
    Fly();
    EXPECT_FLOAT_EQ(player->relSpeed, 0.003f);
}

TEST_F(FlightModelTest, TheWindowsFrontAndBackStopTheRelativeMotion)
{
    player->posY = 2.8f;
    player->relSpeed = 2.0f;
    Fly(true);
    EXPECT_EQ(player->relSpeed, 0.0f);
    EXPECT_FLOAT_EQ(player->posY, camera.scrollPos + 2.8f);   // carried along, clamped to the front

    player->relSpeed = 2.0f;
    player->posY = camera.prevScrollPos;   // behind the window
    Fly();
    EXPECT_EQ(player->relSpeed, 0.0f);
    EXPECT_FLOAT_EQ(player->posY, camera.scrollPos + 0.2f);

    // Backward held at the front keeps its speed change; the player moves back from the front.
    player->posY = camera.scrollPos + 2.8f;
    player->relSpeed = 0.0f;
    Fly(false, true);
    EXPECT_FLOAT_EQ(player->relSpeed, -0.01f);
    EXPECT_LT(player->posY, camera.scrollPos + 2.8f);
}

TEST_F(FlightModelTest, PositionIsCarriedWithTheWindowAndClampedToIt)
{
    player->relSpeed = 1.0f;
    player->posY = 1.5f;
    Fly(true);
    // scrollPos moved 0.03; the aircraft moves with it plus its own relative step.
    EXPECT_NEAR(player->posY, 1.5f + 0.03f + 0.01f * 1.01f, 1e-5f);
    player->posX = 5.0f;
    Fly();
    EXPECT_FLOAT_EQ(player->posX, 2.2f);
    player->posX = -5.0f;
    Fly();
    EXPECT_FLOAT_EQ(player->posX, -2.2f);
}

TEST_F(FlightModelTest, HeldLeftBanksUpToTheLimitAndTheEdgeTakesItBack)
{
    float maxBank = 0.0f;
    int framesToMax = 0;
    bool levelledByEdge = false;
    float previous = 0.0f;
    for (int i = 1; i <= 200; ++i) {
        Fly(false, false, true);
        if (player->bank > maxBank) {
            maxBank = player->bank;
            framesToMax = i;
        }
        if (player->bank < previous) {
            levelledByEdge = true;
            EXPECT_LT(player->posX, player->bank * 0.75f - 2.2f + 0.05f);
            EXPECT_NEAR(previous - player->bank, 0.02f, 1e-5f);
        }
        previous = player->bank;
        ASSERT_GE(player->posX, -2.2f);
    }
    EXPECT_GE(maxBank, 1.2994689f);
    EXPECT_LT(maxBank, kBankLimit);
    EXPECT_EQ(framesToMax, 65);
    EXPECT_TRUE(levelledByEdge);
}

TEST_F(FlightModelTest, BankRequestsWithinOneStepOfTheLimitAreIgnoredButTheOppositeWorks)
{
    player->bank = kBankLimit - 0.01f;   // b = 0.02
    Fly(false, false, true);
    EXPECT_FLOAT_EQ(player->bank, kBankLimit - 0.01f);
    Fly(false, false, false, true);
    EXPECT_FLOAT_EQ(player->bank, kBankLimit - 0.03f);

    player->bank = -kBankLimit + 0.01f;
    player->posX = 0.0f;
    Fly(false, false, false, true);
    EXPECT_FLOAT_EQ(player->bank, -kBankLimit + 0.01f);
    Fly(false, false, true);
    EXPECT_FLOAT_EQ(player->bank, -kBankLimit + 0.03f);

    // A bank stays when nothing is held.
    player->bank = 0.5f;
    player->posX = 0.0f;
    Fly();
    EXPECT_FLOAT_EQ(player->bank, 0.5f);
    EXPECT_FLOAT_EQ(player->posX, -2.0f * 0.5f * 0.01f);
}

TEST_F(FlightModelTest, TheRightEdgeLevelsARightBankEvenWithRightHeld)
{
    player->posX = 2.0f;
    player->bank = -1.0f;   // -0.75 + 2.2 = 1.45 < 2.0: beyond the right edge line
    Fly(false, false, false, true);
    EXPECT_FLOAT_EQ(player->bank, -0.98f);
    // A right bank smaller than one step is left as it is.
    player->posX = 2.2f;
    player->bank = -0.01f;
    Fly(false, false, false, true);
    EXPECT_FLOAT_EQ(player->bank, -0.01f);
}

TEST_F(FlightModelTest, UpClimbsOneLevelAtATimeAndStopsAtTheTop)
{
    AircraftInit(player, kAircraftPlayer, kSidePlayer, 0);
    Fly(false, false, false, false, true);
    EXPECT_EQ(player->targetLevel, 1);
    EXPECT_FLOAT_EQ(player->posZ, 2.78f);
    int frames = 1;
    while (player->currentLevel == 0 && frames < 100) {
        Fly(false, false, false, false, true);
        ASSERT_EQ(player->targetLevel, 1);   // no second level while climbing
        ++frames;
    }
    EXPECT_EQ(player->posZ, 2.0f);
    EXPECT_NEAR(frames, 40, 1);
    while (player->currentLevel == 1 && frames < 200) {
        Fly(false, false, false, false, true);
        ++frames;
    }
    EXPECT_EQ(player->currentLevel, 2);
    EXPECT_EQ(player->posZ, 1.0f);
    Fly(false, false, false, false, true);
    EXPECT_EQ(player->targetLevel, 2);
    EXPECT_EQ(player->posZ, 1.0f);

    // Down from the top, then up and down together cancel out.
    Fly(false, false, false, false, false, true);
    EXPECT_EQ(player->targetLevel, 1);
    for (int i = 0; i < 100 && player->currentLevel != 1; ++i) {
        Fly();
    }
    EXPECT_EQ(player->posZ, 2.0f);
    Fly(false, false, false, false, true, true);
    EXPECT_EQ(player->targetLevel, 1);
    Fly(false, false, false, false, false, true);
    for (int i = 0; i < 100 && player->currentLevel != 0; ++i) {
        Fly();
    }
    EXPECT_EQ(player->currentLevel, 0);
    EXPECT_EQ(player->posZ, 2.8f);
    Fly(false, false, false, false, false, true);
    EXPECT_EQ(player->targetLevel, 0);
}

TEST_F(FlightModelTest, TheUpdateClearsTheMovementFlagsButNotTheWeaponRequests)
{
    player->wantForward = player->wantBackward = player->wantLeft = player->wantRight = 1;
    player->wantUp = player->wantDown = player->wantFire = player->wantBomb = 1;
    EXPECT_EQ(player->wantForward + player->wantBackward + player->wantLeft + player->wantRight + player->wantUp +
                  player->wantDown + player->wantFire + player->wantBomb,
              8);
    ScrollAdvance();
    PlayerFlightUpdate(player);
    EXPECT_EQ(player->wantForward + player->wantBackward + player->wantLeft + player->wantRight + player->wantUp +
                  player->wantDown,
              0);
    EXPECT_EQ(player->wantFire, 1);
    EXPECT_EQ(player->wantBomb, 1);
}

TEST_F(FlightModelTest, CollisionNeedsTheSameHeightAndAFlyingEnemy)
{
    AllocateEnemies();
    Aircraft* same = PlaceEnemy(0, 0.3f, player->posY, 1);
    Aircraft* other = PlaceEnemy(1, 0.0f, player->posY, 2);        // higher level: passes through
    Aircraft* exploding = PlaceEnemy(2, -0.1f, player->posY, 1);
    exploding->hit = 1;
    exploding->explosionFrame = 3;
    Aircraft* second = PlaceEnemy(3, -0.2f, player->posY + 0.1f, 1);   // also met: the loop goes on
    Aircraft* far = PlaceEnemy(4, 0.0f, player->posY + 0.45f, 1);
    // A still frame: nobody moves before the test.
    frameDelta = 0.0f;
    Fly();
    EXPECT_EQ(same->hit, 1);
    EXPECT_EQ(second->hit, 1);
    EXPECT_EQ(other->hit, 0);
    EXPECT_EQ(far->hit, 0);
    EXPECT_EQ(exploding->explosionFrame, 3);
    EXPECT_EQ(player->hit, 1);

    // An exploding player still destroys what it meets.
    Aircraft* next = PlaceEnemy(5, 0.1f, player->posY, 1);
    Fly();
    EXPECT_EQ(next->hit, 1);
}

TEST_F(FlightModelTest, PlayerUpdateTurnsThePropellerWithinOneTurn)
{
    frameDelta = 0.01f;
    PlayerUpdate(player);
    EXPECT_NEAR(player->propellerAngle, 6.283185f, 1e-4f);
    PlayerUpdate(player);
    EXPECT_NEAR(player->propellerAngle, 12.566370f - 6.2831855f, 1e-4f);
    EXPECT_LE(player->propellerAngle, 6.2831855f);
}

}  // namespace
