// What the two OpenGL profiles of the device (3.3 core, and ES 3.0 as WebGL2 has it) must give alike:
// the context of the build's profile, texel formats that read back as written and sample as their
// colours, and indexed draws whose base vertex reaches back before the stream offset.
#include <epoxy/gl.h>

#include "device_fixture.h"

namespace {

// Writes `texels` (rows of `bytesPerTexel`-byte texels) into level 0 of a new w x h managed texture.
IDirect3DTexture9* MakeTextureOf(IDirect3DDevice9* device, D3DFORMAT format, UINT w, UINT h, UINT bytesPerTexel,
                                 const std::vector<std::uint8_t>& texels)
{
    IDirect3DTexture9* t = nullptr;
    EXPECT_EQ(device->CreateTexture(w, h, 1, 0, format, D3DPOOL_MANAGED, &t, nullptr), S_OK);
    if (!t) {
        return nullptr;
    }
    D3DLOCKED_RECT r{};
    EXPECT_EQ(t->LockRect(0, &r, nullptr, 0), S_OK);
    for (UINT y = 0; y < h; ++y) {
        std::memcpy(static_cast<std::uint8_t*>(r.pBits) + y * static_cast<UINT>(r.Pitch),
                    &texels[y * w * bytesPerTexel], w * bytesPerTexel);
    }
    EXPECT_EQ(t->UnlockRect(0), S_OK);
    return t;
}

std::vector<std::uint8_t> Words(std::initializer_list<std::uint16_t> words)
{
    std::vector<std::uint8_t> out;
    for (std::uint16_t w : words) {
        out.push_back(static_cast<std::uint8_t>(w & 0xFF));
        out.push_back(static_cast<std::uint8_t>(w >> 8));
    }
    return out;
}

}  // namespace

TEST_F(DeviceTest, TheContextIsOfTheBuildsProfile)
{
#if defined(AVIORRA_GLES)
    EXPECT_FALSE(epoxy_is_desktop_gl()) << glGetString(GL_VERSION);
    EXPECT_GE(epoxy_gl_version(), 30);
    EXPECT_GE(epoxy_glsl_version(), 300);
#else
    EXPECT_TRUE(epoxy_is_desktop_gl()) << glGetString(GL_VERSION);
    EXPECT_GE(epoxy_gl_version(), 33);
#endif
}

TEST_F(DeviceTest, EveryTexelFormatReadsBackAsWrittenOnceItsCopyIsGone)
{
    struct Case {
        D3DFORMAT format;
        UINT bytes;
        std::vector<std::uint8_t> texels;  // 4x2
    };
    // Formats without alpha read their unused bits back set, as an opaque alpha.
    const std::vector<Case> cases = {
        {D3DFMT_A8R8G8B8, 4, {0x01, 0x02, 0x03, 0x04, 0xFF, 0x80, 0x00, 0x7F, 0x10, 0x20, 0x30, 0x40, 0, 0, 0, 0,
                              0xAA, 0xBB, 0xCC, 0xDD, 0x00, 0xFF, 0x00, 0xFF, 0x12, 0x34, 0x56, 0x78, 1, 1, 1, 1}},
        {D3DFMT_X8R8G8B8, 4, {0x01, 0x02, 0x03, 0xFF, 0xFF, 0x80, 0x00, 0xFF, 0x10, 0x20, 0x30, 0xFF, 0, 0, 0, 0xFF,
                              0xAA, 0xBB, 0xCC, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x12, 0x34, 0x56, 0xFF, 1, 1, 1, 0xFF}},
        {D3DFMT_R5G6B5, 2, Words({0xF800, 0x07E0, 0x001F, 0xFFFF, 0x0000, 0x8410, 0x1234, 0xFEDC})},
        {D3DFMT_X1R5G5B5, 2, Words({0xFC00, 0x83E0, 0x801F, 0xFFFF, 0x8000, 0xC210, 0x9234, 0xFEDC})},
        {D3DFMT_A1R5G5B5, 2, Words({0x7C00, 0x83E0, 0x001F, 0xFFFF, 0x0000, 0xC210, 0x1234, 0xFEDC})},
        {D3DFMT_A4R4G4B4, 2, Words({0xF000, 0x0F00, 0x00F0, 0x000F, 0x1234, 0x5678, 0x9ABC, 0xDEF0})},
        {D3DFMT_A8, 1, {0x00, 0x01, 0x7F, 0x80, 0xFE, 0xFF, 0x33, 0xCC}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "format " << c.format);
        IDirect3DTexture9* t = MakeTextureOf(device, c.format, 4, 2, c.bytes, c.texels);
        ASSERT_NE(t, nullptr);
        D3DLOCKED_RECT r{};
        ASSERT_EQ(t->LockRect(0, &r, nullptr, D3DLOCK_READONLY), S_OK);
        for (UINT y = 0; y < 2; ++y) {
            const auto* row = static_cast<const std::uint8_t*>(r.pBits) + y * static_cast<UINT>(r.Pitch);
            const auto written = c.texels.begin() + y * 4 * c.bytes;
            EXPECT_EQ(std::vector<std::uint8_t>(row, row + 4 * c.bytes),
                      std::vector<std::uint8_t>(written, written + 4 * c.bytes))
                << "row " << y;
        }
        EXPECT_EQ(t->UnlockRect(0), S_OK);
        t->Release();
    }
}

