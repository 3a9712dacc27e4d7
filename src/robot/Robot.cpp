// The robot: its stored meshes, the normal and debug texture sets, the drawing of its arms, feet,
// body and head in the robot's own frame, and the two per-frame animations (head sweep or manual
// head turn, hologram light band). It does not place itself in the world: the caller's modelview
// matrix puts the robot frame at its ground position and heading. Y points up, the soles rest on
// y = 0 and the eye faces -z. Lengths are scene units and angles degrees throughout.
#include "robot/Robot.h"

#include <cmath>

#include <GL/gl.h>

namespace {

// One member's image in the normal set and in the debug set; the loaders visit them in this order.
struct TextureFile {
    Texture Robot::*member;
    const char* normal;
    const char* debug;
};

const TextureFile textureFiles[] = {
    {&Robot::tBody, "textures/body.jpg", "textures/grid.jpg"},
    {&Robot::tBodyLid, "textures/bodyLid.jpg", "textures/grid.jpg"},
    {&Robot::tHead, "textures/head.jpg", "textures/grid.jpg"},
    {&Robot::tUnderbody, "textures/underbody.jpg", "textures/grid.jpg"},
    {&Robot::tMisc, "textures/misc.jpg", "textures/grid.jpg"},       // drawn on nothing
    {&Robot::tHoloLight, "textures/holoLight.png", "textures/grid.png"},
    {&Robot::tHologram, "textures/hologram.png", "textures/grid.png"},
    {&Robot::tSquare, "textures/square.jpg", "textures/grid.jpg"},
    {&Robot::tTint, "textures/tint.jpg", "textures/grid.jpg"},       // drawn on nothing
    {&Robot::tJack, "textures/jack.jpg", "textures/grid.jpg"},
    {&Robot::tCircle, "textures/circle.jpg", "textures/grid.jpg"},
    {&Robot::tMetal, "textures/metal.jpg", "textures/grid.jpg"},
    {&Robot::tAxe, "textures/axe.jpg", "textures/grid.jpg"},
};

// The three points in which the left arm differs from the right one.
struct ArmSide {
    double s;           // -1 left (-x), +1 right (+x)
    int shoulderSlices; // segments of the shoulder's full circle
    float barGrey;      // grey level of armBar
    double rodAngle;    // degrees, about z and then y, turning the rod outwards
};

const ArmSide armSides[] = {
    {-1, 24, 0.95f, 90},
    {+1, 32, 1.0f, 270},
};

const double legSides[] = {-1, +1}; // left foot first

// Colours as (r, g, b); all opaque.
void white() { glColor3f(1, 1, 1); }
void grey(float g) { glColor3f(g, g, g); }
void blue() { glColor3f(0.15f, 0.25f, 0.4f); }

void rotateX(double degrees) { glRotated(degrees, 1, 0, 0); }
void rotateY(double degrees) { glRotated(degrees, 0, 1, 0); }
void rotateZ(double degrees) { glRotated(degrees, 0, 0, 1); }

} // namespace

Robot::Robot()
{
    init();
}

Robot::~Robot() {}

void Robot::createMeshes()
{
    upperArm.createBox(1.7, 1.5, 0.8);
    armBar.createBox(0.5, 3.0, 1.0);
    armStripe.createBox(0.4, 4.5, 0.5);
    footTop.createTrapeze(2.7, 1.75, 1.35, 0.6);
    footSole.createTrapeze(2.7, 1.75, 0.35, 0.85);
    centreLeg.createBox(0.5, 1.4, 1.0);
    centreLegCross.createBox(1.0, 1.4, 0.5);
    holoImage.createPlane(3.5, 8.0, 1);
}

void Robot::loadTextures()
{
    for (const TextureFile& file : textureFiles) {
        (this->*file.member).load(file.normal);
    }
}

void Robot::loadDebugTextures()
{
    for (const TextureFile& file : textureFiles) {
        (this->*file.member).load(file.debug);
    }
}

void Robot::init()
{
    holoLightPos = 0.0f;
    holoLightSpeed = 0.02f;
    holoLightLength = 2.0f;
    holoLength = 8.0f;
    headAngle = -15.0f;
    headSweepReverse = false;
    headSweep = true;
    headTurn = 0;
    hologramOn = true;
}

void Robot::display()
{
    advanceLightBand();

    glPushMatrix();
    rotateX(-19);
    glTranslated(0, -1.5, 4.1);
    for (const ArmSide& side : armSides) {
        drawArm(side.s, side.shoulderSlices, side.barGrey, side.rodAngle);
    }
    glPopMatrix();

    glPushMatrix();
    glTranslated(0, 0, 3.85);
    for (double s : legSides) {
        drawFoot(s);
    }
    glPopMatrix();

    glPushMatrix();
    glTranslated(0, 0, 0.45);
    glScaled(1, 0.8, 0.8); // lower and shorter than the side feet; normals are renormalised
    drawCentreFoot();
    glPopMatrix();

    glPushMatrix();
    rotateX(19);
    drawBody();
    drawHead();
    glPopMatrix();
}

