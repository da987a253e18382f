// Inside of the Direct3D-9-shaped device: the objects behind the interfaces and the shader program
// that stands in for the fixed-function pipeline. Only the files of this folder include it.
//
// Map of the device (src/platform/d3d9/):
//   d3d9.h         the interface the game sees: types, constants, IDirect3D9, IDirect3DDevice9 and
//                  the resources, the layer's free functions.
//   internal.h     this file: the classes behind the interfaces, in the order resources, fixed-function
//                  program, device, Direct3D object; the conversions and the limits they share.
//   direct3d.cpp   the Direct3D object (caps, display mode, CreateDevice), the error text, live counts
//                  and the free functions of d3d9.h.
//   device.cpp     IDirect3DDevice9's methods: life, frames and Present, state Set/Get, resource
//                  creation, the draw calls with their argument checks. State calls only record.
//   apply.cpp      the draw-time apply pipeline (PrepareDraw): render states, viewport, sampler,
//                  program choice and uniforms, texture, vertex layout, made current before a draw.
//   convert.cpp    state conversion: Direct3D values to OpenGL values and shader numbers (pure).
//   ffp_program.cpp the shader that stands in for the fixed-function pipeline, built general or
//                  specialised on a key.
//   resources.cpp  vertex buffers, index buffers and textures (CPU copies mirrored into OpenGL).
//   dxt.cpp        DXT block decoding for compressed textures.
// Reference counting of every object comes from RefCounted (platform/win/ref_counted.h).
#pragma once

#include <SDL2/SDL.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/d3d9/d3d9.h"
#include "platform/d3d9/gl.h"
#include "platform/win/ref_counted.h"

namespace d3d9 {

class Device;

// The OpenGL profile the layer draws through, fixed at build time: OpenGL 3.3 core, or OpenGL ES 3.0
// kept to what WebGL2 offers as well (no texture swizzle, no border clamp, no BGRA texel or vertex
// formats, no base-vertex draws, no polygon modes, no texture read-back, no blocking client waits).
#if defined(AVIORRA_GLES)
inline constexpr bool kEsProfile = true;
#else
inline constexpr bool kEsProfile = false;
#endif

// Records why the last call of the layer failed, for the error text helper.
HRESULT Fail(HRESULT code, const char* reason);
const char* LastError();

// Index `i` of an index array of 16-bit (or, `wide`, 32-bit) entries, in host byte order.
inline UINT IndexAt(const std::uint8_t* indices, UINT i, bool wide)
{
    if (wide) {
        std::uint32_t v;
        std::memcpy(&v, indices + std::size_t{i} * 4, 4);
        return v;
    }
    std::uint16_t v;
    std::memcpy(&v, indices + std::size_t{i} * 2, 2);
    return v;
}

// Counts of live objects, one per kind, as D3DLiveObjects gives them.
using LiveCounts = D3DObjectCounts;
LiveCounts& Live();

// The process's draw counts (D3DDrawCountsSoFar), added to where the work is done; written to the
// file of AVIORRA_DRAW_COUNTS, if any, by WriteDrawCounts.
D3DDrawCounts& Counts();
void WriteDrawCounts();

// ---- State conversion (convert.cpp) ---------------------------------------------------------------

// Limits the device reports in its caps and enforces on draws.
inline constexpr DWORD kMaxPrimitiveCount = 0xFFFFF;
inline constexpr DWORD kMaxVertexIndex = 0xFFFFFF;

// The bits of a DWORD render state holding a float, and back.
float AsFloat(DWORD v);
DWORD AsDword(float f);
// A D3DCOLOR (A8R8G8B8) as red, green, blue, alpha in 0..1.
void ColourToFloats(D3DCOLOR c, float out[4]);
D3DMATRIX Identity();
D3DMATRIX Multiply(const D3DMATRIX& a, const D3DMATRIX& b);
// The matrix that carries normals along with the upper 3x3 of m: its inverse transpose (m itself
// when it cannot be inverted).
void NormalMatrix(const D3DMATRIX& m, float out[9]);
GLenum CompareFunc(DWORD f);
GLenum BlendFactor(DWORD b);
GLenum BlendEquation(DWORD op);

// Where each field of a flexible vertex format lies; false for formats the device cannot draw.
struct VertexLayout {
    int positionSize = 0;  // 3 (XYZ) or 4 (XYZRHW)
    int normal = -1, diffuse = -1, specular = -1, texcoord = -1;
    int texcoordSize = 0;
    UINT size = 0;
};

bool LayoutOf(DWORD fvf, VertexLayout& out);
// The OpenGL mode and the vertex (or index) count of `primitives` primitives; false for an unknown type.
bool VertexCount(D3DPRIMITIVETYPE type, UINT primitives, GLenum& mode, UINT& vertices);
bool BackBufferFormatOk(D3DFORMAT f);
bool DepthFormatOk(D3DFORMAT f);

// ---- Resources ---------------------------------------------------------------------------------

// What vertex and index buffers share: a CPU copy (the managed pool keeps one; Lock hands out a
// pointer into it) mirrored into one OpenGL buffer object, uploaded on the last Unlock.
class BufferStore {
public:
    BufferStore(Device* device, UINT length, GLenum target);
    ~BufferStore();
    HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags);
    HRESULT Unlock();
    GLuint Name() const { return name_; }
    UINT Length() const { return static_cast<UINT>(data_.size()); }
    bool Valid() const { return name_ != 0; }
    bool Locked() const { return lockCount_ > 0; }
    const std::uint8_t* Data() const { return data_.data(); }

private:
    Device* device_;
    GLenum target_;
    GLuint name_ = 0;
    std::vector<std::uint8_t> data_;
    int lockCount_ = 0;
    bool dirty_ = false;
    UINT dirtyBegin_ = 0;
    UINT dirtyEnd_ = 0;
};

