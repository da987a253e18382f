// The device's interface methods (IDirect3DDevice9): life, frames, state keeping, resource
// creation and the draw calls.
//
// Where the window's own framebuffer has the back buffer's size and format, frames are drawn straight
// into it and Present swaps. Otherwise the device draws into a framebuffer of its own, so the back
// buffer has the size and format the presentation parameters ask for whatever the window offers;
// Present copies it to a visible window, and to an invisible one (the offscreen video driver) copies
// and swaps nothing. Either way the frame last presented stays readable for screenshots, and at most
// one presented frame is still being rasterised while the next is drawn.
//
// Direct3D state is kept as the game sets it; what changed is handed to OpenGL and to the shader
// programs' uniforms only at the next draw, group by group (apply.cpp).
//
// In order: life (construction, OpenGL targets, default states), frames (Clear, BeginScene,
// EndScene, Present, reading the last frame), state (Set/Get of viewport, render, sampler and stage
// states, transforms, material, lights, FVF, stream, indices, textures), resources (Create*), then
// the draw calls, which check their arguments and call PrepareDraw. The Direct3D object that creates
// the device is in direct3d.cpp.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "platform/d3d9/internal.h"

namespace d3d9 {

namespace {

constexpr DWORD kMaxLightIndex = 1024;

}  // namespace

// ---- Device: life -------------------------------------------------------------------------------

Device::Device(Direct3D9* d3d, SDL_Window* window, SDL_GLContext context, const D3DPRESENT_PARAMETERS& pp)
    : d3d_(d3d), window_(window), context_(context), pp_(pp)
{
    d3d_->AddRef();
    ++Live().devices;
    hasDepth_ = pp.EnableAutoDepthStencil != 0;
    hasStencil_ = hasDepth_ && pp.AutoDepthStencilFormat == D3DFMT_D24S8;
    world_ = view_ = projection_ = Identity();
    viewport_ = {0, 0, pp.BackBufferWidth, pp.BackBufferHeight, 0.0f, 1.0f};
    SetDefaultStates();
}

Device::~Device()
{
    --Live().devices;
    WriteDrawCounts();
    Activate();
    general_.Destroy();
    for (const auto& p : programs_) {
        p->Destroy();
    }
    if (inFlight_) {
        glDeleteSync(inFlight_);
    }
    if (vao_) {
        glDeleteVertexArrays(1, &vao_);
    }
    if (upVbo_) {
        glDeleteBuffers(1, &upVbo_);
    }
    if (upIbo_) {
        glDeleteBuffers(1, &upIbo_);
    }
    if (sampler_) {
        glDeleteSamplers(1, &sampler_);
    }
    if (fbo_) {
        glDeleteFramebuffers(1, &fbo_);
    }
    if (colour_) {
        glDeleteRenderbuffers(1, &colour_);
    }
    if (depth_) {
        glDeleteRenderbuffers(1, &depth_);
    }
    SDL_GL_MakeCurrent(window_, nullptr);
    SDL_GL_DeleteContext(context_);
    if (!pp_.Windowed) {
        SDL_SetWindowFullscreen(window_, 0);
    }
    d3d_->Release();
}

void Device::Activate()
{
    if (SDL_GL_GetCurrentContext() != context_) {
        SDL_GL_MakeCurrent(window_, context_);
    }
}

bool Device::MakeTargets(std::string& error)
{
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
        // OpenGL ES has no 32-bit integer depth: D32 gets 24 bits there.
        case D3DFMT_D32: depthFormat = kEsProfile ? GL_DEPTH_COMPONENT24 : GL_DEPTH_COMPONENT32; break;
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
    if (depth_) {
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, depthAttachment, GL_RENDERBUFFER, depth_);
    }
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        error = "the back buffer cannot be created in this format";
        return false;
    }
    return true;
}

