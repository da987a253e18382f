// The game's meshes: the player's fighter in seven parts, the enemy in two, bullet, bomb, two hangars,
// a tower, and the two large aircraft of the menu scene.
#include <cmath>

#include "content.h"

namespace {

constexpr float kPi = 3.14159265f;
constexpr float kDegrees = 0.017453292f;

// Where the scene puts the separately drawn parts, relative to the aircraft's centre.
constexpr float kPropellerOffset = 0.28f;
constexpr float kTailOffset = -0.1276f;

// Diffuse colours are kept moderate: the game adds its ambient light (about the diffuse colour
// again) and the sun on top, so a face comes out between once and nearly twice as bright.
const Rgba kPlayerBody = RgbHex(0x7E8898);
const Rgba kPlayerBlue = RgbHex(0x1A3C8E);
const Rgba kPlayerYellow = RgbHex(0xA08008);
const Rgba kWhite = RgbHex(0x9A9A96);
const Rgba kGlass = RgbHex(0x182838);
const Rgba kGlassGlow = RgbHex(0x0C1A28);
const Rgba kDark = RgbHex(0x141416);
const Rgba kEnemyBody = RgbHex(0x761410);
const Rgba kEnemyDark = RgbHex(0x1C1A18);
const Rgba kConcrete = RgbHex(0x6C6A60);

float Lerp(float a, float b, float t)
{
    return a + (b - a) * t;
}

// A wing-like panel: outline points {x, y} in order around it; the panel's mid-plane height and
// thickness follow x (dihedral and taper).
template <typename MidZ, typename Thickness>
void Panel(Model& m, const std::vector<std::pair<float, float>>& outline, MidZ midZ, Thickness thickness, int material)
{
    std::vector<Vec3> top, bottom;
    for (const auto& [x, y] : outline) {
        top.push_back({x, y, midZ(x) - thickness(x) * 0.5f});
        bottom.push_back({x, y, midZ(x) + thickness(x) * 0.5f});
    }
    m.Slab(top, bottom, material);
}

// A regular polygon disc lying on a panel, a little proud of both its faces.
template <typename MidZ, typename Thickness>
void Disc(Model& m, float cx, float cy, float radius, MidZ midZ, Thickness thickness, float proud, int material)
{
    std::vector<std::pair<float, float>> outline;
    for (int i = 0; i < 8; ++i) {
        const float a = (static_cast<float>(i) + 0.5f) * kPi / 4.0f;
        outline.push_back({cx + radius * std::cos(a), cy + radius * std::sin(a)});
    }
    Panel(
        m, outline, midZ, [&](float x) { return thickness(x) + 2.0f * proud; }, material);
}

// A fin standing in the x = 0 plane: outline points {y, z}.
void Fin(Model& m, const std::vector<std::pair<float, float>>& outline, float halfThickness, int material)
{
    std::vector<Vec3> left, right;
    for (const auto& [y, z] : outline) {
        left.push_back({-halfThickness, y, z});
        right.push_back({halfThickness, y, z});
    }
    m.Slab(left, right, material);
}

// A propeller around its own pivot: spinner along y and `blades` blades turning in the x-z plane.
Model Propeller(int blades, const Rgba& spinner, const Rgba& blade, const Rgba& tip, float radius)
{
    Model m;
    const int spinnerMat = m.AddMaterial(spinner);
    const int bladeMat = m.AddMaterial(blade);
    const int tipMat = m.AddMaterial(tip);
    m.Tube({{-0.035f, 0.028f, 0.028f}, {0.0f, 0.025f, 0.025f}, {0.025f, 0.014f, 0.014f}, {0.04f, 0.001f, 0.001f}},
           {0, 0, 0, 0}, 8, spinnerMat);
    for (int b = 0; b < blades; ++b) {
        const float a = (90.0f + 360.0f * static_cast<float>(b) / static_cast<float>(blades)) * kDegrees;
        const Vec3 radial{std::cos(a), 0.0f, -std::sin(a)};
        const Vec3 chord{std::sin(a), 0.0f, std::cos(a)};
        // Outline points {r, w}; the blade is pitched: its chord runs partly along y.
        auto blade3 = [&](float r, float w, float side) {
            return radial * r + chord * (w * 0.85f) + Vec3{0.0f, w * 0.5f + side * 0.003f, 0.0f};
        };
        const float split = radius * 0.82f;
        const std::vector<std::pair<float, float>> inner = {
            {0.018f, 0.011f}, {split, 0.009f}, {split, -0.009f}, {0.018f, -0.011f}};
        const std::vector<std::pair<float, float>> outer = {
            {split, 0.009f}, {radius - 0.008f, 0.007f}, {radius, 0.0f}, {radius - 0.008f, -0.007f}, {split, -0.009f}};
        for (const auto* outline : {&inner, &outer}) {
            std::vector<Vec3> front, back;
            for (const auto& [r, w] : *outline) {
                front.push_back(blade3(r, w, 1.0f));
                back.push_back(blade3(r, w, -1.0f));
            }
            m.Slab(front, back, outline == &inner ? bladeMat : tipMat);
        }
    }
    return m;
}

// ---- The player's fighter: slim nose, tapered wings with rounded tips, blue and steel ----------

Model PlayerFuselage()
{
    Model m;
    const int body = m.AddMaterial(kPlayerBody);
    const int blue = m.AddMaterial(kPlayerBlue);
    const int glass = m.AddMaterial(kGlass, kGlassGlow);
    const int dark = m.AddMaterial(kDark);
    // Cowling.
    m.Tube({{0.245f, 0.030f, 0.030f}, {0.20f, 0.040f, 0.042f}, {0.13f, 0.045f, 0.050f}}, {0, 0, 0}, 8, blue);
    // Body, tapering to the tail.
    m.Tube({{0.13f, 0.045f, 0.050f},
            {0.02f, 0.046f, 0.052f},
            {-0.10f, 0.036f, 0.042f},
            {-0.22f, 0.020f, 0.026f},
            {-0.305f, 0.006f, 0.010f}},
           {0, 0, -0.004f, -0.010f, -0.016f}, 8, body);
    // A blue band in front of the tail.
    m.Tube({{-0.13f, 0.0345f, 0.0405f}, {-0.16f, 0.0305f, 0.0365f}}, {-0.0056f, -0.0072f}, 8, blue);
    // Canopy.
    m.Tube({{0.09f, 0.004f, 0.004f}, {0.05f, 0.022f, 0.030f}, {-0.02f, 0.024f, 0.032f}, {-0.09f, 0.008f, 0.012f}},
           {-0.040f, -0.040f, -0.040f, -0.040f}, 6, glass);
    // Exhaust stubs on both sides of the cowling.
    m.Box({-0.050f, 0.10f, -0.012f}, {-0.040f, 0.17f, -0.004f}, dark);
    m.Box({0.040f, 0.10f, -0.012f}, {0.050f, 0.17f, -0.004f}, dark);
    return m;
}

float PlayerWingZ(float x)
{
    return 0.022f - (std::fabs(x) - 0.04f) * 0.12f;
}

float PlayerWingThickness(float x)
{
    return Lerp(0.020f, 0.008f, (std::fabs(x) - 0.04f) / 0.30f);
}

// One wing half; side -1 is the left (x < 0), +1 the right.
Model PlayerWing(float side)
{
    Model m;
    const int body = m.AddMaterial(kPlayerBody);
    const int yellow = m.AddMaterial(kPlayerYellow);
    const int blue = m.AddMaterial(kPlayerBlue);
    const int white = m.AddMaterial(kWhite);
    auto s = [side](float x) { return x * side; };
    Panel(m, {{s(0.04f), 0.095f}, {s(0.27f), 0.0508f}, {s(0.27f), -0.0302f}, {s(0.04f), -0.060f}}, PlayerWingZ,
          PlayerWingThickness, body);
    Panel(m, {{s(0.27f), 0.0508f}, {s(0.30f), 0.045f}, {s(0.335f), 0.015f}, {s(0.31f), -0.025f}, {s(0.27f), -0.0302f}},
          PlayerWingZ, PlayerWingThickness, yellow);
    Disc(m, s(0.185f), 0.016f, 0.034f, PlayerWingZ, PlayerWingThickness, 0.0015f, blue);
    Disc(m, s(0.185f), 0.016f, 0.015f, PlayerWingZ, PlayerWingThickness, 0.0030f, white);
    return m;
}

Model PlayerTailplane(float side)
{
    Model m;
    const int body = m.AddMaterial(kPlayerBody);
    const int blue = m.AddMaterial(kPlayerBlue);
    auto s = [side](float x) { return x * side; };
    auto z = [](float) { return -0.008f; };
    auto t = [](float x) { return Lerp(0.009f, 0.005f, std::fabs(x) / 0.13f); };
    Panel(m, {{s(0.012f), -0.195f}, {s(0.095f), -0.222f}, {s(0.095f), -0.283f}, {s(0.012f), -0.288f}}, z, t, body);
    Panel(
        m,
        {{s(0.095f), -0.222f}, {s(0.125f), -0.238f}, {s(0.134f), -0.258f}, {s(0.125f), -0.279f}, {s(0.095f), -0.283f}},
        z, t, blue);
    return m;
}

// The fin around its own pivot, kTailOffset behind the centre.
Model PlayerFin()
{
    Model m;
    const int blue = m.AddMaterial(kPlayerBlue);
    const int yellow = m.AddMaterial(kPlayerYellow);
    const float o = -kTailOffset;
    Fin(m, {{-0.185f + o, -0.030f}, {-0.245f + o, -0.095f}, {-0.292f + o, -0.102f}, {-0.305f + o, -0.020f}}, 0.004f,
        blue);
    Fin(m, {{-0.245f + o, -0.095f}, {-0.262f + o, -0.122f}, {-0.290f + o, -0.127f}, {-0.292f + o, -0.102f}}, 0.004f,
        yellow);
    return m;
}

Model PlayerPropeller()
{
    return Propeller(3, RgbHex(0x8C1410), kDark, kPlayerYellow, 0.112f);
}

// ---- The enemy: blunt radial cowling, square wings, dark red ------------------------------------

Model EnemyBody()
{
    Model m;
    const int body = m.AddMaterial(kEnemyBody);
    const int dark = m.AddMaterial(kEnemyDark);
    const int glass = m.AddMaterial(kGlass, kGlassGlow);
    const int white = m.AddMaterial(kWhite);
    m.Tube({{0.240f, 0.040f, 0.040f}, {0.225f, 0.058f, 0.058f}, {0.150f, 0.060f, 0.060f}, {0.120f, 0.054f, 0.056f}},
           {0, 0, 0, 0}, 10, dark);
    m.Tube({{0.120f, 0.054f, 0.056f},
            {0.0f, 0.050f, 0.056f},
            {-0.12f, 0.036f, 0.044f},
            {-0.24f, 0.016f, 0.024f},
            {-0.285f, 0.006f, 0.010f}},
           {0, 0, -0.004f, -0.010f, -0.014f}, 8, body);
    m.Tube({{0.06f, 0.004f, 0.004f}, {0.03f, 0.024f, 0.034f}, {-0.04f, 0.024f, 0.034f}, {-0.08f, 0.008f, 0.012f}},
           {-0.045f, -0.045f, -0.045f, -0.045f}, 6, glass);
    // Straight, square-tipped wings without dihedral, white bands near the tips.
    auto z = [](float) { return 0.004f; };
    auto t = [](float x) { return Lerp(0.022f, 0.010f, (std::fabs(x) - 0.045f) / 0.28f); };
    for (float side : {-1.0f, 1.0f}) {
        auto s = [side](float x) { return x * side; };
        Panel(m, {{s(0.045f), 0.085f}, {s(0.24f), 0.067f}, {s(0.24f), -0.042f}, {s(0.045f), -0.060f}}, z, t, body);
        Panel(m, {{s(0.24f), 0.067f}, {s(0.28f), 0.063f}, {s(0.28f), -0.038f}, {s(0.24f), -0.042f}}, z, t, white);
        Panel(m, {{s(0.28f), 0.063f}, {s(0.325f), 0.058f}, {s(0.325f), -0.034f}, {s(0.28f), -0.038f}}, z, t, body);
        auto tz = [](float) { return -0.006f; };
        auto tt = [](float) { return 0.008f; };
        Panel(m, {{s(0.012f), -0.185f}, {s(0.125f), -0.205f}, {s(0.125f), -0.262f}, {s(0.012f), -0.272f}}, tz, tt,
              body);
    }
    Fin(m, {{-0.175f, -0.035f}, {-0.232f, -0.118f}, {-0.280f, -0.118f}, {-0.292f, -0.020f}}, 0.004f, body);
    Fin(m, {{-0.250f, -0.104f}, {-0.252f, -0.119f}, {-0.280f, -0.119f}, {-0.282f, -0.104f}}, 0.0045f, white);
    return m;
}

Model EnemyPropeller()
{
    return Propeller(3, kEnemyDark, RgbHex(0x3A3A3A), RgbHex(0x9A8A10), 0.108f);
}

// ---- Weapons ----------------------------------------------------------------------------------

Model Bullet()
{
    Model m;
    const int tracer = m.AddMaterial(RgbHex(0xFFD040), RgbHex(0xFFB020));
    m.Tube({{0.06f, 0.0008f, 0.0008f}, {0.03f, 0.010f, 0.010f}, {-0.06f, 0.003f, 0.003f}}, {0, 0, 0}, 4, tracer);
    return m;
}

Model Bomb()
{
    Model m;
    const int body = m.AddMaterial(RgbHex(0x3C4424));
    const int band = m.AddMaterial(RgbHex(0xA08008));
    const int fin = m.AddMaterial(RgbHex(0x4C4C48));
    m.Tube({{0.095f, 0.002f, 0.002f}, {0.075f, 0.020f, 0.020f}, {0.05f, 0.028f, 0.028f}}, {0, 0, 0}, 8, body);
    m.Tube({{0.05f, 0.0285f, 0.0285f}, {0.035f, 0.0285f, 0.0285f}}, {0, 0}, 8, band);
    m.Tube({{0.035f, 0.028f, 0.028f}, {-0.05f, 0.025f, 0.025f}, {-0.095f, 0.010f, 0.010f}}, {0, 0, 0}, 8, body);
    for (int k = 0; k < 2; ++k) {
        const float w = 0.042f, h = 0.003f;
        if (k == 0) {
            m.Slab({{-w, -0.07f, -h}, {w, -0.07f, -h}, {w, -0.115f, -h}, {-w, -0.115f, -h}},
                   {{-w, -0.07f, h}, {w, -0.07f, h}, {w, -0.115f, h}, {-w, -0.115f, h}}, fin);
        } else {
            m.Slab({{-h, -0.07f, -w}, {-h, -0.07f, w}, {-h, -0.115f, w}, {-h, -0.115f, -w}},
                   {{h, -0.07f, -w}, {h, -0.07f, w}, {h, -0.115f, w}, {h, -0.115f, -w}}, fin);
        }
    }
    return m;
}

// ---- Buildings: base at z = 0, rising toward -z, each on its own concrete pad ----------------------

constexpr float kPadTop = -0.05f;

void Pad(Model& m, float halfX, float halfY, int material)
{
    const float c = 0.08f;  // chamfer
    std::vector<Vec3> top, bottom;
    for (const auto& [x, y] : std::vector<std::pair<float, float>>{{-halfX + c, -halfY},
                                                                   {halfX - c, -halfY},
                                                                   {halfX, -halfY + c},
                                                                   {halfX, halfY - c},
                                                                   {halfX - c, halfY},
                                                                   {-halfX + c, halfY},
                                                                   {-halfX, halfY - c},
                                                                   {-halfX, -halfY + c}}) {
        top.push_back({x * 0.97f, y * 0.97f, kPadTop});
        bottom.push_back({x, y, 0.0f});
    }
    m.Slab(top, bottom, material);
}

// A round-roofed hangar along y with doors at both ends.
Model HangarArched()
{
    Model m;
    const int pad = m.AddMaterial(kConcrete);
    const int roofA = m.AddMaterial(RgbHex(0x47553A));
    const int roofB = m.AddMaterial(RgbHex(0x3A4830));
    const int door = m.AddMaterial(RgbHex(0x1E1E1C));
    const int mark = m.AddMaterial(RgbHex(0xA08A18));
    Pad(m, 0.75f, 0.95f, pad);
    const float radius = 0.44f;
    const int ribs = 6;
    for (int r = 0; r < ribs; ++r) {
        const float y0 = -0.62f + 1.24f * static_cast<float>(r) / ribs;
        const float y1 = -0.62f + 1.24f * static_cast<float>(r + 1) / ribs;
        std::vector<Vec3> a, b;
        for (int i = 0; i <= 6; ++i) {
            const float angle = kPi * static_cast<float>(i) / 6.0f;
            a.push_back({radius * std::cos(angle), y0, kPadTop - radius * std::sin(angle)});
            b.push_back({radius * std::cos(angle), y1, kPadTop - radius * std::sin(angle)});
        }
        m.Loft({a, b}, r % 2 == 0 ? roofA : roofB);
    }
    for (float end : {-1.0f, 1.0f}) {
        const float y = end * 0.62f;
        m.Box({-0.26f, y - 0.012f, -0.36f}, {0.26f, y + 0.012f, kPadTop}, door);
        m.Box({-0.03f, y + end * 0.02f, kPadTop - 0.004f}, {0.03f, y + end * 0.30f, kPadTop}, mark);
    }
    return m;
}

// A brick hangar with a slate gable roof and two doors facing -y.
Model HangarGabled()
{
    Model m;
    const int pad = m.AddMaterial(kConcrete);
    const int wall = m.AddMaterial(RgbHex(0x7A3A22));
    const int roof = m.AddMaterial(RgbHex(0x343C4A));
    const int door = m.AddMaterial(RgbHex(0x1E1E1C));
    const int window = m.AddMaterial(RgbHex(0x2A4058), RgbHex(0x10202C));
    const int mark = m.AddMaterial(RgbHex(0xA08A18));
    Pad(m, 0.88f, 0.72f, pad);
    m.Box({-0.62f, -0.45f, -0.42f}, {0.62f, 0.45f, kPadTop}, wall);
    const std::vector<Vec3> back = {{-0.68f, -0.50f, -0.40f}, {0.0f, -0.50f, -0.66f}, {0.68f, -0.50f, -0.40f}};
    const std::vector<Vec3> front = {{-0.68f, 0.50f, -0.40f}, {0.0f, 0.50f, -0.66f}, {0.68f, 0.50f, -0.40f}};
    m.Loft({back, front}, roof);
    // Gable walls under the roof ends.
    for (float y : {-0.45f, 0.45f}) {
        m.Face({-0.62f, y, -0.42f}, {0.0f, y, -0.645f}, {0.62f, y, -0.42f}, wall, {0.0f, 0.0f, -0.45f});
    }
    for (float x : {-0.29f, 0.29f}) {
        m.Box({x - 0.24f, -0.457f, -0.34f}, {x + 0.24f, -0.449f, kPadTop}, door);
        m.Box({x - 0.03f, -0.70f, kPadTop - 0.004f}, {x + 0.03f, -0.46f, kPadTop}, mark);
    }
    for (float x : {-0.623f, 0.615f}) {
        for (float y : {-0.25f, 0.0f, 0.25f}) {
            m.Box({x, y - 0.08f, -0.36f}, {x + 0.008f, y + 0.08f, -0.26f}, window);
        }
    }
    return m;
}

// A control tower: four splayed legs, a cabin with a window band, a red pyramid roof and a mast.
Model Tower()
{
    Model m;
    const int pad = m.AddMaterial(kConcrete);
    const int leg = m.AddMaterial(RgbHex(0x3A3A3C));
    const int cabin = m.AddMaterial(RgbHex(0x9A968C));
    const int window = m.AddMaterial(RgbHex(0x1C3048), RgbHex(0x102030));
    const int roof = m.AddMaterial(RgbHex(0x8A1C14));
    const int light = m.AddMaterial(RgbHex(0xFF4020), RgbHex(0xFF3010));
    Pad(m, 0.52f, 0.52f, pad);
    for (float sx : {-1.0f, 1.0f}) {
        for (float sy : {-1.0f, 1.0f}) {
            auto square = [&](float c, float z) {
                const float h = 0.03f;
                return std::vector<Vec3>{{sx * c - h, sy * c - h, z},
                                         {sx * c + h, sy * c - h, z},
                                         {sx * c + h, sy * c + h, z},
                                         {sx * c - h, sy * c + h, z}};
            };
            m.Slab(square(0.16f, -1.05f), square(0.30f, kPadTop), leg);
        }
    }
    // Cross braces half way up.
    m.Box({-0.24f, -0.245f, -0.56f}, {0.24f, -0.215f, -0.53f}, leg);
    m.Box({-0.24f, 0.215f, -0.56f}, {0.24f, 0.245f, -0.53f}, leg);
    m.Box({-0.245f, -0.24f, -0.56f}, {-0.215f, 0.24f, -0.53f}, leg);
    m.Box({0.215f, -0.24f, -0.56f}, {0.245f, 0.24f, -0.53f}, leg);
    m.Box({-0.25f, -0.25f, -1.30f}, {0.25f, 0.25f, -1.04f}, cabin);
    m.Box({-0.256f, -0.256f, -1.25f}, {0.256f, 0.256f, -1.15f}, window);
    const std::vector<Vec3> eaves = {
        {-0.31f, -0.31f, -1.30f}, {0.31f, -0.31f, -1.30f}, {0.31f, 0.31f, -1.30f}, {-0.31f, 0.31f, -1.30f}};
    const std::vector<Vec3> apex(4, Vec3{0.0f, 0.0f, -1.46f});
    m.Loft({eaves, apex}, roof);
    m.Box({-0.012f, -0.012f, -1.62f}, {0.012f, 0.012f, -1.44f}, leg);
    m.Box({-0.022f, -0.022f, -1.66f}, {0.022f, 0.022f, -1.62f}, light);
    return m;
}

// ---- The menu scene's two large aircraft ----------------------------------------------------------

// The menu scene places each mesh with its own rotation; the model is turned beforehand so that,
// after that rotation, it shows the wanted attitude: seen from above and a little behind, nose up the
// screen toward the title, banking.
Model MenuAircraft(const Model& aircraft, int id)
{
    const bool right = id == 255;
    const Transform wanted =
        RotationY(right ? 0.55f : -0.55f) * RotationX(right ? -0.45f : -0.40f) * RotationZ(right ? 0.42f : -0.38f);
    const Transform menu = MenuBackdropTransform(id);
    Transform menuRotation = menu;
    menuRotation.m[3][0] = menuRotation.m[3][1] = menuRotation.m[3][2] = 0.0f;
    Model m;
    // Moved outward from the menu's place so that the aircraft frame the captions instead of covering them.
    const Transform outward = right ? Translation(1.7f, 0.4f, 0.0f) : Translation(-1.5f, -0.3f, 0.0f);
    m.Append(aircraft, Scaling(8.0f) * wanted * outward * Transposed(menuRotation));
    return m;
}

}  // namespace

