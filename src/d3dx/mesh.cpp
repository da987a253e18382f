// The mesh object, its buffers, cloning, optimisation, adjacency, normals and strips.
#include "d3dx/mesh.h"

#include <meshoptimizer.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <numeric>
#include <unordered_map>
#include <vector>

#include "d3dx/mesh_fvf.h"

namespace {

struct LiveMeshObjects {
    int meshes = 0;
    int buffers = 0;
};
LiveMeshObjects liveMeshObjects;

class Buffer final : public ID3DXBuffer {
public:
    explicit Buffer(std::size_t bytes) : data_(bytes, 0) { ++liveMeshObjects.buffers; }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override
    {
        const ULONG left = --refs_;
        if (left == 0) {
            delete this;
        }
        return left;
    }
    void* GetBufferPointer() override { return data_.empty() ? nullptr : data_.data(); }
    DWORD GetBufferSize() override { return static_cast<DWORD>(data_.size()); }

private:
    ~Buffer() override { --liveMeshObjects.buffers; }
    std::vector<std::uint8_t> data_;
    ULONG refs_ = 1;
};

D3DPOOL PoolOf(DWORD options, DWORD managedFlag, DWORD systemFlag)
{
    if (options & systemFlag) {
        return D3DPOOL_SYSTEMMEM;
    }
    if (options & managedFlag) {
        return D3DPOOL_MANAGED;
    }
    return D3DPOOL_DEFAULT;
}

DWORD UsageOf(DWORD options, DWORD writeOnlyFlag, DWORD dynamicFlag)
{
    DWORD usage = 0;
    if (options & writeOnlyFlag) {
        usage |= D3DUSAGE_WRITEONLY;
    }
    if (options & dynamicFlag) {
        usage |= D3DUSAGE_DYNAMIC;
    }
    return usage;
}

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

class Mesh final : public ID3DXMesh {
public:
    static HRESULT Create(DWORD numFaces, DWORD numVertices, DWORD options, DWORD fvf, IDirect3DDevice9* device,
                          Mesh** out)
    {
        *out = nullptr;
        FvfLayout layout;
        if (!FvfLayoutOf(fvf, &layout) || numFaces == 0 || numVertices == 0) {
            return D3DERR_INVALIDCALL;
        }
        if (!(options & D3DXMESH_32BIT) && numVertices > 0xFFFFu) {
            return D3DERR_INVALIDCALL;
        }
        const std::size_t indexSize = (options & D3DXMESH_32BIT) ? 4 : 2;
        const std::uint64_t vertexBytes = std::uint64_t{numVertices} * layout.size;
        const std::uint64_t indexBytes = std::uint64_t{numFaces} * 3 * indexSize;
        if (vertexBytes > (1u << 30) || indexBytes > (1u << 30)) {
            return E_OUTOFMEMORY;
        }
        Mesh* mesh = new (std::nothrow) Mesh();
        if (mesh == nullptr) {
            return E_OUTOFMEMORY;
        }
        mesh->options_ = options;
        mesh->fvf_ = fvf;
        mesh->layout_ = layout;
        mesh->numFaces_ = numFaces;
        mesh->numVertices_ = numVertices;
        mesh->indexSize_ = indexSize;
        mesh->vertices_.assign(static_cast<std::size_t>(vertexBytes), 0);
        mesh->indices_.assign(static_cast<std::size_t>(indexBytes), 0);
        mesh->attributes_.assign(numFaces, 0);
        if (device != nullptr) {
            mesh->device_ = device;
            device->AddRef();
            HRESULT hr = device->CreateVertexBuffer(static_cast<UINT>(vertexBytes),
                                                    UsageOf(options, D3DXMESH_VB_WRITEONLY, D3DXMESH_VB_DYNAMIC), fvf,
                                                    PoolOf(options, D3DXMESH_VB_MANAGED, D3DXMESH_VB_SYSTEMMEM),
                                                    &mesh->vb_, nullptr);
            if (SUCCEEDED(hr)) {
                hr = device->CreateIndexBuffer(static_cast<UINT>(indexBytes),
                                               UsageOf(options, D3DXMESH_IB_WRITEONLY, D3DXMESH_IB_DYNAMIC),
                                               indexSize == 4 ? D3DFMT_INDEX32 : D3DFMT_INDEX16,
                                               PoolOf(options, D3DXMESH_IB_MANAGED, D3DXMESH_IB_SYSTEMMEM),
                                               &mesh->ib_, nullptr);
            }
            if (FAILED(hr) || mesh->vb_ == nullptr || mesh->ib_ == nullptr) {
                mesh->Release();
                return FAILED(hr) ? hr : E_FAIL;
            }
            mesh->UploadVertices();
            mesh->UploadIndices();
        }
        *out = mesh;
        return S_OK;
    }

    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override
    {
        const ULONG left = --refs_;
        if (left == 0) {
            delete this;
        }
        return left;
    }

