// A recording stand-in for the graphics device: keeps every state it is given, hands out textures
// whose level 0 lives in memory, and records the vertices of each DrawPrimitiveUP call. Lets the font
// object's use of the device be checked without OpenGL.
#pragma once

#include <cstring>
#include <map>
#include <utility>
#include <vector>

#include "platform/d3d9/d3d9.h"

class FakeTexture final : public IDirect3DTexture9 {
public:
    FakeTexture(IDirect3DDevice9* device, UINT width, UINT height, D3DFORMAT format, D3DPOOL pool, int* live)
        : device_(device), width(width), height(height), format(format), pool(pool), live_(live),
          bits(static_cast<std::size_t>(width) * height * 4, 0xCD)
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
    HRESULT GetDevice(IDirect3DDevice9** d) override
    {
        *d = device_;
        return S_OK;
    }
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_TEXTURE; }
    DWORD GetLevelCount() override { return 1; }
    HRESULT GetLevelDesc(UINT, D3DSURFACE_DESC* desc) override
    {
        *desc = D3DSURFACE_DESC{format, D3DRTYPE_TEXTURE, 0, pool, D3DMULTISAMPLE_NONE, 0, width, height};
        return S_OK;
    }
    HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT*, DWORD) override
    {
        if (level != 0 || locked == nullptr || isLocked) {
            return D3DERR_INVALIDCALL;
        }
        ++locks;
        isLocked = true;
        locked->Pitch = static_cast<INT>(width * 4);
        locked->pBits = bits.data();
        return S_OK;
    }
    HRESULT UnlockRect(UINT) override
    {
        isLocked = false;
        return S_OK;
    }
    // The A8R8G8B8 texel at (x, y) as its 32-bit value.
    DWORD Texel(int x, int y) const
    {
        DWORD value = 0;
        std::memcpy(&value, bits.data() + (static_cast<std::size_t>(y) * width + x) * 4, 4);
        return value;
    }

    ULONG refs = 1;
    IDirect3DDevice9* device_;
    UINT width;
    UINT height;
    D3DFORMAT format;
    D3DPOOL pool;
    int* live_;
    std::vector<std::uint8_t> bits;
    int locks = 0;
    bool isLocked = false;

private:
    ~FakeTexture() override { --*live_; }
};

class FakeVertexBuffer final : public IDirect3DVertexBuffer9 {
public:
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }  // lives on the test's stack
    HRESULT GetDevice(IDirect3DDevice9**) override { return E_NOTIMPL; }
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_VERTEXBUFFER; }
    HRESULT Lock(UINT, UINT, void**, DWORD) override { return E_NOTIMPL; }
    HRESULT Unlock() override { return E_NOTIMPL; }
    HRESULT GetDesc(D3DVERTEXBUFFER_DESC*) override { return E_NOTIMPL; }
    ULONG refs = 1;
};

// Vertex layout of FVF D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1.
struct TlVertex {
    float x, y, z, rhw;
    D3DCOLOR color;
    float u, v;
};

struct RecordedDraw {
    D3DPRIMITIVETYPE type;
    UINT primitives;
    UINT stride;
    DWORD fvf;
    IDirect3DBaseTexture9* texture;
    std::map<DWORD, DWORD> renderStates;
    std::map<std::pair<DWORD, DWORD>, DWORD> stageStates;
    std::map<DWORD, DWORD> samplerStates;
    std::vector<TlVertex> vertices;
};

