// The generator as the process starts: nothing has seeded, drawn from or reset it yet. This must
// stay the only test of its executable, so that no other test runs first.
#include "random/random.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(RandomStartState, IsAllBitsSetAndGivesTheUnseededDraws) {
    ASSERT_EQ(RandomState(), 0xFFFFFFFFu);
    std::vector<int32_t> draws;
    for (int i = 0; i < 14; ++i) {
        draws.push_back(RandomRange(1, 10));
    }
    EXPECT_EQ(draws, (std::vector<int32_t>{10, 3, 6, 2, 9, 1, 5, 10, 4, 8, 7, 9, 4, 7}));
}

} // namespace
