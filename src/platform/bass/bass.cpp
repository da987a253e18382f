// The audio library over OpenAL Soft, with libsndfile decoding the file images.
//
// Every stream is one OpenAL buffer holding the whole decoded file; while it plays (or is paused) it
// holds a voice, an OpenAL source from a pool that gets it back when the stream stops or ends. When
// every voice is busy, the one of the oldest non-looping play is taken (that stream stops). Volume is the
// source's gain, pan a position on the unit circle in front of the listener (relative to it, no
// distance attenuation), frequency the pitch relative to the file's rate. Slides are moved by the
// game clock: on a real device by a small thread of this library, on the silent outputs by the mix
// itself, which is rendered through the loopback extension up to GetTickCount() whenever the
// library is called.
#include "platform/bass/bass.h"

#include <AL/al.h>
#include <AL/alc.h>
#if defined(__EMSCRIPTEN__)
// The browser's OpenAL (emscripten's, on WebAudio) has none of OpenAL Soft's extensions and no header
// for them: no loopback device, so neither the silent outputs nor the collected sound, and no source
// spatialize. These two names only let the code that asks for them at run time compile.
typedef void (*LPALCRENDERSAMPLESSOFT)(ALCdevice* device, ALCvoid* buffer, ALCsizei samples);
#define AL_SOURCE_SPATIALIZE_SOFT 0x1214
#else
#include <AL/alext.h>
#endif
#include <SDL2/SDL.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>

#include "platform/bass/decode.h"
#include "platform/win/codepage.h"
#include "platform/win/files.h"
#include "platform/win/window.h"

