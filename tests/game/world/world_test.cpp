#include "game/world.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <set>
#include <vector>

#include "core/frame.h"
#include "core/random.h"
#include "game/aircraft.h"
#include "game/camera.h"
#include "game/run_stats.h"
#include "game/sprites.h"
#include "mesh_stand_in.h"
#include "resources/mesh_lookup.h"

namespace {

// The state these tests touch, as at program start.
void WorldStateReset()
{
    WorldReset();
    SpritesFree();
    CameraReset();
    AircraftStateReset();
    RunStatsReset();
    FrameValuesReset();
}

float Height(int r)
{
    return 5.0f - 0.01f * static_cast<float>(r % 101);
}

// The first seed whose opening rand() values satisfy `wanted`; the generator is left seeded with it.
unsigned SeedWhere(int count, const std::function<bool(const std::vector<int>&)>& wanted)
{
    for (unsigned seed = 1; seed < 200000; ++seed) {
        RandomSeed(seed);
        std::vector<int> values(count);
        for (int& v : values) {
            v = RandomNext();
        }
        if (wanted(values)) {
            RandomSeed(seed);
            return seed;
        }
    }
    ADD_FAILURE() << "no seed found";
    return 0;
}

class WorldTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WorldStateReset();
        testMeshesPresent = true;
        testMeshes[0] = TestMesh{{4.0f, 3.0f, 2.0f}};
        testMeshes[1] = TestMesh{{2.0f, 2.0f, 5.0f}};
        testMeshes[2] = TestMesh{{6.0f, 4.0f, 2.0f}};
    }
    void TearDown() override { WorldStateReset(); }

    static std::vector<SurfaceSegment*> Chain()
    {
        std::vector<SurfaceSegment*> chain;
        SurfaceSegment* previous = nullptr;
        for (SurfaceSegment* s = surfaceHead; s != nullptr; s = s->next) {
            EXPECT_EQ(s->prev, previous);
            previous = s;
            chain.push_back(s);
        }
        EXPECT_EQ(surfaceTail, previous);
        return chain;
    }

    static GroundObject StandingAt(float x, float y, std::uint8_t id)
    {
        GroundObject o{};
        o.posX = x;
        o.posY = y;
        o.posZ = 4.5f;
        o.standing = 1;
        o.meshId = id;
        o.mesh = MeshFind(id);
        o.hitPoints = 90.0f;
        o.scoreValue = 120;
        return o;
    }
};

// ---- the strip --------------------------------------------------------------------------------------

TEST_F(WorldTest, ScrollAdvanceMovesByWorldSpeedTimesFrameTime)
{
    camera.scrollPos = 2.0f;
    worldSpeed = 3.0f;
    frameDelta = 0.02f;
    ScrollAdvance();
    EXPECT_FLOAT_EQ(camera.prevScrollPos, 2.0f);
    EXPECT_FLOAT_EQ(camera.scrollPos, 2.06f);
}

TEST_F(WorldTest, BuildLaysThirtySegmentsFromZeroToThirtyWithRandomHeightsColumnByColumn)
{
    RandomSeed(77);
    ASSERT_TRUE(SurfaceBuild());
    RandomSeed(77);
    const std::vector<SurfaceSegment*> chain = Chain();
    ASSERT_EQ(chain.size(), 30u);
    for (int a = 0; a < 30; ++a) {
        const SurfaceSegment* s = chain[a];
        EXPECT_EQ(s->frontY, static_cast<float>(a + 1));
        for (int j = 0; j <= 40; ++j) {
            const SurfaceVertex& back = s->vertices[2 * j];
            const SurfaceVertex& front = s->vertices[2 * j + 1];
            const float x = static_cast<float>(j - 20);
            EXPECT_EQ(back.x, x);
            EXPECT_EQ(back.y, static_cast<float>(a));
            EXPECT_EQ(back.z, a == 0 ? 5.0f : chain[a - 1]->vertices[2 * j + 1].z);
            EXPECT_EQ(front.x, x);
            EXPECT_EQ(front.y, static_cast<float>(a + 1));
            EXPECT_EQ(front.z, Height(RandomNext())) << "segment " << a << " column " << j;
            for (const SurfaceVertex* v : {&back, &front}) {
                EXPECT_EQ(v->nx, 0.0f);
                EXPECT_EQ(v->ny, 0.0f);
                EXPECT_EQ(v->nz, 1.0f);
                EXPECT_EQ(v->u, 0.2f * static_cast<float>(j));
            }
            EXPECT_EQ(back.v, 0.2f * static_cast<float>(a));
            EXPECT_EQ(front.v, 0.2f * static_cast<float>(a + 1));
            EXPECT_GE(front.z, 4.0f);
            EXPECT_LE(front.z, 5.0f);
        }
    }
}

