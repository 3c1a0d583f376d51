#include <gtest/gtest.h>

#include <vector>

#include "installer/progress.h"

namespace {

TEST(Progress, GeneratorStartsWithTheKnownSequence) {
    uint32_t state = kRandomSeed;
    std::vector<int> first;
    for (int i = 0; i < 5; ++i)
        first.push_back(NextRandomFrom(&state));
    EXPECT_EQ((std::vector<int>{41, 18467, 6334, 26500, 19169}), first);
    // The installer's own generator is the same sequence, from the same start.
    EXPECT_EQ(41, NextRandom());
    EXPECT_EQ(18467, NextRandom());
}

TEST(Progress, StepsAreOneTwoOrThree) {
    const struct {
        int r, step;
    } cases[] = {{0, 1}, {16383, 1}, {16384, 2}, {32766, 2}, {32767, 3}};
    for (const auto& c : cases)
        EXPECT_EQ(c.step, ProgressStep(c.r)) << c.r;
}

TEST(Progress, NeverPassesOneHundred) {
    EXPECT_EQ(100, AdvanceProgress(98, 32767));
    EXPECT_EQ(100, AdvanceProgress(99, 0));
    EXPECT_EQ(99, AdvanceProgress(97, 16384));
}

TEST(Progress, RunReachesExactlyOneHundredOnTheSixtySeventhStep) {
    uint32_t state = kRandomSeed;
    std::vector<int> percents;
    int percent = 0;
    while (percent < 100) {
        percent = AdvanceProgress(percent, NextRandomFrom(&state));
        percents.push_back(percent);
    }
    ASSERT_EQ(67u, percents.size());
    EXPECT_EQ(100, percents.back());
    EXPECT_EQ(99, percents[65]);
    EXPECT_EQ((std::vector<int>{1, 3, 4, 6, 8, 9, 10, 12, 14, 16}),
              std::vector<int>(percents.begin(), percents.begin() + 10));
}

}  // namespace
