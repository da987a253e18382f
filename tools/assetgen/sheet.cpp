// Pictures made from the content itself: the intro picture, and the contact sheet with a playing
// scene and the menu scene composed the way the game places things, every texture and every mesh.
#include <cmath>

#include "content.h"
#include "raster.h"

namespace {

constexpr float kPi = 3.14159265f;

// Colour-keyed pictures turned back into transparency, for laying them over others.
Image KeyToAlpha(Image image, const Rgba& key)
{
    for (int y = 0; y < image.Height(); ++y) {
        for (int x = 0; x < image.Width(); ++x) {
            Rgba& t = image.At(x, y);
            if (std::fabs(t.r - key.r) < 0.002f && std::fabs(t.g - key.g) < 0.002f && std::fabs(t.b - key.b) < 0.002f) {
                t = {0, 0, 0, 0};
            }
        }
    }
    return image;
}

const Image& Texture(const std::vector<NamedImage>& textures, const std::string& file)
{
    for (const NamedImage& t : textures) {
        if (t.file == file) {
            return t.image;
        }
    }
    return textures.front().image;
}

const Model& Mesh(const std::vector<NamedModel>& models, const std::string& file)
{
    for (const NamedModel& m : models) {
        if (m.file == file) {
            return m.model;
        }
    }
    return models.front().model;
}

void TexturedQuad(Renderer& r, const TexturedVertex& a, const TexturedVertex& b, const TexturedVertex& c,
                  const TexturedVertex& d, const Image& texture, float brightness, bool depthWrite = true)
{
    r.DrawTextured(a, b, c, texture, brightness, depthWrite);
    r.DrawTextured(a, c, d, texture, brightness, depthWrite);
}

// A quad facing the viewer of `view` (a pure rotation here), centred on `centre`.
void Billboard(Renderer& r, const Transform& viewRotation, Vec3 centre, float size, const Image& texture)
{
    const Transform back = Transposed(viewRotation);
    const Vec3 right = back.Direction({1, 0, 0}) * (size * 0.5f), up = back.Direction({0, 1, 0}) * (size * 0.5f);
    TexturedQuad(r, {centre - right + up, 0, 0}, {centre + right + up, 1, 0}, {centre + right - up, 1, 1},
                 {centre - right - up, 0, 1}, texture, 1.0f, false);
}

// A moment of a run as the game's camera sees it at scroll position 0, with the HUD band on top.
Image GameScene(const std::vector<NamedModel>& models, const std::vector<NamedImage>& textures)
{
    Renderer r(800, 600, {0, 0, 0, 1});
    const Transform viewRotation = RotationX(1.1071487f);
    r.SetView(Translation(0.0f, 1.0f, 0.0f) * viewRotation);
    r.fog = {true, 0.0f, 60.0f, RgbHex(0xC8C8C8)};
    r.lighting.globalAmbient = {0.533f, 0.533f, 0.533f, 1};

    struct Placed {
        const char* file;
        Vec3 at;
    };
    const Placed buildings[] = {
        {"hangar01.x", {-1.4f, 7.5f, 4.5f}}, {"torony.x", {1.7f, 11.0f, 4.5f}}, {"hangar04.x", {-0.3f, 16.0f, 4.5f}}};
    // The sea strip: one-unit cells with random heights, level near the buildings.
    Random random(3);
    float height[31][41];
    for (int j = 0; j <= 30; ++j) {
        for (int i = 0; i <= 40; ++i) {
            height[j][i] = 5.0f - 0.01f * static_cast<float>(random.Next() % 101);
            for (const Placed& b : buildings) {
                if (std::fabs(static_cast<float>(i - 20) - b.at.x) < 2.0f &&
                    std::fabs(static_cast<float>(j) - b.at.y) < 2.2f) {
                    height[j][i] = 4.5f;
                }
            }
        }
    }
    const Image& sea = Texture(textures, "ocean.bmp");
    for (int j = 0; j < 30; ++j) {
        for (int i = 0; i < 40; ++i) {
            auto v = [&](int di, int dj) {
                return TexturedVertex{
                    {static_cast<float>(i + di - 20), static_cast<float>(j + dj), height[j + dj][i + di]},
                    0.2f * static_cast<float>(i + di),
                    0.2f * static_cast<float>(j + dj)};
            };
            TexturedQuad(r, v(0, 0), v(1, 0), v(1, 1), v(0, 1), sea, 1.03f);
        }
    }
    const Image& horizon = Texture(textures, "horizont.bmp");
    const TexturedVertex walls[8] = {{{-20.0001f, 0, 5}, 0, 1},
                                     {{-20.0001f, 0, -4.4f}, 0, 0},
                                     {{-20.0001f, 29.5f, 5}, 0.3333333f, 1},
                                     {{-20.0001f, 29.5f, -4.4f}, 0.3333333f, 0},
                                     {{20.0001f, 29.5f, 5}, 0.6666667f, 1},
                                     {{20.0001f, 29.5f, -4.4f}, 0.6666667f, 0},
                                     {{20.0001f, 0, 5}, 1, 1},
                                     {{20.0001f, 0, -4.4f}, 1, 0}};
    for (int k = 0; k + 2 < 8; ++k) {
        r.DrawTextured(walls[k], walls[k + 1], walls[k + 2], horizon, 1.03f);
    }
    for (const Placed& b : buildings) {
        r.DrawModel(Mesh(models, b.file), Translation(b.at.x, b.at.y, b.at.z));
    }
    const Model player = PlayerAircraft(), enemy = EnemyAircraft();
    r.DrawModel(player, RotationYawPitchRoll(0.3f, 0.0f, 0.0f) * Translation(0.3f, 1.3f, 2.0f));
    r.DrawModel(enemy, RotationYawPitchRoll(-0.25f, 0.0f, kPi) * Translation(-0.9f, 2.9f, 2.0f));
    r.DrawModel(enemy, RotationYawPitchRoll(0.35f, 0.0f, kPi) * Translation(1.3f, 3.4f, 2.8f));
    r.DrawModel(enemy, RotationYawPitchRoll(0.0f, 0.0f, kPi) * Translation(0.2f, 5.2f, 1.0f));
    for (int k = 0; k < 4; ++k) {
        r.DrawModel(Mesh(models, "loszer01.x"), Translation(0.3f + 0.02f * k, 1.75f + 0.35f * k, 2.0f));
    }
    r.DrawModel(Mesh(models, "b1.x"), Translation(-0.5f, 1.9f, 3.4f));
    Billboard(r, viewRotation, {-1.8f, 3.8f, 2.0f}, 1.0f, Texture(textures, "robban5.dds"));
    Billboard(r, viewRotation, {-1.4f, 7.5f, 4.5f - 0.75f}, 1.5f, Texture(textures, "robban9.dds"));

    Image picture = r.Picture();
    const Image hud = KeyToAlpha(Texture(textures, "hud.bmp"), {1, 0, 1, 1});
    picture.Draw(hud, 0, 0, 800, 200);
    // The HUD numbers where the game writes them (its font is about 12 pixels high).
    const Rgba yellow = RgbHex(0xFFFF00);
    picture.Text(24, 46, "100%", 1.7f, yellow);
    picture.Text(4, 135, "00:01:23", 1.7f, yellow);
    picture.Text(38, 186, "3", 1.7f, yellow);
    picture.Text(748, 39, "1000", 1.7f, yellow);
    picture.Text(764, 98, "10", 1.7f, yellow);
    picture.Text(764, 168, "12", 1.7f, yellow);
    return picture;
}

// The main menu: backdrop, the two background meshes at their places, and stand-ins for the title and
// the five items where the game draws its 3D text.
Image MenuScene(const std::vector<NamedModel>& models, const std::vector<NamedImage>& textures)
{
    Renderer r(800, 600, {0, 0, 0, 1});
    r.SetView(Transform{});
    r.lighting.globalAmbient = {0.733f, 0.733f, 0.733f, 1};
    const Image& backdrop = Texture(textures, "menuhatter.bmp");
    // The lit backdrop faces the sun: ambient and diffuse light together brighten it almost twice.
    TexturedQuad(r, {{-15.3f, -11.5f, 17}, 0, 1}, {{-15.3f, 11.5f, 17}, 0, 0}, {{15.3f, 11.5f, 17}, 1, 0},
                 {{15.3f, -11.5f, 17}, 1, 1}, backdrop, 1.9f);
    r.DrawModel(Mesh(models, "menuhatter2.x"), MenuBackdropTransform(255));
    r.DrawModel(Mesh(models, "menuhatter.x"), MenuBackdropTransform(254));
    Image picture = r.Picture();
    auto text = [&](float x, float y, float z, const std::string& s, const Rgba& colour) {
        const float perEm = 1.0f / std::tan(1.18105f * 0.5f) / z * 300.0f;
        const float sx = (x * perEm / 1.333333f * 1.333333f) + 400.0f;
        picture.Text(sx, 300.0f - y * perEm - 0.7f * perEm, s, 0.1f * perEm, colour);
    };
    text(-2.35f, 2.4f, 6.0f, "AVIORRA", RgbHex(0xFF2010));
    text(-2.35f, 1.0f, 7.5f, "NEW GAME", RgbHex(0xFFE040));
    text(-2.6f, 0.1f, 8.0f, "LOAD GAME", RgbHex(0xC0C8FF));
    text(-1.95f, -0.8f, 8.0f, "RESUME", RgbHex(0xC0C8FF));
    text(-2.65f, -1.7f, 8.0f, "HIGH SCORES", RgbHex(0xC0C8FF));
    text(-1.0f, -2.6f, 8.0f, "EXIT", RgbHex(0xC0C8FF));
    return picture;
}

// One mesh seen from ahead, to the right and above, filling the tile.
Image MeshPortrait(const Model& model, int size)
{
    Vec3 lo, hi;
    model.Bounds(lo, hi);
    const Vec3 centre = (lo + hi) * 0.5f;
    const float radius = std::sqrt(Dot(hi - lo, hi - lo)) * 0.5f;
    const float fov = 0.7f;
    const float distance = radius / std::sin(fov * 0.5f) * 1.02f;
    const Vec3 direction = Normalized({0.75f, 1.0f, -0.9f});
    Renderer r(size, size, RgbHex(0x44505C));
    r.SetProjection(fov, 1.0f, distance * 0.05f, distance * 3.0f);
    r.SetView(LookAt(centre + direction * distance, centre, {0, 0, -1}));
    r.DrawModel(model, {});
    return r.Picture();
}

Image Checker(int w, int h)
{
    Image image(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            image.Set(x, y, ((x / 8 + y / 8) % 2) ? RgbHex(0x9A9A9A) : RgbHex(0x6A6A6A));
        }
    }
    return image;
}

