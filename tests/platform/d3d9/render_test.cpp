// Small scenes drawn offscreen, their pixels compared with the fixed-function formulas.
#include <cmath>

#include "device_fixture.h"

namespace {

// A quad facing the camera at depth z (normal toward the eye), as a triangle strip.
std::vector<VertexXyzNormalTex> FacingQuad(float half, float z)
{
    return {{-half, -half, z, 0, 0, -1, 0, 1},
            {-half, half, z, 0, 0, -1, 0, 0},
            {half, -half, z, 0, 0, -1, 1, 1},
            {half, half, z, 0, 0, -1, 1, 0}};
}

int Byte(double v)
{
    return static_cast<int>(std::lround(std::min(1.0, std::max(0.0, v)) * 255.0));
}

}  // namespace

TEST_F(DeviceTest, ClearFillsTheViewportWithTheColour)
{
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, D3DCOLOR_XRGB(10, 20, 30), 1.0f, 0), S_OK);
    PresentAndRead();
    EXPECT_PIXEL_NEAR(At(0, 0), 10, 20, 30, 0);
    EXPECT_PIXEL_NEAR(At(63, 63), 10, 20, 30, 0);
    // A rectangle clear touches only its pixels (y measured from the top).
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    const D3DRECT rect{4, 2, 8, 6};
    device->Clear(1, &rect, D3DCLEAR_TARGET, 0xFFFFFFFF, 1.0f, 0);
    PresentAndRead();
    EXPECT_PIXEL_NEAR(At(4, 2), 255, 255, 255, 0);
    EXPECT_PIXEL_NEAR(At(7, 5), 255, 255, 255, 0);
    EXPECT_PIXEL_NEAR(At(8, 5), 0, 0, 0, 0);
    EXPECT_PIXEL_NEAR(At(7, 6), 0, 0, 0, 0);
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 1.0f, 0), D3DERR_INVALIDCALL) << "D16 has no stencil";
}

TEST_F(DeviceTest, OrthographicScreenQuadCoversItsPixelsWithTheTexture)
{
    UseScreenSpace();
    // 2x2 texture: red, green / blue, white; point filtering shows four exact quadrants.
    IDirect3DTexture9* tex = MakeTexture(2, 2, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF});
    // x from -16 to 16 and y from -8 to 8 around the centre: pixels 16..47 and rows 24..39.
    IDirect3DVertexBuffer9* vb = MakeBuffer(
        std::vector<VertexXyzTex>{
            {-16, -8, 0.1f, 0, 1}, {-16, 8, 0.1f, 0, 0}, {16, -8, 0.1f, 1, 1}, {16, 8, 0.1f, 1, 0}},
        0x102);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    ASSERT_EQ(device->BeginScene(), S_OK);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    device->SetTexture(0, tex);
    device->SetFVF(0x102);
    device->SetStreamSource(0, vb, 0, 20);
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), S_OK) << D3DLastErrorText();
    device->EndScene();
    PresentAndRead();
    EXPECT_PIXEL_NEAR(At(17, 25), 255, 0, 0, 0) << "top left";
    EXPECT_PIXEL_NEAR(At(46, 25), 0, 255, 0, 0) << "top right";
    EXPECT_PIXEL_NEAR(At(17, 38), 0, 0, 255, 0) << "bottom left";
    EXPECT_PIXEL_NEAR(At(46, 38), 255, 255, 255, 0) << "bottom right";
    EXPECT_PIXEL_NEAR(At(15, 30), 0, 0, 0, 0);
    EXPECT_PIXEL_NEAR(At(48, 30), 0, 0, 0, 0);
    EXPECT_PIXEL_NEAR(At(30, 23), 0, 0, 0, 0);
    EXPECT_PIXEL_NEAR(At(30, 40), 0, 0, 0, 0);
    device->SetTexture(0, nullptr);
    vb->Release();
    tex->Release();
}

