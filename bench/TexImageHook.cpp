// Interposes glTexImage2D in the bench executable. The scene library is linked statically, so
// its calls bind to this definition; the real one is the next in the lookup order (libGL).
#include "TexImageHook.h"

#include <cstdio>
#include <cstdlib>

#include <dlfcn.h>

#include "UploadLog.h"

namespace {

using TexImage2D = void (*)(GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum, const void*);

constexpr GLint defaultUnpackAlignment = 4; // bytes, GL's start value

TexImage2D realTexImage2D()
{
    static TexImage2D real = reinterpret_cast<TexImage2D>(dlsym(RTLD_NEXT, "glTexImage2D"));
    if (real == nullptr) {
        // Without it no image would ever reach GL and every figure would be wrong.
        std::fprintf(stderr, "robotscene-bench: libGL's glTexImage2D not found: %s\n", dlerror());
        std::abort();
    }
    return real;
}

} // namespace

extern "C" void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                             GLint border, GLenum format, GLenum type, const GLvoid* pixels)
{
    GLint alignment = defaultUnpackAlignment;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    uploadLog().add({target, level, internalFormat, width, height, border, format, type, pixels, alignment});
    realTexImage2D()(target, level, internalFormat, width, height, border, format, type, pixels);
}

void replayRecordedUploads()
{
    // A copy: the hook appends to the log should a recording still be running.
    std::vector<TexImageCall> calls = uploadLog().recorded();
    for (const TexImageCall& call : calls) {
        glPixelStorei(GL_UNPACK_ALIGNMENT, call.unpackAlignment);
        glTexImage2D(call.target, call.level, call.internalFormat, call.width, call.height, call.border,
                     call.format, call.type, call.pixels);
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, defaultUnpackAlignment);
}
