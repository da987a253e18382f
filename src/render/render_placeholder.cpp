// Placeholder renderer until the render setup, the scene and the HUD replace this file: nothing to
// load or release; a frame clears the screen, names the game state and shows the console and the
// frame rate, so the window, the device and the fonts can be seen working.
#include <cstdio>

#include "app/frame.h"
#include "app/game.h"
#include "app/graphics.h"
#include "console/variables.h"
#include "render/console_overlay.h"
#include "render/render.h"

namespace {

HRESULT PlaceholderFrame(D3DCOLOR background, const char* caption)
{
    if (device == nullptr) {
        return E_FAIL;
    }
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, background, 1.0f, 0);
    device->BeginScene();
    if (largeFont != nullptr) {
        RECT title{0, windowHeight / 3, windowWidth, windowHeight / 3 + windowHeight / 10};
        largeFont->DrawTextA(nullptr, caption, -1, &title, DT_CENTER | DT_NOCLIP, D3DCOLOR_XRGB(255, 255, 255));
    }
    ConsoleOverlayDraw();
    if (VarGetInt("h_fps") != 0 && smallFont != nullptr) {
        char text[32];
        std::snprintf(text, sizeof text, "FPS: %d", framesPerSecond);
        RECT corner{8, 8, windowWidth, windowHeight};
        smallFont->DrawTextA(nullptr, text, -1, &corner, DT_NOCLIP, D3DCOLOR_XRGB(255, 255, 0));
    }
    device->EndScene();
    return device->Present(nullptr, nullptr, nullptr, nullptr);
}

}  // namespace

HRESULT SceneRender()
{
    return PlaceholderFrame(D3DCOLOR_XRGB(40, 90, 140), "AVIORRA");
}

HRESULT FrontEndRender()
{
    return PlaceholderFrame(D3DCOLOR_XRGB(10, 20, 40), "AVIORRA");
}

bool IntroScreenShow()
{
    return true;
}

void MaterialsAndLightsInit() {}

HRESULT TexturesLoad()
{
    return S_OK;
}

HRESULT StaticGeometryCreate()
{
    return S_OK;
}

void RenderResourcesRelease() {}