Transform MenuBackdropTransform(int id)
{
    if (id == 255) {
        return RotationYawPitchRoll(20.0f * kDegrees, 65.0f * kDegrees, 170.0f * kDegrees) *
               Translation(5.6f, 0.0f, 13.8f);
    }
    return RotationYawPitchRoll(-20.0f * kDegrees, 65.0f * kDegrees, 200.0f * kDegrees) *
           Translation(-6.6f, -0.4f, 13.5f);
}

Model PlayerAircraft()
{
    Model m;
    m.Append(PlayerFuselage());
    m.Append(PlayerPropeller(), Translation(0.0f, kPropellerOffset, 0.0f));
    m.Append(PlayerFin(), Translation(0.0f, kTailOffset, 0.0f));
    m.Append(PlayerWing(-1.0f));
    m.Append(PlayerWing(1.0f));
    m.Append(PlayerTailplane(-1.0f));
    m.Append(PlayerTailplane(1.0f));
    return m;
}

Model EnemyAircraft()
{
    Model m;
    m.Append(EnemyBody());
    m.Append(EnemyPropeller(), Translation(0.0f, kPropellerOffset, 0.0f));
    return m;
}

std::vector<NamedModel> GameModels()
{
    return {
        {"mut.x", EnemyBody()},
        {"mur.x", EnemyPropeller()},
        {"loszer01.x", Bullet()},
        {"b1.x", Bomb()},
        {"mt.x", PlayerFuselage()},
        {"mr.x", PlayerPropeller()},
        {"mf.x", PlayerFin()},
        {"msz1.x", PlayerWing(-1.0f)},
        {"msz2.x", PlayerWing(1.0f)},
        {"mvcs1.x", PlayerTailplane(-1.0f)},
        {"mvcs2.x", PlayerTailplane(1.0f)},
        {"hangar01.x", HangarArched()},
        {"hangar04.x", HangarGabled()},
        {"torony.x", Tower()},
        {"menuhatter2.x", MenuAircraft(PlayerAircraft(), 255)},
        {"menuhatter.x", MenuAircraft(EnemyAircraft(), 254)},
    };
}
