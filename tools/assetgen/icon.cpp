// The desktop icon: the player's fighter seen from above and behind, climbing out of the evening sky
// of the intro picture, on a rounded square with transparent corners.
#include <algorithm>
#include <cmath>

#include "content.h"
#include "raster.h"

Image GameIcon(int size)
{
    // Drawn four times larger and reduced, so edges and thin parts stay smooth at every size.
    const int big = size * 4;
    Renderer r(big, big, {0, 0, 0, 1});
    Image& canvas = r.Canvas();
    const Rgba skyTop = RgbHex(0x101C3A), skyLow = RgbHex(0xC88A64);
    for (int y = 0; y < big; ++y) {
        const Rgba c = Mix(skyTop, skyLow, std::pow(static_cast<float>(y) / static_cast<float>(big), 1.4f));
        for (int x = 0; x < big; ++x) {
            canvas.Set(x, y, c);
        }
    }
    Model aircraft = PlayerAircraft();
    Vec3 lo, hi;
    aircraft.Bounds(lo, hi);
    const Vec3 centre = (lo + hi) * 0.5f;
    const float radius = std::sqrt(Dot(hi - lo, hi - lo)) * 0.5f;
    const float fov = 0.7f;
    const float distance = radius / std::sin(fov * 0.5f) * 0.9f;
    r.SetProjection(fov, 1.0f, distance * 0.05f, distance * 3.0f);
    r.SetView(LookAt(centre + Normalized({0.35f, -1.0f, -0.8f}) * distance, centre, {0, 0, -1}));
    r.DrawModel(aircraft, RotationYawPitchRoll(0.0f, 0.0f, 0.25f));

    Image reduced(size, size, {0, 0, 0, 0});
    reduced.Draw(r.Picture(), 0, 0, size, size);
    // The rounded square's coverage becomes the icon's alpha.
    Image mask(size, size, {0, 0, 0, 0});
    const float inset = std::max(0.5f, static_cast<float>(size) / 32.0f);
    mask.FillRoundRect(inset, inset, static_cast<float>(size) - inset, static_cast<float>(size) - inset,
                       static_cast<float>(size) * 0.18f, {1, 1, 1, 1});
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            reduced.At(x, y).a = mask.At(x, y).a;
        }
    }
    return reduced;
}
