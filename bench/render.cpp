// Frame cost of the game, measured interleaved so that a shared, noisy machine loads every figure
// alike.
//
// First, the headline: the game's own loop (game_runs.h). The real binary beside this program runs
// scripted busy play (seed 7, a new game, 60 frames of 80 ms, then frames of 16 ms with the gun held
// steering left, right, bombing while climbing, descending in turn) and the menu, each as a long and a
// short run whose difference gives a frame's CPU time over all the process's threads; beside them, a
// bare OpenGL program drawing the floor picture as a process of its own, the same way. At 800 x 600
// and 1920 x 1080 by default, with the peak resident size, the device's draw calls, triangles and
// state changes per frame and the shader programs the run built; then start-up to the first menu
// frame against the floor's start-up.
//
// Then the synthetic scenes, in this process, one batch of each per round, in turn:
//   floor   a bare OpenGL program with no game code: its own window and 3.3 core context, trivial
//           shaders, drawing straight into the window's default framebuffer: clear, 1000 small
//           triangles, one textured 512 x 512 mipmapped full-screen quad, swap.
//   device  the same picture through the game's device (its shaders, state keeping and present).
//   menu    the main menu through FrontEndRender.
//   busy    a playing frame through SceneRender: all 12 enemies in view, a building, 40 projectiles,
//           12 explosion sprites over the sea, the HUD with the frame rate.
// Both the floor and the device keep at most one frame in flight. Each batch ends with glFinish, so
// the rasteriser's threads have done the batch's work inside its measured time. Reported per kind:
// the median over rounds of CPU milliseconds per frame (process CPU time over all threads), of wall
// milliseconds per frame and the wall frame rate, the ratio of the CPU figure to the floor's, and
// the device's counts per frame.
//
// Usage: bench_render [--game-rounds N] [--sizes WxH,...] [--game BINARY]... [--no-game]
// [--scene-rounds N] [--scene-frames N] [--no-scenes]; `bench_render ROUNDS [FRAMES]` measures the
// synthetic scenes alone. Each --game binary (default: the aviorra beside this program) runs with the
// generated game folder beside it, so two builds can be measured in the same rounds. The synthetic
// scenes read the content of the game folder beside this program (build/game).
// `bench_render --floor-start-up` only starts the video subsystem, creates the floor's context,
// draws one floor frame and exits: the start-up floor, to time from outside; `--floor-run FRAMES W H`
// draws that many floor frames at that size.
#include <SDL2/SDL.h>
#include <epoxy/gl.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "app/program.h"
#include "busy_scene.h"
#include "game_runs.h"

#include "app/game.h"
#include "app/graphics.h"
#include "console/console.h"
#include "console/variables.h"
#include "core/frame.h"
#include "frontend/frontend.h"
#include "game/aircraft.h"
#include "game/camera.h"
#include "game/enemy.h"
#include "game/projectiles.h"
#include "game/sprites.h"
#include "game/world.h"
#include "platform/win/window.h"
#include "render/render.h"
#include "render/setup.h"
#include "resources/mesh.h"
#include "resources/resources.h"

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;
constexpr int kTextureSize = 512;

double CpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double WallSeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

std::string LoadAverage()
{
    std::ifstream in("/proc/loadavg");
    std::string a, b, c;
    in >> a >> b >> c;
    return a + " " + b + " " + c;
}

// The 1000 small triangles both the floor and the device draw, in pixels.
std::vector<float> TrianglePixels()
{
    std::vector<float> xy;
    for (int i = 0; i < 1000; ++i) {
        const float x = 20.0f + static_cast<float>(i % 40) * 19.0f;
        const float y = 20.0f + static_cast<float>(i / 40) * 22.0f;
        const float corners[6] = {x, y, x, y + 10.0f, x + 10.0f, y};
        xy.insert(xy.end(), corners, corners + 6);
    }
    return xy;
}

