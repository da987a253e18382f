// The Direct3D object and the device: creation over an SDL window, state keeping, clearing, drawing
// and presenting through OpenGL 3.3 core.
//
// Where the window's own framebuffer has the back buffer's size and format, frames are drawn straight
// into it and Present swaps. Otherwise the device draws into a framebuffer of its own, so the back
// buffer has the size and format the presentation parameters ask for whatever the window offers;
// Present copies it to a visible window, and to an invisible one (the offscreen video driver) copies
// and swaps nothing. Either way the frame last presented stays readable for screenshots, and at most
// one presented frame is still being rasterised while the next is drawn.
//
// Direct3D state is kept as the game sets it; what changed is handed to OpenGL and to the shader
// programs' uniforms only at the next draw, group by group.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "platform/d3d9/internal.h"

namespace d3d9 {

namespace {

std::string g_lastError;
LiveCounts g_live;

constexpr DWORD kMaxPrimitiveCount = 0xFFFFF;
constexpr DWORD kMaxVertexIndex = 0xFFFFFF;
constexpr DWORD kMaxLightIndex = 1024;

float AsFloat(DWORD v) { return std::bit_cast<float>(v); }
DWORD AsDword(float f) { return std::bit_cast<DWORD>(f); }

void ColourToFloats(D3DCOLOR c, float out[4]) {
    out[0] = static_cast<float>((c >> 16) & 0xFF) / 255.0f;
    out[1] = static_cast<float>((c >> 8) & 0xFF) / 255.0f;
    out[2] = static_cast<float>(c & 0xFF) / 255.0f;
    out[3] = static_cast<float>((c >> 24) & 0xFF) / 255.0f;
}

D3DMATRIX Identity() {
    D3DMATRIX m{};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}

D3DMATRIX Multiply(const D3DMATRIX& a, const D3DMATRIX& b) {
    D3DMATRIX r{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] + a.m[i][3] * b.m[3][j];
    return r;
}

// The matrix that carries normals along with the upper 3x3 of m: its inverse transpose (m itself
// when it cannot be inverted).
void NormalMatrix(const D3DMATRIX& m, float out[9]) {
    const double a = m._11, b = m._12, c = m._13, d = m._21, e = m._22, f = m._23, g = m._31, h = m._32, i = m._33;
    const double det = a * (e * i - f * h) - b * (d * i - f * g) + c * (d * h - e * g);
    if (det == 0.0 || !std::isfinite(det)) {
        const float copy[9] = {m._11, m._12, m._13, m._21, m._22, m._23, m._31, m._32, m._33};
        std::memcpy(out, copy, sizeof copy);
        return;
    }
    // Inverse transpose = cofactor matrix / det.
    const double cof[9] = {e * i - f * h, -(d * i - f * g), d * h - e * g,
                           -(b * i - c * h), a * i - c * g, -(a * h - b * g),
                           b * f - c * e, -(a * f - c * d), a * e - b * d};
    for (int k = 0; k < 9; ++k) out[k] = static_cast<float>(cof[k] / det);
}

GLenum CompareFunc(DWORD f) {
    switch (f) {
    case D3DCMP_NEVER: return GL_NEVER;
    case D3DCMP_LESS: return GL_LESS;
    case D3DCMP_EQUAL: return GL_EQUAL;
    case D3DCMP_LESSEQUAL: return GL_LEQUAL;
    case D3DCMP_GREATER: return GL_GREATER;
    case D3DCMP_NOTEQUAL: return GL_NOTEQUAL;
    case D3DCMP_GREATEREQUAL: return GL_GEQUAL;
    default: return GL_ALWAYS;
    }
}

GLenum BlendFactor(DWORD b) {
    switch (b) {
    case D3DBLEND_ZERO: return GL_ZERO;
    case D3DBLEND_ONE: return GL_ONE;
    case D3DBLEND_SRCCOLOR: return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR: return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA: return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA: return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA: return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR: return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR: return GL_ONE_MINUS_DST_COLOR;
    case D3DBLEND_SRCALPHASAT: return GL_SRC_ALPHA_SATURATE;
    default: return GL_ONE;
    }
}

GLenum BlendEquation(DWORD op) {
    switch (op) {
    case D3DBLENDOP_SUBTRACT: return GL_FUNC_SUBTRACT;
    case D3DBLENDOP_REVSUBTRACT: return GL_FUNC_REVERSE_SUBTRACT;
    case D3DBLENDOP_MIN: return GL_MIN;
    case D3DBLENDOP_MAX: return GL_MAX;
    default: return GL_FUNC_ADD;
    }
}

// Where each field of a flexible vertex format lies; false for formats the device cannot draw.
struct VertexLayout {
    int positionSize = 0;  // 3 (XYZ) or 4 (XYZRHW)
    int normal = -1, diffuse = -1, specular = -1, texcoord = -1;
    int texcoordSize = 0;
    UINT size = 0;
};

bool LayoutOf(DWORD fvf, VertexLayout& out) {
    VertexLayout l;
    switch (fvf & D3DFVF_POSITION_MASK) {
    case D3DFVF_XYZ: l.positionSize = 3; l.size = 12; break;
    case D3DFVF_XYZRHW: l.positionSize = 4; l.size = 16; break;
    default: return false;
    }
    if (fvf & D3DFVF_NORMAL) {
        l.normal = static_cast<int>(l.size);
        l.size += 12;
    }
    if (fvf & D3DFVF_PSIZE) l.size += 4;
    if (fvf & D3DFVF_DIFFUSE) {
        l.diffuse = static_cast<int>(l.size);
        l.size += 4;
    }
    if (fvf & D3DFVF_SPECULAR) {
        l.specular = static_cast<int>(l.size);
        l.size += 4;
    }
    const DWORD sets = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    if (sets > 8) return false;
    for (DWORD i = 0; i < sets; ++i) {
        int floats = 2;
        switch ((fvf >> (16 + 2 * i)) & 3u) {
        case D3DFVF_TEXTUREFORMAT1: floats = 1; break;
        case D3DFVF_TEXTUREFORMAT3: floats = 3; break;
        case D3DFVF_TEXTUREFORMAT4: floats = 4; break;
        default: floats = 2; break;
        }
        if (i == 0) {
            l.texcoord = static_cast<int>(l.size);
            l.texcoordSize = floats;
        }
        l.size += static_cast<UINT>(floats) * 4;
    }
    out = l;
    return true;
}

bool VertexCount(D3DPRIMITIVETYPE type, UINT primitives, GLenum& mode, UINT& vertices) {
    switch (type) {
    case D3DPT_POINTLIST: mode = GL_POINTS; vertices = primitives; return true;
    case D3DPT_LINELIST: mode = GL_LINES; vertices = primitives * 2; return true;
    case D3DPT_LINESTRIP: mode = GL_LINE_STRIP; vertices = primitives + 1; return true;
    case D3DPT_TRIANGLELIST: mode = GL_TRIANGLES; vertices = primitives * 3; return true;
    case D3DPT_TRIANGLESTRIP: mode = GL_TRIANGLE_STRIP; vertices = primitives + 2; return true;
    case D3DPT_TRIANGLEFAN: mode = GL_TRIANGLE_FAN; vertices = primitives + 2; return true;
    default: return false;
    }
}

bool BackBufferFormatOk(D3DFORMAT f) {
    return f == D3DFMT_R5G6B5 || f == D3DFMT_X1R5G5B5 || f == D3DFMT_A1R5G5B5 || f == D3DFMT_R8G8B8 ||
           f == D3DFMT_X8R8G8B8 || f == D3DFMT_A8R8G8B8;
}

bool DepthFormatOk(D3DFORMAT f) {
    return f == D3DFMT_D16 || f == D3DFMT_D24X8 || f == D3DFMT_D24S8 || f == D3DFMT_D32;
}

}  // namespace

HRESULT Fail(HRESULT code, const char* reason) {
    g_lastError = reason;
    return code;
}

const char* LastError() { return g_lastError.c_str(); }

LiveCounts& Live() { return g_live; }

void FillCaps(D3DCAPS9& caps) {
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

Direct3D9::Direct3D9() { ++g_live.direct3d; }
Direct3D9::~Direct3D9() { --g_live.direct3d; }

ULONG Direct3D9::AddRef() { return ++refs_; }

ULONG Direct3D9::Release() {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
}

HRESULT Direct3D9::GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode) {
    if (!pMode || Adapter != 0) return Fail(D3DERR_INVALIDCALL, "GetAdapterDisplayMode: bad adapter or pointer");
    SDL_DisplayMode mode{};
    if (SDL_GetDesktopDisplayMode(0, &mode) != 0) return Fail(D3DERR_NOTAVAILABLE, SDL_GetError());
    *pMode = {static_cast<UINT>(mode.w), static_cast<UINT>(mode.h), static_cast<UINT>(mode.refresh_rate),
              D3DFMT_X8R8G8B8};
    return S_OK;
}

HRESULT Direct3D9::GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS9* pCaps) {
    if (!pCaps || Adapter != 0) return Fail(D3DERR_INVALIDCALL, "GetDeviceCaps: bad adapter or pointer");
    FillCaps(*pCaps);
    pCaps->DeviceType = DeviceType;
    return S_OK;
}

