// Checks the shipped textures and sounds against what the program asks of them: every image
// decodes with the channel count its bind uploads, in sizes GL and the per-frame upload budget
// accept; every sound is a WAV file the player takes, never clipping and about as loud as the
// music; and the few pictures whose look is a contract (a seamless sky, clear grounds, the
// debug grid's corner) keep it. Files are read relative to the repository root.
#include <gtest/gtest.h>

#include <stb_image.h>

#include "CommandRecorder.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace {

// ---- images -----------------------------------------------------------------------------------

struct ImageFile {
    const char* path;
    int channels; // what its bind reads: bind uploads RGB (3), bindAlpha RGBA (4)
};

// Every image file the program loads: the menu and floor backdrop, the environment's five, and
// the robot's normal and debug sets.
const ImageFile imageFiles[] = {
    {"textures/menu.jpg", 3},     {"textures/author.jpg", 3},   {"textures/story.png", 4},
    {"textures/sky.jpg", 3},      {"textures/floor.png", 4},    {"textures/falcon.png", 4},
    {"textures/hologram.png", 4}, {"textures/holoLight.png", 4}, {"textures/grid.jpg", 3},
    {"textures/grid.png", 4},     {"textures/body.jpg", 3},     {"textures/bodyLid.jpg", 3},
    {"textures/head.jpg", 3},     {"textures/underbody.jpg", 3}, {"textures/metal.jpg", 3},
    {"textures/axe.jpg", 3},      {"textures/jack.jpg", 3},     {"textures/square.jpg", 3},
    {"textures/circle.jpg", 3},   {"textures/misc.jpg", 3},     {"textures/tint.jpg", 3},
};

struct Picture {
    bool decoded = false;
    int width = 0;
    int height = 0;
    int channels = 0;
    std::vector<unsigned char> pixels;

    int at(int x, int y, int channel) const
    {
        return pixels[(static_cast<size_t>(y) * width + x) * channels + channel];
    }
};

// Decoded as the program decodes: the file's own channel count, no flip.
Picture decode(const std::string& path)
{
    Picture picture;
    unsigned char* data = stbi_load(path.c_str(), &picture.width, &picture.height,
                                    &picture.channels, 0);
    if (data != nullptr) {
        picture.decoded = true;
        picture.pixels.assign(data, data + static_cast<size_t>(picture.width) * picture.height *
                                               picture.channels);
        stbi_image_free(data);
    }
    return picture;
}

bool isPowerOfTwo(int n)
{
    return n > 0 && (n & (n - 1)) == 0;
}

bool endsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

std::string testName(const char* path)
{
    std::string name = path;
    name = name.substr(name.find('/') + 1);
    for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) {
            c = '_';
        }
    }
    return name;
}

class ImageFileTest : public ::testing::TestWithParam<ImageFile> {};

TEST_P(ImageFileTest, DecodesWithTheChannelsItsBindReads)
{
    const ImageFile& file = GetParam();
    Picture picture = decode(file.path);
    ASSERT_TRUE(picture.decoded) << file.path << ": " << stbi_failure_reason();
    EXPECT_EQ(picture.channels, file.channels);
    // Throughout the program a JPEG is bound with bind and a PNG with bindAlpha.
    EXPECT_EQ(endsWith(file.path, ".jpg") ? 3 : 4, file.channels);
}

TEST_P(ImageFileTest, HasSidesGlAccepts)
{
    const ImageFile& file = GetParam();
    Picture picture = decode(file.path);
    ASSERT_TRUE(picture.decoded) << file.path;
    EXPECT_TRUE(isPowerOfTwo(picture.width)) << picture.width;
    EXPECT_TRUE(isPowerOfTwo(picture.height)) << picture.height;
    // RGB rows are read with GL's default 4-byte row alignment.
    EXPECT_EQ(picture.width * picture.channels % 4, 0) << "row of " << picture.width << " pixels";
}

INSTANTIATE_TEST_SUITE_P(Textures, ImageFileTest, ::testing::ValuesIn(imageFiles),
                         [](const ::testing::TestParamInfo<ImageFile>& info) {
                             return testName(info.param.path);
                         });

// ---- upload budget ----------------------------------------------------------------------------

struct Binds {
    const char* path;
    int perFrame;
};

struct Frame {
    const char* name;
    std::vector<Binds> binds;
};

