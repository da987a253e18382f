// The default content's main menu and a busy playing frame drawn two ways that must give the same
// picture: by the shader programs specialised per state and by the one general program (byte for
// byte), and with the draws the renderer joins (the sea as one strip, the HUD band in pieces, the
// opaque ones before the scene) and with every part drawn on its own (within rounding).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <vector>

#include "../../bench/busy_scene.h"
#include "app/game.h"
#include "app/graphics.h"
#include "app/program.h"
#include "console/console.h"
#include "console/variables.h"
#include "core/frame.h"
#include "frontend/frontend.h"
#include "game/aircraft.h"
#include "game/camera.h"
#include "game/enemy.h"
#include "game/projectiles.h"
#include "game/sprites.h"
#include "game/world.h"
#include "platform/win/window.h"
#include "render/camera.h"
#include "render/hud.h"
#include "render/render.h"
#include "render/scene.h"
#include "render/setup.h"
#include "resources/mesh.h"
#include "resources/resources.h"

namespace {

class ProgramEqualityTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::filesystem::path game = std::filesystem::path(AVIORRA_BINARY).parent_path() / "game";
        ASSERT_TRUE(std::filesystem::exists(game / "data.vrk")) << "the generated content is missing: " << game;
        previous = std::filesystem::current_path();
        std::filesystem::current_path(game);
        PlatformSetHeadless(true);
        ASSERT_TRUE(PlatformVideoInit());
        ConsoleSetEcho(false);
        ProgramReset();
        ConsoleExecute(console, "set g_ablakos 1");
        ConsoleExecute(console, "set h_fps 0");
        windowWidth = width;
        windowHeight = height;
        ASSERT_EQ(GameWindowCreate(), nullptr);
        ASSERT_EQ(GraphicsCreate(), S_OK);
        ResourceScanArchives();
        MaterialsAndLightsInit();
        ASSERT_EQ(MeshListLoadAll(), S_OK);
        ASSERT_EQ(TexturesLoad(), S_OK);
        ASSERT_EQ(StaticGeometryCreate(), S_OK);
        for (int i = 0; i < kMenuItemCount; ++i) {
            MenuItemInit(i);
        }
        frameDelta = 0.0f;
    }

    void TearDown() override
    {
        if (device != nullptr) {
            DeviceUseGeneralProgram(device, false);
        }
        SceneUseSeparateDraws(false);
        GameShutdown();
        WindowReset();
        gameWindow = nullptr;
        ProgramReset();
        ConsoleSetEcho(true);
        std::filesystem::current_path(previous);
    }

    // One frame drawn by `draw` with the specialised programs, then with the general one, then with
    // the specialised ones again (the frame must not change by itself from one drawing to the next).
    template <typename Draw>
    void ExpectSamePixels(Draw draw, const char* what)
    {
        std::vector<std::uint8_t> specialised, general, again;
        auto frame = [&](bool useGeneral, std::vector<std::uint8_t>& out) {
            DeviceUseGeneralProgram(device, useGeneral);
            ASSERT_EQ(draw(), S_OK);
            int w = 0;
            int h = 0;
            ASSERT_TRUE(DeviceReadLastFrame(device, w, h, out));
            ASSERT_EQ(w, width);
            ASSERT_EQ(h, height);
        };
        frame(false, specialised);
        frame(true, general);
        frame(false, again);
        ASSERT_EQ(specialised, again) << what << ": the frame changes by itself";
        std::set<std::uint32_t> colours;
        for (std::size_t i = 0; i < specialised.size(); i += 4) {
            colours.insert(specialised[i] | specialised[i + 1] << 8 | specialised[i + 2] << 16);
        }
        EXPECT_GT(colours.size(), 200u) << what << ": the picture is nearly empty";
        std::size_t differing = 0;
        std::size_t first = specialised.size();
        for (std::size_t i = 0; i < specialised.size(); ++i) {
            if (specialised[i] != general[i]) {
                ++differing;
                first = std::min(first, i);
            }
        }
        EXPECT_EQ(differing, 0u) << what << ": first difference at pixel " << first / 4 << " (x " << first / 4 % width
                                 << ", y " << first / 4 / width << ")";
    }

    // The frame `draw` makes, read back.
    template <typename Draw>
    std::vector<std::uint8_t> Frame(Draw draw)
    {
        std::vector<std::uint8_t> rgba;
        EXPECT_EQ(draw(), S_OK);
        int w = 0;
        int h = 0;
        EXPECT_TRUE(DeviceReadLastFrame(device, w, h, rgba));
        EXPECT_EQ(w * h * 4, static_cast<int>(rgba.size()));
        return rgba;
    }

    // How far two frames differ in their colours: the mean difference per channel (in 1/255) and the
    // share of pixels where a channel is off by more than 16.
    struct Difference {
        double meanPerChannel = 0.0;
        double farPixels = 0.0;
        std::size_t differingPixels = 0;
    };
    static Difference Compare(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b)
    {
        Difference d;
        if (a.size() != b.size() || a.empty()) {
            d.meanPerChannel = 255.0;
            d.farPixels = 1.0;
            return d;
        }
        double sum = 0.0;
        std::size_t far = 0;
        for (std::size_t i = 0; i < a.size(); i += 4) {
            int worst = 0;
            for (std::size_t c = 0; c < 3; ++c) {
                const int delta = std::abs(static_cast<int>(a[i + c]) - static_cast<int>(b[i + c]));
                sum += delta;
                worst = std::max(worst, delta);
            }
            far += worst > 16 ? 1 : 0;
            d.differingPixels += worst > 0 ? 1 : 0;
        }
        const double pixels = static_cast<double>(a.size() / 4);
        d.meanPerChannel = sum / (pixels * 3.0);
        d.farPixels = static_cast<double>(far) / pixels;
        return d;
    }

    // The renderer's joined draws against every part drawn on its own, in the menu and the busy frame.
    void ExpectJoinedDrawsLikeSeparateOnes();

    std::filesystem::path previous;
    int width = 800;
    int height = 600;
};

