// Render set-up: camera poses and transforms, materials, textures from an archive with their colour
// keys, the intro picture, and release of everything made.
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "../support/scratch_folder.h"
#include "platform/win/little_endian.h"
#include "render/camera.h"
#include "render_fixture.h"
#include "resources/archive.h"

namespace {

// A 24-bit BMP of w x h pixels from a function of (x, y) giving 0xRRGGBB.
std::string Bmp(int w, int h, const std::function<std::uint32_t(int, int)>& pixel)
{
    const int row = (w * 3 + 3) & ~3;
    std::string bytes = "BM";
    LittleEndianWriter out(bytes);
    out.U32(static_cast<std::uint32_t>(54 + row * h));
    out.U32(0);
    out.U32(54);
    out.U32(40);
    out.I32(w);
    out.I32(h);
    out.U16(1);
    out.U16(24);
    out.Zeros(24);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const std::uint32_t c = pixel(x, h - 1 - y);
            out.U8(static_cast<std::uint8_t>(c));
            out.U8(static_cast<std::uint8_t>(c >> 8));
            out.U8(static_cast<std::uint8_t>(c >> 16));
        }
        out.Zeros(static_cast<std::size_t>(row - w * 3));
    }
    return bytes;
}

class SetupTest : public RenderTest {
protected:
    void SetUp() override
    {
        ResourceFreeAll();
        RenderTest::SetUp();
    }

    void TearDown() override
    {
        RenderTest::TearDown();
        ResourceFreeAll();
    }

    static void Pack(const std::vector<ArchiveMember>& members)
    {
        std::string archive;
        std::string error;
        ASSERT_TRUE(ArchiveBuild(members, archive, error)) << error;
        std::ofstream("data.vrk", std::ios::binary) << archive;
        ResourceScanArchives();
    }

    // Where the current view and projection put a world point, in pixels from the top-left corner.
    static D3DXVECTOR3 Project(float x, float y, float z)
    {
        D3DXMATRIX view;
        D3DXMATRIX projection;
        device->GetTransform(D3DTS_VIEW, &view);
        device->GetTransform(D3DTS_PROJECTION, &projection);
        D3DXMATRIX both;
        D3DXMatrixMultiply(&both, &view, &projection);
        const D3DXVECTOR3 p(x, y, z);
        D3DXVECTOR3 clip;
        D3DXVec3TransformCoord(&clip, &p, &both);
        return {(clip.x + 1.0f) * kWidth / 2.0f, (1.0f - clip.y) * kHeight / 2.0f, clip.z};
    }

    WorkingFolder folder_{"render"};
};

TEST_F(SetupTest, PlayingCameraLooksForwardAndDownFromBehindTheScroll)
{
    camera.prevScrollPos = 12.0f;
    CameraSetPlaying();
    EXPECT_FLOAT_EQ(camera.prevScrollPos, 12.0f);
    EXPECT_NEAR(camera.viewPitch, 1.1071487f, 1e-6f);
    camera.scrollPos = 10.0f;
    CameraApply();
    // The eye is at (0, scrollPos - 1, 0) looking along (0, 0.8944, 0.4472).
    const D3DXVECTOR3 centre = Project(0.0f, 9.0f + 0.8944f * 5.0f, 0.4472f * 5.0f);
    EXPECT_NEAR(centre.x, 400.0f, 0.5f);
    EXPECT_NEAR(centre.y, 300.0f, 0.5f);
    // +x runs to the right, +y up the screen; depth grows away from the eye.
    EXPECT_GT(Project(1.0f, 13.5f, 2.2f).x, 420.0f);
    EXPECT_LT(Project(0.0f, 14.5f, 2.2f).y, 290.0f);
    EXPECT_GT(Project(0.0f, 20.0f, 5.0f).z, Project(0.0f, 12.0f, 3.0f).z);
    // Beyond the far plane at 32: outside the depth range.
    EXPECT_GT(Project(0.0f, 9.0f + 0.8944f * 33.0f, 0.4472f * 33.0f).z, 1.0f);

    // Another window shape keeps the 1.333333 aspect of the projection.
    D3DXMATRIX projection;
    device->GetTransform(D3DTS_PROJECTION, &projection);
    EXPECT_NEAR(projection._22 / projection._11, 1.333333f, 1e-5f);
}

