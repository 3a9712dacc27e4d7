// The frame driver on the recording GL: cameras, drive and turn integration, the menu freeze, the
// music and debug latches and the reset request, driven through the scene's global objects.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CommandRecorder.h"
#include "GlRecorder.h"
#include "app/FrameDriver.h"
#include "app/Scene.h"
#include "app/Window.h"

namespace {

class FrameDriverTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        glrec::reset();
        ::testing::internal::CaptureStderr(); // images may be absent in a bare checkout
        setupScene();
        ::testing::internal::GetCapturedStderr();
    }

    // The state right after start-up, with the menu hidden: the record, the latches and the motion
    // all as constructed.
    void SetUp() override
    {
        ev.init();
        ev.musicOn = true;
        ev.resetRequested = false;
        ev.menuShown = false;
        musicPlaying = true;
        if (debug) {
            robot.loadTextures();
            debug = false;
        }
        init();
        glrec::reset();
        cmdrec::clear();
    }

    void frames(int count) { for (int i = 0; i < count; ++i) display(); }

    // Runs one frame and returns what it wrote to standard output.
    std::string frameOutput()
    {
        ::testing::internal::CaptureStdout();
        display();
        return ::testing::internal::GetCapturedStdout();
    }

    long musicStarts()
    {
        const auto commands = cmdrec::commands();
        return std::count(commands.begin(), commands.end(), "canberra-gtk-play -f audio/music.wav");
    }
};

// ---- cameras ----

TEST_F(FrameDriverTest, FirstSceneFrameUsesTheOrbitCameraAndAnUnturnedRobot)
{
    display();
    const auto& calls = glrec::gl().calls;
    int camera = glrec::findCall("glTranslated");
    ASSERT_GE(camera, 0);
    EXPECT_EQ(calls[camera].args, (std::vector<double>{0, -4, -42}));
    EXPECT_EQ(calls[camera + 1].name, "glRotated");
    EXPECT_EQ(calls[camera + 1].args, (std::vector<double>{20, 1, 0, 0}));
    EXPECT_EQ(calls[camera + 2].args, (std::vector<double>{180, 0, 1, 0}));
    // The robot is placed at (0, 0, -5); the heading rotation is left out before any turn.
    auto place = std::find_if(calls.begin(), calls.end(), [](auto& c) {
        return c.name == "glTranslated" && c.args == std::vector<double>{0, 0, -5};
    });
    ASSERT_LT(place + 1, calls.end());
    EXPECT_NE(place[1].name, "glRotated");
    EXPECT_EQ(glrec::gl().modelview.size(), 1u);
    EXPECT_EQ(glrec::gl().stackErrors + glrec::gl().beginEndErrors, 0);
    EXPECT_TRUE(glrec::gl().isEnabled(GL_CULL_FACE));
    EXPECT_EQ(glrec::gl().swapCount, 1);
}

// No mode at any zoom may hand a NaN or an infinity to the matrix, also when the eye is straight
// above the robot (zoom 0 in the chase camera, or the robot right under the tracking eye). The
// chase camera looks from behind and above, the tracking camera from where it stays.
TEST_F(FrameDriverTest, ViewsStayFiniteAtEveryZoomInEveryModeAndLookAtTheRobot)
{
    struct Case { int cameraMode, zoom; double robotX, robotZ, robotAngle; std::vector<double> lookAt; };
    const Case cases[] = {
        {0, 0, 0, -5, 0, {}}, {0, -10, 0, -5, 0, {}}, {1, 0, 0, -5, 0, {}}, {1, 0, 3.3, 7.1, 137.5, {}},
        {1, -5, 0, -5, 30, {}}, {2, 0, 0, -5, 0, {}}, {2, 14, 0, -42, 0, {}}, {2, -3, 0, 9, 0, {}},
        // Heading 90 faces -x, so "behind" the robot at (2, 0, -5) is +x, 42 units away.
        {1, 14, 2, -5, 90, {44, 20, -5, 2, 4, -5, 0, 1, 0}}, {2, 14, 2, -5, 90, {0, 20, -42, 2, 4, -5, 0, 1, 0}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.cameraMode << ", zoom " << c.zoom << ", x " << c.robotX);
        ev.cameraMode = c.cameraMode;
        ev.zoomValue = c.zoom;
        ev.robotX = c.robotX;
        ev.robotZ = c.robotZ;
        ev.robotAngle = c.robotAngle;
        glrec::reset();
        display();
        ASSERT_FALSE(glrec::gl().vertices.empty());
        for (const auto& v : glrec::gl().vertices) {
            for (double coordinate : v.eye) ASSERT_TRUE(std::isfinite(coordinate));
        }
        if (c.cameraMode == 0) continue;
        auto look = glrec::callsNamed("gluLookAt").at(0).args;
        if (c.zoom == 0 && c.cameraMode == 1) { // the up vector must not lie along the vertical line of sight
            EXPECT_NEAR(std::hypot(look[6], look[7], look[8]), 1, 1e-9);
            EXPECT_NEAR(look[7], 0, 1e-9);
        }
        for (std::size_t k = 0; k < c.lookAt.size(); ++k) EXPECT_NEAR(look[k], c.lookAt[k], 1e-5) << k;
        if (!c.lookAt.empty()) {
            EXPECT_FLOAT_EQ(ev.cameraX, c.lookAt[0]) << "the eye is kept in the record";
        }
    }
}