TEST_F(DeviceTest, DirectionalLightFollowsTheLambertAndAmbientTerms)
{
    UsePerspective();
    IDirect3DVertexBuffer9* vb = MakeBuffer(FacingQuad(1.0f, 3.0f), 0x112);
    D3DMATERIAL9 material{};
    material.Diffuse = {1, 1, 1, 1};
    material.Ambient = {1, 1, 1, 1};
    D3DLIGHT9 sun{};
    sun.Type = D3DLIGHT_DIRECTIONAL;
    sun.Diffuse = {0.5f, 0.4f, 0.3f, 0};
    sun.Ambient = {0.1f, 0.2f, 0.05f, 0};
    sun.Direction = {0.0f, 0.6f, 0.8f};  // N.L = 0.8 for a surface facing -z
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    device->BeginScene();
    device->SetMaterial(&material);
    device->SetLight(0, &sun);
    device->LightEnable(0, TRUE);
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    device->SetRenderState(D3DRS_AMBIENT, 0x00101010);
    device->SetFVF(0x112);
    device->SetStreamSource(0, vb, 0, 32);
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), S_OK) << D3DLastErrorText();
    device->EndScene();
    PresentAndRead();
    const double ga = 16.0 / 255.0;
    EXPECT_PIXEL_NEAR(At(32, 32), Byte(ga + 0.1 + 0.5 * 0.8), Byte(ga + 0.2 + 0.4 * 0.8), Byte(ga + 0.05 + 0.3 * 0.8),
                      2);

    // Turned away from the light only the ambient terms remain; emissive adds.
    sun.Direction = {0.0f, 0.0f, -1.0f};
    material.Emissive = {0.0f, 0.0f, 0.25f, 0};
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    device->BeginScene();
    device->SetLight(0, &sun);
    device->SetMaterial(&material);
    device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
    device->EndScene();
    PresentAndRead();
    EXPECT_PIXEL_NEAR(At(32, 32), Byte(ga + 0.1), Byte(ga + 0.2), Byte(ga + 0.05 + 0.25), 2);
    vb->Release();
}

TEST_F(DeviceTest, PointLightAttenuatesWithDistanceAndStopsAtItsRange)
{
    UsePerspective();
    // All four corners lie at the same distance from a light at the eye, so the quad is uniform.
    IDirect3DVertexBuffer9* vb = MakeBuffer(FacingQuad(1.0f, 5.0f), 0x112);
    D3DMATERIAL9 material{};
    material.Diffuse = {1, 1, 1, 1};
    D3DLIGHT9 lamp{};
    lamp.Type = D3DLIGHT_POINT;
    lamp.Diffuse = {0.2f, 0.1f, 0.05f, 0};
    lamp.Position = {0, 0, 0};
    lamp.Range = 100;
    lamp.Attenuation0 = 0.1f;
    lamp.Attenuation1 = 0.03f;
    lamp.Attenuation2 = 0.005f;
    auto draw = [&] {
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        device->BeginScene();
        device->SetMaterial(&material);
        device->SetLight(0, &lamp);
        device->LightEnable(0, TRUE);
        device->SetFVF(0x112);
        device->SetStreamSource(0, vb, 0, 32);
        ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), S_OK);
        device->EndScene();
        PresentAndRead();
    };
    draw();
    const double d = std::sqrt(27.0);
    const double k = (5.0 / d) / (0.1 + 0.03 * d + 0.005 * d * d);
    EXPECT_PIXEL_NEAR(At(32, 32), Byte(0.2 * k), Byte(0.1 * k), Byte(0.05 * k), 2);
    EXPECT_PIXEL_NEAR(At(30, 34), Byte(0.2 * k), Byte(0.1 * k), Byte(0.05 * k), 2);
    lamp.Range = 5.0f;  // every corner is sqrt(27) away
    draw();
    EXPECT_PIXEL_NEAR(At(32, 32), 0, 0, 0, 0);
    vb->Release();
}

