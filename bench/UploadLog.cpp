// Byte counting and recording of texture uploads.
#include "UploadLog.h"

namespace {

std::size_t componentsOf(GLenum format)
{
    switch (format) {
    case GL_RGBA:
    case GL_BGRA: return 4;
    case GL_RGB:
    case GL_BGR: return 3;
    case GL_LUMINANCE_ALPHA: return 2;
    default: return 1;
    }
}

std::size_t bytesPerComponent(GLenum type)
{
    switch (type) {
    case GL_UNSIGNED_SHORT:
    case GL_SHORT: return 2;
    case GL_UNSIGNED_INT:
    case GL_INT:
    case GL_FLOAT: return 4;
    default: return 1;
    }
}

} // namespace

std::size_t UploadLog::bytesOf(const TexImageCall& call)
{
    if (call.pixels == nullptr || call.width <= 0 || call.height <= 0) {
        return 0; // GL reads nothing
    }
    // GL allows only 1, 2, 4 and 8; anything else would divide by zero below.
    std::size_t align = call.unpackAlignment > 0 ? static_cast<std::size_t>(call.unpackAlignment) : 1;
    std::size_t row = static_cast<std::size_t>(call.width) * componentsOf(call.format) * bytesPerComponent(call.type);
    std::size_t stride = (row + align - 1) / align * align;
    return stride * static_cast<std::size_t>(call.height - 1) + row;
}

void UploadLog::add(const TexImageCall& call)
{
    bytes += bytesOf(call);
    if (recording) {
        calls.push_back(call);
    }
}

std::size_t UploadLog::takeBytes()
{
    std::size_t taken = bytes;
    bytes = 0;
    return taken;
}

void UploadLog::startRecording()
{
    calls.clear();
    recording = true;
}

void UploadLog::stopRecording()
{
    recording = false;
}

const std::vector<TexImageCall>& UploadLog::recorded() const
{
    return calls;
}

UploadLog& uploadLog()
{
    static UploadLog log;
    return log;
}
