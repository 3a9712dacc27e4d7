// Program start-up: window, callbacks, render state, scene, timer, main loop.
#pragma once

// Runs the program; returns 0 should the GLUT main loop ever return, and the exit status when the
// command line asks for help or the version (0) or holds an unknown argument (2).
int runApplication(int argc, char** argv);

// In the sanitizer build, pins every library loaded so far (the GL driver among them) so the
// leak checker can still name them at exit; does nothing in other builds.
void keepLibrariesLoaded();
