// UploadLog: what the bench's glTexImage2D hook saw. It counts the bytes GL reads from the
// caller's pixels, and while recording keeps each call so that one scene frame's binds can be
// replayed with nothing drawn. It calls no GL itself; TexImageHook.cpp feeds and replays it.
#pragma once

#include <cstddef>
#include <vector>

#include <GL/gl.h>

// One glTexImage2D call, with the unpack alignment in force when it was made.
struct TexImageCall {
    GLenum target;
    GLint level;
    GLint internalFormat;
    GLsizei width;
    GLsizei height;
    GLint border;
    GLenum format;
    GLenum type;
    const void* pixels; // the caller's buffer: valid only until that image is reloaded
    GLint unpackAlignment;
};

class UploadLog {
public:
    // Bytes GL reads from the pixel pointer for this call: full rows padded to the alignment,
    // the last row unpadded; 0 for a null pointer or an empty image.
    static std::size_t bytesOf(const TexImageCall& call);

    void add(const TexImageCall& call);
    // Bytes added since the last call (or since the start), and the count starts again at 0.
    std::size_t takeBytes();

    // Keeps every call added from now on, dropping what an earlier recording kept.
    void startRecording();
    void stopRecording();
    const std::vector<TexImageCall>& recorded() const;

private:
    std::size_t bytes = 0;
    bool recording = false;
    std::vector<TexImageCall> calls;
};

// The log the hook writes to: one per process, like the GL context it watches.
UploadLog& uploadLog();
