// The HUD and overlays drawn over the playing scene.
#include "render/hud.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "console/console.h"
#include "console/variables.h"
#include "core/frame.h"
#include "core/graphics.h"
#include "core/window.h"
#include "game/aircraft.h"
#include "game/attract.h"
#include "game/notice.h"
#include "game/pause.h"
#include "game/run_stats.h"
#include "render/attract_overlay.h"
#include "render/scene.h"
#include "render/setup.h"

namespace {

// ---- The HUD band in pieces ----------------------------------------------------------------------------
//
// Most of the band's texture is transparent (the sea shows through) and some of it fully opaque (the
// instrument panels). The band is cut along a grid of texel tiles into the parts that show something:
// the opaque parts are drawn before the scene at the nearest depth, without blending (a texel of
// alpha 255 blended over anything gives itself), so that the depth test keeps the scene from being
// shaded under them; the parts with transparent and opaque texels together are drawn after the scene,
// blended, as the whole band was; the fully transparent parts, which would leave every pixel as it
// was, are not drawn. A tile counts as opaque or transparent only when the texels of a margin around
// it are too (across the texture's edges, where the sampler wraps), so that filtering at its edges
// reads nothing else. The band is cut only where its
// texture is sampled at the top level alone (TopLevelSampling), so that no smaller level reads
// beyond the margin.

constexpr int kBandTile = 16;   // texels
constexpr int kBandMargin = 2;  // texels

struct BandPieces {
    const IDirect3DTexture9* texture = nullptr;
    const IDirect3DVertexBuffer9* band = nullptr;
    bool cut = false;                       // false: draw the band whole
    IDirect3DVertexBuffer9* opaque = nullptr;
    UINT opaqueTriangles = 0;
    IDirect3DVertexBuffer9* blended = nullptr;
    UINT blendedTriangles = 0;
    bool opaqueDrawn = false;               // this frame's opaque parts are drawn already
};
BandPieces bandPieces;

void BandPiecesRelease()
{
    if (bandPieces.opaque != nullptr) {
        bandPieces.opaque->Release();
    }
    if (bandPieces.blended != nullptr) {
        bandPieces.blended->Release();
    }
    bandPieces = BandPieces{};
}

// What the tiles of the texture's top level show: 0 nothing (every texel of alpha 0), 2 everything
// (alpha 255), 1 both; false when the texels cannot be read.
bool BandTileClasses(IDirect3DTexture9* texture, int& columns, int& rows, std::vector<int>& classes)
{
    D3DSURFACE_DESC desc{};
    if (FAILED(texture->GetLevelDesc(0, &desc)) || desc.Format != D3DFMT_A8R8G8B8 || desc.Width % kBandTile != 0 ||
        desc.Height % kBandTile != 0) {
        return false;
    }
    D3DLOCKED_RECT locked{};
    if (FAILED(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY)) || locked.pBits == nullptr) {
        return false;
    }
    const int width = static_cast<int>(desc.Width);
    const int height = static_cast<int>(desc.Height);
    std::vector<std::uint8_t> alpha(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        const auto* row =
            static_cast<const std::uint8_t*>(locked.pBits) + static_cast<std::ptrdiff_t>(y) * locked.Pitch;
        for (int x = 0; x < width; ++x) {
            alpha[static_cast<std::size_t>(y) * width + x] = row[x * 4 + 3];   // B, G, R, A in memory
        }
    }
    texture->UnlockRect(0);
    columns = width / kBandTile;
    rows = height / kBandTile;
    classes.assign(static_cast<std::size_t>(columns) * rows, 0);
    for (int ty = 0; ty < rows; ++ty) {
        for (int tx = 0; tx < columns; ++tx) {
            bool none = true;
            bool all = true;
            // The margin wraps around the texture's edges, as the sampler's wrapping addresses do: a
            // pixel at the band's bottom edge filters the bottom texels with the top ones.
            for (int y = ty * kBandTile - kBandMargin; y < (ty + 1) * kBandTile + kBandMargin; ++y) {
                const int row = (y + height) % height;
                for (int x = tx * kBandTile - kBandMargin; x < (tx + 1) * kBandTile + kBandMargin; ++x) {
                    const int column = (x + width) % width;
                    const std::uint8_t a = alpha[static_cast<std::size_t>(row) * width + column];
                    none = none && a == 0;
                    all = all && a == 255;
                }
            }
            classes[static_cast<std::size_t>(ty) * columns + tx] = none ? 0 : all ? 2 : 1;
        }
    }
    return true;
}

