// The installed game: `cmake --install` of this build into a scratch prefix, then the installed binary
// started the way a player starts it (from a folder without game files, HOME and XDG_DATA_HOME in a
// scratch home), its files found in the per-user folder.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "../support/scratch_folder.h"

namespace fs = std::filesystem;

namespace {

// What a player does with the installed game: a new run, a few seconds of flight and fire, F5 saves.
constexpr const char* kPlayAndSave = "seed 9\n5 20\n1 20 ENTER\n60 20 SPACE RIGHT\n1 20 F5\n5 20\n";
// A new run paused, F9 loads the saved one, F5 saves it again: the same bytes when the load read them.
constexpr const char* kLoadAndSave = "seed 9\n5 20\n1 20 ENTER\n40 20\n1 20 p\n30 20\n1 20 F9\n30 20\n1 20 F5\n5 20\n";

class InstalledGameTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        prefix_ = std::make_unique<ScratchFolder>("prefix");
        const fs::path build = fs::path(AVIORRA_BINARY).parent_path();
        if (!fs::exists(build / "game" / "data.vrk")) {
            return;
        }
        const std::string command = std::string(AVIORRA_CMAKE) + " --install '" + build.string() + "' --prefix '" +
                                    prefix_->Root().string() + "' >'" + prefix_->Path("install.log") + "' 2>&1";
        installed_ = std::system(command.c_str()) == 0;
    }
    static void TearDownTestSuite() { prefix_.reset(); }

    void SetUp() override
    {
        if (!fs::exists(fs::path(AVIORRA_BINARY).parent_path() / "game" / "data.vrk")) {
            GTEST_SKIP() << "no default content beside " << AVIORRA_BINARY;
        }
        ASSERT_TRUE(installed_) << prefix_->Read("install.log");
        fs::create_directories(Start());
        fs::create_directories(Home());
    }

    static fs::path Installed(const std::string& relative) { return prefix_->Root() / relative; }
    fs::path Start() const { return scratch_.Root() / "start"; }
    fs::path Home() const { return scratch_.Root() / "home"; }
    std::string Read(const fs::path& path) const
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    // Runs the installed binary headless in `folder` with the script and the extra arguments; HOME is
    // the scratch home, XDG_DATA_HOME as given (unset when empty). The exit status, -1 when killed.
    int Run(const fs::path& folder, const std::string& script, const std::string& arguments = "",
            const std::string& xdgDataHome = "")
    {
        scratch_.Write("run.txt", script);
        const std::string environment =
            "HOME='" + Home().string() + "' " +
            (xdgDataHome.empty() ? "env -u XDG_DATA_HOME " : "XDG_DATA_HOME='" + xdgDataHome + "' ");
        const std::string command = "cd '" + folder.string() + "' && " + environment +
                                    "LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=" + AVIORRA_SOURCE_DIR +
                                    "/tests/lsan.supp} '" + Installed("bin/aviorra").string() +
                                    "' --headless --input '" + scratch_.Path("run.txt") + "' " + arguments + " >'" +
                                    scratch_.Path("stdout.txt") + "' 2>'" + scratch_.Path("stderr.txt") + "'";
        const int raw = std::system(command.c_str());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }
    std::string Err() const { return scratch_.Read("stderr.txt"); }

    static bool FolderIsEmpty(const fs::path& folder) { return fs::is_empty(folder); }

    static inline std::unique_ptr<ScratchFolder> prefix_;
    static inline bool installed_ = false;
    ScratchFolder scratch_{"installed"};
};

}  // namespace

TEST_F(InstalledGameTest, LayoutBelowThePrefix)
{
    EXPECT_TRUE(fs::is_regular_file(Installed("bin/aviorra")));
    EXPECT_NE(fs::status(Installed("bin/aviorra")).permissions() & fs::perms::others_exec, fs::perms::none);
    EXPECT_EQ(Read(Installed("share/aviorra/data.vrk")),
              Read(fs::path(AVIORRA_BINARY).parent_path() / "game" / "data.vrk"));
    // The installed start-up script is the generated default, never the build folder's player copy.
    EXPECT_EQ(Read(Installed("share/aviorra/exec.vrs")),
              Read(fs::path(AVIORRA_BINARY).parent_path() / "content" / "exec.vrs"));
    const std::string desktop = Read(Installed("share/applications/org.aviorra.Aviorra.desktop"));
    EXPECT_NE(desktop.find("\nExec=aviorra\n"), std::string::npos);
    EXPECT_NE(desktop.find("\nIcon=aviorra\n"), std::string::npos);
    const std::string metainfo = Read(Installed("share/metainfo/org.aviorra.Aviorra.metainfo.xml"));
    EXPECT_NE(metainfo.find("<launchable type=\"desktop-id\">org.aviorra.Aviorra.desktop</launchable>"),
              std::string::npos);
    EXPECT_NE(metainfo.find("<caption>The high-score table</caption>"), std::string::npos);
    // Icons: PNG files of their own size (the IHDR width and height, big-endian).
    for (int size : {16, 32, 48, 64, 128, 256}) {
        const std::string name = std::to_string(size) + "x" + std::to_string(size);
        const std::string png = Read(Installed("share/icons/hicolor/" + name + "/apps/aviorra.png"));
        ASSERT_GT(png.size(), 24u) << name;
        EXPECT_EQ(png.substr(1, 3), "PNG") << name;
        auto be32 = [&](std::size_t at) {
            return static_cast<int>(
                static_cast<unsigned char>(png[at]) << 24 | static_cast<unsigned char>(png[at + 1]) << 16 |
                static_cast<unsigned char>(png[at + 2]) << 8 | static_cast<unsigned char>(png[at + 3]));
        };
        EXPECT_EQ(be32(16), size) << name;
        EXPECT_EQ(be32(20), size) << name;
    }
    // The manual gzip-compressed (magic 1f 8b), the documentation beside it.
    const std::string manual = Read(Installed("share/man/man6/aviorra.6.gz"));
    ASSERT_GT(manual.size(), 2u);
    EXPECT_EQ(static_cast<unsigned char>(manual[0]), 0x1f);
    EXPECT_EQ(static_cast<unsigned char>(manual[1]), 0x8b);
    EXPECT_TRUE(fs::is_regular_file(Installed("share/doc/aviorra/README.md")));
    EXPECT_TRUE(fs::is_regular_file(Installed("share/doc/aviorra/copyright")));
}