TEST_F(SetupTest, MenuCameraLooksAlongZAndSwitchesFogOff)
{
    CameraSetPlaying();
    CameraMenuFogFollow();
    device->SetRenderState(D3DRS_FOGENABLE, TRUE);
    CameraMenuFogFollow();
    DWORD fog = 0;
    device->GetRenderState(D3DRS_FOGENABLE, &fog);
    EXPECT_EQ(fog, static_cast<DWORD>(TRUE)) << "no new menu pose: the fog stays";
    camera.prevScrollPos = 7.0f;
    CameraSetMenu();
    EXPECT_FLOAT_EQ(camera.prevScrollPos, 7.0f);
    CameraMenuFogFollow();   // the renderer, before it draws the next frame
    device->GetRenderState(D3DRS_FOGENABLE, &fog);
    EXPECT_EQ(fog, static_cast<DWORD>(FALSE));
    CameraApply();
    const D3DXVECTOR3 ahead = Project(0.0f, 0.0f, 10.0f);
    EXPECT_NEAR(ahead.x, 400.0f, 0.5f);
    EXPECT_NEAR(ahead.y, 300.0f, 0.5f);
    EXPECT_LT(Project(0.0f, 1.0f, 10.0f).y, 300.0f) << "+y is up";
}

TEST_F(SetupTest, SmallerLevelsAreLeftOutOnlyWhereNoPixelSpansMoreThanATexelAndAThird)
{
    auto chain = [](UINT w, UINT h) {
        IDirect3DTexture9* texture = nullptr;
        EXPECT_EQ(device->CreateTexture(w, h, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), S_OK);
        return texture;
    };
    IDirect3DTexture9* square = chain(512, 512);
    CameraSetMenu();
    CameraApply();
    D3DVIEWPORT9 full{};
    ASSERT_EQ(device->GetViewport(&full), S_OK);
    EXPECT_FALSE(NeedsSmallerLevels(backdropBuffer, square)) << "800 x 600: every texel spans more than a pixel";
    EXPECT_FALSE(NeedsSmallerLevels(backdropBuffer, nullptr));
    EXPECT_TRUE(NeedsSmallerLevels(horizonBuffer, square)) << "not a rectangle known to show its whole texture";
    EXPECT_TRUE(NeedsSmallerLevels(nullptr, square));

    // The backdrop spans about 1.01 times the viewport: 512 texels over 485 or 388 pixels still
    // sample the top level alone, over 303 they need the next.
    D3DVIEWPORT9 viewport = full;
    viewport.Width = 640;
    viewport.Height = 480;
    ASSERT_EQ(device->SetViewport(&viewport), S_OK);
    EXPECT_FALSE(NeedsSmallerLevels(backdropBuffer, square)) << "640 x 480";
    viewport.Width = 512;
    viewport.Height = 384;
    device->SetViewport(&viewport);
    EXPECT_FALSE(NeedsSmallerLevels(backdropBuffer, square)) << "512 x 384";
    viewport.Width = 400;
    viewport.Height = 300;
    device->SetViewport(&viewport);
    EXPECT_TRUE(NeedsSmallerLevels(backdropBuffer, square)) << "400 x 300";
    viewport.Width = 800;
    viewport.Height = 300;
    device->SetViewport(&viewport);
    EXPECT_TRUE(NeedsSmallerLevels(backdropBuffer, square)) << "squeezed in one direction only";
    device->SetViewport(&full);

    // Turned away from the view its texels shrink toward the far edge.
    camera.viewYaw = 0.3f;
    CameraApply();
    EXPECT_TRUE(NeedsSmallerLevels(backdropBuffer, square)) << "not square to the view";
    CameraSetMenu();

    // The HUD band, 800 x 200 pixels: 1024 x 256 texels are 1.28 per pixel each way, 1024 x 512 are
    // 2.56 down.
    ScreenSpaceApply();
    IDirect3DTexture9* band = chain(1024, 256);
    IDirect3DTexture9* tall = chain(1024, 512);
    EXPECT_FALSE(NeedsSmallerLevels(hudBandBuffer, band));
    EXPECT_TRUE(NeedsSmallerLevels(hudBandBuffer, tall));
    {
        const TopLevelSampling sampling(hudBandBuffer, band);
        DWORD mipFilter = 0;
        device->GetSamplerState(0, D3DSAMP_MIPFILTER, &mipFilter);
        EXPECT_EQ(mipFilter, static_cast<DWORD>(D3DTEXF_NONE));
    }
    {
        const TopLevelSampling sampling(hudBandBuffer, tall);
        DWORD mipFilter = 0;
        device->GetSamplerState(0, D3DSAMP_MIPFILTER, &mipFilter);
        EXPECT_EQ(mipFilter, static_cast<DWORD>(D3DTEXF_POINT));
    }
    DWORD mipFilter = 0;
    device->GetSamplerState(0, D3DSAMP_MIPFILTER, &mipFilter);
    EXPECT_EQ(mipFilter, static_cast<DWORD>(D3DTEXF_POINT)) << "back to the device's filter";

    IDirect3DTexture9* single = SolidTexture(0xFF000064u);
    device->SetViewport(&viewport);
    EXPECT_FALSE(NeedsSmallerLevels(backdropBuffer, single)) << "a texture of one level has no smaller ones";
    device->SetViewport(&full);
    for (IDirect3DTexture9* texture : {square, band, tall, single}) {
        texture->Release();
    }
}

