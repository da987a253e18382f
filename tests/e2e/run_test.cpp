// The real binary, run headless from input scripts in a scratch working directory.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "../support/game_folder.h"
#include "screenshot.h"

namespace {

struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
};

class RunTest : public ::testing::Test {
protected:
    void SetUp() override { Write("exec.vrs", "set g_hosszusag 320\r\nset g_magassag 240\r\nset g_buffer_szam 1\r\n"); }

    void Write(const std::string& name, const std::string& text) const { folder_.Write(name, text); }
    std::string Read(const std::string& name) const { return folder_.Read(name); }

    RunResult Run(const std::string& arguments) const
    {
        RunResult result;
        result.status = folder_.Run(arguments);
        result.out = folder_.Out();
        result.err = folder_.Err();
        return result;
    }

    Image Load(const std::string& name) const { return LoadImage((folder_.Root() / name).string()); }

    GameFolder folder_{"e2e"};
};

}  // namespace

TEST_F(RunTest, OptionsAndUsageErrors)
{
    RunResult help = Run("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--input FILE"), std::string::npos);
    EXPECT_NE(help.out.find("--game-dir DIR"), std::string::npos);
    EXPECT_NE(help.out.find("$XDG_DATA_HOME/aviorra"), std::string::npos) << "the folder rule is explained";
    RunResult version = Run("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_NE(version.out.find("AVIORRA"), std::string::npos);

    RunResult unknown = Run("--fly");
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.err.find("--fly"), std::string::npos);
    EXPECT_EQ(Run("--input").status, 2);
    EXPECT_EQ(Run("--game-dir").status, 2);
    EXPECT_EQ(Run("--game-dir ''").status, 2);
    EXPECT_EQ(Run("--headless --input missing.txt").status, 2);

    Write("bad.txt", "1 10\n2 x\n");
    RunResult malformed = Run("--headless --input bad.txt");
    EXPECT_EQ(malformed.status, 2);
    EXPECT_NE(malformed.err.find("line 2"), std::string::npos);
    Write("badkey.txt", "1 10 NOSUCHKEY\n");
    EXPECT_EQ(Run("--headless --input badkey.txt").status, 2);
}

TEST_F(RunTest, ScriptRunsFramesTakesAShotAndEnds)
{
    Write("exec.vrs", "set g_hosszusag 640\nset g_magassag 480\necho 'Indul a j\xE1t\xE9k'\n");
    Write("run.txt", "seed 5\n# a comment line\n3 10\nshot first.png   # after three frames\n2 20 ENTER #28\n");
    RunResult run = Run("--headless --input run.txt");
    ASSERT_EQ(run.status, 0) << run.err;
    // Console lines reach standard output as UTF-8.
    EXPECT_NE(run.out.find(" 'exec.vrs' végrehajtása indul."), std::string::npos);
    EXPECT_NE(run.out.find("Indul a játék"), std::string::npos);

    Image shot = Load("first.png");
    ASSERT_EQ(shot.width, 640);
    ASSERT_EQ(shot.height, 480);
    // The menu frame is drawn: the red title in the upper part of the screen.
    int red = 0;
    for (int y = 0; y < 480 * 2 / 5; ++y) {
        for (int x = 0; x < 640; ++x) {
            const unsigned char* p = shot.At(x, y);
            red += p[0] > 180 && p[1] < 80 && p[2] < 80;
        }
    }
    EXPECT_GT(red, 500) << "no red title in the upper part of the menu";
}

TEST_F(RunTest, RecordingWritesTheFramesAsAScript)
{
    Write("run.txt", "seed 42\n3 10\n2 25 a SPACE\n1 10 ESCAPE #200\n");
    RunResult run = Run("--headless --input run.txt --record rec.txt");
    ASSERT_EQ(run.status, 0) << run.err;
    std::string recorded = Read("rec.txt");
    EXPECT_NE(recorded.find("seed 42\n3 10\n2 25 a SPACE\n1 10 ESCAPE UP\n"), std::string::npos) << recorded;

    // The recording replays to the same recording.
    RunResult replay = Run("--headless --input rec.txt --record again.txt");
    ASSERT_EQ(replay.status, 0) << replay.err;
    EXPECT_EQ(Read("again.txt"), recorded);
}

TEST_F(RunTest, QuitInTheStartupScriptEndsAfterOneFrame)
{
    Write("exec.vrs", "set g_hosszusag 320\nset g_magassag 240\nquit\ncfg_ir\n");
    Write("run.txt", "100 10\n");
    RunResult run = Run("--headless --input run.txt --record rec.txt");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(Read("rec.txt").find("\n1 10\n"), std::string::npos) << Read("rec.txt");
    // The script went on after quit and wrote the configuration file.
    EXPECT_NE(Read("main.cfg").find("set j_jatekstatus 0\r\n"), std::string::npos);
}

