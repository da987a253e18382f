// The audio library's contract, as the game calls it.
#pragma once

#include "platform/win/clock.h"
#include "platform/win/handles.h"

BOOL BASS_Init(int device, DWORD frequency, DWORD flags, HWND window, const void* classId);
BOOL BASS_SetVolume(DWORD volume);
BOOL BASS_Free();