// The window's own framebuffer serves as the back buffer when the window is on a real display and
// matches it: same size, 8-bit colour channels (and alpha where the format has it), a depth (and
// stencil) buffer where one was asked for.
bool Device::CanDrawToWindow()
{
    if (invisible_) {
        return false;
    }
    // OpenGL ES reads no front buffer, so the frame last presented would be lost at the swap: there
    // frames are always drawn into the device's own framebuffer.
    if constexpr (kEsProfile) {
        return false;
    }
    const D3DFORMAT f = pp_.BackBufferFormat;
    if (f != D3DFMT_X8R8G8B8 && f != D3DFMT_A8R8G8B8) {
        return false;
    }
    int w = 0, h = 0;
    SDL_GL_GetDrawableSize(window_, &w, &h);
    if (w != static_cast<int>(pp_.BackBufferWidth) || h != static_cast<int>(pp_.BackBufferHeight)) {
        return false;
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    auto bits = [](GLenum attachment, GLenum what) {
        GLint type = GL_NONE;
        glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, attachment, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE, &type);
        if (type == GL_NONE) {
            return 0;
        }
        GLint v = 0;
        glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, attachment, what, &v);
        return static_cast<int>(v);
    };
    if (bits(GL_BACK_LEFT, GL_FRAMEBUFFER_ATTACHMENT_RED_SIZE) != 8 ||
        bits(GL_BACK_LEFT, GL_FRAMEBUFFER_ATTACHMENT_GREEN_SIZE) != 8 ||
        bits(GL_BACK_LEFT, GL_FRAMEBUFFER_ATTACHMENT_BLUE_SIZE) != 8) {
        return false;
    }
    if (f == D3DFMT_A8R8G8B8 && bits(GL_BACK_LEFT, GL_FRAMEBUFFER_ATTACHMENT_ALPHA_SIZE) < 8) {
        return false;
    }
    if (hasDepth_) {
        int need = 16;
        if (pp_.AutoDepthStencilFormat == D3DFMT_D24X8 || pp_.AutoDepthStencilFormat == D3DFMT_D24S8) {
            need = 24;
        }
        if (pp_.AutoDepthStencilFormat == D3DFMT_D32) {
            need = 32;
        }
        // A deeper depth buffer than asked for would resolve ties differently: the depth must match.
        if (bits(GL_DEPTH, GL_FRAMEBUFFER_ATTACHMENT_DEPTH_SIZE) != need) {
            return false;
        }
        if (hasStencil_ && bits(GL_STENCIL, GL_FRAMEBUFFER_ATTACHMENT_STENCIL_SIZE) < 8) {
            return false;
        }
    }
    glGetError();
    return true;
}

bool Device::Init(std::string& error)
{
    Activate();
    const char* driver = SDL_GetCurrentVideoDriver();
    invisible_ = driver != nullptr && std::strcmp(driver, "offscreen") == 0;
    // Full screen always draws into a framebuffer of its own: the mode change may land after this
    // (or give another size), and Present scales the frame into whatever the screen became.
    toWindow_ = pp_.Windowed && CanDrawToWindow();
    if (!toWindow_ && !MakeTargets(error)) {
        return false;
    }
    glBindFramebuffer(GL_FRAMEBUFFER, toWindow_ ? 0 : fbo_);
    // A program for the default state is built and let go now, so a device that cannot compile its
    // shaders fails here rather than at its first draw.
    {
        FfpProgram probe;
        const FfpKey key = CurrentKey(D3DFVF_XYZ);
        if (!probe.Build(&key, error)) {
            probe.Destroy();
            return false;
        }
        probe.Destroy();
    }
    glGenVertexArrays(1, &vao_);
    glBindVertexArray(vao_);
    glGenBuffers(1, &upVbo_);
    glGenBuffers(1, &upIbo_);
    glGenSamplers(1, &sampler_);
    glBindSampler(0, sampler_);
    glActiveTexture(GL_TEXTURE0);
    current_ = nullptr;
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

void Device::SetDefaultStates()
{
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

HRESULT Device::GetDeviceCaps(D3DCAPS9* pCaps)
{
    if (!pCaps) {
        return Fail(D3DERR_INVALIDCALL, "GetDeviceCaps: no output pointer");
    }
    FillCaps(*pCaps);
    return S_OK;
}

// ---- Device: frames -----------------------------------------------------------------------------

HRESULT Device::Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z, DWORD Stencil)
{
    if ((Flags & D3DCLEAR_ZBUFFER) && !hasDepth_) {
        return Fail(D3DERR_INVALIDCALL, "Clear: no depth buffer");
    }
    if ((Flags & D3DCLEAR_STENCIL) && !hasStencil_) {
        return Fail(D3DERR_INVALIDCALL, "Clear: no stencil buffer");
    }
    if (Count > 0 && !pRects) {
        return Fail(D3DERR_INVALIDCALL, "Clear: rectangle count without rectangles");
    }
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
        if constexpr (kEsProfile) {
            glClearDepthf(std::clamp(Z, 0.0f, 1.0f));
        } else {
            glClearDepth(std::clamp(Z, 0.0f, 1.0f));
        }
        glDepthMask(GL_TRUE);
        mask |= GL_DEPTH_BUFFER_BIT;
    }
    if (Flags & D3DCLEAR_STENCIL) {
        glClearStencil(static_cast<GLint>(Stencil & 0xFF));
        glStencilMask(0xFF);
        mask |= GL_STENCIL_BUFFER_BIT;
    }
    if (mask == 0) {
        return S_OK;
    }
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
        if (x1 >= x2 || y1 >= y2) {
            return;
        }
        glScissor(x1, bbH - y2, x2 - x1, y2 - y1);
        glClear(mask);
    };
    if (Count == 0) {
        clearRect(vx1, vy1, vx2, vy2);
    } else {
        for (DWORD i = 0; i < Count; ++i) {
            clearRect(pRects[i].x1, pRects[i].y1, pRects[i].x2, pRects[i].y2);
        }
    }
    glDisable(GL_SCISSOR_TEST);
    dirtyRender_ = true;  // masks changed behind the state cache
    return S_OK;
}

