#include "app/graphics.h"

#include <cstdio>

#include "app/game.h"
#include "app/run_script.h"
#include "console/console.h"
#include "console/variables.h"
#include "game/sprites.h"
#include "game/world.h"
#include "platform/win/codepage.h"
#include "platform/win/window.h"
#include "render/hud.h"
#include "render/render.h"
#include "resources/mesh.h"
#include "resources/resources.h"

namespace {

constexpr UINT kSdkVersion = 0x90003;

D3DFORMAT BackBufferFormatForDepth(int bits)
{
    switch (bits) {
    case 16: return D3DFMT_R5G6B5;
    case 24: return D3DFMT_R8G8B8;
    case 32: return D3DFMT_A8R8G8B8;
    default: return D3DFMT_UNKNOWN;
    }
}

void FillPresentParams(bool windowed)
{
    presentParams = D3DPRESENT_PARAMETERS{};
    presentParams.BackBufferCount = static_cast<UINT>(VarGetInt("g_buffer_szam"));
    presentParams.MultiSampleType = D3DMULTISAMPLE_NONE;
    presentParams.SwapEffect = D3DSWAPEFFECT_DISCARD;
    presentParams.EnableAutoDepthStencil = TRUE;
    presentParams.AutoDepthStencilFormat = D3DFMT_D16;
    // g_vsync 1 waits for the display's refresh; headless and scripted runs never wait.
    const bool vsync = VarGetInt("g_vsync") != 0 && !PlatformIsHeadless() && !RunScriptActive();
    presentParams.PresentationInterval = vsync ? D3DPRESENT_INTERVAL_ONE : D3DPRESENT_INTERVAL_IMMEDIATE;
    if (windowed) {
        presentParams.BackBufferFormat = D3DFMT_UNKNOWN;
        presentParams.Windowed = TRUE;
    } else {
        presentParams.BackBufferWidth = static_cast<UINT>(windowWidth);
        presentParams.BackBufferHeight = static_cast<UINT>(windowHeight);
        presentParams.BackBufferFormat = BackBufferFormatForDepth(VarGetInt("g_szinmelyseg"));
        presentParams.hDeviceWindow = gameWindow;
        presentParams.Windowed = FALSE;
        presentParams.FullScreen_RefreshRateInHz = static_cast<UINT>(VarGetInt("g_hertz"));
    }
}

HRESULT CreateFont(INT height, UINT width, const char* face, ID3DXFont** font)
{
    return D3DXCreateFontA(device, height, width, 0, 0, FALSE, DEFAULT_CHARSET, OUT_STROKE_PRECIS, DRAFT_QUALITY, 0,
                           face, font);
}

void SetFixedStates()
{
    device->SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_NONE);
    device->SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_LINEAR);
    device->SetRenderState(D3DRS_RANGEFOGENABLE, TRUE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    device->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
    device->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_POINT);
    device->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_PHONG);
    device->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
    device->SetRenderState(D3DRS_DITHERENABLE, TRUE);
    device->SetRenderState(D3DRS_ANTIALIASEDLINEENABLE, TRUE);
    device->SetRenderState(D3DRS_STENCILENABLE, FALSE);
}

template <typename T>
void ReleaseAndClear(T*& object)
{
    if (object != nullptr) {
        object->Release();
        object = nullptr;
    }
}

}  // namespace