HRESULT Direct3D9::CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow, DWORD /*BehaviorFlags*/,
                                D3DPRESENT_PARAMETERS* pp, IDirect3DDevice9** ppReturnedDeviceInterface) {
    if (!ppReturnedDeviceInterface) return Fail(D3DERR_INVALIDCALL, "CreateDevice: no output pointer");
    *ppReturnedDeviceInterface = nullptr;
    if (!pp) return Fail(D3DERR_INVALIDCALL, "CreateDevice: no presentation parameters");
    if (Adapter != 0) return Fail(D3DERR_INVALIDCALL, "CreateDevice: only adapter 0 exists");
    if (DeviceType != D3DDEVTYPE_HAL && DeviceType != D3DDEVTYPE_REF)
        return Fail(D3DERR_NOTAVAILABLE, "CreateDevice: device type not available");
    SDL_Window* window = pp->hDeviceWindow ? pp->hDeviceWindow : hFocusWindow;
    if (!window) return Fail(D3DERR_INVALIDCALL, "CreateDevice: no window");
    if (!(SDL_GetWindowFlags(window) & SDL_WINDOW_OPENGL))
        return Fail(D3DERR_INVALIDCALL, "CreateDevice: the window was not created with SDL_WINDOW_OPENGL");
    if (pp->MultiSampleType != D3DMULTISAMPLE_NONE)
        return Fail(D3DERR_NOTAVAILABLE, "CreateDevice: multisampling is not available");
    if (pp->BackBufferCount > 3) return Fail(D3DERR_INVALIDCALL, "CreateDevice: more than 3 back buffers");
    if (pp->EnableAutoDepthStencil && !DepthFormatOk(pp->AutoDepthStencilFormat))
        return Fail(D3DERR_INVALIDCALL, "CreateDevice: unsupported depth-stencil format");

    D3DPRESENT_PARAMETERS used = *pp;
    if (used.BackBufferCount == 0) used.BackBufferCount = 1;
    int drawableW = 0, drawableH = 0;
    SDL_GL_GetDrawableSize(window, &drawableW, &drawableH);
    if (pp->Windowed) {
        if (used.BackBufferWidth == 0) used.BackBufferWidth = static_cast<UINT>(std::max(drawableW, 1));
        if (used.BackBufferHeight == 0) used.BackBufferHeight = static_cast<UINT>(std::max(drawableH, 1));
        if (used.BackBufferFormat == D3DFMT_UNKNOWN) used.BackBufferFormat = D3DFMT_X8R8G8B8;
        if (!BackBufferFormatOk(used.BackBufferFormat))
            return Fail(D3DERR_INVALIDCALL, "CreateDevice: unsupported back-buffer format");
    } else {
        if (!BackBufferFormatOk(used.BackBufferFormat))
            return Fail(D3DERR_INVALIDCALL, "CreateDevice: full screen needs a known back-buffer format");
        if (used.BackBufferWidth == 0 || used.BackBufferHeight == 0)
            return Fail(D3DERR_INVALIDCALL, "CreateDevice: full screen needs a back-buffer size");
    }
    if (used.BackBufferWidth > 8192 || used.BackBufferHeight > 8192)
        return Fail(D3DERR_INVALIDCALL, "CreateDevice: back buffer too large");

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
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (!context) {
        g_lastError = std::string("CreateDevice: no OpenGL 3.3 core context: ") + SDL_GetError();
        return D3DERR_NOTAVAILABLE;
    }
    if (epoxy_gl_version() < 33) {
        SDL_GL_DeleteContext(context);
        return Fail(D3DERR_NOTAVAILABLE, "CreateDevice: OpenGL 3.3 is not available");
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

// ---- Device: life -------------------------------------------------------------------------------

Device::Device(Direct3D9* d3d, SDL_Window* window, SDL_GLContext context, const D3DPRESENT_PARAMETERS& pp)
    : d3d_(d3d), window_(window), context_(context), pp_(pp) {
    d3d_->AddRef();
    ++g_live.devices;
    hasDepth_ = pp.EnableAutoDepthStencil != 0;
    hasStencil_ = hasDepth_ && pp.AutoDepthStencilFormat == D3DFMT_D24S8;
    world_ = view_ = projection_ = Identity();
    viewport_ = {0, 0, pp.BackBufferWidth, pp.BackBufferHeight, 0.0f, 1.0f};
    SetDefaultStates();
}

Device::~Device() {
    --g_live.devices;
    Activate();
    general_.Destroy();
    for (const auto& p : programs_) p->Destroy();
    if (inFlight_) glDeleteSync(inFlight_);
    if (vao_) glDeleteVertexArrays(1, &vao_);
    if (upVbo_) glDeleteBuffers(1, &upVbo_);
    if (upIbo_) glDeleteBuffers(1, &upIbo_);
    if (sampler_) glDeleteSamplers(1, &sampler_);
    if (fbo_) glDeleteFramebuffers(1, &fbo_);
    if (colour_) glDeleteRenderbuffers(1, &colour_);
    if (depth_) glDeleteRenderbuffers(1, &depth_);
    SDL_GL_MakeCurrent(window_, nullptr);
    SDL_GL_DeleteContext(context_);
    if (!pp_.Windowed) SDL_SetWindowFullscreen(window_, 0);
    d3d_->Release();
}

ULONG Device::AddRef() { return ++refs_; }

ULONG Device::Release() {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
}

void Device::Activate() {
    if (SDL_GL_GetCurrentContext() != context_) SDL_GL_MakeCurrent(window_, context_);
}

bool Device::MakeTargets(std::string& error) {
    GLenum colourFormat = GL_RGBA8;
    switch (pp_.BackBufferFormat) {
    case D3DFMT_R5G6B5: colourFormat = GL_RGB565; break;
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5: colourFormat = GL_RGB5_A1; break;
    case D3DFMT_R8G8B8: colourFormat = GL_RGB8; break;
    default: colourFormat = GL_RGBA8; break;
    }
    const GLsizei w = static_cast<GLsizei>(pp_.BackBufferWidth), h = static_cast<GLsizei>(pp_.BackBufferHeight);
    glGenFramebuffers(1, &fbo_);
    glGenRenderbuffers(1, &colour_);
    GLenum depthAttachment = GL_DEPTH_ATTACHMENT;
    if (hasDepth_) {
        GLenum depthFormat = GL_DEPTH_COMPONENT16;
        switch (pp_.AutoDepthStencilFormat) {
        case D3DFMT_D24X8: depthFormat = GL_DEPTH_COMPONENT24; break;
        case D3DFMT_D24S8:
            depthFormat = GL_DEPTH24_STENCIL8;
            depthAttachment = GL_DEPTH_STENCIL_ATTACHMENT;
            break;
        case D3DFMT_D32: depthFormat = GL_DEPTH_COMPONENT32; break;
        default: break;
        }
        glGenRenderbuffers(1, &depth_);
        glBindRenderbuffer(GL_RENDERBUFFER, depth_);
        glRenderbufferStorage(GL_RENDERBUFFER, depthFormat, w, h);
    }
    glBindRenderbuffer(GL_RENDERBUFFER, colour_);
    glRenderbufferStorage(GL_RENDERBUFFER, colourFormat, w, h);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour_);
    if (depth_) glFramebufferRenderbuffer(GL_FRAMEBUFFER, depthAttachment, GL_RENDERBUFFER, depth_);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        error = "the back buffer cannot be created in this format";
        return false;
    }
    return true;
}

// The window's own framebuffer serves as the back buffer when the window is on a real display and
// matches it: same size, 8-bit colour channels (and alpha where the format has it), a depth (and
// stencil) buffer where one was asked for.
bool Device::CanDrawToWindow() {
    if (invisible_) return false;
    const D3DFORMAT f = pp_.BackBufferFormat;
    if (f != D3DFMT_X8R8G8B8 && f != D3DFMT_A8R8G8B8) return false;
    int w = 0, h = 0;
    SDL_GL_GetDrawableSize(window_, &w, &h);
    if (w != static_cast<int>(pp_.BackBufferWidth) || h != static_cast<int>(pp_.BackBufferHeight)) return false;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    auto bits = [](GLenum attachment, GLenum what) {
        GLint type = GL_NONE;
        glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, attachment, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE, &type);
        if (type == GL_NONE) return 0;
        GLint v = 0;
        glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, attachment, what, &v);
        return static_cast<int>(v);
    };
    if (bits(GL_BACK_LEFT, GL_FRAMEBUFFER_ATTACHMENT_RED_SIZE) != 8 ||
        bits(GL_BACK_LEFT, GL_FRAMEBUFFER_ATTACHMENT_GREEN_SIZE) != 8 ||
        bits(GL_BACK_LEFT, GL_FRAMEBUFFER_ATTACHMENT_BLUE_SIZE) != 8)
        return false;
    if (f == D3DFMT_A8R8G8B8 && bits(GL_BACK_LEFT, GL_FRAMEBUFFER_ATTACHMENT_ALPHA_SIZE) < 8) return false;
    if (hasDepth_) {
        int need = 16;
        if (pp_.AutoDepthStencilFormat == D3DFMT_D24X8 || pp_.AutoDepthStencilFormat == D3DFMT_D24S8) need = 24;
        if (pp_.AutoDepthStencilFormat == D3DFMT_D32) need = 32;
        // A deeper depth buffer than asked for would resolve ties differently: the depth must match.
        if (bits(GL_DEPTH, GL_FRAMEBUFFER_ATTACHMENT_DEPTH_SIZE) != need) return false;
        if (hasStencil_ && bits(GL_STENCIL, GL_FRAMEBUFFER_ATTACHMENT_STENCIL_SIZE) < 8) return false;
    }
    glGetError();
    return true;
}

bool Device::Init(std::string& error) {
    Activate();
    const char* driver = SDL_GetCurrentVideoDriver();
    invisible_ = driver != nullptr && std::strcmp(driver, "offscreen") == 0;
    // Full screen always draws into a framebuffer of its own: the mode change may land after this
    // (or give another size), and Present scales the frame into whatever the screen became.
    toWindow_ = pp_.Windowed && CanDrawToWindow();
    if (!toWindow_ && !MakeTargets(error)) return false;
    glBindFramebuffer(GL_FRAMEBUFFER, toWindow_ ? 0 : fbo_);
    // The general program is built now, so a device that cannot compile its shaders fails here.
    if (!general_.Build(nullptr, error)) return false;
    glGenVertexArrays(1, &vao_);
    glBindVertexArray(vao_);
    glGenBuffers(1, &upVbo_);
    glGenBuffers(1, &upIbo_);
    glGenSamplers(1, &sampler_);
    glBindSampler(0, sampler_);
    glActiveTexture(GL_TEXTURE0);
    current_ = &general_;
    glFrontFace(GL_CCW);
    // Fields a vertex format lacks read these constants: no normal, white diffuse, no specular.
    glVertexAttrib3f(ATTR_NORMAL, 0.0f, 0.0f, 0.0f);
    glVertexAttrib4f(ATTR_DIFFUSE, 1.0f, 1.0f, 1.0f, 1.0f);
    glVertexAttrib4f(ATTR_SPECULAR, 0.0f, 0.0f, 0.0f, 0.0f);
    glVertexAttrib4f(ATTR_TEXCOORD, 0.0f, 0.0f, 0.0f, 1.0f);
    if (glGetError() != GL_NO_ERROR) {
        error = "OpenGL objects could not be created";
        return false;
    }
    return true;
}