void Robot::advanceLightBand()
{
    // The divisor is negative (-6) and the position never is, so it stays in [0, 6).
    holoLightPos = std::fmod(holoLightPos + holoLightSpeed, holoLightLength - holoLength);
}

void Robot::drawArm(double s, int shoulderSlices, float barGrey, double rodAngle)
{
    // Shoulder, upper arm and its taper.
    glPushMatrix();
    glTranslated(3 * s, 6.8, 0.05);
    rotateY(90);
    white();
    shoulder.drawHalfCylinder(1, shoulderSlices, 0.75f, 0.85f, true, tSquare, tCircle);
    glTranslated(0, -0.75, 0);
    white();
    tSquare.bind();
    upperArm.drawBox();
    glTranslated(0, -1.1, 0);
    rotateX(90);
    white();
    tSquare.bind();
    armTaper.drawTrapeze(1.7, 0.8, 0.75, 0.6, true);
    glPopMatrix();

    // Axle and bolt, on the inner side of the shoulder.
    glPushMatrix();
    glTranslated(2.5 * s, 6.8, 0.05);
    rotateY(90);
    grey(0.5f);
    shoulderAxle.drawCylinder(1, 16, 0.5f, 0.65f, false, tMetal, tAxe);
    glTranslated(0, 0, s);
    grey(0.5f);
    shoulderBolt.drawCylinder(1, 16, 0.15f, 0.35f, true, tMetal, tAxe);
    glPopMatrix();

    // Leg bar and its rod. The rod's routine gets empty textures so that it binds nothing and
    // shows tJack, bound here.
    glPushMatrix();
    glTranslated(3 * s, 3.1, 0.05);
    grey(barGrey);
    tSquare.bind();
    armBar.drawBox();
    rotateZ(rodAngle);
    rotateY(rodAngle);
    glTranslated(0, 0.45, 0.45);
    white();
    tJack.bind();
    armRod.drawHalfCylinder(1, 16, 3.5f, 0.15f, true, Texture(), Texture());
    glPopMatrix();

    glPushMatrix();
    glTranslated(3.25 * s, 4.05, 0.05);
    blue();
    tSquare.bind();
    armStripe.drawBox();
    glPopMatrix();
}

void Robot::drawFoot(double s)
{
    // Foot top with the ankle block and its two rounded ends, one stack.
    glPushMatrix();
    glTranslated(3.2 * s, 1.025, 0);
    rotateX(270);
    rotateZ(90);
    white();
    tSquare.bind();
    footTop.drawTrapeze(2.7, 1.75, 1.35, 0.6, true);
    glTranslated(0, 0.92 * s, 0.18);
    glPushMatrix();
    rotateZ(90); // turns the block only, not its ends
    white();
    tSquare.bind();
    ankleBlock.createBox(0.6, 1.5, 1.0);
    ankleBlock.drawBox();
    glPopMatrix();
    rotateX(90);
    rotateY(90);
    glTranslated(0, 0.5, 0);
    white();
    ankleCap.drawHalfCylinder(1, 16, 1.5f, 0.3f, true, tSquare, tCircle);
    rotateX(180);
    glTranslated(0, 1, 0);
    white();
    ankleCap.drawHalfCylinder(1, 16, 1.5f, 0.3f, true, tSquare, tCircle);
    glPopMatrix();

    glPushMatrix();
    glTranslated(3.2 * s, 0.175, 0);
    rotateX(90);
    rotateZ(90);
    white();
    tSquare.bind();
    footSole.drawTrapeze(2.7, 1.75, 0.35, 0.85, true);
    glPopMatrix();

    glPushMatrix();
    glTranslated(4 * s, 0.35, 0);
    rotateY(90);
    white();
    footArch.drawHalfCylinder(1, 32, 0.2f, 0.85f, true, tSquare, tCircle);
    glPopMatrix();
}

void Robot::drawCentreFoot()
{
    glPushMatrix();
    glTranslated(0, 1.025, 0);
    rotateX(270);
    rotateZ(90);
    grey(0.92f);
    tSquare.bind();
    footTop.drawTrapeze(2.7, 1.75, 1.35, 0.6, true);
    glPopMatrix();

    glPushMatrix();
    glTranslated(0, 0.175, 0);
    rotateX(90);
    rotateZ(90);
    grey(0.95f);
    tSquare.bind();
    footSole.drawTrapeze(2.7, 1.75, 0.35, 0.85, true);
    glPopMatrix();

    glPushMatrix();
    glTranslated(0, 0.35, 0);
    rotateY(90);
    white();
    footArch.drawHalfCylinder(1, 32, 1.75f, 0.85f, true, tSquare, tCircle);
    glPopMatrix();
}

