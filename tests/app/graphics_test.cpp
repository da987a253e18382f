#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <cstring>

#include "app/game.h"
#include "app/graphics.h"
#include "app/program.h"
#include "console/console.h"
#include "console/variables.h"
#include "game/aircraft.h"
#include "game/sprites.h"
#include "game/world.h"
#include "platform/win/clock.h"
#include "platform/win/codepage.h"
#include "platform/win/window.h"
#include "render/render.h"
#include "resources/mesh.h"

namespace {

class GraphicsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        PlatformSetHeadless(true);
        ASSERT_TRUE(PlatformVideoInit());
        ConsoleSetEcho(false);
        ProgramReset();
        ConsoleExecute(console, "set g_ablakos 1");
        windowWidth = 800;
        windowHeight = 600;
        ASSERT_EQ(GameWindowCreate(), nullptr);
        ASSERT_NE(gameWindow, nullptr);
    }

    void TearDown() override
    {
        GraphicsRelease();
        WindowReset();
        gameWindow = nullptr;
        ProgramReset();
        ConsoleSetEcho(true);
    }
};

DWORD RenderState(D3DRENDERSTATETYPE state)
{
    DWORD value = 0xDEADBEEF;
    device->GetRenderState(state, &value);
    return value;
}

}  // namespace

TEST_F(GraphicsTest, CreatesDeviceFontsAndFixedStates)
{
    ASSERT_EQ(GraphicsCreate(), S_OK);
    ASSERT_NE(device, nullptr);
    ASSERT_NE(smallFont, nullptr);
    ASSERT_NE(largeFont, nullptr);
    EXPECT_EQ(presentParams.Windowed, TRUE);
    // Windowed, the device fills in the client area's size and its format, as Direct3D does.
    EXPECT_EQ(presentParams.BackBufferWidth, 800u);
    EXPECT_EQ(presentParams.BackBufferHeight, 600u);
    EXPECT_NE(presentParams.BackBufferFormat, D3DFMT_UNKNOWN);
    EXPECT_EQ(presentParams.AutoDepthStencilFormat, D3DFMT_D16);
    // The window can take another size (a window manager's full screen, a resize): the device then
    // scales the frame into it.
    EXPECT_NE(SDL_GetWindowFlags(gameWindow) & SDL_WINDOW_RESIZABLE, 0u);
    // help packs to what the console's frame holds at this size: fewer columns than the 60 of old,
    // which ran past it at 800 x 600.
    EXPECT_GE(consoleColumns, 40);
    EXPECT_LT(consoleColumns, 60);

    // An 800 x 600 window: font 1 is 10 high and 8 wide, font 2 12 high and 10 wide.
    D3DXFONT_DESCA desc{};
    smallFont->GetDescA(&desc);
    EXPECT_EQ(desc.Height, 10);
    EXPECT_EQ(desc.Width, 8u);
    EXPECT_STREQ(desc.FaceName, "lucida console");
    largeFont->GetDescA(&desc);
    EXPECT_EQ(desc.Height, 12);
    EXPECT_EQ(desc.Width, 10u);
    EXPECT_STREQ(desc.FaceName, "verdana");

    EXPECT_EQ(RenderState(D3DRS_CULLMODE), static_cast<DWORD>(D3DCULL_CCW));
    EXPECT_EQ(RenderState(D3DRS_FOGVERTEXMODE), static_cast<DWORD>(D3DFOG_LINEAR));
    EXPECT_EQ(RenderState(D3DRS_RANGEFOGENABLE), 1u);
    EXPECT_EQ(RenderState(D3DRS_SRCBLEND), static_cast<DWORD>(D3DBLEND_SRCALPHA));
    EXPECT_EQ(RenderState(D3DRS_DESTBLEND), static_cast<DWORD>(D3DBLEND_INVSRCALPHA));
    EXPECT_EQ(RenderState(D3DRS_SPECULARENABLE), 1u);
}

TEST_F(GraphicsTest, FullScreenNeedsAKnownColourDepth)
{
    ConsoleExecute(console, "set g_ablakos 0");
    ConsoleExecute(console, "set g_hertz 60");
    ConsoleExecute(console, "set g_szinmelyseg 15");
    EXPECT_EQ(GraphicsCreate(), E_FAIL);
    EXPECT_EQ(device, nullptr);
    EXPECT_EQ(presentParams.BackBufferFormat, D3DFMT_UNKNOWN);
    EXPECT_EQ(presentParams.FullScreen_RefreshRateInHz, 60u);

    ConsoleExecute(console, "set g_szinmelyseg 16");
    EXPECT_EQ(GraphicsCreate(), S_OK);
    EXPECT_EQ(presentParams.BackBufferFormat, D3DFMT_R5G6B5);
    EXPECT_EQ(presentParams.BackBufferWidth, 800u);
    EXPECT_EQ(presentParams.Windowed, FALSE);
}

