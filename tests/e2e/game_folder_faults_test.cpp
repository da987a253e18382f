// The real binary in a game folder that works against it: links and special files where it writes,
// files it may not replace, a file-size limit, special files and oversized scripts where it reads,
// archive members naming files outside the folder.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "../support/game_folder.h"
#include "resources/archive.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kWindow = "set g_hosszusag 320\nset g_magassag 240\nset g_buffer_szam 1\n";

class GameFolderFaults : public ::testing::Test {
protected:
    int Run(const std::string& arguments) const { return folder_.Run(arguments); }
    std::string Out() const { return folder_.Out(); }
    std::string Err() const { return folder_.Err(); }
    void Write(const std::string& name, const std::string& text) const { folder_.Write(name, text); }
    std::string Read(const std::string& name) const { return folder_.Read(name); }
    std::string Path(const std::string& name) const { return folder_.Path(name); }

    void Fifo(const std::string& name) const { ASSERT_EQ(::mkfifo(Path(name).c_str(), 0644), 0); }
    bool IsFifo(const std::string& name) const { return fs::symlink_status(Path(name)).type() == fs::file_type::fifo; }
    unsigned Mode(const std::string& name) const
    {
        struct stat info {};
        ::stat(Path(name).c_str(), &info);
        return info.st_mode & 07777;
    }
    // Names in the folder that contain ".tmp".
    std::vector<std::string> Temporaries() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_.Root())) {
            if (entry.path().filename().string().find(".tmp") != std::string::npos) {
                names.push_back(entry.path().filename().string());
            }
        }
        return names;
    }

    GameFolder folder_{"faults"};
};

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

}  // namespace

