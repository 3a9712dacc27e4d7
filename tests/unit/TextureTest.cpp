// Img and Texture: decoding, the upload at every bind, and what happens with files that are missing,
// broken, too large, in a format the program does not read, or not in the channel count their bind
// expects. The pixels of the shipped images and the fuzz corpus are checked by the corpus replay;
// the broken, oversize and foreign samples here are taken from that corpus.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <stb_image_write.h>

#include "Fixtures.h"
#include "GlRecorder.h"
#include "ProcessCounts.h"
#include "texture/Texture.h"

namespace fs = std::filesystem;

namespace {

// A file of the fuzz corpus (the tests run from the repository root).
std::vector<unsigned char> corpus(const std::string& name)
{
    const std::string bytes = fixtures::readFile("fuzz/corpus/" + name);
    EXPECT_FALSE(bytes.empty()) << "no fuzz/corpus/" << name; // an empty stand-in would test the wrong refusal
    return {bytes.begin(), bytes.end()};
}

class TextureTest : public ::testing::Test {
protected:
    const fixtures::ScratchDir dir{"texture"};

    void SetUp() override { glrec::reset(); }

    // An image of the pattern, a JPEG if the name says so, else a PNG; the upload does not depend
    // on the file's format, only on its channels.
    std::string writeImage(const std::string& name, int width, int height, int channels)
    {
        const std::string path = (dir / name).string();
        // Bytes that differ from their neighbours: a skewed or shifted upload changes the checksum.
        const std::vector<unsigned char> pixels = fixtures::pattern(std::size_t(width) * height * channels);
        fs::path(name).extension() == ".jpg" ? stbi_write_jpg(path.c_str(), width, height, channels, pixels.data(), 90)
                                             : stbi_write_png(path.c_str(), width, height, channels, pixels.data(), 0);
        return path;
    }
};

// Loading decodes without uploading. A bind is one level-0 upload of the whole image with tightly
// packed rows, the default alignment restored.
TEST_F(TextureTest, BindUploadsTheWholeImageInTheFormatReallyDecoded)
{
    struct Case { const char* file; int width, height, channels; bool alpha; GLint internalFormat; GLenum format; };
    const Case cases[] = {
        {"rgba.png", 16, 8, 4, true, GL_RGBA, GL_RGBA},
        {"odd.png", 333, 77, 3, false, GL_RGB, GL_RGB}, // 333 * 3 bytes a row: not a multiple of 4
        // Mismatches: the upload follows the channels really decoded, never reading past them.
        {"three.png", 8, 8, 3, true, GL_RGBA, GL_RGB}, {"four.png", 8, 8, 4, false, GL_RGB, GL_RGBA},
        {"grey.png", 8, 8, 1, false, GL_RGB, GL_LUMINANCE}, {"greyalpha.png", 8, 8, 2, true, GL_RGBA, GL_LUMINANCE_ALPHA},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        glrec::reset();
        Texture texture;
        texture.load(writeImage(c.file, c.width, c.height, c.channels));
        EXPECT_TRUE(texture.loaded && glrec::gl().isEnabled(GL_TEXTURE_2D));
        c.alpha ? texture.bindAlpha() : texture.bind();
        // Loading only switched texturing on: nothing was uploaded before the bind.
        EXPECT_EQ(glrec::callNames(),
                  (std::vector<std::string>{"glEnable", "glPixelStorei", "glTexImage2D", "glPixelStorei"}));
        EXPECT_EQ(glrec::callsNamed("glTexImage2D")[0].args,
                  (std::vector<double>{GL_TEXTURE_2D, 0, double(c.internalFormat), double(c.width), double(c.height), 0,
                                       double(c.format), GL_UNSIGNED_BYTE}));
        EXPECT_EQ(glrec::gl().uploads[0].unpackAlignment, 1);
        EXPECT_EQ(glrec::gl().unpackAlignment, 4);
    }
}

// A never-loaded texture uploads an empty level. Copies share the pixels and outlive the original;
// a reload lets go of the buffer it replaces, and loading holds no file, thread or child.
TEST_F(TextureTest, CopiesShareThePixelsAndOutliveTheOriginalAndReloadsReleaseTheirBuffer)
{
    const int heldBefore = Img::BuffersHeld();
    const proccount::Counts before = proccount::counts();
    std::uint64_t expected = 0;
    {
        Texture copy;
        EXPECT_FALSE(copy.loaded);
        copy.bind();
        const glrec::Upload& empty = glrec::gl().uploads.at(0);
        EXPECT_TRUE(empty.nullPixels && empty.width == 0 && empty.height == 0);
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
            const std::string other = writeImage("other.png", 16, 2, 4);
            for (int i = 0; i < 2; ++i) original.load(other); // lets go of the shared buffer, then of its own
            EXPECT_EQ(Img::BuffersHeld(), heldBefore + 2) << "a reload must release the buffer it replaces";
            EXPECT_EQ((std::vector<int>{original.image.GetWidth(), original.image.GetHeight()}), (std::vector<int>{16, 2}));
        }
        copy.bindAlpha(); // reads freed memory under the sanitizers if the buffer was released too early
        EXPECT_EQ(glrec::gl().uploads.back().checksum, expected);
        EXPECT_EQ(Img::BuffersHeld(), heldBefore + 1) << "only the copy still holds a buffer";
    }
    EXPECT_EQ(Img::BuffersHeld(), heldBefore) << "the last copy releases the shared buffer";
    EXPECT_EQ(proccount::counts(), before) << "loading holds no file, thread or child";
}

