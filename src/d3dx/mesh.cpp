// The mesh object: creation, drawing a subset, cloning, the vertex, index and attribute buffers and
// their locks, the attribute table; and ID3DXBuffer.
//
// In order: the buffer object, the pool and usage of the options, the Mesh methods (Create,
// DrawSubset, device and cloning, buffers and locks, the attribute table, index and vertex access,
// upload, destruction, attribute ranges), then the creation functions of mesh.h and the live counts.
// The algorithms over a mesh are in mesh_algorithms.cpp; the class and the map in mesh_object.h.
#include <algorithm>
#include <limits>
#include <new>

#include "d3dx/mesh_object.h"

namespace d3dx_mesh {

LiveMeshObjects liveMeshObjects;

namespace {

class Buffer final : public RefCounted<ID3DXBuffer> {
public:
    explicit Buffer(std::size_t bytes) : data_(bytes, 0) { ++liveMeshObjects.buffers; }
    void* GetBufferPointer() override { return data_.empty() ? nullptr : data_.data(); }
    DWORD GetBufferSize() override { return static_cast<DWORD>(data_.size()); }

private:
    ~Buffer() override { --liveMeshObjects.buffers; }
    std::vector<std::uint8_t> data_;
};

}  // namespace

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

HRESULT Mesh::Create(DWORD numFaces, DWORD numVertices, DWORD options, DWORD fvf, IDirect3DDevice9* device, Mesh** out)
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
        HRESULT hr = device->CreateVertexBuffer(
            static_cast<UINT>(vertexBytes), UsageOf(options, D3DXMESH_VB_WRITEONLY, D3DXMESH_VB_DYNAMIC), fvf,
            PoolOf(options, D3DXMESH_VB_MANAGED, D3DXMESH_VB_SYSTEMMEM), &mesh->vb_, nullptr);
        if (SUCCEEDED(hr)) {
            hr = device->CreateIndexBuffer(
                static_cast<UINT>(indexBytes), UsageOf(options, D3DXMESH_IB_WRITEONLY, D3DXMESH_IB_DYNAMIC),
                indexSize == 4 ? D3DFMT_INDEX32 : D3DFMT_INDEX16,
                PoolOf(options, D3DXMESH_IB_MANAGED, D3DXMESH_IB_SYSTEMMEM), &mesh->ib_, nullptr);
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

HRESULT Mesh::DrawSubset(DWORD attribId)
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
        HRESULT hr = device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, r.VertexStart, r.VertexCount, r.FaceStart * 3,
                                                   r.FaceCount);
        if (FAILED(hr)) {
            return hr;
        }
    }
    return S_OK;
}

HRESULT Mesh::GetDevice(IDirect3DDevice9** ppDevice)
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

HRESULT Mesh::CloneMeshFVF(DWORD options, DWORD fvf, IDirect3DDevice9* device, ID3DXMesh** ppClone)
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

HRESULT Mesh::GetVertexBuffer(IDirect3DVertexBuffer9** ppVB)
{
    if (ppVB == nullptr || vb_ == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    vb_->AddRef();
    *ppVB = vb_;
    return S_OK;
}

HRESULT Mesh::GetIndexBuffer(IDirect3DIndexBuffer9** ppIB)
{
    if (ppIB == nullptr || ib_ == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    ib_->AddRef();
    *ppIB = ib_;
    return S_OK;
}

HRESULT Mesh::LockVertexBuffer(DWORD flags, void** ppData)
{
    return Lock(flags, ppData, vertices_.data(), &vertexLocks_, &vertexDirty_);
}

HRESULT Mesh::UnlockVertexBuffer()
{
    return Unlock(&vertexLocks_, &vertexDirty_, [this] { UploadVertices(); });
}

HRESULT Mesh::LockIndexBuffer(DWORD flags, void** ppData)
{
    return Lock(flags, ppData, indices_.data(), &indexLocks_, &indexDirty_);
}

HRESULT Mesh::UnlockIndexBuffer()
{
    return Unlock(&indexLocks_, &indexDirty_, [this] { UploadIndices(); });
}

HRESULT Mesh::LockAttributeBuffer(DWORD flags, DWORD** ppData)
{
    void* data = nullptr;
    HRESULT hr = Lock(flags, &data, attributes_.data(), &attributeLocks_, &attributeDirty_);
    if (ppData != nullptr) {
        *ppData = static_cast<DWORD*>(data);
    }
    return hr;
}

HRESULT Mesh::UnlockAttributeBuffer()
{
    // Changed attribute ids make the attribute table stale.
    return Unlock(&attributeLocks_, &attributeDirty_, [this] { table_.clear(); });
}

HRESULT Mesh::GetAttributeTable(D3DXATTRIBUTERANGE* table, DWORD* size)
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

DWORD Mesh::Index(std::size_t i) const
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

void Mesh::SetIndex(std::size_t i, DWORD value)
{
    if (indexSize_ == 4) {
        std::uint32_t v = value;
        std::memcpy(indices_.data() + i * 4, &v, 4);
    } else {
        std::uint16_t v = static_cast<std::uint16_t>(value);
        std::memcpy(indices_.data() + i * 2, &v, 2);
    }
}

bool Mesh::IndicesValid() const
{
    for (std::size_t i = 0; i < std::size_t{numFaces_} * 3; ++i) {
        if (Index(i) >= numVertices_) {
            return false;
        }
    }
    return true;
}

D3DXVECTOR3 Mesh::Position(DWORD v) const
{
    D3DXVECTOR3 p;
    std::memcpy(&p.x, vertices_.data() + std::size_t{v} * layout_.size, 12);
    return p;
}

void Mesh::UploadVertices()
{
    Upload(vb_, vertices_);
}

Mesh::~Mesh()
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

D3DXATTRIBUTERANGE Mesh::RangeOf(DWORD attribId, DWORD faceStart, DWORD faceCount) const
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

void Mesh::BuildAttributeTable()
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

Mesh* AsMesh(ID3DXBaseMesh* mesh)
{
    return dynamic_cast<Mesh*>(mesh);
}

}  // namespace d3dx_mesh

using d3dx_mesh::Mesh;

HRESULT D3DXCreateBuffer(DWORD NumBytes, ID3DXBuffer** ppBuffer)
{
    if (ppBuffer == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *ppBuffer = new (std::nothrow) d3dx_mesh::Buffer(NumBytes);
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

D3DXMeshObjectCounts D3DXLiveMeshObjects()
{
    return {d3dx_mesh::liveMeshObjects.meshes, d3dx_mesh::liveMeshObjects.buffers};
}
