// The default content's main menu and a busy playing frame, drawn by the shader programs specialised
// per state and by the one general program: the pixels must be the same, byte for byte.
#include <gtest/gtest.h>

#include <cstdint>
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
#include "render/render.h"
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
        windowWidth = 800;
        windowHeight = 600;
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
            ASSERT_EQ(w, 800);
            ASSERT_EQ(h, 600);
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
        EXPECT_EQ(differing, 0u) << what << ": first difference at pixel " << first / 4 << " (x " << first / 4 % 800
                                 << ", y " << first / 4 / 800 << ")";
    }

    std::filesystem::path previous;
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
