// Definitions of the GL, GLU and GLUT entry points the program calls, recording into glrec::gl().
// The real headers are included first and the definitions sit in an extern "C" block, so a
// signature that differs from the header's is a compile error.
#include "GlRecorder.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace glrec {

namespace {

void record(const char* name, std::initializer_list<double> args = {}) { gl().calls.push_back({name, args}); }

// Calls that change state are not allowed between glBegin and glEnd.
void outsideBeginOnly() { gl().beginEndErrors += gl().insideBegin ? 1 : 0; }

// A call with two enums and a vector of `count` floats.
void recordVector(const char* name, GLenum a, GLenum b, const GLfloat* values, int count)
{
    std::vector<double> args{double(a), double(b)};
    args.insert(args.end(), values, values + count);
    gl().calls.push_back({name, args});
}

std::vector<Mat4>& currentStack() { return gl().matrixMode == GL_PROJECTION ? gl().projection : gl().modelview; }

void multiply(const Mat4& m) { currentStack().back() = currentStack().back() * m; }

int componentsOf(GLenum format) { return format == GL_RGBA ? 4 : format == GL_RGB ? 3 : format == GL_LUMINANCE_ALPHA ? 2 : 1; }

} // namespace

// Never destroyed: the program's global objects (textures among them) are destroyed at exit,
// after a function-local static made during the tests would be, and still call GL then.
State& gl()
{
    static State* s = new State;
    return *s;
}

void reset() { gl() = State{}; }

std::vector<std::string> callNames()
{
    std::vector<std::string> names;
    for (const Call& call : gl().calls) names.push_back(call.name);
    return names;
}

std::vector<Call> callsNamed(const std::string& name)
{
    std::vector<Call> found;
    for (const Call& call : gl().calls) if (call.name == name) found.push_back(call);
    return found;
}

int findCall(const std::string& name, std::size_t from)
{
    const auto& calls = gl().calls;
    for (std::size_t i = from; i < calls.size(); ++i) if (calls[i].name == name) return static_cast<int>(i);
    return -1;
}

} // namespace glrec

using glrec::record;
using glrec::gl;

extern "C" {

// ---- GL: frame and state ----

void glClear(GLbitfield mask) { glrec::outsideBeginOnly(); record("glClear", {double(mask)}); }
void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a) { record("glClearColor", {r, g, b, a}); }
void glFlush() { record("glFlush"); }
void glViewport(GLint x, GLint y, GLsizei w, GLsizei h) { record("glViewport", {double(x), double(y), double(w), double(h)}); }
void glEnable(GLenum cap) { glrec::outsideBeginOnly(); record("glEnable", {double(cap)}); gl().enabled.insert(cap); }
void glDisable(GLenum cap) { glrec::outsideBeginOnly(); record("glDisable", {double(cap)}); gl().enabled.erase(cap); }
void glShadeModel(GLenum mode) { record("glShadeModel", {double(mode)}); }
void glCullFace(GLenum mode) { glrec::outsideBeginOnly(); record("glCullFace", {double(mode)}); }
void glPolygonMode(GLenum face, GLenum mode) { record("glPolygonMode", {double(face), double(mode)}); }
void glBlendFunc(GLenum sfactor, GLenum dfactor) { record("glBlendFunc", {double(sfactor), double(dfactor)}); }
void glDepthFunc(GLenum func) { record("glDepthFunc", {double(func)}); }
void glLineWidth(GLfloat width) { record("glLineWidth", {width}); }

// ---- GL: lighting and material ----

void glMaterialfv(GLenum face, GLenum pname, const GLfloat* v) { glrec::recordVector("glMaterialfv", face, pname, v, pname == GL_SHININESS ? 1 : 4); }
void glMaterialf(GLenum face, GLenum pname, GLfloat param) { record("glMaterialf", {double(face), double(pname), param}); }
void glLightfv(GLenum light, GLenum pname, const GLfloat* v) { glrec::recordVector("glLightfv", light, pname, v, pname == GL_SPOT_DIRECTION ? 3 : 4); }
void glLightModeli(GLenum pname, GLint param) { record("glLightModeli", {double(pname), double(param)}); }

// ---- GL: textures ----