HRESULT Device::BeginScene()
{
    if (inScene_) {
        return Fail(D3DERR_INVALIDCALL, "BeginScene: already in a scene");
    }
    inScene_ = true;
    return S_OK;
}

HRESULT Device::EndScene()
{
    if (!inScene_) {
        return Fail(D3DERR_INVALIDCALL, "EndScene: not in a scene");
    }
    inScene_ = false;
    return S_OK;
}

HRESULT Device::Present(const RECT* pSourceRect, const RECT* pDestRect, HWND hDestWindowOverride,
                        const void* pDirtyRegion)
{
    if (pSourceRect || pDestRect || hDestWindowOverride || pDirtyRegion) {
        return Fail(D3DERR_INVALIDCALL, "Present: only whole-buffer presentation to the device window is supported");
    }
    Activate();
    if (toWindow_) {
        int w = 0, h = 0;
        SDL_GL_GetDrawableSize(window_, &w, &h);
        if (w != static_cast<int>(pp_.BackBufferWidth) || h != static_cast<int>(pp_.BackBufferHeight)) {
            // The window changed size under the back buffer: from the next frame on, draw into a
            // framebuffer of the back buffer's size and scale it into the window.
            std::string error;
            if (MakeTargets(error)) {
                toWindow_ = false;
            }
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
        if constexpr (kEsProfile) {
            // WebGL allows no client wait with a timeout: the fence is polled, and where the previous
            // frame is still being drawn, glFinish waits for it (in a browser the page's animation
            // frames pace the drawing instead).
            if (glClientWaitSync(inFlight_, GL_SYNC_FLUSH_COMMANDS_BIT, 0) == GL_TIMEOUT_EXPIRED) {
                glFinish();
            }
        } else {
            glClientWaitSync(inFlight_, GL_SYNC_FLUSH_COMMANDS_BIT, 5000000000ull);
        }
        glDeleteSync(inFlight_);
    }
    inFlight_ = fence;
    ++Counts().frames;
    presentedOnce_ = true;
    drawnSincePresent_ = false;
    return S_OK;
}

bool Device::ReadLastFrame(int& width, int& height, std::vector<std::uint8_t>& rgba)
{
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
    if (toWindow_) {
        glReadBuffer(GL_FRONT);
    }
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
    if (toWindow_) {
        glReadBuffer(GL_BACK);
    }
    rgba.resize(bottomUp.size());
    for (int y = 0; y < height; ++y) {
        std::memcpy(&rgba[static_cast<std::size_t>(y) * row], &bottomUp[static_cast<std::size_t>(height - 1 - y) * row],
                    row);
    }
    // What the window shows is opaque whatever the back buffer's alpha holds.
    for (std::size_t i = 3; i < rgba.size(); i += 4) {
        rgba[i] = 255;
    }
    return true;
}

// ---- Device: state ------------------------------------------------------------------------------

HRESULT Device::SetViewport(const D3DVIEWPORT9* pViewport)
{
    if (!pViewport) {
        return Fail(D3DERR_INVALIDCALL, "SetViewport: no viewport");
    }
    const D3DVIEWPORT9& v = *pViewport;
    if (v.Width == 0 || v.Height == 0 || v.X + v.Width > pp_.BackBufferWidth || v.Y + v.Height > pp_.BackBufferHeight ||
        !(v.MinZ >= 0.0f && v.MinZ <= 1.0f && v.MaxZ >= 0.0f && v.MaxZ <= 1.0f)) {
        return Fail(D3DERR_INVALIDCALL, "SetViewport: viewport outside the back buffer");
    }
    viewport_ = v;
    dirtyViewport_ = true;
    ++transformsVersion_;
    return S_OK;
}

HRESULT Device::GetViewport(D3DVIEWPORT9* pViewport)
{
    if (!pViewport) {
        return Fail(D3DERR_INVALIDCALL, "GetViewport: no output pointer");
    }
    *pViewport = viewport_;
    return S_OK;
}

HRESULT Device::SetRenderState(D3DRENDERSTATETYPE State, DWORD Value)
{
    if (State >= D3DRS_STATE_COUNT) {
        return Fail(D3DERR_INVALIDCALL, "SetRenderState: unknown state");
    }
    if (renderStates_[State] == Value) {
        return S_OK;
    }
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

HRESULT Device::GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue)
{
    if (!pValue) {
        return Fail(D3DERR_INVALIDCALL, "GetRenderState: no output pointer");
    }
    if (State >= D3DRS_STATE_COUNT) {
        return Fail(D3DERR_INVALIDCALL, "GetRenderState: unknown state");
    }
    *pValue = renderStates_[State];
    return S_OK;
}

HRESULT Device::SetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD Value)
{
    if (Sampler >= D3D_TEXTURE_STAGES || Type >= D3DSAMP_STATE_COUNT) {
        return Fail(D3DERR_INVALIDCALL, "SetSamplerState: unknown sampler or state");
    }
    if (samplerStates_[Sampler][Type] == Value) {
        return S_OK;
    }
    samplerStates_[Sampler][Type] = Value;
    if (Sampler == 0) {
        dirtySampler_ = true;
    }
    return S_OK;
}

