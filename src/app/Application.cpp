// Program start-up, in order: the program's own options, window, title echo, input callbacks,
// render state and scene, reset, timer, display and reshape callbacks, then GLUT's main loop.
#include "app/Application.h"

#include <cstdio>

#include <GL/freeglut.h>

#ifdef ROBOTSCENE_SANITIZE
#include <dlfcn.h>
#include <link.h>
#endif

#include "app/CommandLine.h"
#include "app/FrameDriver.h"
#include "app/Scene.h"
#include "app/Window.h"
#include "input/Event.h"

namespace {

constexpr int windowWidth = 1024; // pixels
constexpr int windowHeight = 768; // pixels
constexpr int windowX = 200;      // pixels from the screen's left edge
constexpr int windowY = 200;      // pixels from the screen's top edge

void registerInputCallbacks()
{
    glutKeyboardUpFunc(manageKeyboardUp);
    glutKeyboardFunc(manageKeyboard);
    glutSpecialFunc(manageSpecialKeyboard);
    glutSpecialUpFunc(manageSpecialKeyboardUp);
    glutMouseFunc(manageMouse);
    glutMouseWheelFunc(manageMouseWheel);
    glutMotionFunc(manageMouseMove);
    glutJoystickFunc(manageJoystick, timerPeriod); // polled once a frame
}

} // namespace

#ifdef ROBOTSCENE_SANITIZE
// The leak checker runs after the GL driver has been unloaded, when it can no longer name the
// driver's own allocations, let alone suppress them by library.
void keepLibrariesLoaded()
{
    dl_iterate_phdr([](dl_phdr_info* info, std::size_t, void*) {
        if (info->dlpi_name != nullptr && info->dlpi_name[0] != '\0') {
            dlopen(info->dlpi_name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
        }
        return 0;
    }, nullptr);
}
#else
void keepLibrariesLoaded() {}
#endif

int runApplication(int argc, char** argv)
{
    int status = handleCommandLine(argc, argv, stdout, stderr);
    if (status != keepRunning) {
        return status;
    }
    // The defaults go first: glutInit replaces them with what -geometry gives.
    glutInitWindowSize(windowWidth, windowHeight);
    glutInitWindowPosition(windowX, windowY);
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH | GLUT_MULTISAMPLE);
    glutCreateWindow(title);
    std::printf("%s\n", title);
    registerInputCallbacks();
    initGraphics();
    keepLibrariesLoaded();
    init();
    glutTimerFunc(timerPeriod, timerCB, timerPeriod);
    glutDisplayFunc(display);
    glutReshapeFunc(reshape);
    glutMainLoop();
    return 0;
}
