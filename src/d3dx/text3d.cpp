// Extruded text: glyph outlines from FreeType, flattened; faces from the GLU tessellator; walls.
#include "d3dx/text3d.h"

#include <GL/glu.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstring>
#include <deque>
#include <vector>

#include "d3dx/font_face.h"
#include "platform/win/codepage.h"

namespace {

struct Point {
    double x;
    double y;
};

using Contour = std::vector<Point>;

// ---- Flattening the outline ----------------------------------------------------------------------

// Curves are cut into equal steps of their parameter; n steps keep a curve within max|B''| / (8 n^2)
// of its chords, which gives the step count for the tolerance.
constexpr int kMaxCurveSteps = 256;

struct Flattener {
    std::vector<Contour>* contours;
    double tolerance;  // font units
    Point last{0, 0};
};

Point ToPoint(const FT_Vector* v)
{
    return {static_cast<double>(v->x), static_cast<double>(v->y)};
}

int StepsFor(double secondDerivativeBound, double tolerance)
{
    const double n = std::ceil(std::sqrt(secondDerivativeBound / (8.0 * tolerance)));
    return std::clamp(static_cast<int>(n), 1, kMaxCurveSteps);
}

int OnMoveTo(const FT_Vector* to, void* user)
{
    auto* f = static_cast<Flattener*>(user);
    f->contours->emplace_back();
    f->last = ToPoint(to);
    f->contours->back().push_back(f->last);
    return 0;
}

int OnLineTo(const FT_Vector* to, void* user)
{
    auto* f = static_cast<Flattener*>(user);
    if (f->contours->empty()) {
        return 1;
    }
    f->last = ToPoint(to);
    f->contours->back().push_back(f->last);
    return 0;
}

int OnConicTo(const FT_Vector* control, const FT_Vector* to, void* user)
{
    auto* f = static_cast<Flattener*>(user);
    if (f->contours->empty()) {
        return 1;
    }
    const Point p0 = f->last, p1 = ToPoint(control), p2 = ToPoint(to);
    // B'' = 2 (p0 - 2 p1 + p2), constant.
    const double ax = p0.x - 2 * p1.x + p2.x, ay = p0.y - 2 * p1.y + p2.y;
    const int steps = StepsFor(2.0 * std::hypot(ax, ay), f->tolerance);
    for (int i = 1; i <= steps; ++i) {
        const double t = static_cast<double>(i) / steps, u = 1 - t;
        f->contours->back().push_back(
            {u * u * p0.x + 2 * u * t * p1.x + t * t * p2.x, u * u * p0.y + 2 * u * t * p1.y + t * t * p2.y});
    }
    f->last = p2;
    return 0;
}

int OnCubicTo(const FT_Vector* control1, const FT_Vector* control2, const FT_Vector* to, void* user)
{
    auto* f = static_cast<Flattener*>(user);
    if (f->contours->empty()) {
        return 1;
    }
    const Point p0 = f->last, p1 = ToPoint(control1), p2 = ToPoint(control2), p3 = ToPoint(to);
    // B'' = 6 ((1 - t)(p0 - 2 p1 + p2) + t (p1 - 2 p2 + p3)), largest at an end.
    const double a = std::hypot(p0.x - 2 * p1.x + p2.x, p0.y - 2 * p1.y + p2.y);
    const double b = std::hypot(p1.x - 2 * p2.x + p3.x, p1.y - 2 * p2.y + p3.y);
    const int steps = StepsFor(6.0 * std::max(a, b), f->tolerance);
    for (int i = 1; i <= steps; ++i) {
        const double t = static_cast<double>(i) / steps, u = 1 - t;
        const double w0 = u * u * u, w1 = 3 * u * u * t, w2 = 3 * u * t * t, w3 = t * t * t;
        f->contours->back().push_back(
            {w0 * p0.x + w1 * p1.x + w2 * p2.x + w3 * p3.x, w0 * p0.y + w1 * p1.y + w2 * p2.y + w3 * p3.y});
    }
    f->last = p3;
    return 0;
}

// Drops repeated points (also the closing copy of the first), points in the middle of a straight run
// and contours with no area left.
void CleanContours(std::vector<Contour>* contours)
{
    for (Contour& c : *contours) {
        Contour out;
        for (const Point& p : c) {
            if (out.empty() || p.x != out.back().x || p.y != out.back().y) {
                out.push_back(p);
            }
        }
        while (out.size() > 1 && out.back().x == out.front().x && out.back().y == out.front().y) {
            out.pop_back();
        }
        bool removed = true;
        while (removed && out.size() >= 3) {
            removed = false;
            for (std::size_t i = 0; i < out.size() && out.size() >= 3; ++i) {
                const Point& a = out[(i + out.size() - 1) % out.size()];
                const Point& p = out[i];
                const Point& b = out[(i + 1) % out.size()];
                const double cross = (p.x - a.x) * (b.y - a.y) - (p.y - a.y) * (b.x - a.x);
                const double along = (p.x - a.x) * (b.x - p.x) + (p.y - a.y) * (b.y - p.y);
                if (cross == 0.0 && along > 0.0) {
                    out.erase(out.begin() + static_cast<std::ptrdiff_t>(i));
                    removed = true;
                }
            }
        }
        c = std::move(out);
    }
    contours->erase(std::remove_if(contours->begin(), contours->end(), [](const Contour& c) { return c.size() < 3; }),
                    contours->end());
}

// ---- Tessellating the face -----------------------------------------------------------------------

struct TessVertex {
    GLdouble xyz[3];
    unsigned index;
};

struct TessState {
    std::deque<TessVertex> vertices;  // stable addresses while GLU holds pointers to them
    std::vector<unsigned> triangles;
    bool failed = false;
};

void GLAPIENTRY OnTessBegin(GLenum, void*) {}
void GLAPIENTRY OnTessEdgeFlag(GLboolean, void*) {}

void GLAPIENTRY OnTessVertex(void* vertex, void* polygon)
{
    static_cast<TessState*>(polygon)->triangles.push_back(static_cast<TessVertex*>(vertex)->index);
}

void GLAPIENTRY OnTessCombine(GLdouble coords[3], void* /*data*/[4], GLfloat /*weight*/[4], void** out, void* polygon)
{
    auto* state = static_cast<TessState*>(polygon);
    state->vertices.push_back({{coords[0], coords[1], 0.0}, static_cast<unsigned>(state->vertices.size())});
    *out = &state->vertices.back();
}

void GLAPIENTRY OnTessError(GLenum, void* polygon)
{
    static_cast<TessState*>(polygon)->failed = true;
}

// Triangles of the filled area (non-zero winding); false when GLU reports an error.
bool Tessellate(GLUtesselator* tess, const std::vector<Contour>& contours, TessState* state)
{
    gluTessBeginPolygon(tess, state);
    for (const Contour& c : contours) {
        gluTessBeginContour(tess);
        for (const Point& p : c) {
            state->vertices.push_back({{p.x, p.y, 0.0}, static_cast<unsigned>(state->vertices.size())});
            gluTessVertex(tess, state->vertices.back().xyz, &state->vertices.back());
        }
        gluTessEndContour(tess);
    }
    gluTessEndPolygon(tess);
    return !state->failed && state->triangles.size() % 3 == 0;
}

struct TessOwner {
    GLUtesselator* tess = gluNewTess();
    ~TessOwner()
    {
        if (tess != nullptr) {
            gluDeleteTess(tess);
        }
    }
};

// ---- The mesh being built ------------------------------------------------------------------------

struct TextGeometry {
    std::vector<D3DXVECTOR3> positions;
    std::vector<D3DXVECTOR3> normals;
    std::vector<unsigned> indices;

