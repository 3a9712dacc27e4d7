// Reading the frame just drawn and encoding it as PNG, with stb_image_write compiled here from
// libstb-dev's header (PNG only, no stdio: the file is written by offerPicture). No file and no
// message here: offerPicture does those, on the desktop and in the page alike.
#include "app/Picture.h"

#include <cstddef>

#include <GL/freeglut.h>

#include "input/Event.h"

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#endif
#include <stb_image_write.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace {

constexpr std::size_t readChannels = 4;  // RGBA: the one pixel format every GL reads back
constexpr std::size_t savedChannels = 3; // RGB: the clear colour's alpha is 0, the frame opaque

void appendBytes(void* context, void* data, int size)
{
    auto* out = static_cast<std::vector<unsigned char>*>(context);
    auto* bytes = static_cast<unsigned char*>(data);
    out->insert(out->end(), bytes, bytes + size);
}

} // namespace

// The viewport covers the whole window (reshape sets it so), so the window's size is the frame's.
std::vector<unsigned char> framePng()
{
    int width = glutGet(GLUT_WINDOW_WIDTH);
    int height = glutGet(GLUT_WINDOW_HEIGHT);
    if (width <= 0 || height <= 0) {
        return {};
    }
    std::size_t w = static_cast<std::size_t>(width);
    std::size_t h = static_cast<std::size_t>(height);
    std::vector<unsigned char> rgba(w * h * readChannels);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    // GL's rows run bottom up, a PNG's top down.
    std::vector<unsigned char> rgb(w * h * savedChannels);
    for (std::size_t y = 0; y < h; ++y) {
        const unsigned char* from = &rgba[(h - 1 - y) * w * readChannels];
        unsigned char* to = &rgb[y * w * savedChannels];
        for (std::size_t x = 0; x < w; ++x) {
            for (std::size_t c = 0; c < savedChannels; ++c) {
                to[x * savedChannels + c] = from[x * readChannels + c];
            }
        }
    }
    std::vector<unsigned char> png;
    if (!stbi_write_png_to_func(appendBytes, &png, width, height, int(savedChannels), rgb.data(),
                                int(w * savedChannels))) {
        return {};
    }
    return png;
}

std::string pictureName(std::time_t when)
{
    std::tm local{};
    localtime_r(&when, &local);
    char name[64];
    std::strftime(name, sizeof name, "robotscene-%Y%m%d-%H%M%S.png", &local);
    return name;
}

void takeRequestedPicture()
{
    if (!ev.pictureRequested) {
        return;
    }
    ev.pictureRequested = false;
    offerPicture(framePng(), pictureName(std::time(nullptr)));
}