TEST_F(GameFolderFaults, WritingNeverReplacesWhatItMustNotAndReportsEveryFailure)
{
    Write("run.txt", "2 10\n");

    // Stale temporaries of our pattern whose program is gone are removed at start-up; a link among
    // them is removed, not followed. A live program's temporary and other names stay.
    Write("outside.txt", "keep me");
    Write("main.cfg.tmp999999-0badf00d", "stale");
    fs::create_symlink(Path("outside.txt"), Path("avr.sav.tmp999998-deadbeef"));
    const std::string live = "top.dat.tmp" + std::to_string(::getpid()) + "-00000001";
    Write(live, "a running program's");
    Write("notes.tmp1", "the player's");
    Write("exec.vrs", kWindow);
    ASSERT_EQ(Run("--headless --input run.txt"), 0) << Err();
    std::vector<std::string> left = Temporaries();
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"notes.tmp1", live}));
    EXPECT_FALSE(fs::exists(fs::symlink_status(Path("avr.sav.tmp999998-deadbeef"))));
    EXPECT_FALSE(folder_.Exists("main.cfg.tmp999999-0badf00d"));
    EXPECT_TRUE(folder_.Exists(live));
    EXPECT_TRUE(folder_.Exists("notes.tmp1"));
    EXPECT_EQ(Read("outside.txt"), "keep me");
    fs::remove(Path(live));
    fs::remove(Path("notes.tmp1"));

    // Write-protected main.cfg and avr.sav stay as they are (also for root), with a message each.
    Write("main.cfg", "old config");
    Write("avr.sav", "old save");
    fs::permissions(Path("main.cfg"), fs::perms::owner_read | fs::perms::group_read);
    fs::permissions(Path("avr.sav"), fs::perms::owner_read);
    Write("exec.vrs", std::string(kWindow) + "cfg_ir\nsave\n");
    ASSERT_EQ(Run("--headless --input run.txt"), 0) << Err();
    EXPECT_EQ(Read("main.cfg"), "old config");
    EXPECT_EQ(Read("avr.sav"), "old save");
    EXPECT_TRUE(Contains(Out(), "! A main.cfg írásvédett, a régi fájl változatlan.")) << Out();
    EXPECT_TRUE(Contains(Out(), "A mentett játék írásvédett, nem lett felülírva! (avr.sav)")) << Out();

    // A replaced file keeps its permission bits.
    fs::remove(Path("avr.sav"));
    fs::permissions(Path("main.cfg"), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_EQ(Run("--headless --input run.txt"), 0) << Err();
    EXPECT_TRUE(Contains(Read("main.cfg"), "set g_hosszusag 320\r\n"));
    EXPECT_EQ(Mode("main.cfg"), 0640u);
    EXPECT_FALSE(Read("avr.sav").empty());

    // FIFOs where main.cfg and avr.sav belong are not replaced; the run is not held up.
    fs::remove(Path("main.cfg"));
    fs::remove(Path("avr.sav"));
    Fifo("main.cfg");
    Fifo("avr.sav");
    ASSERT_EQ(Run("--headless --input run.txt"), 0) << Err();
    EXPECT_TRUE(IsFifo("main.cfg"));
    EXPECT_TRUE(IsFifo("avr.sav"));
    EXPECT_TRUE(Contains(Out(), "! A main.cfg nem szabályos fájl, nem lett felülírva.")) << Out();
    EXPECT_TRUE(Contains(Out(), "A mentett játék nem szabályos fájl, nem lett felülírva! (avr.sav)")) << Out();
    fs::remove(Path("main.cfg"));
    fs::remove(Path("avr.sav"));

    // --record onto a FIFO or a write-protected file: refused before the run, exit status 2.
    Write("exec.vrs", kWindow);
    Fifo("rec.fifo");
    EXPECT_EQ(Run("--headless --input run.txt --record rec.fifo"), 2);
    EXPECT_TRUE(Contains(Err(), "not a regular file")) << Err();
    EXPECT_TRUE(IsFifo("rec.fifo"));
    Write("rec.txt", "old recording");
    fs::permissions(Path("rec.txt"), fs::perms::owner_read);
    EXPECT_EQ(Run("--headless --input run.txt --record rec.txt"), 2);
    EXPECT_TRUE(Contains(Err(), "write-protected")) << Err();
    EXPECT_EQ(Read("rec.txt"), "old recording");

    // --audio is checked the same way before the run: a FIFO, a folder, a device node and a
    // write-protected file are usage errors and stay as they are.
    Fifo("out.fifo");
    fs::create_directory(Path("out.folder"));
    for (const char* target : {"out.fifo", "out.folder", "/dev/null"}) {
        SCOPED_TRACE(target);
        EXPECT_EQ(Run(std::string("--headless --input run.txt --audio ") + target), 2);
        EXPECT_TRUE(Contains(Err(), "cannot write the sound of the run")) << Err();
        EXPECT_TRUE(Contains(Err(), "not a regular file")) << Err();
    }
    EXPECT_TRUE(IsFifo("out.fifo"));
    EXPECT_EQ(Run("--headless --input run.txt --audio rec.txt"), 2);
    EXPECT_TRUE(Contains(Err(), "write-protected")) << Err();
    EXPECT_EQ(Read("rec.txt"), "old recording");

    // A recording and a sound file outside the game folder: what a run killed while writing them
    // left beside them goes at the next start; a running program's and another file's stay.
    const std::string running = "elsewhere/rec2.txt.tmp" + std::to_string(::getpid()) + "-00000002";
    Write("elsewhere/rec2.txt.tmp999997-0000beef", "half a recording");
    Write("elsewhere/out.wav.tmp999996-0000f00d", "half a sound");
    Write("elsewhere/other.txt.tmp999995-00000bad", "not ours");
    Write(running, "a running program's");
    Write("game/exec.vrs", kWindow);
    ASSERT_EQ(Run("--headless --input run.txt --game-dir game --record elsewhere/rec2.txt --audio elsewhere/out.wav"),
              0)
        << Err();
    EXPECT_FALSE(folder_.Exists("elsewhere/rec2.txt.tmp999997-0000beef"));
    EXPECT_FALSE(folder_.Exists("elsewhere/out.wav.tmp999996-0000f00d"));
    EXPECT_TRUE(folder_.Exists("elsewhere/other.txt.tmp999995-00000bad"));
    EXPECT_TRUE(folder_.Exists(running));
    EXPECT_TRUE(Contains(Read("elsewhere/rec2.txt"), "2 10\n"));

    // A shot onto a FIFO fails, the run goes on and ends with status 1.
    Write("shots.txt", "2 10\nshot shot.fifo\nshot good.png\n1 10\n");
    Fifo("shot.fifo");
    EXPECT_EQ(Run("--headless --input shots.txt"), 1);
    EXPECT_TRUE(Contains(Err(), "shot shot.fifo: the file cannot be written")) << Err();
    EXPECT_TRUE(IsFifo("shot.fifo"));
    EXPECT_GT(Read("good.png").size(), 100u);

    // A file-size limit (as on a full disk): the program is not killed, the shot fails with status 1
    // and leaves no file, main.cfg keeps its old bytes, no temporary file is left.
    std::string padding;
    for (int i = 0; i < 80; ++i) {
        padding += "set padding_variable_" + std::to_string(i) + " 'some text to make the file long'\n";
    }
    Write("main.cfg", "old config");
    Write("exec.vrs", std::string(kWindow) + padding + "cfg_ir\n");
    Write("shots.txt", "2 10\nshot big.png\n");
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const int limited = Run("--headless --input shots.txt");
    ::setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_EQ(limited, 1) << Err();
    EXPECT_TRUE(Contains(Err(), "shot big.png: the file cannot be written")) << Err();
    EXPECT_FALSE(folder_.Exists("big.png"));
    EXPECT_EQ(Read("main.cfg"), "old config");
    EXPECT_TRUE(Temporaries().empty());

    // The sound of the run on a full disk: the reason is on standard error.
    Write("exec.vrs", kWindow);
    Write("long.txt", "200 20\n");
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const int soundLimited = Run("--headless --input long.txt --audio sound.wav");
    ::setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_EQ(soundLimited, 1) << Err();
    EXPECT_TRUE(Contains(Err(), "cannot write the sound of the run 'sound.wav': File too large")) << Err();
    EXPECT_FALSE(folder_.Exists("sound.wav"));
}