TEST_F(DeviceTest, EveryTexelFormatSamplesAsItsColour)
{
    struct Case {
        D3DFORMAT format;
        UINT bytes;
        std::vector<std::uint8_t> texel;
        int r, g, b;  // drawn with alpha blending over white
    };
    const std::vector<Case> cases = {
        {D3DFMT_A8R8G8B8, 4, {0x40, 0x80, 0xC0, 0xFF}, 0xC0, 0x80, 0x40},
        {D3DFMT_X8R8G8B8, 4, {0x40, 0x80, 0xC0, 0x00}, 0xC0, 0x80, 0x40},  // the X byte is not alpha
        {D3DFMT_R5G6B5, 2, Words({0xF800 | (32 << 5) | 8}), 255, 130, 66},
        {D3DFMT_X1R5G5B5, 2, Words({(31 << 10) | (16 << 5) | 8}), 255, 132, 66},
        {D3DFMT_A1R5G5B5, 2, Words({0x0000 | (31 << 10)}), 255, 255, 255},  // alpha 0: the white shows
        {D3DFMT_A1R5G5B5, 2, Words({0x8000 | (31 << 10) | 31}), 255, 0, 255},
        {D3DFMT_A4R4G4B4, 2, Words({0xF000 | 0x0F84}), 255, 136, 68},
        {D3DFMT_A8, 1, {0x80}, 127, 127, 127},  // black at half alpha
    };
    UseScreenSpace();
    IDirect3DVertexBuffer9* vb = MakeBuffer(
        std::vector<VertexXyzTex>{
            {-32, -32, 0.1f, 0, 1}, {-32, 32, 0.1f, 0, 0}, {32, -32, 0.1f, 1, 1}, {32, 32, 0.1f, 1, 0}},
        0x102);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "format " << c.format);
        IDirect3DTexture9* t = MakeTextureOf(device, c.format, 1, 1, c.bytes, c.texel);
        ASSERT_NE(t, nullptr);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFFFFFFFF, 1.0f, 0);
        ASSERT_EQ(device->BeginScene(), S_OK);
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetRenderState(D3DRS_ZENABLE, FALSE);
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        device->SetTexture(0, t);
        device->SetFVF(0x102);
        device->SetStreamSource(0, vb, 0, 20);
        ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), S_OK) << D3DLastErrorText();
        device->EndScene();
        PresentAndRead();
        EXPECT_PIXEL_NEAR(At(32, 32), c.r, c.g, c.b, 1);
        device->SetTexture(0, nullptr);
        t->Release();
    }
    vb->Release();
}

TEST_F(DeviceTest, ANegativeBaseVertexReachesBackFromTheStreamOffset)
{
    UseScreenSpace();
    // Vertices 0-3: a red quad over the whole screen; 4-7: a green quad on the left half, drawn with base
    // vertex -4 from a stream that starts at vertex 4 (indices 4-7: the base lands on the buffer's start)
    // or at vertex 2 (indices 6-9: the base reaches before the buffer, only the indices bring it back).
    std::vector<VertexXyzColourTex> v = {{-32, -32, 0.5f, 0xFFFF0000, 0, 0}, {-32, 32, 0.5f, 0xFFFF0000, 0, 0},
                                         {32, -32, 0.5f, 0xFFFF0000, 0, 0},  {32, 32, 0.5f, 0xFFFF0000, 0, 0},
                                         {-32, -32, 0.5f, 0xFF00FF00, 0, 0}, {-32, 32, 0.5f, 0xFF00FF00, 0, 0},
                                         {0, -32, 0.5f, 0xFF00FF00, 0, 0},   {0, 32, 0.5f, 0xFF00FF00, 0, 0}};
    IDirect3DVertexBuffer9* vb = MakeBuffer(v, 0x142);
    for (const auto& [format, streamVertex] : {std::pair{D3DFMT_INDEX16, 4u}, std::pair{D3DFMT_INDEX32, 4u},
                                               std::pair{D3DFMT_INDEX16, 2u}, std::pair{D3DFMT_INDEX32, 2u}}) {
        SCOPED_TRACE(testing::Message() << "index format " << format << ", stream from vertex " << streamVertex);
        const bool wide = format == D3DFMT_INDEX32;
        IDirect3DIndexBuffer9* ib = nullptr;
        // Two unused indices first: the draw starts at index 2.
        const std::uint32_t first = 8 - streamVertex;
        const std::uint32_t indices[8] = {9, 9, first, first + 1, first + 2, first + 2, first + 1, first + 3};
        ASSERT_EQ(device->CreateIndexBuffer(wide ? 32 : 16, 0, format, D3DPOOL_MANAGED, &ib, nullptr), S_OK);
        void* p = nullptr;
        ASSERT_EQ(ib->Lock(0, 0, &p, 0), S_OK);
        for (int i = 0; i < 8; ++i) {
            if (wide) {
                static_cast<std::uint32_t*>(p)[i] = indices[i];
            } else {
                static_cast<std::uint16_t*>(p)[i] = static_cast<std::uint16_t>(indices[i]);
            }
        }
        ASSERT_EQ(ib->Unlock(), S_OK);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        ASSERT_EQ(device->BeginScene(), S_OK);
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device->SetFVF(0x142);
        device->SetStreamSource(0, vb, streamVertex * 24, 24);
        device->SetIndices(ib);
        ASSERT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, -4, 0, 4, 2, 2), S_OK) << D3DLastErrorText();
        device->EndScene();
        PresentAndRead();
        EXPECT_PIXEL_NEAR(At(10, 32), 0, 255, 0, 0);
        EXPECT_PIXEL_NEAR(At(50, 32), 0, 0, 0, 0);
        device->SetIndices(nullptr);
        ib->Release();
    }
    vb->Release();
}

