#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "../../support/sound_files.h"
#include "platform/bass/bass.h"

using namespace testsound;

namespace {

constexpr int kRate = 44100;

// The output frame at `ms` milliseconds.
constexpr std::size_t Frames(int ms)
{
    return static_cast<std::size_t>(ms) * kRate / 1000;
}

// Levels over a 100 ms listen, without its first 2 ms (where a changed gain or pan moves over).
Levels Steady(const std::vector<float>& out)
{
    return Rms(out, Frames(2), Frames(98));
}

std::vector<std::string> notices;

void CollectNotice(const char* text)
{
    notices.emplace_back(text);
}

// Virtual time, a started library and the capture of everything it mixes.
class BassTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        BassReset();
        notices.clear();
        BassSetNoticeHandler(CollectNotice);
        ClockUseVirtualTime(5000);
        ASSERT_TRUE(BASS_Init(1, kRate, 0, nullptr, nullptr));
        BassCaptureSet(true);
    }

    void TearDown() override
    {
        BassReset();
        BassSetNoticeHandler(nullptr);
        ClockUseRealTime();
    }

    HSTREAM Create(const std::vector<std::uint8_t>& file, DWORD flags = 0)
    {
        return BASS_StreamCreateFile(1, file.data(), 0, static_cast<DWORD>(file.size()), flags);
    }

    // Lets `ms` milliseconds of the game clock pass and returns what was mixed meanwhile.
    std::vector<float> Listen(DWORD ms)
    {
        BassCaptureTake();
        ClockAdvance(ms);
        return BassCaptureTake();
    }
};

TEST_F(BassTest, LifecycleErrorsAndOutputs)
{
    EXPECT_EQ(BassGetOutput(), BassOutput::Virtual);
    EXPECT_EQ(BassOutputRate(), kRate);
    EXPECT_TRUE(notices.empty()) << "virtual time is no fall-back";

    EXPECT_FALSE(BASS_Init(1, kRate, 0, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ALREADY);

    EXPECT_TRUE(BASS_SetVolume(100));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_OK);
    EXPECT_FALSE(BASS_SetVolume(101));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);

    EXPECT_TRUE(BASS_Free());
    EXPECT_EQ(BassGetOutput(), BassOutput::None);
    EXPECT_FALSE(BASS_Free());
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);

    std::vector<std::uint8_t> wav = SineWav(440, kRate, 50);
    EXPECT_EQ(Create(wav), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
    EXPECT_FALSE(BASS_SetVolume(50));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
    EXPECT_EQ(BASS_ChannelIsActive(1), BASS_ACTIVE_STOPPED);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);

    EXPECT_FALSE(BASS_Init(2, kRate, 0, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DEVICE);
    EXPECT_FALSE(BASS_Init(1, 1000, 0, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);
}

TEST_F(BassTest, NoDeviceFallsBackToTheNullOutputWithOneNotice)
{
    BassReset();
    ClockUseRealTime();
    ASSERT_TRUE(BASS_Init(1, kRate, 0, nullptr, nullptr));
    EXPECT_EQ(BassGetOutput(), BassOutput::Null);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].find("null"), std::string::npos);

    // The contract works on it: a stream plays, stops and reports its state.
    std::vector<std::uint8_t> wav = SineWav(440, kRate, 2000);
    HSTREAM stream = Create(wav);
    ASSERT_NE(stream, 0u);
    EXPECT_TRUE(BASS_StreamPlay(stream, 1, 0));
    EXPECT_EQ(BASS_ChannelIsActive(stream), BASS_ACTIVE_PLAYING);
    EXPECT_TRUE(BASS_ChannelStop(stream));
    EXPECT_EQ(BASS_ChannelIsActive(stream), BASS_ACTIVE_STOPPED);

    // Noted once per run, not again after a restart of the library.
    EXPECT_TRUE(BASS_Free());
    ASSERT_TRUE(BASS_Init(0, kRate, 0, nullptr, nullptr));
    EXPECT_EQ(BassGetOutput(), BassOutput::Null);
    EXPECT_EQ(notices.size(), 1u);
}

