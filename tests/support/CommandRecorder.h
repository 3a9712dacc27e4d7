// Interposes system() and posix_spawnp() in the unit tests, so sound cues and music are recorded
// instead of started. Capturing is on by default; a test that wants the real calls (the sound
// player tests) switches it off. Thread-safe: cues call system() from their own threads.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace cmdrec {

// While capturing, system() records its command and returns 0 without running it, and
// posix_spawnp() records "file arg1 arg2 ..." and starts /bin/true in its place, so the caller
// still gets a real process id to stop and reap.
void setCapturing(bool on);

// Commands recorded so far, in the order they were made.
std::vector<std::string> commands();
void clear();
// How many of them are exactly this command.
long count(const std::string& command);

// Polls the condition every 10 ms until it holds or the limit passes; returns its last value.
// Nothing is timed, only waited for: the limit is generous for a loaded machine.
bool waitUntil(const std::function<bool()>& condition, std::chrono::seconds limit = std::chrono::seconds(30));

// Waits until at least `count` commands are recorded; returns the commands. For cues, which run
// on detached threads.
std::vector<std::string> waitForCommands(std::size_t count);

} // namespace cmdrec
