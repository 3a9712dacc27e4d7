// A storm of 500 sound cues started back to back through Audio::playThreadAudio with the real
// system() and the stand-in player first on PATH, playing for no time at all. Every cue must reach
// the player with its own file, every cue thread must end and no child may be left a zombie.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include <sys/wait.h>
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

// A child of this process that has ended and not been reaped, or 0; it stays unreaped.
pid_t zombieChild()
{
    siginfo_t info{};
    waitid(P_ALL, 0, &info, WEXITED | WNOHANG | WNOWAIT);
    return info.si_pid;
}

TEST(CueStormTest, EveryCueReachesThePlayerAndNothingIsLeftBehind)
{
    FakePlayer player("0");
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
    EXPECT_EQ(zombieChild(), 0);
}

} // namespace
