// Robot: which image each solid shows in the normal and debug sets, where every part is drawn and
// the left side mirroring the right, and the head sweep, manual turn and light band animations
// counted in frames.
#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include <unistd.h>

#include <gtest/gtest.h>
#include <stb_image_write.h>

#include "CommandRecorder.h"
#include "Fixtures.h"
#include "GlRecorder.h"
#include "robot/Robot.h"

namespace fs = std::filesystem;

namespace {

const std::string kBeep = "canberra-gtk-play -f audio/beep.wav &";

// Every file either loader reads; the image for file i is 4 * (i + 1) pixels wide, so an upload's
// width names its file.
const std::vector<std::string> kFiles = {"body.jpg", "bodyLid.jpg", "head.jpg", "underbody.jpg", "misc.jpg",
                                         "holoLight.png", "hologram.png", "square.jpg", "tint.jpg", "jack.jpg",
                                         "circle.jpg", "metal.jpg", "axe.jpg", "grid.jpg", "grid.png"};

bool isPng(const std::string& name) { return name.find(".png") != std::string::npos; }

// A push/pop pair of the recorded calls (first: the push, last: its pop) and the vertices inside.
struct Span { int first, last, firstVertex, endVertex; };

// The push/pop pairs directly inside a span, in order.
std::vector<Span> children(const Span& parent)
{
    std::vector<Span> found;
    int depth = 0, start = 0, startVertex = 0, vertices = parent.firstVertex;
    for (int i = parent.first + 1; i < parent.last; ++i) {
        const std::string& name = glrec::gl().calls[i].name;
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

std::string fileOf(const glrec::Upload& u)
{
    std::size_t index = std::size_t(u.width / 4 - 1);
    return u.width % 4 == 0 && index < kFiles.size() ? kFiles[index] : "?";
}

// Each upload of the last frame as "file format".
std::vector<std::string> uploadedImages()
{
    std::vector<std::string> found;
    for (const glrec::Upload& u : glrec::gl().uploads) {
        found.push_back(fileOf(u) + (u.internalFormat == GL_RGBA ? " RGBA" : " RGB"));
    }
    return found;
}

// The uploads of one frame with the hologram on, in order; with it off the last five are missing.
std::vector<std::string> expectedUploads()
{
    const std::string arm = "square circle square square metal metal axe square jack square ";
    const std::string foot = "square square square circle square circle square square circle ";
    // Two arms, two side feet, the centre foot, the body, the head.
    std::istringstream jpegs(arm + arm + foot + foot + "square square square circle body bodyLid underbody bodyLid square square head metal");
    std::vector<std::string> files;
    for (std::string name; jpegs >> name;) files.push_back(name + ".jpg RGB");
    for (std::string name : {"hologram", "holoLight", "holoLight", "hologram", "holoLight"}) files.push_back(name + ".png RGBA");
    return files;
}

class RobotTest : public ::testing::Test {
protected:
    const fs::path home = fs::current_path();
    const fixtures::ScratchDir dir{"robot"};
    Robot robot;

    void SetUp() override
    {
        fs::create_directories(dir / "textures");
        writeImages();
        fs::current_path(dir);
        cmdrec::clear();
        robot.createMeshes();
        robot.loadTextures();
    }
    void TearDown() override { fs::current_path(home); }

    // Every texture file, its width telling which file it is; the decoder goes by content, so PNG
    // serves for every name.
    void writeImages()
    {
        const int height = 3; // pixels
        for (std::size_t i = 0; i < kFiles.size(); ++i) {
            int width = 4 * int(i + 1), channels = isPng(kFiles[i]) ? 4 : 3;
            std::vector<unsigned char> pixels(std::size_t(width * height * channels), 100);
            stbi_write_png((dir / "textures" / kFiles[i]).c_str(), width, height, channels, pixels.data(), 0);
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

// Each solid shows its own image, the hologram's only while it is on; the debug set puts a grid
// on every one. (The normal set read afresh from disk after it is test_bad_files': the missing
// image is named again. The matrix stack's balance is checked on whole frames, in FrameDriverTest.)
TEST_F(RobotTest, EachSolidShowsItsImageInTheNormalAndDebugSets)
{
    const std::vector<std::string> all = expectedUploads();
    robot.hologramOn = false;
    frame();
    EXPECT_EQ(uploadedImages(), std::vector<std::string>(all.begin(), all.end() - 5)) << "hologram off";
    robot.hologramOn = true;
    robot.loadDebugTextures();
    frame();
    std::vector<std::string> grids = all;
    for (std::string& image : grids) image = isPng(image) ? "grid.png RGBA" : "grid.jpg RGB";
    EXPECT_EQ(uploadedImages(), grids);
}

// Per vertex of the last frame: the file of the image bound last and whether texturing was on.
struct Drawn { std::string file; bool textured; };
std::vector<Drawn> drawnWith()
{
    std::vector<Drawn> found;
    std::string file = "none";
    bool textured = false;
    std::size_t upload = 0;
    for (const glrec::Call& call : glrec::gl().calls) {
        if (call.name == "glTexImage2D") {
            file = fileOf(glrec::gl().uploads[upload++]);
        } else if (call.name == "glEnable" || call.name == "glDisable") {
            if (call.args[0] == GL_TEXTURE_2D) textured = call.name == "glEnable";
        } else if (call.name == "glVertex3f") {
            found.push_back({file, textured});
        }
    }
    return found;
}

// Lowest x, y, z, then highest x, y, z.
using Box = std::array<double, 6>;

// The bounding box of the vertices of a span that `keep` selects, in the robot's frame.
Box boxOf(const Span& span, const std::function<bool(int)>& keep)
{
    Box b{1e9, 1e9, 1e9, -1e9, -1e9, -1e9};
    for (int i = span.firstVertex; i < span.endVertex; ++i) {
        if (!keep(i)) continue;
        const auto& p = glrec::gl().vertices[i].eye;
        for (int k = 0; k < 3; ++k) b[k] = std::min(b[k], p[k]), b[k + 3] = std::max(b[k + 3], p[k]);
    }
    return b;
}

// Where each part is drawn, with the head facing ahead and the
// light band at its first frame: a part moved, turned, resized or dropped changes its box.
TEST_F(RobotTest, EveryPartIsDrawnWhereItBelongsAndTheLeftMirrorsTheRight)
{
    const double boxTol = 2e-4; // the expected corners are given to four decimals
    robot.headSweep = false;
    robot.headAngle = 0;
    frame();
    const std::vector<Drawn> with = drawnWith();
    const auto& vertices = glrec::gl().vertices;
    auto file = [&](const char* name) { return [&, name](int i) { return with[i].file == name; }; };
    auto colour = [&](float red, float alpha) {
        return [&, red, alpha](int i) { return vertices[i].color[0] == red && vertices[i].color[3] == alpha; };
    };
    auto any = [](int) { return true; };
    // The whole frame's calls split into arms, side legs, centre leg, body.
    auto groups = children({-1, int(glrec::gl().calls.size()), 0, int(vertices.size())});
    auto arms = children(groups[0]), legs = children(groups[1]);
    Span head = children(groups[3])[4];
    struct Part { const char* name; Span span; std::function<bool(int)> keep; Box box; };
    const Part parts[] = {
        // Soles rest on y = 0, the side feet centred at x = -3.2 and 3.2, z = 3.85, the centre foot at z = 0.45.
        {"left sole", legs[1], any, {-4.0750, 0.0000, 2.5000, -2.3250, 0.3500, 5.2000}},
        {"centre foot", groups[2], any, {-0.8750, 0.0000, -0.6300, 0.8750, 1.3600, 1.5300}},
        {"drum", children(groups[3])[0], any, {-2.5000, 1.5499, -1.5499, 2.5000, 8.0944, 4.8707}},
        {"dome", head, file("head.jpg"), {-2.5000, 6.4666, 0.1431, 2.5000, 9.7758, 5.0022}},
        {"right shoulder", arms[4], file("circle.jpg"), {2.6250, 6.0856, 1.3500, 3.3750, 7.2108, 3.0021}},
        {"right upper arm", arms[4], any, {2.6000, 4.0925, 1.3500, 3.4000, 7.2108, 3.4904}},
        {"right axle and bolt", arms[5], any, {2.2500, 5.7136, 1.5496, 3.5750, 7.0111, 2.8472}},
        {"right bar and rod", arms[6], any, {2.7500, 1.2829, 2.4419, 3.6000, 4.9929, 4.3641}},
        {"right stripe", arms[7], any, {3.0500, 1.5534, 2.1248, 3.4500, 5.9710, 4.0626}},
        {"right ankle caps", legs[3], file("circle.jpg"), {1.9800, 0.4050, 3.1000, 2.5800, 2.0050, 4.6000}},
        {"eye", head, colour(0, 0.7f), {-0.1900, 8.7050, 0.8493, 1.0500, 9.5957, 2.0254}},
        {"indicator", head, colour(0.5f, 0.8f), {0.1800, 8.3886, 0.3081, 0.6200, 8.8161, 0.5991}},
        {"lens barrel", head, file("metal.jpg"), {-0.7704, 8.5096, 0.3184, -0.3090, 9.0069, 0.7988}},
        {"lens glass", head, colour(0.14f, 0.9f), {-0.7418, 8.6276, 0.3305, -0.3687, 8.9747, 0.6326}},
        {"hologram", head, file("hologram.png"), {-4.5299, 11.2672, -10.0700, -1.1196, 18.1301, -4.6267}},
        {"beam and bands", head, file("holoLight.png"), {-4.5524, 8.6632, -10.0700, -0.4900, 18.1728, 0.5694}},
    };
    for (const Part& part : parts) {
        SCOPED_TRACE(part.name);
        fixtures::expectNear(boxOf(part.span, part.keep), part.box, boxTol);
    }
    // The left side mirrors the right across x = 0, but for the shoulder's segments, 24 and 32 round
    // the circle (its two end discs show the circle image), which move its extremes by less than
    // this, and the leg bar's grey.
    for (auto [shoulder, bar, discVertices, grey] : {std::tuple{arms[0], arms[2], 2 * (12 + 2), 0.95f},
                                                     std::tuple{arms[4], arms[6], 2 * (16 + 2), 1.0f}}) {
        EXPECT_EQ(std::count_if(with.begin() + shoulder.firstVertex, with.begin() + shoulder.endVertex,
                                [](const Drawn& d) { return d.file == "circle.jpg"; }), discVertices);
        EXPECT_EQ(vertices[bar.firstVertex].color[0], grey);
    }
    const double sliceTol = 1e-3;
    struct Mirror { const char* name; Span left, right; std::function<bool(int)> keep; };
    for (const Mirror& m : {Mirror{"shoulder", arms[0], arms[4], file("circle.jpg")}, Mirror{"upper arm", arms[0], arms[4], any},
                            Mirror{"axle", arms[1], arms[5], any}, Mirror{"bar and rod", arms[2], arms[6], any},
                            Mirror{"stripe", arms[3], arms[7], any}, Mirror{"ankle caps", legs[0], legs[3], file("circle.jpg")}}) {
        SCOPED_TRACE(m.name);
        const Box right = boxOf(m.right, m.keep);
        // Mirrored in x: the right's highest x is the left's lowest, negated.
        fixtures::expectNear(boxOf(m.left, m.keep), Box{-right[3], right[1], right[2], -right[0], right[4], right[5]}, sliceTol);
    }
    // The eye is dark glass: untextured and see-through.
    for (int i = 0; i < int(vertices.size()); ++i) {
        EXPECT_FALSE(colour(0, 0.7f)(i) && with[i].textured) << "vertex " << i;
    }
}

// The head from a given start after a number of frames: the sweep runs 0.3 degrees a frame and
// turns back, with one beep, on the frame that leaves it beyond 60 either way (checked every
// frame, so a head turned far beyond by hand beeps until it is back); the manual turn runs a
// degree a frame without a limit and keeps the sweep's direction for later.
TEST_F(RobotTest, HeadSweepsBetweenTheLimitsWithABeepAtEachTurnOrTurnsByHand)
{
    const float any = NAN; // the angle after many float steps is not the point of the case
    struct Case { const char* name; bool sweep; int turn; float start; bool reverse; int frames; float angle; bool reverseAfter; std::size_t beeps; };
    const Case cases[] = {
        {"turns back on frame 251", true, 0, -15, false, 251, any, true, 1},
        {"60 exactly is within", true, 0, 59.7f, false, 1, 60, false, 0}, {"beyond 60 turns back", true, 0, 59.7f, false, 2, any, true, 1},
        {"-60 exactly is within", true, 0, -59.7f, true, 1, -60, true, 0}, {"beyond -60 turns back", true, 0, -59.7f, true, 2, any, false, 1},
        {"E turns it without a limit", false, 1, -15, true, 400, 385, true, 0},
        {"A turns it the other way", false, -1, -15, true, 100, -115, true, 0},
        {"neither holds it", false, 0, -15, true, 100, -15, true, 0},
        {"resumed at 100: a beep a frame", true, 0, 100, false, 135, any, true, 135},
        {"until back within 60", true, 0, 100, false, 136, any, true, 135},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        cmdrec::clear();
        robot.headSweep = c.sweep;
        robot.headTurn = c.turn;
        robot.headAngle = c.start;
        robot.headSweepReverse = c.reverse;
        for (int n = 0; n < c.frames; ++n) frame();
        EXPECT_TRUE(std::isnan(c.angle) || robot.headAngle == c.angle) << robot.headAngle;
        EXPECT_EQ(robot.headSweepReverse, c.reverseAfter);
        EXPECT_EQ(cmdrec::waitForCommands(c.beeps), std::vector<std::string>(c.beeps, kBeep));
    }
}

TEST_F(RobotTest, LightBandRepeatsEvery300FramesFromMinusThreeAndAdvancesWhileHidden)
{
    const double drift = 1e-4; // float rounding gathered over 300 steps, about 5e-6
    Robot hidden;              // the same robot with its hologram off for the first 100 frames
    hidden.createMeshes();
    hidden.hologramOn = false;
    double hiddenZ = 0;
    std::vector<double> z;
    for (int n = 0; n < 600; ++n) {
        if (n <= 100) {
            hidden.hologramOn = n == 100;
            frame(hidden);
            if (n == 100) hiddenZ = bandZ();
        }
        frame();
        z.push_back(bandZ());
    }
    EXPECT_EQ(hiddenZ, z[100]);
    EXPECT_NEAR(z[0], -2.98, 1e-6);
    for (int n = 1; n < 300; ++n) EXPECT_GT(z[n], z[n - 1]) << "frame " << n + 1;
    EXPECT_NEAR(z[299], 3, drift);
    for (int n = 0; n < 300; ++n) EXPECT_NEAR(z[n + 300], z[n], drift) << "frame " << n + 1;
}

} // namespace
