#include "platform/bass/decode.h"

#include <sndfile.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

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

}  // namespace

int DecodeSoundImage(const void* image, std::size_t length, bool mono, DecodedSound& out)
{
    out = DecodedSound{};
    if (image == nullptr || length == 0) {
        return BASS_ERROR_FILEFORM;
    }
    MemoryFile file{static_cast<const std::uint8_t*>(image), static_cast<sf_count_t>(length), 0};
    SF_VIRTUAL_IO io{MemoryLength, MemorySeek, MemoryRead, MemoryWrite, MemoryTell};
    SF_INFO info{};
    SNDFILE* sound = sf_open_virtual(&io, SFM_READ, &info, &file);
    if (sound == nullptr) {
        return OpenError(sf_error(nullptr));
    }
    int result = BASS_OK;
    if (info.channels < 1 || info.channels > 2 || info.samplerate < kDecodeMinRate ||
        info.samplerate > kDecodeMaxRate) {
        result = BASS_ERROR_FORMAT;
    } else {
        // Read in blocks until the end: the frame count of a damaged header is not trusted.
        const int channels = info.channels;
        std::int16_t block[4096];
        const sf_count_t blockFrames = static_cast<sf_count_t>(std::size(block)) / channels;
        try {
            for (;;) {
                sf_count_t got = sf_readf_short(sound, block, blockFrames);
                if (got <= 0) {
                    break;
                }
                std::size_t count = static_cast<std::size_t>(got) * static_cast<std::size_t>(channels);
                if (out.samples.size() + count > kDecodeMaxSamples) {
                    result = BASS_ERROR_MEM;
                    break;
                }
                out.samples.insert(out.samples.end(), block, block + count);
            }
        } catch (const std::bad_alloc&) {
            result = BASS_ERROR_MEM;
        }
        if (result == BASS_OK && sf_error(sound) != SF_ERR_NO_ERROR && out.samples.empty()) {
            result = BASS_ERROR_FILEFORM;
        }
        out.channels = channels;
        out.rate = info.samplerate;
    }
    sf_close(sound);
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
