// The graphics device and its two screen fonts, shared by everything that draws. app/graphics.h
// creates and releases them.
#pragma once

#include "d3dx/font.h"
#include "platform/d3d9/d3d9.h"

extern IDirect3D9* direct3D;
extern IDirect3DDevice9* device;
extern ID3DXFont* smallFont;   // "lucida console": console, HUD figures
extern ID3DXFont* largeFont;   // "verdana": screen titles and texts
extern ID3DXFont* titleFont;   // "bookman old style", bold and large: the attract mode's title
extern D3DPRESENT_PARAMETERS presentParams;
