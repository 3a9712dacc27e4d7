// The command line: every option alone and in company, every error with its one line and status,
// the first deciding argument, and the options --help, the manual page and README name, which
// must be exactly those the program takes. Starting the program with them is the e2e test's.
#include <cstdio>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Fixtures.h"
#include "app/CommandLine.h"

namespace {

// Every option, and whether it takes the next argument as its value.
const std::map<std::string, bool> options = {
    {"-h", false}, {"--help", false}, {"--version", false}, {"-geometry", true}, {"-display", true},
    {"-direct", false}, {"-indirect", false}, {"-iconic", false}, {"-gldebug", false}, {"-sync", false}};

struct Outcome { int status; std::string out, err; };

// handleCommandLine on the program's name and these arguments, what it returns and writes.
Outcome handle(std::vector<std::string> args)
{
    args.insert(args.begin(), "robotscene");
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    int status = 0;
    const fixtures::Output said =
        fixtures::captured([&] { status = handleCommandLine(int(args.size()), argv.data(), stdout, stderr); });
    return {status, said.out, said.err};
}

std::string unknown(const std::string& arg) { return "robotscene: unknown argument '" + arg + "'; see robotscene --help\n"; }
std::string noValue(const std::string& arg) { return "robotscene: option " + arg + " needs a value; see robotscene --help\n"; }

TEST(CommandLineTest, EachOptionAndEachErrorDecidesAsDocumented)
{
    // What --help and --version print is test_keys_cli's; here every way to reach them.
    const std::string help = handle({"--help"}).out, version = handle({"--version"}).out;
    struct Case { std::vector<std::string> args; int status; std::string out, err; };
    std::vector<Case> cases = {
        {{}, keepRunning, "", ""}, {{"-h"}, 0, help, ""},
        {{"-display", "--help"}, keepRunning, "", ""}, // a value, whatever it looks like
        {{"-geometry", "640x480+10+30", "--bogus"}, 2, "", unknown("--bogus")}, {{"-iconic", "-display"}, 2, "", noValue("-display")},
        // The first argument that decides, decides.
        {{"--bogus", "--help"}, 2, "", unknown("--bogus")}, {{"--help", "--bogus"}, 0, help, ""}, {{"--version", "--help"}, 0, version, ""},
        {{"-sync", "-geometry", "640x480+10+30", "--version", "-h"}, 0, version, ""},
    };
    // Every X option alone, and with its value missing; near misses of each name are unknown.
    for (const auto& [name, takesValue] : options) {
        if (name == "-h" || name == "--help" || name == "--version") continue;
        cases.push_back({takesValue ? std::vector<std::string>{name, "640x480+10+30"} : std::vector<std::string>{name},
                         keepRunning, "", ""});
        if (takesValue) cases.push_back({{name}, 2, "", noValue(name)});
    }
    for (const char* near : {"-help", "--h", "-version", "--geometry", "geometry", "-geometry=640x480", "-Sync", ""}) {
        cases.push_back({{near}, 2, "", unknown(near)});
    }
    for (const Case& c : cases) {
        std::string args;
        for (const std::string& arg : c.args) args += "'" + arg + "' ";
        SCOPED_TRACE(args);
        const Outcome o = handle(c.args);
        EXPECT_EQ(o.status, c.status);
        EXPECT_EQ(o.out, c.out);
        EXPECT_EQ(o.err, c.err);
    }
}

// The options a text names: dashed words after a space, comma, bracket or bar (troff writes a dash
// as \-, and \% before one).
std::set<std::string> optionsIn(std::string text)
{
    text = std::regex_replace(text, std::regex("\\\\%|\\\\"), "");
    std::set<std::string> found;
    std::regex option("(?:^|[ ,[|])(--?[a-z]+)");
    for (auto m = std::sregex_iterator(text.begin(), text.end(), option); m != std::sregex_iterator(); ++m) {
        found.insert((*m)[1]);
    }
    return found;
}

std::string section(const std::string& path, const std::string& from, const std::string& to)
{
    const std::string text = fixtures::readFile(path);
    const std::size_t start = text.find(from);
    EXPECT_NE(start, std::string::npos) << path << ": no " << from;
    return start == std::string::npos ? "" : text.substr(start, text.find(to, start + from.size()) - start);
}

TEST(CommandLineTest, HelpManualAndReadmeNameEveryOptionAndNoOther)
{
    std::set<std::string> all;
    for (const auto& option : options) all.insert(option.first);
    EXPECT_EQ(optionsIn(handle({"--help"}).out), all) << "--help";
    EXPECT_EQ(optionsIn(section("packaging/robotscene.6.in", ".SH OPTIONS", ".SH ")), all) << "the manual page";
    EXPECT_EQ(optionsIn(section("README.md", "robotscene [", "\n")), all) << "README's command line";
}

} // namespace
