// The frame driver on the recording GL: cameras, drive and turn integration, the menu screen, the
// music and debug latches and the reset request, driven through the scene's global objects.
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

const std::string musicCommand = "canberra-gtk-play -f audio/music.wav";

class FrameDriverTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        glrec::reset();
        ::testing::internal::CaptureStderr(); // images may be absent in a bare checkout
        setupScene();
        ::testing::internal::GetCapturedStderr();
    }

    // The state right after start-up: the record, the latches and the motion all as constructed.
    void SetUp() override
    {
        ev.init();
        ev.musicOn = true;
        ev.resetRequested = false;
        musicPlaying = true;
        if (debug) {
            robot.loadTextures();
            debug = false;
        }
        init();
        glrec::reset();
        cmdrec::clear();
    }

    void frames(int count)
    {
        for (int i = 0; i < count; ++i) {
            display();
        }
    }

    // Runs one frame and returns what it wrote to standard output.
    std::string frameOutput()
    {
        ::testing::internal::CaptureStdout();
        display();
        return ::testing::internal::GetCapturedStdout();
    }

    int musicStarts()
    {
        int count = 0;
        for (const std::string& command : cmdrec::commands()) {
            count += command == musicCommand;
        }
        return count;
    }
};

// ---- cameras ----

TEST_F(FrameDriverTest, FirstSceneFrameUsesTheOrbitCameraAndAnUnturnedRobot)
{
    ev.menuShown = false;
    display();

    const auto& calls = glrec::gl().calls;
    int camera = glrec::findCall("glTranslated");
    ASSERT_GE(camera, 0);
    EXPECT_EQ(calls[camera].args, (std::vector<double>{0, -4, -42}));
    EXPECT_EQ(calls[camera + 1].name, "glRotated");
    EXPECT_EQ(calls[camera + 1].args, (std::vector<double>{20, 1, 0, 0}));
    EXPECT_EQ(calls[camera + 2].args, (std::vector<double>{180, 0, 1, 0}));

    int robotPlace = -1;
    for (std::size_t i = 0; i < calls.size(); ++i) {
        if (calls[i].name == "glTranslated" && calls[i].args == std::vector<double>{0, 0, -5}) {
            robotPlace = static_cast<int>(i);
        }
    }
    ASSERT_GE(robotPlace, 0) << "robot not placed at (0, 0, -5)";
    EXPECT_NE(calls[robotPlace + 1].name, "glRotated") << "the heading rotation is left out before any turn";

    EXPECT_EQ(glrec::gl().modelview.size(), 1u);
    EXPECT_EQ(glrec::gl().stackErrors, 0);
    EXPECT_EQ(glrec::gl().beginEndErrors, 0);
    EXPECT_TRUE(glrec::gl().isEnabled(GL_CULL_FACE));
    EXPECT_EQ(glrec::gl().swapCount, 1);
}

TEST_F(FrameDriverTest, ChaseCameraFollowsFromBehindAndAbove)
{
    ev.menuShown = false;
    ev.cameraMode = 1;
    ev.robotAngle = 90;
    ev.robotX = 2;
    ev.robotZ = -5;
    display();

    auto look = glrec::callsNamed("gluLookAt");
    ASSERT_EQ(look.size(), 1u);
    // Heading 90 faces -x, so "behind" is +x, 42 units away.
    EXPECT_NEAR(look[0].args[0], 44, 1e-5);
    EXPECT_NEAR(look[0].args[1], 20, 1e-6);
    EXPECT_NEAR(look[0].args[2], -5, 1e-5);
    EXPECT_EQ((std::vector<double>(look[0].args.begin() + 3, look[0].args.end())),
              (std::vector<double>{2, 4, -5, 0, 1, 0}));
    EXPECT_FLOAT_EQ(ev.cameraX, 44.0f);
    EXPECT_FLOAT_EQ(ev.cameraY, 20.0f);
}

TEST_F(FrameDriverTest, TrackingCameraStaysAndTurnsToTheRobot)
{
    ev.menuShown = false;
    ev.cameraMode = 2;
    display();
    auto look = glrec::callsNamed("gluLookAt");
    ASSERT_EQ(look.size(), 1u);
    EXPECT_EQ(look[0].args, (std::vector<double>{0, 20, -42, 0, 4, -5, 0, 1, 0}));
}

// No mode at any zoom may hand a NaN or an infinity to the matrix, also when the eye is straight
// above the robot (zoom 0 in the chase camera, or the robot right under the tracking eye).
struct ViewCase {
    int cameraMode;
    int zoom;
    double robotX;
    double robotZ;
    double robotAngle;
};

class FrameDriverViewTest : public FrameDriverTest, public ::testing::WithParamInterface<ViewCase> {};