TEST_F(WorldTest, FirstRecycleComesOncePastPointSevenAndMovesTheOldestToTheFront)
{
    ASSERT_TRUE(SurfaceBuild());
    SurfaceSegment* oldest = surfaceHead;
    SurfaceSegment* second = oldest->next;
    SurfaceSegment* oldTail = surfaceTail;

    camera.scrollPos = 0.69f;
    SurfaceScroll();
    EXPECT_EQ(surfaceHead, oldest);

    camera.scrollPos = 0.71f;
    SurfaceScroll();
    EXPECT_EQ(surfaceHead, second);
    EXPECT_EQ(surfaceTail, oldest);
    EXPECT_EQ(oldTail->next, oldest);
    EXPECT_EQ(Chain().size(), 30u);
    EXPECT_EQ(oldest->frontY, 31.0f);
    for (int j = 0; j <= 40; ++j) {
        const SurfaceVertex& back = oldest->vertices[2 * j];
        const SurfaceVertex& front = oldest->vertices[2 * j + 1];
        EXPECT_EQ(back.x, static_cast<float>(j - 20));
        EXPECT_EQ(back.y, 30.0f);
        EXPECT_EQ(back.z, oldTail->vertices[2 * j + 1].z);
        EXPECT_EQ(front.y, 31.0f);
        EXPECT_GE(front.z, 4.0f);
        EXPECT_LE(front.z, 5.0f);
        // Texture coordinates are those of the build: 30 units on is 6 whole repeats.
        EXPECT_EQ(back.v, 0.0f);
        EXPECT_EQ(front.v, 0.2f);
    }
}

// What the renderer's copies of the segments go by: every build and every recycle gives the
// segments it changed a revision that no segment had before (a freed segment's included); a segment
// left as it was keeps its revision.
TEST_F(WorldTest, ChangedSegmentsGetARevisionNoSegmentHadBefore)
{
    ASSERT_TRUE(SurfaceBuild());
    std::set<std::uint32_t> seen;
    for (const SurfaceSegment* s : Chain()) {
        EXPECT_NE(s->revision, 0u);
        EXPECT_TRUE(seen.insert(s->revision).second) << "two segments share a revision";
    }
    SurfaceSegment* oldest = surfaceHead;
    SurfaceSegment* second = oldest->next;
    const std::uint32_t secondRevision = second->revision;
    camera.scrollPos = 0.71f;
    SurfaceScroll();
    ASSERT_EQ(surfaceTail, oldest);
    EXPECT_TRUE(seen.insert(oldest->revision).second) << "the recycled segment kept an old revision";
    EXPECT_EQ(second->revision, secondRevision);
    SurfaceScroll();   // nothing to recycle
    EXPECT_EQ(surfaceTail->revision, oldest->revision);

    // A new strip (its segments may take the freed ones' memory) never repeats a revision.
    ASSERT_TRUE(SurfaceBuild());
    for (const SurfaceSegment* s : Chain()) {
        EXPECT_TRUE(seen.insert(s->revision).second);
    }
}

