// The frame driver on the recording GL: cameras, drive and turn integration, the menu freeze, the
// music and debug latches, the reset request and the image bytes a frame uploads, driven through
// the scene's global objects.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CommandRecorder.h"
#include "Fixtures.h"
#include "GlRecorder.h"
#include "app/FrameDriver.h"
#include "app/Scene.h"
#include "app/Window.h"

namespace {

using glrec::Vec3;

const std::string music = "canberra-gtk-play -f audio/music.wav";

// The vertices of the frame's last primitive: the floor's underside, or the menu board.
std::vector<const glrec::RecordedVertex*> lastPrimitive()
{
    std::vector<const glrec::RecordedVertex*> found;
    for (int i : glrec::gl().primitives.back().vertices) found.push_back(&glrec::gl().vertices[i]);
    return found;
}

// Uploads of the last frame with the given size.
int uploadsOfSize(int width, int height)
{
    const auto& uploads = glrec::gl().uploads;
    return int(std::count_if(uploads.begin(), uploads.end(), [&](auto& u) { return u.width == width && u.height == height; }));
}

class FrameDriverTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        glrec::reset();
        setupScene();
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

    // Draws the frames on a fresh recording, so it holds those frames only; returns what they wrote
    // to standard output.
    std::string frames(int count = 1)
    {
        glrec::reset();
        return fixtures::captured([count] { for (int i = 0; i < count; ++i) display(); }).out;
    }
};

// ---- cameras ----

// The default orbit camera: 42 units from the floor's centre and 4 above it, looking down 20
// degrees, turned half round so the floor's +x, +z corner is at the far left. The floor's
// underside, drawn last, shows where the world lands: each corner, so its facing too.
TEST_F(FrameDriverTest, DefaultOrbitCameraSeesTheFloorFromAboveAndBehind)
{
    frames();
    auto underside = lastPrimitive();
    ASSERT_EQ(underside.size(), 4u);
    const double c = std::cos(20 * pi / 180), s = std::sin(20 * pi / 180);
    for (const auto* v : underside) {
        double x = v->object[0], z = v->object[2]; // the corner at world (-x, -0.1, z): turned about z
        fixtures::expectNear(v->eye, Vec3{x, -4 - 0.1 * c + z * s, -42 - 0.1 * s - z * c}, 1e-4);
    }
    EXPECT_EQ(glrec::gl().uploads.back().width, 256) << "the floor's own image";
    EXPECT_TRUE(glrec::gl().isEnabled(GL_CULL_FACE));
}

// The chase camera looks from 3 * zoom behind the robot and 20 above, the tracking camera from
// its post at (0, 20, -3 * zoom); both at the point 4 above the robot. With the eye straight above
// that point (zoom 0 in the chase camera, the robot right under the tracking eye) the robot's
// forward direction is up in the view.
TEST_F(FrameDriverTest, ChaseAndTrackingCamerasLookAtTheRobot)
{
    struct Case { int cameraMode, zoom; double robotX, robotZ, robotAngle; std::vector<double> lookAt; };
    const double sinH = std::sin(137.5 * pi / 180), cosH = std::cos(137.5 * pi / 180);
    const Case cases[] = {
        // Heading 90 faces -x, so "behind" the robot at (2, 0, -5) is +x, 42 units away.
        {1, 14, 2, -5, 90, {44, 20, -5, 2, 4, -5, 0, 1, 0}}, {2, 14, 2, -5, 90, {0, 20, -42, 2, 4, -5, 0, 1, 0}},
        {1, 0, 3.3, 7.1, 137.5, {3.3, 20, 7.1, 3.3, 4, 7.1, -sinH, 0, -cosH}},
        {2, 14, 0, -42, 30, {0, 20, -42, 0, 4, -42, -0.5, 0, -std::sqrt(0.75)}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.cameraMode << ", zoom " << c.zoom);
        ev.cameraMode = c.cameraMode;
        ev.zoomValue = c.zoom;
        ev.robotX = c.robotX;
        ev.robotZ = c.robotZ;
        ev.robotAngle = c.robotAngle;
        frames();
        auto look = glrec::callsNamed("gluLookAt").at(0).args;
        for (std::size_t k = 0; k < c.lookAt.size(); ++k) EXPECT_NEAR(look[k], c.lookAt[k], 1e-5) << k;
    }
}

