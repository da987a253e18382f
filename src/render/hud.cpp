// The HUD and overlays drawn over the playing scene.
#include "render/hud.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "console/console.h"
#include "console/variables.h"
#include "core/frame.h"
#include "core/graphics.h"
#include "core/window.h"
#include "game/aircraft.h"
#include "game/notice.h"
#include "game/pause.h"
#include "game/run_stats.h"
#include "render/setup.h"

namespace {

// Console lines are at most 199 characters; the precision keeps a damaged line from reading on.
#define HUD_LINE "%.199s\n"
constexpr const char* kConsoleBlockFormat = HUD_LINE HUD_LINE HUD_LINE HUD_LINE HUD_LINE HUD_LINE HUD_LINE HUD_LINE
    HUD_LINE HUD_LINE HUD_LINE HUD_LINE HUD_LINE HUD_LINE HUD_LINE "\n\n>%.199s_";
#undef HUD_LINE

void Text(int font, double fx, double fy, D3DCOLOR colour, const char* text)
{
    ScreenText(font, ScreenX(fx), ScreenY(fy), colour, "%s", text);
}

void PauseTexts()
{
    Text(kFontLarge, 0.46, 0.43, kYellow, "PAUSE");
    Text(kFontSmall, 0.375, 0.51, kWhite, "Press \"pause\" key again");
    Text(kFontSmall, 0.385, 0.53, kWhite, "to continue the game!");
}

void StatisticsTexts()
{
    Text(kFontLarge, 0.465, 0.43, kYellow, "STATS");
    Text(kFontSmall, 0.42, 0.48, kWhite, "Enemy:");
    Text(kFontSmall, 0.42, 0.5, kWhite, "Building:");
    Text(kFontSmall, 0.42, 0.52, kWhite, "Accuracy:");
    ScreenText(kFontSmall, ScreenX(0.55), ScreenY(0.48), kWhite, "%i", runStats.enemyKills);
    ScreenText(kFontSmall, ScreenX(0.55), ScreenY(0.5), kWhite, "%i", runStats.buildingKills);
    ScreenText(kFontSmall, ScreenX(0.55), ScreenY(0.52), kWhite, "%.1f%%", static_cast<double>(runStats.accuracy));
    Text(kFontSmall, 0.38, 0.56, kWhite, "Press ENTER to continue!");
}

void ConsoleText()
{
    const auto& v = console.view;
    ScreenText(kFontSmall, ScreenX(0.225), ScreenY(0.35), kWhite, kConsoleBlockFormat, v[0], v[1], v[2], v[3], v[4],
               v[5], v[6], v[7], v[8], v[9], v[10], v[11], v[12], v[13], v[14], console.input);
}

// A run-clock field as a whole number; a value that is no number or out of range shows as 0.
int ClockField(float value)
{
    if (!(value > -2147483648.0f && value < 2147483648.0f)) {
        return 0;
    }
    return static_cast<int>(value);
}

void HudNumbers()
{
    if (player != nullptr) {
        const D3DCOLOR healthColour = player->health > 20.0f ? kYellow : kRed;
        ScreenText(kFontLarge, ScreenX(0.03), ScreenY(0.077), healthColour, "%.0f%%",
                   static_cast<double>(player->health));
    }
    ScreenText(kFontLarge, ScreenX(0.005), ScreenY(0.225), kYellow, "%.2i:%.2i:%.2i", ClockField(runHours),
               ClockField(runMinutes), ClockField(runSeconds));
    if (player != nullptr) {
        ScreenText(kFontLarge, ScreenX(HudLevelX(player->level)), ScreenY(0.31), kYellow, "%i", player->level);
        ScreenText(kFontLarge, ScreenX(HudRoundsX(player->rounds)), ScreenY(0.065),
                   player->rounds < 10 ? kRed : kYellow, "%i", player->rounds);
        ScreenText(kFontLarge, ScreenX(HudBombsX(player->bombs)), ScreenY(0.163), player->bombs < 10 ? kRed : kYellow,
                   "%i", player->bombs);
    }
    ScreenText(kFontLarge, ScreenX(HudKillsX(runStats.enemyKills)), ScreenY(0.28), kYellow, "%i", runStats.enemyKills);
}

}  // namespace

int ScreenX(double fx)
{
    return static_cast<int>(windowWidth * fx);
}

int ScreenY(double fy)
{
    return static_cast<int>(windowHeight * fy);
}

void ScreenText(int font, int x, int y, D3DCOLOR colour, const char* format, ...)
{
    ID3DXFont* face = font == kFontSmall ? smallFont : font == kFontLarge ? largeFont : nullptr;
    if (face == nullptr || format == nullptr) {
        return;
    }
    char text[kScreenTextSize];
    va_list arguments;
    va_start(arguments, format);
    const int length = std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    if (length < 0) {
        return;
    }
    RECT area{x, y, 0, 0};
    face->DrawTextA(nullptr, text, -1, &area, DT_NOCLIP, colour);
}

double HudLevelX(int level)
{
    return level >= 100 ? 0.036 : level >= 10 ? 0.042 : 0.048;
}

double HudRoundsX(int rounds)
{
    if (rounds >= 10000) {
        return 0.92;
    }
    if (rounds >= 1000) {
        return 0.935;
    }
    if (rounds >= 100) {
        return 0.945;
    }
    return rounds >= 10 ? 0.955 : 0.96;
}

double HudBombsX(int bombs)
{
    return bombs >= 100 ? 0.945 : bombs >= 10 ? 0.955 : 0.965;
}

double HudKillsX(int kills)
{
    if (kills >= 10000) {
        return 0.925;
    }
    if (kills >= 1000) {
        return 0.935;
    }
    if (kills >= 100) {
        return 0.945;
    }
    return kills >= 10 ? 0.955 : 0.965;
}

void HudDraw()
{
    if (device == nullptr) {
        return;
    }
    ScreenSpaceApply();
    device->SetRenderState(D3DRS_FOGENABLE, FALSE);
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);

    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    WholeTextureRectDraw(hudBandBuffer, hudTexture, kFvfColouredTextured, sizeof(ColouredTexturedVertex));

    const bool paused = pauseFlag != 0;
    const bool over = runStats.gameOver != 0;
    const bool consoleOpen = console.open != 0;
    if ((paused || over) && !consoleOpen) {
        device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
        WholeTextureRectDraw(pauseWindowBuffer, windowTexture, kFvfTextured, sizeof(TexturedVertex));
    }
    if (consoleOpen) {
        device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
        WholeTextureRectDraw(consoleWindowBuffer, consoleTexture, kFvfTextured, sizeof(TexturedVertex));
    }
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);

    if (paused && !consoleOpen) {
        PauseTexts();
    } else if (over) {
        StatisticsTexts();
    } else if (consoleOpen) {
        ConsoleText();
    }

    HudNumbers();

    if (VarGetInt("h_fps") != 0) {
        ScreenText(kFontLarge, ScreenX(0.85), ScreenY(0.01), kGreen, "%i fps", framesPerSecond);
    }
    if (noticeTimer > 0.0f) {
        if (noticeKind == kNoticeSaved) {
            Text(kFontLarge, 0.4, 0.22, kYellow, "Game Saved");
        } else if (noticeKind == kNoticeLoaded) {
            Text(kFontLarge, 0.4, 0.22, kYellow, "Game Loaded");
        }
        noticeTimer -= frameDelta;
    }

    device->SetRenderState(D3DRS_ZENABLE, TRUE);
    device->SetRenderState(D3DRS_FOGENABLE, TRUE);
}
