// Inside of the D3DX mesh: the object behind ID3DXMesh, shared by the two files that implement it.
// Only mesh.cpp and mesh_algorithms.cpp include it.
//
// Map of the mesh (src/d3dx/):
//   mesh.h              the interface the game sees: ID3DXBuffer, ID3DXMesh and the D3DX functions.
//   mesh_object.h       this file: the live counts, the pool and usage a mesh's options ask for, and
//                       the Mesh class (object methods first, then the helpers the algorithms use).
//   mesh.cpp            the object: creation, drawing a subset, cloning, the vertex, index and
//                       attribute buffers with their locks, the attribute table; ID3DXBuffer.
//   mesh_algorithms.cpp the algorithms over a mesh's faces: adjacency (point representatives),
//                       Optimize (attribute sort, vertex-cache order, vertex compaction), normals,
//                       triangle strips.
//   mesh_fvf.h/.cpp     the flexible vertex format's layout and vertex copying between layouts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "d3dx/mesh.h"
#include "d3dx/mesh_fvf.h"
#include "platform/win/ref_counted.h"

namespace d3dx_mesh {

struct LiveMeshObjects {
    int meshes = 0;
    int buffers = 0;
};
extern LiveMeshObjects liveMeshObjects;

// The pool and the usage flags of a buffer, from the mesh options' flags for it.
D3DPOOL PoolOf(DWORD options, DWORD managedFlag, DWORD systemFlag);
DWORD UsageOf(DWORD options, DWORD writeOnlyFlag, DWORD dynamicFlag);

class Mesh final : public RefCounted<ID3DXMesh> {
public:
    static HRESULT Create(DWORD numFaces, DWORD numVertices, DWORD options, DWORD fvf, IDirect3DDevice9* device,
                          Mesh** out);
    HRESULT DrawSubset(DWORD attribId) override;

    DWORD GetNumFaces() override { return numFaces_; }
    DWORD GetNumVertices() override { return numVertices_; }
    DWORD GetFVF() override { return fvf_; }
    DWORD GetNumBytesPerVertex() override { return layout_.size; }
    DWORD GetOptions() override { return options_; }

    HRESULT GetDevice(IDirect3DDevice9** ppDevice) override;
    HRESULT CloneMeshFVF(DWORD options, DWORD fvf, IDirect3DDevice9* device, ID3DXMesh** ppClone) override;
    HRESULT GetVertexBuffer(IDirect3DVertexBuffer9** ppVB) override;
    HRESULT GetIndexBuffer(IDirect3DIndexBuffer9** ppIB) override;
    HRESULT LockVertexBuffer(DWORD flags, void** ppData) override;
    HRESULT UnlockVertexBuffer() override;
    HRESULT LockIndexBuffer(DWORD flags, void** ppData) override;
    HRESULT UnlockIndexBuffer() override;
    HRESULT LockAttributeBuffer(DWORD flags, DWORD** ppData) override;
    HRESULT UnlockAttributeBuffer() override;
    HRESULT GetAttributeTable(D3DXATTRIBUTERANGE* table, DWORD* size) override;
    HRESULT GenerateAdjacency(float epsilon, DWORD* adjacency) override;

    HRESULT Optimize(DWORD flags, const DWORD* /*adjacencyIn*/, DWORD* adjacencyOut, DWORD* faceRemap,
                     ID3DXBuffer** ppVertexRemap, ID3DXMesh** ppOptMesh) override;

    // ---- Helpers used by the algorithms (mesh_algorithms.cpp) ----------------------------------------

    DWORD Index(std::size_t i) const;
    void SetIndex(std::size_t i, DWORD value);
    bool IndicesValid() const;
    D3DXVECTOR3 Position(DWORD v) const;

    // The triangles of one attribute id, in face order.
    std::vector<unsigned> SubsetTriangles(DWORD attribId) const;

    std::vector<std::uint8_t>& Vertices() { return vertices_; }
    const FvfLayout& Layout() const { return layout_; }
    IDirect3DDevice9* Device() const { return device_; }
    void UploadVertices();

    // Point representatives: every vertex maps to the lowest-numbered vertex within epsilon of it.
    std::vector<DWORD> PointReps(float epsilon) const;

private:
    Mesh() { ++liveMeshObjects.meshes; }
    ~Mesh() override;

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

    D3DXATTRIBUTERANGE RangeOf(DWORD attribId, DWORD faceStart, DWORD faceCount) const;
    void BuildAttributeTable();

    // Reorders `count` faces (ids into this mesh) for the vertex cache.
    void CacheOrder(DWORD* faces, DWORD count);
    bool SameTriangle(DWORD face, unsigned a, unsigned b, unsigned c) const;
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

// The Mesh behind an interface pointer; null for anything else.
Mesh* AsMesh(ID3DXBaseMesh* mesh);

}  // namespace d3dx_mesh
