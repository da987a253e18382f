// Contexts and fonts as plain records in two process-wide sets; a handle is valid while it is in its set.
#include "d3dx/text3d_gdi.h"

#include <cstdint>
#include <cstring>
#include <set>

namespace {

// The font every context starts with, as GDI's stock system font: selectable, never deleted, and
// without outlines to extrude.
LOGFONTA stockFont{16, 0, 0, 0, 700, 0, 0, 0, 1, 0, 0, 0, 0, "System"};

}  // namespace

struct GdiContext {
    LOGFONTA* font = &stockFont;
};

namespace {

struct GdiState {
    std::set<GdiContext*> contexts;
    std::set<LOGFONTA*> fonts;
};
GdiState gdi;

bool IsContext(HDC hdc)
{
    return hdc != nullptr && gdi.contexts.count(hdc) != 0;
}
bool IsFont(HGDIOBJ h)
{
    return h == &stockFont || (h != nullptr && gdi.fonts.count(static_cast<LOGFONTA*>(h)) != 0);
}

}  // namespace

HDC CreateCompatibleDC(HDC hdc)
{
    if (hdc != nullptr && !IsContext(hdc)) {
        return nullptr;
    }
    auto* context = new GdiContext();
    gdi.contexts.insert(context);
    return context;
}

BOOL DeleteDC(HDC hdc)
{
    if (!IsContext(hdc)) {
        return FALSE;
    }
    gdi.contexts.erase(hdc);
    delete hdc;
    return TRUE;
}

HFONT CreateFontA(int cHeight, int cWidth, int cEscapement, int cOrientation, int cWeight, DWORD bItalic,
                  DWORD bUnderline, DWORD bStrikeOut, DWORD iCharSet, DWORD iOutPrecision, DWORD iClipPrecision,
                  DWORD iQuality, DWORD iPitchAndFamily, const char* pszFaceName)
{
    if (pszFaceName == nullptr || std::strlen(pszFaceName) >= sizeof(LOGFONTA::lfFaceName)) {
        return nullptr;
    }
    auto* font = new LOGFONTA{};
    font->lfHeight = cHeight;
    font->lfWidth = cWidth;
    font->lfEscapement = cEscapement;
    font->lfOrientation = cOrientation;
    font->lfWeight = cWeight;
    font->lfItalic = static_cast<BYTE>(bItalic != 0);
    font->lfUnderline = static_cast<BYTE>(bUnderline != 0);
    font->lfStrikeOut = static_cast<BYTE>(bStrikeOut != 0);
    font->lfCharSet = static_cast<BYTE>(iCharSet);
    font->lfOutPrecision = static_cast<BYTE>(iOutPrecision);
    font->lfClipPrecision = static_cast<BYTE>(iClipPrecision);
    font->lfQuality = static_cast<BYTE>(iQuality);
    font->lfPitchAndFamily = static_cast<BYTE>(iPitchAndFamily);
    std::strcpy(font->lfFaceName, pszFaceName);
    gdi.fonts.insert(font);
    return font;
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h)
{
    if (!IsContext(hdc) || !IsFont(h)) {
        return nullptr;
    }
    LOGFONTA* previous = hdc->font;
    hdc->font = static_cast<LOGFONTA*>(h);
    return previous;
}

BOOL DeleteObject(HGDIOBJ ho)
{
    if (ho == &stockFont) {
        return TRUE;
    }
    if (!IsFont(ho)) {
        return FALSE;
    }
    for (GdiContext* context : gdi.contexts) {
        if (context->font == ho) {
            return FALSE;
        }
    }
    auto* font = static_cast<LOGFONTA*>(ho);
    gdi.fonts.erase(font);
    delete font;
    return TRUE;
}

int GetDeviceCaps(HDC hdc, int index)
{
    if (!IsContext(hdc)) {
        return 0;
    }
    return (index == LOGPIXELSX || index == LOGPIXELSY) ? 96 : 0;
}

int MulDiv(int number, int numerator, int denominator)
{
    if (denominator == 0) {
        return -1;
    }
    std::int64_t product = static_cast<std::int64_t>(number) * numerator;
    std::int64_t divisor = denominator;
    if (divisor < 0) {
        product = -product;
        divisor = -divisor;
    }
    const std::int64_t result =
        product >= 0 ? (product + divisor / 2) / divisor : -((-product + divisor / 2) / divisor);
    if (result > INT32_MAX || result < INT32_MIN) {
        return -1;
    }
    return static_cast<int>(result);
}

bool GdiSelectedFont(HDC hdc, LOGFONTA* font)
{
    if (!IsContext(hdc) || hdc->font == &stockFont) {
        return false;
    }
    *font = *hdc->font;
    return true;
}

GdiObjectCounts GdiLiveObjects()
{
    return {static_cast<int>(gdi.contexts.size()), static_cast<int>(gdi.fonts.size())};
}

void GdiReset()
{
    for (GdiContext* context : gdi.contexts) {
        delete context;
    }
    for (LOGFONTA* font : gdi.fonts) {
        delete font;
    }
    gdi = GdiState{};
}
