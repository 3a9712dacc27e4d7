// The fixed-function OpenGL 1.x subset the scene calls, for the browser, drawn through WebGL 2.
//
// Vertex processing is done here, on the CPU, the way GL 1.x defines it: modelview and
// projection stacks, per-vertex lighting with one positional light, a local viewer, colour
// material and emission, normals renormalised; immediate-mode vertices keep the attributes
// current when they are sent. glEnd assembles the primitive as Mesa's draw module does (quads,
// strips, fans and polygons split into triangles with the same provoking vertex), applies flat
// shading, and in line or point polygon mode culls each polygon itself and emits its edges or
// corners. The page's one shader then only interpolates colour and the projective texture
// coordinates (s, t, q, divided per fragment) and modulates by the texture.
//
// Not here: display lists, texture objects (every glTexImage2D is the default texture, as in the
// scene; decoded images are uploaded once and reused until the decoder frees them), mipmaps,
// texture environments other than GL_MODULATE, more than one light, two-sided lighting, fog,
// stencil, wide lines and points. Calls with other arguments than the scene's are ignored.
//
// A lost WebGL context costs nothing here: every upload kept is made again from the decoded image
// it came from (robotscene_gl_restored), under the same id, and the scene goes on as it was.
#include <GL/freeglut.h>
#include <GL/gl.h>
#include <GL/glu.h>

#include <emscripten.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <tuple>
#include <vector>

#include "gl/Bridge.h"

namespace {

struct Matrix {
    float m[16]; // column-major, as GL keeps it
};

Matrix identity()
{
    return Matrix{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
}

Matrix multiply(const Matrix& a, const Matrix& b)
{
    Matrix r{};
    for (int col = 0; col < 4; ++col) {
        for (int row = 0; row < 4; ++row) {
            float sum = 0;
            for (int k = 0; k < 4; ++k) {
                sum += a.m[k * 4 + row] * b.m[col * 4 + k];
            }
            r.m[col * 4 + row] = sum;
        }
    }
    return r;
}

struct Vec4 {
    float x, y, z, w;
};

Vec4 transform(const Matrix& a, const Vec4& v)
{
    const float* m = a.m;
    return {m[0] * v.x + m[4] * v.y + m[8] * v.z + m[12] * v.w, m[1] * v.x + m[5] * v.y + m[9] * v.z + m[13] * v.w,
            m[2] * v.x + m[6] * v.y + m[10] * v.z + m[14] * v.w, m[3] * v.x + m[7] * v.y + m[11] * v.z + m[15] * v.w};
}

// The inverse transpose of the upper 3 x 3 block, which carries normals into eye space: the
// cofactors divided by the determinant, row-major in out.
void normalMatrix(const Matrix& matrix, float out[9])
{
    float a[3][3];
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
            a[row][col] = matrix.m[col * 4 + row];
        }
    }
    float cofactor[3][3];
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            int i1 = (i + 1) % 3, i2 = (i + 2) % 3, j1 = (j + 1) % 3, j2 = (j + 2) % 3;
            cofactor[i][j] = a[i1][j1] * a[i2][j2] - a[i1][j2] * a[i2][j1];
        }
    }
    float det = a[0][0] * cofactor[0][0] + a[0][1] * cofactor[0][1] + a[0][2] * cofactor[0][2];
    float inverse = det != 0 ? 1 / det : 0;
    for (int i = 0; i < 9; ++i) {
        out[i] = cofactor[i / 3][i % 3] * inverse;
    }
}

// One vertex after transformation and lighting.
struct Processed {
    Vec4 clip;
    float colour[4];
    float tex[4];
};

struct State {
    std::vector<Matrix> modelview{identity()};
    std::vector<Matrix> projection{identity()};
    GLenum matrixMode = GL_MODELVIEW;

