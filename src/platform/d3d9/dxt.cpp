#include "platform/d3d9/dxt.h"

#include <squish.h>

#include <cstring>

namespace {

int BlockBytes(int flags)
{
    return (flags & (squish::kDxt1 | squish::kBc4)) != 0 ? 8 : 16;
}

}  // namespace

void DxtDecodeImage(std::uint8_t* rgba, int width, int height, const void* blocks, int flags)
{
    const auto* block = static_cast<const std::uint8_t*>(blocks);
    const int step = BlockBytes(flags);
    for (int y = 0; y < height; y += 4) {
        for (int x = 0; x < width; x += 4) {
            std::uint8_t pixels[16 * 4];
            squish::Decompress(pixels, block, flags);
            for (int py = 0; py < 4 && y + py < height; ++py) {
                const int count = x + 4 <= width ? 4 : width - x;
                std::memcpy(rgba + (static_cast<std::size_t>(y + py) * width + x) * 4, pixels + py * 16,
                            static_cast<std::size_t>(count) * 4);
            }
            block += step;
        }
    }
}

void DxtEncodeImage(const std::uint8_t* rgba, int width, int height, void* blocks, int flags)
{
    auto* block = static_cast<std::uint8_t*>(blocks);
    const int step = BlockBytes(flags);
    for (int y = 0; y < height; y += 4) {
        for (int x = 0; x < width; x += 4) {
            std::uint8_t pixels[16 * 4] = {};
            int mask = 0;
            for (int py = 0; py < 4; ++py) {
                for (int px = 0; px < 4; ++px) {
                    if (x + px >= width || y + py >= height) {
                        continue;
                    }
                    std::memcpy(pixels + (py * 4 + px) * 4,
                                rgba + (static_cast<std::size_t>(y + py) * width + x + px) * 4, 4);
                    mask |= 1 << (py * 4 + px);
                }
            }
            squish::CompressMasked(pixels, mask, block, flags);
            block += step;
        }
    }
}