// Every bind re-uploads the whole image. The counts follow the drawing order of one frame:
// the environment binds sky, author, floor and story once each (and the craft during a
// fly-by); the frame driver binds the floor again for its underside, or only the menu while the
// menu is shown. The robot binds: square 27 (arms 2 x 5, side feet 2 x 6, centre foot 3, centre
// column 2), circle 9 (shoulders 2, ankle caps 4, foot arches 3), metal 5 (axles 2, bolts 2,
// lens 1), axe 2, jack 2, body 1, bodyLid 2 (drum and underbody caps), underbody 1, head 1,
// hologram 2 and holoLight 3 (beam and two bands). With debug textures the robot's eleven RGB
// members all bind grid.jpg and its two RGBA members grid.png.
std::vector<Binds> robotBinds()
{
    return {{"textures/square.jpg", 27}, {"textures/circle.jpg", 9},  {"textures/metal.jpg", 5},
            {"textures/axe.jpg", 2},     {"textures/jack.jpg", 2},    {"textures/body.jpg", 1},
            {"textures/bodyLid.jpg", 2}, {"textures/underbody.jpg", 1}, {"textures/head.jpg", 1},
            {"textures/hologram.png", 2}, {"textures/holoLight.png", 3}};
}

std::vector<Binds> sceneWithoutRobotBinds()
{
    return {{"textures/sky.jpg", 1}, {"textures/author.jpg", 1}, {"textures/floor.png", 2},
            {"textures/story.png", 1}};
}

std::vector<Frame> frames()
{
    std::vector<Binds> scene = sceneWithoutRobotBinds();
    std::vector<Binds> robot = robotBinds();
    scene.insert(scene.end(), robot.begin(), robot.end());
    std::vector<Binds> flyBy = scene;
    flyBy.push_back({"textures/falcon.png", 1});
    std::vector<Binds> debug = sceneWithoutRobotBinds();
    debug.push_back({"textures/grid.jpg", 50});
    debug.push_back({"textures/grid.png", 5});
    return {{"default scene", scene},
            {"scene during a fly-by", flyBy},
            {"scene with debug textures", debug},
            {"menu", {{"textures/menu.jpg", 1}}}};
}

constexpr long uploadBudget = 3000000; // bytes a frame may upload

TEST(ShippedSizes, EveryKindOfFrameUploadsAtMostThreeMegabytes)
{
    for (const Frame& frame : frames()) {
        long bytes = 0;
        for (const Binds& bind : frame.binds) {
            Picture picture = decode(bind.path);
            ASSERT_TRUE(picture.decoded) << bind.path;
            bytes += static_cast<long>(picture.width) * picture.height * picture.channels *
                     bind.perFrame;
        }
        EXPECT_LE(bytes, uploadBudget) << frame.name << " uploads " << bytes << " bytes";
    }
}

// ---- sounds -----------------------------------------------------------------------------------

struct SoundFile {
    const char* path;
    double minSeconds;
    double maxSeconds;
};

const SoundFile soundFiles[] = {
    {"audio/beep.wav", 0.05, 1.5},  {"audio/reset.wav", 0.05, 1.5}, {"audio/menu.wav", 0.05, 1.5},
    {"audio/whistle.wav", 0.05, 1.5}, {"audio/head.wav", 0.05, 1.5}, {"audio/view.wav", 0.05, 1.5},
    {"audio/falcon.wav", 3.0, 4.0}, {"audio/music.wav", 20.0, 40.0},
};

constexpr int sampleRate = 22050; // samples per second

struct Wave {
    std::string problem; // empty when the file is a valid 16-bit mono PCM WAV at 22 050 Hz
    std::vector<std::int16_t> samples;

    double seconds() const { return static_cast<double>(samples.size()) / sampleRate; }
    double rms() const
    {
        double sum = 0;
        for (std::int16_t s : samples) {
            sum += static_cast<double>(s) * s;
        }
        return samples.empty() ? 0.0 : std::sqrt(sum / samples.size());
    }
};

std::uint32_t little(const std::vector<unsigned char>& bytes, size_t at, int count)
{
    std::uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i) {
        value = (value << 8) | bytes[at + i];
    }
    return value;
}

