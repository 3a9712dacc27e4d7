// The page's GL layer: texture uploads and filters. Each decoded image is handed to the page once,
// through the texture cache (gl/TextureCache.h), and forgotten as the decoder frees its buffer;
// a lost WebGL context costs nothing, as every upload kept is made again under its id.
#include <GL/freeglut.h>
#include <GL/gl.h>

#include <emscripten.h>

#include "gl/State.h"
#include "gl/TextureCache.h"

namespace {

TextureCache& cache()
{
    static TextureCache textures(
        [](int id, int width, int height, const std::uint8_t* rgba) { robotscene_gl_texture(id, width, height, rgba); },
        [](int id) {
            webGlFlush(); // draws pending with it go first
            if (gl().texture == id) {
                gl().texture = 0;
            }
            robotscene_gl_delete_texture(id);
        });
    return textures;
}

int channelsOf(GLenum format)
{
    return format == GL_RGBA ? 4 : format == GL_LUMINANCE_ALPHA ? 2 : format == GL_LUMINANCE ? 1 : 3;
}

} // namespace

// Called by the page once a lost context is back and its program and buffers are made again:
// every upload still kept is made again under its id, and the frame is drawn anew.
extern "C" EMSCRIPTEN_KEEPALIVE void robotscene_gl_restored()
{
    cache().restore();
    glutPostRedisplay();
}

// Every free() of the program is linked to this one (web/CMakeLists.txt: -Wl,--wrap=free), so the
// upload kept for a decoded image is dropped when the decoder's buffer goes, before the address
// can be reused by another image.
extern "C" void __real_free(void* pointer);
extern "C" void __wrap_free(void* pointer)
{
    cache().forget(pointer);
    __real_free(pointer);
}

extern "C" {

void glTexParameteri(GLenum, GLenum pname, GLint param)
{
    if (pname == GL_TEXTURE_MIN_FILTER) {
        gl().minFilter = param;
    } else if (pname == GL_TEXTURE_MAG_FILTER) {
        gl().magFilter = param;
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
    const bool keepAlpha = internalFormat == GL_RGBA || internalFormat == 4;
    s.texture = cache().bind(Image{pixels, width, height, channelsOf(format), keepAlpha, s.unpackAlignment});
}

void glDeleteTextures(GLsizei, const GLuint*) {}

} // extern "C"
