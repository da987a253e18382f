// Render set-up: camera-independent resources created once after the device exists, and again
// after a device re-creation (textures and buffers).
#include "render/setup.h"
#include "render/hud.h"
#include "render/scene.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/graphics.h"
#include "core/window.h"
#include "platform/win/window.h"
#include "render/render.h"
#include "resources/resources.h"

D3DMATERIAL9 materials[kMaterialCount + 1]{};
D3DLIGHT9 sunLight{};
D3DLIGHT9 menuLight{};

IDirect3DVertexBuffer9* horizonBuffer = nullptr;
IDirect3DVertexBuffer9* pauseWindowBuffer = nullptr;
IDirect3DVertexBuffer9* consoleWindowBuffer = nullptr;
IDirect3DVertexBuffer9* backdropBuffer = nullptr;
IDirect3DVertexBuffer9* hudBandBuffer = nullptr;
IDirect3DVertexBuffer9* introBuffer = nullptr;

IDirect3DTexture9* seaTexture = nullptr;
IDirect3DTexture9* horizonTexture = nullptr;
IDirect3DTexture9* hudTexture = nullptr;
IDirect3DTexture9* menuBackdropTexture = nullptr;
IDirect3DTexture9* windowTexture = nullptr;
IDirect3DTexture9* consoleTexture = nullptr;
IDirect3DTexture9* explosionTextures[kExplosionTextureCount + 1] = {};
IDirect3DTexture9* introTexture = nullptr;

