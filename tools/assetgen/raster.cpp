#include "raster.h"

#include <algorithm>
#include <cmath>

namespace {

Rgba Sample(const Image& texture, float u, float v)
{
    // Bilinear, wrapping.
    const float fx = u * texture.Width() - 0.5f, fy = v * texture.Height() - 0.5f;
    const float x0f = std::floor(fx), y0f = std::floor(fy);
    const float tx = fx - x0f, ty = fy - y0f;
    auto wrap = [](int i, int n) { return ((i % n) + n) % n; };
    const int x0 = wrap(static_cast<int>(x0f), texture.Width()), x1 = wrap(x0 + 1, texture.Width());
    const int y0 = wrap(static_cast<int>(y0f), texture.Height()), y1 = wrap(y0 + 1, texture.Height());
    const Rgba top = Mix(texture.At(x0, y0), texture.At(x1, y0), tx);
    const Rgba bottom = Mix(texture.At(x0, y1), texture.At(x1, y1), tx);
    return Mix(top, bottom, ty);
}

}  // namespace

Rgba LitColour(const Lighting& lighting, const Material& material, Vec3 normal)
{
    const Rgba& d = material.diffuse;
    Rgba c{d.r, d.g, d.b, 1.0f};
    if (lighting.enabled) {
        const float nl = std::fmax(0.0f, -Dot(Normalized(normal), Normalized(lighting.direction)));
        c.r = d.r * (lighting.globalAmbient.r + lighting.ambient.r + lighting.diffuse.r * nl);
        c.g = d.g * (lighting.globalAmbient.g + lighting.ambient.g + lighting.diffuse.g * nl);
        c.b = d.b * (lighting.globalAmbient.b + lighting.ambient.b + lighting.diffuse.b * nl);
    }
    c.r = std::fmin(1.0f, c.r + material.emissive.r);
    c.g = std::fmin(1.0f, c.g + material.emissive.g);
    c.b = std::fmin(1.0f, c.b + material.emissive.b);
    return c;
}

Transform LookAt(Vec3 eye, Vec3 at, Vec3 up)
{
    const Vec3 z = Normalized(at - eye);
    const Vec3 x = Normalized(Cross(up, z));
    const Vec3 y = Cross(z, x);
    Transform t;
    const Vec3 axes[3] = {x, y, z};
    for (int j = 0; j < 3; ++j) {
        t.m[0][j] = axes[j].x;
        t.m[1][j] = axes[j].y;
        t.m[2][j] = axes[j].z;
        t.m[3][j] = -Dot(axes[j], eye);
    }
    return t;
}

Renderer::Renderer(int width, int height, const Rgba& clear)
    : colour_(width, height, clear), depth_(static_cast<std::size_t>(width) * height, 1e30f)
{
    SetProjection(1.18105f, 1.333333f, 0.1f, 32.0f);
}

void Renderer::SetProjection(float fovY, float aspect, float zNear, float zFar)
{
    yScale_ = 1.0f / std::tan(fovY * 0.5f);
    xScale_ = yScale_ / aspect;
    zNear_ = zNear;
    zFar_ = zFar;
}

void Renderer::DrawModel(const Model& model, const Transform& world)
{
    const Transform toView = world * view_;
    for (const Triangle& t : model.Triangles()) {
        const Vec3 a = world.Point(t.p[0]), b = world.Point(t.p[1]), c = world.Point(t.p[2]);
        Rgba colour = LitColour(lighting, model.Materials()[static_cast<std::size_t>(t.material)], Cross(b - a, c - a));
        std::vector<ViewVertex> polygon;
        for (const Vec3& p : t.p) {
            polygon.push_back({toView.Point(p), 0.0f, 0.0f});
        }
        Rasterise(polygon, &colour, nullptr, 1.0f, true, true);
    }
}

void Renderer::DrawTextured(const TexturedVertex& a, const TexturedVertex& b, const TexturedVertex& c,
                            const Image& texture, float brightness, bool depthWrite)
{
    std::vector<ViewVertex> polygon;
    for (const TexturedVertex* v : {&a, &b, &c}) {
        polygon.push_back({view_.Point(v->position), v->u, v->v});
    }
    Rasterise(polygon, nullptr, &texture, brightness, false, depthWrite);
}