// A checker with a gradient, so every mip level differs.
std::vector<std::uint8_t> TexturePixels()
{
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(kTextureSize) * kTextureSize * 4);
    for (int y = 0; y < kTextureSize; ++y) {
        for (int x = 0; x < kTextureSize; ++x) {
            std::uint8_t* p = &rgba[(static_cast<std::size_t>(y) * kTextureSize + x) * 4];
            const bool dark = ((x / 32) ^ (y / 32)) & 1;
            p[0] = static_cast<std::uint8_t>(dark ? x / 4 : 255 - x / 4);
            p[1] = static_cast<std::uint8_t>(y / 2);
            p[2] = static_cast<std::uint8_t>(dark ? 64 : 192);
            p[3] = 255;
        }
    }
    return rgba;
}

// ---- The floor: bare OpenGL -----------------------------------------------------------------

struct Floor {
    int width = kWidth;
    int height = kHeight;
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
    GLuint program = 0, vao = 0, triangles = 0, quad = 0, texture = 0;
    GLint useTexture = -1;
    GLsync inFlight = nullptr;

    static GLuint Shader(GLenum type, const char* source)
    {
        const GLuint s = glCreateShader(type);
        glShaderSource(s, 1, &source, nullptr);
        glCompileShader(s);
        return s;
    }

    bool Create()
    {
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
        window = SDL_CreateWindow("floor", 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        if (window == nullptr) {
            return false;
        }
        context = SDL_GL_CreateContext(window);
        if (context == nullptr) {
            return false;
        }
        SDL_GL_SetSwapInterval(0);
        const GLuint vs = Shader(GL_VERTEX_SHADER, R"(#version 330 core
layout(location = 0) in vec2 aPixel;
layout(location = 1) in vec2 aUv;
uniform vec2 uHalfSize;
out vec2 vUv;
void main() {
    vUv = aUv;
    gl_Position = vec4(aPixel.x / uHalfSize.x - 1.0, 1.0 - aPixel.y / uHalfSize.y, 0.5, 1.0);
})");
        const GLuint fs = Shader(GL_FRAGMENT_SHADER, R"(#version 330 core
in vec2 vUv;
uniform sampler2D uTexture;
uniform bool uUseTexture;
out vec4 colour;
void main() { colour = uUseTexture ? texture(uTexture, vUv) : vec4(1.0); })");
        program = glCreateProgram();
        glAttachShader(program, vs);
        glAttachShader(program, fs);
        glLinkProgram(program);
        glDeleteShader(vs);
        glDeleteShader(fs);
        GLint linked = GL_FALSE;
        glGetProgramiv(program, GL_LINK_STATUS, &linked);
        if (linked != GL_TRUE) {
            return false;
        }
        useTexture = glGetUniformLocation(program, "uUseTexture");
        glUseProgram(program);
        glUniform1i(glGetUniformLocation(program, "uTexture"), 0);
        glUniform2f(glGetUniformLocation(program, "uHalfSize"), static_cast<float>(width) * 0.5f,
                    static_cast<float>(height) * 0.5f);

        glGenVertexArrays(1, &vao);
        glBindVertexArray(vao);
        std::vector<float> tri;
        const std::vector<float> xy = TrianglePixels();
        for (std::size_t i = 0; i < xy.size(); i += 2) {
            tri.insert(tri.end(), {xy[i], xy[i + 1], 0.0f, 0.0f});
        }
        glGenBuffers(1, &triangles);
        glBindBuffer(GL_ARRAY_BUFFER, triangles);
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(tri.size() * sizeof(float)), tri.data(), GL_STATIC_DRAW);
        const auto w = static_cast<float>(width);
        const auto h = static_cast<float>(height);
        const float quadData[16] = {0, 0, 0, 0, 0, h, 0, 1, w, 0, 1, 0, w, h, 1, 1};
        glGenBuffers(1, &quad);
        glBindBuffer(GL_ARRAY_BUFFER, quad);
        glBufferData(GL_ARRAY_BUFFER, sizeof quadData, quadData, GL_STATIC_DRAW);

        const std::vector<std::uint8_t> pixels = TexturePixels();
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, kTextureSize, kTextureSize, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     pixels.data());
        glGenerateMipmap(GL_TEXTURE_2D);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glViewport(0, 0, width, height);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        return glGetError() == GL_NO_ERROR;
    }

    static void Bind(GLuint buffer)
    {
        glBindBuffer(GL_ARRAY_BUFFER, buffer);
        glEnableVertexAttribArray(0);
        glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 16, nullptr);
        glEnableVertexAttribArray(1);
        glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, 16, reinterpret_cast<const void*>(8));
    }

    void Frame()
    {
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glUniform1i(useTexture, 0);
        Bind(triangles);
        glDrawArrays(GL_TRIANGLES, 0, 3000);
        glUniform1i(useTexture, 1);
        Bind(quad);
        glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
        SDL_GL_SwapWindow(window);
        const GLsync fence = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
        if (inFlight != nullptr) {
            glClientWaitSync(inFlight, GL_SYNC_FLUSH_COMMANDS_BIT, 1000000000ull);
            glDeleteSync(inFlight);
        }
        inFlight = fence;
    }
};

