// Environment: everything in the scene that is not the robot: the sky box seen from inside, the
// floor, the author and story boards, and the craft that now and then flies across the sky.
// Drawn in world coordinates under the camera transform.
#pragma once

#include "audio/Audio.h"
#include "geometry/Mesh.h"
#include "texture/Texture.h"

class Environment {
public:
    Texture tAuthor;
    Texture tFloor;
    Texture tSky;
    Texture tStory;
    Texture tFalcon;
    Mesh floor;
    Mesh author;
    Mesh sky;
    Mesh story;
    Mesh falcon;
    Audio sound; // plays the fly-by cue
    bool flyBys = true; // a fly-by may start; copied from the input record before each frame

    Environment();

    void createMeshes();
    void loadTextures();
    // Draws one frame of the environment and advances the fly-by by one step.
    void display();

private:
    void drawSky();
    void stepFlyBy();
    void tryStartFlyBy();
    void flyOn();
    void drawFalcon();
    void drawAuthorBoard();
    void drawFloor();
    void drawStoryBoard();
};

// Fly-by state.
extern float falconPosX;       // x of the current flight path, scene units
extern float falconPosZ;       // distance travelled along the path, in [0, falconPathLenght)
extern float falconSpeed;      // scene units per frame
extern float falconPathLenght; // length of the path, scene units
extern bool falconRun;         // a fly-by is in progress
extern bool falconSoundApplied; // the current fly-by's cue has been started
