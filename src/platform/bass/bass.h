// The audio library's contract, as the game calls it: device start and end, master volume, streams
// made from files in memory, playing, pausing, stopping, channel attributes and slides, error codes.
#pragma once

#include <cstdint>

#include "platform/win/clock.h"
#include "platform/win/handles.h"

using HSTREAM = DWORD;
using HCHANNEL = DWORD;

// Error codes of the last failed call (BASS_ErrorGetCode).
inline constexpr int BASS_OK = 0;
inline constexpr int BASS_ERROR_MEM = 1;
inline constexpr int BASS_ERROR_FILEOPEN = 2;
inline constexpr int BASS_ERROR_DRIVER = 3;
inline constexpr int BASS_ERROR_HANDLE = 5;
inline constexpr int BASS_ERROR_FORMAT = 6;
inline constexpr int BASS_ERROR_INIT = 8;
inline constexpr int BASS_ERROR_ALREADY = 14;
inline constexpr int BASS_ERROR_ILLPARAM = 20;
inline constexpr int BASS_ERROR_NO3D = 21;
inline constexpr int BASS_ERROR_DEVICE = 23;
inline constexpr int BASS_ERROR_FREQ = 25;
inline constexpr int BASS_ERROR_NOTAVAIL = 37;
inline constexpr int BASS_ERROR_DECODE = 38;
inline constexpr int BASS_ERROR_FILEFORM = 41;
inline constexpr int BASS_ERROR_SPEAKER = 42;
inline constexpr int BASS_ERROR_UNKNOWN = -1;

// Channel states (BASS_ChannelIsActive).
inline constexpr DWORD BASS_ACTIVE_STOPPED = 0;
inline constexpr DWORD BASS_ACTIVE_PLAYING = 1;
inline constexpr DWORD BASS_ACTIVE_STALLED = 2;
inline constexpr DWORD BASS_ACTIVE_PAUSED = 3;

// Play flag: loop the stream.
inline constexpr DWORD BASS_SAMPLE_LOOP = 4;

BOOL BASS_Init(int device, DWORD frequency, DWORD flags, HWND window, const void* classId);
BOOL BASS_SetVolume(DWORD volume);
BOOL BASS_Free();
int BASS_ErrorGetCode();

// A stream over a whole file image in memory (memory true); the memory stays the caller's until the
// stream is freed. 0 on failure.
HSTREAM BASS_StreamCreateFile(BOOL memory, const void* file, DWORD offset, DWORD length, DWORD flags);
BOOL BASS_StreamFree(HSTREAM handle);
// Starts the stream (from the beginning with flush), looping with BASS_SAMPLE_LOOP.
BOOL BASS_StreamPlay(HSTREAM handle, BOOL flush, DWORD flags);

DWORD BASS_ChannelIsActive(DWORD handle);
BOOL BASS_ChannelResume(DWORD handle);
BOOL BASS_ChannelStop(DWORD handle);
// Frequency in Hz (-1: unchanged), volume 0..100 (-1: unchanged), pan -100..100 (-101: unchanged).
BOOL BASS_ChannelSetAttributes(DWORD handle, int frequency, int volume, int pan);
// Moves the attributes to the targets over `time` milliseconds of the game clock.
BOOL BASS_ChannelSlideAttributes(DWORD handle, int frequency, int volume, int pan, DWORD time);
