// The desktop's platform glue for input, and nothing else: which key (X keycode) carries a
// character on the keyboard layout in force, asked of the X server at every key event so that a
// layout changed between presses is followed; and the first joystick's numbering of its buttons
// and axes, read once from its device. The decisions are Bindings.cpp's and InputCallbacks.cpp's;
// the unit tests give those their own layouts instead of this file, and the page replaces it.
#include "input/PlatformInput.h"

#include <algorithm>

#include <GL/glx.h>
#include <X11/Xlib.h>
#include <fcntl.h>
#include <linux/input.h>
#include <linux/joystick.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "input/Bindings.h"
#include "input/Event.h"

namespace {

constexpr int keyLevels = 2; // a key's own character and its shifted one; other groups are left out

// The connection is freeglut's own, current with the window's GL context. Keysyms of Latin-1
// characters are their codes; control characters have none.
int xKeyPlaceOf(unsigned char character)
{
    Display* display = glXGetCurrentDisplay();
    if (display == nullptr || character < 0x20 || (character >= 0x7f && character < 0xa0)) {
        return 0;
    }
    int first = 0, last = 0, perKey = 0;
    XDisplayKeycodes(display, &first, &last);
    KeySym* map = XGetKeyboardMapping(display, static_cast<KeyCode>(first), last - first + 1, &perKey);
    if (map == nullptr) {
        return 0;
    }
    int place = 0;
    for (int code = first; code <= last && place == 0; ++code) {
        for (int level = 0; level < std::min(perKey, keyLevels); ++level) {
            if (map[(code - first) * perKey + level] == character) {
                place = code;
            }
        }
    }
    XFree(map);
    return place;
}

// Linux names a pad's buttons by evdev code; xpad's X and Y (left and top) are BTN_X and BTN_Y.
// Its d-pad as buttons (BTN_TRIGGER_HAPPY1 to 4) is left, right, up, down.
int standardButtonOf(int code)
{
    switch (code) {
    case BTN_A: return padA;
    case BTN_B: return padB;
    case BTN_X: return padX;
    case BTN_Y: return padY;
    case BTN_TL: return padLeftShoulder;
    case BTN_TR: return padRightShoulder;
    case BTN_SELECT: return padSelect;
    case BTN_START: return padStart;
    case BTN_DPAD_UP: case BTN_TRIGGER_HAPPY3: return padUp;
    case BTN_DPAD_DOWN: case BTN_TRIGGER_HAPPY4: return padDown;
    case BTN_DPAD_LEFT: case BTN_TRIGGER_HAPPY1: return padLeft;
    case BTN_DPAD_RIGHT: case BTN_TRIGGER_HAPPY2: return padRight;
    default: return -1;
    }
}

// The device freeglut reads first. Without one, freeglut reports no pad either.
void readPadLayout()
{
    int device = open("/dev/input/js0", O_RDONLY | O_NONBLOCK);
    if (device < 0) {
        return;
    }
    unsigned char buttonCount = 0, axisCount = 0;
    __u16 buttons[KEY_MAX - BTN_MISC + 1] = {};
    __u8 axes[ABS_CNT] = {};
    if (ioctl(device, JSIOCGBUTTONS, &buttonCount) >= 0 && ioctl(device, JSIOCGBTNMAP, buttons) >= 0) {
        for (int i = 0; i < PadLayout::buttons; ++i) {
            padLayout.standard[i] = i < buttonCount ? standardButtonOf(buttons[i]) : -1;
        }
    }
    if (ioctl(device, JSIOCGAXES, &axisCount) >= 0 && ioctl(device, JSIOCGAXMAP, axes) >= 0) {
        padLayout.thirdAxisIsRightStick = axisCount > 2 && axes[2] == ABS_RX; // not a trigger (ABS_Z)
    }
    close(device);
}

} // namespace

void followPlatformInput()
{
    keyPlaceOf = xKeyPlaceOf;
    readPadLayout();
}
