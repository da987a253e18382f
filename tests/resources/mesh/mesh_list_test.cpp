// The mesh list: loading from loose files and archives, materials and textures, strips, bounds,
// failures, the whole list and lookup by id.
#include <gtest/gtest.h>

#include <algorithm>

#include "../../support/memory_device.h"
#include "../../support/mesh_helpers.h"
#include "../../support/resource_fixture.h"
#include "../../support/xfile_writer.h"
#include "app/graphics.h"
#include "d3dx/text3d.h"
#include "resources/mesh.h"

namespace {

// A 2x2 24-bit BMP.
std::string TinyBmp()
{
    std::string bmp = "BM" + Le32(70) + Le32(0) + Le32(54) + Le32(40) + Le32(2) + Le32(2);
    bmp += std::string("\x01\x00\x18\x00", 4) + Le32(0) + Le32(16) + Le32(2835) + Le32(2835) + Le32(0) + Le32(0);
    for (int row = 0; row < 2; ++row) {
        bmp += std::string("\xff\x00\x00\x00\xff\x00\x00\x00", 8);
    }
    return bmp;
}

class MeshList : public ResourceTest {
protected:
    void SetUp() override
    {
        ResourceTest::SetUp();
        MeshListFree();
        TextMeshesRelease();
        device = &memory;
    }
    void TearDown() override
    {
        MeshListFree();
        TextMeshesRelease();
        device = nullptr;
        EXPECT_EQ(memory.live.vertexBuffers + memory.live.indexBuffers + memory.live.textures, 0)
            << "a device object was not released";
        const D3DXMeshObjectCounts live = D3DXLiveMeshObjects();
        EXPECT_EQ(live.meshes + live.buffers, 0);
        EXPECT_EQ(GdiLiveObjects().contexts + GdiLiveObjects().fonts, 0);
        ResourceTest::TearDown();
    }

    // The 32-bit indices of an index buffer of the memory device (16-bit entries widened).
    static std::vector<unsigned> IndicesOf(IDirect3DIndexBuffer9* buffer)
    {
        D3DINDEXBUFFER_DESC desc{};
        buffer->GetDesc(&desc);
        auto* memoryBuffer = static_cast<MemoryIndexBuffer*>(buffer);
        std::vector<unsigned> out;
        const std::size_t size = desc.Format == D3DFMT_INDEX32 ? 4 : 2;
        for (std::size_t i = 0; i + size <= memoryBuffer->bytes.size(); i += size) {
            unsigned v = 0;
            std::memcpy(&v, memoryBuffer->bytes.data() + i, size);
            out.push_back(v);
        }
        return out;
    }

    // Loose files on disk, listed in an archive (whose own copies say nothing) so the resource list
    // knows them and the loose files override.
    void Loose(const std::vector<std::pair<std::string, std::string>>& files)
    {
        std::vector<std::pair<std::string, std::string>> members;
        for (const auto& [name, bytes] : files) {
            std::string path = name;
            std::replace(path.begin(), path.end(), '\\', '/');
            Write(path, bytes);
            members.push_back({name, "stale archive copy"});
        }
        WriteArchive("loose.vrk", members);
        ResourceScanArchives();
    }

    MemoryDevice memory;
};

TEST_F(MeshList, LooseFileWithoutNormalsGetsThemInTheGameLayoutWithBounds)
{
    XMeshSpec cube = CubeSpec(false);
    for (float& c : cube.positions) {
        c = c * 2.0f + 1.0f;  // from -1..3
    }
    Loose({{"mesh\\cube.x", XWriter(false).Write({cube})}});
    ASSERT_EQ(MeshLoad("mesh\\cube.x", "mesh\\", 7), S_OK);
    MeshEntry* entry = meshListCurrent;
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry, meshListHead);
    EXPECT_EQ(entry->id, 7);
    EXPECT_EQ(entry->vertexFormat, 0x112u);
    EXPECT_EQ(entry->vertexCount, 8u);
    EXPECT_EQ(entry->materialCount, 0u);
    EXPECT_EQ(entry->subsetCount, 0u);  // nothing to draw
    EXPECT_EQ(entry->subsets, nullptr);
    ASSERT_NE(entry->vertexBuffer, nullptr);

    ASSERT_EQ(MeshComputeBounds(entry), S_OK);
    EXPECT_EQ(entry->minimum, D3DXVECTOR3(-1, -1, -1));
    EXPECT_EQ(entry->maximum, D3DXVECTOR3(3, 3, 3));
    EXPECT_EQ(entry->size, D3DXVECTOR3(4, 4, 4));
    EXPECT_EQ(MeshExtent(entry, 1), 4.0f);
    EXPECT_EQ(MeshExtent(entry, 3), 0.0f);