TEST_F(DeviceTest, LinearVertexFogUsesRangeOrDepth)
{
    UsePerspective();
    IDirect3DVertexBuffer9* vb = MakeBuffer(
        std::vector<VertexXyzTex>{{-1, -1, 7, 0, 0}, {-1, 1, 7, 0, 0}, {1, -1, 7, 0, 0}, {1, 1, 7, 0, 0}}, 0x102);
    auto draw = [&](BOOL rangeFog) {
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        device->BeginScene();
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetRenderState(D3DRS_FOGENABLE, TRUE);
        device->SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_NONE);
        device->SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_LINEAR);
        device->SetRenderState(D3DRS_RANGEFOGENABLE, rangeFog);
        device->SetRenderState(D3DRS_FOGCOLOR, 0xFFFF0000);
        const float start = 2.0f, end = 12.0f;
        DWORD s, e;
        std::memcpy(&s, &start, 4);
        std::memcpy(&e, &end, 4);
        device->SetRenderState(D3DRS_FOGSTART, s);
        device->SetRenderState(D3DRS_FOGEND, e);
        device->SetFVF(0x102);
        device->SetStreamSource(0, vb, 0, 20);
        ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), S_OK);
        device->EndScene();
        PresentAndRead();
    };
    draw(TRUE);
    const double fRange = (12.0 - std::sqrt(51.0)) / 10.0;
    EXPECT_PIXEL_NEAR(At(32, 32), 255, Byte(fRange), Byte(fRange), 2);
    draw(FALSE);
    EXPECT_PIXEL_NEAR(At(32, 32), 255, Byte(0.5), Byte(0.5), 2);
    // Pretransformed vertices are never fogged.
    const VertexRhwColourTex quad[4] = {{0, 0, 0.5f, 1, 0xFF00FF00, 0, 0},
                                        {63.5f, 0, 0.5f, 1, 0xFF00FF00, 0, 0},
                                        {0, 63.5f, 0.5f, 1, 0xFF00FF00, 0, 0},
                                        {63.5f, 63.5f, 0.5f, 1, 0xFF00FF00, 0, 0}};
    device->BeginScene();
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetFVF(0x144);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(VertexRhwColourTex)), S_OK);
    device->EndScene();
    PresentAndRead();
    EXPECT_PIXEL_NEAR(At(32, 32), 0, 255, 0, 0);
    vb->Release();
}

TEST_F(DeviceTest, AlphaBlendingMixesWithTheTarget)
{
    UseScreenSpace();
    IDirect3DVertexBuffer9* vb = MakeBuffer(std::vector<VertexXyzColourTex>{{-32, -32, 0.1f, 0x80FF0000, 0, 1},
                                                                            {-32, 32, 0.1f, 0x80FF0000, 0, 0},
                                                                            {32, -32, 0.1f, 0x80FF0000, 1, 1},
                                                                            {32, 32, 0.1f, 0x80FF0000, 1, 0}},
                                            0x142);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0000FF, 1.0f, 0);
    device->BeginScene();
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    device->SetFVF(0x142);
    device->SetStreamSource(0, vb, 0, 24);
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), S_OK);
    device->EndScene();
    PresentAndRead();
    const double a = 128.0 / 255.0;
    EXPECT_PIXEL_NEAR(At(32, 32), Byte(a), 0, Byte(1.0 - a), 1);
    // ONE/ONE adds.
    device->BeginScene();
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
    device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
    device->EndScene();
    PresentAndRead();
    EXPECT_PIXEL_NEAR(At(32, 32), 255, 0, 255, 0);
    vb->Release();
}

TEST_F(DeviceTest, ColourKeyedTexelLetsTheBackgroundThrough)
{
    UseScreenSpace();
    // Left texel transparent black (a colour-keyed texel), right texel opaque green.
    IDirect3DTexture9* tex = MakeTexture(2, 1, {0x00000000, 0xFF00FF00});
    IDirect3DVertexBuffer9* vb = MakeBuffer(std::vector<VertexXyzColourTex>{{-32, -32, 0.1f, 0xFFFFFFFF, 0, 1},
                                                                            {-32, 32, 0.1f, 0xFFFFFFFF, 0, 0},
                                                                            {32, -32, 0.1f, 0xFFFFFFFF, 1, 1},
                                                                            {32, 32, 0.1f, 0xFFFFFFFF, 1, 0}},
                                            0x142);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0000FF, 1.0f, 0);
    device->BeginScene();
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetTexture(0, tex);
    device->SetFVF(0x142);
    device->SetStreamSource(0, vb, 0, 24);
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), S_OK);
    device->EndScene();
    PresentAndRead();
    EXPECT_PIXEL_NEAR(At(8, 32), 0, 0, 255, 0) << "transparent texel shows the clear colour";
    EXPECT_PIXEL_NEAR(At(56, 32), 0, 255, 0, 0);
    // Alpha test drops the texel even without blending.
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
    device->BeginScene();
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    device->SetRenderState(D3DRS_ALPHAREF, 0x08);
    device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
    device->EndScene();
    PresentAndRead();
    EXPECT_PIXEL_NEAR(At(8, 32), 0, 0, 255, 0);
    EXPECT_PIXEL_NEAR(At(56, 32), 0, 255, 0, 0);
    device->SetTexture(0, nullptr);
    tex->Release();
    vb->Release();
}

