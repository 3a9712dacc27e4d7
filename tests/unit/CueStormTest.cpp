// A storm of 500 sound cues started back to back through Audio::playThreadAudio with the real
// system() and the stand-in player first on PATH, playing for no time at all. Every cue must reach
// the player with its own file, every cue thread must end and no child may be left a zombie.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include <gtest/gtest.h>

#include "FakePlayer.h"
#include "audio/Audio.h"

namespace fs = std::filesystem;
using namespace fakeplayer;

namespace {

constexpr int stormCues = 500;
const std::vector<std::string> cueNames = {"reset", "menu", "whistle", "head", "view", "beep", "falcon"};

// Generous: a loaded machine is slow to fork.
constexpr std::chrono::seconds stormLimit(120);

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
        int pid = std::atoi(entry.path().filename().c_str());
        std::string text = pid > 0 ? readProc(pid, "stat") : "";
        std::size_t close = text.rfind(')'); // the state and the parent follow the command name
        std::istringstream rest(close == std::string::npos ? "" : text.substr(close + 1));
        char state = 0;
        int parent = 0;
        if (rest >> state >> parent && state == 'Z' && parent == getpid()) zombies.push_back(pid);
    }
    return zombies;
}

class CueStormTest : public ::testing::Test {
protected:
    FakePlayer player{"0"};
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
    EXPECT_TRUE(waitUntil([baseline] { return threadCount() <= baseline; }, stormLimit)) << threadCount() << " threads";
    // Each start, one "<pid> -f audio/<cue>.wav" line, carries exactly its own cue's arguments:
    // none lost, mixed or cut short.
    for (const LogLine& line : player.waitForLines(stormCues, stormLimit)) ++played[line.args];
    EXPECT_EQ(played, requested);
    // system() reaped the shells; the players, put in the background, belong to init.
    EXPECT_EQ(zombieChildren(), std::vector<int>{});
}

} // namespace
