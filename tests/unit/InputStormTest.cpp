// A storm of random input through the six GLUT callbacks the program registers, as GLUT would
// deliver it, interleaved with drawn frames and the odd window resize, from a fixed seed. Nothing
// may fault (the sanitizer build runs this under UBSan too), and after every event the input
// record, the frame driver's state and the robot's must stay inside their domains; after every
// frame the matrix stacks must be balanced and every vertex finite. Esc is left out: it exits.
#include <cmath>
#include <cstring>
#include <random>
#include <sstream>
#include <string>
#include <vector>

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
constexpr int escapeKey = 27;            // exits the process: never sent
constexpr int largestWindowSide = 8192;  // pixels, for the random resizes
// Furthest a drive can take speed past its bounds in one frame: one acceleration step above
// maxSpeed, one coasting step below 0 (speed units per frame).
constexpr float speedSlack = 0.04f + 1e-5f;
constexpr float rotationSlack = 0.2f + 1e-5f; // likewise for rotationSpeed, degrees per frame

// The keys the program binds, in both cases where they are letters, Enter and the zoom keys.
const std::string boundKeys = "\r +-AaEeRrFfMmOoZzSsQqDdTtVvYy";

// What GLUT hands to the program: the six input callbacks, plus display and reshape.
struct Callbacks {
    void (*keyboard)(unsigned char, int, int);
    void (*keyboardUp)(unsigned char, int, int);
    void (*special)(int, int, int);
    void (*mouse)(int, int, int, int);
    void (*mouseWheel)(int, int, int, int);
    void (*motion)(int, int);
    void (*display)();
    void (*reshape)(int, int);
};

// A bool whose byte is not 0 or 1 is undefined behaviour waiting to happen: read the byte itself.
bool boolByteValid(const bool& value)
{
    unsigned char byte = 0;
    std::memcpy(&byte, &value, 1);
    return byte == 0 || byte == 1;
}

bool inRange(int value, int low, int high)
{
    return value >= low && value <= high;
}

// Every way the state can leave its domain, as text; empty when all is well. The projection
// counts too: a resize to a side of 0 must not make it infinite.
std::string domainFaults()
{
    std::ostringstream faults;
    auto expect = [&faults](bool ok, const char* what) {
        if (!ok) {
            faults << what << "; ";
        }
    };
    expect(inRange(ev.cameraMode, 0, 2), "cameraMode outside 0..2");
    expect(inRange(ev.polygonMode, 0, 2), "polygonMode outside 0..2");
    expect(inRange(ev.moveDirection, -1, 1), "moveDirection outside -1..1");
    expect(inRange(ev.turnDirection, -1, 1), "turnDirection outside -1..1");
    expect(inRange(ev.headTurn, -1, 1), "headTurn outside -1..1");
    expect(ev.rotationAxisX == 0 && ev.rotationAxisZ == 0 && inRange(ev.rotationAxisY, 0, 1),
           "rotation axis neither (0, 0, 0) nor (0, 1, 0)");
    const bool* flags[] = {&ev.headSweep, &ev.hologramOn, &ev.musicOn, &ev.debugOn, &ev.menuShown,
                           &ev.flatShading, &ev.resetRequested, &pressed, &musicPlaying, &debug,
                           &robot.headSweep, &robot.headSweepReverse, &robot.hologramOn};
    for (const bool* flag : flags) {
        expect(boolByteValid(*flag), "a bool holds a byte other than 0 or 1");
    }
    const double positions[] = {ev.robotX, ev.robotY, ev.robotZ, ev.robotAngle, ev.cameraX, ev.cameraY,
                                ev.cameraZ, robot.headAngle, robot.holoLightPos};
    for (double value : positions) {
        expect(std::isfinite(value), "robot or camera position, heading or head angle not finite");
    }
    expect(speed >= -speedSlack && speed <= maxSpeed + speedSlack, "speed outside its bounds");
    expect(rotationSpeed >= 0 && rotationSpeed <= maxRotationSpeed + rotationSlack,
           "rotationSpeed outside its bounds");
    expect(inRange(robot.headTurn, -1, 1), "the robot's headTurn outside -1..1");
    bool projectionFinite = true;
    for (double value : glrec::gl().projection.back().m) {
        projectionFinite = projectionFinite && std::isfinite(value);
    }
    expect(projectionFinite, "the projection is not finite");
    return faults.str();
}

// After a frame: balanced matrix stacks, no glBegin/glEnd misuse, every vertex finite in eye space.
std::string frameFaults()
{
    const glrec::State& s = glrec::gl();
    std::ostringstream faults;
    if (s.modelview.size() != 1 || s.projection.size() != 1 || s.stackErrors != 0) {
        faults << "matrix stacks unbalanced; ";
    }
    if (s.beginEndErrors != 0 || s.insideBegin) {
        faults << "glBegin/glEnd misused; ";
    }
    for (const glrec::RecordedVertex& vertex : s.vertices) {
        if (!std::isfinite(vertex.eye[0]) || !std::isfinite(vertex.eye[1]) || !std::isfinite(vertex.eye[2])) {
            faults << "a vertex is not finite in eye space; ";
            break;
        }
    }
    return faults.str();
}

