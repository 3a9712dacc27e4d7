// The one table of the program's input: a row for each thing the user can do, with every way to
// do it (the key's character, its arrow or other special key, the key's place on the keyboard,
// the gamepad's button and stick, the on-screen touch control), what it does and the cue it
// plays. Event.cpp acts on it, the page takes its keys, gamepad, touch controls and spoken key
// list from it (exported as JSON), the asset generator draws the menu screen's key card from it,
// and a unit test holds the README's and the manual page's key tables to it.
// Only GLUT's key numbers are used here: no GL, no GLUT calls.
#pragma once

#include <string>

#include <GL/freeglut.h>

enum class Action {
    menu, reset, forward, turnLeft, turnRight, backward, headLeft, headRight, camera, hologram, sweep,
    music, zoomIn, zoomOut, polygonMode, flatShading, debugTextures, picture, fullScreen, quit, orbit, wheelZoom
};

// Buttons as the browsers' "standard" gamepad mapping numbers them; the desktop's pad is
// renumbered to match (DesktopInput.cpp).
enum PadButton {
    padNone = -1, padA = 0, padB = 1, padX = 2, padY = 3, padLeftShoulder = 4, padRightShoulder = 5,
    padSelect = 8, padStart = 9, padUp = 12, padDown = 13, padLeft = 14, padRight = 15
};

// A stick pushed past half way along one direction: the left stick drives and turns, the right
// stick across turns the head.
enum class Stick { none, leftUp, leftDown, leftLeft, leftRight, rightLeft, rightRight };

// Where the page puts the control: tapped in the row of switches, held on the drive pad or the
// head buttons.
enum class Touch { none, tap, drivePad, head };

struct Binding {
    Action action;
    const char* id;          // short name: the touch control's class, the page's and the tests' name
    unsigned char character; // as GLUT hands it, letters in upper case; 0 for none
    int special;             // GLUT special key (an arrow, F11); 0 for none
    bool byPlace;            // the six hand keys: bound by place, not by character
    const char* code;        // the key's place as the page's event.code names it (a US keyboard's)
    int keycode;             // the same place as the X server numbers it (evdev's number + 8)
    PadButton padButton;
    Stick stick;
    Touch touch;
    const char* touchFace;   // the control's face: a symbol or a word
    const char* touchName;   // the control's accessible name
    const char* brief;       // the menu screen's words; rows with the same words share its line
    const char* does;        // what it does, as the README, the manual page and the key list say
    const char* cue;         // the cue it may start, or nullptr
    const char* pointer;     // for the mouse's rows, which have no key: what the hand does
};

