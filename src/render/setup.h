// Fixed rendering resources: the four materials and two lights, the static vertex buffers, the
// texture slots, and the screen-space set-up shared by the overlays.
#pragma once

#include <cstddef>
#include <cstdint>

#include "d3dx/math.h"
#include "platform/d3d9/d3d9.h"

// Vertex layouts of the static buffers.
struct TexturedVertex {          // 0x102: x, y, z, u, v
    float x, y, z;
    float u, v;
};
struct LitTexturedVertex {       // 0x112: x, y, z, nx, ny, nz, u, v
    float x, y, z;
    float nx, ny, nz;
    float u, v;
};
struct ColouredTexturedVertex {  // 0x142: x, y, z, colour, u, v
    float x, y, z;
    D3DCOLOR colour;
    float u, v;
};
static_assert(sizeof(TexturedVertex) == 20);
static_assert(sizeof(LitTexturedVertex) == 32);
static_assert(sizeof(ColouredTexturedVertex) == 24);

inline constexpr DWORD kFvfTextured = D3DFVF_XYZ | D3DFVF_TEX1;                          // 0x102
inline constexpr DWORD kFvfLitTextured = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;       // 0x112
inline constexpr DWORD kFvfColouredTextured = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1; // 0x142

inline constexpr float kDegree = 0.017453292f;

// Materials 1 to 4 (index 0 is unused): 1 the world and the backdrop, 2 the title, 3 an unselected
// menu item (half transparent), 4 the selected item and the high-score heading.
inline constexpr int kMaterialCount = 4;
extern D3DMATERIAL9 materials[kMaterialCount + 1];
// The sun over the playing scene and the front-end background; the yellow point light of the menu.
extern D3DLIGHT9 sunLight;
extern D3DLIGHT9 menuLight;

// Static vertex buffers, each drawn as one strip of its vertices in order.
extern IDirect3DVertexBuffer9* horizonBuffer;        // 8 textured vertices: the three horizon walls
extern IDirect3DVertexBuffer9* pauseWindowBuffer;    // 4 textured, screen space: W/3 x H/5, centred
extern IDirect3DVertexBuffer9* consoleWindowBuffer;  // 4 textured, screen space: 0.606 W x 0.4 H
extern IDirect3DVertexBuffer9* backdropBuffer;       // 4 lit textured: the menu's backdrop at z = 17
extern IDirect3DVertexBuffer9* hudBandBuffer;        // 4 coloured textured: the upper third, full width
extern IDirect3DVertexBuffer9* introBuffer;          // 4 textured: the whole screen

// Texture slots; each stays null until its load succeeds. Explosion frame N (1..16) is slot N.
inline constexpr int kExplosionTextureCount = 16;
extern IDirect3DTexture9* seaTexture;
extern IDirect3DTexture9* horizonTexture;
extern IDirect3DTexture9* hudTexture;
extern IDirect3DTexture9* menuBackdropTexture;
extern IDirect3DTexture9* windowTexture;
extern IDirect3DTexture9* consoleTexture;
extern IDirect3DTexture9* explosionTextures[kExplosionTextureCount + 1];
extern IDirect3DTexture9* introTexture;

inline constexpr std::uint32_t kKeyMagenta = 0xFFFF00FFu;
inline constexpr std::uint32_t kKeyBlack = 0xFF000000u;

// Passes material 1..4 to the device; any other number leaves the current material in place.
void MaterialSet(int number);

// The four corners of a screen-space rectangle (bottom-left, top-left, bottom-right, top-right) with
// the whole texture upright, at z = 0.1.
void ScreenRectFill(TexturedVertex (&out)[4], float left, float right, float bottom, float top);

// Projection = orthographic W x H over depth 0..1, world = view = identity: one unit per pixel with the
// origin at the screen centre. W and H are the window size read at start-up.
void ScreenSpaceApply();

// The device's current world x view x projection and its viewport; false when they cannot be read.
bool DeviceToClip(D3DXMATRIX& toClip, D3DVIEWPORT9& viewport);

// Whether `texture`, drawn on one of the static rectangles above (by its buffer: backdrop, HUD band,
// pause and console windows, intro) under the device's current transforms and viewport, needs the
// levels below its top one. False for a texture without them, and for a rectangle square to the view
// drawn so large that only the top level would be sampled anyway (at most 1.35 texels per pixel
// each way); true for any other buffer.
bool NeedsSmallerLevels(const IDirect3DVertexBuffer9* buffer, IDirect3DTexture9* texture);

// For the draws of one such rectangle, in its scope: the mip filter off where NeedsSmallerLevels
// finds the top level enough, so that a software rasteriser skips the level of detail of every pixel
// for the same picture; the device's mip filter back when it ends.
class TopLevelSampling {
public:
    TopLevelSampling(const IDirect3DVertexBuffer9* buffer, IDirect3DTexture9* texture);
    // The same for draws the caller has found sampled at the top level alone (or not).
    explicit TopLevelSampling(bool topLevelEnough);
    ~TopLevelSampling();
    TopLevelSampling(const TopLevelSampling&) = delete;
    TopLevelSampling& operator=(const TopLevelSampling&) = delete;

private:
    DWORD saved_ = 0;
    bool switched_ = false;
};

// Draws one of those rectangles (a strip of two triangles) with its texture, sampled as
// TopLevelSampling chooses; nothing for a null buffer.
void WholeTextureRectDraw(IDirect3DVertexBuffer9* buffer, IDirect3DTexture9* texture, DWORD fvf, UINT stride);

// A float render state value (fog start and end) as the device takes it.
DWORD FloatBits(float value);

// Copies `bytes` bytes of `vertices` into the whole of `buffer`; false when it cannot be locked.
bool VertexBufferFill(IDirect3DVertexBuffer9* buffer, const void* vertices, std::size_t bytes);

// Back to the state at program start: every slot and buffer released and emptied, materials and
// lights zeroed.
void RenderSetupReset();