    bool lighting = false, light0 = false, colourMaterial = false, normalize = false;
    bool texture2D = false, blend = false, depthTest = false, cullFace = false;
    GLenum cullMode = GL_BACK, polygonMode = GL_FILL, shadeModel = GL_SMOOTH;
    GLenum blendSrc = GL_ONE, blendDst = GL_ZERO, depthFunc = GL_LESS;
    GLint minFilter = GL_LINEAR, magFilter = GL_LINEAR;
    GLint unpackAlignment = 4, packAlignment = 4;
    float clearColour[4] = {0, 0, 0, 0};

    float matAmbient[4] = {0.2f, 0.2f, 0.2f, 1}, matDiffuse[4] = {0.8f, 0.8f, 0.8f, 1};
    float matSpecular[4] = {0, 0, 0, 1}, matEmission[4] = {0, 0, 0, 1};
    float shininess = 0;
    float lightAmbient[4] = {0, 0, 0, 1}, lightDiffuse[4] = {1, 1, 1, 1}, lightSpecular[4] = {1, 1, 1, 1};
    float lightPosition[4] = {0, 0, 1, 0}; // eye coordinates
    float modelAmbient[4] = {0.2f, 0.2f, 0.2f, 1};
    bool localViewer = false;

    float colour[4] = {1, 1, 1, 1};
    float normal[3] = {0, 0, 1};
    float tex[4] = {0, 0, 0, 1};

    int texture = 0; // page texture of the last upload; 0 for none or an empty image
    int nextTexture = 1;

    // Between glBegin and glEnd.
    GLenum mode = 0;
    bool inside = false;
    Matrix beginModelview = identity(), beginMvp = identity();
    float beginNormal[9] = {};
    std::vector<Processed> vertices;

    // Draws gathered for the page, all with the same state.
    GLenum batchMode = GL_TRIANGLES;
    DrawState batchState = {};
    std::vector<BridgeVertex> batch;
};

State& gl()
{
    static State state;
    return state;
}

// Uploaded images by (pixels, width, height, internal format, format, unpack alignment): the
// scene re-uploads the same decoded image at every bind, and decoded images never change while
// they live.
using TextureKey = std::tuple<const void*, int, int, int, int, int>;
std::map<TextureKey, int>& textureCache()
{
    static std::map<TextureKey, int> cache;
    return cache;
}

Matrix& currentMatrix()
{
    State& s = gl();
    return s.matrixMode == GL_PROJECTION ? s.projection.back() : s.modelview.back();
}

void multiplyCurrent(const Matrix& by)
{
    Matrix& current = currentMatrix();
    current = multiply(current, by);
}

bool* capability(GLenum cap)
{
    State& s = gl();
    switch (cap) {
    case GL_LIGHTING: return &s.lighting;
    case GL_LIGHT0: return &s.light0;
    case GL_COLOR_MATERIAL: return &s.colourMaterial;
    case GL_NORMALIZE: return &s.normalize;
    case GL_TEXTURE_2D: return &s.texture2D;
    case GL_BLEND: return &s.blend;
    case GL_DEPTH_TEST: return &s.depthTest;
    case GL_CULL_FACE: return &s.cullFace;
    default: return nullptr;
    }
}

float clamp01(float v)
{
    return v < 0 ? 0 : (v > 1 ? 1 : v);
}

void normalise3(float v[3])
{
    float length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (length > 0) {
        v[0] /= length;
        v[1] /= length;
        v[2] /= length;
    }
}

