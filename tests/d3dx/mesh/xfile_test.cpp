// Loading .x files in both forms, plain and compressed: counts, materials, frames, polygons, and damaged
// or oversized input.
#include <gtest/gtest.h>

#include <zlib.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

#include "../../support/mesh_helpers.h"
#include "../../support/xfile_writer.h"
#include "d3dx/xfile.h"
#include "platform/win/little_endian.h"

namespace {

class XFileForms : public ::testing::TestWithParam<bool> {
protected:
    std::string Image(const std::vector<XMeshSpec>& meshes) { return XWriter(GetParam()).Write(meshes); }
    void TearDown() override
    {
        const D3DXMeshObjectCounts live = D3DXLiveMeshObjects();
        EXPECT_EQ(live.meshes + live.buffers, 0) << "a mesh or buffer was not released";
    }
};

// Raw deflate data of `size` bytes with `window` bytes before them as the dictionary.
std::string Deflated(const Bytef* data, std::size_t size, const Bytef* dictionary, std::size_t window)
{
    z_stream stream{};
    EXPECT_EQ(deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY), Z_OK);
    if (window > 0) {
        deflateSetDictionary(&stream, dictionary, static_cast<uInt>(window));
    }
    std::string packed(deflateBound(&stream, size), '\0');
    stream.next_in = const_cast<Bytef*>(data);
    stream.avail_in = static_cast<uInt>(size);
    stream.next_out = reinterpret_cast<Bytef*>(packed.data());
    stream.avail_out = static_cast<uInt>(packed.size());
    EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
    packed.resize(stream.total_out);
    deflateEnd(&stream);
    return packed;
}

// The compressed form of a .x image ("tzip" for text, "bzip" for binary): the unpacked size, then MSZIP
// blocks of 32 KiB, each deflated with the 32 KiB before it as its dictionary. A block that repeats the
// one before it, dictionary and all, deflates to the same bytes, which are taken again.
std::string Compressed(const std::string& image)
{
    constexpr std::size_t kBlock = 32768;
    std::string out = image.substr(0, 16);
    out.replace(8, 4, image.compare(8, 4, "bin ") == 0 ? "bzip" : "tzip");
    LittleEndianWriter w(out);
    w.U32(static_cast<std::uint32_t>(image.size()));
    const auto* body = reinterpret_cast<const Bytef*>(image.data()) + 16;
    const std::size_t size = image.size() - 16;
    std::string packed;
    for (std::size_t at = 0; at < size; at += kBlock) {
        const std::size_t plain = std::min(kBlock, size - at);
        const bool repeat = at >= 2 * kBlock && plain == kBlock &&
                            std::memcmp(body + at - 2 * kBlock, body + at - kBlock, kBlock) == 0 &&
                            std::memcmp(body + at - kBlock, body + at, kBlock) == 0;
        if (!repeat) {
            packed = Deflated(body + at, plain, body + at - std::min(kBlock, at), std::min(kBlock, at));
        }
        w.U16(static_cast<std::uint16_t>(plain));
        w.U16(static_cast<std::uint16_t>(packed.size() + 2));
        out += "CK" + packed;
    }
    return out;
}

void Bounds(ID3DXMesh* mesh, D3DXVECTOR3* low, D3DXVECTOR3* high)
{
    *low = *high = MeshPosition(mesh, 0);
    for (unsigned v = 1; v < mesh->GetNumVertices(); ++v) {
        const D3DXVECTOR3 p = MeshPosition(mesh, v);
        low->x = std::min(low->x, p.x);
        low->y = std::min(low->y, p.y);
        low->z = std::min(low->z, p.z);
        high->x = std::max(high->x, p.x);
        high->y = std::max(high->y, p.y);
        high->z = std::max(high->z, p.z);
    }
}