namespace {

constexpr int kDefaultRate = 44100;
constexpr int kMinOutputRate = 8000;
constexpr int kMaxOutputRate = 192000;
// The silent outputs are mixed in steps of at most this many milliseconds; slides move between steps.
constexpr DWORD kMixStepMs = 10;
constexpr DWORD kChangeStepMs = 1;
#if !defined(__EMSCRIPTEN__)
// How often the slide thread of a real device moves the slides.
constexpr auto kSlideInterval = std::chrono::milliseconds(10);
#endif
constexpr std::size_t kCaptureSeconds = 600;
// Voices (OpenAL sources) at most, well under OpenAL Soft's 256, so a context never runs out.
constexpr std::size_t kVoiceLimit = 128;
// A clock difference above this is taken as the clock having gone back.
constexpr DWORD kClockBackwards = 0x80000000u;

enum SlideAttribute { kSlideFrequency, kSlideVolume, kSlidePan, kSlideCount };

struct Slide {
    bool active;
    DWORD start;
    DWORD duration;
    float from;
    float to;
};

struct Channel {
    ALuint source;        // the voice while the stream holds one, else 0
    std::uint64_t playOrder;   // when its play started, for taking the oldest voice
    ALuint buffer;
    int fileRate;
    bool loopByDefault;   // BASS_SAMPLE_LOOP given at creation
    float frequency;      // Hz
    float volume;         // 0..100
    float pan;            // -100..100
    Slide slides[kSlideCount];
};

// Everything of one started output; back to these values when the library is freed.
struct AudioState {
    BassOutput output = BassOutput::None;
    ALCdevice* device = nullptr;
    ALCcontext* context = nullptr;
    LPALCRENDERSAMPLESSOFT render = nullptr;
    bool spatialize = false;     // AL_SOFT_source_spatialize: stereo sources follow the pan
    int rate = 0;
    DWORD mixedTick = 0;         // the game clock up to which the silent output is mixed
    std::uint64_t mixedMs = 0;   // milliseconds mixed since the start, for exact frame counts
    std::uint64_t mixedFrames = 0;
    std::map<DWORD, Channel> channels;
    std::vector<ALuint> freeVoices;
    std::size_t voices = 0;      // sources made, held or free
    std::uint64_t plays = 0;
    std::vector<float> mixBuffer;
    SDL_AudioDeviceID playback = 0;  // the Recorded output's device, fed with each mixed block
    // A call changed what is heard since the last mix. OpenAL moves a changed gain or position
    // smoothly over one rendering call, so the next call renders only kChangeStepMs.
    bool changed = false;
};

AudioState state;
int lastError = BASS_OK;
bool capturing = false;
std::vector<float> capture;
int captureRate = 0;
bool noticeGiven = false;
BassNoticeHandler noticeHandler = nullptr;
// Never reset: a handle is not handed out twice within a run.
DWORD nextHandle = 1;

// Guards all of the above against the slide thread of a real device.
std::mutex stateMutex;
std::thread slideThread;
std::condition_variable slideWake;
bool slideStop = false;

BOOL Fail(int code)
{
    lastError = code;
    return 0;
}

BOOL Succeed()
{
    lastError = BASS_OK;
    return 1;
}

void Notice(const char* text)
{
    if (noticeHandler != nullptr) {
        noticeHandler(text);
    } else {
        std::fprintf(stderr, "%s\n", cp1250::ToUtf8(text).c_str());
    }
}

Channel* FindChannel(DWORD handle)
{
    auto it = state.channels.find(handle);
    return it == state.channels.end() ? nullptr : &it->second;
}

void ApplyAttributes(const Channel& channel)
{
    if (channel.source == 0) {
        return;   // applied when the stream gets a voice
    }
    alSourcef(channel.source, AL_GAIN, channel.volume / 100.0f);
    alSourcef(channel.source, AL_PITCH, channel.frequency / static_cast<float>(channel.fileRate));
    // Pan -100..100 is a point on the unit circle in front of the listener, from left to right.
    float x = std::clamp(channel.pan / 100.0f, -1.0f, 1.0f);
    alSource3f(channel.source, AL_POSITION, x, 0.0f, -std::sqrt(1.0f - x * x));
}

float& AttributeOf(Channel& channel, int attribute)
{
    switch (attribute) {
    case kSlideFrequency: return channel.frequency;
    case kSlideVolume: return channel.volume;
    default: return channel.pan;
    }
}

void ApplySlides(DWORD now)
{
    for (auto& [handle, channel] : state.channels) {
        bool changed = false;
        for (int a = 0; a < kSlideCount; ++a) {
            Slide& slide = channel.slides[a];
            if (!slide.active) {
                continue;
            }
            DWORD elapsed = now - slide.start;
            if (elapsed >= kClockBackwards) {
                elapsed = 0;
            }
            float value = slide.to;
            if (elapsed >= slide.duration) {
                slide.active = false;
            } else {
                float t = static_cast<float>(elapsed) / static_cast<float>(slide.duration);
                value = slide.from + (slide.to - slide.from) * t;
            }
            float& current = AttributeOf(channel, a);
            if (current != value) {
                current = value;
                changed = true;
            }
        }
        if (changed) {
            ApplyAttributes(channel);
        }
    }
}

// AL_PLAYING, AL_PAUSED, AL_STOPPED or AL_INITIAL.
ALint SourceState(const Channel& channel)
{
    ALint sourceState = AL_STOPPED;
    if (channel.source == 0) {
        return sourceState;
    }
    alGetSourcei(channel.source, AL_SOURCE_STATE, &sourceState);
    return sourceState;
}

bool AnyPlaying()
{
    for (const auto& [handle, channel] : state.channels) {
        if (SourceState(channel) == AL_PLAYING) {
            return true;
        }
    }
    return false;
}

void AdvanceMixClock(DWORD step)
{
    state.mixedTick += step;
    state.mixedMs += step;
    state.mixedFrames = state.mixedMs * static_cast<std::uint64_t>(state.rate) / 1000;
}

// Brings the output up to `now`: the silent outputs are rendered step by step with the slides moved
// between steps; a real device mixes on its own and only has its slides moved.
void MixTo(DWORD now)
{
    if (state.output == BassOutput::None) {
        return;
    }
    if (state.output == BassOutput::Device) {
        ApplySlides(now);
        return;
    }
    DWORD elapsed = now - state.mixedTick;
    if (elapsed >= kClockBackwards) {
        // The clock was set back (virtual time restarted): mixing goes on from the new time.
        state.mixedTick = now;
        ApplySlides(now);
        return;
    }
    if (elapsed > 0 && !capturing && !AnyPlaying()) {
        // Nothing to hear and nobody listening: skip the silence.
        AdvanceMixClock(elapsed);
    }
    const std::size_t captureLimit = kCaptureSeconds * static_cast<std::size_t>(state.rate) * 2;
    while (state.mixedTick != now) {
        DWORD step = std::min<DWORD>(now - state.mixedTick, state.changed ? kChangeStepMs : kMixStepMs);
        state.changed = false;
        // OpenAL moves a changed gain linearly over the rendering call, so the slides are set to
        // their values at the end of the step: the output follows them exactly.
        ApplySlides(state.mixedTick + step);
        std::uint64_t before = state.mixedFrames;
        AdvanceMixClock(step);
        auto frames = static_cast<std::size_t>(state.mixedFrames - before);
        if (frames == 0) {
            continue;
        }
        state.mixBuffer.resize(frames * 2);
        state.render(state.device, state.mixBuffer.data(), static_cast<ALCsizei>(frames));
        if (state.playback != 0) {
            SDL_QueueAudio(state.playback, state.mixBuffer.data(),
                           static_cast<Uint32>(state.mixBuffer.size() * sizeof(float)));
        }
        if (capturing && capture.size() < captureLimit) {
            captureRate = state.rate;
            std::size_t keep = std::min(state.mixBuffer.size(), captureLimit - capture.size());
            capture.insert(capture.end(), state.mixBuffer.begin(),
                           state.mixBuffer.begin() + static_cast<std::ptrdiff_t>(keep));
        }
    }
    ApplySlides(now);
}

void MixToNow()
{
    MixTo(GetTickCount());
}

// The system's default output device, unless it is OpenAL's own "null" driver: that one mixes on a
// timer of its own, so the library's clock-paced null output stands in for it.
bool OpenDevice()
{
    ALCdevice* device = alcOpenDevice(nullptr);
    if (device == nullptr) {
        return false;
    }
    // The null driver calls itself "No Output" in its full name (the short one is the library's).
    for (ALCenum which : {ALC_DEVICE_SPECIFIER, ALC_ALL_DEVICES_SPECIFIER}) {
        const ALCchar* name = alcGetString(device, which);
        if (name != nullptr && std::strcmp(name, "No Output") == 0) {
            alcCloseDevice(device);
            return false;
        }
    }
    ALCcontext* context = alcCreateContext(device, nullptr);
    if (context == nullptr || alcMakeContextCurrent(context) == ALC_FALSE) {
        if (context != nullptr) {
            alcDestroyContext(context);
        }
        alcCloseDevice(device);
        return false;
    }
    state.device = device;
    state.context = context;
    state.output = BassOutput::Device;
    return true;
}

bool OpenLoopback(BassOutput output)
{
#if defined(__EMSCRIPTEN__)
    (void)output;
    return false;
#else
    if (alcIsExtensionPresent(nullptr, "ALC_SOFT_loopback") == ALC_FALSE) {
        return false;
    }
    auto open = reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
    auto supported = reinterpret_cast<LPALCISRENDERFORMATSUPPORTEDSOFT>(
        alcGetProcAddress(nullptr, "alcIsRenderFormatSupportedSOFT"));
    auto render = reinterpret_cast<LPALCRENDERSAMPLESSOFT>(alcGetProcAddress(nullptr, "alcRenderSamplesSOFT"));
    if (open == nullptr || supported == nullptr || render == nullptr) {
        return false;
    }
    ALCdevice* device = open(nullptr);
    if (device == nullptr) {
        return false;
    }
    if (supported(device, state.rate, ALC_STEREO_SOFT, ALC_FLOAT_SOFT) == ALC_FALSE) {
        alcCloseDevice(device);
        return false;
    }
    const ALCint attributes[] = {
        ALC_FORMAT_CHANNELS_SOFT,
        ALC_STEREO_SOFT,
        ALC_FORMAT_TYPE_SOFT,
        ALC_FLOAT_SOFT,
        ALC_FREQUENCY,
        state.rate,
        ALC_HRTF_SOFT,
        ALC_FALSE,
        ALC_OUTPUT_LIMITER_SOFT,
        ALC_FALSE,
        0,
    };
    ALCcontext* context = alcCreateContext(device, attributes);
    if (context == nullptr || alcMakeContextCurrent(context) == ALC_FALSE) {
        if (context != nullptr) {
            alcDestroyContext(context);
        }
        alcCloseDevice(device);
        return false;
    }
    state.device = device;
    state.context = context;
    state.render = render;
    state.output = output;
    return true;
#endif
}

// While collecting, a real device plays the library's own mix: the loopback output rendered on the
// game clock and queued to SDL's audio output, so what is collected is what is heard. About 60 ms of
// silence lead the queue, as room for the time between two mixes.
bool OpenRecordedDevice()
{
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        return false;
    }
    SDL_AudioSpec wanted{};
    wanted.freq = state.rate;
    wanted.format = AUDIO_F32SYS;
    wanted.channels = 2;
    wanted.samples = 1024;
    SDL_AudioDeviceID playback = SDL_OpenAudioDevice(nullptr, 0, &wanted, nullptr, 0);
    if (playback == 0 || !OpenLoopback(BassOutput::Recorded)) {
        if (playback != 0) {
            SDL_CloseAudioDevice(playback);
        }
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    state.playback = playback;
    std::vector<float> lead(static_cast<std::size_t>(state.rate) * 2 * 60 / 1000, 0.0f);
    SDL_QueueAudio(playback, lead.data(), static_cast<Uint32>(lead.size() * sizeof(float)));
    SDL_PauseAudioDevice(playback, 0);
    return true;
}

#if !defined(__EMSCRIPTEN__)
void SlideThreadMain()
{
    std::unique_lock<std::mutex> lock(stateMutex);
    while (!slideStop) {
        slideWake.wait_for(lock, kSlideInterval);
        if (!slideStop) {
            ApplySlides(GetTickCount());
        }
    }
}
#endif

void StopSlideThread()
{
    {
        std::lock_guard<std::mutex> lock(stateMutex);
        slideStop = true;
    }
    slideWake.notify_all();
    if (slideThread.joinable()) {
        slideThread.join();
    }
    slideStop = false;
}

// A program that ends without BASS_Free must not leave a joinable thread behind at exit.
struct SlideThreadGuard {
    ~SlideThreadGuard() { StopSlideThread(); }
} slideThreadGuard;

// Gives the channel's voice back to the pool; the channel reads as stopped from now on.
void ReleaseVoice(Channel& channel)
{
    if (channel.source == 0) {
        return;
    }
    alSourceStop(channel.source);
    alSourcei(channel.source, AL_BUFFER, 0);
    state.freeVoices.push_back(channel.source);
    channel.source = 0;
}

// A voice for `channel` (which has none): a free one, a new one, one of a stream that has ended, or
// else the one of the oldest non-looping play. False when every voice loops.
bool AcquireVoice(Channel& channel)
{
    if (state.freeVoices.empty() && state.voices < kVoiceLimit) {
        ALuint source = 0;
        alGetError();
        alGenSources(1, &source);
        if (alGetError() == AL_NO_ERROR) {
            state.freeVoices.push_back(source);
            ++state.voices;
        }
    }
    if (state.freeVoices.empty()) {
        Channel* oldest = nullptr;
        for (auto& [handle, other] : state.channels) {
            if (other.source == 0) {
                continue;
            }
            const ALint otherState = SourceState(other);
            if (otherState != AL_PLAYING && otherState != AL_PAUSED) {
                ReleaseVoice(other);
                continue;
            }
            ALint looping = AL_FALSE;
            alGetSourcei(other.source, AL_LOOPING, &looping);
            if (looping == AL_FALSE && (oldest == nullptr || other.playOrder < oldest->playOrder)) {
                oldest = &other;
            }
        }
        if (state.freeVoices.empty() && oldest != nullptr) {
            ReleaseVoice(*oldest);
        }
    }
    if (state.freeVoices.empty()) {
        return false;
    }
    channel.source = state.freeVoices.back();
    state.freeVoices.pop_back();
    alSourcei(channel.source, AL_BUFFER, static_cast<ALint>(channel.buffer));
    alSourcei(channel.source, AL_SOURCE_RELATIVE, AL_TRUE);
    alSourcef(channel.source, AL_ROLLOFF_FACTOR, 0.0f);
    if (state.spatialize) {
        alSourcei(channel.source, AL_SOURCE_SPATIALIZE_SOFT, AL_TRUE);
    }
    ApplyAttributes(channel);
    return true;
}

void DeleteChannel(Channel& channel)
{
    ReleaseVoice(channel);
    alDeleteBuffers(1, &channel.buffer);
}

void DeleteVoices()
{
    for (ALuint source : state.freeVoices) {
        alDeleteSources(1, &source);
    }
    state.freeVoices.clear();
    state.voices = 0;
}

// Frequency argument: -1 keeps, 0 is the file's rate; false for one outside the accepted range.
bool ResolveFrequency(const Channel& channel, int frequency, float& hz)
{
    if (frequency == -1) {
        hz = channel.frequency;
        return true;
    }
    if (frequency == 0) {
        hz = static_cast<float>(channel.fileRate);
        return true;
    }
    if (frequency < BASS_MIN_FREQUENCY || frequency > BASS_MAX_FREQUENCY) {
        return false;
    }
    hz = static_cast<float>(frequency);
    return true;
}

constexpr ALint kAnySourceState = 0;  // no AL_SOURCE_STATE value is 0

// Pausing, resuming and stopping: under the lock and with the mix brought up to now, `change` runs on
// the channel of `handle` if there is one (else BASS_ERROR_HANDLE) and its source is in the state
// `needed` (else `wrongState`); kAnySourceState needs none.
BOOL ChangePlayback(DWORD handle, ALint needed, int wrongState, void (*change)(Channel&))
{
    std::lock_guard<std::mutex> lock(stateMutex);
    MixToNow();
    Channel* channel = FindChannel(handle);
    if (channel == nullptr) {
        return Fail(BASS_ERROR_HANDLE);
    }
    if (needed != kAnySourceState && SourceState(*channel) != needed) {
        return Fail(wrongState);
    }
    change(*channel);
    return Succeed();
}

}  // namespace

