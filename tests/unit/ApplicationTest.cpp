// The application shell on the recording GL and GLUT: start-up as a user sees it (window, title,
// callbacks, render state, music), the redraw timer, the projection and the frame-rate title.
#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CommandRecorder.h"
#include "Fixtures.h"
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
    std::string args[] = {"robotscene", "-geometry", "640x480+10+30", "-iconic"};
    char* argv[] = {args[0].data(), args[1].data(), args[2].data(), args[3].data(), nullptr};
    int status = -1;
    // Standard error is left unread: images may be absent in a bare checkout.
    EXPECT_EQ(fixtures::captured([&] { status = runApplication(4, argv); }).out, "OpenGL project by Quillaverden\n");
    EXPECT_EQ(status, 0) << "the main loop returned";

    // The default window and -geometry replacing it are seen on a real X server end to end
    // (test_scene, test_keys_cli); here the buffers the scene needs.
    const glrec::State& s = glrec::gl();
    EXPECT_EQ(glrec::callsNamed("glutInitDisplayMode").at(0).args,
              std::vector<double>{GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH | GLUT_MULTISAMPLE});
    // Each event reaches its own handler: a swapped pair would, say, drive on key release.
    EXPECT_TRUE(s.keyboardUp == &manageKeyboardUp && s.keyboard == &manageKeyboard && s.special == &manageSpecialKeyboard
                && s.specialUp == &manageSpecialKeyboardUp && s.mouse == &manageMouse
                && s.mouseWheel == &manageMouseWheel && s.motion == &manageMouseMove);
    EXPECT_TRUE(s.timer == &timerCB && s.display == &display && s.reshape == &reshape);
    EXPECT_EQ(glrec::callsNamed("glutTimerFunc").at(0).args, (std::vector<double>{15, 15})) << "15 ms redraws";
    EXPECT_EQ(glrec::callsNamed("glutJoystickFunc").at(0).args, std::vector<double>{15}) << "a gamepad polled each frame";
    EXPECT_EQ(glrec::callNames().back(), "glutMainLoop");

    // Lit, blended and depth-tested, smooth and linearly filtered until Y; the light sits above the
    // eye, so it is given before any camera transform, and lights as seen from there.
    for (GLenum cap : {GL_COLOR_MATERIAL, GL_NORMALIZE, GL_LIGHTING, GL_LIGHT0, GL_BLEND, GL_DEPTH_TEST}) {
        EXPECT_TRUE(s.isEnabled(cap)) << cap;
    }
    using Setting = std::pair<const char*, std::vector<double>>;
    const float f0 = 0, f02 = 0.2f, f08 = 0.8f, f1 = 1;
    for (const Setting& setting : std::vector<Setting>{
             {"glClearColor", {0, 0, 0, 0}}, {"glShadeModel", {GL_SMOOTH}}, {"glDepthFunc", {GL_LESS}},
             {"glTexParameteri", {GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR}},
             {"glTexParameteri", {GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR}},
             {"glBlendFunc", {GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA}}, {"glLightModeli", {GL_LIGHT_MODEL_LOCAL_VIEWER, 1}},
             {"glMaterialfv", {GL_FRONT, GL_AMBIENT, f0, f0, f0, f1}}, {"glMaterialfv", {GL_FRONT, GL_DIFFUSE, f08, f08, f08, f1}},
             {"glMaterialfv", {GL_FRONT, GL_SPECULAR, f1, f1, f1, f1}}, {"glMaterialfv", {GL_FRONT, GL_EMISSION, f0, f0, f0, f1}},
             {"glMaterialf", {GL_FRONT, GL_SHININESS, 50}}, {"glLightfv", {GL_LIGHT0, GL_AMBIENT, f02, f02, f02, f1}},
             {"glLightfv", {GL_LIGHT0, GL_DIFFUSE, f08, f08, f08, f1}}, {"glLightfv", {GL_LIGHT0, GL_SPECULAR, f1, f1, f1, f1}},
             {"glLightfv", {GL_LIGHT0, GL_POSITION, f0, f1, f0, f1}}}) {
        const std::vector<glrec::Call> calls = glrec::callsNamed(setting.first);
        EXPECT_TRUE(std::any_of(calls.begin(), calls.end(), [&](const glrec::Call& c) { return c.args == setting.second; }))
            << setting.first << " " << ::testing::PrintToString(setting.second);
    }
    EXPECT_EQ(s.modelview.size(), 1u);
    EXPECT_TRUE(ev.menuShown) << "the program starts on its menu";

    // The music starts once at start-up; the first frames find it already playing.
    const std::string music = "canberra-gtk-play -f audio/music.wav";
    EXPECT_EQ(cmdrec::count(music), 1);
    for (int i = 0; i < 3; ++i) display();
    EXPECT_EQ(cmdrec::count(music), 1) << "the first frames must not start the music a second time";

    // Each tick re-arms the timer with its own period before asking for the redraw.
    glrec::reset();
    timerCB(20);
    EXPECT_EQ(glrec::callNames(), (std::vector<std::string>{"glutTimerFunc", "glutPostRedisplay"}));
    EXPECT_EQ(glrec::callsNamed("glutTimerFunc").at(0).args, (std::vector<double>{20, 20}));
}

// F11, through the special-key callback: full screen from the screen's corner, then back to the
// window's size and place as they were at that F11, each time anew. Before each press the window
// is where the window manager (or freeglut) put it; after it, where the program asked for it. That
// the screen is then filled is seen on a real X server (test_keys_cli).
TEST(ApplicationTest, F11FillsTheScreenAndGivesBackTheWindowsOwnPlaceAndSize)
{
    const std::array<int, 4> steps[][2] = {{{10, 30, 640, 480}, {0, 0, 640, 480}}, {{0, 0, 1280, 1024}, {10, 30, 640, 480}},
                                           {{50, 70, 800, 600}, {0, 0, 800, 600}}, {{0, 0, 1280, 1024}, {50, 70, 800, 600}}};
    for (int k = 0; k < 4; ++k) {
        glrec::reset();
        glrec::gl().window = steps[k][0];
        manageSpecialKeyboard(GLUT_KEY_F11, 3, 4);
        EXPECT_EQ(glrec::gl().window, steps[k][1]) << "press " << k + 1;
    }
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
    // Frames counted before; elapsed ms at each frame; the title after the last ("" if never set). The
    // frames counted and the time of the last update show in the titles of the cases of two frames or more.
    struct Case { int framesBefore; std::vector<int> frameTimes; std::string title; };
    std::vector<int> sixtySeven(66, 500); // 67 frames, the last at 1005 ms: 66.7 shown as 67 in four columns
    sixtySeven.push_back(1005);
    const std::string title = "OpenGL project by Quillaverden : ";
    const Case cases[] = {
        {0, {1000}, ""}, {0, {1001}, title + "   1 fps"}, {0, sixtySeven, title + "  67 fps"},
        {0, {500, 1000, 1500, 2000}, title + "   2 fps"}, {0, {1001, 2001}, title + "   1 fps"},
        {0, {1001, 2002}, title + "   1 fps"}, {99999, {2000}, title + "50000 fps"}, // wider than four columns: whole
    };
    for (const Case& c : cases) {
        glrec::reset();
        frame = c.framesBefore;
        currenttime = timebase = 0;
        for (int time : c.frameTimes) {
            glrec::gl().elapsedTime = time;
            updateFrameRateTitle();
        }
        EXPECT_EQ(glrec::gl().windowTitle, c.title) << ::testing::PrintToString(c.frameTimes);
    }
}

} // namespace
