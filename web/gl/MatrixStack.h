// One of GL's matrix stacks (modelview or projection) for the page's GL layer, free of GL: the
// entry points in Transforms.cpp choose the stack and build the matrices (gl/Matrix.h).
#pragma once

#include <cstddef>
#include <vector>

#include "gl/Matrix.h"

using Mat4f = glmath::Mat4<float>;

class MatrixStack {
public:
    // Entries, Mesa's depth for either stack: a push beyond it is refused, as GL refuses it
    // with GL_STACK_OVERFLOW, and so is a pop of the last entry (GL_STACK_UNDERFLOW).
    static constexpr std::size_t depth = 32;

    const Mat4f& top() const { return entries.back(); }
    std::size_t size() const { return entries.size(); }
    void load(const Mat4f& matrix) { entries.back() = matrix; }
    // The current matrix times by: by applies to vertices first, as with glMultMatrix.
    void multiply(const Mat4f& by) { entries.back() = entries.back() * by; }
    void push()
    {
        if (entries.size() < depth) entries.push_back(entries.back());
    }
    void pop()
    {
        if (entries.size() > 1) entries.pop_back();
    }

private:
    std::vector<Mat4f> entries{Mat4f::identity()};
};
