// GL 1.x per-vertex lighting with one light, as Mesa computes it in float (see Lighting.h).
#include "gl/Lighting.h"

#include <cmath>

Colour clamped(const Colour& colour)
{
    Colour out;
    for (int i = 0; i < 4; ++i) out[i] = colour[i] < 0 ? 0 : (colour[i] > 1 ? 1 : colour[i]);
    return out;
}

Colour lit(const Material& material, const Light& light, const LightModel& model, const Vec4f& eye, const Vec3f& normal)
{
    Colour c{0, 0, 0, material.diffuse[3]};
    for (int i = 0; i < 3; ++i) c[i] = material.emission[i] + model.ambient[i] * material.ambient[i];
    if (light.on) {
        const Vec3f v{eye[0] / eye[3], eye[1] / eye[3], eye[2] / eye[3]};
        const Vec4f& p = light.position;
        Vec3f l{p[0], p[1], p[2]};
        if (p[3] != 0) l = glmath::minus(Vec3f{p[0] / p[3], p[1] / p[3], p[2] / p[3]}, v);
        l = glmath::unit(l);
        float diffuse = glmath::dot(normal, l);
        float specular = 0;
        if (diffuse > 0) {
            // The half-way vector between the light and the eye, the eye along +z unless local.
            Vec3f h{l[0], l[1], l[2] + 1};
            if (model.localViewer) {
                const Vec3f e = glmath::unit(Vec3f{-v[0], -v[1], -v[2]});
                h = {l[0] + e[0], l[1] + e[1], l[2] + e[2]};
            }
            const float nh = glmath::dot(normal, glmath::unit(h));
            specular = nh > 0 ? std::pow(nh, material.shininess) : 0;
        } else {
            diffuse = 0;
        }
        for (int i = 0; i < 3; ++i) {
            c[i] += light.ambient[i] * material.ambient[i] + diffuse * light.diffuse[i] * material.diffuse[i] +
                    specular * light.specular[i] * material.specular[i];
        }
    }
    return clamped(c);
}
