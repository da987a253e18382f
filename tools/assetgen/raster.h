// A small software renderer for pictures of the content: the intro picture and the contact sheet.
// It follows the game's conventions: row-vector transforms, a left-handed perspective projection,
// counter-clockwise faces culled, one directional light with ambient terms as the fixed-function
// pipeline computes them (flat per face here), and linear range fog.
#pragma once

#include "image.h"
#include "model.h"

struct Lighting {
    bool enabled = true;
    Vec3 direction{-1.0f, -2.0f, 5.0f};     // the direction the light travels
    Rgba diffuse{0.8f, 0.7f, 0.6f, 1.0f};
    Rgba ambient{0.5f, 0.5f, 0.5f, 1.0f};   // the light's own ambient part
    Rgba globalAmbient{0.533f, 0.533f, 0.533f, 1.0f};
};

struct Fog {
    bool enabled = false;
    float start = 0.0f, end = 100.0f;
    Rgba colour{0.784f, 0.784f, 0.784f, 1.0f};
};

// D3DXMatrixLookAtLH: the view transform of an eye at `eye` looking at `at`.
Transform LookAt(Vec3 eye, Vec3 at, Vec3 up);

struct TexturedVertex {
    Vec3 position;  // world
    float u = 0, v = 0;
};

class Renderer {
public:
    Renderer(int width, int height, const Rgba& clear);

    // World to view, and the projection (vertical field of view, aspect, near and far planes).
    void SetView(const Transform& view) { view_ = view; }
    void SetProjection(float fovY, float aspect, float zNear, float zFar);

    Lighting lighting;
    Fog fog;

    void DrawModel(const Model& model, const Transform& world);
    // A textured triangle, lit by `brightness` (1: the texture as it is); texels blend by their alpha.
    // Drawn from both sides.
    void DrawTextured(const TexturedVertex& a, const TexturedVertex& b, const TexturedVertex& c, const Image& texture,
                      float brightness, bool depthWrite = true);

    const Image& Picture() const { return colour_; }
    Image& Canvas() { return colour_; }

private:
    struct ViewVertex {
        Vec3 p;  // view space
        float u, v;
    };
    void Rasterise(std::vector<ViewVertex> polygon, const Rgba* flat, const Image* texture, float brightness, bool cull,
                   bool depthWrite);

    Image colour_;
    std::vector<float> depth_;
    Transform view_;
    float xScale_ = 1, yScale_ = 1, zNear_ = 0.1f, zFar_ = 100;
};

// The lit colour of a face with this material and outward normal (world space).
Rgba LitColour(const Lighting& lighting, const Material& material, Vec3 normal);
