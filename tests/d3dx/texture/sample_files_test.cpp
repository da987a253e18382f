// Picture files from tests/data/pictures (made by tests/data/make_samples.py with other encoders than
// ours) against reference decodes of the same pictures: each format family the decoder reads.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "d3dx/texture_decode.h"

namespace {

std::string ReadSample(const std::string& name)
{
    std::ifstream in(std::string(AVIORRA_SOURCE_DIR) + "/tests/data/pictures/" + name, std::ios::binary);
    EXPECT_TRUE(in.good()) << name;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

HRESULT DecodeBytes(const std::string& bytes, DecodedImage& image)
{
    return TextureDecodeImage(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), image);
}

struct Sample {
    const char* file;
    const char* reference;  // a PNG of the expected texels
    D3DXIMAGE_FILEFORMAT fileFormat;
    int tolerance;          // per channel
};

const Sample kSamples[] = {
    {"rle8.bmp", "reference.png", D3DXIFF_BMP, 0},
    {"rle8-im.bmp", "reference.png", D3DXIFF_BMP, 0},
    {"rle4.bmp", "reference.png", D3DXIFF_BMP, 0},
    {"os2v2-16.bmp", "reference.png", D3DXIFF_BMP, 0},
    {"pal300.bmp", "reference.png", D3DXIFF_BMP, 0},
    {"dx10-r8g8b8a8.dds", "reference.png", D3DXIFF_DDS, 0},
    {"dx10-b8g8r8x8.dds", "reference.png", D3DXIFF_DDS, 0},
    {"dx10-b5g6r5.dds", "reference.png", D3DXIFF_DDS, 8},
    {"dx10-bc1-srgb.dds", "dxt1-reference.png", D3DXIFF_DDS, 3},
    {"dx10-r8.dds", "grey-reference.png", D3DXIFF_DDS, 0},
    {"l8-wide-mask.dds", "grey-reference.png", D3DXIFF_DDS, 0},
    {"good.jpg", "jpeg-reference.png", D3DXIFF_JPG, 2},
    {"extraneous.jpg", "jpeg-reference.png", D3DXIFF_JPG, 2},
};

}  // namespace

TEST(SamplePictures, EachFormatFamilyMatchesItsReferenceDecode)
{
    for (const Sample& sample : kSamples) {
        SCOPED_TRACE(sample.file);
        DecodedImage image;
        DecodedImage reference;
        ASSERT_EQ(DecodeBytes(ReadSample(sample.file), image), S_OK);
        ASSERT_EQ(DecodeBytes(ReadSample(sample.reference), reference), S_OK);
        EXPECT_EQ(image.fileFormat, sample.fileFormat);
        ASSERT_EQ(image.width, reference.width);
        ASSERT_EQ(image.height, reference.height);
        int worst = 0;
        for (std::size_t i = 0; i < image.texels.size(); ++i) {
            for (int shift = 0; shift < 32; shift += 8) {
                const int a = static_cast<int>((image.texels[i] >> shift) & 0xFF);
                const int b = static_cast<int>((reference.texels[i] >> shift) & 0xFF);
                worst = std::max(worst, std::abs(a - b));
            }
        }
        EXPECT_LE(worst, sample.tolerance);
    }
}

