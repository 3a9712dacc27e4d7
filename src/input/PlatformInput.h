// The platform's own input glue: on the desktop the X keyboard map and Linux's joystick device
// (DesktopInput.cpp); in the page, whose page.js resolves key places and reads the gamepad
// itself, the calls the page makes into the program (web/platform/PageInput.cpp, in its place).
#pragma once

// Desktop: binds the hand keys by the places the X server's keyboard map gives their characters,
// asked at every key event, and renumbers the first joystick's buttons to the standard mapping.
// Call before the main loop.
void followPlatformInput();