TEST_F(WorldTest, OneSegmentPerFrameHoweverFarTheWindowMoved)
{
    ASSERT_TRUE(SurfaceBuild());
    camera.scrollPos = 5.0f;   // five segments are behind
    for (int frame = 1; frame <= 5; ++frame) {
        SurfaceScroll();
        EXPECT_EQ(surfaceHead->frontY, static_cast<float>(frame + 1));
        EXPECT_EQ(surfaceTail->frontY, static_cast<float>(30 + frame));
    }
    SurfaceScroll();   // caught up: 6.0 - 5.0 is not below 0.3
    EXPECT_EQ(surfaceHead->frontY, 6.0f);
    EXPECT_EQ(surfaceTail->frontY, 35.0f);
    EXPECT_EQ(Chain().size(), 30u);
}

TEST_F(WorldTest, NewRowsNearAStandingObjectAreLevelledAtItsBase)
{
    ASSERT_TRUE(SurfaceBuild());
    // Hangar 01 is 4 wide and 3 deep: columns with |x - 5| < 5 and rows with |30 - posY| < 4 are levelled.
    groundObjects[0] = StandingAt(5.0f, 32.0f, kMeshHangar01);
    groundObjects[1] = StandingAt(-15.0f, 60.0f, kMeshTower);   // too far ahead to matter
    SeedWhere(45, [](const std::vector<int>& r) {
        for (int i = 0; i < 41; ++i) {
            if (r[i] % 101 == 50) {
                return false;   // no random height that happens to be 4.5
            }
        }
        return true;
    });
    camera.scrollPos = 0.8f;
    SurfaceScroll();
    for (int j = 0; j <= 40; ++j) {
        const float x = static_cast<float>(j - 20);
        const bool near = x > 0.0f && x < 10.0f;
        EXPECT_EQ(surfaceTail->vertices[2 * j + 1].z == 4.5f, near) << "x " << x;
    }
    // A retired object levels nothing.
    groundObjects[0].standing = 0;
    groundObjects[0].posY = 33.0f;
    camera.scrollPos = 1.8f;
    SeedWhere(45, [](const std::vector<int>& r) {
        for (int i = 0; i < 41; ++i) {
            if (r[i] % 101 == 50) {
                return false;
            }
        }
        return true;
    });
    SurfaceScroll();
    for (int j = 0; j <= 40; ++j) {
        EXPECT_NE(surfaceTail->vertices[2 * j + 1].z, 4.5f);
    }
}

// ---- ground objects -----------------------------------------------------------------------------------

TEST_F(WorldTest, PlacementDrawsPositionTypeHitPointsAndScoreInOrder)
{
    camera.scrollPos = 100.0f;
    groundObjects[0].posY = 200.0f;   // not behind the window
    groundObjects[1].posY = 200.0f;
    std::vector<int> r;
    {
        const unsigned seed = SeedWhere(1, [](const std::vector<int>& v) { return v[0] % 20 == 0; });
        RandomSeed(seed);
        for (int i = 0; i < 6; ++i) {
            r.push_back(RandomNext());
        }
        RandomSeed(seed);
    }
    GroundObjectsUpdate();
    const GroundObject& o = groundObjects[0];
    ASSERT_EQ(o.standing, 1);
    EXPECT_EQ(o.destroyed, 0);
    EXPECT_EQ(o.explosionFrame, 0);
    EXPECT_EQ(o.explosionTimer, 0.0f);
    EXPECT_EQ(o.posX, 0.06f * static_cast<float>(r[1] % 101) - 3.0f);
    EXPECT_EQ(o.posY, 100.0f + 35.5f + 0.2f * static_cast<float>(r[2] % 101));
    EXPECT_EQ(o.meshId, 201 + r[3] % 3);
    EXPECT_EQ(o.mesh, TestMeshEntry(o.meshId));
    EXPECT_EQ(o.hitPoints, static_cast<float>(80 + r[4] % 20));
    EXPECT_EQ(o.scoreValue, 50 + r[5] % 101);
    EXPECT_EQ(o.posZ, 0.0f);   // left as the new run set it
    EXPECT_GE(o.posX, -3.0f);
    EXPECT_LE(o.posX, 3.0f);
    EXPECT_GE(o.posY, 135.5f);
    EXPECT_LE(o.posY, 155.5f);
}

