// The application shell on the recording GL and GLUT: start-up as a user sees it (window, title,
// callbacks, render state, music), the redraw timer, the projection and the frame-rate title.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CommandRecorder.h"
#include "GlRecorder.h"
#include "app/Application.h"
#include "app/FrameDriver.h"
#include "app/Window.h"
#include "input/Event.h"

namespace {

TEST(ApplicationTest, StartsOnTheMenuWithItsWindowCallbacksRenderStateMusicOnceAndATickingTimer)
{
    glrec::reset();
    cmdrec::clear();
    char name[] = "robotscene";
    char* argv[] = {name, nullptr};
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr(); // images may be absent in a bare checkout
    EXPECT_EQ(runApplication(1, argv), 0) << "the main loop returned";
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "OpenGL project by Quillaverden\n");
    ::testing::internal::GetCapturedStderr();

    // The window's place, size and title are seen on a real X server by the scene's e2e test.
    const glrec::State& s = glrec::gl();
    EXPECT_EQ(glrec::callsNamed("glutInitDisplayMode").at(0).args[0],
              GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH | GLUT_MULTISAMPLE);
    // Each event reaches its own handler: a swapped pair would, say, drive on key release.
    EXPECT_TRUE(s.keyboardUp == &manageKeyboardUp && s.keyboard == &manageKeyboard
                && s.special == &manageSpecialKeyboard && s.mouse == &manageMouse
                && s.mouseWheel == &manageMouseWheel && s.motion == &manageMouseMove);
    EXPECT_TRUE(s.timer == &timerCB && s.display == &display && s.reshape == &reshape);
    EXPECT_EQ(glrec::callsNamed("glutTimerFunc").at(0).args, (std::vector<double>{15, 15})) << "15 ms redraws";
    EXPECT_EQ(glrec::callNames().back(), "glutMainLoop");

    // Lit, blended and depth-tested; the light sits above the eye, so it is given before any
    // camera transform, and the images are decoded after the GL context exists.
    for (GLenum cap : {GL_COLOR_MATERIAL, GL_NORMALIZE, GL_LIGHTING, GL_LIGHT0, GL_BLEND, GL_DEPTH_TEST}) {
        EXPECT_TRUE(s.isEnabled(cap)) << cap;
    }
    EXPECT_EQ(glrec::callsNamed("glBlendFunc").at(0).args, (std::vector<double>{GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA}));
    for (const glrec::Call& call : glrec::callsNamed("glLightfv")) {
        if (call.args[1] == GL_POSITION) {
            EXPECT_EQ(call.args, (std::vector<double>{GL_LIGHT0, GL_POSITION, 0, 1, 0, 1}));
        }
    }
    EXPECT_EQ(s.modelview.size(), 1u);
    EXPECT_TRUE(ev.menuShown) << "the program starts on its menu";

    // The music starts once at start-up; the first frames find it already playing.
    auto musicStarts = [] {
        const auto commands = cmdrec::commands();
        return std::count(commands.begin(), commands.end(), "canberra-gtk-play -f audio/music.wav");
    };
    EXPECT_EQ(musicStarts(), 1);
    for (int i = 0; i < 3; ++i) display();
    ev.menuShown = false;
    for (int i = 0; i < 3; ++i) display();
    EXPECT_EQ(musicStarts(), 1) << "the first frames must not start the music a second time";

    // Each tick re-arms the timer before asking for the redraw.
    glrec::reset();
    timerCB(15);
    EXPECT_EQ(glrec::callNames(), (std::vector<std::string>{"glutTimerFunc", "glutPostRedisplay"}));
    EXPECT_EQ(glrec::callsNamed("glutTimerFunc").at(0).args, (std::vector<double>{15, 15}));
    EXPECT_EQ(glrec::gl().timer, &timerCB);
}

TEST(WindowTest, ReshapeCoversTheWindowWithAFiniteProjectionShowingTheWholeMenuBoard)
{
    struct Case { int width, height; double aspect; };
    // A minimised window: a side of 0 is taken as 1. Taller than wide: a portrait phone, a minimised width.
    for (const Case& c : {Case{800, 600, 800.0 / 600.0}, Case{640, 0, 640.0}, Case{0, 0, 1.0},
                          Case{390, 844, 390.0 / 844.0}, Case{0, 640, 1.0 / 640.0}}) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        glrec::reset();
        glPushMatrix(); // whatever the modelview holds must survive
        reshape(c.width, c.height);
        EXPECT_EQ(glrec::callsNamed("glViewport").at(0).args, std::vector<double>({0, 0, 1.0 * c.width, 1.0 * c.height}));
        const std::vector<double> perspective = glrec::callsNamed("gluPerspective").at(0).args;
        EXPECT_EQ(std::vector<double>(perspective.begin() + 1, perspective.end()), (std::vector<double>{c.aspect, 1, 1000}));
        const glrec::Mat4 first = glrec::gl().projection.back();
        // The narrower side sees 45 degrees: the desktop's own field unless the window is taller than wide.
        EXPECT_NEAR(first.m[c.aspect >= 1 ? 5 : 0], 1 / std::tan(22.5 * pi / 180), 1e-12);
        // The menu board, 25 units each side of the axis 80 in front of the eye (FrameDriverTest), is whole.
        EXPECT_LE(std::max(first.m[0], first.m[5]) * 25, 80.0);
        EXPECT_EQ(glrec::gl().projection.size(), 1u);
        EXPECT_EQ(glrec::gl().modelview.size(), 2u);
        EXPECT_EQ(glrec::gl().matrixMode, GLenum(GL_MODELVIEW)) << "the frame driver draws in the modelview";
        // A second reshape replaces the projection instead of stacking onto it.
        reshape(c.width, c.height);
        EXPECT_EQ(glrec::gl().projection.back().m, first.m);
    }
}

// The title shows the rate only once more than a second has passed since the last update.
TEST(WindowTest, TitleUpdatesOnlyAfterMoreThanASecond)
{
    // Frames counted before; elapsed ms at each frame; the title after the last ("" if never set); frames
    // counted since the last update, and when that was.
    struct Case { int framesBefore; std::vector<int> frameTimes; std::string title; int frameAfter, timebaseAfter; };
    std::vector<int> sixtySeven(66, 500); // 67 frames, the last at 1005 ms: 66.7 shown as 67 in four columns
    sixtySeven.push_back(1005);
    const Case cases[] = {
        {0, {1000}, "", 1, 0},
        {0, {1001}, "OpenGL project by Quillaverden :    1 fps", 0, 1001},
        {0, sixtySeven, "OpenGL project by Quillaverden :   67 fps", 0, 1005},
        {0, {500, 1000, 1500, 2000}, "OpenGL project by Quillaverden :    2 fps", 1, 1500},
        {0, {1001, 2001}, "OpenGL project by Quillaverden :    1 fps", 1, 1001},
        {0, {1001, 2002}, "OpenGL project by Quillaverden :    1 fps", 0, 2002},
        {99999, {2000}, "OpenGL project by Quillaverden : 50000 fps", 0, 2000}, // wider than four columns: whole
    };
    for (const Case& c : cases) {
        glrec::reset();
        frame = c.framesBefore;
        currenttime = timebase = 0;
        for (int time : c.frameTimes) {
            glrec::gl().elapsedTime = time;
            updateFrameRateTitle();
        }
        EXPECT_EQ(glrec::gl().windowTitle, c.title);
        EXPECT_EQ((std::vector<int>{frame, timebase}), (std::vector<int>{c.frameAfter, c.timebaseAfter})) << c.title;
    }
}

} // namespace