// What every resource of a device shares: a reference on the device for the resource's life, its
// place in the live counts, GetDevice, and a last Release that unhooks it from the device (so no
// binding keeps a dangling pointer), deletes it, then lets the device go. Defined after Device.
template <class Interface>
class DeviceResource : public RefCounted<Interface> {
public:
    HRESULT GetDevice(IDirect3DDevice9** ppDevice) override;

protected:
    DeviceResource(Device* device, int LiveCounts::*count);
    ~DeviceResource() override { --(Live().*count_); }
    void LastRelease() override;

    Device* device_;

private:
    int LiveCounts::*count_;
};

class VertexBuffer final : public DeviceResource<IDirect3DVertexBuffer9> {
public:
    VertexBuffer(Device* device, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool);
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_VERTEXBUFFER; }
    HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD Flags) override;
    HRESULT Unlock() override;
    HRESULT GetDesc(D3DVERTEXBUFFER_DESC* pDesc) override;

    BufferStore store;

private:
    DWORD usage_;
    DWORD fvf_;
    D3DPOOL pool_;
};

class IndexBuffer final : public DeviceResource<IDirect3DIndexBuffer9> {
public:
    IndexBuffer(Device* device, UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool);
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_INDEXBUFFER; }
    HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD Flags) override;
    HRESULT Unlock() override;
    HRESULT GetDesc(D3DINDEXBUFFER_DESC* pDesc) override;
    D3DFORMAT Format() const { return format_; }

    BufferStore store;
    // Largest index in the whole buffer, computed after each write; lets draws skip scanning.
    UINT maxIndex = 0;

private:
    DWORD usage_;
    D3DFORMAT format_;
    D3DPOOL pool_;
};

// Texel layout of a texture format: bytes per texel (or per 4x4 block for the DXT formats).
struct FormatInfo {
    bool supported = false;
    bool compressed = false;
    UINT bytes = 0;
};
FormatInfo TextureFormatInfo(D3DFORMAT format);

class Texture final : public DeviceResource<IDirect3DTexture9> {
public:
    Texture(Device* device, UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool);
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_TEXTURE; }
    DWORD GetLevelCount() override { return static_cast<DWORD>(levels_.size()); }
    HRESULT GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) override;
    HRESULT LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) override;
    HRESULT UnlockRect(UINT Level) override;

    GLuint Name() const { return name_; }
    bool Valid() const { return name_ != 0; }
    std::size_t CopyBytes() const;

