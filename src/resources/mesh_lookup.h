// What the simulation needs from the mesh list: an entry by its one-byte id and its bounding-box
// extents. The mesh list defines both.
#pragma once

#include <cstdint>

struct MeshEntry;

// The first entry of the mesh list carrying `id`, or null.
MeshEntry* MeshFind(std::uint8_t id);
// The entry's extent (maximum - minimum) along axis 0 (x), 1 (y) or 2 (z); 0 for a null entry or another axis.
float MeshExtent(const MeshEntry* mesh, int axis);