void Device::SetDefaultStates() {
    renderStates_.fill(0);
    auto rs = [this](D3DRENDERSTATETYPE s, DWORD v) { renderStates_[s] = v; };
    rs(D3DRS_ZENABLE, hasDepth_ ? D3DZB_TRUE : D3DZB_FALSE);
    rs(D3DRS_FILLMODE, D3DFILL_SOLID);
    rs(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
    rs(D3DRS_ZWRITEENABLE, TRUE);
    rs(D3DRS_LASTPIXEL, TRUE);
    rs(D3DRS_SRCBLEND, D3DBLEND_ONE);
    rs(D3DRS_DESTBLEND, D3DBLEND_ZERO);
    rs(D3DRS_CULLMODE, D3DCULL_CCW);
    rs(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
    rs(D3DRS_ALPHAFUNC, D3DCMP_ALWAYS);
    rs(D3DRS_FOGEND, AsDword(1.0f));
    rs(D3DRS_FOGDENSITY, AsDword(1.0f));
    rs(D3DRS_STENCILFAIL, 1);
    rs(D3DRS_STENCILZFAIL, 1);
    rs(D3DRS_STENCILPASS, 1);
    rs(D3DRS_STENCILFUNC, D3DCMP_ALWAYS);
    rs(D3DRS_STENCILMASK, 0xFFFFFFFFu);
    rs(D3DRS_STENCILWRITEMASK, 0xFFFFFFFFu);
    rs(D3DRS_TEXTUREFACTOR, 0xFFFFFFFFu);
    rs(D3DRS_CLIPPING, TRUE);
    rs(D3DRS_LIGHTING, TRUE);
    rs(D3DRS_COLORVERTEX, TRUE);
    rs(D3DRS_LOCALVIEWER, TRUE);
    rs(D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1);
    rs(D3DRS_SPECULARMATERIALSOURCE, D3DMCS_COLOR2);
    rs(D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL);
    rs(D3DRS_EMISSIVEMATERIALSOURCE, D3DMCS_MATERIAL);
    rs(D3DRS_POINTSIZE, AsDword(1.0f));
    rs(D3DRS_MULTISAMPLEANTIALIAS, TRUE);
    rs(D3DRS_MULTISAMPLEMASK, 0xFFFFFFFFu);
    rs(D3DRS_COLORWRITEENABLE, 0xFu);
    rs(D3DRS_BLENDOP, D3DBLENDOP_ADD);
    rs(D3DRS_SRCBLENDALPHA, D3DBLEND_ONE);
    rs(D3DRS_DESTBLENDALPHA, D3DBLEND_ZERO);
    rs(D3DRS_BLENDOPALPHA, D3DBLENDOP_ADD);

    for (DWORD stage = 0; stage < D3D_TEXTURE_STAGES; ++stage) {
        auto& s = stageStates_[stage];
        s.fill(0);
        s[D3DTSS_COLOROP] = stage == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
        s[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
        s[D3DTSS_COLORARG2] = D3DTA_CURRENT;
        s[D3DTSS_ALPHAOP] = stage == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
        s[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
        s[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
        s[D3DTSS_TEXCOORDINDEX] = stage;
        s[D3DTSS_COLORARG0] = D3DTA_CURRENT;
        s[D3DTSS_ALPHAARG0] = D3DTA_CURRENT;
        s[D3DTSS_RESULTARG] = D3DTA_CURRENT;
        auto& sm = samplerStates_[stage];
        sm.fill(0);
        sm[D3DSAMP_ADDRESSU] = D3DTADDRESS_WRAP;
        sm[D3DSAMP_ADDRESSV] = D3DTADDRESS_WRAP;
        sm[D3DSAMP_ADDRESSW] = D3DTADDRESS_WRAP;
        sm[D3DSAMP_MAGFILTER] = D3DTEXF_POINT;
        sm[D3DSAMP_MINFILTER] = D3DTEXF_POINT;
        sm[D3DSAMP_MIPFILTER] = D3DTEXF_NONE;
        sm[D3DSAMP_MAXANISOTROPY] = 1;
    }
}

HRESULT Device::GetDeviceCaps(D3DCAPS9* pCaps) {
    if (!pCaps) return Fail(D3DERR_INVALIDCALL, "GetDeviceCaps: no output pointer");
    FillCaps(*pCaps);
    return S_OK;
}

// ---- Device: frames -----------------------------------------------------------------------------

HRESULT Device::Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z, DWORD Stencil) {
    if ((Flags & D3DCLEAR_ZBUFFER) && !hasDepth_) return Fail(D3DERR_INVALIDCALL, "Clear: no depth buffer");
    if ((Flags & D3DCLEAR_STENCIL) && !hasStencil_) return Fail(D3DERR_INVALIDCALL, "Clear: no stencil buffer");
    if (Count > 0 && !pRects) return Fail(D3DERR_INVALIDCALL, "Clear: rectangle count without rectangles");
    Activate();
    GLbitfield mask = 0;
    if (Flags & D3DCLEAR_TARGET) {
        float c[4];
        ColourToFloats(Color, c);
        glClearColor(c[0], c[1], c[2], c[3]);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        mask |= GL_COLOR_BUFFER_BIT;
    }
    if (Flags & D3DCLEAR_ZBUFFER) {
        glClearDepth(std::clamp(Z, 0.0f, 1.0f));
        glDepthMask(GL_TRUE);
        mask |= GL_DEPTH_BUFFER_BIT;
    }
    if (Flags & D3DCLEAR_STENCIL) {
        glClearStencil(static_cast<GLint>(Stencil & 0xFF));
        glStencilMask(0xFF);
        mask |= GL_STENCIL_BUFFER_BIT;
    }
    if (mask == 0) return S_OK;
    drawnSincePresent_ = true;
    // Clear touches the viewport, or the given rectangles within it.
    const LONG bbH = static_cast<LONG>(pp_.BackBufferHeight);
    const LONG vx1 = static_cast<LONG>(viewport_.X), vy1 = static_cast<LONG>(viewport_.Y);
    const LONG vx2 = vx1 + static_cast<LONG>(viewport_.Width), vy2 = vy1 + static_cast<LONG>(viewport_.Height);
    glEnable(GL_SCISSOR_TEST);
    auto clearRect = [&](LONG x1, LONG y1, LONG x2, LONG y2) {
        x1 = std::max(x1, vx1);
        y1 = std::max(y1, vy1);
        x2 = std::min(x2, vx2);
        y2 = std::min(y2, vy2);
        if (x1 >= x2 || y1 >= y2) return;
        glScissor(x1, bbH - y2, x2 - x1, y2 - y1);
        glClear(mask);
    };
    if (Count == 0) {
        clearRect(vx1, vy1, vx2, vy2);
    } else {
        for (DWORD i = 0; i < Count; ++i) clearRect(pRects[i].x1, pRects[i].y1, pRects[i].x2, pRects[i].y2);
    }
    glDisable(GL_SCISSOR_TEST);
    dirtyRender_ = true;  // masks changed behind the state cache
    return S_OK;
}

HRESULT Device::BeginScene() {
    if (inScene_) return Fail(D3DERR_INVALIDCALL, "BeginScene: already in a scene");
    inScene_ = true;
    return S_OK;
}

HRESULT Device::EndScene() {
    if (!inScene_) return Fail(D3DERR_INVALIDCALL, "EndScene: not in a scene");
    inScene_ = false;
    return S_OK;
}

HRESULT Device::Present(const RECT* pSourceRect, const RECT* pDestRect, HWND hDestWindowOverride,
                        const void* pDirtyRegion) {
    if (pSourceRect || pDestRect || hDestWindowOverride || pDirtyRegion)
        return Fail(D3DERR_INVALIDCALL, "Present: only whole-buffer presentation to the device window is supported");
    Activate();
    if (toWindow_) {
        int w = 0, h = 0;
        SDL_GL_GetDrawableSize(window_, &w, &h);
        if (w != static_cast<int>(pp_.BackBufferWidth) || h != static_cast<int>(pp_.BackBufferHeight)) {
            // The window changed size under the back buffer: from the next frame on, draw into a
            // framebuffer of the back buffer's size and scale it into the window.
            std::string error;
            if (MakeTargets(error)) toWindow_ = false;
        }
        SDL_GL_SwapWindow(window_);
    } else if (!invisible_) {
        int w = 0, h = 0;
        SDL_GL_GetDrawableSize(window_, &w, &h);
        const GLint bw = static_cast<GLint>(pp_.BackBufferWidth), bh = static_cast<GLint>(pp_.BackBufferHeight);
        const D3DPresentArea area = ::D3DLetterbox(bw, bh, w, h);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo_);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
        if (area.width != w || area.height != h) {
            glDisable(GL_SCISSOR_TEST);
            glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
            glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
            glClear(GL_COLOR_BUFFER_BIT);
            dirtyRender_ = true;   // the colour mask is the render state's again at the next draw
        }
        glBlitFramebuffer(0, 0, bw, bh, area.x, area.y, area.x + area.width, area.y + area.height, GL_COLOR_BUFFER_BIT,
                          (area.width == bw && area.height == bh) ? GL_NEAREST : GL_LINEAR);
        SDL_GL_SwapWindow(window_);
    } else {
        // Nothing to show: the frame is only handed to the rasteriser.
        glFlush();
    }
    glBindFramebuffer(GL_FRAMEBUFFER, toWindow_ ? 0 : fbo_);
    // Wait for the previous frame, so that no more than one frame queues behind the one to come.
    const GLsync fence = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
    if (inFlight_) {
        glClientWaitSync(inFlight_, GL_SYNC_FLUSH_COMMANDS_BIT, 5000000000ull);
        glDeleteSync(inFlight_);
    }
    inFlight_ = fence;
    presentedOnce_ = true;
    drawnSincePresent_ = false;
    return S_OK;
}

bool Device::ReadLastFrame(int& width, int& height, std::vector<std::uint8_t>& rgba) {
    width = height = 0;
    rgba.clear();
    if (!presentedOnce_) {
        Fail(D3DERR_INVALIDCALL, "DeviceReadLastFrame: nothing presented yet");
        return false;
    }
    if (drawnSincePresent_) {
        Fail(D3DERR_INVALIDCALL, "DeviceReadLastFrame: drawing has started over the last presented frame");
        return false;
    }
    Activate();
    width = static_cast<int>(pp_.BackBufferWidth);
    height = static_cast<int>(pp_.BackBufferHeight);
    const std::size_t row = static_cast<std::size_t>(width) * 4;
    std::vector<std::uint8_t> bottomUp(row * static_cast<std::size_t>(height));
    // Drawn into the window, the frame is in its front buffer after the swap.
    glBindFramebuffer(GL_READ_FRAMEBUFFER, toWindow_ ? 0 : fbo_);
    if (toWindow_) glReadBuffer(GL_FRONT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
    if (toWindow_) glReadBuffer(GL_BACK);
    rgba.resize(bottomUp.size());
    for (int y = 0; y < height; ++y)
        std::memcpy(&rgba[static_cast<std::size_t>(y) * row], &bottomUp[static_cast<std::size_t>(height - 1 - y) * row],
                    row);
    // What the window shows is opaque whatever the back buffer's alpha holds.
    for (std::size_t i = 3; i < rgba.size(); i += 4) rgba[i] = 255;
    return true;
}

// ---- Device: state ------------------------------------------------------------------------------

HRESULT Device::SetViewport(const D3DVIEWPORT9* pViewport) {
    if (!pViewport) return Fail(D3DERR_INVALIDCALL, "SetViewport: no viewport");
    const D3DVIEWPORT9& v = *pViewport;
    if (v.Width == 0 || v.Height == 0 || v.X + v.Width > pp_.BackBufferWidth || v.Y + v.Height > pp_.BackBufferHeight ||
        !(v.MinZ >= 0.0f && v.MinZ <= 1.0f && v.MaxZ >= 0.0f && v.MaxZ <= 1.0f))
        return Fail(D3DERR_INVALIDCALL, "SetViewport: viewport outside the back buffer");
    viewport_ = v;
    dirtyViewport_ = true;
    ++transformsVersion_;
    return S_OK;
}

HRESULT Device::GetViewport(D3DVIEWPORT9* pViewport) {
    if (!pViewport) return Fail(D3DERR_INVALIDCALL, "GetViewport: no output pointer");
    *pViewport = viewport_;
    return S_OK;
}

HRESULT Device::SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) {
    if (State >= D3DRS_STATE_COUNT) return Fail(D3DERR_INVALIDCALL, "SetRenderState: unknown state");
    if (renderStates_[State] == Value) return S_OK;
    renderStates_[State] = Value;
    switch (State) {
    // Choices of the shader program: the next draw picks the program from them.
    case D3DRS_LIGHTING:
    case D3DRS_COLORVERTEX:
    case D3DRS_LOCALVIEWER:
    case D3DRS_NORMALIZENORMALS:
    case D3DRS_DIFFUSEMATERIALSOURCE:
    case D3DRS_SPECULARMATERIALSOURCE:
    case D3DRS_AMBIENTMATERIALSOURCE:
    case D3DRS_EMISSIVEMATERIALSOURCE:
    case D3DRS_FOGENABLE:
    case D3DRS_FOGTABLEMODE:
    case D3DRS_FOGVERTEXMODE:
    case D3DRS_RANGEFOGENABLE:
    case D3DRS_ALPHATESTENABLE:
    case D3DRS_ALPHAFUNC:
    case D3DRS_SPECULARENABLE: break;
    // Values the programs read.
    case D3DRS_AMBIENT: ++lightsVersion_; break;
    case D3DRS_FOGCOLOR:
    case D3DRS_FOGSTART:
    case D3DRS_FOGEND:
    case D3DRS_FOGDENSITY: ++fogVersion_; break;
    case D3DRS_TEXTUREFACTOR:
    case D3DRS_ALPHAREF: ++stageVersion_; break;
    default: dirtyRender_ = true; break;
    }
    return S_OK;
}

HRESULT Device::GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) {
    if (!pValue) return Fail(D3DERR_INVALIDCALL, "GetRenderState: no output pointer");
    if (State >= D3DRS_STATE_COUNT) return Fail(D3DERR_INVALIDCALL, "GetRenderState: unknown state");
    *pValue = renderStates_[State];
    return S_OK;
}

HRESULT Device::SetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD Value) {
    if (Sampler >= D3D_TEXTURE_STAGES || Type >= D3DSAMP_STATE_COUNT)
        return Fail(D3DERR_INVALIDCALL, "SetSamplerState: unknown sampler or state");
    if (samplerStates_[Sampler][Type] == Value) return S_OK;
    samplerStates_[Sampler][Type] = Value;
    if (Sampler == 0) dirtySampler_ = true;
    return S_OK;
}

HRESULT Device::GetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD* pValue) {
    if (!pValue) return Fail(D3DERR_INVALIDCALL, "GetSamplerState: no output pointer");
    if (Sampler >= D3D_TEXTURE_STAGES || Type >= D3DSAMP_STATE_COUNT)
        return Fail(D3DERR_INVALIDCALL, "GetSamplerState: unknown sampler or state");
    *pValue = samplerStates_[Sampler][Type];
    return S_OK;
}

