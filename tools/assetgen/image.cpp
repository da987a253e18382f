#include "image.h"

#include <squish.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>

// The game's own little-endian writer; it needs nothing of the game.
#include "platform/win/little_endian.h"

namespace {

float Clamp01(float v)
{
    return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
}

std::uint8_t Byte(float v)
{
    return static_cast<std::uint8_t>(std::lround(Clamp01(v) * 255.0f));
}

// Coverage of a texel whose centre lies `distance` outside an edge (negative: inside).
float Coverage(float distance)
{
    return Clamp01(0.5f - distance);
}

// The picture as bytes R, G, B, A row by row from the top.
std::vector<std::uint8_t> RgbaBytes(const Image& image)
{
    std::vector<std::uint8_t> rgba;
    rgba.reserve(static_cast<std::size_t>(image.Width()) * image.Height() * 4);
    for (int y = 0; y < image.Height(); ++y) {
        for (int x = 0; x < image.Width(); ++x) {
            const Rgba& t = image.At(x, y);
            rgba.insert(rgba.end(), {Byte(t.r), Byte(t.g), Byte(t.b), Byte(t.a)});
        }
    }
    return rgba;
}

// 5x7 glyphs, one byte per row, bit 4 the leftmost column.
struct Glyph {
    char c;
    std::uint8_t rows[7];
};

constexpr Glyph kGlyphs[] = {
    {'A', {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}}, {'B', {0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E}},
    {'C', {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E}}, {'D', {0x1E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x1E}},
    {'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}}, {'F', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10}},
    {'G', {0x0E, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0F}}, {'H', {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'I', {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}}, {'J', {0x07, 0x02, 0x02, 0x02, 0x02, 0x12, 0x0C}},
    {'K', {0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11}}, {'L', {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}},
    {'M', {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11}}, {'N', {0x11, 0x11, 0x19, 0x15, 0x13, 0x11, 0x11}},
    {'O', {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}}, {'P', {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10}},
    {'Q', {0x0E, 0x11, 0x11, 0x11, 0x15, 0x12, 0x0D}}, {'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}},
    {'S', {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}}, {'T', {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}},
    {'U', {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}}, {'V', {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04}},
    {'W', {0x11, 0x11, 0x11, 0x15, 0x15, 0x15, 0x0A}}, {'X', {0x11, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x11}},
    {'Y', {0x11, 0x11, 0x0A, 0x04, 0x04, 0x04, 0x04}}, {'Z', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x10, 0x1F}},
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}}, {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}}, {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}}, {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}}, {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}}, {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {':', {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}}, {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}},
    {'-', {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}}, {'%', {0x18, 0x19, 0x02, 0x04, 0x08, 0x13, 0x03}},
    {'/', {0x01, 0x01, 0x02, 0x04, 0x08, 0x10, 0x10}}, {'!', {0x04, 0x04, 0x04, 0x04, 0x04, 0x00, 0x04}},
    {'+', {0x00, 0x04, 0x04, 0x1F, 0x04, 0x04, 0x00}}, {' ', {0, 0, 0, 0, 0, 0, 0}},
};

const Glyph* FindGlyph(char c)
{
    for (const Glyph& g : kGlyphs) {
        if (g.c == c) {
            return &g;
        }
    }
    return nullptr;
}

std::uint32_t Hash(std::int32_t x, std::int32_t y, std::uint32_t seed)
{
    std::uint32_t h =
        static_cast<std::uint32_t>(x) * 0x8DA6B343u ^ static_cast<std::uint32_t>(y) * 0xD8163841u ^ seed * 0xCB1AB31Fu;
    h ^= h >> 13;
    h *= 0x5BD1E995u;
    h ^= h >> 15;
    return h;
}

float Smooth(float t)
{
    return t * t * (3.0f - 2.0f * t);
}

}  // namespace

Rgba Mix(const Rgba& a, const Rgba& b, float t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

Rgba RgbHex(std::uint32_t rgb, float alpha)
{
    return {static_cast<float>((rgb >> 16) & 0xFFu) / 255.0f, static_cast<float>((rgb >> 8) & 0xFFu) / 255.0f,
            static_cast<float>(rgb & 0xFFu) / 255.0f, alpha};
}

Image::Image(int width, int height, Rgba fill)
    : width_(width), height_(height), texels_(static_cast<std::size_t>(width) * height, fill)
{
}

void Image::Set(int x, int y, const Rgba& colour)
{
    if (x >= 0 && y >= 0 && x < width_ && y < height_) {
        At(x, y) = colour;
    }
}

void Image::Blend(int x, int y, const Rgba& colour, float coverage)
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_) {
        return;
    }
    const float a = Clamp01(colour.a * coverage);
    if (a <= 0.0f) {
        return;
    }
    Rgba& d = At(x, y);
    const float outA = a + d.a * (1.0f - a);
    if (outA <= 0.0f) {
        d = {};
        return;
    }
    d.r = (colour.r * a + d.r * d.a * (1.0f - a)) / outA;
    d.g = (colour.g * a + d.g * d.a * (1.0f - a)) / outA;
    d.b = (colour.b * a + d.b * d.a * (1.0f - a)) / outA;
    d.a = outA;
}