// ---- The game ---------------------------------------------------------------------------------

bool GameUp()
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("ALSOFT_DRIVERS", "null", 0);
    const std::filesystem::path game = std::filesystem::canonical("/proc/self/exe").parent_path() / "game";
    if (!std::filesystem::exists(game / "data.vrk")) {
        std::fprintf(stderr, "bench_render: no generated content in %s (run make build)\n", game.c_str());
        return false;
    }
    std::filesystem::current_path(game);
    PlatformSetHeadless(true);
    if (!PlatformVideoInit()) {
        return false;
    }
    ConsoleSetEcho(false);
    ProgramReset();
    ConsoleExecute(console, "set g_ablakos 1");
    ConsoleExecute(console, "set h_fps 1");
    windowWidth = kWidth;
    windowHeight = kHeight;
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
    return true;
}

// The floor's picture through the device: the triangles in the game's screen space (origin at the
// centre, y up), then the textured full-screen quad.
struct DevicePicture {
    IDirect3DVertexBuffer9* triangles = nullptr;
    IDirect3DVertexBuffer9* quad = nullptr;
    IDirect3DTexture9* texture = nullptr;

    bool Create()
    {
        std::vector<TexturedVertex> vertices;
        const std::vector<float> xy = TrianglePixels();
        for (std::size_t i = 0; i < xy.size(); i += 2) {
            vertices.push_back({xy[i] - kWidth * 0.5f, kHeight * 0.5f - xy[i + 1], 0.1f, 0.0f, 0.0f});
        }
        TexturedVertex rect[4];
        ScreenRectFill(rect, -kWidth * 0.5f, kWidth * 0.5f, -kHeight * 0.5f, kHeight * 0.5f);
        auto fill = [](IDirect3DVertexBuffer9*& buffer, const void* data, UINT bytes) {
            if (FAILED(device->CreateVertexBuffer(bytes, 0, kFvfTextured, D3DPOOL_MANAGED, &buffer, nullptr))) {
                return false;
            }
            void* p = nullptr;
            buffer->Lock(0, 0, &p, 0);
            std::memcpy(p, data, bytes);
            buffer->Unlock();
            return true;
        };
        if (!fill(triangles, vertices.data(), static_cast<UINT>(vertices.size() * sizeof(TexturedVertex))) ||
            !fill(quad, rect, sizeof rect)) {
            return false;
        }
        if (FAILED(device->CreateTexture(kTextureSize, kTextureSize, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture,
                                         nullptr))) {
            return false;
        }
        const std::vector<std::uint8_t> rgba = TexturePixels();
        D3DLOCKED_RECT locked{};
        texture->LockRect(0, &locked, nullptr, 0);
        for (int y = 0; y < kTextureSize; ++y) {
            auto* row = static_cast<std::uint8_t*>(locked.pBits) + static_cast<std::size_t>(y) * locked.Pitch;
            for (int x = 0; x < kTextureSize; ++x) {
                const std::uint8_t* p = &rgba[(static_cast<std::size_t>(y) * kTextureSize + x) * 4];
                const std::uint8_t bgra[4] = {p[2], p[1], p[0], p[3]};
                std::memcpy(row + x * 4, bgra, 4);
            }
        }
        texture->UnlockRect(0);
        return true;
    }

