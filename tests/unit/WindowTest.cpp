// The window's frame: render state order, projection and the frame-rate title.
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
    const std::vector<std::pair<std::string, std::vector<double>>> expected = {
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
    std::vector<std::pair<std::string, std::vector<double>>> made;
    for (const glrec::Call& call : glrec::gl().calls) made.emplace_back(call.name, call.args);
    EXPECT_EQ(made, expected);
    // The light's position is given while the modelview is still the identity.
    EXPECT_EQ(glrec::gl().modelview.size(), 1u);
    EXPECT_FALSE(glrec::gl().isEnabled(GL_CULL_FACE)) << "culling is the frame driver's";
}

TEST_F(WindowTest, ReshapeCoversTheWindowWithAFiniteProjection)
{
    struct Case { int width, height; double aspect; };
    // A minimised window: a side of 0 is taken as 1.
    for (const Case& c : {Case{800, 600, 800.0 / 600.0}, Case{640, 0, 640.0}, Case{0, 0, 1.0}}) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        glrec::reset();
        reshape(c.width, c.height);
        EXPECT_EQ(glrec::callNames(), (std::vector<std::string>{"glMatrixMode", "glLoadIdentity", "glViewport",
                                                                "gluPerspective", "glMatrixMode"}));
        EXPECT_EQ(glrec::callsNamed("glMatrixMode")[0].args[0], GL_PROJECTION);
        EXPECT_EQ(glrec::callsNamed("glMatrixMode")[1].args[0], GL_MODELVIEW);
        EXPECT_EQ(glrec::callsNamed("glViewport")[0].args, std::vector<double>({0, 0, 1.0 * c.width, 1.0 * c.height}));
        const auto perspective = glrec::callsNamed("gluPerspective")[0].args;
        EXPECT_EQ(perspective, (std::vector<double>{45, perspective[1], 1, 1000}));
        EXPECT_DOUBLE_EQ(perspective[1], c.aspect);
        for (double value : glrec::gl().projection.back().m) EXPECT_TRUE(std::isfinite(value));
    }
}

// The title shows the rate only once more than a second has passed since the last update.
TEST_F(WindowTest, TitleUpdatesOnlyAfterMoreThanASecond)
{
    // Elapsed ms at each frame; the title after the last ("" if never set); frames counted since the last update.
    struct Case { std::vector<int> frameTimes; std::string title; int frameAfter; };
    std::vector<int> sixtySeven(66, 500); // 67 frames, the last at 1005 ms: 66.7 shown as 67 in four columns
    sixtySeven.push_back(1005);
    const Case cases[] = {
        {{1000}, "", 1},
        {{1001}, "OpenGL project by Quillaverden :    1 fps", 0},
        {sixtySeven, "OpenGL project by Quillaverden :   67 fps", 0},
        {{500, 1000, 1500, 2000}, "OpenGL project by Quillaverden :    2 fps", 1},
        {{1001, 2001}, "OpenGL project by Quillaverden :    1 fps", 1},
        {{1001, 2002}, "OpenGL project by Quillaverden :    1 fps", 0},
    };
    for (const Case& c : cases) {
        SetUp();
        for (int time : c.frameTimes) {
            glrec::gl().elapsedTime = time;
            updateFrameRateTitle();
        }
        EXPECT_EQ(glrec::gl().windowTitle, c.title);
        EXPECT_EQ(frame, c.frameAfter) << c.title;
    }
    // Rates wider than four columns are shown whole.
    SetUp();
    frame = 99999;
    glrec::gl().elapsedTime = 2000;
    updateFrameRateTitle();
    EXPECT_EQ(glrec::gl().windowTitle, "OpenGL project by Quillaverden : 50000 fps");
    EXPECT_EQ(timebase, 2000);
}

} // namespace
