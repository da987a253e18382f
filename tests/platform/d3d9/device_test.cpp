// Creation of the Direct3D object and device, state keeping and the resources' lock rules.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "device_fixture.h"

namespace {

D3DPRESENT_PARAMETERS FullScreen(D3DFORMAT format)
{
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = 64;
    pp.BackBufferHeight = 48;
    pp.BackBufferFormat = format;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.Windowed = FALSE;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D16;
    pp.FullScreen_RefreshRateInHz = 60;
    pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    return pp;
}

}  // namespace

TEST(Direct3DCreate, NeedsAKnownVersionAndStartedVideo)
{
    EXPECT_EQ(Direct3DCreate9(0x90003), nullptr) << "SDL video is not started yet";
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0);
    KeepGlLoaded();
    EXPECT_EQ(Direct3DCreate9(7), nullptr);
    EXPECT_STRNE(D3DLastErrorText(), "");
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    D3DCAPS9 caps{};
    EXPECT_EQ(d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps), S_OK);
    EXPECT_GE(caps.MaxPrimitiveCount, 65535u);
    EXPECT_EQ(d3d->GetDeviceCaps(1, D3DDEVTYPE_HAL, &caps), D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d->Release(), 0u);
    SDL_Quit();
}

TEST_F(DeviceTest, WindowedBackBufferIsTheDrawableAndItsFormatIsWrittenBack)
{
    EXPECT_EQ(presentParams.BackBufferWidth, 64u);
    EXPECT_EQ(presentParams.BackBufferHeight, 64u);
    EXPECT_EQ(presentParams.BackBufferFormat, D3DFMT_X8R8G8B8);
    EXPECT_EQ(presentParams.BackBufferCount, 1u);
    D3DVIEWPORT9 vp{};
    ASSERT_EQ(device->GetViewport(&vp), S_OK);
    EXPECT_EQ(vp.Width, 64u);
    EXPECT_EQ(vp.Height, 64u);
    EXPECT_EQ(vp.MaxZ, 1.0f);
    D3DCAPS9 caps{};
    ASSERT_EQ(device->GetDeviceCaps(&caps), S_OK);
    EXPECT_GE(caps.MaxPrimitiveCount, 65535u);
}

TEST_F(DeviceTest, FullScreenNeedsAKnownFormat)
{
    IDirect3DDevice9* second = nullptr;
    D3DPRESENT_PARAMETERS pp = FullScreen(D3DFMT_UNKNOWN);
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &second),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(second, nullptr);
    pp = FullScreen(D3DFMT_R5G6B5);
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &second), S_OK)
        << D3DLastErrorText();
    // The full-screen back buffer has the requested size whatever the window's.
    ASSERT_EQ(second->BeginScene(), S_OK);
    ASSERT_EQ(second->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFFFF0000, 1.0f, 0), S_OK);
    ASSERT_EQ(second->EndScene(), S_OK);
    ASSERT_EQ(second->Present(nullptr, nullptr, nullptr, nullptr), S_OK);
    int w = 0, h = 0;
    std::vector<std::uint8_t> rgba;
    ASSERT_TRUE(DeviceReadLastFrame(second, w, h, rgba));
    EXPECT_EQ(w, 64);
    EXPECT_EQ(h, 48);
    EXPECT_EQ(rgba[0], 255);
    EXPECT_EQ(rgba[1], 0);
    EXPECT_EQ(second->Release(), 0u);
}

TEST_F(DeviceTest, RejectsBadCreationArguments)
{
    IDirect3DDevice9* second = nullptr;
    D3DPRESENT_PARAMETERS pp{};
    pp.Windowed = TRUE;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0, &pp, &second), D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, 0, nullptr, &second), D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d->CreateDevice(1, D3DDEVTYPE_HAL, window, 0, &pp, &second), D3DERR_INVALIDCALL);
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_A8R8G8B8;
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, 0, &pp, &second), D3DERR_INVALIDCALL);
    SDL_Window* plain = SDL_CreateWindow("plain", 0, 0, 16, 16, SDL_WINDOW_HIDDEN);
    ASSERT_NE(plain, nullptr);
    pp.AutoDepthStencilFormat = D3DFMT_D16;
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, plain, 0, &pp, &second), D3DERR_INVALIDCALL);
    EXPECT_NE(std::string(D3DLastErrorText()).find("SDL_WINDOW_OPENGL"), std::string::npos);
    SDL_DestroyWindow(plain);
    EXPECT_EQ(second, nullptr);
}

