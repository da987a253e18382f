// A run with the default content: fly, fire, bomb, save with the bound key, and a load -> save round
// trip, checked through avr.sav.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

class SaveRunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::path content = std::filesystem::path(AVIORRA_BINARY).parent_path() / "game";
        if (!std::filesystem::exists(content / "data.vrk")) {
            GTEST_SKIP() << "no default content in " << content;
        }
        char pattern[] = "/tmp/aviorra-save-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
        std::filesystem::copy_file(content / "data.vrk", dir_ / "data.vrk");
        std::filesystem::copy_file(content / "exec.vrs", dir_ / "exec.vrs");
    }

    void TearDown() override
    {
        if (!dir_.empty()) {
            std::filesystem::remove_all(dir_);
        }
    }

    int Run(const std::string& script)
    {
        {
            std::ofstream out(dir_ / "run.txt", std::ios::binary);
            out << script;
        }
        std::string command = "cd '" + dir_.string() + "' && " + AVIORRA_BINARY +
                              " --headless --input run.txt >stdout.txt 2>stderr.txt";
        int raw = std::system(command.c_str());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }

    std::string Read(const std::string& name) const
    {
        std::ifstream in(dir_ / name, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    static float Float(const std::string& bytes, std::size_t offset)
    {
        std::uint32_t bits = 0;
        for (int i = 3; i >= 0; --i) {
            bits = (bits << 8) | static_cast<unsigned char>(bytes[offset + i]);
        }
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

    static std::int32_t Int(const std::string& bytes, std::size_t offset)
    {
        std::uint32_t bits = 0;
        for (int i = 3; i >= 0; --i) {
            bits = (bits << 8) | static_cast<unsigned char>(bytes[offset + i]);
        }
        return static_cast<std::int32_t>(bits);
    }

    std::filesystem::path dir_;
};

}  // namespace

TEST_F(SaveRunTest, FlyFireBombThenSaveWithTheBoundKey)
{
    // ENTER starts a new game; then climb, turn, fire and bomb; F5 saves.
    ASSERT_EQ(Run("seed 3\n5 20\n1 20 ENTER\n30 20\n20 20 a\n40 20 LEFT SPACE\n10 20 LCONTROL\n30 20\n"
                  "1 20 F5\n5 20\n"),
              0)
        << Read("stderr.txt");
    std::string save = Read("avr.sav");
    ASSERT_EQ(save.size(), 721u);

    // Run clock: about 3.3 s of play at the save.
    EXPECT_FLOAT_EQ(Float(save, 0), 0.0f);
    EXPECT_FLOAT_EQ(Float(save, 4), 0.0f);
    EXPECT_GT(Float(save, 8), 2.5f);
    EXPECT_LT(Float(save, 8), 4.0f);
    // Shots fired: one every 0.08 s while SPACE was held for 0.8 s, counted in the statistics.
    EXPECT_GE(Int(save, 12), 8);
    EXPECT_LE(Int(save, 12), 11);
    EXPECT_EQ(save[40], 0) << "the run is not over";
    // The fog of a new run.
    EXPECT_EQ(save[44], 2);
    EXPECT_FLOAT_EQ(Float(save, 52), 20.0f);
    EXPECT_EQ(static_cast<unsigned char>(save[64]), 1);
    // The player: full health, and the world speed within its limits.
    EXPECT_FLOAT_EQ(Float(save, 68), 100.0f);
    EXPECT_GE(Float(save, 717), 2.0f);
    EXPECT_LE(Float(save, 717), 4.0f);
}

TEST_F(SaveRunTest, LoadThenSaveGivesBackTheSameFile)
{
    ASSERT_EQ(Run("seed 9\n5 20\n1 20 ENTER\n60 20 SPACE RIGHT\n1 20 F5\n5 20\n"), 0) << Read("stderr.txt");
    std::string first = Read("avr.sav");
    ASSERT_EQ(first.size(), 721u);

    // Pause first (once the key delay of the menu's ENTER has run out), so nothing moves between the
    // load and the save.
    ASSERT_EQ(Run("seed 9\n5 20\n1 20 ENTER\n40 20\n1 20 p\n30 20\n1 20 F9\n30 20\n1 20 F5\n5 20\n"), 0)
        << Read("stderr.txt");
    EXPECT_EQ(Read("avr.sav"), first);
}
