// robotscene-bench: times the program's frames case by case and prints a table or JSON.
// Run from the repository root (textures/ is read from the working directory), on any X display.
#include <chrono>
#include <cstdio>

#include <unistd.h>

#include "Bench.h"
#include "BenchOptions.h"
#include "Report.h"

namespace {

constexpr int fewToggles = 10;   // debug-texture toggles before the first RSS reading
constexpr int manyToggles = 500; // toggles before the second; a leak of one image set shows

// The report keeps the real standard output; the scene's own status lines ("DEBUG ENABLED",
// the fly-by) go to /dev/null so that the JSON stays clean.
std::FILE* takeStandardOutput()
{
    std::fflush(stdout);
    std::FILE* report = fdopen(dup(STDOUT_FILENO), "w");
    if (std::freopen("/dev/null", "w", stdout) == nullptr) {
        std::perror("robotscene-bench: /dev/null");
    }
    return report;
}

} // namespace

int main(int argc, char** argv)
{
    std::chrono::steady_clock::time_point mainStart = std::chrono::steady_clock::now();

    BenchOptions options = BenchOptions::parse(argc, argv);
    if (options.help || !options.error.empty()) {
        if (!options.error.empty()) {
            std::fprintf(stderr, "robotscene-bench: %s\n", options.error.c_str());
        }
        std::fputs(BenchOptions::usage(), options.help ? stdout : stderr);
        return options.help ? 0 : 2;
    }

    std::FILE* report = takeStandardOutput();
    if (report == nullptr) {
        std::perror("robotscene-bench: standard output");
        return 1;
    }
    Bench bench(options.frames, options.warmup);
    bench.start(argv[0], mainStart);
    bench.runCases();
    bench.toggleDebugTextures(fewToggles, manyToggles);
    if (options.json) {
        Report::writeJson(bench.result(), report);
    } else {
        Report::writeTable(bench.result(), report);
    }
    std::fclose(report);
    return 0;
}