void Image::FillRect(float x0, float y0, float x1, float y1, const Rgba& colour)
{
    FillRoundRect(x0, y0, x1, y1, 0.0f, colour);
}

void Image::FillRoundRect(float x0, float y0, float x1, float y1, float radius, const Rgba& colour)
{
    const float cx = (x0 + x1) * 0.5f, cy = (y0 + y1) * 0.5f;
    const float hx = (x1 - x0) * 0.5f, hy = (y1 - y0) * 0.5f;
    for (int y = std::max(0, static_cast<int>(y0) - 1); y <= std::min(height_ - 1, static_cast<int>(y1) + 1); ++y) {
        for (int x = std::max(0, static_cast<int>(x0) - 1); x <= std::min(width_ - 1, static_cast<int>(x1) + 1); ++x) {
            // Signed distance to a rounded box, measured at the texel centre.
            const float qx = std::fabs(x + 0.5f - cx) - hx + radius;
            const float qy = std::fabs(y + 0.5f - cy) - hy + radius;
            const float outside = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f));
            const float inside = std::min(std::max(qx, qy), 0.0f);
            Blend(x, y, colour, Coverage(outside + inside - radius));
        }
    }
}

void Image::FillCircle(float cx, float cy, float radius, const Rgba& colour)
{
    for (int y = std::max(0, static_cast<int>(cy - radius) - 1);
         y <= std::min(height_ - 1, static_cast<int>(cy + radius) + 1); ++y) {
        for (int x = std::max(0, static_cast<int>(cx - radius) - 1);
             x <= std::min(width_ - 1, static_cast<int>(cx + radius) + 1); ++x) {
            Blend(x, y, colour, Coverage(std::hypot(x + 0.5f - cx, y + 0.5f - cy) - radius));
        }
    }
}

void Image::Ring(float cx, float cy, float radius, float width, const Rgba& colour)
{
    const float outer = radius + width * 0.5f;
    for (int y = std::max(0, static_cast<int>(cy - outer) - 1);
         y <= std::min(height_ - 1, static_cast<int>(cy + outer) + 1); ++y) {
        for (int x = std::max(0, static_cast<int>(cx - outer) - 1);
             x <= std::min(width_ - 1, static_cast<int>(cx + outer) + 1); ++x) {
            const float d = std::fabs(std::hypot(x + 0.5f - cx, y + 0.5f - cy) - radius) - width * 0.5f;
            Blend(x, y, colour, Coverage(d));
        }
    }
}

void Image::Line(float x0, float y0, float x1, float y1, float width, const Rgba& colour)
{
    const float dx = x1 - x0, dy = y1 - y0;
    const float lengthSq = std::max(dx * dx + dy * dy, 1e-6f);
    const float half = width * 0.5f;
    const int minX = std::max(0, static_cast<int>(std::min(x0, x1) - half) - 1);
    const int maxX = std::min(width_ - 1, static_cast<int>(std::max(x0, x1) + half) + 1);
    const int minY = std::max(0, static_cast<int>(std::min(y0, y1) - half) - 1);
    const int maxY = std::min(height_ - 1, static_cast<int>(std::max(y0, y1) + half) + 1);
    for (int y = minY; y <= maxY; ++y) {
        for (int x = minX; x <= maxX; ++x) {
            const float px = x + 0.5f - x0, py = y + 0.5f - y0;
            const float t = Clamp01((px * dx + py * dy) / lengthSq);
            Blend(x, y, colour, Coverage(std::hypot(px - t * dx, py - t * dy) - half));
        }
    }
}

void Image::FillPolygon(const std::vector<float>& xy, const Rgba& colour)
{
    const std::size_t n = xy.size() / 2;
    if (n < 3) {
        return;
    }
    float minX = xy[0], maxX = xy[0], minY = xy[1], maxY = xy[1];
    for (std::size_t i = 1; i < n; ++i) {
        minX = std::min(minX, xy[2 * i]);
        maxX = std::max(maxX, xy[2 * i]);
        minY = std::min(minY, xy[2 * i + 1]);
        maxY = std::max(maxY, xy[2 * i + 1]);
    }
    // Even-odd rule at 4x4 samples per texel.
    for (int y = std::max(0, static_cast<int>(minY)); y <= std::min(height_ - 1, static_cast<int>(maxY)); ++y) {
        for (int x = std::max(0, static_cast<int>(minX)); x <= std::min(width_ - 1, static_cast<int>(maxX)); ++x) {
            int hits = 0;
            for (int s = 0; s < 16; ++s) {
                const float px = x + (static_cast<float>(s % 4) + 0.5f) / 4.0f;
                const float py = y + (static_cast<float>(s / 4) + 0.5f) / 4.0f;
                bool in = false;
                for (std::size_t i = 0, j = n - 1; i < n; j = i++) {
                    const float xi = xy[2 * i], yi = xy[2 * i + 1], xj = xy[2 * j], yj = xy[2 * j + 1];
                    if ((yi > py) != (yj > py) && px < (xj - xi) * (py - yi) / (yj - yi) + xi) {
                        in = !in;
                    }
                }
                hits += in ? 1 : 0;
            }
            Blend(x, y, colour, static_cast<float>(hits) / 16.0f);
        }
    }
}