class FakeDevice final : public IDirect3DDevice9 {
public:
    FakeDevice() = default;
    FakeDevice(const FakeDevice&) = delete;
    FakeDevice& operator=(const FakeDevice&) = delete;
    ~FakeDevice() override
    {
        for (IDirect3DBaseTexture9*& t : textures) {
            SetTexture(static_cast<DWORD>(&t - textures), nullptr);
        }
        SetStreamSource(0, nullptr, 0, 0);
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }  // lives on the test's stack
    HRESULT GetDeviceCaps(D3DCAPS9*) override { return E_NOTIMPL; }
    HRESULT TestCooperativeLevel() override { return S_OK; }
    HRESULT Clear(DWORD, const D3DRECT*, DWORD, D3DCOLOR, float, DWORD) override { return S_OK; }
    HRESULT BeginScene() override { return S_OK; }
    HRESULT EndScene() override { return S_OK; }
    HRESULT Present(const RECT*, const RECT*, HWND, const void*) override { return S_OK; }
    HRESULT SetViewport(const D3DVIEWPORT9*) override { return S_OK; }
    HRESULT GetViewport(D3DVIEWPORT9*) override { return S_OK; }
    HRESULT SetRenderState(D3DRENDERSTATETYPE s, DWORD v) override
    {
        renderStates[s] = v;
        return S_OK;
    }
    HRESULT GetRenderState(D3DRENDERSTATETYPE s, DWORD* v) override
    {
        *v = renderStates.count(s) ? renderStates[s] : 0;
        return S_OK;
    }
    HRESULT SetSamplerState(DWORD i, D3DSAMPLERSTATETYPE s, DWORD v) override
    {
        samplerStates[i * 100 + s] = v;
        return S_OK;
    }
    HRESULT GetSamplerState(DWORD i, D3DSAMPLERSTATETYPE s, DWORD* v) override
    {
        *v = samplerStates.count(i * 100 + s) ? samplerStates[i * 100 + s] : 0;
        return S_OK;
    }
    HRESULT SetTextureStageState(DWORD i, D3DTEXTURESTAGESTATETYPE s, DWORD v) override
    {
        stageStates[{i, s}] = v;
        return S_OK;
    }
    HRESULT GetTextureStageState(DWORD i, D3DTEXTURESTAGESTATETYPE s, DWORD* v) override
    {
        *v = stageStates.count({i, s}) ? stageStates[{i, s}] : 0;
        return S_OK;
    }
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE, const D3DMATRIX*) override { return S_OK; }
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE, D3DMATRIX*) override { return S_OK; }
    HRESULT SetMaterial(const D3DMATERIAL9*) override { return S_OK; }
    HRESULT GetMaterial(D3DMATERIAL9*) override { return S_OK; }
    HRESULT SetLight(DWORD, const D3DLIGHT9*) override { return S_OK; }
    HRESULT GetLight(DWORD, D3DLIGHT9*) override { return S_OK; }
    HRESULT LightEnable(DWORD, BOOL) override { return S_OK; }
    HRESULT GetLightEnable(DWORD, BOOL*) override { return S_OK; }
    HRESULT SetFVF(DWORD f) override
    {
        fvf = f;
        return S_OK;
    }
    HRESULT GetFVF(DWORD* f) override
    {
        *f = fvf;
        return S_OK;
    }
    HRESULT SetStreamSource(UINT, IDirect3DVertexBuffer9* vb, UINT offset, UINT stride) override
    {
        if (vb != nullptr) {
            vb->AddRef();
        }
        if (stream != nullptr) {
            stream->Release();
        }
        stream = vb;
        streamOffset = offset;
        streamStride = stride;
        return S_OK;
    }
    HRESULT GetStreamSource(UINT, IDirect3DVertexBuffer9** vb, UINT* offset, UINT* stride) override
    {
        *vb = stream;
        if (stream != nullptr) {
            stream->AddRef();
        }
        *offset = streamOffset;
        *stride = streamStride;
        return S_OK;
    }
    HRESULT SetIndices(IDirect3DIndexBuffer9*) override { return S_OK; }
    HRESULT GetIndices(IDirect3DIndexBuffer9** ib) override
    {
        *ib = nullptr;
        return S_OK;
    }
    HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture9* t) override
    {
        if (t != nullptr) {
            t->AddRef();
        }
        if (textures[stage] != nullptr) {
            textures[stage]->Release();
        }
        textures[stage] = t;
        return S_OK;
    }
    HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture9** t) override
    {
        *t = textures[stage];
        if (*t != nullptr) {
            (*t)->AddRef();
        }
        return S_OK;
    }
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE, UINT, UINT) override { return S_OK; }
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE, INT, UINT, UINT, UINT, UINT) override { return S_OK; }
    HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT count, const void* data, UINT stride) override
    {
        RecordedDraw draw{type, count, stride, fvf, textures[0], renderStates, stageStates, samplerStates, {}};
        UINT vertices = type == D3DPT_TRIANGLELIST ? count * 3 : 0;
        if (stride == sizeof(TlVertex)) {
            draw.vertices.resize(vertices);
            std::memcpy(draw.vertices.data(), data, vertices * sizeof(TlVertex));
        }
        draws.push_back(std::move(draw));
        SetStreamSource(0, nullptr, 0, 0);  // as Direct3D 9 leaves stream 0 after a user-pointer draw
        return S_OK;
    }
    HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE, UINT, UINT, UINT, const void*, D3DFORMAT, const void*,
                                   UINT) override
    {
        return S_OK;
    }
    HRESULT CreateVertexBuffer(UINT, DWORD, DWORD, D3DPOOL, IDirect3DVertexBuffer9**, HANDLE*) override
    {
        return E_NOTIMPL;
    }
    HRESULT CreateIndexBuffer(UINT, DWORD, D3DFORMAT, D3DPOOL, IDirect3DIndexBuffer9**, HANDLE*) override
    {
        return E_NOTIMPL;
    }
    HRESULT CreateTexture(UINT w, UINT h, UINT, DWORD, D3DFORMAT format, D3DPOOL pool, IDirect3DTexture9** out,
                          HANDLE*) override
    {
        if (failTextures) {
            return D3DERR_OUTOFVIDEOMEMORY;
        }
        lastTexture = new FakeTexture(this, w, h, format, pool, &liveTextures);
        *out = lastTexture;
        ++texturesCreated;
        return S_OK;
    }

    ULONG refs = 1;
    std::map<DWORD, DWORD> renderStates;
    std::map<DWORD, DWORD> samplerStates;
    std::map<std::pair<DWORD, DWORD>, DWORD> stageStates;
    DWORD fvf = 0;
    IDirect3DVertexBuffer9* stream = nullptr;
    UINT streamOffset = 0;
    UINT streamStride = 0;
    IDirect3DBaseTexture9* textures[8] = {};
    std::vector<RecordedDraw> draws;
    FakeTexture* lastTexture = nullptr;
    int liveTextures = 0;
    int texturesCreated = 0;
    bool failTextures = false;
};
