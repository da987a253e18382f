// Flexible vertex format layouts.
#include "d3dx/mesh_fvf.h"

#include <algorithm>
#include <cstring>

bool FvfLayoutOf(DWORD fvf, FvfLayout* layout)
{
    FvfLayout l;
    switch (fvf & D3DFVF_POSITION_MASK) {
    case D3DFVF_XYZ: l.positionBytes = 12; break;
    case D3DFVF_XYZRHW: l.positionBytes = 16; break;
    case D3DFVF_XYZW: l.positionBytes = 16; break;
    case D3DFVF_XYZB1: l.positionBytes = 16; break;
    case D3DFVF_XYZB2: l.positionBytes = 20; break;
    case D3DFVF_XYZB3: l.positionBytes = 24; break;
    case D3DFVF_XYZB4: l.positionBytes = 28; break;
    case D3DFVF_XYZB5: l.positionBytes = 32; break;
    default: return false;
    }
    UINT offset = l.positionBytes;
    if (fvf & D3DFVF_NORMAL) {
        l.normal = static_cast<int>(offset);
        offset += 12;
    }
    if (fvf & D3DFVF_PSIZE) {
        l.pointSize = static_cast<int>(offset);
        offset += 4;
    }
    if (fvf & D3DFVF_DIFFUSE) {
        l.diffuse = static_cast<int>(offset);
        offset += 4;
    }
    if (fvf & D3DFVF_SPECULAR) {
        l.specular = static_cast<int>(offset);
        offset += 4;
    }
    l.texCount = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    if (l.texCount > 8) {
        return false;
    }
    for (UINT i = 0; i < l.texCount; ++i) {
        UINT floats = 2;
        switch ((fvf >> (16 + 2 * i)) & 3u) {
        case D3DFVF_TEXTUREFORMAT1: floats = 1; break;
        case D3DFVF_TEXTUREFORMAT3: floats = 3; break;
        case D3DFVF_TEXTUREFORMAT4: floats = 4; break;
        default: break;
        }
        l.tex[i] = static_cast<int>(offset);
        l.texBytes[i] = floats * 4;
        offset += floats * 4;
    }
    l.size = offset;
    *layout = l;
    return true;
}

void FvfCopyVertices(const FvfLayout& fromLayout, const std::uint8_t* from, const FvfLayout& toLayout, std::uint8_t* to,
                     std::size_t count)
{
    auto copyPart = [](const std::uint8_t* src, int srcOffset, std::uint8_t* dst, int dstOffset, UINT bytes) {
        if (srcOffset >= 0 && dstOffset >= 0) {
            std::memcpy(dst + dstOffset, src + srcOffset, bytes);
        }
    };
    for (std::size_t v = 0; v < count; ++v) {
        const std::uint8_t* src = from + v * fromLayout.size;
        std::uint8_t* dst = to + v * toLayout.size;
        std::memset(dst, 0, toLayout.size);
        std::memcpy(dst, src, std::min(fromLayout.positionBytes, toLayout.positionBytes));
        copyPart(src, fromLayout.normal, dst, toLayout.normal, 12);
        copyPart(src, fromLayout.pointSize, dst, toLayout.pointSize, 4);
        copyPart(src, fromLayout.diffuse, dst, toLayout.diffuse, 4);
        copyPart(src, fromLayout.specular, dst, toLayout.specular, 4);
        for (UINT i = 0; i < std::min(fromLayout.texCount, toLayout.texCount); ++i) {
            copyPart(src, fromLayout.tex[i], dst, toLayout.tex[i],
                     std::min(fromLayout.texBytes[i], toLayout.texBytes[i]));
        }
    }
}
