// Frame cost of the renderer at 800 x 600 on the offscreen video driver, measured interleaved so
// that a shared, noisy machine loads every figure alike.
//
// Four kinds of frame, one batch of each per round, in turn:
//   floor   a bare OpenGL program with no game code: its own window and 3.3 core context, trivial
//           shaders, drawing straight into the window's default framebuffer: clear, 1000 small
//           triangles, one textured 512 x 512 mipmapped full-screen quad, swap.
//   device  the same picture through the game's device (its shaders, state keeping and present).
//   menu    the main menu through FrontEndRender.
//   busy    a playing frame through SceneRender: all 12 enemies in view, a building, 40 projectiles,
//           12 explosion sprites over the sea, the HUD with the frame rate.
// Both the floor and the device keep at most one frame in flight. Each batch ends with glFinish, so
// the rasteriser's threads have done the batch's work inside its measured time.
//
// Reported per kind: the median over rounds of CPU milliseconds per frame (process CPU time over all
// threads, the stable figure on a shared machine), of wall milliseconds per frame and the wall frame
// rate, and the ratio of the CPU figure to the floor's.
//
// Usage: bench_render [ROUNDS [FRAMES]] (default 9 rounds of 40 frames). The game's content is read
// from the generated game folder beside this program (build/game). `bench_render --floor-start-up`
// only starts the video subsystem, creates the floor's context, draws one floor frame and exits: the
// start-up floor (loading the OpenGL driver and creating a context), to time from outside.
#include <SDL2/SDL.h>
#include <epoxy/gl.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/program.h"
#include "busy_scene.h"

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
        window = SDL_CreateWindow("floor", 0, 0, kWidth, kHeight, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
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
out vec2 vUv;
void main() {
    vUv = aUv;
    gl_Position = vec4(aPixel.x / 400.0 - 1.0, 1.0 - aPixel.y / 300.0, 0.5, 1.0);
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
        const float quadData[16] = {0, 0, 0, 0, 0, kHeight, 0, 1, kWidth, 0, 1, 0, kWidth, kHeight, 1, 1};
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
        glViewport(0, 0, kWidth, kHeight);
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
};

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n == 0 ? 0.0 : (n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]));
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--floor-start-up") == 0) {
        // The floor of start-up: SDL's offscreen video, one OpenGL context, one floor frame, exit.
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        Floor floor;
        const bool up = SDL_Init(SDL_INIT_VIDEO) == 0 && floor.Create();
        if (up) {
            floor.Frame();
            glFinish();
        }
        SDL_Quit();
        return up ? 0 : 1;
    }
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    const int frames = argc > 2 ? std::max(1, std::atoi(argv[2])) : 40;
    if (!GameUp()) {
        std::fprintf(stderr, "bench_render: the game's device could not be created\n");
        return 1;
    }
    DevicePicture picture;
    if (!picture.Create()) {
        std::fprintf(stderr, "bench_render: the device picture could not be created\n");
        return 1;
    }
    BusySceneSetUp();
    Floor floor;
    if (!floor.Create()) {
        std::fprintf(stderr, "bench_render: the bare OpenGL floor could not be created: %s\n", SDL_GetError());
        return 1;
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
            const double cpu0 = CpuSeconds(), wall0 = WallSeconds();
            for (int i = 0; i < frames; ++i) {
                kind.frame();
            }
            glFinish();
            kind.cpuMs.push_back((CpuSeconds() - cpu0) * 1000.0 / frames);
            kind.wallMs.push_back((WallSeconds() - wall0) * 1000.0 / frames);
        }
    }
    const std::string loadAfter = LoadAverage();
    std::printf("bench_render: %d rounds of %d frames per kind, interleaved, %d x %d, medians over rounds\n", rounds,
                frames, kWidth, kHeight);
    std::printf("load average before: %s, after: %s; %ld CPUs\n", loadBefore.c_str(), loadAfter.c_str(),
                sysconf(_SC_NPROCESSORS_ONLN));
    std::printf("%-24s %12s %12s %10s %14s\n", "frame", "CPU ms", "wall ms", "wall fps", "CPU / floor");
    const double floorCpu = Median(kinds[0].cpuMs);
    for (const Kind& kind : kinds) {
        const double cpu = Median(kind.cpuMs), wall = Median(kind.wallMs);
        std::printf("%-24s %12.2f %12.2f %10.1f %13.2fx\n", kind.name, cpu, wall, 1000.0 / wall, cpu / floorCpu);
    }
    SpritesFree();
    ProjectilesFree();
    return 0;
}
