// Face matching over fontconfig, Windows-style sizing and glyph rasterising over FreeType.
#include "d3dx/font_face.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

#if !defined(__EMSCRIPTEN__)
#include <fontconfig/fontconfig.h>
#endif
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include "platform/win/codepage.h"

namespace {

// The cell height used when a font asks for height 0 (the system's default size).
constexpr int kDefaultCellHeight = 16;
// Largest cell or character height accepted; the glyphs of a bigger font would not fit one texture.
constexpr int kMaxHeight = 256;
constexpr unsigned kMaxWidth = 1024;
constexpr int kMaxAtlasSide = 4096;
// Largest horizontal stretch a width request may ask of a face.
constexpr double kMaxStretch = 16.0;
// Empty texels around each glyph, so filtering never reaches a neighbour.
constexpr int kAtlasPadding = 1;

#if !defined(__EMSCRIPTEN__)
struct FontLibraryState {
    FcConfig* config = nullptr;
};
FontLibraryState fontLibrary;

FcConfig* FontConfig()
{
    if (fontLibrary.config == nullptr) {
        fontLibrary.config = FcInitLoadConfigAndFonts();
    }
    return fontLibrary.config;
}
#endif

std::string Lower(const std::string& text)
{
    std::string out = text;
    for (char& c : out) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

#if !defined(__EMSCRIPTEN__)
// The fontconfig weight of a Windows weight (0 means normal).
int FcWeightOf(unsigned weight)
{
    if (weight == 0) {
        return FC_WEIGHT_REGULAR;
    }
    return FcWeightFromOpenType(static_cast<int>(std::min(weight, 1000u)));
}
#endif

// Owns a FreeType library and face for the length of one build.
struct FreeTypeScope {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    ~FreeTypeScope()
    {
        if (face != nullptr) {
            FT_Done_Face(face);
        }
        if (library != nullptr) {
            FT_Done_FreeType(library);
        }
    }
};

// Font design units of the cell above and below the baseline: the Windows ascent and descent of the
// OS/2 table, else the horizontal header's.
void CellUnits(FT_Face face, double* ascent, double* descent)
{
    auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 != nullptr && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
        *ascent = os2->usWinAscent;
        *descent = os2->usWinDescent;
        return;
    }
    *ascent = face->ascender;
    *descent = -face->descender;
    if (*ascent + *descent <= 0) {
        *ascent = face->bbox.yMax;
        *descent = -face->bbox.yMin;
    }
}

// Average character width in design units: the OS/2 value, else the mean advance of a..z and space.
double AverageWidthUnits(FT_Face face)
{
    auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 != nullptr && os2->version != 0xFFFF && os2->xAvgCharWidth > 0) {
        return os2->xAvgCharWidth;
    }
    double sum = 0;
    int n = 0;
    for (char32_t c : U" abcdefghijklmnopqrstuvwxyz") {
        FT_UInt index = FT_Get_Char_Index(face, c);
        if (index != 0 && FT_Load_Glyph(face, index, FT_LOAD_NO_SCALE) == 0) {
            sum += face->glyph->advance.x;
            ++n;
        }
    }
    return n > 0 ? sum / n : face->units_per_EM / 2.0;
}

bool SetSize(FT_Face face, double ppemX, double ppemY)
{
    FT_Size_RequestRec request{};
    request.type = FT_SIZE_REQUEST_TYPE_NOMINAL;
    request.width = std::lround(ppemX * 64.0);
    request.height = std::lround(ppemY * 64.0);
    return FT_Request_Size(face, &request) == 0;
}

// Rasterised glyph bitmaps before packing.
struct GlyphBitmap {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;
};