BOOL BASS_Init(int device, DWORD frequency, DWORD, HWND, const void*)
{
    bool fellBack = false;
    {
        std::lock_guard<std::mutex> lock(stateMutex);
        if (state.output != BassOutput::None) {
            return Fail(BASS_ERROR_ALREADY);
        }
        if (device < -1 || device > 1) {
            return Fail(BASS_ERROR_DEVICE);
        }
        if (frequency == 0) {
            frequency = kDefaultRate;
        }
        if (frequency < static_cast<DWORD>(kMinOutputRate) || frequency > static_cast<DWORD>(kMaxOutputRate)) {
            return Fail(BASS_ERROR_ILLPARAM);
        }
        state.rate = static_cast<int>(frequency);
        bool opened = false;
        if (ClockIsVirtual()) {
            opened = OpenLoopback(BassOutput::Virtual);
            // Where OpenAL has no loopback device (the browser's), a scripted run plays on the device.
            if (!opened && device != 0 && !PlatformIsHeadless()) {
                opened = OpenDevice();
            }
        } else {
            if (device != 0 && !PlatformIsHeadless()) {
                opened = capturing ? OpenRecordedDevice() : OpenDevice();
            }
            if (!opened) {
                opened = OpenLoopback(BassOutput::Null);
                fellBack = opened && !noticeGiven;
            }
        }
        if (!opened) {
            state = AudioState{};
            return Fail(BASS_ERROR_DRIVER);
        }
        state.spatialize = alIsExtensionPresent("AL_SOFT_source_spatialize") != AL_FALSE;
        alDistanceModel(AL_NONE);
        alListenerf(AL_GAIN, 1.0f);
        state.mixedTick = GetTickCount();
#if !defined(__EMSCRIPTEN__)
        if (state.output == BassOutput::Device) {
            slideThread = std::thread(SlideThreadMain);
        }
#endif
        noticeGiven = noticeGiven || fellBack;
        Succeed();
    }
    if (fellBack) {
        Notice("Nincs hangeszköz: a hangok a néma null kimenetre szólnak."_cp);
    }
    return 1;
}

