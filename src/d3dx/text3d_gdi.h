// The few GDI calls that describe a font for extruded text: a memory device context, a logical font
// selected into it, and the screen's pixels per inch. Nothing is drawn through them; the context only
// carries the selected font to D3DXCreateTextA.
#pragma once

#include <string>

#include "d3dx/font.h"
#include "platform/d3d9/d3d9.h"

struct GdiContext;
using HDC = GdiContext*;
using HGDIOBJ = void*;
using HFONT = HGDIOBJ;

inline constexpr DWORD CLIP_DEFAULT_PRECIS = 0;
inline constexpr int LOGPIXELSX = 88;
inline constexpr int LOGPIXELSY = 90;

// The logical font as CreateFontA received it.
struct LOGFONTA {
    LONG lfHeight;
    LONG lfWidth;
    LONG lfEscapement;
    LONG lfOrientation;
    LONG lfWeight;
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    char lfFaceName[32];
};

// A memory context; the argument (a context to be compatible with) may be null, the screen.
HDC CreateCompatibleDC(HDC hdc);
// FALSE for a context that does not exist.
BOOL DeleteDC(HDC hdc);
// Null when the face name is null or too long (31 characters at most).
HFONT CreateFontA(int cHeight, int cWidth, int cEscapement, int cOrientation, int cWeight, DWORD bItalic,
                  DWORD bUnderline, DWORD bStrikeOut, DWORD iCharSet, DWORD iOutPrecision, DWORD iClipPrecision,
                  DWORD iQuality, DWORD iPitchAndFamily, const char* pszFaceName);
// Selects a font into the context and returns the one it replaces (a new context holds the stock
// system font, which can be selected again but has no outlines); null when the context or the font
// does not exist.
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h);
// A font still selected into a context is not deleted (FALSE), as in GDI.
BOOL DeleteObject(HGDIOBJ ho);
// LOGPIXELSX and LOGPIXELSY: 96, the usual screen; other indexes 0.
int GetDeviceCaps(HDC hdc, int index);
// number * numerator / denominator in 64 bits, rounded half away from zero; -1 on a zero denominator
// or a result out of the int range.
int MulDiv(int number, int numerator, int denominator);

// ---- Additions for the Linux build -----------------------------------------------------------------

// The logical font selected into a context; false when the context does not exist or holds the stock font.
bool GdiSelectedFont(HDC hdc, LOGFONTA* font);

// Live contexts and fonts, for leak checks; the reset deletes all of them.
struct GdiObjectCounts {
    int contexts;
    int fonts;
};
GdiObjectCounts GdiLiveObjects();
void GdiReset();