    // The computed normals in the device's buffer point away from the cube's centre (1, 1, 1).
    const auto& bytes = static_cast<MemoryVertexBuffer*>(entry->vertexBuffer)->bytes;
    ASSERT_EQ(bytes.size(), 8u * 32);
    for (int v = 0; v < 8; ++v) {
        float f[8];
        std::memcpy(f, bytes.data() + v * 32, 32);
        D3DXVECTOR3 out(f[0] - 1, f[1] - 1, f[2] - 1), n(f[3], f[4], f[5]);
        EXPECT_NEAR(D3DXVec3Length(&n), 1.0f, 1e-5f);
        EXPECT_GT(D3DXVec3Dot(&n, &out), 0.0f);
    }
}

TEST_F(MeshList, MaterialsFollowTheirDiffuseColourAndTexturesComeFromDisk)
{
    XMeshSpec grid = GridSpec(4);
    grid.materials[0].emissive[0] = 0.5f;
    grid.materials[0].power = 3.0f;
    grid.normals = {0, 0, -1};
    for (std::size_t f = 0; f < grid.faces.size(); ++f) {
        grid.normalFaces.push_back({0, 0, 0, 0});
    }
    Loose({{"mesh\\grid.x", XWriter(true).Write({grid})}});
    Write("mesh/grid.bmp", TinyBmp());
    ASSERT_EQ(MeshLoad("mesh\\grid.x", "mesh\\", 9), S_OK);
    MeshEntry* entry = meshListCurrent;
    ASSERT_EQ(entry->materialCount, 2u);
    const D3DMATERIAL9& red = entry->materials[0];
    EXPECT_EQ(red.Diffuse.r, 1.0f);
    EXPECT_EQ(red.Diffuse.g, 0.0f);
    EXPECT_EQ(red.Ambient.r, red.Diffuse.r);
    EXPECT_EQ(red.Ambient.g, red.Diffuse.g);
    EXPECT_EQ(red.Specular.r, red.Diffuse.r);
    EXPECT_EQ(red.Specular.a, red.Diffuse.a);
    EXPECT_EQ(red.Power, 20.0f);
    EXPECT_EQ(red.Emissive.r, 0.5f);
    EXPECT_EQ(entry->textures[0], nullptr);
    ASSERT_NE(entry->textures[1], nullptr);
    EXPECT_EQ(memory.live.textures, 1);
    EXPECT_EQ(entry->stripTooLong, 0);

    // Each material's single strip gives back exactly its triangles, the separate strips too.
    ASSERT_EQ(entry->subsetCount, 2u);
    for (DWORD a = 0; a < 2; ++a) {
        const MeshSubset& subset = entry->subsets[a];
        std::vector<unsigned> strip = IndicesOf(subset.stripIndexBuffer);
        ASSERT_EQ(strip.size(), subset.stripIndexCount);
        EXPECT_EQ(DecodeStrip(strip.data(), strip.size()), SubsetTriangles(entry->mesh, a)) << "material " << a;
        std::vector<unsigned> strips = IndicesOf(subset.stripsIndexBuffer);
        std::size_t at = 0;
        std::vector<Triangle> decoded;
        for (std::uint32_t s = 0; s < subset.stripCount; ++s) {
            std::vector<Triangle> part = DecodeStrip(strips.data() + at, subset.stripLengths[s] + 2);
            decoded.insert(decoded.end(), part.begin(), part.end());
            at += subset.stripLengths[s] + 2;
        }
        std::sort(decoded.begin(), decoded.end());
        EXPECT_EQ(at, strips.size());
        EXPECT_EQ(decoded, SubsetTriangles(entry->mesh, a));
    }
    // The file had normals: they are kept, not recomputed.
    float f[8];
    std::memcpy(f, static_cast<MemoryVertexBuffer*>(entry->vertexBuffer)->bytes.data(), 32);
    EXPECT_EQ(f[5], -1.0f);
}

TEST_F(MeshList, StripsLongerThanTheDeviceAllowsAreFlagged)
{
    memory.maxPrimitiveCount = 10;
    Loose({{"mesh\\grid.x", XWriter(false).Write({GridSpec(4)})}});  // 16 triangles per material
    Write("mesh/grid.bmp", TinyBmp());
    ASSERT_EQ(MeshLoad("mesh\\grid.x", "mesh\\", 9), S_OK);
    EXPECT_EQ(meshListCurrent->stripTooLong, 1);
    memory.maxPrimitiveCount = 1000;
    ASSERT_EQ(MeshLoad("mesh\\grid.x", "mesh\\", 9), S_OK);
    EXPECT_EQ(meshListCurrent->stripTooLong, 0);
}

