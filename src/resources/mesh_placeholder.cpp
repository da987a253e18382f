// Placeholder mesh list until mesh loading replaces this file: no meshes exist yet.
#include "resources/mesh.h"

HRESULT MeshListLoadAll()
{
    return S_OK;
}

void MeshListFree() {}

void TextMeshesRelease() {}