TEST_F(WorldTest, PlacementsAreRareAndStayInsideTheirRanges)
{
    RandomSeed(4242);
    int placements = 0;
    for (int frame = 0; frame < 4000; ++frame) {
        camera.scrollPos = static_cast<float>(frame);   // whatever is placed is retired some 45 frames on
        const std::uint8_t before[2] = {groundObjects[0].standing, groundObjects[1].standing};
        GroundObjectsUpdate();
        for (int i = 0; i < 2; ++i) {
            const GroundObject& o = groundObjects[i];
            if (o.standing == 0 || before[i] != 0) {
                continue;
            }
            ++placements;
            EXPECT_GE(o.posX, -3.0f);
            EXPECT_LE(o.posX, 3.0f);
            EXPECT_GE(o.posY, camera.scrollPos + 35.5f);
            EXPECT_LE(o.posY, camera.scrollPos + 55.5f);
            EXPECT_GE(o.hitPoints, 80.0f);
            EXPECT_LE(o.hitPoints, 99.0f);
            EXPECT_GE(o.scoreValue, 50);
            EXPECT_LE(o.scoreValue, 150);
            EXPECT_GE(o.meshId, 201);
            EXPECT_LE(o.meshId, 203);
        }
    }
    // One chance in 20 per empty slot and frame: each slot cycles about every 20 + 50 frames.
    EXPECT_GT(placements, 60);
    EXPECT_LT(placements, 200);
}

TEST_F(WorldTest, OverlappingPlacementIsAbandonedAndARetiredSlotIsNotTested)
{
    camera.scrollPos = 0.0f;
    // A standing object with a huge footprint covers the whole placement area.
    testMeshes[1] = TestMesh{{200.0f, 200.0f, 5.0f}};
    groundObjects[0] = StandingAt(0.0f, 45.5f, kMeshTower);
    RandomSeed(99);
    for (int frame = 0; frame < 400; ++frame) {
        GroundObjectsUpdate();
        ASSERT_EQ(groundObjects[1].standing, 0) << "frame " << frame;
        ASSERT_EQ(groundObjects[0].posY, 45.5f);
    }

    // The same object retired: the next placement goes ahead.
    groundObjects[0].standing = 0;
    groundObjects[0].posY = -100.0f;   // far behind, so it stays retired
    testMeshes[1] = TestMesh{{2.0f, 2.0f, 5.0f}};
    int frames = 0;
    while (groundObjects[1].standing == 0 && groundObjects[0].standing == 0 && frames < 1000) {
        GroundObjectsUpdate();
        ++frames;
    }
    EXPECT_LT(frames, 1000);
}

TEST_F(WorldTest, OverlapUsesHalfTheSummedExtentsOnBothAxes)
{
    // Every type 4 wide and 2 deep: two objects overlap when less than 4 apart in x and 2 in y.
    for (TestMesh& m : testMeshes) {
        m = TestMesh{{4.0f, 2.0f, 3.0f}};
    }
    const unsigned seed = SeedWhere(1, [](const std::vector<int>& r) { return r[0] % 20 == 0; });
    RandomSeed(seed);
    RandomNext();
    const float newX = 0.06f * static_cast<float>(RandomNext() % 101) - 3.0f;
    const float newY = 35.5f + 0.2f * static_cast<float>(RandomNext() % 101);

    // Slot 0 is standing at an offset from where slot 1's next placement would go.
    auto placedBeside = [&](float dx, float dy) {
        groundObjects[0] = StandingAt(newX + dx, newY + dy, kMeshTower);
        groundObjects[1] = GroundObject{};
        groundObjects[1].posY = 1000.0f;
        RandomSeed(seed);
        GroundObjectsUpdate();
        EXPECT_EQ(groundObjects[0].posX, newX + dx);
        return groundObjects[1].standing != 0;
    };
    EXPECT_FALSE(placedBeside(0.0f, 0.0f));
    EXPECT_FALSE(placedBeside(3.9f, 0.0f));
    EXPECT_FALSE(placedBeside(-3.9f, 1.9f));
    EXPECT_TRUE(placedBeside(4.1f, 0.0f));
    EXPECT_TRUE(placedBeside(0.0f, -2.1f));
    EXPECT_TRUE(placedBeside(3.9f, 2.1f));   // both axes must overlap
    EXPECT_EQ(groundObjects[1].posX, newX);
    EXPECT_EQ(groundObjects[1].posY, newY);
}

