// Img and Texture: decoding, the upload at every bind, and what happens with files that are missing,
// broken, too large or not in the channel count their bind expects.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <stb_image_write.h>

#include "GlRecorder.h"
#include "texture/Texture.h"

namespace fs = std::filesystem;

namespace {

class TextureTest : public ::testing::Test {
protected:
    fs::path dir;

    void SetUp() override
    {
        glrec::reset();
        dir = fs::temp_directory_path() / ("robotscene-texture-" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    // A width by height image whose every byte differs from its neighbours, so a skewed or
    // shifted upload changes the checksum.
    std::string writeImage(const std::string& name, int width, int height, int channels)
    {
        std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * height * channels);
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            pixels[i] = static_cast<unsigned char>(i * 7 + i / 13);
        }
        std::string path = (dir / name).string();
        if (name.size() > 4 && name.substr(name.size() - 4) == ".png") {
            stbi_write_png(path.c_str(), width, height, channels, pixels.data(), width * channels);
        } else {
            stbi_write_jpg(path.c_str(), width, height, channels, pixels.data(), 95);
        }
        return path;
    }

    std::string writeBytes(const std::string& name, const std::vector<unsigned char>& bytes)
    {
        std::string path = (dir / name).string();
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
        return path;
    }
};

std::vector<unsigned char> readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

// A PNG signature and header chunk that claim a size, with no image data after them.
std::vector<unsigned char> pngHeaderClaiming(unsigned width, unsigned height)
{
    std::vector<unsigned char> bytes = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 13,
                                        'I', 'H', 'D', 'R'};
    for (unsigned value : {width, height}) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            bytes.push_back(static_cast<unsigned char>(value >> shift));
        }
    }
    for (unsigned char b : {8, 6, 0, 0, 0, 0, 0, 0, 0}) { // depth, RGBA, methods, CRC left zero
        bytes.push_back(b);
    }
    return bytes;
}

TEST_F(TextureTest, NeverLoadedTextureIsEmptyAndUploadsAnEmptyLevel)
{
    Texture texture;
    EXPECT_FALSE(texture.loaded);
    EXPECT_EQ(texture.image.GetPixels(), nullptr);
    EXPECT_EQ(texture.image.GetWidth(), 0);
    EXPECT_EQ(texture.image.GetHeight(), 0);

    texture.bind();
    ASSERT_EQ(glrec::gl().uploads.size(), 1u);
    const glrec::Upload& upload = glrec::gl().uploads[0];
    EXPECT_EQ(upload.width, 0);
    EXPECT_EQ(upload.height, 0);
    EXPECT_TRUE(upload.nullPixels);
}

