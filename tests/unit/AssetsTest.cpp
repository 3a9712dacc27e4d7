// The shipped sounds against what the program asks of them: every sound is a WAV file the player
// takes, never clipping and about as loud as the music; and the generator remakes every file, and
// only those. Each shipped image's size and channels are pinned by the corpus replay's manifest;
// the per-frame upload budget is FrameDriverTest's. Paths are relative to the repository root.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CommandRecorder.h"
#include "Fixtures.h"

namespace fs = std::filesystem;

namespace {

// The files under root/dir, as paths relative to root, sorted.
std::vector<std::string> filesIn(const fs::path& root, const std::string& dir)
{
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root / dir)) {
        if (entry.is_regular_file()) names.push_back(fs::relative(entry.path(), root).string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

constexpr std::uint32_t sampleRate = 22050; // samples per second

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
    const std::string file = fixtures::readFile(path);
    const std::vector<unsigned char> b(file.begin(), file.end());
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
    // A silent file, or silent music, is infinitely many decibels away.
    const double music = rms(readWave("audio/music.wav"));
    for (const std::string& path : filesIn(".", "audio")) {
        SCOPED_TRACE(path);
        std::vector<std::int16_t> samples = readWave(path);
        ASSERT_FALSE(samples.empty()) << "not a 16-bit mono PCM WAV file at 22050 Hz";
        auto [low, high] = std::minmax_element(samples.begin(), samples.end());
        EXPECT_TRUE(*low > -32768 && *high < 32767) << "reaches full scale";
        EXPECT_LE(std::fabs(20.0 * std::log10(rms(samples) / music)), 6.0);
    }
}

TEST(AssetGenerator, RemakesEveryShippedFileByteForByte)
{
    // The generator is built beside the tests: <build>/tools/assetgen/assetgen.
    std::error_code error;
    fs::path generator = fs::read_symlink("/proc/self/exe", error).parent_path().parent_path() / "tools/assetgen/assetgen";
    if (error || !fs::exists(generator)) GTEST_SKIP() << "assetgen is not built next to this test";
    const fixtures::ScratchDir out{"assetgen"};
    cmdrec::setCapturing(false); // the generator must really run
    int status = std::system((generator.string() + " " + out.string() + " > /dev/null").c_str());
    cmdrec::setCapturing(true);
    ASSERT_EQ(status, 0);
    for (const char* dir : {"textures", "audio", "docs"}) {
        const std::vector<std::string> made = filesIn(out, dir);
        if (std::string(dir) != "docs") { // docs/ holds the tour's pictures too
            EXPECT_EQ(filesIn(".", dir), made) << "shipped files nobody makes, or missing";
        }
        for (const std::string& file : made) {
            EXPECT_TRUE(fixtures::readFile(file) == fixtures::readFile(out / file)) << file << " differs from assetgen's: make assets";
        }
    }
}

} // namespace
