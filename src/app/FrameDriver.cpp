// The display callback: brings music and the robot's texture set in line with the input record,
// performs a pending reset, then draws the menu screen or the scene, and swaps. All motion is
// counted per drawn frame.
#include "app/FrameDriver.h"

#include <cmath>
#include <cstdio>

#include <GL/freeglut.h>

#include "app/Picture.h"
#include "app/Scene.h"
#include "app/Window.h"
#include "geometry/Pi.h"

const float maxSpeed = 1.0f;
const float maxRotationSpeed = 3.0f;
bool musicPlaying = true;
bool debug = false;

namespace {

constexpr double forwardAcceleration = 0.04;  // speed units per frame
constexpr double backwardAcceleration = 0.02; // speed units per frame
constexpr double coastDeceleration = 0.02;    // speed units per frame
constexpr double turnAcceleration = 0.2;      // degrees per frame, per frame
constexpr double menuDistance = 80.0;         // scene units in front of the eye
constexpr double cameraHeight = 20.0;         // chase and tracking eye above the robot's ground
constexpr double targetHeight = 4.0;          // cameras look at this point above the robot
constexpr double orbitLift = 4.0;             // the orbit camera looks this far above the origin
constexpr double floorBackDrop = 0.1;         // the floor's underside sits this far below y = 0

double radians(double degrees)
{
    return degrees / 180.0 * pi;
}

void followMusicWish()
{
    if (ev.musicOn && !musicPlaying) {
        audio.playMusic();
        musicPlaying = true;
    } else if (!ev.musicOn && musicPlaying) {
        audio.stopMusic();
        musicPlaying = false;
    }
}

void followDebugWish()
{
    if (ev.debugOn && !debug) {
        debug = true;
        robot.loadDebugTextures();
        std::fputs("DEBUG ENABLED\n", stdout);
    } else if (!ev.debugOn && debug) {
        debug = false;
        robot.loadTextures();
        std::fputs("DEBUG DISABLED\n", stdout);
    }
}

void drawMenuScreen()
{
    glPushMatrix();
    glRotated(90, 1, 0, 0);
    glTranslated(0, -menuDistance, 0);
    glEnable(GL_TEXTURE_2D);
    glColor3f(1, 1, 1);
    tMenu.bind();
    menu.drawQuads();
    glPopMatrix();
}

// Looks from the eye at the point above the robot. When the eye is straight above that point the
// usual up vector is parallel to the line of sight and gives no orientation; the robot's forward
// direction serves as up instead, so the view stays valid and finite.
void lookAtRobot(double eyeX, double eyeY, double eyeZ)
{
    double centreY = ev.robotY + targetHeight;
    double dx = ev.robotX - eyeX;
    double dy = centreY - eyeY;
    double dz = ev.robotZ - eyeZ;
    double horizontal = std::sqrt(dx * dx + dz * dz);
    bool vertical = horizontal <= 1e-6 * std::fabs(dy);
    double heading = radians(ev.robotAngle);
    double upX = vertical ? -std::sin(heading) : 0.0;
    double upY = vertical ? 0.0 : 1.0;
    double upZ = vertical ? -std::cos(heading) : 0.0;
    gluLookAt(eyeX, eyeY, eyeZ, ev.robotX, centreY, ev.robotZ, upX, upY, upZ);
}

void placeChaseCamera(int distance)
{
    float d = static_cast<float>(distance);
    float a = static_cast<float>(radians(ev.robotAngle));
    ev.cameraX = static_cast<float>(ev.robotX + std::sin(a) * d);
    ev.cameraY = static_cast<float>(ev.robotY + cameraHeight);
    ev.cameraZ = static_cast<float>(ev.robotZ + std::cos(a) * d);
    if (distance == 0) {
        // The eye is then exactly above the target; rounding must not tilt the view.
        lookAtRobot(ev.robotX, ev.cameraY, ev.robotZ);
    } else {
        lookAtRobot(ev.cameraX, ev.cameraY, ev.cameraZ);
    }
}

void placeTrackingCamera(int distance)
{
    ev.cameraX = 0.0f;
    ev.cameraY = static_cast<float>(cameraHeight);
    ev.cameraZ = static_cast<float>(-distance);
    lookAtRobot(ev.cameraX, ev.cameraY, ev.cameraZ);
}

void placeOrbitCamera(int distance)
{
    glTranslated(0, -orbitLift, -distance);
    glRotated(ev.getAngley(), 1, 0, 0);
    glRotated(ev.getAnglex(), 0, 1, 0);
}

void placeCamera(int distance)
{
    switch (ev.cameraMode) {
    case 1: placeChaseCamera(distance); break;
    case 2: placeTrackingCamera(distance); break;
    default: placeOrbitCamera(distance); break;
    }
}

void drive()
{
    if (ev.moveDirection == 1) {
        if (speed < maxSpeed) {
            speed = static_cast<float>(speed + forwardAcceleration);
        }
        if (currentDirection == -1) {
            speed = 0.0f;
        }
        currentDirection = 1;
    } else if (ev.moveDirection == -1) {
        if (speed < maxSpeed) {
            speed = static_cast<float>(speed + backwardAcceleration);
        }
        if (currentDirection == 1) {
            speed = 0.0f;
        }
        currentDirection = -1;
    } else if (speed > 0) {
        speed = static_cast<float>(speed - coastDeceleration);
    }

    if (speed > 0) {
        double heading = radians(ev.robotAngle);
        double step = static_cast<double>(speed * static_cast<float>(currentDirection)) * 0.5;
        ev.robotZ -= step * std::cos(heading);
        ev.robotX -= step * std::sin(heading);
    }
}

void turn()
{
    if (ev.turnDirection == 0) {
        rotationSpeed = 0.0f; // turning stops at once, it does not coast
        return;
    }
    if (rotationSpeed < maxRotationSpeed) {
        rotationSpeed = static_cast<float>(rotationSpeed + turnAcceleration);
    }
    if (ev.turnDirection == 1) {
        ev.robotAngle -= rotationSpeed;
    } else {
        ev.robotAngle += rotationSpeed;
    }
}

void drawRobot()
{
    glPushMatrix();
    glTranslated(ev.robotX, ev.robotY, ev.robotZ);
    // The axis is (0, 0, 0) only before the first turn, while the heading is still 0.
    if (ev.rotationAxisX != 0 || ev.rotationAxisY != 0 || ev.rotationAxisZ != 0) {
        glRotated(ev.robotAngle, ev.rotationAxisX, ev.rotationAxisY, ev.rotationAxisZ);
    }
    robot.headTurn = ev.headTurn;
    robot.headSweep = ev.headSweep;
    robot.hologramOn = ev.hologramOn;
    robot.display();
    glPopMatrix();
}

// The floor backdrop, turned over so its front face looks down, just below the floor.
void drawFloorUnderside()
{
    glPushMatrix();
    glTranslated(0, -floorBackDrop, 0);
    glRotated(180, 0, 0, 1);
    glEnable(GL_TEXTURE_2D);
    glColor3f(1, 1, 1);
    tFloorBack.bindAlpha();
    floorBack.drawQuads();
    glPopMatrix();
}

void drawScene(int distance)
{
    glPushMatrix();
    placeCamera(distance);
    drive();
    turn();
    environment.flyBys = !ev.reducedMotion;
    environment.display();
    drawRobot();
    drawFloorUnderside();
    glPopMatrix();
}

} // namespace

void display()
{
    followMusicWish();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    updateFrameRateTitle();
    glEnable(GL_CULL_FACE);
    followDebugWish();
    int distance = 3 * ev.getZoomValue();
    if (ev.resetRequested) {
        init();
        ev.resetRequested = false;
        std::fputs("ROBOT RESETED\n", stdout);
    }
    if (ev.menuShown) {
        drawMenuScreen();
    } else {
        drawScene(distance);
    }
    glFlush();
    takeRequestedPicture(); // of the frame as drawn, before the swap leaves the buffer undefined
    glutSwapBuffers();
}
