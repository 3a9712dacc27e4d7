// The GLUT input callbacks. Each forwards its arguments unchanged to the global input record and
// does nothing else; kept apart from Event.cpp so the record itself never depends on the global.
#include "input/Event.h"

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