// GL 1.x lighting for one vertex: emission, the scene's ambient, then light 0's ambient, diffuse
// and (only on the lit side) specular terms; the colour is clamped per vertex, before it is
// interpolated, and its alpha is the diffuse material's.
void light(const State& s, const Vec4& eye, float out[4])
{
    const float* ambient = s.matAmbient;
    const float* diffuse = s.matDiffuse;
    float c[3];
    for (int i = 0; i < 3; ++i) {
        c[i] = s.matEmission[i] + s.modelAmbient[i] * ambient[i];
    }
    if (s.light0) {
        const float* nm = s.beginNormal;
        float n[3] = {nm[0] * s.normal[0] + nm[1] * s.normal[1] + nm[2] * s.normal[2],
                      nm[3] * s.normal[0] + nm[4] * s.normal[1] + nm[5] * s.normal[2],
                      nm[6] * s.normal[0] + nm[7] * s.normal[1] + nm[8] * s.normal[2]};
        if (s.normalize) {
            normalise3(n);
        }
        float v[3] = {eye.x / eye.w, eye.y / eye.w, eye.z / eye.w};
        const float* p = s.lightPosition;
        float l[3] = {p[0], p[1], p[2]};
        if (p[3] != 0) {
            for (int i = 0; i < 3; ++i) {
                l[i] = p[i] / p[3] - v[i];
            }
        }
        normalise3(l);
        float nl = n[0] * l[0] + n[1] * l[1] + n[2] * l[2];
        float highlight = 0;
        if (nl > 0) {
            float h[3] = {l[0], l[1], l[2] + 1};
            if (s.localViewer) {
                float e[3] = {-v[0], -v[1], -v[2]};
                normalise3(e);
                h[0] = l[0] + e[0];
                h[1] = l[1] + e[1];
                h[2] = l[2] + e[2];
            }
            normalise3(h);
            float nh = n[0] * h[0] + n[1] * h[1] + n[2] * h[2];
            highlight = nh > 0 ? std::pow(nh, s.shininess) : 0;
        } else {
            nl = 0;
        }
        for (int i = 0; i < 3; ++i) {
            c[i] += s.lightAmbient[i] * ambient[i] + nl * s.lightDiffuse[i] * diffuse[i] +
                    highlight * s.lightSpecular[i] * s.matSpecular[i];
        }
    }
    for (int i = 0; i < 3; ++i) {
        out[i] = clamp01(c[i]);
    }
    out[3] = clamp01(diffuse[3]);
}

DrawState currentDrawState(bool triangles)
{
    const State& s = gl();
    // Lines and points of polygons were culled here already; the page culls only triangles.
    return DrawState{s.texture2D ? s.texture : 0, s.minFilter, s.magFilter, s.blend, static_cast<std::int32_t>(s.blendSrc),
                     static_cast<std::int32_t>(s.blendDst), s.depthTest, static_cast<std::int32_t>(s.depthFunc),
                     triangles && s.cullFace, static_cast<std::int32_t>(s.cullMode)};
}

void emit(GLenum mode, const Processed& v, const float* colour)
{
    State& s = gl();
    DrawState state = currentDrawState(mode == GL_TRIANGLES);
    if (!s.batch.empty() && (mode != s.batchMode || std::memcmp(&state, &s.batchState, sizeof state) != 0)) {
        webGlFlush();
    }
    s.batchMode = mode;
    s.batchState = state;
    s.batch.push_back(BridgeVertex{{v.clip.x, v.clip.y, v.clip.z, v.clip.w},
                                   {colour[0], colour[1], colour[2], colour[3]},
                                   {v.tex[0], v.tex[1], v.tex[2], v.tex[3]}});
}

// One polygon of a primitive: its corners in order round the edge and the vertex whose colour it
// takes under flat shading.
struct Polygon {
    int corners[4];
    int count;
    int provoking;
};

// Twice the signed window-space area, from homogeneous clip coordinates, so that a polygon
// crossing the eye plane still gets the facing of its visible part.
float facing(const std::vector<Processed>& v, const Polygon& p)
{
    float sum = 0;
    const Vec4& a = v[p.corners[0]].clip;
    for (int k = 1; k + 1 < p.count; ++k) {
        const Vec4& b = v[p.corners[k]].clip;
        const Vec4& c = v[p.corners[k + 1]].clip;
        sum += a.x * (b.y * c.w - c.y * b.w) - a.y * (b.x * c.w - c.x * b.w) + a.w * (b.x * c.y - c.x * b.y);
    }
    return sum;
}

bool culled(const std::vector<Processed>& v, const Polygon& p)
{
    const State& s = gl();
    if (!s.cullFace) {
        return false;
    }
    bool front = facing(v, p) > 0;
    return s.cullMode == GL_FRONT_AND_BACK || (s.cullMode == GL_FRONT) == front;
}