HRESULT GraphicsCreate()
{
    // A second creation (graf_restart, or one run from the start-up script before the window
    // existed) replaces what the first one made instead of leaking it.
    GraphicsRelease();
    direct3D = Direct3DCreate9(kSdkVersion);
    if (direct3D == nullptr) {
        MessageBoxA(gameWindow, "A DirectX verziója régebbi 9.0c -nél!"_cp, "AVIORRA", MB_ICONERROR);
        return E_FAIL;
    }

    bool windowed = VarGetInt("g_ablakos") != 0;
    FillPresentParams(windowed);
    if (FAILED(direct3D->CreateDevice(0, D3DDEVTYPE_HAL, gameWindow, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                      &presentParams, &device))) {
        device = nullptr;
        return E_FAIL;
    }
    if (!windowed) {
        bool desktopMode = false;
        if (!WindowSetFullscreen(gameWindow, windowWidth, windowHeight, VarGetInt("g_hertz"), &desktopMode)) {
            ConsolePrintf(console, "A teljes képernyős mód beállítása nem sikerült."_cp);
        } else if (desktopMode) {
            ConsolePrintf(console, "A kijelzőnek nincs %dx%d módja: a kép az asztal módjára nagyítva."_cp, windowWidth,
                          windowHeight);
        }
    }

    if (FAILED(CreateFont(windowHeight / 60, static_cast<UINT>(windowWidth / 90), "lucida console", &smallFont))) {
        smallFont = nullptr;
        return E_FAIL;
    }
    if (FAILED(CreateFont(windowHeight / 50, static_cast<UINT>(windowWidth / 78), "verdana", &largeFont))) {
        largeFont = nullptr;
        return E_FAIL;
    }
    // help packs its lines to what the console's frame holds at this window size.
    consoleColumns = HudConsoleColumns();
    // Only the attract mode's title uses it; without it the title is drawn in the large font.
    if (FAILED(D3DXCreateFontA(device, windowHeight / 7, 0, FW_BOLD, 0, FALSE, DEFAULT_CHARSET, OUT_STROKE_PRECIS,
                               DRAFT_QUALITY, 0, "bookman old style", &titleFont))) {
        titleFont = nullptr;
    }
    SetFixedStates();
    return S_OK;
}

void GraphicsRelease()
{
    ReleaseAndClear(smallFont);
    ReleaseAndClear(largeFont);
    ReleaseAndClear(titleFont);
    ReleaseAndClear(device);
    ReleaseAndClear(direct3D);
}

void GraphicsRestartCommand()
{
    // Run from the start-up script, before the window exists, there is no device to re-create:
    // start-up creates it a little later anyway.
    if (gameWindow == nullptr) {
        ConsolePrintf(console, "graf_restart: a grafikus eszköz még nem jött létre, nincs mit újraindítani."_cp);
        return;
    }

    // Everything made on the old device goes first, so nothing is leaked or loaded twice and the old
    // device really ends. The records that point at device objects (mesh entries) stay, so the
    // aircraft, the enemies and the ground objects keep valid pointers; the sea segments and sprites
    // hold no device objects, the renderer makes their buffers again when it next draws them.
    RenderResourcesRelease();
    TextMeshesRelease();
    MeshListReleaseContents();
    ResourceTexturesRelease();
    GraphicsRelease();

    if (FAILED(GraphicsCreate())) {
        // The settings asked for a device this display cannot give (a full-screen mode or colour
        // depth it lacks): the player gets a window again, with the settings that always work.
        ConsolePrintf(console,
                      "graf_restart: a grafikus eszközt nem sikerült létrehozni ezekkel a beállításokkal "
                      "(g_ablakos %d, g_szinmelyseg %d, %dx%d); ablakban, 32 bites színekkel indul újra."_cp,
                      VarGetInt("g_ablakos"), VarGetInt("g_szinmelyseg"), windowWidth, windowHeight);
        VarSetFromText("g_ablakos", "1");
        VarSetFromText("g_szinmelyseg", "32");
        if (FAILED(GraphicsCreate())) {
            ConsolePrintf(console, "graf_restart: a grafikus eszköz ablakban sem hozható létre, a játék kilép."_cp);
            std::fprintf(stderr, "aviorra: graf_restart: the graphics device could not be created again\n");
            VarSetFromText("j_jatekstatus", "0");
            return;
        }
    }
    MeshListLoadAll();
    TexturesLoad();
    StaticGeometryCreate();
}
