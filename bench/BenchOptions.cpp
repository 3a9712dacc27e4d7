// Command-line parsing of the bench: --frames N, --warmup N, --json, --help.
#include "BenchOptions.h"

#include <cerrno>
#include <cstdlib>

namespace {

constexpr long maxFrames = 1000000; // frames; beyond this a run takes hours, surely a typo

// A whole decimal number in [lowest, maxFrames], or false.
bool readCount(const char* text, long lowest, int& out)
{
    if (text == nullptr || *text == '\0') {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    long value = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || value < lowest || value > maxFrames) {
        return false;
    }
    out = static_cast<int>(value);
    return true;
}

} // namespace

BenchOptions BenchOptions::parse(int argc, const char* const* argv)
{
    BenchOptions options;
    for (int i = 1; i < argc && options.error.empty(); ++i) {
        std::string arg = argv[i];
        const char* next = i + 1 < argc ? argv[i + 1] : nullptr;
        if (arg == "--json") {
            options.json = true;
        } else if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--frames") {
            if (!readCount(next, 1, options.frames)) {
                options.error = "--frames needs a whole number from 1 to 1000000";
            }
            ++i;
        } else if (arg == "--warmup") {
            if (!readCount(next, 0, options.warmup)) {
                options.error = "--warmup needs a whole number from 0 to 1000000";
            }
            ++i;
        } else {
            options.error = "unknown argument: " + arg;
        }
    }
    return options;
}

const char* BenchOptions::usage()
{
    return "usage: robotscene-bench [--frames N] [--warmup N] [--json]\n"
           "  Renders the scene's cases back to back in a 1024 x 768 window and reports frame\n"
           "  times, CPU time, bytes uploaded, start-up time and peak memory.\n"
           "  --frames N   timed frames per case (default 300)\n"
           "  --warmup N   untimed frames before each case (default 30)\n"
           "  --json       JSON instead of a table\n"
           "  Run it from the repository root: it reads textures/ from the working directory.\n";
}
