// Decoding a whole sound file image (WAV, MP3 and whatever else libsndfile reads) into 16-bit PCM.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct DecodedSound {
    std::vector<std::int16_t> samples;  // interleaved, `channels` per frame
    int channels = 0;                   // 1 or 2
    int rate = 0;                       // frames per second of the file
};

// File rates outside these bounds are refused as an unsupported format.
inline constexpr int kDecodeMinRate = 1000;
inline constexpr int kDecodeMaxRate = 384000;
// Upper bound of decoded samples (all channels together): 128 MiB of PCM.
inline constexpr std::size_t kDecodeMaxSamples = std::size_t{64} << 20;

// Decodes `length` bytes at `image`: WAV and the other formats of libsndfile at the file's own level
// (float and double samples scaled, not normalised; beyond full scale clipped), files of more than two
// channels mixed down to stereo, MPEG audio through libmpg123 to the end of what decodes. `mono`
// mixes a stereo sound down to one channel. Returns 0
// (BASS_OK) or the audio library's error code: BASS_ERROR_FILEFORM for data that is no sound file
// or is damaged, BASS_ERROR_FORMAT for a file whose encoding, channel count or rate is not
// supported, BASS_ERROR_MEM when the decoded sound would be too large.
int DecodeSoundImage(const void* image, std::size_t length, bool mono, DecodedSound& out);
