#include <gtest/gtest.h>

#include "app/game.h"
#include "app/graphics.h"
#include "console/console.h"
#include "console/variables.h"
#include "platform/win/clock.h"
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
        ConsoleInit(console);
        VarListFree();
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
        VarListFree();
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