void emitPolygon(const std::vector<Processed>& v, const Polygon& p)
{
    const State& s = gl();
    bool flat = s.shadeModel == GL_FLAT;
    auto colourOf = [&](int index) { return flat ? v[p.provoking].colour : v[index].colour; };
    if (s.polygonMode == GL_FILL) {
        // Quads as (a, b, d) and (b, c, d), larger polygons as a fan ending on the first corner.
        for (int k = 2; k < p.count; ++k) {
            int tri[3] = {p.corners[k - 2], p.corners[k - 1], p.corners[k]};
            if (p.count == 4) {
                tri[0] = p.corners[k == 2 ? 0 : 1];
                tri[1] = p.corners[k == 2 ? 1 : 2];
                tri[2] = p.corners[3];
            } else if (p.count > 4) {
                tri[0] = p.corners[k - 1];
                tri[1] = p.corners[k];
                tri[2] = p.corners[0];
            }
            for (int index : tri) {
                emit(GL_TRIANGLES, v[index], colourOf(index));
            }
        }
        return;
    }
    if (culled(v, p)) {
        return;
    }
    for (int k = 0; k < p.count; ++k) {
        int a = p.corners[k];
        if (s.polygonMode == GL_POINT) {
            emit(GL_POINTS, v[a], colourOf(a));
            continue;
        }
        int b = p.corners[(k + 1) % p.count];
        emit(GL_LINES, v[a], colourOf(a));
        emit(GL_LINES, v[b], colourOf(b));
    }
}

void emitLine(const std::vector<Processed>& v, int a, int b)
{
    bool flat = gl().shadeModel == GL_FLAT;
    emit(GL_LINES, v[a], v[flat ? b : a].colour);
    emit(GL_LINES, v[b], v[b].colour);
}

void assemble(GLenum mode, const std::vector<Processed>& v)
{
    int n = static_cast<int>(v.size());
    auto polygon = [&](std::initializer_list<int> corners, int provoking) {
        Polygon p{{0, 0, 0, 0}, 0, provoking};
        for (int c : corners) {
            p.corners[p.count++] = c;
        }
        emitPolygon(v, p);
    };
    switch (mode) {
    case GL_POINTS:
        for (int i = 0; i < n; ++i) {
            emit(GL_POINTS, v[i], v[i].colour);
        }
        break;
    case GL_LINES:
        for (int i = 0; i + 1 < n; i += 2) {
            emitLine(v, i, i + 1);
        }
        break;
    case GL_LINE_STRIP:
        for (int i = 0; i + 1 < n; ++i) {
            emitLine(v, i, i + 1);
        }
        break;
    case GL_TRIANGLES:
        for (int i = 0; i + 2 < n; i += 3) {
            polygon({i, i + 1, i + 2}, i + 2);
        }
        break;
    case GL_TRIANGLE_STRIP:
        for (int i = 0; i + 2 < n; ++i) {
            polygon({i + (i & 1), i + 1 - (i & 1), i + 2}, i + 2);
        }
        break;
    case GL_TRIANGLE_FAN:
        for (int i = 0; i + 2 < n; ++i) {
            polygon({0, i + 1, i + 2}, i + 2);
        }
        break;
    case GL_QUADS:
        for (int i = 0; i + 3 < n; i += 4) {
            polygon({i, i + 1, i + 2, i + 3}, i + 3);
        }
        break;
    case GL_QUAD_STRIP:
        for (int i = 0; i + 3 < n; i += 2) {
            polygon({i + 2, i, i + 1, i + 3}, i + 3);
        }
        break;
    case GL_POLYGON:
        // Any number of corners: drawn as triangles (k - 1, k, 0), so corner 0 is provoking.
        if (gl().polygonMode == GL_FILL) {
            for (int k = 2; k < n; ++k) {
                polygon({k - 1, k, 0}, 0);
            }
        } else if (n >= 3) {
            // Outline and facing of the whole polygon: its fan's areas add up.
            float area = 0;
            for (int k = 1; k + 1 < n; ++k) {
                Polygon part{{0, k, k + 1, 0}, 3, 0};
                area += facing(v, part);
            }
            const State& s = gl();
            bool front = area > 0;
            if (s.cullFace && (s.cullMode == GL_FRONT_AND_BACK || (s.cullMode == GL_FRONT) == front)) {
                break;
            }
            bool flat = s.shadeModel == GL_FLAT;
            for (int k = 0; k < n; ++k) {
                const float* c = flat ? v[0].colour : v[k].colour;
                if (s.polygonMode == GL_POINT) {
                    emit(GL_POINTS, v[k], c);
                } else {
                    emit(GL_LINES, v[k], c);
                    emit(GL_LINES, v[(k + 1) % n], flat ? c : v[(k + 1) % n].colour);
                }
            }
        }
        break;
    default: break;
    }
}