BOOL BASS_SetVolume(DWORD volume)
{
    std::lock_guard<std::mutex> lock(stateMutex);
    if (state.output == BassOutput::None) {
        return Fail(BASS_ERROR_INIT);
    }
    if (volume > 100) {
        return Fail(BASS_ERROR_ILLPARAM);
    }
    MixToNow();
    alListenerf(AL_GAIN, static_cast<float>(volume) / 100.0f);
    state.changed = true;
    return Succeed();
}

BOOL BASS_Free()
{
    StopSlideThread();
    std::lock_guard<std::mutex> lock(stateMutex);
    if (state.output == BassOutput::None) {
        return Fail(BASS_ERROR_INIT);
    }
    for (auto& [handle, channel] : state.channels) {
        DeleteChannel(channel);
    }
    state.channels.clear();
    DeleteVoices();
    alcMakeContextCurrent(nullptr);
    alcDestroyContext(state.context);
    alcCloseDevice(state.device);
    if (state.playback != 0) {
        SDL_CloseAudioDevice(state.playback);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    state = AudioState{};
    return Succeed();
}

int BASS_ErrorGetCode()
{
    std::lock_guard<std::mutex> lock(stateMutex);
    return lastError;
}

HSTREAM BASS_StreamCreateFile(BOOL memory, const void* file, DWORD offset, DWORD length, DWORD flags)
{
    std::lock_guard<std::mutex> lock(stateMutex);
    if (state.output == BassOutput::None) {
        return Fail(BASS_ERROR_INIT);
    }
    MixToNow();
    if ((flags & BASS_SAMPLE_3D) != 0) {
        return Fail(BASS_ERROR_NO3D);
    }
    if (file == nullptr) {
        return Fail(BASS_ERROR_ILLPARAM);
    }
    // A memory image is taken as it is; a file by name is read whole, from `offset` for `length`
    // bytes (0: to its end).
    std::string fileBytes;
    const void* image = file;
    std::size_t imageLength = length;
    if (!memory) {
        FileProblem problem = FileProblem::None;
        if (!ReadRegularFile(static_cast<const char*>(file), SIZE_MAX, fileBytes, problem)) {
            return Fail(BASS_ERROR_FILEOPEN);
        }
        if (offset > fileBytes.size()) {
            return Fail(BASS_ERROR_FILEFORM);
        }
        std::size_t rest = fileBytes.size() - offset;
        imageLength = length == 0 ? rest : std::min<std::size_t>(length, rest);
        image = fileBytes.data() + offset;
    }
    DecodedSound decoded;
    int code = DecodeSoundImage(image, imageLength, (flags & BASS_SAMPLE_MONO) != 0, decoded);
    if (code != BASS_OK) {
        return Fail(code);
    }

    Channel channel{};
    channel.fileRate = decoded.rate;
    channel.loopByDefault = (flags & BASS_SAMPLE_LOOP) != 0;
    channel.frequency = static_cast<float>(decoded.rate);
    channel.volume = 100.0f;
    channel.pan = 0.0f;
    alGetError();
    alGenBuffers(1, &channel.buffer);
    if (alGetError() != AL_NO_ERROR) {
        return Fail(BASS_ERROR_MEM);
    }
    ALenum format = decoded.channels == 2 ? AL_FORMAT_STEREO16 : AL_FORMAT_MONO16;
    alBufferData(channel.buffer, format, decoded.samples.data(),
                 static_cast<ALsizei>(decoded.samples.size() * sizeof(std::int16_t)), decoded.rate);
    if (alGetError() != AL_NO_ERROR) {
        alDeleteBuffers(1, &channel.buffer);
        return Fail(BASS_ERROR_MEM);
    }

    HSTREAM handle = nextHandle++;
    if (nextHandle == 0) {
        nextHandle = 1;
    }
    state.channels.emplace(handle, channel);
    Succeed();
    return handle;
}

BOOL BASS_StreamFree(HSTREAM handle)
{
    std::lock_guard<std::mutex> lock(stateMutex);
    MixToNow();
    auto it = state.channels.find(handle);
    if (it == state.channels.end()) {
        return Fail(BASS_ERROR_HANDLE);
    }
    DeleteChannel(it->second);
    state.channels.erase(it);
    return Succeed();
}

BOOL BASS_StreamPlay(HSTREAM handle, BOOL flush, DWORD flags)
{
    std::lock_guard<std::mutex> lock(stateMutex);
    MixToNow();
    Channel* channel = FindChannel(handle);
    if (channel == nullptr) {
        return Fail(BASS_ERROR_HANDLE);
    }
    if (channel->source == 0 && !AcquireVoice(*channel)) {
        return Fail(BASS_ERROR_MEM);
    }
    bool looping = (flags & BASS_SAMPLE_LOOP) != 0 || channel->loopByDefault;
    alSourcei(channel->source, AL_LOOPING, looping ? AL_TRUE : AL_FALSE);
    if (flush) {
        alSourceRewind(channel->source);
        alSourcePlay(channel->source);
        channel->playOrder = ++state.plays;
        return Succeed();
    }
    // Without flush a playing channel goes on where it is (OpenAL would restart it); a paused one
    // continues, a stopped one starts.
    if (SourceState(*channel) != AL_PLAYING) {
        alSourcePlay(channel->source);
        channel->playOrder = ++state.plays;
    }
    return Succeed();
}

DWORD BASS_ChannelIsActive(DWORD handle)
{
    std::lock_guard<std::mutex> lock(stateMutex);
    MixToNow();
    Channel* channel = FindChannel(handle);
    if (channel == nullptr) {
        Fail(BASS_ERROR_HANDLE);
        return BASS_ACTIVE_STOPPED;
    }
    Succeed();
    const ALint sourceState = SourceState(*channel);
    if (sourceState == AL_PLAYING) {
        return BASS_ACTIVE_PLAYING;
    }
    if (sourceState == AL_PAUSED) {
        return BASS_ACTIVE_PAUSED;
    }
    return BASS_ACTIVE_STOPPED;
}

BOOL BASS_ChannelPause(DWORD handle)
{
    return ChangePlayback(handle, AL_PLAYING, BASS_ERROR_NOPLAY,
                          [](Channel& channel) { alSourcePause(channel.source); });
}

BOOL BASS_ChannelResume(DWORD handle)
{
    return ChangePlayback(handle, AL_PAUSED, BASS_ERROR_NOPAUSE,
                          [](Channel& channel) { alSourcePlay(channel.source); });
}

BOOL BASS_ChannelStop(DWORD handle)
{
    // Stopped and rewound: the voice goes back to the pool, the next play starts from the beginning.
    return ChangePlayback(handle, kAnySourceState, BASS_OK, ReleaseVoice);
}

BOOL BASS_ChannelSetAttributes(DWORD handle, int frequency, int volume, int pan)
{
    std::lock_guard<std::mutex> lock(stateMutex);
    MixToNow();
    Channel* channel = FindChannel(handle);
    if (channel == nullptr) {
        return Fail(BASS_ERROR_HANDLE);
    }
    float hz = 0.0f;
    if (!ResolveFrequency(*channel, frequency, hz)) {
        return Fail(BASS_ERROR_FREQ);
    }
    if (frequency != -1) {
        channel->frequency = hz;
        channel->slides[kSlideFrequency].active = false;
    }
    if (volume != -1) {
        channel->volume = static_cast<float>(std::clamp(volume, 0, 100));
        channel->slides[kSlideVolume].active = false;
    }
    if (pan != -101) {
        channel->pan = static_cast<float>(std::clamp(pan, -100, 100));
        channel->slides[kSlidePan].active = false;
    }
    ApplyAttributes(*channel);
    state.changed = true;
    return Succeed();
}

BOOL BASS_ChannelSlideAttributes(DWORD handle, int frequency, int volume, int pan, DWORD time)
{
    std::lock_guard<std::mutex> lock(stateMutex);
    MixToNow();
    Channel* channel = FindChannel(handle);
    if (channel == nullptr) {
        return Fail(BASS_ERROR_HANDLE);
    }
    float hz = 0.0f;
    if (!ResolveFrequency(*channel, frequency, hz)) {
        return Fail(BASS_ERROR_FREQ);
    }
    DWORD now = GetTickCount();
    auto start = [&](int attribute, float target) {
        channel->slides[attribute] = Slide{true, now, time, AttributeOf(*channel, attribute), target};
    };
    if (frequency != -1) {
        start(kSlideFrequency, hz);
    }
    if (volume != -1) {
        start(kSlideVolume, static_cast<float>(std::clamp(volume, 0, 100)));
    }
    if (pan != -101) {
        start(kSlidePan, static_cast<float>(std::clamp(pan, -100, 100)));
    }
    // A slide of no time takes its target at once.
    ApplySlides(now);
    state.changed = true;
    return Succeed();
}

BassOutput BassGetOutput()
{
    std::lock_guard<std::mutex> lock(stateMutex);
    return state.output;
}

void BassUpdate()
{
    std::lock_guard<std::mutex> lock(stateMutex);
    MixToNow();
#if defined(__EMSCRIPTEN__)
    // The browser build has no threads: a real device's slides move once a frame instead.
    if (state.output == BassOutput::Device) {
        ApplySlides(GetTickCount());
    }
#endif
}

void BassCaptureSet(bool on)
{
    std::lock_guard<std::mutex> lock(stateMutex);
    MixToNow();
    capturing = on;
    capture.clear();
    capture.shrink_to_fit();
}

std::vector<float> BassCaptureTake()
{
    std::lock_guard<std::mutex> lock(stateMutex);
    MixToNow();
    std::vector<float> taken;
    taken.swap(capture);
    return taken;
}

int BassCaptureRate()
{
    std::lock_guard<std::mutex> lock(stateMutex);
    return captureRate;
}

int BassOutputRate()
{
    std::lock_guard<std::mutex> lock(stateMutex);
    return state.rate;
}

void BassSetNoticeHandler(BassNoticeHandler handler)
{
    std::lock_guard<std::mutex> lock(stateMutex);
    noticeHandler = handler;
}

void BassReset()
{
    BASS_Free();
    std::lock_guard<std::mutex> lock(stateMutex);
    lastError = BASS_OK;
    capturing = false;
    capture.clear();
    capture.shrink_to_fit();
    captureRate = 0;
    noticeGiven = false;
}