    HRESULT DrawSubset(DWORD attribId) override
    {
        if (device_ == nullptr) {
            return D3DERR_INVALIDCALL;
        }
        std::vector<D3DXATTRIBUTERANGE> runs;
        if (!table_.empty()) {
            for (const D3DXATTRIBUTERANGE& r : table_) {
                if (r.AttribId == attribId && r.FaceCount > 0) {
                    runs.push_back(r);
                }
            }
        } else {
            for (DWORD f = 0; f < numFaces_;) {
                if (attributes_[f] != attribId) {
                    ++f;
                    continue;
                }
                DWORD end = f;
                while (end < numFaces_ && attributes_[end] == attribId) {
                    ++end;
                }
                runs.push_back(RangeOf(attribId, f, end - f));
                f = end;
            }
        }
        if (runs.empty()) {
            return S_OK;
        }
        device_->SetFVF(fvf_);
        device_->SetStreamSource(0, vb_, 0, layout_.size);
        device_->SetIndices(ib_);
        for (const D3DXATTRIBUTERANGE& r : runs) {
            HRESULT hr = device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, r.VertexStart, r.VertexCount,
                                                       r.FaceStart * 3, r.FaceCount);
            if (FAILED(hr)) {
                return hr;
            }
        }
        return S_OK;
    }

    DWORD GetNumFaces() override { return numFaces_; }
    DWORD GetNumVertices() override { return numVertices_; }
    DWORD GetFVF() override { return fvf_; }
    DWORD GetNumBytesPerVertex() override { return layout_.size; }
    DWORD GetOptions() override { return options_; }

    HRESULT GetDevice(IDirect3DDevice9** ppDevice) override
    {
        if (ppDevice == nullptr) {
            return D3DERR_INVALIDCALL;
        }
        *ppDevice = device_;
        if (device_ != nullptr) {
            device_->AddRef();
        }
        return S_OK;
    }

    HRESULT CloneMeshFVF(DWORD options, DWORD fvf, IDirect3DDevice9* device, ID3DXMesh** ppClone) override
    {
        if (ppClone == nullptr) {
            return D3DERR_INVALIDCALL;
        }
        *ppClone = nullptr;
        if (!IndicesValid()) {
            return D3DXERR_INVALIDMESH;
        }
        Mesh* clone = nullptr;
        HRESULT hr = Create(numFaces_, numVertices_, options, fvf, device, &clone);
        if (FAILED(hr)) {
            return hr;
        }
        FvfCopyVertices(layout_, vertices_.data(), clone->layout_, clone->vertices_.data(), numVertices_);
        for (std::size_t i = 0; i < std::size_t{numFaces_} * 3; ++i) {
            clone->SetIndex(i, Index(i));
        }
        clone->attributes_ = attributes_;
        clone->table_ = table_;
        clone->UploadVertices();
        clone->UploadIndices();
        *ppClone = clone;
        return S_OK;
    }

    HRESULT GetVertexBuffer(IDirect3DVertexBuffer9** ppVB) override
    {
        if (ppVB == nullptr || vb_ == nullptr) {
            return D3DERR_INVALIDCALL;
        }
        vb_->AddRef();
        *ppVB = vb_;
        return S_OK;
    }

