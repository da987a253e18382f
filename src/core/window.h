// The game window: the handles and the size every layer may read. app/game.h opens it.
#pragma once

#include <cstdint>

#include "platform/win/handles.h"

extern HINSTANCE gameInstance;
extern HWND gameWindow;
// g_hosszusag and g_magassag as read once during start-up.
extern std::int32_t windowWidth;
extern std::int32_t windowHeight;
