// The frame driver: the display callback, the only place where anything moves or is drawn.
#pragma once

extern const float maxSpeed;         // drive acceleration adds only below this
extern const float maxRotationSpeed; // turn acceleration adds only below this, degrees per frame
extern bool musicPlaying;            // the music was started and not stopped since
extern bool debug;                   // the robot carries its debug texture set

void display();
