#include <gtest/gtest.h>

#include <cstdlib>

#include "core/random.h"

// The game's sequence is the GNU C library's rand(): recorded runs and the seeds of scripted tests
// play the same on every C library. The tests run on that library, so its rand() is the reference.
TEST(RandomTest, FollowsTheCLibrarySequenceForEverySeed)
{
    for (unsigned seed : {0u, 1u, 2u, 3u, 11u, 127773u, 2147483646u, 2147483647u, 2147483648u, 4294967295u}) {
        std::srand(seed);
        RandomSeed(seed);
        for (int i = 0; i < 2000; ++i) {
            ASSERT_EQ(RandomNext(), std::rand()) << "seed " << seed << ", draw " << i;
        }
    }
}

TEST(RandomTest, ReseedingStartsTheSequenceAgainAndZeroIsOne)
{
    RandomSeed(0);
    const int first = RandomNext();
    const int second = RandomNext();
    RandomSeed(1);
    EXPECT_EQ(RandomNext(), first);
    EXPECT_EQ(RandomNext(), second);
    RandomSeed(7);
    EXPECT_NE(RandomNext(), first);

    // A saved state goes on exactly where it stood, whatever was drawn in between.
    RandomSeed(3);
    RandomNext();
    const RandomState saved = RandomSave();
    const int next[3] = {RandomNext(), RandomNext(), RandomNext()};
    RandomSeed(99);
    RandomRestore(saved);
    for (int value : next) {
        EXPECT_EQ(RandomNext(), value);
    }
}