// Walks the RIFF chunks as a player would.
Wave readWave(const std::string& path)
{
    Wave wave;
    std::ifstream file(path, std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)),
                                     std::istreambuf_iterator<char>());
    auto tag = [&bytes](size_t at) { return std::string(bytes.begin() + at, bytes.begin() + at + 4); };
    if (bytes.size() < 12 || tag(0) != "RIFF" || tag(8) != "WAVE") {
        wave.problem = "no RIFF/WAVE header";
        return wave;
    }
    if (little(bytes, 4, 4) != bytes.size() - 8) {
        wave.problem = "RIFF size does not match the file";
        return wave;
    }
    bool formatSeen = false;
    for (size_t at = 12; at + 8 <= bytes.size();) {
        std::string id = tag(at);
        size_t size = little(bytes, at + 4, 4);
        size_t body = at + 8;
        if (body + size > bytes.size()) {
            wave.problem = id + " chunk runs past the end of the file";
            return wave;
        }
        if (id == "fmt ") {
            formatSeen = true;
            bool pcm16Mono = size >= 16 && little(bytes, body, 2) == 1 &&
                             little(bytes, body + 2, 2) == 1 &&
                             little(bytes, body + 4, 4) == sampleRate &&
                             little(bytes, body + 8, 4) == sampleRate * 2 &&
                             little(bytes, body + 12, 2) == 2 && little(bytes, body + 14, 2) == 16;
            if (!pcm16Mono) {
                wave.problem = "not 16-bit mono PCM at 22050 Hz";
                return wave;
            }
        } else if (id == "data") {
            if (!formatSeen) {
                wave.problem = "data before fmt";
                return wave;
            }
            if (body + size != bytes.size() || size % 2 != 0) {
                wave.problem = "data length does not match the file";
                return wave;
            }
            for (size_t i = body; i < body + size; i += 2) {
                wave.samples.push_back(static_cast<std::int16_t>(little(bytes, i, 2)));
            }
            return wave;
        }
        at = body + size + (size % 2);
    }
    wave.problem = "no data chunk";
    return wave;
}

class SoundFileTest : public ::testing::TestWithParam<SoundFile> {};

TEST_P(SoundFileTest, IsMonoPcmWavOfTheRightLength)
{
    const SoundFile& file = GetParam();
    Wave wave = readWave(file.path);
    ASSERT_EQ(wave.problem, "") << file.path;
    EXPECT_GE(wave.seconds(), file.minSeconds);
    EXPECT_LE(wave.seconds(), file.maxSeconds);
}

TEST_P(SoundFileTest, NeverReachesFullScale)
{
    Wave wave = readWave(GetParam().path);
    ASSERT_EQ(wave.problem, "");
    auto clipped = std::count_if(wave.samples.begin(), wave.samples.end(), [](std::int16_t s) {
        return s >= 32767 || s <= -32768;
    });
    EXPECT_EQ(clipped, 0);
}

TEST_P(SoundFileTest, StartsAndEndsInSilence)
{
    // A sound that starts or stops away from zero clicks; for the music this is the loop point.
    constexpr int nearSilence = 100; // sample code, about -50 dB below full scale
    Wave wave = readWave(GetParam().path);
    ASSERT_EQ(wave.problem, "");
    ASSERT_FALSE(wave.samples.empty());
    EXPECT_LE(std::abs(wave.samples.front()), nearSilence);
    EXPECT_LE(std::abs(wave.samples.back()), nearSilence);
}

TEST_P(SoundFileTest, IsWithinSixDecibelsOfTheMusic)
{
    Wave music = readWave("audio/music.wav");
    Wave wave = readWave(GetParam().path);
    ASSERT_EQ(music.problem, "");
    ASSERT_EQ(wave.problem, "");
    ASSERT_GT(music.rms(), 0.0);
    ASSERT_GT(wave.rms(), 0.0) << "silent";
    EXPECT_LE(std::fabs(20.0 * std::log10(wave.rms() / music.rms())), 6.0);
}

INSTANTIATE_TEST_SUITE_P(Sounds, SoundFileTest, ::testing::ValuesIn(soundFiles),
                         [](const ::testing::TestParamInfo<SoundFile>& info) {
                             return testName(info.param.path);
                         });

// Mean square of the samples in [from, to) seconds.
double power(const Wave& wave, double from, double to)
{
    size_t first = static_cast<size_t>(from * sampleRate);
    size_t last = std::min(wave.samples.size(), static_cast<size_t>(to * sampleRate));
    double sum = 0;
    for (size_t i = first; i < last; ++i) {
        sum += static_cast<double>(wave.samples[i]) * wave.samples[i];
    }
    return last > first ? sum / (last - first) : 0.0;
}

