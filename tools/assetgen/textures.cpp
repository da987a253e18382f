// The game's textures: sea, horizon panorama, HUD band, menu backdrop, pause and console panels, the
// sixteen explosion frames and the intro picture.
#include <cmath>

#include "content.h"

namespace {

const Rgba kMagenta{1, 0, 1, 1};
const Rgba kClear{0, 0, 0, 0};

float Smoothstep(float e0, float e1, float x)
{
    const float t = std::fmin(1.0f, std::fmax(0.0f, (x - e0) / (e1 - e0)));
    return t * t * (3.0f - 2.0f * t);
}

}  // namespace

// Sea that tiles: two layers of periodic noise for the swell, small light crests on top.
Image OceanImage()
{
    const int size = 256;
    Image image(size, size);
    const Rgba deep = RgbHex(0x17456E), light = RgbHex(0x2D7198), crest = RgbHex(0xBFD8E4);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const float u = static_cast<float>(x) / size, v = static_cast<float>(y) / size;
            const float swell = TileFractal(u * 4.0f, v * 4.0f, 4, 4, 11u);
            const float ripple = TileFractal(u * 16.0f, v * 16.0f, 16, 2, 23u);
            Rgba c = Mix(deep, light, Smoothstep(0.25f, 0.75f, swell * 0.7f + ripple * 0.3f));
            const float foam = Smoothstep(0.70f, 0.82f, ripple * 0.6f + swell * 0.4f);
            c = Mix(c, crest, foam * 0.55f);
            image.Set(x, y, c);
        }
    }
    return image;
}

// Sky and a far coast over the three horizon walls, the distant sea below eye level fading into the
// light grey of the fog at the bottom.
Image HorizonImage()
{
    const int w = 1024, h = 256;
    // The walls run from z = -4.4 (top) to z = 5 (bottom); the eye is at z = 0.
    const int eyeRow = static_cast<int>(std::lround(4.4f / 9.4f * h));
    Image image(w, h);
    const Rgba skyTop = RgbHex(0x3A6EB4), skyLow = RgbHex(0xB4C8DC), cloud = RgbHex(0xF0F2F4);
    const Rgba seaFar = RgbHex(0x7896AE), fog = RgbHex(0xC6C8CA);
    const Rgba hillFar = RgbHex(0x7E92A0), hillNear = RgbHex(0x5E7A6E);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const float u = static_cast<float>(x) / w;
            Rgba c;
            if (y < eyeRow) {
                const float t = static_cast<float>(y) / eyeRow;
                c = Mix(skyTop, skyLow, std::pow(t, 1.6f));
                // Flat clouds, thinner toward the horizon.
                const float n = TileFractal(u * 12.0f, static_cast<float>(y) / 40.0f, 12, 4, 5u);
                c = Mix(c, cloud, Smoothstep(0.55f, 0.72f, n) * 0.85f * (1.0f - t * 0.6f));
            } else {
                const float t = static_cast<float>(y - eyeRow) / static_cast<float>(h - eyeRow);
                c = Mix(seaFar, fog, Smoothstep(0.0f, 0.85f, t));
            }
            image.Set(x, y, c);
        }
    }
    // Two ranges of hills standing on the eye level line, the farther one paler.
    for (int layer = 0; layer < 2; ++layer) {
        for (int x = 0; x < w; ++x) {
            const float u = static_cast<float>(x) / w;
            const float n =
                TileFractal(u * (layer == 0 ? 10.0f : 18.0f), 0.5f + layer, layer == 0 ? 10 : 18, 4, 41u + layer);
            // Land shows on the far wall and the far parts of the side walls only.
            const float land = Smoothstep(0.12f, 0.30f, u) * (1.0f - Smoothstep(0.70f, 0.88f, u));
            const float height = std::fmax(0.0f, (n - 0.38f)) * (layer == 0 ? 60.0f : 34.0f) * land;
            for (int y = eyeRow - static_cast<int>(height); y < eyeRow + 1; ++y) {
                image.Set(x, y, layer == 0 ? hillFar : hillNear);
            }
        }
    }
    return image;
}

