// Mesh: the six list-drawing routines on short and incomplete lists, and the generators' vertex
// counts, exact values and windings. The direct-drawn solids are in SolidsTest.
#include <array>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "GlRecorder.h"
#include "geometry/Mesh.h"

namespace {

// Generator values come from double sines and cosines, e.g. cos(pi/2) is 6e-17, not 0.
constexpr double trigTolerance = 1e-12;

using Routine = void (Mesh::*)();

// A list of n vertices whose fields differ from one vertex to the next and are not exact floats,
// so every recorded value shows which list vertex it came from and that it was narrowed.
void fillList(Mesh& mesh, int n)
{
    mesh.vertices.clear();
    for (int i = 0; i < n; ++i) mesh.vertices.emplace_back(i + 0.1, 10 + i, 20 + i, 0.3 * i, 0.7 * i);
}

TEST(MeshListTest, EachRoutineSendsWholeGroupsInListOrder)
{
    // groups: the list indices sent, one entry per glBegin/glEnd pair.
    struct Case { const char* name; Routine routine; int listSize; GLenum mode; std::vector<std::vector<int>> groups; };
    const Case cases[] = {
        {"triangles, empty", &Mesh::drawTriangles, 0, GL_TRIANGLES, {}},
        {"quads, empty", &Mesh::drawQuads, 0, GL_QUADS, {}},
        {"triangle strip, empty", &Mesh::drawTriangleStrip, 0, GL_TRIANGLE_STRIP, {{}}},
        {"quad strip, empty", &Mesh::drawQuadStrip, 0, GL_QUAD_STRIP, {{}}},
        {"line strip, empty", &Mesh::drawLineStrip, 0, GL_LINE_STRIP, {{}}},
        {"polygon, empty", &Mesh::drawPolygons, 0, GL_POLYGON, {{}}},
        {"quads of 5", &Mesh::drawQuads, 5, GL_QUADS, {{0, 1, 2, 3}}},
        {"quads of 8", &Mesh::drawQuads, 8, GL_QUADS, {{0, 1, 2, 3}, {4, 5, 6, 7}}},
        {"triangles of 7", &Mesh::drawTriangles, 7, GL_TRIANGLES, {{0, 1, 2}, {3, 4, 5}}},
        {"triangle strip of 7", &Mesh::drawTriangleStrip, 7, GL_TRIANGLE_STRIP, {{0, 1, 2, 3, 4, 5}}},
        {"line strip of 3", &Mesh::drawLineStrip, 3, GL_LINE_STRIP, {{0, 1}}},
        {"polygon of 4", &Mesh::drawPolygons, 4, GL_POLYGON, {{0, 1, 2, 3}}},
        {"quad strip of 4", &Mesh::drawQuadStrip, 4, GL_QUAD_STRIP, {{0, 1, 2, 3}}},
        {"quad strip of 5", &Mesh::drawQuadStrip, 5, GL_QUAD_STRIP, {{0, 1, 2, 3, 4}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Mesh mesh;
        fillList(mesh, c.listSize);
        glrec::reset();
        (mesh.*c.routine)();
        // Only drawQuads sets a normal, once after each glBegin; each vertex is texcoord then position.
        std::vector<std::string> expectedCalls;
        std::vector<int> sent; // list indices in sending order
        for (const std::vector<int>& primitive : c.groups) {
            expectedCalls.push_back("glBegin");
            if (c.mode == GL_QUADS) expectedCalls.push_back("glNormal3f");
            for (std::size_t k = 0; k < primitive.size(); ++k) {
                expectedCalls.insert(expectedCalls.end(), {"glTexCoord2f", "glVertex3f"});
            }
            expectedCalls.push_back("glEnd");
            sent.insert(sent.end(), primitive.begin(), primitive.end());
        }
        EXPECT_EQ(glrec::callNames(), expectedCalls);
        const glrec::State& gl = glrec::gl();
        for (const glrec::Primitive& p : gl.primitives) EXPECT_EQ(p.mode, c.mode);
        ASSERT_EQ(gl.vertices.size(), sent.size());
        for (std::size_t i = 0; i < sent.size(); ++i) {
            const Vertex& listed = mesh.vertices[sent[i]];
            EXPECT_EQ(gl.vertices[i].object, (std::array<float, 3>{float(listed.x), float(listed.y), float(listed.z)}));
            EXPECT_EQ(gl.vertices[i].texCoord, (std::array<float, 4>{float(listed.u), float(listed.v), 0, 1}));
            if (c.mode == GL_QUADS) {
                EXPECT_EQ(gl.vertices[i].normal, (std::array<float, 3>{0, 1, 0}));
            }
        }
    }
}

TEST(MeshGeneratorTest, GeneratorsReplaceTheListWithTheirOwnVertices)
{
    const double s10 = std::sin(10 / 180.0 * M_PI);
    const double c10 = std::cos(10 / 180.0 * M_PI);
    using Expected = std::vector<std::pair<int, Vertex>>; // index, value
    struct Case { const char* name; std::function<void(Mesh&)> build; std::size_t count; Expected expected; };
    const Case cases[] = {
        {"plane 30 x 30, repeat 1", [](Mesh& m) { m.createPlane(30, 30, 1); }, 4,
         {{0, {-15, 0, 15, 0, 1}}, {1, {15, 0, 15, 1, 1}}, {2, {15, 0, -15, 1, 0}}, {3, {-15, 0, -15, 0, 0}}}},
        {"plane 51.2 x 21.5, repeat 0", [](Mesh& m) { m.createPlane(51.2, 21.5, 0); }, 4,
         {{0, {-25.6, 0, 10.75, 0, 0}}, {1, {25.6, 0, 10.75, 0, 0}}, {2, {25.6, 0, -10.75, 0, 0}},
          {3, {-25.6, 0, -10.75, 0, 0}}}},
        {"box 2 x 4 x 6", [](Mesh& m) { m.createBox(2, 4, 6); }, 8,
         {{0, {-1, -2, 3}}, {1, {1, -2, 3}}, {6, {1, 2, -3}}, {7, {-1, 2, -3}}}},
        {"trapeze 2 x 4 x 6, scale 0.5", [](Mesh& m) { m.createTrapeze(2, 4, 6, 0.5); }, 8,
         {{0, {-0.5, -1, 3}}, {2, {0.5, 1, 3}}, {4, {-1, -2, -3}}, {6, {1, 2, -3}}}},
        {"cylinder r 2, h 6, 4 segments, repeat 2", [](Mesh& m) { m.createCylinder(2, 6, 4, 2); }, 16,
         {{0, {0, -3, 2, 0.5, 2}}, {1, {2, -3, 0, 0, 2}}, {2, {2, 3, 0, 0, 0}}, {3, {0, 3, 2, 0.5, 0}},
          {15, {2, 3, 0, 2, 0}}}},
        // The fifth quad ends 400 degrees round, 40 past the full turn.
        {"cylinder, 4.5 segments run past the turn", [](Mesh& m) { m.createCylinder(1, 2, 4.5, 1); }, 20,
         {{16, {std::cos(40 / 180.0 * M_PI), -1, std::sin(40 / 180.0 * M_PI), 5 / 4.5, 1}}}},
        {"cylinder, 0 segments", [](Mesh& m) { m.createCylinder(1, 2, 0, 1); }, 0, {}},
        {"cylinder, -2 segments", [](Mesh& m) { m.createCylinder(1, 2, -2, 1); }, 0, {}},
        {"cylinder, 0.5 segments", [](Mesh& m) { m.createCylinder(1, 2, 0.5, 1); }, 0, {}},
        {"cone r 2 to 1, h 4, 4 segments", [](Mesh& m) { m.createCone(2, 1, 4, 4, 1); }, 16,
         {{0, {0, -2, 2, 0.25, 1}}, {1, {2, -2, 0, 0, 1}}, {2, {1, 2, 0, 0, 0}}, {3, {0, 2, 1, 0.25, 0}}}},
        {"half sphere r 1", [](Mesh& m) { m.createHalfSphere(1); }, 1296,
         {{0, {0, 0, 1, 0, 0}}, {1, {0, s10, c10, 0, 20 / 360.0}}, {2, {0, 0, 1, 10 / 360.0, 0}},
          {3, {s10 * s10, s10 * c10, c10, 10 / 360.0, 20 / 360.0}}, {1295, {-0, 1, 0, 1, 0.5}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Mesh mesh;
        fillList(mesh, 5); // whatever was there before must go
        c.build(mesh);
        ASSERT_EQ(mesh.vertices.size(), c.count);
        for (const auto& [index, e] : c.expected) {
            const Vertex& a = mesh.vertices[index];
            for (auto [actual, expected] : {std::pair{a.x, e.x}, {a.y, e.y}, {a.z, e.z}, {a.u, e.u}, {a.v, e.v}}) {
                EXPECT_NEAR(actual, expected, trigTolerance) << "vertex " << index;
            }
        }
    }
}

// Newell's normal of a quad (a collapsed corner does no harm): it points to the side from which
// the quad winds counter-clockwise.
std::array<double, 3> quadNormal(const std::array<const Vertex*, 4>& ring)
{
    std::array<double, 3> n{0, 0, 0};
    for (int k = 0; k < 4; ++k) {
        const Vertex& p = *ring[k];
        const Vertex& q = *ring[(k + 1) % 4];
        n[0] += (p.y - q.y) * (p.z + q.z);
        n[1] += (p.z - q.z) * (p.x + q.x);
        n[2] += (p.x - q.x) * (p.y + q.y);
    }
    return n;
}

TEST(MeshGeneratorTest, QuadsWindCounterClockwiseFromOutsideAndDomeCellsClockwise)
{
    // The plane looks up; walls away from the y axis; the dome (cells of two rungs a, b, c, d
    // making the quad a, b, d, c) towards its centre.
    enum Away { Up, FromAxis, FromCentre };
    struct Case { const char* name; std::function<void(Mesh&)> build; Away away; double outward; }; // -1: towards
    const Case cases[] = {
        {"plane", [](Mesh& m) { m.createPlane(3, 5, 1); }, Up, +1},
        {"cylinder", [](Mesh& m) { m.createCylinder(1.5, 2, 12, 1); }, FromAxis, +1},
        {"cone", [](Mesh& m) { m.createCone(2, 0.5, 1, 7, 3); }, FromAxis, +1},
        {"half sphere", [](Mesh& m) { m.createHalfSphere(2); }, FromCentre, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Mesh mesh;
        c.build(mesh);
        const std::vector<Vertex>& v = mesh.vertices;
        for (std::size_t k = 0; k + 3 < v.size(); k += 4) {
            bool strip = c.away == FromCentre;
            std::array<double, 3> n = quadNormal({&v[k], &v[k + 1], &v[k + (strip ? 3 : 2)], &v[k + (strip ? 2 : 3)]});
            std::array<double, 3> away{v[k].x, c.away == FromCentre ? v[k].y : 0, v[k].z};
            if (c.away == Up) away = {0, 1, 0};
            EXPECT_GT(c.outward * (n[0] * away[0] + n[1] * away[1] + n[2] * away[2]), 0) << "quad at " << k;
        }
    }
}

} // namespace
