// Layout of DrawTextA on a synthetic font with round numbers: every glyph advances 10 pixels and
// draws an 8 x 10 bitmap one pixel right of the pen, its top 8 pixels above the baseline.
#include <gtest/gtest.h>

#include <cstring>

#include "d3dx/font_layout.h"

namespace {

FontData SyntheticFont()
{
    FontData font;
    font.metrics.height = 12;
    font.metrics.ascent = 9;
    font.metrics.descent = 3;
    font.metrics.aveCharWidth = 10;
    font.atlasWidth = 256;
    font.atlasHeight = 256;
    for (int b = 0x20; b < 256; ++b) {
        FontGlyph& g = font.glyphs[b];
        g.advance = 10;
        if (b == ' ') {
            continue;
        }
        g.width = 8;
        g.height = 10;
        g.left = 1;
        g.top = 8;
        g.atlasX = (b % 16) * 16;
        g.atlasY = (b / 16) * 16;
    }
    return font;
}

std::vector<FontQuad> Layout(const char* text, FontBox box, std::uint32_t format, int* height = nullptr)
{
    static const FontData font = SyntheticFont();
    std::vector<FontQuad> quads;
    int h = FontLayout(font, text, -1, &box, format, &quads);
    if (height != nullptr) {
        *height = h;
    }
    return quads;
}

TEST(FontLayout, PlacesGlyphsFromTheTopLeftCornerOnTheBaseline)
{
    int height = 0;
    auto quads = Layout("AB", {100, 50, 0, 0}, DT_NOCLIP, &height);
    ASSERT_EQ(quads.size(), 2u);
    // Baseline at top + ascent = 59; the bitmap top is 8 above it.
    EXPECT_EQ(quads[0].x, 101);
    EXPECT_EQ(quads[0].y, 51);
    EXPECT_EQ(quads[1].x, 111);
    EXPECT_EQ(quads[0].width, 8);
    EXPECT_EQ(quads[0].height, 10);
    EXPECT_EQ(quads[0].atlasX, ('A' % 16) * 16);
    EXPECT_EQ(quads[0].atlasY, ('A' / 16) * 16);
    EXPECT_EQ(quads[1].atlasX, ('B' % 16) * 16);
    EXPECT_EQ(height, 12);
}

TEST(FontLayout, LineBreaksStartLinesOneCellLower)
{
    int height = 0;
    auto quads = Layout("AB\nC\r\nD\rE", {0, 0, 0, 0}, DT_NOCLIP, &height);
    ASSERT_EQ(quads.size(), 5u);
    EXPECT_EQ(quads[2].x, 1);
    EXPECT_EQ(quads[2].y, quads[0].y + 12);
    EXPECT_EQ(quads[3].y, quads[0].y + 24);  // "\r\n" is one break
    EXPECT_EQ(quads[4].y, quads[0].y + 36);  // a lone '\r' breaks too
    EXPECT_EQ(height, 48);

    // Empty lines count: two breaks in a row leave a blank line.
    quads = Layout("A\n\nB", {0, 0, 0, 0}, DT_NOCLIP, &height);
    ASSERT_EQ(quads.size(), 2u);
    EXPECT_EQ(quads[1].y, quads[0].y + 24);
    EXPECT_EQ(height, 36);

    // Single-line text ignores breaks: they take no room and draw nothing.
    quads = Layout("A\nB", {0, 0, 0, 0}, DT_NOCLIP | DT_SINGLELINE, &height);
    ASSERT_EQ(quads.size(), 2u);
    EXPECT_EQ(quads[1].y, quads[0].y);
    EXPECT_EQ(quads[1].x, quads[0].x + 10);
    EXPECT_EQ(height, 12);
}

TEST(FontLayout, AlignsEachLineInsideTheBox)
{
    FontBox box{100, 0, 200, 100};
    auto quads = Layout("ABC\nD", box, DT_CENTER);
    ASSERT_EQ(quads.size(), 4u);
    EXPECT_EQ(quads[0].x, 100 + 35 + 1);  // 30 wide: 35 free on each side
    EXPECT_EQ(quads[3].x, 100 + 45 + 1);  // 10 wide: 45 on each side

    quads = Layout("ABC\nD", box, DT_RIGHT);
    ASSERT_EQ(quads.size(), 4u);
    EXPECT_EQ(quads[0].x, 200 - 30 + 1);
    EXPECT_EQ(quads[3].x, 200 - 10 + 1);

    quads = Layout("ABC", box, DT_LEFT);
    ASSERT_EQ(quads.size(), 3u);
    EXPECT_EQ(quads[0].x, 101);

    // A line wider than the box centres around the box's middle, spilling out on both sides.
    quads = Layout("ABCDEFGHIJKL", {0, 0, 100, 100}, DT_CENTER | DT_NOCLIP);
    ASSERT_EQ(quads.size(), 12u);
    EXPECT_EQ(quads[0].x, -10 + 1);
}

TEST(FontLayout, VerticalPlacementAndTheReturnedHeight)
{
    FontBox box{0, 100, 100, 200};
    int height = 0;
    auto quads = Layout("A\nB", box, DT_BOTTOM, &height);
    ASSERT_EQ(quads.size(), 2u);
    EXPECT_EQ(quads[1].y - 1 + 12, 200);  // the second line's cell ends at the box's bottom
    EXPECT_EQ(height, 100);                         // offset from the top to the text's bottom

    quads = Layout("A\nB", box, DT_VCENTER, &height);
    ASSERT_EQ(quads.size(), 2u);
    EXPECT_EQ(quads[0].y, 100 + 38 + 1);  // 24 high in 100: 38 above
    EXPECT_EQ(height, 38 + 24);

    quads = Layout("A\nB", box, DT_TOP, &height);
    EXPECT_EQ(quads[0].y, 101);
    EXPECT_EQ(height, 24);
}

TEST(FontLayout, ClipsToTheBoxUnlessNoClip)
{
    // Bottom-aligned in the box, the cells start at y 0 and the bitmaps at y 1: the box cuts off
    // their top row and the second glyph after 4 of its 8 columns.
    FontBox box{0, 2, 15, 12};
    auto quads = Layout("AB", box, DT_BOTTOM);
    ASSERT_EQ(quads.size(), 2u);
    EXPECT_EQ(quads[0].y, 2);
    EXPECT_EQ(quads[0].height, 9);
    EXPECT_EQ(quads[0].atlasY, ('A' / 16) * 16 + 1);
    EXPECT_EQ(quads[1].x, 11);
    EXPECT_EQ(quads[1].width, 4);
    EXPECT_EQ(quads[1].atlasX, ('B' % 16) * 16);

    // Right and bottom 0 with clipping leaves nothing to draw, but the text still has its height.
    int height = 0;
    EXPECT_TRUE(Layout("AB", {10, 10, 0, 0}, DT_LEFT, &height).empty());
    EXPECT_EQ(height, 12);
    EXPECT_EQ(Layout("AB", {10, 10, 0, 0}, DT_NOCLIP).size(), 2u);

    // Every clipped quad stays inside the box.
    for (const FontQuad& q : Layout("ABCDEF\nGHIJKL\nMNOPQR", {13, 7, 47, 30}, DT_CENTER)) {
        EXPECT_GE(q.x, 13);
        EXPECT_GE(q.y, 7);
        EXPECT_LE(q.x + q.width, 47);
        EXPECT_LE(q.y + q.height, 30);
        EXPECT_GT(q.width, 0);
        EXPECT_GT(q.height, 0);
    }
}

TEST(FontLayout, CountLimitsTheTextAndAZeroByteEndsIt)
{
    const FontData font = SyntheticFont();
    std::vector<FontQuad> quads;
    FontBox box{};
    EXPECT_EQ(FontLayout(font, "ABCD", 2, &box, DT_NOCLIP, &quads), 12);
    EXPECT_EQ(quads.size(), 2u);

    const char withZero[] = {'A', 'B', '\0', 'C', 'D'};
    FontLayout(font, withZero, 5, &box, DT_NOCLIP, &quads);
    EXPECT_EQ(quads.size(), 2u);

    EXPECT_EQ(FontLayout(font, "ABCD", 0, &box, DT_NOCLIP, &quads), 0);
    EXPECT_TRUE(quads.empty());
    EXPECT_EQ(FontLayout(font, "", -1, &box, DT_NOCLIP, &quads), 0);
    EXPECT_EQ(FontLayout(font, nullptr, -1, &box, DT_NOCLIP, &quads), 0);
    EXPECT_EQ(FontLayout(font, "A", -1, nullptr, DT_NOCLIP, &quads), 0);
}

TEST(FontLayout, BlanksAndControlCharactersDrawNothing)
{
    auto quads = Layout("A B\tC", {0, 0, 0, 0}, DT_NOCLIP);
    ASSERT_EQ(quads.size(), 3u);
    EXPECT_EQ(quads[1].x, 21);  // the space advanced the pen
    EXPECT_EQ(quads[2].x, 31);  // the tab did not

    quads = Layout("A\tC", {0, 0, 0, 0}, DT_NOCLIP | DT_EXPANDTABS);
    ASSERT_EQ(quads.size(), 2u);
    EXPECT_EQ(quads[1].x, 80 + 1);  // next stop at 8 average characters
}

TEST(FontLayout, CalcRectMeasuresWithoutDrawing)
{
    const FontData font = SyntheticFont();
    std::vector<FontQuad> quads;
    FontBox box{5, 7, 0, 0};
    EXPECT_EQ(FontLayout(font, "ABC\nDEFGH\nI", -1, &box, DT_CALCRECT, &quads), 36);
    EXPECT_TRUE(quads.empty());
    EXPECT_EQ(box.left, 5);
    EXPECT_EQ(box.top, 7);
    EXPECT_EQ(box.right, 5 + 50);
    EXPECT_EQ(box.bottom, 7 + 36);
    EXPECT_EQ(FontLineWidth(font, "DEFGH", 5), 50);
}

TEST(FontLayout, WordBreakWrapsAtSpaces)
{
    int height = 0;
    // "aaa bbb" is 70 wide: in a 75-wide box "ccc" goes to the next line, and a word too long for
    // any line stays whole on a line of its own.
    auto quads = Layout("aaa bbb ccc dddddddddd e", {0, 0, 75, 200}, DT_WORDBREAK, &height);
    EXPECT_EQ(height, 4 * 12);
    ASSERT_EQ(quads.size(), 3u + 3u + 3u + 8u + 1u);  // the long word is clipped at the box
    EXPECT_EQ(quads[6].x, 1);                         // "ccc" starts the second line
    EXPECT_EQ(quads[6].y, quads[0].y + 12);
    EXPECT_EQ(quads[9].y, quads[0].y + 24);
    EXPECT_EQ(quads.back().y, quads[0].y + 36);
}

}  // namespace
