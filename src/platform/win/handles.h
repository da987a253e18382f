// Handles of the window layer. A window handle is the SDL window itself, so the graphics device and
// the input layer can reach it without knowing the message pump.
#pragma once

#include <cstdint>

struct SDL_Window;

using HWND = SDL_Window*;
using HINSTANCE = void*;
using HRESULT = std::int32_t;
using BOOL = int;
using UINT = std::uint32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);

inline constexpr bool SUCCEEDED(HRESULT hr)
{
    return hr >= 0;
}
inline constexpr bool FAILED(HRESULT hr)
{
    return hr < 0;
}
