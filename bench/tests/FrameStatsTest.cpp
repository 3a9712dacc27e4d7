// FrameStats: order statistics must not be off by one, and empty cases must not divide by 0.
#include "FrameStats.h"

#include <vector>

#include <gtest/gtest.h>

namespace {

FrameStats statsOf(const std::vector<double>& wallMs)
{
    FrameStats stats;
    for (double ms : wallMs) {
        stats.add(ms, 0, 0);
    }
    return stats;
}

struct OrderCase {
    const char* label;
    std::vector<double> wallMs; // in the order measured
    double median;
    double p90;
};

TEST(FrameStatsTest, MedianAndNearestRankP90)
{
    const OrderCase cases[] = {
        {"one frame", {7}, 7, 7},
        {"odd count, unsorted", {5, 1, 3}, 3, 5},
        {"even count: mean of the middle two", {4, 1, 3, 2}, 2.5, 4},
        // Rank ceil(0.9 * 10) = 9: the 9th smallest, not the largest.
        {"ten frames", {10, 9, 8, 7, 6, 5, 4, 3, 2, 1}, 5.5, 9},
        // Rank ceil(0.9 * 11) = 10.
        {"eleven frames", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, 6, 10},
        {"one slow frame of twenty", {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 50}, 1, 1},
    };
    for (const OrderCase& c : cases) {
        FrameStats stats = statsOf(c.wallMs);
        EXPECT_EQ(stats.frames(), c.wallMs.size()) << c.label;
        EXPECT_DOUBLE_EQ(stats.medianWallMs(), c.median) << c.label;
        EXPECT_DOUBLE_EQ(stats.p90WallMs(), c.p90) << c.label;
    }
}

TEST(FrameStatsTest, MeansOfCpuTimeAndBytes)
{
    FrameStats stats;
    stats.add(1, 2.0, 300);
    stats.add(1, 4.0, 300);
    stats.add(1, 6.0, 301);
    EXPECT_DOUBLE_EQ(stats.meanCpuMs(), 4.0);
    EXPECT_EQ(stats.uploadBytesPerFrame(), 300u); // 901 / 3, rounded down
}

TEST(FrameStatsTest, NoFramesGivesZeroesNotNaN)
{
    FrameStats stats;
    EXPECT_EQ(stats.frames(), 0u);
    EXPECT_EQ(stats.medianWallMs(), 0);
    EXPECT_EQ(stats.p90WallMs(), 0);
    EXPECT_EQ(stats.meanCpuMs(), 0);
    EXPECT_EQ(stats.uploadBytesPerFrame(), 0u);
}

} // namespace
