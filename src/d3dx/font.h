// Screen fonts of the Direct3D extension library: D3DXCreateFontA and the font object's DrawTextA.
//
// A font is a face found through fontconfig and sized as a Windows font of the requested cell height
// and average character width; all glyphs of code page 1250 are rasterised once, at creation, into
// one atlas texture on the device. DrawTextA lays the text out and draws it as pretransformed,
// textured quads (the glyph's coverage times the colour's alpha, blended over the target), saving
// and restoring every device state it touches.
#pragma once

#include "d3dx/font_layout.h"
#include "platform/d3d9/d3d9.h"

using LPCSTR = const char*;
using LPRECT = RECT*;

#ifndef AVIORRA_GDI_FONT_CONSTANTS
#define AVIORRA_GDI_FONT_CONSTANTS
// Font weights, character sets, precisions, qualities and pitches of a font request. Only the weight
// and the italic flag change the face that is chosen; the other values are kept in the description.
inline constexpr UINT FW_DONTCARE = 0;
inline constexpr UINT FW_THIN = 100;
inline constexpr UINT FW_LIGHT = 300;
inline constexpr UINT FW_NORMAL = 400;
inline constexpr UINT FW_MEDIUM = 500;
inline constexpr UINT FW_SEMIBOLD = 600;
inline constexpr UINT FW_BOLD = 700;
inline constexpr UINT FW_HEAVY = 900;
inline constexpr DWORD ANSI_CHARSET = 0;
inline constexpr DWORD DEFAULT_CHARSET = 1;
inline constexpr DWORD EASTEUROPE_CHARSET = 238;
inline constexpr DWORD OUT_DEFAULT_PRECIS = 0;
inline constexpr DWORD OUT_STRING_PRECIS = 1;
inline constexpr DWORD OUT_CHARACTER_PRECIS = 2;
inline constexpr DWORD OUT_STROKE_PRECIS = 3;
inline constexpr DWORD OUT_TT_PRECIS = 4;
inline constexpr DWORD DEFAULT_QUALITY = 0;
inline constexpr DWORD DRAFT_QUALITY = 1;
inline constexpr DWORD PROOF_QUALITY = 2;
inline constexpr DWORD NONANTIALIASED_QUALITY = 3;
inline constexpr DWORD ANTIALIASED_QUALITY = 4;
inline constexpr DWORD DEFAULT_PITCH = 0;
inline constexpr DWORD FIXED_PITCH = 1;
inline constexpr DWORD VARIABLE_PITCH = 2;
inline constexpr DWORD FF_DONTCARE = 0;
#endif

// LF_FACESIZE: room for a face name and its terminating zero.
inline constexpr int D3DXFONT_FACESIZE = 32;

struct D3DXFONT_DESCA {
    INT Height;
    UINT Width;
    UINT Weight;
    UINT MipLevels;
    BOOL Italic;
    BYTE CharSet;
    BYTE OutputPrecision;
    BYTE Quality;
    BYTE PitchAndFamily;
    char FaceName[D3DXFONT_FACESIZE];
};

// The text metrics a font reports, in pixels (the leading part of the Windows record).
struct TEXTMETRICA {
    LONG tmHeight;
    LONG tmAscent;
    LONG tmDescent;
    LONG tmInternalLeading;
    LONG tmExternalLeading;
    LONG tmAveCharWidth;
    LONG tmMaxCharWidth;
    LONG tmWeight;
};

// Sprites batch text in the real library; none exists here, and DrawTextA draws directly whatever
// sprite it is given.
class ID3DXSprite;
using LPD3DXSPRITE = ID3DXSprite*;

class ID3DXFont : public IUnknownLike {
public:
    virtual HRESULT GetDevice(IDirect3DDevice9** ppDevice) = 0;
    virtual HRESULT GetDescA(D3DXFONT_DESCA* pDesc) = 0;
    virtual BOOL GetTextMetricsA(TEXTMETRICA* pTextMetrics) = 0;
    // Draws Count bytes of code-page-1250 text (-1: up to the terminating zero) in pRect with the
    // DT_ format flags and the colour. Returns the height of the text in pixels (with DT_VCENTER or
    // DT_BOTTOM the offset from the rectangle's top to the text's bottom); 0 on failure or for no
    // text. With DT_CALCRECT nothing is drawn and pRect is widened to the text. A null pRect stands
    // for an empty rectangle at the top-left corner of the target.
    virtual INT DrawTextA(LPD3DXSPRITE pSprite, LPCSTR pString, INT Count, LPRECT pRect, DWORD Format,
                          D3DCOLOR Color) = 0;
    // Glyphs are rasterised when the font is created; these exist for callers that preload.
    virtual HRESULT PreloadTextA(LPCSTR pString, INT Count) = 0;
    virtual HRESULT OnLostDevice() = 0;
    virtual HRESULT OnResetDevice() = 0;
};

using LPD3DXFONT = ID3DXFont*;

// Creates a font on the device. Height > 0 is the cell height in pixels, < 0 the character height,
// 0 a default size; Width > 0 the average character width (the face is stretched), 0 the face's own.
// D3DERR_INVALIDCALL for a null device, face name or output pointer; E_FAIL when no face can be
// found or sized; E_OUTOFMEMORY or the device's error when the atlas texture cannot be made.
HRESULT D3DXCreateFontA(LPDIRECT3DDEVICE9 pDevice, INT Height, UINT Width, UINT Weight, UINT MipLevels, BOOL Italic,
                        DWORD CharSet, DWORD OutputPrecision, DWORD Quality, DWORD PitchAndFamily, LPCSTR pFaceName,
                        LPD3DXFONT* ppFont);

// Fonts alive now, for leak checks in tests.
int D3DXFontLiveCount();

// Clean start for tests: forgets the process-wide face-matching state (live fonts are unaffected).
void D3DXFontReset();
