// Robot: the three-legged robot the user drives; its meshes, two texture sets, drawing and the
// head sweep, head turn and hologram animations. It draws at the origin of the current
// modelview matrix and returns with that matrix as it found it.
#pragma once

#include "audio/Audio.h"
#include "geometry/Mesh.h"
#include "texture/Texture.h"

class Robot {
public:
    Texture tHead;
    Texture tBody;
    Texture tBodyLid;
    Texture tUnderbody;
    Texture tMisc;
    Texture tMetal;
    Texture tAxe;
    Texture tHoloLight;
    Texture tHologram;
    Texture tTint;
    Texture tJack;
    Texture tSquare;
    Texture tCircle;

    Mesh headDome;
    Mesh lensBarrel;
    Mesh eyeDome;
    Mesh bodyCylinder;
    Mesh underbody;
    Mesh shoulderAxle;
    Mesh shoulderBolt;
    Mesh shoulder;
    Mesh upperArm;
    Mesh armTaper;
    Mesh armBar;
    Mesh armStripe;
    Mesh armRod;
    Mesh footTop;
    Mesh footArch;
    Mesh footSole;
    Mesh ankleBlock;
    Mesh ankleCap;
    Mesh centreLeg;
    Mesh centreLegCross;
    Mesh holoBeam;
    Mesh holoImage;
    Mesh holoBand;

    float headAngle;        // degrees about the body's axis; + turns towards the robot's left
    bool headSweepReverse;  // the sweep is decreasing headAngle
    bool headSweep;         // automatic sweep (true) or manual turning (false)
    int headTurn;           // manual turn: -1, 0 or +1 degree per frame
    bool hologramOn;        // draw the hologram
    float holoLightPos;     // light band offset along the hologram image, scene units, in [0, 6)
    float holoLightSpeed;   // band advance per frame, scene units
    float holoLightLength;  // band length along the image, scene units
    float holoLength;       // image length along which the band travels, scene units
    Audio sound;            // plays the head-sweep cue

    Robot();
    ~Robot();

    void createMeshes();
    void loadTextures();
    void loadDebugTextures();
    void init();
    void display();

private:
    void advanceLightBand();
    void stepHeadAngle();
    void drawArm(double s, int shoulderSlices, float barGrey, double rodAngle);
    void drawFoot(double s);
    void drawCentreFoot();
    void drawBody();
    void drawHead();
    void drawHologram();
    void drawHoloBand(float alpha, float bandZ);
};
