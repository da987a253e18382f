// A small game window for the input tests, and the SDL events they push at it.
#pragma once

#include <SDL.h>
#include <gtest/gtest.h>

#include "platform/win/window.h"

inline LRESULT TestWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    return DefWindowProcA(window, message, wparam, lparam);
}

// With the video started and no event left over, a 64 x 48 window of the game's class; null (and a
// failed expectation) when it cannot be made.
inline HWND TestWindowCreate()
{
    if (!PlatformVideoInit()) {
        ADD_FAILURE() << "the video could not be started";
        return nullptr;
    }
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    WNDCLASSEXA wc{};
    wc.cbSize = kWndClassExSize32;
    wc.lpfnWndProc = TestWindowProc;
    wc.lpszClassName = "AVIORRA";
    EXPECT_NE(RegisterClassExA(&wc), 0);
    return CreateWindowExA(0, "AVIORRA", "AVIORRA", 8, 10, 10, 64, 48, nullptr, nullptr, nullptr, nullptr);
}

inline void Push(const SDL_Event& e)
{
    SDL_Event copy = e;
    ASSERT_EQ(SDL_PushEvent(&copy), 1) << SDL_GetError();
}

inline void PushFocus(HWND window, bool gained)
{
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = SDL_GetWindowID(window);
    e.window.event = gained ? SDL_WINDOWEVENT_FOCUS_GAINED : SDL_WINDOWEVENT_FOCUS_LOST;
    Push(e);
}

inline void PushMotion(int dx, int dy)
{
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.xrel = dx;
    e.motion.yrel = dy;
    Push(e);
}
