#include "d3dx/texture.h"

#include <squish.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "d3dx/texture_decode.h"
#include "platform/d3d9/dxt.h"
#include "platform/win/files.h"

namespace {

// Largest file read by name; a picture within the decoders' limits is far smaller.
constexpr std::size_t kMaxFileBytes = std::size_t{512} * 1024 * 1024;

bool FilterValid(DWORD filter)
{
    if (filter == D3DX_DEFAULT) {
        return true;
    }
    const DWORD kind = filter & 0xFF;
    return kind >= D3DX_FILTER_NONE && kind <= D3DX_FILTER_BOX;
}

UINT NextPowerOfTwo(UINT value)
{
    UINT result = 1;
    while (result < value) {
        result <<= 1;
    }
    return result;
}

// The texture's side for a size argument and the file's side.
UINT TextureSide(UINT requested, UINT fileSide)
{
    if (requested == 0 || requested == D3DX_DEFAULT) {
        return NextPowerOfTwo(fileSide);
    }
    if (requested == D3DX_DEFAULT_NONPOW2 || requested == D3DX_FROM_FILE) {
        return fileSide;
    }
    return requested;
}

// The formats the texture can be made in; everything else becomes A8R8G8B8, the closest that keeps
// every channel.
D3DFORMAT TextureFormat(D3DFORMAT requested)
{
    switch (requested) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4:
    case D3DFMT_A8:
    case D3DFMT_DXT1:
    case D3DFMT_DXT3:
    case D3DFMT_DXT5: return requested;
    default: return D3DFMT_A8R8G8B8;
    }
}

void Put16(std::uint8_t* out, unsigned value)
{
    out[0] = static_cast<std::uint8_t>(value);
    out[1] = static_cast<std::uint8_t>(value >> 8);
}

// One row of ARGB texels in an uncompressed format, little-endian.
void ConvertRow(const D3DCOLOR* texels, UINT count, D3DFORMAT format, std::uint8_t* out)
{
    for (UINT i = 0; i < count; ++i) {
        const D3DCOLOR c = texels[i];
        const unsigned a = c >> 24;
        const unsigned r = (c >> 16) & 0xFF;
        const unsigned g = (c >> 8) & 0xFF;
        const unsigned b = c & 0xFF;
        switch (format) {
        case D3DFMT_R5G6B5: Put16(out + i * 2, ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3)); break;
        case D3DFMT_X1R5G5B5: Put16(out + i * 2, 0x8000 | ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3)); break;
        case D3DFMT_A1R5G5B5:
            Put16(out + i * 2, ((a >= 0x80) << 15) | ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3));
            break;
        case D3DFMT_A4R4G4B4:
            Put16(out + i * 2, ((a >> 4) << 12) | ((r >> 4) << 8) | ((g >> 4) << 4) | (b >> 4));
            break;
        case D3DFMT_A8: out[i] = static_cast<std::uint8_t>(a); break;
        default:
            out[i * 4 + 0] = static_cast<std::uint8_t>(b);
            out[i * 4 + 1] = static_cast<std::uint8_t>(g);
            out[i * 4 + 2] = static_cast<std::uint8_t>(r);
            out[i * 4 + 3] = static_cast<std::uint8_t>(format == D3DFMT_X8R8G8B8 ? 0xFF : a);
            break;
        }
    }
}

// Writes the picture into level 0 of the texture; unlocking it lets the device build the smaller
// levels.
HRESULT FillTopLevel(IDirect3DTexture9* texture, const std::vector<D3DCOLOR>& texels, UINT width, UINT height,
                     D3DFORMAT format)
{
    D3DLOCKED_RECT locked{};
    HRESULT hr = texture->LockRect(0, &locked, nullptr, 0);
    if (FAILED(hr)) {
        return hr;
    }
    auto* bits = static_cast<std::uint8_t*>(locked.pBits);
    const std::size_t pitch = static_cast<std::size_t>(locked.Pitch);
    if (format == D3DFMT_DXT1 || format == D3DFMT_DXT3 || format == D3DFMT_DXT5) {
        std::vector<std::uint8_t> rgba(texels.size() * 4);
        for (std::size_t i = 0; i < texels.size(); ++i) {
            rgba[i * 4 + 0] = static_cast<std::uint8_t>(texels[i] >> 16);
            rgba[i * 4 + 1] = static_cast<std::uint8_t>(texels[i] >> 8);
            rgba[i * 4 + 2] = static_cast<std::uint8_t>(texels[i]);
            rgba[i * 4 + 3] = static_cast<std::uint8_t>(texels[i] >> 24);
        }
        const int flags = format == D3DFMT_DXT1 ? squish::kDxt1 : format == D3DFMT_DXT3 ? squish::kDxt3 : squish::kDxt5;
        const int w = static_cast<int>(width);
        const int h = static_cast<int>(height);
        std::vector<std::uint8_t> blocks(static_cast<std::size_t>(squish::GetStorageRequirements(w, h, flags)));
        DxtEncodeImage(rgba.data(), w, h, blocks.data(), flags);
        const std::size_t rowBytes = static_cast<std::size_t>((width + 3) / 4) * (flags == squish::kDxt1 ? 8 : 16);
        for (UINT row = 0; row < (height + 3) / 4; ++row) {
            std::memcpy(bits + row * pitch, blocks.data() + row * rowBytes, rowBytes);
        }
    } else {
        for (UINT row = 0; row < height; ++row) {
            ConvertRow(texels.data() + static_cast<std::size_t>(row) * width, width, format, bits + row * pitch);
        }
    }
    return texture->UnlockRect(0);
}

