#include "core/graphics.h"

IDirect3D9* direct3D = nullptr;
IDirect3DDevice9* device = nullptr;
ID3DXFont* smallFont = nullptr;
ID3DXFont* largeFont = nullptr;
ID3DXFont* titleFont = nullptr;
D3DPRESENT_PARAMETERS presentParams{};
