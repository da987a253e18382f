// .x meshes, text and binary: the file parser and the mesh built from it, without a device.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "d3dx/mesh.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ID3DXBuffer* adjacency = nullptr;
    ID3DXBuffer* materials = nullptr;
    ID3DXBuffer* effects = nullptr;
    DWORD materialCount = 0;
    ID3DXMesh* mesh = nullptr;
    const HRESULT result = D3DXLoadMeshFromXInMemory(data, static_cast<DWORD>(size), D3DXMESH_SYSTEMMEM, nullptr,
                                                     &adjacency, &materials, &effects, &materialCount, &mesh);
    if (SUCCEEDED(result)) {
        if (mesh == nullptr) {
            std::abort();
        }
        // The adjacency names a face or none for each edge of every face.
        const DWORD faces = mesh->GetNumFaces();
        if (adjacency == nullptr || adjacency->GetBufferSize() != faces * 3 * sizeof(DWORD)) {
            std::abort();
        }
        const DWORD* neighbours = static_cast<const DWORD*>(adjacency->GetBufferPointer());
        for (DWORD i = 0; i < faces * 3; ++i) {
            if (neighbours[i] != 0xFFFFFFFFu && neighbours[i] >= faces) {
                std::abort();
            }
        }
        // Every index names a vertex of the mesh.
        void* indices = nullptr;
        if (SUCCEEDED(mesh->LockIndexBuffer(D3DLOCK_READONLY, &indices))) {
            const bool wide = (mesh->GetOptions() & D3DXMESH_32BIT) != 0;
            for (DWORD i = 0; i < faces * 3; ++i) {
                const DWORD index = wide ? static_cast<const DWORD*>(indices)[i] : static_cast<const WORD*>(indices)[i];
                if (index >= mesh->GetNumVertices()) {
                    std::abort();
                }
            }
            mesh->UnlockIndexBuffer();
        }
    }
    for (IUnknownLike* object : {static_cast<IUnknownLike*>(adjacency), static_cast<IUnknownLike*>(materials),
                                 static_cast<IUnknownLike*>(effects), static_cast<IUnknownLike*>(mesh)}) {
        if (object != nullptr) {
            object->Release();
        }
    }
    return 0;
}
