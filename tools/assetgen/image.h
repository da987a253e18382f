// Pictures for the generated content: an RGBA canvas with the few drawing operations the texture
// designs need, tileable noise, a small bitmap font, and the file encoders (24-bit BMP, DDS with DXT1,
// DXT5 or uncompressed 32-bit texels, PNG for the contact sheet).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Rgba {
    float r = 0, g = 0, b = 0, a = 1;
};

Rgba Mix(const Rgba& a, const Rgba& b, float t);
Rgba RgbHex(std::uint32_t rgb, float alpha = 1.0f);

class Image {
public:
    Image() = default;
    Image(int width, int height, Rgba fill = {});

    int Width() const { return width_; }
    int Height() const { return height_; }
    Rgba& At(int x, int y) { return texels_[static_cast<std::size_t>(y) * width_ + x]; }
    const Rgba& At(int x, int y) const { return texels_[static_cast<std::size_t>(y) * width_ + x]; }
    // Blends `colour` over the texel with `coverage` times the colour's own alpha; outside is ignored.
    void Blend(int x, int y, const Rgba& colour, float coverage = 1.0f);
    void Set(int x, int y, const Rgba& colour);

    // Shapes with anti-aliased edges (one texel wide), blended over what is there.
    void FillRect(float x0, float y0, float x1, float y1, const Rgba& colour);
    void FillRoundRect(float x0, float y0, float x1, float y1, float radius, const Rgba& colour);
    void FillCircle(float cx, float cy, float radius, const Rgba& colour);
    void Ring(float cx, float cy, float radius, float width, const Rgba& colour);
    void Line(float x0, float y0, float x1, float y1, float width, const Rgba& colour);
    void FillPolygon(const std::vector<float>& xy, const Rgba& colour);
    // Text in the built-in 5x7 font (capitals, digits, a few signs), each font pixel `scale` texels.
    void Text(float x, float y, const std::string& text, float scale, const Rgba& colour);
    static float TextWidth(const std::string& text, float scale);
    // Copies `source` scaled into the rectangle (box filter when shrinking), blended.
    void Draw(const Image& source, int x, int y, int width, int height);

    // Every texel at or below alpha `threshold` becomes `key` (opaque), the rest opaque: for pictures
    // whose transparency is a colour key.
    void Keyed(const Rgba& key, float threshold = 0.5f);

    // Texels as 0xAARRGGBB, rounded to 8 bits per channel.
    std::vector<std::uint32_t> Argb() const;

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<Rgba> texels_;
};

// Deterministic random numbers (the same sequence on every run and machine).
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
    std::uint32_t Next();
    float Unit();                       // 0 <= value < 1
    float Range(float low, float high);

private:
    std::uint64_t state_;
};

// Value noise that repeats every `period` lattice cells in x and y, smooth between them, 0..1.
float TileNoise(float x, float y, int period, std::uint32_t seed);
// Several octaves of TileNoise (each octave doubles the period, so the sum still repeats).
float TileFractal(float x, float y, int period, int octaves, std::uint32_t seed);

// File encoders. Each returns the whole file.
std::string EncodeBmp24(const Image& image);
enum class DdsKind { Dxt1, Dxt5, Argb32 };
std::string EncodeDds(const Image& image, DdsKind kind);
std::string EncodePng(const Image& image);
