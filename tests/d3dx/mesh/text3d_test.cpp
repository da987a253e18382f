// Extruded text meshes and the GDI calls that describe their font.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <tuple>

#include "../../support/mesh_helpers.h"
#include "d3dx/text3d.h"

namespace {

class TextMesh : public ::testing::Test {
protected:
    void TearDown() override
    {
        GdiObjectCounts gdi = GdiLiveObjects();
        EXPECT_EQ(gdi.contexts + gdi.fonts, 0) << "a context or font was not deleted";
        GdiReset();
        const D3DXMeshObjectCounts live = D3DXLiveMeshObjects();
        EXPECT_EQ(live.meshes + live.buffers, 0) << "a mesh or buffer was not released";
    }

    // Builds a text mesh the way the game does: a memory context with the font selected.
    HRESULT Build(const char* face, int points, bool bold, const char* text, float extrusion, ID3DXMesh** mesh,
                  std::vector<GLYPHMETRICSFLOAT>* metrics = nullptr, float deviation = 0.001f)
    {
        HDC dc = CreateCompatibleDC(nullptr);
        HFONT font = CreateFontA(-MulDiv(points, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0,
                                 bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                 CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
        HGDIOBJ previous = SelectObject(dc, font);
        if (metrics != nullptr) {
            metrics->assign(std::strlen(text), GLYPHMETRICSFLOAT{});
        }
        HRESULT hr = D3DXCreateTextA(nullptr, dc, text, deviation, extrusion, mesh, nullptr,
                                     metrics != nullptr ? metrics->data() : nullptr);
        SelectObject(dc, previous);
        DeleteObject(font);
        DeleteDC(dc);
        return hr;
    }
};

struct Box {
    D3DXVECTOR3 low{1e9f, 1e9f, 1e9f};
    D3DXVECTOR3 high{-1e9f, -1e9f, -1e9f};
};

Box BoundsOf(ID3DXMesh* mesh)
{
    Box box;
    for (unsigned v = 0; v < mesh->GetNumVertices(); ++v) {
        const D3DXVECTOR3 p = MeshPosition(mesh, v);
        box.low = {std::min(box.low.x, p.x), std::min(box.low.y, p.y), std::min(box.low.z, p.z)};
        box.high = {std::max(box.high.x, p.x), std::max(box.high.y, p.y), std::max(box.high.z, p.z)};
    }
    return box;
}

TEST_F(TextMesh, MenuCaptionIsAsWideAsItsAdvancesInEmsAndAsDeepAsAsked)
{
    ID3DXMesh* mesh = nullptr;
    std::vector<GLYPHMETRICSFLOAT> metrics;
    ASSERT_EQ(Build("tahoma", 1, true, "New game", 0.3f, &mesh, &metrics), S_OK);
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->GetFVF(), D3DFVF_XYZ | D3DFVF_NORMAL);
    const Box box = BoundsOf(mesh);

    float advances = 0.0f;
    for (const GLYPHMETRICSFLOAT& m : metrics) {
        EXPECT_GT(m.gmfCellIncX, 0.2f);  // each glyph advances a fair part of an em
        EXPECT_LT(m.gmfCellIncX, 1.2f);
        advances += m.gmfCellIncX;
    }
    // The ink starts at the first glyph's left bearing and ends at the last glyph's black box.
    const GLYPHMETRICSFLOAT& last = metrics.back();
    const float inkEnd = advances - last.gmfCellIncX + last.gmfptGlyphOrigin.x + last.gmfBlackBoxX;
    EXPECT_NEAR(box.low.x, metrics[0].gmfptGlyphOrigin.x, 0.002f);
    EXPECT_NEAR(box.high.x, inkEnd, 0.002f);
    EXPECT_NEAR(box.high.x - box.low.x, advances, 0.15f);
    EXPECT_GT(advances, 4.0f);  // eight bold characters of about half an em or more
    EXPECT_LT(advances, 7.0f);
    // Baseline at 0: capitals reach about three quarters of an em, the g descends below.
    EXPECT_GT(box.high.y, 0.65f);
    EXPECT_LT(box.high.y, 0.85f);
    EXPECT_LT(box.low.y, -0.1f);
    EXPECT_FLOAT_EQ(box.low.z, 0.0f);
    EXPECT_FLOAT_EQ(box.high.z, 0.3f);
    mesh->Release();
}

TEST_F(TextMesh, FrontFacesLookTowardMinusZBackFacesAwayAndWallsSideways)
{
    ID3DXMesh* mesh = nullptr;
    ASSERT_EQ(Build("tahoma", 1, true, "New game", 0.3f, &mesh), S_OK);
    std::vector<unsigned> indices = MeshIndices(mesh);
    const float* v = nullptr;
    mesh->LockVertexBuffer(D3DLOCK_READONLY, (void**)&v);
    int front = 0, back = 0, walls = 0, slivers = 0;
    for (std::size_t t = 0; t < indices.size(); t += 3) {
        D3DXVECTOR3 p[3], stored[3];
        for (int k = 0; k < 3; ++k) {
            p[k] = D3DXVECTOR3(v[indices[t + k] * 6], v[indices[t + k] * 6 + 1], v[indices[t + k] * 6 + 2]);
            stored[k] = D3DXVECTOR3(v[indices[t + k] * 6 + 3], v[indices[t + k] * 6 + 4], v[indices[t + k] * 6 + 5]);
        }
        const D3DXVECTOR3 n = FaceNormal(p[0], p[1], p[2]);
        if (D3DXVec3Length(&n) == 0.0f) {
            ++slivers;  // no area, no direction: a sliver along a run of nearly straight points
            continue;
        }
        if (p[0].z == 0.0f && p[1].z == 0.0f && p[2].z == 0.0f) {
            ++front;
            EXPECT_NEAR(n.z, -1.0f, 1e-4f);
            EXPECT_EQ(stored[0], D3DXVECTOR3(0, 0, -1));
        } else if (p[0].z == 0.3f && p[1].z == 0.3f && p[2].z == 0.3f) {
            ++back;
            EXPECT_NEAR(n.z, 1.0f, 1e-4f);
        } else {
            ++walls;
            EXPECT_NEAR(n.z, 0.0f, 1e-4f);
            // The stored (possibly smoothed) normal leans the same way as the wall.
            for (const D3DXVECTOR3& s : stored) {
                EXPECT_GT(D3DXVec3Dot(&s, &n), 0.3f);
            }
        }
    }
    mesh->UnlockVertexBuffer();
    EXPECT_GT(front, 50);
    EXPECT_LT(slivers, front / 50);
    EXPECT_EQ(front, back);
    EXPECT_GT(walls, front);
    mesh->Release();
}

TEST_F(TextMesh, TheSolidIsClosed)
{
    // Every edge, by its end positions, is met once in each direction: front, back and walls join.
    ID3DXMesh* mesh = nullptr;
    ASSERT_EQ(Build("tahoma", 1, true, "New game", 0.3f, &mesh), S_OK);
    std::vector<unsigned> indices = MeshIndices(mesh);
    using Key = std::tuple<float, float, float>;
    std::map<std::pair<Key, Key>, int> edges;
    auto key = [&](unsigned i) {
        const D3DXVECTOR3 p = MeshPosition(mesh, i);
        return Key{p.x, p.y, p.z};
    };
    for (std::size_t t = 0; t < indices.size(); t += 3) {
        for (int k = 0; k < 3; ++k) {
            ++edges[{key(indices[t + k]), key(indices[t + (k + 1) % 3])}];
        }
    }
    int open = 0;
    for (const auto& [edge, count] : edges) {
        auto reverse = edges.find({edge.second, edge.first});
        if (reverse == edges.end() || reverse->second != count) {
            ++open;
            ADD_FAILURE() << std::get<0>(edge.first) << "," << std::get<1>(edge.first) << "," << std::get<2>(edge.first)
                          << " -> " << std::get<0>(edge.second) << "," << std::get<1>(edge.second) << ","
                          << std::get<2>(edge.second) << " x" << count;
        }
    }
    EXPECT_EQ(open, 0) << "of " << edges.size() << " edges";
    mesh->Release();
}

TEST_F(TextMesh, TitleInItsFaceBuildsAtAnyPointSizeInEms)
{
    ID3DXMesh* title = nullptr;
    std::vector<GLYPHMETRICSFLOAT> metrics;
    ASSERT_EQ(Build("bookman old style", 72, true, "AVIORRA", 0.3f, &title, &metrics), S_OK);
    const Box box = BoundsOf(title);
    // Seven capitals of well under an em each; 72 points changes nothing in em units.
    EXPECT_GT(box.high.x, 3.5f);
    EXPECT_LT(box.high.x, 7.0f);
    EXPECT_GT(box.high.y, 0.6f);
    EXPECT_LT(box.high.y, 0.9f);
    EXPECT_GT(box.low.y, -0.05f);
    title->Release();
}

TEST_F(TextMesh, SmallerDeviationGivesFinerCurves)
{
    ID3DXMesh* coarse = nullptr;
    ID3DXMesh* fine = nullptr;
    ASSERT_EQ(Build("tahoma", 1, false, "O", 0.0f, &coarse, nullptr, 0.01f), S_OK);
    ASSERT_EQ(Build("tahoma", 1, false, "O", 0.0f, &fine, nullptr, 0.0005f), S_OK);
    // Without extrusion only the front face is made.
    EXPECT_GT(fine->GetNumVertices(), 2 * coarse->GetNumVertices());
    EXPECT_FLOAT_EQ(BoundsOf(fine).high.z, 0.0f);
    // Both rings of the O lie within the deviation of the same curves: the extents agree closely.
    EXPECT_NEAR(BoundsOf(fine).high.y, BoundsOf(coarse).high.y, 0.011f);
    coarse->Release();
    fine->Release();
}

TEST_F(TextMesh, BadArgumentsAreRefused)
{
    ID3DXMesh* mesh = nullptr;
    EXPECT_EQ(Build("tahoma", 1, true, "", 0.3f, &mesh), D3DERR_INVALIDCALL);
    EXPECT_EQ(Build("tahoma", 1, true, "   ", 0.3f, &mesh), D3DERR_INVALIDCALL);
    EXPECT_EQ(Build("tahoma", 1, true, "x", -1.0f, &mesh), D3DERR_INVALIDCALL);
    EXPECT_EQ(mesh, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    EXPECT_EQ(D3DXCreateTextA(nullptr, dc, "x", 0.001f, 0.3f, &mesh, nullptr, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateTextA(nullptr, nullptr, "x", 0.001f, 0.3f, &mesh, nullptr, nullptr), D3DERR_INVALIDCALL);
    DeleteDC(dc);
    EXPECT_EQ(D3DXCreateTextA(nullptr, dc, "x", 0.001f, 0.3f, &mesh, nullptr, nullptr), D3DERR_INVALIDCALL);
}

TEST(Gdi, MulDivRoundsAndHandlesAndSelectionFollowGdi)
{
    EXPECT_EQ(MulDiv(1, 96, 72), 1);
    EXPECT_EQ(MulDiv(72, 96, 72), 96);
    EXPECT_EQ(MulDiv(3, 1, 2), 2);
    EXPECT_EQ(MulDiv(-3, 1, 2), -2);
    EXPECT_EQ(MulDiv(3, 1, -2), -2);
    EXPECT_EQ(MulDiv(5, 7, 0), -1);
    EXPECT_EQ(MulDiv(2000000000, 2000000000, 1), -1);

    HDC dc = CreateCompatibleDC(nullptr);
    EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSY), 96);
    HFONT a = CreateFontA(-96, 0, 0, 0, FW_BOLD, TRUE, 0, 0, 0, 0, 0, 0, 0, "tahoma");
    HFONT b = CreateFontA(-12, 0, 0, 0, FW_NORMAL, FALSE, 0, 0, 0, 0, 0, 0, 0, "verdana");
    EXPECT_EQ(CreateFontA(-12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "a face name far longer than thirty-one"), nullptr);
    LOGFONTA selected{};
    EXPECT_FALSE(GdiSelectedFont(dc, &selected));  // only the stock font so far
    HGDIOBJ stock = SelectObject(dc, a);
    ASSERT_NE(stock, nullptr);
    EXPECT_EQ(SelectObject(dc, b), a);
    ASSERT_TRUE(GdiSelectedFont(dc, &selected));
    EXPECT_STREQ(selected.lfFaceName, "verdana");
    EXPECT_EQ(DeleteObject(b), FALSE);  // still selected
    EXPECT_EQ(SelectObject(dc, stock), b);
    EXPECT_EQ(DeleteObject(b), TRUE);
    EXPECT_EQ(DeleteObject(b), FALSE);  // already gone
    EXPECT_EQ(SelectObject(dc, b), nullptr);
    EXPECT_EQ(GdiLiveObjects().fonts, 1);
    EXPECT_EQ(DeleteObject(stock), TRUE);  // stock objects stay
    EXPECT_EQ(SelectObject(dc, a), stock);
    EXPECT_EQ(DeleteDC(dc), TRUE);
    EXPECT_EQ(DeleteDC(dc), FALSE);
    EXPECT_EQ(DeleteObject(a), TRUE);
    EXPECT_EQ(GdiLiveObjects().contexts + GdiLiveObjects().fonts, 0);
}

}  // namespace
