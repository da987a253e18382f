// Decoding a sound file image into 16-bit PCM, in this order:
//
//   1. Memory file: the image as libsndfile's virtual I/O (and libmpg123's reader, below).
//   2. Through libsndfile (DecodeWithSndfile): floats to 16 bits with clipping (ToPcm16); more than
//      two channels mixed down to stereo by their positions (ChannelPositions, WeightsOf).
//   3. MPEG audio through libmpg123 (DecodeMpeg): frame headers (ReadMpegHeader), where the audio
//      starts (FindMpegStart), decoding to the end of the image.
//   4. DecodeSoundImage: libsndfile for what it opens other than MPEG audio, libmpg123 for MPEG audio
//      and for what libsndfile cannot open; then the mix to mono when asked.
#include "platform/bass/decode.h"

#include <mpg123.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "platform/bass/bass.h"

namespace {

// A read-only view of the file image that libsndfile reads through its virtual I/O callbacks.
struct MemoryFile {
    const std::uint8_t* data;
    sf_count_t length;
    sf_count_t position;
};

sf_count_t MemoryLength(void* user)
{
    return static_cast<MemoryFile*>(user)->length;
}

sf_count_t MemorySeek(sf_count_t offset, int whence, void* user)
{
    auto* file = static_cast<MemoryFile*>(user);
    sf_count_t base = 0;
    if (whence == SEEK_CUR) {
        base = file->position;
    } else if (whence == SEEK_END) {
        base = file->length;
    } else if (whence != SEEK_SET) {
        return -1;
    }
    // Positions are kept inside 0..length; a seek outside reports failure and leaves it unchanged.
    if ((offset > 0 && base > file->length - offset) || base + offset < 0) {
        return -1;
    }
    file->position = base + offset;
    return file->position;
}

sf_count_t MemoryRead(void* destination, sf_count_t count, void* user)
{
    auto* file = static_cast<MemoryFile*>(user);
    if (count <= 0) {
        return 0;
    }
    sf_count_t left = file->length - file->position;
    sf_count_t n = std::min(count, left);
    if (n > 0) {
        std::memcpy(destination, file->data + file->position, static_cast<std::size_t>(n));
        file->position += n;
    }
    return n;
}

sf_count_t MemoryWrite(const void*, sf_count_t, void*)
{
    return 0;
}

sf_count_t MemoryTell(void* user)
{
    return static_cast<MemoryFile*>(user)->position;
}

int OpenError(int sndfileError)
{
    return sndfileError == SF_ERR_UNSUPPORTED_ENCODING ? BASS_ERROR_FORMAT : BASS_ERROR_FILEFORM;
}

// Files of more channels than two are mixed down to stereo; beyond this count they are refused.
constexpr int kMaxFileChannels = 64;

// Float samples (libsndfile's scale: integers read as -1..1, float files as they are) to 16 bits,
// with what lies beyond full scale clipped.
std::int16_t ToPcm16(float value)
{
    const float scaled = value * 32768.0f;
    if (!(scaled > -32768.0f)) {
        return scaled != scaled ? 0 : -32768;  // NaN is silence
    }
    if (scaled >= 32767.0f) {
        return 32767;
    }
    return static_cast<std::int16_t>(std::lrint(scaled));
}

// Left and right weights of one channel position when several channels are mixed down to stereo:
// front sides go whole to their side, the centre and the back and side pairs at -3 dB, the low
// frequency channel is left out, and a channel whose position is not known goes to both sides.
struct StereoWeights {
    float left;
    float right;
};

StereoWeights WeightsOf(int position)
{
    constexpr float kHalfPower = 0.70710678f;
    switch (position) {
    case SF_CHANNEL_MAP_LEFT:
    case SF_CHANNEL_MAP_FRONT_LEFT: return {1.0f, 0.0f};
    case SF_CHANNEL_MAP_RIGHT:
    case SF_CHANNEL_MAP_FRONT_RIGHT: return {0.0f, 1.0f};
    case SF_CHANNEL_MAP_FRONT_LEFT_OF_CENTER:
    case SF_CHANNEL_MAP_REAR_LEFT:
    case SF_CHANNEL_MAP_SIDE_LEFT:
    case SF_CHANNEL_MAP_TOP_FRONT_LEFT:
    case SF_CHANNEL_MAP_TOP_REAR_LEFT: return {kHalfPower, 0.0f};
    case SF_CHANNEL_MAP_FRONT_RIGHT_OF_CENTER:
    case SF_CHANNEL_MAP_REAR_RIGHT:
    case SF_CHANNEL_MAP_SIDE_RIGHT:
    case SF_CHANNEL_MAP_TOP_FRONT_RIGHT:
    case SF_CHANNEL_MAP_TOP_REAR_RIGHT: return {0.0f, kHalfPower};
    case SF_CHANNEL_MAP_LFE: return {0.0f, 0.0f};
    default: return {kHalfPower, kHalfPower};
    }
}

// The positions of a file's channels: from the file where it says (WAVE_FORMAT_EXTENSIBLE's mask),
// otherwise the usual order of that many channels.
std::vector<int> ChannelPositions(SNDFILE* sound, int channels)
{
    std::vector<int> positions(static_cast<std::size_t>(channels), SF_CHANNEL_MAP_INVALID);
    if (sf_command(sound, SFC_GET_CHANNEL_MAP_INFO, positions.data(),
                   static_cast<int>(positions.size() * sizeof(int))) == SF_TRUE) {
        return positions;
    }
    static const int kUsual[9][8] = {
        {},
        {},
        {},
        {SF_CHANNEL_MAP_LEFT, SF_CHANNEL_MAP_RIGHT, SF_CHANNEL_MAP_CENTER},
        {SF_CHANNEL_MAP_FRONT_LEFT, SF_CHANNEL_MAP_FRONT_RIGHT, SF_CHANNEL_MAP_REAR_LEFT, SF_CHANNEL_MAP_REAR_RIGHT},
        {SF_CHANNEL_MAP_FRONT_LEFT, SF_CHANNEL_MAP_FRONT_RIGHT, SF_CHANNEL_MAP_CENTER, SF_CHANNEL_MAP_REAR_LEFT,
         SF_CHANNEL_MAP_REAR_RIGHT},
        {SF_CHANNEL_MAP_FRONT_LEFT, SF_CHANNEL_MAP_FRONT_RIGHT, SF_CHANNEL_MAP_CENTER, SF_CHANNEL_MAP_LFE,
         SF_CHANNEL_MAP_REAR_LEFT, SF_CHANNEL_MAP_REAR_RIGHT},
        {SF_CHANNEL_MAP_FRONT_LEFT, SF_CHANNEL_MAP_FRONT_RIGHT, SF_CHANNEL_MAP_CENTER, SF_CHANNEL_MAP_LFE,
         SF_CHANNEL_MAP_REAR_CENTER, SF_CHANNEL_MAP_SIDE_LEFT, SF_CHANNEL_MAP_SIDE_RIGHT},
        {SF_CHANNEL_MAP_FRONT_LEFT, SF_CHANNEL_MAP_FRONT_RIGHT, SF_CHANNEL_MAP_CENTER, SF_CHANNEL_MAP_LFE,
         SF_CHANNEL_MAP_REAR_LEFT, SF_CHANNEL_MAP_REAR_RIGHT, SF_CHANNEL_MAP_SIDE_LEFT, SF_CHANNEL_MAP_SIDE_RIGHT},
    };
    if (channels <= 8) {
        std::copy_n(kUsual[channels], channels, positions.begin());
    }
    return positions;
}

// Everything libsndfile reads except MPEG audio: read as floats at the file's own level, turned
// into 16 bits; more than two channels mixed down to stereo.
int DecodeWithSndfile(SNDFILE* sound, const SF_INFO& info, DecodedSound& out)
{
    if (info.channels < 1 || info.channels > kMaxFileChannels || info.samplerate < kDecodeMinRate ||
        info.samplerate > kDecodeMaxRate) {
        return BASS_ERROR_FORMAT;
    }
    const int channels = info.channels;
    const int outChannels = std::min(channels, 2);
    std::vector<StereoWeights> weights;
    float leftTotal = 0.0f;
    float rightTotal = 0.0f;
    if (channels > 2) {
        for (int position : ChannelPositions(sound, channels)) {
            weights.push_back(WeightsOf(position));
            leftTotal += weights.back().left;
            rightTotal += weights.back().right;
        }
    }
    // Each side is divided by its weights' sum, so a sound in every channel keeps its level.
    const float leftScale = leftTotal > 0.0f ? 1.0f / leftTotal : 0.0f;
    const float rightScale = rightTotal > 0.0f ? 1.0f / rightTotal : 0.0f;
    int result = BASS_OK;
    // Read in blocks until the end: the frame count of a damaged header is not trusted.
    std::vector<float> block(static_cast<std::size_t>(4096 / channels + 1) * channels);
    const sf_count_t blockFrames = static_cast<sf_count_t>(block.size()) / channels;
    try {
        for (;;) {
            sf_count_t got = sf_readf_float(sound, block.data(), blockFrames);
            if (got <= 0) {
                break;
            }
            const auto frames = static_cast<std::size_t>(got);
            if (out.samples.size() + frames * outChannels > kDecodeMaxSamples) {
                result = BASS_ERROR_MEM;
                break;
            }
            for (std::size_t f = 0; f < frames; ++f) {
                const float* frame = block.data() + f * channels;
                if (channels <= 2) {
                    for (int c = 0; c < channels; ++c) {
                        out.samples.push_back(ToPcm16(frame[c]));
                    }
                    continue;
                }
                float left = 0.0f;
                float right = 0.0f;
                for (int c = 0; c < channels; ++c) {
                    left += weights[c].left * frame[c];
                    right += weights[c].right * frame[c];
                }
                out.samples.push_back(ToPcm16(left * leftScale));
                out.samples.push_back(ToPcm16(right * rightScale));
            }
        }
    } catch (const std::bad_alloc&) {
        result = BASS_ERROR_MEM;
    }
    if (result == BASS_OK && sf_error(sound) != SF_ERR_NO_ERROR && out.samples.empty()) {
        result = BASS_ERROR_FILEFORM;
    }
    out.channels = outChannels;
    out.rate = info.samplerate;
    return result;
}

// ---- MPEG audio through libmpg123 ----

// One MPEG audio frame header: its length in bytes and what must stay the same from frame to frame.
struct MpegFrame {
    std::size_t length = 0;
    int version = 0;  // 3: MPEG-1, 2: MPEG-2, 0: MPEG-2.5
    int layer = 0;    // 3: layer I, 2: layer II, 1: layer III (as coded)
    int rate = 0;
};

bool ReadMpegHeader(const std::uint8_t* p, MpegFrame& frame)
{
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) {
        return false;
    }
    const int version = (p[1] >> 3) & 3;
    const int layer = (p[1] >> 1) & 3;
    const int bitrateIndex = p[2] >> 4;
    const int rateIndex = (p[2] >> 2) & 3;
    if (version == 1 || layer == 0 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3 || (p[3] & 3) == 2) {
        return false;  // reserved values; free-format streams are not recognised
    }
    static const int kKbps[2][3][15] = {
        {// MPEG-1: layer III, II, I
         {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},
         {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
         {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448}},
        {// MPEG-2 and 2.5
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
         {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256}},
    };
    static const int kRates[3] = {44100, 48000, 32000};
    const bool mpeg1 = version == 3;
    const int rate = kRates[rateIndex] >> (mpeg1 ? 0 : version == 2 ? 1 : 2);
    const int kbps = kKbps[mpeg1 ? 0 : 1][layer - 1][bitrateIndex];
    const int padding = (p[2] >> 1) & 1;
    if (layer == 3) {
        frame.length = static_cast<std::size_t>((12000 * kbps / rate + padding) * 4);
    } else {
        const int factor = (layer == 1 && !mpeg1) ? 72000 : 144000;
        frame.length = static_cast<std::size_t>(factor * kbps / rate + padding);
    }
    frame.version = version;
    frame.layer = layer;
    frame.rate = rate;
    return frame.length >= 4;
}

// Where the MPEG audio of the image starts: after an ID3v2 tag, at the first frame header followed
// by another of the same kind (a stream cut mid-frame starts at its next whole frame), or a single
// frame filling the image. npos when the image holds no MPEG audio.
std::size_t FindMpegStart(const std::uint8_t* data, std::size_t length)
{
    constexpr std::size_t kSearch = 64 * 1024;
    std::size_t start = 0;
    if (length >= 10 && std::memcmp(data, "ID3", 3) == 0) {
        const std::size_t tag = static_cast<std::size_t>(data[6] & 0x7F) << 21 |
                                static_cast<std::size_t>(data[7] & 0x7F) << 14 |
                                static_cast<std::size_t>(data[8] & 0x7F) << 7 | (data[9] & 0x7F);
        start = 10 + tag + ((data[5] & 0x10) != 0 ? 10 : 0);
    }
    for (std::size_t i = start; i + 4 <= length && i < start + kSearch; ++i) {
        MpegFrame frame;
        if (!ReadMpegHeader(data + i, frame)) {
            continue;
        }
        const std::size_t next = i + frame.length;
        MpegFrame following;
        if (next + 4 <= length && ReadMpegHeader(data + next, following) && following.version == frame.version &&
            following.layer == frame.layer && following.rate == frame.rate) {
            return i;
        }
        if (i == start && next <= length && next + 4 > length) {
            return i;
        }
    }
    return std::string::npos;
}

// libmpg123 reads the same in-memory view as libsndfile.
ssize_t MpegRead(void* handle, void* destination, std::size_t count)
{
    return static_cast<ssize_t>(MemoryRead(destination, static_cast<sf_count_t>(count), handle));
}

off_t MpegSeek(void* handle, off_t offset, int whence)
{
    return static_cast<off_t>(MemorySeek(static_cast<sf_count_t>(offset), whence, handle));
}

// Decodes MPEG audio layers I to III, from a frame header at `data`, to its end: the length is what
// decodes, not what a header claims. libmpg123 decodes to stereo throughout, so a change of channel
// mode inside the stream goes on playing; the sound keeps the channel count of the first frame. A
// change of sampling rate ends the sound there.
int DecodeMpeg(const std::uint8_t* data, std::size_t length, DecodedSound& out)
{
    const bool monoStream = (data[3] >> 6) == 3;
    static const bool initialised = mpg123_init() == MPG123_OK;
    if (!initialised) {
        return BASS_ERROR_FORMAT;
    }
    int error = MPG123_OK;
    mpg123_handle* handle = mpg123_new(nullptr, &error);
    if (handle == nullptr) {
        return BASS_ERROR_MEM;
    }
    mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_FORCE_STEREO, 0.0);
    mpg123_format_none(handle);
    const long* rates = nullptr;
    std::size_t rateCount = 0;
    mpg123_rates(&rates, &rateCount);
    for (std::size_t i = 0; i < rateCount; ++i) {
        mpg123_format(handle, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    }
    MemoryFile input{data, static_cast<sf_count_t>(length), 0};
    int result = BASS_OK;
    if (mpg123_replace_reader_handle(handle, MpegRead, MpegSeek, nullptr) != MPG123_OK ||
        mpg123_open_handle(handle, &input) != MPG123_OK) {
        mpg123_delete(handle);
        return BASS_ERROR_FILEFORM;
    }
    std::vector<std::int16_t> block(8192);
    int streamChannels = 0;
    out.channels = monoStream ? 1 : 2;
    try {
        for (;;) {
            std::size_t bytes = 0;
            error = mpg123_read(handle, block.data(), block.size() * sizeof(std::int16_t), &bytes);
            if (error == MPG123_NEW_FORMAT) {
                long rate = 0;
                int channels = 0;
                int encoding = 0;
                mpg123_getformat(handle, &rate, &channels, &encoding);
                if (out.rate != 0 && rate != out.rate) {
                    break;
                }
                if (rate < kDecodeMinRate || rate > kDecodeMaxRate || channels < 1 || channels > 2) {
                    result = BASS_ERROR_FORMAT;
                    break;
                }
                out.rate = static_cast<int>(rate);
                streamChannels = channels;
            }
            const std::size_t count = bytes / sizeof(std::int16_t);
            if (count > 0 && streamChannels > 0) {
                if (out.samples.size() + count * 2 > kDecodeMaxSamples) {
                    result = BASS_ERROR_MEM;
                    break;
                }
                if (streamChannels == out.channels) {
                    out.samples.insert(out.samples.end(), block.begin(),
                                       block.begin() + static_cast<std::ptrdiff_t>(count));
                } else if (out.channels == 2) {
                    for (std::size_t i = 0; i < count; ++i) {
                        out.samples.insert(out.samples.end(), 2, block[i]);
                    }
                } else {
                    for (std::size_t i = 0; i + 1 < count; i += 2) {
                        out.samples.push_back(static_cast<std::int16_t>((block[i] + block[i + 1]) / 2));
                    }
                }
            }
            if (error != MPG123_OK && error != MPG123_NEW_FORMAT) {
                break;  // the end (MPG123_DONE), or damage the decoder cannot get past
            }
        }
    } catch (const std::bad_alloc&) {
        result = BASS_ERROR_MEM;
    }
    mpg123_close(handle);
    mpg123_delete(handle);
    if (result == BASS_OK && out.samples.empty()) {
        result = BASS_ERROR_FILEFORM;
    }
    return result;
}

}  // namespace

