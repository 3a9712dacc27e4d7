// Img and Texture: decoding, the upload at every bind, and what happens with files that are missing,
// broken, too large, in a format the program does not read, or not in the channel count their bind
// expects. The pixels of the shipped images and the fuzz corpus are checked by the corpus replay.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <stb_image.h>
#include <stb_image_write.h>

#include "GlRecorder.h"
#include "texture/Texture.h"

namespace fs = std::filesystem;

namespace {

// Bytes that differ from their neighbours, so a skewed or shifted upload changes the checksum.
std::vector<unsigned char> pattern(std::size_t size)
{
    std::vector<unsigned char> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<unsigned char>(i * 7 + i / 13);
    return bytes;
}

// A PNG or JPEG header that claims a size, with no image data after it.
std::vector<unsigned char> headerClaiming(unsigned side, bool png)
{
    std::vector<unsigned char> bytes = png ? std::vector<unsigned char>{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'}
                                           : std::vector<unsigned char>{0xFF, 0xD8, 0xFF, 0xC0, 0, 17, 8};
    for (int copy = 0; copy < 2; ++copy) {
        for (int shift = png ? 24 : 8; shift >= 0; shift -= 8) bytes.push_back(static_cast<unsigned char>(side >> shift));
    }
    if (png) bytes.insert(bytes.end(), {8, 6, 0, 0, 0, 0, 0, 0, 0}); // depth, RGBA, methods, CRC left zero
    else bytes.insert(bytes.end(), {3, 1, 0x11, 0, 2, 0x11, 0, 3, 0x11, 0, 0xFF, 0xD9});
    return bytes;
}

// Real images in formats the program does not read: a 1 x 1 GIF, a 2 x 2 BMP and a 2 x 2 TGA.
const std::vector<unsigned char> gifImage = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, 255, 255, 255, 0, 0, 0,
                                             0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 0x01, 0, 0x3B};
const std::vector<unsigned char> bmpImage = {'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 2, 0, 0, 0, 2,
                                             0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                             0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
const std::vector<unsigned char> tgaImage = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 24, 0,
                                             1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};

// A JPEG whose Huffman table claims 300 codes: a table holds 256, and the decoder would write past it.
std::vector<unsigned char> jpegWithOversizedHuffmanTable()
{
    constexpr int codes = 300, length = 2 + 17 + codes;
    std::vector<unsigned char> bytes = {0xFF, 0xD8, 0xFF, 0xC4, length >> 8, length & 0xFF, 0x00};
    for (int bits = 1; bits <= 16; ++bits) bytes.push_back(bits == 15 ? 45 : bits == 16 ? 255 : 0);
    bytes.resize(bytes.size() + codes);
    bytes.insert(bytes.end(), {0xFF, 0xD9});
    return bytes;
}

class TextureTest : public ::testing::Test {
protected:
    fs::path dir = fs::temp_directory_path() / ("robotscene-texture-" + std::to_string(::getpid()));

    void SetUp() override
    {
        glrec::reset();
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string writeImage(const std::string& name, int width, int height, int channels)
    {
        std::vector<unsigned char> pixels = pattern(std::size_t(width) * height * channels);
        std::string path = (dir / name).string();
        if (name.substr(name.size() - 4) == ".png") {
            stbi_write_png(path.c_str(), width, height, channels, pixels.data(), width * channels);
        } else {
            stbi_write_jpg(path.c_str(), width, height, channels, pixels.data(), 95);
        }
        return path;
    }
};

TEST_F(TextureTest, NeverLoadedIsEmptyAndUploadsAnEmptyLevelWhileLoadingDecodesWithoutUploading)
{
    Texture empty;
    EXPECT_FALSE(empty.loaded);
    EXPECT_EQ(empty.image.GetPixels(), nullptr);
    empty.bind();
    ASSERT_EQ(glrec::gl().uploads.size(), 1u);
    EXPECT_TRUE(glrec::gl().uploads[0].nullPixels);
    EXPECT_EQ(glrec::gl().uploads[0].width + glrec::gl().uploads[0].height, 0);

    glrec::reset();
    Texture texture;
    texture.load(writeImage("a.png", 8, 4, 4));
    EXPECT_TRUE(texture.loaded);
    EXPECT_EQ((std::vector<int>{texture.image.GetWidth(), texture.image.GetHeight()}), (std::vector<int>{8, 4}));
    EXPECT_TRUE(glrec::gl().isEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(glrec::gl().uploads.size(), 0u) << "loading must not upload";
    // The file's own bytes, top row first, are what GL receives.
    texture.bindAlpha();
    std::vector<unsigned char> expected = pattern(8 * 4 * 4);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), texture.image.GetPixels()));
    EXPECT_EQ(glrec::gl().uploads.back().bytes, expected.size());
}