// Lays pictures out left to right in rows, each with its name below.
class Layout {
public:
    explicit Layout(Image& sheet) : sheet_(sheet) {}

    void Heading(const std::string& text)
    {
        NewRow();
        sheet_.Text(12, static_cast<float>(y_ + 6), text, 3.0f, RgbHex(0xF0F0F0));
        y_ += 34;
    }

    void Add(const Image& picture, int w, int h, const std::string& name, bool checker = false)
    {
        if (x_ + w + 12 > sheet_.Width()) {
            NewRow();
        }
        if (checker) {
            sheet_.Draw(Checker(w, h), x_, y_, w, h);
        }
        sheet_.Draw(picture, x_, y_, w, h);
        sheet_.Text(static_cast<float>(x_), static_cast<float>(y_ + h + 5), name, 1.5f, RgbHex(0xD0D0D0));
        x_ += w + 12;
        rowHeight_ = std::max(rowHeight_, h + 22);
    }

    void NewRow()
    {
        if (x_ > 12) {
            y_ += rowHeight_;
        }
        x_ = 12;
        rowHeight_ = 0;
    }

private:
    Image& sheet_;
    int x_ = 12, y_ = 8, rowHeight_ = 0;
};

}  // namespace

Image IntroPicture()
{
    // Drawn at the screen's 800 x 600 and reduced to the texture's 512 x 512.
    Renderer r(800, 600, {0, 0, 0, 1});
    Image& canvas = r.Canvas();
    const Rgba skyTop = RgbHex(0x101C3A), skyLow = RgbHex(0xC88A64);
    for (int y = 0; y < 600; ++y) {
        const Rgba c = Mix(skyTop, skyLow, std::pow(static_cast<float>(y) / 330.0f, 1.5f));
        for (int x = 0; x < 800; ++x) {
            canvas.Set(x, y, y < 330 ? c : skyLow);
        }
    }
    r.SetView(LookAt({-0.75f, -1.25f, -0.42f}, {0.1f, 0.35f, 0.1f}, {0, 0, -1}));
    r.fog = {true, 2.0f, 40.0f, skyLow};
    const Image sea = OceanImage();
    for (int i = -10; i < 10; ++i) {
        for (int j = -2; j < 16; ++j) {
            const float x0 = static_cast<float>(i) * 4.0f, y0 = static_cast<float>(j) * 4.0f;
            auto v = [&](float dx, float dy) {
                return TexturedVertex{{x0 + dx, y0 + dy, 1.6f}, (x0 + dx) * 0.2f, (y0 + dy) * 0.2f};
            };
            TexturedQuad(r, v(0, 0), v(4, 0), v(4, 4), v(0, 4), sea, 0.85f);
        }
    }
    r.DrawModel(PlayerAircraft(), RotationYawPitchRoll(0.45f, 0.05f, 0.1f));
    r.DrawModel(EnemyAircraft(), RotationYawPitchRoll(-0.5f, 0.0f, kPi - 0.3f) * Translation(1.1f, 2.6f, -0.25f));
    r.DrawModel(EnemyAircraft(), RotationYawPitchRoll(0.3f, 0.0f, kPi + 0.2f) * Translation(-1.3f, 4.2f, 0.1f));
    Image picture = r.Picture();
    const float scale = 11.0f;
    const float titleX = 400.0f - Image::TextWidth("AVIORRA", scale) * 0.5f;
    picture.Text(titleX + 5.0f, 45.0f + 5.0f, "AVIORRA", scale, {0.05f, 0.05f, 0.1f, 0.6f});
    picture.Text(titleX, 45.0f, "AVIORRA", scale, RgbHex(0xF0B030));
    const std::string subtitle = "AIR COMBAT OVER THE SEA";
    picture.Text(400.0f - Image::TextWidth(subtitle, 3.0f) * 0.5f, 140.0f, subtitle, 3.0f, RgbHex(0xE8E0D0));
    picture.Text(800.0f - Image::TextWidth("LOADING...", 2.5f) - 20.0f, 570.0f, "LOADING...", 2.5f, RgbHex(0xE8E0D0));
    Image texture(512, 512);
    texture.Draw(picture, 0, 0, 512, 512);
    // Black is this picture's colour key: keep every texel off it.
    for (int y = 0; y < 512; ++y) {
        for (int x = 0; x < 512; ++x) {
            Rgba& t = texture.At(x, y);
            t.b = std::fmax(t.b, 0.02f);
            t.a = 1.0f;
        }
    }
    return texture;
}

