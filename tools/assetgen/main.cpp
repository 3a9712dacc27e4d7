// assetgen: writes every texture and sound of robotscene, and a contact sheet of the textures,
// under the repository root given as the only argument:
//   assetgen <repository root>
// Output is the same, byte for byte, on every run: all randomness comes from fixed seeds.
#include "BoardArt.h"
#include "Canvas.h"
#include "ContactSheet.h"
#include "CueSynth.h"
#include "Font.h"
#include "GridArt.h"
#include "MusicSynth.h"
#include "RobotArt.h"
#include "SceneArt.h"
#include "Sound.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace {

const char* const regularFontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const char* const boldFontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
constexpr int jpegQuality = 95;  // above 90 the writer keeps full colour resolution
constexpr double loudness = 0.1; // RMS of every sound, fraction of full scale (-20 dBFS)

struct Picture {
    std::string file; // under textures/
    Canvas canvas;
};

struct Tune {
    std::string file; // under audio/
    Sound sound;
};

bool writePicture(const std::string& root, const Picture& picture)
{
    std::string path = root + "/textures/" + picture.file;
    bool isPng = picture.file.size() > 4 && picture.file.substr(picture.file.size() - 4) == ".png";
    bool written = isPng ? picture.canvas.savePng(path) : picture.canvas.saveJpg(path, jpegQuality);
    std::printf("%s %s (%d x %d)\n", written ? "wrote" : "FAILED", path.c_str(),
                picture.canvas.width(), picture.canvas.height());
    return written;
}

bool writeTune(const std::string& root, const Tune& tune)
{
    std::string path = root + "/audio/" + tune.file;
    // Nothing may reach full scale; the synths aim far lower, so this only catches mistakes.
    bool loudEnoughToClip = tune.sound.peak() >= 0.97;
    bool written = !loudEnoughToClip && tune.sound.saveWav(path);
    std::printf("%s %s (%.2f s, peak %.2f)\n", written ? "wrote" : "FAILED", path.c_str(),
                tune.sound.seconds(), tune.sound.peak());
    return written;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: assetgen <repository root>\n");
        return 2;
    }
    const std::string root = argv[1];
    Font regular(regularFontPath);
    Font bold(boldFontPath);
    if (!regular.ok() || !bold.ok()) {
        std::fprintf(stderr, "assetgen: cannot read the DejaVu fonts (package fonts-dejavu-core)\n");
        return 1;
    }
    std::error_code error;
    for (const char* directory : {"/textures", "/audio", "/docs"}) {
        std::filesystem::create_directories(root + directory, error);
    }

    BoardArt boards(regular, bold);
    SceneArt scene;
    RobotArt robot(bold);
    GridArt grids(bold);
    const std::vector<Picture> pictures = {
        {"menu.jpg", boards.menu()},         {"author.jpg", boards.author()},
        {"story.png", boards.story()},       {"sky.jpg", scene.sky()},
        {"floor.png", scene.floor()},        {"falcon.png", scene.falcon()},
        {"hologram.png", robot.hologram()},  {"holoLight.png", robot.holoLight()},
        {"grid.jpg", grids.grid(3)},         {"grid.png", grids.grid(4)},
        {"body.jpg", robot.body()},          {"bodyLid.jpg", robot.bodyLid()},
        {"head.jpg", robot.head()},          {"underbody.jpg", robot.underbody()},
        {"metal.jpg", robot.metal()},        {"axe.jpg", robot.axe()},
        {"jack.jpg", robot.jack()},          {"square.jpg", robot.square()},
        {"circle.jpg", robot.circle()},      {"misc.jpg", robot.misc()},
        {"tint.jpg", robot.tint()},
    };
    CueSynth cues(loudness);
    MusicSynth music(loudness);
    const std::vector<Tune> tunes = {
        {"beep.wav", cues.beep()},       {"reset.wav", cues.reset()},
        {"menu.wav", cues.menu()},       {"whistle.wav", cues.whistle()},
        {"head.wav", cues.head()},       {"view.wav", cues.view()},
        {"falcon.wav", cues.falcon()},   {"music.wav", music.music()},
    };

    bool allWritten = true;
    ContactSheet sheet(regular, bold);
    for (const Picture& picture : pictures) {
        allWritten = writePicture(root, picture) && allWritten;
        sheet.add(picture.file, picture.canvas);
    }
    for (const Tune& tune : tunes) {
        allWritten = writeTune(root, tune) && allWritten;
    }
    std::string sheetPath = root + "/docs/textures.png";
    bool sheetWritten = sheet.render().savePng(sheetPath);
    std::printf("%s %s\n", sheetWritten ? "wrote" : "FAILED", sheetPath.c_str());
    return allWritten && sheetWritten ? 0 : 1;
}