// Sign changes per second in [from, to): rises and falls with the pitch of filtered noise.
double crossingsPerSecond(const Wave& wave, double from, double to)
{
    size_t first = static_cast<size_t>(from * sampleRate);
    size_t last = std::min(wave.samples.size(), static_cast<size_t>(to * sampleRate));
    int crossings = 0;
    for (size_t i = first + 1; i < last; ++i) {
        crossings += (wave.samples[i - 1] < 0) != (wave.samples[i] < 0) ? 1 : 0;
    }
    return crossings / (to - from);
}

TEST(FalconSound, PassesByLoudestInTheMiddleAndFallsInPitch)
{
    Wave wave = readWave("audio/falcon.wav");
    ASSERT_EQ(wave.problem, "");
    const double length = wave.seconds();
    double start = power(wave, 0, length / 6);
    double middle = power(wave, length / 4, length / 2);
    double end = power(wave, length * 5 / 6, length);
    EXPECT_GT(middle, 4 * start) << "the craft should come closer";
    EXPECT_GT(middle, 4 * end) << "and then go away";
    // Approaching, the whoosh sounds higher than when it recedes.
    double approaching = crossingsPerSecond(wave, length / 6, length / 3);
    double receding = crossingsPerSecond(wave, length * 2 / 3, length * 5 / 6);
    EXPECT_GT(approaching, 1.3 * receding);
}

// ---- pictures whose look is a contract --------------------------------------------------------

// The sky box shows the whole picture on every face, and neighbouring faces meet at different
// edges: left against right, top against bottom, an edge against its own mirror image, and a
// column against a row. All four edges must therefore read the same either way.
TEST(SkyPicture, EdgesMatchHoweverTheBoxFacesMeet)
{
    // JPEG blocks differ slightly in what they keep of the same content.
    constexpr double tolerance = 1.5; // mean difference in 8-bit levels along an edge
    Picture sky = decode("textures/sky.jpg");
    ASSERT_TRUE(sky.decoded);
    ASSERT_EQ(sky.width, sky.height) << "edges of different lengths cannot meet";
    const int n = sky.width;
    auto left = [&](int t, int c) { return sky.at(0, t, c); };
    auto right = [&](int t, int c) { return sky.at(n - 1, t, c); };
    auto top = [&](int t, int c) { return sky.at(t, 0, c); };
    auto bottom = [&](int t, int c) { return sky.at(t, n - 1, c); };
    auto mirroredTop = [&](int t, int c) { return sky.at(n - 1 - t, 0, c); };
    struct Meeting {
        const char* name;
        std::function<int(int, int)> a;
        std::function<int(int, int)> b;
    };
    const Meeting meetings[] = {
        {"left against right", left, right},
        {"top against bottom", top, bottom},
        {"column against row", left, top},
        {"edge against its mirror", top, mirroredTop},
    };
    for (const Meeting& meeting : meetings) {
        double difference = 0;
        for (int t = 0; t < n; ++t) {
            for (int c = 0; c < 3; ++c) {
                difference += std::abs(meeting.a(t, c) - meeting.b(t, c));
            }
        }
        EXPECT_LE(difference / (3.0 * n), tolerance) << meeting.name;
    }
}

struct ClearGround {
    const char* path;
    const char* what;
};

// Pictures drawn over the scene on a see-through ground: their corners must let the scene
// through, and something in them must be solid enough to see.
const ClearGround clearGrounds[] = {
    {"textures/story.png", "lettering"},
    {"textures/falcon.png", "the craft"},
    {"textures/hologram.png", "the emblem"},
    {"textures/holoLight.png", "the light"},
};

class ClearGroundTest : public ::testing::TestWithParam<ClearGround> {};

TEST_P(ClearGroundTest, CornersAreClearAndTheContentShows)
{
    constexpr int clear = 8;    // alpha level a viewer cannot see
    constexpr int visible = 128; // alpha level that plainly shows
    Picture picture = decode(GetParam().path);
    ASSERT_TRUE(picture.decoded);
    ASSERT_EQ(picture.channels, 4);
    const int w = picture.width;
    const int h = picture.height;
    for (int y : {0, h - 1}) {
        for (int x : {0, w - 1}) {
            EXPECT_LE(picture.at(x, y, 3), clear) << "corner " << x << ", " << y;
        }
    }
    int strongest = 0;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            strongest = std::max(strongest, picture.at(x, y, 3));
        }
    }
    EXPECT_GE(strongest, visible) << GetParam().what << " does not show";
}

