#include "model.h"

#include <cmath>
#include <cstdio>
#include <map>

Vec3 operator+(Vec3 a, Vec3 b)
{
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}

Vec3 operator-(Vec3 a, Vec3 b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

Vec3 operator*(Vec3 a, float s)
{
    return {a.x * s, a.y * s, a.z * s};
}

Vec3 Cross(Vec3 a, Vec3 b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

float Dot(Vec3 a, Vec3 b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

Vec3 Normalized(Vec3 a)
{
    const float length = std::sqrt(Dot(a, a));
    return length > 0.0f ? a * (1.0f / length) : Vec3{0, 0, 0};
}

Vec3 Transform::Point(Vec3 p) const
{
    return {p.x * m[0][0] + p.y * m[1][0] + p.z * m[2][0] + m[3][0],
            p.x * m[0][1] + p.y * m[1][1] + p.z * m[2][1] + m[3][1],
            p.x * m[0][2] + p.y * m[1][2] + p.z * m[2][2] + m[3][2]};
}

Vec3 Transform::Direction(Vec3 d) const
{
    return {d.x * m[0][0] + d.y * m[1][0] + d.z * m[2][0], d.x * m[0][1] + d.y * m[1][1] + d.z * m[2][1],
            d.x * m[0][2] + d.y * m[1][2] + d.z * m[2][2]};
}

Transform operator*(const Transform& a, const Transform& b)
{
    Transform r;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 3; ++j) {
            r.m[i][j] =
                a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] + (i == 3 ? b.m[3][j] : 0.0f);
        }
    }
    return r;
}

Transform Translation(float x, float y, float z)
{
    Transform t;
    t.m[3][0] = x;
    t.m[3][1] = y;
    t.m[3][2] = z;
    return t;
}

Transform Scaling(float s)
{
    Transform t;
    t.m[0][0] = t.m[1][1] = t.m[2][2] = s;
    return t;
}

Transform RotationX(float angle)
{
    const float c = std::cos(angle), s = std::sin(angle);
    Transform t;
    t.m[1][1] = c;
    t.m[1][2] = s;
    t.m[2][1] = -s;
    t.m[2][2] = c;
    return t;
}

Transform RotationY(float angle)
{
    const float c = std::cos(angle), s = std::sin(angle);
    Transform t;
    t.m[0][0] = c;
    t.m[0][2] = -s;
    t.m[2][0] = s;
    t.m[2][2] = c;
    return t;
}

Transform RotationZ(float angle)
{
    const float c = std::cos(angle), s = std::sin(angle);
    Transform t;
    t.m[0][0] = c;
    t.m[0][1] = s;
    t.m[1][0] = -s;
    t.m[1][1] = c;
    return t;
}

Transform RotationYawPitchRoll(float yaw, float pitch, float roll)
{
    return RotationZ(roll) * RotationX(pitch) * RotationY(yaw);
}

Transform Transposed(const Transform& rotation)
{
    Transform t;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            t.m[i][j] = rotation.m[j][i];
        }
    }
    return t;
}

int Model::AddMaterial(const Rgba& diffuse, const Rgba& emissive)
{
    materials_.push_back({diffuse, emissive, 20.0f});
    return static_cast<int>(materials_.size()) - 1;
}

void Model::Face(Vec3 a, Vec3 b, Vec3 c, int material, Vec3 inside)
{
    const Vec3 n = Cross(b - a, c - a);
    if (Dot(n, n) < 1e-14f) {
        return;  // degenerate (a collapsed ring, a tip)
    }
    const Vec3 centre = (a + b + c) * (1.0f / 3.0f);
    if (Dot(n, centre - inside) < 0.0f) {
        std::swap(b, c);
    }
    triangles_.push_back({{a, b, c}, material});
}

void Model::Quad(Vec3 a, Vec3 b, Vec3 c, Vec3 d, int material, Vec3 inside)
{
    Face(a, b, c, material, inside);
    Face(a, c, d, material, inside);
}