TEST_F(SetupTest, MaterialSetTakesOnlyOneToFour)
{
    MaterialSet(4);
    D3DMATERIAL9 m{};
    device->GetMaterial(&m);
    EXPECT_FLOAT_EQ(m.Diffuse.a, 1.0f);
    EXPECT_FLOAT_EQ(m.Power, 6.0f);
    MaterialSet(0);
    MaterialSet(5);
    MaterialSet(-1);
    device->GetMaterial(&m);
    EXPECT_FLOAT_EQ(m.Power, 6.0f) << "other numbers leave the material in place";
    MaterialSet(3);
    device->GetMaterial(&m);
    EXPECT_FLOAT_EQ(m.Diffuse.a, 0.5f);
    EXPECT_FLOAT_EQ(m.Emissive.r, 1.0f);
    // The sun shines along (-1, -2, 5) normalised.
    EXPECT_NEAR(sunLight.Direction.z, 5.0f / std::sqrt(30.0f), 1e-6f);
    EXPECT_EQ(menuLight.Type, D3DLIGHT_POINT);
}

TEST_F(SetupTest, TexturesLoadWithColourKeysAndReloadWithoutLeaks)
{
    // hud.bmp: magenta left half (keyed out), grey right half; a window picture stored as .dds name.
    Pack({{"textures\\hud.bmp", Bmp(16, 16, [](int x, int) { return x < 8 ? 0xFF00FFu : 0x808080u; })},
          {"textures\\ablak.dds", Bmp(8, 8, [](int, int) { return 0x0000C0u; })},
          {"textures\\robban3.dds", Bmp(8, 8, [](int x, int) { return x < 4 ? 0x000000u : 0xFF8000u; })}});
    const int before = D3DLiveObjects().textures;
    ASSERT_EQ(TexturesLoad(), S_OK);
    ASSERT_NE(hudTexture, nullptr);
    ASSERT_NE(explosionTextures[3], nullptr);
    EXPECT_EQ(seaTexture, nullptr) << "a missing file leaves its slot empty";
    EXPECT_EQ(D3DLiveObjects().textures, before + 3);
    ASSERT_EQ(TexturesLoad(), S_OK);
    EXPECT_EQ(D3DLiveObjects().textures, before + 3) << "a second load replaces, never leaks";
    ASSERT_EQ(StaticGeometryCreate(), S_OK);

    gameState = Playing;
    CameraSetPlaying();
    horizonTexture = SolidTexture(0xFF000000u);
    ASSERT_EQ(SceneRender(), S_OK);
    ReadFrame();
    EXPECT_TRUE(Near(At(100, 100), 0, 0, 0, 2)) << "magenta texels are transparent";
    EXPECT_TRUE(Near(At(700, 100), 128, 128, 128, 3));
}

TEST_F(SetupTest, IntroPictureFillsTheScreen)
{
    Pack(
        {{"textures\\intro.bmp", Bmp(8, 8, [](int x, int y) { return y < 4 ? 0x00FF00u : (x < 4 ? 0x0000FFu : 0); })}});
    ASSERT_TRUE(IntroScreenShow());
    ReadFrame();
    // Upright over the whole screen (the edges blend with the opposite side as the texture wraps).
    EXPECT_TRUE(Near(At(60, 60), 0, 255, 0, 3));
    EXPECT_TRUE(Near(At(740, 240), 0, 255, 0, 3));
    EXPECT_TRUE(Near(At(60, 540), 0, 0, 255, 3));
    EXPECT_TRUE(Near(At(740, 540), 0, 0, 0, 3)) << "black is the intro's colour key";
    DWORD z = 0;
    DWORD fog = 0;
    device->GetRenderState(D3DRS_ZENABLE, &z);
    device->GetRenderState(D3DRS_FOGENABLE, &fog);
    EXPECT_EQ(z, static_cast<DWORD>(TRUE));
    EXPECT_EQ(fog, static_cast<DWORD>(TRUE));
}

TEST_F(SetupTest, ScreenBuffersFollowTheWindowSizeReadAtStartUp)
{
    // A wide window: the overlays follow W and H exactly.
    RenderResourcesRelease();
    windowWidth = 400;
    ASSERT_EQ(StaticGeometryCreate(), S_OK);
    windowWidth = kWidth;
    gameState = Playing;
    CameraSetPlaying();
    hudTexture = SolidTexture(0xFF0000FFu);
    horizonTexture = SolidTexture(0xFF000000u);
    ASSERT_EQ(SceneRender(), S_OK);
    ReadFrame();
    // Built for 400 pixels, drawn with an 800-pixel projection: the band covers the middle half.
    EXPECT_TRUE(Near(At(400, 100), 0, 0, 255, 2));
    EXPECT_TRUE(Near(At(205, 100), 0, 0, 255, 2));
    EXPECT_FALSE(Near(At(190, 100), 0, 0, 255, 2));
}

}  // namespace