void glTexParameteri(GLenum target, GLenum pname, GLint p) { record("glTexParameteri", {double(target), double(pname), double(p)}); }
void glReadPixels(GLint x, GLint y, GLsizei w, GLsizei h, GLenum format, GLenum type, void* pixels)
{
    record("glReadPixels", {double(x), double(y), double(w), double(h), double(format), double(type)});
    std::copy_n(gl().frame.begin(), std::min(gl().frame.size(), std::size_t(w) * h * 4), static_cast<unsigned char*>(pixels));
}
void glPixelStorei(GLenum pname, GLint param)
{
    record("glPixelStorei", {double(pname), double(param)});
    if (pname == GL_UNPACK_ALIGNMENT) gl().unpackAlignment = param;
}
void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                  GLint border, GLenum format, GLenum type, const GLvoid* pixels)
{
    glrec::outsideBeginOnly();
    record("glTexImage2D", {double(target), double(level), double(internalFormat), double(width),
                            double(height), double(border), double(format), double(type)});
    glrec::Upload upload{width, height, internalFormat, pixels == nullptr, 0, 0, gl().unpackAlignment};
    if (pixels != nullptr && width > 0 && height > 0) {
        // Read exactly what GL would read, honouring the unpack alignment, so that an upload
        // that runs past its buffer shows up under AddressSanitizer.
        std::size_t align = static_cast<std::size_t>(gl().unpackAlignment);
        std::size_t row = static_cast<std::size_t>(width) * glrec::componentsOf(format);
        std::size_t stride = (row + align - 1) / align * align;
        upload.bytes = stride * static_cast<std::size_t>(height - 1) + row;
        const auto* bytes = static_cast<const unsigned char*>(pixels);
        std::uint64_t& hash = upload.checksum; // FNV-1a
        hash = 1469598103934665603ull;
        for (std::size_t i = 0; i < upload.bytes; ++i) hash = (hash ^ bytes[i]) * 1099511628211ull;
    }
    gl().uploads.push_back(upload);
}
void glDeleteTextures(GLsizei n, const GLuint* names) { record("glDeleteTextures", {double(n), n > 0 ? double(names[0]) : -1.0}); }

// ---- GL: matrices ----

void glMatrixMode(GLenum mode) { record("glMatrixMode", {double(mode)}); gl().matrixMode = mode; }
void glLoadIdentity() { record("glLoadIdentity"); glrec::currentStack().back() = glrec::Mat4::identity(); }
void glPushMatrix()
{
    glrec::outsideBeginOnly();
    record("glPushMatrix");
    glrec::currentStack().push_back(glrec::currentStack().back());
}
void glPopMatrix()
{
    glrec::outsideBeginOnly();
    record("glPopMatrix");
    auto& stack = glrec::currentStack();
    if (stack.size() > 1) stack.pop_back();
    else gl().stackErrors++; // popping the last entry
}
void glTranslated(GLdouble x, GLdouble y, GLdouble z) { record("glTranslated", {x, y, z}); glrec::multiply(glmath::translation(x, y, z)); }
void glRotated(GLdouble a, GLdouble x, GLdouble y, GLdouble z) { record("glRotated", {a, x, y, z}); glrec::multiply(glmath::rotation(a, glrec::Vec3{x, y, z})); }
void glScaled(GLdouble x, GLdouble y, GLdouble z) { record("glScaled", {x, y, z}); glrec::multiply(glmath::scaling(x, y, z)); }

// ---- GL: immediate mode ----

void glBegin(GLenum mode)
{
    record("glBegin", {double(mode)});
    glrec::outsideBeginOnly(); // no nesting
    gl().insideBegin = true;
    gl().primitives.push_back(glrec::Primitive{mode, {}});
}
void glEnd()
{
    record("glEnd");
    gl().beginEndErrors += gl().insideBegin ? 0 : 1;
    gl().insideBegin = false;
}
void glVertex3f(GLfloat x, GLfloat y, GLfloat z)
{
    record("glVertex3f", {x, y, z});
    glrec::State& s = gl();
    s.beginEndErrors += s.insideBegin ? 0 : 1;
    glrec::RecordedVertex v{{x, y, z}, glrec::pointUnder(s.modelview.back(), glrec::Vec3{x, y, z}), s.color, s.normal, s.texCoord};
    if (!s.primitives.empty()) s.primitives.back().vertices.push_back(static_cast<int>(s.vertices.size()));
    s.vertices.push_back(v);
}
void glNormal3f(GLfloat x, GLfloat y, GLfloat z) { record("glNormal3f", {x, y, z}); gl().normal = {x, y, z}; }
void glTexCoord2f(GLfloat s, GLfloat t) { record("glTexCoord2f", {s, t}); gl().texCoord = {s, t, 0, 1}; }
void glTexCoord4f(GLfloat s, GLfloat t, GLfloat r, GLfloat q) { record("glTexCoord4f", {s, t, r, q}); gl().texCoord = {s, t, r, q}; }
void glColor3f(GLfloat r, GLfloat g, GLfloat b) { record("glColor3f", {r, g, b}); gl().color = {r, g, b, 1}; }
void glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) { record("glColor4f", {r, g, b, a}); gl().color = {r, g, b, a}; }

