// Image files built byte by byte in memory for the texture tests: BMP in every header and pixel
// layout the decoder reads, DDS with compressed or mask-described texels.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/win/little_endian.h"

inline void Put16(std::string& out, std::uint32_t v)
{
    LittleEndianWriter(out).U16(static_cast<std::uint16_t>(v));
}

inline void Put32(std::string& out, std::uint32_t v)
{
    LittleEndianWriter(out).U32(v);
}

struct BmpLayout {
    int width = 1;
    int height = 1;
    int bitCount = 24;
    std::uint32_t compression = 0;   // 0 BI_RGB, 3 BI_BITFIELDS, 6 BI_ALPHABITFIELDS
    std::uint32_t headerSize = 40;   // 12 core, 40 info, 56 V3, 108 V4, 124 V5
    bool topDown = false;
    std::uint32_t masks[4] = {};     // red, green, blue, alpha for the bitfield kinds
    std::vector<std::uint32_t> palette;  // 0x00RRGGBB entries
};

// `texel(x, y)` (y from the top) gives the stored bits of the texel: a palette index, or the 16/24/32
// bits as they are written little-endian.
inline std::string MakeBmp(const BmpLayout& layout, const std::function<std::uint32_t(int, int)>& texel)
{
    std::string header;
    const bool core = layout.headerSize == 12;
    Put32(header, layout.headerSize);
    if (core) {
        Put16(header, static_cast<std::uint32_t>(layout.width));
        Put16(header, static_cast<std::uint32_t>(layout.height));
        Put16(header, 1);
        Put16(header, static_cast<std::uint32_t>(layout.bitCount));
    } else {
        Put32(header, static_cast<std::uint32_t>(layout.width));
        Put32(header, static_cast<std::uint32_t>(layout.topDown ? -layout.height : layout.height));
        Put16(header, 1);
        Put16(header, static_cast<std::uint32_t>(layout.bitCount));
        Put32(header, layout.compression);
        Put32(header, 0);  // image size
        Put32(header, 2835);
        Put32(header, 2835);
        Put32(header, static_cast<std::uint32_t>(layout.palette.size()));
        Put32(header, 0);
        if (layout.headerSize >= 52) {
            for (int i = 0; i < (layout.headerSize >= 56 ? 4 : 3); ++i) {
                Put32(header, layout.masks[i]);
            }
        }
        header.resize(layout.headerSize, '\0');
        if (layout.headerSize == 40 && (layout.compression == 3 || layout.compression == 6)) {
            for (int i = 0; i < (layout.compression == 6 ? 4 : 3); ++i) {
                Put32(header, layout.masks[i]);
            }
        }
    }
    for (std::uint32_t entry : layout.palette) {
        header += static_cast<char>(entry & 0xFF);
        header += static_cast<char>((entry >> 8) & 0xFF);
        header += static_cast<char>((entry >> 16) & 0xFF);
        if (!core) {
            header += '\0';
        }
    }

    const std::size_t stride = (static_cast<std::size_t>(layout.width) * layout.bitCount + 31) / 32 * 4;
    std::string pixels;
    for (int stored = 0; stored < layout.height; ++stored) {
        const int y = layout.topDown ? stored : layout.height - 1 - stored;
        std::string row(stride, '\0');
        for (int x = 0; x < layout.width; ++x) {
            const std::uint32_t value = texel(x, y);
            if (layout.bitCount < 8) {
                const std::size_t bit = static_cast<std::size_t>(x) * layout.bitCount;
                row[bit / 8] = static_cast<char>(static_cast<unsigned char>(row[bit / 8]) |
                                                 (value << (8 - layout.bitCount - bit % 8)));
            } else {
                for (int b = 0; b < layout.bitCount / 8; ++b) {
                    row[static_cast<std::size_t>(x) * (layout.bitCount / 8) + b] =
                        static_cast<char>((value >> (8 * b)) & 0xFF);
                }
            }
        }
        pixels += row;
    }

    std::string file = "BM";
    Put32(file, static_cast<std::uint32_t>(14 + header.size() + pixels.size()));
    Put32(file, 0);
    Put32(file, static_cast<std::uint32_t>(14 + header.size()));
    return file + header + pixels;
}

constexpr std::uint32_t kDdpfAlphaPixels = 0x1;
constexpr std::uint32_t kDdpfAlpha = 0x2;
constexpr std::uint32_t kDdpfFourCc = 0x4;
constexpr std::uint32_t kDdpfRgb = 0x40;
constexpr std::uint32_t kDdpfLuminance = 0x20000;

struct DdsSpec {
    std::uint32_t width = 4;
    std::uint32_t height = 4;
    std::uint32_t pfFlags = kDdpfFourCc;
    std::string fourCc = "DXT1";
    std::uint32_t bitCount = 0;
    std::uint32_t masks[4] = {};  // red, green, blue, alpha
    std::uint32_t mipCount = 0;   // 0: no mip count in the header
};

inline std::string MakeDds(const DdsSpec& layout, const std::string& payload)
{
    std::string file = "DDS ";
    Put32(file, 124);
    Put32(file, 0x1007 | (layout.mipCount ? 0x20000u : 0u));
    Put32(file, layout.height);
    Put32(file, layout.width);
    Put32(file, 0);  // pitch or linear size
    Put32(file, 0);  // depth
    Put32(file, layout.mipCount);
    file.append(44, '\0');
    Put32(file, 32);
    Put32(file, layout.pfFlags);
    std::string fourCc = layout.fourCc;
    fourCc.resize(4, '\0');
    file += (layout.pfFlags & kDdpfFourCc) ? fourCc : std::string(4, '\0');
    Put32(file, layout.bitCount);
    for (std::uint32_t mask : layout.masks) {
        Put32(file, mask);
    }
    Put32(file, 0x1000);  // caps: texture
    file.append(16, '\0');
    return file + payload;
}

// A DXT colour block: two 5:6:5 end points and 2-bit indices, texel 0 in the lowest bits.
inline std::string DxtColourBlock(std::uint32_t colour0, std::uint32_t colour1, std::uint32_t indices)
{
    std::string block;
    Put16(block, colour0);
    Put16(block, colour1);
    Put32(block, indices);
    return block;
}

// Every texel of a row of four the same 2-bit index.
constexpr std::uint32_t RowIndices(int row, std::uint32_t index)
{
    return (index * 0x55u) << (8 * row);
}
