// The HUD and overlays of a playing frame, read back from the presented picture.
#include <string>

#include "game/pause.h"
#include "game/run_stats.h"
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
        // The horizon walls reach up behind the band: black keeps the texts on black.
        horizonTexture = SolidTexture(0xFF000000u);
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

TEST_F(HudTest, RoundsAndBombsBelowTenAreRedAndMoveRightWithFewerDigits)
{
    player->rounds = 9;
    player->bombs = 0;
    Render();
    const Box rounds = NumberBox(0.955, 0.065);
    const Box nine = Bounds(rounds, IsRed);
    ASSERT_GE(nine.left, 0) << "no red rounds";
    EXPECT_EQ(Count(rounds, IsYellow), 0);
    const Box bombs = NumberBox(0.965, 0.163);
    EXPECT_GT(Count(bombs, IsRed), 5);
    EXPECT_EQ(Count(bombs, IsYellow), 0);

    player->rounds = 10;
    player->bombs = 10;
    Render();
    const Box ten = Bounds(rounds, IsYellow);
    ASSERT_GE(ten.left, 0) << "no yellow rounds";
    EXPECT_EQ(Count(rounds, IsRed), 0);
    EXPECT_GT(Count(bombs, IsYellow), 5);
    // 0.96 W against 0.955 W: the two-digit number starts 4 pixels further left.
    EXPECT_LT(ten.left, nine.left);
    EXPECT_NEAR(ten.left, static_cast<int>(kWidth * 0.955), 3);
    EXPECT_NEAR(nine.left, static_cast<int>(kWidth * 0.96), 3);

    player->rounds = 12345;
    Render();
    const Box wide = Bounds({700, 30, kWidth, 60}, IsYellow);
    EXPECT_NEAR(wide.left, static_cast<int>(kWidth * 0.92), 3);
}

TEST_F(HudTest, ClockLevelAndKillsAreYellowInTheirPlaces)
{
    runHours = 1.0f;
    runMinutes = 2.0f;
    runSeconds = 3.9f;
    player->level = 5;
    runStats.enemyKills = 123;
    Render();
    const Box clock = Bounds({0, 125, 200, 160}, IsYellow);
    ASSERT_GE(clock.left, 0);
    EXPECT_LE(clock.left, 8);
    EXPECT_NEAR(clock.top, static_cast<int>(kHeight * 0.225) + 2, 3);
    EXPECT_GT(clock.right - clock.left, 60) << "hh:mm:ss in the large font";

    const Box level = Bounds({0, 180, 120, 210}, IsYellow);
    EXPECT_NEAR(level.left, static_cast<int>(kWidth * 0.048), 3);
    const Box kills = Bounds({700, 160, kWidth, 190}, IsYellow);
    EXPECT_NEAR(kills.left, static_cast<int>(kWidth * 0.945), 3);
}

TEST_F(HudTest, FrameRateOnlyWithHfps)
{
    framesPerSecond = 57;
    // Over the sky at the left end of the top band, clear of the left panel (up to x 104).
    const Box corner{104, 0, 330, 30};
    Render();
    EXPECT_EQ(Count(corner, IsGreen), 0) << "h_fps is not defined";
    ConsoleExecute(console, "set h_fps 0");
    Render();
    EXPECT_EQ(Count(corner, IsGreen), 0);
    ConsoleExecute(console, "set h_fps 1");
    Render();
    const Box fps = Bounds(corner, IsGreen);
    ASSERT_GE(fps.left, 0);
    EXPECT_NEAR(fps.left, static_cast<int>(kWidth * 0.14), 3);
    EXPECT_NEAR(fps.top, static_cast<int>(kHeight * 0.012) + 2, 3);
    EXPECT_EQ(Count({660, 0, kWidth, 30}, IsGreen), 0) << "nothing on the right panel";
}

TEST_F(HudTest, HudBandCoversTheUpperThirdWithItsTextureAlpha)
{
    // Left half opaque blue, right half transparent.
    hudTexture->Release();
    hudTexture = MakeTexture(8, 8, [](UINT x, UINT) { return x < 4 ? 0xFF0000FFu : 0x00FFFFFFu; });
    Render();
    EXPECT_TRUE(Near(At(100, 100), 0, 0, 255, 2));
    EXPECT_TRUE(Near(At(100, 10), 0, 0, 255, 2));
    EXPECT_TRUE(Near(At(600, 100), 0, 0, 0, 2)) << "transparent texels show what lies below";
    EXPECT_TRUE(Near(At(100, 205), 0, 0, 0, 2)) << "the band ends at a third of the height";
}

TEST_F(HudTest, PauseWindowAndTexts)
{
    windowTexture = SolidTexture(0xFF0000A0u);
    pauseFlag = 1;
    Render();
    // W/3 by H/5 around the centre: pixels 267..532 and rows 240..359.
    EXPECT_TRUE(Near(At(270, 243), 0, 0, 160, 2));
    EXPECT_TRUE(Near(At(530, 357), 0, 0, 160, 2));
    EXPECT_TRUE(Near(At(262, 300), 0, 0, 0, 2));
    EXPECT_TRUE(Near(At(400, 236), 0, 0, 0, 2));
    const Box pause = Bounds({300, 240, 500, 280}, IsYellow);
    ASSERT_GE(pause.left, 0) << "no PAUSE heading";
    EXPECT_NEAR(pause.left, 368, 3);
    EXPECT_GT(Count({290, 300, 520, 330}, IsWhite), 30) << "the two hint lines";

    // With the console open the console window replaces the pause window and texts.
    consoleTexture = SolidTexture(0xFF00A000u);
    console.open = 1;
    Render();
    EXPECT_EQ(Count({300, 240, 500, 280}, IsYellow), 0);
    EXPECT_TRUE(Near(At(170, 190), 0, 160, 0, 2)) << "console window";
    EXPECT_TRUE(Near(At(150, 300), 0, 0, 0, 2)) << "left of the console window";
}

