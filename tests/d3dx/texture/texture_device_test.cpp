// The texture-from-file functions on a real device: sizes, levels, formats, the colour key before the
// mip chain, the image information, argument checks and refused files creating nothing.
#include <SDL2/SDL.h>
#include <gtest/gtest.h>
#include <squish.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../../support/image_builders.h"
#include "d3dx/texture.h"

namespace {

class TextureTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        // One load of the OpenGL library never matched by an unload: the driver's own allocations
        // for the life of the process stay attributable, so tests/lsan.supp applies to them.
        SDL_GL_LoadLibrary(nullptr);
        window = SDL_CreateWindow("texture test", 0, 0, 32, 32, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        ASSERT_NE(window, nullptr) << SDL_GetError();
        d3d = Direct3DCreate9(D3D_SDK_VERSION);
        ASSERT_NE(d3d, nullptr) << D3DLastErrorText();
        D3DPRESENT_PARAMETERS pp{};
        pp.Windowed = TRUE;
        pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
        pp.EnableAutoDepthStencil = TRUE;
        pp.AutoDepthStencilFormat = D3DFMT_D16;
        ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device), S_OK)
            << D3DLastErrorText();
    }

    void TearDown() override
    {
        EXPECT_EQ(D3DLiveObjects().textures, 0) << "a texture was not released";
        if (device != nullptr) {
            device->Release();
        }
        if (d3d != nullptr) {
            d3d->Release();
        }
        if (window != nullptr) {
            SDL_DestroyWindow(window);
        }
        SDL_Quit();
    }

    HRESULT Create(const std::string& file, IDirect3DTexture9** texture, UINT width = D3DX_DEFAULT,
                   UINT height = D3DX_DEFAULT, UINT levels = 0, D3DFORMAT format = D3DFMT_FROM_FILE, D3DCOLOR key = 0,
                   D3DXIMAGE_INFO* info = nullptr, DWORD filter = D3DX_FILTER_LINEAR)
    {
        return D3DXCreateTextureFromFileInMemoryEx(device, file.data(), static_cast<UINT>(file.size()), width, height,
                                                   levels, 0, format, D3DPOOL_MANAGED, filter, D3DX_FILTER_NONE, key,
                                                   info, nullptr, texture);
    }

    // The 32-bit texels of one level, top row first.
    static std::vector<D3DCOLOR> Texels(IDirect3DTexture9* texture, UINT level)
    {
        D3DSURFACE_DESC desc{};
        EXPECT_EQ(texture->GetLevelDesc(level, &desc), S_OK);
        D3DLOCKED_RECT locked{};
        EXPECT_EQ(texture->LockRect(level, &locked, nullptr, D3DLOCK_READONLY), S_OK);
        std::vector<D3DCOLOR> texels(static_cast<std::size_t>(desc.Width) * desc.Height);
        for (UINT y = 0; y < desc.Height; ++y) {
            std::memcpy(texels.data() + static_cast<std::size_t>(y) * desc.Width,
                        static_cast<const std::uint8_t*>(locked.pBits) + static_cast<std::size_t>(y) * locked.Pitch,
                        desc.Width * 4);
        }
        EXPECT_EQ(texture->UnlockRect(level), S_OK);
        return texels;
    }

    SDL_Window* window = nullptr;
    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = nullptr;
};

std::string SolidBmp(int width, int height, std::uint32_t rgb)
{
    BmpLayout layout;
    layout.width = width;
    layout.height = height;
    return MakeBmp(layout, [rgb](int, int) { return rgb; });
}

}  // namespace

TEST_F(TextureTest, DefaultSizeIsRoundedUpToPowersOfTwoWithAFullChain)
{
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(Create(SolidBmp(3, 5, 0x336699), &texture), S_OK);
    D3DSURFACE_DESC desc{};
    ASSERT_EQ(texture->GetLevelDesc(0, &desc), S_OK);
    EXPECT_EQ(desc.Width, 4u);
    EXPECT_EQ(desc.Height, 8u);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED);
    EXPECT_EQ(texture->GetLevelCount(), 4u);
    for (D3DCOLOR texel : Texels(texture, 0)) {
        EXPECT_EQ(texel, 0xFF336699u);
    }
    texture->Release();

    ASSERT_EQ(Create(SolidBmp(3, 5, 0x336699), &texture, D3DX_DEFAULT_NONPOW2, D3DX_FROM_FILE), S_OK);
    ASSERT_EQ(texture->GetLevelDesc(0, &desc), S_OK);
    EXPECT_EQ(desc.Width, 3u);
    EXPECT_EQ(desc.Height, 5u);
    EXPECT_EQ(texture->GetLevelCount(), 3u);
    texture->Release();
}