INSTANTIATE_TEST_SUITE_P(Textures, ClearGroundTest, ::testing::ValuesIn(clearGrounds),
                         [](const ::testing::TestParamInfo<ClearGround>& info) {
                             return testName(info.param.path);
                         });

TEST(HoloLightPicture, FadesOutAtEveryEdge)
{
    // The band and the beam end softly: GL's repeat wrap blends the first and last texels at
    // the edges, so both must be nearly clear all round, not only at the corners.
    constexpr int edgeMost = 24; // alpha level
    Picture light = decode("textures/holoLight.png");
    ASSERT_TRUE(light.decoded);
    ASSERT_EQ(light.channels, 4);
    int edge = 0;
    for (int t = 0; t < light.width; ++t) {
        edge = std::max({edge, light.at(t, 0, 3), light.at(t, light.height - 1, 3)});
    }
    for (int t = 0; t < light.height; ++t) {
        edge = std::max({edge, light.at(0, t, 3), light.at(light.width - 1, t, 3)});
    }
    EXPECT_LE(edge, edgeMost);
    EXPECT_GT(light.at(light.width / 2, light.height / 2, 3), 4 * edgeMost);
}

TEST(FloorPicture, TilesAreSolidAndJointsTranslucent)
{
    Picture floor = decode("textures/floor.png");
    ASSERT_TRUE(floor.decoded);
    ASSERT_EQ(floor.channels, 4);
    long solid = 0;
    long translucent = 0;
    for (int y = 0; y < floor.height; ++y) {
        for (int x = 0; x < floor.width; ++x) {
            int alpha = floor.at(x, y, 3);
            solid += alpha == 255 ? 1 : 0;
            translucent += alpha > 0 && alpha < 200 ? 1 : 0;
        }
    }
    long all = static_cast<long>(floor.width) * floor.height;
    EXPECT_GT(solid, all * 3 / 4) << "the deck should mostly be solid tiles";
    EXPECT_GT(translucent, all / 20) << "the joints should let the sky through";
}

TEST(GridPictures, MarkTheirFirstTexelAsTheCorner)
{
    // The (0, 0) corner is the first texel of the first row, marked yellow; the other three
    // corners are not, so a part showing the mark shows where u = 0 and v = 0 lie.
    for (const char* path : {"textures/grid.jpg", "textures/grid.png"}) {
        Picture grid = decode(path);
        ASSERT_TRUE(grid.decoded) << path;
        auto yellow = [&grid](int x, int y) {
            return grid.at(x, y, 0) > 180 && grid.at(x, y, 1) > 150 && grid.at(x, y, 2) < 110;
        };
        const int last = grid.width - 1;
        EXPECT_TRUE(yellow(0, 0)) << path;
        EXPECT_FALSE(yellow(last, 0)) << path;
        EXPECT_FALSE(yellow(0, last)) << path;
        EXPECT_FALSE(yellow(last, last)) << path;
    }
}


// ---- reproducibility --------------------------------------------------------------------------

std::vector<unsigned char> fileBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::vector<unsigned char>((std::istreambuf_iterator<char>(file)),
                                      std::istreambuf_iterator<char>());
}

// The generator is built beside the tests: <build>/tools/assetgen/assetgen.
std::string generatorPath()
{
    std::error_code error;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        return "";
    }
    return (self.parent_path().parent_path() / "tools" / "assetgen" / "assetgen").string();
}

TEST(AssetGenerator, RemakesEveryShippedFileByteForByte)
{
    std::string generator = generatorPath();
    if (generator.empty() || !std::filesystem::exists(generator)) {
        GTEST_SKIP() << "assetgen is not built next to this test";
    }
    char pattern[] = "/tmp/assetgen-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string out = pattern;
    cmdrec::setCapturing(false); // the generator must really run
    int status = std::system((generator + " " + out + " > /dev/null").c_str());
    cmdrec::setCapturing(true);
    ASSERT_EQ(status, 0);

    std::vector<std::string> files = {"docs/textures.png"};
    for (const ImageFile& image : imageFiles) {
        files.push_back(image.path);
    }
    for (const SoundFile& sound : soundFiles) {
        files.push_back(sound.path);
    }
    for (const std::string& file : files) {
        std::vector<unsigned char> shipped = fileBytes(file);
        EXPECT_FALSE(shipped.empty()) << file;
        EXPECT_TRUE(shipped == fileBytes(out + "/" + file))
            << file << " differs from what assetgen makes now: run make assets";
    }
    std::filesystem::remove_all(out);
}

} // namespace
