// UploadLog: the byte count must match what GL reads (alignment padding between rows, none after
// the last), and a recording must hold exactly the calls made while it ran.
#include "UploadLog.h"

#include <gtest/gtest.h>

namespace {

const unsigned char somePixels[1] = {0};

TexImageCall callOf(GLsizei width, GLsizei height, GLenum format, GLint alignment, const void* pixels = somePixels)
{
    return {GL_TEXTURE_2D, 0, static_cast<GLint>(format), width, height, 0, format, GL_UNSIGNED_BYTE, pixels,
            alignment};
}

struct BytesCase {
    const char* label;
    TexImageCall call;
    std::size_t bytes;
};

TEST(UploadLogTest, BytesOfOneUpload)
{
    const BytesCase cases[] = {
        {"RGBA 256 x 256", callOf(256, 256, GL_RGBA, 4), 256 * 256 * 4},
        {"RGB 512 x 256, rows already aligned", callOf(512, 256, GL_RGB, 4), 512 * 256 * 3},
        // Rows of 3 * 5 = 15 bytes padded to 16, the last one not.
        {"RGB 5 x 3, alignment 4", callOf(5, 3, GL_RGB, 4), 16 * 2 + 15},
        {"RGB 5 x 3, alignment 1", callOf(5, 3, GL_RGB, 1), 15 * 3},
        {"RGB 5 x 3, alignment 8", callOf(5, 3, GL_RGB, 8), 16 * 2 + 15},
        {"luminance 3 x 2", callOf(3, 2, GL_LUMINANCE, 1), 6},
        {"luminance-alpha 3 x 2", callOf(3, 2, GL_LUMINANCE_ALPHA, 1), 12},
        {"null pixels read nothing", callOf(64, 64, GL_RGB, 4, nullptr), 0},
        {"an empty image reads nothing", callOf(0, 0, GL_RGB, 4), 0},
        {"a nonsense alignment does not divide by zero", callOf(2, 2, GL_RGBA, 0), 16},
    };
    for (const BytesCase& c : cases) {
        EXPECT_EQ(UploadLog::bytesOf(c.call), c.bytes) << c.label;
    }
}

TEST(UploadLogTest, TakeBytesCountsSinceTheLastTake)
{
    UploadLog log;
    log.add(callOf(2, 2, GL_RGBA, 4));
    log.add(callOf(2, 2, GL_RGB, 1));
    EXPECT_EQ(log.takeBytes(), 16u + 12u);
    EXPECT_EQ(log.takeBytes(), 0u);
    log.add(callOf(1, 1, GL_RGBA, 4));
    EXPECT_EQ(log.takeBytes(), 4u);
}

TEST(UploadLogTest, RecordsOnlyWhileRecordingAndStartsAfresh)
{
    UploadLog log;
    log.add(callOf(1, 1, GL_RGB, 4));
    EXPECT_TRUE(log.recorded().empty());

    log.startRecording();
    log.add(callOf(2, 1, GL_RGB, 4));
    log.add(callOf(3, 1, GL_RGBA, 1));
    log.stopRecording();
    log.add(callOf(4, 1, GL_RGB, 4));
    ASSERT_EQ(log.recorded().size(), 2u);
    EXPECT_EQ(log.recorded()[0].width, 2);
    EXPECT_EQ(log.recorded()[1].width, 3);
    EXPECT_EQ(log.recorded()[1].unpackAlignment, 1);

    log.startRecording(); // a second recording replaces the first
    log.add(callOf(5, 1, GL_RGB, 4));
    log.stopRecording();
    ASSERT_EQ(log.recorded().size(), 1u);
    EXPECT_EQ(log.recorded()[0].width, 5);
}

} // namespace
