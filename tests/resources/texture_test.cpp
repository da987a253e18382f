// Textures made from resources: TextureLoad from an archive member or a loose file with a colour key,
// the tex command caching into the entry, every failure message, and release with the list.
#include <SDL2/SDL.h>

#include <filesystem>

#include "../support/image_builders.h"
#include "../support/resource_fixture.h"
#include "app/graphics.h"
#include "platform/d3d9/d3d9.h"

using Lines = std::vector<std::string>;

namespace {

// 2x1: opaque magenta, then white.
std::string KeyedBmp()
{
    BmpLayout layout;
    layout.width = 2;
    return MakeBmp(layout, [](int x, int) { return x == 0 ? 0xFF00FFu : 0xFFFFFFu; });
}

D3DCOLOR Texel(IDirect3DTexture9* texture, int x)
{
    D3DLOCKED_RECT locked{};
    EXPECT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), S_OK);
    D3DCOLOR value = 0;
    std::memcpy(&value, static_cast<const std::uint8_t*>(locked.pBits) + x * 4, 4);
    texture->UnlockRect(0);
    return value;
}

// What a texture holds: each level's size and format, then its 32-bit texels row by row.
std::vector<std::uint32_t> Contents(IDirect3DTexture9* texture)
{
    std::vector<std::uint32_t> contents;
    for (UINT level = 0; level < texture->GetLevelCount(); ++level) {
        D3DSURFACE_DESC desc{};
        EXPECT_EQ(texture->GetLevelDesc(level, &desc), S_OK);
        contents.insert(contents.end(), {desc.Width, desc.Height, static_cast<std::uint32_t>(desc.Format),
                                         static_cast<std::uint32_t>(desc.Pool)});
        D3DLOCKED_RECT locked{};
        EXPECT_EQ(texture->LockRect(level, &locked, nullptr, D3DLOCK_READONLY), S_OK);
        for (UINT y = 0; y < desc.Height; ++y) {
            const auto* row =
                static_cast<const std::uint8_t*>(locked.pBits) + static_cast<std::size_t>(y) * locked.Pitch;
            for (UINT x = 0; x < desc.Width; ++x) {
                std::uint32_t texel = 0;
                std::memcpy(&texel, row + x * 4, 4);
                contents.push_back(texel);
            }
        }
        texture->UnlockRect(level);
    }
    return contents;
}

}  // namespace

// Without a graphics device: the lookups and messages of the texture operations.
TEST_F(ResourceTest, TextureLoadOfAMissingNameReportsTwice)
{
    IDirect3DTexture9* texture = nullptr;
    Mark();
    EXPECT_TRUE(FAILED(TextureLoad("textures\\nope.bmp", 0xFF000000, &texture)));
    EXPECT_EQ(texture, nullptr);
    EXPECT_EQ(Printed(), (Lines{Cp("Nem létezik ilyen fájl! (textures\\nope.bmp)"_cp),
                                Cp("Textúra betöltése sikertelen! (textures\\nope.bmp)"_cp)}));

    Mark();
    ConsoleExecute(console, "tex textures\\nope.bmp");
    EXPECT_EQ(Printed(), (Lines{Cp("Nem létezik ilyen fájl! (textures\\nope.bmp)"_cp),
                                Cp("Textúra betöltése sikertelen! (textures\\nope.bmp)"_cp)}));

    Mark();
    ConsoleExecute(console, "tex");
    EXPECT_TRUE(Printed().empty()) << "tex without a name does nothing";
}

