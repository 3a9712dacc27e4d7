// GL 1.x primitive assembly, free of GL: the points, lines and triangles a glBegin/glEnd draws,
// each with its provoking vertex (whose colour all its corners take under flat shading), split as
// Mesa's draw module splits quads, strips, fans and polygons. In line and point polygon mode each
// polygon is culled here and drawn as its edges or corners; filled triangles keep their winding
// and are culled by the page. The enumerations are numbered as GL numbers them, so the GL layer
// passes its enumerants through (checked in gl/State.h). Not here: transformation and colours.
#pragma once

#include <array>
#include <vector>

#include "gl/Matrix.h"

enum class Primitive { Points = 0, Lines = 1, LineStrip = 3, Triangles, TriangleStrip, TriangleFan, Quads, QuadStrip, Polygon };
enum class PolygonMode { Point = 0x1B00, Line, Fill };
enum class CullFace { Front = 0x0404, Back = 0x0405, FrontAndBack = 0x0408 };
enum class Drawn { Points = 0, Lines = 1, Triangles = 4 };

struct Rasterisation {
    PolygonMode polygonMode = PolygonMode::Fill;
    bool cull = false;
    CullFace cullFace = CullFace::Back;
};

// What is drawn: count indices (1, 2 or 3) into the primitive's vertices, in order.
struct Shape {
    Drawn kind;
    int count;
    std::array<int, 3> vertices;
    int provoking;
};

// The shapes of one primitive whose vertices are at clip (homogeneous clip coordinates), into
// out (cleared first). Vertices left over (a strip's lone last one) draw nothing.
void assemble(Primitive mode, const std::vector<glmath::Vec4<float>>& clip, const Rasterisation& how, std::vector<Shape>& out);

// One polygon of corners, in order round its edge: filled as triangles (a quad as (0, 1, 3) and
// (1, 2, 3)) or, unless culled, as its edges or corners. (Culling.cpp)
void addPolygon(const int* corners, int count, int provoking, const std::vector<glmath::Vec4<float>>& clip,
                const Rasterisation& how, std::vector<Shape>& out);