TEST_F(TextureTest, ExplicitSizesAndLevelCounts)
{
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(Create(SolidBmp(4, 4, 0xFFFFFF), &texture, 16, 8, 2), S_OK);
    D3DSURFACE_DESC desc{};
    ASSERT_EQ(texture->GetLevelDesc(0, &desc), S_OK);
    EXPECT_EQ(desc.Width, 16u);
    EXPECT_EQ(desc.Height, 8u);
    EXPECT_EQ(texture->GetLevelCount(), 2u);
    texture->Release();

    ASSERT_EQ(Create(SolidBmp(4, 4, 0xFFFFFF), &texture, D3DX_DEFAULT, D3DX_DEFAULT, 99), S_OK);
    EXPECT_EQ(texture->GetLevelCount(), 3u) << "more levels than the chain holds";
    texture->Release();

    DdsSpec layout;
    layout.width = 8;
    layout.height = 8;
    layout.mipCount = 2;
    const std::string dds = MakeDds(layout, std::string(4 * 8 + 8, '\0'));
    ASSERT_EQ(Create(dds, &texture, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_FROM_FILE), S_OK);
    EXPECT_EQ(texture->GetLevelCount(), 2u);
    texture->Release();
}

TEST_F(TextureTest, ColourKeyIsAppliedBeforeTheMipChain)
{
    // 2x2 of opaque magenta (the key) with one white texel: the smaller level averages one opaque
    // white texel with three transparent black ones.
    BmpLayout layout;
    layout.width = 2;
    layout.height = 2;
    const std::string file = MakeBmp(layout, [](int x, int y) { return x == 0 && y == 0 ? 0xFFFFFFu : 0xFF00FFu; });
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(Create(file, &texture, D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_FROM_FILE, 0xFFFF00FF), S_OK);
    ASSERT_EQ(texture->GetLevelCount(), 2u);
    EXPECT_EQ(Texels(texture, 0), (std::vector<D3DCOLOR>{0xFFFFFFFF, 0, 0, 0}));
    const D3DCOLOR small = Texels(texture, 1)[0];
    EXPECT_NEAR(static_cast<int>(small >> 24), 64, 1);
    EXPECT_NEAR(static_cast<int>(small & 0xFF), 64, 1);
    texture->Release();

    // An opaque black key leaves other colours alone and takes only opaque black.
    const std::string black = MakeBmp(layout, [](int x, int) { return x == 0 ? 0x000000u : 0x010000u; });
    ASSERT_EQ(Create(black, &texture, D3DX_DEFAULT, D3DX_DEFAULT, 1, D3DFMT_UNKNOWN, 0xFF000000), S_OK);
    EXPECT_EQ(Texels(texture, 0), (std::vector<D3DCOLOR>{0, 0xFF010000, 0, 0xFF010000}));
    texture->Release();
}

TEST_F(TextureTest, DxtFileBecomesAnArgbTexture)
{
    DdsSpec layout;
    const std::string file = MakeDds(layout, DxtColourBlock(0x001F, 0xF800, RowIndices(0, 3)));
    IDirect3DTexture9* texture = nullptr;
    D3DXIMAGE_INFO info{};
    ASSERT_EQ(Create(file, &texture, D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_FROM_FILE, 0, &info), S_OK);
    const std::vector<D3DCOLOR> texels = Texels(texture, 0);
    EXPECT_EQ(texels[0], 0x00000000u);
    EXPECT_EQ(texels[4], 0xFF0000FFu);
    EXPECT_EQ(info.Format, D3DFMT_DXT1);
    EXPECT_EQ(info.ImageFileFormat, D3DXIFF_DDS);
    EXPECT_EQ(info.Width, 4u);
    EXPECT_EQ(info.MipLevels, 1u);
    EXPECT_EQ(info.ResourceType, D3DRTYPE_TEXTURE);
    texture->Release();
}

TEST_F(TextureTest, RequestedFormatsAreWrittenInTheirLayout)
{
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(Create(SolidBmp(4, 4, 0xFF0000), &texture, D3DX_DEFAULT, D3DX_DEFAULT, 1, D3DFMT_R5G6B5), S_OK);
    D3DSURFACE_DESC desc{};
    ASSERT_EQ(texture->GetLevelDesc(0, &desc), S_OK);
    EXPECT_EQ(desc.Format, D3DFMT_R5G6B5);
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), S_OK);
    const auto* bits = static_cast<const std::uint8_t*>(locked.pBits);
    EXPECT_EQ(bits[0] | (bits[1] << 8), 0xF800);
    texture->UnlockRect(0);
    texture->Release();

    ASSERT_EQ(Create(SolidBmp(4, 4, 0x00FF00), &texture, D3DX_DEFAULT, D3DX_DEFAULT, 1, D3DFMT_DXT1), S_OK);
    ASSERT_EQ(texture->GetLevelDesc(0, &desc), S_OK);
    EXPECT_EQ(desc.Format, D3DFMT_DXT1);
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), S_OK);
    std::uint8_t rgba[16 * 4];
    squish::DecompressImage(rgba, 4, 4, locked.pBits, squish::kDxt1);
    EXPECT_EQ(rgba[0], 0);
    EXPECT_EQ(rgba[1], 255);
    EXPECT_EQ(rgba[2], 0);
    EXPECT_EQ(rgba[63], 255);
    texture->UnlockRect(0);
    texture->Release();
}