TEST_F(BassTest, BadFilesGiveTheirErrorsAndNoStream)
{
    const std::string text = "this is not a sound file at all, only some words";
    EXPECT_EQ(BASS_StreamCreateFile(1, text.data(), 0, static_cast<DWORD>(text.size()), 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEFORM);

    std::vector<std::uint8_t> wav = SineWav(440, kRate, 20);
    EXPECT_EQ(BASS_StreamCreateFile(1, wav.data(), 0, 0, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEFORM);
    EXPECT_EQ(BASS_StreamCreateFile(1, wav.data(), 0, 30, 0), 0u) << "a cut-off header";
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEFORM);
    EXPECT_EQ(BASS_StreamCreateFile(1, nullptr, 0, 100, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);
    EXPECT_EQ(Create(wav, BASS_SAMPLE_3D), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NO3D);

    std::vector<std::uint8_t> tooManyChannels = Wav(Sine(440, kRate, 100, 65), 65, kRate);
    EXPECT_EQ(Create(tooManyChannels), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FORMAT);

    EXPECT_EQ(BASS_StreamCreateFile(0, "no/such/file.wav", 0, 0, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEOPEN);

    // After a failure a good call reads success again.
    HSTREAM good = Create(wav);
    EXPECT_NE(good, 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_OK);
}

TEST_F(BassTest, DamagedImagesNeverReadOutsideThemselves)
{
    // Every cut of a good file and a set of single-byte corruptions: a stream or a clean error.
    std::vector<std::uint8_t> wav = SineWav(440, 8000, 10);
    for (std::size_t cut = 1; cut < wav.size(); cut += 3) {
        std::vector<std::uint8_t> part(wav.begin(), wav.begin() + static_cast<std::ptrdiff_t>(cut));
        HSTREAM s = Create(part);
        if (s == 0) {
            int code = BASS_ErrorGetCode();
            EXPECT_TRUE(code == BASS_ERROR_FILEFORM || code == BASS_ERROR_FORMAT) << cut << ": " << code;
        } else {
            EXPECT_TRUE(BASS_StreamFree(s));
        }
    }
    for (std::size_t at = 0; at < 44; ++at) {
        for (std::uint8_t value : {std::uint8_t{0x00}, std::uint8_t{0xFF}, std::uint8_t{0x7F}}) {
            std::vector<std::uint8_t> bad = wav;
            bad[at] = value;
            HSTREAM s = Create(bad);
            if (s != 0) {
                EXPECT_TRUE(BASS_StreamFree(s));
            } else {
                EXPECT_NE(BASS_ErrorGetCode(), BASS_OK);
            }
        }
    }
}

TEST_F(BassTest, HandlesAreNonZeroAndNeverReused)
{
    std::vector<std::uint8_t> wav = SineWav(440, kRate, 20);
    std::set<HSTREAM> seen;
    for (int i = 0; i < 5; ++i) {
        HSTREAM s = Create(wav);
        ASSERT_NE(s, 0u);
        EXPECT_TRUE(seen.insert(s).second);
        EXPECT_TRUE(BASS_StreamFree(s));
        EXPECT_FALSE(BASS_StreamFree(s));
        EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
        EXPECT_FALSE(BASS_StreamPlay(s, 1, 0));
        EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
    }
    BassReset();
    ASSERT_TRUE(BASS_Init(1, kRate, 0, nullptr, nullptr));
    HSTREAM after = Create(wav);
    EXPECT_EQ(seen.count(after), 0u) << "not even after a restart of the library";
}

TEST_F(BassTest, StreamKeepsNoReferenceToTheFileImage)
{
    auto* image = new std::vector<std::uint8_t>(SineWav(1000, kRate, 100));
    HSTREAM s = Create(*image);
    ASSERT_NE(s, 0u);
    delete image;
    ASSERT_TRUE(BASS_StreamPlay(s, 1, 0));
    std::vector<float> out = Listen(50);
    EXPECT_NEAR(ZeroCrossingHz(out, 0, Frames(50), kRate), 1000.0, 30.0);
}

TEST_F(BassTest, PlaysAtTheFileRateAndAtTheAskedFrequency)
{
    std::vector<std::uint8_t> wav = SineWav(1000, 22050, 2000);
    HSTREAM s = Create(wav);
    ASSERT_NE(s, 0u);
    ASSERT_TRUE(BASS_StreamPlay(s, 1, 0));
    std::vector<float> out = Listen(100);
    EXPECT_NEAR(ZeroCrossingHz(out, 0, Frames(100), kRate), 1000.0, 20.0);

    ASSERT_TRUE(BASS_ChannelSetAttributes(s, 44100, -1, -101));  // twice the file's rate
    out = Listen(100);
    EXPECT_NEAR(ZeroCrossingHz(out, 0, Frames(100), kRate), 2000.0, 30.0);

    ASSERT_TRUE(BASS_ChannelSetAttributes(s, 11025, -1, -101));
    out = Listen(100);
    EXPECT_NEAR(ZeroCrossingHz(out, 0, Frames(100), kRate), 500.0, 20.0);

    ASSERT_TRUE(BASS_ChannelSetAttributes(s, 0, -1, -101));  // the file's own rate again
    out = Listen(100);
    EXPECT_NEAR(ZeroCrossingHz(out, 0, Frames(100), kRate), 1000.0, 20.0);

    for (int bad : {99, -2, 100001}) {
        EXPECT_FALSE(BASS_ChannelSetAttributes(s, bad, 50, 0)) << bad;
        EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FREQ);
        EXPECT_FALSE(BASS_ChannelSlideAttributes(s, bad, -1, -101, 100)) << bad;
        EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FREQ);
    }
    EXPECT_TRUE(BASS_ChannelSetAttributes(s, BASS_MIN_FREQUENCY, -1, -101));
    EXPECT_TRUE(BASS_ChannelSetAttributes(s, BASS_MAX_FREQUENCY, -1, -101));
    EXPECT_FALSE(BASS_ChannelSetAttributes(s + 1000, -1, 50, -101));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
}

TEST_F(BassTest, VolumeAndMasterVolumeScaleTheOutput)
{
    std::vector<std::uint8_t> wav = SineWav(700, kRate, 2000);
    HSTREAM s = Create(wav);
    ASSERT_TRUE(BASS_StreamPlay(s, 1, 0));
    std::vector<float> full = Listen(100);
    double fullLevel = Rms(full, 0, Frames(100)).left;
    ASSERT_GT(fullLevel, 0.05);

    ASSERT_TRUE(BASS_ChannelSetAttributes(s, -1, 50, -101));
    EXPECT_NEAR(Steady(Listen(100)).left / fullLevel, 0.5, 0.02);

    ASSERT_TRUE(BASS_SetVolume(50));
    EXPECT_NEAR(Steady(Listen(100)).left / fullLevel, 0.25, 0.02);

    ASSERT_TRUE(BASS_SetVolume(100));
    ASSERT_TRUE(BASS_ChannelSetAttributes(s, -1, 250, -101));  // clamped to 100
    EXPECT_NEAR(Steady(Listen(100)).left / fullLevel, 1.0, 0.02);
    ASSERT_TRUE(BASS_ChannelSetAttributes(s, -1, 0, -101));
    EXPECT_LT(Steady(Listen(100)).left, 1e-4);
    ASSERT_TRUE(BASS_ChannelSetAttributes(s, -1, -20, -101));  // clamped to 0
    EXPECT_LT(Steady(Listen(100)).left, 1e-4);
}

TEST_F(BassTest, PanMovesMonoAndStereoSoundsBetweenTheSides)
{
    for (int channels : {1, 2}) {
        SCOPED_TRACE(channels);
        std::vector<std::uint8_t> wav = Wav(Sine(600, kRate, kRate * 2, channels), channels, kRate);
        HSTREAM s = Create(wav);
        ASSERT_TRUE(BASS_StreamPlay(s, 1, 0));
        Levels centre = Steady(Listen(100));
        EXPECT_NEAR(centre.left / centre.right, 1.0, 0.01);

        ASSERT_TRUE(BASS_ChannelSetAttributes(s, -1, -1, -100));
        Levels left = Steady(Listen(100));
        EXPECT_GT(left.left, 0.1);
        EXPECT_LT(left.right, left.left * 0.05);

        ASSERT_TRUE(BASS_ChannelSetAttributes(s, -1, -1, 100));
        Levels right = Steady(Listen(100));
        EXPECT_LT(right.left, right.right * 0.05);

        ASSERT_TRUE(BASS_ChannelSetAttributes(s, -1, -1, 50));
        Levels half = Steady(Listen(100));
        EXPECT_GT(half.right, half.left * 1.5);
        EXPECT_GT(half.left, half.right * 0.05);

        ASSERT_TRUE(BASS_ChannelSetAttributes(s, -1, -1, -300));  // clamped to full left
        Levels clamped = Steady(Listen(100));
        EXPECT_NEAR(clamped.left, left.left, 0.01);
        ASSERT_TRUE(BASS_StreamFree(s));
    }
}

TEST_F(BassTest, OneShotEndsExactlyAfterItsLengthAndLoopsGoOn)
{
    std::vector<std::uint8_t> wav = SineWav(500, kRate, 500);
    HSTREAM once = Create(wav);
    HSTREAM looped = Create(wav);
    EXPECT_EQ(BASS_ChannelIsActive(once), BASS_ACTIVE_STOPPED) << "a new stream is stopped";
    ASSERT_TRUE(BASS_StreamPlay(once, 1, 0));
    ASSERT_TRUE(BASS_StreamPlay(looped, 1, BASS_SAMPLE_LOOP));
    ClockAdvance(499);
    EXPECT_EQ(BASS_ChannelIsActive(once), BASS_ACTIVE_PLAYING);
    ClockAdvance(1);
    EXPECT_EQ(BASS_ChannelIsActive(once), BASS_ACTIVE_STOPPED);
    ClockAdvance(2000);
    EXPECT_EQ(BASS_ChannelIsActive(looped), BASS_ACTIVE_PLAYING);
    EXPECT_EQ(BASS_ChannelIsActive(once), BASS_ACTIVE_STOPPED);

    // Played again after its end, a one-shot starts over.
    ASSERT_TRUE(BASS_ChannelStop(looped));
    ASSERT_TRUE(BASS_StreamPlay(once, 1, 0));
    std::vector<float> out = Listen(600);
    EXPECT_GT(Rms(out, 0, Frames(490)).left, 0.05);
    EXPECT_LT(Rms(out, Frames(501), Frames(90)).left, 1e-6) << "silent after its end";
}

TEST_F(BassTest, StopRewindsPauseHoldsAndPlayingAgainChangesNothing)
{
    std::vector<std::uint8_t> wav = SineWav(500, kRate, 500);
    HSTREAM s = Create(wav);
    ASSERT_TRUE(BASS_StreamPlay(s, 1, 0));
    ClockAdvance(300);
    ASSERT_TRUE(BASS_ChannelStop(s));
    EXPECT_EQ(BASS_ChannelIsActive(s), BASS_ACTIVE_STOPPED);
    ClockAdvance(100);
    ASSERT_TRUE(BASS_StreamPlay(s, 1, 0));  // from the beginning: 500 ms more
    ClockAdvance(499);
    EXPECT_EQ(BASS_ChannelIsActive(s), BASS_ACTIVE_PLAYING);
    ClockAdvance(1);
    EXPECT_EQ(BASS_ChannelIsActive(s), BASS_ACTIVE_STOPPED);

    // Paused at 300 ms, it waits, then resumes where it was: 200 ms are left.
    ASSERT_TRUE(BASS_StreamPlay(s, 1, 0));
    ClockAdvance(300);
    EXPECT_FALSE(BASS_ChannelResume(s));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOPAUSE);
    ASSERT_TRUE(BASS_ChannelPause(s));
    EXPECT_EQ(BASS_ChannelIsActive(s), BASS_ACTIVE_PAUSED);
    std::vector<float> held = Listen(1000);
    EXPECT_LT(Rms(held, Frames(2), Frames(998)).left, 1e-6);
    EXPECT_EQ(BASS_ChannelIsActive(s), BASS_ACTIVE_PAUSED);
    ASSERT_TRUE(BASS_ChannelResume(s));
    EXPECT_EQ(BASS_ChannelIsActive(s), BASS_ACTIVE_PLAYING);
    ClockAdvance(199);
    EXPECT_EQ(BASS_ChannelIsActive(s), BASS_ACTIVE_PLAYING);
    ClockAdvance(1);
    EXPECT_EQ(BASS_ChannelIsActive(s), BASS_ACTIVE_STOPPED);
    EXPECT_FALSE(BASS_ChannelPause(s));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOPLAY);

    // Stopping a paused channel rewinds it too.
    ASSERT_TRUE(BASS_StreamPlay(s, 1, 0));
    ClockAdvance(300);
    ASSERT_TRUE(BASS_ChannelPause(s));
    ASSERT_TRUE(BASS_ChannelStop(s));
    EXPECT_EQ(BASS_ChannelIsActive(s), BASS_ACTIVE_STOPPED);
    ASSERT_TRUE(BASS_StreamPlay(s, 0, 0));
    ClockAdvance(499);
    EXPECT_EQ(BASS_ChannelIsActive(s), BASS_ACTIVE_PLAYING);

    // Without flush a playing channel goes on undisturbed; with flush it starts over.
    ASSERT_TRUE(BASS_StreamPlay(s, 1, 0));
    ClockAdvance(300);
    ASSERT_TRUE(BASS_StreamPlay(s, 0, 0));
    ClockAdvance(200);
    EXPECT_EQ(BASS_ChannelIsActive(s), BASS_ACTIVE_STOPPED);
    ASSERT_TRUE(BASS_StreamPlay(s, 1, 0));
    ClockAdvance(300);
    ASSERT_TRUE(BASS_StreamPlay(s, 1, 0));
    ClockAdvance(300);
    EXPECT_EQ(BASS_ChannelIsActive(s), BASS_ACTIVE_PLAYING);
}