// Packs the bitmaps on shelves into the smallest square-or-wide power-of-two atlas that holds them.
bool PackAtlas(const std::array<GlyphBitmap, 256>& bitmaps, FontData* font)
{
    for (int side = 64; side <= kMaxAtlasSide; side *= 2) {
        int x = 0;
        int y = 0;
        int shelf = 0;
        bool fits = true;
        for (int b = 0; b < 256 && fits; ++b) {
            const GlyphBitmap& bm = bitmaps[b];
            if (bm.width == 0 || bm.height == 0) {
                continue;
            }
            int w = bm.width + 2 * kAtlasPadding;
            int h = bm.height + 2 * kAtlasPadding;
            if (w > side) {
                fits = false;
                break;
            }
            if (x + w > side) {
                x = 0;
                y += shelf;
                shelf = 0;
            }
            font->glyphs[b].atlasX = x + kAtlasPadding;
            font->glyphs[b].atlasY = y + kAtlasPadding;
            x += w;
            shelf = std::max(shelf, h);
        }
        int used = y + shelf;
        if (!fits || used > side) {
            continue;
        }
        int height = 1;
        while (height < used) {
            height *= 2;
        }
        font->atlasWidth = side;
        font->atlasHeight = std::max(height, 1);
        font->atlas.assign(static_cast<std::size_t>(side) * font->atlasHeight, 0);
        for (int b = 0; b < 256; ++b) {
            const GlyphBitmap& bm = bitmaps[b];
            const FontGlyph& g = font->glyphs[b];
            for (int row = 0; row < bm.height; ++row) {
                std::copy_n(bm.pixels.begin() + static_cast<std::ptrdiff_t>(row) * bm.width, bm.width,
                            font->atlas.begin() + static_cast<std::ptrdiff_t>(g.atlasY + row) * side + g.atlasX);
            }
        }
        return true;
    }
    return false;
}

// Copies a rendered 8-bit or 1-bit FreeType bitmap into coverage bytes.
bool CopyBitmap(const FT_Bitmap& source, GlyphBitmap* out)
{
    out->width = static_cast<int>(source.width);
    out->height = static_cast<int>(source.rows);
    out->pixels.assign(static_cast<std::size_t>(out->width) * out->height, 0);
    if (out->width == 0 || out->height == 0) {
        out->width = out->height = 0;
        return true;
    }
    if (source.pixel_mode != FT_PIXEL_MODE_GRAY && source.pixel_mode != FT_PIXEL_MODE_MONO) {
        return false;
    }
    for (int row = 0; row < out->height; ++row) {
        // A negative pitch stores the rows bottom-up.
        const unsigned char* line =
            source.pitch >= 0 ? source.buffer + static_cast<std::ptrdiff_t>(row) * source.pitch
                              : source.buffer + static_cast<std::ptrdiff_t>(out->height - 1 - row) * -source.pitch;
        for (int col = 0; col < out->width; ++col) {
            std::uint8_t value = 0;
            if (source.pixel_mode == FT_PIXEL_MODE_GRAY) {
                unsigned levels = source.num_grays > 1 ? source.num_grays - 1 : 255;
                value = static_cast<std::uint8_t>(line[col] * 255u / levels);
            } else {
                value = (line[col / 8] & (0x80 >> (col % 8))) ? 255 : 0;
            }
            out->pixels[static_cast<std::size_t>(row) * out->width + col] = value;
        }
    }
    return true;
}

}  // namespace

std::string FontFamilyFor(const std::string& faceName)
{
    std::string name = Lower(faceName);
    if (name == "lucida console" || name == "courier new" || name == "courier") {
        return "DejaVu Sans Mono";
    }
    if (name == "verdana" || name == "tahoma" || name == "arial" || name == "ms sans serif") {
        return "DejaVu Sans";
    }
    if (name == "bookman old style") {
        return "URW Bookman";
    }
    return faceName;
}

#if defined(__EMSCRIPTEN__)
// The browser has no fontconfig: the page preloads a few DejaVu faces into kWebFontFolder, and a face
// is picked among them by family, weight and slant, falling back to the regular face of the family
// and then to DejaVu Sans.
constexpr const char* kWebFontFolder = "/fonts/";

namespace {

bool WebFontFileExists(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    std::fclose(file);
    return true;
}

}  // namespace

