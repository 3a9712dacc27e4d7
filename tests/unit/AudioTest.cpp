// Audio: the command each cue runs, the real players cues and music start (the stand-in player
// first on PATH logs "<pid> <args>"), stopping by process id only, reaping, the music ending with
// the program, and a missing player or thread.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
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

#include "CommandRecorder.h"
#include "audio/Audio.h"

namespace fs = std::filesystem;

namespace {

const char* const cueNames[] = {"reset", "menu", "whistle", "head", "view", "beep", "falcon", "music"};
// Extensions callers might pass, one per cue name; none may reach the command.
const char* const extensions[] = {"mp3", "wav", "", "ogg", "mp3; echo x", "MP3", "flac", "mp3"};

// A cue's shell ends as soon as its player is started; the orphaned player then comes back to
// this process, so the tests can reap what they stop.
struct Subreaper : ::testing::Environment {
    void SetUp() override { prctl(PR_SET_CHILD_SUBREAPER, 1); }
};
const auto* subreaper = ::testing::AddGlobalTestEnvironment(new Subreaper);

// Generous: the machine is shared and slow at times; nothing here is timed, only waited for.
bool waitUntil(const std::function<bool()>& condition)
{
    for (int i = 0; i < 1000; ++i) { // 1000 x 10 ms
        if (condition()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return condition();
}

// A file under /proc of a process that may end meanwhile: empty once it has gone. (The C++
// streams throw when a read fails that way.)
std::string readProc(pid_t pid, const char* name)
{
    std::string text;
    std::string path = "/proc/" + std::to_string(pid) + "/" + name;
    if (FILE* file = std::fopen(path.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
            text.append(buffer, got);
        }
        std::fclose(file);
    }
    return text;
}

// Alive and not a zombie. A zombie child of this process is reaped on the way.
bool running(pid_t pid)
{
    waitpid(pid, nullptr, WNOHANG);
    std::string stat = readProc(pid, "stat");
    std::size_t close = stat.rfind(") ");
    return close != std::string::npos && stat[close + 2] != 'Z' && stat[close + 2] != 'X';
}

bool exists(pid_t pid)
{
    return fs::exists("/proc/" + std::to_string(pid));
}

struct LogLine {
    pid_t pid; // 0 for a line the test wrote itself
    std::string args;
};

class AudioTest : public ::testing::Test {
protected:
    fs::path dir;
    std::string log;
    std::string savedPath = std::getenv("PATH");

    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "robotscene-audio-XXXXXX").string();
        dir = mkdtemp(pattern.data());
        fs::create_directory(dir / "bin");
        fs::create_symlink(fs::absolute("tests/support/fake-canberra-gtk-play"), dir / "bin/canberra-gtk-play");
        log = (dir / "player.log").string();
        setenv("PATH", ((dir / "bin").string() + ":" + savedPath).c_str(), 1);
        setenv("FAKE_PLAYER_LOG", log.c_str(), 1);
        setenv("FAKE_PLAYER_SECONDS", "30", 1);
        unsetenv("FAKE_PLAYER_GO_FILE");
        cmdrec::setCapturing(false);
    }

    // Stops every stand-in started from this test's directory, by anyone, and reaps it. A zombie
    // has no command line, so the signalled ones are remembered until they are reaped.
    void TearDown() override
    {
        Audio().stopMusic();
        std::set<pid_t> stopped;
        bool allGone = waitUntil([&] {
            for (pid_t pid : standIns()) {
                kill(pid, SIGTERM);
                stopped.insert(pid);
            }
            return std::none_of(stopped.begin(), stopped.end(), running);
        });
        for (pid_t pid : stopped) {
            EXPECT_TRUE(allGone && !running(pid)) << "stand-in " << readProc(pid, "stat") << " outlived its test";
        }
        fs::remove_all(dir);
        setenv("PATH", savedPath.c_str(), 1);
        cmdrec::setCapturing(true);
        cmdrec::clear();
    }

    std::vector<pid_t> standIns()
    {
        std::vector<pid_t> found;
        for (const auto& entry : fs::directory_iterator("/proc")) {
            pid_t pid = std::atoi(entry.path().filename().c_str());
            if (pid > 0 && readProc(pid, "cmdline").find(dir.string()) != std::string::npos) {
                found.push_back(pid);
            }
        }
        return found;
    }

    std::vector<LogLine> lines()
    {
        std::vector<LogLine> result;
        std::ifstream file(log);
        for (std::string line; std::getline(file, line);) {
            std::size_t blank = line.find(' ');
            pid_t pid = std::atoi(line.substr(0, blank).c_str());
            result.push_back({pid, pid > 0 ? line.substr(blank + 1) : line});
        }
        return result;
    }

    // Whether the stand-in still runs, told without timing: one that was sent SIGTERM before
    // this SIGURG ends without answering it.
    bool answers(pid_t pid)
    {
        auto answered = [&] {
            auto all = lines();
            return std::count_if(all.begin(), all.end(), [&](const LogLine& line) { return line.pid == pid && line.args == "alive"; });
        };
        auto before = answered();
        kill(pid, SIGURG);
        waitUntil([&] { return answered() > before || !running(pid); });
        return answered() > before;
    }

    std::vector<LogLine> waitForLines(std::size_t count)
    {
        waitUntil([&] { return lines().size() >= count; });
        return lines();
    }
};

TEST_F(AudioTest, eachCueRunsOneBackgroundCommandWhateverTheExtension)
{
    cmdrec::setCapturing(true);
    for (std::size_t i = 0; i < std::size(cueNames); ++i) {
        cmdrec::clear();
        Audio().playThreadAudio(cueNames[i], extensions[i]);
        auto commands = cmdrec::waitForCommands(1);
        EXPECT_EQ(commands, std::vector<std::string>{"canberra-gtk-play -f audio/" + std::string(cueNames[i]) + ".wav &"})
            << "extension \"" << extensions[i] << "\"";
    }
}

TEST_F(AudioTest, eachCueStartsOnePlayerOfItsWavFile)
{
    for (std::size_t i = 0; i < std::size(cueNames); ++i) {
        Audio().playThreadAudio(cueNames[i], extensions[i]);
    }
    std::map<std::string, int> started;
    for (const LogLine& line : waitForLines(std::size(cueNames))) {
        ++started[line.args];
    }
    for (const char* name : cueNames) {
        EXPECT_EQ(started["-f audio/" + std::string(name) + ".wav"], 1) << name;
    }
    EXPECT_EQ(started.size(), std::size(cueNames));
}

TEST_F(AudioTest, twoCuesStartedTogetherPlayTogether)
{
    Audio sound;
    sound.playThreadAudio("beep", "mp3");
    sound.playThreadAudio("beep", "mp3");
    auto started = waitForLines(2);
    ASSERT_EQ(started.size(), 2u);
    EXPECT_NE(started[0].pid, started[1].pid);
    EXPECT_TRUE(running(started[0].pid) && running(started[1].pid));
}

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

// The player also keeps none of this process's descriptors (here a pipe), which would outlive it.
TEST_F(AudioTest, stopMusicEndsAndReapsThePlayerStartedThroughAnyInstance)
{
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    Audio().playMusic();
    auto started = waitForLines(1);
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].args, "-f audio/music.wav");
    EXPECT_TRUE(running(started[0].pid));
    std::string ours = fs::read_symlink("/proc/self/fd/" + std::to_string(ends[1]));
    for (const auto& fd : fs::directory_iterator("/proc/" + std::to_string(started[0].pid) + "/fd")) {
        std::error_code gone; // a descriptor may close while it is looked at
        EXPECT_NE(fs::read_symlink(fd.path(), gone), ours);
    }
    close(ends[0]);
    close(ends[1]);
    Audio().stopMusic();
    EXPECT_FALSE(exists(started[0].pid)) << "still running, or left a zombie";
}