HRESULT Device::GetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD* pValue)
{
    if (!pValue) {
        return Fail(D3DERR_INVALIDCALL, "GetSamplerState: no output pointer");
    }
    if (Sampler >= D3D_TEXTURE_STAGES || Type >= D3DSAMP_STATE_COUNT) {
        return Fail(D3DERR_INVALIDCALL, "GetSamplerState: unknown sampler or state");
    }
    *pValue = samplerStates_[Sampler][Type];
    return S_OK;
}

HRESULT Device::SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value)
{
    if (Stage >= D3D_TEXTURE_STAGES || Type >= D3DTSS_STATE_COUNT) {
        return Fail(D3DERR_INVALIDCALL, "SetTextureStageState: unknown stage or state");
    }
    if (stageStates_[Stage][Type] == Value) {
        return S_OK;
    }
    stageStates_[Stage][Type] = Value;
    return S_OK;
}

HRESULT Device::GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD* pValue)
{
    if (!pValue) {
        return Fail(D3DERR_INVALIDCALL, "GetTextureStageState: no output pointer");
    }
    if (Stage >= D3D_TEXTURE_STAGES || Type >= D3DTSS_STATE_COUNT) {
        return Fail(D3DERR_INVALIDCALL, "GetTextureStageState: unknown stage or state");
    }
    *pValue = stageStates_[Stage][Type];
    return S_OK;
}

HRESULT Device::SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix)
{
    if (!pMatrix) {
        return Fail(D3DERR_INVALIDCALL, "SetTransform: no matrix");
    }
    switch (State) {
    case D3DTS_WORLD: world_ = *pMatrix; break;
    case D3DTS_VIEW:
        if (std::memcmp(&view_, pMatrix, sizeof view_) == 0) {
            return S_OK;
        }
        view_ = *pMatrix;
        ++lightsVersion_;  // lights live in view space
        break;
    case D3DTS_PROJECTION: projection_ = *pMatrix; break;
    default:
        if (State >= D3DTS_TEXTURE0 && State < D3DTS_TEXTURE0 + 8) {
            return S_OK;  // texture transforms are off
        }
        return Fail(D3DERR_INVALIDCALL, "SetTransform: unknown transform");
    }
    ++transformsVersion_;
    return S_OK;
}

