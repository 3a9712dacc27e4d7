// Preloaded into the desktop program by the browser tests: it draws a frame only while the count
// in the file named by ROBOTSCENE_FRAME_GATE allows it, and writes the frames drawn and the key
// events handled to that name plus ".state", so the test brings it to the same frame as the page.
// It wraps the display and keyboard callbacks the program registers; nothing else changes.
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
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
    std::ofstream(path + ".new") << drawn << ' ' << keys << '\n'; // closed at the end of the statement
    std::rename((path + ".new").c_str(), path.c_str());            // the test never reads half a line
}

void gatedDisplay()
{
    long allowed = 0; // stays 0 when the file is missing or holds no number yet
    std::ifstream(std::getenv("ROBOTSCENE_FRAME_GATE")) >> allowed;
    if (drawn < allowed) {
        display();
        drawn++;
        report();
    }
}

// Wraps a key callback (press or release) kept in *program.
template <Key* program> void counted(unsigned char key, int x, int y)
{
    (*program)(key, x, y);
    keys++;
    report();
}

// Keeps the program's callback and registers the wrapper with the real GLUT function in its place.
template <typename Callback> void forward(const char* name, Callback& kept, Callback callback, Callback wrapper)
{
    kept = callback;
    void* symbol = dlsym(RTLD_NEXT, name);
    void (*registerCallback)(Callback);
    std::memcpy(&registerCallback, &symbol, sizeof symbol);
    registerCallback(wrapper);
}

} // namespace

extern "C" {
void glutDisplayFunc(Display callback)
{
    forward("glutDisplayFunc", display, callback, gatedDisplay);
}

void glutKeyboardFunc(Key callback)
{
    forward("glutKeyboardFunc", keyDown, callback, counted<&keyDown>);
}

void glutKeyboardUpFunc(Key callback)
{
    forward("glutKeyboardUpFunc", keyUp, callback, counted<&keyUp>);
}
}