TEST_F(TextureTest, InformationAndPaletteOfTheFile)
{
    BmpLayout layout;
    layout.bitCount = 8;
    layout.width = 5;
    layout.height = 3;
    layout.palette = {0x0A0B0C, 0x102030};
    IDirect3DTexture9* texture = nullptr;
    D3DXIMAGE_INFO info{};
    PALETTEENTRY palette[256] = {};
    const std::string file = MakeBmp(layout, [](int x, int) { return static_cast<std::uint32_t>(x % 2); });
    ASSERT_EQ(D3DXCreateTextureFromFileInMemoryEx(device, file.data(), static_cast<UINT>(file.size()), D3DX_DEFAULT,
                                                  D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED,
                                                  D3DX_DEFAULT, D3DX_DEFAULT, 0, &info, palette, &texture),
              S_OK);
    EXPECT_EQ(info.Width, 5u);
    EXPECT_EQ(info.Height, 3u);
    EXPECT_EQ(info.Depth, 1u);
    EXPECT_EQ(info.Format, static_cast<D3DFORMAT>(41));
    EXPECT_EQ(info.ImageFileFormat, D3DXIFF_BMP);
    EXPECT_EQ(palette[1].peRed, 0x10);
    EXPECT_EQ(palette[1].peGreen, 0x20);
    EXPECT_EQ(palette[1].peBlue, 0x30);
    texture->Release();
}

TEST_F(TextureTest, BadArgumentsAndFilesCreateNothing)
{
    const std::string good = SolidBmp(4, 2, 0x123456);  // rows without padding: every byte counts
    IDirect3DTexture9* sentinel = reinterpret_cast<IDirect3DTexture9*>(0x1);
    IDirect3DTexture9* texture = sentinel;
    EXPECT_EQ(D3DXCreateTextureFromFileInMemory(nullptr, good.data(), static_cast<UINT>(good.size()), &texture),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateTextureFromFileInMemory(device, nullptr, 10, &texture), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateTextureFromFileInMemory(device, good.data(), 0, &texture), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateTextureFromFileInMemory(device, good.data(), static_cast<UINT>(good.size()), nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(Create(good, &texture, D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_UNKNOWN, 0, nullptr, 9), D3DERR_INVALIDCALL);
    EXPECT_EQ(Create(good.substr(0, good.size() - 1), &texture), D3DXERR_INVALIDDATA);
    EXPECT_EQ(Create("not an image at all", &texture), D3DXERR_INVALIDDATA);
    EXPECT_EQ(texture, sentinel) << "the output is set only on success";
}

TEST_F(TextureTest, FromFileNamesWithBackslashes)
{
    char pattern[] = "/tmp/texture-test-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const std::filesystem::path folder = pattern;
    std::filesystem::create_directories(folder / "textures");
    {
        std::ofstream out(folder / "textures" / "a.bmp", std::ios::binary);
        const std::string file = SolidBmp(2, 2, 0xABCDEF);
        out.write(file.data(), static_cast<std::streamsize>(file.size()));
    }
    const std::string name = (folder / "textures").string() + "\\a.bmp";
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(D3DXCreateTextureFromFileA(device, name.c_str(), &texture), S_OK);
    EXPECT_EQ(Texels(texture, 0)[3], 0xFFABCDEFu);
    EXPECT_EQ(texture->GetLevelCount(), 2u);
    texture->Release();

    texture = nullptr;
    EXPECT_EQ(
        D3DXCreateTextureFromFileExA(device, (folder.string() + "/missing.bmp").c_str(), 0, 0, 0, 0, D3DFMT_UNKNOWN,
                                     D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr, &texture),
        D3DXERR_INVALIDDATA);
    EXPECT_EQ(texture, nullptr);
    EXPECT_EQ(D3DXCreateTextureFromFileA(device, nullptr, &texture), D3DERR_INVALIDCALL);
    std::filesystem::remove_all(folder);
}
