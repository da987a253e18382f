// The game folder's choice: the per-user folder's path, what counts as game files, and entering the
// folder (made when missing, the default start-up script copied in, the installed archives behind).
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>

#include "../support/scratch_folder.h"
#include "app/game_folder.h"
#include "console/console.h"
#include "resources/archive.h"
#include "resources/resources.h"

namespace fs = std::filesystem;

namespace {

class GameFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        previous_ = fs::current_path();
        fs::create_directories(scratch_.Root() / "start");
        fs::current_path(scratch_.Root() / "start");
        scratch_.Write("installed/exec.vrs", "set g_hosszusag 320\n");
        std::string archive, error;
        ASSERT_TRUE(ArchiveBuild({{"textures\\sea.bmp", "SEA"}}, archive, error)) << error;
        scratch_.Write("installed/data.vrk", archive);
        savedXdg_ = Get("XDG_DATA_HOME");
        savedHome_ = Get("HOME");
        ::setenv("HOME", (scratch_.Root() / "home").c_str(), 1);
        ::unsetenv("XDG_DATA_HOME");
        ConsoleSetEcho(false);
        ConsoleInit(console);
    }

    void TearDown() override
    {
        fs::current_path(previous_);
        Restore("XDG_DATA_HOME", savedXdg_);
        Restore("HOME", savedHome_);
        ResourceSetInstalledFolder("");
        ResourceFreeAll();
        ConsoleSetEcho(true);
    }

    static std::pair<bool, std::string> Get(const char* name)
    {
        const char* value = std::getenv(name);
        return {value != nullptr, value != nullptr ? value : ""};
    }
    static void Restore(const char* name, const std::pair<bool, std::string>& saved)
    {
        saved.first ? ::setenv(name, saved.second.c_str(), 1) : ::unsetenv(name);
    }

    fs::path Installed() const { return scratch_.Root() / "installed"; }

    ScratchFolder scratch_{"game-folder"};
    fs::path previous_;
    std::pair<bool, std::string> savedXdg_, savedHome_;
};

}  // namespace

TEST_F(GameFolderTest, PerUserFolderFollowsTheBaseDirectoryRules)
{
    EXPECT_EQ(GameFolderPerUser("/data", "/home/p"), fs::path("/data/aviorra"));
    EXPECT_EQ(GameFolderPerUser(nullptr, "/home/p"), fs::path("/home/p/.local/share/aviorra"));
    EXPECT_EQ(GameFolderPerUser("", "/home/p"), fs::path("/home/p/.local/share/aviorra"));
    EXPECT_EQ(GameFolderPerUser("relative", "/home/p"), fs::path("/home/p/.local/share/aviorra"));
    // No HOME: the password database's home folder.
    const fs::path fallback = GameFolderPerUser(nullptr, nullptr);
    EXPECT_TRUE(fallback.empty() || (fallback.is_absolute() && fallback.filename() == "aviorra")) << fallback;
}

TEST_F(GameFolderTest, GameFilesAreAnArchiveOrTheStartUpScript)
{
    const fs::path folder = scratch_.Root() / "probe";
    fs::create_directories(folder / "sub.vrk");
    scratch_.Write("probe/DATA.VRK", "x");
    scratch_.Write("probe/.hidden.vrk", "x");
    scratch_.Write("probe/notes.txt", "x");
    EXPECT_FALSE(GameFolderHoldsGameFiles(folder));
    scratch_.Write("probe/a.vrk", "x");
    EXPECT_TRUE(GameFolderHoldsGameFiles(folder));
    fs::remove(folder / "a.vrk");
    scratch_.Write("probe/exec.vrs", "x");
    EXPECT_TRUE(GameFolderHoldsGameFiles(folder));
    EXPECT_FALSE(GameFolderHoldsGameFiles(scratch_.Root() / "missing"));
}

TEST_F(GameFolderTest, TheWorkingDirectoryStaysWhenItHoldsGameFilesOrNothingIsInstalled)
{
    const fs::path start = fs::current_path();
    std::string error;
    // Nothing installed: the empty working directory, exactly as before.
    ASSERT_TRUE(GameFolderEnter("", {}, error)) << error;
    EXPECT_EQ(fs::current_path(), start);
    EXPECT_FALSE(fs::exists(scratch_.Root() / "home"));
    // Game files here: this folder, and no installed archives behind it.
    scratch_.Write("start/exec.vrs", "set g_hosszusag 640\n");
    ASSERT_TRUE(GameFolderEnter("", Installed(), error)) << error;
    EXPECT_EQ(fs::current_path(), start);
    ResourceScanArchives();
    EXPECT_EQ(ResourceListHead(), nullptr);
    EXPECT_FALSE(fs::exists(scratch_.Root() / "home"));
}

