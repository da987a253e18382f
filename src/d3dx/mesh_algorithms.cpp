// The algorithms over a mesh's faces and vertices.
//
// In order: adjacency (GenerateAdjacency over point representatives, which weld the vertices within
// epsilon of each other), Optimize (attribute sort, vertex-cache order of each attribute's faces,
// vertex compaction; CacheOrder maps meshoptimizer's output back to face ids), then the free
// functions: D3DXComputeNormals and the triangle strips of a subset (meshoptimizer's stripifier).
// The object these work on is in mesh.cpp; the class and the map in mesh_object.h.
#include <meshoptimizer.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <unordered_map>

#include "d3dx/mesh_object.h"

namespace d3dx_mesh {

namespace {

// Face order and vertex order are kept together: the triangle key of a face is its indices rotated so
// the smallest comes first, which keeps the winding.
std::uint64_t TriangleKey(DWORD a, DWORD b, DWORD c)
{
    if (b < a && b <= c) {
        std::swap(a, b);
        std::swap(b, c);  // (b, c, a)
    } else if (c < a && c < b) {
        std::swap(a, c);
        std::swap(b, c);  // (c, a, b)
    }
    // Hash-combine of the three; collisions are resolved by the caller's exact comparison.
    std::uint64_t h = a;
    h = h * 0x9E3779B97F4A7C15ull ^ b;
    h = h * 0x9E3779B97F4A7C15ull ^ c;
    return h;
}

// Sets of vertices as a forest over `parent` (each root its own parent): the root of v's set,
// halving the path on the way.
DWORD Root(std::vector<DWORD>& parent, DWORD v)
{
    while (parent[v] != v) {
        parent[v] = parent[parent[v]];
        v = parent[v];
    }
    return v;
}

// Joins the sets of a and b under the smaller root, so every root is its set's smallest vertex.
void Join(std::vector<DWORD>& parent, DWORD a, DWORD b)
{
    const DWORD ra = Root(parent, a);
    const DWORD rb = Root(parent, b);
    if (ra != rb) {
        parent[std::max(ra, rb)] = std::min(ra, rb);
    }
}

// Points every vertex straight at its root.
void Flatten(std::vector<DWORD>& parent)
{
    for (DWORD v = 0; v < parent.size(); ++v) {
        parent[v] = Root(parent, v);
    }
}

}  // namespace

HRESULT Mesh::GenerateAdjacency(float epsilon, DWORD* adjacency)
{
    if (adjacency == nullptr || epsilon < 0.0f) {
        return D3DERR_INVALIDCALL;
    }
    if (!IndicesValid()) {
        return D3DXERR_INVALIDMESH;
    }
    std::vector<DWORD> reps = PointReps(epsilon);
    // Directed edge (from, to) of the point representatives -> the faces that have it.
    std::unordered_multimap<std::uint64_t, DWORD> edges;
    edges.reserve(std::size_t{numFaces_} * 3);
    auto key = [](DWORD a, DWORD b) { return (std::uint64_t{a} << 32) | b; };
    for (DWORD f = 0; f < numFaces_; ++f) {
        for (int k = 0; k < 3; ++k) {
            DWORD a = reps[Index(f * 3 + k)];
            DWORD b = reps[Index(f * 3 + (k + 1) % 3)];
            edges.emplace(key(a, b), f);
        }
    }
    for (DWORD f = 0; f < numFaces_; ++f) {
        for (int k = 0; k < 3; ++k) {
            DWORD a = reps[Index(f * 3 + k)];
            DWORD b = reps[Index(f * 3 + (k + 1) % 3)];
            DWORD neighbour = D3DX_UNUSED_NEIGHBOR;
            if (a != b) {
                auto [first, last] = edges.equal_range(key(b, a));
                for (auto it = first; it != last; ++it) {
                    if (it->second != f) {
                        neighbour = it->second;
                        break;
                    }
                }
            }
            adjacency[f * 3 + k] = neighbour;
        }
    }
    return S_OK;
}

HRESULT Mesh::Optimize(DWORD flags, const DWORD* /*adjacencyIn*/, DWORD* adjacencyOut, DWORD* faceRemap,
                       ID3DXBuffer** ppVertexRemap, ID3DXMesh** ppOptMesh)
{
    if (ppVertexRemap != nullptr) {
        *ppVertexRemap = nullptr;
    }
    if (ppOptMesh == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *ppOptMesh = nullptr;
    if (!IndicesValid()) {
        return D3DXERR_INVALIDMESH;
    }
    const bool reorderFaces =
        (flags & (D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_VERTEXCACHE | D3DXMESHOPT_STRIPREORDER)) != 0;
    const bool cache = (flags & (D3DXMESHOPT_VERTEXCACHE | D3DXMESHOPT_STRIPREORDER)) != 0;
    const bool compact =
        (flags & D3DXMESHOPT_IGNOREVERTS) == 0 && (flags & (D3DXMESHOPT_COMPACT | D3DXMESHOPT_ATTRSORT |
                                                            D3DXMESHOPT_VERTEXCACHE | D3DXMESHOPT_STRIPREORDER)) != 0;

    // New face order: stable by attribute id, then each attribute's run ordered for the cache.
    std::vector<DWORD> order(numFaces_);
    std::iota(order.begin(), order.end(), 0u);
    if (reorderFaces) {
        std::stable_sort(order.begin(), order.end(),
                         [this](DWORD a, DWORD b) { return attributes_[a] < attributes_[b]; });
    }
    if (cache) {
        for (DWORD start = 0; start < numFaces_;) {
            DWORD end = start;
            while (end < numFaces_ && attributes_[order[end]] == attributes_[order[start]]) {
                ++end;
            }
            CacheOrder(order.data() + start, end - start);
            start = end;
        }
    }

    std::vector<unsigned> newIndices(std::size_t{numFaces_} * 3);
    for (DWORD f = 0; f < numFaces_; ++f) {
        for (int k = 0; k < 3; ++k) {
            newIndices[f * 3 + k] = Index(std::size_t{order[f]} * 3 + k);
        }
    }

    // New vertex order: first use along the new faces; unused vertices are dropped.
    std::vector<DWORD> newToOld;
    DWORD newVertexCount = numVertices_;
    if (compact) {
        std::vector<unsigned> oldToNew(numVertices_);
        newVertexCount = static_cast<DWORD>(
            meshopt_optimizeVertexFetchRemap(oldToNew.data(), newIndices.data(), newIndices.size(), numVertices_));
        newToOld.assign(newVertexCount, 0);
        for (DWORD v = 0; v < numVertices_; ++v) {
            if (oldToNew[v] != ~0u) {
                newToOld[oldToNew[v]] = v;
            }
        }
        for (unsigned& i : newIndices) {
            i = oldToNew[i];
        }
    } else {
        newToOld.resize(numVertices_);
        std::iota(newToOld.begin(), newToOld.end(), 0u);
    }

    const DWORD newOptions = (flags & 0x003FFFFFu) | (options_ & D3DXMESH_32BIT);
    Mesh* out = nullptr;
    HRESULT hr = Create(numFaces_, newVertexCount, newOptions, fvf_, device_, &out);
    if (FAILED(hr)) {
        return hr;
    }
    for (DWORD v = 0; v < newVertexCount; ++v) {
        std::memcpy(out->vertices_.data() + std::size_t{v} * layout_.size,
                    vertices_.data() + std::size_t{newToOld[v]} * layout_.size, layout_.size);
    }
    for (std::size_t i = 0; i < newIndices.size(); ++i) {
        out->SetIndex(i, newIndices[i]);
    }
    for (DWORD f = 0; f < numFaces_; ++f) {
        out->attributes_[f] = attributes_[order[f]];
    }
    if (reorderFaces) {
        out->BuildAttributeTable();
    }
    out->UploadVertices();
    out->UploadIndices();

    if (faceRemap != nullptr) {
        std::copy(order.begin(), order.end(), faceRemap);
    }
    if (ppVertexRemap != nullptr) {
        ID3DXBuffer* remap = nullptr;
        if (FAILED(D3DXCreateBuffer(newVertexCount * sizeof(DWORD), &remap))) {
            out->Release();
            return E_OUTOFMEMORY;
        }
        std::memcpy(remap->GetBufferPointer(), newToOld.data(), newVertexCount * sizeof(DWORD));
        *ppVertexRemap = remap;
    }
    if (adjacencyOut != nullptr) {
        out->GenerateAdjacency(0.0f, adjacencyOut);
    }
    *ppOptMesh = out;
    return S_OK;
}

// The triangles of one attribute id, in face order.
std::vector<unsigned> Mesh::SubsetTriangles(DWORD attribId) const
{
    std::vector<unsigned> out;
    for (DWORD f = 0; f < numFaces_; ++f) {
        if (attributes_[f] == attribId) {
            for (int k = 0; k < 3; ++k) {
                out.push_back(Index(std::size_t{f} * 3 + k));
            }
        }
    }
    return out;
}

// Point representatives: every vertex maps to the lowest-numbered vertex within epsilon of it.
std::vector<DWORD> Mesh::PointReps(float epsilon) const
{
    std::vector<DWORD> reps(numVertices_);
    std::iota(reps.begin(), reps.end(), 0u);
    std::vector<DWORD> byX(numVertices_);
    std::iota(byX.begin(), byX.end(), 0u);
    std::stable_sort(byX.begin(), byX.end(), [this](DWORD a, DWORD b) { return Position(a).x < Position(b).x; });
    for (std::size_t i = 0; i < byX.size(); ++i) {
        const D3DXVECTOR3 p = Position(byX[i]);
        for (std::size_t j = i + 1; j < byX.size(); ++j) {
            const D3DXVECTOR3 q = Position(byX[j]);
            if (q.x - p.x > epsilon) {
                break;
            }
            if (std::fabs(q.y - p.y) <= epsilon && std::fabs(q.z - p.z) <= epsilon) {
                Join(reps, byX[i], byX[j]);
            }
        }
    }
    Flatten(reps);
    return reps;
}

// Reorders `count` faces (ids into this mesh) for the vertex cache.
void Mesh::CacheOrder(DWORD* faces, DWORD count)
{
    if (count < 2) {
        return;
    }
    std::vector<unsigned> tri(std::size_t{count} * 3);
    std::unordered_multimap<std::uint64_t, DWORD> byKey;
    byKey.reserve(count);
    for (DWORD i = 0; i < count; ++i) {
        DWORD a = Index(std::size_t{faces[i]} * 3);
        DWORD b = Index(std::size_t{faces[i]} * 3 + 1);
        DWORD c = Index(std::size_t{faces[i]} * 3 + 2);
        tri[i * 3] = a;
        tri[i * 3 + 1] = b;
        tri[i * 3 + 2] = c;
        byKey.emplace(TriangleKey(a, b, c), faces[i]);
    }
    std::vector<unsigned> optimised(tri.size());
    meshopt_optimizeVertexCache(optimised.data(), tri.data(), tri.size(), numVertices_);
    // Each output triangle is one of the input faces (possibly rotated): find which.
    std::vector<DWORD> result;
    result.reserve(count);
    for (DWORD i = 0; i < count; ++i) {
        const unsigned a = optimised[i * 3], b = optimised[i * 3 + 1], c = optimised[i * 3 + 2];
        auto [first, last] = byKey.equal_range(TriangleKey(a, b, c));
        bool found = false;
        for (auto it = first; it != last; ++it) {
            if (SameTriangle(it->second, a, b, c)) {
                result.push_back(it->second);
                byKey.erase(it);
                found = true;
                break;
            }
        }
        if (!found) {
            return;  // not a permutation of the faces: keep the order as it is
        }
    }
    std::copy(result.begin(), result.end(), faces);
}

bool Mesh::SameTriangle(DWORD face, unsigned a, unsigned b, unsigned c) const
{
    const DWORD x = Index(std::size_t{face} * 3), y = Index(std::size_t{face} * 3 + 1),
                z = Index(std::size_t{face} * 3 + 2);
    return (x == a && y == b && z == c) || (x == b && y == c && z == a) || (x == c && y == a && z == b);
}

}  // namespace d3dx_mesh

using d3dx_mesh::AsMesh;
using d3dx_mesh::Flatten;
using d3dx_mesh::Join;
using d3dx_mesh::Mesh;
using d3dx_mesh::PoolOf;
using d3dx_mesh::UsageOf;

namespace {

// The strip of a subset: one with degenerate joins (restart false) or separate strips cut at
// restart markers.
HRESULT SubsetStripIndices(Mesh* mesh, DWORD attribId, bool separate, std::vector<unsigned>* strip,
                           std::vector<DWORD>* lengths)
{
    if (!mesh->IndicesValid()) {
        return D3DXERR_INVALIDMESH;
    }
    std::vector<unsigned> triangles = mesh->SubsetTriangles(attribId);
    strip->clear();
    if (lengths != nullptr) {
        lengths->clear();
    }
    if (triangles.empty()) {
        return S_OK;
    }
    constexpr unsigned kRestart = 0xFFFFFFFFu;
    std::vector<unsigned> out(meshopt_stripifyBound(triangles.size()));
    const std::size_t count = meshopt_stripify(out.data(), triangles.data(), triangles.size(), mesh->GetNumVertices(),
                                               separate ? kRestart : 0u);
    out.resize(count);
    if (!separate) {
        *strip = std::move(out);
        return S_OK;
    }
    std::size_t start = 0;
    for (std::size_t i = 0; i <= out.size(); ++i) {
        if (i == out.size() || out[i] == kRestart) {
            if (i - start >= 3) {
                strip->insert(strip->end(), out.begin() + static_cast<std::ptrdiff_t>(start),
                              out.begin() + static_cast<std::ptrdiff_t>(i));
                lengths->push_back(static_cast<DWORD>(i - start - 2));
            }
            start = i + 1;
        }
    }
    return S_OK;
}

HRESULT MakeIndexBuffer(Mesh* mesh, DWORD options, const std::vector<unsigned>& indices, IDirect3DIndexBuffer9** out)
{
    *out = nullptr;
    if (indices.empty()) {
        return S_OK;
    }
    IDirect3DDevice9* device = mesh->Device();
    if (device == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    const bool wide = ((options | mesh->GetOptions()) & D3DXMESH_32BIT) != 0;
    const std::size_t size = wide ? 4 : 2;
    IDirect3DIndexBuffer9* ib = nullptr;
    HRESULT hr = device->CreateIndexBuffer(static_cast<UINT>(indices.size() * size),
                                           UsageOf(options, D3DXMESH_IB_WRITEONLY, D3DXMESH_IB_DYNAMIC),
                                           wide ? D3DFMT_INDEX32 : D3DFMT_INDEX16,
                                           PoolOf(options, D3DXMESH_IB_MANAGED, D3DXMESH_IB_SYSTEMMEM), &ib, nullptr);
    if (FAILED(hr)) {
        return hr;
    }
    void* p = nullptr;
    hr = ib->Lock(0, 0, &p, 0);
    if (FAILED(hr) || p == nullptr) {
        ib->Release();
        return FAILED(hr) ? hr : E_FAIL;
    }
    auto* bytes = static_cast<std::uint8_t*>(p);
    for (std::size_t i = 0; i < indices.size(); ++i) {
        if (wide) {
            std::uint32_t v = indices[i];
            std::memcpy(bytes + i * 4, &v, 4);
        } else {
            std::uint16_t v = static_cast<std::uint16_t>(indices[i]);
            std::memcpy(bytes + i * 2, &v, 2);
        }
    }
    ib->Unlock();
    *out = ib;
    return S_OK;
}

HRESULT MakeDwordBuffer(const std::vector<unsigned>& values, ID3DXBuffer** out)
{
    *out = nullptr;
    HRESULT hr = D3DXCreateBuffer(static_cast<DWORD>(values.size() * sizeof(DWORD)), out);
    if (SUCCEEDED(hr) && !values.empty()) {
        std::memcpy((*out)->GetBufferPointer(), values.data(), values.size() * sizeof(DWORD));
    }
    return hr;
}

}  // namespace

HRESULT D3DXComputeNormals(ID3DXBaseMesh* pMesh, const DWORD* pAdjacency)
{
    Mesh* mesh = AsMesh(pMesh);
    if (mesh == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    const FvfLayout& layout = mesh->Layout();
    if (layout.normal < 0 || !mesh->IndicesValid()) {
        return layout.normal < 0 ? D3DERR_INVALIDCALL : D3DXERR_INVALIDMESH;
    }
    const DWORD faces = mesh->GetNumFaces();
    const DWORD vertexCount = mesh->GetNumVertices();

    // Which vertices are smoothed together: each alone, or with an adjacency, the vertices at one
    // position that neighbouring faces share.
    std::vector<DWORD> group(vertexCount);
    std::iota(group.begin(), group.end(), 0u);
    if (pAdjacency != nullptr) {
        for (DWORD f = 0; f < faces; ++f) {
            for (int k = 0; k < 3; ++k) {
                const DWORD g = pAdjacency[f * 3 + k];
                if (g >= faces) {
                    continue;
                }
                for (int i = 0; i < 3; ++i) {
                    const DWORD a = mesh->Index(std::size_t{f} * 3 + i);
                    for (int j = 0; j < 3; ++j) {
                        const DWORD b = mesh->Index(std::size_t{g} * 3 + j);
                        if (a != b && mesh->Position(a) == mesh->Position(b)) {
                            Join(group, a, b);
                        }
                    }
                }
            }
        }
        Flatten(group);
    }

    std::vector<D3DXVECTOR3> sums(vertexCount);
    for (DWORD f = 0; f < faces; ++f) {
        DWORD idx[3];
        D3DXVECTOR3 p[3];
        for (int k = 0; k < 3; ++k) {
            idx[k] = mesh->Index(std::size_t{f} * 3 + k);
            p[k] = mesh->Position(idx[k]);
        }
        D3DXVECTOR3 e1 = p[1] - p[0], e2 = p[2] - p[0], n;
        D3DXVec3Cross(&n, &e1, &e2);
        if (D3DXVec3Length(&n) == 0.0f) {
            continue;
        }
        D3DXVec3Normalize(&n, &n);
        for (int k = 0; k < 3; ++k) {
            D3DXVECTOR3 a = p[(k + 1) % 3] - p[k], b = p[(k + 2) % 3] - p[k];
            const float la = D3DXVec3Length(&a), lb = D3DXVec3Length(&b);
            if (la == 0.0f || lb == 0.0f) {
                continue;
            }
            const float cosine = std::clamp(D3DXVec3Dot(&a, &b) / (la * lb), -1.0f, 1.0f);
            sums[group[idx[k]]] += n * std::acos(cosine);
        }
    }
    std::uint8_t* base = mesh->Vertices().data();
    for (DWORD v = 0; v < vertexCount; ++v) {
        D3DXVECTOR3 n = sums[group[v]];
        D3DXVec3Normalize(&n, &n);
        std::memcpy(base + std::size_t{v} * layout.size + layout.normal, &n.x, 12);
    }
    mesh->UploadVertices();
    return S_OK;
}

HRESULT D3DXConvertMeshSubsetToSingleStrip(ID3DXBaseMesh* MeshIn, DWORD AttribId, DWORD IBOptions,
                                           IDirect3DIndexBuffer9** ppIndexBuffer, DWORD* pNumIndices)
{
    Mesh* mesh = AsMesh(MeshIn);
    if (mesh == nullptr || ppIndexBuffer == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *ppIndexBuffer = nullptr;
    std::vector<unsigned> strip;
    HRESULT hr = SubsetStripIndices(mesh, AttribId, false, &strip, nullptr);
    if (SUCCEEDED(hr)) {
        hr = MakeIndexBuffer(mesh, IBOptions, strip, ppIndexBuffer);
    }
    if (SUCCEEDED(hr) && pNumIndices != nullptr) {
        *pNumIndices = static_cast<DWORD>(strip.size());
    }
    return hr;
}

HRESULT D3DXConvertMeshSubsetToStrips(ID3DXBaseMesh* MeshIn, DWORD AttribId, DWORD IBOptions,
                                      IDirect3DIndexBuffer9** ppIndexBuffer, DWORD* pNumIndices,
                                      ID3DXBuffer** ppStripLengths, DWORD* pNumStrips)
{
    Mesh* mesh = AsMesh(MeshIn);
    if (mesh == nullptr || ppIndexBuffer == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *ppIndexBuffer = nullptr;
    if (ppStripLengths != nullptr) {
        *ppStripLengths = nullptr;
    }
    std::vector<unsigned> strips;
    std::vector<DWORD> lengths;
    HRESULT hr = SubsetStripIndices(mesh, AttribId, true, &strips, &lengths);
    if (SUCCEEDED(hr)) {
        hr = MakeIndexBuffer(mesh, IBOptions, strips, ppIndexBuffer);
    }
    if (SUCCEEDED(hr) && ppStripLengths != nullptr) {
        hr = MakeDwordBuffer(lengths, ppStripLengths);
        if (FAILED(hr) && *ppIndexBuffer != nullptr) {
            (*ppIndexBuffer)->Release();
            *ppIndexBuffer = nullptr;
        }
    }
    if (SUCCEEDED(hr)) {
        if (pNumIndices != nullptr) {
            *pNumIndices = static_cast<DWORD>(strips.size());
        }
        if (pNumStrips != nullptr) {
            *pNumStrips = static_cast<DWORD>(lengths.size());
        }
    }
    return hr;
}

HRESULT MeshSubsetSingleStrip(ID3DXBaseMesh* MeshIn, DWORD AttribId, ID3DXBuffer** ppIndices, DWORD* pNumIndices)
{
    Mesh* mesh = AsMesh(MeshIn);
    if (mesh == nullptr || ppIndices == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *ppIndices = nullptr;
    std::vector<unsigned> strip;
    HRESULT hr = SubsetStripIndices(mesh, AttribId, false, &strip, nullptr);
    if (SUCCEEDED(hr)) {
        hr = MakeDwordBuffer(strip, ppIndices);
    }
    if (SUCCEEDED(hr) && pNumIndices != nullptr) {
        *pNumIndices = static_cast<DWORD>(strip.size());
    }
    return hr;
}

HRESULT MeshSubsetStrips(ID3DXBaseMesh* MeshIn, DWORD AttribId, ID3DXBuffer** ppIndices, DWORD* pNumIndices,
                         ID3DXBuffer** ppStripLengths, DWORD* pNumStrips)
{
    Mesh* mesh = AsMesh(MeshIn);
    if (mesh == nullptr || ppIndices == nullptr || ppStripLengths == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *ppIndices = nullptr;
    *ppStripLengths = nullptr;
    std::vector<unsigned> strips;
    std::vector<DWORD> lengths;
    HRESULT hr = SubsetStripIndices(mesh, AttribId, true, &strips, &lengths);
    if (SUCCEEDED(hr)) {
        hr = MakeDwordBuffer(strips, ppIndices);
    }
    if (SUCCEEDED(hr)) {
        hr = MakeDwordBuffer(lengths, ppStripLengths);
        if (FAILED(hr)) {
            (*ppIndices)->Release();
            *ppIndices = nullptr;
        }
    }
    if (SUCCEEDED(hr)) {
        if (pNumIndices != nullptr) {
            *pNumIndices = static_cast<DWORD>(strips.size());
        }
        if (pNumStrips != nullptr) {
            *pNumStrips = static_cast<DWORD>(lengths.size());
        }
    }
    return hr;
}
