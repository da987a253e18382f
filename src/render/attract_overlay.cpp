#include "render/attract_overlay.h"

#include "core/frame.h"
#include "core/graphics.h"
#include "core/window.h"
#include "render/hud.h"

namespace {

constexpr D3DCOLOR kTitleRed = 0xFFE01010u;
constexpr D3DCOLOR kShadow = 0xB0000000u;

// A line centred across the window at `y`, over its shadow `drop` pixels down and right.
void CentredLine(ID3DXFont* font, int y, int drop, D3DCOLOR colour, const char* text)
{
    RECT shadow{drop, y + drop, windowWidth + drop, y + drop};
    font->DrawTextA(nullptr, text, -1, &shadow, DT_CENTER | DT_NOCLIP, kShadow);
    RECT line{0, y, windowWidth, y};
    font->DrawTextA(nullptr, text, -1, &line, DT_CENTER | DT_NOCLIP, colour);
}

}  // namespace

void AttractOverlayDraw()
{
    ID3DXFont* title = titleFont != nullptr ? titleFont : largeFont;
    if (title != nullptr) {
        CentredLine(title, ScreenY(0.14), windowHeight / 150 + 1, kTitleRed, "AVIORRA");
    }
    // On for 0.6 s of every second of the game clock.
    const float phase = currentTime - static_cast<float>(static_cast<int>(currentTime));
    if (largeFont != nullptr && phase < 0.6f) {
        CentredLine(largeFont, ScreenY(0.6), 2, kYellow, "Press any key");
    }
}