    HRESULT GetIndexBuffer(IDirect3DIndexBuffer9** ppIB) override
    {
        if (ppIB == nullptr || ib_ == nullptr) {
            return D3DERR_INVALIDCALL;
        }
        ib_->AddRef();
        *ppIB = ib_;
        return S_OK;
    }

    HRESULT LockVertexBuffer(DWORD flags, void** ppData) override
    {
        return Lock(flags, ppData, vertices_.data(), &vertexLocks_, &vertexDirty_);
    }
    HRESULT UnlockVertexBuffer() override
    {
        return Unlock(&vertexLocks_, &vertexDirty_, [this] { UploadVertices(); });
    }
    HRESULT LockIndexBuffer(DWORD flags, void** ppData) override
    {
        return Lock(flags, ppData, indices_.data(), &indexLocks_, &indexDirty_);
    }
    HRESULT UnlockIndexBuffer() override
    {
        return Unlock(&indexLocks_, &indexDirty_, [this] { UploadIndices(); });
    }
    HRESULT LockAttributeBuffer(DWORD flags, DWORD** ppData) override
    {
        void* data = nullptr;
        HRESULT hr = Lock(flags, &data, attributes_.data(), &attributeLocks_, &attributeDirty_);
        if (ppData != nullptr) {
            *ppData = static_cast<DWORD*>(data);
        }
        return hr;
    }
    HRESULT UnlockAttributeBuffer() override
    {
        // Changed attribute ids make the attribute table stale.
        return Unlock(&attributeLocks_, &attributeDirty_, [this] { table_.clear(); });
    }

    HRESULT GetAttributeTable(D3DXATTRIBUTERANGE* table, DWORD* size) override
    {
        if (size == nullptr) {
            return D3DERR_INVALIDCALL;
        }
        if (table != nullptr) {
            std::copy(table_.begin(), table_.end(), table);
        }
        *size = static_cast<DWORD>(table_.size());
        return S_OK;
    }

    HRESULT GenerateAdjacency(float epsilon, DWORD* adjacency) override
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

    HRESULT Optimize(DWORD flags, const DWORD* /*adjacencyIn*/, DWORD* adjacencyOut, DWORD* faceRemap,
                     ID3DXBuffer** ppVertexRemap, ID3DXMesh** ppOptMesh) override
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
        const bool reorderFaces = (flags & (D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_VERTEXCACHE |
                                            D3DXMESHOPT_STRIPREORDER)) != 0;
        const bool cache = (flags & (D3DXMESHOPT_VERTEXCACHE | D3DXMESHOPT_STRIPREORDER)) != 0;
        const bool compact = (flags & D3DXMESHOPT_IGNOREVERTS) == 0 &&
                             (flags & (D3DXMESHOPT_COMPACT | D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_VERTEXCACHE |
                                       D3DXMESHOPT_STRIPREORDER)) != 0;

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
            newVertexCount = static_cast<DWORD>(meshopt_optimizeVertexFetchRemap(
                oldToNew.data(), newIndices.data(), newIndices.size(), numVertices_));
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

    // ---- Helpers used by the free functions below --------------------------------------------------

    DWORD Index(std::size_t i) const
    {
        if (indexSize_ == 4) {
            std::uint32_t v;
            std::memcpy(&v, indices_.data() + i * 4, 4);
            return v;
        }
        std::uint16_t v;
        std::memcpy(&v, indices_.data() + i * 2, 2);
        return v;
    }

    void SetIndex(std::size_t i, DWORD value)
    {
        if (indexSize_ == 4) {
            std::uint32_t v = value;
            std::memcpy(indices_.data() + i * 4, &v, 4);
        } else {
            std::uint16_t v = static_cast<std::uint16_t>(value);
            std::memcpy(indices_.data() + i * 2, &v, 2);
        }
    }