void Robot::drawBody()
{
    // Drum and underbody keep the current colour: white, left by the last trapeze.
    glPushMatrix();
    glTranslated(0, 5.1, 0);
    rotateZ(180);
    rotateY(270);
    rotateX(90);
    glCullFace(GL_BACK);
    bodyCylinder.drawCylinder(1, 64, 5.2f, 2.5f, true, tBody, tBodyLid);
    glPopMatrix();

    glPushMatrix();
    glTranslated(0, 2.25, 0);
    rotateX(270);
    underbody.drawCone(1, 64, 0.5f, 1.9f, 1.6f, true, tUnderbody, tBodyLid);
    glPopMatrix();

    glPushMatrix();
    glTranslated(0, 1.3, 0);
    grey(0.95f);
    tSquare.bind();
    centreLeg.drawBox();
    glPopMatrix();

    glPushMatrix();
    glTranslated(0, 1.3, 0);
    blue();
    tSquare.bind();
    centreLegCross.drawBox();
    glPopMatrix();
}

void Robot::stepHeadAngle()
{
    if (!headSweep) {
        // Manual turning has no limit and is never wrapped.
        if (headTurn == -1) {
            headAngle -= 1.0f;
        } else if (headTurn == 1) {
            headAngle += 1.0f;
        }
        return;
    }
    double step = headSweepReverse ? -0.3 : 0.3; // degrees per frame
    headAngle = static_cast<float>(headAngle + step);
    // Checked on every frame, so an angle left beyond a limit by manual turning cues each frame
    // until the sweep has brought it back.
    if (headAngle > 60.0f) {
        headSweepReverse = true;
        sound.playThreadAudio("beep", "mp3");
    } else if (headAngle < -60.0f) {
        headSweepReverse = false;
        sound.playThreadAudio("beep", "mp3");
    }
}

void Robot::drawHead()
{
    glPushMatrix();
    glEnable(GL_TEXTURE_2D);
    stepHeadAngle();
    rotateY(headAngle);
    glTranslated(0, 7.7, 0);
    rotateY(90);
    rotateX(90);

    // Dome: the half sphere on local -z, turned up onto the drum's top face.
    tHead.bind();
    white();
    headDome.drawHalfSphere(2.5, 24, 32);

    // Eye.
    glPushMatrix();
    rotateY(-45);
    glDisable(GL_TEXTURE_2D);
    glCullFace(GL_BACK);
    glColor4f(0, 0, 0, 0.7f);
    glTranslated(0.19, 0.43, -1.98);
    eyeDome.drawHalfSphere(0.62, 24, 32);
    glPopMatrix();

    // Indicator light.
    glPushMatrix();
    rotateY(270);
    glTranslated(-0.6, 0.4, -2.3);
    glDisable(GL_TEXTURE_2D);
    glCullFace(GL_BACK);
    glColor4f(0.5f, 0, 0, 0.8f);
    eyeDome.drawHalfSphere(0.22, 12, 12);
    glPopMatrix();

    // Lens: an open metal barrel with the glass inside it.
    glPushMatrix();
    rotateY(90);
    rotateX(15);
    rotateY(15);
    glTranslated(0.12, 0.08, 2.5);
    grey(0.5f);
    glCullFace(GL_BACK);
    glEnable(GL_TEXTURE_2D);
    lensBarrel.drawCylinder(1, 16, 0.3f, 0.2f, false, tMetal, tAxe);
    glDisable(GL_TEXTURE_2D);
    glCullFace(GL_BACK);
    glColor4f(0.14f, 0.17f, 0.22f, 0.9f);
    glTranslated(0, 0, 0.05);
    rotateY(180);
    eyeDome.drawHalfSphere(0.19, 12, 12);
    glPopMatrix();

    if (hologramOn) {
        drawHologram();
    }
    glPopMatrix();
}

void Robot::drawHologram()
{
    // Band centre along the image: -3 to +3 as the position runs from 0 to 6.
    float bandZ = holoLightPos - (holoLength - holoLightLength) / 2;

    glPushMatrix();
    glTranslated(7.1, -1.7, -2.3);
    rotateY(18);
    rotateZ(-13);
    rotateX(90);
    rotateY(270);

    // The copy seen from the projector's side.
    glPushMatrix();
    rotateY(180);
    rotateX(270);
    glTranslated(0, -5, 0);
    glCullFace(GL_BACK);
    glEnable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, 0.8f);
    tHologram.bindAlpha();
    holoImage.drawQuads();
    drawHoloBand(0.3f, bandZ);
    glPopMatrix();

    // Beam: its translucency comes from the image's alpha.
    tHoloLight.bindAlpha();
    holoBeam.drawTrapeze(3.5, 8.0, 10.0, 0.05, false);

    // The mirror copy, seen from beyond the image.
    rotateX(270);
    glTranslated(0, 5, 0);
    white();
    glEnable(GL_TEXTURE_2D);
    tHologram.bindAlpha();
    holoImage.drawQuads();
    drawHoloBand(0.4f, bandZ);
    glPopMatrix();
}

void Robot::drawHoloBand(float alpha, float bandZ)
{
    glEnable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, alpha);
    glTranslated(0, 0.1, 0); // lifted off the image on its visible side
    glTranslated(0, 0, bandZ);
    tHoloLight.bindAlpha();
    holoBand.createPlane(3.5, holoLightLength, 1);
    holoBand.drawQuads();
}
