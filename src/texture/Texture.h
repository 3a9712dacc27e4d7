// Texture: a decoded image and its upload into the default GL_TEXTURE_2D object.
// There are no texture objects: every bind re-specifies level 0 from the decoded pixels, so all
// textures share one object and its filter settings. Copies share the pixel buffer.
#pragma once

#include <string>

#include <GL/gl.h>

#include "texture/Img.h"

class Texture {
public:
    GLuint textureId; // never assigned: stays 0, handed to glDeleteTextures by the destructor
    Img image;
    bool loaded;      // set by load(), never cleared

    Texture();
    ~Texture();

    // Decodes the file, switches GL_TEXTURE_2D on and marks the texture loaded.
    void load(std::string path);
    // Uploads the image as RGB (bind) or RGBA (bindAlpha) into level 0 of GL_TEXTURE_2D.
    void bind();
    void bindAlpha();
};