namespace {

// The HUD band over the top third of the screen (designed at 800 x 200 screen pixels): two panels
// at the edges with labelled fields where the game writes its numbers, magenta elsewhere.
Image Hud()
{
    const float s = 1024.0f / 800.0f;  // texels per screen pixel
    Image image(1024, 256, kClear);
    const Rgba plate = RgbHex(0x2C333A), plateLight = RgbHex(0x46505A), edge = RgbHex(0x8C98A4);
    const Rgba field = RgbHex(0x0E1216), fieldEdge = RgbHex(0x6C7884), label = RgbHex(0xC8D0D8);
    const Rgba rivet = RgbHex(0x9AA4AE);
    auto plateShape = [&](float x0, float x1) {
        image.FillRoundRect(x0 * s, -20.0f * s, x1 * s, 200.0f * s, 14.0f * s, edge);
        image.FillRoundRect((x0 + 2.5f) * s, -20.0f * s, (x1 - 2.5f) * s, 197.5f * s, 12.0f * s, plate);
        image.FillRoundRect((x0 + 4.0f) * s, -20.0f * s, (x1 - 4.0f) * s, 60.0f * s, 10.0f * s,
                            {plateLight.r, plateLight.g, plateLight.b, 0.45f});
    };
    plateShape(-20.0f, 104.0f);
    plateShape(696.0f, 820.0f);
    // A thin strip along the top edge joining the panels, with a tab in the middle.
    image.FillRect(100.0f * s, 0.0f, 700.0f * s, 6.0f * s, edge);
    image.FillRect(100.0f * s, 0.0f, 700.0f * s, 4.5f * s, plate);
    image.FillPolygon({350.0f * s, 0.0f, 450.0f * s, 0.0f, 438.0f * s, 14.0f * s, 362.0f * s, 14.0f * s}, edge);
    image.FillPolygon({353.0f * s, 0.0f, 447.0f * s, 0.0f, 436.5f * s, 12.0f * s, 363.5f * s, 12.0f * s}, plate);
    image.Text(400.0f * s - Image::TextWidth("AVIORRA", 1.2f * s) * 0.5f, 2.5f * s, "AVIORRA", 1.2f * s, label);

    auto fieldBox = [&](float x0, float y0, float x1, float y1, const std::string& name, float labelX, float labelY) {
        image.FillRoundRect(x0 * s, y0 * s, x1 * s, y1 * s, 3.0f * s, fieldEdge);
        image.FillRoundRect((x0 + 1.5f) * s, (y0 + 1.5f) * s, (x1 - 1.5f) * s, (y1 - 1.5f) * s, 2.0f * s, field);
        image.Text(labelX * s, labelY * s, name, 1.2f * s, label);
    };
    // Each field holds the widest value the game shows there, in the game's font (digits about 12
    // pixels apart at 800 x 600). Left: health "100%" from 24, 46; the clock up to "99:59:59" from
    // 4, 135; the level up to four digits from 29, 186.
    fieldBox(16.0f, 41.0f, 86.0f, 63.0f, "HEALTH", 18.0f, 29.0f);
    fieldBox(-6.0f, 130.0f, 99.0f, 152.0f, "TIME", 8.0f, 118.0f);
    fieldBox(20.0f, 181.0f, 86.0f, 200.0f, "LEVEL", 28.0f, 169.0f);
    // Right: rounds up to five digits from 736, 39 and kills up to five from 740, 168 reach the
    // screen's edge, so those fields run off it; bombs (at most 99) from 764, 98.
    fieldBox(728.0f, 34.0f, 806.0f, 56.0f, "ROUNDS", 732.0f, 22.0f);
    fieldBox(748.0f, 93.0f, 798.0f, 115.0f, "BOMBS", 752.0f, 81.0f);
    fieldBox(732.0f, 163.0f, 806.0f, 185.0f, "KILLS", 736.0f, 151.0f);

    // A round gauge between health and clock: bezel, face, ticks and a needle.
    const float gx = 50.0f * s, gy = 88.0f * s, gr = 19.0f * s;
    image.FillCircle(gx, gy, gr + 2.5f * s, edge);
    image.FillCircle(gx, gy, gr, field);
    for (int i = 0; i < 12; ++i) {
        const float a = static_cast<float>(i) * 3.14159265f / 6.0f;
        const float inner = (i % 3 == 0) ? gr * 0.68f : gr * 0.80f;
        image.Line(gx + std::cos(a) * inner, gy + std::sin(a) * inner, gx + std::cos(a) * gr * 0.92f,
                   gy + std::sin(a) * gr * 0.92f, 1.2f * s, label);
    }
    image.Line(gx, gy, gx + gr * 0.55f, gy - gr * 0.55f, 2.0f * s, RgbHex(0xE0B020));
    image.FillCircle(gx, gy, 2.5f * s, rivet);
    // Icons beside the right-hand fields: three rounds, a bomb, a star.
    for (int i = 0; i < 3; ++i) {
        const float bx = (706.0f + 6.0f * static_cast<float>(i)) * s;
        image.FillRoundRect(bx, 38.0f * s, bx + 4.0f * s, 54.0f * s, 2.0f * s, RgbHex(0xC8A040));
    }
    image.FillRoundRect(716.0f * s, 98.0f * s, 740.0f * s, 110.0f * s, 6.0f * s, RgbHex(0x8A9478));
    image.FillPolygon({740.0f * s, 104.0f * s, 746.0f * s, 97.0f * s, 746.0f * s, 111.0f * s}, RgbHex(0x8A9478));
    std::vector<float> star;
    for (int i = 0; i < 10; ++i) {
        const float a = -1.5707963f + static_cast<float>(i) * 3.14159265f / 5.0f;
        const float r = (i % 2 == 0 ? 10.0f : 4.2f) * s;
        star.push_back(716.0f * s + std::cos(a) * r);
        star.push_back(174.0f * s + std::sin(a) * r);
    }
    image.FillPolygon(star, RgbHex(0xE0B020));
    // Rivets in the panels' corners.
    for (float x : {8.0f, 94.0f, 706.0f, 790.0f}) {
        for (float y : {10.0f, 190.0f}) {
            if (!(y > 180.0f && x < 100.0f)) {
                image.FillCircle(x * s, y * s, 1.6f * s, rivet);
            }
        }
    }
    image.Keyed(kMagenta);
    return image;
}

// The front-end backdrop: a dusk sky over the sea. Drawn lit and with ambient light, so it is kept
// at about half its intended brightness.
Image MenuBackdrop()
{
    const int w = 512, h = 512;
    Image image(w, h);
    const int horizon = 330;
    const Rgba top = RgbHex(0x0A1430), middle = RgbHex(0x3A2C5C), glow = RgbHex(0xE08A48);
    const Rgba seaTop = RgbHex(0x2A3450), seaBottom = RgbHex(0x080E1E), sun = RgbHex(0xFFE0A0);
    const float sunX = 360.0f, sunY = static_cast<float>(horizon) - 18.0f;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const float u = static_cast<float>(x) / w;
            Rgba c;
            if (y < horizon) {
                const float t = static_cast<float>(y) / horizon;
                c = t < 0.6f ? Mix(top, middle, t / 0.6f) : Mix(middle, glow, (t - 0.6f) / 0.4f);
                const float n = TileFractal(u * 6.0f, static_cast<float>(y) / 60.0f, 6, 4, 77u);
                const Rgba cloud = Mix(RgbHex(0x1A1630), RgbHex(0xB0604A), t);
                c = Mix(c, cloud, Smoothstep(0.52f, 0.70f, n) * 0.8f);
            } else {
                const float t = static_cast<float>(y - horizon) / static_cast<float>(h - horizon);
                c = Mix(seaTop, seaBottom, std::sqrt(t));
                // The sun's path on the water.
                const float spread = 10.0f + 70.0f * t;
                const float path = std::exp(-std::pow((static_cast<float>(x) - sunX) / spread, 2.0f));
                const float glint = TileNoise(u * 90.0f, static_cast<float>(y) * 0.8f, 90, 19u);
                c = Mix(c, glow, path * Smoothstep(0.45f, 0.8f, glint) * (1.0f - t * 0.7f));
            }
            const float d = std::hypot(static_cast<float>(x) - sunX, static_cast<float>(y) - sunY);
            c = Mix(c, sun, std::exp(-d / 22.0f) * (y < horizon ? 1.0f : 0.0f));
            image.Set(x, y, {c.r * 0.55f, c.g * 0.55f, c.b * 0.55f, 1.0f});
        }
    }
    return image;
}