TEST_F(GameFolderTest, AnEmptyWorkingDirectoryWithAnInstallationEntersThePerUserFolder)
{
    ::setenv("XDG_DATA_HOME", (scratch_.Root() / "xdg").c_str(), 1);
    std::string error;
    ASSERT_TRUE(GameFolderEnter("", Installed(), error)) << error;
    EXPECT_EQ(fs::current_path(), scratch_.Root() / "xdg" / "aviorra");
    EXPECT_EQ(scratch_.Read("xdg/aviorra/exec.vrs"), "set g_hosszusag 320\n");
    // The installed archive is read where it lies, not copied.
    ResourceScanArchives();
    ASSERT_NE(ResourceFind("textures\\sea.bmp"), nullptr);
    EXPECT_EQ(ResourceFind("textures\\sea.bmp")->archive, (Installed() / "data.vrk").string());
    EXPECT_FALSE(fs::exists("data.vrk"));
    EXPECT_TRUE(fs::is_empty(scratch_.Root() / "start"));

    // A first start on a full disk: the folder is made but its script cannot be written. The start
    // says so (and not that the settings are wrong), and leaves no partial script.
    ::setenv("XDG_DATA_HOME", (scratch_.Root() / "full").c_str(), 1);
    ASSERT_EQ(::chdir(scratch_.Root().c_str()), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit tiny = old;
    tiny.rlim_cur = 4;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tiny), 0);
    const bool entered = GameFolderEnter("", Installed(), error);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(entered);
    EXPECT_NE(error.find("cannot use the game folder '" + (scratch_.Root() / "full" / "aviorra").string() +
                         "': cannot write its exec.vrs: File too large"),
              std::string::npos)
        << error;
    EXPECT_TRUE(fs::is_empty(scratch_.Root() / "full" / "aviorra"));
}

TEST_F(GameFolderTest, AnExplicitFolderIsMadeAndKeepsThePlayersScript)
{
    const fs::path chosen = scratch_.Root() / "a" / "b";
    scratch_.Write("a/b/exec.vrs", "the player's own\n");
    std::string error;
    ASSERT_TRUE(GameFolderEnter(chosen.string(), Installed(), error)) << error;
    EXPECT_EQ(fs::current_path(), chosen);
    EXPECT_EQ(scratch_.Read("a/b/exec.vrs"), "the player's own\n");
    // Only the script: no temporary file left beside it.
    EXPECT_EQ(std::distance(fs::directory_iterator(chosen), fs::directory_iterator()), 1);

    // The installed folder chosen itself: used as it is, its archives not doubled behind themselves.
    ASSERT_TRUE(GameFolderEnter(Installed().string(), Installed(), error)) << error;
    EXPECT_EQ(fs::current_path(), Installed());

    // Made when missing, without an installation too.
    ASSERT_TRUE(GameFolderEnter((scratch_.Root() / "fresh").string(), {}, error)) << error;
    EXPECT_TRUE(fs::is_empty(scratch_.Root() / "fresh"));
    EXPECT_EQ(fs::status(scratch_.Root() / "fresh").permissions(), fs::perms::owner_all);

    // A folder that cannot be made: the reason, and the working directory unchanged.
    scratch_.Write("plain", "x");
    const fs::path before = fs::current_path();
    EXPECT_FALSE(GameFolderEnter(scratch_.Path("plain") + "/sub", Installed(), error));
    EXPECT_NE(error.find("cannot use the game folder"), std::string::npos) << error;
    EXPECT_EQ(fs::current_path(), before);
}

TEST_F(GameFolderTest, CommandLinePathsKeepNamingTheFilesWhereTheGameStarted)
{
    EXPECT_EQ(GameFolderOutsidePath("run.png", "/home/p/start"), "/home/p/start/run.png");
    EXPECT_EQ(GameFolderOutsidePath("shots/a.png", "/s"), "/s/shots/a.png");
    EXPECT_EQ(GameFolderOutsidePath("/abs/a.png", "/s"), "/abs/a.png");
    EXPECT_EQ(GameFolderOutsidePath("", "/s"), "");
    EXPECT_EQ(GameFolderOutsidePath("a.png", ""), "a.png");
}