// Each refusal starts exactly at its limit: 8192 pixels on a side load and 8193 do not, across and
// down (one limit for both formats, set where the decoder is compiled); a file of 256 MiB is read
// (and found to be no image), one byte more is not.
TEST_F(TextureTest, RefusalsStartExactlyAtTheirLimits)
{
    const std::uintmax_t limit = std::uintmax_t(256) << 20; // bytes
    const std::string zeros = (dir / "limit").string(); // that many zero bytes, sparse: no disk is used
    std::ofstream{zeros};
    fs::resize_file(zeros, limit);
    struct Case { std::string path; int width; const char* reason; }; // width 0: refused for the reason
    const Case cases[] = {
        {writeImage("wide.png", 8192, 1, 1), 8192, ""}, {writeImage("wider.png", 8193, 1, 1), 0, "larger than 8192"},
        {writeImage("tall.png", 1, 8192, 1), 1, ""}, {writeImage("taller.png", 1, 8193, 1), 0, "larger than 8192"},
        {zeros, 0, "not a JPEG or PNG"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        Texture texture;
        const std::string err = fixtures::captured([&] { texture.load(c.path); }).err;
        EXPECT_EQ(texture.image.GetWidth(), c.width);
        EXPECT_EQ(err.empty(), c.width != 0) << err;
        EXPECT_NE(err.find(c.reason), std::string::npos) << err;
    }
    // One byte more is refused before any of it is read: its pages are never even touched. The
    // image decoded before it is let go all the same.
    void* beyond = mmap(nullptr, limit + 1, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(beyond, MAP_FAILED);
    Img image;
    image.LoadImg(writeImage("before.png", 4, 4, 4).c_str());
    const auto refuse = [&] { image.LoadImgFromMemory(static_cast<const unsigned char*>(beyond), limit + 1, "beyond"); };
    EXPECT_NE(fixtures::captured(refuse).err.find("beyond: file larger than 256 MiB"), std::string::npos);
    EXPECT_EQ(image.GetPixels(), nullptr);
    munmap(beyond, limit + 1);
}

// Files that cannot be used: the texture is still marked loaded (the scene draws regardless), the
// image is empty so no upload reads memory that is not there, the previous image's buffer is let
// go, and one line on standard error names the file and why. Standard output stays untouched.
TEST_F(TextureTest, UnusableFileLeavesAnEmptyLoadedImageAndSaysWhichFileAndWhy)
{
    // Real images in formats the program does not read (the fuzz corpus's foreign seeds; its replay
    // finds every one refused). A missing file, a PNG claiming 12000 pixels a side, a table of more
    // than 256 codes and a BMP named .jpg are test_bad_files', each with its reason, on the
    // program's own images.
    const std::vector<unsigned char> gif = corpus("seed-foreign.gif"), tga = corpus("seed-foreign.tga");
    std::vector<unsigned char> oddChunk = corpus("seed-rgba.png");
    oddChunk.resize(33); // signature and header, then a critical chunk the decoder names in its reason
    oddChunk.insert(oddChunk.end(), {0, 0, 0, 0, 0x1F, 0x20, 0x7E, 0x7F, 0, 0, 0, 0}); // the printable range's edges
    struct Case { const char* name; std::vector<unsigned char> contents; const char* reason; };
    const auto dht = [](int codes) { // one table: up to 255 codes of 8 bits, the rest of 9
        const int length = 2 + 1 + 16 + codes, eight = std::min(codes, 255);
        std::vector<unsigned char> file = {0xFF, 0xD8, 0xFF, 0xC4, (unsigned char)(length >> 8), (unsigned char)length, 0};
        for (int bits = 1; bits <= 16; ++bits) file.push_back((unsigned char)(bits == 8 ? eight : bits == 9 ? codes - eight : 0));
        file.resize(file.size() + std::size_t(codes)); // the symbols, all 0
        return file;
    };
    const auto tables = [](int count) { // DHT segments without a table in them
        std::vector<unsigned char> file = {0xFF, 0xD8};
        for (int i = 0; i < count; ++i) file.insert(file.end(), {0xFF, 0xC4, 0, 2});
        return file;
    };
    const Case cases[] = {
        {"empty.png", {}, "empty file"}, {"cut.png", corpus("seed-cut-rgba.png"), ""},
        {"huge.jpg", corpus("seed-claims-60000.jpg"), "larger than 8192"},
        {"256-codes.jpg", dht(256), "no SOF"}, {"257-codes.jpg", dht(257), "Huffman"},
        {"1024-tables.jpg", tables(1024), "no SOF"}, {"1025-tables.jpg", tables(1025), "Huffman"},
        // The decoder fails it without a reason: not the PNG test's leftover.
        {"short-table.jpg", {0xFF, 0xD8, 0xFF, 0xDB, 0, 5, 0, 1, 2}, "damaged or unsupported image data"},
        {"odd-chunk.png", oddChunk, ": ? ~? PNG chunk not known"}, // no control character from the file
        {"folder.png", {}, "Is a directory"}, // opens, then fails to read
        // Only JPEG and PNG are read, whatever the name says.
        {"gif.png", gif, "not a JPEG or PNG"}, {"tga.jpg", tga, "not a JPEG or PNG"},
    };
    const int heldBefore = Img::BuffersHeld();
    const long descriptors = proccount::counts().descriptors;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = (dir / c.name).string();
        if (std::string(c.reason) == "Is a directory") fs::create_directory(path);
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(c.contents.data()),
                                                    std::streamsize(c.contents.size()));
        Texture texture;
        texture.load(writeImage("previous.png", 4, 4, 4)); // a failed reload must not keep stale sizes
        const auto [out, err] = fixtures::captured([&] { texture.load(path); });
        EXPECT_EQ(out, "");
        EXPECT_EQ(err.rfind("robotscene: cannot load image " + path + ": ", 0), 0u) << err;
        EXPECT_NE(err.find(c.reason), std::string::npos) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_EQ(Img::BuffersHeld(), heldBefore) << "a refused file must hold no buffer";
        EXPECT_EQ(proccount::counts().descriptors, descriptors) << "nor its file open";
        EXPECT_TRUE(texture.loaded);
        texture.bindAlpha();
        const glrec::Upload& upload = glrec::gl().uploads.back();
        EXPECT_TRUE(upload.nullPixels && upload.width == 0 && upload.height == 0);
    }
}

} // namespace
