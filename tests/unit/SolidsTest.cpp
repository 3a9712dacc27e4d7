// Mesh, the direct-drawn solids: primitive structure, exact values and single-precision rounding
// points, windings checked from the recorded vertices, and when their Texture arguments upload.
#include <array>
#include <cmath>
#include <filesystem>
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
    if (p.mode == GL_QUADS) {
        for (int k = 0; k + 3 < n; k += 4) {
            out.push_back({v[k], v[k + 1], v[k + 2]});
            out.push_back({v[k], v[k + 2], v[k + 3]});
        }
    } else if (p.mode == GL_QUAD_STRIP) {
        for (int k = 0; k + 3 < n; k += 2) {
            out.push_back({v[k], v[k + 1], v[k + 3]});
            out.push_back({v[k], v[k + 3], v[k + 2]});
        }
    } else if (p.mode == GL_TRIANGLE_STRIP) {
        for (int k = 0; k + 2 < n; ++k) {
            out.push_back(k % 2 == 0 ? std::array<int, 3>{v[k], v[k + 1], v[k + 2]}
                                     : std::array<int, 3>{v[k + 1], v[k], v[k + 2]});
        }
    } else if (p.mode == GL_TRIANGLE_FAN) {
        for (int k = 1; k + 1 < n; ++k) {
            out.push_back({v[0], v[k], v[k + 1]});
        }
    }
    return out;
}

Shape shapeOf(const glrec::State& gl)
{
    Shape shape;
    for (const glrec::Primitive& p : gl.primitives) {
        shape.emplace_back(p.mode, p.vertices.size());
    }
    return shape;
}

Shape repeat(GLenum mode, std::size_t count, int times)
{
    return Shape(static_cast<std::size_t>(times), {mode, count});
}

class SolidsTest : public ::testing::Test {
protected:
    Mesh mesh;
    void SetUp() override { glrec::reset(); }
};