TEST_F(MeshList, FailuresAreReportedAndLeaveTheEntryWithoutAnId)
{
    XMeshSpec longName = GridSpec(2);
    longName.materials[1].texture = std::string(123, 'a') + ".bmp";
    Loose({{"mesh\\bad.x", "xof 0303txt 0032 Mesh { 3; 0;0;0;; }"},
           {"mesh\\grid.x", XWriter(false).Write({GridSpec(2)})},
           {"mesh\\long.x", XWriter(false).Write({longName})}});
    Mark();
    EXPECT_EQ(MeshLoad("mesh\\none.x", "mesh\\", 5), E_FAIL);
    EXPECT_EQ(Printed(), std::vector<std::string>{"Nem létezik ilyen fájl! (mesh\\none.x)"_cp});
    EXPECT_EQ(meshListCurrent->id, 0);

    Mark();
    EXPECT_EQ(MeshLoad("mesh\\bad.x", "mesh\\", 6), E_FAIL);
    EXPECT_EQ(Printed(), std::vector<std::string>{"Mesh betöltése sikertelen! (mesh\\bad.x)"_cp});

    // A texture that is not on the disk (archives do not count for mesh textures): the player is told
    // which mesh and which file.
    Mark();
    EXPECT_EQ(MeshLoad("mesh\\grid.x", "mesh\\", 8), E_FAIL);
    EXPECT_EQ(Printed(),
              std::vector<std::string>{"A mesh textúrája nem tölthető be! (mesh\\grid.x: mesh\\grid.bmp)"_cp});
    // A texture path that does not fit 127 characters.
    EXPECT_EQ(MeshLoad("mesh\\long.x", "mesh\\", 4), E_FAIL);

    int entries = 0;
    for (MeshEntry* e = meshListHead; e != nullptr; e = e->next, ++entries) {
        EXPECT_EQ(e->id, 0);
        if (e->next != nullptr) {
            EXPECT_EQ(e->next->previous, e);
        }
    }
    EXPECT_EQ(entries, 4);
    EXPECT_EQ(meshListTail, meshListCurrent);
    EXPECT_EQ(MeshFind(8), nullptr);
    EXPECT_EQ(MeshComputeBounds(meshListHead), E_FAIL);
    EXPECT_EQ(MeshExtent(nullptr, 0), 0.0f);

    // A texture name climbing out of the game folder is missing even where the file exists there;
    // one that climbs back into the folder loads.
    const std::string outside = "aviorra-outside-" + std::to_string(::getpid()) + ".bmp";
    Write("../" + outside, TinyBmp());
    XMeshSpec climbing = GridSpec(2);
    climbing.materials[1].texture = "..\\..\\" + outside;
    XMeshSpec inside = GridSpec(2);
    inside.materials[1].texture = "..\\textures\\in.bmp";
    Write("textures/in.bmp", TinyBmp());
    Loose({{"mesh\\climb.x", XWriter(false).Write({climbing})}, {"mesh\\in.x", XWriter(false).Write({inside})}});
    const HRESULT climbed = MeshLoad("mesh\\climb.x", "mesh\\", 3);
    std::filesystem::remove("../" + outside);
    EXPECT_EQ(climbed, E_FAIL);
    ASSERT_EQ(MeshLoad("mesh\\in.x", "mesh\\", 2), S_OK);
    EXPECT_NE(meshListCurrent->textures[1], nullptr);
}

TEST_F(MeshList, ArchiveMembersAreReadAtTheirOffset)
{
    WriteArchive("data.vrk", {{"mesh\\other.x", "padding before the mesh"},
                              {"mesh\\cube.x", XWriter(true).Write({CubeSpec(true)})},
                              {"mesh\\broken.x", "xof 0303bin 0032\x01"}});
    ResourceScanArchives();
    ASSERT_EQ(MeshLoad("mesh\\cube.x", "mesh\\", 3), S_OK);
    EXPECT_EQ(meshListCurrent->vertexCount, 24u);
    Mark();
    EXPECT_EQ(MeshLoad("mesh\\broken.x", "mesh\\", 4), E_FAIL);
    EXPECT_EQ(Printed(), std::vector<std::string>{"Mesh betöltése sikertelen! (mesh\\broken.x)"_cp});
    // The archive gone: it cannot be opened.
    std::filesystem::remove("data.vrk");
    Mark();
    EXPECT_EQ(MeshLoad("mesh\\cube.x", "mesh\\", 3), E_FAIL);
    std::vector<std::string> printed = Printed();
    ASSERT_FALSE(printed.empty());
    EXPECT_EQ(printed[0], "A fájlt nem lehet megnyitni!"_cp);
}

