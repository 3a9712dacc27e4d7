// Environment: where one frame draws the sky box, the two picture boards, the floor and the
// fly-by's craft, which way their images lie, the culled side and the image bound for each; and
// the fly-by of the never-seeded generator: its first frame, status line, path and sound cue.
// Drawn with the identity modelview, so eye space here is world space.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CommandRecorder.h"
#include "Cues.h"
#include "Fixtures.h"
#include "GlRecorder.h"
#include "environment/Environment.h"

namespace {

// Vertices reach GL as floats (51.2 becomes 51.2000008) and pass through inexact rotations;
// this covers that at the scene's sizes of a few hundred units.
constexpr double tolerance = 1e-4; // scene units

// One-row images of distinct widths, so every upload tells which texture was bound.
enum ImageWidth { skyImage = 1, authorImage = 2, floorImage = 3, storyImage = 4, falconImage = 5 }; // pixels
unsigned char pixels[4 * 8] = {};

using Point = std::array<double, 3>;

// The picture drawn right after the upload of that width, in world space: the image's corner
// (0, 0), and the edges along which s and t grow to 1. They fix its place, size, turn, which way
// up the image is and which side it faces.
void expectPicture(const char* name, int width, const Point& origin, const Point& s, const Point& t)
{
    SCOPED_TRACE(name);
    const glrec::State& gl = glrec::gl();
    std::vector<glrec::RecordedVertex> quad;
    for (std::size_t call = 0, begun = 0; call < gl.calls.size() && quad.empty(); ++call) {
        if (gl.calls[call].name == "glTexImage2D" && gl.calls[call].args[3] == width) {
            for (int index : gl.primitives.at(begun).vertices) quad.push_back(gl.vertices[index]);
        }
        begun += gl.calls[call].name == "glBegin" ? 1 : 0;
    }
    ASSERT_EQ(quad.size(), 4u);
    auto corner = [&quad](float sAt, float tAt) {
        for (const glrec::RecordedVertex& v : quad) {
            EXPECT_EQ(v.normal, (std::array<float, 3>{0, 1, 0})); // turned with the picture
            if (v.texCoord[0] == sAt && v.texCoord[1] == tAt) return v.eye;
        }
        ADD_FAILURE() << "no corner at texture coordinate " << sAt << ", " << tAt;
        return Point{};
    };
    Point zero = corner(0, 0), sEnd = corner(1, 0), tEnd = corner(0, 1);
    fixtures::expectNear(zero, origin, tolerance, "image corner (0, 0),");
    fixtures::expectNear(glrec::minus(sEnd, zero), s, tolerance, "edge along s,");
    fixtures::expectNear(glrec::minus(tEnd, zero), t, tolerance, "edge along t,");
}

// Culled sides and uploads ("upload <width>", "a" for RGBA) in the order of the frame's calls.
// The sky is seen from inside: its front faces are culled. No craft while idle.
const std::vector<std::string> idleFrame{"cull front", "upload 1", "cull back", "upload 2", "cull back", "upload 3a",
                                         "upload 4a"};
std::vector<std::string> cullAndUploads()
{
    std::vector<std::string> timeline;
    for (const glrec::Call& call : glrec::gl().calls) {
        if (call.name == "glCullFace") timeline.push_back(call.args[0] == GL_FRONT ? "cull front" : "cull back");
        if (call.name == "glTexImage2D") {
            timeline.push_back("upload " + std::to_string(int(call.args[3])) + (call.args[2] == GL_RGBA ? "a" : ""));
        }
    }
    return timeline;
}

class EnvironmentTest : public ::testing::Test {
protected:
    Environment environment;

    void SetUp() override
    {
        falconPosX = 100.0f;
        falconPosZ = 0.0f;
        falconRun = false;
        falconSoundApplied = false;
        std::srand(1); // the sequence of a never-seeded rand (C standard), whatever ran before
        environment.createMeshes();
        std::pair<Texture*, int> fakes[] = {{&environment.tSky, skyImage}, {&environment.tAuthor, authorImage},
                                            {&environment.tFloor, floorImage}, {&environment.tStory, storyImage},
                                            {&environment.tFalcon, falconImage}};
        for (auto [texture, width] : fakes) {
            texture->image.width = width;
            texture->image.height = 1;
            texture->image.channels = width == skyImage || width == authorImage ? 3 : 4;
            texture->image.pixels = pixels;
        }
        cmdrec::clear();
    }

