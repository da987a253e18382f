// The device-independent half of the screen fonts: finding a face for a Windows face name, sizing it
// the way a Windows font of a given height and width is sized, and rasterising every glyph of code
// page 1250 into one coverage atlas held in memory.
//
// A font is built once; afterwards it needs no FreeType state at all (drawing only reads the glyph
// table and the atlas), so a font record is a plain value.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// What a font is asked for, in Windows terms.
struct FontRequest {
    int height = 0;        // > 0: cell height (ascent + descent); < 0: character height (em size)
    unsigned width = 0;    // > 0: average character width in pixels; 0: the face's natural width
    unsigned weight = 0;   // 0 (don't care) or 100..900, 400 normal, 700 bold
    bool italic = false;
    std::string faceName;  // Windows face name, any case ("lucida console")
};

// Windows-style text metrics of a built font, in pixels.
struct FontMetrics {
    int height = 0;           // cell height: ascent + descent, the line advance
    int ascent = 0;           // top of the cell to the baseline
    int descent = 0;          // baseline to the bottom of the cell
    int internalLeading = 0;  // cell height minus the em size
    int aveCharWidth = 0;
    int maxCharWidth = 0;
};

// One glyph of a code-page-1250 byte.
struct FontGlyph {
    int atlasX = 0;   // top-left texel of the bitmap in the atlas
    int atlasY = 0;
    int width = 0;    // bitmap size in pixels; 0 for blank glyphs (space)
    int height = 0;
    int left = 0;     // pen position to the bitmap's left edge
    int top = 0;      // baseline up to the bitmap's top edge
    int advance = 0;  // pen advance in whole pixels
};

struct FontData {
    std::string family;  // the family that was matched
    std::string file;    // its font file
    FontMetrics metrics;
    std::array<FontGlyph, 256> glyphs{};  // indexed by the code-page-1250 byte
    int atlasWidth = 0;
    int atlasHeight = 0;
    std::vector<std::uint8_t> atlas;  // coverage 0..255, atlasWidth * atlasHeight, row after row
};

// The family our systems carry for a Windows face name ("lucida console" -> "DejaVu Sans Mono");
// names without a stand-in are returned unchanged. Case-insensitive.
std::string FontFamilyFor(const std::string& faceName);

// Asks fontconfig for the file of the best face of the family for a Windows face name, weight and
// slant. False with a reason when no scalable face can be found.
bool FontFind(const FontRequest& request, std::string* file, int* faceIndex, std::string* family, std::string* error);

// Finds, sizes and rasterises a font. False with a reason on any failure (no face, a height out of
// range, a face FreeType cannot read).
bool FontBuild(const FontRequest& request, FontData* font, std::string* error);

// Frees the process-wide fontconfig configuration; the next build loads it again.
void FontLibraryReset();
