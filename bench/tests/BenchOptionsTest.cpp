// BenchOptions: good command lines give their values, bad ones an error and never a half-read
// number.
#include "BenchOptions.h"

#include <vector>

#include <gtest/gtest.h>

namespace {

BenchOptions parse(std::vector<const char*> args)
{
    args.insert(args.begin(), "robotscene-bench");
    return BenchOptions::parse(static_cast<int>(args.size()), args.data());
}

struct GoodCase {
    const char* label;
    std::vector<const char*> args;
    int frames;
    int warmup;
    bool json;
};

TEST(BenchOptionsTest, ValidCommandLines)
{
    const GoodCase cases[] = {
        {"defaults", {}, 300, 30, false},
        {"json", {"--json"}, 300, 30, true},
        {"frames", {"--frames", "12"}, 12, 30, false},
        {"no warm-up", {"--warmup", "0"}, 300, 0, false},
        {"all, any order", {"--json", "--warmup", "5", "--frames", "1"}, 1, 5, true},
    };
    for (const GoodCase& c : cases) {
        BenchOptions options = parse(c.args);
        EXPECT_EQ(options.error, "") << c.label;
        EXPECT_EQ(options.frames, c.frames) << c.label;
        EXPECT_EQ(options.warmup, c.warmup) << c.label;
        EXPECT_EQ(options.json, c.json) << c.label;
        EXPECT_FALSE(options.help) << c.label;
    }
}

TEST(BenchOptionsTest, MistakesAreReported)
{
    const std::vector<std::vector<const char*>> cases = {
        {"--frames"},          {"--frames", "0"},    {"--frames", "-3"},      {"--frames", "12x"},
        {"--frames", ""},      {"--frames", "1e3"},  {"--frames", "2000000"}, {"--frames", "99999999999999999999"},
        {"--warmup", "-1"},    {"--warmup"},         {"--fast"},              {"300"},
    };
    for (const auto& args : cases) {
        BenchOptions options = parse(args);
        EXPECT_NE(options.error, "") << args[0] << (args.size() > 1 ? std::string(" ") + args[1] : "");
    }
}

TEST(BenchOptionsTest, HelpIsAskedFor)
{
    EXPECT_TRUE(parse({"--help"}).help);
    EXPECT_TRUE(parse({"-h"}).help);
}

} // namespace
