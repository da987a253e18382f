// The font object: one built FontData, its atlas texture on the device, and DrawTextA.
#include "d3dx/font.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "platform/win/ref_counted.h"

namespace {

struct FontModuleState {
    int liveFonts = 0;
};
FontModuleState fontModule;

// Pretransformed vertex of the glyph quads: D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1.
struct FontVertex {
    float x, y, z, rhw;
    D3DCOLOR color;
    float u, v;
};
constexpr DWORD kFontFVF = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;
static_assert(sizeof(FontVertex) == 28, "the vertex must match its FVF");

// The device states DrawTextA sets, with the values it needs.
struct RenderStateValue {
    D3DRENDERSTATETYPE state;
    DWORD value;
};
constexpr RenderStateValue kRenderStates[] = {
    {D3DRS_ALPHABLENDENABLE, TRUE},
    {D3DRS_SRCBLEND, D3DBLEND_SRCALPHA},
    {D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA},
    {D3DRS_BLENDOP, D3DBLENDOP_ADD},
    {D3DRS_SEPARATEALPHABLENDENABLE, FALSE},
    {D3DRS_ALPHATESTENABLE, FALSE},
    {D3DRS_ZENABLE, D3DZB_FALSE},
    {D3DRS_ZWRITEENABLE, FALSE},
    {D3DRS_STENCILENABLE, FALSE},
    {D3DRS_CULLMODE, D3DCULL_NONE},
    {D3DRS_FILLMODE, D3DFILL_SOLID},
    {D3DRS_FOGENABLE, FALSE},
    {D3DRS_LIGHTING, FALSE},
    {D3DRS_SCISSORTESTENABLE, FALSE},
    {D3DRS_COLORWRITEENABLE, 0xF},
};

struct StageStateValue {
    DWORD stage;
    D3DTEXTURESTAGESTATETYPE state;
    DWORD value;
};
constexpr StageStateValue kStageStates[] = {
    {0, D3DTSS_COLOROP, D3DTOP_SELECTARG2}, {0, D3DTSS_COLORARG1, D3DTA_TEXTURE}, {0, D3DTSS_COLORARG2, D3DTA_DIFFUSE},
    {0, D3DTSS_ALPHAOP, D3DTOP_MODULATE},   {0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE}, {0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE},
    {0, D3DTSS_TEXCOORDINDEX, 0},           {0, D3DTSS_TEXTURETRANSFORMFLAGS, 0}, {1, D3DTSS_COLOROP, D3DTOP_DISABLE},
    {1, D3DTSS_ALPHAOP, D3DTOP_DISABLE},
};

struct SamplerStateValue {
    D3DSAMPLERSTATETYPE state;
    DWORD value;
};
// One texel per pixel: point sampling keeps the glyphs as they were rasterised.
constexpr SamplerStateValue kSamplerStates[] = {
    {D3DSAMP_MINFILTER, D3DTEXF_POINT},    {D3DSAMP_MAGFILTER, D3DTEXF_POINT},    {D3DSAMP_MIPFILTER, D3DTEXF_NONE},
    {D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP}, {D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP},
};

constexpr std::size_t kRenderStateCount = std::size(kRenderStates);
constexpr std::size_t kStageStateCount = std::size(kStageStates);
constexpr std::size_t kSamplerStateCount = std::size(kSamplerStates);

// Everything DrawTextA changes on the device, read before drawing and put back after.
class SavedDeviceState {
public:
    explicit SavedDeviceState(IDirect3DDevice9* device) : device_(device)
    {
        for (std::size_t i = 0; i < kRenderStateCount; ++i) {
            renderOk_[i] = SUCCEEDED(device_->GetRenderState(kRenderStates[i].state, &render_[i]));
        }
        for (std::size_t i = 0; i < kStageStateCount; ++i) {
            stageOk_[i] =
                SUCCEEDED(device_->GetTextureStageState(kStageStates[i].stage, kStageStates[i].state, &stage_[i]));
        }
        for (std::size_t i = 0; i < kSamplerStateCount; ++i) {
            samplerOk_[i] = SUCCEEDED(device_->GetSamplerState(0, kSamplerStates[i].state, &sampler_[i]));
        }
        fvfOk_ = SUCCEEDED(device_->GetFVF(&fvf_));
        textureOk_ = SUCCEEDED(device_->GetTexture(0, &texture_));
        streamOk_ = SUCCEEDED(device_->GetStreamSource(0, &stream_, &streamOffset_, &streamStride_));
    }

