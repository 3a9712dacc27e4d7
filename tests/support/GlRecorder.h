// A recording stand-in for libGL, libGLU and libglut, linked into the unit tests in their place.
// Every call is recorded with its arguments, in order, and enough state is tracked (matrix
// stacks, current colour, normal and texture coordinate, enables, uploads, callbacks) for a test
// to ask where a vertex lands in eye space, which image was uploaded, or which call came first.
#pragma once

#include <array>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include <GL/gl.h>
#include <GL/glu.h>
#include <GL/freeglut.h>

#include "gl/Matrix.h"

namespace glrec {

// Vector and matrix maths shared with the page's GL layer (web/gl/Matrix.h), in double, for the
// recorder's matrix stacks and for tests that measure what was drawn.
using Vec3 = glmath::Vec3<double>;
using glmath::cross, glmath::dot, glmath::minus;

// 4 by 4 matrix, column-major like OpenGL: element (row r, column c) is m[c * 4 + r].
using Mat4 = glmath::Mat4<double>;
// Where the point p lands under m, divided by w; in float too, as the page's GL layer works.
template <typename T> glmath::Vec3<T> pointUnder(const glmath::Mat4<T>& m, const glmath::Vec3<T>& p)
{
    const glmath::Vec4<T> q = m * glmath::Vec4<T>{p[0], p[1], p[2], 1};
    return {q[0] / q[3], q[1] / q[3], q[2] / q[3]};
}

// A call's name and its numeric arguments in order; pointers and callbacks left out.
struct Call { std::string name; std::vector<double> args; };

// One glVertex3f, with the state current when it was sent.
struct RecordedVertex {
    std::array<float, 3> object;   // as passed
    Vec3 eye;                      // modelview applied
    std::array<float, 4> color;
    std::array<float, 3> normal;   // as current, in object space
    std::array<float, 4> texCoord; // s, t, r, q
};

// A glBegin's mode and its vertices, as indices into State::vertices.
struct Primitive { GLenum mode; std::vector<int> vertices; };

struct Upload {
    int width, height;
    GLint internalFormat;
    bool nullPixels;
    std::size_t bytes;      // bytes read from the pixel pointer (0 when null)
    std::uint64_t checksum; // FNV-1a of those bytes
    int unpackAlignment;
};

struct State {
    std::vector<Call> calls;
    std::vector<RecordedVertex> vertices;
    std::vector<Primitive> primitives;
    std::vector<Upload> uploads;

    GLenum matrixMode = GL_MODELVIEW;
    std::vector<Mat4> modelview{Mat4::identity()};
    std::vector<Mat4> projection{Mat4::identity()};
    int stackErrors = 0;               // pops of a one-entry stack

    std::array<float, 4> color{1, 1, 1, 1};
    std::array<float, 3> normal{0, 0, 1};
    std::array<float, 4> texCoord{0, 0, 0, 1};

    std::set<GLenum> enabled;
    int unpackAlignment = 4;

    bool insideBegin = false;
    int beginEndErrors = 0;      // nested glBegin, glEnd without glBegin, state calls inside

    // GLUT
    int elapsedTime = 0; // what glutGet(GLUT_ELAPSED_TIME) returns
    std::array<int, 4> window{}; // x, y, width, height: what glutGet says, moved and resized as asked
    std::vector<unsigned char> frame; // what glReadPixels reads: RGBA rows, bottom up
    std::string windowTitle;
    void (*keyboard)(unsigned char, int, int) = nullptr;
    void (*keyboardUp)(unsigned char, int, int) = nullptr;
    void (*special)(int, int, int) = nullptr;
    void (*specialUp)(int, int, int) = nullptr;
    void (*mouse)(int, int, int, int) = nullptr;
    void (*mouseWheel)(int, int, int, int) = nullptr;
    void (*motion)(int, int) = nullptr;
    void (*display)() = nullptr;
    void (*reshape)(int, int) = nullptr;
    void (*timer)(int) = nullptr;

    bool isEnabled(GLenum cap) const { return enabled.count(cap) != 0; }
};

// The recorder's state. reset() clears it to the defaults above.
State& gl();
void reset();

// Names of the recorded calls, in order.
std::vector<std::string> callNames();
// The recorded calls with the given name, in order.
std::vector<Call> callsNamed(const std::string& name);
// Index of the first call with that name at or after `from`, or -1.
int findCall(const std::string& name, std::size_t from = 0);

} // namespace glrec
