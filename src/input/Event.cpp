// Event: the input state record and its key, mouse, drag and wheel handlers.
// Handlers change fields and start short cues; only T and Y touch GL (rasterisation state, at
// once) and F11 the window. Nothing here moves the robot or draws: the frame driver reads the
// record each frame, and takes the picture P asks for.
// The GLUT callbacks that forward to the global record live in InputCallbacks.cpp.
#include "input/Event.h"

#include <cstdlib>

#include <GL/freeglut.h>

bool pressed = false;

namespace {

constexpr unsigned char keyEnter = 13;  // carriage return, as GLUT delivers Enter
constexpr unsigned char keyEscape = 27;
constexpr int cameraModes = 3;          // orbit, chase, tracking

// The four drive actions. Each has a letter and an arrow; the two act as one key held, so each
// action owns two bits of heldDriveKeys: its letter's, then its arrow's.
enum DriveAction { forward, backward, left, right };
constexpr unsigned letterKey = 1;
constexpr unsigned arrowKey = 2;
constexpr unsigned bothKeys = letterKey | arrowKey;
constexpr int bitsPerAction = 2;

// The window's place and size before full screen, to give them back.
struct WindowPlace {
    int x, y, width, height; // pixels
};
WindowPlace windowed = {0, 0, 0, 0};

// Letters are bound in both cases; only ASCII a to z are folded, so no locale can remap a key.
unsigned char upperCase(unsigned char key)
{
    if (key >= 'a' && key <= 'z') {
        return static_cast<unsigned char>(key - 'a' + 'A');
    }
    return key;
}

// Drive actions of the arrow keys, or -1 for any other special key.
int arrowAction(int key)
{
    switch (key) {
    case GLUT_KEY_UP: return forward;
    case GLUT_KEY_DOWN: return backward;
    case GLUT_KEY_LEFT: return left;
    case GLUT_KEY_RIGHT: return right;
    default: return -1;
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
      heldDriveKeys(0) // which keys are down is the keyboard's state, not reset by Enter
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
    headSweep = true;
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
    switch (upperCase(key)) {
    case keyEnter: requestReset(); break;
    case keyEscape: std::exit(0);
    case ' ': toggleMenu(); break;
    case '+': zoomBy(-1); break;
    case '-': zoomBy(+1); break;
    case 'A': turnHeadBy(-1); break;
    case 'E': turnHeadBy(+1); break;
    case 'R': toggleHeadSweep(); break;
    case 'F': toggleHologram(); break;
    case 'M': musicOn = !musicOn; break;
    case 'O': debugOn = !debugOn; break;
    case 'Z': pressDriveKey(forward, letterKey); break;
    case 'S': pressDriveKey(backward, letterKey); break;
    case 'Q': pressDriveKey(left, letterKey); break;
    case 'D': pressDriveKey(right, letterKey); break;
    case 'P': pictureRequested = true; break;
    case 'T': nextPolygonMode(); break;
    case 'V': nextCameraMode(); break;
    case 'Y': toggleFlatShading(); break;
    default: break;
    }
}

void Event::KeyboardKeysUp(unsigned char key, int, int)
{
    switch (upperCase(key)) {
    case 'A':
    case 'E': headTurn = 0; break; // the sweep stays off: the head rests where it was turned
    case 'Z': releaseDriveKey(forward, letterKey); break;
    case 'S': releaseDriveKey(backward, letterKey); break;
    case 'Q': releaseDriveKey(left, letterKey); break;
    case 'D': releaseDriveKey(right, letterKey); break;
    default: break;
    }
}

void Event::arrowKeys(int key, int, int)
{
    if (key == GLUT_KEY_F11) {
        toggleFullScreen();
    } else if (arrowAction(key) >= 0) {
        pressDriveKey(arrowAction(key), arrowKey);
    }
}

void Event::arrowKeysUp(int key, int, int)
{
    if (arrowAction(key) >= 0) {
        releaseDriveKey(arrowAction(key), arrowKey);
    }
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

// Enter: the frame driver performs the robot and motion reset at its next frame.
void Event::requestReset()
{
    sound.playThreadAudio("reset", "mp3");
    init();
    menuShown = false;
    resetRequested = true;
}

void Event::toggleMenu()
{
    menuShown = !menuShown;
    if (menuShown) {
        sound.playThreadAudio("menu", "mp3");
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

void Event::toggleHeadSweep()
{
    headSweep = !headSweep;
    if (!headSweep) {
        sound.playThreadAudio("head", "mp3");
    }
}

void Event::toggleHologram()
{
    hologramOn = !hologramOn;
    if (hologramOn) {
        sound.playThreadAudio("whistle", "mp3");
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

// The action stops only once neither its letter nor its arrow is down.
void Event::releaseDriveKey(int action, unsigned key)
{
    heldDriveKeys &= ~(key << (bitsPerAction * action));
    if ((heldDriveKeys & (bothKeys << (bitsPerAction * action))) != 0) {
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

void Event::nextCameraMode()
{
    sound.playThreadAudio("view", "mp3");
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
