// Sound files (WAV, MP3, ...) decoded from memory as stream creation does, in stereo and mono.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/bass/decode.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    for (const bool mono : {false, true}) {
        DecodedSound sound;
        if (DecodeSoundImage(data, size, mono, sound) != 0) {
            continue;
        }
        if (sound.channels < 1 || sound.channels > 2 || (mono && sound.channels != 1) || sound.rate < kDecodeMinRate ||
            sound.rate > kDecodeMaxRate || sound.samples.size() % static_cast<std::size_t>(sound.channels) != 0 ||
            sound.samples.size() > kDecodeMaxSamples) {
            std::abort();
        }
    }
    return 0;
}
