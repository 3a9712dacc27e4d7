// The page's textures, one per decoded image (see TextureCache.h). The cache holds a few dozen
// entries, and forget() runs at every free() of the program: a walk through them costs nothing.
#include "gl/TextureCache.h"

#include <cstddef>

std::vector<std::uint8_t> expandToRgba(const Image& image)
{
    const auto* pixels = static_cast<const std::uint8_t*>(image.pixels);
    const std::size_t width = static_cast<std::size_t>(image.width);
    const std::size_t stride = (width * image.channels + image.alignment - 1) / image.alignment * image.alignment;
    const bool grey = image.channels <= 2;
    std::vector<std::uint8_t> out(width * image.height * 4);
    for (std::size_t y = 0; y < static_cast<std::size_t>(image.height); ++y) {
        for (std::size_t x = 0; x < width; ++x) {
            const std::uint8_t* p = pixels + y * stride + x * image.channels;
            std::uint8_t* q = &out[(y * width + x) * 4];
            q[0] = p[0];
            q[1] = grey ? p[0] : p[1];
            q[2] = grey ? p[0] : p[2];
            const std::uint8_t alpha = image.channels == 4 ? p[3] : image.channels == 2 ? p[1] : 255;
            q[3] = image.keepAlpha ? alpha : 255;
        }
    }
    return out;
}

int TextureCache::bind(const Image& image)
{
    auto found = textures.find(image);
    if (found == textures.end()) {
        found = textures.emplace(image, nextId++).first;
        send(image, found->second);
    }
    return found->second;
}

void TextureCache::forget(const void* pixels)
{
    for (auto it = textures.begin(); it != textures.end();) {
        if (it->first.pixels == pixels) {
            remove(it->second);
            it = textures.erase(it);
        } else {
            ++it;
        }
    }
}

void TextureCache::restore()
{
    for (const auto& [image, id] : textures) send(image, id);
}

void TextureCache::send(const Image& image, int id)
{
    const std::vector<std::uint8_t> rgba = expandToRgba(image);
    upload(id, image.width, image.height, rgba.data());
}