namespace {

// The menu's backdrop: the whole picture on a rectangle facing the camera, a little larger than the
// menu's view at that depth (bottom-left, top-left, bottom-right, top-right).
constexpr LitTexturedVertex kBackdrop[4] = {
    {-15.3f, -11.5f, 17.0f, 0.0f, 0.0f, -1.0f, 0.0f, 1.0f},
    {-15.3f, 11.5f, 17.0f, 0.0f, 0.0f, -1.0f, 0.0f, 0.0f},
    {15.3f, -11.5f, 17.0f, 0.0f, 0.0f, -1.0f, 1.0f, 1.0f},
    {15.3f, 11.5f, 17.0f, 0.0f, 0.0f, -1.0f, 1.0f, 0.0f},
};

// A nearest mip filter samples the top level alone while one pixel spans at most the square root of
// two texels (a level of detail up to one half); 1.35 keeps clear of that edge.
constexpr float kTopLevelTexelsPerPixel = 1.35f;

// The static rectangles that show one whole texture (u and v from 0 to 1), by their buffer: three
// corners as they were made (bottom-left, top-left, bottom-right).
struct WholeTextureRect {
    IDirect3DVertexBuffer9* const* buffer;
    float corners[3][3];
};
WholeTextureRect wholeTextureRects[] = {
    {&backdropBuffer, {}},      {&hudBandBuffer, {}}, {&pauseWindowBuffer, {}},
    {&consoleWindowBuffer, {}}, {&introBuffer, {}},
};

template <typename Vertex>
void RememberCorners(const IDirect3DVertexBuffer9* buffer, const Vertex (&vertices)[4])
{
    for (WholeTextureRect& rect : wholeTextureRects) {
        if (*rect.buffer == buffer) {
            for (int i = 0; i < 3; ++i) {
                rect.corners[i][0] = vertices[i].x;
                rect.corners[i][1] = vertices[i].y;
                rect.corners[i][2] = vertices[i].z;
            }
        }
    }
}

// Whether `texture` on `rect`, under the device's current transforms and viewport, needs levels
// below its top one: only a rectangle square to the view has texels of one size all over it.
bool RectNeedsSmallerLevels(const WholeTextureRect& rect, IDirect3DTexture9* texture)
{
    D3DSURFACE_DESC top{};
    D3DVIEWPORT9 viewport{};
    D3DXMATRIX toClip;
    if (FAILED(texture->GetLevelDesc(0, &top)) || !DeviceToClip(toClip, viewport)) {
        return true;
    }
    float x[3];
    float y[3];
    float w[3];
    for (int i = 0; i < 3; ++i) {
        const float p[4] = {rect.corners[i][0], rect.corners[i][1], rect.corners[i][2], 1.0f};
        float clip[4] = {};
        for (int column = 0; column < 4; ++column) {
            for (int row = 0; row < 4; ++row) {
                clip[column] += p[row] * toClip.m[row][column];
            }
        }
        w[i] = clip[3];
        if (!(w[i] > 0.0f) || std::fabs(w[i] - w[0]) > 1e-4f * w[0]) {
            return true;
        }
        x[i] = (clip[0] / w[i] + 1.0f) * 0.5f * static_cast<float>(viewport.Width);
        y[i] = (1.0f - clip[1] / w[i]) * 0.5f * static_cast<float>(viewport.Height);
    }
    // Square to the view and upright: the left edge vertical, the bottom edge horizontal.
    if (std::fabs(x[1] - x[0]) > 0.01f || std::fabs(y[2] - y[0]) > 0.01f) {
        return true;
    }
    const float wide = std::fabs(x[2] - x[0]);
    const float high = std::fabs(y[0] - y[1]);
    return !(static_cast<float>(top.Width) <= kTopLevelTexelsPerPixel * wide &&
             static_cast<float>(top.Height) <= kTopLevelTexelsPerPixel * high);
}

template <typename T>
void ReleaseSlot(T*& object)
{
    if (object != nullptr) {
        object->Release();
        object = nullptr;
    }
}

D3DCOLORVALUE Colour(float r, float g, float b, float a)
{
    return D3DCOLORVALUE{r, g, b, a};
}

D3DMATERIAL9 Material(D3DCOLORVALUE diffuse, D3DCOLORVALUE ambient, D3DCOLORVALUE specular, D3DCOLORVALUE emissive,
                      float power)
{
    D3DMATERIAL9 m{};
    m.Diffuse = diffuse;
    m.Ambient = ambient;
    m.Specular = specular;
    m.Emissive = emissive;
    m.Power = power;
    return m;
}

// Creates `buffer` (replacing what it held) with `bytes` bytes and copies `vertices` into it.
HRESULT BufferCreate(IDirect3DVertexBuffer9*& buffer, DWORD fvf, const void* vertices, UINT bytes)
{
    ReleaseSlot(buffer);
    if (device == nullptr) {
        return E_FAIL;
    }
    IDirect3DVertexBuffer9* created = nullptr;
    if (FAILED(device->CreateVertexBuffer(bytes, 0, fvf, D3DPOOL_MANAGED, &created, nullptr)) || created == nullptr) {
        return E_FAIL;
    }
    buffer = created;
    return VertexBufferFill(buffer, vertices, bytes) ? S_OK : E_FAIL;
}

// A four-vertex buffer is a rectangle: its corners are remembered for NeedsSmallerLevels.
template <typename Vertex, std::size_t N>
HRESULT BufferCreate(IDirect3DVertexBuffer9*& buffer, DWORD fvf, const Vertex (&vertices)[N])
{
    const HRESULT hr = BufferCreate(buffer, fvf, vertices, static_cast<UINT>(sizeof vertices));
    if constexpr (N == 4) {
        if (SUCCEEDED(hr)) {
            RememberCorners(buffer, vertices);
        }
    }
    return hr;
}

// Loads one texture into its slot; the slot keeps nothing of a previous load.
void SlotLoad(const char* name, std::uint32_t colorKey, IDirect3DTexture9*& slot)
{
    ReleaseSlot(slot);
    IDirect3DTexture9* texture = nullptr;
    if (SUCCEEDED(TextureLoad(name, colorKey, &texture))) {
        slot = texture;
    }
}

float Width()
{
    return static_cast<float>(windowWidth);
}

float Height()
{
    return static_cast<float>(windowHeight);
}

}  // namespace

