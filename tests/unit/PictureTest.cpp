// Pictures P saves: the name from the local time, the PNG of the frame read back, the pictures
// folder and each of its fallbacks, the new file that never replaces another, and what the user
// is told. P itself on a real X server, its picture against a capture of the window, is the e2e
// test's (test_keys_cli).
#include <ctime>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Fixtures.h"
#include "GlRecorder.h"
#include "app/FrameDriver.h"
#include "app/Picture.h"
#include "app/PictureFile.h"
#include "input/Event.h"

namespace fs = std::filesystem;

namespace {

using fixtures::readFile;

// 2023-11-25 17:48:09 UTC: no two fields alike, the hour past noon; 02:18:09 the next day at +08:30.
TEST(PictureNameTest, IsTheLocalDateAndTimeToTheSecond)
{
    for (auto [zone, name] : {std::pair{"UTC0", "robotscene-20231125-174809.png"},
                              {"<+0830>-8:30", "robotscene-20231126-021809.png"}}) {
        setenv("TZ", zone, 1);
        tzset();
        EXPECT_EQ(pictureName(1700934489), name) << zone;
    }
}

class PictureTest : public ::testing::Test {
protected:
    const fixtures::ScratchDir dir{"picture"};
    const std::string home = (dir / "home").string();

    void SetUp() override
    {
        fs::remove_all(dir);
        fs::create_directories(home);
        glrec::reset();
        // A 7 by 5 window whose bytes all differ from their neighbours.
        glrec::gl().window = {10, 30, 7, 5};
        glrec::gl().frame = fixtures::pattern(7 * 5 * 4);
        setenv("HOME", home.c_str(), 1);
        unsetenv("XDG_CONFIG_HOME");
    }