Image ContactSheet()
{
    const std::vector<NamedModel> models = GameModels();
    const std::vector<NamedImage> textures = GameTextures();
    Image sheet(1640, 1960, RgbHex(0x22262C));
    Layout layout(sheet);
    layout.Heading("PLAYING SCENE AND MAIN MENU");
    layout.Add(GameScene(models, textures), 800, 600, "GAME CAMERA, SCROLL 0, HUD BAND");
    layout.Add(MenuScene(models, textures), 800, 600, "MENU CAMERA, BACKGROUND MESHES 255 AND 254");

    layout.Heading("TEXTURES");
    const Rgba magenta{1, 0, 1, 1}, black{0, 0, 0, 1};
    Image seaTiles(512, 512);
    for (int k = 0; k < 4; ++k) {
        seaTiles.Draw(Texture(textures, "ocean.bmp"), (k % 2) * 256, (k / 2) * 256, 256, 256);
    }
    layout.Add(seaTiles, 256, 256, "OCEAN.BMP 256, TILED 2X2");
    layout.Add(Texture(textures, "horizont.bmp"), 768, 192, "HORIZONT.BMP 1024X256");
    layout.Add(Texture(textures, "menuhatter.bmp"), 256, 256, "MENUHATTER.BMP 512");
    layout.Add(Texture(textures, "intro.bmp"), 256, 256, "INTRO.BMP 512");
    layout.Add(KeyToAlpha(Texture(textures, "hud.bmp"), magenta), 768, 192, "HUD.BMP 1024X256, MAGENTA KEY", true);
    layout.Add(Texture(textures, "ablak.dds"), 256, 128, "ABLAK.DDS DXT5", true);
    layout.Add(Texture(textures, "konzol.dds"), 384, 192, "KONZOL.DDS 512X256 ARGB", true);
    for (int frame = 1; frame <= 16; ++frame) {
        const std::string file = "robban" + std::to_string(frame) + ".dds";
        Image shown(128, 128, RgbHex(0x101010));
        shown.Draw(KeyToAlpha(Texture(textures, file), black), 0, 0, 128, 128);
        layout.Add(shown, 90, 90, std::to_string(frame));
    }

    layout.Heading("MESHES");
    for (const NamedModel& m : models) {
        std::string name;
        for (char c : m.file) {
            name.push_back(static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c));
        }
        layout.Add(MeshPortrait(m.model, 180), 180, 180, name);
    }
    layout.Add(MeshPortrait(PlayerAircraft(), 180), 180, 180, "PLAYER ASSEMBLED");
    layout.Add(MeshPortrait(EnemyAircraft(), 180), 180, 180, "ENEMY ASSEMBLED");
    return sheet;
}