// A translucent panel with a rounded light border; `header` adds a title bar.
Image Panel(int w, int h, const Rgba& fill, const Rgba& border, const std::string& header)
{
    Image image(w, h, kClear);
    const float inset = 3.0f;
    // The frame and the translucent inside meet edge to edge: each texel takes the one it lies in.
    auto distance = [&](float x, float y, float grow, float radius) {
        const float qx = std::fabs(x - w * 0.5f) - (w * 0.5f - inset - grow) + radius;
        const float qy = std::fabs(y - h * 0.5f) - (h * 0.5f - inset - grow) + radius;
        return std::hypot(std::fmax(qx, 0.0f), std::fmax(qy, 0.0f)) + std::fmin(std::fmax(qx, qy), 0.0f) - radius;
    };
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const float px = static_cast<float>(x) + 0.5f, py = static_cast<float>(y) + 0.5f;
            const float outer = std::fmin(1.0f, std::fmax(0.0f, 0.5f - distance(px, py, 0.0f, 14.0f)));
            const float inner = std::fmin(1.0f, std::fmax(0.0f, 0.5f - distance(px, py, 3.0f, 11.0f)));
            Rgba c = Mix(border, fill, inner);
            c.a = (border.a * (1.0f - inner) + fill.a * inner) * outer;
            image.Set(x, y, c);
        }
    }
    // A soft sheen over the upper part.
    image.FillRoundRect(inset + 5.0f, inset + 5.0f, w - inset - 5.0f, h * 0.35f, 9.0f, {1, 1, 1, 0.06f});
    if (!header.empty()) {
        image.FillRoundRect(inset + 6.0f, inset + 6.0f, w - inset - 6.0f, inset + 26.0f, 6.0f,
                            {border.r, border.g, border.b, 0.55f});
        image.Text(inset + 14.0f, inset + 9.5f, header, 2.0f, {0.92f, 0.96f, 0.92f, 1.0f});
    }
    return image;
}