TEST_F(DeviceTest, StatesStartAtDirect3DDefaultsAndReadBackAsSet)
{
    DWORD v = 0;
    ASSERT_EQ(device->GetRenderState(D3DRS_CULLMODE, &v), S_OK);
    EXPECT_EQ(v, static_cast<DWORD>(D3DCULL_CCW));
    device->GetRenderState(D3DRS_LIGHTING, &v);
    EXPECT_EQ(v, 1u);
    device->GetRenderState(D3DRS_ZENABLE, &v);
    EXPECT_EQ(v, static_cast<DWORD>(D3DZB_TRUE));
    device->GetRenderState(D3DRS_FOGEND, &v);
    float end;
    std::memcpy(&end, &v, 4);
    EXPECT_EQ(end, 1.0f);
    device->GetTextureStageState(0, D3DTSS_COLOROP, &v);
    EXPECT_EQ(v, static_cast<DWORD>(D3DTOP_MODULATE));
    device->GetTextureStageState(1, D3DTSS_COLOROP, &v);
    EXPECT_EQ(v, static_cast<DWORD>(D3DTOP_DISABLE));
    device->GetTextureStageState(0, D3DTSS_ALPHAARG1, &v);
    EXPECT_EQ(v, D3DTA_TEXTURE);
    device->GetSamplerState(0, D3DSAMP_MINFILTER, &v);
    EXPECT_EQ(v, static_cast<DWORD>(D3DTEXF_POINT));

    EXPECT_EQ(device->SetRenderState(D3DRS_FOGCOLOR, 0xFFC8C8C8), S_OK);
    device->GetRenderState(D3DRS_FOGCOLOR, &v);
    EXPECT_EQ(v, 0xFFC8C8C8u);
    EXPECT_EQ(device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR), S_OK);
    device->GetSamplerState(0, D3DSAMP_MIPFILTER, &v);
    EXPECT_EQ(v, static_cast<DWORD>(D3DTEXF_LINEAR));
    EXPECT_EQ(device->SetFVF(0x144), S_OK);
    device->GetFVF(&v);
    EXPECT_EQ(v, 0x144u);

    EXPECT_EQ(device->SetRenderState(static_cast<D3DRENDERSTATETYPE>(5000), 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetTextureStageState(9, D3DTSS_COLOROP, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->GetRenderState(D3DRS_ZENABLE, nullptr), D3DERR_INVALIDCALL);

    D3DXMATRIX m;
    D3DXMatrixTranslation(&m, 1, 2, 3);
    EXPECT_EQ(device->SetTransform(D3DTS_VIEW, &m), S_OK);
    D3DMATRIX back{};
    EXPECT_EQ(device->GetTransform(D3DTS_VIEW, &back), S_OK);
    EXPECT_EQ(back._42, 2.0f);

    D3DLIGHT9 light{};
    EXPECT_EQ(device->GetLight(0, &light), D3DERR_INVALIDCALL);
    light.Type = D3DLIGHT_POINT;
    light.Range = 100;
    light.Attenuation1 = -1;
    EXPECT_EQ(device->SetLight(0, &light), D3DERR_INVALIDCALL);
    light.Attenuation1 = 0.03f;
    EXPECT_EQ(device->SetLight(0, &light), S_OK);
    EXPECT_EQ(device->LightEnable(0, TRUE), S_OK);
    BOOL on = FALSE;
    EXPECT_EQ(device->GetLightEnable(0, &on), S_OK);
    EXPECT_TRUE(on);
    D3DLIGHT9 got{};
    EXPECT_EQ(device->GetLight(0, &got), S_OK);
    EXPECT_EQ(got.Attenuation1, 0.03f);
    // Enabling a light never set gives the default white directional light.
    EXPECT_EQ(device->LightEnable(3, TRUE), S_OK);
    EXPECT_EQ(device->GetLight(3, &got), S_OK);
    EXPECT_EQ(got.Type, D3DLIGHT_DIRECTIONAL);
    EXPECT_EQ(got.Direction.z, 1.0f);
}

TEST_F(DeviceTest, BindingsCountReferencesAndDropReleasedResources)
{
    IDirect3DTexture9* texture = MakeTexture(2, 2, {1, 2, 3, 4});
    ASSERT_EQ(device->SetTexture(0, texture), S_OK);
    IDirect3DBaseTexture9* got = nullptr;
    ASSERT_EQ(device->GetTexture(0, &got), S_OK);
    EXPECT_EQ(got, texture);
    EXPECT_EQ(got->Release(), 1u) << "GetTexture adds a reference";
    EXPECT_EQ(texture->Release(), 0u);
    ASSERT_EQ(device->GetTexture(0, &got), S_OK);
    EXPECT_EQ(got, nullptr) << "a destroyed texture is unbound";

    IDirect3DVertexBuffer9* vb = MakeBuffer(std::vector<VertexXyzTex>(3), 0x102);
    device->SetStreamSource(0, vb, 0, 20);
    IDirect3DVertexBuffer9* stream = nullptr;
    UINT offset = 1, stride = 0;
    ASSERT_EQ(device->GetStreamSource(0, &stream, &offset, &stride), S_OK);
    EXPECT_EQ(stream, vb);
    EXPECT_EQ(stride, 20u);
    stream->Release();
    IDirect3DDevice9* owner = nullptr;
    ASSERT_EQ(vb->GetDevice(&owner), S_OK);
    EXPECT_EQ(owner, device);
    owner->Release();
    EXPECT_EQ(vb->Release(), 0u);
    ASSERT_EQ(device->GetStreamSource(0, &stream, &offset, &stride), S_OK);
    EXPECT_EQ(stream, nullptr);
}

TEST_F(DeviceTest, BufferLocksCheckTheirRange)
{
    IDirect3DVertexBuffer9* vb = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(80, 0, 0x102, D3DPOOL_MANAGED, &vb, nullptr), S_OK);
    D3DVERTEXBUFFER_DESC desc{};
    ASSERT_EQ(vb->GetDesc(&desc), S_OK);
    EXPECT_EQ(desc.Size, 80u);
    EXPECT_EQ(desc.FVF, 0x102u);
    EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED);
    void* p = nullptr;
    EXPECT_EQ(vb->Unlock(), D3DERR_INVALIDCALL) << "unlock without lock";
    EXPECT_EQ(vb->Lock(60, 40, &p, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(vb->Lock(81, 0, &p, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(vb->Lock(0, 0, nullptr, 0), D3DERR_INVALIDCALL);
    ASSERT_EQ(vb->Lock(60, 0, &p, 0), S_OK);
    std::memset(p, 0xAB, 20);  // to the very end
    void* whole = nullptr;
    ASSERT_EQ(vb->Lock(0, 0, &whole, D3DLOCK_READONLY), S_OK);
    EXPECT_EQ(static_cast<std::uint8_t*>(whole)[79], 0xAB);
    EXPECT_EQ(static_cast<std::uint8_t*>(whole) + 60, p);
    EXPECT_EQ(vb->Unlock(), S_OK);
    EXPECT_EQ(vb->Unlock(), S_OK);
    EXPECT_EQ(vb->Unlock(), D3DERR_INVALIDCALL);
    vb->Release();

    IDirect3DIndexBuffer9* ib = nullptr;
    EXPECT_EQ(device->CreateIndexBuffer(12, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &ib, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateIndexBuffer(0, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr), D3DERR_INVALIDCALL);
    ASSERT_EQ(device->CreateIndexBuffer(12, 0, D3DFMT_INDEX32, D3DPOOL_MANAGED, &ib, nullptr), S_OK);
    D3DINDEXBUFFER_DESC idesc{};
    ib->GetDesc(&idesc);
    EXPECT_EQ(idesc.Format, D3DFMT_INDEX32);
    EXPECT_EQ(idesc.Size, 12u);
    ib->Release();
}

TEST_F(DeviceTest, TexturesHaveFullMipChainsRebuiltFromLevelZero)
{
    IDirect3DTexture9* t = nullptr;
    EXPECT_EQ(device->CreateTexture(0, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_D16, D3DPOOL_MANAGED, &t, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateTexture(4, 4, 4, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr), D3DERR_INVALIDCALL);
    ASSERT_EQ(device->CreateTexture(8, 2, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr), S_OK);
    ASSERT_EQ(t->GetLevelCount(), 4u);  // 8x2, 4x1, 2x1, 1x1
    D3DSURFACE_DESC desc{};
    ASSERT_EQ(t->GetLevelDesc(2, &desc), S_OK);
    EXPECT_EQ(desc.Width, 2u);
    EXPECT_EQ(desc.Height, 1u);
    EXPECT_EQ(t->GetLevelDesc(4, &desc), D3DERR_INVALIDCALL);

    D3DLOCKED_RECT r{};
    ASSERT_EQ(t->LockRect(0, &r, nullptr, 0), S_OK);
    EXPECT_EQ(r.Pitch, 32);
    D3DLOCKED_RECT again{};
    EXPECT_EQ(t->LockRect(0, &again, nullptr, 0), D3DERR_INVALIDCALL) << "already locked";
    EXPECT_EQ(again.pBits, nullptr);
    auto* texels = static_cast<DWORD*>(r.pBits);
    // Left half of each row 0xFF000000, right half 0xFF0000FF (blue 255) in the first row, 0 in the second.
    for (int x = 0; x < 8; ++x) {
        texels[x] = x < 4 ? 0xFF000000u : 0xFF0000FFu;
        texels[8 + x] = 0xFF000000u;
    }
    ASSERT_EQ(t->UnlockRect(0), S_OK);
    EXPECT_EQ(TextureCopyBytes(t), 0u) << "filled once: OpenGL alone holds the texels";
    ASSERT_EQ(t->LockRect(1, &r, nullptr, D3DLOCK_READONLY), S_OK);
    const auto* level1 = static_cast<const DWORD*>(r.pBits);
    EXPECT_EQ(level1[0], 0xFF000000u);
    EXPECT_EQ(level1[3], 0xFF000080u) << "2x2 average of two 255 and two 0 blue texels";
    ASSERT_EQ(t->UnlockRect(1), S_OK);
    EXPECT_EQ(t->UnlockRect(1), D3DERR_INVALIDCALL);
    EXPECT_EQ(TextureCopyBytes(t), 0u) << "read back, and let go again";

    const RECT inside{2, 1, 4, 2};
    ASSERT_EQ(t->LockRect(0, &r, &inside, 0), S_OK);
    EXPECT_EQ(*static_cast<DWORD*>(r.pBits), 0xFF000000u);
    static_cast<DWORD*>(r.pBits)[0] = 0x12345678u;
    t->UnlockRect(0);
    ASSERT_EQ(t->LockRect(0, &r, nullptr, D3DLOCK_READONLY), S_OK);
    EXPECT_EQ(static_cast<DWORD*>(r.pBits)[8 + 2], 0x12345678u);
    t->UnlockRect(0);
    EXPECT_GT(TextureCopyBytes(t), 0u) << "written again: the copies stay rather than being read back each time";
    const RECT outside{6, 0, 9, 2};
    EXPECT_EQ(t->LockRect(0, &r, &outside, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(r.pBits, nullptr);
    t->Release();
}

TEST_F(DeviceTest, CompressedTexturesLockByBlocks)
{
    IDirect3DTexture9* t = nullptr;
    ASSERT_EQ(device->CreateTexture(8, 8, 1, 0, D3DFMT_DXT1, D3DPOOL_MANAGED, &t, nullptr), S_OK);
    D3DLOCKED_RECT r{};
    ASSERT_EQ(t->LockRect(0, &r, nullptr, 0), S_OK);
    EXPECT_EQ(r.Pitch, 16);  // two 8-byte blocks per row of blocks
    EXPECT_EQ(t->UnlockRect(0), S_OK);
    const RECT unaligned{1, 0, 4, 4};
    EXPECT_EQ(t->LockRect(0, &r, &unaligned, 0), D3DERR_INVALIDCALL);
    t->Release();
}

TEST_F(DeviceTest, DrawingNeedsASceneAValidStreamAndRange)
{
    std::vector<VertexXyzTex> tri = {{0, 0, 0.5f, 0, 0}, {0, 10, 0.5f, 0, 0}, {10, 0, 0.5f, 0, 0}};
    IDirect3DVertexBuffer9* vb = MakeBuffer(tri, 0x102);
    device->SetFVF(0x102);
    device->SetStreamSource(0, vb, 0, 20);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL) << "outside a scene";
    EXPECT_EQ(device->EndScene(), D3DERR_INVALIDCALL);
    ASSERT_EQ(device->BeginScene(), S_OK);
    EXPECT_EQ(device->BeginScene(), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), S_OK);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 1, 1), D3DERR_INVALIDCALL) << "past the end";
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->DrawPrimitive(static_cast<D3DPRIMITIVETYPE>(99), 0, 1), D3DERR_INVALIDCALL);
    device->SetStreamSource(0, vb, 0, 12);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL) << "stride below the FVF size";
    device->SetStreamSource(0, vb, 0, 20);
    device->SetFVF(D3DFVF_NORMAL);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL) << "no position";
    device->SetFVF(0x102);

    // Indices must stay inside both buffers.
    IDirect3DIndexBuffer9* ib = nullptr;
    ASSERT_EQ(device->CreateIndexBuffer(6, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr), S_OK);
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 3, 0, 1), D3DERR_INVALIDCALL) << "no indices";
    device->SetIndices(ib);
    void* p = nullptr;
    ib->Lock(0, 0, &p, 0);
    const std::uint16_t bad[3] = {0, 1, 7};
    std::memcpy(p, bad, 6);
    ib->Unlock();
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 3, 0, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 3, 1, 1), D3DERR_INVALIDCALL);
    ib->Lock(0, 0, &p, 0);
    const std::uint16_t good[3] = {0, 1, 2};
    std::memcpy(p, good, 6);
    ib->Unlock();
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 3, 0, 1), S_OK);
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 1, 0, 3, 0, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, nullptr, 20), D3DERR_INVALIDCALL);
    ASSERT_EQ(device->EndScene(), S_OK);
    ib->Release();
    vb->Release();
}