    unsigned Add(const D3DXVECTOR3& p, const D3DXVECTOR3& n)
    {
        positions.push_back(p);
        normals.push_back(n);
        return static_cast<unsigned>(positions.size() - 1);
    }
    // Adds the triangle turned so that its normal agrees with `facing`.
    void Triangle(unsigned a, unsigned b, unsigned c, const D3DXVECTOR3& facing)
    {
        D3DXVECTOR3 e1 = positions[b] - positions[a], e2 = positions[c] - positions[a], n;
        D3DXVec3Cross(&n, &e1, &e2);
        const float d = D3DXVec3Dot(&n, &facing);
        if (d == 0.0f) {
            return;  // no area
        }
        indices.insert(indices.end(), {a, d > 0 ? b : c, d > 0 ? c : b});
    }
};

// Two contour edges meeting at less than this angle share their wall vertices (a smooth curve).
const double kSmoothCosine = std::cos(30.0 * 3.14159265358979 / 180.0);

// Walls along one contour, facing away from the filled side.
void AddWalls(const Contour& c, bool fillOnLeft, double scale, double penX, float depth, TextGeometry* g)
{
    const std::size_t n = c.size();
    auto at = [&](std::size_t i) { return c[i % n]; };
    auto outward = [&](std::size_t i) {
        const Point a = at(i), b = at(i + 1);
        double dx = b.x - a.x, dy = b.y - a.y;
        const double length = std::hypot(dx, dy);
        dx /= length;
        dy /= length;
        return fillOnLeft ? D3DXVECTOR3(static_cast<float>(dy), static_cast<float>(-dx), 0.0f)
                          : D3DXVECTOR3(static_cast<float>(-dy), static_cast<float>(dx), 0.0f);
    };
    auto position = [&](std::size_t i, float z) {
        const Point p = at(i);
        return D3DXVECTOR3(static_cast<float>((p.x + penX) * scale), static_cast<float>(p.y * scale), z);
    };
    // Whether the corner at point i is smooth: the edges into and out of it turn only a little.
    std::vector<bool> smooth(n);
    for (std::size_t i = 0; i < n; ++i) {
        const D3DXVECTOR3 in = outward(i + n - 1), out = outward(i);
        smooth[i] = D3DXVec3Dot(&in, &out) > kSmoothCosine;
    }
    // The vertex pair (front, back) a shared corner uses, made once.
    std::vector<unsigned> shared(n, ~0u);
    auto sharedPair = [&](std::size_t i) {
        if (shared[i] == ~0u) {
            D3DXVECTOR3 normal = outward(i + n - 1) + outward(i);
            D3DXVec3Normalize(&normal, &normal);
            shared[i] = g->Add(position(i, 0.0f), normal);
            g->Add(position(i, depth), normal);
        }
        return shared[i];
    };
    for (std::size_t i = 0; i < n; ++i) {
        const D3DXVECTOR3 normal = outward(i);
        const std::size_t j = (i + 1) % n;
        unsigned a, b;
        if (smooth[i]) {
            a = sharedPair(i);
        } else {
            a = g->Add(position(i, 0.0f), normal);
            g->Add(position(i, depth), normal);
        }
        if (smooth[j]) {
            b = sharedPair(j);
        } else {
            b = g->Add(position(j, 0.0f), normal);
            g->Add(position(j, depth), normal);
        }
        // a, b at the front; a + 1, b + 1 at the back.
        g->Triangle(a, b, b + 1, normal);
        g->Triangle(a, b + 1, a + 1, normal);
    }
}

struct FreeTypeOwner {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    ~FreeTypeOwner()
    {
        if (face != nullptr) {
            FT_Done_Face(face);
        }
        if (library != nullptr) {
            FT_Done_FreeType(library);
        }
    }
};

bool FaceIsBold(FT_Face face)
{
    auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 != nullptr && os2->version != 0xFFFF) {
        return os2->usWeightClass >= 550;
    }
    return (face->style_flags & FT_STYLE_FLAG_BOLD) != 0;
}

}  // namespace

