// A stand-in graphics device whose buffers and textures live in memory: enough to load meshes and to
// build the world's and the sprites' buffers without OpenGL. It counts what is alive, remembers the
// vertex buffers it made, and creation or locking can be made to fail.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/d3d9/d3d9.h"
#include "platform/win/ref_counted.h"

struct MemoryLive {
    int vertexBuffers = 0;
    int indexBuffers = 0;
    int textures = 0;
};

// Counted like a COM object; `live` counts the buffers alive, `failLocks` non-zero fails every lock.
template <typename Base, typename Desc>
class MemoryBuffer final : public RefCounted<Base> {
public:
    MemoryBuffer(UINT length, Desc description, int* live, const int* failLocks)
        : bytes(length, 0), desc(description), live_(live), failLocks_(failLocks)
    {
        ++*live_;
    }
    HRESULT GetDevice(IDirect3DDevice9**) override { return E_NOTIMPL; }
    D3DRESOURCETYPE GetType() override { return desc.Type; }
    HRESULT Lock(UINT offset, UINT size, void** data, DWORD) override
    {
        if (data == nullptr || *failLocks_ != 0 || locked || offset > bytes.size() ||
            (size != 0 && size > bytes.size() - offset)) {
            return D3DERR_INVALIDCALL;
        }
        locked = true;
        ++locks;
        *data = bytes.data() + offset;
        return S_OK;
    }
    HRESULT Unlock() override
    {
        if (!locked) {
            return D3DERR_INVALIDCALL;
        }
        locked = false;
        return S_OK;
    }
    HRESULT GetDesc(Desc* out) override
    {
        *out = desc;
        return S_OK;
    }
    // The index-th value of type T from the start of the buffer.
    template <typename T>
    T At(std::size_t index) const
    {
        T value{};
        std::memcpy(&value, bytes.data() + index * sizeof(T), sizeof(T));
        return value;
    }

    std::vector<std::uint8_t> bytes;
    Desc desc;
    bool locked = false;
    int locks = 0;

private:
    ~MemoryBuffer() override { --*live_; }
    int* live_;
    const int* failLocks_;
};

using MemoryVertexBuffer = MemoryBuffer<IDirect3DVertexBuffer9, D3DVERTEXBUFFER_DESC>;
using MemoryIndexBuffer = MemoryBuffer<IDirect3DIndexBuffer9, D3DINDEXBUFFER_DESC>;

// One level of 32-bit texels.
class MemoryTexture final : public RefCounted<IDirect3DTexture9> {
public:
    MemoryTexture(UINT w, UINT h, D3DFORMAT format, int* live)
        : width(w), height(h), format_(format), texels_(std::size_t{w} * h * 4, 0), live_(live)
    {
        ++*live_;
    }
    HRESULT GetDevice(IDirect3DDevice9**) override { return E_NOTIMPL; }
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_TEXTURE; }
    DWORD GetLevelCount() override { return 1; }
    HRESULT GetLevelDesc(UINT, D3DSURFACE_DESC* d) override
    {
        *d = D3DSURFACE_DESC{format_, D3DRTYPE_TEXTURE, 0, D3DPOOL_MANAGED, D3DMULTISAMPLE_NONE, 0, width, height};
        return S_OK;
    }
    HRESULT LockRect(UINT level, D3DLOCKED_RECT* r, const RECT*, DWORD) override
    {
        if (level != 0 || r == nullptr) {
            return D3DERR_INVALIDCALL;
        }
        r->Pitch = static_cast<INT>(width * 4);
        r->pBits = texels_.data();
        return S_OK;
    }
    HRESULT UnlockRect(UINT) override { return S_OK; }

    UINT width;
    UINT height;

private:
    ~MemoryTexture() override { --*live_; }
    D3DFORMAT format_;
    std::vector<std::uint8_t> texels_;
    int* live_;
};

