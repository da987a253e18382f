// Frames per second of the front end and of a busy playing scene at 800 x 600 on the offscreen
// device, with a bare device frame (clear, 1000 small triangles, present) as the yardstick.
//
// The game's content is read from the generated game folder beside this program (build/game) when
// it exists; without it the frames are drawn with empty texture slots and without meshes.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "app/frame.h"
#include "app/game.h"
#include "app/graphics.h"
#include "console/console.h"
#include "console/variables.h"
#include "frontend/frontend.h"
#include "game/aircraft.h"
#include "game/enemy.h"
#include "game/projectiles.h"
#include "game/sprites.h"
#include "game/world.h"
#include "platform/win/window.h"
#include "render/camera.h"
#include "render/render.h"
#include "render/setup.h"
#include "resources/mesh.h"
#include "resources/resources.h"

namespace {

bool contentFound = false;

bool GameUp()
{
    static bool up = false;
    if (up) {
        return true;
    }
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("ALSOFT_DRIVERS", "null", 0);
    const std::filesystem::path game = std::filesystem::canonical("/proc/self/exe").parent_path() / "game";
    if (std::filesystem::exists(game / "data.vrk")) {
        std::filesystem::current_path(game);
        contentFound = true;
    }
    PlatformSetHeadless(true);
    if (!PlatformVideoInit()) {
        return false;
    }
    ConsoleSetEcho(false);
    ConsoleInit(console);
    ConsoleExecute(console, "set g_ablakos 1");
    ConsoleExecute(console, "set h_fps 1");
    windowWidth = 800;
    windowHeight = 600;
    GameWindowCreate();
    if (gameWindow == nullptr || FAILED(GraphicsCreate())) {
        return false;
    }
    ResourceScanArchives();
    MaterialsAndLightsInit();
    MeshListLoadAll();
    TexturesLoad();
    StaticGeometryCreate();
    for (int i = 0; i < kMenuItemCount; ++i) {
        MenuItemInit(i);
    }
    up = true;
    return true;
}

void MenuFrames(benchmark::State& state)
{
    if (!GameUp()) {
        state.SkipWithError("no offscreen device");
        return;
    }
    gameState = MainMenu;
    CameraSetMenu();
    for (auto _ : state) {
        FrontEndRender();
    }
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["content"] = contentFound ? 1 : 0;
}

// Every enemy in view, a building, 40 bullets and 12 explosion sprites over the sea, with the HUD.
void BusySceneFrames(benchmark::State& state)
{
    if (!GameUp()) {
        state.SkipWithError("no offscreen device");
        return;
    }
    std::srand(3);
    gameState = Playing;
    RunStart();
    for (int i = 0; i < kEnemySlotCount; ++i) {
        Aircraft* enemy = enemySlots[i];
        if (enemy == nullptr) {
            continue;
        }
        enemy->alive = 1;
        enemy->posX = -2.0f + 0.36f * static_cast<float>(i);
        enemy->posY = 3.0f + 0.6f * static_cast<float>(i % 6);
        enemy->posZ = kLevelHeight[i % 3];
    }
    groundObjects[0].standing = 1;
    groundObjects[0].posY = 8.0f;
    groundObjects[0].explosionFrame = 0;
    for (int i = 0; i < 40; ++i) {
        auto* p = new Projectile{};
        p->kind = i % 8 == 0 ? kProjectileBomb : kProjectileGun;
        p->active = 1;
        p->posX = -1.5f + 0.075f * static_cast<float>(i);
        p->posY = 1.0f + 0.2f * static_cast<float>(i % 20);
        p->posZ = 2.0f;
        p->next = projectileHead;
        projectileHead = p;
    }
    for (int i = 0; i < 12; ++i) {
        SpriteAdd(-1.0f + 0.2f * static_cast<float>(i), 4.0f, 2.0f, 1.0f, 1.0f, 0.1f, 1 + i, 1);
    }
    frameDelta = 0.001f;
    SpritesUpdate();
    for (auto _ : state) {
        SceneRender();
    }
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["content"] = contentFound ? 1 : 0;
    SpritesFree();
    ProjectilesFree();
}

// The yardstick: clear, 1000 small triangles from one vertex buffer, present.
void BareDeviceFrames(benchmark::State& state)
{
    if (!GameUp()) {
        state.SkipWithError("no offscreen device");
        return;
    }
    std::vector<TexturedVertex> triangles;
    for (int i = 0; i < 1000; ++i) {
        const float x = -380.0f + static_cast<float>(i % 40) * 19.0f;
        const float y = -280.0f + static_cast<float>(i / 40) * 22.0f;
        triangles.push_back({x, y, 0.1f, 0.0f, 1.0f});
        triangles.push_back({x, y + 10.0f, 0.1f, 0.0f, 0.0f});
        triangles.push_back({x + 10.0f, y, 0.1f, 1.0f, 1.0f});
    }
    IDirect3DVertexBuffer9* buffer = nullptr;
    const UINT bytes = static_cast<UINT>(triangles.size() * sizeof(TexturedVertex));
    if (FAILED(device->CreateVertexBuffer(bytes, 0, kFvfTextured, D3DPOOL_MANAGED, &buffer, nullptr))) {
        state.SkipWithError("no vertex buffer");
        return;
    }
    void* data = nullptr;
    buffer->Lock(0, 0, &data, 0);
    std::memcpy(data, triangles.data(), bytes);
    buffer->Unlock();
    for (auto _ : state) {
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0);
        device->BeginScene();
        ScreenSpaceApply();
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetRenderState(D3DRS_FOGENABLE, FALSE);
        device->SetTexture(0, nullptr);
        device->SetFVF(kFvfTextured);
        device->SetStreamSource(0, buffer, 0, sizeof(TexturedVertex));
        device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1000);
        device->EndScene();
        device->Present(nullptr, nullptr, nullptr, nullptr);
    }
    device->SetStreamSource(0, nullptr, 0, 0);
    buffer->Release();
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK(BareDeviceFrames)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(MenuFrames)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BusySceneFrames)->Unit(benchmark::kMillisecond)->UseRealTime();
