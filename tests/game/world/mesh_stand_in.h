// The mesh list as the world tests need it: three building meshes (ids 201, 202, 203) whose extents
// a test chooses. mesh_stand_in.cpp defines the lookup, so the test program takes it instead of the
// library's; once the mesh list provides the lookup, tests append real entries instead.
#pragma once

#include "game/world.h"
#include "resources/mesh_lookup.h"

struct TestMesh {
    float size[3];
};

extern TestMesh testMeshes[3];   // ids 201, 202, 203
extern bool testMeshesPresent;   // false: no mesh is found

MeshEntry* TestMeshEntry(int id);