// Counted like the others, but lives in the test: the last Release leaves it alone.
class MemoryDevice final : public RefCounted<IDirect3DDevice9> {
public:
    HRESULT GetDeviceCaps(D3DCAPS9* caps) override
    {
        *caps = D3DCAPS9{};
        caps->MaxPrimitiveCount = maxPrimitiveCount;
        caps->MaxVertexIndex = 0xFFFFFF;
        caps->MaxTextureWidth = caps->MaxTextureHeight = 4096;
        return S_OK;
    }
    HRESULT TestCooperativeLevel() override { return S_OK; }
    HRESULT Clear(DWORD, const D3DRECT*, DWORD, D3DCOLOR, float, DWORD) override { return S_OK; }
    HRESULT BeginScene() override { return S_OK; }
    HRESULT EndScene() override { return S_OK; }
    HRESULT Present(const RECT*, const RECT*, HWND, const void*) override { return S_OK; }
    HRESULT SetViewport(const D3DVIEWPORT9*) override { return S_OK; }
    HRESULT GetViewport(D3DVIEWPORT9* v) override { return *v = {}, S_OK; }
    HRESULT SetRenderState(D3DRENDERSTATETYPE, DWORD) override { return S_OK; }
    HRESULT GetRenderState(D3DRENDERSTATETYPE, DWORD* v) override { return *v = 0, S_OK; }
    HRESULT SetSamplerState(DWORD, D3DSAMPLERSTATETYPE, DWORD) override { return S_OK; }
    HRESULT GetSamplerState(DWORD, D3DSAMPLERSTATETYPE, DWORD* v) override { return *v = 0, S_OK; }
    HRESULT SetTextureStageState(DWORD, D3DTEXTURESTAGESTATETYPE, DWORD) override { return S_OK; }
    HRESULT GetTextureStageState(DWORD, D3DTEXTURESTAGESTATETYPE, DWORD* v) override { return *v = 0, S_OK; }
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE, const D3DMATRIX*) override { return S_OK; }
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE, D3DMATRIX* m) override { return *m = {}, S_OK; }
    HRESULT SetMaterial(const D3DMATERIAL9*) override { return S_OK; }
    HRESULT GetMaterial(D3DMATERIAL9* m) override { return *m = {}, S_OK; }
    HRESULT SetLight(DWORD, const D3DLIGHT9*) override { return S_OK; }
    HRESULT GetLight(DWORD, D3DLIGHT9* l) override { return *l = {}, S_OK; }
    HRESULT LightEnable(DWORD, BOOL) override { return S_OK; }
    HRESULT GetLightEnable(DWORD, BOOL* on) override { return *on = FALSE, S_OK; }
    HRESULT SetFVF(DWORD fvf) override { return lastFvf = fvf, S_OK; }
    HRESULT GetFVF(DWORD* fvf) override { return *fvf = lastFvf, S_OK; }
    HRESULT SetStreamSource(UINT, IDirect3DVertexBuffer9*, UINT, UINT) override { return S_OK; }
    HRESULT GetStreamSource(UINT, IDirect3DVertexBuffer9**, UINT*, UINT*) override { return E_NOTIMPL; }
    HRESULT SetIndices(IDirect3DIndexBuffer9*) override { return S_OK; }
    HRESULT GetIndices(IDirect3DIndexBuffer9**) override { return E_NOTIMPL; }
    HRESULT SetTexture(DWORD, IDirect3DBaseTexture9*) override { return S_OK; }
    HRESULT GetTexture(DWORD, IDirect3DBaseTexture9**) override { return E_NOTIMPL; }
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE, UINT, UINT) override { return S_OK; }
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE, INT, UINT, UINT, UINT, UINT primitives) override
    {
        drawnPrimitives += primitives;
        return S_OK;
    }
    HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE, UINT, const void*, UINT) override { return S_OK; }
    HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE, UINT, UINT, UINT, const void*, D3DFORMAT, const void*,
                                   UINT) override
    {
        return S_OK;
    }
    HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool, IDirect3DVertexBuffer9** out,
                               HANDLE*) override
    {
        if (out == nullptr || length == 0) {
            return D3DERR_INVALIDCALL;
        }
        if (!CreationAllowed()) {
            return D3DERR_OUTOFVIDEOMEMORY;
        }
        last = new MemoryVertexBuffer(length, {D3DFMT_VERTEXDATA, D3DRTYPE_VERTEXBUFFER, usage, pool, length, fvf},
                                      &live.vertexBuffers, &failLocks);
        created.push_back(last);
        *out = last;
        return S_OK;
    }
    HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool, IDirect3DIndexBuffer9** out,
                              HANDLE*) override
    {
        if (out == nullptr || length == 0) {
            return D3DERR_INVALIDCALL;
        }
        if (!CreationAllowed()) {
            return D3DERR_OUTOFVIDEOMEMORY;
        }
        *out = new MemoryIndexBuffer(length, {format, D3DRTYPE_INDEXBUFFER, usage, pool, length}, &live.indexBuffers,
                                     &failLocks);
        return S_OK;
    }
    HRESULT CreateTexture(UINT w, UINT h, UINT, DWORD, D3DFORMAT format, D3DPOOL, IDirect3DTexture9** out,
                          HANDLE*) override
    {
        if (out == nullptr || w == 0 || h == 0) {
            return D3DERR_INVALIDCALL;
        }
        if (!CreationAllowed()) {
            return D3DERR_OUTOFVIDEOMEMORY;
        }
        *out = new MemoryTexture(w, h, format, &live.textures);
        return S_OK;
    }

    DWORD maxPrimitiveCount = 0xFFFFF;
    DWORD lastFvf = 0;
    UINT drawnPrimitives = 0;
    MemoryLive live;
    int failLocks = 0;          // non-zero: every buffer lock fails
    int failCreatesAfter = -1;  // creations that still succeed; -1 without limit
    MemoryVertexBuffer* last = nullptr;
    std::vector<MemoryVertexBuffer*> created;  // every vertex buffer made, in order (may be released since)

private:
    void LastRelease() override {}

    bool CreationAllowed()
    {
        if (failCreatesAfter == 0) {
            return false;
        }
        if (failCreatesAfter > 0) {
            --failCreatesAfter;
        }
        return true;
    }
};