TEST_F(WorldTest, ObjectIsRetiredOnceFourUnitsPlusItsDepthBehind)
{
    testMeshes[0] = TestMesh{{4.0f, 3.0f, 2.0f}};
    groundObjects[0] = StandingAt(0.0f, 10.0f, kMeshHangar01);
    groundObjects[1] = StandingAt(0.0f, 500.0f, kMeshHangar01);
    camera.scrollPos = 16.9f;   // 10 - 16.9 = -6.9, not below -7
    GroundObjectsUpdate();
    EXPECT_EQ(groundObjects[0].standing, 1);
    // No placement on the next draw, so the slot is seen empty.
    SeedWhere(1, [](const std::vector<int>& r) { return r[0] % 20 != 0; });
    camera.scrollPos = 17.1f;
    GroundObjectsUpdate();
    EXPECT_EQ(groundObjects[0].standing, 0);
    EXPECT_EQ(groundObjects[0].posY, 10.0f);
    EXPECT_EQ(groundObjects[1].standing, 1);
}

TEST_F(WorldTest, DestroyedBuildingExplodesInSixteenFramesThenPaysScoreAndKill)
{
    groundObjects[0] = StandingAt(1.0f, 40.0f, kMeshHangar04);   // 6 wide
    groundObjects[0].destroyed = 1;
    groundObjects[0].scoreValue = 137;
    groundObjects[1] = StandingAt(-3.0f, 60.0f, kMeshHangar01);
    runStats.score = 1000;
    runStats.buildingKills = 2;
    frameDelta = 0.03f;

    GroundObjectsUpdate();   // 0.03: not yet
    EXPECT_EQ(groundObjects[0].explosionFrame, 0);
    EXPECT_TRUE(SpritesEmpty());
    GroundObjectsUpdate();   // 0.06: first frame
    EXPECT_EQ(groundObjects[0].explosionFrame, 1);
    EXPECT_EQ(groundObjects[0].explosionTimer, 0.0f);
    ASSERT_FALSE(SpritesEmpty());
    EXPECT_EQ(spriteHead->posX, 1.0f);
    EXPECT_EQ(spriteHead->posY, 40.0f);
    EXPECT_EQ(spriteHead->posZ, 4.5f - 3.0f);
    EXPECT_FLOAT_EQ(spriteHead->remaining, 0.1f);
    EXPECT_EQ(spriteHead->textureSlot, 1);
    EXPECT_EQ(spriteHead->materialIndex, 1);

    int frames = 2;
    while (groundObjects[0].standing != 0 && frames < 100) {
        EXPECT_EQ(runStats.score, 1000);
        GroundObjectsUpdate();
        ++frames;
    }
    EXPECT_EQ(frames, 32);   // 16 frames, each 2 updates of 0.03 apart
    EXPECT_EQ(groundObjects[0].explosionFrame, 16);
    EXPECT_EQ(runStats.score, 1137);
    EXPECT_EQ(runStats.buildingKills, 3);
    int slot = 1;
    for (Sprite* s = spriteHead; s != nullptr; s = s->next) {
        EXPECT_EQ(s->textureSlot, slot++);
    }
    EXPECT_EQ(slot, 17);
    // The untouched neighbour neither explodes nor pays.
    EXPECT_EQ(groundObjects[1].explosionFrame, 0);
}

