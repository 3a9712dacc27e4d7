// Event: the single input state record, and the GLUT input callbacks that forward to it.
// Handlers only change fields, start short sound cues and, for T and Y, change GL rasterisation
// state at once, and for F11 the window's size; the frame driver reads the record once per frame
// and does all motion. Which key or pad button does what is the binding table's (Bindings.h).
#pragma once

#include "audio/Audio.h"
#include "input/Bindings.h"

class Event {
public:
    int anglex;          // orbit camera: degrees about y; a drag adds the pointer's x movement
    int angley;          // orbit camera: degrees about x; a drag adds the pointer's y movement
    int lastMouseX;      // pointer x at the last left press or drag event, pixels; 0 at start
    int lastMouseY;      // pointer y likewise
    int zoomValue;       // camera distance is 3 * zoomValue scene units; not bounded
    float cameraX;       // eye position last computed by the chase and tracking cameras
    float cameraY;
    float cameraZ;
    int cameraMode;      // 0 orbit, 1 chase, 2 tracking
    int headTurn;        // -1 while A is held, +1 while E is held, 0 otherwise
    bool headSweep;      // the head sweeps to and fro by itself
    double robotX;       // robot position, scene units
    double robotY;
    double robotZ;
    double robotAngle;   // robot heading, degrees; never wrapped
    int rotationAxisX;   // axis of the robot's heading rotation; (0, 0, 0) until Q or D
    int rotationAxisY;
    int rotationAxisZ;
    bool hologramOn;     // the hologram is shown
    Audio sound;         // this record's own cue player
    bool musicOn;        // music wanted; only M changes it
    int moveDirection;   // +1 while Z or Up is held, -1 while S or Down is held, 0 otherwise
    int turnDirection;   // +1 while D or Right is held, -1 while Q or Left is held, 0 otherwise
    bool debugOn;        // debug grid textures wanted on the robot
    bool menuShown;      // the menu screen is shown instead of the scene
    int polygonMode;     // 0 filled, 1 lines, 2 points
    bool flatShading;    // flat shading with nearest-neighbour filtering
    bool resetRequested; // set by Enter, cleared by the frame driver
    bool pictureRequested; // set by P, cleared by the frame driver once it took the picture
    bool fullScreen;     // F11 put the window in full screen
    unsigned heldDriveKeys; // drive keys down now, a bit for each letter, arrow and pad direction
    unsigned padHeld;     // binding rows the gamepad holds now, a bit for each row
    bool reducedMotion;   // the page's reduced-motion wish: no head sweep from the start, no fly-by

    Event();
    ~Event();

    // Puts every resettable field back to its start value. No GL, no sound.
    void init();

    void KeyboardKeys(unsigned char key, int x, int y);
    void KeyboardKeysUp(unsigned char key, int x, int y);
    void arrowKeys(int key, int x, int y);
    void arrowKeysUp(int key, int x, int y);
    void mouse(int button, int state, int x, int y);
    void mouseMove(int x, int y);
    void mouseWheel(int wheel, int direction, int x, int y);
    // A gamepad's state in the standard mapping: a bit per button held, the left stick's x and y
    // and the right stick's x, each from -1000 to 1000 (y negative up). The rows it holds now
    // are pressed, those it no longer holds released, as their keys would be.
    void joystick(unsigned buttons, int x, int y, int z);
    // From now on, and at every reset, the head sweep starts off and no craft flies by.
    void preferReducedMotion();

    int getAnglex();
    int getAngley();
    int getZoomValue();
    void setZoomValue(int value);

private:
    void press(const Binding& binding, unsigned source);
    void release(const Binding& binding, unsigned source);
    void requestReset(const Binding& binding);
    void toggleMenu(const Binding& binding);
    void zoomBy(int steps);
    void turnHeadBy(int direction);
    void toggleHeadSweep(const Binding& binding);
    void toggleHologram(const Binding& binding);
    void turnRobot(int direction);
    void pressDriveKey(int action, unsigned key);
    void releaseDriveKey(int action, unsigned key);
    void toggleFullScreen();
    void nextPolygonMode();
    void nextCameraMode(const Binding& binding);
    void toggleFlatShading();
};

// True while the left mouse button is held.
extern bool pressed;

// The single input record; defined with the other scene objects.
extern Event ev;

// GLUT input callbacks: each forwards its arguments unchanged to the method of ev of the same role.
void manageKeyboardUp(unsigned char key, int x, int y);
void manageKeyboard(unsigned char key, int x, int y);
void manageSpecialKeyboard(int key, int x, int y);
void manageSpecialKeyboardUp(int key, int x, int y);
void manageMouse(int button, int state, int x, int y);
void manageMouseWheel(int wheel, int direction, int x, int y);
void manageMouseMove(int x, int y);
// Registered with glutJoystickFunc: the buttons renumbered to the standard mapping first
// (padLayout). A pad that falls silent for half a second (unplugged: freeglut then stops
// calling) lets go of what it held.
void manageJoystick(unsigned buttons, int x, int y, int z);

// The desktop's pad as freeglut reports it: which standard button each of its buttons is, and
// whether its third axis is the right stick across (a trigger's is ignored). Left as it starts,
// buttons are taken as numbered and the third axis as the right stick, as the page sends them.
struct PadLayout {
    static constexpr int buttons = 32;
    int standard[buttons]; // standard button of each button, or -1
    bool thirdAxisIsRightStick;
};
extern PadLayout padLayout;
