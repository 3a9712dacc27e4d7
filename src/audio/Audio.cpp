// Sound cues and music through the outside player "canberra-gtk-play".
// Cues go through the shell in the background on detached threads and are never tracked. The music
// player is started directly, its process id kept, reaped by a waiter thread, and stopped by that
// id alone (on a stop, a restart and at program exit). Nothing here decodes or plays sound itself.
#include "audio/Audio.h"

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include <cerrno>
#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

const char* const playerName = "canberra-gtk-play";

// How long a stop waits for the player to end after SIGTERM before it sends SIGKILL, and again
// after SIGKILL before it gives up waiting (seconds). A player ends within milliseconds of either.
const std::chrono::seconds stopGrace(1);

// One music player this process started. The waiter reaps it under `lock`, so while `reaped` is
// false under that lock the pid is still our child (running or a zombie) and safe to signal.
struct Player {
    pid_t pid = 0;
    pid_t owner = 0; // the process that started it; a forked copy of this process must not stop it
    bool reaped = false;
    std::mutex lock;
    std::condition_variable ended;
};

// Tracked players by sound name. Held for the whole of each public operation, so a restart from
// two threads can never leave two players running. Never destroyed: the exit handler and the
// waiter threads may still use it while static objects are being torn down.
struct Registry {
    std::mutex lock;
    std::map<std::string, std::shared_ptr<Player>> players;
};

Registry& registry()
{
    static Registry* instance = new Registry();
    return *instance;
}

std::string soundPath(const std::string& name)
{
    return "audio/" + name + ".wav";
}

// Blocks until the player ends, then reaps it. The wait leaves the child a zombie (WNOWAIT), so
// the pid stays ours until it is reaped under the lock that stop also takes.
void awaitEnd(std::shared_ptr<Player> player)
{
    siginfo_t info{};
    while (waitid(P_PID, static_cast<id_t>(player->pid), &info, WEXITED | WNOWAIT) == -1 && errno == EINTR) {
    }
    std::lock_guard<std::mutex> guard(player->lock);
    while (waitpid(player->pid, nullptr, 0) == -1 && errno == EINTR) {
    }
    player->reaped = true;
    player->ended.notify_all();
}

void stopPlayer(Player& player)
{
    std::unique_lock<std::mutex> guard(player.lock);
    if (player.reaped || player.owner != getpid()) {
        return;
    }
    auto isReaped = [&player] { return player.reaped; };
    kill(player.pid, SIGTERM);
    if (!player.ended.wait_for(guard, stopGrace, isReaped)) {
        // It ignores SIGTERM: still unreaped, so the pid is still ours to kill.
        kill(player.pid, SIGKILL);
        player.ended.wait_for(guard, stopGrace, isReaped);
    }
}

// Caller holds the registry lock.
void stopTracked(const std::string& name)
{
    auto found = registry().players.find(name);
    if (found == registry().players.end()) {
        return;
    }
    std::shared_ptr<Player> player = found->second;
    registry().players.erase(found);
    stopPlayer(*player);
}

void stopAllAtExit()
{
    std::lock_guard<std::mutex> guard(registry().lock);
    while (!registry().players.empty()) {
        stopTracked(registry().players.begin()->first);
    }
}

// The player starts with default handling and no blocked signals, so SIGTERM ends it even if this
// process blocks or ignores some (system() on a cue thread ignores SIGINT and SIGQUIT meanwhile).
void resetSignals(posix_spawnattr_t& attributes)
{
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGQUIT);
    sigaddset(&defaults, SIGTERM);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
}

// Returns 0 when the player cannot be started. It gets only the standard streams: no file, pipe
// or socket of ours is kept open by it after we end.
pid_t spawnPlayer(const std::string& name)
{
    std::string program = playerName;
    std::string option = "-f";
    std::string path = soundPath(name);
    std::vector<char*> argv = {program.data(), option.data(), path.data(), nullptr};

    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    resetSignals(attributes);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclosefrom_np(&actions, 3); // every descriptor above stderr

    pid_t pid = 0;
    int failed = posix_spawnp(&pid, playerName, &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    return failed != 0 ? 0 : pid;
}

// Caller holds the registry lock. A missing player is silent, like a failed cue.
void startTracked(const std::string& name)
{
    static bool exitHandlerSet = false;
    if (!exitHandlerSet) {
        exitHandlerSet = std::atexit(stopAllAtExit) == 0;
    }
    pid_t pid = spawnPlayer(name);
    if (pid <= 0) {
        return;
    }
    auto player = std::make_shared<Player>();
    player->pid = pid;
    player->owner = getpid();
    try {
        std::thread(awaitEnd, player).detach();
    } catch (const std::system_error&) {
        // Nothing could ever reap or be sure of stopping it, so it does not get to play.
        kill(pid, SIGKILL);
        while (waitpid(pid, nullptr, 0) == -1 && errno == EINTR) {
        }
        return;
    }
    registry().players[name] = player;
}

} // namespace

void playAudio(std::string name, std::string extension)
{
    (void)extension; // every sound is a WAV file, whatever the caller names
    std::string command = std::string(playerName) + " -f " + soundPath(name) + " &";
    int ignored = std::system(command.c_str());
    (void)ignored;
}

void stopAudio(std::string name)
{
    std::lock_guard<std::mutex> guard(registry().lock);
    stopTracked(name);
}

void Audio::playThreadAudio(std::string name, std::string extension)
{
    try {
        std::thread(playAudio, name, extension).detach();
    } catch (const std::system_error&) {
        // No thread to be had: a missed cue is better than a stalled frame or a crash.
    }
}

void Audio::playMusic()
{
    std::lock_guard<std::mutex> guard(registry().lock);
    stopTracked("music");
    startTracked("music");
}

void Audio::stopMusic()
{
    stopAudio("music");
}