    void Frame()
    {
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0);
        device->BeginScene();
        ScreenSpaceApply();
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetRenderState(D3DRS_FOGENABLE, FALSE);
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device->SetFVF(kFvfTextured);
        device->SetTexture(0, nullptr);
        device->SetStreamSource(0, triangles, 0, sizeof(TexturedVertex));
        device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1000);
        device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
        device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
        device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
        device->SetTexture(0, texture);
        device->SetStreamSource(0, quad, 0, sizeof(TexturedVertex));
        device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
        device->SetStreamSource(0, nullptr, 0, 0);
        device->SetTexture(0, nullptr);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
        device->EndScene();
        device->Present(nullptr, nullptr, nullptr, nullptr);
    }
};

struct Kind {
    const char* name;
    std::function<void()> activate;
    std::function<void()> frame;
    std::vector<double> cpuMs, wallMs;
    bool counted = false;
    double draws = 0, triangles = 0, stateChanges = 0;
};

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n == 0 ? 0.0 : (n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]));
}

// The synthetic scenes of this process's own device, interleaved with the floor in this process.
bool ScenesMeasure(int rounds, int frames)
{
    if (!GameUp()) {
        std::fprintf(stderr, "bench_render: the game's device could not be created\n");
        return false;
    }
    DevicePicture picture;
    if (!picture.Create()) {
        std::fprintf(stderr, "bench_render: the device picture could not be created\n");
        return false;
    }
    BusySceneSetUp();
    Floor floor;
    if (!floor.Create()) {
        std::fprintf(stderr, "bench_render: the bare OpenGL floor could not be created: %s\n", SDL_GetError());
        return false;
    }
    SDL_GLContext deviceContext = nullptr;
    auto toDevice = [&] {
        // The device makes its context current at its next call.
        if (deviceContext == nullptr) {
            deviceContext = SDL_GL_GetCurrentContext();
        }
    };
    std::vector<Kind> kinds = {
        {"floor (bare OpenGL)",
         [&] { SDL_GL_MakeCurrent(floor.window, floor.context); },
         [&] { floor.Frame(); },
         {},
         {}},
        {"device, same picture", toDevice, [&] { picture.Frame(); }, {}, {}},
        {"menu",
         [] {
             gameState = MainMenu;
             CameraSetMenu();
         },
         [] { FrontEndRender(); },
         {},
         {}},
        {"busy playing frame", [] { gameState = Playing; }, [] { SceneRender(); }, {}, {}},
    };
    const std::string loadBefore = LoadAverage();
    for (int round = 0; round < rounds; ++round) {
        for (Kind& kind : kinds) {
            kind.activate();
            for (int i = 0; i < 3; ++i) {
                kind.frame();  // warm-up: state and pipeline of the previous kind leave
            }
            glFinish();
            const D3DDrawCounts counts0 = D3DDrawCountsSoFar();
            const double cpu0 = CpuSeconds(), wall0 = WallSeconds();
            for (int i = 0; i < frames; ++i) {
                kind.frame();
            }
            glFinish();
            const D3DDrawCounts counts1 = D3DDrawCountsSoFar();
            if (counts1.draws != counts0.draws) {
                kind.counted = true;
                kind.draws = static_cast<double>(counts1.draws - counts0.draws) / frames;
                kind.triangles = static_cast<double>(counts1.triangles - counts0.triangles) / frames;
                kind.stateChanges = static_cast<double>(counts1.stateChanges - counts0.stateChanges) / frames;
            }
            kind.cpuMs.push_back((CpuSeconds() - cpu0) * 1000.0 / frames);
            kind.wallMs.push_back((WallSeconds() - wall0) * 1000.0 / frames);
        }
    }
    const std::string loadAfter = LoadAverage();
    std::printf(
        "\nsynthetic scenes in this process: %d rounds of %d frames per kind, interleaved, %d x %d, medians "
        "over rounds\n",
        rounds, frames, kWidth, kHeight);
    std::printf("load average before: %s, after: %s; %ld CPUs\n", loadBefore.c_str(), loadAfter.c_str(),
                sysconf(_SC_NPROCESSORS_ONLN));
    std::printf("%-24s %12s %12s %10s %14s %8s %10s %8s\n", "frame", "CPU ms", "wall ms", "wall fps", "CPU / floor",
                "draws", "triangles", "states");
    const double floorCpu = Median(kinds[0].cpuMs);
    for (const Kind& kind : kinds) {
        const double cpu = Median(kind.cpuMs), wall = Median(kind.wallMs);
        std::printf("%-24s %12.2f %12.2f %10.1f %13.2fx", kind.name, cpu, wall, 1000.0 / wall, cpu / floorCpu);
        if (kind.counted) {
            std::printf(" %8.1f %10.1f %8.1f", kind.draws, kind.triangles, kind.stateChanges);
        }
        std::printf("\n");
    }
    SpritesFree();
    ProjectilesFree();
    return true;
}

