// A storm of 500 sound cues started back to back through Audio::playThreadAudio with the real
// system() and the stand-in player first on PATH, playing for no time at all. Every cue must reach
// the player with its own file, every cue thread must end and no child may be left a zombie.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include <gtest/gtest.h>

#include "CommandRecorder.h"
#include "audio/Audio.h"

namespace fs = std::filesystem;

namespace {

constexpr int stormCues = 500;
const std::vector<std::string> cueNames = {"reset", "menu", "whistle", "head", "view", "beep", "falcon"};

// Generous, 120 s: a loaded machine is slow to fork. Nothing is timed, only waited for.
template <typename Predicate>
bool waitFor(Predicate done)
{
    for (int i = 0; i < 6000 && !done(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return done();
}

long threadCount()
{
    return std::distance(fs::directory_iterator("/proc/self/task"), fs::directory_iterator());
}

// Process ids of this process's children that have ended and not been reaped.
std::vector<int> zombieChildren()
{
    std::vector<int> zombies;
    std::error_code ignored; // processes come and go meanwhile
    for (const auto& entry : fs::directory_iterator("/proc", ignored)) {
        std::string pid = entry.path().filename();
        if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream stat(entry.path() / "stat");
        std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        std::size_t close = text.rfind(')'); // the state and the parent follow the command name
        std::istringstream rest(close == std::string::npos ? "" : text.substr(close + 1));
        char state = 0;
        int parent = 0;
        if (rest >> state >> parent && state == 'Z' && parent == getpid()) {
            zombies.push_back(std::stoi(pid));
        }
    }
    return zombies;
}

class CueStormTest : public ::testing::Test {
protected:
    std::string savedPath = std::getenv("PATH");
    std::string pattern = (fs::temp_directory_path() / "robotscene-cue-storm-XXXXXX").string();
    fs::path dir = mkdtemp(pattern.data());
    std::string log = (dir / "player.log").string();

    void SetUp() override
    {
        fs::create_symlink(fs::absolute("tests/support/fake-canberra-gtk-play"), dir / "canberra-gtk-play");
        setenv("PATH", (dir.string() + ":" + savedPath).c_str(), 1);
        setenv("FAKE_PLAYER_LOG", log.c_str(), 1);
        setenv("FAKE_PLAYER_SECONDS", "0", 1);
        unsetenv("FAKE_PLAYER_GO_FILE");
        cmdrec::setCapturing(false);
    }

    void TearDown() override
    {
        cmdrec::setCapturing(true);
        setenv("PATH", savedPath.c_str(), 1);
        fs::remove_all(dir);
    }

    // One "<pid> -f audio/<cue>.wav" line per start.
    std::vector<std::string> logLines() const
    {
        std::vector<std::string> lines;
        std::ifstream file(log);
        for (std::string line; std::getline(file, line);) lines.push_back(line);
        return lines;
    }
};

TEST_F(CueStormTest, EveryCueReachesThePlayerAndNothingIsLeftBehind)
{
    long baseline = threadCount();
    Audio audio;
    std::map<std::string, int> requested, played;
    for (int i = 0; i < stormCues; ++i) {
        const std::string& cue = cueNames[std::size_t(i) % cueNames.size()];
        audio.playThreadAudio(cue, "mp3");
        ++requested["-f audio/" + cue + ".wav"];
    }
    EXPECT_TRUE(waitFor([baseline] { return threadCount() <= baseline; })) << threadCount() << " threads";
    EXPECT_TRUE(waitFor([this] { return logLines().size() >= std::size_t(stormCues); })) << logLines().size();
    // Each start carries exactly its own cue's arguments: none lost, mixed or cut short.
    for (const std::string& line : logLines()) ++played[line.substr(line.find(' ') + 1)];
    EXPECT_EQ(played, requested);
    // system() reaped the shells; the players, put in the background, belong to init.
    EXPECT_EQ(zombieChildren(), std::vector<int>{});
}

} // namespace