TEST_F(GraphicsTest, RestartReplacesEverythingOnTheDevice)
{
    ASSERT_EQ(GraphicsCreate(), S_OK);
    D3DObjectCounts before = D3DLiveObjects();
    int fontsBefore = D3DXFontLiveCount();

    ConsoleExecute(console, "graf_restart");
    ConsoleExecute(console, "graf_restart");
    ASSERT_NE(device, nullptr);
    D3DObjectCounts after = D3DLiveObjects();
    EXPECT_EQ(after.direct3d, before.direct3d);
    EXPECT_EQ(after.devices, before.devices);
    EXPECT_EQ(after.textures, before.textures);
    EXPECT_EQ(D3DXFontLiveCount(), fontsBefore);

    // The exit order: what lives on the device first, then the fonts and the device.
    RenderResourcesRelease();
    TextMeshesRelease();
    MeshListFree();
    GraphicsRelease();
    EXPECT_EQ(D3DLiveObjects().devices, 0);
    EXPECT_EQ(D3DXFontLiveCount(), 0);
}

// A restart in the middle of a run: the records the simulation holds (mesh entries, sea segments,
// sprites) live on, the renderer's copies of them are made again on the new device when next drawn,
// and the old device is gone.
TEST_F(GraphicsTest, RestartDuringARunMovesEveryRecordToTheNewDevice)
{
    ASSERT_EQ(GraphicsCreate(), S_OK);
    MeshListLoadAll();   // no content here: sixteen empty entries, as after failed loads
    TexturesLoad();
    StaticGeometryCreate();
    ASSERT_TRUE(SurfaceBuild());
    ASSERT_TRUE(SpriteAdd(0.5f, 3.0f, 4.0f, 1.5f, 1.0f, 10.0f, 4, 1));
    ASSERT_TRUE(SpriteAdd(-1.0f, 6.0f, 4.0f, 1.0f, 1.0f, 10.0f, 9, 1));
    const D3DObjectCounts idle = D3DLiveObjects();
    ASSERT_EQ(SceneRender(), S_OK);
    const MeshEntry* firstEntry = meshListHead;
    const D3DObjectCounts before = D3DLiveObjects();
    EXPECT_EQ(before.vertexBuffers, idle.vertexBuffers + 1 + 2) << "one buffer for the sea and a quad per sprite size";

    ConsoleExecute(console, "graf_restart");
    ConsoleExecute(console, "graf_restart");
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(meshListHead, firstEntry) << "the mesh entries were replaced, not reloaded in place";
    EXPECT_EQ(D3DLiveObjects().vertexBuffers, idle.vertexBuffers) << "the renderer's copies went with the device";
    ASSERT_EQ(SceneRender(), S_OK);
    const D3DObjectCounts after = D3DLiveObjects();
    EXPECT_EQ(after.devices, 1) << "an object still holds an old device";
    EXPECT_EQ(after.vertexBuffers, before.vertexBuffers);
    EXPECT_EQ(after.textures, before.textures);

    SpritesFree();
    SurfaceFree();
    RenderResourcesRelease();
    TextMeshesRelease();
    MeshListFree();
    GraphicsRelease();
    EXPECT_EQ(D3DLiveObjects().devices, 0);
    EXPECT_EQ(D3DLiveObjects().vertexBuffers, 0);
}

TEST_F(GraphicsTest, RestartBeforeTheWindowExistsOnlySaysSo)
{
    DestroyWindow(gameWindow);
    gameWindow = nullptr;
    ConsoleInit(console);
    ConsoleExecute(console, "graf_restart");
    EXPECT_EQ(device, nullptr);
    EXPECT_EQ(D3DLiveObjects().direct3d, 0);
    int lines = 0;
    bool said = false;
    for (const auto& line : console.text) {
        if (line[0] != '\0') {
            ++lines;
            said = said || std::strstr(line, "graf_restart") != nullptr;
        }
    }
    EXPECT_TRUE(said);
    EXPECT_LE(lines, 2) << "one line for the command, one for the answer";
}

// A restart with settings the display cannot give: the player is told, and gets a window with the
// settings that always work, with everything on the new device; no developer's text is shown.
TEST_F(GraphicsTest, ARestartThatCannotMakeTheDeviceSaysSoAndFallsBackToAWindow)
{
    ASSERT_EQ(GraphicsCreate(), S_OK);
    ConsoleInit(console);
    ConsoleExecute(console, "set j_jatekstatus 1");
    ConsoleExecute(console, "set g_ablakos 0");
    ConsoleExecute(console, "set g_szinmelyseg 15");
    ConsoleExecute(console, "graf_restart");
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(presentParams.Windowed, TRUE);
    EXPECT_EQ(VarGetInt("g_ablakos"), 1);
    EXPECT_EQ(VarGetInt("g_szinmelyseg"), 32);
    EXPECT_EQ(VarGetInt("j_jatekstatus"), 1) << "the game goes on";
    bool told = false;
    for (const auto& line : console.text) {
        told = told || std::strstr(line, "graf_restart: a grafikus eszközt nem sikerült létrehozni"_cp) != nullptr;
        EXPECT_EQ(std::strstr(line, "Szar"), nullptr) << line;
    }
    EXPECT_TRUE(told);
}