int DecodeSoundImage(const void* image, std::size_t length, bool mono, DecodedSound& out)
{
    out = DecodedSound{};
    if (image == nullptr || length == 0) {
        return BASS_ERROR_FILEFORM;
    }
    const auto* bytes = static_cast<const std::uint8_t*>(image);
    MemoryFile file{bytes, static_cast<sf_count_t>(length), 0};
    SF_VIRTUAL_IO io{MemoryLength, MemorySeek, MemoryRead, MemoryWrite, MemoryTell};
    SF_INFO info{};
    SNDFILE* sound = sf_open_virtual(&io, SFM_READ, &info, &file);
    int result = BASS_OK;
    if (sound != nullptr && (info.format & SF_FORMAT_TYPEMASK) != SF_FORMAT_MPEG) {
        result = DecodeWithSndfile(sound, info, out);
        sf_close(sound);
    } else {
        // MPEG audio, also where libsndfile cannot open it (a stream cut mid-frame, for one): its
        // own frame count is an estimate that cuts VBR streams short, so libmpg123 decodes it.
        result = sound == nullptr ? OpenError(sf_error(nullptr)) : BASS_ERROR_FILEFORM;
        if (sound != nullptr) {
            sf_close(sound);
        }
        const std::size_t start = FindMpegStart(bytes, length);
        if (start != std::string::npos) {
            result = DecodeMpeg(bytes + start, length - start, out);
        }
    }
    if (result != BASS_OK) {
        out = DecodedSound{};
        return result;
    }
    if (mono && out.channels == 2) {
        std::size_t frames = out.samples.size() / 2;
        for (std::size_t i = 0; i < frames; ++i) {
            int sum = out.samples[2 * i] + out.samples[2 * i + 1];
            out.samples[i] = static_cast<std::int16_t>(sum / 2);
        }
        out.samples.resize(frames);
        out.channels = 1;
    }
    return BASS_OK;
}
