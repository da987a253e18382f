#include "mesh_stand_in.h"

TestMesh testMeshes[3];
bool testMeshesPresent = true;

MeshEntry* TestMeshEntry(int id)
{
    return reinterpret_cast<MeshEntry*>(&testMeshes[id - kMeshHangar01]);
}

MeshEntry* MeshFind(std::uint8_t id)
{
    if (!testMeshesPresent || id < kMeshHangar01 || id > kMeshHangar04) {
        return nullptr;
    }
    return TestMeshEntry(id);
}

float MeshExtent(const MeshEntry* mesh, int axis)
{
    if (mesh == nullptr || axis < 0 || axis > 2) {
        return 0.0f;
    }
    return reinterpret_cast<const TestMesh*>(mesh)->size[axis];
}