// RGBA8 pixels for the page from the scene's upload: an RGB internal format keeps alpha at 1,
// luminance fills red, green and blue, rows follow the unpack alignment.
std::vector<std::uint8_t> expand(const TextureKey& key)
{
    auto [pointer, width, height, internalFormat, format, alignment] = key;
    const auto* pixels = static_cast<const std::uint8_t*>(pointer);
    int channels = format == GL_RGBA ? 4 : format == GL_LUMINANCE_ALPHA ? 2 : format == GL_LUMINANCE ? 1 : 3;
    std::size_t stride = (static_cast<std::size_t>(width) * channels + alignment - 1) / alignment * alignment;
    bool keepAlpha = internalFormat == GL_RGBA || internalFormat == 4;
    std::vector<std::uint8_t> out(static_cast<std::size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = pixels + y * stride;
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* p = row + x * channels;
            std::uint8_t* q = &out[(static_cast<std::size_t>(y) * width + x) * 4];
            bool grey = channels <= 2;
            q[0] = p[0];
            q[1] = grey ? p[0] : p[1];
            q[2] = grey ? p[0] : p[2];
            std::uint8_t alpha = channels == 4 ? p[3] : channels == 2 ? p[1] : 255;
            q[3] = keepAlpha ? alpha : 255;
        }
    }
    return out;
}

void upload(const TextureKey& key, int id)
{
    std::vector<std::uint8_t> rgba = expand(key);
    robotscene_gl_texture(id, std::get<1>(key), std::get<2>(key), rgba.data());
}

} // namespace

void webGlFlush()
{
    State& s = gl();
    if (s.batch.empty()) {
        return;
    }
    robotscene_gl_draw(s.batchMode, s.batch.data(), static_cast<int>(s.batch.size()), &s.batchState);
    s.batch.clear();
}

// Called by the page once a lost context is back and its program and buffers are made again:
// every upload still kept is made again under its id, and the frame is drawn anew.
extern "C" EMSCRIPTEN_KEEPALIVE void robotscene_gl_restored()
{
    for (const auto& [key, id] : textureCache()) {
        upload(key, id);
    }
    glutPostRedisplay();
}

// Every free() of the program is linked to this one (web.mk: -Wl,--wrap=free), so the upload
// kept for a decoded image is dropped when the decoder's buffer goes, before the address can be
// reused by another image. The cache holds a few dozen entries: looking costs nothing.
extern "C" void __real_free(void* pointer);
extern "C" void __wrap_free(void* pointer)
{
    auto& cache = textureCache();
    for (auto it = cache.begin(); it != cache.end();) {
        if (std::get<0>(it->first) == pointer) {
            webGlFlush();
            if (gl().texture == it->second) {
                gl().texture = 0;
            }
            robotscene_gl_delete_texture(it->second);
            it = cache.erase(it);
        } else {
            ++it;
        }
    }
    __real_free(pointer);
}

