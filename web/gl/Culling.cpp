// A polygon's facing, culling and its triangles, edges or corners by polygon mode (see
// Assembly.h). Facing is worked out from homogeneous clip coordinates, so that a polygon crossing
// the eye plane still gets the facing of its visible part.
#include "gl/Assembly.h"

namespace {

// Twice the signed window-space area of the polygon, the fan of its corners summed: positive
// when it winds anticlockwise on the screen (GL's front by default).
float facing(const int* corners, int count, const std::vector<glmath::Vec4<float>>& clip)
{
    float sum = 0;
    const auto& a = clip[corners[0]];
    for (int k = 1; k + 1 < count; ++k) {
        const auto& b = clip[corners[k]];
        const auto& c = clip[corners[k + 1]];
        sum += a[0] * (b[1] * c[3] - c[1] * b[3]) - a[1] * (b[0] * c[3] - c[0] * b[3]) + a[3] * (b[0] * c[1] - c[0] * b[1]);
    }
    return sum;
}

bool culled(const int* corners, int count, const std::vector<glmath::Vec4<float>>& clip, const Rasterisation& how)
{
    if (!how.cull) return false;
    const bool front = facing(corners, count, clip) > 0;
    return how.cullFace == CullFace::FrontAndBack || (how.cullFace == CullFace::Front) == front;
}

} // namespace

void addPolygon(const int* corners, int count, int provoking, const std::vector<glmath::Vec4<float>>& clip,
                const Rasterisation& how, std::vector<Shape>& out)
{
    if (how.polygonMode == PolygonMode::Fill) {
        out.push_back(Shape{Drawn::Triangles, 3, {corners[0], corners[1], corners[count - 1]}, provoking});
        if (count == 4) out.push_back(Shape{Drawn::Triangles, 3, {corners[1], corners[2], corners[3]}, provoking});
        return;
    }
    if (culled(corners, count, clip, how)) return;
    for (int k = 0; k < count; ++k) {
        if (how.polygonMode == PolygonMode::Point) {
            out.push_back(Shape{Drawn::Points, 1, {corners[k], 0, 0}, provoking});
        } else {
            out.push_back(Shape{Drawn::Lines, 2, {corners[k], corners[(k + 1) % count], 0}, provoking});
        }
    }
}
