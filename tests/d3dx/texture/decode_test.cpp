// Decoding image files to ARGB texels, without a device: every BMP and DDS layout against known
// texels, PNG and TGA through stb_image, and damaged or truncated files refused.
#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <chrono>
#include <string>
#include <vector>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

#include "../../support/image_builders.h"
#include "d3dx/texture_decode.h"

namespace {

HRESULT Decode(const std::string& file, DecodedImage& image)
{
    return TextureDecodeImage(reinterpret_cast<const std::uint8_t*>(file.data()), file.size(), image);
}

DecodedImage DecodeOk(const std::string& file)
{
    DecodedImage image;
    EXPECT_EQ(Decode(file, image), S_OK);
    return image;
}

D3DCOLOR At(const DecodedImage& image, UINT x, UINT y)
{
    return image.texels.at(static_cast<std::size_t>(y) * image.width + x);
}

// A JPEG from libjpeg-turbo in its progression of scans, of `width` x `height` RGB bytes.
std::string ProgressiveJpeg(int width, int height, const std::vector<unsigned char>& rgb)
{
    tjhandle handle = tjInitCompress();
    unsigned char* bytes = nullptr;
    unsigned long size = 0;
    EXPECT_EQ(tjCompress2(handle, rgb.data(), width, width * 3, height, TJPF_RGB, &bytes, &size, TJSAMP_420, 90,
                          TJFLAG_PROGRESSIVE),
              0)
        << tjGetErrorStr2(handle);
    std::string jpeg(reinterpret_cast<const char*>(bytes), size);
    tjFree(bytes);
    tjDestroy(handle);
    return jpeg;
}

// A 3x2 picture with distinct colours, as 0xRRGGBB.
constexpr std::uint32_t kColours[2][3] = {{0xFF0000, 0x00FF00, 0x0000FF}, {0x102030, 0xFFFFFF, 0x000000}};

}  // namespace

// ---- BMP --------------------------------------------------------------------------------------

TEST(BmpDecode, TwentyFourBitBottomUpAndTopDown)
{
    for (bool topDown : {false, true}) {
        BmpLayout layout;
        layout.width = 3;
        layout.height = 2;
        layout.topDown = topDown;
        DecodedImage image = DecodeOk(MakeBmp(layout, [](int x, int y) { return kColours[y][x]; }));
        ASSERT_EQ(image.width, 3u);
        ASSERT_EQ(image.height, 2u);
        for (int y = 0; y < 2; ++y) {
            for (int x = 0; x < 3; ++x) {
                EXPECT_EQ(At(image, x, y), 0xFF000000u | kColours[y][x]) << x << "," << y << " topDown " << topDown;
            }
        }
        EXPECT_EQ(image.fileFormat, D3DXIFF_BMP);
        EXPECT_EQ(image.format, D3DFMT_R8G8B8);
        EXPECT_FALSE(image.hasPalette);
    }
}

