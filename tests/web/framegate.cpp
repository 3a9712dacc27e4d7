// Preloaded into the desktop program by the browser tests: it draws a frame only while the count
// in the file named by ROBOTSCENE_FRAME_GATE allows it, and writes the frames drawn and the key
// events handled to that name plus ".state", so the test brings it to the same frame as the page.
// It wraps the display and keyboard callbacks the program registers; nothing else changes.
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

using Display = void (*)();
using Key = void (*)(unsigned char, int, int);
Display display;
Key keyDown, keyUp;
long drawn, keys;

void report()
{
    std::string path = std::string(std::getenv("ROBOTSCENE_FRAME_GATE")) + ".state";
    std::string temp = path + ".new";
    if (std::FILE* file = std::fopen(temp.c_str(), "w")) {
        std::fprintf(file, "%ld %ld\n", drawn, keys);
        std::fclose(file);
        std::rename(temp.c_str(), path.c_str()); // the test never reads half a line
    }
}

void gatedDisplay()
{
    long allowed = 0;
    if (std::FILE* file = std::fopen(std::getenv("ROBOTSCENE_FRAME_GATE"), "r")) {
        if (std::fscanf(file, "%ld", &allowed) != 1) {
            allowed = 0;
        }
        std::fclose(file);
    }
    if (drawn < allowed) {
        display();
        drawn++;
        report();
    }
}

void countedDown(unsigned char key, int x, int y)
{
    keyDown(key, x, y);
    keys++;
    report();
}

void countedUp(unsigned char key, int x, int y)
{
    keyUp(key, x, y);
    keys++;
    report();
}

template <typename Callback> void forward(const char* name, Callback callback)
{
    void* symbol = dlsym(RTLD_NEXT, name);
    void (*registerCallback)(Callback);
    std::memcpy(&registerCallback, &symbol, sizeof symbol);
    registerCallback(callback);
}

} // namespace

extern "C" {
void glutDisplayFunc(Display callback)
{
    display = callback;
    forward("glutDisplayFunc", gatedDisplay);
}

void glutKeyboardFunc(Key callback)
{
    keyDown = callback;
    forward("glutKeyboardFunc", countedDown);
}

void glutKeyboardUpFunc(Key callback)
{
    keyUp = callback;
    forward("glutKeyboardUpFunc", countedUp);
}
}
