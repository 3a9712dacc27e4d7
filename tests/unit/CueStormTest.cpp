// A storm of 500 sound cues started back to back through Audio::playThreadAudio with the real
// system() and the stand-in player first on PATH, playing for no time at all: the same cue many
// times at once, under every extension. Every cue must reach its own player with its own WAV file,
// every cue thread must end and no descriptor or child may be left behind.
#include <chrono>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "FakePlayer.h"
#include "audio/Audio.h"

using namespace fakeplayer;

namespace {

constexpr int stormCues = 500;
const std::vector<std::string> cueNames = {"reset", "menu", "whistle", "head", "view", "beep", "falcon", "music"};
// Every sound is a WAV file, whatever extension the caller names; none reaches the shell.
const std::vector<std::string> extensions = {"mp3", "wav", "", "ogg", "mp3; echo x", "MP3", "flac"};

// Generous: a loaded machine is slow to fork.
constexpr std::chrono::seconds stormLimit(120);

TEST(CueStormTest, EveryCueReachesThePlayerAndNothingIsLeftBehind)
{
    FakePlayer player("0");
    const proccount::Counts before = proccount::counts();
    Audio audio;
    std::map<std::string, int> requested, played;
    for (int i = 0; i < stormCues; ++i) {
        const std::string& cue = cueNames[std::size_t(i) % cueNames.size()];
        audio.playThreadAudio(cue, extensions[std::size_t(i) % extensions.size()]);
        ++requested["-f audio/" + cue + ".wav"];
    }
    // Every cue thread ended and no descriptor stayed open.
    EXPECT_TRUE(waitUntil([&] { return proccount::counts() == before; }, stormLimit)) << proccount::counts();
    // Each start, one "<pid> -f audio/<cue>.wav" line, carries exactly its own cue's arguments:
    // none lost, mixed or cut short.
    for (const LogLine& line : player.waitForLines(stormCues, stormLimit)) ++played[line.args];
    EXPECT_EQ(played, requested);
}

} // namespace
