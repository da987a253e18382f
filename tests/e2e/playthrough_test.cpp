// A whole play-through with the default content: a new game flown until the aircraft is destroyed,
// the name typed into the table, back to the menu. Recorded with --record and replayed with --input,
// it must leave the same top.dat both times.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

class PlayThroughTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        content_ = std::filesystem::path(AVIORRA_BINARY).parent_path() / "game";
        if (!std::filesystem::exists(content_ / "data.vrk")) {
            GTEST_SKIP() << "no default content in " << content_;
        }
        char pattern[] = "/tmp/aviorra-play-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        root_ = pattern;
    }

    void TearDown() override
    {
        if (!root_.empty()) {
            std::filesystem::remove_all(root_);
        }
    }

    // A fresh game folder with the default content.
    std::filesystem::path GameFolder(const std::string& name) const
    {
        std::filesystem::path folder = root_ / name;
        std::filesystem::create_directories(folder);
        std::filesystem::copy_file(content_ / "data.vrk", folder / "data.vrk");
        std::filesystem::copy_file(content_ / "exec.vrs", folder / "exec.vrs");
        return folder;
    }

    static int Run(const std::filesystem::path& folder, const std::string& arguments)
    {
        std::string command = "cd '" + folder.string() + "' && " + AVIORRA_BINARY + " --headless " + arguments +
                              " >stdout.txt 2>stderr.txt";
        int raw = std::system(command.c_str());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }

    static std::string Read(const std::filesystem::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::filesystem::path content_;
    std::filesystem::path root_;
};

// Weaves between the flight levels and the window's sides while firing; every few seconds it presses
// ENTER, b, ENTER: nothing during a run, but after the run it goes on to the name entry, types and
// stores the name, and leaves the table.
std::string PlayScript()
{
    const char* moves[] = {"a", "LEFT", "z", "RIGHT", "a", "a", "SPACE", "z", "RIGHT", "LEFT"};
    std::string script = "seed 1\n5 30\n1 30 ENTER\n20 30\n";
    for (int cycle = 0; cycle < 18; ++cycle) {
        script += std::string("40 30 ") + moves[cycle % 10] + "\n60 30 SPACE\n";
        script += "1 30 ENTER\n20 30\n1 30 b\n20 30\n1 30 ENTER\n20 30\n";
    }
    return script;
}

}  // namespace

TEST_F(PlayThroughTest, RecordedRunReplaysToTheSameHighScoreTable)
{
    std::filesystem::path played = GameFolder("played");
    {
        std::ofstream out(played / "play.txt", std::ios::binary);
        out << PlayScript();
    }
    ASSERT_EQ(Run(played, "--input play.txt --record recorded.txt"), 0) << Read(played / "stderr.txt");
    std::string table = Read(played / "top.dat");
    ASSERT_EQ(table.size(), 280u) << "the run did not reach the high-score table";
    EXPECT_NE(table[0], '\0') << "no name in the first place";

    std::filesystem::path replayed = GameFolder("replayed");
    std::filesystem::copy_file(played / "recorded.txt", replayed / "recorded.txt");
    ASSERT_EQ(Run(replayed, "--input recorded.txt"), 0) << Read(replayed / "stderr.txt");
    EXPECT_EQ(Read(replayed / "top.dat"), table);
}
