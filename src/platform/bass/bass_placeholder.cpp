// Placeholder audio library until the OpenAL layer replaces this file: it starts, takes a volume
// and stops without producing any sound.
#include "platform/bass/bass.h"

BOOL BASS_Init(int, DWORD, DWORD, HWND, const void*)
{
    return 1;
}

BOOL BASS_SetVolume(DWORD)
{
    return 1;
}

BOOL BASS_Free()
{
    return 1;
}
