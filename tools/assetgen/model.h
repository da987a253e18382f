// Low-poly solid models built from a few primitives, and their .x text files.
//
// Axes are the game's: x to the right, y forward, z downward (the top of a model faces -z). Every
// face is flat shaded and wound so that (b - a) x (c - a) points out of the solid, which is the
// front side for the game's counter-clockwise culling.
#pragma once

#include <string>
#include <vector>

#include "image.h"

struct Vec3 {
    float x = 0, y = 0, z = 0;
};
Vec3 operator+(Vec3 a, Vec3 b);
Vec3 operator-(Vec3 a, Vec3 b);
Vec3 operator*(Vec3 a, float s);
Vec3 Cross(Vec3 a, Vec3 b);
float Dot(Vec3 a, Vec3 b);
Vec3 Normalized(Vec3 a);

// A 4x3 affine transform with row vectors, as the game's matrices: p' = p * M, and in A * B the
// transform A acts first.
struct Transform {
    float m[4][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, 0, 0}};
    Vec3 Point(Vec3 p) const;
    Vec3 Direction(Vec3 d) const;
};
Transform operator*(const Transform& a, const Transform& b);
Transform Translation(float x, float y, float z);
Transform Scaling(float s);
Transform RotationX(float angle);
Transform RotationY(float angle);
Transform RotationZ(float angle);
// The game's yaw-pitch-roll rotation: about z by roll, then about x by pitch, then about y by yaw.
Transform RotationYawPitchRoll(float yaw, float pitch, float roll);
Transform Transposed(const Transform& rotation);  // the inverse of a pure rotation

struct Material {
    Rgba diffuse;
    Rgba emissive{0, 0, 0, 1};
    float power = 20.0f;
};

struct Triangle {
    Vec3 p[3];
    int material = 0;
};

class Model {
public:
    // Returns the material's index; materials are written in the order they are added.
    int AddMaterial(const Rgba& diffuse, const Rgba& emissive = {0, 0, 0, 1});

    // A triangle turned, if needed, so that its front faces away from `inside`.
    void Face(Vec3 a, Vec3 b, Vec3 c, int material, Vec3 inside);
    // A planar quad (corners in order around it), as two triangles, front away from `inside`.
    void Quad(Vec3 a, Vec3 b, Vec3 c, Vec3 d, int material, Vec3 inside);
    // A closed tube through rings of equal point count (each ring in order around), capped at both
    // ends; a ring may be a single point repeated (a tip).
    void Loft(const std::vector<std::vector<Vec3>>& rings, int material);
    // Closed tube along y through elliptic rings: each station is {y, half-width, half-height}, with
    // the ring's centre at height centreZ, `sides` points per ring.
    void Tube(const std::vector<Vec3>& stations, const std::vector<float>& centreZ, int sides, int material);
    // A slab with a convex outline given in x, y (in order around); its top and bottom heights
    // (z) at each outline point.
    void Slab(const std::vector<Vec3>& outlineTop, const std::vector<Vec3>& outlineBottom, int material);
    void Box(Vec3 minimum, Vec3 maximum, int material);
    void AddTriangle(const Triangle& triangle) { triangles_.push_back(triangle); }

    // Appends another model (its materials too), transformed.
    void Append(const Model& other, const Transform& transform = {});
    void Apply(const Transform& transform);

    const std::vector<Material>& Materials() const { return materials_; }
    const std::vector<Triangle>& Triangles() const { return triangles_; }
    void Bounds(Vec3& minimum, Vec3& maximum) const;

private:
    std::vector<Material> materials_;
    std::vector<Triangle> triangles_;
};

// The .x text file of the model: one Mesh with shared positions, flat normals per face and a
// material list. Numbers are written with fixed precision, so the same model gives the same bytes.
std::string WriteXFile(const Model& model, const std::string& name);
