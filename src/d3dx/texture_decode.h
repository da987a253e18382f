// Image files to 32-bit ARGB texels, without a device: the decoders and picture operations behind the
// texture-from-file functions.
//
// Every decoder reads only inside the bytes it is given and refuses a file whose headers, palette
// or pixel data do not fit them (D3DXERR_INVALIDDATA), or whose picture is larger than the limits
// below. Texels are D3DCOLOR values, 0xAARRGGBB, top row first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "d3dx/texture.h"

// Largest picture accepted: each side, and the texel count.
inline constexpr UINT kTextureMaxSide = 16384;
inline constexpr std::uint64_t kTextureMaxTexels = std::uint64_t{1} << 26;

inline constexpr D3DFORMAT kFormatP8 = static_cast<D3DFORMAT>(41);
inline constexpr D3DFORMAT kFormatL8 = static_cast<D3DFORMAT>(50);
inline constexpr D3DFORMAT kFormatA8L8 = static_cast<D3DFORMAT>(51);
inline constexpr D3DFORMAT kFormatA8B8G8R8 = static_cast<D3DFORMAT>(32);
inline constexpr D3DFORMAT kFormatX8B8G8R8 = static_cast<D3DFORMAT>(33);
inline constexpr D3DFORMAT kFormatDxt2 = static_cast<D3DFORMAT>(D3DMAKEFOURCC('D', 'X', 'T', '2'));
inline constexpr D3DFORMAT kFormatDxt4 = static_cast<D3DFORMAT>(D3DMAKEFOURCC('D', 'X', 'T', '4'));

struct DecodedImage {
    UINT width = 0;
    UINT height = 0;
    std::vector<D3DCOLOR> texels;       // width * height, top row first
    D3DXIMAGE_FILEFORMAT fileFormat = D3DXIFF_BMP;
    D3DFORMAT format = D3DFMT_UNKNOWN;  // the texel format of the file
    UINT mipLevels = 1;                 // levels stored in the file
    bool hasPalette = false;
    PALETTEENTRY palette[256] = {};
};

// Decodes by the file's signature: "BM" (BMP), "DDS " (DDS), PNG and JPEG signatures, otherwise TGA.
HRESULT TextureDecodeImage(const std::uint8_t* data, std::size_t size, DecodedImage& image);

// Windows bitmaps: core, OS/2 2.x (also cut short to 16 bytes) and info headers (V4/V5 too), 1/4/8-bit
// palette images (a palette longer than the bit count reaches is used as far as it reaches), RLE8 and
// RLE4 run-length coding (texels the runs skip are transparent black), 16/24/32-bit pictures,
// uncompressed (BI_RGB; 16-bit is X1R5G5B5, 32-bit X8R8G8B8 and opaque) or with channel masks
// (BI_BITFIELDS, BI_ALPHABITFIELDS; an alpha mask gives alpha), bottom-up or top-down.
HRESULT TextureDecodeBmp(const std::uint8_t* data, std::size_t size, DecodedImage& image);

// DirectDraw surfaces, the first picture of the file (of a cube map its first face, of a volume its
// first slice): DXT1..DXT5 blocks, and uncompressed 8/16/24/32-bit texels described by channel masks
// (RGB with or without alpha, luminance, alpha only). The extended "DX10" header is read for the DXGI
// formats Direct3D 9 can hold: BC1..BC3, R8G8B8A8, B8G8R8A8, B8G8R8X8 (each with its typeless and sRGB
// forms), B5G6R5, B5G5R5A1, A8 and R8 (as luminance).
HRESULT TextureDecodeDds(const std::uint8_t* data, std::size_t size, DecodedImage& image);

// PNG and TGA through stb_image, JPEG through libjpeg-turbo.
HRESULT TextureDecodeStb(const std::uint8_t* data, std::size_t size, DecodedImage& image);

// Every texel equal to the key (all 32 bits) becomes 0x00000000. A key of 0 changes nothing.
void TextureApplyColorKey(std::vector<D3DCOLOR>& texels, D3DCOLOR colorKey);

// The picture resampled to width x height with the filter's low byte: D3DX_FILTER_NONE copies the
// overlapping corner (the rest is transparent black), D3DX_FILTER_POINT takes the nearest texel, the
// others blend the four nearest texels per channel.
std::vector<D3DCOLOR> TextureResample(const std::vector<D3DCOLOR>& texels, UINT width, UINT height, UINT newWidth,
                                      UINT newHeight, DWORD filter);

// Levels of a full mip chain for a width x height top level (down to 1x1).
UINT TextureFullMipCount(UINT width, UINT height);
