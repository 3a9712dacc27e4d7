// The page's textures for the scene's uploads, free of GL and of the page: the scene uploads the
// same decoded image at every bind, and a decoded image never changes while it lives, so each is
// expanded to RGBA and handed to the page once, under an id of its own, and forgotten when its
// buffer is freed. The page's side (upload and removal) comes in as two functions.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <tuple>
#include <vector>

// One upload as the scene makes it.
struct Image {
    const void* pixels;
    int width, height;
    int channels;   // 1 luminance, 2 luminance and alpha, 3 RGB, 4 RGBA
    bool keepAlpha; // false for an RGB internal format: alpha reads 1 whatever the pixels hold
    int alignment;  // each row starts on a multiple of this many bytes (GL_UNPACK_ALIGNMENT)

    bool operator<(const Image& other) const
    {
        return std::tie(pixels, width, height, channels, keepAlpha, alignment) <
               std::tie(other.pixels, other.width, other.height, other.channels, other.keepAlpha, other.alignment);
    }
};

// width * height RGBA pixels, rows in the order given: luminance fills red, green and blue.
std::vector<std::uint8_t> expandToRgba(const Image& image);

class TextureCache {
public:
    using Upload = std::function<void(int id, int width, int height, const std::uint8_t* rgba)>;
    using Remove = std::function<void(int id)>;

    TextureCache(Upload upload, Remove remove) : upload(std::move(upload)), remove(std::move(remove)) {}

    // The id of this image's texture (never 0), uploaded at its first bind.
    int bind(const Image& image);
    // Every texture made from the buffer at pixels is removed and forgotten: the buffer is being
    // freed, and its address may come back with another image.
    void forget(const void* pixels);
    // Every texture kept is uploaded again under its id (the page lost its graphics context).
    void restore();

private:
    void send(const Image& image, int id);

    Upload upload;
    Remove remove;
    std::map<Image, int> textures;
    int nextId = 1;
};
