// .x files from tests/data/meshes (made by tests/data/make_samples.py): the compressed form reads as
// its text form, a material named inside a frame serves the mesh that refers to it, and damaged
// compressed blocks are refused.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "d3dx/xfile.h"

namespace {

std::string ReadMesh(const std::string& name)
{
    std::ifstream in(std::string(AVIORRA_SOURCE_DIR) + "/tests/data/meshes/" + name, std::ios::binary);
    EXPECT_TRUE(in.good()) << name;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

XFileResult Parse(const std::string& bytes, XFileMeshData* mesh, std::string* error)
{
    return XFileParse(bytes.data(), bytes.size(), mesh, error);
}

}  // namespace

TEST(XFileSamples, CompressedFileReadsAsItsTextAndFrameMaterialsAreFound)
{
    XFileMeshData text;
    XFileMeshData packed;
    std::string error;
    ASSERT_EQ(Parse(ReadMesh("frame-material.x"), &text, &error), XFileResult::Ok) << error;
    ASSERT_EQ(Parse(ReadMesh("frame-material-tzip.x"), &packed, &error), XFileResult::Ok) << error;
    ASSERT_EQ(text.materials.size(), 1u);
    EXPECT_EQ(text.materials[0].texture, "blue.bmp");
    EXPECT_FLOAT_EQ(text.materials[0].faceColor.b, 1.0f);
    EXPECT_FLOAT_EQ(text.materials[0].power, 8.0f);
    EXPECT_EQ(text.indices.size(), 6u);
    EXPECT_TRUE(text.hasNormals && text.hasTexCoords);

    EXPECT_EQ(packed.indices, text.indices);
    EXPECT_EQ(packed.attributes, text.attributes);
    ASSERT_EQ(packed.positions.size(), text.positions.size());
    for (std::size_t i = 0; i < text.positions.size(); ++i) {
        EXPECT_EQ(packed.positions[i], text.positions[i]);
    }
    ASSERT_EQ(packed.materials.size(), 1u);
    EXPECT_EQ(packed.materials[0].texture, "blue.bmp");

    // The binary compressed form ("bzip") goes through the same blocks: a text body under a binary
    // header is refused by the binary reader, not by the blocks.
    std::string bzip = ReadMesh("frame-material-tzip.x");
    bzip.replace(8, 4, "bzip");
    EXPECT_EQ(Parse(bzip, &packed, &error), XFileResult::Invalid);
    EXPECT_EQ(error.find("block"), std::string::npos) << error;
}

TEST(XFileSamples, DamagedCompressedFilesAreRefused)
{
    const std::string good = ReadMesh("frame-material-tzip.x");
    XFileMeshData mesh;
    std::string error;
    for (std::size_t length = 16; length + 1 < good.size(); length += 5) {
        EXPECT_EQ(Parse(good.substr(0, length), &mesh, &error), XFileResult::Invalid) << "length " << length;
    }
    auto patched = [&good](std::size_t at, char value) {
        std::string copy = good;
        copy[at] = value;
        return copy;
    };
    EXPECT_EQ(Parse(patched(22, 'X'), &mesh, &error), XFileResult::Invalid) << "no CK signature";
    EXPECT_NE(error.find("block"), std::string::npos) << error;
    EXPECT_EQ(Parse(patched(20, '\x7F'), &mesh, &error), XFileResult::Invalid) << "a wrong decompressed size";
    EXPECT_EQ(Parse(patched(19, '\x7F'), &mesh, &error), XFileResult::Invalid) << "an impossible total size";
    EXPECT_EQ(Parse(patched(30, static_cast<char>(good[30] ^ 0x55)), &mesh, &error), XFileResult::Invalid)
        << "damaged deflate data";
    EXPECT_EQ(Parse(good.substr(0, 16) + std::string("\x08\x00\x00\x00", 4), &mesh, &error), XFileResult::Invalid)
        << "a total size below the header's";
}
