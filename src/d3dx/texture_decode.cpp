// The image decoders and picture operations of texture_decode.h, in this order:
//
//   1. Shared pieces: the picture size limit (SizeAllowed), channels described by bit masks scaled
//      to eight bits (Channel, MaskSet), little-endian texel reads.
//   2. BMP (TextureDecodeBmp): the header kinds, fixed or read channel masks, the palette, RLE8 and
//      RLE4 runs (DecodeRle) and uncompressed rows, bottom-up or top-down.
//   3. DDS (TextureDecodeDds): the classic header and the extended DX10 one (Dx10PixelFormat); DXT
//      blocks through squish, other texels by their channel masks, and the format they name.
//   4. PNG, TGA, JPEG (TextureDecodeStb): PNG and TGA through stb_image, a TGA first checked to hold
//      its pixels (TgaHoldsPixels); JPEG through libjpeg-turbo (DecodeJpeg) once its scans are
//      counted (JpegScanCount). TextureDecodeImage picks the decoder by the file's signature.
//   5. Picture operations: the colour key, resampling (none, point, bilinear), the full mip count.
#include "d3dx/texture_decode.h"

#include <squish.h>
#include <turbojpeg.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <limits>

// stb_image for PNG and TGA, which the game itself does not ship; only what it needs, reading from
// memory. JPEG goes through libjpeg-turbo, which reads what libjpeg reads.
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#define STBI_ONLY_PNG
#define STBI_ONLY_TGA
#define STBI_MAX_DIMENSIONS 16384
#include <stb_image.h>

#include "platform/d3d9/dxt.h"
#include "platform/win/little_endian.h"

namespace {

bool SizeAllowed(std::uint64_t width, std::uint64_t height)
{
    return width > 0 && height > 0 && width <= kTextureMaxSide && height <= kTextureMaxSide &&
           width * height <= kTextureMaxTexels;
}

// One channel described by a bit mask: where it sits and how to scale it to eight bits.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint32_t max = 0;

    explicit Channel(std::uint32_t m) : mask(m)
    {
        if (mask != 0) {
            shift = std::countr_zero(mask);
            max = mask >> shift;
        }
    }

    // The channel's value scaled to 0..255; `absent` when the mask is empty.
    std::uint32_t Extract(std::uint32_t value, std::uint32_t absent) const
    {
        if (max == 0) {
            return absent;
        }
        std::uint64_t v = (value & mask) >> shift;
        return static_cast<std::uint32_t>((v * 255 + max / 2) / max);
    }
};

struct MaskSet {
    Channel r, g, b, a;
    bool luminance = false;  // the red mask is a luminance copied to all three colours

    D3DCOLOR Texel(std::uint32_t value) const
    {
        std::uint32_t red = r.Extract(value, 0);
        std::uint32_t green = luminance ? red : g.Extract(value, 0);
        std::uint32_t blue = luminance ? red : b.Extract(value, 0);
        return D3DCOLOR_ARGB(a.Extract(value, 255), red, green, blue);
    }
};

std::uint32_t ReadTexelBits(const std::uint8_t* p, int bytes)
{
    std::uint32_t value = 0;
    for (int i = 0; i < bytes; ++i) {
        value |= static_cast<std::uint32_t>(p[i]) << (8 * i);
    }
    return value;
}

// ---- BMP --------------------------------------------------------------------------------------

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::uint32_t kBiAlphaBitfields = 6;
constexpr std::size_t kBmpFileHeader = 14;

D3DFORMAT BmpFormat(int bitCount, const MaskSet& masks)
{
    if (bitCount <= 8) {
        return kFormatP8;
    }
    if (bitCount == 24) {
        return D3DFMT_R8G8B8;
    }
    if (bitCount == 16) {
        if (masks.a.mask == 0x8000 && masks.r.mask == 0x7C00) {
            return D3DFMT_A1R5G5B5;
        }
        if (masks.a.mask == 0xF000 && masks.r.mask == 0x0F00) {
            return D3DFMT_A4R4G4B4;
        }
        if (masks.r.mask == 0xF800 && masks.g.mask == 0x07E0 && masks.b.mask == 0x001F) {
            return D3DFMT_R5G6B5;
        }
        return D3DFMT_X1R5G5B5;
    }
    return masks.a.mask != 0 ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
}

