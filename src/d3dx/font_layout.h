// Text layout of the font object's DrawTextA: lines, alignment inside the rectangle, clipping, the
// returned height. The result is a list of glyph quads in screen pixels, each one atlas bitmap (or a
// clipped part of one) drawn one texel per pixel.
#pragma once

#include <cstdint>
#include <vector>

#include "d3dx/font_face.h"

#ifndef AVIORRA_DRAWTEXT_FLAGS
#define AVIORRA_DRAWTEXT_FLAGS
// DrawTextA format flags (combine with |). DT_TOP and DT_LEFT are the zero defaults.
inline constexpr std::uint32_t DT_TOP = 0x0;
inline constexpr std::uint32_t DT_LEFT = 0x0;
inline constexpr std::uint32_t DT_CENTER = 0x1;
inline constexpr std::uint32_t DT_RIGHT = 0x2;
inline constexpr std::uint32_t DT_VCENTER = 0x4;
inline constexpr std::uint32_t DT_BOTTOM = 0x8;
inline constexpr std::uint32_t DT_WORDBREAK = 0x10;
inline constexpr std::uint32_t DT_SINGLELINE = 0x20;
inline constexpr std::uint32_t DT_EXPANDTABS = 0x40;
inline constexpr std::uint32_t DT_NOCLIP = 0x100;
inline constexpr std::uint32_t DT_CALCRECT = 0x400;
#endif

// The rectangle of a DrawTextA call, in pixels; right and bottom are exclusive.
struct FontBox {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// One piece of a glyph: the pixels x..x+width-1, y..y+height-1 show the atlas texels from
// (atlasX, atlasY) on.
struct FontQuad {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    int atlasX = 0;
    int atlasY = 0;
};

// Lays out `count` bytes of code-page-1250 text (count < 0: up to the terminating zero; a zero byte
// always ends the text). Line breaks are "\r\n", "\n" and "\r"; each starts the next line one cell
// height lower. Without DT_NOCLIP the quads are clipped to the box. With DT_CALCRECT nothing is laid
// out: the box's right and bottom are set to enclose the text. Returns the height of the text, or,
// with DT_VCENTER or DT_BOTTOM, the offset from the box's top to the bottom of the text; 0 for no
// text. `quads` may be null.
int FontLayout(const FontData& font, const char* text, int count, FontBox* box, std::uint32_t format,
               std::vector<FontQuad>* quads);

// Width in pixels of one line of text (no line breaks expected), as the layout measures it.
int FontLineWidth(const FontData& font, const char* text, int count);
