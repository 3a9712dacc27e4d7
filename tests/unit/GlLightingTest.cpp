// Tests of the page's GL lighting (web/gl/Lighting.h): a vertex's colour worked out by hand, term by
// term, with a material, light and model whose every channel differs, so that a term left out,
// swapped or wrongly weighted changes the answer.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "gl/Lighting.h"

namespace {

constexpr float roundoff = 1e-5f; // float products and one pow, on channels of 0 to 1

TEST(GlLighting, VertexColourIsEmissionAmbientDiffuseAndSpecular)
{
    // material: ambient, diffuse, specular, emission, shininess; light: off, ambient, diffuse, specular
    Material material{{0.2f, 0.3f, 0.4f, 1}, {0.5f, 0.6f, 0.7f, 0.8f}, {0.9f, 0.5f, 0.1f, 1}, {0.05f, 0, 0, 1}, 2};
    Light light{false, {0.1f, 0.2f, 0.3f, 1}, {1, 0.5f, 0.25f, 1}, {0.5f, 1, 1, 1}};
    const LightModel model; // ambient 0.2 each

    // The unlit part: emission + 0.2 * material ambient, + light ambient * material ambient when on.
    // A light from (3, 0, 4) on the normal (0, 0, 1): diffuse factor 0.8; the half-way vector with
    // the far eye (0.6, 0, 1.8) / |.| gives n.h^2 = 3.24 / 3.6 = 0.9. From the eye at (4, 0, -3) a
    // light at (4, 3, 1) is along (0, 0.6, 0.8) as well; the local eye direction (-0.8, 0, 0.6)
    // then gives n.h^2 = 1.96 / 2.96.
    const float local = 1.96f / 2.96f;
    struct Case { const char* label; bool on, localViewer; Vec4f position, eye; Vec3f normal; Colour emission, want; };
    const Vec4f sun{3, 0, 4, 0}, lamp{8, 6, 2, 2}, eye{0, 0, -5, 1}, eyeW2{8, 0, -6, 2}; // lamp and eyeW2 given with w = 2
    const Vec3f up{0, 0, 1};
    const Colour glow{0.05f, 0, 0, 1}, front{0.11f + 0.4f + 0.405f, 0.12f + 0.24f + 0.45f, 0.2f + 0.14f + 0.09f, 0.8f};
    const std::vector<Case> cases = {
        {"light off: emission and the model's ambient", false, false, sun, eye, up, glow, {0.09f, 0.06f, 0.08f, 0.8f}},
        {"directional light in front", true, false, sun, eye, up, glow, front},
        {"directional light behind: ambient only", true, false, sun, eye, {0, 0, -1}, glow, {0.11f, 0.12f, 0.2f, 0.8f}},
        {"positional light, local eye, both given with w = 2", true, true, lamp, eyeW2, up, glow,
         {0.11f + 0.4f + local * 0.45f, 0.12f + 0.24f + local * 0.5f, 0.2f + 0.14f + local * 0.1f, 0.8f}},
        {"positional light, far eye", true, false, lamp, eyeW2, up, glow, front},
        {"clamped to 0 and 1 per channel", false, false, sun, eye, up, {1.5f, -0.5f, 0.2f, 1}, {1, 0, 0.28f, 0.8f}},
    };
    for (const Case& c : cases) {
        light.on = c.on;
        light.position = c.position;
        material.emission = c.emission;
        const Colour got = lit(material, light, LightModel{model.ambient, c.localViewer}, c.eye, c.normal);
        for (int i = 0; i < 4; ++i) EXPECT_NEAR(got[i], c.want[i], roundoff) << c.label << ", channel " << i;
    }
}

} // namespace
