// Writes .x files for the tests, in the text or the binary form, from a small description: meshes
// with their faces (any vertex count), optional normals, texture coordinates and materials, each in
// a chain of frames with their matrices.
#pragma once

#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "platform/win/little_endian.h"

struct XMaterialSpec {
    float r = 1, g = 1, b = 1, a = 1;
    float power = 0;
    float specular[3] = {0, 0, 0};
    float emissive[3] = {0, 0, 0};
    bool hasTexture = false;
    std::string texture;
};

struct XMeshSpec {
    std::vector<float> positions;               // x, y, z per vertex
    std::vector<std::vector<unsigned>> faces;   // vertex indices per face
    std::vector<float> normals;                 // x, y, z per normal; empty: no MeshNormals
    std::vector<std::vector<unsigned>> normalFaces;
    std::vector<float> texCoords;               // u, v per vertex; empty: no MeshTextureCoords
    std::vector<XMaterialSpec> materials;       // empty: no MeshMaterialList
    std::vector<unsigned> faceMaterials;
    std::vector<std::vector<float>> frames;     // 16 floats each, outermost first
};

class XWriter {
public:
    explicit XWriter(bool binary) : binary_(binary) {}

    std::string Write(const std::vector<XMeshSpec>& meshes)
    {
        out_.clear();
        out_ += binary_ ? "xof 0303bin 0032" : "xof 0303txt 0032\n";
        // A template, which the reader skips.
        Name("template");
        Name("Vector");
        Open();
        if (!binary_) {
            out_ += "<3D82AB5E-62DA-11cf-AB39-0020AF71E433>\n FLOAT x;\n FLOAT y;\n FLOAT z;\n";
        }
        Close();
        // An unknown data object, skipped as well.
        Name("Header");
        Open();
        Ints({1, 0, 1});
        Close();
        for (const XMeshSpec& mesh : meshes) {
            for (const auto& frame : mesh.frames) {
                Name("Frame");
                Open();
                Name("FrameTransformMatrix");
                Open();
                Floats(frame);
                Close();
            }
            WriteMesh(mesh);
            for (std::size_t i = 0; i < mesh.frames.size(); ++i) {
                Close();
            }
        }
        return out_;
    }

private:
    void WriteMesh(const XMeshSpec& m)
    {
        Name("Mesh");
        Name("object");
        Open();
        Ints({static_cast<unsigned>(m.positions.size() / 3)});
        Floats(m.positions);
        Faces(m.faces);
        if (!m.normals.empty()) {
            Name("MeshNormals");
            Open();
            Ints({static_cast<unsigned>(m.normals.size() / 3)});
            Floats(m.normals);
            Faces(m.normalFaces);
            Close();
        }
        if (!m.texCoords.empty()) {
            Name("MeshTextureCoords");
            Open();
            Ints({static_cast<unsigned>(m.texCoords.size() / 2)});
            Floats(m.texCoords);
            Close();
        }
        if (!m.materials.empty()) {
            Name("MeshMaterialList");
            Open();
            Ints({static_cast<unsigned>(m.materials.size()), static_cast<unsigned>(m.faceMaterials.size())});
            Ints(m.faceMaterials);
            for (const XMaterialSpec& mat : m.materials) {
                Name("Material");
                Open();
                Floats({mat.r, mat.g, mat.b, mat.a, mat.power, mat.specular[0], mat.specular[1], mat.specular[2],
                        mat.emissive[0], mat.emissive[1], mat.emissive[2]});
                if (mat.hasTexture) {
                    Name("TextureFilename");
                    Open();
                    String(mat.texture);
                    Close();
                }
                Close();
            }
            Close();
        }
        Close();
    }

    void Faces(const std::vector<std::vector<unsigned>>& faces)
    {
        std::vector<unsigned> flat{static_cast<unsigned>(faces.size())};
        for (const auto& f : faces) {
            flat.push_back(static_cast<unsigned>(f.size()));
            flat.insert(flat.end(), f.begin(), f.end());
        }
        Ints(flat);
    }

