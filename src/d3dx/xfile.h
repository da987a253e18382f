// Reading DirectX .x files: the text and binary forms of format versions 03.02 and 03.03, plain or
// compressed (MSZIP: "tzip" text, "bzip" binary).
//
// Only what a mesh needs is taken from the file: Frame hierarchies with their FrameTransformMatrix,
// Mesh with faces of any vertex count, MeshNormals, MeshTextureCoords, MeshMaterialList with Material
// and TextureFilename (inline or by reference to a named Material at the top level or in a Frame). Templates and every
// other data object are skipped. All meshes of the file are merged into one, in world space. Nothing in the file is
// trusted: every count is checked against what remains of the input before anything is allocated for it, every index
// against what it indexes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "d3dx/math.h"

struct XFileMaterial {
    D3DCOLORVALUE faceColor{};  // diffuse colour with alpha
    float power = 0.0f;
    D3DCOLORVALUE specular{};   // alpha 1
    D3DCOLORVALUE emissive{};   // alpha 1
    bool hasTexture = false;    // a TextureFilename was given (its name may be empty)
    std::string texture;
};

// The merged geometry as triangles. A vertex of the file that meets different normals in different
// faces is split into one vertex per normal.
struct XFileMeshData {
    std::vector<D3DXVECTOR3> positions;
    std::vector<D3DXVECTOR3> normals;     // one per vertex when hasNormals
    std::vector<D3DXVECTOR2> texCoords;   // one per vertex when hasTexCoords
    bool hasNormals = false;
    bool hasTexCoords = false;
    std::vector<std::uint32_t> indices;     // three per triangle, clockwise as in the file
    std::vector<std::uint32_t> attributes;  // one material index per triangle
    std::vector<XFileMaterial> materials;
};

enum class XFileResult {
    Ok,
    Invalid,  // malformed or unsupported data; `error` says what
    NoMesh,   // well formed, but without a single face
    OutOfMemory,
};

XFileResult XFileParse(const void* data, std::size_t size, XFileMeshData* mesh, std::string* error);
