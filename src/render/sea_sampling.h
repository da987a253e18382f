// Which of the sea's triangles sample its texture at the top level alone, so that they can be drawn
// without the mip filter: the same picture, and a software rasteriser skips the level of detail of
// every pixel.
#pragma once

#include <cstdint>
#include <vector>

#include "d3dx/math.h"
#include "game/world.h"

// Texels per pixel under which a nearest mip filter picks the top level anyway (a level of detail
// under one half is under the square root of two texels per pixel), with room to spare for the
// rounding of the rasteriser's own estimate.
inline constexpr float kSeaTopLevelTexelsPerPixel = 1.25f;

// Where the sea is drawn: its vertices' world-to-clip transform, the viewport's size in pixels and
// the texture's top level in texels.
struct SeaView {
    D3DXMATRIX toClip;
    float viewportWidth, viewportHeight;
    float textureWidth, textureHeight;
};

// The triangles of the strip `vertices[0..count)` as two triangle lists of indices into it, each
// triangle wound as the strip winds it. `topLevel` gets those on which, at each corner, one pixel's
// step across or down the screen crosses fewer than kSeaTopLevelTexelsPerPixel texels (the longer of
// the two steps, as a level of detail takes it; perspective-correct, from the triangle's plane), and
// those reaching behind the camera: what shows of them lies just in front of it, where the texture is
// spread widest. `lower` gets the others, and those of no area on screen (the strip's joins, which
// the rasteriser drops). Triangles wholly behind the camera are in neither.
void SeaTrianglesByLevel(const SurfaceVertex* vertices, std::uint32_t count, const SeaView& view,
                         std::vector<std::uint16_t>& topLevel, std::vector<std::uint16_t>& lower);