TEST_F(BassTest, SlidesReachTheirTargetsOnTheGameClock)
{
    std::vector<std::uint8_t> wav = SineWav(800, kRate, 1000);
    HSTREAM s = Create(wav, BASS_SAMPLE_LOOP);
    ASSERT_TRUE(BASS_StreamPlay(s, 1, 0));
    double full = Steady(Listen(100)).left;
    ASSERT_GT(full, 0.05);

    // Volume 100 to 0 in 1000 ms: about half way at 500 ms, silent from 1000 ms.
    ASSERT_TRUE(BASS_ChannelSlideAttributes(s, -1, 0, -101, 1000));
    std::vector<float> fade = Listen(1200);
    EXPECT_NEAR(Rms(fade, Frames(480), Frames(40)).left / full, 0.5, 0.05);
    EXPECT_GT(Rms(fade, Frames(100), Frames(40)).left, Rms(fade, Frames(700), Frames(40)).left);
    EXPECT_LT(Rms(fade, Frames(1000), Frames(200)).left, 1e-4);

    // Setting the volume ends a slide of it; a slide leaves what it is not given alone.
    ASSERT_TRUE(BASS_ChannelSetAttributes(s, -1, 100, -101));
    ASSERT_TRUE(BASS_ChannelSlideAttributes(s, -1, 0, -101, 1000));
    ClockAdvance(200);
    ASSERT_TRUE(BASS_ChannelSetAttributes(s, -1, 40, -101));
    std::vector<float> held = Listen(1000);
    EXPECT_NEAR(Rms(held, Frames(900), Frames(100)).left / full, 0.4, 0.02);

    // Pan and frequency slide too; no time means at once.
    ASSERT_TRUE(BASS_ChannelSlideAttributes(s, 88200, -1, 100, 0));
    std::vector<float> moved = Listen(100);
    EXPECT_NEAR(ZeroCrossingHz(moved, 0, Frames(100), kRate), 1600.0, 30.0);
    Levels sides = Steady(moved);
    EXPECT_LT(sides.left, sides.right * 0.05);
    ASSERT_TRUE(BASS_ChannelSlideAttributes(s, 44100, -1, -101, 400));
    std::vector<float> glide = Listen(600);
    EXPECT_NEAR(ZeroCrossingHz(glide, Frames(450), Frames(100), kRate), 800.0, 30.0);
    EXPECT_NEAR(ZeroCrossingHz(glide, Frames(180), Frames(40), kRate), 1200.0, 80.0);

    EXPECT_FALSE(BASS_ChannelSlideAttributes(s + 77, -1, 0, -101, 100));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
}

