// ProcessInfo: the start time must be found after the command name, whatever that name holds.
#include "ProcessInfo.h"

#include <string>

#include <gtest/gtest.h>

namespace {

// Fields 3 to 21 of a stat line, then the start time 4242, then a few more.
const std::string tail = " S 1 2 3 0 -1 4194560 100 0 0 0 5 6 0 0 20 0 3 0 4242 123456 789 18446744073709551615";

struct StatCase {
    const char* label;
    std::string line;
    long long ticks;
};

TEST(ProcessInfoTest, StartTicksOfAStatLine)
{
    const StatCase cases[] = {
        {"plain name", "1234 (robotscene-ben)" + tail, 4242},
        {"blanks in the name", "1234 (a b c d e)" + tail, 4242},
        {"parentheses in the name", "1234 (x) 9 (y))" + tail, 4242},
        {"no name at all", "1234 robotscene S 1 2 3", -1},
        {"cut short before the start time", "1234 (robotscene) S 1 2 3 0 -1", -1},
        {"not a number where the start time is", "1234 (r) S 1 2 3 0 -1 4 1 0 0 0 5 6 0 0 20 0 3 0 12ab 1", -1},
        {"empty", "", -1},
    };
    for (const StatCase& c : cases) {
        EXPECT_EQ(ProcessInfo::startTicks(c.line), c.ticks) << c.label;
    }
}

TEST(ProcessInfoTest, ThisProcessStartedInThePastAndHasMemory)
{
    EXPECT_GE(ProcessInfo::msSinceStart(), 0.0);
    EXPECT_GT(ProcessInfo::peakRssKib(), 0);
}

} // namespace
