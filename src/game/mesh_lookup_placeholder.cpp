// Until the mesh list provides the lookup, no mesh is ever found: aircraft and ground objects get
// null mesh pointers and zero extents, as with meshes whose files are missing.
#include "game/mesh_lookup.h"

MeshEntry* MeshFind(std::uint8_t)
{
    return nullptr;
}

float MeshExtent(const MeshEntry*, int)
{
    return 0.0f;
}
