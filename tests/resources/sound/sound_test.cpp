#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "../../support/console_lines.h"
#include "../../support/scratch_folder.h"
#include "../../support/sound_files.h"
#include "app/program.h"
#include "console/console.h"
#include "core/frame.h"
#include "game/pause.h"
#include "game/run_stats.h"
#include "platform/bass/bass.h"
#include "platform/win/clock.h"
#include "platform/win/codepage.h"
#include "resources/archive.h"
#include "resources/resources.h"
#include "resources/sound.h"

using namespace testsound;

namespace {

constexpr int kRate = 44100;
const char* const kShort = "sound\\rovid.wav";      // 500 ms
const char* const kBroken = "sound\\rossz.wav";     // no sound file
const char* const kFlagged = "8bit\\hang.wav";      // a name beginning with the digit 8
const char* const kRemoved = "sound\\torolt.wav";  // a loose file, deleted after the scan

using Member = std::pair<std::string, std::vector<std::uint8_t>>;

std::string Archive(const std::vector<Member>& members)
{
    std::vector<ArchiveMember> archived;
    for (const auto& [name, bytes] : members) {
        archived.push_back({name, std::string(bytes.begin(), bytes.end())});
    }
    std::string archive;
    std::string error;
    EXPECT_TRUE(ArchiveBuild(archived, archive, error)) << error;
    return archive;
}

// The game's sounds in an archive of a fresh working folder, the library on virtual time and an
// empty console.
class SoundTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string junk = "RIFF but certainly not a wave file";
        std::vector<Member> members = {
            {kShort, SineWav(500, kRate, 500)},
            {kWindSound, SineWav(300, kRate, 1000)},
            {kEngineSound, SineWav(200, kRate, 1000)},
            {kClickSound, SineWav(1000, kRate, 50)},
            {kBroken, std::vector<std::uint8_t>(junk.begin(), junk.end())},
            {kFlagged, SineWav(400, kRate, 100)},
            {kRemoved, SineWav(400, kRate, 100)},
        };
        std::filesystem::create_directories("sound");
        std::ofstream("sound/torolt.wav") << "loose";
        std::ofstream("data.vrk", std::ios::binary) << Archive(members);

        ClockUseVirtualTime(10000);
        BassReset();
        ASSERT_TRUE(BASS_Init(1, kRate, 0, nullptr, nullptr));
        ConsoleSetEcho(false);
        ResourceScanArchives();
        std::filesystem::remove("sound/torolt.wav");
        ProgramReset();
        keyDelayTimer = -1.0f;
    }

    void TearDown() override
    {
        ResourceFreeAll();
        BassReset();
        ConsoleSetEcho(true);
        ClockUseRealTime();
    }

    // Every line printed since the console was cleared, oldest first.
    static std::vector<std::string> Printed() { return PrintedLines(); }

    static std::string Cp(const char* utf8) { return cp1250::FromUtf8(utf8); }

    static HSTREAM StreamOf(const char* name)
    {
        ResourceEntry* entry = ResourceFind(name);
        return entry != nullptr ? entry->stream : 0;
    }

    static DWORD State(const char* name) { return BASS_ChannelIsActive(StreamOf(name)); }

    WorkingFolder folder_{"sound"};
};

TEST_F(SoundTest, LoadCreatesTheStreamOnceAndKeepsTheImage)
{
    ResourceEntry* entry = ResourceFind(kShort);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->stream, 0u);
    SoundLoad(kShort, 0);
    EXPECT_NE(entry->stream, 0u);
    ASSERT_NE(entry->streamData, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(entry->streamData), 4), "RIFF");
    HSTREAM first = entry->stream;
    std::uint8_t* image = entry->streamData;
    SoundLoad(kShort, 0);
    EXPECT_EQ(entry->stream, first);
    EXPECT_EQ(entry->streamData, image);
    EXPECT_TRUE(Printed().empty());

    // The cache frees the stream with the entry.
    ResourceFreeAll();
    EXPECT_EQ(BASS_ChannelIsActive(first), BASS_ACTIVE_STOPPED);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
}