bool FontFind(const FontRequest& request, std::string* file, int* faceIndex, std::string* family, std::string* error)
{
    const std::string wanted = Lower(FontFamilyFor(request.faceName));
    const bool bold = request.weight >= 600;
    // Each family's file stem and its style names: regular, bold, italic, bold italic.
    struct WebFamily {
        const char* family;
        const char* stem;
        const char* styles[4];
        const char* extension;
    };
    static const WebFamily sans{"DejaVu Sans", "DejaVuSans", {"", "-Bold", "-Oblique", "-BoldOblique"}, ".ttf"};
    static const WebFamily mono{
        "DejaVu Sans Mono", "DejaVuSansMono", {"", "-Bold", "-Oblique", "-BoldOblique"}, ".ttf"};
    static const WebFamily serif{"DejaVu Serif", "DejaVuSerif", {"", "-Bold", "-Italic", "-BoldItalic"}, ".ttf"};
    static const WebFamily bookman{
        "URW Bookman", "URWBookman", {"-Light", "-Demi", "-LightItalic", "-DemiItalic"}, ".otf"};
    const WebFamily* chosen = &sans;
    if (wanted.find("mono") != std::string::npos) {
        chosen = &mono;
    } else if (wanted.find("bookman") != std::string::npos) {
        chosen = &bookman;
    } else if (wanted.find("serif") != std::string::npos || wanted.find("times") != std::string::npos) {
        chosen = &serif;
    }
    const std::string folder = kWebFontFolder;
    const std::string stem = folder + chosen->stem;
    const std::string bookmanFallback = folder + serif.stem + serif.styles[bold ? 1 : 0] + serif.extension;
    for (const std::string& candidate :
         {stem + chosen->styles[(bold ? 1 : 0) + (request.italic ? 2 : 0)] + chosen->extension,
          stem + chosen->styles[bold ? 1 : 0] + chosen->extension, stem + chosen->styles[0] + chosen->extension,
          chosen == &bookman ? bookmanFallback : std::string(), folder + "DejaVuSans.ttf"}) {
        if (!candidate.empty() && WebFontFileExists(candidate)) {
            *file = candidate;
            *faceIndex = 0;
            *family = candidate == folder + "DejaVuSans.ttf" ? sans.family : chosen->family;
            return true;
        }
    }
    *error = "no font file for the face \"" + request.faceName + "\" in " + kWebFontFolder;
    return false;
}
#else
bool FontFind(const FontRequest& request, std::string* file, int* faceIndex, std::string* family, std::string* error)
{
    FcConfig* config = FontConfig();
    if (config == nullptr) {
        *error = "fontconfig could not load its configuration";
        return false;
    }
    std::string wanted = FontFamilyFor(request.faceName);
    FcPattern* pattern = FcPatternCreate();
    if (pattern == nullptr) {
        *error = "out of memory";
        return false;
    }
    if (!wanted.empty()) {
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(wanted.c_str()));
    }
    FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightOf(request.weight));
    FcPatternAddInteger(pattern, FC_SLANT, request.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);

    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(config, pattern, &result);
    FcPatternDestroy(pattern);
    if (match == nullptr) {
        *error = "no font matches the face \"" + request.faceName + "\"";
        return false;
    }
    FcChar8* path = nullptr;
    FcChar8* matchedFamily = nullptr;
    int index = 0;
    FcBool scalable = FcFalse;
    bool ok = FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path != nullptr;
    if (ok) {
        *file = reinterpret_cast<const char*>(path);
        if (FcPatternGetInteger(match, FC_INDEX, 0, &index) != FcResultMatch) {
            index = 0;
        }
        *faceIndex = index;
        *family = FcPatternGetString(match, FC_FAMILY, 0, &matchedFamily) == FcResultMatch && matchedFamily
                      ? reinterpret_cast<const char*>(matchedFamily)
                      : "";
        if (FcPatternGetBool(match, FC_SCALABLE, 0, &scalable) == FcResultMatch && !scalable) {
            ok = false;
            *error = "the only face found for \"" + request.faceName + "\" is a bitmap font";
        }
    } else {
        *error = "no font file for the face \"" + request.faceName + "\"";
    }
    FcPatternDestroy(match);
    return ok;
}

#endif