HRESULT Device::SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) {
    if (Stage >= D3D_TEXTURE_STAGES || Type >= D3DTSS_STATE_COUNT)
        return Fail(D3DERR_INVALIDCALL, "SetTextureStageState: unknown stage or state");
    if (stageStates_[Stage][Type] == Value) return S_OK;
    stageStates_[Stage][Type] = Value;
    return S_OK;
}

HRESULT Device::GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD* pValue) {
    if (!pValue) return Fail(D3DERR_INVALIDCALL, "GetTextureStageState: no output pointer");
    if (Stage >= D3D_TEXTURE_STAGES || Type >= D3DTSS_STATE_COUNT)
        return Fail(D3DERR_INVALIDCALL, "GetTextureStageState: unknown stage or state");
    *pValue = stageStates_[Stage][Type];
    return S_OK;
}

HRESULT Device::SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) {
    if (!pMatrix) return Fail(D3DERR_INVALIDCALL, "SetTransform: no matrix");
    switch (State) {
    case D3DTS_WORLD: world_ = *pMatrix; break;
    case D3DTS_VIEW:
        if (std::memcmp(&view_, pMatrix, sizeof view_) == 0) return S_OK;
        view_ = *pMatrix;
        ++lightsVersion_;  // lights live in view space
        break;
    case D3DTS_PROJECTION: projection_ = *pMatrix; break;
    default:
        if (State >= D3DTS_TEXTURE0 && State < D3DTS_TEXTURE0 + 8) return S_OK;  // texture transforms are off
        return Fail(D3DERR_INVALIDCALL, "SetTransform: unknown transform");
    }
    ++transformsVersion_;
    return S_OK;
}

HRESULT Device::GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) {
    if (!pMatrix) return Fail(D3DERR_INVALIDCALL, "GetTransform: no output pointer");
    switch (State) {
    case D3DTS_WORLD: *pMatrix = world_; return S_OK;
    case D3DTS_VIEW: *pMatrix = view_; return S_OK;
    case D3DTS_PROJECTION: *pMatrix = projection_; return S_OK;
    default:
        if (State >= D3DTS_TEXTURE0 && State < D3DTS_TEXTURE0 + 8) {
            *pMatrix = Identity();
            return S_OK;
        }
        return Fail(D3DERR_INVALIDCALL, "GetTransform: unknown transform");
    }
}

HRESULT Device::SetMaterial(const D3DMATERIAL9* pMaterial) {
    if (!pMaterial) return Fail(D3DERR_INVALIDCALL, "SetMaterial: no material");
    if (std::memcmp(&material_, pMaterial, sizeof material_) == 0) return S_OK;
    material_ = *pMaterial;
    ++materialVersion_;
    return S_OK;
}

HRESULT Device::GetMaterial(D3DMATERIAL9* pMaterial) {
    if (!pMaterial) return Fail(D3DERR_INVALIDCALL, "GetMaterial: no output pointer");
    *pMaterial = material_;
    return S_OK;
}

HRESULT Device::SetLight(DWORD Index, const D3DLIGHT9* pLight) {
    if (!pLight) return Fail(D3DERR_INVALIDCALL, "SetLight: no light");
    if (Index >= kMaxLightIndex) return Fail(D3DERR_INVALIDCALL, "SetLight: light index too large");
    const D3DLIGHT9& l = *pLight;
    if (l.Type != D3DLIGHT_POINT && l.Type != D3DLIGHT_SPOT && l.Type != D3DLIGHT_DIRECTIONAL)
        return Fail(D3DERR_INVALIDCALL, "SetLight: unknown light type");
    if (l.Type != D3DLIGHT_DIRECTIONAL &&
        (!(l.Range >= 0.0f) || !(l.Attenuation0 >= 0.0f) || !(l.Attenuation1 >= 0.0f) || !(l.Attenuation2 >= 0.0f)))
        return Fail(D3DERR_INVALIDCALL, "SetLight: negative range or attenuation");
    if (Index >= lights_.size()) lights_.resize(Index + 1);
    lights_[Index].light = l;
    lights_[Index].set = true;
    ++lightsVersion_;
    return S_OK;
}

