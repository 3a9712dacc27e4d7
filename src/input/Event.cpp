// Event: the input state record and its key, mouse, drag, wheel and gamepad handlers.
// Handlers change fields and start short cues; only T and Y touch GL (rasterisation state, at
// once) and F11 the window. Nothing here moves the robot or draws: the frame driver reads the
// record each frame, and takes the picture P asks for.
// The GLUT callbacks that forward to the global record live in InputCallbacks.cpp.
#include "input/Event.h"

#include <cstdlib>

#include <GL/freeglut.h>

bool pressed = false;

namespace {

constexpr int cameraModes = 3;     // orbit, chase, tracking
constexpr int stickHalfWay = 500;  // of GLUT's 1000: a stick pushed this far holds its direction

// The four drive actions. Each can be held by a letter, an arrow and the gamepad at once, which
// act as one key held: each action owns three bits of heldDriveKeys, one for each.
enum DriveAction { forward, backward, left, right };
constexpr unsigned letterKey = 1;
constexpr unsigned arrowKey = 2;
constexpr unsigned padKey = 4;
constexpr unsigned allSources = letterKey | arrowKey | padKey;
constexpr int bitsPerAction = 3;

// The window's place and size before full screen, to give them back.
struct WindowPlace {
    int x, y, width, height; // pixels
};
WindowPlace windowed = {0, 0, 0, 0};

int driveActionOf(Action action)
{
    switch (action) {
    case Action::forward: return forward;
    case Action::backward: return backward;
    case Action::turnLeft: return left;
    case Action::turnRight: return right;
    default: return -1;
    }
}

bool stickHeld(Stick stick, int x, int y, int z)
{
    switch (stick) {
    case Stick::leftUp: return y <= -stickHalfWay;
    case Stick::leftDown: return y >= stickHalfWay;
    case Stick::leftLeft: return x <= -stickHalfWay;
    case Stick::leftRight: return x >= stickHalfWay;
    case Stick::rightLeft: return z <= -stickHalfWay;
    case Stick::rightRight: return z >= stickHalfWay;
    default: return false;
    }
}

// GL rasterisation mode for the record's polygon mode; anything unknown draws filled.
GLenum glPolygonModeFor(int polygonMode)
{
    switch (polygonMode) {
    case 1: return GL_LINE;
    case 2: return GL_POINT;
    default: return GL_FILL;
    }
}

} // namespace

Event::Event()
    : lastMouseX(0), // a record that is not static still starts with a defined pointer position
      lastMouseY(0),
      musicOn(true),
      resetRequested(false),
      pictureRequested(false),
      fullScreen(false),
      heldDriveKeys(0), // which keys are down is the keyboard's state, not reset by Enter
      padHeld(0),
      reducedMotion(false)
{
    init();
}

Event::~Event() {}

void Event::init()
{
    anglex = 180;
    angley = 20;
    zoomValue = 14;
    cameraX = 0;
    cameraY = -4;
    cameraZ = 0;
    cameraMode = 0;
    headTurn = 0;
    headSweep = !reducedMotion;
    robotX = 0;
    robotY = 0;
    robotZ = -5;
    robotAngle = 0;
    rotationAxisX = 0;
    rotationAxisY = 0;
    rotationAxisZ = 0;
    hologramOn = true;
    moveDirection = 0;
    turnDirection = 0;
    debugOn = false;
    menuShown = true;
    polygonMode = 0;
    flatShading = false;
}

void Event::KeyboardKeys(unsigned char key, int, int)
{
    if (const Binding* binding = bindingForCharacter(key)) {
        press(*binding, letterKey);
    }
}

void Event::KeyboardKeysUp(unsigned char key, int, int)
{
    if (const Binding* binding = bindingForCharacter(key)) {
        release(*binding, letterKey);
    }
}

void Event::arrowKeys(int key, int, int)
{
    if (const Binding* binding = bindingForSpecial(key)) {
        press(*binding, arrowKey);
    }
}

void Event::arrowKeysUp(int key, int, int)
{
    if (const Binding* binding = bindingForSpecial(key)) {
        release(*binding, arrowKey);
    }
}

// Releases first: a stick swung from forward to back in one poll must end up driving back.
void Event::joystick(unsigned buttons, int x, int y, int z)
{
    unsigned held = 0;
    for (int row = 0; row < bindingCount; ++row) {
        const Binding& binding = bindings[row];
        bool button = binding.padButton != padNone && (buttons >> binding.padButton & 1u) != 0;
        if (button || stickHeld(binding.stick, x, y, z)) {
            held |= 1u << row;
        }
    }
    unsigned pressedNow = held & ~padHeld;
    unsigned releasedNow = padHeld & ~held;
    padHeld = held;
    for (int row = 0; row < bindingCount; ++row) {
        if ((releasedNow >> row & 1u) != 0) release(bindings[row], padKey);
    }
    for (int row = 0; row < bindingCount; ++row) {
        if ((pressedNow >> row & 1u) != 0) press(bindings[row], padKey);
    }
}

void Event::preferReducedMotion()
{
    reducedMotion = true;
    headSweep = false;
}

void Event::mouse(int button, int state, int x, int y)
{
    if (button != GLUT_LEFT_BUTTON) {
        return;
    }
    if (state == GLUT_DOWN) {
        pressed = true;
        lastMouseX = x;
        lastMouseY = y;
    } else if (state == GLUT_UP) {
        pressed = false;
    }
}

void Event::mouseMove(int x, int y)
{
    if (menuShown) {
        return;
    }
    if (pressed) {
        // One pixel of drag turns the orbit camera by one degree.
        anglex += x - lastMouseX;
        angley += y - lastMouseY;
    }
    lastMouseX = x;
    lastMouseY = y;
}

