// Many placements of the same meshes drawn together: every placement of a mesh is carried into the
// world on the CPU and all of them are drawn in one strip per material, instead of one draw per part
// per material. The placements are rigid (a rotation, then a translation), as the playing scene's
// parts are, so the normals turn with the rotation alone.
#pragma once

#include "d3dx/math.h"

struct MeshEntry;

// Adds one placement of `mesh` (its world matrix) to the frame's batch; a null mesh adds nothing.
void MeshBatchAdd(const MeshEntry* mesh, const D3DXMATRIX& world);
// Draws what was added since the last call, the meshes in the order they were first added, each
// material of a mesh as one strip over all its placements, in the mesh's materials and textures; the
// world transform is left at identity. A mesh that cannot be batched (strips too long for the
// device, vertices without a position) is drawn placement by placement, as MeshDraw draws it.
void MeshBatchDraw();
// Releases the vertex and index buffers the batch keeps (exit, and before a device re-creation).
void MeshBatchRelease();