TEST_F(SoundTest, LoadFailuresPrintTheirMessagesAndTheErrorName)
{
    SoundLoad("sound\\nincs.wav", 0);
    SoundLoad("SOUND\\ROVID.WAV", 0);
    SoundLoad(kBroken, 0);
    EXPECT_EQ(Printed(), (std::vector<std::string>{
                             Cp("Nem található a hangfájl! (sound\\nincs.wav)"),
                             Cp("Nem található a hangfájl! (SOUND\\ROVID.WAV)"),
                             Cp("Hangfájl betöltése sikertelen! (sound\\rossz.wav)"),
                             "BASS_ERROR_FILEFORM",
                         }));
    ResourceEntry* broken = ResourceFind(kBroken);
    ASSERT_NE(broken, nullptr);
    EXPECT_EQ(broken->stream, 0u);
    EXPECT_EQ(broken->streamData, nullptr);

    // A file that cannot be read: the reader's own message, then these.
    ConsoleInit(console);
    SoundLoad(kRemoved, 0);
    std::vector<std::string> lines = Printed();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_NE(std::find(lines.begin(), lines.end(), Cp("A betöltés sikertelen!")), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), Cp("Hangfájl betöltése sikertelen! (sound\\torolt.wav)")),
              lines.end());
    ResourceEntry* removed = ResourceFind(kRemoved);
    ASSERT_NE(removed, nullptr);
    EXPECT_EQ(removed->stream, 0u);
    EXPECT_EQ(removed->streamData, nullptr);

    // Flags come from the caller: 3D streams are refused by the library.
    ConsoleInit(console);
    SoundLoad(kFlagged, BASS_SAMPLE_3D);
    EXPECT_EQ(Printed(),
              (std::vector<std::string>{Cp("Hangfájl betöltése sikertelen! (8bit\\hang.wav)"), "BASS_ERROR_NO3D"}));

    // Without a started library every load fails and says why.
    BassReset();
    ConsoleInit(console);
    SoundLoad(kShort, 0);
    EXPECT_EQ(Printed(),
              (std::vector<std::string>{Cp("Hangfájl betöltése sikertelen! (sound\\rovid.wav)"), "BASS_ERROR_INIT"}));
}