TEST_F(DeviceTest, CullingDropsCounterClockwiseTrianglesByDefault)
{
    // Pretransformed pixels, y down: (8,8) -> (8,56) -> (56,8) runs counter-clockwise on screen.
    const DWORD white = 0xFFFFFFFF;
    const VertexRhwColourTex ccw[3] = {
        {8, 8, 0.5f, 1, white, 0, 0}, {8, 56, 0.5f, 1, white, 0, 0}, {56, 8, 0.5f, 1, white, 0, 0}};
    const VertexRhwColourTex cw[3] = {ccw[0], ccw[2], ccw[1]};
    auto draw = [&](const VertexRhwColourTex* tri) {
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        device->BeginScene();
        device->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
        ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, tri, sizeof(VertexRhwColourTex)), S_OK)
            << D3DLastErrorText();
        device->EndScene();
        PresentAndRead();
    };
    draw(ccw);
    EXPECT_PIXEL_NEAR(At(16, 16), 0, 0, 0, 0) << "culled";
    draw(cw);
    EXPECT_PIXEL_NEAR(At(16, 16), 255, 255, 255, 0);
    EXPECT_PIXEL_NEAR(At(50, 50), 0, 0, 0, 0) << "outside the triangle";
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    draw(cw);
    EXPECT_PIXEL_NEAR(At(16, 16), 0, 0, 0, 0);
    draw(ccw);
    EXPECT_PIXEL_NEAR(At(16, 16), 255, 255, 255, 0);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    draw(ccw);
    EXPECT_PIXEL_NEAR(At(16, 16), 255, 255, 255, 0);
}

TEST_F(DeviceTest, PretransformedGlyphQuadSamplesTexelsAtPixelCentres)
{
    // A glyph-like 4x4 texture drawn 1:1 with D3D's half-pixel offset: each texel lands on one pixel.
    std::vector<DWORD> texels(16, 0x00FFFFFF);
    texels[1 * 4 + 2] = 0xFFFFFFFF;  // one opaque texel at column 2, row 1
    IDirect3DTexture9* tex = MakeTexture(4, 4, texels);
    const DWORD yellow = 0xFFFFFF00;
    const float l = 10 - 0.5f, t = 20 - 0.5f, r = l + 4, b = t + 4;
    const VertexRhwColourTex quad[6] = {{l, t, 0, 1, yellow, 0, 0}, {r, t, 0, 1, yellow, 1, 0},
                                        {l, b, 0, 1, yellow, 0, 1}, {r, t, 0, 1, yellow, 1, 0},
                                        {r, b, 0, 1, yellow, 1, 1}, {l, b, 0, 1, yellow, 0, 1}};
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    device->BeginScene();
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetTexture(0, tex);
    device->SetFVF(0x144);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, quad, sizeof(VertexRhwColourTex)), S_OK);
    device->EndScene();
    PresentAndRead();
    EXPECT_PIXEL_NEAR(At(12, 21), 255, 255, 0, 0) << "the opaque texel, modulated by the vertex colour";
    EXPECT_PIXEL_NEAR(At(11, 21), 0, 0, 0, 0);
    EXPECT_PIXEL_NEAR(At(12, 20), 0, 0, 0, 0);
    EXPECT_PIXEL_NEAR(At(13, 21), 0, 0, 0, 0);
    // DrawPrimitiveUP leaves stream 0 unset.
    IDirect3DVertexBuffer9* stream = reinterpret_cast<IDirect3DVertexBuffer9*>(1);
    UINT offset, stride;
    device->GetStreamSource(0, &stream, &offset, &stride);
    EXPECT_EQ(stream, nullptr);
    device->SetTexture(0, nullptr);
    tex->Release();
}