// A vertex buffer of the quads as triangle lists; null for none.
IDirect3DVertexBuffer9* PiecesBuffer(const std::vector<ColouredTexturedVertex>& vertices)
{
    if (vertices.empty()) {
        return nullptr;
    }
    IDirect3DVertexBuffer9* buffer = nullptr;
    const auto bytes = static_cast<UINT>(vertices.size() * sizeof(ColouredTexturedVertex));
    if (FAILED(device->CreateVertexBuffer(bytes, 0, kFvfColouredTextured, D3DPOOL_MANAGED, &buffer, nullptr)) ||
        buffer == nullptr) {
        return nullptr;
    }
    if (!VertexBufferFill(buffer, vertices.data(), bytes)) {
        buffer->Release();
        return nullptr;
    }
    return buffer;
}

// Cuts the band for the current texture, band buffer and transforms (screen space), once; keeps the
// band whole where it cannot be cut.
void BandPiecesMake()
{
    if (bandPieces.texture == hudTexture && bandPieces.band == hudBandBuffer) {
        return;
    }
    BandPiecesRelease();
    bandPieces.texture = hudTexture;
    bandPieces.band = hudBandBuffer;
    if (hudTexture == nullptr || hudBandBuffer == nullptr || NeedsSmallerLevels(hudBandBuffer, hudTexture)) {
        return;
    }
    int columns = 0;
    int rows = 0;
    std::vector<int> classes;
    if (!BandTileClasses(hudTexture, columns, rows, classes)) {
        return;
    }
    // The band's corners as made: bottom-left, top-left, bottom-right, top-right, the whole texture.
    ColouredTexturedVertex corners[4];
    void* data = nullptr;
    if (FAILED(hudBandBuffer->Lock(0, 0, &data, D3DLOCK_READONLY)) || data == nullptr) {
        return;
    }
    std::memcpy(corners, data, sizeof corners);
    hudBandBuffer->Unlock();
    const float left = corners[0].x;
    const float right = corners[2].x;
    const float top = corners[1].y;
    const float bottom = corners[0].y;
    auto xAt = [&](int column) {
        return column == 0 ? left : column == columns ? right : left + (right - left) * column / columns;
    };
    auto yAt = [&](int row) { return row == 0 ? top : row == rows ? bottom : top + (bottom - top) * row / rows; };
    std::vector<ColouredTexturedVertex> opaque;
    std::vector<ColouredTexturedVertex> blended;
    for (int ty = 0; ty < rows; ++ty) {
        for (int tx = 0; tx < columns;) {
            const int kind = classes[static_cast<std::size_t>(ty) * columns + tx];
            int end = tx + 1;
            while (end < columns && classes[static_cast<std::size_t>(ty) * columns + end] == kind) {
                ++end;
            }
            if (kind != 0) {
                // Opaque parts at the nearest depth; the rest where the band lies.
                const float z = kind == 2 ? 0.0f : corners[0].z;
                const float u0 = static_cast<float>(tx) / static_cast<float>(columns);
                const float u1 = static_cast<float>(end) / static_cast<float>(columns);
                const float v0 = static_cast<float>(ty) / static_cast<float>(rows);
                const float v1 = static_cast<float>(ty + 1) / static_cast<float>(rows);
                const D3DCOLOR c = corners[0].colour;
                const ColouredTexturedVertex bl{xAt(tx), yAt(ty + 1), z, c, u0, v1};
                const ColouredTexturedVertex tl{xAt(tx), yAt(ty), z, c, u0, v0};
                const ColouredTexturedVertex br{xAt(end), yAt(ty + 1), z, c, u1, v1};
                const ColouredTexturedVertex tr{xAt(end), yAt(ty), z, c, u1, v0};
                // The winding of the band's own strip: (bl, tl, br), then (br, tl, tr).
                (kind == 2 ? opaque : blended).insert((kind == 2 ? opaque : blended).end(), {bl, tl, br, br, tl, tr});
            }
            tx = end;
        }
    }
    bandPieces.opaque = PiecesBuffer(opaque);
    bandPieces.blended = PiecesBuffer(blended);
    if ((!opaque.empty() && bandPieces.opaque == nullptr) || (!blended.empty() && bandPieces.blended == nullptr)) {
        BandPiecesRelease();
        bandPieces.texture = hudTexture;
        bandPieces.band = hudBandBuffer;
        return;
    }
    bandPieces.opaqueTriangles = static_cast<UINT>(opaque.size() / 3);
    bandPieces.blendedTriangles = static_cast<UINT>(blended.size() / 3);
    bandPieces.cut = true;
}

