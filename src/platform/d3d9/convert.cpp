// State conversion: Direct3D values turned into the OpenGL ones and the numbers the shader programs
// read. Pure functions, no OpenGL calls, no device state.
//
// In order: colours and matrices (the packed D3DCOLOR, identity, product, normal matrix), render
// states (compare functions, blend factors and equations), vertices (the flexible vertex format's
// layout, the vertex count of a primitive type), and the formats creation accepts.
// Declared in internal.h; apply.cpp and device.cpp use them, direct3d.cpp checks formats with them.
#include <bit>
#include <cmath>
#include <cstring>

#include "platform/d3d9/internal.h"
#include "platform/win/compat.h"

namespace d3d9 {

float AsFloat(DWORD v)
{
    return std::bit_cast<float>(v);
}
DWORD AsDword(float f)
{
    return std::bit_cast<DWORD>(f);
}

void ColourToFloats(D3DCOLOR c, float out[4])
{
    out[0] = static_cast<float>((c >> 16) & 0xFF) / 255.0f;
    out[1] = static_cast<float>((c >> 8) & 0xFF) / 255.0f;
    out[2] = static_cast<float>(c & 0xFF) / 255.0f;
    out[3] = static_cast<float>((c >> 24) & 0xFF) / 255.0f;
}

D3DMATRIX Identity()
{
    D3DMATRIX m{};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}

D3DMATRIX Multiply(const D3DMATRIX& a, const D3DMATRIX& b)
{
    D3DMATRIX r{};
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] + a.m[i][3] * b.m[3][j];
        }
    }
    return r;
}

// The matrix that carries normals along with the upper 3x3 of m: its inverse transpose (m itself
// when it cannot be inverted).
void NormalMatrix(const D3DMATRIX& m, float out[9])
{
    const double a = m._11, b = m._12, c = m._13, d = m._21, e = m._22, f = m._23, g = m._31, h = m._32, i = m._33;
    const double det = a * (e * i - f * h) - b * (d * i - f * g) + c * (d * h - e * g);
    if (det == 0.0 || !std::isfinite(det)) {
        const float copy[9] = {m._11, m._12, m._13, m._21, m._22, m._23, m._31, m._32, m._33};
        std::memcpy(out, copy, sizeof copy);
        return;
    }
    // Inverse transpose = cofactor matrix / det.
    const double cof[9] = {e * i - f * h,    -(d * i - f * g), d * h - e * g,    -(b * i - c * h), a * i - c * g,
                           -(a * h - b * g), b * f - c * e,    -(a * f - c * d), a * e - b * d};
    for (int k = 0; k < 9; ++k) {
        out[k] = static_cast<float>(cof[k] / det);
    }
}

GLenum CompareFunc(DWORD f)
{
    switch (f) {
    case D3DCMP_NEVER: return GL_NEVER;
    case D3DCMP_LESS: return GL_LESS;
    case D3DCMP_EQUAL: return GL_EQUAL;
    case D3DCMP_LESSEQUAL: return GL_LEQUAL;
    case D3DCMP_GREATER: return GL_GREATER;
    case D3DCMP_NOTEQUAL: return GL_NOTEQUAL;
    case D3DCMP_GREATEREQUAL: return GL_GEQUAL;
    default: return GL_ALWAYS;
    }
}

GLenum BlendFactor(DWORD b)
{
    switch (b) {
    case D3DBLEND_ZERO: return GL_ZERO;
    case D3DBLEND_ONE: return GL_ONE;
    case D3DBLEND_SRCCOLOR: return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR: return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA: return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA: return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA: return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR: return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR: return GL_ONE_MINUS_DST_COLOR;
    case D3DBLEND_SRCALPHASAT: return GL_SRC_ALPHA_SATURATE;
    default: return GL_ONE;
    }
}

GLenum BlendEquation(DWORD op)
{
    switch (op) {
    case D3DBLENDOP_SUBTRACT: return GL_FUNC_SUBTRACT;
    case D3DBLENDOP_REVSUBTRACT: return GL_FUNC_REVERSE_SUBTRACT;
    case D3DBLENDOP_MIN: return GL_MIN;
    case D3DBLENDOP_MAX: return GL_MAX;
    default: return GL_FUNC_ADD;
    }
}

bool LayoutOf(DWORD fvf, VertexLayout& out)
{
    VertexLayout l;
    switch (fvf & D3DFVF_POSITION_MASK) {
    case D3DFVF_XYZ:
        l.positionSize = 3;
        l.size = 12;
        break;
    case D3DFVF_XYZRHW:
        l.positionSize = 4;
        l.size = 16;
        break;
    default: return false;
    }
    if (fvf & D3DFVF_NORMAL) {
        l.normal = static_cast<int>(l.size);
        l.size += 12;
    }
    if (fvf & D3DFVF_PSIZE) {
        l.size += 4;
    }
    if (fvf & D3DFVF_DIFFUSE) {
        l.diffuse = static_cast<int>(l.size);
        l.size += 4;
    }
    if (fvf & D3DFVF_SPECULAR) {
        l.specular = static_cast<int>(l.size);
        l.size += 4;
    }
    const DWORD sets = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    if (sets > 8) {
        return false;
    }
    for (DWORD i = 0; i < sets; ++i) {
        int floats = 2;
        switch ((fvf >> (16 + 2 * i)) & 3u) {
        case D3DFVF_TEXTUREFORMAT1: floats = 1; break;
        case D3DFVF_TEXTUREFORMAT3: floats = 3; break;
        case D3DFVF_TEXTUREFORMAT4: floats = 4; break;
        default: floats = 2; break;
        }
        if (i == 0) {
            l.texcoord = static_cast<int>(l.size);
            l.texcoordSize = floats;
        }
        l.size += static_cast<UINT>(floats) * 4;
    }
    out = l;
    return true;
}

bool VertexCount(D3DPRIMITIVETYPE type, UINT primitives, GLenum& mode, UINT& vertices)
{
    switch (type) {
    case D3DPT_POINTLIST:
        mode = GL_POINTS;
        vertices = primitives;
        return true;
    case D3DPT_LINELIST:
        mode = GL_LINES;
        vertices = primitives * 2;
        return true;
    case D3DPT_LINESTRIP:
        mode = GL_LINE_STRIP;
        vertices = primitives + 1;
        return true;
    case D3DPT_TRIANGLELIST:
        mode = GL_TRIANGLES;
        vertices = primitives * 3;
        return true;
    case D3DPT_TRIANGLESTRIP:
        mode = GL_TRIANGLE_STRIP;
        vertices = primitives + 2;
        return true;
    case D3DPT_TRIANGLEFAN:
        mode = GL_TRIANGLE_FAN;
        vertices = primitives + 2;
        return true;
    default: return false;
    }
}

bool BackBufferFormatOk(D3DFORMAT f)
{
    return f == D3DFMT_R5G6B5 || f == D3DFMT_X1R5G5B5 || f == D3DFMT_A1R5G5B5 || f == D3DFMT_R8G8B8 ||
           f == D3DFMT_X8R8G8B8 || f == D3DFMT_A8R8G8B8;
}

bool DepthFormatOk(D3DFORMAT f)
{
    return f == D3DFMT_D16 || f == D3DFMT_D24X8 || f == D3DFMT_D24S8 || f == D3DFMT_D32;
}

}  // namespace d3d9