TEST_F(DeviceTest, IndexedStripsAndListsWithBothIndexSizesAndADepthTest)
{
    UseScreenSpace();
    // Vertices 0-3: a far red quad over the whole screen; 4-7: a near green quad on the left half.
    std::vector<VertexXyzColourTex> v = {{-32, -32, 0.8f, 0xFFFF0000, 0, 0}, {-32, 32, 0.8f, 0xFFFF0000, 0, 0},
                                         {32, -32, 0.8f, 0xFFFF0000, 0, 0},  {32, 32, 0.8f, 0xFFFF0000, 0, 0},
                                         {-32, -32, 0.2f, 0xFF00FF00, 0, 0}, {-32, 32, 0.2f, 0xFF00FF00, 0, 0},
                                         {0, -32, 0.2f, 0xFF00FF00, 0, 0},   {0, 32, 0.2f, 0xFF00FF00, 0, 0}};
    IDirect3DVertexBuffer9* vb = MakeBuffer(v, 0x142);
    IDirect3DIndexBuffer9* strip16 = nullptr;
    IDirect3DIndexBuffer9* list32 = nullptr;
    ASSERT_EQ(device->CreateIndexBuffer(8, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &strip16, nullptr), S_OK);
    ASSERT_EQ(device->CreateIndexBuffer(24, 0, D3DFMT_INDEX32, D3DPOOL_MANAGED, &list32, nullptr), S_OK);
    void* p;
    strip16->Lock(0, 0, &p, 0);
    const std::uint16_t s[4] = {0, 1, 2, 3};
    std::memcpy(p, s, sizeof s);
    strip16->Unlock();
    list32->Lock(0, 0, &p, 0);
    const std::uint32_t l[6] = {0, 1, 2, 2, 1, 3};  // relative to base vertex 4
    std::memcpy(p, l, sizeof l);
    list32->Unlock();

    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    device->BeginScene();
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetFVF(0x142);
    device->SetStreamSource(0, vb, 0, 24);
    // Near quad first: the far one must fail the depth test where they overlap.
    device->SetIndices(list32);
    ASSERT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 4, 0, 4, 0, 2), S_OK) << D3DLastErrorText();
    device->SetIndices(strip16);
    ASSERT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLESTRIP, 0, 0, 4, 0, 2), S_OK);
    device->EndScene();
    PresentAndRead();
    EXPECT_PIXEL_NEAR(At(10, 32), 0, 255, 0, 0);
    EXPECT_PIXEL_NEAR(At(50, 32), 255, 0, 0, 0);

    // With depth off the later far quad covers everything.
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    device->BeginScene();
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    device->SetIndices(list32);
    device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 4, 0, 4, 0, 2);
    device->SetIndices(strip16);
    device->DrawIndexedPrimitive(D3DPT_TRIANGLESTRIP, 0, 0, 4, 0, 2);
    device->EndScene();
    PresentAndRead();
    EXPECT_PIXEL_NEAR(At(10, 32), 255, 0, 0, 0);
    device->SetIndices(nullptr);
    strip16->Release();
    list32->Release();
    vb->Release();
}

TEST_F(DeviceTest, SpecularHighlightAddsWhenEnabled)
{
    UsePerspective();
    const float half = 0.3f, z = 3.0f;
    IDirect3DVertexBuffer9* vb = MakeBuffer(FacingQuad(half, z), 0x112);
    D3DMATERIAL9 material{};
    material.Specular = {1, 1, 1, 0};
    material.Power = 10;
    D3DLIGHT9 sun{};
    sun.Type = D3DLIGHT_DIRECTIONAL;
    sun.Specular = {0.5f, 0.25f, 0.0f, 0};
    sun.Direction = {0, 0, 1};
    auto draw = [&](BOOL specular) {
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        device->BeginScene();
        device->SetRenderState(D3DRS_SPECULARENABLE, specular);
        device->SetMaterial(&material);
        device->SetLight(0, &sun);
        device->LightEnable(0, TRUE);
        device->SetFVF(0x112);
        device->SetStreamSource(0, vb, 0, 32);
        device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
        device->EndScene();
        PresentAndRead();
    };
    // Local viewer: H = normalise(L + V) with V toward the eye; every corner sees the same N.H.
    const double len = std::sqrt(2.0 * half * half + z * z);
    const double hx = -half / len, hy = -half / len, hz = -1.0 - z / len;
    const double nh = -hz / std::sqrt(hx * hx + hy * hy + hz * hz);
    const double highlight = std::pow(nh, 10.0);
    draw(TRUE);
    EXPECT_PIXEL_NEAR(At(32, 32), Byte(0.5 * highlight), Byte(0.25 * highlight), 0, 2);
    draw(FALSE);
    EXPECT_PIXEL_NEAR(At(32, 32), 0, 0, 0, 0);
    vb->Release();
}