HRESULT Device::GetLight(DWORD Index, D3DLIGHT9* pLight) {
    if (!pLight) return Fail(D3DERR_INVALIDCALL, "GetLight: no output pointer");
    if (Index >= lights_.size() || !lights_[Index].set) return Fail(D3DERR_INVALIDCALL, "GetLight: light never set");
    *pLight = lights_[Index].light;
    return S_OK;
}

HRESULT Device::LightEnable(DWORD Index, BOOL Enable) {
    if (Index >= kMaxLightIndex) return Fail(D3DERR_INVALIDCALL, "LightEnable: light index too large");
    if (Index >= lights_.size()) lights_.resize(Index + 1);
    Light& slot = lights_[Index];
    if (!slot.set) {
        // Enabling a light never set gives D3D's default: white, directional, shining along +z.
        slot.light = {};
        slot.light.Type = D3DLIGHT_DIRECTIONAL;
        slot.light.Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
        slot.light.Direction = {0.0f, 0.0f, 1.0f};
        slot.set = true;
    }
    slot.enabled = Enable != 0;
    ++lightsVersion_;
    return S_OK;
}

HRESULT Device::GetLightEnable(DWORD Index, BOOL* pEnable) {
    if (!pEnable) return Fail(D3DERR_INVALIDCALL, "GetLightEnable: no output pointer");
    if (Index >= lights_.size() || !lights_[Index].set)
        return Fail(D3DERR_INVALIDCALL, "GetLightEnable: light never set");
    *pEnable = lights_[Index].enabled ? TRUE : FALSE;
    return S_OK;
}

HRESULT Device::SetFVF(DWORD FVF) {
    fvf_ = FVF;
    return S_OK;
}

HRESULT Device::GetFVF(DWORD* pFVF) {
    if (!pFVF) return Fail(D3DERR_INVALIDCALL, "GetFVF: no output pointer");
    *pFVF = fvf_;
    return S_OK;
}

HRESULT Device::SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9* pStreamData, UINT OffsetInBytes,
                                UINT Stride) {
    if (StreamNumber != 0) return Fail(D3DERR_INVALIDCALL, "SetStreamSource: only stream 0 exists");
    stream_.buffer = static_cast<VertexBuffer*>(pStreamData);
    stream_.offset = pStreamData ? OffsetInBytes : 0;
    stream_.stride = pStreamData ? Stride : 0;
    return S_OK;
}

HRESULT Device::GetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9** ppStreamData, UINT* pOffsetInBytes,
                                UINT* pStride) {
    if (!ppStreamData || !pOffsetInBytes || !pStride)
        return Fail(D3DERR_INVALIDCALL, "GetStreamSource: no output pointer");
    if (StreamNumber != 0) return Fail(D3DERR_INVALIDCALL, "GetStreamSource: only stream 0 exists");
    *ppStreamData = stream_.buffer;
    if (stream_.buffer) stream_.buffer->AddRef();
    *pOffsetInBytes = stream_.offset;
    *pStride = stream_.stride;
    return S_OK;
}

HRESULT Device::SetIndices(IDirect3DIndexBuffer9* pIndexData) {
    indices_ = static_cast<IndexBuffer*>(pIndexData);
    return S_OK;
}

HRESULT Device::GetIndices(IDirect3DIndexBuffer9** ppIndexData) {
    if (!ppIndexData) return Fail(D3DERR_INVALIDCALL, "GetIndices: no output pointer");
    *ppIndexData = indices_;
    if (indices_) indices_->AddRef();
    return S_OK;
}

HRESULT Device::SetTexture(DWORD Stage, IDirect3DBaseTexture9* pTexture) {
    if (Stage >= D3D_TEXTURE_STAGES) return Fail(D3DERR_INVALIDCALL, "SetTexture: unknown stage");
    if (textures_[Stage] == pTexture) return S_OK;
    textures_[Stage] = pTexture;
    return S_OK;
}

HRESULT Device::GetTexture(DWORD Stage, IDirect3DBaseTexture9** ppTexture) {
    if (!ppTexture) return Fail(D3DERR_INVALIDCALL, "GetTexture: no output pointer");
    if (Stage >= D3D_TEXTURE_STAGES) return Fail(D3DERR_INVALIDCALL, "GetTexture: unknown stage");
    *ppTexture = textures_[Stage];
    if (*ppTexture) (*ppTexture)->AddRef();
    return S_OK;
}

void Device::ForgetTexture(IDirect3DBaseTexture9* texture) {
    for (DWORD i = 0; i < D3D_TEXTURE_STAGES; ++i) {
        if (textures_[i] != texture) continue;
        textures_[i] = nullptr;
    }
    boundTexture_ = 0xFFFFFFFFu;
}

void Device::ForgetStream(VertexBuffer* buffer) {
    if (stream_.buffer == buffer) stream_ = {};
    layout_ = {};
}

void Device::ForgetIndices(IndexBuffer* buffer) {
    if (indices_ == buffer) indices_ = nullptr;
    boundIbo_ = 0xFFFFFFFFu;
}

// ---- Device: resources ----------------------------------------------------------------------------

HRESULT Device::CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                                   IDirect3DVertexBuffer9** ppVertexBuffer, HANDLE* /*pSharedHandle*/) {
    if (!ppVertexBuffer) return Fail(D3DERR_INVALIDCALL, "CreateVertexBuffer: no output pointer");
    *ppVertexBuffer = nullptr;
    if (Length == 0 || Length > (1u << 30)) return Fail(D3DERR_INVALIDCALL, "CreateVertexBuffer: bad length");
    if (Pool > D3DPOOL_SCRATCH) return Fail(D3DERR_INVALIDCALL, "CreateVertexBuffer: unknown pool");
    auto* vb = new VertexBuffer(this, Length, Usage, FVF, Pool);
    if (!vb->store.Valid()) {
        vb->Release();
        return Fail(D3DERR_OUTOFVIDEOMEMORY, "CreateVertexBuffer: OpenGL buffer not created");
    }
    *ppVertexBuffer = vb;
    return S_OK;
}

HRESULT Device::CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                  IDirect3DIndexBuffer9** ppIndexBuffer, HANDLE* /*pSharedHandle*/) {
    if (!ppIndexBuffer) return Fail(D3DERR_INVALIDCALL, "CreateIndexBuffer: no output pointer");
    *ppIndexBuffer = nullptr;
    if (Format != D3DFMT_INDEX16 && Format != D3DFMT_INDEX32)
        return Fail(D3DERR_INVALIDCALL, "CreateIndexBuffer: format must be INDEX16 or INDEX32");
    if (Length == 0 || Length > (1u << 30)) return Fail(D3DERR_INVALIDCALL, "CreateIndexBuffer: bad length");
    if (Pool > D3DPOOL_SCRATCH) return Fail(D3DERR_INVALIDCALL, "CreateIndexBuffer: unknown pool");
    auto* ib = new IndexBuffer(this, Length, Usage, Format, Pool);
    if (!ib->store.Valid()) {
        ib->Release();
        return Fail(D3DERR_OUTOFVIDEOMEMORY, "CreateIndexBuffer: OpenGL buffer not created");
    }
    *ppIndexBuffer = ib;
    return S_OK;
}

HRESULT Device::CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                              IDirect3DTexture9** ppTexture, HANDLE* /*pSharedHandle*/) {
    if (!ppTexture) return Fail(D3DERR_INVALIDCALL, "CreateTexture: no output pointer");
    *ppTexture = nullptr;
    if (Width == 0 || Height == 0 || Width > 8192 || Height > 8192)
        return Fail(D3DERR_INVALIDCALL, "CreateTexture: size must be 1 to 8192");
    if (!TextureFormatInfo(Format).supported) return Fail(D3DERR_INVALIDCALL, "CreateTexture: unsupported format");
    if (Pool > D3DPOOL_SCRATCH) return Fail(D3DERR_INVALIDCALL, "CreateTexture: unknown pool");
    UINT full = 1;
    for (UINT m = std::max(Width, Height); m > 1; m >>= 1) ++full;
    if (Levels == 0 || (Usage & D3DUSAGE_AUTOGENMIPMAP)) Levels = full;
    if (Levels > full) return Fail(D3DERR_INVALIDCALL, "CreateTexture: more levels than the size allows");
    auto* texture = new Texture(this, Width, Height, Levels, Usage, Format, Pool);
    if (!texture->Valid()) {
        texture->Release();
        return Fail(D3DERR_OUTOFVIDEOMEMORY, "CreateTexture: OpenGL texture not created");
    }
    *ppTexture = texture;
    return S_OK;
}

// ---- Device: drawing ------------------------------------------------------------------------------

