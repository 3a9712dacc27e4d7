#include "CommandRecorder.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include <dlfcn.h>
#include <spawn.h>

namespace cmdrec {

namespace {

// Never destroyed: a detached cue thread may still record while the test process exits.
std::mutex& lock()
{
    static auto* m = new std::mutex;
    return *m;
}

std::vector<std::string>& recorded()
{
    static auto* list = new std::vector<std::string>;
    return *list;
}

std::atomic<bool>& capture()
{
    static auto* on = new std::atomic<bool>(true);
    return *on;
}

void add(std::string command)
{
    std::lock_guard<std::mutex> guard(lock());
    recorded().push_back(std::move(command));
}

} // namespace

void setCapturing(bool on)
{
    capture() = on;
}

bool capturing()
{
    return capture();
}

std::vector<std::string> commands()
{
    std::lock_guard<std::mutex> guard(lock());
    return recorded();
}

void clear()
{
    std::lock_guard<std::mutex> guard(lock());
    recorded().clear();
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
    if (cmdrec::capturing()) {
        cmdrec::add(command != nullptr ? command : "");
        return 0;
    }
    using SystemFn = int (*)(const char*);
    static SystemFn real = reinterpret_cast<SystemFn>(dlsym(RTLD_NEXT, "system"));
    return real(command);
}

int posix_spawnp(pid_t* pid, const char* file, const posix_spawn_file_actions_t* actions,
                 const posix_spawnattr_t* attributes, char* const argv[], char* const envp[])
{
    using SpawnFn = int (*)(pid_t*, const char*, const posix_spawn_file_actions_t*,
                            const posix_spawnattr_t*, char* const[], char* const[]);
    static SpawnFn real = reinterpret_cast<SpawnFn>(dlsym(RTLD_NEXT, "posix_spawnp"));
    if (!cmdrec::capturing()) {
        return real(pid, file, actions, attributes, argv, envp);
    }
    std::string line = file;
    for (int i = 1; argv[i] != nullptr; ++i) {
        line += " ";
        line += argv[i];
    }
    cmdrec::add(line);
    char truePath[] = "/bin/true";
    char* const trueArgv[] = {truePath, nullptr};
    return real(pid, truePath, actions, attributes, trueArgv, envp);
}

} // extern "C"
