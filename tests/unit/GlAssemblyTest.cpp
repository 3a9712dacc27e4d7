// Tests of the page's GL primitive assembly (web/gl/Assembly.h): the points, lines and triangles
// each glBegin mode makes, with their provoking vertex, filled, outlined and as points, and which
// polygons culling drops by their winding on the screen.
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "gl/Assembly.h"

namespace {

using Vec4f = glmath::Vec4<float>;

// "T0,1,2/2" is a triangle of vertices 0, 1, 2 whose colour under flat shading is vertex 2's;
// L a line, P a point; shapes in the order drawn.
std::string describe(const std::vector<Shape>& shapes)
{
    std::string text;
    for (const Shape& s : shapes) {
        text += text.empty() ? "" : " ";
        text += s.kind == Drawn::Triangles ? "T" : s.kind == Drawn::Lines ? "L" : "P";
        for (int k = 0; k < s.count; ++k) text += (k ? "," : "") + std::to_string(s.vertices[k]);
        text += "/" + std::to_string(s.provoking);
    }
    return text;
}

// n vertices anticlockwise round a circle on the screen: every polygon of them faces the front.
std::vector<Vec4f> round(int n)
{
    std::vector<Vec4f> clip;
    for (int i = 0; i < n; ++i) clip.push_back({std::cos(i * 0.5f), std::sin(i * 0.5f), 0, 1});
    return clip;
}

struct Case { const char* label; Primitive mode; PolygonMode polygonMode; std::vector<Vec4f> clip; std::string want; };

void check(const std::vector<Case>& cases, bool cull, CullFace cullFace)
{
    std::vector<Shape> shapes{{Drawn::Points, 1, {9, 0, 0}, 9}}; // cleared first
    for (const Case& c : cases) {
        assemble(c.mode, c.clip, Rasterisation{c.polygonMode, cull, cullFace}, shapes);
        EXPECT_EQ(describe(shapes), c.want) << c.label;
    }
}

TEST(GlAssembly, EachModeMakesItsShapesWithGlsProvokingVertex)
{
    using P = Primitive;
    const PolygonMode fill = PolygonMode::Fill, line = PolygonMode::Line, point = PolygonMode::Point;
    check({
              {"points", P::Points, fill, round(3), "P0/0 P1/1 P2/2"},
              {"lines, the odd vertex left", P::Lines, fill, round(5), "L0,1/1 L2,3/3"},
              {"lines stay lines in point mode", P::Lines, point, round(2), "L0,1/1"},
              {"line strip", P::LineStrip, fill, round(4), "L0,1/1 L1,2/2 L2,3/3"},
              {"triangles, the odd vertex left", P::Triangles, fill, round(7), "T0,1,2/2 T3,4,5/5"},
              {"strip: every other triangle keeps the winding", P::TriangleStrip, fill, round(5), "T0,1,2/2 T2,1,3/3 T2,3,4/4"},
              {"fan", P::TriangleFan, fill, round(5), "T0,1,2/2 T0,2,3/3 T0,3,4/4"},
              {"quads split at the last corner", P::Quads, fill, round(8), "T0,1,3/3 T1,2,3/3 T4,5,7/7 T5,6,7/7"},
              {"quad strip", P::QuadStrip, fill, round(6), "T2,0,3/3 T0,1,3/3 T4,2,5/5 T2,3,5/5"},
              {"polygon: corner 0 provokes", P::Polygon, fill, round(5), "T1,2,0/0 T2,3,0/0 T3,4,0/0"},
              {"too few for anything", P::Triangles, fill, round(2), ""},
              {"outlined triangle", P::Triangles, line, round(3), "L0,1/2 L1,2/2 L2,0/2"},
              {"outlined strip", P::TriangleStrip, line, round(4), "L0,1/2 L1,2/2 L2,0/2 L2,1/3 L1,3/3 L3,2/3"},
              {"outlined quad", P::Quads, line, round(4), "L0,1/3 L1,2/3 L2,3/3 L3,0/3"},
              {"outlined polygon, whole", P::Polygon, line, round(5), "L0,1/0 L1,2/0 L2,3/0 L3,4/0 L4,0/0"},
              {"fan as points", P::TriangleFan, point, round(4), "P0/2 P1/2 P2/2 P0/3 P2/3 P3/3"},
              {"quad strip as points", P::QuadStrip, point, round(4), "P2/3 P0/3 P1/3 P3/3"},
          }, false, CullFace::Back);
}

TEST(GlAssembly, OutlinesAndPointsAreCulledByTheirWindingFilledTrianglesByThePage)
{
    // A wide triangle anticlockwise on the screen (front), then a tall one clockwise (back).
    const std::vector<Vec4f> two = {{0, 0, 0, 1}, {2, 0, 0, 1}, {0, 1, 0, 1}, {0, 0, 0, 1}, {0, 3, 0, 1}, {1, 0, 0, 1}};
    // The same two given with w = 2 and w = 3: the same places on the screen, so the same facings.
    const std::vector<Vec4f> scaled = {{0, 0, 0, 2}, {4, 0, 0, 2}, {0, 2, 0, 2}, {0, 0, 0, 3}, {0, 9, 0, 3}, {3, 0, 0, 3}};
    // A strip of two triangles both anticlockwise once every other one is turned.
    const std::vector<Vec4f> strip = {{0, 0, 0, 1}, {2, 0, 0, 1}, {0, 1, 0, 1}, {2, 1, 0, 1}};
    const std::string front = "L0,1/2 L1,2/2 L2,0/2", back = "L3,4/5 L4,5/5 L5,3/5";
    const PolygonMode line = PolygonMode::Line;
    using P = Primitive;
    check({{"no culling", P::Triangles, line, two, front + " " + back}}, false, CullFace::Front);
    check({{"back culled", P::Triangles, line, two, front},
           {"back culled, w not 1", P::Triangles, line, scaled, front},
           {"strip kept whole", P::TriangleStrip, line, strip, "L0,1/2 L1,2/2 L2,0/2 L2,1/3 L1,3/3 L3,2/3"},
           {"points of the front", P::Triangles, PolygonMode::Point, two, "P0/2 P1/2 P2/2"},
           {"filled: left to the page", P::Triangles, PolygonMode::Fill, two, "T0,1,2/2 T3,4,5/5"}},
          true, CullFace::Back);
    check({{"front culled", P::Triangles, line, two, back}}, true, CullFace::Front);
    check({{"both culled", P::Triangles, line, two, ""}}, true, CullFace::FrontAndBack);
}

} // namespace