    ~SavedDeviceState()
    {
        for (std::size_t i = 0; i < kRenderStateCount; ++i) {
            if (renderOk_[i]) {
                device_->SetRenderState(kRenderStates[i].state, render_[i]);
            }
        }
        for (std::size_t i = 0; i < kStageStateCount; ++i) {
            if (stageOk_[i]) {
                device_->SetTextureStageState(kStageStates[i].stage, kStageStates[i].state, stage_[i]);
            }
        }
        for (std::size_t i = 0; i < kSamplerStateCount; ++i) {
            if (samplerOk_[i]) {
                device_->SetSamplerState(0, kSamplerStates[i].state, sampler_[i]);
            }
        }
        if (fvfOk_) {
            device_->SetFVF(fvf_);
        }
        if (textureOk_) {
            device_->SetTexture(0, texture_);
        }
        if (texture_ != nullptr) {
            texture_->Release();
        }
        if (streamOk_) {
            device_->SetStreamSource(0, stream_, streamOffset_, streamStride_);
        }
        if (stream_ != nullptr) {
            stream_->Release();
        }
    }

    SavedDeviceState(const SavedDeviceState&) = delete;
    SavedDeviceState& operator=(const SavedDeviceState&) = delete;

private:
    IDirect3DDevice9* device_;
    DWORD render_[kRenderStateCount]{};
    bool renderOk_[kRenderStateCount]{};
    DWORD stage_[kStageStateCount]{};
    bool stageOk_[kStageStateCount]{};
    DWORD sampler_[kSamplerStateCount]{};
    bool samplerOk_[kSamplerStateCount]{};
    DWORD fvf_ = 0;
    bool fvfOk_ = false;
    IDirect3DBaseTexture9* texture_ = nullptr;
    bool textureOk_ = false;
    IDirect3DVertexBuffer9* stream_ = nullptr;
    UINT streamOffset_ = 0;
    UINT streamStride_ = 0;
    bool streamOk_ = false;
};

class D3DXFontObject final : public RefCounted<ID3DXFont> {
public:
    D3DXFontObject(IDirect3DDevice9* device, const D3DXFONT_DESCA& desc, FontData&& data)
        : device_(device), desc_(desc), data_(std::move(data))
    {
        device_->AddRef();
        ++fontModule.liveFonts;
    }

    // Creates the atlas texture and fills it with the coverage, as alpha alone (the text's colour is
    // the vertices'); the font's own copy of the coverage is let go once the texture holds it.
    HRESULT CreateAtlasTexture()
    {
        HRESULT hr = device_->CreateTexture(static_cast<UINT>(data_.atlasWidth), static_cast<UINT>(data_.atlasHeight),
                                            1, 0, D3DFMT_A8, D3DPOOL_MANAGED, &texture_, nullptr);
        if (FAILED(hr) || texture_ == nullptr) {
            texture_ = nullptr;
            return FAILED(hr) ? hr : E_FAIL;
        }
        D3DLOCKED_RECT locked{};
        hr = texture_->LockRect(0, &locked, nullptr, 0);
        if (FAILED(hr) || locked.pBits == nullptr) {
            return FAILED(hr) ? hr : E_FAIL;
        }
        auto* base = static_cast<unsigned char*>(locked.pBits);
        for (int y = 0; y < data_.atlasHeight; ++y) {
            std::memcpy(base + static_cast<std::ptrdiff_t>(y) * locked.Pitch,
                        data_.atlas.data() + static_cast<std::size_t>(y) * data_.atlasWidth,
                        static_cast<std::size_t>(data_.atlasWidth));
        }
        hr = texture_->UnlockRect(0);
        if (SUCCEEDED(hr)) {
            data_.atlas = {};
        }
        return hr;
    }

