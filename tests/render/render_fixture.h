// An 800 x 600 game window with the real device, fonts, materials, lights and static geometry, every
// game record back at its start, and helpers to make textures and flat test meshes, render frames
// and look at regions of the presented picture.
#pragma once

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "app/game.h"
#include "app/graphics.h"
#include "app/program.h"
#include "console/console.h"
#include "console/variables.h"
#include "core/frame.h"
#include "frontend/frontend.h"
#include "game/aircraft.h"
#include "game/camera.h"
#include "game/fog.h"
#include "game/notice.h"
#include "game/projectiles.h"
#include "game/run_stats.h"
#include "game/sprites.h"
#include "game/world.h"
#include "platform/win/window.h"
#include "render/hud.h"
#include "render/render.h"
#include "render/scene.h"
#include "render/setup.h"
#include "resources/mesh.h"
#include "resources/resources.h"

struct Rgb {
    int r, g, b;
};

// Rectangle of pixels, x from the left and y from the top, right and bottom exclusive.
struct Box {
    int left, top, right, bottom;
};

inline bool IsRed(Rgb p)
{
    return p.r > 180 && p.g < 90 && p.b < 90;
}
inline bool IsYellow(Rgb p)
{
    return p.r > 180 && p.g > 180 && p.b < 90;
}
inline bool IsGreen(Rgb p)
{
    return p.g > 180 && p.r < 90 && p.b < 90;
}
inline bool IsWhite(Rgb p)
{
    return p.r > 180 && p.g > 180 && p.b > 180;
}

class RenderTest : public ::testing::Test {
protected:
    static constexpr int kWidth = 800;
    static constexpr int kHeight = 600;

    void SetUp() override
    {
        PlatformSetHeadless(true);
        ASSERT_TRUE(PlatformVideoInit());
        // Keeps the GL driver loaded until exit, so the leak checker can name what it keeps.
        SDL_GL_LoadLibrary(nullptr);
        ConsoleSetEcho(false);
        ProgramReset();
        CameraSetMenu();
        ConsoleExecute(console, "set g_ablakos 1");
        windowWidth = kWidth;
        windowHeight = kHeight;
        ASSERT_EQ(GameWindowCreate(), nullptr);
        ASSERT_NE(gameWindow, nullptr);
        ASSERT_EQ(GraphicsCreate(), S_OK);
        fontTextures = D3DLiveObjects().textures;
        MaterialsAndLightsInit();
        ASSERT_EQ(StaticGeometryCreate(), S_OK);
    }

    void TearDown() override
    {
        SpritesFree();
        ProjectilesFree();
        SurfaceFree();
        for (MeshEntry* mesh : testMeshes) {
            FreeMesh(mesh);
        }
        testMeshes.clear();
        TextMeshesRelease();
        RenderResourcesRelease();
        if (device != nullptr) {
            device->SetIndices(nullptr);
            device->SetStreamSource(0, nullptr, 0, 0);
        }
        const D3DObjectCounts live = D3DLiveObjects();
        EXPECT_EQ(live.textures, fontTextures) << "a texture outlived RenderResourcesRelease";
        EXPECT_EQ(live.vertexBuffers, 0) << "a vertex buffer outlived RenderResourcesRelease";
        EXPECT_EQ(live.indexBuffers, 0);
        GraphicsRelease();
        EXPECT_EQ(D3DLiveObjects().devices, 0);
        WindowReset();
        gameWindow = nullptr;
        ProgramReset();
        ConsoleSetEcho(true);
    }

    // A texture of w x h texels from a function of (x, y) giving ARGB.
    // A texture of w x h texels given by `texel`, with `levels` levels (0: all), the smaller ones
    // filtered from the top one.
    static IDirect3DTexture9* MakeTexture(UINT w, UINT h, const std::function<DWORD(UINT, UINT)>& texel,
                                          UINT levels = 1)
    {
        IDirect3DTexture9* texture = nullptr;
        EXPECT_EQ(device->CreateTexture(w, h, levels, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), S_OK);
        D3DLOCKED_RECT locked{};
        EXPECT_EQ(texture->LockRect(0, &locked, nullptr, 0), S_OK);
        for (UINT y = 0; y < h; ++y) {
            auto* row = reinterpret_cast<DWORD*>(static_cast<std::uint8_t*>(locked.pBits) + y * locked.Pitch);
            for (UINT x = 0; x < w; ++x) {
                row[x] = texel(x, y);
            }
        }
        texture->UnlockRect(0);
        return texture;
    }

    static IDirect3DTexture9* SolidTexture(DWORD argb)
    {
        return MakeTexture(4, 4, [argb](UINT, UINT) { return argb; });
    }