void MaterialSet(int number)
{
    if (number < 1 || number > kMaterialCount || device == nullptr) {
        return;
    }
    device->SetMaterial(&materials[number]);
}

void MaterialsAndLightsInit()
{
    materials[0] = D3DMATERIAL9{};
    materials[1] = Material(Colour(1, 1, 1, 0), Colour(1, 1, 1, 0), Colour(1, 1, 1, 0), Colour(0, 0, 0, 0), 10.0f);
    materials[2] = Material(Colour(1, 0, 0, 0), Colour(1, 0, 0, 0), Colour(1, 0, 0, 0), Colour(1, 0, 0, 0), 10.0f);
    materials[3] =
        Material(Colour(0, 0, 0.5f, 0.5f), Colour(0, 0, 0, 0), Colour(0, 0, 0.5f, 0), Colour(1, 1, 1, 0), 60.0f);
    materials[4] = Material(Colour(0.8f, 0.6f, 0, 1), Colour(0, 0, 0, 0), Colour(1, 1, 1, 0), Colour(1, 1, 0, 0), 6.0f);

    sunLight = D3DLIGHT9{};
    sunLight.Type = D3DLIGHT_DIRECTIONAL;
    sunLight.Diffuse = Colour(0.8f, 0.7f, 0.6f, 0);
    sunLight.Specular = Colour(0.6f, 0.6f, 0.6f, 0);
    sunLight.Ambient = Colour(0.5f, 0.5f, 0.5f, 0);
    const D3DXVECTOR3 direction(-1.0f, -2.0f, 5.0f);
    D3DXVECTOR3 normalised;
    D3DXVec3Normalize(&normalised, &direction);
    sunLight.Direction = normalised;

    menuLight = D3DLIGHT9{};
    menuLight.Type = D3DLIGHT_POINT;
    menuLight.Diffuse = Colour(1, 1, 0, 0);
    menuLight.Specular = Colour(1, 1, 0, 0);
    menuLight.Ambient = Colour(1, 1, 0, 0);
    menuLight.Position = D3DVECTOR{0.0f, -0.8f, 0.0f};
    menuLight.Range = 100.0f;
    menuLight.Attenuation0 = 0.1f;
    menuLight.Attenuation1 = 0.03f;
    menuLight.Attenuation2 = 0.005f;
}

void ScreenRectFill(TexturedVertex (&out)[4], float left, float right, float bottom, float top)
{
    out[0] = {left, bottom, 0.1f, 0.0f, 1.0f};
    out[1] = {left, top, 0.1f, 0.0f, 0.0f};
    out[2] = {right, bottom, 0.1f, 1.0f, 1.0f};
    out[3] = {right, top, 0.1f, 1.0f, 0.0f};
}

HRESULT StaticGeometryCreate()
{
    // The HUD's pieces are cut from the band made here.
    HudBuffersRelease();
    static const TexturedVertex horizon[8] = {
        {-20.0001f, 0.0f, 5.0f, 0.0f, 1.0f},         {-20.0001f, 0.0f, -4.4f, 0.0f, 0.0f},
        {-20.0001f, 29.5f, 5.0f, 0.33333334f, 1.0f}, {-20.0001f, 29.5f, -4.4f, 0.33333334f, 0.0f},
        {20.0001f, 29.5f, 5.0f, 0.6666667f, 1.0f},   {20.0001f, 29.5f, -4.4f, 0.6666667f, 0.0f},
        {20.0001f, 0.0f, 5.0f, 1.0f, 1.0f},          {20.0001f, 0.0f, -4.4f, 1.0f, 0.0f},
    };
    if (FAILED(BufferCreate(horizonBuffer, kFvfTextured, horizon))) {
        return E_FAIL;
    }

    const float w = Width();
    const float h = Height();
    TexturedVertex rect[4];
    ScreenRectFill(rect, -w * 0.16666667f, w * 0.16666667f, -h * 0.1f, h * 0.1f);
    if (FAILED(BufferCreate(pauseWindowBuffer, kFvfTextured, rect))) {
        return E_FAIL;
    }
    ScreenRectFill(rect, -w * 0.3030303f, w * 0.3030303f, -h * 0.2f, h * 0.2f);
    if (FAILED(BufferCreate(consoleWindowBuffer, kFvfTextured, rect))) {
        return E_FAIL;
    }

    if (FAILED(BufferCreate(backdropBuffer, kFvfLitTextured, kBackdrop))) {
        return E_FAIL;
    }

    ScreenRectFill(rect, -w * 0.5f, w * 0.5f, h * 0.16666667f, h * 0.5f);
    ColouredTexturedVertex band[4];
    for (int i = 0; i < 4; ++i) {
        band[i] = {rect[i].x, rect[i].y, rect[i].z, 0xFFFFFFFFu, rect[i].u, rect[i].v};
    }
    if (FAILED(BufferCreate(hudBandBuffer, kFvfColouredTextured, band))) {
        return E_FAIL;
    }
    return S_OK;
}

