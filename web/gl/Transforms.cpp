// The page's GL layer: the modelview and projection stacks and the calls that build on them,
// GLU's two among them. The matrices themselves are gl/Matrix.h's.
#include <GL/gl.h>
#include <GL/glu.h>

#include "gl/State.h"

namespace {

MatrixStack& current()
{
    State& s = gl();
    return s.matrixMode == GL_PROJECTION ? s.projection : s.modelview;
}

} // namespace

extern "C" {

void glMatrixMode(GLenum mode)
{
    gl().matrixMode = mode;
}

void glLoadIdentity(void)
{
    current().load(Mat4f::identity());
}

void glPushMatrix(void)
{
    current().push();
}

void glPopMatrix(void)
{
    current().pop();
}

void glMultMatrixf(const GLfloat* m)
{
    Mat4f by;
    for (int i = 0; i < 16; ++i) by.m[i] = m[i];
    current().multiply(by);
}

void glMultMatrixd(const GLdouble* m)
{
    Mat4f by;
    for (int i = 0; i < 16; ++i) by.m[i] = static_cast<float>(m[i]);
    current().multiply(by);
}

void glTranslated(GLdouble x, GLdouble y, GLdouble z)
{
    current().multiply(glmath::translation(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)));
}

void glScaled(GLdouble x, GLdouble y, GLdouble z)
{
    current().multiply(glmath::scaling(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)));
}

void glRotated(GLdouble angle, GLdouble x, GLdouble y, GLdouble z)
{
    current().multiply(glmath::rotation(static_cast<float>(angle), Vec3f{static_cast<float>(x), static_cast<float>(y),
                                                                         static_cast<float>(z)}));
}

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar)
{
    current().multiply(glmath::perspective<float>(fovy, aspect, zNear, zFar));
}

void gluLookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centerX, GLdouble centerY, GLdouble centerZ,
               GLdouble upX, GLdouble upY, GLdouble upZ)
{
    current().multiply(glmath::lookAt<float>({eyeX, eyeY, eyeZ}, {centerX, centerY, centerZ}, {upX, upY, upZ}));
}

} // extern "C"