TEST_P(XFileForms, CubeWithNormalsSplitsVerticesPerFaceAndKeepsWinding)
{
    Loaded x;
    LoadX(Image({CubeSpec(true)}), &x);
    ASSERT_EQ(x.hr, S_OK);
    EXPECT_EQ(x.mesh->GetNumFaces(), 12u);      // six quads, two triangles each
    EXPECT_EQ(x.mesh->GetNumVertices(), 24u);   // each corner once per face normal
    EXPECT_EQ(x.mesh->GetFVF(), D3DFVF_XYZ | D3DFVF_NORMAL);
    EXPECT_EQ(x.materialCount, 0u);
    EXPECT_EQ(x.materials, nullptr);
    D3DXVECTOR3 low, high;
    Bounds(x.mesh, &low, &high);
    EXPECT_EQ(low, D3DXVECTOR3(-1, -1, -1));
    EXPECT_EQ(high, D3DXVECTOR3(1, 1, 1));

    // Every triangle is clockwise seen from outside: its normal points away from the centre, and the
    // file's normal agrees with it.
    std::vector<unsigned> indices = MeshIndices(x.mesh);
    void* data = nullptr;
    x.mesh->LockVertexBuffer(D3DLOCK_READONLY, &data);
    for (std::size_t f = 0; f < 12; ++f) {
        D3DXVECTOR3 p[3], fileNormal;
        for (int k = 0; k < 3; ++k) {
            std::memcpy(&p[k].x, static_cast<std::uint8_t*>(data) + indices[f * 3 + k] * 24, 12);
        }
        std::memcpy(&fileNormal.x, static_cast<std::uint8_t*>(data) + indices[f * 3] * 24 + 12, 12);
        D3DXVECTOR3 n = FaceNormal(p[0], p[1], p[2]);
        D3DXVECTOR3 centre = (p[0] + p[1] + p[2]) * (1.0f / 3.0f);
        EXPECT_GT(D3DXVec3Dot(&n, &centre), 0.0f) << "face " << f;
        EXPECT_NEAR(D3DXVec3Dot(&n, &fileNormal), 1.0f, 1e-5f) << "face " << f;
    }
    x.mesh->UnlockVertexBuffer();

    // Adjacency: every edge of a closed cube has a neighbour, and neighbourhood is mutual.
    ASSERT_NE(x.adjacency, nullptr);
    ASSERT_EQ(x.adjacency->GetBufferSize(), 12u * 3 * sizeof(DWORD));
    const DWORD* adjacency = static_cast<const DWORD*>(x.adjacency->GetBufferPointer());
    for (DWORD f = 0; f < 12; ++f) {
        for (int k = 0; k < 3; ++k) {
            const DWORD g = adjacency[f * 3 + k];
            ASSERT_LT(g, 12u);
            EXPECT_NE(g, f);
            EXPECT_TRUE(adjacency[g * 3] == f || adjacency[g * 3 + 1] == f || adjacency[g * 3 + 2] == f);
        }
    }
}

TEST_P(XFileForms, MaterialsColoursTexturesAndSubsets)
{
    XMeshSpec grid = GridSpec(4);
    grid.materials[0].a = 0.5f;
    grid.materials[0].power = 7.5f;
    grid.materials[0].specular[1] = 0.25f;
    grid.materials[0].emissive[2] = 0.75f;
    Loaded x;
    LoadX(Image({grid}), &x);
    ASSERT_EQ(x.hr, S_OK);
    EXPECT_EQ(x.mesh->GetNumFaces(), 32u);
    EXPECT_EQ(x.mesh->GetNumVertices(), 25u);
    EXPECT_EQ(x.mesh->GetFVF(), D3DFVF_XYZ | D3DFVF_TEX1);
    ASSERT_EQ(x.materialCount, 2u);
    ASSERT_NE(x.materials, nullptr);
    ASSERT_NE(x.effects, nullptr);
    EXPECT_EQ(x.effects->GetBufferSize(), 2 * sizeof(D3DXEFFECTINSTANCE));

    const D3DMATERIAL9& red = x.Material(0)->MatD3D;
    EXPECT_EQ(red.Diffuse.r, 1.0f);
    EXPECT_EQ(red.Diffuse.g, 0.0f);
    EXPECT_EQ(red.Diffuse.a, 0.5f);
    EXPECT_EQ(red.Power, 7.5f);
    EXPECT_EQ(red.Specular.g, 0.25f);
    EXPECT_EQ(red.Emissive.b, 0.75f);
    EXPECT_EQ(x.Material(0)->pTextureFilename, nullptr);
    ASSERT_NE(x.Material(1)->pTextureFilename, nullptr);
    EXPECT_STREQ(x.Material(1)->pTextureFilename, "grid.bmp");

    // Half the squares each: 16 triangles per attribute.
    EXPECT_EQ(SubsetTriangles(x.mesh, 0).size(), 16u);
    EXPECT_EQ(SubsetTriangles(x.mesh, 1).size(), 16u);
    EXPECT_TRUE(SubsetTriangles(x.mesh, 2).empty());
}