void Event::mouseWheel(int, int direction, int, int)
{
    zoomBy(direction > 0 ? -1 : +1);
}

int Event::getAnglex()
{
    return anglex;
}

int Event::getAngley()
{
    return angley;
}

int Event::getZoomValue()
{
    return zoomValue;
}

void Event::setZoomValue(int value)
{
    zoomValue = value;
}

void Event::press(const Binding& binding, unsigned source)
{
    switch (binding.action) {
    case Action::menu: toggleMenu(binding); break;
    case Action::reset: requestReset(binding); break;
    case Action::quit: std::exit(0);
    case Action::zoomIn: zoomBy(-1); break;
    case Action::zoomOut: zoomBy(+1); break;
    case Action::headRight: turnHeadBy(-1); break;
    case Action::headLeft: turnHeadBy(+1); break;
    case Action::sweep: toggleHeadSweep(binding); break;
    case Action::hologram: toggleHologram(binding); break;
    case Action::music: musicOn = !musicOn; break;
    case Action::debugTextures: debugOn = !debugOn; break;
    case Action::picture: pictureRequested = true; break;
    case Action::polygonMode: nextPolygonMode(); break;
    case Action::camera: nextCameraMode(binding); break;
    case Action::flatShading: toggleFlatShading(); break;
    case Action::fullScreen: toggleFullScreen(); break;
    default:
        if (driveActionOf(binding.action) >= 0) pressDriveKey(driveActionOf(binding.action), source);
        break;
    }
}

void Event::release(const Binding& binding, unsigned source)
{
    if (binding.action == Action::headLeft || binding.action == Action::headRight) {
        headTurn = 0; // the sweep stays off: the head rests where it was turned
    } else if (driveActionOf(binding.action) >= 0) {
        releaseDriveKey(driveActionOf(binding.action), source);
    }
}

// Enter: the frame driver performs the robot and motion reset at its next frame.
void Event::requestReset(const Binding& binding)
{
    sound.playThreadAudio(binding.cue, "mp3");
    init();
    menuShown = false;
    resetRequested = true;
}

void Event::toggleMenu(const Binding& binding)
{
    menuShown = !menuShown;
    if (menuShown) {
        sound.playThreadAudio(binding.cue, "mp3");
    }
}

// Zoom is ignored on the menu screen; it is not bounded, negative steps put the camera behind.
void Event::zoomBy(int steps)
{
    if (!menuShown) {
        zoomValue += steps;
    }
}

void Event::turnHeadBy(int direction)
{
    headSweep = false;
    headTurn = direction;
}

void Event::toggleHeadSweep(const Binding& binding)
{
    headSweep = !headSweep;
    if (!headSweep) {
        sound.playThreadAudio(binding.cue, "mp3");
    }
}

void Event::toggleHologram(const Binding& binding)
{
    hologramOn = !hologramOn;
    if (hologramOn) {
        sound.playThreadAudio(binding.cue, "mp3");
    }
}

void Event::turnRobot(int direction)
{
    turnDirection = direction;
    rotationAxisX = 0;
    rotationAxisY = 1;
    rotationAxisZ = 0;
}

void Event::pressDriveKey(int action, unsigned key)
{
    heldDriveKeys |= key << (bitsPerAction * action);
    switch (action) {
    case forward: moveDirection = +1; break;
    case backward: moveDirection = -1; break;
    case left: turnRobot(-1); break;
    default: turnRobot(+1); break;
    }
}

// The action stops only once none of its letter, arrow and pad direction is down.
void Event::releaseDriveKey(int action, unsigned key)
{
    heldDriveKeys &= ~(key << (bitsPerAction * action));
    if ((heldDriveKeys & (allSources << (bitsPerAction * action))) != 0) {
        return;
    }
    if (action == forward || action == backward) {
        moveDirection = 0;
    } else {
        turnDirection = 0; // the rotation axis stays
    }
}

// Without a window manager freeglut emulates full screen itself, but puts the window off the
// screen's corner and keeps it there when leaving; so the place is always given as well. A window
// manager honours the same requests as its own full-screen state.
void Event::toggleFullScreen()
{
    glutFullScreenToggle();
    fullScreen = !fullScreen;
    if (fullScreen) {
        windowed = {glutGet(GLUT_WINDOW_X), glutGet(GLUT_WINDOW_Y), glutGet(GLUT_WINDOW_WIDTH),
                    glutGet(GLUT_WINDOW_HEIGHT)};
        glutPositionWindow(0, 0);
    } else if (windowed.width > 0 && windowed.height > 0) { // a size is known only from a real window
        glutPositionWindow(windowed.x, windowed.y);
        glutReshapeWindow(windowed.width, windowed.height);
    }
}

// Filled, lines, points, filled again; applied at once, not at the next frame.
void Event::nextPolygonMode()
{
    if (polygonMode > 1) {
        polygonMode = 0;
    } else {
        polygonMode += 1;
    }
    glPolygonMode(GL_FRONT_AND_BACK, glPolygonModeFor(polygonMode));
}

void Event::nextCameraMode(const Binding& binding)
{
    sound.playThreadAudio(binding.cue, "mp3");
    cameraMode = (cameraMode + 1) % cameraModes;
}

// The filters govern every image: all uploads go into the one default texture.
void Event::toggleFlatShading()
{
    flatShading = !flatShading;
    GLint filter = flatShading ? GL_NEAREST : GL_LINEAR;
    glShadeModel(flatShading ? GL_FLAT : GL_SMOOTH);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
}