HRESULT TexturesLoad()
{
    SlotLoad("textures\\ocean.bmp", kKeyMagenta, seaTexture);
    SlotLoad("textures\\horizont.bmp", kKeyBlack, horizonTexture);
    SlotLoad("textures\\hud.bmp", kKeyMagenta, hudTexture);
    SlotLoad("textures\\menuhatter.bmp", kKeyMagenta, menuBackdropTexture);
    SlotLoad("textures\\ablak.dds", kKeyBlack, windowTexture);
    SlotLoad("textures\\konzol.dds", kKeyBlack, consoleTexture);
    for (int frame = 1; frame <= kExplosionTextureCount; ++frame) {
        char name[32];
        std::snprintf(name, sizeof name, "textures\\robban%d.dds", frame);
        SlotLoad(name, kKeyBlack, explosionTextures[frame]);
    }
    return S_OK;
}

void ScreenSpaceApply()
{
    if (device == nullptr) {
        return;
    }
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    D3DXMATRIX ortho;
    D3DXMatrixOrthoLH(&ortho, Width(), Height(), 0.0f, 1.0f);
    device->SetTransform(D3DTS_PROJECTION, &ortho);
    device->SetTransform(D3DTS_WORLD, &identity);
    device->SetTransform(D3DTS_VIEW, &identity);
}

bool DeviceToClip(D3DXMATRIX& toClip, D3DVIEWPORT9& viewport)
{
    D3DXMATRIX world;
    D3DXMATRIX view;
    D3DXMATRIX projection;
    if (device == nullptr || FAILED(device->GetViewport(&viewport)) ||
        FAILED(device->GetTransform(D3DTS_WORLD, &world)) || FAILED(device->GetTransform(D3DTS_VIEW, &view)) ||
        FAILED(device->GetTransform(D3DTS_PROJECTION, &projection))) {
        return false;
    }
    D3DXMatrixMultiply(&toClip, &world, &view);
    D3DXMatrixMultiply(&toClip, &toClip, &projection);
    return true;
}

bool NeedsSmallerLevels(const IDirect3DVertexBuffer9* buffer, IDirect3DTexture9* texture)
{
    if (device == nullptr || texture == nullptr || texture->GetLevelCount() <= 1) {
        return false;
    }
    for (const WholeTextureRect& rect : wholeTextureRects) {
        if (buffer != nullptr && *rect.buffer == buffer) {
            return RectNeedsSmallerLevels(rect, texture);
        }
    }
    return true;
}

TopLevelSampling::TopLevelSampling(const IDirect3DVertexBuffer9* buffer, IDirect3DTexture9* texture)
    : TopLevelSampling(!NeedsSmallerLevels(buffer, texture))
{
}