// Run-length coded palette pixels (RLE8, or RLE4 with `nibbles`), stored bottom row first, into
// `texels` (width x height, top row first) as their palette colours. Texels the runs skip over (a
// delta, an early end of line or of the picture) keep what they held. False for damage: a run or a
// delta leaving the picture, more rows than its height, or the data ending before the picture is
// complete.
bool DecodeRle(const std::uint8_t* p, std::size_t size, std::uint64_t width, std::uint64_t height, bool nibbles,
               const D3DCOLOR* palette, std::vector<D3DCOLOR>& texels)
{
    std::uint64_t x = 0;
    std::uint64_t y = 0;
    std::size_t i = 0;
    auto put = [&](std::uint8_t index) {
        texels[static_cast<std::size_t>((height - 1 - y) * width + x++)] = palette[index];
    };
    while (i + 1 < size) {
        const std::uint8_t count = p[i];
        const std::uint8_t value = p[i + 1];
        i += 2;
        if (count > 0) {
            if (y >= height || x + count > width) {
                return false;
            }
            for (unsigned k = 0; k < count; ++k) {
                put(nibbles ? static_cast<std::uint8_t>(k % 2 == 0 ? value >> 4 : value & 0x0F) : value);
            }
        } else if (value == 0) {  // end of line
            x = 0;
            ++y;
        } else if (value == 1) {  // end of picture
            return true;
        } else if (value == 2) {  // delta: move right and up
            if (i + 1 >= size) {
                return false;
            }
            x += p[i];
            y += p[i + 1];
            i += 2;
            if (x > width || y > height || (y == height && x > 0)) {
                return false;
            }
        } else {  // absolute run of `value` indices, padded to a 16-bit boundary
            const std::size_t bytes = nibbles ? (value + 1u) / 2u : value;
            if (y >= height || x + value > width || bytes > size - i) {
                return false;
            }
            for (unsigned k = 0; k < value; ++k) {
                const std::uint8_t byte = p[i + (nibbles ? k / 2 : k)];
                put(nibbles ? static_cast<std::uint8_t>(k % 2 == 0 ? byte >> 4 : byte & 0x0F) : byte);
            }
            i += bytes + (bytes & 1);
        }
    }
    // Without its end marker the data must at least have closed every row.
    return y >= height;
}

// A decoded BMP's description and texels.
void BmpImageSet(DecodedImage& image, std::uint64_t width, std::uint64_t height, D3DFORMAT format,
                 std::vector<D3DCOLOR> texels)
{
    image.width = static_cast<UINT>(width);
    image.height = static_cast<UINT>(height);
    image.fileFormat = D3DXIFF_BMP;
    image.format = format;
    image.mipLevels = 1;
    image.texels = std::move(texels);
}

}  // namespace