TEST_F(InstalledGameTest, FromAnEmptyFolderTheSaveLandsInThePerUserFolderAndIsReadBack)
{
    ASSERT_EQ(Run(Start(), kPlayAndSave), 0) << Err();
    const fs::path perUser = Home() / ".local/share/aviorra";
    const std::string save = Read(perUser / "avr.sav");
    ASSERT_EQ(save.size(), 721u) << Err();
    EXPECT_EQ(Read(perUser / "exec.vrs"), Read(Installed("share/aviorra/exec.vrs")));
    EXPECT_FALSE(fs::exists(perUser / "data.vrk")) << "the installed archive is read where it lies";
    EXPECT_TRUE(FolderIsEmpty(Start())) << "nothing written where the game was started";

    // The second start reads the saved run back.
    ASSERT_EQ(Run(Start(), kLoadAndSave), 0) << Err();
    EXPECT_EQ(Read(perUser / "avr.sav"), save);

    // The player's edited start-up script stays: a start copies the default only while there is none.
    std::ofstream(perUser / "exec.vrs", std::ios::app) << "set h_fps 1\n";
    const std::string edited = Read(perUser / "exec.vrs");
    ASSERT_EQ(Run(Start(), "5 20\n"), 0) << Err();
    EXPECT_EQ(Read(perUser / "exec.vrs"), edited);
}

TEST_F(InstalledGameTest, XdgDataHomeAndGameDirChooseTheFolder)
{
    const fs::path data = scratch_.Root() / "data";
    ASSERT_EQ(Run(Start(), kPlayAndSave, "", data.string()), 0) << Err();
    EXPECT_EQ(Read(data / "aviorra/avr.sav").size(), 721u);
    EXPECT_FALSE(fs::exists(Home() / ".local")) << "XDG_DATA_HOME given: nothing under HOME";

    // A relative XDG_DATA_HOME is ignored, as the base directory rules say.
    ASSERT_EQ(Run(Start(), "5 20\n", "", "relative/data"), 0) << Err();
    EXPECT_TRUE(fs::exists(Home() / ".local/share/aviorra/exec.vrs"));
    EXPECT_TRUE(FolderIsEmpty(Start()));

    // --game-dir: that folder, made when missing; a shot named relative lands where the game started.
    const fs::path chosen = scratch_.Root() / "chosen/deeper";
    ASSERT_EQ(Run(Start(), std::string(kPlayAndSave) + "shot picture.png\n", "--game-dir '" + chosen.string() + "'"), 0)
        << Err();
    EXPECT_EQ(Read(chosen / "avr.sav").size(), 721u);
    EXPECT_TRUE(fs::exists(chosen / "exec.vrs"));
    EXPECT_TRUE(fs::exists(Start() / "picture.png"));
    EXPECT_FALSE(fs::exists(chosen / "picture.png"));

    // A game folder that cannot be made: start-up fails with the reason.
    scratch_.Write("file", "x");
    EXPECT_EQ(Run(Start(), "5 20\n", "--game-dir '" + scratch_.Path("file") + "/sub'"), 1);
    EXPECT_NE(Err().find("cannot use the game folder"), std::string::npos) << Err();
}

TEST_F(InstalledGameTest, AFolderWithGameFilesIsUsedAsItIsAndThePlayersArchiveOverrides)
{
    // Started where game files are (as `make play` does): that folder only, nothing per-user.
    fs::copy_file(Installed("share/aviorra/data.vrk"), Start() / "data.vrk");
    fs::copy_file(Installed("share/aviorra/exec.vrs"), Start() / "exec.vrs");
    ASSERT_EQ(Run(Start(), kPlayAndSave), 0) << Err();
    EXPECT_EQ(Read(Start() / "avr.sav").size(), 721u);
    EXPECT_FALSE(fs::exists(Home() / ".local"));
    const std::string own = scratch_.Read("stdout.txt");

    // In the per-user folder the installed archive stands behind the player's own: with an archive of
    // the same files in both, the count shows both scanned.
    const fs::path perUser = Home() / ".local/share/aviorra";
    fs::create_directories(perUser);
    fs::copy_file(Installed("share/aviorra/data.vrk"), perUser / "mine.vrk");
    fs::remove(Start() / "data.vrk");
    fs::remove(Start() / "exec.vrs");
    ASSERT_EQ(Run(Start(), "5 20\n"), 0) << Err();
    const std::string layered = scratch_.Read("stdout.txt");
    auto total = [](const std::string& out) {
        const std::string marker = "Összesen ";
        const std::size_t at = out.find(marker);
        return at == std::string::npos ? -1 : std::atoi(out.c_str() + at + marker.size());
    };
    ASSERT_GT(total(own), 0) << own;
    EXPECT_EQ(total(layered), 2 * total(own)) << layered;
}