float Image::TextWidth(const std::string& text, float scale)
{
    return text.empty() ? 0.0f : (static_cast<float>(text.size()) * 6.0f - 1.0f) * scale;
}

void Image::Text(float x, float y, const std::string& text, float scale, const Rgba& colour)
{
    float penX = x;
    for (char c : text) {
        if (const Glyph* g = FindGlyph(c)) {
            for (int row = 0; row < 7; ++row) {
                for (int col = 0; col < 5; ++col) {
                    if ((g->rows[row] >> (4 - col)) & 1) {
                        const float gx = penX + static_cast<float>(col) * scale;
                        const float gy = y + static_cast<float>(row) * scale;
                        FillRect(gx, gy, gx + scale, gy + scale, colour);
                    }
                }
            }
        }
        penX += 6.0f * scale;
    }
}

void Image::Draw(const Image& source, int x, int y, int width, int height)
{
    for (int ty = 0; ty < height; ++ty) {
        for (int tx = 0; tx < width; ++tx) {
            // Box filter over the source texels that fall into this target texel.
            const int sx0 = tx * source.width_ / width, sx1 = std::max(sx0 + 1, (tx + 1) * source.width_ / width);
            const int sy0 = ty * source.height_ / height, sy1 = std::max(sy0 + 1, (ty + 1) * source.height_ / height);
            Rgba sum{0, 0, 0, 0};
            for (int sy = sy0; sy < sy1; ++sy) {
                for (int sx = sx0; sx < sx1; ++sx) {
                    const Rgba& s = source.At(sx, sy);
                    sum.r += s.r * s.a;
                    sum.g += s.g * s.a;
                    sum.b += s.b * s.a;
                    sum.a += s.a;
                }
            }
            const float count = static_cast<float>((sx1 - sx0) * (sy1 - sy0));
            if (sum.a > 0.0f) {
                Blend(x + tx, y + ty, {sum.r / sum.a, sum.g / sum.a, sum.b / sum.a, sum.a / count});
            }
        }
    }
}

void Image::Keyed(const Rgba& key, float threshold)
{
    for (Rgba& t : texels_) {
        if (t.a <= threshold) {
            t = key;
        }
        t.a = 1.0f;
    }
}

std::vector<std::uint32_t> Image::Argb() const
{
    std::vector<std::uint32_t> out;
    out.reserve(texels_.size());
    for (const Rgba& t : texels_) {
        out.push_back(static_cast<std::uint32_t>(Byte(t.a)) << 24 | static_cast<std::uint32_t>(Byte(t.r)) << 16 |
                      static_cast<std::uint32_t>(Byte(t.g)) << 8 | Byte(t.b));
    }
    return out;
}

std::uint32_t Random::Next()
{
    // PCG-style: a 64-bit linear congruential step, output permuted.
    state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
    const std::uint32_t xorshifted = static_cast<std::uint32_t>(((state_ >> 18u) ^ state_) >> 27u);
    const std::uint32_t rot = static_cast<std::uint32_t>(state_ >> 59u);
    return (xorshifted >> rot) | (xorshifted << ((32u - rot) & 31u));
}

float Random::Unit()
{
    return static_cast<float>(Next() >> 8) / 16777216.0f;
}

float Random::Range(float low, float high)
{
    return low + (high - low) * Unit();
}

float TileNoise(float x, float y, int period, std::uint32_t seed)
{
    const float fx = std::floor(x), fy = std::floor(y);
    const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    const float tx = Smooth(x - fx), ty = Smooth(y - fy);
    auto corner = [&](int cx, int cy) {
        const int wx = ((cx % period) + period) % period, wy = ((cy % period) + period) % period;
        return static_cast<float>(Hash(wx, wy, seed) & 0xFFFFu) / 65535.0f;
    };
    const float a = corner(ix, iy), b = corner(ix + 1, iy), c = corner(ix, iy + 1), d = corner(ix + 1, iy + 1);
    return (a + (b - a) * tx) + ((c + (d - c) * tx) - (a + (b - a) * tx)) * ty;
}

