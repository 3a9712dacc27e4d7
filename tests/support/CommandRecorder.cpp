// The recording system() and posix_spawnp() declared in CommandRecorder.h and the list they fill.
// While capturing they run nothing, but for /bin/true in a spawned program's place.
#include "CommandRecorder.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include <dlfcn.h>
#include <spawn.h>

namespace cmdrec {

namespace {

struct Recorder {
    std::mutex lock;
    std::vector<std::string> commands;
    std::atomic<bool> capturing{true};
};

// Never destroyed: a detached cue thread may still record while the test process exits.
Recorder& recorder()
{
    static auto* r = new Recorder;
    return *r;
}

void add(std::string command)
{
    std::lock_guard<std::mutex> guard(recorder().lock);
    recorder().commands.push_back(std::move(command));
}

} // namespace

void setCapturing(bool on) { recorder().capturing = on; }

std::vector<std::string> commands()
{
    std::lock_guard<std::mutex> guard(recorder().lock);
    return recorder().commands;
}

void clear()
{
    std::lock_guard<std::mutex> guard(recorder().lock);
    recorder().commands.clear();
}

long count(const std::string& command)
{
    const std::vector<std::string> all = commands();
    return std::count(all.begin(), all.end(), command);
}

bool waitUntil(const std::function<bool()>& condition, std::chrono::seconds limit)
{
    for (auto i = limit / std::chrono::milliseconds(10); i > 0 && !condition(); --i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return condition();
}

std::vector<std::string> waitForCommands(std::size_t count)
{
    waitUntil([count] { return commands().size() >= count; });
    return commands();
}

} // namespace cmdrec

extern "C" {

int system(const char* command)
{
    static auto* real = reinterpret_cast<int (*)(const char*)>(dlsym(RTLD_NEXT, "system"));
    if (!cmdrec::recorder().capturing) return real(command);
    cmdrec::add(command != nullptr ? command : "");
    return 0;
}

int posix_spawnp(pid_t* pid, const char* file, const posix_spawn_file_actions_t* actions,
                 const posix_spawnattr_t* attributes, char* const argv[], char* const envp[])
{
    static auto* real = reinterpret_cast<decltype(&posix_spawn)>(dlsym(RTLD_NEXT, "posix_spawnp"));
    if (!cmdrec::recorder().capturing) return real(pid, file, actions, attributes, argv, envp);
    std::string line = file;
    for (int i = 1; argv[i] != nullptr; ++i) line += std::string(" ") + argv[i];
    cmdrec::add(line);
    char truePath[] = "/bin/true";
    char* const trueArgv[] = {truePath, nullptr};
    return real(pid, truePath, actions, attributes, trueArgv, envp);
}

} // extern "C"