TEST_F(DeviceTest, EveryDepthFormatClearsAndTestsWithinTheViewportsDepthRange)
{
    for (D3DFORMAT format : {D3DFMT_D16, D3DFMT_D24X8, D3DFMT_D24S8, D3DFMT_D32}) {
        SCOPED_TRACE(testing::Message() << "depth format " << format);
        D3DPRESENT_PARAMETERS pp{};
        pp.Windowed = TRUE;
        pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
        pp.EnableAutoDepthStencil = TRUE;
        pp.AutoDepthStencilFormat = format;
        pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
        IDirect3DDevice9* second = nullptr;
        ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &second), S_OK)
            << D3DLastErrorText();
        // Pretransformed quads over the left half at depth 0.6 (red) and the right half at 0.4 (green),
        // drawn over a depth buffer cleared to 0.5: only the green one passes.
        auto quad = [](float x0, float x1, float z, DWORD colour) {
            return std::vector<VertexRhwColourTex>{{x0, 0, z, 1, colour, 0, 0},
                                                   {x1, 0, z, 1, colour, 0, 0},
                                                   {x0, kSize, z, 1, colour, 0, 0},
                                                   {x1, kSize, z, 1, colour, 0, 0}};
        };
        const auto red = quad(0, kSize / 2, 0.6f, 0xFFFF0000), green = quad(kSize / 2, kSize, 0.4f, 0xFF00FF00);
        auto draw = [&](const D3DVIEWPORT9& viewport) {
            ASSERT_EQ(second->SetViewport(&viewport), S_OK);
            ASSERT_EQ(second->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 0.5f, 0), S_OK);
            ASSERT_EQ(second->BeginScene(), S_OK);
            second->SetRenderState(D3DRS_LIGHTING, FALSE);
            second->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
            second->SetFVF(0x144);
            ASSERT_EQ(second->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, red.data(), sizeof(VertexRhwColourTex)), S_OK);
            ASSERT_EQ(second->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, green.data(), sizeof(VertexRhwColourTex)), S_OK);
            ASSERT_EQ(second->EndScene(), S_OK);
            ASSERT_EQ(second->Present(nullptr, nullptr, nullptr, nullptr), S_OK);
            int w = 0, h = 0;
            ASSERT_TRUE(DeviceReadLastFrame(second, w, h, frame));
            ASSERT_EQ(w, kSize);
        };
        draw({0, 0, kSize, kSize, 0.0f, 1.0f});
        EXPECT_PIXEL_NEAR(At(10, 32), 0, 0, 0, 0) << "behind the cleared depth";
        EXPECT_PIXEL_NEAR(At(50, 32), 0, 255, 0, 0);
        // A depth range of 0.5..1 puts both behind 0.5; one of 0..0.5 puts both in front of it.
        draw({0, 0, kSize, kSize, 0.5f, 1.0f});
        EXPECT_PIXEL_NEAR(At(10, 32), 0, 0, 0, 0);
        EXPECT_PIXEL_NEAR(At(50, 32), 0, 0, 0, 0);
        draw({0, 0, kSize, kSize, 0.0f, 0.5f});
        EXPECT_PIXEL_NEAR(At(10, 32), 255, 0, 0, 0);
        EXPECT_PIXEL_NEAR(At(50, 32), 0, 255, 0, 0);
        EXPECT_EQ(second->Release(), 0u);
    }
}