TEST_F(TextureTest, LoadDecodesEnablesTexturingAndMarksLoaded)
{
    std::string path = writeImage("a.png", 8, 4, 4);
    Texture texture;
    texture.load(path);

    EXPECT_TRUE(texture.loaded);
    EXPECT_EQ(texture.image.GetWidth(), 8);
    EXPECT_EQ(texture.image.GetHeight(), 4);
    EXPECT_NE(texture.image.GetPixels(), nullptr);
    EXPECT_TRUE(glrec::gl().isEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(glrec::gl().uploads.size(), 0u) << "loading must not upload";
}

// bind and bindAlpha on images that match them: one level-0 upload of the whole image with
// tightly packed rows, the default alignment restored afterwards.
struct BindCase {
    const char* file;
    int width;
    int height;
    int channels;
    bool alpha;
    GLint internalFormat;
    GLenum format;
};

class TextureBindTest : public TextureTest, public ::testing::WithParamInterface<BindCase> {};

TEST_P(TextureBindTest, UploadsTheWholeImageInItsOwnFormat)
{
    const BindCase& c = GetParam();
    std::string path = writeImage(c.file, c.width, c.height, c.channels);
    Texture texture;
    texture.load(path);
    glrec::reset();
    c.alpha ? texture.bindAlpha() : texture.bind();

    EXPECT_EQ(glrec::callNames(), (std::vector<std::string>{"glPixelStorei", "glTexImage2D", "glPixelStorei"}));
    const glrec::Call& call = glrec::callsNamed("glTexImage2D")[0];
    EXPECT_EQ(call.args, (std::vector<double>{GL_TEXTURE_2D, 0, double(c.internalFormat), double(c.width),
                                              double(c.height), 0, double(c.format), GL_UNSIGNED_BYTE}));
    const glrec::Upload& upload = glrec::gl().uploads[0];
    EXPECT_EQ(upload.unpackAlignment, 1);
    EXPECT_EQ(upload.bytes, std::size_t(c.width) * c.height * c.channels);
    EXPECT_EQ(glrec::gl().unpackAlignment, 4);
}

INSTANTIATE_TEST_SUITE_P(Formats, TextureBindTest, ::testing::Values(
    BindCase{"rgb.jpg", 16, 8, 3, false, GL_RGB, GL_RGB},
    BindCase{"rgba.png", 16, 8, 4, true, GL_RGBA, GL_RGBA},
    // Odd row length: 333 * 3 bytes is not a multiple of 4.
    BindCase{"odd.png", 333, 77, 3, false, GL_RGB, GL_RGB},
    // Mismatches: the upload follows the channels really decoded, never reading past them.
    BindCase{"three.png", 8, 8, 3, true, GL_RGBA, GL_RGB},
    BindCase{"four.png", 8, 8, 4, false, GL_RGB, GL_RGBA},
    BindCase{"grey.png", 8, 8, 1, false, GL_RGB, GL_LUMINANCE},
    BindCase{"greyalpha.png", 8, 8, 2, true, GL_RGBA, GL_LUMINANCE_ALPHA}));

TEST_F(TextureTest, UploadSendsTheDecodedPixelsUnflipped)
{
    std::string path = writeImage("rows.png", 5, 3, 4);
    Texture texture;
    texture.load(path);
    texture.bindAlpha();

    // The file's own bytes, top row first, must be what GL receives.
    std::vector<unsigned char> expected(5 * 3 * 4);
    for (std::size_t i = 0; i < expected.size(); ++i) {
        expected[i] = static_cast<unsigned char>(i * 7 + i / 13);
    }
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), texture.image.GetPixels()));
    EXPECT_EQ(glrec::gl().uploads.back().bytes, expected.size());
}

TEST_F(TextureTest, SecondLoadReplacesTheImage)
{
    Texture texture;
    texture.load(writeImage("first.png", 4, 4, 4));
    texture.load(writeImage("second.png", 16, 2, 4));
    EXPECT_TRUE(texture.loaded);
    EXPECT_EQ(texture.image.GetWidth(), 16);
    EXPECT_EQ(texture.image.GetHeight(), 2);
}

TEST_F(TextureTest, ReloadingManyTimesReleasesEachPreviousImage)
{
    // The sanitizer build's leak check fails this test if a reload keeps the old buffer.
    std::string path = writeImage("reload.png", 64, 64, 4);
    Texture texture;
    for (int i = 0; i < 50; ++i) {
        texture.load(path);
    }
    EXPECT_EQ(texture.image.GetWidth(), 64);
}

TEST_F(TextureTest, CopyPassedByValueSharesPixelsAndLeavesTheOriginalDrawable)
{
    Texture texture;
    texture.load(writeImage("shared.png", 8, 8, 4));
    texture.bindAlpha();
    std::uint64_t before = glrec::gl().uploads.back().checksum;
    {
        Texture copy = texture;
        EXPECT_EQ(copy.image.GetPixels(), texture.image.GetPixels());
        copy.bindAlpha();
    }
    texture.bindAlpha();
    EXPECT_EQ(glrec::gl().uploads.back().checksum, before);
    // The copy's destructor handed name 0 to glDeleteTextures, which deletes nothing.
    auto deletes = glrec::callsNamed("glDeleteTextures");
    ASSERT_EQ(deletes.size(), 1u);
    EXPECT_EQ(deletes[0].args, (std::vector<double>{1, 0}));
}