// In the order the menu screen, the README and the page list them.
inline constexpr Binding bindings[] = {
    {Action::menu, "menu", ' ', 0, false, "Space", 65, padStart, Stick::none, Touch::tap, "Menu",
     "Show or hide the menu", "show / hide this screen", "hide or show the menu screen (the program starts on it)",
     "menu", nullptr},
    {Action::reset, "reset", 13, 0, false, "Enter", 36, padSelect, Stick::none, Touch::tap, "Reset", "Reset the robot",
     "reset the robot", "reset the robot and hide the menu", "reset", nullptr},
    {Action::forward, "forward", 'Z', GLUT_KEY_UP, true, "KeyW", 25, padUp, Stick::leftUp, Touch::drivePad,
     "\u25B2", "Drive forward", "drive forward / back", "drive forward; the robot coasts when released", nullptr,
     nullptr},
    {Action::turnLeft, "left", 'Q', GLUT_KEY_LEFT, true, "KeyA", 38, padLeft, Stick::leftLeft, Touch::drivePad,
     "\u25C0", "Turn left", "turn left / right", "turn left", nullptr, nullptr},
    {Action::turnRight, "right", 'D', GLUT_KEY_RIGHT, true, "KeyD", 40, padRight, Stick::leftRight,
     Touch::drivePad, "\u25B6", "Turn right", "turn left / right", "turn right", nullptr, nullptr},
    {Action::backward, "back", 'S', GLUT_KEY_DOWN, true, "KeyS", 39, padDown, Stick::leftDown, Touch::drivePad,
     "\u25BC", "Drive backward", "drive forward / back", "drive backward; the robot coasts when released", nullptr,
     nullptr},
    {Action::headLeft, "head-left", 'E', 0, true, "KeyE", 26, padLeftShoulder, Stick::rightLeft, Touch::head,
     "\u21B6", "Turn the head left", "turn the head left / right", "turn the head left by hand (stops the sweep)",
     nullptr, nullptr},
    {Action::headRight, "head-right", 'A', 0, true, "KeyQ", 24, padRightShoulder, Stick::rightRight, Touch::head,
     "\u21B7", "Turn the head right", "turn the head left / right", "turn the head right by hand (stops the sweep)",
     nullptr, nullptr},
    {Action::camera, "camera", 'V', 0, false, "KeyV", 55, padA, Stick::none, Touch::tap, "Camera", "Next camera",
     "camera: orbit, chase, tracking", "next camera: orbit, chase, tracking", "view", nullptr},
    {Action::hologram, "hologram", 'F', 0, false, "KeyF", 41, padB, Stick::none, Touch::tap, "Hologram",
     "Hologram on or off", "hologram on / off", "switch the hologram on or off", "whistle", nullptr},
    {Action::sweep, "sweep", 'R', 0, false, "KeyR", 27, padX, Stick::none, Touch::tap, "Sweep", "Head sweep on or off",
     "head sweep on / off", "switch the head's automatic sweep on or off", "head", nullptr},
    {Action::music, "music", 'M', 0, false, "KeyM", 58, padY, Stick::none, Touch::tap, "Music", "Music on or off",
     "music on / off", "music on or off (it starts on)", nullptr, nullptr},
    {Action::zoomIn, "zoom-in", '+', 0, false, "Equal", 21, padNone, Stick::none, Touch::none, nullptr, nullptr,
     "zoom in / out", "zoom in (not on the menu screen)", nullptr, nullptr},
    {Action::zoomOut, "zoom-out", '-', 0, false, "Minus", 20, padNone, Stick::none, Touch::none, nullptr, nullptr,
     "zoom in / out", "zoom out (not on the menu screen)", nullptr, nullptr},
    {Action::polygonMode, "polygon-mode", 'T', 0, false, "KeyT", 28, padNone, Stick::none, Touch::none, nullptr,
     nullptr, "wireframe, points, filled", "next polygon mode: lines, points, filled", nullptr, nullptr},
    {Action::flatShading, "flat-shading", 'Y', 0, false, "KeyY", 29, padNone, Stick::none, Touch::none, nullptr,
     nullptr, "flat shading on / off", "flat shading with nearest-neighbour filtering, or back to smooth", nullptr,
     nullptr},
    {Action::debugTextures, "debug-textures", 'O', 0, false, "KeyO", 32, padNone, Stick::none, Touch::none, nullptr,
     nullptr, "debug grid textures on / off", "debug grid textures on the robot, or back to its own", nullptr,
     nullptr},
    {Action::picture, "picture", 'P', 0, false, "KeyP", 33, padNone, Stick::none, Touch::none, nullptr, nullptr,
     "save a picture of the screen", "save a picture of the frame on screen", nullptr, nullptr},
    {Action::fullScreen, "full-screen", 0, GLUT_KEY_F11, false, "F11", 95, padNone, Stick::none, Touch::none,
     nullptr, nullptr, "full screen on / off", "full screen, or back to the window at its former size and place",
     nullptr, nullptr},
    {Action::quit, "quit", 27, 0, false, "Escape", 9, padNone, Stick::none, Touch::none, nullptr, nullptr, "quit",
     "quit", nullptr, nullptr},
    {Action::orbit, "orbit", 0, 0, false, nullptr, 0, padNone, Stick::none, Touch::none, nullptr, nullptr,
     "orbit the camera", "orbit the camera (orbit mode; not on the menu screen)", nullptr, "Left drag"},
    {Action::wheelZoom, "wheel", 0, 0, false, nullptr, 0, padNone, Stick::none, Touch::none, nullptr, nullptr,
     "zoom in / out", "zoom (not on the menu screen)", nullptr, "Wheel"},
};
inline constexpr int bindingCount = sizeof bindings / sizeof bindings[0];

// Which key, by X keycode, carries a character on the keyboard layout in force; 0 when that
// cannot be known. The desktop asks the X server (DesktopInput.cpp); left unset (the page, whose
// page.js resolves places itself, and the unit tests unless they set a layout) every character
// is taken as it comes.
using KeyPlaceLookup = int (*)(unsigned char character);
extern KeyPlaceLookup keyPlaceOf;

// The row a character from GLUT stands for on the layout in force, or nullptr: a hand key by its
// place (its letter elsewhere on this layout does nothing), any other key by its character,
// letters in either case.
const Binding* bindingForCharacter(unsigned char character);
// The row of a GLUT special key, or nullptr.
const Binding* bindingForSpecial(int key);
// True for the rows that act for as long as they are held.
bool isHeld(Action action);

// How people name the row's keys: "Z or Up", "Space"; on a QWERTY or QWERTZ keyboard the hand
// keys by their letter there ("W or Up"); and the gamepad's ("left stick up or d-pad up").
std::string keysText(const Binding& binding);
std::string qwertyKeysText(const Binding& binding);
std::string padText(const Binding& binding);
// The whole table as JSON, for the page.
std::string bindingsJson();