class InputStormTest : public ::testing::Test {
protected:
    // The program starts up once on the recording GLUT, whose main loop returns at once, and
    // leaves behind the callbacks it registered.
    static void SetUpTestSuite()
    {
        glrec::reset();
        char name[] = "robotscene";
        char* argv[] = {name, nullptr};
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr(); // images may be absent in a bare checkout
        runApplication(1, argv);
        ::testing::internal::GetCapturedStderr();
        ::testing::internal::GetCapturedStdout();
        const glrec::State& s = glrec::gl();
        registered = {s.keyboard, s.keyboardUp, s.special, s.mouse, s.mouseWheel, s.motion, s.display, s.reshape};
    }

    static Callbacks registered;
};

Callbacks InputStormTest::registered{};

// One random event, chosen and sent as GLUT would send it; returns a short description.
class Storm {
public:
    explicit Storm(const Callbacks& callbacks) : gl(callbacks), random(stormSeed) {}

    std::string next()
    {
        int x = coordinate();
        int y = coordinate();
        int kind = pick(0, 99);
        if (kind < 30) {
            unsigned char key = randomKey();
            gl.keyboard(key, x, y);
            return "key down " + std::to_string(key);
        }
        if (kind < 55) {
            unsigned char key = randomKey();
            gl.keyboardUp(key, x, y);
            return "key up " + std::to_string(key);
        }
        if (kind < 60) {
            int key = pick(GLUT_KEY_F1, GLUT_KEY_INSERT); // function, arrow and paging keys
            gl.special(key, x, y);
            return "special key " + std::to_string(key);
        }
        if (kind < 75) {
            int button = pick(GLUT_LEFT_BUTTON, GLUT_RIGHT_BUTTON + 2); // the wheel's buttons too
            int state = pick(GLUT_DOWN, GLUT_UP);
            gl.mouse(button, state, x, y);
            return "mouse " + std::to_string(button) + " " + std::to_string(state);
        }
        if (kind < 90) {
            gl.motion(x, y);
            return "drag to " + std::to_string(x) + ", " + std::to_string(y);
        }
        if (kind < 98) {
            int direction = pick(-1, 1);
            gl.mouseWheel(pick(0, 1), direction, x, y);
            return "wheel " + std::to_string(direction);
        }
        int width = side();
        int height = side();
        gl.reshape(width, height);
        return "reshape " + std::to_string(width) + " x " + std::to_string(height);
    }

    bool frameDue()
    {
        return pick(1, eventsPerFrame) == 1;
    }

private:
    int pick(int low, int high)
    {
        return std::uniform_int_distribution<int>(low, high)(random);
    }

    // Mostly the keys the program binds, otherwise any byte GLUT can deliver but Esc.
    unsigned char randomKey()
    {
        if (pick(0, 9) < 6) {
            return static_cast<unsigned char>(boundKeys[pick(0, static_cast<int>(boundKeys.size()) - 1)]);
        }
        int key = escapeKey;
        while (key == escapeKey) {
            key = pick(0, 255);
        }
        return static_cast<unsigned char>(key);
    }

    // A window side: often 0, as a minimised window reports it, otherwise up to a large screen.
    int side()
    {
        return pick(0, 3) == 0 ? 0 : pick(1, largestWindowSide);
    }

    // Pointer positions relative to the window: X delivers signed 16-bit coordinates, far outside
    // the window during a drag.
    int coordinate()
    {
        return pick(0, 3) == 0 ? pick(-32768, 32767) : pick(0, 1023);
    }

    Callbacks gl;
    std::mt19937 random;
};

TEST_F(InputStormTest, StateStaysInItsDomainsAndFramesStayFinite)
{
    ASSERT_TRUE(registered.keyboard && registered.keyboardUp && registered.special && registered.mouse
                && registered.mouseWheel && registered.motion && registered.display && registered.reshape)
        << "start-up left a callback unregistered";
    Storm storm(registered);
    std::vector<std::string> recent; // the last events, to say what led to a fault
    int frames = 0;
    ::testing::internal::CaptureStdout(); // the status lines of debug toggles and resets
    std::string fault;
    for (int i = 0; i < stormEvents && fault.empty(); ++i) {
        recent.push_back(storm.next());
        if (recent.size() > 8) {
            recent.erase(recent.begin());
        }
        fault = domainFaults();
        if (fault.empty() && storm.frameDue()) {
            glrec::reset(); // keeps the recording to one frame
            registered.display();
            ++frames;
            fault = frameFaults() + domainFaults();
            recent.push_back("frame");
        }
        if (!fault.empty()) {
            fault = "after event " + std::to_string(i) + ": " + fault;
        }
    }
    ::testing::internal::GetCapturedStdout();
    std::string history;
    for (const std::string& event : recent) {
        history += "\n  " + event;
    }
    EXPECT_EQ(fault, "") << "last events:" << history;
    if (fault.empty()) {
        EXPECT_GT(frames, stormEvents / eventsPerFrame / 2) << "the storm drew too few frames to prove much";
    }
    cmdrec::clear();
}

} // namespace