// ---- GLU ----

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar)
{
    record("gluPerspective", {fovy, aspect, zNear, zFar});
    glrec::multiply(glmath::perspective<double>(fovy, aspect, zNear, zFar));
}
void gluLookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centerX, GLdouble centerY,
               GLdouble centerZ, GLdouble upX, GLdouble upY, GLdouble upZ)
{
    record("gluLookAt", {eyeX, eyeY, eyeZ, centerX, centerY, centerZ, upX, upY, upZ});
    glrec::multiply(glmath::lookAt<double>({eyeX, eyeY, eyeZ}, {centerX, centerY, centerZ}, {upX, upY, upZ}));
}

// ---- GLUT ----

void glutInit(int* pargc, char**) { record("glutInit", {double(*pargc)}); }
void glutInitDisplayMode(unsigned int mode) { record("glutInitDisplayMode", {double(mode)}); }
void glutInitWindowSize(int width, int height) { record("glutInitWindowSize", {double(width), double(height)}); }
void glutInitWindowPosition(int x, int y) { record("glutInitWindowPosition", {double(x), double(y)}); }
int glutCreateWindow(const char* title) { record("glutCreateWindow"); gl().windowTitle = title; return 1; }
void glutSetWindowTitle(const char* title) { record("glutSetWindowTitle"); gl().windowTitle = title; }
void glutKeyboardFunc(void (*callback)(unsigned char, int, int)) { record("glutKeyboardFunc"); gl().keyboard = callback; }
void glutKeyboardUpFunc(void (*callback)(unsigned char, int, int)) { record("glutKeyboardUpFunc"); gl().keyboardUp = callback; }
void glutSpecialFunc(void (*callback)(int, int, int)) { record("glutSpecialFunc"); gl().special = callback; }
void glutSpecialUpFunc(void (*callback)(int, int, int)) { record("glutSpecialUpFunc"); gl().specialUp = callback; }
void glutFullScreenToggle() { record("glutFullScreenToggle"); }
void glutPositionWindow(int x, int y) { record("glutPositionWindow", {double(x), double(y)}); gl().window[0] = x, gl().window[1] = y; }
void glutReshapeWindow(int w, int h) { record("glutReshapeWindow", {double(w), double(h)}); gl().window[2] = w, gl().window[3] = h; }
void glutMouseFunc(void (*callback)(int, int, int, int)) { record("glutMouseFunc"); gl().mouse = callback; }
void glutMouseWheelFunc(void (*callback)(int, int, int, int)) { record("glutMouseWheelFunc"); gl().mouseWheel = callback; }
void glutMotionFunc(void (*callback)(int, int)) { record("glutMotionFunc"); gl().motion = callback; }
void glutJoystickFunc(void (*)(unsigned int, int, int, int), int interval) { record("glutJoystickFunc", {double(interval)}); }
void glutDisplayFunc(void (*callback)()) { record("glutDisplayFunc"); gl().display = callback; }
void glutReshapeFunc(void (*callback)(int, int)) { record("glutReshapeFunc"); gl().reshape = callback; }
void glutTimerFunc(unsigned int ms, void (*callback)(int), int value) { record("glutTimerFunc", {double(ms), double(value)}); gl().timer = callback; }
void glutPostRedisplay() { record("glutPostRedisplay"); }
void glutSwapBuffers() { record("glutSwapBuffers"); }
void glutMainLoop() { record("glutMainLoop"); }
int glutGet(GLenum query)
{
    record("glutGet", {double(query)});
    const GLenum place[] = {GLUT_WINDOW_X, GLUT_WINDOW_Y, GLUT_WINDOW_WIDTH, GLUT_WINDOW_HEIGHT};
    for (int k = 0; k < 4; ++k) if (query == place[k]) return gl().window[k];
    return query == GLUT_ELAPSED_TIME ? gl().elapsedTime : 0;
}

} // extern "C"
