// Meshes by id and the six extruded text meshes.
//
// Every solid object of the game is a .x mesh loaded once into a doubly linked list of MeshEntry
// records, in the vertex layout 0x112 (position, normal, one texture coordinate), optimised for the
// vertex cache, with each material's triangles as one triangle strip (and as separate strips). The
// menu's title and captions are text meshes in six slots.
#pragma once

#include <cstdint>

#include "d3dx/mesh.h"
#include "platform/win/handles.h"
#include "resources/mesh_lookup.h"

// One material's triangles as strips.
struct MeshSubset {
    IDirect3DIndexBuffer9* stripIndexBuffer;   // one strip with degenerate joins
    IDirect3DIndexBuffer9* stripsIndexBuffer;  // separate strips, one after the other
    std::uint32_t stripIndexCount;             // indices of the single strip (count - 2 triangles)
    std::uint32_t* stripLengths;               // triangles of each separate strip
    std::uint32_t stripCount;
};

struct MeshEntry {
    std::uint8_t id;            // 0 until the load succeeds
    D3DXVECTOR3 minimum;        // smallest x, y, z of the vertex positions
    D3DXVECTOR3 maximum;
    D3DXVECTOR3 size;           // maximum - minimum
    MeshSubset* subsets;        // one per material
    std::uint32_t subsetCount;
    ID3DXMesh* mesh;            // the final, optimised mesh
    D3DMATERIAL9* materials;
    IDirect3DTexture9** textures;  // null entries for materials without a texture
    std::uint32_t materialCount;
    std::uint32_t vertexCount;
    DWORD vertexFormat;
    IDirect3DVertexBuffer9* vertexBuffer;
    std::uint8_t stripTooLong;  // 1: some single strip exceeds the device's MaxPrimitiveCount
    MeshEntry* previous;
    MeshEntry* next;
};

inline constexpr int kTextMeshSlots = 6;
inline constexpr int kTitleTextMesh = 5;

// The list: head, tail and current (the entry appended last).
extern MeshEntry* meshListHead;
extern MeshEntry* meshListTail;
extern MeshEntry* meshListCurrent;
// Entries kept for the projectile and menu renderers (ids 100, 101, 255, 254); null until loaded.
extern MeshEntry* bulletMesh;
extern MeshEntry* bombMesh;
extern MeshEntry* menuBackdropMesh;       // "mesh\menuhatter2.x", the first layer
extern MeshEntry* menuBackdropMeshBack;   // "mesh\menuhatter.x", the second layer
// Slots 0 to 4: the menu items' captions; slot 5: the title.
extern ID3DXMesh* textMeshes[kTextMeshSlots];

// Appends an entry and loads the .x resource `path` into it, with its textures from
// `textureDirectory` on disk. 0 on success; E_FAIL after the console message or message box.
HRESULT MeshLoad(const char* path, const char* textureDirectory, std::uint8_t id);
// Optimises the entry's mesh and builds the strips of every material; used by MeshLoad.
HRESULT MeshOptimize(const DWORD* adjacency, MeshEntry* entry);
// Fills minimum, maximum and size from the entry's vertex buffer.
HRESULT MeshComputeBounds(MeshEntry* entry);
// Loads the sixteen game meshes and builds the six text meshes; ignores every failure, returns 0.
// When the list already holds entries (a reload on a new device), the meshes are loaded into those
// records in order instead of appending, so pointers to them stay valid; an entry whose reload fails
// is left empty (id 0, nothing to draw).
HRESULT MeshListLoadAll();
// Builds one text mesh into its slot (replacing what was there).
HRESULT TextMeshCreate(int slot, const char* fontFace, int pointSize, float extrusion, bool bold, bool italic,
                       const char* text);
// Releases every entry and empties the list (the remembered entries become null).
void MeshListFree();
// Releases what every entry holds on the device and clears the entries, keeping the records and the
// list, for a device re-creation followed by MeshListLoadAll.
void MeshListReleaseContents();
// Releases the six text meshes.
void TextMeshesRelease();
