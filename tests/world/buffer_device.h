// A stand-in for the graphics device that only makes vertex buffers, kept in memory, so the world and
// the sprites can be checked with buffers without OpenGL. Creation and locking can be made to fail.
#pragma once

#include <cstring>
#include <vector>

#include "platform/d3d9/d3d9.h"

class MemoryVertexBuffer final : public IDirect3DVertexBuffer9 {
public:
    MemoryVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool, int* live, const int* failLocks)
        : bytes(length, 0), usage(usage), fvf(fvf), pool(pool), live_(live), failLocks_(failLocks)
    {
        ++*live_;
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override
    {
        ULONG left = --refs;
        if (left == 0) {
            delete this;
        }
        return left;
    }
    HRESULT GetDevice(IDirect3DDevice9**) override { return E_NOTIMPL; }
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_VERTEXBUFFER; }
    HRESULT Lock(UINT offset, UINT, void** data, DWORD) override
    {
        if (*failLocks_ != 0 || locked || offset > bytes.size()) {
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
    HRESULT GetDesc(D3DVERTEXBUFFER_DESC* desc) override
    {
        *desc = D3DVERTEXBUFFER_DESC{D3DFMT_VERTEXDATA, D3DRTYPE_VERTEXBUFFER, usage, pool,
                                     static_cast<UINT>(bytes.size()), fvf};
        return S_OK;
    }
    template <typename T>
    T At(std::size_t index) const
    {
        T value{};
        std::memcpy(&value, bytes.data() + index * sizeof(T), sizeof(T));
        return value;
    }

    std::vector<unsigned char> bytes;
    DWORD usage;
    DWORD fvf;
    D3DPOOL pool;
    ULONG refs = 1;
    bool locked = false;
    int locks = 0;

private:
    ~MemoryVertexBuffer() override { --*live_; }
    int* live_;
    const int* failLocks_;
};

class BufferDevice final : public IDirect3DDevice9 {
public:
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }   // lives in the test
    HRESULT GetDeviceCaps(D3DCAPS9*) override { return E_NOTIMPL; }
    HRESULT TestCooperativeLevel() override { return S_OK; }
    HRESULT Clear(DWORD, const D3DRECT*, DWORD, D3DCOLOR, float, DWORD) override { return S_OK; }
    HRESULT BeginScene() override { return S_OK; }
    HRESULT EndScene() override { return S_OK; }
    HRESULT Present(const RECT*, const RECT*, HWND, const void*) override { return S_OK; }
    HRESULT SetViewport(const D3DVIEWPORT9*) override { return S_OK; }
    HRESULT GetViewport(D3DVIEWPORT9*) override { return E_NOTIMPL; }
    HRESULT SetRenderState(D3DRENDERSTATETYPE, DWORD) override { return S_OK; }
    HRESULT GetRenderState(D3DRENDERSTATETYPE, DWORD*) override { return E_NOTIMPL; }
    HRESULT SetSamplerState(DWORD, D3DSAMPLERSTATETYPE, DWORD) override { return S_OK; }
    HRESULT GetSamplerState(DWORD, D3DSAMPLERSTATETYPE, DWORD*) override { return E_NOTIMPL; }
    HRESULT SetTextureStageState(DWORD, D3DTEXTURESTAGESTATETYPE, DWORD) override { return S_OK; }
    HRESULT GetTextureStageState(DWORD, D3DTEXTURESTAGESTATETYPE, DWORD*) override { return E_NOTIMPL; }
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE, const D3DMATRIX*) override { return S_OK; }
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE, D3DMATRIX*) override { return E_NOTIMPL; }
    HRESULT SetMaterial(const D3DMATERIAL9*) override { return S_OK; }
    HRESULT GetMaterial(D3DMATERIAL9*) override { return E_NOTIMPL; }
    HRESULT SetLight(DWORD, const D3DLIGHT9*) override { return S_OK; }
    HRESULT GetLight(DWORD, D3DLIGHT9*) override { return E_NOTIMPL; }
    HRESULT LightEnable(DWORD, BOOL) override { return S_OK; }
    HRESULT GetLightEnable(DWORD, BOOL*) override { return E_NOTIMPL; }
    HRESULT SetFVF(DWORD) override { return S_OK; }
    HRESULT GetFVF(DWORD*) override { return E_NOTIMPL; }
    HRESULT SetStreamSource(UINT, IDirect3DVertexBuffer9*, UINT, UINT) override { return S_OK; }
    HRESULT GetStreamSource(UINT, IDirect3DVertexBuffer9**, UINT*, UINT*) override { return E_NOTIMPL; }
    HRESULT SetIndices(IDirect3DIndexBuffer9*) override { return S_OK; }
    HRESULT GetIndices(IDirect3DIndexBuffer9**) override { return E_NOTIMPL; }
    HRESULT SetTexture(DWORD, IDirect3DBaseTexture9*) override { return S_OK; }
    HRESULT GetTexture(DWORD, IDirect3DBaseTexture9**) override { return E_NOTIMPL; }
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE, UINT, UINT) override { return S_OK; }
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE, INT, UINT, UINT, UINT, UINT) override { return S_OK; }
    HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE, UINT, const void*, UINT) override { return S_OK; }
    HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE, UINT, UINT, UINT, const void*, D3DFORMAT, const void*,
                                   UINT) override
    {
        return S_OK;
    }
    HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool, IDirect3DVertexBuffer9** out,
                               HANDLE*) override
    {
        if (failCreatesAfter == 0) {
            return D3DERR_OUTOFVIDEOMEMORY;
        }
        if (failCreatesAfter > 0) {
            --failCreatesAfter;
        }
        last = new MemoryVertexBuffer(length, usage, fvf, pool, &liveBuffers, &failLocks);
        created.push_back(last);
        *out = last;
        return S_OK;
    }
    HRESULT CreateIndexBuffer(UINT, DWORD, D3DFORMAT, D3DPOOL, IDirect3DIndexBuffer9**, HANDLE*) override
    {
        return E_NOTIMPL;
    }
    HRESULT CreateTexture(UINT, UINT, UINT, DWORD, D3DFORMAT, D3DPOOL, IDirect3DTexture9**, HANDLE*) override
    {
        return E_NOTIMPL;
    }

    ULONG refs = 1;
    int liveBuffers = 0;
    int failLocks = 0;          // non-zero: every lock fails
    int failCreatesAfter = -1;  // creations that still succeed; -1 without limit
    MemoryVertexBuffer* last = nullptr;
    std::vector<MemoryVertexBuffer*> created;   // every buffer made, in order (may be released since)
};