HRESULT Device::GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix)
{
    if (!pMatrix) {
        return Fail(D3DERR_INVALIDCALL, "GetTransform: no output pointer");
    }
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

HRESULT Device::SetMaterial(const D3DMATERIAL9* pMaterial)
{
    if (!pMaterial) {
        return Fail(D3DERR_INVALIDCALL, "SetMaterial: no material");
    }
    if (std::memcmp(&material_, pMaterial, sizeof material_) == 0) {
        return S_OK;
    }
    material_ = *pMaterial;
    ++materialVersion_;
    return S_OK;
}

HRESULT Device::GetMaterial(D3DMATERIAL9* pMaterial)
{
    if (!pMaterial) {
        return Fail(D3DERR_INVALIDCALL, "GetMaterial: no output pointer");
    }
    *pMaterial = material_;
    return S_OK;
}

HRESULT Device::SetLight(DWORD Index, const D3DLIGHT9* pLight)
{
    if (!pLight) {
        return Fail(D3DERR_INVALIDCALL, "SetLight: no light");
    }
    if (Index >= kMaxLightIndex) {
        return Fail(D3DERR_INVALIDCALL, "SetLight: light index too large");
    }
    const D3DLIGHT9& l = *pLight;
    if (l.Type != D3DLIGHT_POINT && l.Type != D3DLIGHT_SPOT && l.Type != D3DLIGHT_DIRECTIONAL) {
        return Fail(D3DERR_INVALIDCALL, "SetLight: unknown light type");
    }
    if (l.Type != D3DLIGHT_DIRECTIONAL &&
        (!(l.Range >= 0.0f) || !(l.Attenuation0 >= 0.0f) || !(l.Attenuation1 >= 0.0f) || !(l.Attenuation2 >= 0.0f))) {
        return Fail(D3DERR_INVALIDCALL, "SetLight: negative range or attenuation");
    }
    if (Index >= lights_.size()) {
        lights_.resize(Index + 1);
    }
    lights_[Index].light = l;
    lights_[Index].set = true;
    ++lightsVersion_;
    return S_OK;
}

HRESULT Device::GetLight(DWORD Index, D3DLIGHT9* pLight)
{
    if (!pLight) {
        return Fail(D3DERR_INVALIDCALL, "GetLight: no output pointer");
    }
    if (Index >= lights_.size() || !lights_[Index].set) {
        return Fail(D3DERR_INVALIDCALL, "GetLight: light never set");
    }
    *pLight = lights_[Index].light;
    return S_OK;
}

HRESULT Device::LightEnable(DWORD Index, BOOL Enable)
{
    if (Index >= kMaxLightIndex) {
        return Fail(D3DERR_INVALIDCALL, "LightEnable: light index too large");
    }
    if (Index >= lights_.size()) {
        lights_.resize(Index + 1);
    }
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

HRESULT Device::GetLightEnable(DWORD Index, BOOL* pEnable)
{
    if (!pEnable) {
        return Fail(D3DERR_INVALIDCALL, "GetLightEnable: no output pointer");
    }
    if (Index >= lights_.size() || !lights_[Index].set) {
        return Fail(D3DERR_INVALIDCALL, "GetLightEnable: light never set");
    }
    *pEnable = lights_[Index].enabled ? TRUE : FALSE;
    return S_OK;
}

HRESULT Device::SetFVF(DWORD FVF)
{
    fvf_ = FVF;
    return S_OK;
}

HRESULT Device::GetFVF(DWORD* pFVF)
{
    if (!pFVF) {
        return Fail(D3DERR_INVALIDCALL, "GetFVF: no output pointer");
    }
    *pFVF = fvf_;
    return S_OK;
}

HRESULT Device::SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9* pStreamData, UINT OffsetInBytes, UINT Stride)
{
    if (StreamNumber != 0) {
        return Fail(D3DERR_INVALIDCALL, "SetStreamSource: only stream 0 exists");
    }
    stream_.buffer = static_cast<VertexBuffer*>(pStreamData);
    stream_.offset = pStreamData ? OffsetInBytes : 0;
    stream_.stride = pStreamData ? Stride : 0;
    return S_OK;
}

HRESULT Device::GetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9** ppStreamData, UINT* pOffsetInBytes,
                                UINT* pStride)
{
    if (!ppStreamData || !pOffsetInBytes || !pStride) {
        return Fail(D3DERR_INVALIDCALL, "GetStreamSource: no output pointer");
    }
    if (StreamNumber != 0) {
        return Fail(D3DERR_INVALIDCALL, "GetStreamSource: only stream 0 exists");
    }
    *ppStreamData = stream_.buffer;
    if (stream_.buffer) {
        stream_.buffer->AddRef();
    }
    *pOffsetInBytes = stream_.offset;
    *pStride = stream_.stride;
    return S_OK;
}

HRESULT Device::SetIndices(IDirect3DIndexBuffer9* pIndexData)
{
    indices_ = static_cast<IndexBuffer*>(pIndexData);
    return S_OK;
}

HRESULT Device::GetIndices(IDirect3DIndexBuffer9** ppIndexData)
{
    if (!ppIndexData) {
        return Fail(D3DERR_INVALIDCALL, "GetIndices: no output pointer");
    }
    *ppIndexData = indices_;
    if (indices_) {
        indices_->AddRef();
    }
    return S_OK;
}

HRESULT Device::SetTexture(DWORD Stage, IDirect3DBaseTexture9* pTexture)
{
    if (Stage >= D3D_TEXTURE_STAGES) {
        return Fail(D3DERR_INVALIDCALL, "SetTexture: unknown stage");
    }
    if (textures_[Stage] == pTexture) {
        return S_OK;
    }
    textures_[Stage] = pTexture;
    return S_OK;
}

HRESULT Device::GetTexture(DWORD Stage, IDirect3DBaseTexture9** ppTexture)
{
    if (!ppTexture) {
        return Fail(D3DERR_INVALIDCALL, "GetTexture: no output pointer");
    }
    if (Stage >= D3D_TEXTURE_STAGES) {
        return Fail(D3DERR_INVALIDCALL, "GetTexture: unknown stage");
    }
    *ppTexture = textures_[Stage];
    if (*ppTexture) {
        (*ppTexture)->AddRef();
    }
    return S_OK;
}

void Device::Forget(IDirect3DBaseTexture9* texture)
{
    for (DWORD i = 0; i < D3D_TEXTURE_STAGES; ++i) {
        if (textures_[i] != texture) {
            continue;
        }
        textures_[i] = nullptr;
    }
    boundTexture_ = 0xFFFFFFFFu;
}

void Device::Forget(IDirect3DVertexBuffer9* buffer)
{
    if (stream_.buffer == buffer) {
        stream_ = {};
    }
    layout_ = {};
}

void Device::Forget(IDirect3DIndexBuffer9* buffer)
{
    if (indices_ == buffer) {
        indices_ = nullptr;
    }
    boundIbo_ = 0xFFFFFFFFu;
}