float TileFractal(float x, float y, int period, int octaves, std::uint32_t seed)
{
    float sum = 0.0f, weight = 0.0f, amplitude = 1.0f, scale = 1.0f;
    for (int o = 0; o < octaves; ++o) {
        sum += amplitude * TileNoise(x * scale, y * scale, period * static_cast<int>(scale), seed + 977u * o);
        weight += amplitude;
        amplitude *= 0.5f;
        scale *= 2.0f;
    }
    return sum / weight;
}

std::string EncodeBmp24(const Image& image)
{
    const int w = image.Width(), h = image.Height();
    const int rowBytes = (w * 3 + 3) & ~3;
    const std::uint32_t pixelBytes = static_cast<std::uint32_t>(rowBytes * h);
    std::string out;
    LittleEndianWriter put(out);
    put.Bytes("BM", 2);
    put.U32(54 + pixelBytes);
    put.U32(0);
    put.U32(54);
    put.U32(40);  // BITMAPINFOHEADER
    put.U32(static_cast<std::uint32_t>(w));
    put.U32(static_cast<std::uint32_t>(h));  // bottom-up
    put.U16(1);
    put.U16(24);
    put.U32(0);  // BI_RGB
    put.U32(pixelBytes);
    put.U32(2835);
    put.U32(2835);
    put.Zeros(8);  // colours used and important: all
    for (int y = h - 1; y >= 0; --y) {
        const std::size_t start = out.size();
        for (int x = 0; x < w; ++x) {
            const Rgba& t = image.At(x, y);
            out.push_back(static_cast<char>(Byte(t.b)));
            out.push_back(static_cast<char>(Byte(t.g)));
            out.push_back(static_cast<char>(Byte(t.r)));
        }
        out.append(static_cast<std::size_t>(rowBytes) - (out.size() - start), '\0');
    }
    return out;
}

std::string EncodeDds(const Image& image, DdsKind kind)
{
    const int w = image.Width(), h = image.Height();
    const std::vector<std::uint8_t> rgba = RgbaBytes(image);
    const bool compressed = kind != DdsKind::Argb32;
    const int squishFlags = (kind == DdsKind::Dxt1 ? squish::kDxt1 : squish::kDxt5) | squish::kColourClusterFit;
    const std::uint32_t dataSize = compressed
                                       ? static_cast<std::uint32_t>(squish::GetStorageRequirements(w, h, squishFlags))
                                       : static_cast<std::uint32_t>(w * h * 4);
    std::string out;
    LittleEndianWriter put(out);
    put.Bytes("DDS ", 4);
    put.U32(124);
    // DDSD_CAPS | HEIGHT | WIDTH | PIXELFORMAT, with LINEARSIZE or PITCH.
    put.U32(0x1007u | (compressed ? 0x80000u : 0x8u));
    put.U32(static_cast<std::uint32_t>(h));
    put.U32(static_cast<std::uint32_t>(w));
    put.U32(compressed ? dataSize : static_cast<std::uint32_t>(w * 4));
    put.U32(0);  // depth
    put.U32(1);  // mip levels
    put.Zeros(11 * 4);  // reserved
    put.U32(32);  // pixel format size
    if (compressed) {
        put.U32(0x4u);  // DDPF_FOURCC
        put.Bytes(kind == DdsKind::Dxt1 ? "DXT1" : "DXT5", 4);
        put.Zeros(5 * 4);
    } else {
        put.U32(0x41u);  // DDPF_RGB | DDPF_ALPHAPIXELS
        put.U32(0);
        put.U32(32);
        put.U32(0x00FF0000u);
        put.U32(0x0000FF00u);
        put.U32(0x000000FFu);
        put.U32(0xFF000000u);
    }
    put.U32(0x1000u);  // DDSCAPS_TEXTURE
    put.Zeros(4 * 4);
    if (compressed) {
        std::string blocks(dataSize, '\0');
        squish::CompressImage(rgba.data(), w, h, blocks.data(), squishFlags);
        out += blocks;
    } else {
        for (std::size_t i = 0; i < rgba.size(); i += 4) {
            out.push_back(static_cast<char>(rgba[i + 2]));
            out.push_back(static_cast<char>(rgba[i + 1]));
            out.push_back(static_cast<char>(rgba[i]));
            out.push_back(static_cast<char>(rgba[i + 3]));
        }
    }
    return out;
}

std::string EncodePng(const Image& image)
{
    const std::vector<std::uint8_t> rgba = RgbaBytes(image);
    std::string out;
    stbi_write_png_to_func(
        [](void* context, void* data, int size) {
            static_cast<std::string*>(context)->append(static_cast<const char*>(data), static_cast<std::size_t>(size));
        },
        &out, image.Width(), image.Height(), 4, rgba.data(), image.Width() * 4);
    return out;
}
