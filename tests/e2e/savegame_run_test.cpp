// A run with the default content: fly, fire, bomb, save with the bound key, and a load -> save round
// trip, checked through avr.sav.
#include <gtest/gtest.h>

#include <string>

#include "game_folder.h"

namespace {

class SaveRunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!folder_.CopyDefaultContent()) {
            GTEST_SKIP() << "no default content beside " << AVIORRA_BINARY;
        }
    }

    int Run(const std::string& script) const
    {
        folder_.Write("run.txt", script);
        return folder_.Run("--headless --input run.txt");
    }

    std::string Read(const std::string& name) const { return folder_.Read(name); }
    static float Float(const std::string& bytes, std::size_t offset) { return LittleFloat(bytes, offset); }
    static std::int32_t Int(const std::string& bytes, std::size_t offset) { return LittleInt(bytes, offset); }

    GameFolder folder_{"save"};
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