    HRESULT GetDevice(IDirect3DDevice9** ppDevice) override
    {
        if (ppDevice == nullptr) {
            return D3DERR_INVALIDCALL;
        }
        device_->AddRef();
        *ppDevice = device_;
        return S_OK;
    }

    HRESULT GetDescA(D3DXFONT_DESCA* pDesc) override
    {
        if (pDesc == nullptr) {
            return D3DERR_INVALIDCALL;
        }
        *pDesc = desc_;
        return S_OK;
    }

    BOOL GetTextMetricsA(TEXTMETRICA* tm) override
    {
        if (tm == nullptr) {
            return FALSE;
        }
        const FontMetrics& m = data_.metrics;
        *tm = TEXTMETRICA{
            m.height, m.ascent,       m.descent,      m.internalLeading,
            0,        m.aveCharWidth, m.maxCharWidth, static_cast<LONG>(desc_.Weight == 0 ? FW_NORMAL : desc_.Weight)};
        return TRUE;
    }

    INT DrawTextA(LPD3DXSPRITE, LPCSTR pString, INT Count, LPRECT pRect, DWORD Format, D3DCOLOR Color) override
    {
        if (pString == nullptr) {
            return 0;
        }
        FontBox box{};
        if (pRect != nullptr) {
            box = FontBox{pRect->left, pRect->top, pRect->right, pRect->bottom};
        } else {
            Format |= DT_NOCLIP;
        }
        if ((Format & DT_CALCRECT) != 0) {
            int height = FontLayout(data_, pString, Count, &box, Format, nullptr);
            if (pRect != nullptr) {
                pRect->right = box.right;
                pRect->bottom = box.bottom;
            }
            return height;
        }
        int height = FontLayout(data_, pString, Count, &box, Format, &quads_);
        if (!quads_.empty() && texture_ != nullptr) {
            DrawQuads(Color);
        }
        return height;
    }

    HRESULT PreloadTextA(LPCSTR, INT) override { return S_OK; }
    HRESULT OnLostDevice() override { return S_OK; }
    HRESULT OnResetDevice() override { return S_OK; }

private:
    ~D3DXFontObject() override
    {
        if (texture_ != nullptr) {
            texture_->Release();
        }
        device_->Release();
        --fontModule.liveFonts;
    }

    void DrawQuads(D3DCOLOR color)
    {
        vertices_.clear();
        vertices_.reserve(quads_.size() * 6);
        float du = 1.0f / static_cast<float>(data_.atlasWidth);
        float dv = 1.0f / static_cast<float>(data_.atlasHeight);
        for (const FontQuad& q : quads_) {
            // Pixel centres lie on integer coordinates: a quad from x - 0.5 to x + w - 0.5 covers
            // exactly the pixels x .. x + w - 1, each sampling the centre of its texel.
            float x0 = static_cast<float>(q.x) - 0.5f;
            float y0 = static_cast<float>(q.y) - 0.5f;
            float x1 = x0 + static_cast<float>(q.width);
            float y1 = y0 + static_cast<float>(q.height);
            float u0 = static_cast<float>(q.atlasX) * du;
            float v0 = static_cast<float>(q.atlasY) * dv;
            float u1 = static_cast<float>(q.atlasX + q.width) * du;
            float v1 = static_cast<float>(q.atlasY + q.height) * dv;
            FontVertex a{x0, y0, 0.0f, 1.0f, color, u0, v0};
            FontVertex b{x1, y0, 0.0f, 1.0f, color, u1, v0};
            FontVertex c{x1, y1, 0.0f, 1.0f, color, u1, v1};
            FontVertex d{x0, y1, 0.0f, 1.0f, color, u0, v1};
            vertices_.insert(vertices_.end(), {a, b, c, a, c, d});
        }

        SavedDeviceState saved(device_);
        for (const RenderStateValue& s : kRenderStates) {
            device_->SetRenderState(s.state, s.value);
        }
        for (const StageStateValue& s : kStageStates) {
            device_->SetTextureStageState(s.stage, s.state, s.value);
        }
        for (const SamplerStateValue& s : kSamplerStates) {
            device_->SetSamplerState(0, s.state, s.value);
        }
        device_->SetTexture(0, texture_);
        device_->SetFVF(kFontFVF);
        device_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, static_cast<UINT>(quads_.size() * 2), vertices_.data(),
                                 sizeof(FontVertex));
    }