// The same at full HD, where the HUD band's texture is magnified and the sampler's wrapping reaches
// across its edges.
class LargeWindowEqualityTest : public ProgramEqualityTest {
protected:
    LargeWindowEqualityTest()
    {
        width = 1920;
        height = 1080;
    }
};

}  // namespace

TEST_F(ProgramEqualityTest, MenuAndBusyPlayingFrameMatchTheGeneralProgram)
{
    gameState = MainMenu;
    CameraSetMenu();
    ExpectSamePixels([] { return FrontEndRender(); }, "menu");

    BusySceneSetUp();
    frameDelta = 0.0f;
    ExpectSamePixels([] { return SceneRender(); }, "busy playing frame");
}

// The sea's one strip holds the same triangles in the same order (no pixel may change); the HUD
// band's pieces interpolate their texture coordinates from other corners and the batched meshes are
// placed on the CPU, which may move a pixel's rounding, so the busy frame is held to rounding: a mean
// difference per channel of at most 1.5/255 and under 0.5 % of pixels off by more than 16 (and, as
// rounding moves few, under 0.01 %). The joined draws must also be fewer.
void ProgramEqualityTest::ExpectJoinedDrawsLikeSeparateOnes()
{
    gameState = MainMenu;
    CameraSetMenu();
    SceneUseSeparateDraws(true);
    const std::vector<std::uint8_t> menuSeparate = Frame([] { return FrontEndRender(); });
    SceneUseSeparateDraws(false);
    const std::vector<std::uint8_t> menuJoined = Frame([] { return FrontEndRender(); });
    const Difference menu = Compare(menuSeparate, menuJoined);
    EXPECT_LE(menu.meanPerChannel, 1.5) << "menu";
    EXPECT_LT(menu.farPixels, 0.005) << "menu";

    BusySceneSetUp();
    frameDelta = 0.0f;
    SceneUseSeparateDraws(true);
    const D3DDrawCounts separateStart = D3DDrawCountsSoFar();
    const std::vector<std::uint8_t> busySeparate = Frame([] { return SceneRender(); });
    const D3DDrawCounts separateEnd = D3DDrawCountsSoFar();
    SceneUseSeparateDraws(false);
    Frame([] { return SceneRender(); });  // the joined buffers made
    const D3DDrawCounts joinedStart = D3DDrawCountsSoFar();
    const std::vector<std::uint8_t> busyJoined = Frame([] { return SceneRender(); });
    const D3DDrawCounts joinedEnd = D3DDrawCountsSoFar();
    const Difference busy = Compare(busySeparate, busyJoined);
    std::printf(
        "joined against separate draws: menu %.4f/255 per channel, %zu pixels differ; busy frame %.4f/255, "
        "%zu pixels differ, %.4f %% off by more than 16\n",
        menu.meanPerChannel, menu.differingPixels, busy.meanPerChannel, busy.differingPixels, busy.farPixels * 100.0);
    EXPECT_LE(busy.meanPerChannel, 1.5) << "busy playing frame";
    EXPECT_LT(busy.farPixels, 0.005) << "busy playing frame";
    // Rounding moves a pixel here and there; a part drawn wrong (a piece of the band missing or
    // doubled) moves whole rows of them.
    EXPECT_LT(busy.farPixels, 0.0001) << "busy playing frame: more pixels off than rounding moves";
    EXPECT_LT(joinedEnd.draws - joinedStart.draws + 25, separateEnd.draws - separateStart.draws)
        << "the sea's thirty strips are one draw";

    // The sea alone, joined and separate: the same pixels. Without the HUD the band plays no part.
    auto seaOnly = [] {
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0);
        device->BeginScene();
        device->SetRenderState(D3DRS_LIGHTING, TRUE);
        device->SetLight(0, &sunLight);
        device->LightEnable(0, TRUE);
        CameraApply();
        WorldDraw();
        device->EndScene();
        return device->Present(nullptr, nullptr, nullptr, nullptr);
    };
    SceneUseSeparateDraws(true);
    const std::vector<std::uint8_t> seaSeparate = Frame(seaOnly);
    SceneUseSeparateDraws(false);
    const std::vector<std::uint8_t> seaJoined = Frame(seaOnly);
    EXPECT_EQ(Compare(seaSeparate, seaJoined).differingPixels, 0u) << "the sea as one strip";
}

TEST_F(ProgramEqualityTest, JoinedDrawsGiveThePictureOfSeparateOnes)
{
    ExpectJoinedDrawsLikeSeparateOnes();
}

TEST_F(LargeWindowEqualityTest, JoinedDrawsGiveThePictureOfSeparateOnes)
{
    ExpectJoinedDrawsLikeSeparateOnes();
}