HRESULT D3DXCreateTextA(IDirect3DDevice9* pDevice, HDC hDC, const char* pText, float Deviation, float Extrusion,
                        ID3DXMesh** ppMesh, ID3DXBuffer** ppAdjacency, GLYPHMETRICSFLOAT* pGlyphMetrics)
{
    if (ppAdjacency != nullptr) {
        *ppAdjacency = nullptr;
    }
    if (ppMesh == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *ppMesh = nullptr;
    LOGFONTA logFont{};
    if (pText == nullptr || !(Extrusion >= 0.0f) || !std::isfinite(Extrusion) || std::isnan(Deviation) ||
        !GdiSelectedFont(hDC, &logFont)) {
        return D3DERR_INVALIDCALL;
    }

    FontRequest request;
    request.height = logFont.lfHeight;
    request.weight = static_cast<unsigned>(std::max<LONG>(logFont.lfWeight, 0));
    request.italic = logFont.lfItalic != 0;
    request.faceName = logFont.lfFaceName;
    std::string file, family, error;
    int faceIndex = 0;
    if (!FontFind(request, &file, &faceIndex, &family, &error)) {
        return E_FAIL;
    }
    FreeTypeOwner ft;
    if (FT_Init_FreeType(&ft.library) != 0 || FT_New_Face(ft.library, file.c_str(), faceIndex, &ft.face) != 0 ||
        !FT_IS_SCALABLE(ft.face) || ft.face->units_per_EM == 0) {
        return E_FAIL;
    }
    FT_Face face = ft.face;
    FT_Select_Charmap(face, FT_ENCODING_UNICODE);
    const double upem = face->units_per_EM;
    const double scale = 1.0 / upem;
    const double tolerance = Deviation > 0.0f ? Deviation * upem : 1.0;
    // A face lighter or more upright than asked for is emboldened or slanted, as GDI does.
    const bool embolden = request.weight >= 600 && !FaceIsBold(face);
    const bool slant = request.italic && !(face->style_flags & FT_STYLE_FLAG_ITALIC);
    const FT_Pos boldStrength = static_cast<FT_Pos>(upem / 24.0);

    TessOwner tessOwner;
    if (tessOwner.tess == nullptr) {
        return E_OUTOFMEMORY;
    }
    GLUtesselator* tess = tessOwner.tess;
    using Callback = void(GLAPIENTRY*)();
    gluTessCallback(tess, GLU_TESS_BEGIN_DATA, reinterpret_cast<Callback>(&OnTessBegin));
    gluTessCallback(tess, GLU_TESS_VERTEX_DATA, reinterpret_cast<Callback>(&OnTessVertex));
    gluTessCallback(tess, GLU_TESS_COMBINE_DATA, reinterpret_cast<Callback>(&OnTessCombine));
    gluTessCallback(tess, GLU_TESS_EDGE_FLAG_DATA, reinterpret_cast<Callback>(&OnTessEdgeFlag));
    gluTessCallback(tess, GLU_TESS_ERROR_DATA, reinterpret_cast<Callback>(&OnTessError));
    gluTessProperty(tess, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_NONZERO);
    gluTessNormal(tess, 0.0, 0.0, 1.0);

    const D3DXVECTOR3 towardFront(0, 0, -1), towardBack(0, 0, 1);
    const float depth = Extrusion;
    TextGeometry g;
    double penX = 0.0;
    const std::size_t length = std::strlen(pText);
    for (std::size_t ch = 0; ch < length; ++ch) {
        const char32_t code = cp1250::ToUnicode(static_cast<unsigned char>(pText[ch]));
        const FT_UInt glyph = FT_Get_Char_Index(face, code);
        if (FT_Load_Glyph(face, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0 ||
            face->glyph->format != FT_GLYPH_FORMAT_OUTLINE) {
            return E_FAIL;
        }
        FT_Outline* outline = &face->glyph->outline;
        double advance = static_cast<double>(face->glyph->advance.x);
        if (embolden && outline->n_points > 0) {
            FT_Outline_Embolden(outline, boldStrength);
            advance += static_cast<double>(boldStrength);
        }
        if (slant) {
            FT_Matrix shear{0x10000, 0x0366A, 0, 0x10000};
            FT_Outline_Transform(outline, &shear);
        }
        if (pGlyphMetrics != nullptr) {
            FT_BBox box{};
            FT_Outline_Get_CBox(outline, &box);
            GLYPHMETRICSFLOAT& m = pGlyphMetrics[ch];
            m.gmfBlackBoxX = static_cast<float>((box.xMax - box.xMin) * scale);
            m.gmfBlackBoxY = static_cast<float>((box.yMax - box.yMin) * scale);
            m.gmfptGlyphOrigin = {static_cast<float>(box.xMin * scale), static_cast<float>(box.yMax * scale)};
            m.gmfCellIncX = static_cast<float>(advance * scale);
            m.gmfCellIncY = 0.0f;
        }

        std::vector<Contour> contours;
        Flattener flattener{&contours, tolerance};
        FT_Outline_Funcs funcs{};
        funcs.move_to = &OnMoveTo;
        funcs.line_to = &OnLineTo;
        funcs.conic_to = &OnConicTo;
        funcs.cubic_to = &OnCubicTo;
        if (outline->n_points > 0 && FT_Outline_Decompose(outline, &funcs, &flattener) != 0) {
            return E_FAIL;
        }
        CleanContours(&contours);
        if (!contours.empty()) {
            TessState state;
            if (!Tessellate(tess, contours, &state)) {
                return E_FAIL;
            }
            // Front and back faces: one vertex each per tessellator vertex.
            const unsigned front = static_cast<unsigned>(g.positions.size());
            for (const TessVertex& v : state.vertices) {
                g.Add(D3DXVECTOR3(static_cast<float>((v.xyz[0] + penX) * scale), static_cast<float>(v.xyz[1] * scale),
                                  0.0f),
                      towardFront);
            }
            const unsigned back = static_cast<unsigned>(g.positions.size());
            if (depth > 0.0f) {
                for (std::size_t i = 0; i < state.vertices.size(); ++i) {
                    D3DXVECTOR3 p = g.positions[front + i];
                    p.z = depth;
                    g.Add(p, towardBack);
                }
            }
            // The tessellator turns every triangle counter-clockwise about +z, also the slivers it
            // makes along straight runs of points; keeping those, turned as a whole, keeps the faces
            // joined to the walls edge for edge.
            for (std::size_t t = 0; t + 2 < state.triangles.size(); t += 3) {
                const unsigned a = state.triangles[t], b = state.triangles[t + 1], c = state.triangles[t + 2];
                g.indices.insert(g.indices.end(), {front + a, front + c, front + b});
                if (depth > 0.0f) {
                    g.indices.insert(g.indices.end(), {back + a, back + b, back + c});
                }
            }
            if (depth > 0.0f) {
                const bool fillOnLeft = FT_Outline_Get_Orientation(outline) == FT_ORIENTATION_POSTSCRIPT;
                for (const Contour& c : contours) {
                    AddWalls(c, fillOnLeft, scale, penX, depth, &g);
                }
            }
        }
        penX += advance;
    }

    const DWORD faces = static_cast<DWORD>(g.indices.size() / 3);
    const DWORD vertices = static_cast<DWORD>(g.positions.size());
    if (faces == 0) {
        return D3DERR_INVALIDCALL;
    }
    ID3DXMesh* mesh = nullptr;
    HRESULT hr = D3DXCreateMeshFVF(faces, vertices, D3DXMESH_MANAGED | (vertices > 0xFFFFu ? D3DXMESH_32BIT : 0u),
                                   D3DFVF_XYZ | D3DFVF_NORMAL, pDevice, &mesh);
    if (FAILED(hr)) {
        return hr;
    }
    float* v = nullptr;
    mesh->LockVertexBuffer(0, reinterpret_cast<void**>(&v));
    for (DWORD i = 0; i < vertices; ++i) {
        std::memcpy(v + i * 6, &g.positions[i].x, 12);
        std::memcpy(v + i * 6 + 3, &g.normals[i].x, 12);
    }
    mesh->UnlockVertexBuffer();
    void* indexData = nullptr;
    mesh->LockIndexBuffer(0, &indexData);
    for (std::size_t i = 0; i < g.indices.size(); ++i) {
        if (vertices > 0xFFFFu) {
            static_cast<std::uint32_t*>(indexData)[i] = g.indices[i];
        } else {
            static_cast<std::uint16_t*>(indexData)[i] = static_cast<std::uint16_t>(g.indices[i]);
        }
    }
    mesh->UnlockIndexBuffer();
    if (ppAdjacency != nullptr) {
        hr = D3DXCreateBuffer(faces * 3 * sizeof(DWORD), ppAdjacency);
        if (FAILED(hr)) {
            mesh->Release();
            return hr;
        }
        mesh->GenerateAdjacency(0.0f, static_cast<DWORD*>((*ppAdjacency)->GetBufferPointer()));
    }
    *ppMesh = mesh;
    return S_OK;
}
