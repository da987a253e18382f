// The font object on a recording device: creation, the atlas texture, the quads DrawTextA sends,
// the device states it sets and gives back, and releasing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "d3dx/font.h"
#include "fake_device.h"

namespace {

constexpr D3DCOLOR kYellow = 0xFFFFFF00u;

LPD3DXFONT CreateFont(IDirect3DDevice9* device, INT height, UINT width, const char* face)
{
    LPD3DXFONT font = nullptr;
    HRESULT hr = D3DXCreateFontA(device, height, width, 0, 0, 0, DEFAULT_CHARSET, OUT_STROKE_PRECIS,
                                 DRAFT_QUALITY, 0, face, &font);
    EXPECT_EQ(hr, S_OK) << face;
    return font;
}

class FontObject : public ::testing::Test {
protected:
    void TearDown() override
    {
        EXPECT_EQ(D3DXFontLiveCount(), 0);
        EXPECT_EQ(device.liveTextures, 0);
        D3DXFontReset();
    }
    FakeDevice device;
};

TEST_F(FontObject, CreationRefusesBadArguments)
{
    LPD3DXFONT font = reinterpret_cast<LPD3DXFONT>(&device);  // anything but null
    EXPECT_EQ(D3DXCreateFontA(nullptr, 10, 8, 0, 0, 0, 1, 3, 1, 0, "verdana", &font), D3DERR_INVALIDCALL);
    EXPECT_EQ(font, nullptr);
    EXPECT_EQ(D3DXCreateFontA(&device, 10, 8, 0, 0, 0, 1, 3, 1, 0, nullptr, &font), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateFontA(&device, 10, 8, 0, 0, 0, 1, 3, 1, 0, "verdana", nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateFontA(&device, 10, 8, 0, 0, 0, 1, 3, 1, 0,
                              "a face name far longer than thirty-one characters", &font),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateFontA(&device, 50000, 8, 0, 0, 0, 1, 3, 1, 0, "verdana", &font), E_FAIL);
    EXPECT_EQ(font, nullptr);

    // A device that cannot make the texture: its error comes back, and nothing is left behind.
    device.failTextures = true;
    EXPECT_EQ(D3DXCreateFontA(&device, 10, 8, 0, 0, 0, 1, 3, 1, 0, "verdana", &font), D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(font, nullptr);
    EXPECT_EQ(device.refs, 1u);
}

TEST_F(FontObject, DescriptionAndMetricsFollowTheRequest)
{
    // The sizes the game asks for in an 800 x 600 window.
    LPD3DXFONT small = CreateFont(&device, 600 / 60, 800 / 90, "lucida console");
    LPD3DXFONT large = CreateFont(&device, 600 / 50, 800 / 78, "verdana");
    ASSERT_NE(small, nullptr);
    ASSERT_NE(large, nullptr);

    D3DXFONT_DESCA desc{};
    ASSERT_EQ(small->GetDescA(&desc), S_OK);
    EXPECT_EQ(desc.Height, 10);
    EXPECT_EQ(desc.Width, 8u);
    EXPECT_EQ(desc.OutputPrecision, OUT_STROKE_PRECIS);
    EXPECT_STREQ(desc.FaceName, "lucida console");

    TEXTMETRICA tm{};
    ASSERT_TRUE(small->GetTextMetricsA(&tm));
    EXPECT_NEAR(tm.tmHeight, 10, 1);
    EXPECT_EQ(tm.tmAscent + tm.tmDescent, tm.tmHeight);
    EXPECT_EQ(tm.tmAveCharWidth, 8);
    ASSERT_TRUE(large->GetTextMetricsA(&tm));
    EXPECT_NEAR(tm.tmHeight, 12, 1);
    EXPECT_EQ(tm.tmAveCharWidth, 10);

    IDirect3DDevice9* owner = nullptr;
    ASSERT_EQ(small->GetDevice(&owner), S_OK);
    EXPECT_EQ(owner, &device);
    owner->Release();

    // Each font holds a reference to its device until it is released.
    EXPECT_EQ(device.refs, 3u);
    EXPECT_EQ(small->Release(), 0u);
    EXPECT_EQ(large->Release(), 0u);
    EXPECT_EQ(device.refs, 1u);
}

TEST_F(FontObject, AtlasTextureIsWhiteWithCoverageInAlpha)
{
    LPD3DXFONT font = CreateFont(&device, 24, 0, "verdana");
    ASSERT_NE(font, nullptr);
    FakeTexture* texture = device.lastTexture;
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(texture->pool, D3DPOOL_MANAGED);
    EXPECT_FALSE(texture->isLocked);
    int inked = 0;
    int solid = 0;
    for (UINT y = 0; y < texture->height; ++y) {
        for (UINT x = 0; x < texture->width; ++x) {
            DWORD texel = texture->Texel(static_cast<int>(x), static_cast<int>(y));
            ASSERT_EQ(texel & 0x00FFFFFFu, 0x00FFFFFFu) << x << "," << y;
            inked += (texel >> 24) != 0;
            solid += (texel >> 24) == 0xFF;
        }
    }
    EXPECT_GT(inked, 2000);
    EXPECT_GT(solid, 500);
    EXPECT_EQ(font->Release(), 0u);
}

TEST_F(FontObject, DrawTextSendsOneTexturedQuadPerInkedGlyph)
{
    LPD3DXFONT font = CreateFont(&device, 12, 10, "verdana");
    ASSERT_NE(font, nullptr);
    RECT rect{368, 258, 0, 0};
    INT height = font->DrawTextA(nullptr, "PA USE", -1, &rect, DT_NOCLIP, kYellow);
    EXPECT_NEAR(height, 12, 1);
    ASSERT_EQ(device.draws.size(), 1u);
    const RecordedDraw& draw = device.draws[0];
    EXPECT_EQ(draw.type, D3DPT_TRIANGLELIST);
    EXPECT_EQ(draw.primitives, 5u * 2u);  // the space has no ink
    EXPECT_EQ(draw.stride, 28u);
    EXPECT_EQ(draw.fvf, 0x144u);
    EXPECT_EQ(draw.texture, device.lastTexture);
    ASSERT_EQ(draw.vertices.size(), 30u);

    float texW = static_cast<float>(device.lastTexture->width);
    float texH = static_cast<float>(device.lastTexture->height);
    float minX = 1e9f;
    float minY = 1e9f;
    float maxY = -1e9f;
    for (const TlVertex& v : draw.vertices) {
        EXPECT_EQ(v.color, kYellow);
        EXPECT_EQ(v.z, 0.0f);
        EXPECT_EQ(v.rhw, 1.0f);
        // Corners on pixel edges (centres are integers) and texel edges: one texel per pixel.
        EXPECT_EQ(v.x + 0.5f, std::floor(v.x + 0.5f));
        EXPECT_EQ(v.y + 0.5f, std::floor(v.y + 0.5f));
        EXPECT_NEAR(v.u * texW, std::round(v.u * texW), 1e-3);
        EXPECT_NEAR(v.v * texH, std::round(v.v * texH), 1e-3);
        minX = std::min(minX, v.x);
        minY = std::min(minY, v.y);
        maxY = std::max(maxY, v.y);
    }
    EXPECT_GE(minX, 368 - 0.5f);
    EXPECT_LE(minX, 368 + 2.5f);
    EXPECT_GE(minY, 258 - 0.5f);
    EXPECT_LE(maxY, 258 + 12 - 0.5f);

    // While drawing: blending by the glyph's alpha, no depth, no fog, texture times diffuse.
    EXPECT_EQ(draw.renderStates.at(D3DRS_ALPHABLENDENABLE), 1u);
    EXPECT_EQ(draw.renderStates.at(D3DRS_SRCBLEND), D3DBLEND_SRCALPHA);
    EXPECT_EQ(draw.renderStates.at(D3DRS_DESTBLEND), D3DBLEND_INVSRCALPHA);
    EXPECT_EQ(draw.renderStates.at(D3DRS_ZENABLE), 0u);
    EXPECT_EQ(draw.renderStates.at(D3DRS_FOGENABLE), 0u);
    EXPECT_EQ(draw.stageStates.at({0, D3DTSS_COLOROP}), D3DTOP_MODULATE);
    EXPECT_EQ(draw.stageStates.at({0, D3DTSS_ALPHAOP}), D3DTOP_MODULATE);
    EXPECT_EQ(draw.stageStates.at({0, D3DTSS_ALPHAARG1}), D3DTA_TEXTURE);
    EXPECT_EQ(draw.stageStates.at({0, D3DTSS_ALPHAARG2}), D3DTA_DIFFUSE);

    // Two calls, two colours; newlines put the second line a cell lower.
    device.draws.clear();
    RECT second{10, 20, 0, 0};
    EXPECT_NEAR(font->DrawTextA(nullptr, "1\n2", -1, &second, DT_NOCLIP, 0xFF00FF00u), 24, 2);
    font->DrawTextA(nullptr, "3", -1, &second, DT_NOCLIP, 0x80FF0000u);
    ASSERT_EQ(device.draws.size(), 2u);
    EXPECT_EQ(device.draws[0].vertices.front().color, 0xFF00FF00u);
    EXPECT_EQ(device.draws[1].vertices.front().color, 0x80FF0000u);
    float firstTop = device.draws[0].vertices[0].y;
    float secondTop = device.draws[0].vertices[6].y;
    EXPECT_NEAR(secondTop - firstTop, 12, 1);

    EXPECT_EQ(font->Release(), 0u);
}

TEST_F(FontObject, DrawTextGivesBackEveryStateItChanged)
{
    LPD3DXFONT font = CreateFont(&device, 10, 8, "lucida console");
    ASSERT_NE(font, nullptr);

    // The caller's drawing set-up, as the HUD leaves it.
    FakeTexture* hud = new FakeTexture(&device, 4, 4, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &device.liveTextures);
    FakeVertexBuffer band;
    device.SetTexture(0, hud);
    device.SetStreamSource(0, &band, 0, 24);
    device.SetFVF(0x142);
    device.SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
    device.SetRenderState(D3DRS_ZENABLE, 1);
    device.SetRenderState(D3DRS_FOGENABLE, 1);
    device.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    device.SetRenderState(D3DRS_LIGHTING, 1);
    device.SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    device.SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
    device.SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    device.SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device.SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    device.SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    auto renderBefore = device.renderStates;
    auto stageBefore = device.stageStates;
    auto samplerBefore = device.samplerStates;
    ULONG hudRefs = hud->refs;

    RECT rect{100, 100, 0, 0};
    font->DrawTextA(nullptr, "Enemy:", -1, &rect, DT_NOCLIP, 0xFFFFFFFFu);
    ASSERT_EQ(device.draws.size(), 1u);

    // Every state is back to what the caller had; states the caller never set are back to their
    // previous value too, not left as the font set them.
    for (const auto& [state, value] : device.renderStates) {
        DWORD expected = renderBefore.count(state) ? renderBefore.at(state) : 0;
        EXPECT_EQ(value, expected) << "render state " << state;
    }
    for (const auto& [key, value] : device.stageStates) {
        DWORD expected = stageBefore.count(key) ? stageBefore.at(key) : 0;
        EXPECT_EQ(value, expected) << "stage " << key.first << " state " << key.second;
    }
    for (const auto& [key, value] : device.samplerStates) {
        DWORD expected = samplerBefore.count(key) ? samplerBefore.at(key) : 0;
        EXPECT_EQ(value, expected) << "sampler state " << key;
    }
    EXPECT_EQ(device.textures[0], hud);
    EXPECT_EQ(hud->refs, hudRefs);
    EXPECT_EQ(device.fvf, 0x142u);
    EXPECT_EQ(device.stream, &band);
    EXPECT_EQ(device.streamStride, 24u);
    EXPECT_EQ(band.refs, 2u);  // ours and the device's

    device.SetTexture(0, nullptr);
    device.SetStreamSource(0, nullptr, 0, 0);
    hud->Release();
    EXPECT_EQ(font->Release(), 0u);
}

TEST_F(FontObject, GlyphsAreRasterisedOnceNotPerCall)
{
    LPD3DXFONT font = CreateFont(&device, 12, 10, "verdana");
    ASSERT_NE(font, nullptr);
    FakeTexture* texture = device.lastTexture;
    for (int frame = 0; frame < 50; ++frame) {
        RECT rect{10, 10, 0, 0};
        font->DrawTextA(nullptr, "00:01:23 \xE9\xE1\x8A", -1, &rect, DT_NOCLIP, kYellow);
    }
    EXPECT_EQ(device.draws.size(), 50u);
    EXPECT_EQ(device.texturesCreated, 1);
    EXPECT_EQ(texture->locks, 1);
    EXPECT_EQ(font->Release(), 0u);
}

TEST_F(FontObject, DrawTextWithoutInkOrWithCalcRectDrawsNothing)
{
    LPD3DXFONT font = CreateFont(&device, 12, 0, "verdana");
    ASSERT_NE(font, nullptr);
    RECT rect{10, 20, 0, 0};
    EXPECT_NEAR(font->DrawTextA(nullptr, "   ", -1, &rect, DT_NOCLIP, kYellow), 12, 1);
    EXPECT_EQ(font->DrawTextA(nullptr, "", -1, &rect, DT_NOCLIP, kYellow), 0);
    EXPECT_EQ(font->DrawTextA(nullptr, nullptr, -1, &rect, DT_NOCLIP, kYellow), 0);
    // Clipped to an empty rectangle: nothing to draw.
    EXPECT_GT(font->DrawTextA(nullptr, "abc", -1, &rect, DT_LEFT, kYellow), 0);
    EXPECT_TRUE(device.draws.empty());

    RECT calc{10, 20, 0, 0};
    INT height = font->DrawTextA(nullptr, "abc\nde", -1, &calc, DT_CALCRECT, kYellow);
    EXPECT_TRUE(device.draws.empty());
    EXPECT_EQ(calc.bottom - calc.top, height);
    EXPECT_GT(calc.right, calc.left);

    // A null rectangle draws from the top-left corner.
    font->DrawTextA(nullptr, "x", -1, nullptr, 0, kYellow);
    ASSERT_EQ(device.draws.size(), 1u);
    EXPECT_GE(device.draws[0].vertices[0].x, -0.5f);
    EXPECT_LT(device.draws[0].vertices[0].x, 4.0f);
    EXPECT_EQ(font->Release(), 0u);
}

}  // namespace