TEST_F(SoundTest, ALooseFileAndTheSameFileInAnArchivePlayAlike)
{
    // The loose copy of kShort overrides a member of another tone but the same size (the size the
    // resource list reads of a loose file).
    const char* const loose = "sound\\laza.wav";
    const std::vector<std::uint8_t> file = SineWav(500, kRate, 500);
    const std::vector<std::uint8_t> stale = SineWav(700, kRate, 500);
    ASSERT_EQ(stale.size(), file.size());
    std::ofstream("sound/laza.wav", std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    std::ofstream("extra.vrk", std::ios::binary) << Archive({{loose, stale}});
    ResourceScanArchives();
    ConsoleInit(console);
    ASSERT_TRUE(ResourceFind(loose)->archive.empty());

    BassCaptureSet(true);
    for (const char* name : {kShort, loose}) {
        SoundLoad(name, 0);
        const ResourceEntry* entry = ResourceFind(name);
        ASSERT_NE(entry->streamData, nullptr) << name;
        EXPECT_TRUE(std::equal(file.begin(), file.end(), entry->streamData)) << name;
        BassCaptureTake();
        EXPECT_NE(SoundPlay(name, false), 0);
        ClockAdvance(499);
        EXPECT_EQ(State(name), BASS_ACTIVE_PLAYING) << name;
        const std::vector<float> heard = BassCaptureTake();
        EXPECT_NEAR(ZeroCrossingHz(heard, 0, kRate / 2, kRate), 500.0, 25.0) << name;
        ClockAdvance(1);
        EXPECT_EQ(State(name), BASS_ACTIVE_STOPPED) << name << " lasts 500 ms";
    }
    EXPECT_TRUE(Printed().empty());
}

TEST_F(SoundTest, PlayStartsLeavesPlayingResumesAndRestartsAfterStop)
{
    EXPECT_EQ(SoundPlay("sound\\nincs.wav", false), 0);
    EXPECT_TRUE(Printed().empty()) << "a missing sound plays silently";

    // Loaded on first use, and started.
    EXPECT_NE(SoundPlay(kShort, false), 0);
    EXPECT_EQ(State(kShort), BASS_ACTIVE_PLAYING);

    // Played again while it plays: it goes on undisturbed and ends after its 500 ms.
    ClockAdvance(300);
    EXPECT_NE(SoundPlay(kShort, true), 0);
    ClockAdvance(199);
    EXPECT_EQ(State(kShort), BASS_ACTIVE_PLAYING);
    ClockAdvance(1);
    EXPECT_EQ(State(kShort), BASS_ACTIVE_STOPPED) << "neither restarted nor made to loop";

    // Stopped half way, it starts from the beginning on the next play.
    SoundPlay(kShort, false);
    ClockAdvance(300);
    SoundStop(kShort);
    EXPECT_EQ(State(kShort), BASS_ACTIVE_STOPPED);
    SoundPlay(kShort, false);
    ClockAdvance(499);
    EXPECT_EQ(State(kShort), BASS_ACTIVE_PLAYING);
    ClockAdvance(1);
    EXPECT_EQ(State(kShort), BASS_ACTIVE_STOPPED);

    // A paused channel is resumed where it stopped.
    SoundPlay(kShort, false);
    ClockAdvance(300);
    ASSERT_TRUE(BASS_ChannelPause(StreamOf(kShort)));
    ClockAdvance(1000);
    EXPECT_NE(SoundPlay(kShort, false), 0);
    EXPECT_EQ(State(kShort), BASS_ACTIVE_PLAYING);
    ClockAdvance(199);
    EXPECT_EQ(State(kShort), BASS_ACTIVE_PLAYING);
    ClockAdvance(1);
    EXPECT_EQ(State(kShort), BASS_ACTIVE_STOPPED);

    // Looping plays on past its end.
    SoundPlay(kShort, true);
    ClockAdvance(1700);
    EXPECT_EQ(State(kShort), BASS_ACTIVE_PLAYING);
    SoundStop(kShort);
    SoundStop("sound\\nincs.wav");
    EXPECT_TRUE(Printed().empty());
}

TEST_F(SoundTest, PlayOfAFileThatDoesNotLoadReportsEveryTime)
{
    const std::vector<std::string> expected = {
        Cp("Hangfájl betöltése sikertelen! (sound\\rossz.wav)"),
        "BASS_ERROR_FILEFORM",
        Cp("A BASS rendszer hibát észlelt! (sound\\rossz.wav)"),
    };
    EXPECT_EQ(SoundPlay(kBroken, false), 0);
    EXPECT_EQ(Printed(), expected);
    ConsoleInit(console);
    EXPECT_EQ(SoundPlay(kBroken, true), 0);
    EXPECT_EQ(Printed(), expected) << "a failed sound is loaded again on every play";
    SoundStop(kBroken);
    EXPECT_EQ(Printed(), expected) << "stopping it says nothing";
}

TEST_F(SoundTest, SetAttributesChangesTheSoundOrSaysWhyNot)
{
    BassCaptureSet(true);
    SoundPlay(kWindSound, true);
    ClockAdvance(100);
    double full = Rms(BassCaptureTake(), 0, kRate / 10).left;
    ASSERT_GT(full, 0.05);
    EXPECT_NE(SoundSetAttributes(kWindSound, -1, 25, -101), 0);
    BassCaptureTake();
    ClockAdvance(100);
    std::vector<float> quieter = BassCaptureTake();
    EXPECT_NEAR(Rms(quieter, kRate / 500, kRate / 10 - kRate / 500).left / full, 0.25, 0.02);
    EXPECT_NE(SoundSetAttributes(kWindSound, 88200, -1, -101), 0);
    BassCaptureTake();
    ClockAdvance(100);
    EXPECT_NEAR(ZeroCrossingHz(BassCaptureTake(), 0, kRate / 10, kRate), 600.0, 25.0);
    EXPECT_TRUE(Printed().empty());

    EXPECT_EQ(SoundSetAttributes(kWindSound, 50, 40, 0), 0);
    EXPECT_EQ(SoundSetAttributes(kBroken, -1, 40, 0), 0);  // has no stream
    EXPECT_EQ(SoundSetAttributes("sound\\nincs.wav", -1, 40, 0), 0);
    EXPECT_EQ(Printed(), (std::vector<std::string>{
                             Cp("Hiba a hangszabályzásnál! (sound\\szelfuvas.wav)"),
                             "BASS_ERROR_FREQ",
                             Cp("Hiba a hangszabályzásnál! (sound\\rossz.wav)"),
                             "BASS_ERROR_HANDLE",
                         }));
}

TEST_F(SoundTest, SndCommandPlaysStopsAndLoads)
{
    ConsoleExecute(console, "snd play sound\\szelfuvas.wav 1");
    EXPECT_EQ(State(kWindSound), BASS_ACTIVE_PLAYING);
    ClockAdvance(2500);
    EXPECT_EQ(State(kWindSound), BASS_ACTIVE_PLAYING) << "the number 1 makes it loop";
    ConsoleExecute(console, "snd stop sound\\szelfuvas.wav");
    EXPECT_EQ(State(kWindSound), BASS_ACTIVE_STOPPED);

    ConsoleExecute(console, "snd play sound\\rovid.wav 0");
    ClockAdvance(500);
    EXPECT_EQ(State(kShort), BASS_ACTIVE_STOPPED) << "the number 0 plays it once";
    ConsoleExecute(console, "snd play sound\\motor.wav");
    ClockAdvance(1000);
    EXPECT_EQ(State(kEngineSound), BASS_ACTIVE_STOPPED) << "no number plays it once";

    ConsoleExecute(console, "snd stop sound\\klikk.wav");
    ConsoleExecute(console, "snd sound\\klikk.wav");
    EXPECT_NE(StreamOf(kClickSound), 0u);
    EXPECT_EQ(State(kClickSound), BASS_ACTIVE_STOPPED) << "loading does not play";
    EXPECT_TRUE(Printed().empty());

    // A first word with leading digits gives the stream flags: 8 is a 3D stream.
    ConsoleExecute(console, "snd 8bit\\hang.wav");
    ConsoleExecute(console, "snd sound\\nincs.wav");
    EXPECT_EQ(Printed(), (std::vector<std::string>{
                             Cp("Hangfájl betöltése sikertelen! (8bit\\hang.wav)"),
                             "BASS_ERROR_NO3D",
                             Cp("Nem található a hangfájl! (sound\\nincs.wav)"),
                         }));
}

TEST_F(SoundTest, PauseFreezesAndContinuesTheRunSounds)
{
    SoundPlay(kWindSound, true);
    SoundPlay(kEngineSound, true);

    // Not while the key delay runs, nor after game over.
    keyDelayTimer = 0.0f;
    ConsoleExecute(console, "pause");
    EXPECT_EQ(pauseFlag, 0);
    keyDelayTimer = -0.1f;
    runStats.gameOver = 1;
    ConsoleExecute(console, "pause");
    EXPECT_EQ(pauseFlag, 0);
    EXPECT_EQ(keyDelayTimer, -0.1f);
    EXPECT_EQ(State(kWindSound), BASS_ACTIVE_PLAYING);
    runStats.gameOver = 0;

    ConsoleExecute(console, "pause");
    EXPECT_EQ(pauseFlag, 1);
    EXPECT_EQ(keyDelayTimer, 0.5f);
    EXPECT_EQ(State(kWindSound), BASS_ACTIVE_STOPPED);
    EXPECT_EQ(State(kEngineSound), BASS_ACTIVE_STOPPED);

    keyDelayTimer = -0.01f;
    ConsoleExecute(console, "pause");
    EXPECT_EQ(pauseFlag, 0);
    EXPECT_EQ(keyDelayTimer, 0.5f);
    ClockAdvance(3000);
    EXPECT_EQ(State(kWindSound), BASS_ACTIVE_PLAYING) << "started again, looping";
    EXPECT_EQ(State(kEngineSound), BASS_ACTIVE_PLAYING);
    EXPECT_TRUE(Printed().empty());
}

TEST_F(SoundTest, NullOutputIsNotedOnTheConsole)
{
    BassReset();
    ClockUseRealTime();
    ASSERT_TRUE(BASS_Init(1, kRate, 0, nullptr, nullptr));
    ASSERT_EQ(BassGetOutput(), BassOutput::Null);
    std::vector<std::string> lines = Printed();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("null"), std::string::npos);
}

}  // namespace