// One level-0 upload of the whole image with tightly packed rows, the default alignment restored.
TEST_F(TextureTest, BindUploadsTheWholeImageInTheFormatReallyDecoded)
{
    struct Case { const char* file; int width, height, channels; bool alpha; GLint internalFormat; GLenum format; };
    const Case cases[] = {
        {"rgb.jpg", 16, 8, 3, false, GL_RGB, GL_RGB},
        {"rgba.png", 16, 8, 4, true, GL_RGBA, GL_RGBA},
        {"odd.png", 333, 77, 3, false, GL_RGB, GL_RGB}, // 333 * 3 bytes a row: not a multiple of 4
        // Mismatches: the upload follows the channels really decoded, never reading past them.
        {"three.png", 8, 8, 3, true, GL_RGBA, GL_RGB},
        {"four.png", 8, 8, 4, false, GL_RGB, GL_RGBA},
        {"grey.png", 8, 8, 1, false, GL_RGB, GL_LUMINANCE},
        {"greyalpha.png", 8, 8, 2, true, GL_RGBA, GL_LUMINANCE_ALPHA},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        Texture texture;
        texture.load(writeImage(c.file, c.width, c.height, c.channels));
        glrec::reset();
        c.alpha ? texture.bindAlpha() : texture.bind();
        EXPECT_EQ(glrec::callNames(), (std::vector<std::string>{"glPixelStorei", "glTexImage2D", "glPixelStorei"}));
        EXPECT_EQ(glrec::callsNamed("glTexImage2D")[0].args,
                  (std::vector<double>{GL_TEXTURE_2D, 0, double(c.internalFormat), double(c.width), double(c.height), 0,
                                       double(c.format), GL_UNSIGNED_BYTE}));
        EXPECT_EQ(glrec::gl().uploads[0].unpackAlignment, 1);
        EXPECT_EQ(glrec::gl().uploads[0].bytes, std::size_t(c.width) * c.height * c.channels);
        EXPECT_EQ(glrec::gl().unpackAlignment, 4);
    }
}

TEST_F(TextureTest, ReloadReplacesAndReleasesThePreviousImage)
{
    const int heldBefore = Img::BuffersHeld();
    {
        Texture texture;
        for (int i = 0; i < 50; ++i) texture.load(writeImage("first.png", 4, 4, 4));
        texture.load(writeImage("second.png", 16, 2, 4));
        EXPECT_EQ(Img::BuffersHeld(), heldBefore + 1) << "a reload must release the buffer it replaces";
        EXPECT_TRUE(texture.loaded);
        EXPECT_EQ((std::vector<int>{texture.image.GetWidth(), texture.image.GetHeight()}), (std::vector<int>{16, 2}));
        texture.load("missing.png");
        EXPECT_EQ(Img::BuffersHeld(), heldBefore) << "a failed load must let go of the previous buffer";
    }
    EXPECT_EQ(Img::BuffersHeld(), heldBefore);
}

TEST_F(TextureTest, CopiesShareThePixelsAndOutliveTheOriginal)
{
    const int heldBefore = Img::BuffersHeld();
    std::uint64_t expected = 0;
    {
        Texture copy;
        {
            Texture original;
            original.load(writeImage("shared.png", 8, 8, 4));
            original.bindAlpha();
            expected = glrec::gl().uploads.back().checksum;
            {
                Texture byValue = original; // as a solid's texture argument
                EXPECT_EQ(byValue.image.GetPixels(), original.image.GetPixels());
            }
            original.bindAlpha();
            EXPECT_EQ(glrec::gl().uploads.back().checksum, expected) << "a copy's end must leave the original drawable";
            copy = original;
            original.load(writeImage("other.png", 4, 4, 4)); // the original lets go of the shared buffer
        }
        copy.bindAlpha(); // reads freed memory under the sanitizers if the buffer was released too early
        EXPECT_EQ(glrec::gl().uploads.back().checksum, expected);
        EXPECT_EQ(Img::BuffersHeld(), heldBefore + 1) << "only the copy still holds a buffer";
    }
    EXPECT_EQ(Img::BuffersHeld(), heldBefore) << "the last copy releases the shared buffer";
    // Every destructor handed name 0 to glDeleteTextures, which deletes nothing.
    for (const glrec::Call& call : glrec::callsNamed("glDeleteTextures")) EXPECT_EQ(call.args[1], 0);
}

