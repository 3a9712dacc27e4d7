// RobotArt: the robot's skins (ivory panels with orange bands, graphite trim and vents, amber
// lights, brass bolts and axles) and its hologram pictures. Where a picture wraps a round part,
// its middle column is the robot's front and its first row the part's top. It does not write
// files.
#pragma once

#include "Canvas.h"
#include "Font.h"

class RobotArt {
public:
    explicit RobotArt(const Font& bold);

    Canvas body() const;       // 256 x 128: round the body drum, top row at the top
    Canvas bodyLid() const;    // 64 x 64: the drum's and underbody's end discs
    Canvas head() const;       // 256 x 128: the dome; only the upper half reaches it
    Canvas underbody() const;  // 128 x 16: round the narrow cone under the drum
    Canvas metal() const;      // 32 x 32: turned brass round axles and the lens barrel
    Canvas axe() const;        // 16 x 16: the shoulder bolt heads
    Canvas jack() const;       // 16 x 64: along the arm rods, length down the picture
    Canvas square() const;     // 32 x 32: every box and tapered block face
    Canvas circle() const;     // 32 x 32: the half-cylinder end caps
    Canvas misc() const;       // 16 x 16: loaded, never drawn
    Canvas tint() const;       // 16 x 16: loaded, never drawn
    Canvas hologram() const;   // 128 x 256, RGBA: a cyan emblem, upright
    Canvas holoLight() const;  // 32 x 32, RGBA: soft light, clear at every edge

private:
    const Font& bold;
};
