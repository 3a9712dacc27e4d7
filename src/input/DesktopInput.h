// The desktop's keyboard layout and gamepad, from the X server and Linux's joystick device.
#pragma once

// Binds the hand keys by the places the X server's keyboard map gives their characters, asked at
// every key event, and renumbers the first joystick's buttons to the standard mapping. Call
// before the main loop; the page has its own ways (event.code, the browsers' gamepad mapping) and
// gets a call that does nothing.
void followDesktopInput();