class ResourceTextureTest : public ResourceTest {
protected:
    void SetUp() override
    {
        ResourceTest::SetUp();
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        // Kept loaded to the end of the process so the driver's own allocations stay attributable to
        // it for tests/lsan.supp.
        SDL_GL_LoadLibrary(nullptr);
        window = SDL_CreateWindow("resource test", 0, 0, 32, 32, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        ASSERT_NE(window, nullptr) << SDL_GetError();
        d3d = Direct3DCreate9(D3D_SDK_VERSION);
        ASSERT_NE(d3d, nullptr);
        D3DPRESENT_PARAMETERS pp{};
        pp.Windowed = TRUE;
        pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
        ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device), S_OK)
            << D3DLastErrorText();
    }

    void TearDown() override
    {
        ResourceFreeAll();
        EXPECT_EQ(D3DLiveObjects().textures, 0) << "a texture outlived the resource list";
        if (device != nullptr) {
            device->Release();
            device = nullptr;
        }
        if (d3d != nullptr) {
            d3d->Release();
        }
        if (window != nullptr) {
            SDL_DestroyWindow(window);
        }
        SDL_Quit();
        ResourceTest::TearDown();
    }

    IDirect3D9* d3d = nullptr;
    SDL_Window* window = nullptr;
};

TEST_F(ResourceTextureTest, TextureLoadFromAnArchiveAppliesTheColourKey)
{
    WriteArchive("data.vrk", {{"textures\\k.bmp", KeyedBmp()}});
    ResourceScanArchives();
    IDirect3DTexture9* texture = nullptr;
    Mark();
    ASSERT_EQ(TextureLoad("textures\\k.bmp", 0xFFFF00FF, &texture), S_OK);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(Printed(), Lines{Cp("Textúra betöltve. (textures\\k.bmp)"_cp)});
    EXPECT_EQ(Texel(texture, 0), 0x00000000u);
    EXPECT_EQ(Texel(texture, 1), 0xFFFFFFFFu);
    EXPECT_EQ(texture->GetLevelCount(), 2u) << "a full mip chain";
    texture->Release();
}

TEST_F(ResourceTextureTest, TextureLoadFromALooseFile)
{
    WriteArchive("data.vrk", {{"textures\\k.bmp", "not read: the loose file overrides it"}});
    Write("textures/k.bmp", KeyedBmp());
    ResourceScanArchives();
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(TextureLoad("textures\\k.bmp", 0xFFFF00FF, &texture), S_OK);
    EXPECT_EQ(Texel(texture, 0), 0x00000000u);
    EXPECT_EQ(Texel(texture, 1), 0xFFFFFFFFu);
    texture->Release();
}

TEST_F(ResourceTextureTest, ALooseFileAndTheSameFileInAnArchiveGiveTheSameTexture)
{
    // 3x3, resampled to 4x4 so the load arguments show in the texels; the magenta one is keyed out.
    BmpLayout layout;
    layout.width = 3;
    layout.height = 3;
    const std::string bmp = MakeBmp(layout, [](int x, int y) {
        return x == 1 && y == 1 ? 0xFF00FFu : 0x102030u * static_cast<std::uint32_t>(x + 3 * y);
    });
    // The loose file overrides a member of its size (the tex command reads that many of its bytes).
    const std::string stale = MakeBmp(layout, [](int, int) { return 0x0000FFu; });
    ASSERT_EQ(stale.size(), bmp.size());
    WriteArchive("data.vrk", {{"textures\\packed.bmp", bmp}, {"textures\\loose.bmp", stale}});
    Write("textures/loose.bmp", bmp);
    ResourceScanArchives();
    ASSERT_TRUE(ResourceFind("textures\\loose.bmp")->archive.empty());
    IDirect3DTexture9* packed = nullptr;
    IDirect3DTexture9* loose = nullptr;
    ASSERT_EQ(TextureLoad("textures\\packed.bmp", 0xFFFF00FF, &packed), S_OK);
    ASSERT_EQ(TextureLoad("textures\\loose.bmp", 0xFFFF00FF, &loose), S_OK);
    const std::vector<std::uint32_t> packedContents = Contents(packed);
    EXPECT_EQ(Contents(loose), packedContents);
    ASSERT_GE(packedContents.size(), 4u + 16u);
    EXPECT_EQ(packedContents[0], 4u) << "the width rounded up to a power of two";
    EXPECT_EQ(packed->GetLevelCount(), 3u);
    packed->Release();
    loose->Release();

    // The tex command reads the entry the same way from either place.
    ConsoleExecute(console, "tex textures\\packed.bmp");
    ConsoleExecute(console, "tex textures\\loose.bmp");
    ASSERT_NE(ResourceFind("textures\\packed.bmp")->texture, nullptr);
    ASSERT_NE(ResourceFind("textures\\loose.bmp")->texture, nullptr);
    EXPECT_EQ(Contents(ResourceFind("textures\\loose.bmp")->texture),
              Contents(ResourceFind("textures\\packed.bmp")->texture));
}

