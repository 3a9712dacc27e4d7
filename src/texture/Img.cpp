// Decoding of image files with stb_image; the only place in the program that calls it.
#include "texture/Img.h"

#include <atomic>
#include <cstdio>

#include <stb_image.h>

namespace {

// Larger images are refused before decoding: a header can claim gigabytes. No image the
// program ships comes near this.
constexpr int maxImageSide = 8192; // pixels

// Decoded buffers not yet released, for the check that every one is freed with its last copy.
std::atomic<int> buffersHeld{0};

void releaseBuffer(unsigned char* buffer)
{
    stbi_image_free(buffer);
    --buffersHeld;
}

void reportFailure(const char* path, const char* reason)
{
    std::fprintf(stderr, "robotscene: cannot load image %s: %s\n", path, reason);
}

} // namespace

Img::Img() : width(0), height(0), pixels(nullptr), channels(0) {}

Img::~Img() = default;

int Img::LoadImg(const char* path)
{
    owner.reset();
    pixels = nullptr;
    width = 0;
    height = 0;
    channels = 0;

    int w = 0;
    int h = 0;
    int n = 0;
    if (stbi_info(path, &w, &h, &n) && (w > maxImageSide || h > maxImageSide)) {
        reportFailure(path, "image larger than 8192 pixels on a side");
        return 0;
    }
    unsigned char* decoded = stbi_load(path, &w, &h, &n, 0);
    if (decoded == nullptr) {
        const char* reason = stbi_failure_reason();
        reportFailure(path, reason != nullptr ? reason : "unknown error");
        return 0;
    }
    width = w;
    height = h;
    channels = n;
    pixels = decoded;
    ++buffersHeld;
    owner.reset(decoded, releaseBuffer);
    return 0;
}

int Img::GetWidth() const
{
    return width;
}

int Img::GetHeight() const
{
    return height;
}

unsigned char* Img::GetPixels() const
{
    return pixels;
}

int Img::BuffersHeld()
{
    return buffersHeld;
}
