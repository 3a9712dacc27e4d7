// A storm of seeded random input through the six GLUT callbacks the program registers, interleaved
// with drawn frames and resizes. Nothing may fault (the sanitizer build runs this too), the state
// stays in its domains, bools hold 0 or 1 and nothing becomes NaN. Esc is left out: it exits.
#include <cmath>
#include <cstring>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "CommandRecorder.h"
#include "GlRecorder.h"
#include "app/Application.h"
#include "app/FrameDriver.h"
#include "app/Scene.h"
#include "input/Event.h"

namespace {

constexpr unsigned stormSeed = 20240611; // fixed, so a failure can be replayed exactly
constexpr int stormEvents = 20000;
constexpr int eventsPerFrame = 100;      // on average, events between two drawn frames
constexpr int escapeKey = 27;
constexpr int largestWindowSide = 8192;  // pixels
// One acceleration step above maxSpeed, one coasting step below 0 (speed units per frame).
constexpr float speedSlack = 0.04f + 1e-5f;
constexpr float rotationSlack = 0.2f + 1e-5f; // likewise, degrees per frame
const std::string boundKeys = "\r +-AaEeRrFfMmOoZzSsQqDdTtVvYy";

bool in(int value, int low, int high) { return value >= low && value <= high; }

// After every event. The projection counts too: a window side of 0 must not make it infinite.
void expectInDomains()
{
    EXPECT_TRUE(in(ev.cameraMode, 0, 2));
    EXPECT_TRUE(in(ev.polygonMode, 0, 2));
    EXPECT_TRUE(in(ev.moveDirection, -1, 1));
    EXPECT_TRUE(in(ev.turnDirection, -1, 1));
    EXPECT_TRUE(in(ev.headTurn, -1, 1));
    EXPECT_TRUE(in(robot.headTurn, -1, 1));
    EXPECT_TRUE(ev.rotationAxisX == 0 && ev.rotationAxisZ == 0 && in(ev.rotationAxisY, 0, 1));
    // A bool whose byte is not 0 or 1 is undefined behaviour waiting to happen: read the byte.
    for (const bool* flag : {&ev.headSweep, &ev.hologramOn, &ev.musicOn, &ev.debugOn, &ev.menuShown, &ev.flatShading,
                             &ev.resetRequested, &pressed, &musicPlaying, &debug, &robot.headSweep,
                             &robot.headSweepReverse, &robot.hologramOn}) {
        unsigned char byte = 0;
        std::memcpy(&byte, flag, 1);
        EXPECT_LE(byte, 1);
    }
    for (double value : std::initializer_list<double>{ev.robotX, ev.robotY, ev.robotZ, ev.robotAngle, ev.cameraX, ev.cameraY, ev.cameraZ,
                                                  robot.headAngle, robot.holoLightPos}) {
        EXPECT_TRUE(std::isfinite(value));
    }
    for (double value : glrec::gl().projection.back().m) EXPECT_TRUE(std::isfinite(value));
    EXPECT_TRUE(speed >= -speedSlack && speed <= maxSpeed + speedSlack) << speed;
    EXPECT_TRUE(rotationSpeed >= 0 && rotationSpeed <= maxRotationSpeed + rotationSlack) << rotationSpeed;
}

// After every frame: balanced matrix stacks, glBegin/glEnd paired, every vertex finite in eye space.
void expectSoundFrame()
{
    const glrec::State& s = glrec::gl();
    EXPECT_EQ(s.modelview.size(), 1u);
    EXPECT_EQ(s.projection.size(), 1u);
    EXPECT_EQ(s.stackErrors + s.beginEndErrors, 0);
    EXPECT_FALSE(s.insideBegin);
    for (const glrec::RecordedVertex& vertex : s.vertices) {
        for (double coordinate : vertex.eye) ASSERT_TRUE(std::isfinite(coordinate));
    }
}

TEST(InputStormTest, StateStaysInItsDomainsAndFramesStayFinite)
{
    // The program starts on the recording GLUT, whose main loop returns at once.
    glrec::reset();
    char name[] = "robotscene";
    char* argv[] = {name, nullptr};
    ::testing::internal::CaptureStdout(); // status lines of debug toggles and resets
    ::testing::internal::CaptureStderr(); // images may be absent in a bare checkout
    runApplication(1, argv);
    ::testing::internal::GetCapturedStderr();
    const glrec::State gl = glrec::gl(); // the registered callbacks, kept past reset()
    ASSERT_TRUE(gl.keyboard && gl.keyboardUp && gl.special && gl.mouse && gl.mouseWheel && gl.motion && gl.display
                && gl.reshape);

    std::mt19937 random(stormSeed);
    auto pick = [&random](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    auto key = [&] { // mostly bound keys, otherwise any byte but Esc
        int any = pick(0, 254);
        return static_cast<unsigned char>(pick(0, 9) < 6 ? boundKeys[pick(0, int(boundKeys.size()) - 1)]
                                                         : any + (any >= escapeKey));
    };
    // X delivers signed 16-bit pointer positions, far outside the window during a drag.
    auto coordinate = [&] { return pick(0, 3) == 0 ? pick(-32768, 32767) : pick(0, 1023); };
    auto side = [&] { return pick(0, 3) == 0 ? 0 : pick(1, largestWindowSide); }; // 0: minimised
    int frames = 0;
    for (int i = 0; i < stormEvents && !HasFailure(); ++i) {
        SCOPED_TRACE(i);
        int x = coordinate(), y = coordinate(), kind = pick(0, 99);
        if (kind < 30) {
            gl.keyboard(key(), x, y);
        } else if (kind < 55) {
            gl.keyboardUp(key(), x, y);
        } else if (kind < 60) {
            gl.special(pick(GLUT_KEY_F1, GLUT_KEY_INSERT), x, y); // function, arrow and paging keys
        } else if (kind < 75) {
            int button = pick(GLUT_LEFT_BUTTON, GLUT_RIGHT_BUTTON + 2); // the wheel's buttons too
            gl.mouse(button, pick(GLUT_DOWN, GLUT_UP), x, y);
        } else if (kind < 90) {
            gl.motion(x, y);
        } else if (kind < 98) {
            int wheel = pick(0, 1);
            gl.mouseWheel(wheel, pick(-1, 1), x, y);
        } else {
            int width = side();
            gl.reshape(width, side());
        }
        expectInDomains();
        if (pick(1, eventsPerFrame) == 1) {
            glrec::reset(); // keeps the recording to one frame
            gl.display();
            ++frames;
            expectSoundFrame();
            expectInDomains();
        }
    }
    ::testing::internal::GetCapturedStdout();
    EXPECT_GT(frames, stormEvents / eventsPerFrame / 2) << "too few frames to prove much";
    cmdrec::clear();
}

} // namespace