HRESULT TextureDecodeBmp(const std::uint8_t* data, std::size_t size, DecodedImage& image)
{
    if (data == nullptr || size < kBmpFileHeader + 12 || data[0] != 'B' || data[1] != 'M') {
        return D3DXERR_INVALIDDATA;
    }
    LittleEndianReader file(data, size);
    const std::uint32_t pixelOffset = file.Seek(10).U32();
    const std::uint32_t headerSize = file.U32();
    const bool core = headerSize == 12;
    // OS/2 2.x headers may be cut short; the usual short form holds only the size and the bit count.
    const bool shortOs2 = headerSize == 16;
    if (!core && !shortOs2 && headerSize < 40) {
        return D3DXERR_INVALIDDATA;
    }
    if (headerSize > size - kBmpFileHeader) {
        return D3DXERR_INVALIDDATA;
    }
    LittleEndianReader header(data + kBmpFileHeader, headerSize);

    std::int64_t width = 0;
    std::int64_t height = 0;
    int bitCount = 0;
    std::uint32_t compression = kBiRgb;
    std::uint32_t colorsUsed = 0;
    if (core) {
        width = header.Seek(4).U16();
        height = header.U16();
        bitCount = header.Seek(10).U16();
    } else {
        width = header.Seek(4).I32();
        height = header.I32();
        bitCount = header.Seek(14).U16();
        compression = headerSize >= 20 ? header.U32() : kBiRgb;
        colorsUsed = headerSize >= 36 ? header.Seek(32).U32() : 0;
    }
    const bool topDown = height < 0;
    if (topDown) {
        height = -height;
    }
    if (!SizeAllowed(static_cast<std::uint64_t>(std::max<std::int64_t>(width, 0)),
                     static_cast<std::uint64_t>(height))) {
        return D3DXERR_INVALIDDATA;
    }
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32) {
        return D3DXERR_INVALIDDATA;
    }

    // Channel masks: fixed for BI_RGB, read for the bitfield kinds (inside a V2+ header, or after an
    // info header).
    std::size_t afterHeader = kBmpFileHeader + headerSize;
    MaskSet masks{Channel(0x00FF0000), Channel(0x0000FF00), Channel(0x000000FF), Channel(0)};
    if (bitCount == 16) {
        masks = {Channel(0x7C00), Channel(0x03E0), Channel(0x001F), Channel(0)};
    }
    if (compression == kBiBitfields || compression == kBiAlphaBitfields) {
        if (bitCount != 16 && bitCount != 24 && bitCount != 32) {
            return D3DXERR_INVALIDDATA;
        }
        const bool withAlpha = compression == kBiAlphaBitfields;
        // The masks in order red, green, blue, then alpha where there is one.
        LittleEndianReader* maskFields = &header;
        bool alphaFollows = false;
        if (headerSize >= 52) {
            header.Seek(40);
            alphaFollows = headerSize >= 56;
        } else {
            const std::size_t maskCount = withAlpha ? 4 : 3;
            if (size - afterHeader < maskCount * 4) {
                return D3DXERR_INVALIDDATA;
            }
            file.Seek(afterHeader);
            maskFields = &file;
            alphaFollows = withAlpha;
            afterHeader += maskCount * 4;
        }
        const std::uint32_t red = maskFields->U32();
        const std::uint32_t green = maskFields->U32();
        const std::uint32_t blue = maskFields->U32();
        const std::uint32_t alphaMask = alphaFollows ? maskFields->U32() : 0;
        masks = {Channel(red), Channel(green), Channel(blue), Channel(alphaMask)};
    } else if (compression == kBiRle8 || compression == kBiRle4) {
        // Run-length coding: 8-bit pictures with RLE8, 4-bit with RLE4, always bottom-up.
        if (bitCount != (compression == kBiRle8 ? 8 : 4) || topDown) {
            return D3DXERR_INVALIDDATA;
        }
    } else if (compression != kBiRgb) {
        return D3DXERR_INVALIDDATA;  // Huffman, RLE24 and embedded JPEG/PNG bitmaps are not read
    }

    // The palette of a palette image; entries the file leaves out are opaque black.
    D3DCOLOR palette[256];
    std::fill(std::begin(palette), std::end(palette), 0xFF000000u);
    if (bitCount <= 8) {
        const std::uint32_t limit = 1u << bitCount;
        const std::size_t entrySize = core ? 3 : 4;
        // Without a count (always so for core headers) the palette fills the room before the pixels,
        // up to the full size for the bit count. Of a larger palette the entries the bit count can
        // reach are used.
        std::uint32_t count = std::min(colorsUsed, limit);
        if (count == 0) {
            count = limit;
            if (pixelOffset >= afterHeader) {
                count =
                    static_cast<std::uint32_t>(std::min<std::size_t>(limit, (pixelOffset - afterHeader) / entrySize));
            }
        }
        if (afterHeader > size || (size - afterHeader) / entrySize < count) {
            return D3DXERR_INVALIDDATA;
        }
        image.hasPalette = true;
        std::memset(image.palette, 0, sizeof image.palette);
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint8_t* entry = data + afterHeader + i * entrySize;
            palette[i] = D3DCOLOR_ARGB(0xFF, entry[2], entry[1], entry[0]);
            image.palette[i] = PALETTEENTRY{entry[2], entry[1], entry[0], 0xFF};
        }
    }

    const std::uint64_t w = static_cast<std::uint64_t>(width);
    const std::uint64_t h = static_cast<std::uint64_t>(height);
    if (pixelOffset > size) {
        return D3DXERR_INVALIDDATA;
    }
    if (compression == kBiRle8 || compression == kBiRle4) {
        // Texels the runs skip are transparent black.
        std::vector<D3DCOLOR> texels(static_cast<std::size_t>(w * h), 0);
        if (!DecodeRle(data + pixelOffset, size - pixelOffset, w, h, compression == kBiRle4, palette, texels)) {
            return D3DXERR_INVALIDDATA;
        }
        BmpImageSet(image, w, h, BmpFormat(bitCount, masks), std::move(texels));
        return S_OK;
    }
    const std::uint64_t stride = (w * static_cast<std::uint64_t>(bitCount) + 31) / 32 * 4;
    const std::uint64_t lastRow = (w * static_cast<std::uint64_t>(bitCount) + 7) / 8;
    const std::uint64_t needed = stride * (h - 1) + lastRow;
    if (needed > size - pixelOffset) {
        return D3DXERR_INVALIDDATA;
    }

    BmpImageSet(image, w, h, BmpFormat(bitCount, masks), std::vector<D3DCOLOR>(static_cast<std::size_t>(w * h), 0));
    const int bytesPerTexel = bitCount / 8;
    for (std::uint64_t row = 0; row < h; ++row) {
        const std::uint64_t stored = topDown ? row : h - 1 - row;
        const std::uint8_t* src = data + pixelOffset + stored * stride;
        D3DCOLOR* out = image.texels.data() + row * w;
        for (std::uint64_t x = 0; x < w; ++x) {
            if (bitCount <= 8) {
                const std::uint64_t bit = x * static_cast<std::uint64_t>(bitCount);
                const unsigned shift = static_cast<unsigned>(8 - bitCount - static_cast<int>(bit % 8));
                const unsigned index = (src[bit / 8] >> shift) & ((1u << bitCount) - 1);
                out[x] = palette[index];
            } else {
                out[x] = masks.Texel(ReadTexelBits(src + x * bytesPerTexel, bytesPerTexel));
            }
        }
    }
    return S_OK;
}

