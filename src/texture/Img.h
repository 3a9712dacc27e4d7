// Img: one decoded image, 8-bit pixels in the file's own channel count, top row first.
// The only code in the program that calls the image decoder. It reads JPEG and PNG only: bytes
// in any other format are refused, whatever the file is called. It does not scale, flip or
// convert the pixels.
#pragma once

#include <cstddef>
#include <memory>

class Img {
public:
    int width;              // pixels; 0 until a decode succeeds
    int height;             // pixels; 0 until a decode succeeds
    unsigned char* pixels;  // decoder-owned buffer, or null
    int channels;           // channels in pixels (1 to 4); 0 without an image

    // Copies share the buffer; the last copy to go releases it.
    Img();
    ~Img();

    // Reads the file at path and decodes it as LoadImgFromMemory does. On failure the image is
    // left empty (0 by 0, null pixels) and one line naming the file and the reason goes to
    // standard error. This image's hold on a previous buffer is given up.
    // Always returns 0.
    int LoadImg(const char* path);

    // Decodes size bytes of a JPEG or PNG file; name stands for the file in the failure line.
    // The same path as LoadImg after the read, so the fuzz target exercises the real code.
    // Always returns 0.
    int LoadImgFromMemory(const unsigned char* bytes, std::size_t size, const char* name);

    int GetWidth() const;
    int GetHeight() const;
    unsigned char* GetPixels() const;

    // Decoded buffers alive in the whole process: each is released with the last copy holding it.
    static int BuffersHeld();

private:
    void clear();

    std::shared_ptr<unsigned char> owner; // keeps pixels alive while any copy refers to them
};
