// Tests of the page's texture cache (web/gl/TextureCache.h): an image's life from its first bind
// through binds of the same pixels to the free of its buffer and a lost context, as the page sees
// it, and the RGBA bytes each pixel format and row alignment gives.
#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "gl/TextureCache.h"

namespace {

TEST(GlTextureCache, AnImageIsUploadedOnceAndForgottenWithItsBuffer)
{
    std::vector<std::string> page; // what the page was asked to do
    auto asked = [&page] { // in no particular order among images
        std::sort(page.begin(), page.end());
        return std::exchange(page, {});
    };
    TextureCache cache([&](int id, int width, int height, const std::uint8_t* rgba) {
        page.push_back("upload " + std::to_string(id) + " " + std::to_string(width) + "x" + std::to_string(height) +
                       " first red " + std::to_string(rgba[0]));
    }, [&](int id) { page.push_back("remove " + std::to_string(id)); });
    const std::vector<std::uint8_t> decoded(3 * 2 * 4, 7), other(4, 9);
    const Image wide{decoded.data(), 3, 2, 4, true, 4}, tall{decoded.data(), 2, 3, 4, true, 4};
    const Image second{other.data(), 1, 1, 4, true, 4};

    EXPECT_EQ(cache.bind(wide), 1);
    EXPECT_EQ(cache.bind(wide), 1) << "the same pixels bound again";
    EXPECT_EQ(cache.bind(tall), 2) << "the same buffer in another shape";
    EXPECT_EQ(cache.bind(second), 3);
    EXPECT_EQ(asked(), (std::vector<std::string>{"upload 1 3x2 first red 7", "upload 2 2x3 first red 7", "upload 3 1x1 first red 9"}));

    cache.forget(decoded.data());
    cache.forget(nullptr); // any other free
    EXPECT_EQ(asked(), (std::vector<std::string>{"remove 1", "remove 2"}));
    EXPECT_EQ(cache.bind(wide), 4) << "a buffer at a freed address is a new image";
    EXPECT_EQ(cache.bind(second), 3);
    cache.restore();
    EXPECT_EQ(asked(), (std::vector<std::string>{"upload 3 1x1 first red 9", "upload 4 3x2 first red 7", "upload 4 3x2 first red 7"}));
}

TEST(GlTextureCache, EachFormatExpandsToRgbaRowByRow)
{
    // Three pixels wide, two rows, each byte its own value; rows padded to the alignment.
    auto rows = [](int channels, int alignment) {
        std::vector<std::uint8_t> bytes;
        const int stride = (3 * channels + alignment - 1) / alignment * alignment;
        for (int y = 0; y < 2; ++y) {
            for (int i = 0; i < stride; ++i) bytes.push_back(static_cast<std::uint8_t>(i < 3 * channels ? 100 * y + i : 0));
        }
        return bytes;
    };
    struct Case { const char* label; int channels; bool keepAlpha; int alignment; std::vector<int> lastPixel; };
    const std::vector<Case> cases = {
        {"RGBA", 4, true, 4, {108, 109, 110, 111}}, {"RGBA pixels into an RGB texture: opaque", 4, false, 4, {108, 109, 110, 255}},
        {"RGB, rows of 9 bytes padded to 12", 3, false, 4, {106, 107, 108, 255}}, {"RGB, rows packed", 3, false, 1, {106, 107, 108, 255}},
        {"luminance and alpha, rows of 6 padded to 8", 2, true, 8, {104, 104, 104, 105}},
        {"luminance, rows of 3 padded to 4", 1, true, 4, {102, 102, 102, 255}},
    };
    for (const Case& c : cases) {
        const std::vector<std::uint8_t> pixels = rows(c.channels, c.alignment);
        const std::vector<std::uint8_t> rgba = expandToRgba(Image{pixels.data(), 3, 2, c.channels, c.keepAlpha, c.alignment});
        ASSERT_EQ(rgba.size(), 3u * 2 * 4) << c.label;
        EXPECT_EQ(std::vector<int>(rgba.begin() + 20, rgba.end()), c.lastPixel) << c.label;
    }
}

} // namespace
