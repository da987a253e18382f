// The scrolling world: scroll speed and position, the sea strip and the ground objects.
#pragma once

#include <cstdint>

struct MeshEntry;

// Scroll speed in units per second.
extern float worldSpeed;

// One vertex of a sea segment: position, normal, texture coordinates (format 0x112, 32 bytes).
struct SurfaceVertex {
    float x, y, z;
    float nx, ny, nz;
    float u, v;
};
static_assert(sizeof(SurfaceVertex) == 32);

inline constexpr int kSurfaceSegmentCount = 30;
inline constexpr int kSurfaceColumns = 41;
inline constexpr int kSurfaceVertexCount = 2 * kSurfaceColumns;   // back and front vertex per column
inline constexpr unsigned kSurfaceBufferBytes = kSurfaceVertexCount * sizeof(SurfaceVertex);   // 2624

// One one-unit-deep row of the sea, drawn as one strip of 80 triangles. `vertices` is its geometry;
// `revision` changes whenever they do (a number no segment had before), so whoever keeps a copy of
// them (the renderer's vertex buffers) knows when to copy them again.
struct SurfaceSegment {
    std::uint32_t revision;
    float frontY;                 // the back row lies at frontY - 1
    SurfaceSegment* prev;         // the segment behind (null for the oldest)
    SurfaceSegment* next;         // the segment in front (null for the newest)
    SurfaceVertex vertices[kSurfaceVertexCount];   // column j: back vertex 2j, front vertex 2j+1
};

// Oldest (rearmost) and newest segment of the strip; null while no strip exists.
extern SurfaceSegment* surfaceHead;
extern SurfaceSegment* surfaceTail;

inline constexpr int kGroundObjectCount = 2;
inline constexpr std::uint8_t kMeshHangar01 = 201;
inline constexpr std::uint8_t kMeshTower = 202;
inline constexpr std::uint8_t kMeshHangar04 = 203;

// A building on the ground: two hangar types and a tower.
struct GroundObject {
    float posX;
    float posY;
    float posZ;                  // base height, 4.5 from a new run on
    float hitPoints;             // 80..99 when placed; each bomb takes 100
    float explosionTimer;        // time since the last explosion frame
    std::uint8_t standing;       // the slot holds an object that takes part in the run
    std::uint8_t destroyed;      // hit points exhausted; the explosion runs
    std::int32_t explosionFrame; // frames shown (0..16); drawn while below 10
    std::int32_t scoreValue;     // 50..150, paid when the explosion has ended
    MeshEntry* mesh;             // its bounding-box extents are the object's size
    std::uint8_t meshId;         // 201 hangar01, 202 tower, 203 hangar04
};

extern GroundObject groundObjects[kGroundObjectCount];

// prevScrollPos = scrollPos; scrollPos += worldSpeed * frameDelta.
void ScrollAdvance();
// Builds a new strip of sea segments for a run; false when memory ran out.
bool SurfaceBuild();
// Recycles at most one segment, then updates the ground objects.
void SurfaceScroll();
// Places, retires and explodes the ground objects.
void GroundObjectsUpdate();
// Releases every segment; surfaceHead becomes null.
void SurfaceFree();
// A new run's preparation of both slots: not standing, base at 4.5, the hangar01 mesh.
void GroundObjectsPrepare();

// Back to the state at program start: strip freed, both slots zeroed, scroll speed 3 (tests).
void WorldReset();