    bool IndicesValid() const
    {
        for (std::size_t i = 0; i < std::size_t{numFaces_} * 3; ++i) {
            if (Index(i) >= numVertices_) {
                return false;
            }
        }
        return true;
    }

    D3DXVECTOR3 Position(DWORD v) const
    {
        D3DXVECTOR3 p;
        std::memcpy(&p.x, vertices_.data() + std::size_t{v} * layout_.size, 12);
        return p;
    }

    // The triangles of one attribute id, in face order.
    std::vector<unsigned> SubsetTriangles(DWORD attribId) const
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

    std::vector<std::uint8_t>& Vertices() { return vertices_; }
    const FvfLayout& Layout() const { return layout_; }
    IDirect3DDevice9* Device() const { return device_; }
    void UploadVertices()
    {
        Upload(vb_, vertices_);
    }

    // Point representatives: every vertex maps to the lowest-numbered vertex within epsilon of it.
    std::vector<DWORD> PointReps(float epsilon) const
    {
        std::vector<DWORD> reps(numVertices_);
        std::iota(reps.begin(), reps.end(), 0u);
        std::vector<DWORD> byX(numVertices_);
        std::iota(byX.begin(), byX.end(), 0u);
        std::stable_sort(byX.begin(), byX.end(), [this](DWORD a, DWORD b) {
            return Position(a).x < Position(b).x;
        });
        for (std::size_t i = 0; i < byX.size(); ++i) {
            const D3DXVECTOR3 p = Position(byX[i]);
            for (std::size_t j = i + 1; j < byX.size(); ++j) {
                const D3DXVECTOR3 q = Position(byX[j]);
                if (q.x - p.x > epsilon) {
                    break;
                }
                if (std::fabs(q.y - p.y) <= epsilon && std::fabs(q.z - p.z) <= epsilon) {
                    DWORD a = Find(reps, byX[i]);
                    DWORD b = Find(reps, byX[j]);
                    if (a != b) {
                        reps[std::max(a, b)] = std::min(a, b);
                    }
                }
            }
        }
        for (DWORD v = 0; v < numVertices_; ++v) {
            reps[v] = Find(reps, v);
        }
        return reps;
    }

private:
    Mesh() { ++liveMeshObjects.meshes; }
    ~Mesh() override
    {
        if (vb_ != nullptr) {
            vb_->Release();
        }
        if (ib_ != nullptr) {
            ib_->Release();
        }
        if (device_ != nullptr) {
            device_->Release();
        }
        --liveMeshObjects.meshes;
    }

    static DWORD Find(std::vector<DWORD>& parent, DWORD v)
    {
        while (parent[v] != v) {
            parent[v] = parent[parent[v]];
            v = parent[v];
        }
        return v;
    }

    template <typename T>
    HRESULT Lock(DWORD flags, void** ppData, T* data, int* locks, bool* dirty)
    {
        if (ppData == nullptr) {
            return D3DERR_INVALIDCALL;
        }
        *ppData = data;
        ++*locks;
        if (!(flags & D3DLOCK_READONLY)) {
            *dirty = true;
        }
        return S_OK;
    }

    template <typename Done>
    HRESULT Unlock(int* locks, bool* dirty, Done done)
    {
        if (*locks == 0) {
            return D3DERR_INVALIDCALL;
        }
        if (--*locks == 0 && *dirty) {
            *dirty = false;
            done();
        }
        return S_OK;
    }

    template <typename Target>
    static void Upload(Target* target, const std::vector<std::uint8_t>& bytes)
    {
        if (target == nullptr) {
            return;
        }
        void* p = nullptr;
        if (SUCCEEDED(target->Lock(0, 0, &p, 0)) && p != nullptr) {
            std::memcpy(p, bytes.data(), bytes.size());
            target->Unlock();
        }
    }

    void UploadIndices() { Upload(ib_, indices_); }