bool FontBuild(const FontRequest& request, FontData* font, std::string* error)
{
    *font = FontData{};
    if (request.height > kMaxHeight || request.height < -kMaxHeight) {
        *error = "font height " + std::to_string(request.height) + " is out of range";
        return false;
    }
    if (request.width > kMaxWidth) {
        *error = "font width " + std::to_string(request.width) + " is out of range";
        return false;
    }
    int faceIndex = 0;
    if (!FontFind(request, &font->file, &faceIndex, &font->family, error)) {
        return false;
    }

    FreeTypeScope ft;
    if (FT_Init_FreeType(&ft.library) != 0) {
        *error = "FreeType could not start";
        return false;
    }
    if (FT_New_Face(ft.library, font->file.c_str(), faceIndex, &ft.face) != 0) {
        *error = "FreeType cannot read the font file " + font->file;
        return false;
    }
    FT_Face face = ft.face;
    if (!FT_IS_SCALABLE(face) || face->units_per_EM == 0) {
        *error = "the font file " + font->file + " has no outlines";
        return false;
    }
    FT_Select_Charmap(face, FT_ENCODING_UNICODE);

    // Em size in pixels: a cell height is the Windows ascent + descent, a character height the em.
    double upem = face->units_per_EM;
    double ascentUnits = 0;
    double descentUnits = 0;
    CellUnits(face, &ascentUnits, &descentUnits);
    double cellUnits = ascentUnits + descentUnits;
    if (cellUnits <= 0) {
        *error = "the face " + font->family + " gives no cell height";
        return false;
    }
    int cellHeight = request.height == 0 ? kDefaultCellHeight : request.height;
    double ppem = cellHeight > 0 ? cellHeight * upem / cellUnits : -cellHeight;

    // A width request stretches the face horizontally until its average character is that wide.
    double naturalAverage = AverageWidthUnits(face) * ppem / upem;
    double stretch = request.width > 0 && naturalAverage > 0 ? request.width / naturalAverage : 1.0;
    if (stretch > kMaxStretch) {
        *error = "font width " + std::to_string(request.width) + " is out of range for height " +
                 std::to_string(request.height);
        return false;
    }
    if (!SetSize(face, ppem * stretch, ppem)) {
        *error = "FreeType cannot size the face " + font->family;
        return false;
    }

    FontMetrics& m = font->metrics;
    if (cellHeight > 0) {
        m.height = cellHeight;
        m.ascent = static_cast<int>(std::lround(ascentUnits * cellHeight / cellUnits));
        m.descent = m.height - m.ascent;
    } else {
        m.ascent = static_cast<int>(std::lround(ascentUnits * ppem / upem));
        m.descent = static_cast<int>(std::lround(descentUnits * ppem / upem));
        m.height = m.ascent + m.descent;
    }
    m.internalLeading = std::max(0, m.height - static_cast<int>(std::lround(ppem)));
    m.aveCharWidth = request.width > 0 ? static_cast<int>(request.width)
                                       : std::max(1, static_cast<int>(std::lround(naturalAverage)));

    std::array<GlyphBitmap, 256> bitmaps;
    for (int b = 0x20; b < 256; ++b) {
        char32_t cp = cp1250::ToUnicode(static_cast<unsigned char>(b));
        FT_UInt index = FT_Get_Char_Index(face, cp);
        if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT | FT_LOAD_TARGET_NORMAL) != 0 ||
            FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) != 0) {
            *error = "FreeType cannot draw a glyph of " + font->family;
            return false;
        }
        FT_GlyphSlot slot = face->glyph;
        FontGlyph& g = font->glyphs[b];
        g.advance = static_cast<int>((slot->advance.x + 32) >> 6);
        g.left = slot->bitmap_left;
        g.top = slot->bitmap_top;
        if (!CopyBitmap(slot->bitmap, &bitmaps[b])) {
            *error = "FreeType gave an unknown bitmap format for " + font->family;
            return false;
        }
        g.width = bitmaps[b].width;
        g.height = bitmaps[b].height;
        m.maxCharWidth = std::max(m.maxCharWidth, g.advance);
    }
    if (!PackAtlas(bitmaps, font)) {
        *error = "the glyphs of " + font->family + " at this size do not fit one texture";
        return false;
    }
    return true;
}

void FontLibraryReset()
{
#if !defined(__EMSCRIPTEN__)
    if (fontLibrary.config != nullptr) {
        FcConfigDestroy(fontLibrary.config);
    }
    fontLibrary = FontLibraryState{};
#endif
}
