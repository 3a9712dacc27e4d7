// The shipped textures and sounds against what the program asks of them: every image decodes with
// the channels its bind uploads, in sides GL accepts; every sound is a WAV file the player takes,
// never clipping and about as loud as the music; and the generator still remakes every file. The
// per-frame upload budget is UploadBudgetTest's. Files are read relative to the repository root.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <stb_image.h>

#include "CommandRecorder.h"

namespace {

// Every image the program loads, under textures/; a JPEG is always bound with bind (RGB), a PNG
// with bindAlpha (RGBA).
const char* const imageFiles[] = {"menu.jpg", "author.jpg", "story.png", "sky.jpg", "floor.png", "falcon.png",
                                  "grid.jpg", "grid.png", "hologram.png", "body.jpg", "bodyLid.jpg", "head.jpg",
                                  "metal.jpg", "underbody.jpg", "holoLight.png", "axe.jpg", "jack.jpg", "square.jpg",
                                  "misc.jpg", "circle.jpg", "tint.jpg"};

const char* const soundFiles[] = {"audio/beep.wav", "audio/reset.wav", "audio/menu.wav", "audio/whistle.wav",
                                  "audio/head.wav", "audio/view.wav", "audio/falcon.wav", "audio/music.wav"};

std::vector<unsigned char> fileBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Decoded as the program decodes: the file's own channel count, no flip. No pixels when it fails.
struct Picture {
    int width = 0, height = 0, channels = 0;
    std::vector<unsigned char> pixels;
    int at(int x, int y, int channel) const { return pixels[(std::size_t(y) * width + x) * channels + channel]; }
};

Picture decode(const std::string& path)
{
    Picture p;
    if (unsigned char* data = stbi_load(path.c_str(), &p.width, &p.height, &p.channels, 0)) {
        p.pixels.assign(data, data + std::size_t(p.width) * p.height * p.channels);
        stbi_image_free(data);
    }
    return p;
}

bool isPowerOfTwo(int n) { return n > 0 && (n & (n - 1)) == 0; }

TEST(ShippedImages, DecodeWithTheChannelsTheirBindReadsInSidesGlAccepts)
{
    for (const std::string name : imageFiles) {
        const std::string path = "textures/" + name;
        SCOPED_TRACE(path);
        Picture picture = decode(path);
        ASSERT_FALSE(picture.pixels.empty()) << stbi_failure_reason();
        EXPECT_EQ(picture.channels, path.substr(path.size() - 4) == ".jpg" ? 3 : 4);
        EXPECT_TRUE(isPowerOfTwo(picture.width)) << picture.width;
        EXPECT_TRUE(isPowerOfTwo(picture.height)) << picture.height;
        EXPECT_EQ(picture.width * picture.channels % 4, 0) << "rows are read with GL's default 4-byte alignment";
    }
}

constexpr int sampleRate = 22050; // samples per second

std::uint32_t little(const std::vector<unsigned char>& bytes, std::size_t at, int count)
{
    std::uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i) value = (value << 8) | bytes[at + i];
    return value;
}

// The samples of a 16-bit mono PCM WAV file at 22 050 Hz in the plain 44-byte layout every player
// takes; none when the file is anything else.
std::vector<std::int16_t> readWave(const std::string& path)
{
    std::vector<unsigned char> b = fileBytes(path);
    // RIFF size; a 16-byte fmt chunk: PCM, one channel, rate, byte rate, 2-byte blocks, 16 bits; data to the end.
    auto tag = [&b](std::size_t at, const char* text) { return std::equal(text, text + 4, b.begin() + at); };
    if (b.size() < 46 || !tag(0, "RIFF") || !tag(8, "WAVE") || !tag(12, "fmt ") || !tag(36, "data") ||
        little(b, 4, 4) != b.size() - 8 || little(b, 16, 4) != 16 || little(b, 20, 2) != 1 || little(b, 22, 2) != 1 ||
        little(b, 24, 4) != sampleRate || little(b, 28, 4) != sampleRate * 2 || little(b, 32, 2) != 2 ||
        little(b, 34, 2) != 16 || little(b, 40, 4) != b.size() - 44 || b.size() % 2 != 0) {
        return {};
    }
    std::vector<std::int16_t> samples;
    for (std::size_t i = 44; i < b.size(); i += 2) samples.push_back(std::int16_t(little(b, i, 2)));
    return samples;
}

double rms(const std::vector<std::int16_t>& samples)
{
    double sum = 0;
    for (std::int16_t s : samples) sum += double(s) * s;
    return samples.empty() ? 0.0 : std::sqrt(sum / samples.size());
}

TEST(ShippedSounds, AreMonoPcmWavesThatNeverClipAndMatchTheMusicWithinSixDecibels)
{
    const std::vector<std::int16_t> music = readWave("audio/music.wav");
    for (const char* path : soundFiles) {
        SCOPED_TRACE(path);
        std::vector<std::int16_t> samples = readWave(path);
        ASSERT_FALSE(samples.empty()) << "not a 16-bit mono PCM WAV file at 22050 Hz";
        auto [low, high] = std::minmax_element(samples.begin(), samples.end());
        EXPECT_TRUE(*low > -32768 && *high < 32767) << "reaches full scale";
        ASSERT_GT(rms(samples), 0.0) << "silent";
        EXPECT_LE(std::fabs(20.0 * std::log10(rms(samples) / rms(music))), 6.0);
    }
}

TEST(AssetGenerator, RemakesEveryShippedFileByteForByte)
{
    // The generator is built beside the tests: <build>/tools/assetgen/assetgen.
    std::error_code error;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    std::filesystem::path generator = self.parent_path().parent_path() / "tools/assetgen/assetgen";
    if (error || !std::filesystem::exists(generator)) GTEST_SKIP() << "assetgen is not built next to this test";
    char pattern[] = "/tmp/assetgen-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string out = pattern;
    cmdrec::setCapturing(false); // the generator must really run
    int status = std::system((generator.string() + " " + out + " > /dev/null").c_str());
    cmdrec::setCapturing(true);
    ASSERT_EQ(status, 0);
    std::vector<std::string> files = {"docs/textures.png"};
    for (const char* name : imageFiles) files.push_back(std::string("textures/") + name);
    files.insert(files.end(), std::begin(soundFiles), std::end(soundFiles));
    for (const std::string& file : files) {
        std::vector<unsigned char> shipped = fileBytes(file);
        EXPECT_FALSE(shipped.empty()) << file;
        EXPECT_TRUE(shipped == fileBytes(out + "/" + file)) << file << " is not what assetgen makes: run make assets";
    }
    std::filesystem::remove_all(out);
}

} // namespace
