// The application's single scene objects, their set-up once the GL context exists, and init(),
// the reset run at start-up and on every reset request.
#pragma once

#include "audio/Audio.h"
#include "environment/Environment.h"
#include "geometry/Mesh.h"
#include "input/Event.h"
#include "robot/Robot.h"
#include "texture/Texture.h"

extern Robot robot;
extern Environment environment;
extern Mesh menu;          // 50 by 50 plane that carries the menu screen
extern Mesh floorBack;     // 30 by 30 plane that carries the floor's underside
extern Texture tMenu;      // "textures/menu.jpg", RGB
extern Texture tFloorBack; // "textures/floor.png", RGBA
extern Audio audio;        // starts and stops the music

// Drive and turn state, integrated by the frame driver.
extern float speed;          // the robot moves 0.5 * speed scene units per frame
extern int currentDirection; // +1 forward, -1 backward, 0 before the first drive
extern float rotationSpeed;  // degrees per frame

// Builds every mesh and loads every image; the end of initGraphics().
void setupScene();
// Zeroes the drive and turn state, resets the robot and starts the music when it is wanted.
void init();