// ---- where things are drawn ----

TEST_F(FrameDriverTest, RobotIsDrawnAtItsPlaceTurnedByItsHeadingAboutTheVertical)
{
    ev.anglex = ev.angley = ev.zoomValue = 0; // the orbit camera: eye space is world space moved down 4
    ev.headSweep = false; // the head holds still, so only the heading differs between the frames
    ev.rotationAxisY = 1;
    ev.robotX = 2;
    auto eyeOffset = [this](double heading) { // where the robot's eye is drawn, from the robot's place
        ev.robotAngle = heading;
        frames();
        for (const auto& v : glrec::gl().vertices) { // the eye's translucent black is drawn nowhere else
            if (v.color[3] == 0.7f) return Vec3{v.eye[0] - 2, v.eye[1] + 4, v.eye[2] + 5};
        }
        return Vec3{};
    };
    Vec3 ahead = eyeOffset(0);
    ASSERT_GT(std::hypot(ahead[0], ahead[2]), 1) << "the eye sits off the axis, so a turn moves it";
    Vec3 left = eyeOffset(90); // a quarter turn anticlockwise seen from above: -z turns to -x
    fixtures::expectNear(left, Vec3{ahead[2], ahead[1], -ahead[0]}, 1e-4);
}

// ---- the record reaching the robot ----

// R switching the sweep on the drawn robot is seen end to end (test_scene), fly-bys with and
// without the page's reduced motion on the page (test_page, test_players).
TEST_F(FrameDriverTest, HeadTurnSweepAndHologramSwitchesReachTheDrawnRobot)
{
    frames(1);
    float start = robot.headAngle;
    EXPECT_EQ(uploadsOfSize(128, 256), 2) << "the hologram is drawn";
    ev.KeyboardKeys('e', 0, 0); // turns the head left by hand, the sweep stops
    frames(10);
    EXPECT_NEAR(robot.headAngle, start + 10, 1e-4) << "by hand alone, 1 degree a frame";
    ev.KeyboardKeys('f', 0, 0);
    frames(1);
    EXPECT_EQ(uploadsOfSize(128, 256), 0) << "F hides the hologram";
}

// ---- drive and turn ----

// Each held key ramps its speed up by a fixed step a frame until the step passes the limit, then
// holds it: Z by 0.04 and S by 0.02 up to 1, Q and D by 0.2 degrees up to 3. Released, the drive
// coasts down by 0.02 a frame to rest just below zero; reversed, it stops dead for a frame.
TEST_F(FrameDriverTest, SpeedsRampUpToTheirLimitsCoastToRestAndReversingStopsDead)
{
    struct Ramp { const char* key; int* held; int direction; float* value; float limit; int frames; float top; };
    const Ramp ramps[] = {{"S", &ev.moveDirection, -1, &speed, maxSpeed, 51, 1.02f},
                          {"D", &ev.turnDirection, 1, &rotationSpeed, maxRotationSpeed, 15, 3.0f},
                          {"Z", &ev.moveDirection, 1, &speed, maxSpeed, 25, 1.0f}}; // last: the drive goes on
    const double rounding = 1e-5; // float steps gathered over up to 51 frames
    for (const Ramp& r : ramps) {
        SCOPED_TRACE(r.key);
        SetUp();
        ev.rotationAxisY = 1;
        *r.held = r.direction;
        frames(r.frames - 1);
        EXPECT_LT(*r.value, r.limit);
        frames(1);
        EXPECT_NEAR(*r.value, r.top, rounding);
        frames(10);
        EXPECT_NEAR(*r.value, r.top, rounding) << "no acceleration at or above the limit";
    }
    ev.moveDirection = 0; // Z released at full speed: 50 frames coasting on, below zero at the 51st
    double z = ev.robotZ;
    frames(50);
    EXPECT_GT(speed, 0);
    EXPECT_LT(ev.robotZ, z) << "coasting goes on forwards";
    frames(1);
    EXPECT_NEAR(speed, -0.02f, rounding);
    z = ev.robotZ;
    frames(20);
    EXPECT_EQ(ev.robotZ, z) << "nothing moves at a speed below zero";
    ev.moveDirection = 1;
    frames(1);
    EXPECT_NEAR(speed, 0.02f, rounding) << "the next acceleration starts from there";
    frames(10);
    // Z then S, then Z again: the robot stops dead for one frame, then accelerates the other way.
    for (int direction : {-1, 1}) {
        z = ev.robotZ;
        ev.moveDirection = direction;
        frames(1);
        EXPECT_EQ((std::vector<double>{speed, ev.robotZ}), (std::vector<double>{0, z}));
        frames(1);
        EXPECT_NEAR(speed, direction < 0 ? 0.02f : 0.04f, rounding);
        EXPECT_GT(ev.robotZ * -direction, z * -direction);
    }
}