HRESULT CreateFromImage(LPDIRECT3DDEVICE9 device, DecodedImage& image, UINT width, UINT height, UINT mipLevels,
                        DWORD usage, D3DFORMAT format, D3DPOOL pool, DWORD filter, D3DCOLOR colorKey,
                        LPDIRECT3DTEXTURE9* ppTexture)
{
    TextureApplyColorKey(image.texels, colorKey);

    const UINT textureWidth = TextureSide(width, image.width);
    const UINT textureHeight = TextureSide(height, image.height);
    if (textureWidth > kTextureMaxSide || textureHeight > kTextureMaxSide) {
        return D3DERR_INVALIDCALL;
    }
    const UINT fullChain = TextureFullMipCount(textureWidth, textureHeight);
    UINT levels = fullChain;
    if (mipLevels == D3DX_FROM_FILE) {
        levels = std::min(image.mipLevels, fullChain);
    } else if (mipLevels != 0 && mipLevels != D3DX_DEFAULT) {
        levels = std::min(mipLevels, fullChain);
    }
    const D3DFORMAT textureFormat = TextureFormat(format);

    std::vector<D3DCOLOR> texels;
    if (textureWidth == image.width && textureHeight == image.height) {
        texels = std::move(image.texels);
    } else {
        texels = TextureResample(image.texels, image.width, image.height, textureWidth, textureHeight,
                                 filter == D3DX_DEFAULT ? D3DX_FILTER_TRIANGLE : filter);
    }

    IDirect3DTexture9* texture = nullptr;
    HRESULT hr =
        device->CreateTexture(textureWidth, textureHeight, levels, usage, textureFormat, pool, &texture, nullptr);
    if (FAILED(hr)) {
        return hr;
    }
    if (texture == nullptr) {
        return E_FAIL;
    }
    hr = FillTopLevel(texture, texels, textureWidth, textureHeight, textureFormat);
    if (FAILED(hr)) {
        texture->Release();
        return hr;
    }
    *ppTexture = texture;
    return S_OK;
}

}  // namespace

HRESULT D3DXCreateTextureFromFileInMemoryEx(LPDIRECT3DDEVICE9 pDevice, LPCVOID pSrcData, UINT SrcDataSize, UINT Width,
                                            UINT Height, UINT MipLevels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                            DWORD Filter, DWORD MipFilter, D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo,
                                            PALETTEENTRY* pPalette, LPDIRECT3DTEXTURE9* ppTexture)
{
    if (pDevice == nullptr || pSrcData == nullptr || SrcDataSize == 0 || ppTexture == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    const DWORD mipFilter = MipFilter == D3DX_DEFAULT
                                ? MipFilter
                                : MipFilter & ~(D3DX_SKIP_DDS_MIP_LEVELS_MASK << D3DX_SKIP_DDS_MIP_LEVELS_SHIFT);
    if (!FilterValid(Filter) || !FilterValid(mipFilter)) {
        return D3DERR_INVALIDCALL;
    }
    DecodedImage image;
    HRESULT hr = TextureDecodeImage(static_cast<const std::uint8_t*>(pSrcData), SrcDataSize, image);
    if (FAILED(hr)) {
        return hr;
    }
    if (pSrcInfo != nullptr) {
        *pSrcInfo = D3DXIMAGE_INFO{image.width,      image.height,    1, image.mipLevels, image.format,
                                   D3DRTYPE_TEXTURE, image.fileFormat};
    }
    if (pPalette != nullptr && image.hasPalette) {
        std::memcpy(pPalette, image.palette, sizeof image.palette);
    }
    return CreateFromImage(pDevice, image, Width, Height, MipLevels, Usage, Format, Pool, Filter, ColorKey, ppTexture);
}

HRESULT D3DXCreateTextureFromFileExA(LPDIRECT3DDEVICE9 pDevice, LPCSTR pSrcFile, UINT Width, UINT Height,
                                     UINT MipLevels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool, DWORD Filter,
                                     DWORD MipFilter, D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo,
                                     PALETTEENTRY* pPalette, LPDIRECT3DTEXTURE9* ppTexture)
{
    if (pDevice == nullptr || pSrcFile == nullptr || ppTexture == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    std::string bytes;
    FileProblem problem = FileProblem::None;
    if (!ReadRegularFile(GamePathToLocal(pSrcFile), kMaxFileBytes, bytes, problem) || bytes.empty()) {
        return D3DXERR_INVALIDDATA;
    }
    return D3DXCreateTextureFromFileInMemoryEx(pDevice, bytes.data(), static_cast<UINT>(bytes.size()), Width, Height,
                                               MipLevels, Usage, Format, Pool, Filter, MipFilter, ColorKey, pSrcInfo,
                                               pPalette, ppTexture);
}

HRESULT D3DXCreateTextureFromFileInMemory(LPDIRECT3DDEVICE9 pDevice, LPCVOID pSrcData, UINT SrcDataSize,
                                          LPDIRECT3DTEXTURE9* ppTexture)
{
    return D3DXCreateTextureFromFileInMemoryEx(pDevice, pSrcData, SrcDataSize, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT,
                                               0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                               nullptr, nullptr, ppTexture);
}

HRESULT D3DXCreateTextureFromFileA(LPDIRECT3DDEVICE9 pDevice, LPCSTR pSrcFile, LPDIRECT3DTEXTURE9* ppTexture)
{
    return D3DXCreateTextureFromFileExA(pDevice, pSrcFile, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_UNKNOWN,
                                        D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr, ppTexture);
}