// ---- Device: resources ----------------------------------------------------------------------------

HRESULT Device::CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                                   IDirect3DVertexBuffer9** ppVertexBuffer, HANDLE* /*pSharedHandle*/)
{
    if (!ppVertexBuffer) {
        return Fail(D3DERR_INVALIDCALL, "CreateVertexBuffer: no output pointer");
    }
    *ppVertexBuffer = nullptr;
    if (Length == 0 || Length > (1u << 30)) {
        return Fail(D3DERR_INVALIDCALL, "CreateVertexBuffer: bad length");
    }
    if (Pool > D3DPOOL_SCRATCH) {
        return Fail(D3DERR_INVALIDCALL, "CreateVertexBuffer: unknown pool");
    }
    auto* vb = new VertexBuffer(this, Length, Usage, FVF, Pool);
    if (!vb->store.Valid()) {
        vb->Release();
        return Fail(D3DERR_OUTOFVIDEOMEMORY, "CreateVertexBuffer: OpenGL buffer not created");
    }
    *ppVertexBuffer = vb;
    return S_OK;
}

HRESULT Device::CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                  IDirect3DIndexBuffer9** ppIndexBuffer, HANDLE* /*pSharedHandle*/)
{
    if (!ppIndexBuffer) {
        return Fail(D3DERR_INVALIDCALL, "CreateIndexBuffer: no output pointer");
    }
    *ppIndexBuffer = nullptr;
    if (Format != D3DFMT_INDEX16 && Format != D3DFMT_INDEX32) {
        return Fail(D3DERR_INVALIDCALL, "CreateIndexBuffer: format must be INDEX16 or INDEX32");
    }
    if (Length == 0 || Length > (1u << 30)) {
        return Fail(D3DERR_INVALIDCALL, "CreateIndexBuffer: bad length");
    }
    if (Pool > D3DPOOL_SCRATCH) {
        return Fail(D3DERR_INVALIDCALL, "CreateIndexBuffer: unknown pool");
    }
    auto* ib = new IndexBuffer(this, Length, Usage, Format, Pool);
    if (!ib->store.Valid()) {
        ib->Release();
        return Fail(D3DERR_OUTOFVIDEOMEMORY, "CreateIndexBuffer: OpenGL buffer not created");
    }
    *ppIndexBuffer = ib;
    return S_OK;
}

HRESULT Device::CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                              IDirect3DTexture9** ppTexture, HANDLE* /*pSharedHandle*/)
{
    if (!ppTexture) {
        return Fail(D3DERR_INVALIDCALL, "CreateTexture: no output pointer");
    }
    *ppTexture = nullptr;
    if (Width == 0 || Height == 0 || Width > 8192 || Height > 8192) {
        return Fail(D3DERR_INVALIDCALL, "CreateTexture: size must be 1 to 8192");
    }
    if (!TextureFormatInfo(Format).supported) {
        return Fail(D3DERR_INVALIDCALL, "CreateTexture: unsupported format");
    }
    if (Pool > D3DPOOL_SCRATCH) {
        return Fail(D3DERR_INVALIDCALL, "CreateTexture: unknown pool");
    }
    UINT full = 1;
    for (UINT m = std::max(Width, Height); m > 1; m >>= 1) {
        ++full;
    }
    if (Levels == 0 || (Usage & D3DUSAGE_AUTOGENMIPMAP)) {
        Levels = full;
    }
    if (Levels > full) {
        return Fail(D3DERR_INVALIDCALL, "CreateTexture: more levels than the size allows");
    }
    auto* texture = new Texture(this, Width, Height, Levels, Usage, Format, Pool);
    if (!texture->Valid()) {
        texture->Release();
        return Fail(D3DERR_OUTOFVIDEOMEMORY, "CreateTexture: OpenGL texture not created");
    }
    *ppTexture = texture;
    return S_OK;
}

namespace {

// Checks shared by every draw call; fills the vertex layout of the current FVF.
HRESULT CheckDraw(bool inScene, DWORD fvf, UINT primitives, UINT stride, VertexLayout& layout, const char* who)
{
    static thread_local std::string message;
    auto fail = [&](const char* why) {
        message = std::string(who) + ": " + why;
        return Fail(D3DERR_INVALIDCALL, message.c_str());
    };
    if (!inScene) {
        return fail("drawing outside BeginScene/EndScene");
    }
    if (!LayoutOf(fvf, layout)) {
        return fail("vertex format not supported (needs XYZ or XYZRHW)");
    }
    if (primitives == 0 || primitives > kMaxPrimitiveCount) {
        return fail("primitive count out of range");
    }
    if (stride < layout.size) {
        return fail("stride smaller than the vertex format");
    }
    return S_OK;
}

}  // namespace

