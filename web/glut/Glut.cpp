// The GLUT calls the scene makes, over the page: callbacks kept here, called by the page's event
// listeners and its frame loop (web/js/page.js). A timer becomes due after its delay on the
// page's clock and runs at the next tick of the loop; a posted redisplay runs the display
// callback once per tick, as GLUT coalesces them. The window is the page's canvas: its size
// follows the page and every change calls the reshape callback, as a window resize does. The
// page polls the gamepad once per animation frame and hands it to the joystick callback in the
// browsers' standard mapping, as freeglut polls a joystick.
// glutMainLoop hands control to the browser and does not return, as GLUT's does not. Before it,
// main returns to the browser between its steps (the window made, each image decoded), so the
// page is never blocked long while the program starts; the steps and their order are main's own.
//
// Not here: several windows, menus, fonts, shapes, idle and passive-motion callbacks, game mode,
// full screen (F11 stays the browser's).
#include <GL/freeglut.h>

#include <emscripten.h>

#include <algorithm>
#include <vector>

#include "gl/Bridge.h"

namespace {

struct Timer {
    double due; // ms, page clock (robotscene_now)
    void (*callback)(int);
    int value;
};

struct Callbacks {
    void (*display)() = nullptr;
    void (*reshape)(int, int) = nullptr;
    void (*keyboard)(unsigned char, int, int) = nullptr;
    void (*keyboardUp)(unsigned char, int, int) = nullptr;
    void (*special)(int, int, int) = nullptr;
    void (*specialUp)(int, int, int) = nullptr;
    void (*mouse)(int, int, int, int) = nullptr;
    void (*motion)(int, int) = nullptr;
    void (*wheel)(int, int, int, int) = nullptr;
    void (*joystick)(unsigned, int, int, int) = nullptr;
    std::vector<Timer> timers;
    int width = 0; // the canvas's drawing buffer, pixels
    int height = 0;
    bool redisplay = true; // the first frame is drawn unasked, as on a new window
    bool looping = false;  // glutMainLoop reached: main's start-up is over
    double start = 0;
};

Callbacks& glut()
{
    static Callbacks callbacks;
    return callbacks;
}

} // namespace