TEST_P(XFileForms, FramesPlaceMeshesInWorldSpaceAndMergeThem)
{
    XMeshSpec scaled = CubeSpec(false);
    // Outer frame moves by +10 along x; the inner one scales by 2 first.
    scaled.frames = {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 10, 0, 0, 1},
                     {2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 1}};
    XMeshSpec plain = CubeSpec(false);
    Loaded x;
    LoadX(Image({scaled, plain}), &x);
    ASSERT_EQ(x.hr, S_OK);
    EXPECT_EQ(x.mesh->GetNumFaces(), 24u);
    EXPECT_EQ(x.mesh->GetNumVertices(), 16u);
    D3DXVECTOR3 low, high;
    Bounds(x.mesh, &low, &high);
    EXPECT_EQ(low, D3DXVECTOR3(-1, -2, -2));
    EXPECT_EQ(high, D3DXVECTOR3(12, 2, 2));
    // The first mesh's vertices, in order, are the scaled and moved cube.
    EXPECT_EQ(MeshPosition(x.mesh, 0), D3DXVECTOR3(8, -2, -2));
}

TEST_P(XFileForms, PolygonsBecomeFansOfTriangles)
{
    XMeshSpec pentagon;
    for (int i = 0; i < 5; ++i) {
        const float a = -static_cast<float>(i) * 2.0f * 3.14159265f / 5.0f;
        pentagon.positions.insert(pentagon.positions.end(), {std::cos(a), std::sin(a), 0.0f});
    }
    pentagon.faces = {{0, 1, 2, 3, 4}};
    Loaded x;
    LoadX(Image({pentagon}), &x);
    ASSERT_EQ(x.hr, S_OK);
    ASSERT_EQ(x.mesh->GetNumFaces(), 3u);
    EXPECT_EQ(MeshIndices(x.mesh), (std::vector<unsigned>{0, 1, 2, 0, 2, 3, 0, 3, 4}));
}

TEST_P(XFileForms, MaterialIndexesShorterThanTheFacesRepeatTheLast)
{
    XMeshSpec grid = GridSpec(2);
    grid.faceMaterials = {1, 0};  // faces 2 and 3 take the last one, 0
    Loaded x;
    LoadX(Image({grid}), &x);
    ASSERT_EQ(x.hr, S_OK);
    EXPECT_EQ(MeshAttributes(x.mesh), (std::vector<DWORD>{1, 1, 0, 0, 0, 0, 0, 0}));
}

TEST_P(XFileForms, CompressedFormReadsAsThePlainOne)
{
    // Several blocks, each reaching back into the one before it.
    const std::string plain = Image({GridSpec(48)});
    const std::string packed = Compressed(plain);
    ASSERT_GT(plain.size(), 65536u);
    ASSERT_LT(packed.size(), plain.size() / 2);
    Loaded a;
    Loaded b;
    LoadX(plain, &a);
    LoadX(packed, &b);
    ASSERT_EQ(a.hr, S_OK);
    ASSERT_EQ(b.hr, S_OK);
    ASSERT_EQ(b.mesh->GetNumVertices(), a.mesh->GetNumVertices());
    EXPECT_EQ(b.mesh->GetNumFaces(), 48u * 48u * 2u);
    EXPECT_EQ(MeshIndices(b.mesh), MeshIndices(a.mesh));
    EXPECT_EQ(MeshAttributes(b.mesh), MeshAttributes(a.mesh));
    for (unsigned v = 0; v < a.mesh->GetNumVertices(); v += 97) {
        EXPECT_EQ(MeshPosition(b.mesh, v), MeshPosition(a.mesh, v)) << "vertex " << v;
    }
    EXPECT_EQ(b.materialCount, 2u);
}

