// The page's GL layer: material, light 0 and the light model as the scene sets them, and colour
// material. The lighting itself is gl/Lighting.h's, applied to each vertex in Immediate.cpp.
#include <GL/gl.h>

#include <algorithm>

#include "gl/State.h"

namespace {

void copy(Colour& to, const GLfloat* from)
{
    std::copy(from, from + 4, to.begin());
}

} // namespace

extern "C" {

void glMaterialfv(GLenum face, GLenum pname, const GLfloat* params)
{
    if (face == GL_BACK) {
        return; // one-sided lighting uses the front material only
    }
    Material& m = gl().material;
    switch (pname) {
    case GL_AMBIENT: copy(m.ambient, params); break;
    case GL_DIFFUSE: copy(m.diffuse, params); break;
    case GL_SPECULAR: copy(m.specular, params); break;
    case GL_EMISSION: copy(m.emission, params); break;
    case GL_AMBIENT_AND_DIFFUSE:
        copy(m.ambient, params);
        copy(m.diffuse, params);
        break;
    case GL_SHININESS: m.shininess = params[0]; break;
    default: break;
    }
}

void glMaterialf(GLenum face, GLenum pname, GLfloat param)
{
    glMaterialfv(face, pname, &param);
}

void glLightfv(GLenum lightName, GLenum pname, const GLfloat* params)
{
    State& s = gl();
    if (lightName != GL_LIGHT0) {
        return;
    }
    switch (pname) {
    case GL_AMBIENT: copy(s.light0.ambient, params); break;
    case GL_DIFFUSE: copy(s.light0.diffuse, params); break;
    case GL_SPECULAR: copy(s.light0.specular, params); break;
    case GL_POSITION:
        // Kept in eye coordinates: transformed by the modelview current at this call.
        s.light0.position = s.modelview.top() * Vec4f{params[0], params[1], params[2], params[3]};
        break;
    default: break;
    }
}

void glLightModeli(GLenum pname, GLint param)
{
    if (pname == GL_LIGHT_MODEL_LOCAL_VIEWER) {
        gl().lightModel.localViewer = param != 0;
    }
}

// Colour material as Mesa applies it: the material follows a colour sent between glBegin and
// glEnd, or one that changes the current colour; a colour set again to the value it already has
// outside glBegin/glEnd leaves the material alone, and so does enabling colour material. (The
// desktop's menu, drawn white before any other colour was ever set, is lit with the glMaterial
// values.)
void glColor4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha)
{
    State& s = gl();
    const Colour c{red, green, blue, alpha};
    if (!s.inside && c == s.colour) {
        return;
    }
    s.colour = c;
    if (s.colourMaterial) {
        s.material.ambient = c;
        s.material.diffuse = c;
    }
}

void glColor3f(GLfloat red, GLfloat green, GLfloat blue)
{
    glColor4f(red, green, blue, 1);
}

} // extern "C"
