// BenchOptions: the bench's command line. Parsing only; nothing is run here.
#pragma once

#include <string>

class BenchOptions {
public:
    int frames = 300; // timed frames per case
    int warmup = 30;  // frames drawn and not timed before each case
    bool json = false;
    bool help = false;
    std::string error; // empty when the command line was understood

    // Reads the arguments after the program name; on a mistake, error says what was wrong.
    static BenchOptions parse(int argc, const char* const* argv);
    static const char* usage();
};
