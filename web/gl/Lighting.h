// GL 1.x lighting of one vertex by one light, free of GL: emission, the light model's ambient,
// then the light's ambient, diffuse and (only on the lit side) specular terms, clamped per vertex
// before it is interpolated. The defaults are GL's. Not here: colour material and the normal's
// way into eye space (Lights.cpp and Immediate.cpp), spotlights, attenuation, two-sided lighting.
#pragma once

#include <array>

#include "gl/Matrix.h"

using Colour = std::array<float, 4>; // red, green, blue, alpha, each 0 to 1
using Vec3f = glmath::Vec3<float>;
using Vec4f = glmath::Vec4<float>;

struct Material {
    Colour ambient{0.2f, 0.2f, 0.2f, 1}, diffuse{0.8f, 0.8f, 0.8f, 1};
    Colour specular{0, 0, 0, 1}, emission{0, 0, 0, 1};
    float shininess = 0; // the specular exponent
};

struct Light {
    bool on = false;
    Colour ambient{0, 0, 0, 1}, diffuse{1, 1, 1, 1}, specular{1, 1, 1, 1};
    Vec4f position{0, 0, 1, 0}; // eye coordinates; w = 0 for a direction towards the light
};

struct LightModel {
    Colour ambient{0.2f, 0.2f, 0.2f, 1};
    bool localViewer = false; // false: the eye is taken as infinitely far along +z
};

// Each channel into 0 to 1.
Colour clamped(const Colour& colour);

// The colour of a vertex at eye (eye coordinates) with normal (eye space, used as given: GL
// renormalises only under GL_NORMALIZE). Its alpha is the diffuse material's.
Colour lit(const Material& material, const Light& light, const LightModel& model, const Vec4f& eye, const Vec3f& normal);