// ---- DDS --------------------------------------------------------------------------------------

namespace {

constexpr std::size_t kDdsHeaderEnd = 128;  // magic and the 124-byte header
constexpr std::uint32_t kDdsdMipMapCount = 0x00020000u;
constexpr std::uint32_t kDdpfAlphaPixels = 0x1u;
constexpr std::uint32_t kDdpfAlpha = 0x2u;
constexpr std::uint32_t kDdpfFourCc = 0x4u;
constexpr std::uint32_t kDdpfRgb = 0x40u;
constexpr std::uint32_t kDdpfLuminance = 0x20000u;
constexpr std::uint32_t kFourCcDx10 = D3DMAKEFOURCC('D', 'X', '1', '0');
constexpr std::size_t kDx10HeaderSize = 20;

// The pixel format of a DDS file as the decoder reads it: a block format's FourCC, or flags, a texel
// size and channel masks.
struct DdsPixelFormat {
    std::uint32_t flags = 0;
    std::uint32_t fourCc = 0;
    std::uint32_t bitCount = 0;
    std::uint32_t masks[4] = {};  // red (or luminance), green, blue, alpha
};

// The DXGI formats of the extended header that Direct3D 9 formats can hold, as the pixel format of a
// classic header; false for the others.
bool Dx10PixelFormat(std::uint32_t dxgiFormat, DdsPixelFormat& pf)
{
    auto masked = [&pf](std::uint32_t flags, std::uint32_t bits, std::uint32_t r, std::uint32_t g, std::uint32_t b,
                        std::uint32_t a) {
        pf.flags = flags;
        pf.bitCount = bits;
        pf.masks[0] = r;
        pf.masks[1] = g;
        pf.masks[2] = b;
        pf.masks[3] = a;
        return true;
    };
    switch (dxgiFormat) {
    case 70:
    case 71:
    case 72:  // BC1 typeless, UNORM, UNORM_SRGB
        pf.flags = kDdpfFourCc;
        pf.fourCc = D3DFMT_DXT1;
        return true;
    case 73:
    case 74:
    case 75:  // BC2
        pf.flags = kDdpfFourCc;
        pf.fourCc = D3DFMT_DXT3;
        return true;
    case 76:
    case 77:
    case 78:  // BC3
        pf.flags = kDdpfFourCc;
        pf.fourCc = D3DFMT_DXT5;
        return true;
    case 27:
    case 28:
    case 29:  // R8G8B8A8 typeless, UNORM, UNORM_SRGB
        return masked(kDdpfRgb | kDdpfAlphaPixels, 32, 0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000);
    case 87:
    case 90:
    case 91:  // B8G8R8A8 UNORM, typeless, UNORM_SRGB
        return masked(kDdpfRgb | kDdpfAlphaPixels, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000);
    case 88:
    case 92:
    case 93:  // B8G8R8X8 UNORM, typeless, UNORM_SRGB
        return masked(kDdpfRgb, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0);
    case 85:  // B5G6R5
        return masked(kDdpfRgb, 16, 0xF800, 0x07E0, 0x001F, 0);
    case 86:  // B5G5R5A1
        return masked(kDdpfRgb | kDdpfAlphaPixels, 16, 0x7C00, 0x03E0, 0x001F, 0x8000);
    case 65:  // A8
        return masked(kDdpfAlpha, 8, 0, 0, 0, 0xFF);
    case 60:
    case 61:  // R8 typeless, UNORM: read as luminance, as Direct3D 9 holds it
        return masked(kDdpfLuminance, 8, 0xFF, 0, 0, 0);
    default: return false;
    }
}

}  // namespace