TEST_P(FrameDriverViewTest, ViewMatrixStaysFinite)
{
    const ViewCase& c = GetParam();
    ev.menuShown = false;
    ev.cameraMode = c.cameraMode;
    ev.zoomValue = c.zoom;
    ev.robotX = c.robotX;
    ev.robotZ = c.robotZ;
    ev.robotAngle = c.robotAngle;
    display();

    ASSERT_FALSE(glrec::gl().vertices.empty());
    for (const auto& v : glrec::gl().vertices) {
        for (double coordinate : v.eye) {
            ASSERT_TRUE(std::isfinite(coordinate));
        }
    }
    // The robot must still be in front of the camera (negative eye z) in the vertical views.
    if (c.zoom == 0 && c.cameraMode == 1) {
        auto look = glrec::callsNamed("gluLookAt")[0].args;
        double upLength = std::hypot(look[6], look[7], look[8]);
        EXPECT_NEAR(upLength, 1, 1e-9);
        EXPECT_NEAR(look[7], 0, 1e-9) << "the up vector must not lie along the vertical line of sight";
    }
}

INSTANTIATE_TEST_SUITE_P(Views, FrameDriverViewTest, ::testing::Values(
    ViewCase{0, 0, 0, -5, 0}, ViewCase{0, -10, 0, -5, 0},
    ViewCase{1, 0, 0, -5, 0}, ViewCase{1, 0, 3.3, 7.1, 137.5}, ViewCase{1, -5, 0, -5, 30},
    ViewCase{2, 0, 0, -5, 0}, ViewCase{2, 14, 0, -42, 0}, ViewCase{2, -3, 0, 9, 0}));

// ---- drive and turn ----

TEST_F(FrameDriverTest, ForwardSpeedRisesBy004UntilItPassesTheLimit)
{
    ev.menuShown = false;
    ev.moveDirection = 1;
    frames(24);
    EXPECT_LT(speed, maxSpeed);
    frames(1);
    EXPECT_EQ(speed, 1.0000002f);
    frames(10);
    EXPECT_EQ(speed, 1.0000002f) << "no acceleration at or above the limit";
    EXPECT_LT(ev.robotZ, -5) << "forward is towards -z at heading 0";
    EXPECT_EQ(ev.robotX, 0);
}

TEST_F(FrameDriverTest, BackwardSpeedRisesBy002To102)
{
    ev.menuShown = false;
    ev.moveDirection = -1;
    frames(50);
    EXPECT_LT(speed, maxSpeed);
    frames(1);
    EXPECT_NEAR(speed, 1.02f, 1e-6);
    frames(5);
    EXPECT_NEAR(speed, 1.02f, 1e-6);
    EXPECT_GT(ev.robotZ, -5);
}

TEST_F(FrameDriverTest, ReleasedRobotCoastsThenRestsJustBelowZero)
{
    ev.menuShown = false;
    ev.moveDirection = 1;
    frames(25);
    ev.moveDirection = 0;
    double lastZ = ev.robotZ;
    int coasting = 0;
    while (speed > 0 && coasting < 1000) {
        display();
        EXPECT_LE(ev.robotZ, lastZ);
        lastZ = ev.robotZ;
        ++coasting;
    }
    EXPECT_EQ(coasting, 51);
    EXPECT_NEAR(speed, -0.02f, 1e-5);
    frames(20);
    EXPECT_EQ(ev.robotZ, lastZ) << "nothing moves at a speed below zero";
    EXPECT_NEAR(speed, -0.02f, 1e-5);

    // The next acceleration starts from there.
    ev.moveDirection = 1;
    frames(1);
    EXPECT_NEAR(speed, 0.02f, 1e-5);
}

TEST_F(FrameDriverTest, ReversingStopsDeadForOneFrame)
{
    ev.menuShown = false;
    ev.moveDirection = 1;
    frames(10);
    double z = ev.robotZ;
    ev.moveDirection = -1;
    frames(1);
    EXPECT_EQ(speed, 0.0f);
    EXPECT_EQ(ev.robotZ, z);
    frames(1);
    EXPECT_NEAR(speed, 0.02f, 1e-7);
    EXPECT_GT(ev.robotZ, z);
}

