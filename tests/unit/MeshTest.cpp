// Geometry: the generators' vertex lists, and the solids the robot and the sky box are made of
// (their primitives, landmark vertices with texture coordinates and normals, which side faces out,
// and which images they upload). drawQuads is seen drawing the environment's pictures in
// EnvironmentTest. Routines that nothing in the program calls are left out, but for the segment
// counts of the wall generators.
#include <array>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Fixtures.h"
#include "GlRecorder.h"
#include "geometry/Mesh.h"
#include "gl/Assembly.h"

namespace {

using glrec::Vec3;
using Layout = std::vector<std::pair<GLenum, std::size_t>>; // mode and vertex count per primitive

// Values come from double sines and cosines (cos(pi/2) is 6e-17, not 0) and are narrowed to float.
constexpr double tolerance = 1e-6;
// A cross product smaller than this comes from float rounding of coincident points.
constexpr double degenerateArea = 1e-6;

using glrec::cross, glrec::dot, glrec::minus;
Vec3 at(int recorded) { const auto& p = glrec::gl().vertices[recorded].object; return {p[0], p[1], p[2]}; }

TEST(MeshGeneratorTest, GeneratorsReplaceTheListWithTheirLandmarks)
{
    using Expected = std::vector<std::pair<int, Vertex>>; // index, value
    struct Case { const char* name; std::function<void(Mesh&)> build; std::size_t count; Expected expected; };
    const Case cases[] = {
        {"plane 51.2 x 12.8", [](Mesh& m) { m.createPlane(51.2, 12.8, 1); }, 4,
         {{0, {-25.6, 0, 6.4, 0, 1}}, {1, {25.6, 0, 6.4, 1, 1}}, {2, {25.6, 0, -6.4, 1, 0}}, {3, {-25.6, 0, -6.4, 0, 0}}}},
        {"box 2 x 4 x 6", [](Mesh& m) { m.createBox(2, 4, 6); }, 8,
         {{0, {-1, -2, 3}}, {1, {1, -2, 3}}, {2, {1, 2, 3}}, {3, {-1, 2, 3}}, {4, {-1, -2, -3}},
          {5, {1, -2, -3}}, {6, {1, 2, -3}}, {7, {-1, 2, -3}}}},
        // A fraction of a segment still makes a quad: for 0.5 it spans two turns. The cylinder is the
        // cone of equal radii: its guard for no segments is the cone's.
        {"cylinder, 0.5 segments", [](Mesh& m) { m.createCylinder(1, 2, 0.5, 1); }, 4,
         {{0, {1, -1, 0, 2, 1}}, {1, {1, -1, 0, 0, 1}}, {2, {1, 1, 0, 0, 0}}, {3, {1, 1, 0, 2, 0}}}},
        {"cone, 0.5 segments", [](Mesh& m) { m.createCone(2, 1, 4, 0.5, 1); }, 4, {{1, {2, -2, 0, 0, 1}}, {3, {1, 2, 0, 2, 0}}}},
        {"cone, 0 segments", [](Mesh& m) { m.createCone(2, 1, 4, 0, 1); }, 0, {}},
        {"cone, -1 segments", [](Mesh& m) { m.createCone(2, 1, 4, -1, 1); }, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Mesh mesh;
        mesh.vertices.assign(5, Vertex(7, 7, 7, 7, 7)); // whatever was there before must go
        c.build(mesh);
        ASSERT_EQ(mesh.vertices.size(), c.count);
        auto values = [](const Vertex& v) { return std::array<double, 5>{v.x, v.y, v.z, v.u, v.v}; };
        for (const auto& [index, e] : c.expected) {
            fixtures::expectNear(values(mesh.vertices[index]), values(e), tolerance, "x, y, z, u, v");
        }
    }
}

// The triangles GL makes of a recorded primitive, each in the winding GL gives it, as recorded
// vertex indices: the page's assembly, unit-tested against GL's rules in GlAssemblyTest.
std::vector<std::array<int, 3>> trianglesOf(const glrec::Primitive& p)
{
    std::vector<Shape> shapes;
    assemble(Primitive(p.mode), std::vector<glmath::Vec4<float>>(p.vertices.size()), {PolygonMode::Fill, false, CullFace::Back}, shapes);
    std::vector<std::array<int, 3>> out;
    for (const Shape& t : shapes) out.push_back({p.vertices[t.vertices[0]], p.vertices[t.vertices[1]], p.vertices[t.vertices[2]]});
    return out;
}

Layout repeat(GLenum mode, std::size_t count, int times) { return Layout(std::size_t(times), {mode, count}); }

// One side strip of `strip` vertices, then two cap fans of `fan` (none for 0).
Layout capped(std::size_t strip, std::size_t fan)
{
    Layout shape{{GL_TRIANGLE_STRIP, strip}};
    return shape.insert(shape.end(), fan > 0 ? 2 : 0, {GL_TRIANGLE_FAN, fan}), shape;
}

// Each solid's primitives, and landmarks: position, texture coordinate (s, t, r, q) and normal of
// chosen recorded vertices. Front faces look away from the centre and every normal points
// outwards; degenerate triangles at poles and seams are skipped. Every vertex keeps the caller's
// colour, but for the trapeze's sides, which are white (after its end faces, if drawn).
TEST(SolidsTest, EachSolidDrawsItsPrimitivesAndLandmarksWoundOutwardsInTheCallersColour)
{
    Mesh mesh;
    struct Mark { int index; Vec3 position; std::array<float, 2> st; Vec3 normal; float q = 1; };
    struct Case {
        const char* name; std::function<void(Mesh&)> draw; Layout shape; std::vector<Mark> marks;
        std::size_t whiteFrom = std::size_t(-1); // the first vertex drawn white
    };
    const Texture none; // never loaded
    const double h = 2.5 * std::cos(pi / 24), hz = -2.5 * std::sin(pi / 24); // a step below the rim
    const Case cases[] = {
        // The image's corner (0, 0) on the first corner of each face, the rest of the +z face.
        {"box", [](Mesh& m) { m.createBox(2, 4, 6); m.drawBox(); }, repeat(GL_QUADS, 4, 6),
         {{0, {-1, -2, 3}, {0, 0}, {0, 0, 1}}, {1, {1, -2, 3}, {1, 0}, {0, 0, 1}}, {2, {1, 2, 3}, {1, 1}, {0, 0, 1}},
          {3, {-1, 2, 3}, {0, 1}, {0, 0, 1}}, {4, {1, -2, -3}, {0, 0}, {0, 0, -1}}, {8, {1, -2, 3}, {0, 0}, {1, 0, 0}},
          {12, {-1, -2, 3}, {0, 0}, {-1, 0, 0}}, {16, {-1, 2, 3}, {0, 0}, {0, 1, 0}},
          {20, {1, -2, 3}, {0, 0}, {0, -1, 0}}}},
        // q is the volume at the large end and the volume times the scale at the small end.
        {"trapeze sides", [](Mesh& m) { m.drawTrapeze(2, 4, 6, 0.5, false); }, repeat(GL_QUADS, 4, 4),
         {{0, {0.5, 1, 3}, {0, 0}, {1, 0, 0}, 24}, {1, {0.5, -1, 3}, {24, 0}, {1, 0, 0}, 24},
          {2, {1, -2, -3}, {48, 48}, {1, 0, 0}, 48}, {3, {1, 2, -3}, {0, 48}, {1, 0, 0}, 48},
          {4, {-0.5, -1, 3}, {0, 0}, {-1, 0, 0}, 24}, {8, {-0.5, 1, 3}, {0, 0}, {0, 1, 0}, 24},
          {12, {0.5, -1, 3}, {0, 0}, {0, -1, 0}, 24}}, 0},
        {"trapeze with end faces", [](Mesh& m) { m.drawTrapeze(2, 4, 6, 0.5, true); }, repeat(GL_QUADS, 4, 6),
         {{0, {-0.5, -1, 3}, {0, 0}, {0, 0, 1}}, {4, {1, -2, -3}, {0, 0}, {0, 0, -1}}}, 8},
        {"cylinder r 2, h 3", [&](Mesh& m) { m.drawCylinder(1, 4, 3, 2, true, none, none); }, capped(10, 6),
         {{0, {2, 0, 1.5}, {0, 0}, {1, 0, 0}}, {1, {2, 0, -1.5}, {0, 1}, {1, 0, 0}}, {2, {0, 2, 1.5}, {.25, 0}, {0, 1, 0}},
          {9, {2, 0, -1.5}, {1, 1}, {1, 0, 0}}, {10, {0, 0, 1.5}, {0.5, 0.5}, {0, 0, 1}}, {11, {2, 0, 1.5}, {1, 0.5}, {0, 0, 1}},
          {12, {0, 2, 1.5}, {0.5, 1}, {0, 0, 1}}, {16, {0, 0, -1.5}, {0.5, 0.5}, {0, 0, -1}}, {17, {2, 0, -1.5}, {1, 0.5}, {0, 0, -1}},
          {18, {0, -2, -1.5}, {0.5, 0}, {0, 0, -1}}}},
        {"cylinder without caps", [&](Mesh& m) { m.drawCylinder(1, 4, 3, 2, false, none, none); }, capped(10, 0), {}},
        // The guards at their edge: one segment, longitude or eighth corner is drawn, none is not.
        {"cylinder of 1 segment", [&](Mesh& m) { m.drawCylinder(1, 1, 3, 2, true, none, none); }, capped(4, 3), {}},
        {"cylinder of 0 segments", [&](Mesh& m) { m.drawCylinder(1, 0, 3, 2, true, none, none); }, {}, {}},
        {"half sphere of 1 longitude", [](Mesh& m) { m.drawHalfSphere(2.5, 24, 1); }, repeat(GL_TRIANGLE_STRIP, 4, 12), {}},
        {"half sphere of 0 longitudes", [](Mesh& m) { m.drawHalfSphere(2.5, 24, 0); }, {}, {}},
        {"box of 7 corners", [](Mesh& m) { m.vertices.assign(7, Vertex(1, 1, 1, 0, 0)); m.drawBox(); }, {}, {}},
        // The half turn from +x to -x carries the whole image; the caps are half discs.
        {"half cylinder", [&](Mesh& m) { m.drawHalfCylinder(1, 8, 2, 1, true, none, none); }, capped(10, 6),
         {{0, {1, 0, 1}, {0, 0}, {1, 0, 0}}, {8, {-1, 0, 1}, {1, 0}, {-1, 0, 0}}, {9, {-1, 0, -1}, {1, 1}, {-1, 0, 0}},
          {15, {-1, 0, 1}, {0, 0.5}, {0, 0, 1}}, {17, {-1, 0, -1}, {0, 0.5}, {0, 0, -1}},
          {21, {1, 0, -1}, {1, 0.5}, {0, 0, -1}}}},
        {"cone, top r 0.5, bottom r 1", [&](Mesh& m) { m.drawCone(1, 4, 2, 0.5f, 1, true, none, none); }, capped(10, 6),
         {{0, {.5, 0, 1}, {0, 0}, {1, 0, 0}}, {1, {1, 0, -1}, {0, 1}, {1, 0, 0}}, {2, {0, .5, 1}, {.25, 0}, {0, 1, 0}},
          {11, {0.5, 0, 1}, {1, 0.5}, {0, 0, 1}}, {17, {1, 0, -1}, {1, 0.5}, {0, 0, -1}}}},
        // x is mirrored: longitude 0 is at -x. The rows run from t = 0 at the pole to 0.5 at the rim.
        {"half sphere", [](Mesh& m) { m.drawHalfSphere(2.5, 24, 32); }, repeat(GL_TRIANGLE_STRIP, 66, 12),
         {{0, {0, 0, -2.5}, {0, 0}, {0, 0, -1}}, {728, {-h, 0, hz}, {1 / 32.0f, 11 / 24.0f}, {-h / 2.5, 0, hz / 2.5}},
          {729, {-2.5, 0, 0}, {1 / 32.0f, 0.5}, {-1, 0, 0}}, {745, {0, 2.5, 0}, {9 / 32.0f, 0.5}, {0, 1, 0}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        glrec::reset();
        glColor3f(0.25f, 0.5f, 0.75f);
        c.draw(mesh);
        const glrec::State& gl = glrec::gl();
        Layout shape;
        for (const glrec::Primitive& p : gl.primitives) shape.emplace_back(p.mode, p.vertices.size());
        EXPECT_EQ(shape, c.shape);
        EXPECT_EQ(gl.beginEndErrors, 0);
        for (const Mark& mark : c.marks) {
            SCOPED_TRACE(mark.index);
            ASSERT_LT(std::size_t(mark.index), gl.vertices.size());
            const glrec::RecordedVertex& v = gl.vertices[mark.index];
            fixtures::expectNear(v.texCoord, std::array<float, 4>{mark.st[0], mark.st[1], 0, mark.q}, tolerance, "s, t, r, q");
            fixtures::expectNear(v.object, mark.position, tolerance, "position");
            fixtures::expectNear(v.normal, mark.normal, tolerance, "normal");
        }
        for (std::size_t i = 0; i < gl.vertices.size(); ++i) {
            const glrec::RecordedVertex& v = gl.vertices[i];
            EXPECT_GE(v.normal[0] * v.object[0] + v.normal[1] * v.object[1] + v.normal[2] * v.object[2], -tolerance);
            EXPECT_EQ(v.color, (i >= c.whiteFrom ? std::array<float, 4>{1, 1, 1, 1} : std::array<float, 4>{0.25f, 0.5f, 0.75f, 1})) << i;
        }
        for (const glrec::Primitive& p : gl.primitives) {
            for (const std::array<int, 3>& t : trianglesOf(p)) {
                Vec3 n = cross(minus(at(t[1]), at(t[0])), minus(at(t[2]), at(t[0])));
                if (std::sqrt(dot(n, n)) < degenerateArea) continue;
                EXPECT_GT(dot(n, at(t[0])), 0) << "triangle from vertex " << t[0]; // the plane's side of the centre
            }
        }
    }
}

// The side's image bound before the wall and the cap's between the wall and the caps is seen in
// RobotTest: the robot's upload order, and the circle image on exactly the shoulders' end discs.
TEST(SolidsTest, OnlyLoadedTexturesAreUploadedAndTheCapsImageOnlyWithCaps)
{
    Mesh mesh;
    static unsigned char pixels[3 * 8] = {};
    Texture side, cap; // loaded, each upload showing its width
    for (auto [texture, width] : {std::pair{&side, 3}, {&cap, 5}}) {
        texture->loaded = true;
        texture->image.width = width;
        texture->image.height = 1;
        texture->image.channels = 3;
        texture->image.pixels = pixels;
    }
    using Draw = std::function<void(Mesh&, Texture, Texture, bool)>;
    const std::pair<const char*, Draw> solids[] = {
        {"cylinder", [](Mesh& m, Texture s, Texture c, bool caps) { m.drawCylinder(1, 8, 1, 1, caps, s, c); }},
        {"half cylinder", [](Mesh& m, Texture s, Texture c, bool caps) { m.drawHalfCylinder(1, 8, 1, 1, caps, s, c); }},
        {"cone", [](Mesh& m, Texture s, Texture c, bool caps) { m.drawCone(1, 8, 1, 0.5f, 1, caps, s, c); }},
    };
    for (const auto& [name, draw] : solids) {
        SCOPED_TRACE(name);
        glrec::reset();
        draw(mesh, Texture(), Texture(), true);
        draw(mesh, side, cap, false); // no caps: the cap image is not sent
        ASSERT_EQ(glrec::gl().uploads.size(), 1u);
        EXPECT_EQ(glrec::gl().uploads[0].width, 3);
    }
}

} // namespace