void Model::Loft(const std::vector<std::vector<Vec3>>& rings, int material)
{
    auto centreOf = [](const std::vector<Vec3>& ring) {
        Vec3 sum;
        for (const Vec3& p : ring) {
            sum = sum + p;
        }
        return sum * (1.0f / static_cast<float>(ring.size()));
    };
    for (std::size_t r = 0; r + 1 < rings.size(); ++r) {
        const std::vector<Vec3>& a = rings[r];
        const std::vector<Vec3>& b = rings[r + 1];
        const Vec3 inside = (centreOf(a) + centreOf(b)) * 0.5f;
        for (std::size_t i = 0; i < a.size(); ++i) {
            const std::size_t j = (i + 1) % a.size();
            Quad(a[i], a[j], b[j], b[i], material, inside);
        }
    }
    const std::vector<Vec3>& first = rings.front();
    const std::vector<Vec3>& last = rings.back();
    const Vec3 firstCentre = centreOf(first), lastCentre = centreOf(last);
    const Vec3 firstInside = centreOf(rings[1]), lastInside = centreOf(rings[rings.size() - 2]);
    for (std::size_t i = 0; i < first.size(); ++i) {
        const std::size_t j = (i + 1) % first.size();
        Face(firstCentre, first[i], first[j], material, firstInside);
        Face(lastCentre, last[i], last[j], material, lastInside);
    }
}

void Model::Tube(const std::vector<Vec3>& stations, const std::vector<float>& centreZ, int sides, int material)
{
    std::vector<std::vector<Vec3>> rings;
    for (std::size_t s = 0; s < stations.size(); ++s) {
        std::vector<Vec3> ring;
        for (int i = 0; i < sides; ++i) {
            const float angle = (static_cast<float>(i) + 0.5f) * 6.2831853f / static_cast<float>(sides);
            ring.push_back(
                {std::sin(angle) * stations[s].y, stations[s].x, centreZ[s] + std::cos(angle) * stations[s].z});
        }
        rings.push_back(ring);
    }
    Loft(rings, material);
}

void Model::Slab(const std::vector<Vec3>& top, const std::vector<Vec3>& bottom, int material)
{
    Vec3 inside;
    for (std::size_t i = 0; i < top.size(); ++i) {
        inside = inside + top[i] + bottom[i];
    }
    inside = inside * (1.0f / static_cast<float>(2 * top.size()));
    for (std::size_t i = 1; i + 1 < top.size(); ++i) {
        Face(top[0], top[i], top[i + 1], material, inside);
        Face(bottom[0], bottom[i], bottom[i + 1], material, inside);
    }
    for (std::size_t i = 0; i < top.size(); ++i) {
        const std::size_t j = (i + 1) % top.size();
        Quad(top[i], top[j], bottom[j], bottom[i], material, inside);
    }
}

void Model::Box(Vec3 a, Vec3 b, int material)
{
    Slab({{a.x, a.y, a.z}, {b.x, a.y, a.z}, {b.x, b.y, a.z}, {a.x, b.y, a.z}},
         {{a.x, a.y, b.z}, {b.x, a.y, b.z}, {b.x, b.y, b.z}, {a.x, b.y, b.z}}, material);
}

void Model::Append(const Model& other, const Transform& transform)
{
    const int base = static_cast<int>(materials_.size());
    materials_.insert(materials_.end(), other.materials_.begin(), other.materials_.end());
    for (Triangle t : other.triangles_) {
        for (Vec3& p : t.p) {
            p = transform.Point(p);
        }
        t.material += base;
        triangles_.push_back(t);
    }
}

void Model::Apply(const Transform& transform)
{
    for (Triangle& t : triangles_) {
        for (Vec3& p : t.p) {
            p = transform.Point(p);
        }
    }
}

void Model::Bounds(Vec3& minimum, Vec3& maximum) const
{
    minimum = maximum = triangles_.empty() ? Vec3{} : triangles_[0].p[0];
    for (const Triangle& t : triangles_) {
        for (const Vec3& p : t.p) {
            minimum = {std::fmin(minimum.x, p.x), std::fmin(minimum.y, p.y), std::fmin(minimum.z, p.z)};
            maximum = {std::fmax(maximum.x, p.x), std::fmax(maximum.y, p.y), std::fmax(maximum.z, p.z)};
        }
    }
}

