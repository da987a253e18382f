// Meshes of the Direct3D extension library: the mesh object with its vertex, index and attribute
// buffers, cloning to another vertex format, optimisation for the vertex cache, normals, triangle
// strips per attribute, and .x file loading (declared here, read in xfile.cpp).
//
// A mesh keeps its geometry in memory (vertices in its FVF layout, indices in 16 or 32 bits, one
// attribute id per face) and mirrors it into a vertex and an index buffer on its device, refreshed at
// every unlock. A mesh made with a null device works entirely in memory: everything but drawing and
// the two Get*Buffer calls is available, which is how the tools and tests use it without OpenGL.
#pragma once

#include <cstddef>

#include "d3dx/math.h"
#include "d3dx/texture.h"  // D3DXERR_INVALIDDATA, shared with the texture loaders
#include "platform/d3d9/d3d9.h"

// ---- Mesh creation options and optimisation flags (D3DX's values) ---------------------------------

inline constexpr DWORD D3DXMESH_32BIT = 0x001u;
inline constexpr DWORD D3DXMESH_DONOTCLIP = 0x002u;
inline constexpr DWORD D3DXMESH_POINTS = 0x004u;
inline constexpr DWORD D3DXMESH_RTPATCHES = 0x008u;
inline constexpr DWORD D3DXMESH_VB_SYSTEMMEM = 0x010u;
inline constexpr DWORD D3DXMESH_VB_MANAGED = 0x020u;
inline constexpr DWORD D3DXMESH_VB_WRITEONLY = 0x040u;
inline constexpr DWORD D3DXMESH_VB_DYNAMIC = 0x080u;
inline constexpr DWORD D3DXMESH_IB_SYSTEMMEM = 0x100u;
inline constexpr DWORD D3DXMESH_IB_MANAGED = 0x200u;
inline constexpr DWORD D3DXMESH_IB_WRITEONLY = 0x400u;
inline constexpr DWORD D3DXMESH_IB_DYNAMIC = 0x800u;
inline constexpr DWORD D3DXMESH_VB_SHARE = 0x1000u;
inline constexpr DWORD D3DXMESH_USEHWONLY = 0x2000u;
inline constexpr DWORD D3DXMESH_NPATCHES = 0x4000u;
inline constexpr DWORD D3DXMESH_VB_SOFTWAREPROCESSING = 0x8000u;
inline constexpr DWORD D3DXMESH_IB_SOFTWAREPROCESSING = 0x10000u;
inline constexpr DWORD D3DXMESH_SYSTEMMEM = 0x110u;
inline constexpr DWORD D3DXMESH_MANAGED = 0x220u;
inline constexpr DWORD D3DXMESH_WRITEONLY = 0x440u;
inline constexpr DWORD D3DXMESH_DYNAMIC = 0x880u;
inline constexpr DWORD D3DXMESH_SOFTWAREPROCESSING = 0x18000u;

inline constexpr DWORD D3DXMESHOPT_DEVICEINDEPENDENT = 0x00400000u;
inline constexpr DWORD D3DXMESHOPT_COMPACT = 0x01000000u;
inline constexpr DWORD D3DXMESHOPT_ATTRSORT = 0x02000000u;
inline constexpr DWORD D3DXMESHOPT_VERTEXCACHE = 0x04000000u;
inline constexpr DWORD D3DXMESHOPT_STRIPREORDER = 0x08000000u;
inline constexpr DWORD D3DXMESHOPT_IGNOREVERTS = 0x10000000u;
inline constexpr DWORD D3DXMESHOPT_DONOTSPLIT = 0x20000000u;

// Result codes of the extension library (facility 0x876, codes 2900 and up; D3DXERR_INVALIDDATA,
// 2905, comes with the texture loaders).
inline constexpr HRESULT D3DXERR_CANNOTMODIFYINDEXBUFFER = static_cast<HRESULT>(0x88760B54u);
inline constexpr HRESULT D3DXERR_INVALIDMESH = static_cast<HRESULT>(0x88760B55u);
inline constexpr HRESULT D3DXERR_CANNOTATTRSORT = static_cast<HRESULT>(0x88760B56u);
inline constexpr HRESULT D3DXERR_LOADEDMESHHASNODATA = static_cast<HRESULT>(0x88760B5Au);