// ---- drive and turn ----

TEST_F(FrameDriverTest, SpeedRisesUntilItPassesTheLimitForwardBy004AndBackwardBy002AndReversingStopsDead)
{
    struct Case { int direction, frames; float top; double tolerance; }; // backward: 51 float steps of 0.02
    for (const Case& c : {Case{1, 25, 1.0000002f, 0}, Case{-1, 51, 1.02f, 1e-6}}) {
        SCOPED_TRACE(c.direction);
        SetUp();
        ev.moveDirection = c.direction;
        frames(c.frames - 1);
        EXPECT_LT(speed, maxSpeed);
        frames(1);
        EXPECT_NEAR(speed, c.top, c.tolerance);
        frames(10);
        EXPECT_NEAR(speed, c.top, c.tolerance) << "no acceleration at or above the limit";
        EXPECT_LT((ev.robotZ + 5) * c.direction, 0) << "forward is towards -z at heading 0";
        EXPECT_EQ(ev.robotX, 0);
        // Reversing stops dead for one frame, then accelerates the other way.
        double z = ev.robotZ;
        ev.moveDirection = -c.direction;
        frames(1);
        EXPECT_EQ((std::vector<double>{speed, ev.robotZ}), (std::vector<double>{0, z}));
        frames(1);
        EXPECT_NEAR(speed, c.direction == 1 ? 0.02f : 0.04f, 1e-7);
    }
}

TEST_F(FrameDriverTest, ReleasedRobotCoastsThenRestsJustBelowZero)
{
    ev.moveDirection = 1;
    frames(25);
    ev.moveDirection = 0;
    double lastZ = ev.robotZ;
    int coasting = 0;
    for (; speed > 0 && coasting < 1000; ++coasting) {
        display();
        EXPECT_LE(ev.robotZ, lastZ);
        lastZ = ev.robotZ;
    }
    EXPECT_EQ(coasting, 51);
    EXPECT_NEAR(speed, -0.02f, 1e-5);
    frames(20);
    EXPECT_EQ(ev.robotZ, lastZ) << "nothing moves at a speed below zero";
    ev.moveDirection = 1;
    frames(1);
    EXPECT_NEAR(speed, 0.02f, 1e-5) << "the next acceleration starts from there";
}

TEST_F(FrameDriverTest, TurningRisesBy02To3AndStopsAtOnceOnRelease)
{
    ev.turnDirection = 1;
    ev.rotationAxisY = 1;
    frames(14);
    EXPECT_LT(rotationSpeed, maxRotationSpeed);
    frames(1);
    EXPECT_EQ(rotationSpeed, 3.0000005f);
    double angle = ev.robotAngle;
    EXPECT_LT(angle, 0) << "D turns the heading clockwise seen from above";
    ev.turnDirection = 0;
    frames(1);
    EXPECT_EQ(rotationSpeed, 0.0f);
    EXPECT_EQ(ev.robotAngle, angle);
}