TEST_F(MeshList, ALooseFileAndTheSameFileInAnArchiveGiveTheSameMesh)
{
    const std::string file = XWriter(true).Write({GridSpec(3)});
    WriteArchive("data.vrk", {{"mesh\\packed.x", file}});
    Loose({{"mesh\\grid.x", file}});
    Write("mesh/grid.bmp", TinyBmp());
    ASSERT_EQ(MeshLoad("mesh\\packed.x", "mesh\\", 1), S_OK);
    const MeshEntry* packed = meshListCurrent;
    ASSERT_EQ(MeshLoad("mesh\\grid.x", "mesh\\", 2), S_OK);
    const MeshEntry* loose = meshListCurrent;

    EXPECT_EQ(loose->vertexFormat, packed->vertexFormat);
    EXPECT_EQ(loose->vertexCount, packed->vertexCount);
    EXPECT_EQ(static_cast<MemoryVertexBuffer*>(loose->vertexBuffer)->bytes,
              static_cast<MemoryVertexBuffer*>(packed->vertexBuffer)->bytes);
    ASSERT_EQ(loose->materialCount, 2u);
    ASSERT_EQ(packed->materialCount, 2u);
    EXPECT_EQ(std::memcmp(loose->materials, packed->materials, 2 * sizeof(D3DMATERIAL9)), 0);
    ASSERT_NE(loose->textures[1], nullptr);
    ASSERT_NE(packed->textures[1], nullptr);
    ASSERT_EQ(loose->subsetCount, packed->subsetCount);
    for (std::uint32_t a = 0; a < packed->subsetCount; ++a) {
        EXPECT_EQ(IndicesOf(loose->subsets[a].stripIndexBuffer), IndicesOf(packed->subsets[a].stripIndexBuffer));
        EXPECT_EQ(IndicesOf(loose->subsets[a].stripsIndexBuffer), IndicesOf(packed->subsets[a].stripsIndexBuffer));
        ASSERT_EQ(loose->subsets[a].stripCount, packed->subsets[a].stripCount);
        EXPECT_TRUE(std::equal(loose->subsets[a].stripLengths,
                               loose->subsets[a].stripLengths + loose->subsets[a].stripCount,
                               packed->subsets[a].stripLengths));
    }
}

TEST_F(MeshList, FilesCutShortOrEmptyAreRefusedBeforeParsing)
{
    // A text file whose last bytes are padding: what the archive still holds of it is a whole mesh,
    // so only reading all of it tells that something is missing.
    const std::string file = XWriter(false).Write({CubeSpec(false)}) + std::string(200, ' ');
    WriteArchive("data.vrk", {{"mesh\\cube.x", file}});
    ResourceScanArchives();
    ASSERT_EQ(MeshLoad("mesh\\cube.x", "mesh\\", 3), S_OK) << "whole, the member loads";
    MeshListFree();
    std::filesystem::resize_file("data.vrk", file.size() - 100);

    Mark();
    EXPECT_EQ(MeshLoad("mesh\\cube.x", "mesh\\", 3), E_FAIL);
    EXPECT_EQ(Printed(), (std::vector<std::string>{"A fájlból nem lehet olvasni!"_cp,
                                                   "Mesh betöltése sikertelen! (mesh\\cube.x)"_cp}));
    EXPECT_EQ(meshListCurrent->id, 0);
    EXPECT_EQ(meshListCurrent->mesh, nullptr);
    EXPECT_EQ(meshListCurrent->vertexBuffer, nullptr);
    EXPECT_EQ(D3DXLiveMeshObjects().meshes, 0) << "nothing was parsed";
    EXPECT_EQ(memory.live.vertexBuffers + memory.live.indexBuffers, 0);

    // An empty file, from an archive or a loose file, cannot be read as a mesh.
    WriteArchive("data.vrk", {{"mesh\\empty.x", ""}});
    Loose({{"mesh\\nothing.x", ""}});
    for (const char* name : {"mesh\\empty.x", "mesh\\nothing.x"}) {
        Mark();
        EXPECT_EQ(MeshLoad(name, "mesh\\", 4), E_FAIL);
        EXPECT_EQ(Printed(), (std::vector<std::string>{"A fájlból nem lehet olvasni!"_cp,
                                                       "Mesh betöltése sikertelen! ("_cp + std::string(name) + ")"}));
    }
}

