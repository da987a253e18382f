// The HUD and overlays of a playing frame, read back from the presented picture.
#include <string>

#include "render_fixture.h"

namespace {

class HudTest : public RenderTest {
protected:
    void SetUp() override
    {
        RenderTest::SetUp();
        gameState = Playing;
        CameraSetPlaying();
        // A see-through band, so the numbers stand on the black of the cleared screen.
        hudTexture = SolidTexture(0x00000000u);
        player->health = 100.0f;
        player->rounds = 500;
        player->bombs = 20;
        player->level = 1;
    }

    void Render()
    {
        ASSERT_EQ(SceneRender(), S_OK);
        ReadFrame();
    }

    // Box of a large-font number whose top-left corner is at fractions (fx, fy).
    static Box NumberBox(double fx, double fy)
    {
        const int x = static_cast<int>(kWidth * fx);
        const int y = static_cast<int>(kHeight * fy);
        return {x - 6, y - 2, std::min(x + 70, kWidth), y + 20};
    }
};

TEST_F(HudTest, HealthTurnsRedAtTwentyPercent)
{
    player->health = 20.0f;
    Render();
    const Box health = NumberBox(0.03, 0.077);
    EXPECT_GT(Count(health, IsRed), 15);
    EXPECT_EQ(Count(health, IsYellow), 0);
    const Box text = Bounds(health, IsRed);
    EXPECT_GE(text.left, 24);
    EXPECT_LE(text.left, 28);
    EXPECT_GE(text.top, 46);

    // Above 20 is yellow even where the whole percentage shown is 20.
    player->health = 20.4f;
    Render();
    EXPECT_GT(Count(health, IsYellow), 15);
    EXPECT_EQ(Count(health, IsRed), 0);
}

TEST_F(HudTest, HealthAboveTwentyIsYellow)
{
    player->health = 21.0f;
    Render();
    const Box health = NumberBox(0.03, 0.077);
    EXPECT_GT(Count(health, IsYellow), 15);
    EXPECT_EQ(Count(health, IsRed), 0);
}
}  // namespace
