// The bench's arithmetic, without GL: the order statistics and the bytes GL reads for an upload.
// The whole bench runs with `make bench`; what a frame uploads is the frame driver's own test.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "FrameStats.h"
#include "UploadLog.h"

namespace {

TEST(FrameStatsTest, MedianNearestRankP90AndMeans)
{
    struct Case { std::vector<double> wallMs; double median, p90; }; // in the order measured
    const Case cases[] = {
        {{7}, 7, 7}, {{5, 1, 3}, 3, 5},
        {{4, 1, 3, 2}, 2.5, 4},                       // even: the mean of the middle two
        {{10, 9, 8, 7, 6, 5, 4, 3, 2, 1}, 5.5, 9},   // rank ceil(0.9 * 10) = 9, not the largest
        {{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, 6, 10}, // rank ceil(0.9 * 11) = 10
    };
    for (const Case& c : cases) {
        FrameStats stats;
        for (double ms : c.wallMs) stats.add(ms, 0, 0);
        SCOPED_TRACE(c.wallMs.size());
        EXPECT_EQ(stats.frames(), c.wallMs.size());
        EXPECT_DOUBLE_EQ(stats.medianWallMs(), c.median);
        EXPECT_DOUBLE_EQ(stats.p90WallMs(), c.p90);
    }
    FrameStats stats;
    stats.add(1, 2.0, 300);
    stats.add(1, 4.0, 300);
    stats.add(1, 6.0, 301);
    EXPECT_DOUBLE_EQ(stats.meanCpuMs(), 4.0);
    EXPECT_EQ(stats.uploadBytesPerFrame(), 300u); // 901 / 3, rounded down
}

TexImageCall callOf(GLsizei width, GLsizei height, GLenum format, GLint alignment, bool pixels = true)
{
    static const unsigned char somePixels[1] = {0};
    return {GL_TEXTURE_2D, 0, GLint(format), width, height, 0, format, GL_UNSIGNED_BYTE,
            pixels ? somePixels : nullptr, alignment};
}

TEST(UploadLogTest, BytesGlReadsPerUpload)
{
    const std::pair<TexImageCall, std::size_t> cases[] = {
        {callOf(256, 256, GL_RGBA, 4), 256 * 256 * 4},
        {callOf(3, 3, GL_RGB, 4), 12 * 2 + 9}, // rows of 9 bytes padded to 12, the last one not
        {callOf(3, 3, GL_RGB, 1), 9 * 3},
        {callOf(3, 3, GL_RGB, 8), 16 * 2 + 9},
        {callOf(3, 2, GL_LUMINANCE, 1), 6},
        {callOf(3, 2, GL_LUMINANCE_ALPHA, 1), 12},
        {callOf(64, 64, GL_RGB, 4, false), 0}, // null pixels: nothing read
        {callOf(0, 0, GL_RGB, 4), 0},
        {callOf(2, 2, GL_RGBA, 0), 16}, // a nonsense alignment does not divide by zero
    };
    for (const auto& [call, bytes] : cases) {
        EXPECT_EQ(UploadLog::bytesOf(call), bytes) << call.width << " x " << call.height << ", " << call.format;
    }
}

} // namespace
