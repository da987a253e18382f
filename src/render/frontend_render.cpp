// The front-end frame: backdrop, title and, by game state, the menu, the high-score table or the
// name entry.
#include <cstdio>

#include "core/frame.h"
#include "core/graphics.h"
#include "d3dx/math.h"
#include "frontend/frontend.h"
#include "game/fog.h"
#include "game/notice.h"
#include "render/camera.h"
#include "render/hud.h"
#include "render/render.h"
#include "render/scene.h"
#include "render/setup.h"
#include "resources/mesh.h"

namespace {

// The menu's background meshes: rotation(yaw, pitch, roll) in degrees, then the translation.
void BackgroundMeshDraw(const MeshEntry* mesh, float yaw, float pitch, float roll, float x, float y, float z)
{
    if (mesh == nullptr) {
        return;
    }
    D3DXMATRIX rotation;
    D3DXMatrixRotationYawPitchRoll(&rotation, yaw * kDegree, pitch * kDegree, roll * kDegree);
    D3DXMATRIX translation;
    D3DXMatrixTranslation(&translation, x, y, z);
    D3DXMATRIX world;
    D3DXMatrixMultiply(&world, &rotation, &translation);
    device->SetTransform(D3DTS_WORLD, &world);
    MeshDraw(mesh);
}

// A stored time field as a whole number; a value that is no number or out of range shows as 0.
int TimeField(float value)
{
    if (!(value > -2147483648.0f && value < 2147483648.0f)) {
        return 0;
    }
    return static_cast<int>(value);
}

void HighScoreTableDraw()
{
    TextMeshDraw(-2.65f, 1.0f, 7.5f, 0.0f, 0.0f, 0.0f, 4, 3);
    ScreenText(kFontLarge, ScreenX(0.28), ScreenY(0.43), kRed, "%s", " NAME            SCORES        TIME");
    for (int i = 0; i < kHighScoreCount; ++i) {
        const HighScoreEntry& entry = highScores[i];
        const int y = ScreenY(i * 0.03 + 0.46);
        ScreenText(kFontLarge, ScreenX(0.275), y, kYellow, "%.*s", kHighScoreNameSize, entry.name);
        ScreenText(kFontLarge, ScreenX(0.468), y, kYellow, "%.6i", entry.kills);
        ScreenText(kFontLarge, ScreenX(0.61), y, kYellow, "%.2i:%.2i:%.2i", TimeField(entry.hours),
                   TimeField(entry.minutes), TimeField(entry.seconds));
    }
}

void NameEntryDraw()
{
    ScreenText(kFontLarge, ScreenX(0.365), ScreenY(0.43), kRed, "%s", "You got in the top 10!");
    ScreenText(kFontLarge, ScreenX(0.345), ScreenY(0.49), kYellow, "%s", "Please enter your name:");
    // The name with a blinking cursor where the next character goes, and the room left.
    const bool room = nameEntryLength < kHighScoreNameLimit;
    const bool cursorOn = room && currentTime - static_cast<float>(static_cast<int>(currentTime)) < 0.5f;
    ScreenText(kFontLarge, ScreenX(0.435), ScreenY(0.56), kYellow, cursorOn ? "%.*s_" : "%.*s", kHighScoreNameSize,
               highScores[kHighScoreCount - 1].name);
    ScreenText(kFontSmall, ScreenX(0.39), ScreenY(0.62), kWhite, "At most %d characters (%d left), then ENTER",
               kHighScoreNameLimit, room ? kHighScoreNameLimit - nameEntryLength : 0);
}

// The two aircraft in front of the backdrop.
void MenuAircraftDraw()
{
    BackgroundMeshDraw(menuBackdropMesh, 20.0f, 65.0f, 170.0f, 5.6f, 0.0f, 13.8f);
    BackgroundMeshDraw(menuBackdropMeshBack, -20.0f, 65.0f, 200.0f, -6.6f, -0.4f, 13.5f);
}

void MainMenuDraw()
{
    device->SetLight(0, &menuLight);
    device->LightEnable(0, TRUE);
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    for (const MenuItem& item : menuItems) {
        MenuItemDraw(item);
    }
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);

    ScreenText(kFontSmall, ScreenX(0.01), ScreenY(0.9), kRed, "%s", "AVIORRA - arcade air combat over the open sea");
    ScreenText(kFontSmall, ScreenX(0.01), ScreenY(0.92), kRed, "%s",
               "Programming, graphics and sound: the AVIORRA developers");
    ScreenText(kFontSmall, ScreenX(0.01), ScreenY(0.96), kRed, "%s", "Built on its own small engine");
    ScreenText(kFontSmall, ScreenX(0.01), ScreenY(0.98), kRed, "%s", "(c) the AVIORRA developers");
    ScreenText(kFontSmall, ScreenX(0.84), ScreenY(0.98), kRed, "%s", "Version: 1.02");

    // The answer of an item that had nothing to act on, below the items.
    if (noticeTimer > 0.0f) {
        if (noticeKind == kNoticeNoSave) {
            ScreenText(kFontLarge, ScreenX(0.41), ScreenY(0.8), kYellow, "%s", "No saved game");
        } else if (noticeKind == kNoticeNoRun) {
            ScreenText(kFontLarge, ScreenX(0.39), ScreenY(0.8), kYellow, "%s", "No game to resume");
        }
        noticeTimer -= frameDelta;
    }
}

}  // namespace

HRESULT FrontEndRender()
{
    CameraMenuFogFollow();
    if (device == nullptr) {
        return S_OK;
    }
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00000000u, 1.0f, 0);
    if (SUCCEEDED(device->BeginScene())) {
        CameraApply();
        device->SetRenderState(D3DRS_FOGCOLOR, fogSettings.fogColor);
        device->SetRenderState(D3DRS_FOGSTART, FloatBits(50.0f));
        device->SetRenderState(D3DRS_FOGEND, FloatBits(80.0f));
        device->SetRenderState(D3DRS_FOGENABLE, TRUE);
        device->SetLight(0, &sunLight);
        device->LightEnable(0, TRUE);
        device->SetRenderState(D3DRS_LIGHTING, TRUE);
        device->SetRenderState(D3DRS_AMBIENT, 0x00BBBBBBu);

        // The backdrop lies behind everything else: drawn after the opaque title and aircraft, the
        // depth test keeps it from being shaded where they hide it. The blended captions come after.
        const bool separate = SceneSeparateDraws();
        if (separate) {
            MaterialSet(1);
            WholeTextureRectDraw(backdropBuffer, menuBackdropTexture, kFvfLitTextured, sizeof(LitTexturedVertex));
        }
        TextMeshDraw(-2.35f, 2.4f, 6.0f, 0.0f, 0.0f, 0.0f, 2, kTitleTextMesh);
        if (gameState == MainMenu) {
            MenuAircraftDraw();
        }
        if (!separate) {
            D3DXMATRIX world;
            D3DXMatrixIdentity(&world);
            device->SetTransform(D3DTS_WORLD, &world);
            MaterialSet(1);
            WholeTextureRectDraw(backdropBuffer, menuBackdropTexture, kFvfLitTextured, sizeof(LitTexturedVertex));
        }

        switch (gameState) {
        case HighScoreTable: HighScoreTableDraw(); break;
        case EnterName: NameEntryDraw(); break;
        case MainMenu: MainMenuDraw(); break;
        default: break;
        }
        device->EndScene();
    }
    device->Present(nullptr, nullptr, nullptr, nullptr);
    return S_OK;
}