TEST_F(MeshList, LoadAllKeepsTheOrderTheRememberedEntriesAndBuildsTheTexts)
{
    Loose({{"mesh\\loszer01.x", XWriter(false).Write({CubeSpec(false)})},
           {"mesh\\menuhatter.x", XWriter(true).Write({CubeSpec(true)})},
           {"mesh\\hangar01.x", XWriter(false).Write({CubeSpec(false)})}});
    EXPECT_EQ(MeshListLoadAll(), S_OK);
    std::vector<int> ids;
    for (MeshEntry* e = meshListHead; e != nullptr; e = e->next) {
        ids.push_back(e->id);
    }
    // Sixteen entries in load order; only the three present files have their ids.
    EXPECT_EQ(ids, (std::vector<int>{0, 0, 100, 0, 0, 0, 0, 0, 0, 0, 0, 201, 0, 0, 0, 254}));
    ASSERT_NE(bulletMesh, nullptr);
    EXPECT_EQ(bulletMesh->id, 100);
    EXPECT_EQ(MeshFind(100), bulletMesh);
    EXPECT_EQ(menuBackdropMeshBack, MeshFind(254));
    EXPECT_EQ(MeshExtent(MeshFind(201), 0), 2.0f);  // bounds computed after each load
    ASSERT_NE(bombMesh, nullptr);                    // remembered even though its load failed
    EXPECT_EQ(bombMesh->id, 0);
    EXPECT_EQ(MeshFind(101), nullptr);
    for (int slot = 0; slot < kTextMeshSlots; ++slot) {
        ASSERT_NE(textMeshes[slot], nullptr) << "slot " << slot;
        EXPECT_EQ(textMeshes[slot]->GetFVF(), D3DFVF_XYZ | D3DFVF_NORMAL);
    }
    // The title is the widest of the texts ("AVIORRA" against "Exit").
    EXPECT_GT(textMeshes[5]->GetNumVertices(), textMeshes[4]->GetNumVertices());
    // Drawing a text mesh draws its one subset.
    ASSERT_EQ(textMeshes[4]->DrawSubset(0), S_OK);
    EXPECT_EQ(memory.drawnPrimitives, textMeshes[4]->GetNumFaces());

    // A second load after freeing (what graf_restart does) gives the same list, not a doubled one.
    TextMeshesRelease();
    MeshListFree();
    EXPECT_EQ(meshListHead, nullptr);
    EXPECT_EQ(bulletMesh, nullptr);
    EXPECT_EQ(MeshFind(100), nullptr);
    MeshListLoadAll();
    int count = 0;
    for (MeshEntry* e = meshListHead; e != nullptr; e = e->next) {
        ++count;
    }
    EXPECT_EQ(count, 16);
    EXPECT_EQ(MeshFind(100), bulletMesh);
}

TEST_F(MeshList, AnIdLoadedTwiceIsFoundAtItsFirstEntry)
{
    Loose({{"mesh\\a.x", XWriter(false).Write({CubeSpec(false)})}});
    ASSERT_EQ(MeshLoad("mesh\\a.x", "mesh\\", 42), S_OK);
    MeshEntry* first = meshListCurrent;
    ASSERT_EQ(MeshLoad("mesh\\a.x", "mesh\\", 42), S_OK);
    EXPECT_NE(meshListCurrent, first);
    EXPECT_EQ(MeshFind(42), first);
}

TEST_F(MeshList, TextMeshSlotsAreCheckedAndReplaced)
{
    EXPECT_EQ(TextMeshCreate(6, "tahoma", 1, 0.3f, true, false, "x"), E_FAIL);
    EXPECT_EQ(TextMeshCreate(-1, "tahoma", 1, 0.3f, true, false, "x"), E_FAIL);
    EXPECT_EQ(TextMeshCreate(2, "tahoma", 1, 0.3f, true, false, ""), E_FAIL);
    EXPECT_EQ(textMeshes[2], nullptr);
    ASSERT_EQ(TextMeshCreate(2, "tahoma", 1, 0.3f, true, false, "Resume"), S_OK);
    ID3DXMesh* first = textMeshes[2];
    ASSERT_EQ(TextMeshCreate(2, "verdana", 1, 0.3f, false, true, "Resume"), S_OK);
    EXPECT_NE(textMeshes[2], first);  // the old one is released (the leak check in TearDown)
}

}  // namespace