TEST_F(HudTest, StatisticsWindowAfterTheLastLife)
{
    windowTexture = SolidTexture(0xFF0000A0u);
    runStats.gameOver = 1;
    runStats.enemyKills = 7;
    runStats.buildingKills = 2;
    runStats.accuracy = 41.25f;
    Render();
    EXPECT_TRUE(Near(At(270, 243), 0, 0, 160, 2));
    const Box stats = Bounds({300, 240, 500, 280}, IsYellow);
    EXPECT_NEAR(stats.left, 372, 3);
    EXPECT_GT(Count({330, 285, 430, 320}, IsWhite), 30) << "Enemy, Building, Accuracy";
    const Box values = Bounds({435, 285, 530, 320}, IsWhite);
    EXPECT_NEAR(values.left, 440, 3);
    EXPECT_GT(values.right - values.left, 20) << "41.3% is wider than one digit";

    // Game over with the console open: the console window, and the statistics over it.
    consoleTexture = SolidTexture(0xFF00A000u);
    console.open = 1;
    Render();
    EXPECT_TRUE(Near(At(170, 190), 0, 160, 0, 2));
    EXPECT_GE(Bounds({300, 240, 500, 280}, IsYellow).left, 0);
}

TEST_F(HudTest, ConsoleTextBlockWithItsPrompt)
{
    consoleTexture = SolidTexture(0x80000080u);
    console.open = 1;
    for (int i = 0; i < 20; ++i) {
        ConsolePrintf(console, "line %d", i);
    }
    ConsoleRefreshView(console);
    ConsoleCopyText(console.input, "set", sizeof console.input);
    Render();
    const Box text = Bounds({150, 180, 650, 430}, IsWhite);
    ASSERT_GE(text.left, 0);
    EXPECT_NEAR(text.left, 180, 3);
    EXPECT_NEAR(text.top, 210, 4);
    // Fifteen lines, two empty ones, then ">set_" on the eighteenth.
    const int lineHeight = (text.bottom - text.top) / 18;
    EXPECT_GE(lineHeight, 9);
    const Box prompt = Bounds({150, text.bottom - lineHeight, 650, text.bottom}, IsWhite);
    EXPECT_NEAR(prompt.left, 180, 3);
    EXPECT_GT(prompt.right - prompt.left, 30) << "prompt, input and cursor";
    const int gap = Count({150, text.bottom - 3 * lineHeight + 2, 650, text.bottom - lineHeight - 1}, IsWhite);
    EXPECT_EQ(gap, 0) << "two empty lines before the prompt";
}

TEST_F(HudTest, OverlongConsoleViewIsCutNotOverrun)
{
    consoleTexture = SolidTexture(0x80000080u);
    console.open = 1;
    const std::string wide(kConsoleLineSize - 1, 'W');
    for (auto& line : console.view) {
        ConsoleCopyText(line, wide.c_str(), sizeof line);
    }
    ConsoleCopyText(console.input, wide.c_str(), sizeof console.input);
    Render();
    // The block is 15 x 200 + 200 bytes; 1023 of them fit: five full lines and part of the sixth.
    EXPECT_GT(Count({180, 210, kWidth, 260}, IsWhite), 100);
    EXPECT_EQ(Count({150, 300, 650, 430}, IsWhite), 0) << "lines past the 1023rd character are cut";
}

TEST_F(HudTest, SavedNoticeStaysForItsTimeThenGoes)
{
    const Box notice{310, 125, 450, 150};
    NoticeShow(kNoticeSaved);
    frameDelta = 1.0f;
    Render();
    const Box shown = Bounds(notice, IsYellow);
    ASSERT_GE(shown.left, 0);
    EXPECT_NEAR(shown.left, 320, 3);
    EXPECT_FLOAT_EQ(noticeTimer, 0.5f);
    Render();
    EXPECT_GT(Count(notice, IsYellow), 0);
    Render();
    EXPECT_EQ(Count(notice, IsYellow), 0);

    noticeKind = 7;
    noticeTimer = 1.0f;
    Render();
    EXPECT_EQ(Count(notice, IsYellow), 0) << "an unknown kind shows no text";
    EXPECT_FLOAT_EQ(noticeTimer, 0.0f) << "but its time runs down";
}

TEST_F(HudTest, ScreenTextIgnoresUnknownFonts)
{
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0);
    device->BeginScene();
    ScreenText(3, 100, 100, kWhite, "%s", "invisible");
    ScreenText(0, 100, 100, kWhite, "%s", "invisible");
    ScreenText(kFontLarge, 100, 300, kWhite, "%s", "visible");
    device->EndScene();
    device->Present(nullptr, nullptr, nullptr, nullptr);
    ReadFrame();
    EXPECT_EQ(Count({90, 90, 300, 130}, IsWhite), 0);
    EXPECT_GT(Count({90, 290, 300, 330}, IsWhite), 20);
}

}  // namespace