INSTANTIATE_TEST_SUITE_P(TextAndBinary, XFileForms, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Binary" : "Text"; });

TEST(XFileText, ReferencedMaterialsCommentsAndOldVersion)
{
    const std::string image =
        "xof 0302txt 0064\n"
        "# a comment\n"
        "Material Shiny { 0.1;0.2;0.3;1.0;; 12.0; 1.0;1.0;1.0;; 0.0;0.0;0.0;;\n"
        "  TextureFilename { \"metal.png\"; } }\n"
        "// another comment\n"
        "Frame Root { Mesh { 3; 0;0;0;, 0;1;0;, 1;0;0;;\n"
        "  1; 3;0,1,2;;\n"
        "  MeshMaterialList { 1; 1; 0;; { Shiny } } } }\n";
    Loaded x;
    LoadX(image, &x);
    ASSERT_EQ(x.hr, S_OK);
    ASSERT_EQ(x.materialCount, 1u);
    EXPECT_FLOAT_EQ(x.Material(0)->MatD3D.Diffuse.b, 0.3f);
    EXPECT_EQ(x.Material(0)->MatD3D.Power, 12.0f);
    EXPECT_STREQ(x.Material(0)->pTextureFilename, "metal.png");
}

// The binary form with 64-bit floats, and a string whose separator is written as a DWORD.
TEST(XFileBinary, DoubleFloatListsAndDwordStringSeparators)
{
    std::string image = "xof 0303bin 0064";
    LittleEndianWriter w(image);
    auto name = [&](const std::string& text) {
        w.U16(1);
        w.U32(static_cast<std::uint32_t>(text.size()));
        image += text;
    };
    auto integers = [&](const std::vector<std::uint32_t>& values) {
        w.U16(6);
        w.U32(static_cast<std::uint32_t>(values.size()));
        for (std::uint32_t v : values) {
            w.U32(v);
        }
    };
    auto doubles = [&](const std::vector<double>& values) {
        w.U16(7);
        w.U32(static_cast<std::uint32_t>(values.size()));
        for (double v : values) {
            w.F64(v);
        }
    };
    name("Mesh");
    w.U16(10);
    integers({3});
    doubles({0.0, 0.0, 0.0, 0.0, 0.1, 0.0, -2.5, 0.0, 0.0});
    integers({1, 3, 0, 1, 2});
    name("MeshMaterialList");
    w.U16(10);
    integers({1, 1, 0});
    name("Material");
    w.U16(10);
    doubles({0.25, 0.5, 0.75, 1.0, 8.0, 1.0, 1.0, 1.0, 0.0, 0.0, 0.0});
    name("TextureFilename");
    w.U16(10);
    w.U16(2);
    w.U32(9);
    image += "metal.png";
    w.U32(20);  // the semicolon token and two zero bytes
    for (int brace = 0; brace < 4; ++brace) {
        w.U16(11);
    }

    Loaded x;
    LoadX(image, &x);
    ASSERT_EQ(x.hr, S_OK);
    ASSERT_EQ(x.mesh->GetNumVertices(), 3u);
    EXPECT_EQ(MeshPosition(x.mesh, 1).y, 0.1f);
    EXPECT_EQ(MeshPosition(x.mesh, 2).x, -2.5f);
    ASSERT_EQ(x.materialCount, 1u);
    EXPECT_EQ(x.Material(0)->MatD3D.Diffuse.b, 0.75f);
    EXPECT_EQ(x.Material(0)->MatD3D.Power, 8.0f);
    EXPECT_STREQ(x.Material(0)->pTextureFilename, "metal.png");
}

TEST(XFileFile, LoadsFromDiskWithBackslashPathsAndFailsForAMissingFile)
{
    const std::string dir = ::testing::TempDir() + "xfile_disk";
    std::filesystem::create_directories(dir + "/mesh");
    {
        std::ofstream out(dir + "/mesh/cube.x", std::ios::binary);
        out << XWriter(false).Write({CubeSpec(false)});
    }
    ID3DXMesh* mesh = nullptr;
    DWORD count = 99;
    EXPECT_EQ(D3DXLoadMeshFromXA((dir + "\\mesh\\cube.x").c_str(), D3DXMESH_MANAGED, nullptr, nullptr, nullptr, nullptr,
                                 &count, &mesh),
              S_OK);
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->GetNumVertices(), 8u);
    EXPECT_EQ(count, 0u);
    mesh->Release();
    EXPECT_EQ(D3DXLoadMeshFromXA((dir + "/mesh/none.x").c_str(), 0, nullptr, nullptr, nullptr, nullptr, nullptr, &mesh),
              E_FAIL);
    EXPECT_EQ(mesh, nullptr);
    std::filesystem::remove_all(dir);
}

// ---- Damaged input ----------------------------------------------------------------------------------

bool Refused(const std::string& image)
{
    Loaded x;
    LoadX(image, &x);
    const bool refused = (x.hr == D3DXERR_INVALIDDATA || x.hr == E_FAIL) && x.mesh == nullptr &&
                         x.adjacency == nullptr && x.materials == nullptr && x.effects == nullptr &&
                         x.materialCount == 0;
    return refused;
}