void Device::ApplyRenderStates() {
    const auto& rs = renderStates_;
    if (hasDepth_ && rs[D3DRS_ZENABLE] != D3DZB_FALSE) {
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(CompareFunc(rs[D3DRS_ZFUNC]));
        glDepthMask(rs[D3DRS_ZWRITEENABLE] ? GL_TRUE : GL_FALSE);
    } else {
        glDisable(GL_DEPTH_TEST);
    }
    // OpenGL's counter-clockwise matches what is counter-clockwise on screen: no axis is flipped
    // between D3D's clip space and the framebuffer as it is shown.
    switch (rs[D3DRS_CULLMODE]) {
    case D3DCULL_CCW:
        glEnable(GL_CULL_FACE);
        glCullFace(GL_FRONT);
        break;
    case D3DCULL_CW:
        glEnable(GL_CULL_FACE);
        glCullFace(GL_BACK);
        break;
    default: glDisable(GL_CULL_FACE); break;
    }
    if (rs[D3DRS_ALPHABLENDENABLE]) {
        glEnable(GL_BLEND);
        if (rs[D3DRS_SEPARATEALPHABLENDENABLE]) {
            glBlendFuncSeparate(BlendFactor(rs[D3DRS_SRCBLEND]), BlendFactor(rs[D3DRS_DESTBLEND]),
                                BlendFactor(rs[D3DRS_SRCBLENDALPHA]), BlendFactor(rs[D3DRS_DESTBLENDALPHA]));
            glBlendEquationSeparate(BlendEquation(rs[D3DRS_BLENDOP]), BlendEquation(rs[D3DRS_BLENDOPALPHA]));
        } else {
            glBlendFunc(BlendFactor(rs[D3DRS_SRCBLEND]), BlendFactor(rs[D3DRS_DESTBLEND]));
            glBlendEquation(BlendEquation(rs[D3DRS_BLENDOP]));
        }
    } else {
        glDisable(GL_BLEND);
    }
    const DWORD cw = rs[D3DRS_COLORWRITEENABLE];
    glColorMask((cw & 1) ? GL_TRUE : GL_FALSE, (cw & 2) ? GL_TRUE : GL_FALSE, (cw & 4) ? GL_TRUE : GL_FALSE,
                (cw & 8) ? GL_TRUE : GL_FALSE);
    switch (rs[D3DRS_FILLMODE]) {
    case D3DFILL_POINT: glPolygonMode(GL_FRONT_AND_BACK, GL_POINT); break;
    case D3DFILL_WIREFRAME: glPolygonMode(GL_FRONT_AND_BACK, GL_LINE); break;
    default: glPolygonMode(GL_FRONT_AND_BACK, GL_FILL); break;
    }
    if (rs[D3DRS_DITHERENABLE])
        glEnable(GL_DITHER);
    else
        glDisable(GL_DITHER);
}

void Device::ApplySampler() {
    const auto& s = samplerStates_[0];
    const DWORD minF = s[D3DSAMP_MINFILTER], mipF = s[D3DSAMP_MIPFILTER];
    const bool linearMin = minF == D3DTEXF_LINEAR || minF == D3DTEXF_ANISOTROPIC;
    GLenum minFilter = linearMin ? GL_LINEAR : GL_NEAREST;
    if (mipF == D3DTEXF_POINT)
        minFilter = linearMin ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
    else if (mipF == D3DTEXF_LINEAR)
        minFilter = linearMin ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
    const DWORD magF = s[D3DSAMP_MAGFILTER];
    const GLenum magFilter = (magF == D3DTEXF_LINEAR || magF == D3DTEXF_ANISOTROPIC) ? GL_LINEAR : GL_NEAREST;
    auto wrap = [](DWORD mode) -> GLint {
        switch (mode) {
        case D3DTADDRESS_MIRROR: return GL_MIRRORED_REPEAT;
        case D3DTADDRESS_CLAMP: return GL_CLAMP_TO_EDGE;
        case D3DTADDRESS_BORDER: return GL_CLAMP_TO_BORDER;
        default: return GL_REPEAT;
        }
    };
    glSamplerParameteri(sampler_, GL_TEXTURE_MIN_FILTER, static_cast<GLint>(minFilter));
    glSamplerParameteri(sampler_, GL_TEXTURE_MAG_FILTER, static_cast<GLint>(magFilter));
    glSamplerParameteri(sampler_, GL_TEXTURE_WRAP_S, wrap(s[D3DSAMP_ADDRESSU]));
    glSamplerParameteri(sampler_, GL_TEXTURE_WRAP_T, wrap(s[D3DSAMP_ADDRESSV]));
    float border[4];
    ColourToFloats(s[D3DSAMP_BORDERCOLOR], border);
    glSamplerParameterfv(sampler_, GL_TEXTURE_BORDER_COLOR, border);
}

void Device::SetViewportGL() {
    const GLint y = static_cast<GLint>(pp_.BackBufferHeight - viewport_.Y - viewport_.Height);
    glViewport(static_cast<GLint>(viewport_.X), y, static_cast<GLsizei>(viewport_.Width),
               static_cast<GLsizei>(viewport_.Height));
    glDepthRange(viewport_.MinZ, viewport_.MaxZ);
}

// The choices of the current state that select a shader program (see FfpKey).
FfpKey Device::CurrentKey(DWORD fvf) const {
    const auto& rs = renderStates_;
    FfpKey k;
    const bool pretransformed = (fvf & D3DFVF_POSITION_MASK) == D3DFVF_XYZRHW;
    k.pretransformed = pretransformed ? 1 : 0;
    if (rs[D3DRS_LIGHTING] && !pretransformed) {
        k.lighting = 1;
        k.normalize = rs[D3DRS_NORMALIZENORMALS] ? 1 : 0;
        k.localViewer = rs[D3DRS_LOCALVIEWER] ? 1 : 0;
        // A material colour comes from a vertex colour only when vertex colours are on and the
        // vertex format has that colour.
        auto source = [&](D3DRENDERSTATETYPE state) -> std::int32_t {
            const DWORD s = rs[state];
            if (!rs[D3DRS_COLORVERTEX]) return 0;
            if (s == D3DMCS_COLOR1 && (fvf & D3DFVF_DIFFUSE)) return 1;
            if (s == D3DMCS_COLOR2 && (fvf & D3DFVF_SPECULAR)) return 2;
            return 0;
        };
        k.materialSource[0] = source(D3DRS_DIFFUSEMATERIALSOURCE);
        k.materialSource[1] = source(D3DRS_AMBIENTMATERIALSOURCE);
        k.materialSource[2] = source(D3DRS_SPECULARMATERIALSOURCE);
        k.materialSource[3] = source(D3DRS_EMISSIVEMATERIALSOURCE);
        for (const Light& slot : lights_)
            if (slot.enabled && k.lightCount < MAX_LIGHTS) ++k.lightCount;
    }
    if (rs[D3DRS_FOGENABLE] && !pretransformed) {
        std::int32_t mode = 0;
        if (rs[D3DRS_FOGTABLEMODE] != D3DFOG_NONE) {
            mode = static_cast<std::int32_t>(rs[D3DRS_FOGTABLEMODE]);
            k.fogPerPixel = 1;
        } else {
            mode = static_cast<std::int32_t>(rs[D3DRS_FOGVERTEXMODE]);
        }
        if (mode < 0 || mode > 3) mode = 0;
        k.fogMode = mode;
        if (mode == 0) {
            k.fogPerPixel = 0;
        } else {
            k.fogRange = !k.fogPerPixel && rs[D3DRS_RANGEFOGENABLE] ? 1 : 0;
        }
    }
    const auto& st = stageStates_[0];
    auto* texture = static_cast<Texture*>(static_cast<IDirect3DTexture9*>(
        textures_[0] && textures_[0]->GetType() == D3DRTYPE_TEXTURE ? textures_[0] : nullptr));
    k.hasTexture = texture && texture->Valid() ? 1 : 0;
    k.colorStage[0] = static_cast<std::int32_t>(st[D3DTSS_COLOROP]);
    if (k.colorStage[0] != D3DTOP_DISABLE) {
        k.colorStage[1] = static_cast<std::int32_t>(st[D3DTSS_COLORARG1]);
        k.colorStage[2] = static_cast<std::int32_t>(st[D3DTSS_COLORARG2]);
        k.alphaStage[0] = static_cast<std::int32_t>(st[D3DTSS_ALPHAOP]);
        if (k.alphaStage[0] != D3DTOP_DISABLE) {
            k.alphaStage[1] = static_cast<std::int32_t>(st[D3DTSS_ALPHAARG1]);
            k.alphaStage[2] = static_cast<std::int32_t>(st[D3DTSS_ALPHAARG2]);
        }
    }
    k.alphaFunc = rs[D3DRS_ALPHATESTENABLE] ? static_cast<std::int32_t>(rs[D3DRS_ALPHAFUNC]) : 0;
    k.specularEnable = rs[D3DRS_SPECULARENABLE] ? 1 : 0;
    return k;
}

// The program specialised on `key`, built on first use and kept for the device's life; the general
// program when comparing, or when a specialised one cannot be built.
FfpProgram* Device::ProgramFor(const FfpKey& key) {
    if (useGeneral_) return &general_;
    if (current_ && !current_->general && current_->key == key) return current_;
    for (const auto& p : programs_)
        if (p->key == key) return p.get();
    auto made = std::make_unique<FfpProgram>();
    std::string error;
    if (!made->Build(&key, error)) {
        made->Destroy();
        return &general_;
    }
    programs_.push_back(std::move(made));
    return programs_.back().get();
}

// The general program takes the choices as uniforms.
void Device::UploadKey(FfpProgram& p, const FfpKey& k) {
    if (p.keyUploaded && p.uploadedKey == k) return;
    glUniform1i(p.pretransformed, k.pretransformed);
    glUniform1i(p.lighting, k.lighting);
    glUniform1i(p.normalizeNormals, k.normalize);
    glUniform1i(p.localViewer, k.localViewer);
    glUniform4i(p.materialSource, k.materialSource[0], k.materialSource[1], k.materialSource[2], k.materialSource[3]);
    glUniform1i(p.lightCount, k.lightCount);
    glUniform1i(p.fogMode, k.fogMode);
    glUniform1i(p.fogPerPixel, k.fogPerPixel);
    glUniform1i(p.fogRange, k.fogRange);
    glUniform1i(p.hasTexture, k.hasTexture);
    glUniform3i(p.colorStage, k.colorStage[0], k.colorStage[1], k.colorStage[2]);
    glUniform3i(p.alphaStage, k.alphaStage[0], k.alphaStage[1], k.alphaStage[2]);
    glUniform1i(p.alphaFunc, k.alphaFunc);
    glUniform1i(p.specularEnable, k.specularEnable);
    p.keyUploaded = true;
    // The light arrays are sent for the enabled lights only: a new count needs them again.
    if (p.uploadedKey.lightCount != k.lightCount) p.lightsVersion = 0;
    p.uploadedKey = k;
}