TEST_F(RunTest, StartupFailuresReportAndExitNonZero)
{
    Write("run.txt", "1 10\n");
    Write("exec.vrs", "");
    RunResult noSize = Run("--headless --input run.txt");
    EXPECT_EQ(noSize.status, 1);
    EXPECT_NE(noSize.err.find("start-up failed"), std::string::npos);
    EXPECT_NE(noSize.err.find("g_hosszusag"), std::string::npos);

    // Full screen with a colour depth the device does not know.
    Write("exec.vrs", "set g_hosszusag 320\nset g_magassag 240\nset g_ablakos 0\nset g_szinmelyseg 15\n");
    RunResult badDepth = Run("--headless --input run.txt");
    EXPECT_EQ(badDepth.status, 1);
    EXPECT_NE(badDepth.err.find("graphics device"), std::string::npos);

    // Full screen with a known depth starts.
    Write("exec.vrs", "set g_hosszusag 320\nset g_magassag 240\nset g_ablakos 0\nset g_szinmelyseg 32\n");
    RunResult goodDepth = Run("--headless --input run.txt");
    EXPECT_EQ(goodDepth.status, 0) << goodDepth.err;

    // No game files at all (the binary started from the wrong folder): the folder is named, and how
    // to run the game, instead of a complaint about exec.vrs.
    std::filesystem::remove(folder_.Root() / "exec.vrs");
    RunResult nothing = Run("--headless --input run.txt");
    EXPECT_EQ(nothing.status, 1);
    EXPECT_NE(nothing.err.find("no game files in " + folder_.Root().string()), std::string::npos) << nothing.err;
    EXPECT_NE(nothing.err.find("make play"), std::string::npos);
    EXPECT_NE(nothing.err.find("--game-dir build/game"), std::string::npos);
    EXPECT_EQ(nothing.err.find("g_hosszusag"), std::string::npos);
}

namespace {

// A mono 44.1 kHz WAV of a 441 Hz sine at half of full scale, as 16-bit integers (format 1) or 32-bit
// floats (format 3), padded with an unknown chunk to `size` bytes.
std::string ToneWav(int format, std::size_t size)
{
    const int frames = 500;
    const int bytes = format == 1 ? 2 : 4;
    std::string data;
    LittleEndianWriter samples(data);
    for (int i = 0; i < frames; ++i) {
        const double v = 0.5 * std::sin(2.0 * 3.14159265358979 * 441.0 * i / 44100.0);
        if (format == 1) {
            samples.U16(static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(v * 32767.0))));
        } else {
            samples.F32(static_cast<float>(v));
        }
    }
    std::string chunks = "fmt ";
    LittleEndianWriter w(chunks);
    w.U32(16);
    w.U16(static_cast<std::uint16_t>(format));
    w.U16(1);
    w.U32(44100);
    w.U32(44100u * static_cast<std::uint32_t>(bytes));
    w.U16(static_cast<std::uint16_t>(bytes));
    w.U16(static_cast<std::uint16_t>(bytes * 8));
    chunks += "data";
    w.U32(static_cast<std::uint32_t>(data.size()));
    chunks += data;
    const std::size_t padding = size - 12 - chunks.size() - 8;
    chunks += "JUNK";
    w.U32(static_cast<std::uint32_t>(padding));
    w.Zeros(padding);
    std::string file = "RIFF";
    LittleEndianWriter(file).U32(static_cast<std::uint32_t>(4 + chunks.size()));
    return file + "WAVE" + chunks;
}

}  // namespace

TEST_F(RunTest, AudioOptionRecordsTheMixAndFloatSoundsAreHeardAtTheirLevel)
{
    std::filesystem::remove(folder_.Root() / "exec.vrs");
    if (!folder_.CopyDefaultContent()) {
        GTEST_SKIP() << "the default content has not been generated";
    }
    // The click of the default content, replaced by a loose file of the archive member's size.
    const std::size_t clickSize = 2250;
    Write("exec.vrs", "set g_hosszusag 320\nset g_magassag 240\nset h_hangero 100\nsnd play sound\\klikk.wav 1\n");
    Write("run.txt", "seed 1\n25 20\n");
    std::vector<double> levels;
    for (int format : {1, 3}) {
        Write("sound/klikk.wav", ToneWav(format, clickSize));
        RunResult run = Run("--headless --input run.txt --audio out.wav");
        ASSERT_EQ(run.status, 0) << run.err;
        const std::string wav = Read("out.wav");
        ASSERT_GE(wav.size(), 44u);
        EXPECT_EQ(wav.substr(0, 4), "RIFF");
        EXPECT_EQ(LittleU32(wav, 24), 44100u) << "rate";
        EXPECT_EQ(wav[22], 2) << "stereo";
        EXPECT_EQ(wav[34], 16) << "16 bits";
        const std::size_t frames = (wav.size() - 44) / 4;
        EXPECT_NEAR(static_cast<double>(frames), 44100 * 0.5, 44100 * 0.05) << "25 frames of 20 ms";
        double sum = 0.0;
        for (std::size_t f = frames / 5; f < frames; ++f) {
            const double left = static_cast<std::int16_t>(LittleU32(wav, 44 + f * 4) & 0xFFFF);
            sum += left * left;
        }
        levels.push_back(std::sqrt(sum / static_cast<double>(frames - frames / 5)));
    }
    EXPECT_GT(levels[0], 2000.0) << "the 16-bit click is heard";
    EXPECT_NEAR(levels[1], levels[0], levels[0] * 0.05) << "the float click plays at the same level";

    EXPECT_EQ(Run("--headless --input run.txt --audio").status, 2);
    RunResult unwritable = Run("--headless --input run.txt --audio no/such/folder/out.wav");
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_NE(unwritable.err.find("cannot write the sound of the run"), std::string::npos);
}