TEST(XFileDamaged, EveryTruncationIsRefused)
{
    for (bool binary : {false, true}) {
        const std::string image = XWriter(binary).Write({GridSpec(2)});
        // Cut anywhere before the last closing brace; copies on the heap so ASan sees any overread.
        const std::size_t last = binary ? image.size() - 2 : image.rfind('}');
        for (std::size_t n = 0; n < last; ++n) {
            ASSERT_TRUE(Refused(image.substr(0, n))) << (binary ? "binary" : "text") << " cut at " << n;
        }
    }
}

TEST(XFileDamaged, CountsLargerThanTheDataAreRefusedBeforeAllocating)
{
    EXPECT_TRUE(Refused("xof 0303txt 0032 Mesh { 4000000000; 0;0;0;; 1; 3;0,0,0;; }"));
    EXPECT_TRUE(Refused("xof 0303txt 0032 Mesh { 3; 0;0;0;,0;1;0;,1;0;0;; 2000000000; 3;0,1,2;; }"));
    EXPECT_TRUE(Refused("xof 0303txt 0032 Mesh { 3; 0;0;0;,0;1;0;,1;0;0;; 1; 99999999;0,1,2;; }"));
    // A binary float list claiming a billion entries.
    std::string binary = "xof 0303bin 0032";
    binary += std::string("\x01\x00\x04\x00\x00\x00Mesh\x0a\x00\x07\x00", 14) + std::string("\x00\xca\x9a\x3b", 4);
    binary += std::string(64, '\0');
    EXPECT_TRUE(Refused(binary));
}

// A cube after an unknown object of many numbers, in the text or the binary form.
std::string PaddedCube(bool binary, std::uint32_t numbers)
{
    const std::string cube = XWriter(binary).Write({CubeSpec(false)});
    std::string padding;
    if (binary) {
        LittleEndianWriter w(padding);
        w.U16(1);
        w.U32(7);
        padding += "Padding";
        w.U16(10);
        w.U16(6);
        w.U32(numbers);
        w.Zeros(std::size_t{numbers} * 4);
        w.U16(11);
    } else {
        padding = "Padding {\n";
        for (std::uint32_t i = 0; i < numbers; ++i) {
            padding += "0;";
        }
        padding += "\n}\n";
    }
    return cube.substr(0, 16) + padding + cube.substr(16);
}

TEST(XFileDamaged, FilesBeyondWhatAMeshNeedsAreRefusedEarly)
{
    auto parse = [](const std::string& image, std::string* error) {
        XFileMeshData mesh;
        return XFileParse(image.data(), image.size(), &mesh, error);
    };
    std::string error;
    for (bool binary : {false, true}) {
        SCOPED_TRACE(binary ? "binary" : "text");
        const std::string small = PaddedCube(binary, 1000);
        EXPECT_EQ(parse(small, &error), XFileResult::Ok) << error;
        EXPECT_EQ(parse(Compressed(small), &error), XFileResult::Ok) << error;
        // Two million numbers: tokens of some 48 MB, from a compressed file of a few kilobytes. The
        // tokeniser stops at its bound, long before the end of the data.
        const std::string large = PaddedCube(binary, 2000000);
        const std::string packed = Compressed(large);
        EXPECT_LT(packed.size(), 64u << 10);
        for (const std::string* image : {&large, &packed}) {
            EXPECT_EQ(parse(*image, &error), XFileResult::Invalid);
            EXPECT_NE(error.find("tokens"), std::string::npos) << error;
        }
        EXPECT_TRUE(Refused(packed));
    }
    // A body that unpacks to 40 MiB, past any mesh, is refused at its size, before a block is inflated,
    // however few tokens it holds.
    const std::string cube = XWriter(false).Write({CubeSpec(false)});
    const std::string spaced =
        Compressed(cube.substr(0, 16) + std::string(std::size_t{40} << 20, ' ') + cube.substr(16));
    EXPECT_EQ(parse(spaced, &error), XFileResult::Invalid);
    EXPECT_NE(error.find("size"), std::string::npos) << error;
}