HRESULT TextureDecodeDds(const std::uint8_t* data, std::size_t size, DecodedImage& image)
{
    if (data == nullptr || size < kDdsHeaderEnd || std::memcmp(data, "DDS ", 4) != 0) {
        return D3DXERR_INVALIDDATA;
    }
    LittleEndianReader header(data + 4, kDdsHeaderEnd - 4);
    if (header.U32() != 124 || header.Seek(72).U32() != 32) {
        return D3DXERR_INVALIDDATA;
    }
    const std::uint32_t flags = header.Seek(4).U32();
    const std::uint32_t height = header.U32();
    const std::uint32_t width = header.U32();
    const std::uint32_t mipCount = header.Seek(24).U32();
    DdsPixelFormat pf;
    header.Seek(72 + 4);
    pf.flags = header.U32();
    pf.fourCc = header.U32();
    pf.bitCount = header.U32();
    for (int c = 0; c < 4; ++c) {
        pf.masks[c] = header.U32();
    }
    if (!SizeAllowed(width, height)) {
        return D3DXERR_INVALIDDATA;
    }
    // The extended header follows the classic one and names the format by its DXGI number. Texture
    // arrays, cube maps and volumes start with their first picture like the classic files do.
    std::size_t pixelStart = kDdsHeaderEnd;
    if ((pf.flags & kDdpfFourCc) && pf.fourCc == kFourCcDx10) {
        if (size < kDdsHeaderEnd + kDx10HeaderSize ||
            !Dx10PixelFormat(LittleEndianReader(data, size).Seek(kDdsHeaderEnd).U32(), pf)) {
            return D3DXERR_INVALIDDATA;
        }
        pixelStart += kDx10HeaderSize;
    }
    const std::uint32_t pfFlags = pf.flags;
    const std::uint32_t fourCc = pf.fourCc;
    const std::uint32_t bitCount = pf.bitCount;
    const std::uint8_t* pixels = data + pixelStart;
    const std::uint64_t available = size - pixelStart;
    const std::size_t texelCount = static_cast<std::size_t>(width) * height;

    std::vector<D3DCOLOR> texels(texelCount);
    D3DFORMAT format = D3DFMT_UNKNOWN;
    if (pfFlags & kDdpfFourCc) {
        int squishFlags = 0;
        std::uint64_t blockBytes = 16;
        if (fourCc == D3DFMT_DXT1) {
            squishFlags = squish::kDxt1;
            blockBytes = 8;
        } else if (fourCc == kFormatDxt2 || fourCc == D3DFMT_DXT3) {
            squishFlags = squish::kDxt3;
        } else if (fourCc == kFormatDxt4 || fourCc == D3DFMT_DXT5) {
            squishFlags = squish::kDxt5;
        } else {
            return D3DXERR_INVALIDDATA;
        }
        const std::uint64_t blocks = std::uint64_t{(width + 3) / 4} * ((height + 3) / 4);
        if (blocks * blockBytes > available) {
            return D3DXERR_INVALIDDATA;
        }
        std::vector<std::uint8_t> rgba(texelCount * 4);
        DxtDecodeImage(rgba.data(), static_cast<int>(width), static_cast<int>(height), pixels, squishFlags);
        for (std::size_t i = 0; i < texelCount; ++i) {
            texels[i] = D3DCOLOR_ARGB(rgba[i * 4 + 3], rgba[i * 4], rgba[i * 4 + 1], rgba[i * 4 + 2]);
        }
        format = static_cast<D3DFORMAT>(fourCc);
    } else if (pfFlags & (kDdpfRgb | kDdpfLuminance | kDdpfAlpha)) {
        if (bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32) {
            return D3DXERR_INVALIDDATA;
        }
        const bool hasAlpha = (pfFlags & (kDdpfAlphaPixels | kDdpfAlpha)) != 0;
        // Mask bits beyond the texel size mean nothing. A luminance whose mask is then empty (some
        // writers leave it 0 or give a wider one) is the low byte of the texel.
        const std::uint32_t texelBits = bitCount >= 32 ? 0xFFFFFFFFu : (1u << bitCount) - 1;
        std::uint32_t red = pf.masks[0] & texelBits;
        const std::uint32_t alpha = hasAlpha ? pf.masks[3] & texelBits : 0;
        if ((pfFlags & kDdpfLuminance) && (red == 0 || (red & alpha) != 0)) {
            red = 0xFFu & ~alpha;
        }
        MaskSet masks{Channel(red), Channel(pf.masks[1] & texelBits), Channel(pf.masks[2] & texelBits), Channel(alpha)};
        masks.luminance = (pfFlags & kDdpfLuminance) != 0;
        const int bytesPerTexel = static_cast<int>(bitCount / 8);
        if (static_cast<std::uint64_t>(texelCount) * static_cast<std::uint64_t>(bytesPerTexel) > available) {
            return D3DXERR_INVALIDDATA;
        }
        for (std::size_t i = 0; i < texelCount; ++i) {
            texels[i] = masks.Texel(ReadTexelBits(pixels + i * bytesPerTexel, bytesPerTexel));
        }
        if (masks.luminance) {
            format = hasAlpha ? kFormatA8L8 : kFormatL8;
        } else if (pfFlags & kDdpfAlpha && masks.r.mask == 0) {
            format = D3DFMT_A8;
        } else if (bitCount == 24) {
            format = D3DFMT_R8G8B8;
        } else if (bitCount == 32) {
            const bool bgr = masks.r.mask == 0x000000FF;
            format = hasAlpha ? (bgr ? kFormatA8B8G8R8 : D3DFMT_A8R8G8B8) : (bgr ? kFormatX8B8G8R8 : D3DFMT_X8R8G8B8);
        } else {
            format = masks.g.mask == 0x07E0   ? D3DFMT_R5G6B5
                     : masks.a.mask == 0xF000 ? D3DFMT_A4R4G4B4
                     : hasAlpha               ? D3DFMT_A1R5G5B5
                                              : D3DFMT_X1R5G5B5;
        }
    } else {
        return D3DXERR_INVALIDDATA;
    }

    image.width = width;
    image.height = height;
    image.texels = std::move(texels);
    image.fileFormat = D3DXIFF_DDS;
    image.format = format;
    image.mipLevels = (flags & kDdsdMipMapCount) && mipCount > 0 ? mipCount : 1;
    image.hasPalette = false;
    return S_OK;
}

