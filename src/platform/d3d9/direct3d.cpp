// The Direct3D object and the layer's entry points: the last error's text, the counts of live
// objects, the capabilities, and device creation over an SDL window with an OpenGL 3.3 core context.
//
// In order: error text and live counts, capabilities, the Direct3D object (display mode, caps,
// CreateDevice), then the free functions of d3d9.h (Direct3DCreate9, letterboxing, reading the last
// frame back). The device itself is in device.cpp; see the map in internal.h.
#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/d3d9/internal.h"

namespace d3d9 {

namespace {

std::string g_lastError;
LiveCounts g_live;
D3DDrawCounts g_counts;

}  // namespace

HRESULT Fail(HRESULT code, const char* reason)
{
    g_lastError = reason;
    return code;
}

const char* LastError()
{
    return g_lastError.c_str();
}

LiveCounts& Live()
{
    return g_live;
}

D3DDrawCounts& Counts()
{
    return g_counts;
}

void WriteDrawCounts()
{
    const char* path = std::getenv("AVIORRA_DRAW_COUNTS");
    if (path == nullptr || *path == '\0') {
        return;
    }
    std::FILE* out = std::fopen(path, "w");
    if (out == nullptr) {
        return;
    }
    std::fprintf(out,
                 "frames %" PRIu64 " draws %" PRIu64 " triangles %" PRIu64 " state_changes %" PRIu64
                 " programs %" PRIu64 "\n",
                 g_counts.frames, g_counts.draws, g_counts.triangles, g_counts.stateChanges, g_counts.programs);
    std::fclose(out);
}

void FillCaps(D3DCAPS9& caps)
{
    caps = {};
    caps.DeviceType = D3DDEVTYPE_HAL;
    caps.AdapterOrdinal = 0;
    caps.MaxTextureWidth = 8192;
    caps.MaxTextureHeight = 8192;
    caps.MaxSimultaneousTextures = 1;
    caps.MaxActiveLights = MAX_LIGHTS;
    caps.MaxPrimitiveCount = kMaxPrimitiveCount;
    caps.MaxVertexIndex = kMaxVertexIndex;
    caps.MaxStreams = 1;
    caps.MaxStreamStride = 255;
}

// ---- Direct3D object ----------------------------------------------------------------------------

Direct3D9::Direct3D9()
{
    ++g_live.direct3d;
}
Direct3D9::~Direct3D9()
{
    --g_live.direct3d;
}

HRESULT Direct3D9::GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode)
{
    if (!pMode || Adapter != 0) {
        return Fail(D3DERR_INVALIDCALL, "GetAdapterDisplayMode: bad adapter or pointer");
    }
    SDL_DisplayMode mode{};
    if (SDL_GetDesktopDisplayMode(0, &mode) != 0) {
        return Fail(D3DERR_NOTAVAILABLE, SDL_GetError());
    }
    *pMode = {static_cast<UINT>(mode.w), static_cast<UINT>(mode.h), static_cast<UINT>(mode.refresh_rate),
              D3DFMT_X8R8G8B8};
    return S_OK;
}

HRESULT Direct3D9::GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS9* pCaps)
{
    if (!pCaps || Adapter != 0) {
        return Fail(D3DERR_INVALIDCALL, "GetDeviceCaps: bad adapter or pointer");
    }
    FillCaps(*pCaps);
    pCaps->DeviceType = DeviceType;
    return S_OK;
}

