// The batch of mesh placements: gathered during a frame, carried into the world on the CPU into one
// vertex buffer, and drawn a strip per mesh material, the placements' strips joined by degenerate
// triangles.
#include "render/mesh_batch.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "core/graphics.h"
#include "render/scene.h"
#include "render/setup.h"
#include "resources/mesh.h"

namespace {

struct Group {
    const MeshEntry* mesh;
    std::vector<D3DXMATRIX> worlds;
};

// One material of one mesh over all its placements: where its strip lies in the index buffer and
// where its mesh's vertices start in the vertex buffer.
struct Draw {
    const MeshEntry* mesh;
    std::uint32_t subset;
    UINT vertexOffset;  // bytes
    UINT vertexCount;
    UINT firstIndex;
    UINT indexCount;
};

// What the strips of a mesh's placements depend on: the mesh, its vertices and strips, and how many
// placements there are.
struct Composition {
    const MeshEntry* mesh;
    const IDirect3DVertexBuffer9* vertexBuffer;
    std::uint32_t vertexCount;
    std::uint32_t subsetCount;
    std::size_t placements;
    bool operator==(const Composition&) const = default;
};

struct BatchState {
    std::vector<Group> groups;
    std::size_t used = 0;  // groups of this frame; the vectors of the rest are kept for reuse
    std::vector<std::uint32_t> indices;
    std::vector<Draw> draws;
    // What the index buffer holds the strips of.
    std::vector<Composition> indexedFor;
    IDirect3DVertexBuffer9* vertexBuffer = nullptr;
    UINT vertexCapacity = 0;  // bytes
    IDirect3DIndexBuffer9* indexBuffer = nullptr;
    UINT indexCapacity = 0;  // indices
};
BatchState batch;

// Whether the mesh's vertices and strips can be carried over: an untransformed position first, and
// every material's strip within the device's limits.
bool Batchable(const MeshEntry* mesh)
{
    return mesh->stripTooLong == 0 && mesh->vertexBuffer != nullptr && mesh->subsets != nullptr &&
           (mesh->vertexFormat & D3DFVF_POSITION_MASK) == D3DFVF_XYZ && mesh->vertexCount > 0;
}

// The bytes of the mesh's placements carried into the world.
std::size_t PlacedBytes(const Group& group)
{
    return group.worlds.size() * group.mesh->vertexCount * D3DXGetFVFVertexSize(group.mesh->vertexFormat);
}

// The mesh's placements carried into the world, written to `out` (PlacedBytes of room); false when
// its vertices cannot be read.
bool WritePlaced(const Group& group, std::uint8_t* out)
{
    const MeshEntry* mesh = group.mesh;
    const UINT stride = D3DXGetFVFVertexSize(mesh->vertexFormat);
    void* data = nullptr;
    if (FAILED(mesh->vertexBuffer->Lock(0, 0, &data, D3DLOCK_READONLY)) || data == nullptr) {
        return false;
    }
    const auto* source = static_cast<const std::uint8_t*>(data);
    const bool normals = (mesh->vertexFormat & D3DFVF_NORMAL) != 0;
    const std::size_t bytes = static_cast<std::size_t>(mesh->vertexCount) * stride;
    for (const D3DXMATRIX& m : group.worlds) {
        std::memcpy(out, source, bytes);
        for (std::size_t v = 0; v < mesh->vertexCount; ++v) {
            std::uint8_t* vertex = out + v * stride;
            float p[3];
            std::memcpy(p, vertex, sizeof p);
            const float placed[3] = {
                p[0] * m._11 + p[1] * m._21 + p[2] * m._31 + m._41,
                p[0] * m._12 + p[1] * m._22 + p[2] * m._32 + m._42,
                p[0] * m._13 + p[1] * m._23 + p[2] * m._33 + m._43,
            };
            std::memcpy(vertex, placed, sizeof placed);
            if (normals) {
                float n[3];
                std::memcpy(n, vertex + 12, sizeof n);
                const float turned[3] = {
                    n[0] * m._11 + n[1] * m._21 + n[2] * m._31,
                    n[0] * m._12 + n[1] * m._22 + n[2] * m._32,
                    n[0] * m._13 + n[1] * m._23 + n[2] * m._33,
                };
                std::memcpy(vertex + 12, turned, sizeof turned);
            }
        }
        out += bytes;
    }
    mesh->vertexBuffer->Unlock();
    return true;
}

// The strip of material `subset` over `placements` placements of the mesh, appended to `out`: each
// placement's strip with its indices moved to its own vertices, joined to the one before by
// repeating the last index and the next first one (once more when needed, so that every placement's
// strip starts at an even position and keeps its winding). False when the strip cannot be read.
bool AppendStrip(const MeshEntry* mesh, std::uint32_t subset, std::size_t placements, std::vector<std::uint32_t>& out)
{
    const MeshSubset& s = mesh->subsets[subset];
    D3DINDEXBUFFER_DESC desc{};
    void* data = nullptr;
    if (FAILED(s.stripIndexBuffer->GetDesc(&desc)) || FAILED(s.stripIndexBuffer->Lock(0, 0, &data, D3DLOCK_READONLY)) ||
        data == nullptr) {
        return false;
    }
    const bool wide = desc.Format == D3DFMT_INDEX32;
    const std::size_t start = out.size();
    for (std::size_t k = 0; k < placements; ++k) {
        const auto base = static_cast<std::uint32_t>(k * mesh->vertexCount);
        std::uint32_t first = 0;
        if (wide) {
            std::memcpy(&first, data, 4);
        } else {
            std::uint16_t narrow = 0;
            std::memcpy(&narrow, data, 2);
            first = narrow;
        }
        if (out.size() > start) {
            const std::uint32_t last = out.back();
            out.push_back(last);
            if ((out.size() - start) % 2 == 0) {
                out.push_back(last);
            }
            out.push_back(base + first);
        }
        for (std::uint32_t i = 0; i < s.stripIndexCount; ++i) {
            std::uint32_t index = 0;
            if (wide) {
                std::memcpy(&index, static_cast<const std::uint8_t*>(data) + std::size_t{i} * 4, 4);
            } else {
                std::uint16_t narrow = 0;
                std::memcpy(&narrow, static_cast<const std::uint8_t*>(data) + std::size_t{i} * 2, 2);
                index = narrow;
            }
            out.push_back(base + index);
        }
    }
    s.stripIndexBuffer->Unlock();
    return true;
}

// A buffer of at least `needed` units. It grows by a quarter more than asked, so that a frame with a
// few more projectiles than the last does not make a new one.
template <typename Buffer, typename Make>
bool Ensure(Buffer*& buffer, UINT& capacity, UINT needed, Make make)
{
    if (buffer != nullptr && capacity >= needed) {
        return true;
    }
    if (buffer != nullptr) {
        buffer->Release();
        buffer = nullptr;
    }
    capacity = 0;
    const UINT size = needed + needed / 4;
    if (FAILED(make(size, &buffer)) || buffer == nullptr) {
        buffer = nullptr;
        return false;
    }
    capacity = size;
    return true;
}

void PlacementsDraw(const Group& group)
{
    for (const D3DXMATRIX& world : group.worlds) {
        device->SetTransform(D3DTS_WORLD, &world);
        MeshDraw(group.mesh);
    }
}

// The batched meshes' draws; false when the buffers cannot be made or filled. The placements move
// every frame, so the vertices are filled every time; the strips depend on the meshes and their
// numbers of placements alone, and are made again only when those change.
bool BatchedDraw(const std::vector<const Group*>& groups)
{
    std::vector<Composition> composition;
    for (const Group* group : groups) {
        const MeshEntry* m = group->mesh;
        composition.push_back({m, m->vertexBuffer, m->vertexCount, m->subsetCount, group->worlds.size()});
    }
    const bool indicesKept = composition == batch.indexedFor && batch.indexBuffer != nullptr;
    if (!indicesKept) {
        batch.indices.clear();
        batch.indexedFor.clear();
        batch.draws.clear();
    }
    std::size_t bytes = 0;
    for (const Group* group : groups) {
        bytes += PlacedBytes(*group);
    }
    if (!Ensure(batch.vertexBuffer, batch.vertexCapacity, static_cast<UINT>(bytes),
                [](UINT size, IDirect3DVertexBuffer9** out) {
                    return device->CreateVertexBuffer(size, 0, 0, D3DPOOL_MANAGED, out, nullptr);
                })) {
        return false;
    }
    void* locked = nullptr;
    if (FAILED(batch.vertexBuffer->Lock(0, static_cast<UINT>(bytes), &locked, 0)) || locked == nullptr) {
        return false;
    }
    bool placed = true;
    for (std::size_t i = 0, offset = 0; i < groups.size() && placed; offset += PlacedBytes(*groups[i]), ++i) {
        placed = WritePlaced(*groups[i], static_cast<std::uint8_t*>(locked) + offset);
    }
    batch.vertexBuffer->Unlock();
    if (!placed) {
        return false;
    }
    std::size_t offset = 0;
    for (const Group* group : groups) {
        const auto groupOffset = static_cast<UINT>(offset);
        offset += PlacedBytes(*group);
        if (indicesKept) {
            continue;
        }
        const auto count = static_cast<UINT>(group->worlds.size() * group->mesh->vertexCount);
        for (std::uint32_t j = 0; j < group->mesh->subsetCount; ++j) {
            const MeshSubset& s = group->mesh->subsets[j];
            const auto first = static_cast<UINT>(batch.indices.size());
            if (s.stripIndexBuffer != nullptr && s.stripIndexCount >= 3 &&
                !AppendStrip(group->mesh, j, group->worlds.size(), batch.indices)) {
                return false;
            }
            batch.draws.push_back(
                {group->mesh, j, groupOffset, count, first, static_cast<UINT>(batch.indices.size()) - first});
        }
    }
    if (!indicesKept && !batch.indices.empty()) {
        const auto count = static_cast<UINT>(batch.indices.size());
        if (!Ensure(batch.indexBuffer, batch.indexCapacity, count, [](UINT n, IDirect3DIndexBuffer9** out) {
                return device->CreateIndexBuffer(n * 4, 0, D3DFMT_INDEX32, D3DPOOL_MANAGED, out, nullptr);
            })) {
            return false;
        }
        void* data = nullptr;
        if (FAILED(batch.indexBuffer->Lock(0, count * 4, &data, 0)) || data == nullptr) {
            return false;
        }
        std::memcpy(data, batch.indices.data(), std::size_t{count} * 4);
        batch.indexBuffer->Unlock();
        batch.indexedFor = composition;
    }
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    device->SetTransform(D3DTS_WORLD, &identity);
    device->SetIndices(batch.indexBuffer);
    for (const Draw& draw : batch.draws) {
        const MeshEntry* mesh = draw.mesh;
        if (mesh->materials != nullptr && draw.subset < mesh->materialCount) {
            device->SetMaterial(&mesh->materials[draw.subset]);
        }
        IDirect3DTexture9* texture =
            mesh->textures != nullptr && draw.subset < mesh->materialCount ? mesh->textures[draw.subset] : nullptr;
        device->SetTexture(0, texture);
        device->SetFVF(mesh->vertexFormat);
        device->SetStreamSource(0, batch.vertexBuffer, draw.vertexOffset, D3DXGetFVFVertexSize(mesh->vertexFormat));
        if (draw.indexCount >= 3) {
            device->DrawIndexedPrimitive(D3DPT_TRIANGLESTRIP, 0, 0, draw.vertexCount, draw.firstIndex,
                                         draw.indexCount - 2);
        }
    }
    return true;
}

}  // namespace

