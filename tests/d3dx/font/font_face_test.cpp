// Face matching, Windows-style sizing and the glyph atlas, on the faces the game asks for.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "d3dx/font_face.h"
#include "d3dx/font_layout.h"

namespace {

FontData Build(const std::string& face, int height, unsigned width = 0)
{
    FontRequest request;
    request.faceName = face;
    request.height = height;
    request.width = width;
    FontData font;
    std::string error;
    EXPECT_TRUE(FontBuild(request, &font, &error)) << face << " " << height << ": " << error;
    return font;
}

std::string FileName(const std::string& path)
{
    return path.substr(path.find_last_of('/') + 1);
}

// Rows of the glyph's bitmap that hold any ink, measured from the baseline (up positive).
void InkRows(const FontData& font, unsigned char byte, int* top, int* bottom)
{
    const FontGlyph& g = font.glyphs[byte];
    *top = -1000;
    *bottom = 1000;
    for (int row = 0; row < g.height; ++row) {
        for (int col = 0; col < g.width; ++col) {
            if (font.atlas[static_cast<std::size_t>(g.atlasY + row) * font.atlasWidth + g.atlasX + col] != 0) {
                *top = std::max(*top, g.top - row);
                *bottom = std::min(*bottom, g.top - row - 1);
            }
        }
    }
}

TEST(FontFace, WindowsFaceNamesFindTheirStandIns)
{
    struct Case {
        const char* windowsName;
        const char* family;
        const char* file;
    };
    const Case cases[] = {
        {"lucida console", "DejaVu Sans Mono", "DejaVuSansMono.ttf"},
        {"Lucida Console", "DejaVu Sans Mono", "DejaVuSansMono.ttf"},
        {"verdana", "DejaVu Sans", "DejaVuSans.ttf"},
        {"TAHOMA", "DejaVu Sans", "DejaVuSans.ttf"},
        {"bookman old style", "URW Bookman", "URWBookman-Light.otf"},
    };
    for (const Case& c : cases) {
        FontRequest request;
        request.faceName = c.windowsName;
        std::string file;
        std::string family;
        std::string error;
        int index = -1;
        ASSERT_TRUE(FontFind(request, &file, &index, &family, &error)) << c.windowsName << ": " << error;
        EXPECT_EQ(family, c.family) << c.windowsName;
        EXPECT_EQ(FileName(file), c.file) << c.windowsName;
        EXPECT_EQ(index, 0);
    }

    // Bold and italic requests pick the bold and oblique members of the family.
    FontRequest bold;
    bold.faceName = "verdana";
    bold.weight = 700;
    bold.italic = true;
    std::string file;
    std::string family;
    std::string error;
    int index = 0;
    ASSERT_TRUE(FontFind(bold, &file, &index, &family, &error)) << error;
    EXPECT_EQ(FileName(file), "DejaVuSans-BoldOblique.ttf");

    // A name nobody knows falls back to the system's default face rather than failing.
    FontRequest unknown;
    unknown.faceName = "no such face anywhere";
    EXPECT_TRUE(FontFind(unknown, &file, &index, &family, &error)) << error;
    EXPECT_FALSE(file.empty());
}

TEST(FontFace, PositiveHeightIsTheCellHeight)
{
    for (const char* face : {"lucida console", "verdana", "bookman old style"}) {
        for (int height : {8, 10, 12, 16, 24, 40}) {
            FontData font = Build(face, height);
            const FontMetrics& m = font.metrics;
            EXPECT_NEAR(m.height, height, 1) << face << " " << height;
            EXPECT_EQ(m.ascent + m.descent, m.height);
            EXPECT_GT(m.internalLeading, 0) << face << " " << height;

            // The ink of a capital and of a descender stays inside the cell (a pixel of slack for
            // hinting), and a capital fills well over half of it.
            int top = 0;
            int bottom = 0;
            InkRows(font, 'H', &top, &bottom);
            EXPECT_LE(top, m.ascent + 1) << face << " " << height;
            EXPECT_GE(top, height / 2) << face << " " << height;
            EXPECT_GE(bottom, -1);
            InkRows(font, 'g', &top, &bottom);
            EXPECT_GE(bottom, -m.descent - 1) << face << " " << height;
            EXPECT_LT(bottom, 0) << face << " " << height;
        }
    }
}

TEST(FontFace, NegativeHeightIsTheCharacterHeight)
{
    // The em is |height| pixels; the cell adds the internal leading on top.
    FontData em20 = Build("verdana", -20);
    FontData cell20 = Build("verdana", 20);
    EXPECT_EQ(em20.metrics.height - em20.metrics.internalLeading, 20);
    EXPECT_GT(em20.metrics.height, 20);
    EXPECT_GT(FontLineWidth(em20, "HHHHHHHHHH", 10), FontLineWidth(cell20, "HHHHHHHHHH", 10));

    // Height 0 gives a usable default size.
    FontData defaults = Build("verdana", 0);
    EXPECT_GT(defaults.metrics.height, 8);
}

TEST(FontFace, WidthStretchesToTheAverageCharacterWidth)
{
    // The monospace face: every advance is the average, so a width request sets each advance.
    FontData narrow = Build("lucida console", 10, 6);
    FontData wide = Build("lucida console", 10, 8);
    FontData natural = Build("lucida console", 10, 0);
    EXPECT_EQ(wide.metrics.aveCharWidth, 8);
    EXPECT_NEAR(wide.glyphs['M'].advance, 8, 1);
    EXPECT_NEAR(narrow.glyphs['M'].advance, 6, 1);
    EXPECT_NEAR(FontLineWidth(wide, "0123456789", 10), 80, 10);
    EXPECT_GT(FontLineWidth(wide, "Hello", 5), FontLineWidth(narrow, "Hello", 5));
    EXPECT_NEAR(natural.glyphs['M'].advance, natural.metrics.aveCharWidth, 1);
    // Stretching is horizontal only.
    EXPECT_EQ(wide.metrics.height, natural.metrics.height);
    EXPECT_EQ(narrow.metrics.ascent, natural.metrics.ascent);

    // A proportional face: text of ordinary letters grows with the requested width.
    FontData verdana10 = Build("verdana", 12, 10);
    FontData verdana5 = Build("verdana", 12, 5);
    int w10 = FontLineWidth(verdana10, "High Scores", 11);
    int w5 = FontLineWidth(verdana5, "High Scores", 11);
    EXPECT_GT(w10, w5 * 3 / 2);
    EXPECT_LT(w10, w5 * 5 / 2);
}

TEST(FontFace, AtlasHoldsEveryGlyphOnceWithoutOverlap)
{
    for (const char* face : {"lucida console", "bookman old style"}) {
        FontData font = Build(face, 24, 0);
        ASSERT_EQ(font.atlas.size(), static_cast<std::size_t>(font.atlasWidth) * font.atlasHeight);
        std::vector<int> owner(font.atlas.size(), -1);
        int drawn = 0;
        for (int b = 0; b < 256; ++b) {
            const FontGlyph& g = font.glyphs[b];
            if (g.width == 0) {
                continue;
            }
            ++drawn;
            ASSERT_GE(g.atlasX, 0);
            ASSERT_GE(g.atlasY, 0);
            ASSERT_LE(g.atlasX + g.width, font.atlasWidth) << face << " byte " << b;
            ASSERT_LE(g.atlasY + g.height, font.atlasHeight) << face << " byte " << b;
            for (int y = g.atlasY; y < g.atlasY + g.height; ++y) {
                for (int x = g.atlasX; x < g.atlasX + g.width; ++x) {
                    int& cell = owner[static_cast<std::size_t>(y) * font.atlasWidth + x];
                    ASSERT_EQ(cell, -1) << face << ": bytes " << cell << " and " << b << " overlap";
                    cell = b;
                }
            }
        }
        // Printable ASCII and the letters of the upper half all have ink (control bytes do not).
        EXPECT_GT(drawn, 180) << face;
        for (int b = 0; b < 0x20; ++b) {
            EXPECT_EQ(font.glyphs[b].width, 0);
            EXPECT_EQ(font.glyphs[b].advance, 0);
        }
        EXPECT_EQ(font.glyphs[' '].width, 0);
        EXPECT_GT(font.glyphs[' '].advance, 0);
        // Outside the glyphs the atlas is clear.
        for (std::size_t i = 0; i < owner.size(); ++i) {
            if (owner[i] < 0) {
                ASSERT_EQ(font.atlas[i], 0) << face << " texel " << i;
            }
        }
    }
}

TEST(FontFace, CodePage1250LettersHaveTheirOwnGlyphs)
{
    FontData font = Build("verdana", 24);
    // 0xE9 is e with an acute accent: the accent reaches higher than the plain e.
    int eTop = 0;
    int eBottom = 0;
    int acuteTop = 0;
    int acuteBottom = 0;
    InkRows(font, 'e', &eTop, &eBottom);
    InkRows(font, 0xE9, &acuteTop, &acuteBottom);
    EXPECT_GT(acuteTop, eTop + 2);
    EXPECT_EQ(font.glyphs[0xE9].advance, font.glyphs['e'].advance);
    // 0x8A (S with caron) and 0xF5 (o with double acute) are letters of the code page, not Latin-1.
    int sTop = 0;
    int sBottom = 0;
    int caronTop = 0;
    int caronBottom = 0;
    InkRows(font, 'S', &sTop, &sBottom);
    InkRows(font, 0x8A, &caronTop, &caronBottom);
    EXPECT_GT(caronTop, sTop);
    EXPECT_GT(font.glyphs[0xF5].width, 0);
    EXPECT_NE(font.glyphs[0xF5].atlasX + 1000 * font.glyphs[0xF5].atlasY,
              font.glyphs[0xF6].atlasX + 1000 * font.glyphs[0xF6].atlasY);
}

TEST(FontFace, BadRequestsAreRefusedWithAReason)
{
    FontRequest request;
    request.faceName = "verdana";
    FontData font;
    std::string error;

    request.height = 100000;
    EXPECT_FALSE(FontBuild(request, &font, &error));
    EXPECT_NE(error.find("height"), std::string::npos) << error;

    request.height = -100000;
    error.clear();
    EXPECT_FALSE(FontBuild(request, &font, &error));
    EXPECT_FALSE(error.empty());

    request.height = 12;
    request.width = 1u << 31;
    error.clear();
    EXPECT_FALSE(FontBuild(request, &font, &error));
    EXPECT_NE(error.find("width"), std::string::npos) << error;

    // A stretch no face can take, and glyphs too big for one texture.
    request.height = 2;
    request.width = 1000;
    error.clear();
    EXPECT_FALSE(FontBuild(request, &font, &error));
    EXPECT_NE(error.find("width"), std::string::npos) << error;
    request.height = 256;
    request.width = 1000;
    error.clear();
    EXPECT_FALSE(FontBuild(request, &font, &error));
    EXPECT_NE(error.find("texture"), std::string::npos) << error;

    // The smallest sizes still build.
    for (int height : {1, -1, 2}) {
        request.height = height;
        request.width = 1;
        EXPECT_TRUE(FontBuild(request, &font, &error)) << height << ": " << error;
        EXPECT_GE(font.metrics.height, 1);
    }
}

TEST(FontFace, LibraryResetLoadsTheConfigurationAgain)
{
    FontData before = Build("lucida console", 12, 8);
    FontLibraryReset();
    FontData after = Build("lucida console", 12, 8);
    EXPECT_EQ(before.file, after.file);
    EXPECT_EQ(before.atlas, after.atlas);
    FontLibraryReset();
}

}  // namespace