// No neighbour across an edge, in adjacency arrays.
inline constexpr DWORD D3DX_UNUSED_NEIGHBOR = 0xFFFFFFFFu;

// ---- Plain records --------------------------------------------------------------------------------

struct D3DXMATERIAL {
    D3DMATERIAL9 MatD3D;
    char* pTextureFilename;  // null when the material has no texture; points into the same buffer
};

struct D3DXEFFECTDEFAULT;
struct D3DXEFFECTINSTANCE {
    char* pEffectFilename;
    DWORD NumDefaults;
    D3DXEFFECTDEFAULT* pDefaults;
};

// One run of faces sharing an attribute id, and the range of vertices those faces use.
struct D3DXATTRIBUTERANGE {
    DWORD AttribId;
    DWORD FaceStart;
    DWORD FaceCount;
    DWORD VertexStart;
    DWORD VertexCount;
};

// ---- Interfaces -----------------------------------------------------------------------------------

// A block of bytes owned by a reference-counted object.
class ID3DXBuffer : public IUnknownLike {
public:
    virtual void* GetBufferPointer() = 0;
    virtual DWORD GetBufferSize() = 0;
};

class ID3DXMesh;

class ID3DXBaseMesh : public IUnknownLike {
public:
    // Draws the faces of one attribute id as an indexed triangle list (needs a device).
    virtual HRESULT DrawSubset(DWORD AttribId) = 0;
    virtual DWORD GetNumFaces() = 0;
    virtual DWORD GetNumVertices() = 0;
    virtual DWORD GetFVF() = 0;
    virtual DWORD GetNumBytesPerVertex() = 0;
    virtual DWORD GetOptions() = 0;
    // Null device for a mesh kept in memory only. Adds a reference when there is one.
    virtual HRESULT GetDevice(IDirect3DDevice9** ppDevice) = 0;
    // A copy in another vertex format: position, normal, colours and texture coordinate sets that
    // both formats have are copied, the rest is zero. Options as for D3DXCreateMeshFVF.
    virtual HRESULT CloneMeshFVF(DWORD Options, DWORD FVF, IDirect3DDevice9* pDevice, ID3DXMesh** ppCloneMesh) = 0;
    // The device buffers, with a reference added; D3DERR_INVALIDCALL for a mesh without a device.
    virtual HRESULT GetVertexBuffer(IDirect3DVertexBuffer9** ppVB) = 0;
    virtual HRESULT GetIndexBuffer(IDirect3DIndexBuffer9** ppIB) = 0;
    // The in-memory copy; the unlock writes it to the device buffer.
    virtual HRESULT LockVertexBuffer(DWORD Flags, void** ppData) = 0;
    virtual HRESULT UnlockVertexBuffer() = 0;
    virtual HRESULT LockIndexBuffer(DWORD Flags, void** ppData) = 0;
    virtual HRESULT UnlockIndexBuffer() = 0;
    // With pAttribTable null, only the entry count is written.
    virtual HRESULT GetAttributeTable(D3DXATTRIBUTERANGE* pAttribTable, DWORD* pAttribTableSize) = 0;
    // Three neighbours per face (edges v0-v1, v1-v2, v2-v0); vertices within Epsilon of each other
    // count as one point.
    virtual HRESULT GenerateAdjacency(float Epsilon, DWORD* pAdjacency) = 0;
};

class ID3DXMesh : public ID3DXBaseMesh {
public:
    virtual HRESULT LockAttributeBuffer(DWORD Flags, DWORD** ppData) = 0;
    virtual HRESULT UnlockAttributeBuffer() = 0;
    // Reorders the faces by attribute id and, with D3DXMESHOPT_VERTEXCACHE, each attribute's faces
    // for the vertex cache; vertices follow in first-use order and unused ones are dropped. The
    // options part of Flags (the low bits) gives the new mesh's buffers. Every output may be null.
    virtual HRESULT Optimize(DWORD Flags, const DWORD* pAdjacencyIn, DWORD* pAdjacencyOut, DWORD* pFaceRemap,
                             ID3DXBuffer** ppVertexRemap, ID3DXMesh** ppOptMesh) = 0;
};