TopLevelSampling::TopLevelSampling(bool topLevelEnough)
{
    if (topLevelEnough && device != nullptr && SUCCEEDED(device->GetSamplerState(0, D3DSAMP_MIPFILTER, &saved_))) {
        device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_NONE);
        switched_ = true;
    }
}

TopLevelSampling::~TopLevelSampling()
{
    if (switched_ && device != nullptr) {
        device->SetSamplerState(0, D3DSAMP_MIPFILTER, saved_);
    }
}

void WholeTextureRectDraw(IDirect3DVertexBuffer9* buffer, IDirect3DTexture9* texture, DWORD fvf, UINT stride)
{
    if (buffer == nullptr || device == nullptr) {
        return;
    }
    const TopLevelSampling sampling(buffer, texture);
    device->SetTexture(0, texture);
    device->SetFVF(fvf);
    device->SetStreamSource(0, buffer, 0, stride);
    device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
}

bool VertexBufferFill(IDirect3DVertexBuffer9* buffer, const void* vertices, std::size_t bytes)
{
    void* data = nullptr;
    if (FAILED(buffer->Lock(0, 0, &data, 0)) || data == nullptr) {
        return false;
    }
    std::memcpy(data, vertices, bytes);
    buffer->Unlock();
    return true;
}

DWORD FloatBits(float value)
{
    DWORD bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

bool IntroScreenShow()
{
    TexturedVertex rect[4];
    ScreenRectFill(rect, -Width() * 0.5f, Width() * 0.5f, -Height() * 0.5f, Height() * 0.5f);
    if (FAILED(BufferCreate(introBuffer, kFvfTextured, rect))) {
        return false;
    }
    SlotLoad("textures\\intro.bmp", kKeyBlack, introTexture);
    ShowWindow(gameWindow, SW_SHOWDEFAULT);
    UpdateWindow(gameWindow);

    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0);
    if (FAILED(device->BeginScene())) {
        return false;
    }
    ScreenSpaceApply();
    device->SetRenderState(D3DRS_FOGENABLE, FALSE);
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    WholeTextureRectDraw(introBuffer, introTexture, kFvfTextured, sizeof(TexturedVertex));
    device->SetRenderState(D3DRS_ZENABLE, TRUE);
    device->SetRenderState(D3DRS_FOGENABLE, TRUE);
    device->EndScene();
    device->Present(nullptr, nullptr, nullptr, nullptr);
    // Shown once: the picture and its quad are not needed again.
    device->SetTexture(0, nullptr);
    device->SetStreamSource(0, nullptr, 0, 0);
    ReleaseSlot(introTexture);
    ReleaseSlot(introBuffer);
    return true;
}

void RenderResourcesRelease()
{
    // The device keeps no reference to what is bound: unbind first, so no later draw reaches a
    // released texture or buffer.
    if (device != nullptr) {
        device->SetTexture(0, nullptr);
        device->SetStreamSource(0, nullptr, 0, 0);
    }
    ReleaseSlot(seaTexture);
    ReleaseSlot(horizonTexture);
    ReleaseSlot(hudTexture);
    ReleaseSlot(menuBackdropTexture);
    ReleaseSlot(windowTexture);
    ReleaseSlot(consoleTexture);
    for (IDirect3DTexture9*& slot : explosionTextures) {
        ReleaseSlot(slot);
    }
    ReleaseSlot(introTexture);
    ReleaseSlot(horizonBuffer);
    ReleaseSlot(pauseWindowBuffer);
    ReleaseSlot(consoleWindowBuffer);
    ReleaseSlot(backdropBuffer);
    ReleaseSlot(hudBandBuffer);
    ReleaseSlot(introBuffer);
    SceneBuffersRelease();
}

void RenderSetupReset()
{
    RenderResourcesRelease();
    for (D3DMATERIAL9& m : materials) {
        m = D3DMATERIAL9{};
    }
    sunLight = D3DLIGHT9{};
    menuLight = D3DLIGHT9{};
}