extern "C" {

void glClearColor(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha)
{
    float* c = gl().clearColour;
    c[0] = clamp01(red);
    c[1] = clamp01(green);
    c[2] = clamp01(blue);
    c[3] = clamp01(alpha);
}

void glClear(GLbitfield mask)
{
    webGlFlush();
    const float* c = gl().clearColour;
    robotscene_gl_clear(mask, c[0], c[1], c[2], c[3]);
}

void glFlush(void)
{
    webGlFlush();
}

void glEnable(GLenum cap)
{
    if (bool* flag = capability(cap)) {
        *flag = true;
    }
}

void glDisable(GLenum cap)
{
    if (bool* flag = capability(cap)) {
        *flag = false;
    }
}

void glCullFace(GLenum mode)
{
    gl().cullMode = mode;
}

void glPolygonMode(GLenum, GLenum mode)
{
    gl().polygonMode = mode;
}

void glShadeModel(GLenum mode)
{
    gl().shadeModel = mode;
}

void glBlendFunc(GLenum sfactor, GLenum dfactor)
{
    gl().blendSrc = sfactor;
    gl().blendDst = dfactor;
}

void glDepthFunc(GLenum func)
{
    gl().depthFunc = func;
}

void glLineWidth(GLfloat) {}

void glViewport(GLint x, GLint y, GLsizei width, GLsizei height)
{
    webGlFlush();
    robotscene_gl_viewport(x, y, width, height);
}

void glMatrixMode(GLenum mode)
{
    gl().matrixMode = mode;
}

void glLoadIdentity(void)
{
    currentMatrix() = identity();
}

void glPushMatrix(void)
{
    State& s = gl();
    auto& stack = s.matrixMode == GL_PROJECTION ? s.projection : s.modelview;
    stack.push_back(stack.back());
}

void glPopMatrix(void)
{
    State& s = gl();
    auto& stack = s.matrixMode == GL_PROJECTION ? s.projection : s.modelview;
    if (stack.size() > 1) {
        stack.pop_back();
    }
}

void glMultMatrixf(const GLfloat* m)
{
    Matrix by;
    std::memcpy(by.m, m, sizeof by.m);
    multiplyCurrent(by);
}

void glMultMatrixd(const GLdouble* m)
{
    Matrix by;
    for (int i = 0; i < 16; ++i) {
        by.m[i] = static_cast<float>(m[i]);
    }
    multiplyCurrent(by);
}

void glTranslated(GLdouble x, GLdouble y, GLdouble z)
{
    Matrix by = identity();
    by.m[12] = static_cast<float>(x);
    by.m[13] = static_cast<float>(y);
    by.m[14] = static_cast<float>(z);
    multiplyCurrent(by);
}

void glScaled(GLdouble x, GLdouble y, GLdouble z)
{
    Matrix by = identity();
    by.m[0] = static_cast<float>(x);
    by.m[5] = static_cast<float>(y);
    by.m[10] = static_cast<float>(z);
    multiplyCurrent(by);
}

void glRotated(GLdouble angle, GLdouble ax, GLdouble ay, GLdouble az)
{
    float x = static_cast<float>(ax), y = static_cast<float>(ay), z = static_cast<float>(az);
    float length = std::sqrt(x * x + y * y + z * z);
    if (length == 0) {
        return;
    }
    x /= length;
    y /= length;
    z /= length;
    float radians = static_cast<float>(angle) * 3.14159265358979323846f / 180.0f;
    float c = std::cos(radians), s = std::sin(radians), t = 1 - c;
    Matrix by = identity();
    by.m[0] = x * x * t + c;
    by.m[1] = y * x * t + z * s;
    by.m[2] = x * z * t - y * s;
    by.m[4] = x * y * t - z * s;
    by.m[5] = y * y * t + c;
    by.m[6] = y * z * t + x * s;
    by.m[8] = x * z * t + y * s;
    by.m[9] = y * z * t - x * s;
    by.m[10] = z * z * t + c;
    multiplyCurrent(by);
}

void glMaterialfv(GLenum face, GLenum pname, const GLfloat* params)
{
    if (face == GL_BACK) {
        return; // one-sided lighting uses the front material only
    }
    State& s = gl();
    float* target = pname == GL_AMBIENT    ? s.matAmbient
                    : pname == GL_DIFFUSE  ? s.matDiffuse
                    : pname == GL_SPECULAR ? s.matSpecular
                    : pname == GL_EMISSION ? s.matEmission
                                           : nullptr;
    if (target != nullptr) {
        std::memcpy(target, params, 4 * sizeof(float));
    } else if (pname == GL_AMBIENT_AND_DIFFUSE) {
        std::memcpy(s.matAmbient, params, 4 * sizeof(float));
        std::memcpy(s.matDiffuse, params, 4 * sizeof(float));
    } else if (pname == GL_SHININESS) {
        s.shininess = params[0];
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
    case GL_AMBIENT: std::memcpy(s.lightAmbient, params, 4 * sizeof(float)); break;
    case GL_DIFFUSE: std::memcpy(s.lightDiffuse, params, 4 * sizeof(float)); break;
    case GL_SPECULAR: std::memcpy(s.lightSpecular, params, 4 * sizeof(float)); break;
    case GL_POSITION: {
        // Kept in eye coordinates: transformed by the modelview current at this call.
        Vec4 eye = transform(s.modelview.back(), Vec4{params[0], params[1], params[2], params[3]});
        s.lightPosition[0] = eye.x;
        s.lightPosition[1] = eye.y;
        s.lightPosition[2] = eye.z;
        s.lightPosition[3] = eye.w;
        break;
    }
    default: break;
    }
}

void glLightModeli(GLenum pname, GLint param)
{
    if (pname == GL_LIGHT_MODEL_LOCAL_VIEWER) {
        gl().localViewer = param != 0;
    }
}

void glBegin(GLenum mode)
{
    State& s = gl();
    s.mode = mode;
    s.inside = true;
    s.vertices.clear();
    s.beginModelview = s.modelview.back();
    s.beginMvp = multiply(s.projection.back(), s.beginModelview);
    normalMatrix(s.beginModelview, s.beginNormal);
}

void glEnd(void)
{
    State& s = gl();
    if (!s.inside) {
        return;
    }
    s.inside = false;
    assemble(s.mode, s.vertices);
}

void glVertex3f(GLfloat x, GLfloat y, GLfloat z)
{
    State& s = gl();
    if (!s.inside) {
        return;
    }
    Vec4 object{x, y, z, 1};
    Processed v;
    Vec4 eye = transform(s.beginModelview, object);
    v.clip = transform(s.beginMvp, object);
    if (s.lighting) {
        light(s, eye, v.colour);
    } else {
        for (int i = 0; i < 4; ++i) {
            v.colour[i] = clamp01(s.colour[i]);
        }
    }
    std::memcpy(v.tex, s.tex, sizeof v.tex);
    s.vertices.push_back(v);
}

void glNormal3f(GLfloat nx, GLfloat ny, GLfloat nz)
{
    float* n = gl().normal;
    n[0] = nx;
    n[1] = ny;
    n[2] = nz;
}

// Colour material as Mesa applies it: the material follows a colour sent between glBegin and
// glEnd, or one that changes the current colour; a colour set again to the value it already has
// outside glBegin/glEnd leaves the material alone, and so does enabling colour material. (The
// desktop's menu, drawn white before any other colour was ever set, is lit with the glMaterial
// values.)
void glColor4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha)
{
    State& s = gl();
    const float c[4] = {red, green, blue, alpha};
    if (!s.inside && std::memcmp(c, s.colour, sizeof c) == 0) {
        return;
    }
    std::memcpy(s.colour, c, sizeof c);
    if (s.colourMaterial) {
        std::memcpy(s.matAmbient, c, sizeof c);
        std::memcpy(s.matDiffuse, c, sizeof c);
    }
}

