#include <gtest/gtest.h>

#include "installer/progress.h"

TEST(Progress, GeneratorGivesTheKnownSequence) {
    for (int expected : {41, 18467, 6334, 26500, 19169})
        EXPECT_EQ(expected, NextRandom());
}

TEST(Progress, StepsOfOneTwoOrThreeNeverPassOneHundred) {
    const struct {
        int percent, r, next;
    } cases[] = {{0, 0, 1},     {0, 16383, 1},    {0, 16384, 2}, {0, 32766, 2},
                 {0, 32767, 3}, {98, 32767, 100}, {99, 0, 100},  {97, 16384, 99}};
    for (const auto& c : cases)
        EXPECT_EQ(c.next, AdvanceProgress(c.percent, c.r)) << c.percent << " + step for " << c.r;
}