// ---- PNG, TGA, JPEG ---------------------------------------------------------------------------

namespace {

// stb_image reads the missing end of a TGA file as zero bytes, so a header of a few bytes could
// claim a picture of 256 megatexels. The file must hold at least the bytes its pixels need: all of
// them uncompressed, one packet of at most 128 pixels for each run-length coded part.
bool TgaHoldsPixels(const std::uint8_t* data, std::size_t size, int width, int height)
{
    if (size < 18) {
        return false;
    }
    const std::uint64_t pixels = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
    const std::uint64_t pixelBytes = (data[16] + 7u) / 8u;
    const std::uint64_t mapLength = LittleEndianReader(data, size).Seek(5).U16();
    const std::uint64_t mapBytes = data[1] != 0 ? mapLength * ((data[7] + 7u) / 8u) : 0;
    const std::uint64_t header = 18u + data[0] + mapBytes;
    const std::uint8_t type = data[2];
    std::uint64_t needed = header;
    if (type >= 9) {
        needed += (pixels + 127) / 128 * (1 + pixelBytes);
    } else {
        needed += pixels * pixelBytes;
    }
    return size >= needed;
}

// libjpeg decodes a progressive JPEG over the whole picture once per scan, and nothing in the format
// bounds the scans: a file of a few hundred kilobytes repeating one small scan thousands of times
// keeps the decoder busy for a minute, and libjpeg only warns about the repeats. The progressive
// scripts of the encoders write 10 scans for colour pictures, 6 for grey ones; libjpeg-turbo's own
// fuzzing stops at 100, ten times that, which is the bound here.
constexpr int kJpegMaxScans = 100;

// The start-of-scan markers of a JPEG file (from its start marker), as libjpeg meets them: a marker
// segment is passed over by its length, so nothing inside it is taken for a marker; the bytes outside
// segments (the entropy-coded data after each scan header, stray bytes before a marker) are read one
// by one, where 0xFF 0x00 is a coded 0xFF byte, 0xFF 0xFF a fill byte, and the restart markers have
// no length. Counting stops at the end marker, or once past `limit`.
int JpegScanCount(const std::uint8_t* data, std::size_t size, int limit)
{
    int scans = 0;
    std::size_t at = 2;
    while (at + 1 < size && scans <= limit) {
        const std::uint8_t code = data[at + 1];
        if (data[at] != 0xFF || code == 0xFF) {
            ++at;
        } else if (code == 0x00 || code == 0x01 || (code >= 0xD0 && code <= 0xD8)) {
            at += 2;  // a coded 0xFF, TEM, RST0..RST7 or a repeated start marker
        } else if (code == 0xD9) {
            break;
        } else if (at + 3 < size) {
            if (code == 0xDA) {
                ++scans;
            }
            // The length counts its own two bytes; libjpeg reads a shorter one as just those.
            at += 2 + std::max<std::size_t>((std::size_t{data[at + 2]} << 8) | data[at + 3], 2);
        } else {
            break;
        }
    }
    return scans;
}

// JPEG through libjpeg-turbo: baseline, progressive and arithmetic coded, grey, YCbCr and RGB.
// Damage that libjpeg only warns about (extraneous bytes before a marker, a premature end of the
// entropy data) leaves a picture, which is taken as libjpeg gives it; errors refuse the file, and so
// do more scans than kJpegMaxScans, before any decoding.
HRESULT DecodeJpeg(const std::uint8_t* data, std::size_t size, DecodedImage& image)
{
    if (JpegScanCount(data, size, kJpegMaxScans) > kJpegMaxScans) {
        return D3DXERR_INVALIDDATA;
    }
    tjhandle handle = tjInitDecompress();
    if (handle == nullptr) {
        return E_OUTOFMEMORY;
    }
    auto* bytes = const_cast<unsigned char*>(data);
    const auto length = static_cast<unsigned long>(size);
    int width = 0;
    int height = 0;
    int subsampling = 0;
    int colourspace = 0;
    HRESULT result = D3DXERR_INVALIDDATA;
    const bool header = tjDecompressHeader3(handle, bytes, length, &width, &height, &subsampling, &colourspace) == 0 ||
                        tjGetErrorCode(handle) == TJERR_WARNING;
    if (header &&
        SizeAllowed(static_cast<std::uint64_t>(std::max(width, 0)), static_cast<std::uint64_t>(std::max(height, 0)))) {
        std::vector<D3DCOLOR> texels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
        // BGRA bytes in memory are the little-endian D3DCOLOR 0xAARRGGBB; libjpeg writes alpha 255.
        const int decoded = tjDecompress2(handle, bytes, length, reinterpret_cast<unsigned char*>(texels.data()), width,
                                          width * 4, height, TJPF_BGRA, 0);
        if (decoded == 0 || tjGetErrorCode(handle) == TJERR_WARNING) {
            image.texels = std::move(texels);
            image.width = static_cast<UINT>(width);
            image.height = static_cast<UINT>(height);
            image.fileFormat = D3DXIFF_JPG;
            image.format = D3DFMT_X8R8G8B8;
            image.mipLevels = 1;
            image.hasPalette = false;
            result = S_OK;
        }
    }
    tjDestroy(handle);
    return result;
}

}  // namespace

