// The bench's cases and its frame loop. Each case puts the input record in a known state, draws
// warm-up frames, then times frames one at a time: wall time and process CPU time from just
// before the frame to after glFinish, and the bytes the frame's binds uploaded.
#include "Bench.h"

#include <ctime>
#include <thread>

#include <GL/freeglut.h>

#include "ProcessInfo.h"
#include "TexImageHook.h"
#include "UploadLog.h"
#include "app/Application.h"
#include "app/FrameDriver.h"
#include "app/Scene.h"
#include "app/Window.h"
#include "input/Event.h"

namespace {

constexpr int windowWidth = 1024; // pixels, as the program opens it
constexpr int windowHeight = 768; // pixels
constexpr int windowX = 200;      // pixels from the screen's left edge
constexpr int windowY = 200;      // pixels from the screen's top edge
constexpr int chaseCamera = 1;    // Event::cameraMode

using Clock = std::chrono::steady_clock;

double msBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

double cpuMsNow()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now); // all threads, llvmpipe's included
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

// Frames are drawn by the bench's loop; GLUT's own redraw requests (expose) are dropped.
void ignoreRedisplay() {}

// The driver's floor: what every frame costs before it draws anything.
void drawEmptyFrame()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glFlush();
    glutSwapBuffers();
}

// The input record as after start-up, with the menu screen shown.
void startState()
{
    ev.init();
}

void sceneState()
{
    ev.init();
    ev.menuShown = false;
}

void chaseState()
{
    sceneState();
    ev.cameraMode = chaseCamera;
}

void hologramOffState()
{
    sceneState();
    ev.hologramOn = false;
}

void debugState()
{
    sceneState();
    ev.debugOn = true;
}

struct Case {
    const char* name;
    const char* what;
    void (*prepare)();
    void (*draw)();
};

// "uploads" replays the binds recorded from a scene frame before the cases; their pixels stay
// valid until an image is reloaded, which only the debug case does, last.
const Case cases[] = {
    {"empty", "clear and swap only", startState, drawEmptyFrame},
    {"uploads", "one scene frame's texture uploads, nothing drawn", sceneState, replayRecordedUploads},
    {"menu", "the menu screen", startState, display},
    {"scene", "the default scene (orbit camera, menu hidden)", sceneState, display},
    {"chase", "the scene from the chase camera", chaseState, display},
    {"hologram-off", "the scene with the hologram off", hologramOffState, display},
    {"debug", "the scene with the debug textures", debugState, display},
};

void pumpEvents()
{
    glutMainLoopEvent();
}

FrameStats timeFrames(void (*draw)(), int count)
{
    FrameStats stats;
    for (int i = 0; i < count; ++i) {
        uploadLog().takeBytes(); // what came before this frame does not count
        Clock::time_point wallStart = Clock::now();
        double cpuStart = cpuMsNow();
        draw();
        glFinish(); // the frame is done when the renderer is, not when the calls return
        double cpuMs = cpuMsNow() - cpuStart;
        double wallMs = msBetween(wallStart, Clock::now());
        stats.add(wallMs, cpuMs, uploadLog().takeBytes());
        pumpEvents();
    }
    return stats;
}

void recordSceneUploads()
{
    sceneState();
    uploadLog().startRecording();
    display();
    uploadLog().stopRecording();
    glFinish();
    pumpEvents();
}

std::string glText(GLenum name)
{
    const GLubyte* text = glGetString(name);
    return text != nullptr ? reinterpret_cast<const char*>(text) : "unknown";
}

} // namespace

Bench::Bench(int timedFrames, int warmupFrames) : frames(timedFrames), warmup(warmupFrames)
{
    measured.width = windowWidth;
    measured.height = windowHeight;
    measured.frames = timedFrames;
    measured.warmup = warmupFrames;
}

void Bench::start(char* programName, Clock::time_point mainStart)
{
    int argc = 1;
    char* argv[] = {programName, nullptr};
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH | GLUT_MULTISAMPLE);
    glutInitWindowSize(windowWidth, windowHeight);
    glutInitWindowPosition(windowX, windowY);
    glutCreateWindow(title);
    glutDisplayFunc(ignoreRedisplay);
    Clock::time_point windowOpen = Clock::now();
    ev.musicOn = false; // no player may start: the bench measures drawing
    initGraphics();
    keepLibrariesLoaded();
    init();
    reshape(windowWidth, windowHeight);
    Clock::time_point sceneReady = Clock::now();
    display();
    glFinish();
    Clock::time_point firstFrame = Clock::now();
    measured.startupMs = ProcessInfo::msSinceStart();
    measured.mainToFirstFrameMs = msBetween(mainStart, firstFrame);
    measured.windowMs = msBetween(mainStart, windowOpen);
    measured.setupMs = msBetween(windowOpen, sceneReady);
    measured.firstFrameMs = msBetween(sceneReady, firstFrame);

    measured.renderer = glText(GL_RENDERER);
    measured.glVersion = glText(GL_VERSION);
    glGetIntegerv(GL_SAMPLES, &measured.samples);
    measured.cores = std::thread::hardware_concurrency();
    pumpEvents();
}

void Bench::runCases()
{
    recordSceneUploads();
    for (const Case& entry : cases) {
        entry.prepare();
        timeFrames(entry.draw, warmup);
        measured.cases.push_back({entry.name, entry.what, timeFrames(entry.draw, frames)});
    }
    measured.peakRssKib = ProcessInfo::peakRssKib();
}

void Bench::toggleDebugTextures(int few, int many)
{
    // The menu screen: the reload happens in any frame, and this one is cheap. A first frame
    // brings the driver's latch in line with the record, so that every toggle reloads.
    startState();
    display();
    measured.fewToggles = few;
    measured.manyToggles = many;
    for (int toggle = 1; toggle <= many; ++toggle) {
        ev.debugOn = !ev.debugOn;
        display();
        pumpEvents();
        if (toggle == few) {
            measured.rssAfterFewTogglesKib = ProcessInfo::peakRssKib();
        }
    }
    measured.rssAfterManyTogglesKib = ProcessInfo::peakRssKib();
}

const BenchResult& Bench::result() const
{
    return measured;
}
