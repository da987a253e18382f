// Sound files made in memory for the tests: a small RIFF/WAVE writer, sine waves, an MP3 encoder
// through libsndfile, and measurements of the mixed stereo output.
#pragma once

#include <sndfile.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

#include "platform/bass/wav.h"

namespace testsound {

// A 16-bit PCM WAV file of interleaved samples.
inline std::vector<std::uint8_t> Wav(const std::vector<std::int16_t>& samples, int channels, int rate)
{
    const std::string bytes = WavPcm16(samples, channels, rate);
    return {bytes.begin(), bytes.end()};
}

// `frames` frames of a sine of `hz` at amplitude `level` (0..1), the same in every channel.
inline std::vector<std::int16_t> Sine(double hz, int rate, int frames, int channels = 1, double level = 0.5)
{
    std::vector<std::int16_t> out;
    out.reserve(static_cast<std::size_t>(frames * channels));
    for (int i = 0; i < frames; ++i) {
        double v = level * std::sin(2.0 * std::numbers::pi * hz * i / rate);
        for (int c = 0; c < channels; ++c) {
            out.push_back(static_cast<std::int16_t>(std::lround(v * 32767.0)));
        }
    }
    return out;
}

inline std::vector<std::uint8_t> SineWav(double hz, int rate, int milliseconds, int channels = 1)
{
    return Wav(Sine(hz, rate, rate * milliseconds / 1000, channels), channels, rate);
}

// libsndfile's virtual I/O over a growing byte vector, for writing an MP3 in memory.
struct WriteTarget {
    std::vector<std::uint8_t> bytes;
    sf_count_t position = 0;
};

inline sf_count_t TargetLength(void* user)
{
    return static_cast<sf_count_t>(static_cast<WriteTarget*>(user)->bytes.size());
}

inline sf_count_t TargetSeek(sf_count_t offset, int whence, void* user)
{
    auto* t = static_cast<WriteTarget*>(user);
    sf_count_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? t->position : TargetLength(user);
    t->position = base + offset;
    return t->position;
}

inline sf_count_t TargetRead(void* destination, sf_count_t count, void* user)
{
    auto* t = static_cast<WriteTarget*>(user);
    sf_count_t left = TargetLength(user) - t->position;
    sf_count_t n = count < left ? count : left;
    if (n <= 0) {
        return 0;
    }
    std::memcpy(destination, t->bytes.data() + t->position, static_cast<std::size_t>(n));
    t->position += n;
    return n;
}

inline sf_count_t TargetWrite(const void* source, sf_count_t count, void* user)
{
    auto* t = static_cast<WriteTarget*>(user);
    auto end = static_cast<std::size_t>(t->position + count);
    if (end > t->bytes.size()) {
        t->bytes.resize(end);
    }
    std::memcpy(t->bytes.data() + t->position, source, static_cast<std::size_t>(count));
    t->position += count;
    return count;
}

inline sf_count_t TargetTell(void* user)
{
    return static_cast<WriteTarget*>(user)->position;
}

// A mono MP3 of a sine; empty when this libsndfile cannot encode MP3.
inline std::vector<std::uint8_t> SineMp3(double hz, int rate, int milliseconds)
{
    WriteTarget target;
    SF_VIRTUAL_IO io{TargetLength, TargetSeek, TargetRead, TargetWrite, TargetTell};
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 1;
    info.format = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
    SNDFILE* file = sf_open_virtual(&io, SFM_WRITE, &info, &target);
    if (file == nullptr) {
        return {};
    }
    std::vector<std::int16_t> pcm = Sine(hz, rate, rate * milliseconds / 1000);
    sf_writef_short(file, pcm.data(), static_cast<sf_count_t>(pcm.size()));
    sf_close(file);
    return target.bytes;
}

// ---- Measurements of interleaved stereo output ----

struct Levels {
    double left;
    double right;
};

// Root mean square of each side over frames [first, first + count).
inline Levels Rms(const std::vector<float>& stereo, std::size_t first, std::size_t count)
{
    double l = 0.0;
    double r = 0.0;
    for (std::size_t i = first; i < first + count && 2 * i + 1 < stereo.size(); ++i) {
        l += stereo[2 * i] * stereo[2 * i];
        r += stereo[2 * i + 1] * stereo[2 * i + 1];
    }
    double n = count > 0 ? static_cast<double>(count) : 1.0;
    return {std::sqrt(l / n), std::sqrt(r / n)};
}

// Frequency of the louder side over frames [first, first + count), from its rising zero crossings.
inline double ZeroCrossingHz(const std::vector<float>& stereo, std::size_t first, std::size_t count, int rate)
{
    Levels levels = Rms(stereo, first, count);
    std::size_t side = levels.left >= levels.right ? 0 : 1;
    int crossings = 0;
    for (std::size_t i = first + 1; i < first + count && 2 * i + 1 < stereo.size(); ++i) {
        if (stereo[2 * (i - 1) + side] < 0.0f && stereo[2 * i + side] >= 0.0f) {
            ++crossings;
        }
    }
    return crossings * static_cast<double>(rate) / static_cast<double>(count);
}

}  // namespace testsound