using LPD3DXBUFFER = ID3DXBuffer*;
using LPD3DXBASEMESH = ID3DXBaseMesh*;
using LPD3DXMESH = ID3DXMesh*;

// ---- Functions ------------------------------------------------------------------------------------

HRESULT D3DXCreateBuffer(DWORD NumBytes, ID3DXBuffer** ppBuffer);

// An empty mesh of NumFaces triangles and NumVertices vertices of the format; pDevice may be null.
HRESULT D3DXCreateMeshFVF(DWORD NumFaces, DWORD NumVertices, DWORD Options, DWORD FVF, IDirect3DDevice9* pDevice,
                          ID3DXMesh** ppMesh);

// Loads the meshes of a .x file (text or binary, "xof 0302"/"0303"), every frame's meshes merged in
// world space. Outputs: three neighbours per face, an array of D3DXMATERIAL (texture names in the same
// buffer), one empty effect instance per material, the material count. Every output but the mesh may
// be null. Malformed data: D3DXERR_INVALIDDATA; a file that cannot be read: E_FAIL.
HRESULT D3DXLoadMeshFromXA(const char* pFilename, DWORD Options, IDirect3DDevice9* pD3DDevice,
                           ID3DXBuffer** ppAdjacency, ID3DXBuffer** ppMaterials, ID3DXBuffer** ppEffectInstances,
                           DWORD* pNumMaterials, ID3DXMesh** ppMesh);
HRESULT D3DXLoadMeshFromXInMemory(const void* Memory, DWORD SizeOfMemory, DWORD Options, IDirect3DDevice9* pD3DDevice,
                                  ID3DXBuffer** ppAdjacency, ID3DXBuffer** ppMaterials, ID3DXBuffer** ppEffectInstances,
                                  DWORD* pNumMaterials, ID3DXMesh** ppMesh);

// Fills the vertex normals (the format must have them): each vertex gets the normalised sum of the
// normals of the faces that use it, each weighted by the face's angle at that vertex. With an
// adjacency array, vertices at one position joined by neighbouring faces are smoothed together.
HRESULT D3DXComputeNormals(ID3DXBaseMesh* pMesh, const DWORD* pAdjacency);

// The faces of one attribute id as one triangle strip, joined by degenerate triangles, keeping each
// face's winding. An attribute without faces gives a null buffer and a count of 0.
HRESULT D3DXConvertMeshSubsetToSingleStrip(ID3DXBaseMesh* MeshIn, DWORD AttribId, DWORD IBOptions,
                                           IDirect3DIndexBuffer9** ppIndexBuffer, DWORD* pNumIndices);
// The same faces as separate strips, one after the other in one index buffer; the lengths buffer
// holds one DWORD per strip, its triangle count (the strip has that many + 2 indices).
HRESULT D3DXConvertMeshSubsetToStrips(ID3DXBaseMesh* MeshIn, DWORD AttribId, DWORD IBOptions,
                                      IDirect3DIndexBuffer9** ppIndexBuffer, DWORD* pNumIndices,
                                      ID3DXBuffer** ppStripLengths, DWORD* pNumStrips);

// ---- Additions for the Linux build -----------------------------------------------------------------

// The strip index buffers above are made on the mesh's device. A mesh without a device gives its
// strips through these instead: the indices as 32-bit values.
HRESULT MeshSubsetSingleStrip(ID3DXBaseMesh* MeshIn, DWORD AttribId, ID3DXBuffer** ppIndices, DWORD* pNumIndices);
HRESULT MeshSubsetStrips(ID3DXBaseMesh* MeshIn, DWORD AttribId, ID3DXBuffer** ppIndices, DWORD* pNumIndices,
                         ID3DXBuffer** ppStripLengths, DWORD* pNumStrips);

// Number of live mesh and buffer objects, for leak checks in tests.
struct D3DXMeshObjectCounts {
    int meshes;
    int buffers;
};
D3DXMeshObjectCounts D3DXLiveMeshObjects();