TEST_F(BassTest, Mp3FromMemoryPlaysLikeAWav)
{
    std::vector<std::uint8_t> mp3 = SineMp3(1000, kRate, 1000);
    if (mp3.empty()) {
        GTEST_SKIP() << "this libsndfile cannot encode MP3";
    }
    HSTREAM s = Create(mp3);
    ASSERT_NE(s, 0u) << BASS_ErrorGetCode();
    ASSERT_TRUE(BASS_StreamPlay(s, 1, 0));
    std::vector<float> out = Listen(300);
    EXPECT_NEAR(ZeroCrossingHz(out, Frames(50), Frames(200), kRate), 1000.0, 20.0);
    ClockAdvance(800);
    EXPECT_EQ(BASS_ChannelIsActive(s), BASS_ACTIVE_STOPPED);

    // A cut-off MP3 still decodes what it holds or fails cleanly.
    std::vector<std::uint8_t> part(mp3.begin(), mp3.begin() + static_cast<std::ptrdiff_t>(mp3.size() / 3));
    HSTREAM cut = Create(part);
    if (cut == 0) {
        EXPECT_NE(BASS_ErrorGetCode(), BASS_OK);
    }
}

TEST_F(BassTest, IntegerFloatAndDoubleClipsPlayAtTheSameLoudness)
{
    std::vector<Levels> levels;
    for (const char* name : {"tone-int16.wav", "tone-float32.wav", "tone-float64.wav"}) {
        std::ifstream in(std::string(AVIORRA_SOURCE_DIR) + "/tests/data/sounds/" + name, std::ios::binary);
        std::vector<std::uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        HSTREAM s = Create(file);
        ASSERT_NE(s, 0u) << name;
        ASSERT_TRUE(BASS_StreamPlay(s, 1, 0));
        levels.push_back(Rms(Listen(100), Frames(10), Frames(80)));
        BASS_StreamFree(s);
    }
    EXPECT_GT(levels[0].left, 0.1) << "the 16-bit clip is heard";
    for (const Levels& l : levels) {
        EXPECT_NEAR(l.left, levels[0].left, levels[0].left * 0.05);
        EXPECT_NEAR(l.right, levels[0].right, levels[0].right * 0.05);
    }
}

