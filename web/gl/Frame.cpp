// The page's GL layer, its side towards the page: the capabilities and the draw state, clearing
// and reading back the frame, and the vertices of what is drawn, batched while the draw state
// stays the same and handed to WebGL 2 through the bridge (gl/Bridge.h, web/js/gl.js).
#include <GL/gl.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "gl/State.h"

State& gl()
{
    static State state;
    return state;
}

namespace {

// Draws gathered for the page, all with the same mode and state.
struct Batch {
    GLenum mode = GL_TRIANGLES;
    DrawState state = {};
    std::vector<BridgeVertex> vertices;
};

Batch& batch()
{
    static Batch pending;
    return pending;
}

bool* capability(GLenum cap)
{
    State& s = gl();
    switch (cap) {
    case GL_LIGHTING: return &s.lighting;
    case GL_LIGHT0: return &s.light0.on;
    case GL_COLOR_MATERIAL: return &s.colourMaterial;
    case GL_NORMALIZE: return &s.normalize;
    case GL_TEXTURE_2D: return &s.texture2D;
    case GL_BLEND: return &s.blend;
    case GL_DEPTH_TEST: return &s.depthTest;
    case GL_CULL_FACE: return &s.rasterisation.cull;
    default: return nullptr;
    }
}

DrawState currentDrawState(bool triangles)
{
    const State& s = gl();
    // Lines and points of polygons were culled already; the page culls only triangles.
    return DrawState{s.texture2D ? s.texture : 0, s.minFilter, s.magFilter, s.blend, static_cast<std::int32_t>(s.blendSrc),
                     static_cast<std::int32_t>(s.blendDst), s.depthTest, static_cast<std::int32_t>(s.depthFunc),
                     triangles && s.rasterisation.cull, static_cast<std::int32_t>(s.rasterisation.cullFace)};
}

} // namespace

void emit(Drawn kind, const Vec4f& clip, const Colour& colour, const Vec4f& tex)
{
    Batch& b = batch();
    const GLenum mode = static_cast<GLenum>(kind);
    const DrawState state = currentDrawState(kind == Drawn::Triangles);
    if (!b.vertices.empty() && (mode != b.mode || std::memcmp(&state, &b.state, sizeof state) != 0)) {
        webGlFlush();
    }
    b.mode = mode;
    b.state = state;
    b.vertices.push_back(BridgeVertex{{clip[0], clip[1], clip[2], clip[3]},
                                      {colour[0], colour[1], colour[2], colour[3]},
                                      {tex[0], tex[1], tex[2], tex[3]}});
}

void webGlFlush()
{
    Batch& b = batch();
    if (b.vertices.empty()) {
        return;
    }
    robotscene_gl_draw(b.mode, b.vertices.data(), static_cast<int>(b.vertices.size()), &b.state);
    b.vertices.clear();
}

extern "C" {

void glClearColor(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha)
{
    gl().clearColour = clamped(Colour{red, green, blue, alpha});
}

void glClear(GLbitfield mask)
{
    webGlFlush();
    const Colour& c = gl().clearColour;
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
    // The program enables texturing after decoding each image it loads at start: a place to let
    // the browser in between two decodings.
    if (cap == GL_TEXTURE_2D) {
        yieldDuringStart();
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
    gl().rasterisation.cullFace = static_cast<CullFace>(mode);
}

void glPolygonMode(GLenum, GLenum mode)
{
    gl().rasterisation.polygonMode = static_cast<PolygonMode>(mode);
}

void glShadeModel(GLenum mode)
{
    gl().flat = mode == GL_FLAT;
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

} // extern "C"
