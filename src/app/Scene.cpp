// The scene's single objects, in construction order, their set-up and the reset.
#include "app/Scene.h"

// Defined together, in this order, so they are constructed in it and destroyed in reverse.
Event ev;
Robot robot;
Environment environment;
Mesh menu;
Mesh floorBack;
Texture tMenu;
Texture tFloorBack;
Audio audio;

float speed = 0.0f;
int currentDirection = 0;
float rotationSpeed = 0.0f;

namespace {

constexpr double menuSide = 50.0;      // scene units
constexpr double floorBackSide = 30.0; // scene units, the floor's size

} // namespace

void setupScene()
{
    robot.createMeshes();
    environment.createMeshes();
    robot.loadTextures();
    environment.loadTextures();
    menu.createPlane(menuSide, menuSide, 1);
    floorBack.createPlane(floorBackSide, floorBackSide, 1);
    tMenu.load("textures/menu.jpg");
    tFloorBack.load("textures/floor.png");
}

void init()
{
    speed = 0.0f;
    currentDirection = 0;
    rotationSpeed = 0.0f;
    robot.init();
    if (ev.musicOn) {
        audio.playMusic();
    }
}