TEST_F(FrameDriverTest, TurningRisesBy02To3AndStopsAtOnceOnRelease)
{
    ev.menuShown = false;
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

struct CircleCase {
    int turnDirection;
    double side; // sign of robotX after driving on the circle for a while
};

class FrameDriverCircleTest : public FrameDriverTest, public ::testing::WithParamInterface<CircleCase> {};

TEST_P(FrameDriverCircleTest, DrivingWhileTurningFollowsACircle)
{
    ev.menuShown = false;
    ev.moveDirection = 1;
    ev.turnDirection = GetParam().turnDirection;
    ev.rotationAxisY = 1;
    frames(30);
    EXPECT_GT(ev.robotX * GetParam().side, 0.5);
    // A full turn brings the robot back near where the turning rate settled.
    double x = ev.robotX;
    double z = ev.robotZ;
    frames(120); // 120 frames at 3 degrees: 360 degrees
    EXPECT_NEAR(ev.robotX, x, 1e-3);
    EXPECT_NEAR(ev.robotZ, z, 1e-3);
}

INSTANTIATE_TEST_SUITE_P(Sides, FrameDriverCircleTest, ::testing::Values(CircleCase{1, 1}, CircleCase{-1, -1}));

TEST_F(FrameDriverTest, RobotIsDrawnTurnedByItsHeading)
{
    ev.menuShown = false;
    ev.robotAngle = 33;
    ev.rotationAxisY = 1;
    display();
    const auto& calls = glrec::gl().calls;
    bool found = false;
    for (std::size_t i = 0; i + 1 < calls.size(); ++i) {
        if (calls[i].name == "glTranslated" && calls[i].args == std::vector<double>{0, 0, -5}) {
            EXPECT_EQ(calls[i + 1].args, (std::vector<double>{33, 0, 1, 0}));
            found = true;
        }
    }
    EXPECT_TRUE(found);
}

// ---- menu screen ----

TEST_F(FrameDriverTest, MenuScreenIsOneTexturedPlaneInFrontOfTheEye)
{
    display();
    EXPECT_EQ(glrec::gl().primitives.size(), 1u);
    ASSERT_EQ(glrec::gl().uploads.size(), 1u);
    EXPECT_EQ(glrec::callsNamed("glTexImage2D")[0].args[2], GL_RGB);
    // Its centre is 80 units straight ahead, and it faces the eye.
    double cx = 0, cy = 0, cz = 0;
    for (const auto& v : glrec::gl().vertices) {
        cx += v.eye[0] / 4;
        cy += v.eye[1] / 4;
        cz += v.eye[2] / 4;
    }
    EXPECT_NEAR(cx, 0, 1e-9);
    EXPECT_NEAR(cy, 0, 1e-9);
    EXPECT_NEAR(cz, -80, 1e-9);
    EXPECT_EQ(glrec::gl().modelview.size(), 1u);
}

TEST_F(FrameDriverTest, MenuFreezesAllMotion)
{
    ev.menuShown = false;
    ev.moveDirection = 1;
    frames(5);
    float frozenSpeed = speed;
    double z = ev.robotZ;
    ev.menuShown = true;
    ev.turnDirection = 1;
    ev.rotationAxisY = 1;
    float band = robot.holoLightPos;
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

TEST_F(FrameDriverTest, DebugToggleSwapsTheTextureSetOncePerChange)
{
    ev.debugOn = true;
    EXPECT_EQ(frameOutput(), "DEBUG ENABLED\n");
    EXPECT_EQ(frameOutput(), "");
    ev.debugOn = false;
    EXPECT_EQ(frameOutput(), "DEBUG DISABLED\n");
    ev.debugOn = true;
    ev.debugOn = false;
    EXPECT_EQ(frameOutput(), "") << "toggles that cancel out between frames do nothing";
}

TEST_F(FrameDriverTest, MusicFollowsTheWishAndTwoTogglesBetweenFramesDoNothing)
{
    ev.musicOn = false;
    ev.musicOn = true;
    frames(1);
    EXPECT_TRUE(cmdrec::commands().empty());

    ev.musicOn = false;
    frames(1);
    EXPECT_FALSE(musicPlaying);
    EXPECT_EQ(musicStarts(), 0);
    ev.musicOn = true;
    frames(1);
    EXPECT_TRUE(musicPlaying);
    EXPECT_EQ(musicStarts(), 1);
    frames(3);
    EXPECT_EQ(musicStarts(), 1);
}

TEST_F(FrameDriverTest, EnterRestoresTexturesThenResetsAndRestartsTheMusic)
{
    ev.menuShown = false;
    ev.debugOn = true;
    ev.moveDirection = 1;
    ev.turnDirection = 1;
    ev.rotationAxisY = 1;
    frameOutput();
    frames(10);
    ASSERT_GT(speed, 0);
    robot.headAngle = 33;
    cmdrec::clear();

    ev.KeyboardKeys(13, 0, 0);
    EXPECT_EQ(frameOutput(), "DEBUG DISABLED\nROBOT RESETED\n");
    EXPECT_FALSE(ev.resetRequested);
    EXPECT_EQ(speed, 0.0f);
    EXPECT_EQ(currentDirection, 0);
    EXPECT_EQ(rotationSpeed, 0.0f);
    EXPECT_EQ(ev.robotX, 0);
    EXPECT_EQ(ev.robotZ, -5);
    EXPECT_EQ(ev.robotAngle, 0);
    EXPECT_EQ(musicStarts(), 1);
    EXPECT_EQ(frameOutput(), "") << "the request is consumed once";
}

TEST_F(FrameDriverTest, ResetWithMusicOffStartsNoMusicAndWorksOnTheMenu)
{
    ev.musicOn = false;
    frames(1);
    cmdrec::clear();
    ev.resetRequested = true;
    ev.menuShown = true;
    EXPECT_EQ(frameOutput(), "ROBOT RESETED\n");
    EXPECT_EQ(musicStarts(), 0);
}

TEST_F(FrameDriverTest, InitResetsMotionButNotThePosition)
{
    ev.menuShown = false;
    ev.moveDirection = 1;
    frames(10);
    double z = ev.robotZ;
    init();
    EXPECT_EQ(speed, 0.0f);
    EXPECT_EQ(currentDirection, 0);
    EXPECT_EQ(ev.robotZ, z);
}

} // namespace
