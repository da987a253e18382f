#include "render/console_overlay.h"

#include <string>

#include "app/game.h"
#include "app/graphics.h"
#include "console/console.h"

void ConsoleOverlayDraw()
{
    if (console.open == 0 || smallFont == nullptr) {
        return;
    }
    std::string block;
    for (const auto& line : console.view) {
        block += line;
        block += '\n';
    }
    block += "\n\n>";
    block += console.input;
    block += '_';

    RECT area{};
    area.left = static_cast<LONG>(windowWidth * 0.225f);
    area.top = static_cast<LONG>(windowHeight * 0.35f);
    area.right = windowWidth;
    area.bottom = windowHeight;
    smallFont->DrawTextA(nullptr, block.c_str(), -1, &area, DT_NOCLIP, D3DCOLOR_ARGB(255, 255, 255, 255));
}
