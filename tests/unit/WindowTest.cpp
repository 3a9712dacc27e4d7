// The window's frame: render state order, redraw timer, projection and the frame-rate title.
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "GlRecorder.h"
#include "app/Window.h"

namespace {

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        glrec::reset();
        frame = 0;
        currenttime = 0;
        timebase = 0;
    }
};

TEST_F(WindowTest, RenderStateIsSetInOrder)
{
    initRenderState();
    using Args = std::vector<double>;
    struct Expected {
        const char* name;
        Args args;
    };
    const std::vector<Expected> expected = {
        {"glClearColor", {0, 0, 0, 0}},
        {"glShadeModel", {GL_SMOOTH}},
        {"glTexParameteri", {GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR}},
        {"glTexParameteri", {GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR}},
        {"glMaterialfv", {GL_FRONT, GL_AMBIENT, 0, 0, 0, 1}},
        {"glMaterialfv", {GL_FRONT, GL_DIFFUSE, 0.8f, 0.8f, 0.8f, 1}},
        {"glMaterialfv", {GL_FRONT, GL_SPECULAR, 1, 1, 1, 1}},
        {"glMaterialfv", {GL_FRONT, GL_EMISSION, 0, 0, 0, 1}},
        {"glMaterialf", {GL_FRONT, GL_SHININESS, 50}},
        {"glLightfv", {GL_LIGHT0, GL_AMBIENT, 0.2f, 0.2f, 0.2f, 1}},
        {"glLightfv", {GL_LIGHT0, GL_DIFFUSE, 0.8f, 0.8f, 0.8f, 1}},
        {"glLightfv", {GL_LIGHT0, GL_SPECULAR, 1, 1, 1, 1}},
        {"glLightfv", {GL_LIGHT0, GL_POSITION, 0, 1, 0, 1}},
        {"glEnable", {GL_COLOR_MATERIAL}},
        {"glLightModeli", {GL_LIGHT_MODEL_LOCAL_VIEWER, 1}},
        {"glEnable", {GL_NORMALIZE}},
        {"glEnable", {GL_LIGHTING}},
        {"glEnable", {GL_LIGHT0}},
        {"glEnable", {GL_BLEND}},
        {"glBlendFunc", {GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA}},
        {"glEnable", {GL_DEPTH_TEST}},
        {"glDepthFunc", {GL_LESS}},
    };
    const auto& calls = glrec::gl().calls;
    ASSERT_EQ(calls.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(calls[i].name, expected[i].name) << "call " << i;
        EXPECT_EQ(calls[i].args, expected[i].args) << "call " << i << " " << calls[i].name;
    }
    // The light's position is given while the modelview is still the identity.
    EXPECT_EQ(glrec::gl().modelview.size(), 1u);
    EXPECT_FALSE(glrec::gl().isEnabled(GL_CULL_FACE)) << "culling is the frame driver's";
}

TEST_F(WindowTest, TimerRearmsWithItsOwnPeriodBeforeRequestingARedraw)
{
    timerCB(15);
    EXPECT_EQ(glrec::callNames(), (std::vector<std::string>{"glutTimerFunc", "glutPostRedisplay"}));
    EXPECT_EQ(glrec::gl().timerMillis, 15u);
    EXPECT_EQ(glrec::gl().timerValue, 15);
    EXPECT_EQ(glrec::gl().timer, &timerCB);
}

struct ReshapeCase {
    int width;
    int height;
    double aspect; // expected aspect ratio handed to gluPerspective
};

class ReshapeTest : public WindowTest, public ::testing::WithParamInterface<ReshapeCase> {};

TEST_P(ReshapeTest, ProjectionCoversTheWindowWithAFiniteMatrix)
{
    const ReshapeCase& c = GetParam();
    reshape(c.width, c.height);

    EXPECT_EQ(glrec::callNames(), (std::vector<std::string>{"glMatrixMode", "glLoadIdentity", "glViewport",
                                                            "gluPerspective", "glMatrixMode"}));
    EXPECT_EQ(glrec::callsNamed("glMatrixMode")[0].args[0], GL_PROJECTION);
    EXPECT_EQ(glrec::callsNamed("glMatrixMode")[1].args[0], GL_MODELVIEW);
    EXPECT_EQ(glrec::callsNamed("glViewport")[0].args,
              (std::vector<double>{0, 0, double(c.width), double(c.height)}));
    const auto perspective = glrec::callsNamed("gluPerspective")[0].args;
    EXPECT_EQ(perspective[0], 45);
    EXPECT_DOUBLE_EQ(perspective[1], c.aspect);
    EXPECT_EQ(perspective[2], 1);
    EXPECT_EQ(perspective[3], 1000);
    for (double value : glrec::gl().projection.back().m) {
        EXPECT_TRUE(std::isfinite(value));
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, ReshapeTest, ::testing::Values(
    ReshapeCase{800, 600, 800.0 / 600.0},
    ReshapeCase{1024, 768, 1024.0 / 768.0},
    ReshapeCase{1, 1, 1.0},
    // A minimised window: a side of 0 is taken as 1.
    ReshapeCase{640, 0, 640.0},
    ReshapeCase{0, 0, 1.0},
    ReshapeCase{4096, 4096, 1.0}));

// The title shows the rate only once more than a second has passed since the last update.
struct TitleCase {
    std::vector<int> frameTimes; // elapsed ms at each frame
    std::string title;           // window title after the last frame ("" if never set)
    int frameAfter;              // frames counted since the last update
};

std::vector<int> framesThenOne(int count, int time, int lastTime)
{
    std::vector<int> times(static_cast<std::size_t>(count), time);
    times.push_back(lastTime);
    return times;
}

class TitleTest : public WindowTest, public ::testing::WithParamInterface<TitleCase> {};

TEST_P(TitleTest, UpdatesOnlyAfterMoreThanASecond)
{
    const TitleCase& c = GetParam();
    for (int time : c.frameTimes) {
        glrec::gl().elapsedTime = time;
        updateFrameRateTitle();
    }
    EXPECT_EQ(glrec::gl().windowTitle, c.title);
    EXPECT_EQ(frame, c.frameAfter);
}

INSTANTIATE_TEST_SUITE_P(Times, TitleTest, ::testing::Values(
    TitleCase{{1000}, "", 1},
    TitleCase{{1001}, "OpenGL project by Quillaverden :    1 fps", 0},
    // 67 frames, the last at 1005 ms: 67 * 1000 / 1005 = 66.7, shown as 67 in four columns.
    TitleCase{framesThenOne(66, 500, 1005), "OpenGL project by Quillaverden :   67 fps", 0},
    TitleCase{{500, 1000, 1500, 2000}, "OpenGL project by Quillaverden :    2 fps", 1},
    TitleCase{{1001, 2001}, "OpenGL project by Quillaverden :    1 fps", 1},
    TitleCase{{1001, 2002}, "OpenGL project by Quillaverden :    1 fps", 0}));

TEST_F(WindowTest, TitleShowsRatesWiderThanFourColumnsWhole)
{
    frame = 99999;
    glrec::gl().elapsedTime = 2000;
    updateFrameRateTitle();
    EXPECT_EQ(glrec::gl().windowTitle, "OpenGL project by Quillaverden : 50000 fps");
    EXPECT_EQ(timebase, 2000);
}

} // namespace
