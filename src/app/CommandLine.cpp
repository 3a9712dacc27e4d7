// The program's own options (--help, --version) and the check that every other argument is one
// of freeglut's X options. Nothing here opens a display or touches GL.
#include "app/CommandLine.h"

#include <cstring>

// CMake passes the project's version; a build without it still says which program it is.
#ifndef ROBOTSCENE_VERSION
#define ROBOTSCENE_VERSION "(unknown version)"
#endif

namespace {

const char* const usage =
    "Usage: robotscene [OPTION]...\n"
    "Drive a small three-legged robot around a 3-D scene.\n"
    "\n"
    "  -h, --help             print this help and exit\n"
    "      --version          print the version and exit\n"
    "  -geometry WxH+X+Y      the window's size and place (1024x768+200+200 unless given)\n"
    "  -display DISPLAY       the X display to open\n"
    "  -direct, -indirect, -iconic, -gldebug, -sync\n"
    "                         further X and OpenGL options, passed on to freeglut\n"
    "\n"
    "The keys are listed on the program's help screen (the space bar shows it) and in\n"
    "man 6 robotscene.\n";

// freeglut's options; the first two take a value, the next argument.
const char* const valueOptions[] = {"-display", "-geometry"};
const char* const flagOptions[] = {"-direct", "-indirect", "-iconic", "-gldebug", "-sync"};

template <std::size_t n>
bool isOneOf(const char* argument, const char* const (&names)[n])
{
    for (const char* name : names) {
        if (std::strcmp(argument, name) == 0) {
            return true;
        }
    }
    return false;
}

} // namespace

int handleCommandLine(int argc, char** argv, std::FILE* out, std::FILE* err)
{
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0) {
            std::fputs(usage, out);
            return 0;
        }
        if (std::strcmp(argument, "--version") == 0) {
            std::fputs("robotscene " ROBOTSCENE_VERSION "\n", out);
            return 0;
        }
        if (isOneOf(argument, valueOptions)) {
            if (i + 1 == argc) {
                std::fprintf(err, "robotscene: option %s needs a value; see robotscene --help\n", argument);
                return 2;
            }
            ++i;
        } else if (!isOneOf(argument, flagOptions)) {
            std::fprintf(err, "robotscene: unknown argument '%s'; see robotscene --help\n", argument);
            return 2;
        }
    }
    return keepRunning;
}
