// GL 1.x primitive assembly (see Assembly.h): which vertices make each point, line and polygon,
// and which of them is provoking, mode by mode.
#include "gl/Assembly.h"

#include <initializer_list>
#include <numeric>

void assemble(Primitive mode, const std::vector<glmath::Vec4<float>>& clip, const Rasterisation& how, std::vector<Shape>& out)
{
    out.clear();
    const int n = static_cast<int>(clip.size());
    auto line = [&](int a, int b) { out.push_back(Shape{Drawn::Lines, 2, {a, b, 0}, b}); };
    auto polygon = [&](std::initializer_list<int> corners, int provoking) {
        addPolygon(corners.begin(), static_cast<int>(corners.size()), provoking, clip, how, out);
    };
    switch (mode) {
    case Primitive::Points:
        for (int i = 0; i < n; ++i) out.push_back(Shape{Drawn::Points, 1, {i, 0, 0}, i});
        break;
    case Primitive::Lines:
        for (int i = 0; i + 1 < n; i += 2) line(i, i + 1);
        break;
    case Primitive::LineStrip:
        for (int i = 0; i + 1 < n; ++i) line(i, i + 1);
        break;
    case Primitive::Triangles:
        for (int i = 0; i + 2 < n; i += 3) polygon({i, i + 1, i + 2}, i + 2);
        break;
    case Primitive::TriangleStrip:
        // Every other triangle's first two corners swapped, so all keep the strip's winding.
        for (int i = 0; i + 2 < n; ++i) polygon({i + (i & 1), i + 1 - (i & 1), i + 2}, i + 2);
        break;
    case Primitive::TriangleFan:
        for (int i = 0; i + 2 < n; ++i) polygon({0, i + 1, i + 2}, i + 2);
        break;
    case Primitive::Quads:
        for (int i = 0; i + 3 < n; i += 4) polygon({i, i + 1, i + 2, i + 3}, i + 3);
        break;
    case Primitive::QuadStrip:
        for (int i = 0; i + 3 < n; i += 2) polygon({i + 2, i, i + 1, i + 3}, i + 3);
        break;
    case Primitive::Polygon:
        // Filled as triangles (k - 1, k, 0), so corner 0 is provoking; outlined and culled whole.
        if (how.polygonMode == PolygonMode::Fill) {
            for (int k = 2; k < n; ++k) polygon({k - 1, k, 0}, 0);
        } else if (n >= 3) {
            std::vector<int> corners(n);
            std::iota(corners.begin(), corners.end(), 0);
            addPolygon(corners.data(), n, 0, clip, how, out);
        }
        break;
    }
}