private:
    struct MipLevel {
        UINT width;
        UINT height;
        UINT pitch;  // bytes per row (of blocks for DXT)
        UINT rows;   // rows (of blocks for DXT)
        // The CPU copy of the level. Uncompressed levels of a texture written once drop it after the
        // upload (OpenGL holds the texels) and read it back from OpenGL when locked again.
        std::vector<std::uint8_t> bits;
        bool zero = true;  // nothing but zeros written so far
        bool locked = false;
        bool readOnly = false;
    };
    ~Texture() override;
    void Upload(UINT level);
    void RebuildMips();
    void Restore(UINT level);
    void DropCopies();

    DWORD usage_;
    D3DFORMAT format_;
    D3DPOOL pool_;
    FormatInfo info_;
    // Whether the CPU copies stay: compressed formats (OpenGL holds them decoded), dynamic textures,
    // and those locked for writing again after their copies were dropped.
    bool keepCopies_ = false;
    std::vector<MipLevel> levels_;
    GLuint name_ = 0;
};

// ---- The fixed-function program -------------------------------------------------------------

// Attribute locations of the program (the vertex layout binds FVF fields to these).
enum Attribute : GLuint { ATTR_POSITION = 0, ATTR_NORMAL = 1, ATTR_DIFFUSE = 2, ATTR_SPECULAR = 3, ATTR_TEXCOORD = 4 };

inline constexpr int MAX_LIGHTS = 4;

// The fixed-function choices a program can be specialised on: what decides which branches the
// shader takes. Fields that do not matter for the rest (lighting details when lighting is off, fog
// details without fog...) are zero, so equal pictures share one program.
struct FfpKey {
    // Vertex stage.
    std::int32_t pretransformed = 0, lighting = 0, normalize = 0, localViewer = 0, lightCount = 0;
    std::int32_t materialSource[4] = {};  // diffuse, ambient, specular, emissive: 0 material, 1 colour 1, 2 colour 2
    std::int32_t fogMode = 0, fogPerPixel = 0, fogRange = 0;
    // Fragment stage.
    std::int32_t hasTexture = 0, specularEnable = 0, alphaFunc = 0;
    std::int32_t colorStage[3] = {}, alphaStage[3] = {};  // operation, argument 1, argument 2
    bool operator==(const FfpKey&) const = default;
};

struct FfpProgram {
    GLuint program = 0;
    bool general = false;  // the choices are uniforms (see ffp_program.cpp)
    FfpKey key{};          // what a specialised program was built for
    // Uniform locations; -1 where the compiler removed a uniform the program does not use.
    GLint pretransformed, viewportScale, worldView, projection, normalMatrix;
    GLint lighting, normalizeNormals, localViewer, materialSource;
    GLint matDiffuse, matAmbient, matSpecular, matEmissive, matPower, globalAmbient;
    GLint lightCount, lightPosition, lightDirection, lightDiffuse, lightSpecular, lightAmbient, lightAttenuation,
        lightSpot;
    GLint fogMode, fogPerPixel, fogParams, fogRange, fogColor, specularEnable;
    GLint texture0, hasTexture, colorStage, alphaStage, textureFactor, alphaFunc, alphaRef;

    // What this program's uniforms last received: the device's version of each group of values, and
    // for the general program the choices.
    std::uint64_t transformsVersion = 0, materialVersion = 0, lightsVersion = 0, fogVersion = 0, stageVersion = 0;
    bool keyUploaded = false;
    FfpKey uploadedKey{};

    // Compiles and links the general program (key null) or one specialised on *key; false with the
    // log in `error` on failure.
    bool Build(const FfpKey* key, std::string& error);
    void Destroy();
};

// ---- The device -----------------------------------------------------------------------------

class Direct3D9;

class Device final : public RefCounted<IDirect3DDevice9> {
public:
    Device(Direct3D9* d3d, SDL_Window* window, SDL_GLContext context, const D3DPRESENT_PARAMETERS& pp);
    // Second half of creation (needs the context current); false when OpenGL objects fail.
    bool Init(std::string& error);