    IDirect3DDevice9* device_;
    D3DXFONT_DESCA desc_;
    FontData data_;
    IDirect3DTexture9* texture_ = nullptr;
    // Kept between calls so drawing every frame allocates nothing once they have grown.
    std::vector<FontQuad> quads_;
    std::vector<FontVertex> vertices_;
};

}  // namespace

HRESULT D3DXCreateFontA(LPDIRECT3DDEVICE9 pDevice, INT Height, UINT Width, UINT Weight, UINT MipLevels, BOOL Italic,
                        DWORD CharSet, DWORD OutputPrecision, DWORD Quality, DWORD PitchAndFamily, LPCSTR pFaceName,
                        LPD3DXFONT* ppFont)
{
    if (ppFont != nullptr) {
        *ppFont = nullptr;
    }
    if (pDevice == nullptr || pFaceName == nullptr || ppFont == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    std::size_t nameLength = strnlen(pFaceName, D3DXFONT_FACESIZE);
    if (nameLength >= static_cast<std::size_t>(D3DXFONT_FACESIZE)) {
        std::fprintf(stderr, "D3DXCreateFontA: face name longer than %d characters\n", D3DXFONT_FACESIZE - 1);
        return D3DERR_INVALIDCALL;
    }

    FontRequest request;
    request.height = Height;
    request.width = Width;
    request.weight = Weight;
    request.italic = Italic != FALSE;
    request.faceName.assign(pFaceName, nameLength);
    FontData data;
    std::string error;
    if (!FontBuild(request, &data, &error)) {
        std::fprintf(stderr, "D3DXCreateFontA(\"%s\", %d, %u): %s\n", request.faceName.c_str(), Height, Width,
                     error.c_str());
        return E_FAIL;
    }

    D3DXFONT_DESCA desc{};
    desc.Height = Height;
    desc.Width = Width;
    desc.Weight = Weight;
    desc.MipLevels = MipLevels;
    desc.Italic = Italic;
    desc.CharSet = static_cast<BYTE>(CharSet);
    desc.OutputPrecision = static_cast<BYTE>(OutputPrecision);
    desc.Quality = static_cast<BYTE>(Quality);
    desc.PitchAndFamily = static_cast<BYTE>(PitchAndFamily);
    std::memcpy(desc.FaceName, pFaceName, nameLength);

    auto* font = new (std::nothrow) D3DXFontObject(pDevice, desc, std::move(data));
    if (font == nullptr) {
        return E_OUTOFMEMORY;
    }
    HRESULT hr = font->CreateAtlasTexture();
    if (FAILED(hr)) {
        std::fprintf(stderr, "D3DXCreateFontA(\"%s\"): the glyph texture cannot be made\n", desc.FaceName);
        font->Release();
        return hr;
    }
    *ppFont = font;
    return S_OK;
}

int D3DXFontLiveCount()
{
    return fontModule.liveFonts;
}

void D3DXFontReset()
{
    FontLibraryReset();
}