    void Word(std::uint16_t v) { LittleEndianWriter(out_).U16(v); }
    void Dword(std::uint32_t v) { LittleEndianWriter(out_).U32(v); }

    void Name(const std::string& name)
    {
        if (binary_) {
            if (name == "template") {
                Word(31);
                return;
            }
            Word(1);
            Dword(static_cast<std::uint32_t>(name.size()));
            out_ += name;
        } else {
            out_ += name + " ";
        }
    }
    void Open()
    {
        if (binary_) {
            Word(10);
        } else {
            out_ += "{\n";
        }
    }
    void Close()
    {
        if (binary_) {
            Word(11);
        } else {
            out_ += "}\n";
        }
    }
    void String(const std::string& text)
    {
        if (binary_) {
            Word(2);
            Dword(static_cast<std::uint32_t>(text.size()));
            out_ += text;
            Dword(20);  // the terminating separator, as a DWORD
        } else {
            out_ += "\"" + text + "\";\n";
        }
    }
    void Ints(const std::vector<unsigned>& values)
    {
        if (values.empty()) {
            return;
        }
        if (binary_) {
            Word(6);
            Dword(static_cast<std::uint32_t>(values.size()));
            for (unsigned v : values) {
                Dword(v);
            }
        } else {
            for (unsigned v : values) {
                out_ += std::to_string(v) + ";";
            }
            out_ += "\n";
        }
    }
    void Floats(const std::vector<float>& values)
    {
        if (values.empty()) {
            return;
        }
        if (binary_) {
            Word(7);
            Dword(static_cast<std::uint32_t>(values.size()));
            for (float v : values) {
                LittleEndianWriter(out_).F32(v);
            }
        } else {
            std::ostringstream s;
            s.precision(9);
            for (float v : values) {
                s << v << ";";
            }
            out_ += s.str() + "\n";
        }
    }

    bool binary_;
    std::string out_;
};

// A cube from -1 to 1 with faces as quads, clockwise seen from outside; with face normals (24
// vertices after splitting) or without (8 vertices).
inline XMeshSpec CubeSpec(bool withNormals)
{
    XMeshSpec m;
    m.positions = {-1, -1, -1, -1, 1, -1, 1, 1, -1, 1, -1, -1, -1, -1, 1, -1, 1, 1, 1, 1, 1, 1, -1, 1};
    m.faces = {{0, 1, 2, 3}, {7, 6, 5, 4}, {4, 5, 1, 0}, {3, 2, 6, 7}, {1, 5, 6, 2}, {3, 7, 4, 0}};
    if (withNormals) {
        m.normals = {0, 0, -1, 0, 0, 1, -1, 0, 0, 1, 0, 0, 0, 1, 0, 0, -1, 0};
        for (unsigned f = 0; f < 6; ++f) {
            m.normalFaces.push_back({f, f, f, f});
        }
    }
    return m;
}

// A flat grid of `n` by `n` quads in the z = 0 plane, two materials in a checkerboard (the second
// textured), texture coordinates across the grid.
inline XMeshSpec GridSpec(unsigned n)
{
    XMeshSpec m;
    for (unsigned y = 0; y <= n; ++y) {
        for (unsigned x = 0; x <= n; ++x) {
            m.positions.insert(m.positions.end(), {float(x), float(y), 0.0f});
            m.texCoords.insert(m.texCoords.end(), {float(x) / float(n), float(y) / float(n)});
        }
    }
    for (unsigned y = 0; y < n; ++y) {
        for (unsigned x = 0; x < n; ++x) {
            const unsigned a = y * (n + 1) + x;
            m.faces.push_back({a, a + n + 1, a + n + 2, a + 1});
            m.faceMaterials.push_back((x + y) % 2);
        }
    }
    XMaterialSpec red;
    red.r = 1;
    red.g = 0;
    red.b = 0;
    XMaterialSpec textured;
    textured.hasTexture = true;
    textured.texture = "grid.bmp";
    m.materials = {red, textured};
    return m;
}
