// Image files built byte by byte in memory for the texture tests: BMP in every header and pixel
// layout the decoder reads, DDS with compressed or mask-described texels.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

inline void Put16(std::string& out, std::uint32_t v)
{
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}

inline void Put32(std::string& out, std::uint32_t v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

struct BmpSpec {
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
inline std::string MakeBmp(const BmpSpec& spec, const std::function<std::uint32_t(int, int)>& texel)
{
    std::string header;
    const bool core = spec.headerSize == 12;
    Put32(header, spec.headerSize);
    if (core) {
        Put16(header, static_cast<std::uint32_t>(spec.width));
        Put16(header, static_cast<std::uint32_t>(spec.height));
        Put16(header, 1);
        Put16(header, static_cast<std::uint32_t>(spec.bitCount));
    } else {
        Put32(header, static_cast<std::uint32_t>(spec.width));
        Put32(header, static_cast<std::uint32_t>(spec.topDown ? -spec.height : spec.height));
        Put16(header, 1);
        Put16(header, static_cast<std::uint32_t>(spec.bitCount));
        Put32(header, spec.compression);
        Put32(header, 0);  // image size
        Put32(header, 2835);
        Put32(header, 2835);
        Put32(header, static_cast<std::uint32_t>(spec.palette.size()));
        Put32(header, 0);
        if (spec.headerSize >= 52) {
            for (int i = 0; i < (spec.headerSize >= 56 ? 4 : 3); ++i) {
                Put32(header, spec.masks[i]);
            }
        }
        header.resize(spec.headerSize, '\0');
        if (spec.headerSize == 40 && (spec.compression == 3 || spec.compression == 6)) {
            for (int i = 0; i < (spec.compression == 6 ? 4 : 3); ++i) {
                Put32(header, spec.masks[i]);
            }
        }
    }
    for (std::uint32_t entry : spec.palette) {
        header += static_cast<char>(entry & 0xFF);
        header += static_cast<char>((entry >> 8) & 0xFF);
        header += static_cast<char>((entry >> 16) & 0xFF);
        if (!core) {
            header += '\0';
        }
    }

    const std::size_t stride = (static_cast<std::size_t>(spec.width) * spec.bitCount + 31) / 32 * 4;
    std::string pixels;
    for (int stored = 0; stored < spec.height; ++stored) {
        const int y = spec.topDown ? stored : spec.height - 1 - stored;
        std::string row(stride, '\0');
        for (int x = 0; x < spec.width; ++x) {
            const std::uint32_t value = texel(x, y);
            if (spec.bitCount < 8) {
                const std::size_t bit = static_cast<std::size_t>(x) * spec.bitCount;
                row[bit / 8] = static_cast<char>(static_cast<unsigned char>(row[bit / 8]) |
                                                 (value << (8 - spec.bitCount - bit % 8)));
            } else {
                for (int b = 0; b < spec.bitCount / 8; ++b) {
                    row[static_cast<std::size_t>(x) * (spec.bitCount / 8) + b] =
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

inline std::string MakeDds(const DdsSpec& spec, const std::string& payload)
{
    std::string file = "DDS ";
    Put32(file, 124);
    Put32(file, 0x1007 | (spec.mipCount ? 0x20000u : 0u));
    Put32(file, spec.height);
    Put32(file, spec.width);
    Put32(file, 0);  // pitch or linear size
    Put32(file, 0);  // depth
    Put32(file, spec.mipCount);
    file.append(44, '\0');
    Put32(file, 32);
    Put32(file, spec.pfFlags);
    std::string fourCc = spec.fourCc;
    fourCc.resize(4, '\0');
    file += (spec.pfFlags & kDdpfFourCc) ? fourCc : std::string(4, '\0');
    Put32(file, spec.bitCount);
    for (std::uint32_t mask : spec.masks) {
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
