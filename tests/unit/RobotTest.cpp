// Robot: matrix discipline of display, where the feet, drum and dome land, which image each solid
// shows in the normal and debug sets, the left/right differences, the hologram copies, and the
// head sweep, manual turn and light band animations counted in frames.
#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <unistd.h>

#include <gtest/gtest.h>
#include <stb_image_write.h>

#include "CommandRecorder.h"
#include "GlRecorder.h"
#include "robot/Robot.h"

namespace fs = std::filesystem;

namespace {

const double kTol = 1e-4;  // vertices reach GL as floats: about 1e-6 off at these sizes
const double kPi = 3.141592653589793;
const std::string kBeep = "canberra-gtk-play -f audio/beep.wav &";

// Every file either loader reads; the image for file i is 4 * (i + 1) pixels wide, so an
// upload's width names its file.
const std::vector<std::string> kFiles = {
    "body.jpg", "bodyLid.jpg", "head.jpg", "underbody.jpg", "misc.jpg", "holoLight.png",
    "hologram.png", "square.jpg", "tint.jpg", "jack.jpg", "circle.jpg", "metal.jpg", "axe.jpg",
    "grid.jpg", "grid.png"};

bool isPng(const std::string& name) { return name.substr(name.size() - 4) == ".png"; }

// A push/pop pair of the recorded calls and the vertices sent inside it.
struct Span {
    int first;       // index of the push (-1 for the whole recording)
    int last;        // index of the matching pop (the call count for the whole recording)
    int firstVertex;
    int endVertex;
};

Span whole()
{
    const auto& s = glrec::gl();
    return {-1, static_cast<int>(s.calls.size()), 0, static_cast<int>(s.vertices.size())};
}

// The push/pop pairs directly inside a span, in order.
std::vector<Span> children(const Span& parent)
{
    const auto& calls = glrec::gl().calls;
    std::vector<Span> found;
    int depth = 0;
    int start = 0;
    int startVertex = 0;
    int vertices = parent.firstVertex;
    for (int i = parent.first + 1; i < parent.last; ++i) {
        const std::string& name = calls[i].name;
        if (name == "glVertex3f") {
            vertices++;
        } else if (name == "glPushMatrix" && depth++ == 0) {
            start = i;
            startVertex = vertices;
        } else if (name == "glPopMatrix" && --depth == 0) {
            found.push_back({start, i, startVertex, vertices});
        }
    }
    return found;
}

using Point = std::array<double, 3>;

std::vector<Point> points(int firstVertex, int endVertex)
{
    std::vector<Point> found;
    for (int i = firstVertex; i < endVertex; ++i) {
        found.push_back(glrec::gl().vertices[i].eye);
    }
    return found;
}

// From the robot frame into the body group's frame, which is tilted by 19 degrees about x.
Point toBodyFrame(const Point& p)
{
    double a = 19 * kPi / 180;
    return {p[0], p[1] * std::cos(a) + p[2] * std::sin(a), -p[1] * std::sin(a) + p[2] * std::cos(a)};
}

Point sub(Point a, Point b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
double dot(Point a, Point b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

Point centroid(int firstVertex, int endVertex)
{
    Point c{0, 0, 0};
    double n = endVertex - firstVertex;
    for (const Point& p : points(firstVertex, endVertex)) {
        c = {c[0] + p[0] / n, c[1] + p[1] / n, c[2] + p[2] / n};
    }
    return c;
}

// Unit normal of the side the quad starting at this vertex faces (counter-clockwise winding).
Point facing(int firstVertex)
{
    auto q = points(firstVertex, firstVertex + 3);
    Point u = sub(q[1], q[0]);
    Point v = sub(q[2], q[0]);
    Point n{u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
    double length = std::sqrt(dot(n, n));
    return {n[0] / length, n[1] / length, n[2] / length};
}

// Each upload of the last frame as "file format", the file told by its width.
std::vector<std::string> uploadedImages()
{
    std::vector<std::string> found;
    for (const glrec::Upload& u : glrec::gl().uploads) {
        std::size_t index = static_cast<std::size_t>(u.width / 4 - 1);
        std::string file = u.width % 4 == 0 && index < kFiles.size() ? kFiles[index] : "?";
        found.push_back(file + (u.internalFormat == GL_RGBA ? " RGBA" : " RGB"));
    }
    return found;
}

// The uploads of one frame with the hologram on, in order; with it off the last five are missing.
std::vector<std::string> expectedUploads()
{
    std::vector<std::string> arm = {"square", "circle", "square", "square", "metal",
                                    "metal", "axe", "square", "jack", "square"};
    std::vector<std::string> foot = {"square", "square", "square", "circle", "square",
                                     "circle", "square", "square", "circle"};
    std::vector<std::vector<std::string>> groups = {
        arm, arm, foot, foot, {"square", "square", "square", "circle"},
        {"body", "bodyLid", "underbody", "bodyLid", "square", "square"}, {"head", "metal"}};
    std::vector<std::string> files;
    for (const auto& group : groups)
        for (const auto& name : group) files.push_back(name + ".jpg RGB");
    for (const char* name : {"hologram", "holoLight", "holoLight", "hologram", "holoLight"})
        files.push_back(std::string(name) + ".png RGBA");
    return files;
}

class RobotTest : public ::testing::Test {
protected:
    fs::path dir;
    fs::path home;
    Robot robot;

    void SetUp() override
    {
        home = fs::current_path();
        dir = fs::temp_directory_path() / ("robotscene-robot-" + std::to_string(::getpid()));
        fs::create_directories(dir / "textures");
        writeImages(0);
        fs::current_path(dir);
        cmdrec::clear();
        robot.createMeshes();
        robot.loadTextures();
    }
    void TearDown() override
    {
        fs::current_path(home);
        fs::remove_all(dir);
    }

    // Every texture file, its size telling which file it is; later generations are taller.
    void writeImages(int generation)
    {
        for (std::size_t i = 0; i < kFiles.size(); ++i) {
            int width = 4 * static_cast<int>(i + 1);
            int height = 3 + 10 * generation;
            int channels = isPng(kFiles[i]) ? 4 : 3;
            std::vector<unsigned char> pixels(static_cast<std::size_t>(width * height * channels), 100);
            std::string path = (dir / "textures" / kFiles[i]).string();
            if (channels == 4) {
                stbi_write_png(path.c_str(), width, height, 4, pixels.data(), width * 4);
            } else {
                stbi_write_jpg(path.c_str(), width, height, 3, pixels.data(), 90);
            }
        }
    }

    // One frame as the frame driver draws it: texturing on, the robot frame at the origin.
    void frame(Robot& r)
    {
        glrec::reset();
        glEnable(GL_TEXTURE_2D);
        r.display();
    }
    void frame() { frame(robot); }

    // The band's offset along the image in the last frame, from the translation after its lift.
    double bandZ()
    {
        const auto& calls = glrec::gl().calls;
        for (std::size_t i = 0; i + 1 < calls.size(); ++i) {
            if (calls[i].name == "glTranslated" && calls[i].args == std::vector<double>{0, 0.1, 0}) {
                return calls[i + 1].args[2];
            }
        }
        ADD_FAILURE() << "no band drawn";
        return 0;
    }
};

TEST_F(RobotTest, DisplayRestoresTheCallersMatrixAndNestsAtMostFourLevels)
{
    for (bool hologram : {true, false}) {
        SCOPED_TRACE(hologram ? "hologram on" : "hologram off");
        glrec::reset();
        glPushMatrix();
        glTranslated(1, 2, 3);
        glRotated(33, 0, 1, 0);
        glrec::Mat4 caller = glrec::gl().currentModelview();
        robot.hologramOn = hologram;
        robot.display();
        const auto& s = glrec::gl();
        EXPECT_EQ(s.modelview.size(), 2u);
        EXPECT_EQ(s.currentModelview().m, caller.m);
        EXPECT_LE(s.maxModelviewDepth, 2u + 4u);
        EXPECT_EQ(s.stackErrors, 0);
        EXPECT_EQ(s.beginEndErrors, 0);
        Span inside{0, static_cast<int>(s.calls.size()), 0, static_cast<int>(s.vertices.size())};
        EXPECT_EQ(children(inside).size(), 4u); // arm, leg, centre leg and body groups
    }
}

TEST_F(RobotTest, FeetStandOnTheGroundAtTheirPlaces)
{
    frame();
    auto groups = children(whole());
    struct Foot { const char* name; int group; int side; double x, z; }; // side 0: the whole group
    const Foot feet[] = {{"left", 1, -1, -3.2, 3.85}, {"right", 1, 1, 3.2, 3.85}, {"centre", 2, 0, 0, 0.45}};
    for (const Foot& foot : feet) {
        SCOPED_TRACE(foot.name);
        std::vector<Point> ps;
        for (const auto& p : points(groups[foot.group].firstVertex, groups[foot.group].endVertex)) {
            if (p[0] * foot.side >= 0) ps.push_back(p);
        }
        ASSERT_FALSE(ps.empty());
        double lowest = 1e9;
        for (const auto& p : ps) lowest = std::min(lowest, p[1]);
        EXPECT_NEAR(lowest, 0, kTol);
        // The middle of the face resting on the ground.
        double minX = 1e9, maxX = -1e9, minZ = 1e9, maxZ = -1e9;
        for (const auto& p : ps) {
            if (p[1] > lowest + kTol) continue;
            minX = std::min(minX, p[0]); maxX = std::max(maxX, p[0]);
            minZ = std::min(minZ, p[2]); maxZ = std::max(maxZ, p[2]);
        }
        EXPECT_NEAR((minX + maxX) / 2, foot.x, kTol);
        EXPECT_NEAR((minZ + maxZ) / 2, foot.z, kTol);
    }
}

TEST_F(RobotTest, DrumSpansItsHeightAndTheDomeSitsOnItsTop)
{
    robot.headAngle = 37; // the dome turns on the drum's axis, so any angle will do
    robot.headSweep = false;
    frame();
    Span body = children(whole())[3];
    auto parts = children(body); // drum, underbody, column, cross, head
    Span head = parts[4];
    struct Part { const char* name; int firstVertex, endVertex; double bottom, top, radius; };
    const Part cases[] = {
        {"drum", parts[0].firstVertex, parts[0].endVertex, 2.5, 7.7, 2.5},
        {"dome", head.firstVertex, children(head)[0].firstVertex, 7.7, 10.2, 2.5},
    };
    for (const Part& part : cases) {
        SCOPED_TRACE(part.name);
        double bottom = 1e9, top = -1e9, radius = 0;
        for (const auto& eye : points(part.firstVertex, part.endVertex)) {
            auto p = toBodyFrame(eye);
            bottom = std::min(bottom, p[1]);
            top = std::max(top, p[1]);
            radius = std::max(radius, std::hypot(p[0], p[2]));
        }
        EXPECT_NEAR(bottom, part.bottom, kTol);
        EXPECT_NEAR(top, part.top, kTol);
        EXPECT_NEAR(radius, part.radius, kTol);
    }
}

TEST_F(RobotTest, EachSolidShowsItsImageInBindOrder)
{
    std::vector<std::string> all = expectedUploads();
    for (bool hologram : {true, false}) {
        SCOPED_TRACE(hologram ? "hologram on" : "hologram off");
        robot.hologramOn = hologram;
        frame();
        std::vector<std::string> expected(all.begin(), all.end() - (hologram ? 0 : 5));
        EXPECT_EQ(uploadedImages(), expected);
    }
}

TEST_F(RobotTest, DebugSetShowsGridsAndTheNormalSetIsReadAfreshFromDisk)
{
    robot.loadDebugTextures();
    frame();
    std::vector<std::string> expected = expectedUploads();
    for (std::string& image : expected) {
        image = isPng(image.substr(0, image.find(' '))) ? "grid.png RGBA" : "grid.jpg RGB";
    }
    EXPECT_EQ(uploadedImages(), expected);

    writeImages(1);
    robot.loadTextures();
    frame();
    EXPECT_EQ(uploadedImages(), expectedUploads());
    for (const glrec::Upload& u : glrec::gl().uploads) {
        EXPECT_EQ(u.height, 13) << "image of width " << u.width << " not read again";
    }
}

TEST_F(RobotTest, LeftAndRightSidesDifferInThreePoints)
{
    frame();
    auto arm = children(children(whole())[0]); // four stacks on the left, then four on the right
    ASSERT_EQ(arm.size(), 8u);
    const auto& s = glrec::gl();
    // The shoulder's wall is its first strip: two vertices a rung, slices / 2 + 1 rungs.
    auto shoulderSlices = [&](int side) {
        const auto& wall = s.primitives[s.vertices[arm[4 * side].firstVertex].primitive];
        return (wall.vertices.size() / 2.0 - 1) * 2;
    };
    auto barGrey = [&](int side) { return double(s.vertices[arm[4 * side + 2].firstVertex].color[0]); };
    auto rodAngle = [&](int side) {
        return s.calls[glrec::findCall("glRotated", arm[4 * side + 2].first)].args[0];
    };
    struct Difference { const char* name; std::function<double(int)> measure; double left, right; };
    const Difference cases[] = {
        {"shoulder slices", shoulderSlices, 24, 32},
        {"armBar grey", barGrey, 0.95, 1.0},
        {"rod angle", rodAngle, 90, 270},
    };
    for (const Difference& difference : cases) {
        SCOPED_TRACE(difference.name);
        EXPECT_NEAR(difference.measure(0), difference.left, 1e-6);
        EXPECT_NEAR(difference.measure(1), difference.right, 1e-6);
    }
    // Both rods bulge outwards, mirror images of each other.
    for (int side : {0, 1}) {
        Span rodStack = arm[4 * side + 2]; // the bar's 24 vertices, then the rod's
        double barX = centroid(rodStack.firstVertex, rodStack.firstVertex + 24)[0];
        double rodX = centroid(rodStack.firstVertex + 24, rodStack.endVertex)[0];
        EXPECT_GT((rodX - barX) * (side == 0 ? -1 : 1), 0.3) << (side == 0 ? "left" : "right");
    }
}

TEST_F(RobotTest, HologramCopiesFaceOppositeWaysWithBandsOnTheirVisibleSides)
{
    frame();
    Span hologram = children(children(children(whole())[3])[4])[3]; // body, head, hologram
    ASSERT_EQ(hologram.endVertex - hologram.firstVertex, 32); // image, band, 16 of beam, image, band
    struct Copy { const char* name; int image; float imageAlpha; float bandAlpha; }; // band after image
    const Copy copies[] = {{"projector side", 0, 0.8f, 0.3f}, {"far side", 24, 1.0f, 0.4f}};
    std::vector<Point> normals;
    for (const Copy& copy : copies) {
        SCOPED_TRACE(copy.name);
        int image = hologram.firstVertex + copy.image;
        int band = image + 4;
        Point n = facing(image);
        normals.push_back(n);
        EXPECT_NEAR(dot(sub(centroid(band, band + 4), centroid(image, image + 4)), n), 0.1, kTol);
        EXPECT_NEAR(dot(facing(band), n), 1, kTol);
        EXPECT_FLOAT_EQ(glrec::gl().vertices[image].color[3], copy.imageAlpha);
        EXPECT_FLOAT_EQ(glrec::gl().vertices[band].color[3], copy.bandAlpha);
    }
    EXPECT_NEAR(dot(normals[0], normals[1]), -1, kTol);
    Point between = sub(centroid(hologram.firstVertex, hologram.firstVertex + 4),
                        centroid(hologram.firstVertex + 24, hologram.firstVertex + 28));
    EXPECT_NEAR(dot(between, normals[0]), 0, kTol) << "both images lie in one plane";
}

TEST_F(RobotTest, SweepReversesWithOneBeepOnFrame251AndEvery402FramesAfter)
{
    std::vector<int> reversals;
    bool direction = robot.headSweepReverse;
    for (int n = 1; n <= 653; ++n) {
        frame();
        if (robot.headSweepReverse != direction) {
            direction = robot.headSweepReverse;
            reversals.push_back(n);
            EXPECT_EQ(cmdrec::waitForCommands(reversals.size()).size(), reversals.size()) << "frame " << n;
        }
    }
    EXPECT_EQ(reversals, (std::vector<int>{251, 653}));
    EXPECT_EQ(cmdrec::commands(), (std::vector<std::string>{kBeep, kBeep}));
}

TEST_F(RobotTest, AnAngleOfExactlySixtyDoesNotReverse)
{
    struct Case { float start; bool reverse; float limit; };
    for (const Case& c : {Case{59.7f, false, 60.0f}, Case{-59.7f, true, -60.0f}}) {
        SCOPED_TRACE(c.limit);
        cmdrec::clear();
        robot.headAngle = c.start;
        robot.headSweepReverse = c.reverse;
        frame();
        ASSERT_EQ(robot.headAngle, c.limit);
        EXPECT_EQ(robot.headSweepReverse, c.reverse);
        frame();
        EXPECT_EQ(robot.headSweepReverse, !c.reverse);
        EXPECT_EQ(cmdrec::waitForCommands(1), std::vector<std::string>{kBeep});
    }
}

TEST_F(RobotTest, ManualTurnIsUnboundedAndKeepsTheSweepDirection)
{
    struct Case { int turn; int frames; float expected; };
    for (const Case& c : {Case{1, 400, 385}, Case{-1, 100, -115}, Case{0, 100, -15}}) {
        SCOPED_TRACE(c.turn);
        robot.init();
        robot.headSweepReverse = true;
        robot.headSweep = false;
        robot.headTurn = c.turn;
        for (int n = 0; n < c.frames; ++n) frame();
        EXPECT_EQ(robot.headAngle, c.expected);
        EXPECT_TRUE(robot.headSweepReverse);
    }
    EXPECT_TRUE(cmdrec::commands().empty());
}

TEST_F(RobotTest, ResumingBeyondTheLimitBeepsEveryFrameUntilBackWithin)
{
    robot.headSweep = false;
    robot.headTurn = 1;
    for (int n = 0; n < 115; ++n) frame();
    ASSERT_EQ(robot.headAngle, 100.0f);
    robot.headSweep = true;
    std::size_t beyond = 0; // frames that end above 60, each with a cue
    for (frame(); robot.headAngle > 60.0f; frame()) {
        beyond++;
        EXPECT_TRUE(robot.headSweepReverse);
    }
    EXPECT_EQ(beyond, 135u); // 100.3 down to 60.1 in steps of 0.3
    EXPECT_EQ(cmdrec::waitForCommands(beyond).size(), beyond);
    float back = robot.headAngle;
    frame();
    EXPECT_LT(robot.headAngle, back); // still sweeping down, now without a cue
    EXPECT_EQ(cmdrec::commands().size(), beyond);
}

TEST_F(RobotTest, LightBandRepeatsEvery300FramesFromMinusThreeTowardsThree)
{
    const double drift = 1e-4; // float rounding gathered over 300 steps, about 5e-6
    std::vector<double> z;
    for (int n = 0; n < 600; ++n) {
        frame();
        z.push_back(bandZ());
        EXPECT_GE(z.back(), -3);
        EXPECT_LT(z.back(), 3);
    }
    EXPECT_NEAR(z[0], -2.98, kTol);
    for (int n = 1; n < 300; ++n) EXPECT_GT(z[n], z[n - 1]) << "frame " << n + 1;
    EXPECT_NEAR(z[299], 3, drift);
    for (int n = 0; n < 300; ++n) EXPECT_NEAR(z[n + 300], z[n], drift) << "frame " << n + 1;
}

TEST_F(RobotTest, LightBandAdvancesWhileTheHologramIsOff)
{
    Robot shown; // the hologram on all the time
    shown.createMeshes();
    robot.hologramOn = false;
    for (int n = 0; n < 100; ++n) {
        frame(shown);
        frame();
        EXPECT_EQ(glrec::countCalls("glColor4f"), 3) << "only eye, light and glass";
    }
    robot.hologramOn = true;
    frame(shown);
    double expected = bandZ();
    frame();
    EXPECT_EQ(bandZ(), expected);
}

TEST_F(RobotTest, ConstructionAndInitGiveTheStartState)
{
    auto expectStartState = [](const Robot& r) {
        EXPECT_EQ(r.headAngle, -15.0f);
        EXPECT_FALSE(r.headSweepReverse);
        EXPECT_TRUE(r.headSweep);
        EXPECT_EQ(r.headTurn, 0);
        EXPECT_TRUE(r.hologramOn);
        EXPECT_EQ(r.holoLightPos, 0.0f);
        EXPECT_EQ(r.holoLightSpeed, 0.02f);
        EXPECT_EQ(r.holoLightLength, 2.0f);
        EXPECT_EQ(r.holoLength, 8.0f);
    };
    glrec::reset();
    Robot fresh;
    EXPECT_TRUE(glrec::gl().calls.empty()) << "construction must not touch GL";
    expectStartState(fresh);

    // A reset in the middle of a decreasing sweep, with everything else moved.
    robot.headSweepReverse = true;
    robot.headSweep = false;
    robot.headTurn = 1;
    robot.hologramOn = false;
    for (int n = 0; n < 50; ++n) frame();
    robot.init();
    expectStartState(robot);
    EXPECT_EQ(robot.holoImage.vertices.size(), 4u) << "meshes are kept";
    EXPECT_TRUE(robot.tSquare.loaded) << "textures are kept";
}

} // namespace
