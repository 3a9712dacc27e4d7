// Bench: the program's window, render state and scene objects, driven by a loop of its own
// instead of GLUT's timer: frames are drawn back to back by the frame driver and timed one by
// one. It measures; Report formats.
#pragma once

#include <chrono>

#include "Report.h"

class Bench {
public:
    Bench(int frames, int warmup);

    // Opens the window as the program does, sets up the scene with the music off, sets the
    // projection and draws the first frame (the menu screen). mainStart is the time taken at the
    // top of main.
    void start(char* programName, std::chrono::steady_clock::time_point mainStart);
    // Every case, in the order they are reported.
    void runCases();
    // Switches the robot's debug textures on and off, a frame each time, and keeps the peak RSS
    // after the first few and after many toggles.
    void toggleDebugTextures(int few, int many);

    const BenchResult& result() const;

private:
    int frames;
    int warmup;
    BenchResult measured;
};