HRESULT TextureDecodeStb(const std::uint8_t* data, std::size_t size, DecodedImage& image)
{
    if (data == nullptr || size == 0 || size > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        return D3DXERR_INVALIDDATA;
    }
    // stb_image takes a file for JPEG when fill bytes 0xFF lead to the start marker.
    std::size_t startMarker = 0;
    while (startMarker < size && data[startMarker] == 0xFF) {
        ++startMarker;
    }
    const bool jpeg = startMarker > 0 && startMarker < size && data[startMarker] == 0xD8;
    if (jpeg) {
        // libjpeg wants the start marker first: fill bytes before it are passed over.
        return DecodeJpeg(data + startMarker - 1, size - startMarker + 1, image);
    }
    const bool png = size >= 8 && std::memcmp(data, "\x89PNG\r\n\x1a\n", 8) == 0;
    const int length = static_cast<int>(size);
    int width = 0;
    int height = 0;
    int components = 0;
    if (!stbi_info_from_memory(data, length, &width, &height, &components) ||
        !SizeAllowed(static_cast<std::uint64_t>(std::max(width, 0)), static_cast<std::uint64_t>(std::max(height, 0)))) {
        return D3DXERR_INVALIDDATA;
    }
    if (!png && !TgaHoldsPixels(data, size, width, height)) {
        return D3DXERR_INVALIDDATA;
    }
    stbi_uc* rgba = stbi_load_from_memory(data, length, &width, &height, &components, 4);
    if (rgba == nullptr) {
        return D3DXERR_INVALIDDATA;
    }
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    image.texels.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        image.texels[i] = D3DCOLOR_ARGB(rgba[i * 4 + 3], rgba[i * 4], rgba[i * 4 + 1], rgba[i * 4 + 2]);
    }
    stbi_image_free(rgba);

    image.width = static_cast<UINT>(width);
    image.height = static_cast<UINT>(height);
    image.fileFormat = png ? D3DXIFF_PNG : D3DXIFF_TGA;
    const bool alpha = components == 2 || components == 4;
    image.format = alpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    image.mipLevels = 1;
    image.hasPalette = false;
    return S_OK;
}

