#include "render/sea_sampling.h"

#include <algorithm>

namespace {

// A vertex on the screen: x, y in pixels (y down), 1/w, and the texture coordinates in texels over w,
// the quantities that vary linearly across a triangle on screen.
struct OnScreen {
    float x, y;
    float q;        // 1 / w
    float uq, vq;   // u / w, v / w in texels
    bool inFront;
};

OnScreen Project(const SurfaceVertex& in, const SeaView& view)
{
    const D3DXMATRIX& m = view.toClip;
    OnScreen out{};
    const float w = in.x * m._14 + in.y * m._24 + in.z * m._34 + m._44;
    out.inFront = w > 0.0f;
    if (!out.inFront) {
        return out;
    }
    out.q = 1.0f / w;
    out.x = (in.x * m._11 + in.y * m._21 + in.z * m._31 + m._41) * out.q * 0.5f * view.viewportWidth;
    out.y = -(in.x * m._12 + in.y * m._22 + in.z * m._32 + m._42) * out.q * 0.5f * view.viewportHeight;
    out.uq = in.u * view.textureWidth * out.q;
    out.vq = in.v * view.textureHeight * out.q;
    return out;
}

// Over the triangle a, b, c: the screen gradient of a quantity given at its corners.
struct Gradient {
    float dx, dy;
};

}  // namespace

void SeaTrianglesByLevel(const SurfaceVertex* vertices, std::uint32_t count, const SeaView& view,
                         std::vector<std::uint16_t>& topLevel, std::vector<std::uint16_t>& lower)
{
    topLevel.clear();
    lower.clear();
    if (vertices == nullptr || count < 3) {
        return;
    }
    // Kept between calls: the sea is classified every frame with the same number of vertices.
    static std::vector<OnScreen> points;
    points.resize(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        points[i] = Project(vertices[i], view);
    }
    const float limit = kSeaTopLevelTexelsPerPixel * kSeaTopLevelTexelsPerPixel;
    for (std::uint32_t i = 0; i + 2 < count; ++i) {
        // A strip's odd triangles are wound the other way round.
        const std::uint16_t corner[3] = {static_cast<std::uint16_t>(i + (i & 1)),
                                         static_cast<std::uint16_t>(i + 1 - (i & 1)),
                                         static_cast<std::uint16_t>(i + 2)};
        const OnScreen& a = points[corner[0]];
        const OnScreen& b = points[corner[1]];
        const OnScreen& c = points[corner[2]];
        std::vector<std::uint16_t>* list = &topLevel;
        if (a.inFront && b.inFront && c.inFront) {
            const float x1 = b.x - a.x, y1 = b.y - a.y, x2 = c.x - a.x, y2 = c.y - a.y;
            const float area = x1 * y2 - x2 * y1;
            if (area == 0.0f) {
                lower.insert(lower.end(), corner, corner + 3);
                continue;
            }
            auto gradient = [&](float fa, float fb, float fc) {
                const float f1 = fb - fa, f2 = fc - fa;
                return Gradient{(f1 * y2 - f2 * y1) / area, (f2 * x1 - f1 * x2) / area};
            };
            const Gradient q = gradient(a.q, b.q, c.q);
            const Gradient uq = gradient(a.uq, b.uq, c.uq);
            const Gradient vq = gradient(a.vq, b.vq, c.vq);
            for (const OnScreen* p : {&a, &b, &c}) {
                // u = uq / q, so du/dx = (d(uq)/dx - u dq/dx) / q at the corner; likewise for v and y.
                const float u = p->uq / p->q, v = p->vq / p->q;
                const float dudx = (uq.dx - u * q.dx) / p->q, dvdx = (vq.dx - v * q.dx) / p->q;
                const float dudy = (uq.dy - u * q.dy) / p->q, dvdy = (vq.dy - v * q.dy) / p->q;
                if (std::max(dudx * dudx + dvdx * dvdx, dudy * dudy + dvdy * dvdy) >= limit) {
                    list = &lower;
                    break;
                }
            }
        } else if (!a.inFront && !b.inFront && !c.inFront) {
            continue;   // wholly behind the camera
        }
        list->insert(list->end(), corner, corner + 3);
    }
}