// One frame places the camera, then drives, then turns (D clockwise seen from above); held on,
// Z+D circles right (+x), Z+Q left; a released turn stops at once.
TEST_F(FrameDriverTest, OneFramePlacesTheCameraThenDrivesThenTurnsAndDrivingWhileTurningCircles)
{
    for (int turn : {1, -1}) {
        SCOPED_TRACE(turn);
        SetUp();
        ev.cameraMode = 1;
        ev.moveDirection = 1;
        ev.turnDirection = turn;
        ev.rotationAxisY = 1;
        frames(1);
        auto look = glrec::callsNamed("gluLookAt").at(0).args;
        EXPECT_EQ((std::vector<double>{look[3], look[5]}), (std::vector<double>{0, -5})) << "the camera saw the robot first";
        EXPECT_NEAR(ev.robotZ, -5 - 0.5 * 0.04, 1e-7);
        EXPECT_EQ(ev.robotX, 0) << "the first step went along the heading from before the turn";
        EXPECT_NEAR(ev.robotAngle, -0.2 * turn, 1e-6);
        frames(29);
        EXPECT_GT(ev.robotX * turn, 0.5);
        double x = ev.robotX, z = ev.robotZ;
        frames(120); // 120 frames at 3 degrees: a full turn, back where the turning rate settled
        EXPECT_NEAR(ev.robotX, x, 1e-3);
        EXPECT_NEAR(ev.robotZ, z, 1e-3);
        ev.turnDirection = 0;
        frames(1);
        EXPECT_EQ(rotationSpeed, 0.0f);
    }
}

// ---- menu screen ----

// The menu screen freezes all motion and shows its board upright, facing the eye.
TEST_F(FrameDriverTest, MenuFreezesAllMotionAndShowsItsBoardFacingTheEye)
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
    // Speed, place, heading; the robot is not drawn, so its light band does not animate.
    EXPECT_EQ((std::vector<double>{speed, ev.robotZ, ev.robotAngle, robot.holoLightPos}), (std::vector<double>{frozenSpeed, z, 0, band}));
    auto board = lastPrimitive();
    ASSERT_EQ(board.size(), 4u);
    // The 50 by 50 plane's (x, 0, z) stands upright 80 before the eye, facing it: its image's
    // corner (0, 0), at (-25, 0, -25), is at the top left.
    for (const auto* v : board) {
        EXPECT_NEAR(std::fabs(v->object[0]) + std::fabs(v->object[2]), 50, 1e-4);
        fixtures::expectNear(v->eye, Vec3{v->object[0], -v->object[2], -80}, 1e-4);
    }
    ev.menuShown = false;
    frames(1);
    EXPECT_LT(ev.robotZ, z) << "held keys take effect once the menu is hidden";
    EXPECT_LT(ev.robotAngle, 0);
}

// ---- latches and the reset request ----

