// The window's frame: render state, redraw timer, projection and the frame-rate title.
#pragma once

constexpr int timerPeriod = 15; // ms between redraw requests

extern char title[31]; // window title and prefix of the frame-rate title
extern int frame;      // frames drawn since the last frame-rate update
extern int currenttime; // ms since GLUT was initialised, read at the current frame
extern int timebase;   // currenttime at the last frame-rate update

// Sets the fixed-function render state, then builds the scene (setupScene).
void initGraphics();
// Sets the render state alone.
void initRenderState();
void timerCB(int period);
void reshape(int width, int height);
// Counts the frame and, once more than a second has passed, shows the rate in the title.
void updateFrameRateTitle();