// Each shader program keeps its own copy of the values: one changed while another program draws must
// still reach it, and the general program and the specialised ones hand each other the changes.
TEST_F(DeviceTest, ValuesChangedUnderAnotherProgramReachEveryProgram)
{
    UsePerspective();
    IDirect3DVertexBuffer9* vb = MakeBuffer(FacingQuad(1.0f, 3.0f), 0x112);
    const VertexRhwColourTex corner[4] = {{0, 0, 0.5f, 1, 0xFF00FF00, 0, 0},
                                          {8, 0, 0.5f, 1, 0xFF00FF00, 0, 0},
                                          {0, 8, 0.5f, 1, 0xFF00FF00, 0, 0},
                                          {8, 8, 0.5f, 1, 0xFF00FF00, 0, 0}};
    auto frame = [&](D3DCOLORVALUE emissive, bool general) {
        DeviceUseGeneralProgram(device, general);
        D3DMATERIAL9 material{};
        material.Emissive = emissive;
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        device->BeginScene();
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        // The material changes, then the unlit corner draws with another program before the lit quad.
        device->SetMaterial(&material);
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetFVF(0x144);
        ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, corner, sizeof(VertexRhwColourTex)), S_OK);
        device->SetRenderState(D3DRS_LIGHTING, TRUE);
        device->SetFVF(0x112);
        device->SetStreamSource(0, vb, 0, 32);
        ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), S_OK) << D3DLastErrorText();
        device->EndScene();
        PresentAndRead();
        EXPECT_PIXEL_NEAR(At(2, 2), 0, 255, 0, 0);
    };
    frame({1, 0, 0, 1}, false);
    EXPECT_PIXEL_NEAR(At(32, 32), 255, 0, 0, 1);
    frame({0, 0, 1, 1}, false);
    EXPECT_PIXEL_NEAR(At(32, 32), 0, 0, 255, 1) << "the material set while the unlit program drew";
    frame({1, 1, 1, 1}, true);
    EXPECT_PIXEL_NEAR(At(32, 32), 255, 255, 255, 1) << "the general program";
    frame({1, 0, 0, 1}, false);
    EXPECT_PIXEL_NEAR(At(32, 32), 255, 0, 0, 1) << "the material set while the general program drew";
    vb->Release();
}

TEST_F(DeviceTest, PointMipFilterSamplesTheTopLevelAloneUntilTexelsShrinkBelowAPixel)
{
    // A one-texel checker: its smaller levels are all grey, so any sampling of them shows.
    std::vector<DWORD> checker(32 * 32);
    for (UINT i = 0; i < checker.size(); ++i) {
        checker[i] = ((i % 32 + i / 32) % 2 != 0) ? 0xFFFFFFFFu : 0xFF000000u;
    }
    IDirect3DTexture9* tex = MakeTexture(32, 32, checker, 0);
    UseScreenSpace();
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);

    // The frame with the texture on a square of `side` pixels, sampled with `mipFilter`.
    auto draw = [&](float side, DWORD mipFilter) {
        const float h = side / 2.0f;
        IDirect3DVertexBuffer9* vb = MakeBuffer(
            std::vector<VertexXyzTex>{
                {-h, -h, 0.1f, 0, 1}, {-h, h, 0.1f, 0, 0}, {h, -h, 0.1f, 1, 1}, {h, h, 0.1f, 1, 0}},
            0x102);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF800000, 1.0f, 0);
        EXPECT_EQ(device->BeginScene(), S_OK);
        device->SetSamplerState(0, D3DSAMP_MIPFILTER, mipFilter);
        device->SetTexture(0, tex);
        device->SetFVF(0x102);
        device->SetStreamSource(0, vb, 0, sizeof(VertexXyzTex));
        EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), S_OK) << D3DLastErrorText();
        device->EndScene();
        PresentAndRead();
        device->SetStreamSource(0, nullptr, 0, 0);
        vb->Release();
        return frame;
    };
    EXPECT_EQ(draw(64.0f, D3DTEXF_POINT), draw(64.0f, D3DTEXF_NONE)) << "magnified twice";
    EXPECT_EQ(draw(24.0f, D3DTEXF_POINT), draw(24.0f, D3DTEXF_NONE)) << "1.33 texels per pixel";
    EXPECT_NE(draw(20.0f, D3DTEXF_POINT), draw(20.0f, D3DTEXF_NONE)) << "1.6 texels per pixel take the grey level";
    device->SetTexture(0, nullptr);
    tex->Release();
}