    // One frame on a fresh recording; what it printed.
    std::string frame()
    {
        glrec::reset();
        return fixtures::captured([this] { environment.display(); }).out;
    }
};

TEST_F(EnvironmentTest, FrameWithoutFlyByDrawsSkyAuthorFloorStoryInPlace)
{
    frame(); // silent, with idleFrame's culling and images: the fly-by test checks every idle frame
    const glrec::State& gl = glrec::gl();
    ASSERT_EQ(gl.primitives.size(), 9u); // six sky faces, three pictures
    std::set<Point> corners, box;
    for (int index = 0; index < 24; ++index) {
        Point c = gl.vertices[index].eye;
        corners.insert({std::round(c[0]), std::round(c[1]), std::round(c[2])});
    }
    for (double x : {-500, 500}) for (double y : {-250, 250}) for (double z : {-500, 500}) box.insert({x, y, z});
    EXPECT_EQ(corners, box);

    // Upright and unmirrored as seen from the middle of the scene. The author board stands behind
    // the start, tilted back by 30 degrees; the story board ahead, upright.
    const double r3 = std::sqrt(3.0);
    expectPicture("author board", authorImage, {25.6, 65.375 - 25 * r3, 1 + 55.375 * r3}, {-51.2, 0, 0},
                  {0, -10.75, -10.75 * r3});
    expectPicture("floor", floorImage, {-15, -0.01, -15}, {30, 0, 0}, {0, 0, 30});
    expectPicture("story board", storyImage, {-25.6, 56.4, -100}, {51.2, 0, 0}, {0, -12.8, 0});
    for (const glrec::RecordedVertex& v : gl.vertices) EXPECT_EQ(v.color, (std::array<float, 4>{1, 1, 1, 1}));
}

TEST_F(EnvironmentTest, TheNeverSeededGeneratorFliesTheCraftFromFrame841)
{
    constexpr int frameLimit = 5000; // past the second fly-by; stops a broken run looping
    int frames = 0;
    auto idleUntilFlyBy = [&] { // the line printed by the frame that starts a fly-by
        std::string line;
        while (line.empty() && frames < frameLimit) {
            line = frame();
            ++frames;
            EXPECT_EQ(cullAndUploads(), idleFrame) << "frame " << frames;
        }
        return line;
    };
    // Without fly-bys (the page's reduced motion) none starts, and the generator is left alone.
    environment.flyBys = false;
    for (int n = 0; n < 1000; ++n) EXPECT_EQ(frame(), "");
    environment.flyBys = true;
    // glibc's unseeded sequence: the first draw below 2 (a 0) comes on frame 841, the next gives -122.
    EXPECT_EQ(idleUntilFlyBy(), "New falconPosX : -122\n");
    EXPECT_EQ(frames, 841);

    int flown = 0;
    while (falconRun && flown < frameLimit) {
        float startZ = falconPosZ;
        SCOPED_TRACE(startZ);
        EXPECT_EQ(frame(), "");
        ++flown;
        // Along x = -122 at height 100 towards -z, nose (t = 0) first, seen from below; the last
        // frame wraps back to the start.
        double z = startZ == 998 ? 525 : 523 - startZ;
        expectPicture("craft", falconImage, {-107, 100, z - 15}, {-30, 0, 0}, {0, 0, 30});
        EXPECT_TRUE(glrec::gl().isEnabled(GL_TEXTURE_2D));
        EXPECT_EQ(falconSoundApplied, startZ >= 402 && startZ < 998);
        if (startZ < 402) {
            EXPECT_EQ(cmdrec::commands(), std::vector<std::string>{}) << "cue before 402";
        } else if (startZ == 402) {
            std::vector<std::string> cue = cmdrec::waitForCommands(1); // it runs on a thread of its own
            ASSERT_EQ(cue.size(), 1u);
            EXPECT_NE(cue[0].find("audio/falcon.wav"), std::string::npos) << cue[0];
        }
        if (flown == 1) { // the craft comes between the sky and the author board
            std::vector<std::string> flying = idleFrame;
            flying.insert(flying.begin() + 2, {"cull back", "upload 5a"});
            EXPECT_EQ(cullAndUploads(), flying);
        }
    }
    EXPECT_EQ(flown, 500);
    EXPECT_EQ(falconPosZ, 0.0f);
    frames += flown;
    // Idle again; the next fly-by comes from a draw of 1.
    EXPECT_EQ(idleUntilFlyBy(), "New falconPosX : 251\n");
    EXPECT_EQ(frames, 4376);
    EXPECT_EQ(cues::started(1), std::vector<std::string>{"falcon"}) << "one fly-by, one cue";
}

} // namespace
