// Program start-up: window, callbacks, render state, scene, timer, main loop.
#pragma once

// Runs the program; returns 0 should the GLUT main loop ever return.
int runApplication(int argc, char** argv);