TEST_F(DeviceTest, DrawCountsFollowTheDrawsTrianglesAndStateTheyChange)
{
    std::vector<VertexXyzTex> quad = {{0, 0, 0.5f, 0, 0},   {0, 10, 0.5f, 0, 0}, {10, 0, 0.5f, 0, 0},
                                      {10, 10, 0.5f, 0, 0}, {10, 0, 0.5f, 0, 0}, {0, 10, 0.5f, 0, 0}};
    IDirect3DVertexBuffer9* vb = MakeBuffer(quad, 0x102);
    IDirect3DTexture9* texture = MakeTexture(1, 1, {0xFF808080u});
    UseScreenSpace();
    device->SetFVF(0x102);
    device->SetStreamSource(0, vb, 0, 20);
    ASSERT_EQ(device->BeginScene(), S_OK);
    const D3DDrawCounts start = D3DDrawCountsSoFar();
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), S_OK);
    const D3DDrawCounts first = D3DDrawCountsSoFar();
    EXPECT_EQ(first.draws - start.draws, 1u);
    EXPECT_EQ(first.triangles - start.triangles, 2u);
    EXPECT_GT(first.stateChanges, start.stateChanges) << "the first draw makes its state current";
    EXPECT_GE(first.programs, 1u);

    // The same state again changes nothing; a strip counts its triangles, lines count none, a refused
    // draw counts nothing at all.
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 4), S_OK);
    ASSERT_EQ(device->DrawPrimitive(D3DPT_LINELIST, 0, 3), S_OK);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 1, 2), D3DERR_INVALIDCALL);
    const D3DDrawCounts same = D3DDrawCountsSoFar();
    EXPECT_EQ(same.draws - first.draws, 2u);
    EXPECT_EQ(same.triangles - first.triangles, 4u);
    EXPECT_EQ(same.stateChanges, first.stateChanges);

    // A texture, bound once: the program with a texture, its uniforms and the texture itself; a
    // second draw with it changes nothing more.
    device->SetTexture(0, texture);
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), S_OK);
    const D3DDrawCounts textured = D3DDrawCountsSoFar();
    EXPECT_GE(textured.stateChanges - same.stateChanges, 2u);
    EXPECT_EQ(textured.programs - same.programs, 1u) << "one new program for the texture";
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), S_OK);
    EXPECT_EQ(D3DDrawCountsSoFar().stateChanges, textured.stateChanges);
    ASSERT_EQ(device->EndScene(), S_OK);
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(D3DDrawCountsSoFar().frames - start.frames, 1u);
    device->SetTexture(0, nullptr);
    device->SetStreamSource(0, nullptr, 0, 0);
    texture->Release();
    vb->Release();

    // A device going away writes the counts so far where AVIORRA_DRAW_COUNTS says.
    const std::filesystem::path file =
        std::filesystem::temp_directory_path() / ("draw_counts_" + std::to_string(getpid()) + ".txt");
    ASSERT_EQ(setenv("AVIORRA_DRAW_COUNTS", file.c_str(), 1), 0);
    const D3DDrawCounts end = D3DDrawCountsSoFar();
    EXPECT_EQ(device->Release(), 0u);
    device = nullptr;
    unsetenv("AVIORRA_DRAW_COUNTS");
    std::ifstream in(file);
    std::string line;
    ASSERT_TRUE(std::getline(in, line)) << "no counts written to " << file;
    EXPECT_EQ(line, "frames " + std::to_string(end.frames) + " draws " + std::to_string(end.draws) + " triangles " +
                        std::to_string(end.triangles) + " state_changes " + std::to_string(end.stateChanges) +
                        " programs " + std::to_string(end.programs));
    in.close();
    std::filesystem::remove(file);
}

