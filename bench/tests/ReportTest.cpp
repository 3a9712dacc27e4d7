// Report: the ratio to the empty frame and the JSON string escaping. The whole JSON document is
// parsed by the bench's smoke test.
#include "Report.h"

#include <gtest/gtest.h>

namespace {

CaseResult caseOf(const char* name, double medianMs)
{
    CaseResult entry{name, "", FrameStats()};
    entry.stats.add(medianMs, 0, 0);
    return entry;
}

struct RatioCase {
    const char* label;
    std::vector<CaseResult> cases;
    double ratio; // of the last case
};

TEST(ReportTest, RatioToTheEmptyFrame)
{
    const RatioCase cases[] = {
        {"scene over empty", {caseOf("empty", 2), caseOf("scene", 5)}, 2.5},
        {"empty over itself", {caseOf("empty", 2)}, 1},
        {"empty measured after the case", {caseOf("scene", 3), caseOf("empty", 1.5)}, 1},
        {"no empty case", {caseOf("menu", 2), caseOf("scene", 5)}, 0},
        {"an empty frame of 0 ms", {caseOf("empty", 0), caseOf("scene", 5)}, 0},
    };
    for (const RatioCase& c : cases) {
        BenchResult result;
        result.cases = c.cases;
        EXPECT_DOUBLE_EQ(Report::ratioToEmpty(result, result.cases.back()), c.ratio) << c.label;
    }
}

TEST(ReportTest, JsonStringsAreEscaped)
{
    const std::pair<std::string, std::string> cases[] = {
        {"llvmpipe (LLVM 15.0.6, 256 bits)", "\"llvmpipe (LLVM 15.0.6, 256 bits)\""},
        {"", "\"\""},
        {"say \"hi\"", "\"say \\\"hi\\\"\""},
        {"C:\\path", "\"C:\\\\path\""},
        {"two\nlines\t", "\"two\\u000alines\\u0009\""},
        {"caf\xc3\xa9", "\"caf\xc3\xa9\""}, // UTF-8 passes as it is
    };
    for (const auto& [text, json] : cases) {
        EXPECT_EQ(Report::jsonString(text), json) << text;
    }
}

} // namespace