TEST_F(ResourceTextureTest, AnArchiveCutShortAfterTheScanGivesNoTexture)
{
    WriteArchive("data.vrk", {{"textures\\k.bmp", KeyedBmp()}});
    ResourceScanArchives();
    // The archive now ends half way through the member its directory listed.
    std::filesystem::resize_file("data.vrk", KeyedBmp().size() / 2);
    IDirect3DTexture9* texture = nullptr;
    Mark();
    EXPECT_TRUE(FAILED(TextureLoad("textures\\k.bmp", 0, &texture)));
    EXPECT_EQ(texture, nullptr);
    EXPECT_EQ(Printed(),
              (Lines{Cp("A fájlból nem lehet olvasni!"_cp), Cp("Textúra betöltése sikertelen! (textures\\k.bmp)"_cp)}));
    EXPECT_EQ(D3DLiveObjects().textures, 0);
}

TEST_F(ResourceTextureTest, UndecodableTexturesReportTheirPath)
{
    WriteArchive("data.vrk", {{"textures\\bad.dds", "DDS garbage"}, {"textures\\loose.bmp", "x"}});
    Write("textures/loose.bmp", "BM but nothing else");
    ResourceScanArchives();
    IDirect3DTexture9* texture = nullptr;
    Mark();
    EXPECT_TRUE(FAILED(TextureLoad("textures\\bad.dds", 0, &texture)));
    EXPECT_EQ(Printed(),
              (Lines{Cp("Betöltés sikertelen."_cp), Cp("Textúra betöltése sikertelen! (textures\\bad.dds)"_cp)}));
    Mark();
    EXPECT_TRUE(FAILED(TextureLoad("textures\\loose.bmp", 0, &texture)));
    EXPECT_EQ(Printed(), (Lines{Cp("A textúra betöltése nem sikerült! (textures\\loose.bmp)"_cp),
                                Cp("Textúra betöltése sikertelen! (textures\\loose.bmp)"_cp)}));
    EXPECT_EQ(texture, nullptr);
}

TEST_F(ResourceTextureTest, TexCommandCachesTheTextureInTheEntry)
{
    WriteArchive("data.vrk", {{"textures\\k.bmp", KeyedBmp()}, {"textures\\bad.bmp", "BMx"}});
    ResourceScanArchives();
    Mark();
    ConsoleExecute(console, "tex textures\\k.bmp");
    EXPECT_EQ(Printed(), Lines{Cp("Textúra betöltve. (textures\\k.bmp)"_cp)});
    ResourceEntry* entry = ResourceFind("textures\\k.bmp");
    ASSERT_NE(entry->texture, nullptr);
    EXPECT_EQ(Texel(entry->texture, 0), 0xFFFF00FFu) << "the tex command uses no colour key";

    ConsoleExecute(console, "tex textures\\k.bmp");
    EXPECT_EQ(D3DLiveObjects().textures, 1) << "the earlier texture is released";

    Mark();
    ConsoleExecute(console, "tex textures\\bad.bmp");
    EXPECT_EQ(Printed(), Lines{Cp("Textúra betöltése sikertelen! (textures\\bad.bmp)"_cp)});
    EXPECT_EQ(ResourceFind("textures\\bad.bmp")->texture, nullptr);

    ResourceFreeAll();
    EXPECT_EQ(D3DLiveObjects().textures, 0);
}