TEST_F(DeviceTest, NothingPresentedReadsNoFrame)
{
    int w = 1, h = 1;
    std::vector<std::uint8_t> rgba(4);
    EXPECT_FALSE(DeviceReadLastFrame(device, w, h, rgba));
    EXPECT_EQ(w, 0);
    EXPECT_TRUE(rgba.empty());
    EXPECT_FALSE(DeviceReadLastFrame(nullptr, w, h, rgba));
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), S_OK);
    EXPECT_TRUE(DeviceReadLastFrame(device, w, h, rgba));
    EXPECT_EQ(rgba.size(), 64u * 64u * 4u);
}

TEST(D3DLetterbox, TheFrameKeepsItsShapeCentredInAnyScreen)
{
    // Same shape: the whole screen.
    D3DPresentArea same = D3DLetterbox(800, 600, 1600, 1200);
    EXPECT_EQ(same.x, 0);
    EXPECT_EQ(same.y, 0);
    EXPECT_EQ(same.width, 1600);
    EXPECT_EQ(same.height, 1200);
    // A 4:3 frame on a 16:9 desktop: bars left and right.
    D3DPresentArea wide = D3DLetterbox(800, 600, 1920, 1080);
    EXPECT_EQ(wide.width, 1440);
    EXPECT_EQ(wide.height, 1080);
    EXPECT_EQ(wide.x, 240);
    EXPECT_EQ(wide.y, 0);
    // A wide frame on a tall screen: bars above and below.
    D3DPresentArea tall = D3DLetterbox(1280, 720, 1024, 1280);
    EXPECT_EQ(tall.width, 1024);
    EXPECT_EQ(tall.height, 576);
    EXPECT_EQ(tall.x, 0);
    EXPECT_EQ(tall.y, 352);
    // Nothing to scale: the screen as it is.
    D3DPresentArea none = D3DLetterbox(0, 600, 640, 480);
    EXPECT_EQ(none.width, 640);
    EXPECT_EQ(none.height, 480);
}