HRESULT TextureDecodeImage(const std::uint8_t* data, std::size_t size, DecodedImage& image)
{
    if (data == nullptr || size < 4) {
        return D3DXERR_INVALIDDATA;
    }
    if (data[0] == 'B' && data[1] == 'M') {
        return TextureDecodeBmp(data, size, image);
    }
    if (std::memcmp(data, "DDS ", 4) == 0) {
        return TextureDecodeDds(data, size, image);
    }
    return TextureDecodeStb(data, size, image);
}

// ---- Picture operations -----------------------------------------------------------------------

void TextureApplyColorKey(std::vector<D3DCOLOR>& texels, D3DCOLOR colorKey)
{
    if (colorKey == 0) {
        return;
    }
    for (D3DCOLOR& texel : texels) {
        if (texel == colorKey) {
            texel = 0;
        }
    }
}

std::vector<D3DCOLOR> TextureResample(const std::vector<D3DCOLOR>& texels, UINT width, UINT height, UINT newWidth,
                                      UINT newHeight, DWORD filter)
{
    std::vector<D3DCOLOR> out(static_cast<std::size_t>(newWidth) * newHeight, 0);
    if (width == 0 || height == 0) {
        return out;
    }
    const DWORD kind = filter & 0xFF;
    if (kind == D3DX_FILTER_NONE) {
        for (UINT y = 0; y < std::min(height, newHeight); ++y) {
            std::copy_n(texels.begin() + static_cast<std::ptrdiff_t>(y) * width, std::min(width, newWidth),
                        out.begin() + static_cast<std::ptrdiff_t>(y) * newWidth);
        }
        return out;
    }
    if (kind == D3DX_FILTER_POINT) {
        for (UINT y = 0; y < newHeight; ++y) {
            const std::uint64_t sy = std::uint64_t{y} * height / newHeight;
            for (UINT x = 0; x < newWidth; ++x) {
                const std::uint64_t sx = std::uint64_t{x} * width / newWidth;
                out[std::size_t{y} * newWidth + x] = texels[sy * width + sx];
            }
        }
        return out;
    }
    // Bilinear: texel centres of the new picture mapped onto the old one, edges clamped.
    const double scaleX = static_cast<double>(width) / newWidth;
    const double scaleY = static_cast<double>(height) / newHeight;
    for (UINT y = 0; y < newHeight; ++y) {
        const double fy = std::clamp((y + 0.5) * scaleY - 0.5, 0.0, static_cast<double>(height - 1));
        const UINT y0 = static_cast<UINT>(fy);
        const UINT y1 = std::min(y0 + 1, height - 1);
        const double ty = fy - y0;
        for (UINT x = 0; x < newWidth; ++x) {
            const double fx = std::clamp((x + 0.5) * scaleX - 0.5, 0.0, static_cast<double>(width - 1));
            const UINT x0 = static_cast<UINT>(fx);
            const UINT x1 = std::min(x0 + 1, width - 1);
            const double tx = fx - x0;
            const D3DCOLOR c00 = texels[std::size_t{y0} * width + x0];
            const D3DCOLOR c01 = texels[std::size_t{y0} * width + x1];
            const D3DCOLOR c10 = texels[std::size_t{y1} * width + x0];
            const D3DCOLOR c11 = texels[std::size_t{y1} * width + x1];
            D3DCOLOR result = 0;
            for (int shift = 0; shift < 32; shift += 8) {
                const double top = ((c00 >> shift) & 0xFF) * (1 - tx) + ((c01 >> shift) & 0xFF) * tx;
                const double bottom = ((c10 >> shift) & 0xFF) * (1 - tx) + ((c11 >> shift) & 0xFF) * tx;
                const auto value = static_cast<std::uint32_t>(std::lround(top * (1 - ty) + bottom * ty));
                result |= std::min<std::uint32_t>(value, 255) << shift;
            }
            out[std::size_t{y} * newWidth + x] = result;
        }
    }
    return out;
}

UINT TextureFullMipCount(UINT width, UINT height)
{
    UINT side = std::max(width, height);
    UINT levels = 1;
    while (side > 1) {
        side >>= 1;
        ++levels;
    }
    return levels;
}