void Renderer::Rasterise(std::vector<ViewVertex> polygon, const Rgba* flat, const Image* texture, float brightness,
                         bool cull, bool depthWrite)
{
    // Clip against the near plane.
    std::vector<ViewVertex> clipped;
    for (std::size_t i = 0; i < polygon.size(); ++i) {
        const ViewVertex& p = polygon[i];
        const ViewVertex& q = polygon[(i + 1) % polygon.size()];
        const bool pIn = p.p.z >= zNear_, qIn = q.p.z >= zNear_;
        if (pIn) {
            clipped.push_back(p);
        }
        if (pIn != qIn) {
            const float t = (zNear_ - p.p.z) / (q.p.z - p.p.z);
            clipped.push_back({p.p + (q.p - p.p) * t, p.u + (q.u - p.u) * t, p.v + (q.v - p.v) * t});
        }
    }
    if (clipped.size() < 3) {
        return;
    }
    const float w = static_cast<float>(colour_.Width()), h = static_cast<float>(colour_.Height());
    struct Screen {
        float x, y, invZ, uz, vz, rz;  // rz: range to the eye over z
    };
    std::vector<Screen> s;
    for (const ViewVertex& v : clipped) {
        const float invZ = 1.0f / v.p.z;
        const float range = std::sqrt(Dot(v.p, v.p));
        s.push_back({(v.p.x * xScale_ * invZ * 0.5f + 0.5f) * w, (-v.p.y * yScale_ * invZ * 0.5f + 0.5f) * h, invZ,
                     v.u * invZ, v.v * invZ, range * invZ});
    }
    for (std::size_t k = 1; k + 1 < s.size(); ++k) {
        const Screen& a = s[0];
        const Screen& b = s[k];
        const Screen& c = s[k + 1];
        const float area = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
        if (std::fabs(area) < 1e-9f || (cull && area <= 0.0f)) {
            continue;
        }
        const int minX = std::max(0, static_cast<int>(std::floor(std::min({a.x, b.x, c.x}))));
        const int maxX = std::min(colour_.Width() - 1, static_cast<int>(std::ceil(std::max({a.x, b.x, c.x}))));
        const int minY = std::max(0, static_cast<int>(std::floor(std::min({a.y, b.y, c.y}))));
        const int maxY = std::min(colour_.Height() - 1, static_cast<int>(std::ceil(std::max({a.y, b.y, c.y}))));
        for (int y = minY; y <= maxY; ++y) {
            for (int x = minX; x <= maxX; ++x) {
                const float px = static_cast<float>(x) + 0.5f, py = static_cast<float>(y) + 0.5f;
                const float wa = ((b.x - px) * (c.y - py) - (b.y - py) * (c.x - px)) / area;
                const float wb = ((c.x - px) * (a.y - py) - (c.y - py) * (a.x - px)) / area;
                const float wc = 1.0f - wa - wb;
                if (wa < 0.0f || wb < 0.0f || wc < 0.0f) {
                    continue;
                }
                const float invZ = wa * a.invZ + wb * b.invZ + wc * c.invZ;
                const float z = 1.0f / invZ;
                if (z > zFar_) {
                    continue;
                }
                float& depth = depth_[static_cast<std::size_t>(y) * colour_.Width() + x];
                if (z >= depth) {
                    continue;
                }
                Rgba colour;
                if (texture != nullptr) {
                    const float u = (wa * a.uz + wb * b.uz + wc * c.uz) * z;
                    const float v = (wa * a.vz + wb * b.vz + wc * c.vz) * z;
                    colour = Sample(*texture, u, v);
                    colour.r = std::fmin(1.0f, colour.r * brightness);
                    colour.g = std::fmin(1.0f, colour.g * brightness);
                    colour.b = std::fmin(1.0f, colour.b * brightness);
                    if (colour.a < 0.02f) {
                        continue;
                    }
                } else {
                    colour = *flat;
                }
                if (fog.enabled) {
                    const float range = (wa * a.rz + wb * b.rz + wc * c.rz) * z;
                    const float f = std::fmin(1.0f, std::fmax(0.0f, (fog.end - range) / (fog.end - fog.start)));
                    const float alpha = colour.a;
                    colour = Mix(fog.colour, colour, f);
                    colour.a = alpha;
                }
                if (depthWrite) {
                    depth = z;
                }
                colour_.Blend(x, y, colour);
            }
        }
    }
}