void glColor3f(GLfloat red, GLfloat green, GLfloat blue)
{
    glColor4f(red, green, blue, 1);
}

void glTexCoord4f(GLfloat s, GLfloat t, GLfloat r, GLfloat q)
{
    float* c = gl().tex;
    c[0] = s;
    c[1] = t;
    c[2] = r;
    c[3] = q;
}

void glTexCoord2f(GLfloat s, GLfloat t)
{
    glTexCoord4f(s, t, 0, 1);
}

void glTexParameteri(GLenum, GLenum pname, GLint param)
{
    if (pname == GL_TEXTURE_MIN_FILTER) {
        gl().minFilter = param;
    } else if (pname == GL_TEXTURE_MAG_FILTER) {
        gl().magFilter = param;
    }
}

void glPixelStorei(GLenum pname, GLint param)
{
    if (pname == GL_UNPACK_ALIGNMENT) {
        gl().unpackAlignment = param;
    } else if (pname == GL_PACK_ALIGNMENT) {
        gl().packAlignment = param;
    }
}

// From the drawing buffer (the page keeps it between frames, so this works outside the display
// callback too), bottom row first, rows padded to the pack alignment.
void glReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type, GLvoid* pixels)
{
    if ((format != GL_RGB && format != GL_RGBA) || type != GL_UNSIGNED_BYTE || width <= 0 || height <= 0) {
        return; // nothing else is read by the program
    }
    webGlFlush();
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width) * height * 4);
    robotscene_gl_read_pixels(x, y, width, height, rgba.data());
    int channels = format == GL_RGBA ? 4 : 3;
    int alignment = gl().packAlignment;
    std::size_t stride = (static_cast<std::size_t>(width) * channels + alignment - 1) / alignment * alignment;
    auto* out = static_cast<std::uint8_t*>(pixels);
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            std::memcpy(out + row * stride + column * channels, &rgba[(static_cast<std::size_t>(row) * width + column) * 4],
                        channels);
        }
    }
}

