// The page's GL layer: immediate mode. Each vertex is transformed and lit when it is sent, with
// the attributes current then and the matrices current at glBegin; glEnd assembles the primitive
// (gl/Assembly.h), applies flat shading and hands the vertices to the page's batch.
#include <GL/gl.h>

#include "gl/State.h"

extern "C" {

void glBegin(GLenum mode)
{
    State& s = gl();
    s.mode = mode;
    s.inside = true;
    s.clip.clear();
    s.vertices.clear();
    s.beginModelview = s.modelview.top();
    s.beginMvp = s.projection.top() * s.beginModelview;
    s.beginNormal = glmath::normalMatrix(s.beginModelview);
}

void glEnd(void)
{
    State& s = gl();
    if (!s.inside) {
        return;
    }
    s.inside = false;
    assemble(static_cast<Primitive>(s.mode), s.clip, s.rasterisation, s.shapes);
    for (const Shape& shape : s.shapes) {
        for (int k = 0; k < shape.count; ++k) {
            const int v = shape.vertices[k];
            emit(shape.kind, s.clip[v], s.vertices[s.flat ? shape.provoking : v].colour, s.vertices[v].tex);
        }
    }
}

void glVertex3f(GLfloat x, GLfloat y, GLfloat z)
{
    State& s = gl();
    if (!s.inside) {
        return;
    }
    const Vec4f object{x, y, z, 1};
    Processed v{clamped(s.colour), s.tex};
    if (s.lighting) {
        Vec3f normal = s.beginNormal * s.normal;
        if (s.normalize) {
            normal = glmath::unit(normal);
        }
        v.colour = lit(s.material, s.light0, s.lightModel, s.beginModelview * object, normal);
    }
    s.clip.push_back(s.beginMvp * object);
    s.vertices.push_back(v);
}

void glNormal3f(GLfloat nx, GLfloat ny, GLfloat nz)
{
    gl().normal = {nx, ny, nz};
}

void glTexCoord4f(GLfloat s, GLfloat t, GLfloat r, GLfloat q)
{
    gl().tex = {s, t, r, q};
}

void glTexCoord2f(GLfloat s, GLfloat t)
{
    glTexCoord4f(s, t, 0, 1);
}

} // extern "C"