TEST_F(AudioTest, playMusicAgainLeavesOnlyTheNewestPlayer)
{
    Audio sound;
    for (std::size_t round = 1; round <= 3; ++round) {
        sound.playMusic();
        auto started = waitForLines(round);
        ASSERT_EQ(started.size(), round);
        for (std::size_t i = 0; i < round; ++i) {
            EXPECT_EQ(running(started[i].pid), i + 1 == round) << "round " << round << ", player " << i;
        }
    }
}

TEST_F(AudioTest, aPlayerThatEndsByItselfIsReaped)
{
    setenv("FAKE_PLAYER_SECONDS", "0", 1);
    Audio().playMusic();
    auto started = waitForLines(1);
    ASSERT_EQ(started.size(), 1u);
    EXPECT_TRUE(waitUntil([&] { return !exists(started[0].pid); })) << "left a zombie";
}

// Only the music player this process started is ever stopped, and only by the music's name.
TEST_F(AudioTest, stopsTouchNoPlayerButTheirOwnMusic)
{
    std::string program = (dir / "bin/canberra-gtk-play").string();
    std::string option = "-f", path = "audio/music.wav";
    char* argv[] = {program.data(), option.data(), path.data(), nullptr};
    pid_t outsider = 0;
    ASSERT_EQ(posix_spawn(&outsider, program.c_str(), nullptr, nullptr, argv, environ), 0);
    ASSERT_EQ(waitForLines(1).size(), 1u);
    Audio sound;
    sound.playThreadAudio("falcon", "mp3");
    sound.playMusic();
    auto started = waitForLines(3);
    ASSERT_EQ(started.size(), 3u);

    for (const char* name : {"falcon", "beep", "", "musi", "music.wav"}) {
        stopAudio(name);
        for (const LogLine& line : started) {
            EXPECT_TRUE(answers(line.pid)) << line.args << " after stopAudio(\"" << name << "\")";
        }
    }
    sound.stopMusic();
    for (const LogLine& line : started) {
        bool ours = line.pid != outsider && line.args == "-f audio/music.wav";
        EXPECT_EQ(ours ? exists(line.pid) : answers(line.pid), !ours) << line.args;
    }
}

