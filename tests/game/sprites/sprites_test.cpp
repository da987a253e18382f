#include "game/sprites.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/frame.h"
#include "game/camera.h"

namespace {

class SpritesTest : public ::testing::Test {
protected:
    void SetUp() override { Reset(); }
    void TearDown() override { Reset(); }

    static void Reset()
    {
        SpritesFree();
        CameraReset();
        FrameValuesReset();
    }

    static int Count()
    {
        int n = 0;
        for (Sprite* s = spriteHead; s != nullptr; s = s->next) {
            ++n;
        }
        return n;
    }
};

TEST_F(SpritesTest, AddAppendsAtTailWithFieldsFromArguments)
{
    ASSERT_TRUE(SpritesEmpty());
    EXPECT_TRUE(SpriteAdd(1.0f, 2.0f, 3.0f, 2.0f, 4.0f, 0.1f, 5, 1));
    EXPECT_TRUE(SpriteAdd(-1.0f, 7.0f, 4.0f, 1.0f, 1.0f, 0.25f, 16, 2));
    ASSERT_FALSE(SpritesEmpty());
    ASSERT_EQ(Count(), 2);

    const Sprite* first = spriteHead;
    EXPECT_FLOAT_EQ(first->posX, 1.0f);
    EXPECT_FLOAT_EQ(first->posY, 2.0f);
    EXPECT_FLOAT_EQ(first->posZ, 3.0f);
    EXPECT_FLOAT_EQ(first->remaining, 0.1f);
    EXPECT_FLOAT_EQ(first->lifetime, 0.1f);
    EXPECT_EQ(first->visible, 1);
    EXPECT_EQ(first->materialIndex, 1);
    EXPECT_EQ(first->textureSlot, 5);
    EXPECT_EQ(first->tiltAngle, 0.0f);
    EXPECT_EQ(first->turnAngle, 0.0f);

    EXPECT_EQ(spriteTail, first->next);
    EXPECT_EQ(spriteTail->textureSlot, 16);
    EXPECT_EQ(spriteTail->materialIndex, 2);
    EXPECT_EQ(spriteTail->next, nullptr);
}

TEST(SpriteQuad, FourCornersInStripOrder)
{
    SpriteVertex quad[kSpriteVertexCount];
    SpriteQuad(2.0f, 4.0f, quad);
    const float expected[4][5] = {
        {-1.0f, 2.0f, 0.0f, 0.0f, 1.0f},
        {-1.0f, -2.0f, 0.0f, 0.0f, 0.0f},
        {1.0f, 2.0f, 0.0f, 1.0f, 1.0f},
        {1.0f, -2.0f, 0.0f, 1.0f, 0.0f},
    };
    for (int v = 0; v < 4; ++v) {
        const float got[5] = {quad[v].x, quad[v].y, quad[v].z, quad[v].u, quad[v].v};
        for (int c = 0; c < 5; ++c) {
            EXPECT_EQ(got[c], expected[v][c]) << "vertex " << v << " value " << c;
        }
    }
}

TEST_F(SpritesTest, AgesAndIsRemovedInTheUpdateAfterItsTimeRanOut)
{
    SpriteAdd(0.0f, 5.0f, 4.0f, 1.0f, 1.0f, 0.1f, 1, 1);
    frameDelta = 0.04f;
    SpritesUpdate();   // 0.06 left
    ASSERT_FALSE(SpritesEmpty());
    EXPECT_NEAR(spriteHead->remaining, 0.06f, 1e-6f);
    SpritesUpdate();   // 0.02 left
    SpritesUpdate();   // -0.02: still shown this frame
    ASSERT_FALSE(SpritesEmpty());
    EXPECT_EQ(spriteHead->visible, 1);
    EXPECT_LT(spriteHead->remaining, 0.0f);
    SpritesUpdate();   // found used up: removed
    EXPECT_TRUE(SpritesEmpty());
    EXPECT_EQ(spriteTail, nullptr);
}

TEST_F(SpritesTest, RemovalRelinksHeadMiddleAndTail)
{
    // Lifetimes: 0 expires at the first update; 1 stays.
    const float lifetimes[] = {0.0f, 1.0f, 0.0f, 1.0f, 0.0f};
    for (int i = 0; i < 5; ++i) {
        SpriteAdd(static_cast<float>(i), 0.0f, 4.0f, 1.0f, 1.0f, lifetimes[i], i + 1, 1);
    }
    frameDelta = 0.01f;
    SpritesUpdate();
    ASSERT_EQ(Count(), 2);
    EXPECT_EQ(spriteHead->textureSlot, 2);
    EXPECT_EQ(spriteHead->next->textureSlot, 4);
    EXPECT_EQ(spriteTail, spriteHead->next);

    // A sprite added after removals goes after the current tail.
    SpriteAdd(9.0f, 0.0f, 4.0f, 1.0f, 1.0f, 1.0f, 9, 1);
    EXPECT_EQ(spriteHead->next->next, spriteTail);
    EXPECT_EQ(spriteTail->textureSlot, 9);
}

TEST_F(SpritesTest, TwoExplosionsEndingTogetherLeaveTheListEmpty)
{
    SpriteAdd(-2.0f, 10.0f, 4.0f, 1.0f, 1.0f, 0.1f, 16, 1);
    SpriteAdd(2.0f, 12.0f, 4.0f, 1.0f, 1.0f, 0.1f, 16, 1);
    frameDelta = 0.2f;
    SpritesUpdate();
    EXPECT_EQ(Count(), 2);
    SpritesUpdate();
    EXPECT_TRUE(SpritesEmpty());
    EXPECT_EQ(spriteTail, nullptr);
    // The next sprite starts a fresh list.
    SpriteAdd(0.0f, 0.0f, 4.0f, 1.0f, 1.0f, 0.1f, 1, 1);
    EXPECT_EQ(spriteHead, spriteTail);
}

TEST_F(SpritesTest, TurnsTowardTheCameraEye)
{
    camera.scrollPos = 10.0f;   // eye at y = 9
    frameDelta = 0.01f;
    SpriteAdd(3.0f, 13.0f, 4.0f, 1.0f, 1.0f, 1.0f, 1, 1);   // d = 4
    SpriteAdd(0.0f, 9.0f, 4.5f, 1.0f, 1.0f, 1.0f, 1, 1);    // right in front: d = 0
    SpriteAdd(-2.0f, 5.0f, 4.0f, 1.0f, 1.0f, 1.0f, 1, 1);   // behind the eye: d = 4 as well
    SpritesUpdate();

    const Sprite* a = spriteHead;
    EXPECT_FLOAT_EQ(a->tiltAngle, std::atan2(4.0f, 4.0f) + 90.0f * 0.017453292f);
    EXPECT_FLOAT_EQ(a->turnAngle, std::atan2(3.0f, 4.0f));
    const Sprite* b = a->next;
    EXPECT_NEAR(b->tiltAngle, static_cast<float>(M_PI), 1e-6f);
    EXPECT_EQ(b->turnAngle, 0.0f);
    const Sprite* c = b->next;
    EXPECT_FLOAT_EQ(c->tiltAngle, a->tiltAngle);
    EXPECT_FLOAT_EQ(c->turnAngle, std::atan2(-2.0f, 4.0f));
}

TEST_F(SpritesTest, FreeReleasesEverySprite)
{
    for (int i = 0; i < 20; ++i) {
        SpriteAdd(0.0f, 0.0f, 4.0f, 1.0f, 1.0f, 0.1f, 1 + i % 16, 1);
    }
    EXPECT_EQ(Count(), 20);
    SpritesFree();
    EXPECT_TRUE(SpritesEmpty());
    EXPECT_EQ(spriteTail, nullptr);
    SpritesFree();   // an empty list stays empty
    EXPECT_TRUE(SpritesEmpty());
}

}  // namespace
