// The mesh list: loading .x resources into MeshEntry records, optimising them into strips, their
// bounds, lookup by id, and the six extruded text meshes.
#include "resources/mesh.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "console/console.h"
#include "core/graphics.h"
#include "core/window.h"
#include "d3dx/text3d.h"
#include "d3dx/texture.h"
#include "platform/win/codepage.h"
#include "platform/win/files.h"
#include "platform/win/window.h"
#include "resources/resources.h"

MeshEntry* meshListHead = nullptr;
MeshEntry* meshListTail = nullptr;
MeshEntry* meshListCurrent = nullptr;
MeshEntry* bulletMesh = nullptr;
MeshEntry* bombMesh = nullptr;
MeshEntry* menuBackdropMesh = nullptr;
MeshEntry* menuBackdropMeshBack = nullptr;
ID3DXMesh* textMeshes[kTextMeshSlots] = {};

namespace {

constexpr DWORD kMeshFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;  // 0x112
constexpr float kMaterialPower = 20.0f;
// A texture path (directory and file name) must fit this many characters.
constexpr std::size_t kTexturePathLimit = 127;

struct MeshFile {
    const char* path;
    std::uint8_t id;
};

// The game's meshes in load order.
constexpr MeshFile kMeshFiles[] = {
    {"mesh\\mut.x", 2},        {"mesh\\mur.x", 3},      {"mesh\\loszer01.x", 100},    {"mesh\\b1.x", 101},
    {"mesh\\mt.x", 11},        {"mesh\\mr.x", 12},      {"mesh\\mf.x", 13},           {"mesh\\msz1.x", 14},
    {"mesh\\msz2.x", 15},      {"mesh\\mvcs1.x", 16},   {"mesh\\mvcs2.x", 17},        {"mesh\\hangar01.x", 201},
    {"mesh\\hangar04.x", 203}, {"mesh\\torony.x", 202}, {"mesh\\menuhatter2.x", 255}, {"mesh\\menuhatter.x", 254},
};

struct TextMeshSpec {
    int slot;
    const char* text;
    const char* face;
    int points;
};

// The text meshes in build order: the title first, then the menu captions. All bold, upright, 0.3 deep.
constexpr TextMeshSpec kTextMeshes[] = {
    {5, "AVIORRA", "bookman old style", 72}, {0, "New game", "tahoma", 1},
    {1, "Load game", "tahoma", 1},           {2, "Resume", "tahoma", 1},
    {3, "High scores", "tahoma", 1},         {4, "Exit", "tahoma", 1},
};
constexpr float kTextExtrusion = 0.3f;
constexpr float kTextDeviation = 0.001f;

template <typename T>
void ReleaseAndClear(T*& object)
{
    if (object != nullptr) {
        object->Release();
        object = nullptr;
    }
}

// A mesh that loaded but cannot be used: the reason on the console and in a message box, in the
// player's words (the mesh's name, and what was wrong with it).
template <typename... Args>
void MeshLoadFailed(const char* format, Args... args)
{
    char text[512];
    std::snprintf(text, sizeof text, format, args...);
    ConsolePrintf(console, "%s", text);
    MessageBoxA(gameWindow, text, "AVIORRA", MB_OK | MB_ICONERROR);
}

// Loads the .x file of `resource` from its bytes, wherever they are kept; every failure of reading
// them is reported on the console.
HRESULT LoadMeshFile(const ResourceEntry& resource, ID3DXBuffer** adjacency, ID3DXBuffer** materials,
                     DWORD* materialCount, ID3DXMesh** mesh)
{
    std::string bytes;
    if (!ResourceBytes(resource, bytes)) {
        return E_FAIL;
    }
    if (bytes.empty()) {
        // An empty file holds nothing to read a mesh from.
        ConsolePrintf(console, "A fájlból nem lehet olvasni!"_cp);
        return E_FAIL;
    }
    return D3DXLoadMeshFromXInMemory(bytes.data(), static_cast<DWORD>(bytes.size()), D3DXMESH_MANAGED, device,
                                     adjacency, materials, nullptr, materialCount, mesh);
}

// A material's texture from its loose file, with the defaults of D3DXCreateTextureFromFileA.
HRESULT LoadMaterialTexture(const char* path, IDirect3DTexture9** texture)
{
    std::string bytes;
    FileProblem problem = FileProblem::None;
    try {
        if (!ResourceLooseFileBytes(path, bytes, problem)) {
            return E_FAIL;
        }
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return D3DXCreateTextureFromFileInMemory(device, bytes.data(), static_cast<UINT>(bytes.size()), texture);
}

// Releases what the entry holds (device objects and arrays) and clears it; the record itself and its
// links in the list stay, so pointers held elsewhere remain valid.
void ReleaseEntryContents(MeshEntry* entry)
{
    delete[] entry->materials;
    if (entry->textures != nullptr) {
        for (std::uint32_t i = 0; i < entry->materialCount; ++i) {
            ReleaseAndClear(entry->textures[i]);
        }
    }
    delete[] entry->textures;
    ReleaseAndClear(entry->mesh);
    ReleaseAndClear(entry->vertexBuffer);
    if (entry->subsets != nullptr) {
        for (std::uint32_t i = 0; i < entry->subsetCount; ++i) {
            ReleaseAndClear(entry->subsets[i].stripIndexBuffer);
            ReleaseAndClear(entry->subsets[i].stripsIndexBuffer);
            delete[] entry->subsets[i].stripLengths;
        }
    }
    delete[] entry->subsets;
    MeshEntry* previous = entry->previous;
    MeshEntry* next = entry->next;
    *entry = MeshEntry{};
    entry->previous = previous;
    entry->next = next;
}

// Loads the .x resource `path` into `entry`, which must be empty; the id is set only on success.
HRESULT MeshLoadInto(MeshEntry* entry, const char* path, const char* textureDirectory, std::uint8_t id);

}  // namespace

HRESULT MeshLoad(const char* path, const char* textureDirectory, std::uint8_t id)
{
    auto* entry = new (std::nothrow) MeshEntry{};
    if (entry == nullptr) {
        return E_FAIL;
    }
    if (meshListTail == nullptr) {
        meshListHead = entry;
    } else {
        meshListTail->next = entry;
        entry->previous = meshListTail;
    }
    meshListTail = entry;
    meshListCurrent = entry;
    return MeshLoadInto(entry, path, textureDirectory, id);
}

namespace {

HRESULT MeshLoadInto(MeshEntry* entry, const char* path, const char* textureDirectory, std::uint8_t id)
{
    ID3DXBuffer* adjacency = nullptr;
    ID3DXBuffer* materials = nullptr;
    ID3DXMesh* loaded = nullptr;
    DWORD materialCount = 0;
    auto finish = [&](HRESULT result) {
        ReleaseAndClear(adjacency);
        ReleaseAndClear(materials);
        ReleaseAndClear(loaded);
        return result;
    };

    const ResourceEntry* resource = ResourceFind(path);
    if (resource == nullptr) {
        ConsolePrintf(console, "Nem létezik ilyen fájl! (%s)"_cp, path);
        return finish(E_FAIL);
    }
    const HRESULT hr = LoadMeshFile(*resource, &adjacency, &materials, &materialCount, &loaded);
    if (FAILED(hr) || loaded == nullptr) {
        ConsolePrintf(console, "Mesh betöltése sikertelen! (%s)"_cp, resource->name);
        return finish(E_FAIL);
    }

    // Materials: ambient and specular follow the diffuse colour, a fixed specular power; textures
    // come from loose files on the disk, never from an archive.
    entry->materialCount = materialCount;
    if (materialCount > 0) {
        entry->materials = new (std::nothrow) D3DMATERIAL9[materialCount]();
        entry->textures = new (std::nothrow) IDirect3DTexture9*[materialCount]();
        if (entry->materials == nullptr || entry->textures == nullptr || materials == nullptr) {
            return finish(E_FAIL);
        }
    }
    const auto* fileMaterials =
        materials != nullptr ? static_cast<const D3DXMATERIAL*>(materials->GetBufferPointer()) : nullptr;
    for (DWORD i = 0; i < materialCount; ++i) {
        D3DMATERIAL9 material = fileMaterials[i].MatD3D;
        material.Ambient = material.Diffuse;
        material.Specular = material.Diffuse;
        material.Power = kMaterialPower;
        entry->materials[i] = material;
        const char* name = fileMaterials[i].pTextureFilename;
        if (name != nullptr && name[0] != '\0') {
            char texturePath[kTexturePathLimit + 1];
            const std::size_t directoryLength = std::strlen(textureDirectory);
            const std::size_t nameLength = std::strlen(name);
            HRESULT textureResult = E_FAIL;
            if (directoryLength + nameLength <= kTexturePathLimit) {
                std::memcpy(texturePath, textureDirectory, directoryLength);
                std::memcpy(texturePath + directoryLength, name, nameLength + 1);
                textureResult =
                    GamePathStaysInside(texturePath) ? LoadMaterialTexture(texturePath, &entry->textures[i]) : E_FAIL;
            }
            if (FAILED(textureResult)) {
                entry->textures[i] = nullptr;
                MeshLoadFailed("A mesh textúrája nem tölthető be! (%s: %s%s)"_cp, resource->name, textureDirectory,
                               name);
                return finish(E_FAIL);
            }
        }
    }

    const bool hadNormals = (loaded->GetFVF() & D3DFVF_NORMAL) != 0;
    if (loaded->GetFVF() == kMeshFvf) {
        entry->mesh = loaded;
        loaded = nullptr;
    } else if (FAILED(loaded->CloneMeshFVF(loaded->GetOptions(), kMeshFvf, device, &entry->mesh))) {
        entry->mesh = nullptr;
        MeshLoadFailed("A mesh csúcsformátuma nem alakítható át! (%s)"_cp, resource->name);
        return finish(E_FAIL);
    }

    if (FAILED(MeshOptimize(adjacency != nullptr ? static_cast<const DWORD*>(adjacency->GetBufferPointer()) : nullptr,
                            entry))) {
        MeshLoadFailed("A mesh nem optimalizálható! (%s)"_cp, resource->name);
        return finish(E_FAIL);
    }
    if (!hadNormals) {
        D3DXComputeNormals(entry->mesh, nullptr);
    }
    entry->id = id;
    return finish(S_OK);
}

}  // namespace

HRESULT MeshOptimize(const DWORD* adjacency, MeshEntry* entry)
{
    if (entry == nullptr || entry->mesh == nullptr) {
        return E_FAIL;
    }
    ID3DXMesh* optimized = nullptr;
    if (FAILED(entry->mesh->Optimize(D3DXMESHOPT_VERTEXCACHE | D3DXMESH_MANAGED, adjacency, nullptr, nullptr, nullptr,
                                     &optimized))) {
        return E_FAIL;
    }
    auto fail = [&](HRESULT result) {
        optimized->Release();
        return result;
    };

    entry->subsetCount = entry->materialCount;
    if (entry->subsetCount > 0) {
        entry->subsets = new (std::nothrow) MeshSubset[entry->subsetCount]();
        if (entry->subsets == nullptr) {
            entry->subsetCount = 0;
            return fail(E_OUTOFMEMORY);
        }
    }
    entry->stripTooLong = 0;
    D3DCAPS9 caps{};
    const bool haveCaps = device != nullptr && SUCCEEDED(device->GetDeviceCaps(&caps));
    for (std::uint32_t i = 0; i < entry->subsetCount; ++i) {
        MeshSubset& subset = entry->subsets[i];
        DWORD indexCount = 0;
        if (FAILED(D3DXConvertMeshSubsetToSingleStrip(optimized, i, D3DXMESH_IB_MANAGED, &subset.stripIndexBuffer,
                                                      &indexCount))) {
            return fail(E_FAIL);
        }
        subset.stripIndexCount = indexCount;
        if (haveCaps && indexCount >= 2 && indexCount - 2 > caps.MaxPrimitiveCount) {
            entry->stripTooLong = 1;
        }
        ID3DXBuffer* lengths = nullptr;
        DWORD stripCount = 0;
        if (FAILED(D3DXConvertMeshSubsetToStrips(optimized, i, D3DXMESH_IB_MANAGED, &subset.stripsIndexBuffer, nullptr,
                                                 &lengths, &stripCount))) {
            return fail(E_FAIL);
        }
        subset.stripLengths = new (std::nothrow) std::uint32_t[stripCount > 0 ? stripCount : 1]();
        if (subset.stripLengths == nullptr) {
            lengths->Release();
            return fail(E_OUTOFMEMORY);
        }
        if (stripCount > 0) {
            std::memcpy(subset.stripLengths, lengths->GetBufferPointer(), stripCount * sizeof(std::uint32_t));
        }
        subset.stripCount = stripCount;
        lengths->Release();
    }

    entry->vertexFormat = optimized->GetFVF();
    ID3DXMesh* final = nullptr;
    HRESULT hr = optimized->CloneMeshFVF(D3DXMESH_MANAGED | (optimized->GetOptions() & D3DXMESH_32BIT),
                                         entry->vertexFormat, device, &final);
    optimized->Release();
    if (FAILED(hr)) {
        return hr;
    }
    entry->mesh->Release();
    entry->mesh = final;
    hr = entry->mesh->GetVertexBuffer(&entry->vertexBuffer);
    if (FAILED(hr)) {
        entry->vertexBuffer = nullptr;
        return hr;
    }
    entry->vertexCount = entry->mesh->GetNumVertices();
    return S_OK;
}

HRESULT MeshComputeBounds(MeshEntry* entry)
{
    if (entry == nullptr || entry->vertexBuffer == nullptr || entry->vertexCount == 0) {
        return E_FAIL;
    }
    void* data = nullptr;
    if (FAILED(entry->vertexBuffer->Lock(0, 0, &data, 0)) || data == nullptr) {
        return E_FAIL;
    }
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    constexpr std::size_t kStride = 32;
    D3DXVECTOR3 low, high;
    std::memcpy(&low.x, bytes, 12);
    high = low;
    for (std::uint32_t v = 1; v < entry->vertexCount; ++v) {
        D3DXVECTOR3 p;
        std::memcpy(&p.x, bytes + v * kStride, 12);
        low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
        high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
    }
    entry->vertexBuffer->Unlock();
    entry->minimum = low;
    entry->maximum = high;
    entry->size = high - low;
    return S_OK;
}

HRESULT MeshListLoadAll()
{
    // A reload after the device was re-created fills the entries of the first load again, in the
    // same order, so the entries the aircraft and ground objects point at stay the same records.
    MeshEntry* kept = meshListHead;
    for (const MeshFile& file : kMeshFiles) {
        if (kept != nullptr) {
            ReleaseEntryContents(kept);
            meshListCurrent = kept;
            MeshLoadInto(kept, file.path, "mesh\\", file.id);
            kept = kept->next;
        } else {
            MeshLoad(file.path, "mesh\\", file.id);
        }
        MeshComputeBounds(meshListCurrent);
        switch (file.id) {
        case 100: bulletMesh = meshListCurrent; break;
        case 101: bombMesh = meshListCurrent; break;
        case 255: menuBackdropMesh = meshListCurrent; break;
        case 254: menuBackdropMeshBack = meshListCurrent; break;
        default: break;
        }
    }
    for (const TextMeshSpec& text : kTextMeshes) {
        TextMeshCreate(text.slot, text.face, text.points, kTextExtrusion, true, false, text.text);
    }
    return S_OK;
}

HRESULT TextMeshCreate(int slot, const char* fontFace, int pointSize, float extrusion, bool bold, bool italic,
                       const char* text)
{
    if (slot < 0 || slot >= kTextMeshSlots) {
        return E_FAIL;
    }
    HDC context = CreateCompatibleDC(nullptr);
    if (context == nullptr) {
        return E_FAIL;
    }
    HFONT font = CreateFontA(-MulDiv(pointSize, GetDeviceCaps(context, LOGPIXELSY), 72), 0, 0, 0,
                             bold ? FW_BOLD : FW_NORMAL, italic ? TRUE : FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, fontFace);
    HGDIOBJ previous = SelectObject(context, font);
    ID3DXMesh* mesh = nullptr;
    HRESULT hr = D3DXCreateTextA(device, context, text, kTextDeviation, extrusion, &mesh, nullptr, nullptr);
    if (SUCCEEDED(hr)) {
        D3DXComputeNormals(mesh, nullptr);
        ReleaseAndClear(textMeshes[slot]);
        textMeshes[slot] = mesh;
    }
    SelectObject(context, previous);
    DeleteObject(font);
    DeleteDC(context);
    return SUCCEEDED(hr) ? S_OK : E_FAIL;
}

void MeshListReleaseContents()
{
    for (MeshEntry* entry = meshListHead; entry != nullptr; entry = entry->next) {
        ReleaseEntryContents(entry);
    }
}

void MeshListFree()
{
    MeshEntry* entry = meshListHead;
    while (entry != nullptr) {
        MeshEntry* next = entry->next;
        ReleaseEntryContents(entry);
        delete entry;
        entry = next;
    }
    meshListHead = nullptr;
    meshListTail = nullptr;
    meshListCurrent = nullptr;
    bulletMesh = nullptr;
    bombMesh = nullptr;
    menuBackdropMesh = nullptr;
    menuBackdropMeshBack = nullptr;
}

void TextMeshesRelease()
{
    for (ID3DXMesh*& mesh : textMeshes) {
        ReleaseAndClear(mesh);
    }
}