// ---- The game's own loop --------------------------------------------------------------------------

constexpr int kLongRun = 300;
constexpr int kShortRun = 50;

struct Size {
    int width, height;
};

// One kind of scripted run at one size: its long and short run per round.
struct Scripted {
    std::string name;
    std::vector<std::string> longArgs, shortArgs;
    std::vector<std::string> env;
    bool counted = false;
    std::vector<double> cpuMs{}, ratios{};
    std::vector<long> peakKiB{};
    double draws = 0, triangles = 0, stateChanges = 0, programs = 0;
    bool countsVary = false;
};

std::string Label(const std::filesystem::path& binary, bool several)
{
    return several ? " [" + binary.parent_path().filename().string() + "]" : std::string();
}

bool GameLoopMeasure(int rounds, const std::vector<Size>& sizes, const std::vector<std::filesystem::path>& binaries)
{
    namespace fs = std::filesystem;
    const fs::path self = fs::canonical("/proc/self/exe");
    char pattern[] = "/tmp/bench_render_XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        return false;
    }
    const fs::path work = pattern;
    const std::string countsFile = (work / "counts.txt").string();
    game_runs::WriteFile(work / "busy_long.txt", game_runs::BusyScript(kLongRun));
    game_runs::WriteFile(work / "busy_short.txt", game_runs::BusyScript(kShortRun));
    game_runs::WriteFile(work / "menu_long.txt", game_runs::MenuScript(kLongRun));
    game_runs::WriteFile(work / "menu_short.txt", game_runs::MenuScript(kShortRun));
    game_runs::WriteFile(work / "first.txt", game_runs::FirstFrameScript());
    const bool several = binaries.size() > 1;
    const std::vector<std::string> env = {"SDL_VIDEODRIVER=offscreen", "ALSOFT_DRIVERS=null",
                                          "AVIORRA_DRAW_COUNTS=" + countsFile};

    std::vector<std::vector<Scripted>> bySize;
    for (const Size& size : sizes) {
        std::vector<Scripted> kinds;
        const std::string w = std::to_string(size.width), h = std::to_string(size.height);
        kinds.push_back({"floor (bare OpenGL)",
                         {self.string(), "--floor-run", std::to_string(kLongRun), w, h},
                         {self.string(), "--floor-run", std::to_string(kShortRun), w, h},
                         {"SDL_VIDEODRIVER=offscreen"}});
        for (std::size_t b = 0; b < binaries.size(); ++b) {
            const fs::path folder = work / ("game" + std::to_string(b) + "_" + w + "x" + h);
            if (!game_runs::GameFolderAt(binaries[b], folder, size.width, size.height)) {
                std::fprintf(stderr, "bench_render: no game folder beside %s\n", binaries[b].c_str());
                return false;
            }
            auto args = [&](const char* script) {
                return std::vector<std::string>{binaries[b].string(),     "--headless", "--input",
                                                (work / script).string(), "--game-dir", folder.string()};
            };
            kinds.push_back(
                {"busy play" + Label(binaries[b], several), args("busy_long.txt"), args("busy_short.txt"), env, true});
            kinds.push_back(
                {"menu" + Label(binaries[b], several), args("menu_long.txt"), args("menu_short.txt"), env, true});
        }
        bySize.push_back(std::move(kinds));
    }
    // Start-up to the first menu frame and the end, against the floor's start-up.
    std::vector<Scripted> startUp;
    startUp.push_back({"floor start-up (bare SDL + OpenGL)", {self.string(), "--floor-start-up"}, {}, {env[0]}});
    for (std::size_t b = 0; b < binaries.size(); ++b) {
        const fs::path folder = work / ("game" + std::to_string(b) + "_" + std::to_string(sizes[0].width) + "x" +
                                        std::to_string(sizes[0].height));
        startUp.push_back({"game to its first frame" + Label(binaries[b], several),
                           {binaries[b].string(), "--headless", "--input", (work / "first.txt").string(), "--game-dir",
                            folder.string()},
                           {},
                           env});
    }

    const std::string loadBefore = LoadAverage();
    std::vector<std::string> loads;
    for (int round = 0; round < rounds; ++round) {
        for (std::vector<Scripted>& kinds : bySize) {
            double floorMs = 0.0;
            for (Scripted& kind : kinds) {
                const std::string counts = kind.counted ? countsFile : std::string();
                const game_runs::RunResult longRun = game_runs::Run(kind.longArgs, kind.env, counts);
                const game_runs::RunResult shortRun = game_runs::Run(kind.shortArgs, kind.env, counts);
                if (!longRun.ok || !shortRun.ok) {
                    std::fprintf(stderr, "bench_render: a run of %s failed\n", kind.name.c_str());
                    return false;
                }
                const double ms = (longRun.cpuSeconds - shortRun.cpuSeconds) * 1000.0 / (kLongRun - kShortRun);
                kind.cpuMs.push_back(ms);
                kind.peakKiB.push_back(longRun.peakKiB);
                if (&kind == &kinds.front()) {
                    floorMs = ms;
                }
                kind.ratios.push_back(ms / floorMs);
                kind.counted = kind.counted && longRun.counted && shortRun.counted;
                if (kind.counted) {
                    const double frames = static_cast<double>(longRun.frames - shortRun.frames);
                    const double draws = static_cast<double>(longRun.draws - shortRun.draws) / frames;
                    kind.countsVary = kind.countsVary || (round > 0 && draws != kind.draws);
                    kind.draws = draws;
                    kind.triangles = static_cast<double>(longRun.triangles - shortRun.triangles) / frames;
                    kind.stateChanges = static_cast<double>(longRun.stateChanges - shortRun.stateChanges) / frames;
                    kind.programs = static_cast<double>(longRun.programs);
                }
            }
        }
        double floorSeconds = 0.0;
        for (Scripted& kind : startUp) {
            const game_runs::RunResult run = game_runs::Run(kind.longArgs, kind.env, std::string());
            if (!run.ok) {
                std::fprintf(stderr, "bench_render: a run of %s failed\n", kind.name.c_str());
                return false;
            }
            kind.cpuMs.push_back(run.cpuSeconds * 1000.0);
            kind.peakKiB.push_back(run.peakKiB);
            if (&kind == &startUp.front()) {
                floorSeconds = run.cpuSeconds;
            }
            kind.ratios.push_back(run.cpuSeconds / floorSeconds);
        }
        loads.push_back(LoadAverage());
    }
    fs::remove_all(work);

    auto median = [](const std::vector<long>& v) {
        std::vector<double> d(v.begin(), v.end());
        return Median(d);
    };
    std::printf(
        "bench_render: the game's own loop, %d rounds; a frame's figure is the difference of a %d- and a "
        "%d-frame run of the same script over the %d frames between, medians over rounds (range)\n",
        rounds, kLongRun, kShortRun, kLongRun - kShortRun);
    std::printf("load average before: %s; after each round:", loadBefore.c_str());
    for (const std::string& load : loads) {
        std::printf(" [%s]", load.c_str());
    }
    std::printf("; %ld CPUs\n", sysconf(_SC_NPROCESSORS_ONLN));
    for (std::size_t s = 0; s < sizes.size(); ++s) {
        std::printf("\n%d x %d%*s %20s %13s %9s %7s %10s %8s %9s\n", sizes[s].width, sizes[s].height, 18, "",
                    "CPU ms per frame", "/ floor", "peak MiB", "draws", "triangles", "states", "programs");
        for (const Scripted& kind : bySize[s]) {
            const auto [low, high] = std::minmax_element(kind.cpuMs.begin(), kind.cpuMs.end());
            std::printf("%-28s %6.2f (%5.2f-%5.2f) %12.2fx %9.1f", kind.name.c_str(), Median(kind.cpuMs), *low, *high,
                        Median(kind.ratios), median(kind.peakKiB) / 1024.0);
            if (kind.counted) {
                std::printf(" %7.1f %10.1f %8.1f %9.0f%s", kind.draws, kind.triangles, kind.stateChanges, kind.programs,
                            kind.countsVary ? "  (counts varied between rounds)" : "");
            }
            std::printf("\n");
        }
    }
    std::printf("\nstart-up to the first menu frame and the end, whole process %*s %9s %9s\n", 3, "", "CPU ms",
                "/ floor");
    for (const Scripted& kind : startUp) {
        std::printf("%-40s %20.0f %8.2fx  peak %.1f MiB\n", kind.name.c_str(), Median(kind.cpuMs), Median(kind.ratios),
                    median(kind.peakKiB) / 1024.0);
    }
    return true;
}