TEST_F(WorldTest, TowerGivesThreeBombsCappedAtNinetyNine)
{
    auto destroyTower = [&](std::int32_t bombs) {
        player->bombs = bombs;
        groundObjects[0] = StandingAt(0.0f, 40.0f, kMeshTower);
        groundObjects[0].destroyed = 1;
        groundObjects[0].explosionFrame = 15;
        groundObjects[1] = StandingAt(0.0f, 500.0f, kMeshTower);
        frameDelta = 0.05f;
        GroundObjectsUpdate();
        EXPECT_EQ(groundObjects[0].standing, 0);
        return player->bombs;
    };
    EXPECT_EQ(destroyTower(10), 13);
    EXPECT_EQ(destroyTower(96), 99);
    EXPECT_EQ(destroyTower(98), 99);
    EXPECT_EQ(destroyTower(99), 99);
    EXPECT_EQ(player->rounds, 0);   // no rounds from a tower
}

TEST_F(WorldTest, HangarGivesHundredRoundsBelowTheLimit)
{
    auto destroyHangar = [&](std::uint8_t id, std::int32_t rounds) {
        player->rounds = rounds;
        groundObjects[0] = StandingAt(0.0f, 40.0f, id);
        groundObjects[0].destroyed = 1;
        groundObjects[0].explosionFrame = 15;
        groundObjects[1] = StandingAt(0.0f, 500.0f, id);
        frameDelta = 0.05f;
        GroundObjectsUpdate();
        EXPECT_EQ(groundObjects[0].standing, 0);
        return player->rounds;
    };
    EXPECT_EQ(destroyHangar(kMeshHangar01, 500), 600);
    EXPECT_EQ(destroyHangar(kMeshHangar04, 99799), 99899);
    EXPECT_EQ(destroyHangar(kMeshHangar01, 99800), 99800);
    EXPECT_EQ(destroyHangar(kMeshHangar04, 120000), 120000);
    EXPECT_EQ(player->bombs, 0);
}

TEST_F(WorldTest, ObjectPassingBehindWhileExplodingPaysNothing)
{
    groundObjects[0] = StandingAt(0.0f, 10.0f, kMeshTower);
    groundObjects[0].destroyed = 1;
    groundObjects[0].explosionFrame = 15;
    groundObjects[1] = StandingAt(0.0f, 500.0f, kMeshTower);
    player->bombs = 5;
    camera.scrollPos = 20.0f;
    frameDelta = 0.05f;
    SeedWhere(1, [](const std::vector<int>& r) { return r[0] % 20 != 0; });
    GroundObjectsUpdate();
    EXPECT_EQ(groundObjects[0].standing, 0);
    EXPECT_EQ(groundObjects[0].explosionFrame, 15);
    EXPECT_EQ(runStats.score, 0);
    EXPECT_EQ(runStats.buildingKills, 0);
    EXPECT_EQ(player->bombs, 5);
}

TEST_F(WorldTest, NewRunPreparationKeepsTheOtherFields)
{
    groundObjects[0] = StandingAt(2.0f, 40.0f, kMeshTower);
    groundObjects[0].explosionFrame = 7;
    GroundObjectsPrepare();
    for (const GroundObject& o : groundObjects) {
        EXPECT_EQ(o.standing, 0);
        EXPECT_EQ(o.posZ, 4.5f);
        EXPECT_EQ(o.mesh, TestMeshEntry(kMeshHangar01));
    }
    EXPECT_EQ(groundObjects[0].posX, 2.0f);
    EXPECT_EQ(groundObjects[0].explosionFrame, 7);
    EXPECT_EQ(groundObjects[0].meshId, kMeshTower);

    testMeshesPresent = false;
    GroundObjectsPrepare();
    EXPECT_EQ(groundObjects[1].mesh, nullptr);
}

TEST_F(WorldTest, MissingMeshesGiveZeroSizedObjectsWithoutFaults)
{
    testMeshesPresent = false;
    ASSERT_TRUE(SurfaceBuild());
    RandomSeed(5);
    for (int frame = 0; frame < 2000; ++frame) {
        camera.scrollPos += 0.05f;
        SurfaceScroll();
        if (frame % 50 == 0) {
            for (GroundObject& o : groundObjects) {
                o.destroyed = o.standing;
            }
        }
    }
    EXPECT_EQ(Chain().size(), 30u);
}

}  // namespace