HRESULT Device::DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex, UINT PrimitiveCount)
{
    VertexLayout layout;
    HRESULT hr = CheckDraw(inScene_, fvf_, PrimitiveCount, stream_.stride, layout, "DrawPrimitive");
    if (FAILED(hr)) {
        return hr;
    }
    GLenum mode;
    UINT vertices;
    if (!VertexCount(PrimitiveType, PrimitiveCount, mode, vertices)) {
        return Fail(D3DERR_INVALIDCALL, "DrawPrimitive: unknown primitive type");
    }
    if (!stream_.buffer) {
        return Fail(D3DERR_INVALIDCALL, "DrawPrimitive: no stream source");
    }
    const std::uint64_t end = static_cast<std::uint64_t>(stream_.offset) +
                              (static_cast<std::uint64_t>(StartVertex) + vertices - 1) * stream_.stride + layout.size;
    if (end > stream_.buffer->store.Length()) {
        return Fail(D3DERR_INVALIDCALL, "DrawPrimitive: vertices past the end of the vertex buffer");
    }
    if (const HRESULT hr = PrepareDraw(fvf_, stream_.buffer->store.Name(), stream_.offset, stream_.stride,
                                       PrimitiveType, PrimitiveCount);
        FAILED(hr)) {
        return hr;
    }
    glDrawArrays(mode, static_cast<GLint>(StartVertex), static_cast<GLsizei>(vertices));
    return S_OK;
}

HRESULT Device::DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, INT BaseVertexIndex, UINT MinVertexIndex,
                                     UINT NumVertices, UINT StartIndex, UINT PrimitiveCount)
{
    (void)MinVertexIndex;
    (void)NumVertices;
    VertexLayout layout;
    HRESULT hr = CheckDraw(inScene_, fvf_, PrimitiveCount, stream_.stride, layout, "DrawIndexedPrimitive");
    if (FAILED(hr)) {
        return hr;
    }
    GLenum mode;
    UINT count;
    if (!VertexCount(PrimitiveType, PrimitiveCount, mode, count)) {
        return Fail(D3DERR_INVALIDCALL, "DrawIndexedPrimitive: unknown primitive type");
    }
    if (!stream_.buffer) {
        return Fail(D3DERR_INVALIDCALL, "DrawIndexedPrimitive: no stream source");
    }
    if (!indices_) {
        return Fail(D3DERR_INVALIDCALL, "DrawIndexedPrimitive: no index buffer");
    }
    const bool wide = indices_->Format() == D3DFMT_INDEX32;
    const UINT indexSize = wide ? 4 : 2;
    const UINT indexCapacity = indices_->store.Length() / indexSize;
    if (static_cast<std::uint64_t>(StartIndex) + count > indexCapacity) {
        return Fail(D3DERR_INVALIDCALL, "DrawIndexedPrimitive: indices past the end of the index buffer");
    }
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
            if (!fits(static_cast<std::int64_t>(BaseVertexIndex) + IndexAt(data, i, wide))) {
                return Fail(D3DERR_INVALIDCALL, "DrawIndexedPrimitive: an index reaches past the vertex buffer");
            }
        }
    }
    const GLenum indexType = wide ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT;
    const auto* firstIndex = reinterpret_cast<const void*>(static_cast<std::uintptr_t>(StartIndex) * indexSize);
    if constexpr (kEsProfile) {
        // OpenGL ES 3.0 has no base-vertex draws. The base vertex moves the start of the vertex
        // attributes instead; one that would start them before the buffer (a negative base with a
        // small stream offset) has its indices rebased on the CPU into the device's own index buffer.
        const std::int64_t start =
            static_cast<std::int64_t>(stream_.offset) + static_cast<std::int64_t>(BaseVertexIndex) * stream_.stride;
        if (start >= 0) {
            if (const HRESULT hr = PrepareDraw(fvf_, stream_.buffer->store.Name(), static_cast<UINT>(start),
                                               stream_.stride, PrimitiveType, PrimitiveCount);
                FAILED(hr)) {
                return hr;
            }
            BindIndices(indices_->store.Name());
            glDrawElements(mode, static_cast<GLsizei>(count), indexType, firstIndex);
            return S_OK;
        }
        std::vector<std::uint32_t> rebased(count);
        const std::uint8_t* data = indices_->store.Data() + static_cast<std::size_t>(StartIndex) * indexSize;
        for (UINT i = 0; i < count; ++i) {
            rebased[i] =
                static_cast<std::uint32_t>(static_cast<std::int64_t>(IndexAt(data, i, wide)) + BaseVertexIndex);
        }
        if (const HRESULT hr = PrepareDraw(fvf_, stream_.buffer->store.Name(), stream_.offset, stream_.stride,
                                           PrimitiveType, PrimitiveCount);
            FAILED(hr)) {
            return hr;
        }
        BindIndices(upIbo_);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(rebased.size() * 4), rebased.data(),
                     GL_STREAM_DRAW);
        glDrawElements(mode, static_cast<GLsizei>(count), GL_UNSIGNED_INT, nullptr);
        return S_OK;
    }
    if (const HRESULT hr = PrepareDraw(fvf_, stream_.buffer->store.Name(), stream_.offset, stream_.stride,
                                       PrimitiveType, PrimitiveCount);
        FAILED(hr)) {
        return hr;
    }
    BindIndices(indices_->store.Name());
    glDrawElementsBaseVertex(mode, static_cast<GLsizei>(count), indexType, firstIndex, BaseVertexIndex);
    return S_OK;
}