    HRESULT GetDeviceCaps(D3DCAPS9* pCaps) override;
    HRESULT TestCooperativeLevel() override { return S_OK; }
    HRESULT Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z, DWORD Stencil) override;
    HRESULT BeginScene() override;
    HRESULT EndScene() override;
    HRESULT Present(const RECT* pSourceRect, const RECT* pDestRect, HWND hDestWindowOverride,
                    const void* pDirtyRegion) override;
    HRESULT SetViewport(const D3DVIEWPORT9* pViewport) override;
    HRESULT GetViewport(D3DVIEWPORT9* pViewport) override;
    HRESULT SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) override;
    HRESULT GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) override;
    HRESULT SetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD Value) override;
    HRESULT GetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD* pValue) override;
    HRESULT SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) override;
    HRESULT GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD* pValue) override;
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) override;
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) override;
    HRESULT SetMaterial(const D3DMATERIAL9* pMaterial) override;
    HRESULT GetMaterial(D3DMATERIAL9* pMaterial) override;
    HRESULT SetLight(DWORD Index, const D3DLIGHT9* pLight) override;
    HRESULT GetLight(DWORD Index, D3DLIGHT9* pLight) override;
    HRESULT LightEnable(DWORD Index, BOOL Enable) override;
    HRESULT GetLightEnable(DWORD Index, BOOL* pEnable) override;
    HRESULT SetFVF(DWORD FVF) override;
    HRESULT GetFVF(DWORD* pFVF) override;
    HRESULT SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9* pStreamData, UINT OffsetInBytes,
                            UINT Stride) override;
    HRESULT GetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9** ppStreamData, UINT* pOffsetInBytes,
                            UINT* pStride) override;
    HRESULT SetIndices(IDirect3DIndexBuffer9* pIndexData) override;
    HRESULT GetIndices(IDirect3DIndexBuffer9** ppIndexData) override;
    HRESULT SetTexture(DWORD Stage, IDirect3DBaseTexture9* pTexture) override;
    HRESULT GetTexture(DWORD Stage, IDirect3DBaseTexture9** ppTexture) override;
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex, UINT PrimitiveCount) override;
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, INT BaseVertexIndex, UINT MinVertexIndex,
                                 UINT NumVertices, UINT StartIndex, UINT PrimitiveCount) override;
    HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT PrimitiveCount, const void* pVertexStreamZeroData,
                            UINT VertexStreamZeroStride) override;
    HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT MinVertexIndex, UINT NumVertices,
                                   UINT PrimitiveCount, const void* pIndexData, D3DFORMAT IndexDataFormat,
                                   const void* pVertexStreamZeroData, UINT VertexStreamZeroStride) override;
    HRESULT CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                               IDirect3DVertexBuffer9** ppVertexBuffer, HANDLE* pSharedHandle) override;
    HRESULT CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                              IDirect3DIndexBuffer9** ppIndexBuffer, HANDLE* pSharedHandle) override;
    HRESULT CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                          IDirect3DTexture9** ppTexture, HANDLE* pSharedHandle) override;

    bool ReadLastFrame(int& width, int& height, std::vector<std::uint8_t>& rgba);

    // Context handling for the resources of this device.
    void Activate();
    SDL_Window* Window() const { return window_; }
    SDL_GLContext Context() const { return context_; }
    // Called by resources being destroyed so no binding keeps a dangling pointer.
    void Forget(IDirect3DBaseTexture9* texture);
    void Forget(IDirect3DVertexBuffer9* buffer);
    void Forget(IDirect3DIndexBuffer9* buffer);
    // Texture uploads bind textures behind the device's back; the next draw binds again.
    void ForgetBoundTexture() { boundTexture_ = 0xFFFFFFFFu; }
    // Draws with the general program instead of the specialised ones (for comparing the two).
    void UseGeneralProgram(bool on) { useGeneral_ = on; }