    // Files under dir, with their contents; a name ending in '/' is a folder.
    void make(const std::vector<std::pair<std::string, std::string>>& files)
    {
        for (const auto& [name, text] : files) {
            fs::create_directories((dir / name).parent_path());
            if (name.back() != '/') std::ofstream(dir / name) << text;
        }
    }
};

// XDG_PICTURES_DIR from $XDG_CONFIG_HOME/user-dirs.dirs, or ~/.config/user-dirs.dirs when that is not
// given; else ~/Pictures if it is a folder; else home. Paths are under dir, but for absolute ones.
TEST_F(PictureTest, FolderIsTheConfiguredOneElsePicturesElseHome)
{
    const std::string shots = "XDG_PICTURES_DIR=\"$HOME/Shots\"\n", homeDirs = "home/.config/user-dirs.dirs";
    using File = std::pair<std::string, std::string>; // a name ending in '/' is a folder
    const File xdgShots{"config/user-dirs.dirs", shots}, pictures{"home/Pictures/", ""};
    const File homeOther{homeDirs, "XDG_PICTURES_DIR=\"$HOME/Other\"\n"};
    struct Case { const char* name; bool configHome; std::vector<File> files; std::string folder; };
    const Case cases[] = {
        {"XDG_CONFIG_HOME's file", true, {xdgShots, homeOther, pictures}, "home/Shots"},
        {"without XDG_CONFIG_HOME, ~/.config's", false, {xdgShots, homeOther, pictures}, "home/Other"},
        {"with XDG_CONFIG_HOME, never ~/.config's", true, {homeOther, pictures}, "home/Pictures"},
        {"the last line, an absolute path", false, {{homeDirs, shots + "XDG_PICTURES_DIR=\"/srv/pictures\"\n"}}, "/srv/pictures"},
        {"$HOME alone", false, {{homeDirs, "XDG_PICTURES_DIR=\"$HOME\"\n"}, pictures}, "home"},
        {"lines that do not set it", false,
         {{homeDirs, "# XDG_PICTURES_DIR=\"$HOME/A\"\n XDG_PICTURES_DIR=\"$HOME/B\"\nXDG_PICTURES_DIR=$HOME/C\nXDG_PICTURES_DIR=\"$HOME/D\n"
                     "XDG_PICTURES_DIR=\"E\"\nXDG_PICTURES_DIR=\"$HOMEF\"\n\nXDG_DESKTOP_DIR=\"$HOME/G\"\n"}, pictures},
         "home/Pictures"},
        {"~/Pictures a file: home", false, {{"home/Pictures", "not a folder"}}, "home"},
        {"nothing: home", false, {}, "home"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        make(c.files);
        const std::string folder = c.folder[0] == '/' ? c.folder : (dir / c.folder).string();
        EXPECT_EQ(picturesFolder(home, c.configHome ? (dir / "config").string() : ""), folder);
    }
    EXPECT_EQ(picturesFolder("", ""), "") << "no folder known, not the root folder";
}

// What offerPicture writes and says, with the environment the program starts with. The file is
// new: the name, else -2, -3... before the last dot, never replacing one; a relative
// XDG_CONFIG_HOME is ignored (the tests run in dir, where "config" holds a file that must not be read).
TEST_F(PictureTest, OfferSavesTheBytesInANewFileAndSaysWhereOrWhyNot)
{
    make({{"config/user-dirs.dirs", "XDG_PICTURES_DIR=\"$HOME/Configured\"\n"}, {"home/Configured/", ""},
          {"home/Pictures/a.b.png", "old"}});
    const fs::path previous = fs::current_path();
    fs::current_path(dir);
    umask(022);
    const std::vector<unsigned char> png = {137, 'P', 'N', 'G', 0, 255};
    struct Case { const char* name; const char* home; const char* configHome; std::vector<unsigned char> png; std::string out, err; };
    const std::string pictures = home + "/Pictures/", config = (dir / "config").string(), gone = (dir / "gone").string();
    const Case cases[] = {
        {"beside an older picture", home.c_str(), nullptr, png, "Saved " + pictures + "a.b-2.png\n", ""},
        {"saved again", home.c_str(), nullptr, png, "Saved " + pictures + "a.b-3.png\n", ""},
        {"XDG_CONFIG_HOME", home.c_str(), config.c_str(), png, "Saved " + home + "/Configured/a.b.png\n", ""},
        {"relative XDG_CONFIG_HOME", home.c_str(), "config", png, "Saved " + pictures + "a.b-4.png\n", ""},
        {"no HOME", nullptr, nullptr, png, "", "robotscene: cannot save a picture: no home folder (HOME is not set)\n"},
        {"a missing folder", gone.c_str(), nullptr, png, "", "robotscene: cannot save a picture to " + gone + "/a.b.png: No such file or directory\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.home ? setenv("HOME", c.home, 1) : unsetenv("HOME");
        c.configHome ? setenv("XDG_CONFIG_HOME", c.configHome, 1) : unsetenv("XDG_CONFIG_HOME");
        const fixtures::Output said = fixtures::captured([&] { offerPicture(c.png, "a.b.png"); });
        EXPECT_EQ(said.out, c.out);
        EXPECT_EQ(said.err, c.err);
    }
    fs::current_path(previous);
    EXPECT_EQ(readFile(pictures + "a.b.png"), "old");
    EXPECT_EQ(readFile(pictures + "a.b-2.png"), std::string(png.begin(), png.end()));
    EXPECT_EQ(fs::status(pictures + "a.b-2.png").permissions(), fs::perms(0644));
}

// P: the frame as drawn, read before the swap (after it the back buffer may hold anything), saved
// once in the pictures folder. A window without pixels gives no picture, and P says why.
TEST_F(PictureTest, PSavesTheFrameAsDrawnOnceBeforeTheSwap)
{
    ev.KeyboardKeys('p', 0, 0);
    const std::string out = fixtures::captured([] { for (int i = 0; i < 2; ++i) display(); }).out;
    std::smatch saved;
    ASSERT_TRUE(std::regex_match(out, saved, std::regex("Saved (" + home + "/robotscene-\\d{8}-\\d{6}\\.png)\n"))) << out;
    EXPECT_EQ(glrec::callsNamed("glReadPixels").size(), 1u);
    EXPECT_LT(glrec::findCall("glReadPixels"), glrec::findCall("glutSwapBuffers"));
    const std::vector<unsigned char> png = framePng();
    EXPECT_EQ(readFile(saved[1].str()), std::string(png.begin(), png.end()));
    glrec::gl().window = {10, 30, 7, 0};
    ev.KeyboardKeys('p', 0, 0);
    EXPECT_EQ(fixtures::captured(display).err, "robotscene: cannot save a picture: the frame could not be read\n");
}

} // namespace