TEST_F(SolidsTest, EachSolidDrawsItsPrimitivesInOrder)
{
    struct Case {
        const char* name;
        std::function<void(Mesh&)> draw;
        Shape shape;
    };
    const Case cases[] = {
        {"box", [](Mesh& m) { m.createBox(2, 4, 6); m.drawBox(); }, repeat(GL_QUADS, 4, 6)},
        {"box on a short list", [](Mesh& m) { m.vertices.resize(7); m.drawBox(); }, {}},
        {"trapeze", [](Mesh& m) { m.drawTrapeze(2, 4, 6, 0.5, false); }, repeat(GL_QUADS, 4, 4)},
        {"trapeze with end faces", [](Mesh& m) { m.drawTrapeze(2, 4, 6, 0.5, true); }, repeat(GL_QUADS, 4, 6)},
        {"cylinder", [](Mesh& m) { m.drawCylinder(1, 4, 2, 1, true, Texture(), Texture()); },
         {{GL_TRIANGLE_STRIP, 10}, {GL_TRIANGLE_FAN, 6}, {GL_TRIANGLE_FAN, 6}}},
        {"cylinder without caps", [](Mesh& m) { m.drawCylinder(1, 4, 2, 1, false, Texture(), Texture()); },
         {{GL_TRIANGLE_STRIP, 10}}},
        {"cylinder of 3 bands", [](Mesh& m) { m.drawCylinder(3, 5, 2, 1, false, Texture(), Texture()); },
         repeat(GL_TRIANGLE_STRIP, 12, 3)},
        {"cylinder of no band", [](Mesh& m) { m.drawCylinder(0, 4, 2, 1, true, Texture(), Texture()); },
         repeat(GL_TRIANGLE_FAN, 6, 2)},
        {"half cylinder, 16", [](Mesh& m) { m.drawHalfCylinder(1, 16, 2, 1, true, Texture(), Texture()); },
         {{GL_TRIANGLE_STRIP, 18}, {GL_TRIANGLE_FAN, 10}, {GL_TRIANGLE_FAN, 10}}},
        {"half cylinder, 15", [](Mesh& m) { m.drawHalfCylinder(1, 15, 2, 1, true, Texture(), Texture()); },
         {{GL_TRIANGLE_STRIP, 16}, {GL_TRIANGLE_FAN, 9}, {GL_TRIANGLE_FAN, 9}}},
        {"cone of 2 bands", [](Mesh& m) { m.drawCone(2, 6, 2, 0.5f, 1, true, Texture(), Texture()); },
         {{GL_TRIANGLE_STRIP, 14}, {GL_TRIANGLE_STRIP, 14}, {GL_TRIANGLE_FAN, 8}, {GL_TRIANGLE_FAN, 8}}},
        {"half sphere 24 x 32", [](Mesh& m) { m.drawHalfSphere(2.5, 24, 32); },
         repeat(GL_TRIANGLE_STRIP, 66, 12)},
        {"half sphere 1 x 32", [](Mesh& m) { m.drawHalfSphere(2.5, 1, 32); }, {}},
        {"half sphere 13 x 8", [](Mesh& m) { m.drawHalfSphere(1, 13, 8); }, repeat(GL_TRIANGLE_STRIP, 18, 6)},
        {"sphere 4 x 8", [](Mesh& m) { m.drawSphere(1, 4, 8); }, repeat(GL_QUAD_STRIP, 18, 4)},
        {"axes", [](Mesh& m) { m.displayAxe(); }, repeat(GL_LINES, 2, 3)},
        // Counts below 1 would divide a turn by zero: nothing is drawn.
        {"cylinder of 0 segments", [](Mesh& m) { m.drawCylinder(1, 0, 2, 1, true, Texture(), Texture()); }, {}},
        {"half cylinder of -4",
         [](Mesh& m) { m.drawHalfCylinder(1, -4, 2, 1, true, Texture(), Texture()); }, {}},
        {"cone of 0 segments", [](Mesh& m) { m.drawCone(1, 0, 2, 1, 1, true, Texture(), Texture()); }, {}},
        {"sphere of 0 longitudes", [](Mesh& m) { m.drawSphere(1, 4, 0); }, {}},
        {"half sphere of -1 longitudes", [](Mesh& m) { m.drawHalfSphere(1, 4, -1); }, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        glrec::reset();
        Mesh fresh;
        c.draw(fresh);
        EXPECT_EQ(shapeOf(glrec::gl()), c.shape);
        EXPECT_EQ(glrec::gl().beginEndErrors, 0);
    }
}

// Front faces look away from the centre (or towards it), every recorded normal is a number and
// points away from the centre; degenerate triangles at poles and tips are skipped.
TEST_F(SolidsTest, FacesWindCounterClockwiseSeenFromOutsideExceptTheSphere)
{
    struct Case {
        const char* name;
        std::function<void(Mesh&)> draw;
        double facing; // +1 front faces outwards, -1 inwards
    };
    const Case cases[] = {
        {"box", [](Mesh& m) { m.createBox(2, 4, 6); m.drawBox(); }, +1},
        {"trapeze", [](Mesh& m) { m.drawTrapeze(2, 4, 6, 0.5, true); }, +1},
        {"trapeze to a point", [](Mesh& m) { m.drawTrapeze(1.7, 0.8, 0.75, 0, true); }, +1},
        {"cylinder", [](Mesh& m) { m.drawCylinder(2, 16, 2, 1, true, Texture(), Texture()); }, +1},
        {"half cylinder",
         [](Mesh& m) { m.drawHalfCylinder(1, 24, 0.75f, 0.85f, true, Texture(), Texture()); }, +1},
        {"cone", [](Mesh& m) { m.drawCone(2, 32, 2, 0.5f, 1, true, Texture(), Texture()); }, +1},
        {"cone to a point", [](Mesh& m) { m.drawCone(1, 12, 2, 0, 1, true, Texture(), Texture()); }, +1},
        {"cylinder of radius 0", [](Mesh& m) { m.drawCylinder(1, 8, 2, 0, true, Texture(), Texture()); }, +1},
        {"half sphere", [](Mesh& m) { m.drawHalfSphere(2.5, 24, 32); }, +1},
        {"half sphere, odd", [](Mesh& m) { m.drawHalfSphere(0.22, 13, 12); }, +1},
        {"sphere", [](Mesh& m) { m.drawSphere(1, 12, 12); }, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        glrec::reset();
        c.draw(mesh);
        const glrec::State& gl = glrec::gl();
        ASSERT_FALSE(gl.vertices.empty());
        for (const glrec::RecordedVertex& v : gl.vertices) {
            Vec3 normal{v.normal[0], v.normal[1], v.normal[2]};
            ASSERT_TRUE(std::isfinite(normal[0]) && std::isfinite(normal[1]) && std::isfinite(normal[2]));
            EXPECT_GE(dot(normal, {v.object[0], v.object[1], v.object[2]}), -floatTolerance);
        }
        for (const glrec::Primitive& p : gl.primitives) {
            for (const std::array<int, 3>& t : trianglesOf(p)) {
                Vec3 n = cross(minus(at(t[1]), at(t[0])), minus(at(t[2]), at(t[0])));
                if (std::sqrt(dot(n, n)) < degenerateArea) {
                    continue;
                }
                Vec3 centroid{(at(t[0])[0] + at(t[1])[0] + at(t[2])[0]) / 3,
                              (at(t[0])[1] + at(t[1])[1] + at(t[2])[1]) / 3,
                              (at(t[0])[2] + at(t[1])[2] + at(t[2])[2]) / 3};
                EXPECT_GT(c.facing * dot(n, centroid), 0) << "triangle from vertex " << t[0];
            }
        }
    }
}

void expectVertex(int index, const Vec3& position, const std::array<float, 4>& texCoord, const Vec3& normal)
{
    const glrec::RecordedVertex& v = glrec::gl().vertices[index];
    SCOPED_TRACE(index);
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(v.object[k], position[k], floatTolerance);
        EXPECT_NEAR(v.normal[k], normal[k], floatTolerance);
    }
    for (int k = 0; k < 4; ++k) {
        EXPECT_NEAR(v.texCoord[k], texCoord[k], floatTolerance);
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
    ASSERT_EQ(mesh.vertices.size(), 8u); // the list now holds the trapeze's corners
    EXPECT_EQ(mesh.vertices[0].x, -0.5);
    EXPECT_EQ(mesh.vertices[4].z, -3);
}

TEST_F(SolidsTest, TrapezeEndFacesKeepTheCallersColourAndTheSidesTurnWhite)
{
    glColor3f(0.25f, 0.5f, 0.75f);
    mesh.drawTrapeze(2, 4, 6, 0.5, true);
    const glrec::State& gl = glrec::gl();
    ASSERT_EQ(gl.primitives.size(), 6u);
    for (std::size_t p = 0; p < 6; ++p) {
        std::array<float, 4> expected = p < 2 ? std::array<float, 4>{0.25f, 0.5f, 0.75f, 1}
                                              : std::array<float, 4>{1, 1, 1, 1};
        for (int v : gl.primitives[p].vertices) {
            EXPECT_EQ(gl.vertices[v].color, expected) << "primitive " << p;
        }
    }
    EXPECT_EQ(gl.vertices[0].normal, (std::array<float, 3>{0, 0, 1}));
    EXPECT_EQ(gl.vertices[4].normal, (std::array<float, 3>{0, 0, -1}));
    EXPECT_EQ(gl.color, (std::array<float, 4>{1, 1, 1, 1}));
    EXPECT_EQ(glrec::countCalls("glColor3f"), 2); // the test's own, then white once
    std::vector<std::string> names = glrec::callNames();
    int white = glrec::findCall("glColor3f", 1); // first thing inside the first side
    ASSERT_GT(white, 0);
    EXPECT_EQ(names[white - 1], "glBegin");
    EXPECT_EQ(names[white + 1], "glNormal3f");
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

TEST_F(SolidsTest, CylinderFamilyPlacesRadiiNormalsAndTextureCoordinates)
{
    // drawCylinder(1, 4, 2, 1): one band from z = 1 to z = -1, then caps.
    mesh.drawCylinder(1, 4, 2, 1, true, Texture(), Texture());
    expectVertex(0, {1, 0, 1}, {0, 0, 0, 1}, {1, 0, 0});
    expectVertex(1, {1, 0, -1}, {0, 1, 0, 1}, {1, 0, 0});
    expectVertex(2, {0, 1, 1}, {0.25f, 0, 0, 1}, {0, 1, 0});
    expectVertex(9, {1, 0, -1}, {1, 1, 0, 1}, {1, 0, 0});
    expectVertex(10, {0, 0, 1}, {0.5f, 0.5f, 0, 1}, {0, 0, 1}); // top centre
    expectVertex(12, {0, 1, 1}, {0.5f, 1, 0, 1}, {0, 0, 1});
    expectVertex(16, {0, 0, -1}, {0.5f, 0.5f, 0, 1}, {0, 0, -1}); // bottom centre
    expectVertex(18, {0, -1, -1}, {0.5f, 0, 0, 1}, {0, 0, -1}); // bottom rim runs backwards

    // The half-cylinder's image spans the half turn and each band once.
    glrec::reset();
    mesh.drawHalfCylinder(2, 8, 2, 1, false, Texture(), Texture());
    expectVertex(2, {std::sqrt(0.5), std::sqrt(0.5), 1}, {0.25f, 0, 0, 1}, {std::sqrt(0.5), std::sqrt(0.5), 0});
    expectVertex(10, {1, 0, 0}, {0, 1, 0, 1}, {1, 0, 0});
    expectVertex(19, {-1, 0, -1}, {1, 2, 0, 1}, {-1, 0, 0});

    // The cone's upper edge and top cap use the top radius, its lower edge and bottom cap the
    // bottom radius; side normals stay horizontal. A zero radius gives the angle's direction.
    glrec::reset();
    mesh.drawCone(1, 4, 2, 0, 2, true, Texture(), Texture());
    expectVertex(0, {0, 0, 1}, {0, 0, 0, 1}, {1, 0, 0});
    expectVertex(1, {2, 0, -1}, {0, 1, 0, 1}, {1, 0, 0});
    expectVertex(2, {0, 0, 1}, {0.25f, 0, 0, 1}, {0, 1, 0});
    expectVertex(3, {0, 2, -1}, {0.25f, 1, 0, 1}, {0, 1, 0});
    expectVertex(11, {0, 0, 1}, {1, 0.5f, 0, 1}, {0, 0, 1});
    expectVertex(17, {2, 0, -1}, {1, 0.5f, 0, 1}, {0, 0, -1});
}

TEST_F(SolidsTest, SpheresRunFromTheSouthPoleAndOnlyTheHalfSphereIsTextured)
{
    const double r = 2.5;
    mesh.drawHalfSphere(r, 24, 32);
    const glrec::State& gl = glrec::gl();
    // j = 0 is one step before 0 longitude, with x mirrored.
    expectVertex(0, {0, 0, -r}, {0, 0, 0, 1}, {0, 0, -1});
    const double lat = M_PI * (1.0 / 24 - 0.5);
    const double lng = -2 * M_PI / 32;
    const Vec3 normal{-std::cos(lng) * std::cos(lat), std::sin(lng) * std::cos(lat), std::sin(lat)};
    expectVertex(1, {r * normal[0], r * normal[1], r * normal[2]}, {0, 1.0f / 24, 0, 1}, normal);
    EXPECT_NEAR(gl.vertices.back().object[2], 0, floatTolerance); // rim on the equator
    EXPECT_NEAR(gl.vertices.back().texCoord[1], 0.5, floatTolerance);

    glrec::reset();
    mesh.drawHalfSphere(1, 13, 8);
    EXPECT_NEAR(glrec::gl().vertices.back().object[2], std::sin(M_PI * (6.0 / 13 - 0.5)), floatTolerance);

    glrec::reset();
    glTexCoord2f(0.3f, 0.6f);
    mesh.drawSphere(r, 4, 8);
    EXPECT_EQ(glrec::countCalls("glTexCoord2f"), 1); // the test's own
    expectVertex(0, {0, 0, -r}, {0.3f, 0.6f, 0, 1}, {0, 0, -1});
    EXPECT_NEAR(glrec::gl().vertices.back().object[2], r, floatTolerance); // ends on the north pole
}

TEST_F(SolidsTest, DisplayAxeDrawsThreeColouredUnitLinesAndKeepsItsPoints)
{
    mesh.createBox(1, 1, 1);
    mesh.displayAxe();
    ASSERT_EQ(mesh.vertices.size(), 4u);
    const glrec::State& gl = glrec::gl();
    const std::array<float, 3> ends[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    for (int axis = 0; axis < 3; ++axis) {
        const glrec::RecordedVertex& end = gl.vertices[2 * axis + 1];
        EXPECT_EQ(gl.vertices[2 * axis].object, (std::array<float, 3>{0, 0, 0}));
        EXPECT_EQ(end.object, ends[axis]);
        EXPECT_EQ(end.color, (std::array<float, 4>{ends[axis][0], ends[axis][1], ends[axis][2], 1}));
    }
    EXPECT_EQ(gl.color, (std::array<float, 4>{0, 0, 1, 1}));
    EXPECT_EQ(gl.lineWidth, 2.0f);
    // Width and begin outside the pair, the colour inside it; no normal, no texture coordinate.
    std::vector<std::string> expected;
    for (int axis = 0; axis < 3; ++axis) {
        expected.insert(expected.end(),
                        {"glLineWidth", "glBegin", "glColor3f", "glVertex3f", "glVertex3f", "glEnd"});
    }
    EXPECT_EQ(glrec::callNames(), expected);
}

class SolidTextureTest : public SolidsTest {
protected:
    std::filesystem::path dir;

    void SetUp() override
    {
        SolidsTest::SetUp();
        dir = std::filesystem::path(testing::TempDir()) / ("robotscene-solids-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    // A 4 by 2 RGB image of one shade, so two images give two checksums.
    Texture loadImage(const std::string& name, unsigned char shade)
    {
        std::vector<unsigned char> pixels(4 * 2 * 3, shade);
        std::string path = (dir / name).string();
        stbi_write_png(path.c_str(), 4, 2, 3, pixels.data(), 4 * 3);
        Texture texture;
        texture.load(path);
        return texture;
    }
};

TEST_F(SolidTextureTest, OnlyLoadedTexturesAreUploadedSideBeforeWallCapBeforeCaps)
{
    using Draw = std::function<void(Mesh&, Texture, Texture)>;
    const std::pair<const char*, Draw> solids[] = {
        {"cylinder", [](Mesh& m, Texture s, Texture c) { m.drawCylinder(1, 8, 1, 1, true, s, c); }},
        {"half cylinder", [](Mesh& m, Texture s, Texture c) { m.drawHalfCylinder(1, 8, 1, 1, true, s, c); }},
        {"cone", [](Mesh& m, Texture s, Texture c) { m.drawCone(1, 8, 1, 0.5f, 1, true, s, c); }},
    };
    Texture side = loadImage("side.png", 40);
    Texture cap = loadImage("cap.png", 200);
    for (const auto& [name, draw] : solids) {
        SCOPED_TRACE(name);
        glrec::reset();
        draw(mesh, Texture(), Texture());
        EXPECT_EQ(glrec::countCalls("glTexImage2D"), 0);

        glrec::reset();
        draw(mesh, side, cap);
        const glrec::State& gl = glrec::gl();
        ASSERT_EQ(gl.uploads.size(), 2u);
        EXPECT_LT(glrec::findCall("glTexImage2D"), glrec::findCall("glBegin"));
        int capUpload = glrec::findCall("glTexImage2D", glrec::findCall("glTexImage2D") + 1);
        EXPECT_GT(capUpload, glrec::findCall("glEnd"));
        EXPECT_LT(capUpload, glrec::findCall("glBegin", glrec::findCall("glEnd")));
        std::uint64_t sideSum = gl.uploads[0].checksum;
        std::uint64_t capSum = gl.uploads[1].checksum;
        EXPECT_NE(sideSum, capSum);

        // The copies are gone; the caller's textures still hold their pixels.
        glrec::reset();
        side.bind();
        cap.bind();
        ASSERT_EQ(glrec::gl().uploads.size(), 2u);
        EXPECT_EQ(glrec::gl().uploads[0].checksum, sideSum);
        EXPECT_EQ(glrec::gl().uploads[1].checksum, capSum);
        EXPECT_FALSE(glrec::gl().uploads[0].nullPixels);
    }

    glrec::reset();
    mesh.drawCylinder(1, 8, 1, 1, false, Texture(), cap); // no caps: the cap image is not sent
    EXPECT_EQ(glrec::countCalls("glTexImage2D"), 0);
}

} // namespace
