// A whole play-through with the default content: a new game flown until the aircraft is destroyed,
// the name typed into the table, back to the menu. Recorded with --record and replayed with --input,
// it must leave the same top.dat both times.
#include <gtest/gtest.h>

#include <string>

#include "../support/game_folder.h"

namespace {

class PlayThroughTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!played_.CopyDefaultContent() || !replayed_.CopyDefaultContent()) {
            GTEST_SKIP() << "no default content beside " << AVIORRA_BINARY;
        }
    }

    GameFolder played_{"played"};
    GameFolder replayed_{"replayed"};
};

// Weaves between the flight levels and the window's sides while firing; every few seconds it presses
// ENTER, b, ENTER: nothing during a run, but after the run it goes on to the name entry, types and
// stores the name, and leaves the table.
std::string PlayScript()
{
    const char* moves[] = {"a", "LEFT", "z", "RIGHT", "a", "a", "SPACE", "z", "RIGHT", "LEFT"};
    std::string script = "seed 3\n5 30\n1 30 ENTER\n20 30\n";
    for (int cycle = 0; cycle < 14; ++cycle) {
        script += std::string("40 30 ") + moves[cycle % 10] + "\n60 30 SPACE\n";
        script += "1 30 ENTER\n20 30\n1 30 b\n20 30\n1 30 ENTER\n20 30\n";
    }
    return script;
}

}  // namespace

TEST_F(PlayThroughTest, RecordedRunReplaysToTheSameHighScoreTable)
{
    played_.Write("play.txt", PlayScript());
    ASSERT_EQ(played_.Run("--headless --input play.txt --record recorded.txt"), 0) << played_.Err();
    std::string table = played_.Read("top.dat");
    ASSERT_EQ(table.size(), 280u) << "the run did not reach the high-score table";
    EXPECT_NE(table[0], '\0') << "no name in the first place";

    replayed_.Write("recorded.txt", played_.Read("recorded.txt"));
    ASSERT_EQ(replayed_.Run("--headless --input recorded.txt"), 0) << replayed_.Err();
    EXPECT_EQ(replayed_.Read("top.dat"), table);
}