HRESULT Device::DrawPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT PrimitiveCount, const void* pVertexStreamZeroData,
                                UINT VertexStreamZeroStride)
{
    VertexLayout layout;
    HRESULT hr = CheckDraw(inScene_, fvf_, PrimitiveCount, VertexStreamZeroStride, layout, "DrawPrimitiveUP");
    if (FAILED(hr)) {
        return hr;
    }
    if (!pVertexStreamZeroData) {
        return Fail(D3DERR_INVALIDCALL, "DrawPrimitiveUP: no vertex data");
    }
    GLenum mode;
    UINT vertices;
    if (!VertexCount(PrimitiveType, PrimitiveCount, mode, vertices)) {
        return Fail(D3DERR_INVALIDCALL, "DrawPrimitiveUP: unknown primitive type");
    }
    Activate();
    const std::size_t bytes = static_cast<std::size_t>(vertices - 1) * VertexStreamZeroStride + layout.size;
    glBindBuffer(GL_ARRAY_BUFFER, upVbo_);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(bytes), pVertexStreamZeroData, GL_STREAM_DRAW);
    layout_.vbo = 0xFFFFFFFFu;  // attribute pointers must be taken again from the refilled buffer
    const HRESULT prepared = PrepareDraw(fvf_, upVbo_, 0, VertexStreamZeroStride, PrimitiveType, PrimitiveCount);
    if (SUCCEEDED(prepared)) {
        glDrawArrays(mode, 0, static_cast<GLsizei>(vertices));
    }
    // As in D3D, stream 0 is unset afterwards.
    stream_ = {};
    return prepared;
}

HRESULT Device::DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT MinVertexIndex, UINT NumVertices,
                                       UINT PrimitiveCount, const void* pIndexData, D3DFORMAT IndexDataFormat,
                                       const void* pVertexStreamZeroData, UINT VertexStreamZeroStride)
{
    VertexLayout layout;
    HRESULT hr = CheckDraw(inScene_, fvf_, PrimitiveCount, VertexStreamZeroStride, layout, "DrawIndexedPrimitiveUP");
    if (FAILED(hr)) {
        return hr;
    }
    if (!pIndexData || !pVertexStreamZeroData) {
        return Fail(D3DERR_INVALIDCALL, "DrawIndexedPrimitiveUP: no data");
    }
    if (IndexDataFormat != D3DFMT_INDEX16 && IndexDataFormat != D3DFMT_INDEX32) {
        return Fail(D3DERR_INVALIDCALL, "DrawIndexedPrimitiveUP: bad index format");
    }
    GLenum mode;
    UINT count;
    if (!VertexCount(PrimitiveType, PrimitiveCount, mode, count)) {
        return Fail(D3DERR_INVALIDCALL, "DrawIndexedPrimitiveUP: unknown primitive type");
    }
    const bool wide = IndexDataFormat == D3DFMT_INDEX32;
    const UINT vertexCount = MinVertexIndex + NumVertices;
    if (NumVertices == 0) {
        return Fail(D3DERR_INVALIDCALL, "DrawIndexedPrimitiveUP: no vertices");
    }
    for (UINT i = 0; i < count; ++i) {
        if (IndexAt(static_cast<const std::uint8_t*>(pIndexData), i, wide) >= vertexCount) {
            return Fail(D3DERR_INVALIDCALL, "DrawIndexedPrimitiveUP: an index is outside the given vertices");
        }
    }
    Activate();
    const std::size_t vbytes = static_cast<std::size_t>(vertexCount - 1) * VertexStreamZeroStride + layout.size;
    glBindBuffer(GL_ARRAY_BUFFER, upVbo_);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vbytes), pVertexStreamZeroData, GL_STREAM_DRAW);
    layout_.vbo = 0xFFFFFFFFu;
    const HRESULT prepared = PrepareDraw(fvf_, upVbo_, 0, VertexStreamZeroStride, PrimitiveType, PrimitiveCount);
    if (SUCCEEDED(prepared)) {
        BindIndices(upIbo_);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(count * (wide ? 4 : 2)), pIndexData,
                     GL_STREAM_DRAW);
        glDrawElements(mode, static_cast<GLsizei>(count), wide ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT, nullptr);
    }
    stream_ = {};
    indices_ = nullptr;
    return prepared;
}

}  // namespace d3d9
