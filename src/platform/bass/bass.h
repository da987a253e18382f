// The audio library's contract, as the game calls it: device start and end, master volume, streams
// made from files in memory, playing, pausing, stopping, channel attributes and slides, error codes.
#pragma once

#include <cstdint>
#include <vector>

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
inline constexpr int BASS_ERROR_NOPAUSE = 16;
inline constexpr int BASS_ERROR_NOPLAY = 24;
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

// Stream flags: mix a stereo file down to mono; 3D (refused: the device is never started with 3D);
// loop the stream (also a play flag).
inline constexpr DWORD BASS_SAMPLE_MONO = 2;
inline constexpr DWORD BASS_SAMPLE_LOOP = 4;
inline constexpr DWORD BASS_SAMPLE_3D = 8;

// Frequencies that BASS_ChannelSetAttributes and BASS_ChannelSlideAttributes accept, in Hz; 0 means
// the file's own rate and -1 leaves the frequency as it is.
inline constexpr int BASS_MIN_FREQUENCY = 100;
inline constexpr int BASS_MAX_FREQUENCY = 100000;

// Starts the output. Device 1 (or -1) is the system's default output device; device 0 asks for no
// sound. Where no device can be opened (no sound card, the "null" driver, headless mode) the output
// falls back to a silent null output, mixed on the game clock, and says so once through the notice
// handler. On virtual time the output is always that silent mix, paced by the virtual clock, so a
// one-shot ends exactly after its length. Never needs a sound card.
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
// Holds a playing channel where it is (not called by the game, which only stops channels; kept for
// completeness of the paused state that BASS_ChannelIsActive reports).
BOOL BASS_ChannelPause(DWORD handle);
// Continues a paused channel where it was held; BASS_ERROR_NOPAUSE when it is not paused.
BOOL BASS_ChannelResume(DWORD handle);
// Stops the channel and rewinds it: it reports stopped and the next play starts from the beginning.
BOOL BASS_ChannelStop(DWORD handle);
// Frequency in Hz (-1: unchanged, 0: the file's rate, otherwise BASS_MIN_FREQUENCY..BASS_MAX_FREQUENCY
// or BASS_ERROR_FREQ), volume 0..100 (-1: unchanged), pan -100..100 (-101: unchanged). Volumes and
// pans beyond their ranges are clamped to them. Setting an attribute ends a slide of it.
BOOL BASS_ChannelSetAttributes(DWORD handle, int frequency, int volume, int pan);
// Moves the attributes to the targets over `time` milliseconds of the game clock.
// Linear from the current values; -1 and -101 leave an attribute (and its running slide) alone.
BOOL BASS_ChannelSlideAttributes(DWORD handle, int frequency, int volume, int pan, DWORD time);

// ---- Additions of this implementation (diagnostics and tests) ----

enum class BassOutput {
    None,     // not started
    Device,   // a real output device, mixed by OpenAL's own thread
    Null,     // no device: a silent mix paced by the real game clock
    Virtual,  // virtual time: a silent mix paced by the virtual clock
    Recorded, // collecting on real time: the library's own mix, paced by the game clock, played by SDL
};
BassOutput BassGetOutput();

// Brings the output up to the game clock: mixes the silent outputs up to GetTickCount() and moves
// running slides. Every contract call does this first; a frame loop may call it once per frame.
void BassUpdate();

// Collects what the outputs the library mixes itself give (interleaved left/right floats at the output
// rate) while on. Turning it on clears what was collected. At most ten minutes are kept. While it is
// on, BASS_Init on real time with a device opens the Recorded output in place of OpenAL's own, so
// what is collected is what is heard.
void BassCaptureSet(bool on);
// What was collected since the last take; the collection goes on.
std::vector<float> BassCaptureTake();
// Frames per second of what was collected, also after BASS_Free; 0 before anything was.
int BassCaptureRate();
// Frames per second of the output (BASS_Init's frequency), 0 when not started.
int BassOutputRate();

// Receives the one-off notices of the library (code page 1250 text), such as the fall-back to the
// null output. Without a handler they go to standard error.
using BassNoticeHandler = void (*)(const char* text);
void BassSetNoticeHandler(BassNoticeHandler handler);

// BASS_Free and back to the state at program start (the notice handler stays; handles are still
// never reused).
void BassReset();
