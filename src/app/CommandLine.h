// The program's own command-line options, handled before freeglut reads the arguments and so
// before any display is opened. freeglut's own options are left in place for glutInit.
#pragma once

#include <cstdio>

constexpr int keepRunning = -1; // handleCommandLine's result when the program should start

// --help (-h) prints the usage to `out` and --version the version, and return 0; any argument
// that is neither one of these nor one of freeglut's options (with its value, for those that take
// one) prints one line to `err` and returns 2. Otherwise returns keepRunning. Arguments are
// looked at in order: the first that decides, decides.
int handleCommandLine(int argc, char** argv, std::FILE* out, std::FILE* err);