private:
    ~Device() override;

    struct Light {
        D3DLIGHT9 light;
        bool enabled = false;
        bool set = false;
    };
    struct Stream {
        VertexBuffer* buffer = nullptr;
        UINT offset = 0;
        UINT stride = 0;
    };

    void SetDefaultStates();
    // The index buffer of the next indexed draw bound (counted as a state change when it changes).
    void BindIndices(GLuint name);
    // Makes the state current for a draw of `primitives` primitives of `type` and counts it.
    HRESULT PrepareDraw(DWORD fvf, GLuint vbo, UINT offset, UINT stride, D3DPRIMITIVETYPE type, UINT primitives);
    void ApplyRenderStates();
    void ApplySampler();
    FfpKey CurrentKey(DWORD fvf) const;
    FfpProgram* ProgramFor(const FfpKey& key);
    FfpProgram* GeneralProgram();
    bool UploadKey(FfpProgram& p, const FfpKey& key);
    bool UploadTransforms(FfpProgram& p);
    bool UploadMaterial(FfpProgram& p);
    bool UploadLights(FfpProgram& p, int count);
    bool UploadFog(FfpProgram& p);
    bool UploadStage(FfpProgram& p);
    bool BindTexture();
    bool BindVertexLayout(DWORD fvf, GLuint vbo, UINT offset, UINT stride);
    void SetViewportGL();
    bool MakeTargets(std::string& error);
    bool CanDrawToWindow();

    Direct3D9* d3d_;
    SDL_Window* window_;
    SDL_GLContext context_;
    D3DPRESENT_PARAMETERS pp_;
    bool hasDepth_ = false;
    bool hasStencil_ = false;
    bool inScene_ = false;

    // Where frames are drawn: straight into the window's own framebuffer (toWindow_), or into one
    // colour and one depth buffer of the device's, which Present copies to a visible window and leaves
    // as they are for an invisible one. The frame last presented stays readable until drawing starts
    // again.
    bool toWindow_ = false;
    bool invisible_ = false;
    GLuint fbo_ = 0;
    GLuint colour_ = 0;
    GLuint depth_ = 0;
    bool presentedOnce_ = false;
    bool drawnSincePresent_ = false;
    // At most one frame queued behind the one being drawn.
    GLsync inFlight_ = nullptr;

    GLuint vao_ = 0;
    GLuint upVbo_ = 0;
    GLuint upIbo_ = 0;
    GLuint sampler_ = 0;
    // The specialised programs, made on first use of their state, and the general one, made only
    // when a comparison or a state whose specialised program cannot be built asks for it (a software
    // rasteriser holds several megabytes for each program it has compiled).
    FfpProgram general_{};
    bool generalFailed_ = false;
    std::vector<std::unique_ptr<FfpProgram>> programs_;
    FfpProgram* current_ = nullptr;
    bool useGeneral_ = false;

    // Direct3D state as the game sets it.
    std::array<DWORD, D3DRS_STATE_COUNT> renderStates_{};
    std::array<std::array<DWORD, D3DTSS_STATE_COUNT>, D3D_TEXTURE_STAGES> stageStates_{};
    std::array<std::array<DWORD, D3DSAMP_STATE_COUNT>, D3D_TEXTURE_STAGES> samplerStates_{};
    std::array<IDirect3DBaseTexture9*, D3D_TEXTURE_STAGES> textures_{};
    D3DMATRIX world_{}, view_{}, projection_{};
    D3DMATERIAL9 material_{};
    std::vector<Light> lights_;
    D3DVIEWPORT9 viewport_{};
    DWORD fvf_ = 0;
    Stream stream_{};
    IndexBuffer* indices_ = nullptr;

    // What has changed since the last draw, and what OpenGL currently holds. The values the shader
    // programs read carry a version per group, bumped on each change; every program remembers which
    // versions it holds, so a value is sent once per program that needs it.
    bool dirtyRender_ = true;
    bool dirtySampler_ = true;
    bool dirtyViewport_ = true;
    std::uint64_t transformsVersion_ = 1, materialVersion_ = 1, lightsVersion_ = 1, fogVersion_ = 1, stageVersion_ = 1;
    GLuint boundTexture_ = 0xFFFFFFFFu;
    struct LayoutKey {
        DWORD fvf = 0xFFFFFFFFu;
        GLuint vbo = 0;
        UINT offset = 0;
        UINT stride = 0;
    } layout_;
    GLuint boundIbo_ = 0;
};

template <class Interface>
DeviceResource<Interface>::DeviceResource(Device* device, int LiveCounts::*count) : device_(device), count_(count)
{
    device_->AddRef();
    ++(Live().*count_);
}

template <class Interface>
HRESULT DeviceResource<Interface>::GetDevice(IDirect3DDevice9** ppDevice)
{
    if (!ppDevice) {
        return Fail(D3DERR_INVALIDCALL, "GetDevice: no output pointer");
    }
    device_->AddRef();
    *ppDevice = device_;
    return S_OK;
}

template <class Interface>
void DeviceResource<Interface>::LastRelease()
{
    Device* device = device_;
    device->Forget(this);
    delete this;
    device->Release();
}

class Direct3D9 final : public RefCounted<IDirect3D9> {
public:
    Direct3D9();
    UINT GetAdapterCount() override { return 1; }
    HRESULT GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode) override;
    HRESULT GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS9* pCaps) override;
    HRESULT CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow, DWORD BehaviorFlags,
                         D3DPRESENT_PARAMETERS* pPresentationParameters,
                         IDirect3DDevice9** ppReturnedDeviceInterface) override;

private:
    ~Direct3D9() override;
};

void FillCaps(D3DCAPS9& caps);

}  // namespace d3d9