// Esc ends the program with exit(0), and so does freeglut when the window is closed. The player
// must not hold the child's stderr, which the death test reads until it closes.
TEST_F(AudioTest, theMusicEndsWithTheProgram)
{
    EXPECT_EXIT(
        {
            freopen("/dev/null", "w", stderr);
            Audio().playMusic();
            waitForLines(1);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
    auto started = lines();
    ASSERT_EQ(started.size(), 1u);
    EXPECT_TRUE(waitUntil([&] { return !running(started[0].pid); }));
}

TEST_F(AudioTest, aMissingPlayerIsSilent)
{
    EXPECT_EXIT(
        {
            fs::create_directory(dir / "empty");
            setenv("PATH", (dir / "empty").c_str(), 1);
            Audio sound;
            playAudio("beep", "mp3");
            sound.playThreadAudio("falcon", "mp3");
            sound.playMusic();
            sound.playMusic();
            sound.stopMusic();
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

// With a default thread stack larger than any address space, no thread can be created. The child
// then checks that it has no process left over: neither a running player nor a zombie.
TEST_F(AudioTest, withoutThreadsCuesAndMusicAreDropped)
{
    EXPECT_EXIT(
        {
            pthread_attr_t huge;
            pthread_attr_init(&huge);
            pthread_attr_setstacksize(&huge, std::size_t{1} << 60); // bytes
            pthread_setattr_default_np(&huge);
            try {
                std::thread([] {}).join();
                std::exit(2); // threads still work: this test would prove nothing
            } catch (const std::system_error&) {
            }
            Audio sound;
            sound.playThreadAudio("falcon", "mp3");
            sound.playMusic();
            sound.stopMusic();
            std::exit(waitpid(-1, nullptr, WNOHANG) == -1 && errno == ECHILD ? 0 : 3);
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace
