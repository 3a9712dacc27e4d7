// Program start-up on the recording GLUT: the window, the title echo, the callbacks in their order,
// the render state before the scene, the timer, then the main loop.
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

TEST(ApplicationTest, StartsUpInOrder)
{
    glrec::reset();
    cmdrec::clear();
    char name[] = "robotscene";
    char* argv[] = {name, nullptr};
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    int result = runApplication(1, argv);
    std::string out = ::testing::internal::GetCapturedStdout();
    ::testing::internal::GetCapturedStderr();

    EXPECT_EQ(result, 0) << "the main loop returned";
    EXPECT_EQ(out, "OpenGL project by Quillaverden\n");

    // The GLUT calls, in order, with what each must carry.
    std::vector<std::string> glut;
    for (const std::string& call : glrec::callNames()) {
        if (call.rfind("glut", 0) == 0 && call != "glutGet") {
            glut.push_back(call);
        }
    }
    EXPECT_EQ(glut, (std::vector<std::string>{
        "glutInit", "glutInitDisplayMode", "glutInitWindowSize", "glutInitWindowPosition", "glutCreateWindow",
        "glutKeyboardUpFunc", "glutKeyboardFunc", "glutSpecialFunc", "glutMouseFunc", "glutMouseWheelFunc",
        "glutMotionFunc", "glutTimerFunc", "glutDisplayFunc", "glutReshapeFunc", "glutMainLoop"}));
    EXPECT_EQ(glrec::callsNamed("glutInitDisplayMode")[0].args[0], 146) << "RGB, double, depth, multisample";
    EXPECT_EQ(glrec::callsNamed("glutInitWindowSize")[0].args, (std::vector<double>{1024, 768}));
    EXPECT_EQ(glrec::callsNamed("glutInitWindowPosition")[0].args, (std::vector<double>{200, 200}));
    EXPECT_EQ(glrec::gl().windowTitle, "OpenGL project by Quillaverden");
    EXPECT_EQ(glrec::callsNamed("glutTimerFunc")[0].args, (std::vector<double>{15, 15}));

    const glrec::State& s = glrec::gl();
    EXPECT_EQ(s.keyboardUp, &manageKeyboardUp);
    EXPECT_EQ(s.keyboard, &manageKeyboard);
    EXPECT_EQ(s.special, &manageSpecialKeyboard);
    EXPECT_EQ(s.mouse, &manageMouse);
    EXPECT_EQ(s.mouseWheel, &manageMouseWheel);
    EXPECT_EQ(s.motion, &manageMouseMove);
    EXPECT_EQ(s.timer, &timerCB);
    EXPECT_EQ(s.display, &display);
    EXPECT_EQ(s.reshape, &reshape);

    // Render state comes after the window and before the first image is decoded and the timer armed.
    int window = glrec::findCall("glutCreateWindow");
    int renderState = glrec::findCall("glClearColor");
    int firstImage = glrec::findCall("glEnable", static_cast<std::size_t>(renderState + 1));
    int depthFunc = glrec::findCall("glDepthFunc");
    int timer = glrec::findCall("glutTimerFunc");
    EXPECT_LT(window, renderState);
    EXPECT_LT(depthFunc, timer);
    EXPECT_LT(renderState, firstImage);

    // init() ran: the music was started once, with its own argument list.
    auto commands = cmdrec::commands();
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "canberra-gtk-play -f audio/music.wav"), 1);
    EXPECT_TRUE(ev.menuShown) << "the program starts on its menu";
}

} // namespace
