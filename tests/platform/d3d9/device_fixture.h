// A hidden 64x64 OpenGL window with a windowed device on it, and helpers to draw and read pixels.
#pragma once

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "d3dx/math.h"
#include "platform/d3d9/d3d9.h"

struct Pixel {
    int r, g, b;
};

// The OpenGL driver allocates a little for the life of the process. Keeping its library loaded until
// exit (one load never matched by an unload) lets the leak checker name it and apply tests/lsan.supp.
inline void KeepGlLoaded()
{
    SDL_GL_LoadLibrary(nullptr);
}

class DeviceTest : public ::testing::Test {
protected:
    static constexpr int kSize = 64;

    void SetUp() override
    {
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        KeepGlLoaded();
        window = SDL_CreateWindow("d3d9 test", 0, 0, kSize, kSize, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        ASSERT_NE(window, nullptr) << SDL_GetError();
        d3d = Direct3DCreate9(0x90003);
        ASSERT_NE(d3d, nullptr) << D3DLastErrorText();
        D3DPRESENT_PARAMETERS pp{};
        pp.Windowed = TRUE;
        pp.BackBufferFormat = D3DFMT_UNKNOWN;
        pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
        pp.EnableAutoDepthStencil = TRUE;
        pp.AutoDepthStencilFormat = D3DFMT_D16;
        pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
        ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device), S_OK)
            << D3DLastErrorText();
        presentParams = pp;
    }

    void TearDown() override
    {
        if (device) {
            EXPECT_EQ(device->Release(), 0u) << "a resource of the test was not released";
        }
        if (d3d) {
            EXPECT_EQ(d3d->Release(), 0u);
        }
        const D3DObjectCounts live = D3DLiveObjects();
        EXPECT_EQ(live.devices + live.textures + live.vertexBuffers + live.indexBuffers + live.direct3d, 0);
        if (window) {
            SDL_DestroyWindow(window);
        }
        SDL_Quit();
    }

    // Screen-space set-up as the game's overlays use it: ortho projection, identity world and view.
    void UseScreenSpace()
    {
        D3DXMATRIX m;
        D3DXMatrixIdentity(&m);
        device->SetTransform(D3DTS_WORLD, &m);
        device->SetTransform(D3DTS_VIEW, &m);
        D3DXMatrixOrthoLH(&m, kSize, kSize, 0.0f, 1.0f);
        device->SetTransform(D3DTS_PROJECTION, &m);
    }

    void UsePerspective()
    {
        D3DXMATRIX m;
        D3DXMatrixIdentity(&m);
        device->SetTransform(D3DTS_WORLD, &m);
        device->SetTransform(D3DTS_VIEW, &m);
        D3DXMatrixPerspectiveFovLH(&m, 1.0f, 1.0f, 0.1f, 100.0f);
        device->SetTransform(D3DTS_PROJECTION, &m);
    }

    // Presents and keeps the frame for Pixel().
    void PresentAndRead()
    {
        ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), S_OK);
        int w = 0, h = 0;
        ASSERT_TRUE(DeviceReadLastFrame(device, w, h, frame));
        ASSERT_EQ(w, kSize);
        ASSERT_EQ(h, kSize);
    }

    // x from the left, y from the top.
    Pixel At(int x, int y) const
    {
        const std::size_t i = (static_cast<std::size_t>(y) * kSize + static_cast<std::size_t>(x)) * 4;
        return {frame[i], frame[i + 1], frame[i + 2]};
    }

    template <typename Vertex>
    IDirect3DVertexBuffer9* MakeBuffer(const std::vector<Vertex>& vertices, DWORD fvf)
    {
        IDirect3DVertexBuffer9* vb = nullptr;
        const UINT bytes = static_cast<UINT>(vertices.size() * sizeof(Vertex));
        EXPECT_EQ(device->CreateVertexBuffer(bytes, 0, fvf, D3DPOOL_MANAGED, &vb, nullptr), S_OK);
        void* p = nullptr;
        EXPECT_EQ(vb->Lock(0, 0, &p, 0), S_OK);
        std::memcpy(p, vertices.data(), bytes);
        EXPECT_EQ(vb->Unlock(), S_OK);
        return vb;
    }

    IDirect3DTexture9* MakeTexture(UINT w, UINT h, const std::vector<DWORD>& texels, UINT levels = 1)
    {
        IDirect3DTexture9* t = nullptr;
        EXPECT_EQ(device->CreateTexture(w, h, levels, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr), S_OK);
        D3DLOCKED_RECT r{};
        EXPECT_EQ(t->LockRect(0, &r, nullptr, 0), S_OK);
        for (UINT y = 0; y < h; ++y) {
            std::memcpy(static_cast<std::uint8_t*>(r.pBits) + y * static_cast<UINT>(r.Pitch), &texels[y * w], w * 4);
        }
        EXPECT_EQ(t->UnlockRect(0), S_OK);
        return t;
    }

    SDL_Window* window = nullptr;
    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = nullptr;
    D3DPRESENT_PARAMETERS presentParams{};
    std::vector<std::uint8_t> frame;
};

// Vertex layouts of the game.
struct VertexXyzTex {  // 0x102
    float x, y, z, u, v;
};
struct VertexXyzNormalTex {  // 0x112
    float x, y, z, nx, ny, nz, u, v;
};
struct VertexXyzColourTex {  // 0x142
    float x, y, z;
    DWORD colour;
    float u, v;
};
struct VertexRhwColourTex {  // 0x144
    float x, y, z, rhw;
    DWORD colour;
    float u, v;
};

inline ::testing::AssertionResult PixelNear(const Pixel& p, int r, int g, int b, int tolerance)
{
    if (std::abs(p.r - r) <= tolerance && std::abs(p.g - g) <= tolerance && std::abs(p.b - b) <= tolerance) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "pixel (" << p.r << ", " << p.g << ", " << p.b << "), expected (" << r
                                         << ", " << g << ", " << b << ") within " << tolerance;
}

#define EXPECT_PIXEL_NEAR(pixel, R, G, B, tol) EXPECT_TRUE(PixelNear((pixel), (R), (G), (B), (tol)))
