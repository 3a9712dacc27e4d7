// SceneArt: the environment's pictures without lettering: the night sky of the sky box, the
// deck of the floor and the craft of the fly-by. It does not write files.
#pragma once

#include "Canvas.h"

class SceneArt {
public:
    Canvas sky() const;     // 512 x 512, RGB, seamless on all six faces of a box
    Canvas floor() const;   // 256 x 256, RGBA, tiles with translucent joints
    Canvas falcon() const;  // 256 x 256, RGBA, the craft from below, nose at the top
};
