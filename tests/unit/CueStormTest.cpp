// A storm of sound cues: 500 started back to back through Audio::playThreadAudio with the real
// system() and the test suite's fake player on PATH (playing for no time at all). Every cue must
// reach the player with its own file, every cue thread must end, and no child may be left as a
// zombie. Waits are bounded and generous; how long anything takes is never judged.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "CommandRecorder.h"
#include "audio/Audio.h"

namespace {

constexpr int stormCues = 500;
const std::vector<std::string> cueNames = {"reset", "menu", "whistle", "head", "view", "beep", "falcon"};
constexpr auto settleLimit = std::chrono::seconds(120); // generous: a loaded machine is slow to fork
constexpr auto pollInterval = std::chrono::milliseconds(20);

// Names in a /proc directory, "." and ".." left out.
std::vector<std::string> entries(const std::string& directory)
{
    std::vector<std::string> names;
    DIR* dir = opendir(directory.c_str());
    if (dir == nullptr) {
        return names;
    }
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    }
    closedir(dir);
    return names;
}

int threadCount()
{
    return static_cast<int>(entries("/proc/self/task").size());
}

// Process ids of this process's children that have ended and not been reaped.
std::vector<int> zombieChildren()
{
    std::vector<int> zombies;
    for (const std::string& name : entries("/proc")) {
        if (name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        std::ifstream stat("/proc/" + name + "/stat");
        std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        // The state and the parent follow the command name, which is in parentheses.
        std::size_t close = text.rfind(')');
        if (close == std::string::npos) {
            continue;
        }
        std::istringstream rest(text.substr(close + 1));
        char state = 0;
        int parent = 0;
        rest >> state >> parent;
        if (state == 'Z' && parent == getpid()) {
            zombies.push_back(std::stoi(name));
        }
    }
    return zombies;
}

template <typename Predicate>
bool waitFor(Predicate done)
{
    auto deadline = std::chrono::steady_clock::now() + settleLimit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(pollInterval);
    }
    return true;
}

class CueStormTest : public ::testing::Test {
protected:
    // The fake player goes first on PATH under the real player's name, logging to a file of ours.
    void SetUp() override
    {
        char pattern[] = "/tmp/robotscene-cue-storm-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        directory = pattern;
        char* here = getcwd(nullptr, 0);
        ASSERT_NE(here, nullptr);
        std::string fake = std::string(here) + "/tests/support/fake-canberra-gtk-play";
        std::free(here);
        ASSERT_EQ(access(fake.c_str(), R_OK), 0) << "run from the repository root";
        std::string player = directory + "/canberra-gtk-play";
        std::ofstream(player) << "#!/bin/sh\nexec /bin/sh '" << fake << "' \"$@\"\n";
        ASSERT_EQ(chmod(player.c_str(), 0755), 0);

        const char* path = std::getenv("PATH");
        savedPath = path != nullptr ? path : "/usr/bin:/bin";
        setenv("PATH", (directory + ":" + savedPath).c_str(), 1);
        setenv("FAKE_PLAYER_LOG", logPath().c_str(), 1);
        setenv("FAKE_PLAYER_SECONDS", "0", 1);
        unsetenv("FAKE_PLAYER_GO_FILE");
        cmdrec::setCapturing(false);
    }

    void TearDown() override
    {
        cmdrec::setCapturing(true);
        setenv("PATH", savedPath.c_str(), 1);
        unsetenv("FAKE_PLAYER_LOG");
        unsetenv("FAKE_PLAYER_SECONDS");
        std::remove(logPath().c_str());
        std::remove((directory + "/canberra-gtk-play").c_str());
        rmdir(directory.c_str());
    }

    std::string logPath() const
    {
        return directory + "/player.log";
    }

    // The player's log: one "<pid> -f audio/<cue>.wav" line per start.
    std::vector<std::string> logLines() const
    {
        std::vector<std::string> lines;
        std::ifstream log(logPath());
        for (std::string line; std::getline(log, line);) {
            lines.push_back(line);
        }
        return lines;
    }

    std::string directory;
    std::string savedPath;
};

TEST_F(CueStormTest, EveryCueReachesThePlayerAndNothingIsLeftBehind)
{
    int baseline = threadCount();
    Audio audio;
    std::map<std::string, int> requested;
    for (int i = 0; i < stormCues; ++i) {
        const std::string& cue = cueNames[static_cast<std::size_t>(i) % cueNames.size()];
        audio.playThreadAudio(cue, "mp3");
        ++requested["-f audio/" + cue + ".wav"];
    }

    EXPECT_TRUE(waitFor([baseline] { return threadCount() <= baseline; }))
        << threadCount() << " threads still running, " << baseline << " before the storm";
    EXPECT_TRUE(waitFor([this] { return logLines().size() >= static_cast<std::size_t>(stormCues); }))
        << logLines().size() << " of " << stormCues << " cues reached the player";

    // Each start carries exactly its own cue's arguments: no command lost, mixed or cut short.
    std::map<std::string, int> played;
    for (const std::string& line : logLines()) {
        std::size_t blank = line.find(' ');
        ++played[blank == std::string::npos ? line : line.substr(blank + 1)];
    }
    EXPECT_EQ(played, requested);
    // The shells that started the players have been reaped by system(); the players, put in the
    // background, belong to init.
    EXPECT_EQ(zombieChildren(), std::vector<int>{});
}

} // namespace