// Files that cannot be used: the texture is still marked loaded (the scene draws regardless), the
// image is empty so no upload reads memory that is not there, and one line on standard error names
// the file and why. Standard output stays untouched.
TEST_F(TextureTest, UnusableFileLeavesAnEmptyLoadedImageAndSaysWhichFileAndWhy)
{
    std::ifstream good(writeImage("good.png", 32, 32, 4), std::ios::binary);
    std::vector<unsigned char> truncated(std::istreambuf_iterator<char>(good), {});
    truncated.resize(truncated.size() / 2);
    std::vector<unsigned char> random(4096);
    unsigned state = 12345;
    for (auto& b : random) b = static_cast<unsigned char>((state = state * 1103515245u + 12345u) >> 16);
    const std::vector<unsigned char> emptyFile, hugePng = headerClaiming(12000, true),
                                     hugeJpeg = headerClaiming(60000, false), huffman = jpegWithOversizedHuffmanTable(),
                                     shortTable = {0xFF, 0xD8, 0xFF, 0xDB, 0, 5, 0, 1, 2}; // the decoder fails it without a reason
    std::vector<unsigned char> oddChunk = headerClaiming(4, true); // then a critical chunk the decoder names in its reason
    oddChunk.insert(oddChunk.end(), {0, 0, 0, 0, '\n', 0x1B, 'B', 'C', 0, 0, 0, 0});
    for (const auto* image : {&gifImage, &bmpImage, &tgaImage}) { // real images: libstb's all-format decoder reads them
        int w = 0, h = 0, n = 0;
        unsigned char* pixels = stbi_load_from_memory(image->data(), int(image->size()), &w, &h, &n, 0);
        EXPECT_TRUE(pixels != nullptr && w * h >= 1) << stbi_failure_reason();
        stbi_image_free(pixels);
    }
    struct Case { const char* name; const std::vector<unsigned char>* contents; const char* reason; };
    const Case cases[] = {
        {"missing.png", nullptr, "No such file"}, // no contents: the file is not written
        {"empty.png", &emptyFile, "empty"},
        {"truncated.png", &truncated, ""},
        {"random.jpg", &random, ""},
        // 12000 by 12000 RGBA is 576 MB, below the decoder's own default limit: our side limit must refuse it.
        {"huge.png", &hugePng, "larger than 8192"},
        {"huge.jpg", &hugeJpeg, "larger than 8192"},
        {"huffman.jpg", &huffman, "Huffman"},
        {"short-table.jpg", &shortTable, "damaged or unsupported image data"}, // not the PNG test's leftover
        {"odd-chunk.png", &oddChunk, ": ??BC PNG chunk not known"}, // no control character from the file
        // Only JPEG and PNG are read, whatever the name says.
        {"gif.png", &gifImage, "not a JPEG or PNG"}, {"gif.jpg", &gifImage, "not a JPEG or PNG"},
        {"bmp.png", &bmpImage, "not a JPEG or PNG"}, {"bmp.jpg", &bmpImage, "not a JPEG or PNG"},
        {"tga.png", &tgaImage, "not a JPEG or PNG"}, {"tga.jpg", &tgaImage, "not a JPEG or PNG"},
    };
    const int heldBefore = Img::BuffersHeld();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = (dir / c.name).string();
        if (c.contents != nullptr) {
            std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(c.contents->data()),
                                                        std::streamsize(c.contents->size()));
        }
        Texture texture;
        texture.load(writeImage("previous.png", 4, 4, 4)); // a failed reload must not keep stale sizes
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        texture.load(path);
        EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
        std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_TRUE(texture.loaded);
        const Img& image = texture.image;
        EXPECT_TRUE(image.GetWidth() == 0 && image.GetHeight() == 0 && image.GetPixels() == nullptr);
        EXPECT_EQ(err.rfind("robotscene: cannot load image " + path + ": ", 0), 0u) << err;
        EXPECT_NE(err.find(c.reason), std::string::npos) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_EQ(Img::BuffersHeld(), heldBefore) << "a refused file must hold no buffer";
        texture.bindAlpha();
        EXPECT_TRUE(glrec::gl().uploads.back().nullPixels && glrec::gl().uploads.back().width == 0);
    }
}

} // namespace
