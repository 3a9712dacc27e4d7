// Mesh, the direct-drawn solids: primitive structure, exact values and single-precision rounding
// points, windings checked from the recorded vertices, and when their Texture arguments upload.
#include <array>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

#include <gtest/gtest.h>
#include <stb_image_write.h>

#include "GlRecorder.h"
#include "geometry/Mesh.h"

namespace {

using Vec3 = std::array<double, 3>;
using Shape = std::vector<std::pair<GLenum, std::size_t>>; // mode and vertex count per primitive

// A cross product smaller than this comes from float rounding of coincident points.
constexpr double degenerateArea = 1e-6;
// Recorded values are floats computed from double sines and cosines.
constexpr double floatTolerance = 1e-6;

Vec3 at(int vertex)
{
    const std::array<float, 3>& p = glrec::gl().vertices[vertex].object;
    return {p[0], p[1], p[2]};
}

Vec3 minus(const Vec3& a, const Vec3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
double dot(const Vec3& a, const Vec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
Vec3 cross(const Vec3& a, const Vec3& b)
{
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

// The triangles GL makes of a primitive, each in the winding GL gives it.
std::vector<std::array<int, 3>> trianglesOf(const glrec::Primitive& p)
{
    const std::vector<int>& v = p.vertices;
    std::vector<std::array<int, 3>> out;
    int n = static_cast<int>(v.size());
    for (int k = 0; p.mode == GL_QUADS && k + 3 < n; k += 4) {
        out.insert(out.end(), {{v[k], v[k + 1], v[k + 2]}, {v[k], v[k + 2], v[k + 3]}});
    }
    for (int k = 0; p.mode == GL_QUAD_STRIP && k + 3 < n; k += 2) {
        out.insert(out.end(), {{v[k], v[k + 1], v[k + 3]}, {v[k], v[k + 3], v[k + 2]}});
    }
    for (int k = 0; p.mode == GL_TRIANGLE_STRIP && k + 2 < n; ++k) { // odd triangles swap their first two
        out.push_back({v[k + k % 2], v[k + 1 - k % 2], v[k + 2]});
    }
    for (int k = 1; p.mode == GL_TRIANGLE_FAN && k + 1 < n; ++k) out.push_back({v[0], v[k], v[k + 1]});
    return out;
}

Shape repeat(GLenum mode, std::size_t count, int times) { return Shape(std::size_t(times), {mode, count}); }

// `bands` side strips of `strip` vertices, then two cap fans of `fan` (none for 0).
Shape capped(int bands, std::size_t strip, std::size_t fan)
{
    Shape shape = repeat(GL_TRIANGLE_STRIP, strip, bands);
    shape.insert(shape.end(), fan > 0 ? 2 : 0, {GL_TRIANGLE_FAN, fan});
    return shape;
}

class SolidsTest : public ::testing::Test {
protected:
    Mesh mesh;
    void SetUp() override { glrec::reset(); }
};

TEST_F(SolidsTest, EachSolidDrawsItsPrimitivesInOrder)
{
    const Texture none; // never loaded
    struct Case { const char* name; std::function<void(Mesh&)> draw; Shape shape; };
    const Case cases[] = {
        {"box", [&](Mesh& m) { m.createBox(2, 4, 6); m.drawBox(); }, repeat(GL_QUADS, 4, 6)},
        {"box on a short list", [&](Mesh& m) { m.vertices.resize(7); m.drawBox(); }, {}},
        {"trapeze", [&](Mesh& m) { m.drawTrapeze(2, 4, 6, 0.5, false); }, repeat(GL_QUADS, 4, 4)},
        {"trapeze, end faces", [&](Mesh& m) { m.drawTrapeze(2, 4, 6, 0.5, true); }, repeat(GL_QUADS, 4, 6)},
        {"cylinder", [&](Mesh& m) { m.drawCylinder(1, 4, 2, 1, true, none, none); }, capped(1, 10, 6)},
        {"cylinder, no caps", [&](Mesh& m) { m.drawCylinder(1, 4, 2, 1, false, none, none); }, capped(1, 10, 0)},
        {"cylinder, 3 bands", [&](Mesh& m) { m.drawCylinder(3, 5, 2, 1, true, none, none); }, capped(3, 12, 7)},
        {"cylinder, no band", [&](Mesh& m) { m.drawCylinder(0, 4, 2, 1, true, none, none); }, capped(0, 0, 6)},
        {"half cylinder, 16", [&](Mesh& m) { m.drawHalfCylinder(1, 16, 2, 1, true, none, none); }, capped(1, 18, 10)},
        {"half cylinder, 15", [&](Mesh& m) { m.drawHalfCylinder(1, 15, 2, 1, true, none, none); }, capped(1, 16, 9)},
        {"cone, 2 bands", [&](Mesh& m) { m.drawCone(2, 6, 2, 0.5f, 1, true, none, none); }, capped(2, 14, 8)},
        {"half sphere 24 x 32", [&](Mesh& m) { m.drawHalfSphere(2.5, 24, 32); }, repeat(GL_TRIANGLE_STRIP, 66, 12)},
        {"half sphere 1 x 32", [&](Mesh& m) { m.drawHalfSphere(2.5, 1, 32); }, {}},
        {"half sphere 13 x 8", [&](Mesh& m) { m.drawHalfSphere(1, 13, 8); }, repeat(GL_TRIANGLE_STRIP, 18, 6)},
        {"sphere 4 x 8", [&](Mesh& m) { m.drawSphere(1, 4, 8); }, repeat(GL_QUAD_STRIP, 18, 4)},
        {"axes", [&](Mesh& m) { m.displayAxe(); }, repeat(GL_LINES, 2, 3)},
        // Counts below 1 would divide a turn by zero: nothing is drawn.
        {"cylinder, 0 segments", [&](Mesh& m) { m.drawCylinder(1, 0, 2, 1, true, none, none); }, {}},
        {"half cylinder, -4", [&](Mesh& m) { m.drawHalfCylinder(1, -4, 2, 1, true, none, none); }, {}},
        {"cone, 0 segments", [&](Mesh& m) { m.drawCone(1, 0, 2, 1, 1, true, none, none); }, {}},
        {"sphere, 0 longitudes", [&](Mesh& m) { m.drawSphere(1, 4, 0); }, {}},
        {"half sphere, -1 longitudes", [&](Mesh& m) { m.drawHalfSphere(1, 4, -1); }, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        glrec::reset();
        Mesh fresh;
        c.draw(fresh);
        Shape shape;
        for (const glrec::Primitive& p : glrec::gl().primitives) shape.emplace_back(p.mode, p.vertices.size());
        EXPECT_EQ(shape, c.shape);
        EXPECT_EQ(glrec::gl().beginEndErrors, 0);
    }
}

// Front faces look away from the centre (or towards it), every recorded normal is a number and
// points away from the centre; degenerate triangles at poles and tips are skipped.
TEST_F(SolidsTest, FacesWindCounterClockwiseSeenFromOutsideExceptTheSphere)
{
    const Texture none; // never loaded
    struct Case { const char* name; std::function<void(Mesh&)> draw; double facing; }; // facing -1: front faces inwards
    const Case cases[] = {
        {"box", [&](Mesh& m) { m.createBox(2, 4, 6); m.drawBox(); }, +1},
        {"trapeze", [&](Mesh& m) { m.drawTrapeze(2, 4, 6, 0.5, true); }, +1},
        {"trapeze to a point", [&](Mesh& m) { m.drawTrapeze(1.7, 0.8, 0.75, 0, true); }, +1},
        {"cylinder", [&](Mesh& m) { m.drawCylinder(2, 16, 2, 1, true, none, none); }, +1},
        {"half cylinder", [&](Mesh& m) { m.drawHalfCylinder(1, 24, 0.75f, 0.85f, true, none, none); }, +1},
        {"cone", [&](Mesh& m) { m.drawCone(2, 32, 2, 0.5f, 1, true, none, none); }, +1},
        {"cone to a point", [&](Mesh& m) { m.drawCone(1, 12, 2, 0, 1, true, none, none); }, +1},
        {"cylinder of radius 0", [&](Mesh& m) { m.drawCylinder(1, 8, 2, 0, true, none, none); }, +1},
        {"half sphere", [&](Mesh& m) { m.drawHalfSphere(2.5, 24, 32); }, +1},
        {"half sphere, odd", [&](Mesh& m) { m.drawHalfSphere(0.22, 13, 12); }, +1},
        {"sphere", [&](Mesh& m) { m.drawSphere(1, 12, 12); }, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        glrec::reset();
        c.draw(mesh);
        const glrec::State& gl = glrec::gl();
        ASSERT_FALSE(gl.vertices.empty());
        for (const glrec::RecordedVertex& v : gl.vertices) {
            for (float k : v.normal) ASSERT_TRUE(std::isfinite(k));
            double outwards = v.normal[0] * v.object[0] + v.normal[1] * v.object[1] + v.normal[2] * v.object[2];
            EXPECT_GE(outwards, -floatTolerance);
        }
        for (const glrec::Primitive& p : gl.primitives) {
            for (const std::array<int, 3>& t : trianglesOf(p)) {
                Vec3 n = cross(minus(at(t[1]), at(t[0])), minus(at(t[2]), at(t[0])));
                if (std::sqrt(dot(n, n)) < degenerateArea) continue;
                // n is square to the triangle, so any of its points gives the plane's offset.
                EXPECT_GT(c.facing * dot(n, at(t[0])), 0) << "triangle from vertex " << t[0];
            }
        }
    }
}

void expectVertex(int index, const Vec3& position, const std::array<float, 4>& texCoord, const Vec3& normal)
{
    const glrec::RecordedVertex& v = glrec::gl().vertices[index];
    SCOPED_TRACE(index);
    for (int k = 0; k < 4; ++k) EXPECT_NEAR(v.texCoord[k], texCoord[k], floatTolerance);
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(v.object[k], position[k], floatTolerance);
        EXPECT_NEAR(v.normal[k], normal[k], floatTolerance);
    }
}

TEST_F(SolidsTest, BoxFirstFaceAndTrapezeSideCarryTheirExactValues)
{
    mesh.createBox(2, 4, 6);
    mesh.drawBox();
    expectVertex(0, {-1, -2, 3}, {0, 0, 0, 1}, {0, 0, 1});
    expectVertex(1, {1, -2, 3}, {1, 0, 0, 1}, {0, 0, 1});
    expectVertex(2, {1, 2, 3}, {1, 1, 0, 1}, {0, 0, 1});
    expectVertex(3, {-1, 2, 3}, {0, 1, 0, 1}, {0, 0, 1});
    expectVertex(4, {1, -2, -3}, {0, 0, 0, 1}, {0, 0, -1}); // the -z face starts at corner 5

    glrec::reset();
    mesh.drawTrapeze(2, 4, 6, 0.5, false);
    expectVertex(0, {0.5, 1, 3}, {0, 0, 0, 24}, {1, 0, 0});
    expectVertex(1, {0.5, -1, 3}, {24, 0, 0, 24}, {1, 0, 0});
    expectVertex(2, {1, -2, -3}, {48, 48, 0, 48}, {1, 0, 0});
    expectVertex(3, {1, 2, -3}, {0, 48, 0, 48}, {1, 0, 0});
    EXPECT_EQ(glrec::countCalls("glTexCoord2f"), 0);
}

TEST_F(SolidsTest, TrapezeEndFacesKeepTheCallersColourAndTheSidesTurnWhite)
{
    glColor3f(0.25f, 0.5f, 0.75f);
    mesh.drawTrapeze(2, 4, 6, 0.5, true);
    const glrec::State& gl = glrec::gl();
    ASSERT_EQ(gl.primitives.size(), 6u);
    for (std::size_t p = 0; p < 6; ++p) {
        for (int v : gl.primitives[p].vertices) {
            EXPECT_EQ(gl.vertices[v].color, (p < 2 ? std::array<float, 4>{0.25f, 0.5f, 0.75f, 1}
                                                   : std::array<float, 4>{1, 1, 1, 1})) << "primitive " << p;
        }
    }
    EXPECT_EQ(gl.vertices[0].normal, (std::array<float, 3>{0, 0, 1})); // the +z end first
    EXPECT_EQ(gl.vertices[4].normal, (std::array<float, 3>{0, 0, -1}));
    EXPECT_EQ(glrec::countCalls("glColor3f"), 2); // the test's own, then white once, inside the first side
    EXPECT_EQ(glrec::callNames()[glrec::findCall("glColor3f", 1) - 1], "glBegin");
}

TEST_F(SolidsTest, ValuesAreRoundedToFloatAtTheRightSteps)
{
    // Band height 1/3 is a float quotient: the second band's top is 0.5 - float(1/3), rounded.
    mesh.drawCylinder(3, 4, 1, 1, false, Texture(), Texture());
    const float secondTop = static_cast<float>(0.5 - static_cast<double>(1.0f / 3));
    ASSERT_NE(secondTop, static_cast<float>(0.5 - 1.0 / 3)); // the case tells the two apart
    EXPECT_EQ(glrec::gl().vertices[10].object[2], secondTop);
    EXPECT_EQ(glrec::gl().vertices[10].texCoord[1], 1.0f / 3); // the image spans all three bands
    // Half extents are rounded before the taper scales them; q is the double product, rounded.
    glrec::reset();
    mesh.drawTrapeze(0.1, 0.3, 0.7, 1.0 / 3, false);
    EXPECT_EQ(mesh.vertices[4].x, -static_cast<double>(0.05f));
    EXPECT_EQ(mesh.vertices[0].y, -static_cast<double>(static_cast<float>(0.3 / 2)) * (1.0 / 3));
    EXPECT_EQ(glrec::gl().vertices[2].texCoord[3], static_cast<float>(0.1 * 0.3 * 0.7));
}

TEST_F(SolidsTest, DisplayAxeDrawsThreeColouredUnitLinesAndKeepsItsPoints)
{
    mesh.createBox(1, 1, 1);
    mesh.displayAxe();
    EXPECT_EQ(mesh.vertices.size(), 4u);
    const glrec::State& gl = glrec::gl();
    std::vector<std::string> expected; // width and begin outside the pair, the colour inside
    for (std::array<float, 3> end : {std::array<float, 3>{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}) {
        int axis = static_cast<int>(expected.size() / 6);
        EXPECT_EQ(gl.vertices[2 * axis].object, (std::array<float, 3>{0, 0, 0}));
        EXPECT_EQ(gl.vertices[2 * axis + 1].object, end);
        EXPECT_EQ(gl.vertices[2 * axis + 1].color, (std::array<float, 4>{end[0], end[1], end[2], 1}));
        expected.insert(expected.end(), {"glLineWidth", "glBegin", "glColor3f", "glVertex3f", "glVertex3f", "glEnd"});
    }
    EXPECT_EQ(glrec::callNames(), expected);
    EXPECT_EQ(gl.color, (std::array<float, 4>{0, 0, 1, 1}));
    EXPECT_EQ(gl.lineWidth, 2.0f);
}

TEST_F(SolidsTest, OnlyLoadedTexturesAreUploadedSideBeforeWallCapBeforeCaps)
{
    auto loadImage = [](const std::string& name, unsigned char shade) { // 4 by 2 RGB of one shade: its own checksum
        std::vector<unsigned char> pixels(4 * 2 * 3, shade);
        std::string path = testing::TempDir() + "robotscene-solids-" + name + std::to_string(::getpid()) + ".png";
        stbi_write_png(path.c_str(), 4, 2, 3, pixels.data(), 4 * 3);
        Texture texture;
        texture.load(path);
        std::remove(path.c_str());
        return texture;
    };
    Texture side = loadImage("side", 40), cap = loadImage("cap", 200);
    side.bind();
    cap.bind();
    const std::uint64_t sideSum = glrec::gl().uploads[0].checksum, capSum = glrec::gl().uploads[1].checksum;
    ASSERT_NE(sideSum, capSum);
    using Draw = std::function<void(Mesh&, Texture, Texture)>;
    const std::pair<const char*, Draw> solids[] = {
        {"cylinder", [](Mesh& m, Texture s, Texture c) { m.drawCylinder(1, 8, 1, 1, true, s, c); }},
        {"half cylinder", [](Mesh& m, Texture s, Texture c) { m.drawHalfCylinder(1, 8, 1, 1, true, s, c); }},
        {"cone", [](Mesh& m, Texture s, Texture c) { m.drawCone(1, 8, 1, 0.5f, 1, true, s, c); }},
    };
    for (const auto& [name, draw] : solids) {
        SCOPED_TRACE(name);
        glrec::reset();
        draw(mesh, Texture(), Texture());
        EXPECT_EQ(glrec::countCalls("glTexImage2D"), 0);

        glrec::reset();
        draw(mesh, side, cap);
        const glrec::State& gl = glrec::gl();
        ASSERT_EQ(gl.uploads.size(), 2u);
        EXPECT_EQ(gl.uploads[0].checksum, sideSum);
        EXPECT_EQ(gl.uploads[1].checksum, capSum);
        int capUpload = glrec::findCall("glTexImage2D", glrec::findCall("glTexImage2D") + 1);
        EXPECT_LT(glrec::findCall("glTexImage2D"), glrec::findCall("glBegin"));
        EXPECT_GT(capUpload, glrec::findCall("glEnd"));
        EXPECT_LT(capUpload, glrec::findCall("glBegin", glrec::findCall("glEnd")));
    }
    glrec::reset();
    mesh.drawCylinder(1, 8, 1, 1, false, Texture(), cap); // no caps: the cap image is not sent
    EXPECT_EQ(glrec::countCalls("glTexImage2D"), 0);
}

} // namespace
