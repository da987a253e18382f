// Placeholder entry points until the OpenGL device lands.
#include "platform/d3d9/d3d9.h"

IDirect3D9* Direct3DCreate9(UINT) { return nullptr; }

bool DeviceReadLastFrame(IDirect3DDevice9*, int& width, int& height, std::vector<std::uint8_t>& rgba) {
    width = height = 0;
    rgba.clear();
    return false;
}

D3DObjectCounts D3DLiveObjects() { return {}; }
