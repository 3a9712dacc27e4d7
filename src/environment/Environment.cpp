// Environment: sky box, author board, floor, story board and the craft's fly-by, drawn in world
// coordinates under the camera transform. Face culling is switched on by the frame driver; this
// file only chooses which faces are culled. The fly-by advances only on frames that draw it.
#include "environment/Environment.h"

#include <cmath>
#include <cstdlib>
#include <iostream>

#include <GL/gl.h>

float falconPosX = 100.0f;        // scene units
float falconPosZ = 0.0f;          // scene units along the path
float falconSpeed = 2.0f;         // scene units per frame
float falconPathLenght = 1000.0f; // scene units
bool falconRun = false;
bool falconSoundApplied = false;

namespace {

constexpr int flyByOdds = 10000;     // a fly-by starts when rand() % 10000 is 0 or 1
constexpr int flyByLastWinner = 1;   // highest draw that starts a fly-by
constexpr int pathSpread = 1000;     // paths lie at x from -500 to 499, scene units
constexpr int pathOffset = 500;      // scene units
constexpr float cueDistance = 400.0f; // scene units along the path before the cue starts
constexpr double craftHeight = 100.0; // scene units above the floor
constexpr float craftLead = 25.0f;    // scene units the path is shifted towards +z

void white()
{
    glColor3f(1, 1, 1);
}

} // namespace

Environment::Environment() {}

void Environment::createMeshes()
{
    floor.createPlane(30, 30, 1);
    author.createPlane(51.2, 21.5, 1);
    story.createPlane(51.2, 12.8, 1);
    sky.createBox(1000, 500, 1000);
    falcon.createPlane(30, 30, 1);
}

void Environment::loadTextures()
{
    tAuthor.load("textures/author.jpg");
    tStory.load("textures/story.png");
    tFloor.load("textures/floor.png");
    tSky.load("textures/sky.jpg");
    tFalcon.load("textures/falcon.png");
}

void Environment::display()
{
    drawSky();
    stepFlyBy();
    drawAuthorBoard();
    drawFloor();
    drawStoryBoard();
}

// The camera is inside the box, so its front faces are the ones turned away.
void Environment::drawSky()
{
    glPushMatrix();
    glCullFace(GL_FRONT);
    white();
    tSky.bind();
    sky.drawBox();
    glPopMatrix();
}

void Environment::stepFlyBy()
{
    if (falconRun) {
        flyOn();
    } else if (flyBys) {
        tryStartFlyBy();
    }
}

// Idle: two chances in 10 000 per frame. The generator is never seeded, so every run sees the
// same fly-bys.
void Environment::tryStartFlyBy()
{
    if (std::rand() % flyByOdds > flyByLastWinner) {
        return;
    }
    falconPosX = static_cast<float>(std::rand() % pathSpread - pathOffset);
    std::cout << "New falconPosX : " << falconPosX << "\n";
    falconRun = true;
}

// Flying: the cue once past 400, the run ends on the frame that reaches the end of the path,
// which still advances (wrapping to 0) and draws the craft once more.
void Environment::flyOn()
{
    if (falconPosZ > cueDistance && !falconSoundApplied) {
        sound.playThreadAudio("falcon", "mp3");
        falconSoundApplied = true;
    }
    if (falconPosZ >= falconPathLenght - falconSpeed) {
        falconRun = false;
        falconSoundApplied = false;
    }
    falconPosZ = std::fmod(falconPosZ + falconSpeed, falconPathLenght);
    drawFalcon();
}

void Environment::drawFalcon()
{
    float z = (falconPathLenght / 2 - falconPosZ) + craftLead; // single precision, then widened
    glPushMatrix();
    glTranslated(falconPosX, craftHeight, z);
    glRotated(180, 0, 0, 1);
    white();
    glEnable(GL_TEXTURE_2D);
    glCullFace(GL_BACK);
    tFalcon.bindAlpha();
    falcon.drawQuads();
    glPopMatrix();
}

void Environment::drawAuthorBoard()
{
    glPushMatrix();
    glCullFace(GL_BACK);
    glRotated(90, 1, 0, 0);
    glTranslated(0, -24, -10);
    glRotated(180, 0, 0, 1);
    glRotated(-60, 1, 0, 0);
    white();
    glTranslated(0, 0, -40);
    glPushMatrix();
    glTranslated(0, -50, -60);
    tAuthor.bind();
    author.drawQuads();
    glPopMatrix();
    glPopMatrix();
}

void Environment::drawFloor()
{
    glPushMatrix();
    glCullFace(GL_BACK);
    white();
    tFloor.bindAlpha();
    glTranslated(0, -0.01, 0);
    floor.drawQuads();
    glPopMatrix();
}

// Back faces stay culled from the floor.
void Environment::drawStoryBoard()
{
    glPushMatrix();
    glRotated(180, 0, 1, 0);
    glRotated(90, 1, 0, 0);
    glTranslated(0, 100, -50);
    glRotated(180, 0, 0, 1);
    white();
    tStory.bindAlpha();
    story.drawQuads();
    glPopMatrix();
}