extern "C" {

void glutInit(int*, char**)
{
    glut().start = robotscene_now();
}

void glutInitDisplayMode(unsigned int) {}
void glutInitWindowSize(int, int) {}
void glutInitWindowPosition(int, int) {}

int glutCreateWindow(const char* title)
{
    robotscene_set_title(title);
    if (!robotscene_gl_init()) {
        return 0;
    }
    yieldDuringStart(); // making the context waits on the browser's graphics; the shader compiles meanwhile
    robotscene_gl_build();
    yieldDuringStart();
    return 1;
}

void glutSetWindowTitle(const char* title)
{
    robotscene_set_title(title);
}

void glutDisplayFunc(void (*callback)()) { glut().display = callback; }
void glutReshapeFunc(void (*callback)(int, int)) { glut().reshape = callback; }
void glutKeyboardFunc(void (*callback)(unsigned char, int, int)) { glut().keyboard = callback; }
void glutKeyboardUpFunc(void (*callback)(unsigned char, int, int)) { glut().keyboardUp = callback; }
void glutSpecialFunc(void (*callback)(int, int, int)) { glut().special = callback; }
void glutSpecialUpFunc(void (*callback)(int, int, int)) { glut().specialUp = callback; }
void glutMouseFunc(void (*callback)(int, int, int, int)) { glut().mouse = callback; }
void glutMotionFunc(void (*callback)(int, int)) { glut().motion = callback; }
void glutMouseWheelFunc(void (*callback)(int, int, int, int)) { glut().wheel = callback; }
void glutJoystickFunc(void (*callback)(unsigned, int, int, int), int) { glut().joystick = callback; }

void glutTimerFunc(unsigned int msecs, void (*callback)(int), int value)
{
    glut().timers.push_back(Timer{robotscene_now() + msecs, callback, value});
}

void glutPostRedisplay(void)
{
    glut().redisplay = true;
}

// The page fills its window and full screen is the browser's (F11): the window cannot be moved or
// resized from here.
void glutFullScreenToggle(void) {}
void glutPositionWindow(int, int) {}
void glutReshapeWindow(int, int) {}

void glutSwapBuffers(void)
{
    webGlFlush(); // the page shows the canvas when the tick returns
}

int glutGet(GLenum what)
{
    switch (what) {
    case GLUT_ELAPSED_TIME: return static_cast<int>(robotscene_now() - glut().start);
    case GLUT_WINDOW_WIDTH: return glut().width;
    case GLUT_WINDOW_HEIGHT: return glut().height;
    default: return 0; // the window's place: the page's corner
    }
}

void glutMainLoop(void)
{
    glut().looping = true;
    robotscene_page_start();
    emscripten_exit_with_live_runtime();
}

// Called by the page once per animation frame: due timers first, then at most one redisplay when
// the page lets it draw. Returns 1 when a frame was drawn.
EMSCRIPTEN_KEEPALIVE int robotscene_tick(int mayDraw)
{
    Callbacks& g = glut();
    double now = robotscene_now();
    std::vector<Timer> due;
    auto notDue = [now](const Timer& t) { return t.due > now; };
    auto split = std::stable_partition(g.timers.begin(), g.timers.end(), notDue);
    due.assign(split, g.timers.end());
    g.timers.erase(split, g.timers.end());
    std::stable_sort(due.begin(), due.end(), [](const Timer& a, const Timer& b) { return a.due < b.due; });
    for (const Timer& t : due) {
        t.callback(t.value);
    }
    if (!mayDraw || !g.redisplay || g.display == nullptr) {
        return 0;
    }
    g.redisplay = false;
    g.display();
    return 1;
}

EMSCRIPTEN_KEEPALIVE void robotscene_resize(int width, int height)
{
    Callbacks& g = glut();
    g.width = width;
    g.height = height;
    if (g.reshape != nullptr) {
        g.reshape(width, height);
    } else {
        glViewport(0, 0, width, height);
    }
    g.redisplay = true;
}

// key: a character code (0 to 255) for the keyboard callbacks, or 256 plus a GLUT special key.
EMSCRIPTEN_KEEPALIVE void robotscene_key(int key, int down, int x, int y)
{
    Callbacks& g = glut();
    if (key >= 256) {
        auto special = down ? g.special : g.specialUp;
        if (special != nullptr) {
            special(key - 256, x, y);
        }
        return;
    }
    auto callback = down ? g.keyboard : g.keyboardUp;
    if (callback != nullptr) {
        callback(static_cast<unsigned char>(key), x, y);
    }
}

EMSCRIPTEN_KEEPALIVE void robotscene_mouse(int button, int state, int x, int y)
{
    if (glut().mouse != nullptr) {
        glut().mouse(button, state, x, y);
    }
}

EMSCRIPTEN_KEEPALIVE void robotscene_motion(int x, int y)
{
    if (glut().motion != nullptr) {
        glut().motion(x, y);
    }
}

EMSCRIPTEN_KEEPALIVE void robotscene_wheel(int direction, int x, int y)
{
    if (glut().wheel != nullptr) {
        glut().wheel(0, direction, x, y);
    }
}

// buttons: a bit per standard-mapping button held; x, y: the left stick, z: the right stick
// across, each from -1000 to 1000.
EMSCRIPTEN_KEEPALIVE void robotscene_joystick(unsigned buttons, int x, int y, int z)
{
    if (glut().joystick != nullptr) {
        glut().joystick(buttons, x, y, z);
    }
}

} // extern "C"

void yieldDuringStart()
{
    if (!glut().looping) {
        robotscene_yield();
    }
}