void MeshBatchAdd(const MeshEntry* mesh, const D3DXMATRIX& world)
{
    if (mesh == nullptr) {
        return;
    }
    for (std::size_t i = 0; i < batch.used; ++i) {
        if (batch.groups[i].mesh == mesh) {
            batch.groups[i].worlds.push_back(world);
            return;
        }
    }
    if (batch.used == batch.groups.size()) {
        batch.groups.push_back({});
    }
    Group& group = batch.groups[batch.used++];
    group.mesh = mesh;
    group.worlds.clear();
    group.worlds.push_back(world);
}

void MeshBatchDraw()
{
    if (device == nullptr) {
        batch.used = 0;
        return;
    }
    std::vector<const Group*> batched;
    for (std::size_t i = 0; i < batch.used; ++i) {
        if (Batchable(batch.groups[i].mesh)) {
            batched.push_back(&batch.groups[i]);
        } else {
            PlacementsDraw(batch.groups[i]);
        }
    }
    if (!batched.empty() && !BatchedDraw(batched)) {
        // Without the batch's buffers, each placement on its own.
        for (const Group* group : batched) {
            PlacementsDraw(*group);
        }
    }
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    device->SetTransform(D3DTS_WORLD, &identity);
    for (std::size_t i = 0; i < batch.used; ++i) {
        batch.groups[i].worlds.clear();
    }
    batch.used = 0;
}

void MeshBatchRelease()
{
    if (device != nullptr) {
        device->SetIndices(nullptr);
    }
    if (batch.vertexBuffer != nullptr) {
        batch.vertexBuffer->Release();
    }
    if (batch.indexBuffer != nullptr) {
        batch.indexBuffer->Release();
    }
    batch = BatchState{};
}