TEST(BmpDecode, CoreHeaderTwentyFourBit)
{
    BmpLayout layout;
    layout.headerSize = 12;
    layout.width = 3;
    layout.height = 2;
    DecodedImage image = DecodeOk(MakeBmp(layout, [](int x, int y) { return kColours[y][x]; }));
    EXPECT_EQ(At(image, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(At(image, 0, 1), 0xFF102030u);

    // Core palettes have three bytes an entry.
    layout.bitCount = 8;
    layout.palette = {0x112233, 0x445566};
    image = DecodeOk(MakeBmp(layout, [](int x, int) { return static_cast<std::uint32_t>(x == 1); }));
    EXPECT_EQ(At(image, 0, 1), 0xFF112233u);
    EXPECT_EQ(At(image, 1, 1), 0xFF445566u);
}

TEST(BmpDecode, ThirtyTwoBitWithoutMasksIsOpaque)
{
    BmpLayout layout;
    layout.bitCount = 32;
    layout.width = 2;
    DecodedImage image = DecodeOk(MakeBmp(layout, [](int x, int) { return x == 0 ? 0x00123456u : 0x80ABCDEFu; }));
    EXPECT_EQ(At(image, 0, 0), 0xFF123456u);
    EXPECT_EQ(At(image, 1, 0), 0xFFABCDEFu);
    EXPECT_EQ(image.format, D3DFMT_X8R8G8B8);
}

TEST(BmpDecode, ThirtyTwoBitBitfieldsWithAlphaMask)
{
    // A V5 header with the masks inside it; the bytes are stored R, G, B, A.
    BmpLayout layout;
    layout.bitCount = 32;
    layout.width = 2;
    layout.compression = 3;
    layout.headerSize = 124;
    layout.masks[0] = 0x000000FF;
    layout.masks[1] = 0x0000FF00;
    layout.masks[2] = 0x00FF0000;
    layout.masks[3] = 0xFF000000;
    DecodedImage image = DecodeOk(MakeBmp(layout, [](int x, int) { return x == 0 ? 0x80332211u : 0x00FFFFFFu; }));
    EXPECT_EQ(At(image, 0, 0), 0x80112233u);
    EXPECT_EQ(At(image, 1, 0), 0x00FFFFFFu);
    EXPECT_EQ(image.format, D3DFMT_A8R8G8B8);

    // The same with an info header and the masks after it (no alpha: opaque).
    layout.headerSize = 40;
    image = DecodeOk(MakeBmp(layout, [](int, int) { return 0x00332211u; }));
    EXPECT_EQ(At(image, 0, 0), 0xFF112233u);

    // BI_ALPHABITFIELDS: four masks after an info header.
    layout.compression = 6;
    image = DecodeOk(MakeBmp(layout, [](int, int) { return 0x40332211u; }));
    EXPECT_EQ(At(image, 0, 0), 0x40112233u);
}

TEST(BmpDecode, SixteenBitFiveFiveFiveAndFiveSixFive)
{
    BmpLayout layout;
    layout.bitCount = 16;
    layout.width = 3;
    // BI_RGB is X1R5G5B5.
    DecodedImage image = DecodeOk(MakeBmp(layout, [](int x, int) {
        return x == 0 ? 0x7C00u : x == 1 ? 0x03E0u : 0x8010u;
    }));
    EXPECT_EQ(At(image, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(At(image, 1, 0), 0xFF00FF00u);
    EXPECT_EQ(At(image, 2, 0), 0xFF000084u);  // 16 of 31
    EXPECT_EQ(image.format, D3DFMT_X1R5G5B5);

    layout.compression = 3;
    layout.masks[0] = 0xF800;
    layout.masks[1] = 0x07E0;
    layout.masks[2] = 0x001F;
    image = DecodeOk(MakeBmp(layout, [](int x, int) { return x == 0 ? 0xF800u : x == 1 ? 0x07E0u : 0x0020u; }));
    EXPECT_EQ(At(image, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(At(image, 1, 0), 0xFF00FF00u);
    EXPECT_EQ(At(image, 2, 0), 0xFF000400u);  // green 1 of 63
    EXPECT_EQ(image.format, D3DFMT_R5G6B5);
}

TEST(BmpDecode, PaletteImagesOfOneFourAndEightBits)
{
    const std::vector<std::uint32_t> palette = {0x000000, 0xFF00FF, 0x123456, 0xABCDEF};
    for (int bits : {1, 4, 8}) {
        BmpLayout layout;
        layout.bitCount = bits;
        layout.width = 11;  // not a whole byte of texels, and rows padded
        layout.height = 3;
        layout.palette = bits == 1 ? std::vector<std::uint32_t>{palette[0], palette[1]} : palette;
        const int colours = static_cast<int>(layout.palette.size());
        auto index = [colours](int x, int y) { return static_cast<std::uint32_t>((x + 2 * y) % colours); };
        DecodedImage image = DecodeOk(MakeBmp(layout, index));
        ASSERT_EQ(image.width, 11u);
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < 11; ++x) {
                EXPECT_EQ(At(image, x, y), 0xFF000000u | palette[index(x, y)]) << bits << " bits at " << x << "," << y;
            }
        }
        EXPECT_TRUE(image.hasPalette);
        EXPECT_EQ(image.palette[1].peRed, 0xFF);
        EXPECT_EQ(image.palette[1].peGreen, 0x00);
        EXPECT_EQ(image.palette[1].peBlue, 0xFF);
    }
}

TEST(BmpDecode, IndexBeyondAShortPaletteIsOpaqueBlack)
{
    BmpLayout layout;
    layout.bitCount = 8;
    layout.width = 2;
    layout.palette = {0xFFFFFF};
    DecodedImage image = DecodeOk(MakeBmp(layout, [](int x, int) { return static_cast<std::uint32_t>(x * 200); }));
    EXPECT_EQ(At(image, 0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(At(image, 1, 0), 0xFF000000u);
}

TEST(BmpDecode, DamagedFilesAreRefused)
{
    BmpLayout layout;
    layout.width = 4;  // 12-byte rows: no padding, so every byte of the pixels is needed
    layout.height = 2;
    const std::string good = MakeBmp(layout, [](int, int) { return 0x445566u; });
    DecodedImage image;
    for (std::size_t length = 0; length < good.size(); ++length) {
        EXPECT_EQ(Decode(good.substr(0, length), image), D3DXERR_INVALIDDATA) << "length " << length;
    }

    auto patched = [&good](std::size_t at, std::uint32_t value, int bytes) {
        std::string copy = good;
        for (int i = 0; i < bytes; ++i) {
            copy[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
        }
        return copy;
    };
    EXPECT_EQ(Decode(patched(10, 0xFFFFFFF0u, 4), image), D3DXERR_INVALIDDATA) << "pixel offset past the end";
    EXPECT_EQ(Decode(patched(14, 30, 4), image), D3DXERR_INVALIDDATA) << "unknown header size";
    EXPECT_EQ(Decode(patched(14, 0x7FFFFFFF, 4), image), D3DXERR_INVALIDDATA) << "header larger than the file";
    EXPECT_EQ(Decode(patched(18, 0, 4), image), D3DXERR_INVALIDDATA) << "zero width";
    EXPECT_EQ(Decode(patched(18, 0x80000000u, 4), image), D3DXERR_INVALIDDATA) << "negative width";
    EXPECT_EQ(Decode(patched(22, 0, 4), image), D3DXERR_INVALIDDATA) << "zero height";
    EXPECT_EQ(Decode(patched(22, 0x80000000u, 4), image), D3DXERR_INVALIDDATA) << "most negative height";
    EXPECT_EQ(Decode(patched(18, 100000, 4), image), D3DXERR_INVALIDDATA) << "too wide";
    EXPECT_EQ(Decode(patched(28, 7, 2), image), D3DXERR_INVALIDDATA) << "bit count";
    EXPECT_EQ(Decode(patched(30, 1, 4), image), D3DXERR_INVALIDDATA) << "run-length compression";
    EXPECT_EQ(Decode(patched(22, 3, 4), image), D3DXERR_INVALIDDATA) << "more rows than stored";
}

// ---- DDS --------------------------------------------------------------------------------------

TEST(DdsDecode, Dxt1FourColourAndThreeColourBlocks)
{
    DdsSpec layout;
    const std::string opaque =
        DxtColourBlock(0xF800, 0x001F, RowIndices(0, 0) | RowIndices(1, 1) | RowIndices(2, 2) | RowIndices(3, 3));
    DecodedImage image = DecodeOk(MakeDds(layout, opaque));
    ASSERT_EQ(image.width, 4u);
    EXPECT_EQ(At(image, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(At(image, 3, 1), 0xFF0000FFu);
    EXPECT_EQ(At(image, 1, 2), 0xFFAA0055u);  // two thirds red
    EXPECT_EQ(At(image, 2, 3), 0xFF5500AAu);
    EXPECT_EQ(image.format, D3DFMT_DXT1);
    EXPECT_EQ(image.fileFormat, D3DXIFF_DDS);

    // colour0 <= colour1: three colours and transparent black.
    const std::string punched = DxtColourBlock(0x001F, 0xF800, RowIndices(0, 2) | RowIndices(1, 3));
    image = DecodeOk(MakeDds(layout, punched));
    EXPECT_EQ(At(image, 0, 0), 0xFF7F007Fu);
    EXPECT_EQ(At(image, 0, 1), 0x00000000u);
    EXPECT_EQ(At(image, 0, 2), 0xFF0000FFu);
}

TEST(DdsDecode, Dxt1SmallerThanOneBlock)
{
    DdsSpec layout;
    layout.width = 2;
    layout.height = 1;
    DecodedImage image = DecodeOk(MakeDds(layout, DxtColourBlock(0x07E0, 0x0000, 0)));
    ASSERT_EQ(image.texels.size(), 2u);
    EXPECT_EQ(At(image, 1, 0), 0xFF00FF00u);
}

TEST(DdsDecode, Dxt3ExplicitAlpha)
{
    DdsSpec layout;
    layout.fourCc = "DXT3";
    std::string alpha(8, '\0');
    alpha[0] = static_cast<char>(0x8F);  // texel 0: 0xF, texel 1: 0x8
    DecodedImage image = DecodeOk(MakeDds(layout, alpha + DxtColourBlock(0xFFFF, 0x0000, 0)));
    EXPECT_EQ(At(image, 0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(At(image, 1, 0), 0x88FFFFFFu);
    EXPECT_EQ(At(image, 2, 0), 0x00FFFFFFu);
    EXPECT_EQ(image.format, D3DFMT_DXT3);
}

TEST(DdsDecode, Dxt5InterpolatedAlpha)
{
    DdsSpec layout;
    layout.fourCc = "DXT5";
    std::string alpha = {static_cast<char>(0xFF), 0x00, 0x01, 0, 0, 0, 0, 0};  // texel 0 index 1, rest 0
    DecodedImage image = DecodeOk(MakeDds(layout, alpha + DxtColourBlock(0x0000, 0x0000, 0)));
    EXPECT_EQ(At(image, 0, 0), 0x00000000u);
    EXPECT_EQ(At(image, 1, 0), 0xFF000000u);
    EXPECT_EQ(image.format, D3DFMT_DXT5);
}

TEST(DdsDecode, UncompressedLayouts)
{
    struct Case {
        const char* name;
        std::uint32_t flags, bits, r, g, b, a;
        std::string texel;
        D3DCOLOR expected;
        D3DFORMAT format;
    };
    const Case cases[] = {
        {"A8R8G8B8", kDdpfRgb | kDdpfAlphaPixels, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u, "\x33\x22\x11\x80",
         0x80112233u, D3DFMT_A8R8G8B8},
        {"X8R8G8B8", kDdpfRgb, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u, std::string("\x33\x22\x11\x00", 4), 0xFF112233u,
         D3DFMT_X8R8G8B8},
        {"A8B8G8R8", kDdpfRgb | kDdpfAlphaPixels, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000u, "\x11\x22\x33\x44",
         0x44112233u, kFormatA8B8G8R8},
        {"R8G8B8", kDdpfRgb, 24, 0xFF0000, 0xFF00, 0xFF, 0, "\x33\x22\x11", 0xFF112233u, D3DFMT_R8G8B8},
        {"R5G6B5", kDdpfRgb, 16, 0xF800, 0x07E0, 0x001F, 0, std::string("\x00\xF8", 2), 0xFFFF0000u, D3DFMT_R5G6B5},
        {"A1R5G5B5", kDdpfRgb | kDdpfAlphaPixels, 16, 0x7C00, 0x03E0, 0x001F, 0x8000, std::string("\x1F\x00", 2),
         0x000000FFu, D3DFMT_A1R5G5B5},
        {"A4R4G4B4", kDdpfRgb | kDdpfAlphaPixels, 16, 0x0F00, 0x00F0, 0x000F, 0xF000, "\x12\x34", 0x33441122u,
         D3DFMT_A4R4G4B4},
        {"L8", kDdpfLuminance, 8, 0xFF, 0, 0, 0, "\x7B", 0xFF7B7B7Bu, kFormatL8},
        {"A8", kDdpfAlpha, 8, 0, 0, 0, 0xFF, "\x40", 0x40000000u, D3DFMT_A8},
    };
    for (const Case& c : cases) {
        DdsSpec layout;
        layout.width = 2;
        layout.height = 1;
        layout.pfFlags = c.flags;
        layout.bitCount = c.bits;
        layout.masks[0] = c.r;
        layout.masks[1] = c.g;
        layout.masks[2] = c.b;
        layout.masks[3] = c.a;
        DecodedImage image = DecodeOk(MakeDds(layout, c.texel + c.texel));
        ASSERT_EQ(image.texels.size(), 2u) << c.name;
        EXPECT_EQ(At(image, 1, 0), c.expected) << c.name;
        EXPECT_EQ(image.format, c.format) << c.name;
    }
}

TEST(DdsDecode, MipCountIsReported)
{
    DdsSpec layout;
    layout.mipCount = 3;
    DecodedImage image = DecodeOk(MakeDds(layout, DxtColourBlock(0, 0, 0) + std::string(16, '\0')));
    EXPECT_EQ(image.mipLevels, 3u);
}

TEST(DdsDecode, DamagedFilesAreRefused)
{
    DdsSpec layout;
    layout.width = 8;
    layout.fourCc = "DXT5";
    const std::string good = MakeDds(layout, std::string(32, '\0'));
    DecodedImage image;
    ASSERT_EQ(Decode(good, image), S_OK);
    for (std::size_t length = 0; length < good.size(); ++length) {
        EXPECT_EQ(Decode(good.substr(0, length), image), D3DXERR_INVALIDDATA) << "length " << length;
    }

    layout.fourCc = "ATI2";
    EXPECT_EQ(Decode(MakeDds(layout, std::string(32, '\0')), image), D3DXERR_INVALIDDATA) << "unknown four-cc";
    layout.fourCc = "DXT1";
    layout.width = 0;
    EXPECT_EQ(Decode(MakeDds(layout, std::string(8, '\0')), image), D3DXERR_INVALIDDATA) << "zero width";
    layout.width = 1u << 20;
    EXPECT_EQ(Decode(MakeDds(layout, std::string(8, '\0')), image), D3DXERR_INVALIDDATA) << "too wide";

    DdsSpec rgb;
    rgb.pfFlags = kDdpfRgb;
    rgb.bitCount = 12;
    EXPECT_EQ(Decode(MakeDds(rgb, std::string(64, '\0')), image), D3DXERR_INVALIDDATA) << "odd bit count";
    rgb.bitCount = 32;
    EXPECT_EQ(Decode(MakeDds(rgb, std::string(63, '\0')), image), D3DXERR_INVALIDDATA) << "one byte short";

    std::string badSize = good;
    badSize[4] = 100;
    EXPECT_EQ(Decode(badSize, image), D3DXERR_INVALIDDATA) << "header size";
}

// ---- PNG, TGA, unknown ------------------------------------------------------------------------

namespace {

void AppendBytes(void* context, void* data, int size)
{
    static_cast<std::string*>(context)->append(static_cast<const char*>(data), static_cast<std::size_t>(size));
}

}  // namespace

TEST(StbDecode, PngAndTgaWithAlpha)
{
    const unsigned char rgba[] = {255, 0, 0, 255, 0, 255, 0, 128, 0, 0, 255, 0, 10, 20, 30, 255};
    std::string png;
    ASSERT_NE(stbi_write_png_to_func(AppendBytes, &png, 2, 2, 4, rgba, 8), 0);
    DecodedImage image = DecodeOk(png);
    ASSERT_EQ(image.width, 2u);
    EXPECT_EQ(image.fileFormat, D3DXIFF_PNG);
    EXPECT_EQ(At(image, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(At(image, 1, 0), 0x8000FF00u);
    EXPECT_EQ(At(image, 0, 1), 0x000000FFu);
    EXPECT_EQ(At(image, 1, 1), 0xFF0A141Eu);

    std::string tga;
    ASSERT_NE(stbi_write_tga_to_func(AppendBytes, &tga, 2, 2, 4, rgba), 0);
    image = DecodeOk(tga);
    EXPECT_EQ(image.fileFormat, D3DXIFF_TGA);
    EXPECT_EQ(At(image, 1, 0), 0x8000FF00u);
    EXPECT_EQ(At(image, 1, 1), 0xFF0A141Eu);

    DecodedImage broken;
    EXPECT_EQ(Decode(png.substr(0, png.size() / 2), broken), D3DXERR_INVALIDDATA);
}

TEST(StbDecode, Jpeg)
{
    std::vector<unsigned char> grey(16 * 16 * 3, 0x80);
    std::string jpeg;
    ASSERT_NE(stbi_write_jpg_to_func(AppendBytes, &jpeg, 16, 16, 3, grey.data(), 90), 0);
    DecodedImage image = DecodeOk(jpeg);
    ASSERT_EQ(image.width, 16u);
    EXPECT_EQ(image.fileFormat, D3DXIFF_JPG);
    EXPECT_EQ(image.format, D3DFMT_X8R8G8B8);
    const D3DCOLOR texel = At(image, 7, 7);
    EXPECT_EQ(texel >> 24, 0xFFu);
    EXPECT_NEAR(static_cast<int>(texel & 0xFF), 0x80, 3);
}

TEST(StbDecode, ProgressiveJpegScansAreBoundedBeforeDecoding)
{
    // A gradient: a picture in ten scans that decodes near its texels.
    std::vector<unsigned char> gradient;
    for (int y = 0; y < 48; ++y) {
        for (int x = 0; x < 64; ++x) {
            gradient.insert(gradient.end(),
                            {static_cast<unsigned char>(x * 4), static_cast<unsigned char>(y * 5), 0x80});
        }
    }
    DecodedImage image = DecodeOk(ProgressiveJpeg(64, 48, gradient));
    ASSERT_EQ(image.width, 64u);
    ASSERT_EQ(image.height, 48u);
    EXPECT_EQ(image.fileFormat, D3DXIFF_JPG);
    EXPECT_NEAR(static_cast<int>((At(image, 40, 30) >> 16) & 0xFF), 160, 6);
    EXPECT_NEAR(static_cast<int>((At(image, 40, 30) >> 8) & 0xFF), 150, 6);

    // A flat 1024 x 1024 picture: each scan is a few bytes, and takes the decoder over every block.
    const std::string flat = ProgressiveJpeg(1024, 1024, std::vector<unsigned char>(1024 * 1024 * 3, 0x60));
    std::size_t scans = 0;
    for (std::size_t at = flat.find("\xff\xda"); at != std::string::npos; at = flat.find("\xff\xda", at + 2)) {
        ++scans;
    }
    ASSERT_EQ(scans, 10u);
    ASSERT_EQ(flat.compare(flat.size() - 2, 2, "\xff\xd9"), 0);
    const std::size_t lastScan = flat.rfind("\xff\xda");
    const std::string scan = flat.substr(lastScan, flat.size() - 2 - lastScan);
    auto repeated = [&](std::size_t total) {
        std::string out = flat.substr(0, flat.size() - 2);
        for (std::size_t n = scans; n < total; ++n) {
            out += scan;
        }
        return out + "\xff\xd9";
    };
    // A hundred scans: libjpeg warns about the repeated one and gives the picture.
    image = DecodeOk(repeated(100));
    EXPECT_EQ(image.width, 1024u);
    EXPECT_NEAR(static_cast<int>(At(image, 500, 700) & 0xFF), 0x60, 2);
    // The same after a comment full of start-of-scan marker bytes, which stay inside their segment.
    std::string comment("\xff\xfe\x01\x92", 4);
    for (int i = 0; i < 200; ++i) {
        comment += "\xff\xda";
    }
    const std::string commented = repeated(100).insert(2, comment);
    EXPECT_EQ(DecodeOk(commented).width, 1024u);

    // 5,000 scans would keep the decoder busy for seconds: refused before it starts.
    const std::string many = repeated(5000);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Decode(many, image), D3DXERR_INVALIDDATA);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_EQ(Decode(repeated(101), image), D3DXERR_INVALIDDATA);
}

TEST(StbDecode, TgaShorterThanItsPixelsIsRefused)
{
    // 27 bytes whose header claims 1028 x 10240 run-length coded pixels.
    const std::string tiny(
        "\x00\x00\x0b\x00\x00\x00\x04\x04\x00\x08\x67\x00\x00\x28\x00\x04"
        "\x10\x00\x00\x00\x00\x00\x00\x00\x27\x00\x04",
        27);
    DecodedImage image;
    EXPECT_EQ(Decode(tiny, image), D3DXERR_INVALIDDATA);
    EXPECT_TRUE(image.texels.empty());

    // Uncompressed 3 x 2 grey: whole it decodes, one byte short it is refused.
    std::string grey("\x00\x00\x03\x00\x00\x00\x00\x00\x00\x00\x00\x00\x03\x00\x02\x00\x08\x00", 18);
    grey += std::string("\x10\x20\x30\x40\x50\x60", 6);
    image = DecodeOk(grey);
    EXPECT_EQ(image.width, 3u);
    EXPECT_EQ(image.height, 2u);
    EXPECT_EQ(Decode(grey.substr(0, grey.size() - 1), image), D3DXERR_INVALIDDATA);

    // Run-length coded: one packet repeats one pixel 6 times.
    std::string runs = grey.substr(0, 18);
    runs[2] = '\x0b';
    runs += std::string("\x85\x77", 2);
    image = DecodeOk(runs);
    EXPECT_EQ(image.texels.size(), 6u);
    EXPECT_EQ(image.texels[5], 0xFF777777u);
    EXPECT_EQ(Decode(runs.substr(0, 19), image), D3DXERR_INVALIDDATA);
}

TEST(StbDecode, JpegHuffmanTablesOfMoreThan256CodesAreRefused)
{
    std::vector<unsigned char> grey(16 * 16 * 3, 0x80);
    std::string jpeg;
    ASSERT_NE(stbi_write_jpg_to_func(AppendBytes, &jpeg, 16, 16, 3, grey.data(), 90), 0);
    DecodeOk(jpeg);

    // A DC table claiming 16 x 32 = 512 codes, right after the start marker.
    std::string table("\xff\xc4\x02\x13\x00", 5);
    table += std::string(16, '\x20') + std::string(512, '\x01');
    DecodedImage image;
    EXPECT_EQ(Decode(jpeg.substr(0, 2) + table + jpeg.substr(2), image), D3DXERR_INVALIDDATA);
    // The same counts behind a segment length too short to hold them are still read as a table.
    std::string shortSegment("\xff\xc4\x00\x03\x10", 5);
    shortSegment += std::string(16, '\xff');
    EXPECT_EQ(Decode(jpeg.substr(0, 2) + shortSegment + jpeg.substr(2), image), D3DXERR_INVALIDDATA);
    // Tables between the scans count as well: the damaged one placed just before the end marker.
    EXPECT_EQ(Decode(jpeg.substr(0, jpeg.size() - 2) + table + jpeg.substr(jpeg.size() - 2), image),
              D3DXERR_INVALIDDATA);
    // Fill bytes before the start marker: still a JPEG to stb_image, and checked as one.
    image = DecodeOk("\xff\xff" + jpeg);
    EXPECT_EQ(image.fileFormat, D3DXIFF_JPG);
    EXPECT_EQ(Decode("\xff\xff" + jpeg.substr(0, 2) + table + jpeg.substr(2), image), D3DXERR_INVALIDDATA);
}

TEST(StbDecode, UnknownBytesAreRefused)
{
    DecodedImage image;
    EXPECT_EQ(Decode("hello, this is no picture", image), D3DXERR_INVALIDDATA);
    EXPECT_EQ(Decode("", image), D3DXERR_INVALIDDATA);
    EXPECT_EQ(Decode("BM", image), D3DXERR_INVALIDDATA);
}

// ---- Picture operations -----------------------------------------------------------------------

TEST(PictureOperations, ColourKeyMatchesAllThirtyTwoBits)
{
    std::vector<D3DCOLOR> texels = {0xFFFF00FF, 0xFEFF00FF, 0xFFFF00FE, 0xFF000000, 0x00000000, 0x7FFF00FF};
    TextureApplyColorKey(texels, 0xFFFF00FF);
    EXPECT_EQ(texels, (std::vector<D3DCOLOR>{0, 0xFEFF00FF, 0xFFFF00FE, 0xFF000000, 0, 0x7FFF00FF}));

    TextureApplyColorKey(texels, 0xFF000000);  // opaque black: only opaque black matches
    EXPECT_EQ(texels, (std::vector<D3DCOLOR>{0, 0xFEFF00FF, 0xFFFF00FE, 0, 0, 0x7FFF00FF}));

    std::vector<D3DCOLOR> untouched = {0x00000000, 0xFF000000};
    TextureApplyColorKey(untouched, 0);
    EXPECT_EQ(untouched, (std::vector<D3DCOLOR>{0x00000000, 0xFF000000}));
}

TEST(PictureOperations, ResampleFilters)
{
    const std::vector<D3DCOLOR> two = {0xFF000000, 0xFFFFFFFF};  // 2x1
    EXPECT_EQ(TextureResample(two, 2, 1, 4, 1, D3DX_FILTER_POINT),
              (std::vector<D3DCOLOR>{0xFF000000, 0xFF000000, 0xFFFFFFFF, 0xFFFFFFFF}));
    EXPECT_EQ(TextureResample(two, 2, 1, 4, 2, D3DX_FILTER_NONE),
              (std::vector<D3DCOLOR>{0xFF000000, 0xFFFFFFFF, 0, 0, 0, 0, 0, 0}));
    const std::vector<D3DCOLOR> linear = TextureResample(two, 2, 1, 4, 1, D3DX_FILTER_LINEAR);
    ASSERT_EQ(linear.size(), 4u);
    EXPECT_EQ(linear[0], 0xFF000000u);  // clamped edge
    EXPECT_EQ(linear[1], 0xFF404040u);  // a quarter of the way
    EXPECT_EQ(linear[2], 0xFFBFBFBFu);
    EXPECT_EQ(linear[3], 0xFFFFFFFFu);
}

TEST(PictureOperations, FullMipChainLength)
{
    EXPECT_EQ(TextureFullMipCount(1, 1), 1u);
    EXPECT_EQ(TextureFullMipCount(2, 1), 2u);
    EXPECT_EQ(TextureFullMipCount(256, 256), 9u);
    EXPECT_EQ(TextureFullMipCount(3, 5), 3u);
    EXPECT_EQ(TextureFullMipCount(64, 512), 10u);
}

// ---- Damaged bytes anywhere -------------------------------------------------------------------

TEST(DecodeRobustness, MutatedFilesDecodeWhollyOrAreRefused)
{
    BmpLayout bmp;
    bmp.bitCount = 4;
    bmp.width = 7;
    bmp.height = 3;
    bmp.palette = {0x010203, 0x040506, 0x070809};
    DdsSpec dds;
    dds.width = 8;
    dds.fourCc = "DXT5";
    const std::string seeds[] = {MakeBmp(bmp, [](int x, int) { return static_cast<std::uint32_t>(x % 3); }),
                                 MakeDds(dds, std::string(32, '\x5A'))};
    std::uint32_t random = 12345;
    auto next = [&random] {
        random = random * 1103515245u + 12345u;
        return random >> 8;
    };
    for (const std::string& seed : seeds) {
        for (int round = 0; round < 3000; ++round) {
            std::string file = seed;
            for (int flips = 1 + static_cast<int>(next() % 4); flips > 0; --flips) {
                file[next() % file.size()] = static_cast<char>(next());
            }
            DecodedImage image;
            const HRESULT hr = Decode(file, image);
            ASSERT_TRUE(hr == S_OK || hr == D3DXERR_INVALIDDATA) << hr;
            if (hr == S_OK) {
                ASSERT_EQ(image.texels.size(), static_cast<std::size_t>(image.width) * image.height);
            }
        }
    }
}
