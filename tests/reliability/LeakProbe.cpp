// A deliberate fault for the sanitizer build to catch: proof that the sanitizers are really in
// force, with the leak suppressions of tests/lsan.supp loaded, for code of our own. The mode is
// the first argument: "leak" loses a buffer (LeakSanitizer runs inside AddressSanitizer, so its
// report proves both), "overflow" overflows a signed int, and "clean" does the scene work alone
// and must exit quietly.
// The scene work (a mesh built, an image decoded and dropped) is there so the probe runs our
// library's code under the same options; the faults are in this file's own functions, so the
// reports name them.
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "geometry/Mesh.h"
#include "texture/Img.h"

namespace {

constexpr std::size_t probeBytes = 4096; // bytes lost by the leak probe

char* volatile lastBuffer = nullptr; // keeps the compiler from dropping the allocations

__attribute__((noinline)) void leakProbeBuffer()
{
    char* buffer = new char[probeBytes];
    std::memset(buffer, 1, probeBytes);
    lastBuffer = buffer;
    lastBuffer = nullptr; // the only reference is gone: the buffer is lost
}

__attribute__((noinline)) int overflowProbe(int value)
{
    return value + 1;
}

// Our own library at work, so its code runs under the sanitizers too; it must report nothing.
void sceneWork()
{
    Mesh plane;
    plane.createPlane(30, 30, 1);
    Img image;
    image.LoadImg("textures/floor.png");
    image.LoadImg("textures/menu.jpg"); // gives up the first buffer
}

} // namespace

int main(int argc, char** argv)
{
    std::string mode = argc > 1 ? argv[1] : "";
    sceneWork();
    if (mode == "leak") {
        leakProbeBuffer();
    } else if (mode == "overflow") {
        // From the command line's length, so the compiler cannot fold the sum away.
        std::printf("%d\n", overflowProbe(INT_MAX - 1 + static_cast<int>(mode.size() > 0)));
    } else if (mode != "clean") {
        std::fprintf(stderr, "usage: %s leak|overflow|clean\n", argv[0]);
        return 2;
    }
    return 0;
}