void Device::UploadTransforms(FfpProgram& p) {
    if (p.transformsVersion == transformsVersion_) return;
    p.transformsVersion = transformsVersion_;
    if (p.viewportScale >= 0) {
        const float sx = 2.0f / static_cast<float>(viewport_.Width), sy = -2.0f / static_cast<float>(viewport_.Height);
        glUniform4f(p.viewportScale, sx, sy, -1.0f - static_cast<float>(viewport_.X) * sx,
                    1.0f - static_cast<float>(viewport_.Y) * sy);
    }
    if (p.worldView < 0 && p.normalMatrix < 0) return;  // pretransformed vertices only
    const D3DMATRIX worldView = Multiply(world_, view_);
    if (p.worldView >= 0) glUniformMatrix4fv(p.worldView, 1, GL_FALSE, &worldView.m[0][0]);
    if (p.projection >= 0) glUniformMatrix4fv(p.projection, 1, GL_FALSE, &projection_.m[0][0]);
    if (p.normalMatrix >= 0) {
        float normal[9];
        NormalMatrix(worldView, normal);
        glUniformMatrix3fv(p.normalMatrix, 1, GL_FALSE, normal);
    }
}

void Device::UploadMaterial(FfpProgram& p) {
    if (p.materialVersion == materialVersion_) return;
    p.materialVersion = materialVersion_;
    if (p.matDiffuse >= 0) glUniform4fv(p.matDiffuse, 1, &material_.Diffuse.r);
    if (p.matAmbient >= 0) glUniform4fv(p.matAmbient, 1, &material_.Ambient.r);
    if (p.matSpecular >= 0) glUniform4fv(p.matSpecular, 1, &material_.Specular.r);
    if (p.matEmissive >= 0) glUniform4fv(p.matEmissive, 1, &material_.Emissive.r);
    if (p.matPower >= 0) glUniform1f(p.matPower, material_.Power);
}

void Device::UploadLights(FfpProgram& p, int lightCount) {
    if (p.lightsVersion == lightsVersion_) return;
    p.lightsVersion = lightsVersion_;
    if (p.globalAmbient >= 0) {
        float ambient[4];
        ColourToFloats(renderStates_[D3DRS_AMBIENT], ambient);
        glUniform3f(p.globalAmbient, ambient[0], ambient[1], ambient[2]);
    }
    if (lightCount == 0) return;
    float position[MAX_LIGHTS][4], direction[MAX_LIGHTS][3], diffuse[MAX_LIGHTS][3], specular[MAX_LIGHTS][3],
        lightAmbient[MAX_LIGHTS][3], attenuation[MAX_LIGHTS][4], spot[MAX_LIGHTS][4];
    int count = 0;
    for (const Light& slot : lights_) {
        if (!slot.enabled || count == MAX_LIGHTS) continue;
        const D3DLIGHT9& l = slot.light;
        const D3DVECTOR& p = l.Position;
        const D3DVECTOR& d = l.Direction;
        position[count][0] = p.x * view_._11 + p.y * view_._21 + p.z * view_._31 + view_._41;
        position[count][1] = p.x * view_._12 + p.y * view_._22 + p.z * view_._32 + view_._42;
        position[count][2] = p.x * view_._13 + p.y * view_._23 + p.z * view_._33 + view_._43;
        position[count][3] = static_cast<float>(l.Type);
        float dx = d.x * view_._11 + d.y * view_._21 + d.z * view_._31;
        float dy = d.x * view_._12 + d.y * view_._22 + d.z * view_._32;
        float dz = d.x * view_._13 + d.y * view_._23 + d.z * view_._33;
        const float len = std::sqrt(dx * dx + dy * dy + dz * dz);
        if (len > 0.0f) {
            dx /= len;
            dy /= len;
            dz /= len;
        }
        direction[count][0] = dx;
        direction[count][1] = dy;
        direction[count][2] = dz;
        const D3DCOLORVALUE* colours[3] = {&l.Diffuse, &l.Specular, &l.Ambient};
        float (*targets[3])[3] = {diffuse, specular, lightAmbient};
        for (int k = 0; k < 3; ++k) {
            targets[k][count][0] = colours[k]->r;
            targets[k][count][1] = colours[k]->g;
            targets[k][count][2] = colours[k]->b;
        }
        attenuation[count][0] = l.Attenuation0;
        attenuation[count][1] = l.Attenuation1;
        attenuation[count][2] = l.Attenuation2;
        attenuation[count][3] = l.Range;
        spot[count][0] = std::cos(l.Theta * 0.5f);
        spot[count][1] = std::cos(l.Phi * 0.5f);
        spot[count][2] = l.Falloff;
        spot[count][3] = 0.0f;
        ++count;
    }
    if (count == 0) return;
    auto send3 = [count](GLint at, const float (*v)[3]) {
        if (at >= 0) glUniform3fv(at, count, &v[0][0]);
    };
    auto send4 = [count](GLint at, const float (*v)[4]) {
        if (at >= 0) glUniform4fv(at, count, &v[0][0]);
    };
    send4(p.lightPosition, position);
    send3(p.lightDirection, direction);
    send3(p.lightDiffuse, diffuse);
    send3(p.lightSpecular, specular);
    send3(p.lightAmbient, lightAmbient);
    send4(p.lightAttenuation, attenuation);
    send4(p.lightSpot, spot);
}

void Device::UploadFog(FfpProgram& p) {
    if (p.fogVersion == fogVersion_) return;
    p.fogVersion = fogVersion_;
    const auto& rs = renderStates_;
    if (p.fogParams >= 0)
        glUniform3f(p.fogParams, AsFloat(rs[D3DRS_FOGSTART]), AsFloat(rs[D3DRS_FOGEND]), AsFloat(rs[D3DRS_FOGDENSITY]));
    if (p.fogColor >= 0) {
        float c[4];
        ColourToFloats(rs[D3DRS_FOGCOLOR], c);
        glUniform3f(p.fogColor, c[0], c[1], c[2]);
    }
}

void Device::UploadStage(FfpProgram& p) {
    if (p.stageVersion == stageVersion_) return;
    p.stageVersion = stageVersion_;
    if (p.textureFactor >= 0) {
        float factor[4];
        ColourToFloats(renderStates_[D3DRS_TEXTUREFACTOR], factor);
        glUniform4fv(p.textureFactor, 1, factor);
    }
    if (p.alphaRef >= 0) glUniform1f(p.alphaRef, static_cast<float>(renderStates_[D3DRS_ALPHAREF] & 0xFF));
}

void Device::BindTexture() {
    auto* texture = static_cast<Texture*>(static_cast<IDirect3DTexture9*>(
        textures_[0] && textures_[0]->GetType() == D3DRTYPE_TEXTURE ? textures_[0] : nullptr));
    if (texture && texture->Valid() && boundTexture_ != texture->Name()) {
        glBindTexture(GL_TEXTURE_2D, texture->Name());
        boundTexture_ = texture->Name();
    }
}

void Device::BindVertexLayout(DWORD fvf, GLuint vbo, UINT offset, UINT stride) {
    if (layout_.fvf == fvf && layout_.vbo == vbo && layout_.offset == offset && layout_.stride == stride) return;
    layout_ = {fvf, vbo, offset, stride};
    VertexLayout l;
    LayoutOf(fvf, l);
    glBindBuffer(GL_ARRAY_BUFFER, vbo);
    const auto gs = static_cast<GLsizei>(stride);
    auto at = [offset](int field) { return reinterpret_cast<const void*>(static_cast<std::uintptr_t>(offset) + field); };
    glEnableVertexAttribArray(ATTR_POSITION);
    glVertexAttribPointer(ATTR_POSITION, l.positionSize, GL_FLOAT, GL_FALSE, gs, at(0));
    auto optional = [&](GLuint attr, int field, GLint size, GLenum type, GLboolean normalised) {
        if (field < 0) {
            glDisableVertexAttribArray(attr);
            return;
        }
        glEnableVertexAttribArray(attr);
        glVertexAttribPointer(attr, size, type, normalised, gs, at(field));
    };
    optional(ATTR_NORMAL, l.normal, 3, GL_FLOAT, GL_FALSE);
    // D3DCOLOR is B, G, R, A in memory.
    optional(ATTR_DIFFUSE, l.diffuse, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE);
    optional(ATTR_SPECULAR, l.specular, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE);
    optional(ATTR_TEXCOORD, l.texcoord, std::min(l.texcoordSize, 2), GL_FLOAT, GL_FALSE);
}

HRESULT Device::PrepareDraw(DWORD fvf, GLuint vbo, UINT offset, UINT stride, const char* who) {
    (void)who;
    Activate();
    drawnSincePresent_ = true;
    if (dirtyRender_) {
        ApplyRenderStates();
        dirtyRender_ = false;
    }
    if (dirtyViewport_) {
        SetViewportGL();
        dirtyViewport_ = false;
    }
    if (dirtySampler_) {
        ApplySampler();
        dirtySampler_ = false;
    }
    const FfpKey key = CurrentKey(fvf);
    FfpProgram* program = ProgramFor(key);
    if (program != current_) {
        glUseProgram(program->program);
        current_ = program;
    }
    if (program->general) UploadKey(*program, key);
    UploadTransforms(*program);
    if (key.lighting) {
        UploadMaterial(*program);
        UploadLights(*program, key.lightCount);
    }
    if (key.fogMode != 0) UploadFog(*program);
    UploadStage(*program);
    BindTexture();
    BindVertexLayout(fvf, vbo, offset, stride);
    return S_OK;
}

namespace {

// Checks shared by every draw call; fills the vertex layout of the current FVF.
HRESULT CheckDraw(bool inScene, DWORD fvf, UINT primitives, UINT stride, VertexLayout& layout, const char* who) {
    static thread_local std::string message;
    auto fail = [&](const char* why) {
        message = std::string(who) + ": " + why;
        return Fail(D3DERR_INVALIDCALL, message.c_str());
    };
    if (!inScene) return fail("drawing outside BeginScene/EndScene");
    if (!LayoutOf(fvf, layout)) return fail("vertex format not supported (needs XYZ or XYZRHW)");
    if (primitives == 0 || primitives > kMaxPrimitiveCount) return fail("primitive count out of range");
    if (stride < layout.size) return fail("stride smaller than the vertex format");
    return S_OK;
}

}  // namespace