TEST_F(BassTest, MonoFlagMixesStereoDown)
{
    // Left a sine, right silent: mixed down, the sine is at half its level.
    std::vector<std::int16_t> samples = Sine(600, kRate, kRate, 2);
    for (std::size_t i = 1; i < samples.size(); i += 2) {
        samples[i] = 0;
    }
    HSTREAM mixed = Create(Wav(samples, 2, kRate), BASS_SAMPLE_MONO);
    HSTREAM reference = Create(SineWav(600, kRate, 1000));
    ASSERT_NE(mixed, 0u);
    ASSERT_TRUE(BASS_StreamPlay(reference, 1, 0));
    Levels full = Steady(Listen(100));
    ASSERT_TRUE(BASS_ChannelStop(reference));
    ASSERT_TRUE(BASS_StreamPlay(mixed, 1, 0));
    Levels half = Steady(Listen(100));
    EXPECT_NEAR(half.left / full.left, 0.5, 0.02);
    EXPECT_NEAR(half.right / full.right, 0.5, 0.02) << "one channel, placed in the centre";
}

}  // namespace

TEST_F(BassTest, VoicesComeFromAPoolSoManySoundsNeverRunOut)
{
    const std::vector<std::uint8_t> tone = SineWav(300, kRate, 100);
    const std::vector<std::uint8_t> shot = SineWav(600, kRate, 100);
    HSTREAM engine = Create(tone);
    ASSERT_TRUE(BASS_StreamPlay(engine, 1, BASS_SAMPLE_LOOP));

    // Far more distinct sounds at once than OpenAL has sources: every one is made and played; when
    // the voices are all busy the oldest one-shot gives its voice up, never the looping engine.
    std::vector<HSTREAM> sounds;
    for (int i = 0; i < 400; ++i) {
        HSTREAM sound = Create(shot);
        ASSERT_NE(sound, 0u) << "sound " << i << ": error " << BASS_ErrorGetCode();
        ASSERT_TRUE(BASS_StreamPlay(sound, 1, 0)) << "sound " << i << ": error " << BASS_ErrorGetCode();
        sounds.push_back(sound);
    }
    EXPECT_EQ(BASS_ChannelIsActive(engine), BASS_ACTIVE_PLAYING);
    EXPECT_EQ(BASS_ChannelIsActive(sounds.front()), BASS_ACTIVE_STOPPED);
    EXPECT_EQ(BASS_ChannelIsActive(sounds.back()), BASS_ACTIVE_PLAYING);
    EXPECT_FALSE(BASS_ChannelResume(sounds.front())) << "a taken voice leaves the stream stopped";

    // Ended and stopped sounds give their voices back: another round plays whole.
    ClockAdvance(150);
    for (HSTREAM sound : sounds) {
        EXPECT_EQ(BASS_ChannelIsActive(sound), BASS_ACTIVE_STOPPED);
        ASSERT_TRUE(BASS_StreamPlay(sound, 1, 0));
        ASSERT_TRUE(BASS_ChannelStop(sound));
    }
    EXPECT_EQ(BASS_ChannelIsActive(engine), BASS_ACTIVE_PLAYING);
    ASSERT_TRUE(BASS_ChannelStop(engine));

    // Attributes set while a stream has no voice are the ones it plays with.
    ASSERT_TRUE(BASS_ChannelSetAttributes(sounds[7], -1, 0, -101));
    ASSERT_TRUE(BASS_StreamPlay(sounds[7], 1, 0));
    EXPECT_LT(Steady(Listen(100)).left, 1e-6) << "volume 0 set before the voice came";
    ASSERT_TRUE(BASS_ChannelSetAttributes(sounds[8], -1, 100, -101));
    ASSERT_TRUE(BASS_StreamPlay(sounds[8], 1, 0));
    EXPECT_GT(Rms(Listen(100), Frames(2), Frames(90)).left, 0.05);
}
