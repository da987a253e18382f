// Extruded text meshes: D3DXCreateTextA.
//
// The glyph outlines of the font selected into the context (found through fontconfig, read with
// FreeType, unhinted) are flattened to straight segments, quadratic (TrueType) and cubic (CFF) curves
// alike, so that no point of a curve lies further than the deviation from its segments. The front
// face is tessellated with the GLU tessellator (non-zero winding), the back face is its mirror, and
// walls join the two along every contour. Units are ems: the em square is one unit whatever the
// font's point size, the baseline is y = 0, the text starts at x = 0 and runs along +x, the front face
// lies at z = 0 facing -z and the back face at z = extrusion facing +z. Triangles are clockwise seen
// from outside, as Direct3D's default culling wants. The vertex format is D3DFVF_XYZ |
// D3DFVF_NORMAL with flat normals on front and back and smooth ones along curved walls.
#pragma once

#include "d3dx/mesh.h"
#include "d3dx/text3d_gdi.h"

struct POINTFLOAT {
    float x;
    float y;
};

// One character's box and advance, in ems.
struct GLYPHMETRICSFLOAT {
    float gmfBlackBoxX;
    float gmfBlackBoxY;
    POINTFLOAT gmfptGlyphOrigin;  // left and top of the black box, relative to the pen
    float gmfCellIncX;
    float gmfCellIncY;
};

// pText is code page 1250. Deviation is in ems (0 or less: one font design unit); Extrusion must not
// be negative. pDevice may be null for a mesh kept in memory only. ppAdjacency and pGlyphMetrics (one
// per character of the text) may be null. Fails with D3DERR_INVALIDCALL for bad arguments or a text
// without a single visible outline, E_FAIL when the font cannot be found or read.
HRESULT D3DXCreateTextA(IDirect3DDevice9* pDevice, HDC hDC, const char* pText, float Deviation, float Extrusion,
                        ID3DXMesh** ppMesh, ID3DXBuffer** ppAdjacency, GLYPHMETRICSFLOAT* pGlyphMetrics);
