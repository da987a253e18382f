// Reading a mesh back in tests: vertices of the game's layouts, triangles, strips decoded.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "d3dx/mesh.h"

using Triangle = std::array<unsigned, 3>;

// A triangle rotated so its smallest index comes first: same winding, comparable.
inline Triangle Canonical(Triangle t)
{
    while (t[0] > t[1] || t[0] > t[2]) {
        t = {t[1], t[2], t[0]};
    }
    return t;
}

inline std::vector<unsigned> MeshIndices(ID3DXMesh* mesh)
{
    std::vector<unsigned> out(mesh->GetNumFaces() * 3);
    void* data = nullptr;
    EXPECT_EQ(mesh->LockIndexBuffer(D3DLOCK_READONLY, &data), S_OK);
    const bool wide = (mesh->GetOptions() & D3DXMESH_32BIT) != 0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (wide) {
            std::uint32_t v;
            std::memcpy(&v, static_cast<std::uint8_t*>(data) + i * 4, 4);
            out[i] = v;
        } else {
            std::uint16_t v;
            std::memcpy(&v, static_cast<std::uint8_t*>(data) + i * 2, 2);
            out[i] = v;
        }
    }
    mesh->UnlockIndexBuffer();
    return out;
}

inline std::vector<DWORD> MeshAttributes(ID3DXMesh* mesh)
{
    DWORD* data = nullptr;
    EXPECT_EQ(mesh->LockAttributeBuffer(D3DLOCK_READONLY, &data), S_OK);
    std::vector<DWORD> out(data, data + mesh->GetNumFaces());
    mesh->UnlockAttributeBuffer();
    return out;
}

inline D3DXVECTOR3 MeshPosition(ID3DXMesh* mesh, unsigned v)
{
    void* data = nullptr;
    mesh->LockVertexBuffer(D3DLOCK_READONLY, &data);
    D3DXVECTOR3 p;
    std::memcpy(&p.x, static_cast<std::uint8_t*>(data) + std::size_t{v} * mesh->GetNumBytesPerVertex(), 12);
    mesh->UnlockVertexBuffer();
    return p;
}

// The sorted canonical triangles of one attribute, as positions would not tell windings apart.
inline std::vector<Triangle> SubsetTriangles(ID3DXMesh* mesh, DWORD attribute)
{
    std::vector<unsigned> indices = MeshIndices(mesh);
    std::vector<DWORD> attributes = MeshAttributes(mesh);
    std::vector<Triangle> out;
    for (std::size_t f = 0; f < attributes.size(); ++f) {
        if (attributes[f] == attribute) {
            out.push_back(Canonical({indices[f * 3], indices[f * 3 + 1], indices[f * 3 + 2]}));
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

// The triangles of a strip: every window of three, odd ones with their first two swapped back,
// degenerate ones (a repeated index) left out.
inline std::vector<Triangle> DecodeStrip(const unsigned* strip, std::size_t count)
{
    std::vector<Triangle> out;
    for (std::size_t i = 2; i < count; ++i) {
        Triangle t = {strip[i - 2], strip[i - 1], strip[i]};
        if (t[0] == t[1] || t[1] == t[2] || t[0] == t[2]) {
            continue;
        }
        if ((i - 2) % 2 == 1) {
            std::swap(t[0], t[1]);
        }
        out.push_back(Canonical(t));
    }
    std::sort(out.begin(), out.end());
    return out;
}

// Positions of a triangle and its face normal (clockwise front faces, left-handed).
inline D3DXVECTOR3 FaceNormal(const D3DXVECTOR3& a, const D3DXVECTOR3& b, const D3DXVECTOR3& c)
{
    D3DXVECTOR3 e1 = b - a, e2 = c - a, n;
    D3DXVec3Cross(&n, &e1, &e2);
    D3DXVec3Normalize(&n, &n);
    return n;
}

// Loads a .x image with every output; the buffers are released by the caller.
struct Loaded {
    HRESULT hr = E_FAIL;
    ID3DXMesh* mesh = nullptr;
    ID3DXBuffer* adjacency = nullptr;
    ID3DXBuffer* materials = nullptr;
    ID3DXBuffer* effects = nullptr;
    DWORD materialCount = 0;

    Loaded() = default;
    Loaded(const Loaded&) = delete;
    Loaded& operator=(const Loaded&) = delete;
    ~Loaded()
    {
        for (IUnknownLike* object : std::initializer_list<IUnknownLike*>{mesh, adjacency, materials, effects}) {
            if (object != nullptr) {
                object->Release();
            }
        }
    }
    const D3DXMATERIAL* Material(DWORD i) const
    {
        return static_cast<const D3DXMATERIAL*>(materials->GetBufferPointer()) + i;
    }
};

inline void LoadX(const std::string& image, Loaded* out, IDirect3DDevice9* device = nullptr)
{
    out->hr =
        D3DXLoadMeshFromXInMemory(image.data(), static_cast<DWORD>(image.size()), D3DXMESH_MANAGED, device,
                                  &out->adjacency, &out->materials, &out->effects, &out->materialCount, &out->mesh);
}