HRESULT Direct3D9::CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow, DWORD /*BehaviorFlags*/,
                                D3DPRESENT_PARAMETERS* pp, IDirect3DDevice9** ppReturnedDeviceInterface)
{
    if (!ppReturnedDeviceInterface) {
        return Fail(D3DERR_INVALIDCALL, "CreateDevice: no output pointer");
    }
    *ppReturnedDeviceInterface = nullptr;
    if (!pp) {
        return Fail(D3DERR_INVALIDCALL, "CreateDevice: no presentation parameters");
    }
    if (Adapter != 0) {
        return Fail(D3DERR_INVALIDCALL, "CreateDevice: only adapter 0 exists");
    }
    if (DeviceType != D3DDEVTYPE_HAL && DeviceType != D3DDEVTYPE_REF) {
        return Fail(D3DERR_NOTAVAILABLE, "CreateDevice: device type not available");
    }
    SDL_Window* window = pp->hDeviceWindow ? pp->hDeviceWindow : hFocusWindow;
    if (!window) {
        return Fail(D3DERR_INVALIDCALL, "CreateDevice: no window");
    }
    if (!(SDL_GetWindowFlags(window) & SDL_WINDOW_OPENGL)) {
        return Fail(D3DERR_INVALIDCALL, "CreateDevice: the window was not created with SDL_WINDOW_OPENGL");
    }
    if (pp->MultiSampleType != D3DMULTISAMPLE_NONE) {
        return Fail(D3DERR_NOTAVAILABLE, "CreateDevice: multisampling is not available");
    }
    if (pp->BackBufferCount > 3) {
        return Fail(D3DERR_INVALIDCALL, "CreateDevice: more than 3 back buffers");
    }
    if (pp->EnableAutoDepthStencil && !DepthFormatOk(pp->AutoDepthStencilFormat)) {
        return Fail(D3DERR_INVALIDCALL, "CreateDevice: unsupported depth-stencil format");
    }

    D3DPRESENT_PARAMETERS used = *pp;
    if (used.BackBufferCount == 0) {
        used.BackBufferCount = 1;
    }
    int drawableW = 0, drawableH = 0;
    SDL_GL_GetDrawableSize(window, &drawableW, &drawableH);
    if (pp->Windowed) {
        if (used.BackBufferWidth == 0) {
            used.BackBufferWidth = static_cast<UINT>(std::max(drawableW, 1));
        }
        if (used.BackBufferHeight == 0) {
            used.BackBufferHeight = static_cast<UINT>(std::max(drawableH, 1));
        }
        if (used.BackBufferFormat == D3DFMT_UNKNOWN) {
            used.BackBufferFormat = D3DFMT_X8R8G8B8;
        }
        if (!BackBufferFormatOk(used.BackBufferFormat)) {
            return Fail(D3DERR_INVALIDCALL, "CreateDevice: unsupported back-buffer format");
        }
    } else {
        if (!BackBufferFormatOk(used.BackBufferFormat)) {
            return Fail(D3DERR_INVALIDCALL, "CreateDevice: full screen needs a known back-buffer format");
        }
        if (used.BackBufferWidth == 0 || used.BackBufferHeight == 0) {
            return Fail(D3DERR_INVALIDCALL, "CreateDevice: full screen needs a back-buffer size");
        }
    }
    if (used.BackBufferWidth > 8192 || used.BackBufferHeight > 8192) {
        return Fail(D3DERR_INVALIDCALL, "CreateDevice: back buffer too large");
    }

    if (!pp->Windowed) {
        // The asked mode where the display has it; otherwise full screen at the desktop's own mode,
        // the frame scaled into it (Present letterboxes). An invisible display keeps the window as is.
        SDL_DisplayMode wanted{};
        wanted.w = static_cast<int>(used.BackBufferWidth);
        wanted.h = static_cast<int>(used.BackBufferHeight);
        wanted.refresh_rate = static_cast<int>(used.FullScreen_RefreshRateInHz);
        SDL_DisplayMode mode{};
        const int display = SDL_GetWindowDisplayIndex(window);
        if (display >= 0 && SDL_GetClosestDisplayMode(display, &wanted, &mode) != nullptr && mode.w == wanted.w &&
            mode.h == wanted.h) {
            SDL_SetWindowDisplayMode(window, &mode);
            SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN);
        } else {
            SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP);
        }
    }

    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, kEsProfile ? 0 : 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK,
                        kEsProfile ? SDL_GL_CONTEXT_PROFILE_ES : SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (!context) {
        g_lastError = std::string("CreateDevice: no ") + (kEsProfile ? "OpenGL ES 3.0" : "OpenGL 3.3 core") +
                      " context: " + SDL_GetError();
        return D3DERR_NOTAVAILABLE;
    }
    if (kEsProfile ? (epoxy_is_desktop_gl() || epoxy_gl_version() < 30) : epoxy_gl_version() < 33) {
        SDL_GL_DeleteContext(context);
        return Fail(D3DERR_NOTAVAILABLE, kEsProfile ? "CreateDevice: OpenGL ES 3.0 is not available"
                                                    : "CreateDevice: OpenGL 3.3 is not available");
    }
    SDL_GL_SetSwapInterval(used.PresentationInterval == D3DPRESENT_INTERVAL_IMMEDIATE ? 0 : 1);

    Device* device = new Device(this, window, context, used);
    std::string error;
    if (!device->Init(error)) {
        g_lastError = "CreateDevice: " + error;
        device->Release();
        return D3DERR_NOTAVAILABLE;
    }
    *pp = used;
    *ppReturnedDeviceInterface = device;
    return S_OK;
}

}  // namespace d3d9

// ---- Entry points ---------------------------------------------------------------------------------

IDirect3D9* Direct3DCreate9(UINT SDKVersion)
{
    if (SDKVersion != D3D_SDK_VERSION && SDKVersion != 0x90003u) {
        d3d9::Fail(D3DERR_INVALIDCALL, "Direct3DCreate9: unknown SDK version");
        return nullptr;
    }
    if (!SDL_WasInit(SDL_INIT_VIDEO)) {
        d3d9::Fail(D3DERR_NOTAVAILABLE, "Direct3DCreate9: SDL's video subsystem is not started");
        return nullptr;
    }
    return new d3d9::Direct3D9();
}

D3DPresentArea D3DLetterbox(int bw, int bh, int w, int h)
{
    if (bw <= 0 || bh <= 0 || w <= 0 || h <= 0) {
        return {0, 0, std::max(w, 0), std::max(h, 0)};
    }
    // Compare w/bw with h/bh without rounding: the narrower side decides the scale.
    const long long byWidth = static_cast<long long>(w) * bh, byHeight = static_cast<long long>(h) * bw;
    int width = w, height = h;
    if (byWidth > byHeight) {
        width = static_cast<int>(byHeight / bh);   // bars left and right
    } else if (byHeight > byWidth) {
        height = static_cast<int>(byWidth / bw);   // bars above and below
    }
    return {(w - width) / 2, (h - height) / 2, width, height};
}

bool DeviceReadLastFrame(IDirect3DDevice9* device, int& width, int& height, std::vector<std::uint8_t>& rgba)
{
    if (!device) {
        width = height = 0;
        rgba.clear();
        d3d9::Fail(D3DERR_INVALIDCALL, "DeviceReadLastFrame: no device");
        return false;
    }
    return static_cast<d3d9::Device*>(device)->ReadLastFrame(width, height, rgba);
}

void DeviceUseGeneralProgram(IDirect3DDevice9* device, bool on)
{
    if (device) {
        static_cast<d3d9::Device*>(device)->UseGeneralProgram(on);
    }
}

std::size_t TextureCopyBytes(IDirect3DTexture9* texture)
{
    return texture ? static_cast<d3d9::Texture*>(texture)->CopyBytes() : 0;
}

const char* D3DLastErrorText()
{
    return d3d9::LastError();
}

D3DObjectCounts D3DLiveObjects()
{
    return d3d9::Live();
}

D3DDrawCounts D3DDrawCountsSoFar()
{
    return d3d9::Counts();
}