TEST_F(FrameDriverTest, DrivingWhileTurningFollowsACircleOnTheTurnsSide)
{
    for (int turn : {1, -1}) { // Z+D circles right (+x), Z+Q left
        SCOPED_TRACE(turn);
        SetUp();
        ev.moveDirection = 1;
        ev.turnDirection = turn;
        ev.rotationAxisY = 1;
        frames(30);
        EXPECT_GT(ev.robotX * turn, 0.5);
        double x = ev.robotX, z = ev.robotZ;
        frames(120); // 120 frames at 3 degrees: a full turn, back where the turning rate settled
        EXPECT_NEAR(ev.robotX, x, 1e-3);
        EXPECT_NEAR(ev.robotZ, z, 1e-3);
    }
}

// ---- menu screen ----

TEST_F(FrameDriverTest, MenuFreezesAllMotion)
{
    ev.moveDirection = 1;
    frames(5);
    float frozenSpeed = speed;
    double z = ev.robotZ;
    float band = robot.holoLightPos;
    ev.menuShown = true;
    ev.turnDirection = 1;
    ev.rotationAxisY = 1;
    frames(20);
    EXPECT_EQ(speed, frozenSpeed);
    EXPECT_EQ(ev.robotZ, z);
    EXPECT_EQ(ev.robotAngle, 0);
    EXPECT_EQ(robot.holoLightPos, band) << "the robot is not drawn, so it does not animate";
    ev.menuShown = false;
    frames(1);
    EXPECT_LT(ev.robotZ, z) << "held keys take effect once the menu is hidden";
    EXPECT_LT(ev.robotAngle, 0);
}

// ---- latches and the reset request ----

// Each latch acts once per change of its wish; two toggles between frames (O twice, M twice) do nothing.
TEST_F(FrameDriverTest, DebugAndMusicLatchesActOncePerChange)
{
    ev.debugOn = true;
    EXPECT_EQ(frameOutput(), "DEBUG ENABLED\n");
    EXPECT_EQ(frameOutput(), "");
    ev.debugOn = false;
    EXPECT_EQ(frameOutput(), "DEBUG DISABLED\n");
    ev.debugOn = true;
    ev.debugOn = false;
    ev.musicOn = false;
    ev.musicOn = true;
    EXPECT_EQ(frameOutput(), "");
    EXPECT_TRUE(cmdrec::commands().empty());
    ev.musicOn = false;
    frames(1);
    EXPECT_FALSE(musicPlaying);
    EXPECT_EQ(musicStarts(), 0);
    ev.musicOn = true;
    frames(4);
    EXPECT_TRUE(musicPlaying);
    EXPECT_EQ(musicStarts(), 1);
}

TEST_F(FrameDriverTest, EnterRestoresTexturesThenResetsAndRestartsTheMusicUnlessItIsOff)
{
    ev.debugOn = true;
    ev.moveDirection = 1;
    ev.turnDirection = 1;
    ev.rotationAxisY = 1;
    frameOutput();
    frames(10);
    ASSERT_GT(speed, 0);
    cmdrec::clear();
    ev.KeyboardKeys(13, 0, 0);
    EXPECT_EQ(frameOutput(), "DEBUG DISABLED\nROBOT RESETED\n");
    EXPECT_FALSE(ev.resetRequested);
    EXPECT_EQ(speed, 0.0f);
    EXPECT_EQ(currentDirection, 0);
    EXPECT_EQ(rotationSpeed, 0.0f);
    EXPECT_EQ((std::vector<double>{ev.robotX, ev.robotZ, ev.robotAngle}), (std::vector<double>{0, -5, 0}));
    EXPECT_EQ(musicStarts(), 1);
    EXPECT_EQ(frameOutput(), "") << "the request is consumed once";

    // With the music off, and on the menu screen.
    ev.musicOn = false;
    frames(1);
    cmdrec::clear();
    ev.resetRequested = true;
    ev.menuShown = true;
    EXPECT_EQ(frameOutput(), "ROBOT RESETED\n");
    EXPECT_EQ(musicStarts(), 0);
}

} // namespace
