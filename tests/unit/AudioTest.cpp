// Audio: the real players cues and music start (the stand-in player first on PATH logs
// "<pid> <args>"), stopping by process id only, reaping, and a missing player or thread. That the
// music ends with the program is seen end to end, on Esc (test_scene's exit check).
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <pthread.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "FakePlayer.h"
#include "audio/Audio.h"

namespace fs = std::filesystem;
using namespace fakeplayer;

namespace {

// A cue's shell ends as soon as its player is started; the orphaned player then comes back to
// this process, so the tests can reap what they stop.
struct Subreaper : ::testing::Environment {
    void SetUp() override { prctl(PR_SET_CHILD_SUBREAPER, 1); }
};
const auto* subreaper = ::testing::AddGlobalTestEnvironment(new Subreaper);

// Ended and reaped, however long a busy machine takes to schedule the reaper.
bool gone(pid_t pid) { return waitUntil([pid] { return !fs::exists("/proc/" + std::to_string(pid)); }); }

class AudioTest : public ::testing::Test, public FakePlayer {
protected:
    AudioTest() : FakePlayer("30") {}

    void TearDown() override
    {
        Audio().stopMusic();
        stopLeftovers();
    }

    // Whether the stand-in still runs, told without timing: one that was sent SIGTERM before this
    // SIGURG ends without answering it.
    bool answers(pid_t pid)
    {
        auto answered = [&] {
            auto all = lines();
            return std::count_if(all.begin(), all.end(), [&](auto& l) { return l.pid == pid && l.args == "alive"; });
        };
        auto before = answered();
        kill(pid, SIGURG);
        waitUntil([&] { return answered() > before || !running(pid); });
        return answered() > before;
    }
};

// The stand-in logs only once the go-file exists, which the test creates after its own line; a
// start that waited for the player would let the player log first, ten seconds later.
TEST_F(AudioTest, playThreadAudioReturnsBeforeThePlayerStarts)
{
    setenv("FAKE_PLAYER_GO_FILE", (dir / "go").c_str(), 1);
    Audio().playThreadAudio("view", "mp3");
    std::ofstream(log, std::ios::app) << "returned\n";
    std::ofstream(dir / "go");
    auto order = waitForLines(2);
    ASSERT_EQ(order.size(), 2u);
    EXPECT_EQ(order[0].args, "returned");
    EXPECT_EQ(order[1].args, "-f audio/view.wav");
}

// However the player behaves (obeys SIGTERM, ignores it, or ends by itself at once), starting the
// music again leaves only the newest player, which keeps none of this process's descriptors (they
// would outlive it; here a pipe); stopMusic through any instance ends and reaps it; and the process
// then holds exactly the descriptors, threads and children it held before.
TEST_F(AudioTest, EveryKindOfPlayerIsReplacedStoppedAndLeavesNothingBehind)
{
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    const fs::path ours = fs::read_symlink("/proc/self/fd/" + std::to_string(ends[1]));
    struct Case { const char* name; const char* seconds; bool stubborn; };
    for (const Case& c : {Case{"obedient", "30", false}, Case{"stubborn", "30", true}, Case{"gone at once", "0", false}}) {
        SCOPED_TRACE(c.name);
        setenv("FAKE_PLAYER_SECONDS", c.seconds, 1);
        c.stubborn ? setenv("FAKE_PLAYER_STUBBORN", "1", 1) : unsetenv("FAKE_PLAYER_STUBBORN");
        const proccount::Counts before = proccount::counts();
        Audio sound;
        std::vector<pid_t> started;
        for (std::size_t logged = lines().size(), start = 1; start <= 2; ++start) {
            sound.playMusic();
            std::vector<LogLine> all = waitForLines(logged + start);
            ASSERT_EQ(all.size(), logged + start);
            EXPECT_EQ(all.back().args, "-f audio/music.wav");
            started.push_back(all.back().pid);
        }
        EXPECT_TRUE(gone(started[0])) << "the restart left the first player running, or a zombie";
        std::error_code ended; // a player that is gone has no descriptors to look at
        for (fs::directory_iterator fd("/proc/" + std::to_string(started[1]) + "/fd", ended), end; !ended && fd != end;
             fd.increment(ended)) {
            EXPECT_NE(fs::read_symlink(fd->path(), ended), ours);
        }
        Audio().stopMusic();
        EXPECT_TRUE(gone(started[1])) << "still running, or left a zombie";
        EXPECT_TRUE(waitUntil([&] { return proccount::counts() == before; }))
            << "before " << before << ", now " << proccount::counts();
    }
    close(ends[0]), close(ends[1]);
}

// Only the music player this process started is ever stopped.
TEST_F(AudioTest, stopsTouchNoPlayerButTheirOwnMusic)
{
    std::string program = (dir / "bin/canberra-gtk-play").string(), option = "-f", path = "audio/music.wav";
    char* argv[] = {program.data(), option.data(), path.data(), nullptr};
    pid_t outsider = 0;
    ASSERT_EQ(posix_spawn(&outsider, program.c_str(), nullptr, nullptr, argv, environ), 0);
    ASSERT_EQ(waitForLines(1).size(), 1u);
    Audio sound;
    sound.playThreadAudio("falcon", "mp3");
    sound.playMusic();
    auto started = waitForLines(3);
    ASSERT_EQ(started.size(), 3u);
    sound.stopMusic();
    for (const LogLine& line : started) {
        bool ours = line.pid != outsider && line.args == "-f audio/music.wav";
        EXPECT_TRUE(ours ? gone(line.pid) : answers(line.pid)) << line.args;
    }
}

// Without a player on PATH, or without threads (a default thread stack larger than any address
// space), cues and music are dropped quietly. Without threads nothing may be left over either:
// neither a running player nor a zombie (a cue's shell may still run while the player is missing).
TEST_F(AudioTest, withoutAPlayerOrThreadsCuesAndMusicAreDropped)
{
    for (bool threads : {true, false}) {
        EXPECT_EXIT(
            {
                if (threads) {
                    fs::create_directory(dir / "empty");
                    setenv("PATH", (dir / "empty").c_str(), 1);
                    playAudio("beep", "mp3");
                } else {
                    pthread_attr_t huge;
                    pthread_attr_init(&huge);
                    pthread_attr_setstacksize(&huge, std::size_t{1} << 60); // bytes
                    pthread_setattr_default_np(&huge);
                    try {
                        std::thread([] {}).join();
                        std::exit(2); // threads still work: this test would prove nothing
                    } catch (const std::system_error&) {
                    }
                }
                Audio sound;
                sound.playThreadAudio("falcon", "mp3");
                sound.playMusic();
                sound.playMusic();
                sound.stopMusic();
                std::exit(threads || (waitpid(-1, nullptr, WNOHANG) == -1 && errno == ECHILD) ? 0 : 3);
            },
            ::testing::ExitedWithCode(0), "");
    }
}

} // namespace