TEST_F(GameFolderFaults, ReadingRefusesSpecialFilesOversizedScriptsAndNamesOutsideTheFolder)
{
    Write("run.txt", "2 10\n");

    // FIFOs as the table, the saved game and a script: each named on the console, nothing blocks.
    Fifo("top.dat");
    Fifo("avr.sav");
    Fifo("more.vrs");
    Write("exec.vrs", std::string(kWindow) + "scr more.vrs\nload\necho 'after'\n");
    ASSERT_EQ(Run("--headless --input run.txt"), 0) << Err();
    EXPECT_TRUE(Contains(Out(), "! A 'more.vrs' nem szabályos fájl, nem lehet végrehajtani.")) << Out();
    EXPECT_TRUE(Contains(Out(), "A mentett játék nem szabályos fájl, nem lehet betölteni! (avr.sav)")) << Out();
    EXPECT_TRUE(Contains(Out(), "A toplista nem szabályos fájl, nem olvasható! (top.dat)")) << Out();
    EXPECT_TRUE(Contains(Out(), "after"));
    EXPECT_TRUE(IsFifo("top.dat"));

    // --input of a folder, a device and a script over the size limit: exit status 2 with the reason.
    fs::create_directory(Path("folder"));
    EXPECT_EQ(Run("--headless --input folder"), 2);
    EXPECT_TRUE(Contains(Err(), "'folder' is not a regular file")) << Err();
    EXPECT_EQ(Run("--headless --input /dev/zero"), 2);
    EXPECT_TRUE(Contains(Err(), "'/dev/zero' is not a regular file")) << Err();
    {
        std::FILE* big = std::fopen(Path("big.txt").c_str(), "wb");
        ASSERT_NE(big, nullptr);
        ASSERT_EQ(::ftruncate(::fileno(big), (off_t{128} << 20) + 1), 0);   // sparse: no disk used
        std::fclose(big);
    }
    EXPECT_EQ(Run("--headless --input big.txt"), 2);
    EXPECT_TRUE(Contains(Err(), "larger than 128 MiB")) << Err();

    // Archive members named outside the folder are damaged records; their "loose files" outside are
    // never read. A member inside still loads.
    fs::remove(Path("top.dat"));
    fs::remove(Path("avr.sav"));
    std::string archive;
    std::string error;
    ASSERT_TRUE(ArchiveBuild({{"..\\outside.vrs", "echo 'from outside'\n"},
                              {"\\abs.vrs", "echo 'absolute'\n"},
                              {"a\\..\\..\\climb.vrs", "echo 'climbed'\n"},
                              {"inside.vrs", "echo 'inside'\n"}},
                             archive, error))
        << error;
    Write("data.vrk", archive);
    Write("exec.vrs", std::string(kWindow) + "archlist\n");
    ASSERT_EQ(Run("--headless --input run.txt"), 0) << Err();
    const std::string out = Out();
    EXPECT_TRUE(Contains(out, "Hibás bejegyzés kihagyva: data.vrk, 1. rekord (a neve kivezet a játék mappájából)"))
        << out;
    EXPECT_TRUE(Contains(out, "Hibás bejegyzés kihagyva: data.vrk, 2. rekord")) << out;
    EXPECT_TRUE(Contains(out, "Hibás bejegyzés kihagyva: data.vrk, 3. rekord")) << out;
    EXPECT_TRUE(Contains(out, "Összesen 1 fájl van az archivumokban.")) << out;
}