HRESULT Device::DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex, UINT PrimitiveCount) {
    VertexLayout layout;
    HRESULT hr = CheckDraw(inScene_, fvf_, PrimitiveCount, stream_.stride, layout, "DrawPrimitive");
    if (FAILED(hr)) return hr;
    GLenum mode;
    UINT vertices;
    if (!VertexCount(PrimitiveType, PrimitiveCount, mode, vertices))
        return Fail(D3DERR_INVALIDCALL, "DrawPrimitive: unknown primitive type");
    if (!stream_.buffer) return Fail(D3DERR_INVALIDCALL, "DrawPrimitive: no stream source");
    const std::uint64_t end = static_cast<std::uint64_t>(stream_.offset) +
                              (static_cast<std::uint64_t>(StartVertex) + vertices - 1) * stream_.stride + layout.size;
    if (end > stream_.buffer->store.Length())
        return Fail(D3DERR_INVALIDCALL, "DrawPrimitive: vertices past the end of the vertex buffer");
    PrepareDraw(fvf_, stream_.buffer->store.Name(), stream_.offset, stream_.stride, "DrawPrimitive");
    glDrawArrays(mode, static_cast<GLint>(StartVertex), static_cast<GLsizei>(vertices));
    return S_OK;
}

HRESULT Device::DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, INT BaseVertexIndex, UINT MinVertexIndex,
                                     UINT NumVertices, UINT StartIndex, UINT PrimitiveCount) {
    (void)MinVertexIndex;
    (void)NumVertices;
    VertexLayout layout;
    HRESULT hr = CheckDraw(inScene_, fvf_, PrimitiveCount, stream_.stride, layout, "DrawIndexedPrimitive");
    if (FAILED(hr)) return hr;
    GLenum mode;
    UINT count;
    if (!VertexCount(PrimitiveType, PrimitiveCount, mode, count))
        return Fail(D3DERR_INVALIDCALL, "DrawIndexedPrimitive: unknown primitive type");
    if (!stream_.buffer) return Fail(D3DERR_INVALIDCALL, "DrawIndexedPrimitive: no stream source");
    if (!indices_) return Fail(D3DERR_INVALIDCALL, "DrawIndexedPrimitive: no index buffer");
    const bool wide = indices_->Format() == D3DFMT_INDEX32;
    const UINT indexSize = wide ? 4 : 2;
    const UINT indexCapacity = indices_->store.Length() / indexSize;
    if (static_cast<std::uint64_t>(StartIndex) + count > indexCapacity)
        return Fail(D3DERR_INVALIDCALL, "DrawIndexedPrimitive: indices past the end of the index buffer");
    // Every vertex the indices reach must lie inside the vertex buffer.
    const UINT vbLength = stream_.buffer->store.Length();
    auto fits = [&](std::int64_t vertex) {
        return vertex >= 0 && static_cast<std::uint64_t>(stream_.offset) +
                                      static_cast<std::uint64_t>(vertex) * stream_.stride + layout.size <=
                                  vbLength;
    };
    if (!fits(static_cast<std::int64_t>(BaseVertexIndex) + indices_->maxIndex)) {
        const std::uint8_t* data = indices_->store.Data() + static_cast<std::size_t>(StartIndex) * indexSize;
        for (UINT i = 0; i < count; ++i) {
            std::uint32_t v = 0;
            if (wide) {
                std::memcpy(&v, data + i * 4, 4);
            } else {
                std::uint16_t s;
                std::memcpy(&s, data + i * 2, 2);
                v = s;
            }
            if (!fits(static_cast<std::int64_t>(BaseVertexIndex) + v))
                return Fail(D3DERR_INVALIDCALL, "DrawIndexedPrimitive: an index reaches past the vertex buffer");
        }
    }
    PrepareDraw(fvf_, stream_.buffer->store.Name(), stream_.offset, stream_.stride, "DrawIndexedPrimitive");
    if (boundIbo_ != indices_->store.Name()) {
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indices_->store.Name());
        boundIbo_ = indices_->store.Name();
    }
    glDrawElementsBaseVertex(mode, static_cast<GLsizei>(count), wide ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT,
                             reinterpret_cast<const void*>(static_cast<std::uintptr_t>(StartIndex) * indexSize),
                             BaseVertexIndex);
    return S_OK;
}

HRESULT Device::DrawPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT PrimitiveCount, const void* pVertexStreamZeroData,
                                UINT VertexStreamZeroStride) {
    VertexLayout layout;
    HRESULT hr = CheckDraw(inScene_, fvf_, PrimitiveCount, VertexStreamZeroStride, layout, "DrawPrimitiveUP");
    if (FAILED(hr)) return hr;
    if (!pVertexStreamZeroData) return Fail(D3DERR_INVALIDCALL, "DrawPrimitiveUP: no vertex data");
    GLenum mode;
    UINT vertices;
    if (!VertexCount(PrimitiveType, PrimitiveCount, mode, vertices))
        return Fail(D3DERR_INVALIDCALL, "DrawPrimitiveUP: unknown primitive type");
    Activate();
    const std::size_t bytes = static_cast<std::size_t>(vertices - 1) * VertexStreamZeroStride + layout.size;
    glBindBuffer(GL_ARRAY_BUFFER, upVbo_);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(bytes), pVertexStreamZeroData, GL_STREAM_DRAW);
    layout_.vbo = 0xFFFFFFFFu;  // attribute pointers must be taken again from the refilled buffer
    PrepareDraw(fvf_, upVbo_, 0, VertexStreamZeroStride, "DrawPrimitiveUP");
    glDrawArrays(mode, 0, static_cast<GLsizei>(vertices));
    // As in D3D, stream 0 is unset afterwards.
    stream_ = {};
    return S_OK;
}

HRESULT Device::DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT MinVertexIndex, UINT NumVertices,
                                       UINT PrimitiveCount, const void* pIndexData, D3DFORMAT IndexDataFormat,
                                       const void* pVertexStreamZeroData, UINT VertexStreamZeroStride) {
    VertexLayout layout;
    HRESULT hr =
        CheckDraw(inScene_, fvf_, PrimitiveCount, VertexStreamZeroStride, layout, "DrawIndexedPrimitiveUP");
    if (FAILED(hr)) return hr;
    if (!pIndexData || !pVertexStreamZeroData) return Fail(D3DERR_INVALIDCALL, "DrawIndexedPrimitiveUP: no data");
    if (IndexDataFormat != D3DFMT_INDEX16 && IndexDataFormat != D3DFMT_INDEX32)
        return Fail(D3DERR_INVALIDCALL, "DrawIndexedPrimitiveUP: bad index format");
    GLenum mode;
    UINT count;
    if (!VertexCount(PrimitiveType, PrimitiveCount, mode, count))
        return Fail(D3DERR_INVALIDCALL, "DrawIndexedPrimitiveUP: unknown primitive type");
    const bool wide = IndexDataFormat == D3DFMT_INDEX32;
    const UINT vertexCount = MinVertexIndex + NumVertices;
    if (NumVertices == 0) return Fail(D3DERR_INVALIDCALL, "DrawIndexedPrimitiveUP: no vertices");
    for (UINT i = 0; i < count; ++i) {
        std::uint32_t v = 0;
        if (wide) {
            std::memcpy(&v, static_cast<const std::uint8_t*>(pIndexData) + i * 4, 4);
        } else {
            std::uint16_t s;
            std::memcpy(&s, static_cast<const std::uint8_t*>(pIndexData) + i * 2, 2);
            v = s;
        }
        if (v >= vertexCount)
            return Fail(D3DERR_INVALIDCALL, "DrawIndexedPrimitiveUP: an index is outside the given vertices");
    }
    Activate();
    const std::size_t vbytes = static_cast<std::size_t>(vertexCount - 1) * VertexStreamZeroStride + layout.size;
    glBindBuffer(GL_ARRAY_BUFFER, upVbo_);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vbytes), pVertexStreamZeroData, GL_STREAM_DRAW);
    layout_.vbo = 0xFFFFFFFFu;
    PrepareDraw(fvf_, upVbo_, 0, VertexStreamZeroStride, "DrawIndexedPrimitiveUP");
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, upIbo_);
    boundIbo_ = upIbo_;
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(count * (wide ? 4 : 2)), pIndexData, GL_STREAM_DRAW);
    glDrawElements(mode, static_cast<GLsizei>(count), wide ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT, nullptr);
    stream_ = {};
    indices_ = nullptr;
    return S_OK;
}

}  // namespace d3d9

// ---- Entry points ---------------------------------------------------------------------------------

IDirect3D9* Direct3DCreate9(UINT SDKVersion) {
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

D3DPresentArea D3DLetterbox(int bw, int bh, int w, int h) {
    if (bw <= 0 || bh <= 0 || w <= 0 || h <= 0) return {0, 0, std::max(w, 0), std::max(h, 0)};
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

bool DeviceReadLastFrame(IDirect3DDevice9* device, int& width, int& height, std::vector<std::uint8_t>& rgba) {
    if (!device) {
        width = height = 0;
        rgba.clear();
        d3d9::Fail(D3DERR_INVALIDCALL, "DeviceReadLastFrame: no device");
        return false;
    }
    return static_cast<d3d9::Device*>(device)->ReadLastFrame(width, height, rgba);
}

void DeviceUseGeneralProgram(IDirect3DDevice9* device, bool on) {
    if (device) static_cast<d3d9::Device*>(device)->UseGeneralProgram(on);
}

const char* D3DLastErrorText() { return d3d9::LastError(); }

D3DObjectCounts D3DLiveObjects() {
    const d3d9::LiveCounts& c = d3d9::Live();
    return {c.direct3d, c.devices, c.textures, c.vertexBuffers, c.indexBuffers};
}
