// Upload of decoded images into the default texture object, anew at every bind.
#include "texture/Texture.h"

namespace {

// The pixel format of what the image really holds, so an upload never reads past the buffer
// when a file does not have the channel count its bind expects.
GLenum pixelFormat(int channels)
{
    switch (channels) {
    case 1: return GL_LUMINANCE;
    case 2: return GL_LUMINANCE_ALPHA;
    case 4: return GL_RGBA;
    default: return GL_RGB;
    }
}

void upload(const Img& image, GLint internalFormat)
{
    GLenum format = image.pixels != nullptr ? pixelFormat(image.channels) : static_cast<GLenum>(internalFormat);
    // Rows are tightly packed whatever the width; GL's default of 4 is restored for the rest.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, internalFormat, image.width, image.height, 0, format,
                 GL_UNSIGNED_BYTE, image.pixels);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
}

} // namespace

Texture::Texture() : textureId(0), image(), loaded(false) {}

Texture::~Texture()
{
    glDeleteTextures(1, &textureId);
}

void Texture::load(std::string path)
{
    image.LoadImg(path.c_str());
    glEnable(GL_TEXTURE_2D);
    loaded = true;
}

void Texture::bind()
{
    upload(image, GL_RGB);
}

void Texture::bindAlpha()
{
    upload(image, GL_RGBA);
}
