// Sound files from tests/data/sounds (made by tests/data/make_samples.py with sox and lame): each
// decodes whole, at the level it was written.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/bass/bass.h"
#include "platform/bass/decode.h"

namespace {

std::vector<std::uint8_t> ReadSound(const std::string& name)
{
    std::ifstream in(std::string(AVIORRA_SOURCE_DIR) + "/tests/data/sounds/" + name, std::ios::binary);
    EXPECT_TRUE(in.good()) << name;
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Root mean square of one channel over frames [first, last).
double ChannelRms(const DecodedSound& sound, int channel, std::size_t first, std::size_t last)
{
    double sum = 0.0;
    const std::size_t frames = sound.samples.size() / static_cast<std::size_t>(sound.channels);
    last = std::min(last, frames);
    for (std::size_t f = first; f < last; ++f) {
        const double v = sound.samples[f * static_cast<std::size_t>(sound.channels) + channel];
        sum += v * v;
    }
    return last > first ? std::sqrt(sum / static_cast<double>(last - first)) : 0.0;
}

// A sine at half of full scale.
const double kHalfScaleSineRms = 0.5 * 32767.0 / std::sqrt(2.0);

struct SoundSample {
    const char* file;
    int channels;
    int rate;
    std::size_t minFrames;
    std::size_t maxFrames;
    double leftRms;  // of the first channel, over the middle of the sound
    double tolerance;
};

// MPEG-2.5 layer III frames hold 576 samples; the encoder adds its delay and padding around the
// 4000 frames of each source.
const SoundSample kSamples[] = {
    {"tone-int16.wav", 1, 8000, 800, 800, kHalfScaleSineRms, 0.01},
    {"tone-float32.wav", 1, 8000, 800, 800, kHalfScaleSineRms, 0.01},
    {"tone-float64.wav", 1, 8000, 800, 800, kHalfScaleSineRms, 0.01},
    // Front left alone of 5.1, mixed down: the left side divided by its weights 1 + 2 x 0.7071.
    {"surround51.wav", 2, 8000, 400, 400, kHalfScaleSineRms / 2.4142, 0.03},
    // Without a Xing header libsndfile estimated the length from the first frames and cut the rest.
    {"vbr-no-xing.mp3", 1, 8000, 4000, 4000 + 3 * 576, kHalfScaleSineRms, 0.2},
    // A mono stream, then a stereo one: both play, in the channel count of the first.
    {"mode-change.mp3", 1, 8000, 8000, 8000 + 6 * 576, kHalfScaleSineRms, 0.2},
    // Cut 37 bytes into its first frame: decoding starts at the next whole frame.
    {"mid-frame.mp3", 1, 8000, 4000 - 2 * 576, 4000 + 2 * 576, kHalfScaleSineRms, 0.2},
};

}  // namespace

TEST(SampleSounds, EachDecodesWholeAtItsOwnLevel)
{
    for (const SoundSample& sample : kSamples) {
        SCOPED_TRACE(sample.file);
        DecodedSound sound;
        ASSERT_EQ(DecodeSoundImage(ReadSound(sample.file).data(), ReadSound(sample.file).size(), false, sound),
                  BASS_OK);
        EXPECT_EQ(sound.channels, sample.channels);
        EXPECT_EQ(sound.rate, sample.rate);
        const std::size_t frames = sound.samples.size() / static_cast<std::size_t>(sound.channels);
        EXPECT_GE(frames, sample.minFrames);
        EXPECT_LE(frames, sample.maxFrames);
        const double rms = ChannelRms(sound, 0, frames / 4, frames * 3 / 4);
        EXPECT_NEAR(rms, sample.leftRms, sample.leftRms * sample.tolerance);
    }
}

TEST(SampleSounds, MixdownPlacesChannelsAndMpegModeChangesKeepPlaying)
{
    const std::vector<std::uint8_t> surround = ReadSound("surround51.wav");
    DecodedSound sound;
    ASSERT_EQ(DecodeSoundImage(surround.data(), surround.size(), false, sound), BASS_OK);
    EXPECT_LT(ChannelRms(sound, 1, 0, 400), 1.0) << "front left stays out of the right side";
    ASSERT_EQ(DecodeSoundImage(surround.data(), surround.size(), true, sound), BASS_OK);
    EXPECT_EQ(sound.channels, 1);
    EXPECT_NEAR(ChannelRms(sound, 0, 100, 300), kHalfScaleSineRms / 2.4142 / 2, 100.0);

    // The stereo second half of the mode change is heard, not silence.
    const std::vector<std::uint8_t> change = ReadSound("mode-change.mp3");
    ASSERT_EQ(DecodeSoundImage(change.data(), change.size(), false, sound), BASS_OK);
    EXPECT_GT(ChannelRms(sound, 0, 6000, 9500), kHalfScaleSineRms * 0.7);

    // A stream cut so far that no whole frame is left, and bytes that only start like a frame header.
    const std::vector<std::uint8_t> mp3 = ReadSound("vbr-no-xing.mp3");
    EXPECT_NE(DecodeSoundImage(mp3.data(), 30, false, sound), BASS_OK);
    const std::uint8_t header[] = {0xFF, 0xE3, 0x18, 0xC4, 0x00, 0x00, 0x00, 0x00};
    EXPECT_EQ(DecodeSoundImage(header, sizeof header, false, sound), BASS_ERROR_FILEFORM);
    EXPECT_TRUE(sound.samples.empty());
}
