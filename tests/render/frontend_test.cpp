// The front-end frame: main menu, high-score table and name entry.
#include <cstring>

#include "render_fixture.h"

namespace {

// The backdrop: (0, 0, 100) lit by the sun, with its specular highlight added.
bool IsBackdropBlue(Rgb p)
{
    return p.r < 80 && p.g < 80 && p.b > 120 && p.b > p.r + 70;
}
// Half white over the backdrop.
bool IsHalfWhiteOverBlue(Rgb p)
{
    return p.r > 120 && p.r < 190 && p.g > 120 && p.g < 190 && p.b > p.r + 25;
}
bool IsSelectedColour(Rgb p)
{
    return p.r > 200 && p.g > 150 && p.b < 60;
}

class FrontEndTest : public RenderTest {
protected:
    void SetUp() override
    {
        RenderTest::SetUp();
        TextMeshesBuild();
        for (int i = 0; i < kMenuItemCount; ++i) {
            MenuItemInit(i);
        }
        menuBackdropTexture = SolidTexture(0xFF000064u);
        gameState = MainMenu;
    }

    void Render()
    {
        ASSERT_EQ(FrontEndRender(), S_OK);
        ReadFrame();
    }
};

TEST_F(FrontEndTest, MenuShowsTitleItemsAndCredits)
{
    Render();
    // The backdrop fills the screen behind everything.
    EXPECT_TRUE(IsBackdropBlue(At(5, 5)));
    EXPECT_TRUE(IsBackdropBlue(At(790, 530)));
    DWORD mipFilter = 0;
    device->GetSamplerState(0, D3DSAMP_MIPFILTER, &mipFilter);
    EXPECT_EQ(mipFilter, static_cast<DWORD>(D3DTEXF_POINT)) << "the backdrop's sampling stays with the backdrop";

    const Box title = Bounds({0, 0, kWidth, kHeight * 85 / 100}, IsRed);
    ASSERT_GE(title.left, 0) << "no red title";
    EXPECT_LT(title.bottom, kHeight / 3) << "the title sits in the upper part";
    EXPECT_GT(title.right - title.left, kWidth / 3);

    // "New game", selected: yellow-orange; the four others half transparent white.
    const Box selected = Bounds({0, kHeight / 4, kWidth, kHeight * 3 / 4}, IsSelectedColour);
    ASSERT_GE(selected.left, 0) << "no selected item";
    const Box others = Bounds({0, selected.bottom, kWidth, kHeight * 7 / 8}, IsHalfWhiteOverBlue);
    ASSERT_GE(others.left, 0) << "no half-transparent items below the selected one";
    EXPECT_GT(others.bottom - others.top, 100) << "four items one under the other";
    EXPECT_EQ(Count({0, selected.bottom + 5, kWidth, kHeight * 7 / 8}, IsSelectedColour), 0);

    // Behind another backdrop the selected item keeps its colour and the others change with it.
    Rgb selectedPixel{};
    Rgb otherPixel{};
    int sx = -1;
    int sy = -1;
    int ox = -1;
    int oy = -1;
    for (int y = selected.top; y < selected.bottom && sx < 0; ++y) {
        for (int x = selected.left; x < selected.right; ++x) {
            if (IsSelectedColour(At(x, y)) && IsSelectedColour(At(x + 1, y)) && IsSelectedColour(At(x, y + 1))) {
                sx = x;
                sy = y;
                selectedPixel = At(x, y);
                break;
            }
        }
    }
    for (int y = others.top; y < others.bottom && ox < 0; ++y) {
        for (int x = others.left; x < others.right; ++x) {
            if (IsHalfWhiteOverBlue(At(x, y)) && IsHalfWhiteOverBlue(At(x + 1, y)) &&
                IsHalfWhiteOverBlue(At(x, y + 1))) {
                ox = x;
                oy = y;
                otherPixel = At(x, y);
                break;
            }
        }
    }
    ASSERT_GE(sx, 0);
    ASSERT_GE(ox, 0);
    const std::vector<std::uint8_t> blueFrame = frame;
    menuBackdropTexture->Release();
    menuBackdropTexture = SolidTexture(0xFF006400u);
    Render();
    EXPECT_TRUE(Near(At(sx, sy), selectedPixel.r, selectedPixel.g, selectedPixel.b, 2)) << "opaque";
    const Rgb otherNow = At(ox, oy);
    EXPECT_LT(otherNow.b, otherPixel.b - 30) << "half transparent: the new backdrop shows through";
    EXPECT_GT(otherNow.g, otherPixel.g + 10);
    EXPECT_GT(otherNow.r, 100) << "still half white";
    frame = blueFrame;

    // The credits in red at the bottom left, the version at the bottom right.
    EXPECT_GT(Count({0, 538, 500, 565}, IsRed), 50);
    EXPECT_GT(Count({0, 574, 400, 600}, IsRed), 50);
    const Box version = Bounds({600, 585, kWidth, kHeight}, IsRed);
    EXPECT_NEAR(version.left, static_cast<int>(kWidth * 0.84), 3);

    // Selecting another item moves the opaque colour down to it.
    menuItems[0].selected = 0;
    menuItems[4].selected = 1;
    Render();
    const Box exitItem = Bounds({0, 0, kWidth, kHeight}, IsSelectedColour);
    ASSERT_GE(exitItem.left, 0);
    EXPECT_GT(exitItem.top, selected.bottom + 100);
}

TEST_F(FrontEndTest, FrontEndFogLeavesEverythingClear)
{
    Render();
    const std::vector<std::uint8_t> clear = frame;
    fogSettings.fogEnabled = 1;
    fogSettings.fogColor = 0xFFC8C8C8u;
    Render();
    int changed = 0;
    for (std::size_t i = 0; i < frame.size(); ++i) {
        changed += std::abs(frame[i] - clear[i]) > 2 ? 1 : 0;
    }
    EXPECT_EQ(changed, 0) << "the farthest points, 25.6 units away, are nearer than fog start 50";
    DWORD fog = 0;
    device->GetRenderState(D3DRS_FOGENABLE, &fog);
    EXPECT_EQ(fog, static_cast<DWORD>(TRUE));
}

TEST_F(FrontEndTest, HighScoreTableShowsTenRows)
{
    gameState = HighScoreTable;
    std::strcpy(highScores[0].name, "ACE");
    highScores[0].kills = 42;
    highScores[0].hours = 1.0f;
    highScores[0].minutes = 2.0f;
    highScores[0].seconds = 3.5f;
    Render();
    EXPECT_EQ(Count({0, kHeight / 4, kWidth, kHeight}, IsHalfWhiteOverBlue), 0) << "no menu items";
    const Box header = Bounds({200, 255, 650, 273}, IsRed);
    ASSERT_GE(header.left, 0) << "no red header";
    EXPECT_NEAR(header.left, 232, 6);
    // Ten rows from 0.46 H at 0.03 H apart: names, six-digit scores and times in yellow.
    const Box rows = Bounds({200, 274, 700, 480}, IsYellow);
    ASSERT_GE(rows.left, 0);
    EXPECT_NEAR(rows.top, 276 + 2, 4);
    EXPECT_NEAR(rows.bottom, static_cast<int>(kHeight * (9 * 0.03 + 0.46)) + 14, 5);
    for (int i = 0; i < kHighScoreCount; ++i) {
        const int y = static_cast<int>(kHeight * (i * 0.03 + 0.46));
        EXPECT_GT(Count({370, y, 470, y + 16}, IsYellow), 20) << "score of row " << i;
        EXPECT_GT(Count({485, y, 600, y + 16}, IsYellow), 20) << "time of row " << i;
    }
    EXPECT_GT(Count({215, 276, 300, 292}, IsYellow), 20) << "the first name";
    EXPECT_EQ(Count({215, 294, 300, 310}, IsYellow), 0) << "an empty name";
    // The heading text mesh in the selected item's colour.
    EXPECT_GT(Count({0, 0, kWidth, kHeight / 2}, IsSelectedColour), 200);
}

TEST_F(FrontEndTest, NameEntryShowsTheNameBeingTyped)
{
    gameState = EnterName;
    Render();
    EXPECT_GT(Count({280, 256, 530, 275}, IsRed), 50) << "You got in the top 10!";
    EXPECT_GT(Count({270, 292, 560, 312}, IsYellow), 50) << "Please enter your name:";
    // Nothing typed yet: the blinking cursor alone (on in the first half of each second), and the
    // room a name has below.
    currentTime = 10.75f;
    Render();
    EXPECT_EQ(Count({330, 334, 500, 354}, IsYellow), 0) << "nothing typed, the cursor off";
    EXPECT_GT(Count({300, 368, 560, 382}, IsWhite), 40) << "At most 10 characters (10 left), then ENTER";
    currentTime = 10.25f;
    Render();
    const Box cursor = Bounds({330, 334, 500, 354}, IsYellow);
    ASSERT_GE(cursor.left, 0) << "the cursor on";
    EXPECT_LT(cursor.right - cursor.left, 20) << "one character wide";
    std::strcpy(highScores[kHighScoreCount - 1].name, "PILOT");
    nameEntryLength = 5;
    currentTime = 10.75f;
    Render();
    const Box name = Bounds({330, 334, 500, 354}, IsYellow);
    ASSERT_GE(name.left, 0);
    EXPECT_NEAR(name.left, static_cast<int>(kWidth * 0.435), 3);
    // A name field without its terminating zero is shown for its 12 bytes only.
    std::memset(highScores[kHighScoreCount - 1].name, 'W', kHighScoreNameSize);
    highScores[kHighScoreCount - 1].name[kHighScoreNameSize - 1] = '\0';
    Render();
    const Box eleven = Bounds({330, 334, kWidth, 354}, IsYellow);
    highScores[kHighScoreCount - 1].name[kHighScoreNameSize - 1] = 'W';
    Render();
    const Box twelve = Bounds({330, 334, kWidth, 354}, IsYellow);
    EXPECT_GT(twelve.right, eleven.right + 5);
    EXPECT_LT(twelve.right, eleven.right + 25) << "one more letter, nothing read past the field";
}

}  // namespace
