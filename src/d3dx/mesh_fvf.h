// Where each part of a vertex lies in a flexible vertex format, and conversion between two formats.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/d3d9/d3d9.h"

struct FvfLayout {
    UINT size = 0;           // bytes per vertex
    UINT positionBytes = 0;  // 12 for XYZ, 16 for XYZRHW or XYZW, 12 + 4 per blend weight
    int normal = -1;         // byte offsets; -1 when the format lacks the part
    int pointSize = -1;
    int diffuse = -1;
    int specular = -1;
    UINT texCount = 0;
    int tex[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
    UINT texBytes[8] = {};
};

// False for a format without a position or with more than 8 texture coordinate sets.
bool FvfLayoutOf(DWORD fvf, FvfLayout* layout);

// Copies `count` vertices: the position (as far as both have it), the normal, point size, colours
// and each texture coordinate set both formats have; everything else in `to` becomes zero.
void FvfCopyVertices(const FvfLayout& fromLayout, const std::uint8_t* from, const FvfLayout& toLayout, std::uint8_t* to,
                     std::size_t count);
