// The stand-in sound player for the audio tests: a private temporary directory that puts it first
// on PATH, its log of "<pid> <args>" lines, and stopping whatever is left of it. It starts no
// player itself.
#pragma once

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "CommandRecorder.h"
#include "ProcessCounts.h"

namespace fakeplayer {

namespace fs = std::filesystem;

using cmdrec::waitUntil;

using proccount::readProc;

// Alive and not a zombie. A zombie child of this process is reaped on the way.
inline bool running(pid_t pid)
{
    waitpid(pid, nullptr, WNOHANG);
    std::string stat = readProc(pid, "stat");
    std::size_t close = stat.rfind(") ");
    return close != std::string::npos && stat[close + 2] != 'Z' && stat[close + 2] != 'X';
}

// A line of the log: the stand-in's process id (0 for a line the test wrote itself) and arguments.
struct LogLine { pid_t pid; std::string args; };

// Set up on construction, undone on destruction; `seconds` is how long each stand-in plays.
// Its members are public, in the order they must be made: the directory before the log in it.
struct FakePlayer {
    explicit FakePlayer(const char* seconds)
    {
        fs::create_directory(dir / "bin");
        fs::create_symlink(fs::absolute("tools/fake-canberra-gtk-play"), dir / "bin/canberra-gtk-play");
        setenv("PATH", ((dir / "bin").string() + ":" + savedPath).c_str(), 1);
        setenv("FAKE_PLAYER_LOG", log.c_str(), 1);
        setenv("FAKE_PLAYER_SECONDS", seconds, 1);
        unsetenv("FAKE_PLAYER_GO_FILE");
        unsetenv("FAKE_PLAYER_STUBBORN");
        cmdrec::setCapturing(false);
    }
    ~FakePlayer()
    {
        fs::remove_all(dir);
        setenv("PATH", savedPath.c_str(), 1);
        cmdrec::setCapturing(true);
        cmdrec::clear();
    }
    FakePlayer(const FakePlayer&) = delete;
    FakePlayer& operator=(const FakePlayer&) = delete;

    std::vector<LogLine> lines() const
    {
        std::vector<LogLine> result;
        std::ifstream file(log);
        for (std::string line; std::getline(file, line);) {
            pid_t pid = std::atoi(line.substr(0, line.find(' ')).c_str());
            result.push_back({pid, pid > 0 ? line.substr(line.find(' ') + 1) : line});
        }
        return result;
    }

    std::vector<LogLine> waitForLines(std::size_t count, std::chrono::seconds limit = std::chrono::seconds(30)) const
    {
        waitUntil([&] { return lines().size() >= count; }, limit);
        return lines();
    }

    // Stops every stand-in started from this directory, by anyone, and reaps it. A zombie has no
    // command line, so the signalled ones are remembered until they are reaped.
    void stopLeftovers() const
    {
        std::set<pid_t> stopped;
        waitUntil([&] {
            for (const auto& entry : fs::directory_iterator("/proc")) {
                pid_t pid = std::atoi(entry.path().filename().c_str());
                if (pid > 0 && readProc(pid, "cmdline").find(dir.string()) != std::string::npos) {
                    kill(pid, SIGKILL); // a stubborn one ignores anything less
                    stopped.insert(pid);
                }
            }
            return std::none_of(stopped.begin(), stopped.end(), running);
        });
    }

    const std::string savedPath = std::getenv("PATH");
    std::string pattern = (fs::temp_directory_path() / "robotscene-player-XXXXXX").string();
    const fs::path dir = mkdtemp(pattern.data());
    const std::string log = (dir / "player.log").string();
};

} // namespace fakeplayer
