// Tests of the page's GL matrices (web/gl/Matrix.h) and matrix stack, in float as the page uses
// them: where points land under each transform and their products, worked out by hand with sizes
// and places that differ on every axis, and the stack's push, pop and depth.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Fixtures.h"
#include "GlRecorder.h"
#include "gl/MatrixStack.h"

namespace {

using glmath::Vec3;
constexpr float roundoff = 1e-5f; // float sums of four products and a cosine, on values near 1 to 10

using glrec::pointUnder;

void expectNear(const Vec3<float>& got, const Vec3<float>& want, const char* label)
{
    fixtures::expectNear(got, want, roundoff, label);
}

TEST(GlMatrix, EachTransformAndProductPlacesPointsAsGlDoes)
{
    const Mat4f move = glmath::translation(1.f, 2.f, 3.f), grow = glmath::scaling(2.f, 3.f, 4.f);
    const float c30 = std::sqrt(3.f) / 2;
    struct Case { const char* label; Mat4f m; Vec3<float> point, want; };
    const std::vector<Case> cases = {
        {"translation", move, {1, 1, 1}, {2, 3, 4}}, {"scaling", grow, {1, 1, 1}, {2, 3, 4}},
        {"move * grow: the scaling applies first", move * grow, {1, 1, 1}, {3, 5, 7}},
        {"grow * move: the translation applies first", grow * move, {1, 1, 1}, {4, 9, 16}},
        {"30 degrees about z, anticlockwise", glmath::rotation(30.f, Vec3<float>{0, 0, 1}), {2, 0, 5}, {2 * c30, 1, 5}},
        {"about an axis of length 2 as about its unit", glmath::rotation(90.f, Vec3<float>{2, 0, 0}), {3, 1, 0}, {3, 0, 1}},
        {"90 degrees about y turns z to x", glmath::rotation(90.f, Vec3<float>{0, 1, 0}), {0, 2, 1}, {1, 2, 0}},
        {"120 degrees about (1, 1, 1) turns x to y, y to z", glmath::rotation(120.f, Vec3<float>{1, 1, 1}), {1, 2, 3}, {3, 1, 2}},
        {"about a zero axis nothing turns", glmath::rotation(90.f, Vec3<float>{0, 0, 0}), {1, 2, 3}, {1, 2, 3}},
        // From (3, 0, 0) looking at the origin with y up: +z is on the left, the origin 3 ahead.
        {"lookAt along -x", glmath::lookAt<float>({3, 0, 0}, {0, 0, 0}, {0, 1, 0}), {0, 1, 2}, {-2, 1, -3}},
        {"lookAt with z up, eye off the axes", glmath::lookAt<float>({1, 2, 3}, {1, 7, 3}, {0, 0, 1}), {3, 7, 4}, {2, 1, -5}},
        // fovy 90, aspect 2, near 1, far 3: x halved, the near plane at depth -1, the far at +1.
        {"perspective, near plane", glmath::perspective<float>(90, 2, 1, 3), {2, 0.5f, -1}, {1, 0.5f, -1}},
        {"perspective, far plane", glmath::perspective<float>(90, 2, 1, 3), {-6, 3, -3}, {-1, 1, 1}},
        {"perspective with near = far changes nothing", glmath::perspective<float>(90, 2, 2, 2), {1, 2, 3}, {1, 2, 3}},
    };
    for (const Case& c : cases) expectNear(pointUnder(c.m, c.point), c.want, c.label);
}

TEST(GlMatrix, NormalsGoThroughTheInverseTranspose)
{
    // Stretched 2 along x and 4 along y, a slope's normal leans towards the less stretched axis.
    expectNear(glmath::normalMatrix(glmath::scaling(2.f, 4.f, 1.f)) * Vec3<float>{1, 1, 1}, {0.5f, 0.25f, 1}, "scaling");
    expectNear(glmath::normalMatrix(glmath::rotation(90.f, Vec3<float>{0, 0, 1}) * glmath::translation(5.f, 6.f, 7.f)) *
                   Vec3<float>{1, 0, 3},
               {0, 1, 3}, "rotation, translation ignored");
}

TEST(GlMatrixStack, PushCopiesPopRestoresAndTheDepthHolds)
{
    MatrixStack stack;
    const Mat4f move = glmath::translation(1.f, 2.f, 3.f);
    stack.multiply(move);
    stack.push();
    stack.multiply(glmath::scaling(2.f, 3.f, 4.f));
    expectNear(pointUnder(stack.top(), Vec3<float>{1, 1, 1}), {3, 5, 7}, "pushed copy multiplied on the right");
    stack.pop();
    expectNear(pointUnder(stack.top(), Vec3<float>{1, 1, 1}), {2, 3, 4}, "popped back");
    stack.pop();
    EXPECT_EQ(stack.size(), 1u) << "the last entry is never popped";
    expectNear(pointUnder(stack.top(), Vec3<float>{1, 1, 1}), {2, 3, 4}, "a refused pop keeps the matrix");
    for (int i = 0; i < 40; ++i) stack.push(), stack.multiply(move);
    EXPECT_EQ(stack.size(), MatrixStack::depth);
    stack.load(Mat4f::identity());
    expectNear(pointUnder(stack.top(), Vec3<float>{1, 1, 1}), {1, 1, 1}, "load replaces the top");
    stack.pop();
    // Entry k from the bottom (0 first) holds k + 1 moves; the refused pushes' moves went to the top.
    expectNear(pointUnder(stack.top(), Vec3<float>{0, 0, 0}), {31, 62, 93}, "the entry under the top");
}

} // namespace