    D3DXATTRIBUTERANGE RangeOf(DWORD attribId, DWORD faceStart, DWORD faceCount) const
    {
        DWORD low = std::numeric_limits<DWORD>::max();
        DWORD high = 0;
        for (std::size_t i = std::size_t{faceStart} * 3; i < std::size_t{faceStart + faceCount} * 3; ++i) {
            low = std::min(low, Index(i));
            high = std::max(high, Index(i));
        }
        if (faceCount == 0) {
            low = 0;
            high = 0;
        }
        return {attribId, faceStart, faceCount, low, high - low + 1};
    }

    void BuildAttributeTable()
    {
        table_.clear();
        for (DWORD start = 0; start < numFaces_;) {
            DWORD end = start;
            while (end < numFaces_ && attributes_[end] == attributes_[start]) {
                ++end;
            }
            table_.push_back(RangeOf(attributes_[start], start, end - start));
            start = end;
        }
    }

    // Reorders `count` faces (ids into this mesh) for the vertex cache.
    void CacheOrder(DWORD* faces, DWORD count)
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

    bool SameTriangle(DWORD face, unsigned a, unsigned b, unsigned c) const
    {
        const DWORD x = Index(std::size_t{face} * 3), y = Index(std::size_t{face} * 3 + 1),
                    z = Index(std::size_t{face} * 3 + 2);
        return (x == a && y == b && z == c) || (x == b && y == c && z == a) || (x == c && y == a && z == b);
    }

    ULONG refs_ = 1;
    IDirect3DDevice9* device_ = nullptr;
    IDirect3DVertexBuffer9* vb_ = nullptr;
    IDirect3DIndexBuffer9* ib_ = nullptr;
    DWORD options_ = 0;
    DWORD fvf_ = 0;
    FvfLayout layout_;
    DWORD numFaces_ = 0;
    DWORD numVertices_ = 0;
    std::size_t indexSize_ = 2;
    std::vector<std::uint8_t> vertices_;
    std::vector<std::uint8_t> indices_;
    std::vector<DWORD> attributes_;
    std::vector<D3DXATTRIBUTERANGE> table_;
    int vertexLocks_ = 0;
    int indexLocks_ = 0;
    int attributeLocks_ = 0;
    bool vertexDirty_ = false;
    bool indexDirty_ = false;
    bool attributeDirty_ = false;
};

Mesh* AsMesh(ID3DXBaseMesh* mesh)
{
    return dynamic_cast<Mesh*>(mesh);
}

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
    const std::size_t count = meshopt_stripify(out.data(), triangles.data(), triangles.size(),
                                               mesh->GetNumVertices(), separate ? kRestart : 0u);
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

HRESULT MakeIndexBuffer(Mesh* mesh, DWORD options, const std::vector<unsigned>& indices,
                        IDirect3DIndexBuffer9** out)
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

HRESULT D3DXCreateBuffer(DWORD NumBytes, ID3DXBuffer** ppBuffer)
{
    if (ppBuffer == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *ppBuffer = new (std::nothrow) Buffer(NumBytes);
    return *ppBuffer != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT D3DXCreateMeshFVF(DWORD NumFaces, DWORD NumVertices, DWORD Options, DWORD FVF, IDirect3DDevice9* pDevice,
                          ID3DXMesh** ppMesh)
{
    if (ppMesh == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    Mesh* mesh = nullptr;
    HRESULT hr = Mesh::Create(NumFaces, NumVertices, Options, FVF, pDevice, &mesh);
    *ppMesh = mesh;
    return hr;
}

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
        auto find = [&group](DWORD v) {
            while (group[v] != v) {
                group[v] = group[group[v]];
                v = group[v];
            }
            return v;
        };
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
                            DWORD ra = find(a), rb = find(b);
                            if (ra != rb) {
                                group[std::max(ra, rb)] = std::min(ra, rb);
                            }
                        }
                    }
                }
            }
        }
        for (DWORD v = 0; v < vertexCount; ++v) {
            group[v] = find(v);
        }
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

D3DXMeshObjectCounts D3DXLiveMeshObjects()
{
    return {liveMeshObjects.meshes, liveMeshObjects.buffers};
}