void BandPiecesDraw(IDirect3DVertexBuffer9* buffer, UINT triangles)
{
    if (buffer == nullptr) {
        return;
    }
    const TopLevelSampling sampling(hudBandBuffer, hudTexture);
    device->SetTexture(0, hudTexture);
    device->SetFVF(kFvfColouredTextured);
    device->SetStreamSource(0, buffer, 0, sizeof(ColouredTexturedVertex));
    device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, triangles);
}

// The band's opaque parts, unblended, with the states HudDraw draws the band in; the depth test and
// writes as they are.
void BandOpaqueDraw()
{
    DWORD alphaArg = 0;
    DWORD alphaOp = 0;
    device->GetTextureStageState(0, D3DTSS_ALPHAARG1, &alphaArg);
    device->GetTextureStageState(0, D3DTSS_ALPHAOP, &alphaOp);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    BandPiecesDraw(bandPieces.opaque, bandPieces.opaqueTriangles);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, alphaArg);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, alphaOp);
}

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

// The console's text starts here; its frame's inner right edge is here (fractions of the width).
constexpr double kConsoleTextLeft = 0.225;
constexpr double kConsoleTextRight = 0.79;

void ConsoleText()
{
    const auto& v = console.view;
    ScreenText(kFontSmall, ScreenX(kConsoleTextLeft), ScreenY(0.35), kWhite, kConsoleBlockFormat, v[0], v[1], v[2],
               v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10], v[11], v[12], v[13], v[14], console.input);
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

int HudConsoleColumns()
{
    constexpr int kSample = 40;
    RECT measured{0, 0, 0, 0};
    if (smallFont == nullptr ||
        smallFont->DrawTextA(nullptr, std::string(kSample, 'M').c_str(), -1, &measured, DT_CALCRECT, 0) == 0 ||
        measured.right <= measured.left) {
        return 60;
    }
    const double room = ScreenX(kConsoleTextRight) - ScreenX(kConsoleTextLeft);
    return static_cast<int>(room * kSample / (measured.right - measured.left));
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

void HudUnderlayDraw()
{
    bandPieces.opaqueDrawn = false;
    if (device == nullptr || SceneSeparateDraws()) {
        return;
    }
    ScreenSpaceApply();
    BandPiecesMake();
    if (!bandPieces.cut) {
        return;
    }
    device->SetRenderState(D3DRS_FOGENABLE, FALSE);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device->SetRenderState(D3DRS_ZENABLE, TRUE);
    BandOpaqueDraw();
    bandPieces.opaqueDrawn = true;
}

void HudBuffersRelease()
{
    BandPiecesRelease();
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
    if (!SceneSeparateDraws()) {
        BandPiecesMake();
    }
    if (bandPieces.cut && !SceneSeparateDraws()) {
        if (!bandPieces.opaqueDrawn) {
            // Not drawn before the scene: over it, as the rest.
            device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
            BandPiecesDraw(bandPieces.opaque, bandPieces.opaqueTriangles);
            device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        }
        BandPiecesDraw(bandPieces.blended, bandPieces.blendedTriangles);
    } else {
        WholeTextureRectDraw(hudBandBuffer, hudTexture, kFvfColouredTextured, sizeof(ColouredTexturedVertex));
    }
    bandPieces.opaqueDrawn = false;

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
        // Over the sky at the left end of the top band, clear of the HUD's panels.
        ScreenText(kFontLarge, ScreenX(0.14), ScreenY(0.012), kGreen, "%i fps", framesPerSecond);
    }
    if (noticeTimer > 0.0f) {
        if (noticeKind == kNoticeSaved) {
            Text(kFontLarge, 0.4, 0.22, kYellow, "Game Saved");
        } else if (noticeKind == kNoticeLoaded) {
            Text(kFontLarge, 0.4, 0.22, kYellow, "Game Loaded");
        }
        noticeTimer -= frameDelta;
    }
    if (attractPlaying) {
        AttractOverlayDraw();
    }

    device->SetRenderState(D3DRS_ZENABLE, TRUE);
    device->SetRenderState(D3DRS_FOGENABLE, TRUE);
}