void glTexImage2D(GLenum, GLint level, GLint internalFormat, GLsizei width, GLsizei height, GLint, GLenum format,
                  GLenum, const GLvoid* pixels)
{
    State& s = gl();
    if (level != 0) {
        return;
    }
    if (pixels == nullptr || width <= 0 || height <= 0) {
        s.texture = 0; // an empty image leaves texturing without effect, as GL does
        return;
    }
    TextureKey key{pixels, width, height, internalFormat, static_cast<int>(format), s.unpackAlignment};
    auto& cache = textureCache();
    auto found = cache.find(key);
    if (found == cache.end()) {
        found = cache.emplace(key, s.nextTexture++).first;
        upload(key, found->second);
    }
    s.texture = found->second;
}

void glDeleteTextures(GLsizei, const GLuint*) {}

// GLU's own construction: the perspective matrix multiplies the current one.
void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar)
{
    double radians = fovy / 2 * 3.14159265358979323846 / 180;
    double deltaZ = zFar - zNear;
    double sine = std::sin(radians);
    if (deltaZ == 0 || sine == 0 || aspect == 0) {
        return;
    }
    double cotangent = std::cos(radians) / sine;
    double m[16] = {cotangent / aspect, 0, 0, 0, 0, cotangent, 0, 0, 0, 0, -(zFar + zNear) / deltaZ, -1,
                    0, 0, -2 * zNear * zFar / deltaZ, 0};
    glMultMatrixd(m);
}

void gluLookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centerX, GLdouble centerY, GLdouble centerZ,
               GLdouble upX, GLdouble upY, GLdouble upZ)
{
    float f[3] = {static_cast<float>(centerX - eyeX), static_cast<float>(centerY - eyeY),
                  static_cast<float>(centerZ - eyeZ)};
    float up[3] = {static_cast<float>(upX), static_cast<float>(upY), static_cast<float>(upZ)};
    normalise3(f);
    float side[3] = {f[1] * up[2] - f[2] * up[1], f[2] * up[0] - f[0] * up[2], f[0] * up[1] - f[1] * up[0]};
    normalise3(side);
    float u[3] = {side[1] * f[2] - side[2] * f[1], side[2] * f[0] - side[0] * f[2],
                  side[0] * f[1] - side[1] * f[0]};
    float m[16] = {side[0], u[0], -f[0], 0, side[1], u[1], -f[1], 0, side[2], u[2], -f[2], 0, 0, 0, 0, 1};
    glMultMatrixf(m);
    glTranslated(-eyeX, -eyeY, -eyeZ);
}

} // extern "C"
