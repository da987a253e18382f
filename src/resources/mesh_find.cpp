// Lookup in the mesh list by id, and an entry's extents, for the simulation. Kept apart from the
// loading so a program can put a stand-in list behind these two without the loader.
#include "resources/mesh.h"

MeshEntry* MeshFind(std::uint8_t id)
{
    for (MeshEntry* entry = meshListHead; entry != nullptr; entry = entry->next) {
        if (entry->id == id) {
            return entry;
        }
    }
    return nullptr;
}

float MeshExtent(const MeshEntry* mesh, int axis)
{
    if (mesh == nullptr) {
        return 0.0f;
    }
    switch (axis) {
    case 0: return mesh->size.x;
    case 1: return mesh->size.y;
    case 2: return mesh->size.z;
    default: return 0.0f;
    }
}
