// The GLUT input callbacks. Each forwards its arguments unchanged to the global input record and
// does nothing else, but for the joystick's: it renumbers the pad's buttons to the standard
// mapping and watches for a pad gone silent. Kept apart from Event.cpp so the record itself never
// depends on the global.
#include "input/Event.h"

#include <GL/freeglut.h>

PadLayout padLayout = [] {
    PadLayout layout{};
    for (int i = 0; i < PadLayout::buttons; ++i) layout.standard[i] = i;
    layout.thirdAxisIsRightStick = true;
    return layout;
}();

namespace {

// freeglut calls the joystick callback at every poll while it can read the pad, and never again
// once it cannot: this long without a call, the pad is taken as gone.
constexpr int padSilence = 500; // ms
int lastPadCall = 0;            // ms, GLUT's elapsed time at the last joystick callback
bool watchingPad = false;

void watchPad(int)
{
    if (glutGet(GLUT_ELAPSED_TIME) - lastPadCall >= padSilence) {
        watchingPad = false;
        ev.joystick(0, 0, 0, 0);
        return;
    }
    glutTimerFunc(padSilence, watchPad, 0);
}

} // namespace

void manageKeyboardUp(unsigned char key, int x, int y)
{
    ev.KeyboardKeysUp(key, x, y);
}

void manageKeyboard(unsigned char key, int x, int y)
{
    ev.KeyboardKeys(key, x, y);
}

void manageSpecialKeyboard(int key, int x, int y)
{
    ev.arrowKeys(key, x, y);
}

void manageSpecialKeyboardUp(int key, int x, int y)
{
    ev.arrowKeysUp(key, x, y);
}

void manageMouse(int button, int state, int x, int y)
{
    ev.mouse(button, state, x, y);
}

void manageMouseWheel(int wheel, int direction, int x, int y)
{
    ev.mouseWheel(wheel, direction, x, y);
}

void manageMouseMove(int x, int y)
{
    ev.mouseMove(x, y);
}

void manageJoystick(unsigned buttons, int x, int y, int z)
{
    lastPadCall = glutGet(GLUT_ELAPSED_TIME);
    if (!watchingPad) {
        watchingPad = true;
        glutTimerFunc(padSilence, watchPad, 0);
    }
    unsigned standard = 0;
    for (int i = 0; i < PadLayout::buttons; ++i) {
        if ((buttons >> i & 1u) != 0 && padLayout.standard[i] >= 0) standard |= 1u << padLayout.standard[i];
    }
    ev.joystick(standard, x, y, padLayout.thirdAxisIsRightStick ? z : 0);
}