// Each latch acts once per change of its wish: an unchanged wish does nothing on later frames.
TEST_F(FrameDriverTest, DebugAndMusicLatchesActOncePerChange)
{
    ev.KeyboardKeys('o', 0, 0);
    EXPECT_EQ(frames(), "DEBUG ENABLED\n");
    EXPECT_EQ(uploadsOfSize(64, 64), 55) << "every robot bind shows a grid";
    EXPECT_EQ(frames(), "");
    ev.musicOn = false;
    frames(1);
    EXPECT_EQ(cmdrec::count(music), 0);
    ev.musicOn = true;
    frames(4);
    EXPECT_EQ(cmdrec::count(music), 1) << "started again once, not at every frame";
}

TEST_F(FrameDriverTest, EnterRestoresTexturesThenResetsAndLeavesTheMusicOffIfItWasOff)
{
    ev.debugOn = true;
    ev.moveDirection = 1;
    ev.turnDirection = 1;
    ev.rotationAxisY = 1;
    frames(11);
    ASSERT_GT(speed, 0);
    robot.headAngle = 50;
    robot.headSweepReverse = true;
    ev.KeyboardKeys(13, 0, 0);
    EXPECT_EQ(frames(), "DEBUG DISABLED\nROBOT RESETED\n");
    EXPECT_EQ(uploadsOfSize(32, 32), 44) << "the robot's own images are back";
    EXPECT_EQ(uploadsOfSize(64, 64), 2) << "only the drum's two lids";
    // Motion stopped, the robot back at its start, its head sweeping up again from -15.
    EXPECT_EQ((std::vector<double>{speed, double(currentDirection), rotationSpeed, ev.robotX, ev.robotZ, ev.robotAngle,
                                   double(robot.headSweepReverse)}),
              (std::vector<double>{0, 0, 0, 0, -5, 0, 0}));
    EXPECT_FLOAT_EQ(robot.headAngle, -15 + 0.3f); // the music restarting is test_scene's
    EXPECT_EQ(frames(), "") << "the request is consumed once";

    // With the music off, and on the menu screen.
    ev.musicOn = false;
    frames(1);
    cmdrec::clear();
    ev.resetRequested = true;
    ev.menuShown = true;
    EXPECT_EQ(frames(), "ROBOT RESETED\n");
    EXPECT_EQ(cmdrec::count(music), 0);
}

// ---- the image bytes a frame sends ----

// Every bind re-sends its whole image (there are no texture objects), so the sizes of the images in
// textures/ set this cost directly, frame after frame. A byte count, never a time. Every kind of
// frame also leaves the matrix stack as it found it, with no call misplaced inside glBegin/glEnd.
TEST_F(FrameDriverTest, EveryKindOfFrameUploadsAtMostThreeMebibytesAndBalancesTheStack)
{
    constexpr std::size_t uploadBudget = 3 * 1024 * 1024; // bytes per frame
    struct Case { const char* label; bool menuShown, debugOn, flyBy; };
    const Case cases[] = {{"menu screen", true, false, false}, {"the scene during a fly-by", false, false, true},
                          {"debug textures", false, true, false}};
    for (const Case& c : cases) {
        SetUp();
        ev.menuShown = c.menuShown;
        ev.debugOn = c.debugOn;
        falconRun = c.flyBy;
        falconPosZ = 100; // scene units along the path: mid-flight
        frames(); // a first frame settles the state (a texture-set switch happens in it)
        frames();
        const std::vector<glrec::Upload>& uploads = glrec::gl().uploads;
        ASSERT_FALSE(uploads.empty()) << c.label << ": no image bound at all";
        std::size_t total = 0;
        for (const glrec::Upload& upload : uploads) {
            // A missing image uploads nothing and would pass any budget.
            ASSERT_FALSE(upload.nullPixels) << c.label << ": an image is missing (run `make assets`)";
            total += upload.bytes;
        }
        EXPECT_LE(total, uploadBudget) << c.label;
        EXPECT_EQ(glrec::gl().modelview.size(), 1u) << c.label;
        EXPECT_EQ(glrec::gl().stackErrors + glrec::gl().beginEndErrors, 0) << c.label;
    }
    falconRun = false;
}

} // namespace