// The floor for `frames` frames at `width` x `height`, as a program of its own.
int FloorRun(int frames, int width, int height)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    Floor floor;
    floor.width = width;
    floor.height = height;
    const bool up = SDL_Init(SDL_INIT_VIDEO) == 0 && floor.Create();
    if (up) {
        for (int i = 0; i < frames; ++i) {
            floor.Frame();
        }
        glFinish();
    }
    SDL_Quit();
    return up ? 0 : 1;
}

constexpr const char* kUsage =
    "usage: bench_render [--game-rounds N] [--sizes WxH,...] [--game BINARY]... [--no-game]\n"
    "                    [--scene-rounds N] [--scene-frames N] [--no-scenes]\n"
    "       bench_render ROUNDS [FRAMES]       the synthetic scenes alone\n"
    "       bench_render --floor-start-up | --floor-run FRAMES WIDTH HEIGHT\n";

}  // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--floor-start-up") == 0) {
        // The floor of start-up: SDL's offscreen video, one OpenGL context, one floor frame, exit.
        return FloorRun(1, kWidth, kHeight);
    }
    if (argc == 5 && std::strcmp(argv[1], "--floor-run") == 0) {
        return FloorRun(std::max(1, std::atoi(argv[2])), std::max(1, std::atoi(argv[3])),
                        std::max(1, std::atoi(argv[4])));
    }
    int gameRounds = 3;
    int sceneRounds = 9;
    int sceneFrames = 40;
    bool game = true;
    bool scenes = true;
    std::vector<Size> sizes = {{800, 600}, {1920, 1080}};
    std::vector<std::filesystem::path> binaries;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool more = i + 1 < argc;
        if (a == "--game-rounds" && more) {
            gameRounds = std::max(1, std::atoi(argv[++i]));
        } else if (a == "--scene-rounds" && more) {
            sceneRounds = std::max(1, std::atoi(argv[++i]));
        } else if (a == "--scene-frames" && more) {
            sceneFrames = std::max(1, std::atoi(argv[++i]));
        } else if (a == "--game" && more) {
            binaries.push_back(std::filesystem::absolute(argv[++i]));
        } else if (a == "--no-game") {
            game = false;
        } else if (a == "--no-scenes") {
            scenes = false;
        } else if (a == "--sizes" && more) {
            sizes.clear();
            std::istringstream list(argv[++i]);
            std::string item;
            while (std::getline(list, item, ',')) {
                Size size{};
                if (std::sscanf(item.c_str(), "%dx%d", &size.width, &size.height) != 2 || size.width <= 0 ||
                    size.height <= 0) {
                    std::fprintf(stderr, "%s", kUsage);
                    return 2;
                }
                sizes.push_back(size);
            }
        } else if (i == 1 && std::isdigit(static_cast<unsigned char>(a[0]))) {
            // The synthetic scenes alone, as ROUNDS [FRAMES].
            game = false;
            sceneRounds = std::max(1, std::atoi(argv[i]));
            if (more) {
                sceneFrames = std::max(1, std::atoi(argv[++i]));
            }
        } else {
            std::fprintf(stderr, "%s", kUsage);
            return 2;
        }
    }
    if (binaries.empty()) {
        binaries.push_back(std::filesystem::canonical("/proc/self/exe").parent_path() / "aviorra");
    }
    if (game && (sizes.empty() || !GameLoopMeasure(gameRounds, sizes, binaries))) {
        return 1;
    }
    if (scenes && !ScenesMeasure(sceneRounds, sceneFrames)) {
        return 1;
    }
    return 0;
}