    // A flat square of side `size` in the plane z = 0, facing -z (up, toward the playing camera), in
    // one subset with a material that shines in `emissive` whatever the light.
    MeshEntry* FlatMesh(float size, D3DCOLORVALUE emissive)
    {
        auto* mesh = new MeshEntry{};
        const float h = size / 2.0f;
        const LitTexturedVertex vertices[4] = {
            {-h, -h, 0.0f, 0.0f, 0.0f, -1.0f, 0.0f, 1.0f},
            {-h, h, 0.0f, 0.0f, 0.0f, -1.0f, 0.0f, 0.0f},
            {h, -h, 0.0f, 0.0f, 0.0f, -1.0f, 1.0f, 1.0f},
            {h, h, 0.0f, 0.0f, 0.0f, -1.0f, 1.0f, 0.0f},
        };
        EXPECT_EQ(device->CreateVertexBuffer(sizeof vertices, 0, kFvfLitTextured, D3DPOOL_MANAGED, &mesh->vertexBuffer,
                                             nullptr),
                  S_OK);
        void* data = nullptr;
        mesh->vertexBuffer->Lock(0, 0, &data, 0);
        std::memcpy(data, vertices, sizeof vertices);
        mesh->vertexBuffer->Unlock();
        const std::uint16_t strip[4] = {0, 1, 2, 3};
        mesh->subsets = new MeshSubset[1]{};
        EXPECT_EQ(device->CreateIndexBuffer(sizeof strip, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED,
                                            &mesh->subsets[0].stripIndexBuffer, nullptr),
                  S_OK);
        mesh->subsets[0].stripIndexBuffer->Lock(0, 0, &data, 0);
        std::memcpy(data, strip, sizeof strip);
        mesh->subsets[0].stripIndexBuffer->Unlock();
        mesh->subsets[0].stripIndexCount = 4;
        mesh->subsetCount = 1;
        mesh->materials = new D3DMATERIAL9[1]{};
        mesh->materials[0].Emissive = emissive;
        mesh->materials[0].Diffuse = {0.0f, 0.0f, 0.0f, 1.0f};
        mesh->textures = new IDirect3DTexture9* [1] {};
        mesh->materialCount = 1;
        mesh->vertexCount = 4;
        mesh->vertexFormat = kFvfLitTextured;
        testMeshes.push_back(mesh);
        return mesh;
    }

    static void FreeMesh(MeshEntry* mesh)
    {
        if (mesh->subsets != nullptr && mesh->subsets[0].stripIndexBuffer != nullptr) {
            mesh->subsets[0].stripIndexBuffer->Release();
        }
        if (mesh->vertexBuffer != nullptr) {
            mesh->vertexBuffer->Release();
        }
        delete[] mesh->subsets;
        delete[] mesh->materials;
        delete[] mesh->textures;
        delete mesh;
    }

    // The six text meshes as the game builds them.
    static void TextMeshesBuild()
    {
        ASSERT_EQ(TextMeshCreate(5, "bookman old style", 72, 0.3f, true, false, "AVIORRA"), S_OK);
        const char* captions[kMenuItemCount] = {"New game", "Load game", "Resume", "High scores", "Exit"};
        for (int i = 0; i < kMenuItemCount; ++i) {
            ASSERT_EQ(TextMeshCreate(i, "tahoma", 1, 0.3f, true, false, captions[i]), S_OK);
        }
    }

    // Reads the frame last presented.
    void ReadFrame()
    {
        int w = 0;
        int h = 0;
        ASSERT_TRUE(DeviceReadLastFrame(device, w, h, frame));
        ASSERT_EQ(w, kWidth);
        ASSERT_EQ(h, kHeight);
    }

    Rgb At(int x, int y) const
    {
        const std::size_t i = (static_cast<std::size_t>(y) * kWidth + static_cast<std::size_t>(x)) * 4;
        return {frame[i], frame[i + 1], frame[i + 2]};
    }

    int Count(Box box, bool (*test)(Rgb)) const
    {
        int n = 0;
        for (int y = box.top; y < box.bottom; ++y) {
            for (int x = box.left; x < box.right; ++x) {
                n += test(At(x, y)) ? 1 : 0;
            }
        }
        return n;
    }

    // The smallest box holding every pixel that passes `test`; left = -1 when none does.
    Box Bounds(Box within, bool (*test)(Rgb)) const
    {
        Box b{-1, -1, -1, -1};
        for (int y = within.top; y < within.bottom; ++y) {
            for (int x = within.left; x < within.right; ++x) {
                if (!test(At(x, y))) {
                    continue;
                }
                if (b.left < 0) {
                    b = {x, y, x + 1, y + 1};
                }
                b.left = std::min(b.left, x);
                b.top = std::min(b.top, y);
                b.right = std::max(b.right, x + 1);
                b.bottom = std::max(b.bottom, y + 1);
            }
        }
        return b;
    }

    std::vector<std::uint8_t> frame;
    std::vector<MeshEntry*> testMeshes;
    int fontTextures = 0;   // the two fonts' glyph atlases
};

inline ::testing::AssertionResult Near(Rgb p, int r, int g, int b, int tolerance)
{
    if (std::abs(p.r - r) <= tolerance && std::abs(p.g - g) <= tolerance && std::abs(p.b - b) <= tolerance) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "pixel (" << p.r << ", " << p.g << ", " << p.b << "), expected (" << r
                                         << ", " << g << ", " << b << ") within " << tolerance;
}