TEST(XFileDamaged, IndexesOutOfRangeAndMalformedObjectsAreRefused)
{
    const std::string head = "xof 0303txt 0032 Mesh { 3; 0;0;0;,0;1;0;,1;0;0;; ";
    EXPECT_TRUE(Refused(head + "1; 3;0,1,3;; }"));                                     // vertex 3 of 3
    EXPECT_TRUE(Refused(head + "1; 2;0,1;; }"));                                       // a face of two
    EXPECT_TRUE(Refused(head + "1; 3;0,1,2;; MeshNormals { 1; 0;0;1;; 1; 3;0,0,1;; } }"));  // normal 1 of 1
    EXPECT_TRUE(Refused(head + "1; 3;0,1,2;; MeshNormals { 1; 0;0;1;; 2; 3;0,0,0;, 3;0,0,0;; } }"));
    EXPECT_TRUE(Refused(head + "1; 3;0,1,2;; MeshTextureCoords { 2; 0;0;, 1;1;; } }"));
    EXPECT_TRUE(Refused(head + "1; 3;0,1,2;; MeshMaterialList { 1; 1; 1;; "
                               "Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } } }"));        // material 1 of 1
    EXPECT_TRUE(Refused(head + "1; 3;0,1,2;; MeshMaterialList { 2; 1; 0;; "
                               "Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } } }"));        // 2 named, 1 given
    EXPECT_TRUE(Refused(head + "1; 3;0,1,2;; MeshMaterialList { 1; 1; 0;; { Missing } } }"));
    EXPECT_TRUE(Refused(head + "1; 3;0.5,1,2;; }"));                                   // a fractional index
    EXPECT_TRUE(Refused(head + "1; 3;0,1,2;; } }"));                                   // a stray brace
    EXPECT_TRUE(Refused("xof 0303txt 0032 Mesh { 1; 0;0;1e999;; 1; 3;0,0,0;; }"));    // out of range
    EXPECT_TRUE(Refused("xof 0303txt 0032 Mesh { 1; \"x\";0;0;; 1; 3;0,0,0;; }"));     // a string
    EXPECT_TRUE(Refused("xof 0303txt 0032 Mesh { 1; 0;0;0;; 1; 3;0,0,0;; \"open }"));
    EXPECT_TRUE(Refused("xof 0303txt 0032 Frame { <1234 Mesh { } }"));
    // Wrong headers.
    EXPECT_TRUE(Refused(""));
    EXPECT_TRUE(Refused("xof 0303txt"));
    EXPECT_TRUE(Refused("xof 0101txt 0032 Mesh { 1; 0;0;0;; 1; 3;0,0,0;; }"));
    EXPECT_TRUE(Refused("xof 0303txt 0016 Mesh { 1; 0;0;0;; 1; 3;0,0,0;; }"));
    EXPECT_TRUE(Refused("xof 0303zip 0032 Mesh { 1; 0;0;0;; 1; 3;0,0,0;; }"));
    EXPECT_TRUE(Refused("fox 0303txt 0032 Mesh { 1; 0;0;0;; 1; 3;0,0,0;; }"));
    // Well formed, but nothing to draw.
    EXPECT_TRUE(Refused("xof 0303txt 0032 Header { 1; 0; 1; }"));
    std::string error;
    XFileMeshData data;
    EXPECT_EQ(XFileParse(head.data(), head.size() + 0, &data, &error), XFileResult::Invalid);
    EXPECT_FALSE(error.empty());
}

TEST(XFileDamaged, BinaryGarbageIsRefused)
{
    std::mt19937 random(1234);
    for (int round = 0; round < 300; ++round) {
        std::string image = "xof 0303bin 0032";
        const int length = 1 + static_cast<int>(random() % 200);
        for (int i = 0; i < length; ++i) {
            // Small token numbers are likelier to go deep into the lexer and parser.
            image.push_back(static_cast<char>(i % 2 == 0 ? random() % 24 : random() % 256));
        }
        ASSERT_TRUE(Refused(image)) << "round " << round;
    }
    // Garbage after a valid mesh is refused too.
    std::string image = XWriter(true).Write({CubeSpec(false)});
    image += std::string("\x63\x00", 2);
    EXPECT_TRUE(Refused(image));
}

TEST(XFileDamaged, ASignAsTheLastByteIsRefused)
{
    // A lone '+' ends the file: the lexer must not look for a digit after it. The bytes lie in a
    // block of exactly their size (a string would keep its terminator behind them).
    for (const std::string text :
         {"xof 0303txt 0032\nHeader { 1; 0; 1; }\n+", "xof 0303txt 0032 Mesh { 1; 0;0;0;; 1; 3;0,0,0;; +",
          "xof 0303txt 0032 Mesh { 1; 0;0;0;; 1; 3;0,0,0;; -"}) {
        const std::vector<char> bytes(text.begin(), text.end());
        XFileMeshData data;
        std::string error;
        EXPECT_EQ(XFileParse(bytes.data(), bytes.size(), &data, &error), XFileResult::Invalid) << text;
    }
}

}  // namespace