TEST(SamplePictures, DamagedRunLengthCodingStaysRefused)
{
    const std::string good = ReadSample("rle8.bmp");
    const std::size_t pixels = static_cast<unsigned char>(good[10]) | static_cast<unsigned char>(good[11]) << 8;
    DecodedImage image;
    ASSERT_EQ(DecodeBytes(good, image), S_OK);
    // Cut anywhere inside the runs: the picture is incomplete. (Only the final end marker may go.)
    for (std::size_t length = pixels; length + 2 < good.size(); length += 7) {
        EXPECT_EQ(DecodeBytes(good.substr(0, length), image), D3DXERR_INVALIDDATA) << "length " << length;
    }
    EXPECT_EQ(DecodeBytes(good.substr(0, good.size() - 2), image), S_OK) << "without its end-of-picture marker";

    auto withRuns = [&](const std::string& runs, int compression = 1) {
        std::string file = good.substr(0, pixels) + runs;
        file[30] = static_cast<char>(compression);
        return file;
    };
    EXPECT_EQ(DecodeBytes(withRuns(std::string("\x11\x01", 2)), image), D3DXERR_INVALIDDATA) << "a run past the row";
    EXPECT_EQ(DecodeBytes(withRuns(std::string("\x00\x11", 2) + std::string(18, '\x01')), image), D3DXERR_INVALIDDATA)
        << "an absolute run past the row";
    EXPECT_EQ(DecodeBytes(withRuns(std::string("\x00\x02\x00\x0D", 4)), image), D3DXERR_INVALIDDATA)
        << "a delta above the picture";
    EXPECT_EQ(DecodeBytes(withRuns(std::string("\x00\x02\x11\x00", 4)), image), D3DXERR_INVALIDDATA)
        << "a delta past the row";
    EXPECT_EQ(DecodeBytes(withRuns(std::string("\x00\x03\x01\x02", 4)), image), D3DXERR_INVALIDDATA)
        << "an absolute run cut short";
    std::string topDown = good;
    topDown[25] = '\xFF';
    topDown[24] = '\xFF';
    topDown[23] = '\xFF';
    topDown[22] = static_cast<char>(-12);
    EXPECT_EQ(DecodeBytes(topDown, image), D3DXERR_INVALIDDATA) << "run-length coding top-down";
    EXPECT_EQ(DecodeBytes(withRuns(std::string("\x10\x01\x00\x00\x00\x01", 6), 2), image), D3DXERR_INVALIDDATA)
        << "RLE4 on an 8-bit picture";

    // A delta skips texels, which stay transparent black; then a run of index 1 at (3, bottom + 1).
    image = {};
    ASSERT_EQ(DecodeBytes(withRuns(std::string("\x02\x01\x00\x02\x01\x01\x01\x01\x00\x01", 10)), image), S_OK);
    const D3DCOLOR* bottom = image.texels.data() + 11 * image.width;
    const D3DCOLOR* above = image.texels.data() + 10 * image.width;
    EXPECT_EQ(bottom[0], 0xFF00FF00u);
    EXPECT_EQ(bottom[1], 0xFF00FF00u);
    EXPECT_EQ(bottom[2], 0u);
    EXPECT_EQ(above[2], 0u);
    EXPECT_EQ(above[3], 0xFF00FF00u);
    EXPECT_EQ(above[4], 0u);
    EXPECT_EQ(image.texels[0], 0u);
}

TEST(SamplePictures, DdsExtendedHeaderFormatsAndCubeMapFaces)
{
    const std::string rgba = ReadSample("dx10-r8g8b8a8.dds");
    DecodedImage image;
    ASSERT_EQ(DecodeBytes(rgba, image), S_OK);
    EXPECT_EQ(image.texels[0], 0xFFFF0000u);
    auto withFormat = [&rgba](std::uint32_t dxgi) {
        std::string file = rgba;
        for (int i = 0; i < 4; ++i) {
            file[128 + i] = static_cast<char>((dxgi >> (8 * i)) & 0xFF);
        }
        return file;
    };
    // R8G8B8A8 typeless and sRGB read as UNORM; B8G8R8A8 swaps red and blue; A8 gives alpha only.
    for (std::uint32_t same : {27u, 29u}) {
        ASSERT_EQ(DecodeBytes(withFormat(same), image), S_OK);
        EXPECT_EQ(image.texels[0], 0xFFFF0000u);
    }
    ASSERT_EQ(DecodeBytes(withFormat(87), image), S_OK);
    EXPECT_EQ(image.texels[0], 0xFF0000FFu);
    ASSERT_EQ(DecodeBytes(withFormat(65), image), S_OK);
    EXPECT_EQ(image.format, D3DFMT_A8);
    EXPECT_EQ(image.texels[0], 0xFF000000u);
    EXPECT_EQ(image.texels[1], 0x00000000u) << "second byte of the first RGBA texel is green 0";
    // Formats Direct3D 9 cannot hold, and a cut extended header, are refused.
    for (std::uint32_t other : {2u, 10u, 95u, 98u, 0u, 0xFFFFFFFFu}) {
        EXPECT_EQ(DecodeBytes(withFormat(other), image), D3DXERR_INVALIDDATA) << other;
    }
    EXPECT_EQ(DecodeBytes(rgba.substr(0, 140), image), D3DXERR_INVALIDDATA);
    EXPECT_EQ(DecodeBytes(rgba.substr(0, rgba.size() - 1), image), D3DXERR_INVALIDDATA);

    // A cube map of six 16x12 faces: the first face is the picture.
    std::string cube = rgba;
    cube[4 + 108] = '\x08';                  // caps: complex
    cube[4 + 109] = '\x10';
    cube[4 + 112 + 1] = '\xFE';              // caps2: cube map with all six faces
    cube[128 + 12] = '\x04';                 // misc flag: texture cube
    for (int face = 1; face < 6; ++face) {
        cube += std::string(16 * 12 * 4, static_cast<char>(face * 40));
    }
    ASSERT_EQ(DecodeBytes(cube, image), S_OK);
    EXPECT_EQ(image.texels[0], 0xFFFF0000u);
    EXPECT_EQ(image.texels.size(), 16u * 12u);
}