// Explosion frame `frame` of 16: a white-hot core growing into an orange fireball, then dark red
// flames and grey smoke thinning out. Black and fully transparent around it.
Image Explosion(int frame)
{
    const int size = 128;
    Image image(size, size, kClear);
    const float t = static_cast<float>(frame - 1) / 15.0f;
    const float radius = 0.38f + 0.55f * (1.0f - (1.0f - t) * (1.0f - t));
    const float heat = 1.0f - Smoothstep(0.15f, 0.85f, t);
    const float smoke = Smoothstep(0.3f, 0.7f, t) * (1.0f - Smoothstep(0.75f, 1.0f, t) * 0.75f);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const float px = (static_cast<float>(x) + 0.5f) / size * 2.0f - 1.0f;
            const float py = (static_cast<float>(y) + 0.5f) / size * 2.0f - 1.0f;
            const float d = std::hypot(px, py);
            const float angle = std::atan2(py, px) / 6.2831853f + 0.5f;
            // Billows: the edge radius varies around the ball and churns from frame to frame.
            const float billow = TileFractal(angle * 8.0f, d * 3.0f + t * 2.0f, 8, 3, 101u);
            const float edge = radius * (0.78f + 0.38f * billow);
            if (d >= edge) {
                continue;
            }
            const float inner = 1.0f - d / edge;  // 1 at the centre, 0 at the edge
            const float grain = TileFractal(px * 4.0f + 8.0f, py * 4.0f + 8.0f, 16, 3, 300u + frame);
            const float h = std::fmin(1.0f, (inner * 1.3f + grain * 0.35f - 0.15f) * heat * 1.25f);
            Rgba fire;
            if (h > 0.75f) {
                fire = Mix(RgbHex(0xFFD860), RgbHex(0xFFFCE8), (h - 0.75f) / 0.25f);
            } else if (h > 0.4f) {
                fire = Mix(RgbHex(0xF07018), RgbHex(0xFFD860), (h - 0.4f) / 0.35f);
            } else {
                fire = Mix(RgbHex(0x701808), RgbHex(0xF07018), std::fmax(0.0f, h) / 0.4f);
            }
            const Rgba smokeColour = Mix(RgbHex(0x4A4644), RgbHex(0x8A8682), grain);
            const float smokeMix = std::fmin(1.0f, smoke * (1.2f - h));
            Rgba c = Mix(fire, smokeColour, smokeMix);
            const float fade = Smoothstep(0.0f, 0.35f, inner);
            const float density = heat > 0.05f ? std::fmax(heat * 1.2f, 0.5f + 0.5f * smoke) : 0.0f;
            c.a = fade * std::fmin(1.0f, std::fmax(density, smoke * (0.55f + 0.45f * grain)) *
                                             (1.0f - Smoothstep(0.85f, 1.0f, t) * 0.6f));
            image.Set(x, y, c);
        }
    }
    return image;
}

}  // namespace

std::vector<NamedImage> GameTextures()
{
    std::vector<NamedImage> textures = {
        {"ocean.bmp", OceanImage()},
        {"horizont.bmp", HorizonImage()},
        {"hud.bmp", Hud()},
        {"menuhatter.bmp", MenuBackdrop()},
        {"ablak.dds", Panel(256, 128, {0.05f, 0.09f, 0.17f, 0.80f}, RgbHex(0x7890B0), "")},
        {"konzol.dds", Panel(512, 256, {0.03f, 0.08f, 0.06f, 0.84f}, RgbHex(0x4E9A6E), "CONSOLE")},
    };
    for (int frame = 1; frame <= 16; ++frame) {
        textures.push_back({"robban" + std::to_string(frame) + ".dds", Explosion(frame)});
    }
    textures.push_back({"intro.bmp", IntroPicture()});
    return textures;
}

std::string EncodeTexture(const NamedImage& texture)
{
    const std::string& f = texture.file;
    if (f.size() > 4 && f.compare(f.size() - 4, 4, ".bmp") == 0) {
        return EncodeBmp24(texture.image);
    }
    // The console panel is stored uncompressed; the others as DXT5 for their smooth alpha.
    return EncodeDds(texture.image, f == "konzol.dds" ? DdsKind::Argb32 : DdsKind::Dxt5);
}