// Files that cannot be used: the texture is still marked loaded (the scene draws regardless), the
// image is empty so no upload reads memory that is not there, and one line on standard error
// names the file. Standard output stays untouched.
struct BadFileCase {
    const char* name;
    std::vector<unsigned char> (*contents)(const std::string& goodPng);
    const char* reason; // expected in the message, when the case has a reason of its own
};

class TextureBadFileTest : public TextureTest, public ::testing::WithParamInterface<BadFileCase> {};

TEST_P(TextureBadFileTest, LeavesAnEmptyLoadedImageAndSaysWhichFile)
{
    const BadFileCase& c = GetParam();
    std::string good = writeImage("good.png", 32, 32, 4);
    std::string path = (dir / c.name).string();
    if (c.contents != nullptr) {
        writeBytes(c.name, c.contents(good));
    }

    Texture texture;
    texture.load(writeImage("previous.png", 4, 4, 4)); // a failed reload must not keep stale sizes
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    texture.load(path);
    std::string out = ::testing::internal::GetCapturedStdout();
    std::string err = ::testing::internal::GetCapturedStderr();

    EXPECT_TRUE(texture.loaded);
    EXPECT_EQ(texture.image.GetWidth(), 0);
    EXPECT_EQ(texture.image.GetHeight(), 0);
    EXPECT_EQ(texture.image.GetPixels(), nullptr);
    EXPECT_EQ(out, "");
    EXPECT_NE(err.find(path), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    if (c.reason != nullptr) {
        EXPECT_NE(err.find(c.reason), std::string::npos) << err;
    }

    texture.bindAlpha();
    EXPECT_TRUE(glrec::gl().uploads.back().nullPixels);
    EXPECT_EQ(glrec::gl().uploads.back().width, 0);
}

INSTANTIATE_TEST_SUITE_P(Files, TextureBadFileTest, ::testing::Values(
    BadFileCase{"missing.png", nullptr, nullptr},
    BadFileCase{"empty.png", [](const std::string&) { return std::vector<unsigned char>{}; }, nullptr},
    BadFileCase{"truncated.png", [](const std::string& good) {
        auto bytes = readFile(good);
        bytes.resize(bytes.size() / 2);
        return bytes;
    }, nullptr},
    BadFileCase{"random.jpg", [](const std::string&) {
        std::vector<unsigned char> bytes(4096);
        unsigned state = 12345;
        for (auto& b : bytes) {
            state = state * 1103515245u + 12345u;
            b = static_cast<unsigned char>(state >> 16);
        }
        return bytes;
    }, nullptr},
    // 12000 by 12000 RGBA is 576 MB, below the decoder's own 1 GiB limit: our side limit must refuse it.
    BadFileCase{"huge.png", [](const std::string&) { return pngHeaderClaiming(12000, 12000); }, "larger than 8192"}),
    [](const ::testing::TestParamInfo<BadFileCase>& info) {
        std::string name = info.param.name;
        return name.substr(0, name.find('.'));
    });

TEST_F(TextureTest, CopyOutlivingTheOriginalStillHoldsThePixels)
{
    Texture copy;
    std::uint64_t expected = 0;
    {
        Texture original;
        original.load(writeImage("outlive.png", 8, 8, 4));
        original.bindAlpha();
        expected = glrec::gl().uploads.back().checksum;
        copy = original;
        original.load(writeImage("other.png", 4, 4, 4)); // the original lets go of the shared buffer
    }
    copy.bindAlpha(); // reads freed memory under the sanitizers if the buffer was released too early
    EXPECT_EQ(glrec::gl().uploads.back().checksum, expected);
}

TEST_F(TextureTest, DestructorHandsItsNameToDeleteTextures)
{
    {
        Texture texture;
    }
    auto deletes = glrec::callsNamed("glDeleteTextures");
    ASSERT_EQ(deletes.size(), 1u);
    EXPECT_EQ(deletes[0].args, (std::vector<double>{1, 0}));
}

} // namespace
