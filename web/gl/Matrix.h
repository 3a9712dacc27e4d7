// 4 x 4 matrices and 3-vectors as fixed-function GL 1.x builds them, free of GL itself: the page's
// GL layer uses them in float (as Mesa computes), the tests' recording GL in double. Each
// transform is GL's or GLU's own construction. Not here: the matrix stacks, lighting, drawing.
#pragma once

#include <array>
#include <cmath>

#include "geometry/Pi.h"

namespace glmath {

template <typename T> using Vec3 = std::array<T, 3>;
template <typename T> using Vec4 = std::array<T, 4>;

template <typename T> Vec3<T> minus(const Vec3<T>& a, const Vec3<T>& b)
{
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}

template <typename T> T dot(const Vec3<T>& a, const Vec3<T>& b)
{
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

template <typename T> Vec3<T> cross(const Vec3<T>& a, const Vec3<T>& b)
{
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

// Scaled to length 1; a zero vector is left as it is, as GL and GLU leave it.
template <typename T> Vec3<T> unit(Vec3<T> a)
{
    const T length = std::sqrt(dot(a, a));
    if (length > 0) {
        for (T& c : a) c /= length;
    }
    return a;
}

// Column-major like OpenGL: element (row r, column c) is m[c * 4 + r].
template <typename T> struct Mat4 {
    std::array<T, 16> m;

    static Mat4 identity() { return {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}}; }

    // This matrix applied after other, as glMultMatrix puts other on the current one.
    Mat4 operator*(const Mat4& other) const
    {
        Mat4 r{};
        for (int col = 0; col < 4; ++col) {
            for (int row = 0; row < 4; ++row) {
                for (int k = 0; k < 4; ++k) r.m[col * 4 + row] += m[k * 4 + row] * other.m[col * 4 + k];
            }
        }
        return r;
    }

    Vec4<T> operator*(const Vec4<T>& v) const
    {
        return {m[0] * v[0] + m[4] * v[1] + m[8] * v[2] + m[12] * v[3], m[1] * v[0] + m[5] * v[1] + m[9] * v[2] + m[13] * v[3],
                m[2] * v[0] + m[6] * v[1] + m[10] * v[2] + m[14] * v[3], m[3] * v[0] + m[7] * v[1] + m[11] * v[2] + m[15] * v[3]};
    }
};

template <typename T> Mat4<T> translation(T x, T y, T z)
{
    Mat4<T> r = Mat4<T>::identity();
    r.m[12] = x;
    r.m[13] = y;
    r.m[14] = z;
    return r;
}

template <typename T> Mat4<T> scaling(T x, T y, T z)
{
    Mat4<T> r = Mat4<T>::identity();
    r.m[0] = x;
    r.m[5] = y;
    r.m[10] = z;
    return r;
}

// glRotate's: degrees anticlockwise about the axis seen from its tip; a zero axis turns nothing.
template <typename T> Mat4<T> rotation(T degrees, Vec3<T> axis)
{
    if (dot(axis, axis) == 0) return Mat4<T>::identity();
    const auto [x, y, z] = unit(axis);
    const T radians = degrees * static_cast<T>(pi) / 180;
    const T c = std::cos(radians), s = std::sin(radians), t = 1 - c;
    return {{x * x * t + c, y * x * t + z * s, x * z * t - y * s, 0, x * y * t - z * s, y * y * t + c,
             y * z * t + x * s, 0, x * z * t + y * s, y * z * t - x * s, z * z * t + c, 0, 0, 0, 0, 1}};
}

// gluPerspective's, worked out in double as GLU does; a degenerate frustum changes nothing.
template <typename T> Mat4<T> perspective(double fovy, double aspect, double zNear, double zFar)
{
    const double radians = fovy / 2 * pi / 180;
    const double deltaZ = zFar - zNear, sine = std::sin(radians);
    if (deltaZ == 0 || sine == 0 || aspect == 0) return Mat4<T>::identity();
    const double cotangent = std::cos(radians) / sine;
    const double m[16] = {cotangent / aspect, 0, 0, 0, 0, cotangent, 0, 0, 0, 0, -(zFar + zNear) / deltaZ, -1,
                          0, 0, -2 * zNear * zFar / deltaZ, 0};
    Mat4<T> r{};
    for (int i = 0; i < 16; ++i) r.m[i] = static_cast<T>(m[i]);
    return r;
}

// gluLookAt's, with the move of the eye to the origin: the directions in T from differences in double.
template <typename T> Mat4<T> lookAt(const Vec3<double>& eye, const Vec3<double>& centre, const Vec3<double>& up)
{
    const Vec3<double> ahead = minus(centre, eye);
    const Vec3<T> f = unit(Vec3<T>{static_cast<T>(ahead[0]), static_cast<T>(ahead[1]), static_cast<T>(ahead[2])});
    const Vec3<T> s = unit(cross(f, Vec3<T>{static_cast<T>(up[0]), static_cast<T>(up[1]), static_cast<T>(up[2])}));
    const Vec3<T> u = cross(s, f);
    const Mat4<T> turn{{s[0], u[0], -f[0], 0, s[1], u[1], -f[1], 0, s[2], u[2], -f[2], 0, 0, 0, 0, 1}};
    return turn * translation(static_cast<T>(-eye[0]), static_cast<T>(-eye[1]), static_cast<T>(-eye[2]));
}

// Row-major 3 x 3, for normals.
template <typename T> struct Mat3 {
    std::array<T, 9> m;

    Vec3<T> operator*(const Vec3<T>& v) const
    {
        return {m[0] * v[0] + m[1] * v[1] + m[2] * v[2], m[3] * v[0] + m[4] * v[1] + m[5] * v[2],
                m[6] * v[0] + m[7] * v[1] + m[8] * v[2]};
    }
};

// The inverse transpose of the upper 3 x 3 block, which carries normals into eye space: the
// cofactors over the determinant. A singular block gives zero.
template <typename T> Mat3<T> normalMatrix(const Mat4<T>& matrix)
{
    T a[3][3], cofactor[3][3];
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) a[row][col] = matrix.m[col * 4 + row];
    }
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            const int i1 = (i + 1) % 3, i2 = (i + 2) % 3, j1 = (j + 1) % 3, j2 = (j + 2) % 3;
            cofactor[i][j] = a[i1][j1] * a[i2][j2] - a[i1][j2] * a[i2][j1];
        }
    }
    const T det = a[0][0] * cofactor[0][0] + a[0][1] * cofactor[0][1] + a[0][2] * cofactor[0][2];
    const T inverse = det != 0 ? 1 / det : 0;
    Mat3<T> out;
    for (int i = 0; i < 9; ++i) out.m[i] = cofactor[i / 3][i % 3] * inverse;
    return out;
}

} // namespace glmath