namespace {

std::string Number(float v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.5f", static_cast<double>(v));
    // "-0.00000" and "0.00000" are the same number: write it once.
    if (std::string(text) == "-0.00000") {
        return "0.00000";
    }
    return text;
}

std::string Triple(Vec3 v)
{
    return Number(v.x) + ";" + Number(v.y) + ";" + Number(v.z) + ";";
}

std::string Colour(const Rgba& c, bool alpha)
{
    std::string s = Number(c.r) + ";" + Number(c.g) + ";" + Number(c.b) + ";";
    if (alpha) {
        s += Number(c.a) + ";";
    }
    return s + ";";
}

}  // namespace

std::string WriteXFile(const Model& source, const std::string& name)
{
    // Materials no face uses are left out: every material of the file then has triangles to draw.
    Model model;
    std::vector<int> used(source.Materials().size(), -1);
    for (const Triangle& t : source.Triangles()) {
        if (used[static_cast<std::size_t>(t.material)] < 0) {
            used[static_cast<std::size_t>(t.material)] = 0;
        }
    }
    for (std::size_t m = 0; m < used.size(); ++m) {
        if (used[m] == 0) {
            used[m] = model.AddMaterial(source.Materials()[m].diffuse, source.Materials()[m].emissive);
        }
    }
    for (Triangle t : source.Triangles()) {
        t.material = used[static_cast<std::size_t>(t.material)];
        model.AddTriangle(t);
    }

    // Shared positions and normals, found by their written text.
    std::map<std::string, int> positionIndex, normalIndex;
    std::vector<std::string> positions, normals;
    std::vector<int> facePositions, faceNormals;
    for (const Triangle& t : model.Triangles()) {
        for (const Vec3& p : t.p) {
            const std::string key = Triple(p);
            auto [it, added] = positionIndex.emplace(key, static_cast<int>(positions.size()));
            if (added) {
                positions.push_back(key);
            }
            facePositions.push_back(it->second);
        }
        const std::string key = Triple(Normalized(Cross(t.p[1] - t.p[0], t.p[2] - t.p[0])));
        auto [it, added] = normalIndex.emplace(key, static_cast<int>(normals.size()));
        if (added) {
            normals.push_back(key);
        }
        faceNormals.push_back(it->second);
    }
    const std::size_t faces = model.Triangles().size();
    auto list = [](const std::vector<std::string>& items) {
        std::string s;
        for (std::size_t i = 0; i < items.size(); ++i) {
            s += "  " + items[i] + (i + 1 < items.size() ? ",\n" : ";\n");
        }
        return s;
    };
    auto faceList = [faces](const std::vector<int>& indices) {
        std::string s;
        for (std::size_t f = 0; f < faces; ++f) {
            s += "  3;" + std::to_string(indices[3 * f]) + "," + std::to_string(indices[3 * f + 1]) + "," +
                 std::to_string(indices[3 * f + 2]) + ";" + (f + 1 < faces ? ",\n" : ";\n");
        }
        return s;
    };
    std::vector<int> normalTriples;
    for (int n : faceNormals) {
        normalTriples.insert(normalTriples.end(), {n, n, n});
    }

    std::string x = "xof 0303txt 0032\n\n";
    x += "Mesh " + name + " {\n";
    x += " " + std::to_string(positions.size()) + ";\n" + list(positions);
    x += " " + std::to_string(faces) + ";\n" + faceList(facePositions);
    x += "\n MeshNormals {\n  " + std::to_string(normals.size()) + ";\n" + list(normals);
    x += "  " + std::to_string(faces) + ";\n" + faceList(normalTriples) + " }\n";
    x += "\n MeshMaterialList {\n  " + std::to_string(model.Materials().size()) + ";\n  " + std::to_string(faces) +
         ";\n";
    for (std::size_t f = 0; f < faces; ++f) {
        x += "  " + std::to_string(model.Triangles()[f].material) + (f + 1 < faces ? ",\n" : ";\n");
    }
    for (const Material& m : model.Materials()) {
        x += "  Material {\n   " + Colour(m.diffuse, true) + "\n   " + Number(m.power) + ";\n   " +
             Colour(m.diffuse, false) + "\n   " + Colour(m.emissive, false) + "\n  }\n";
    }
    x += " }\n}\n";
    return x;
}
