// The sound cues a test started, by name, for the tests of what starts them. Cues run on detached
// threads, so absence cannot be awaited: a sentinel cue started last is awaited with the expected
// ones instead. It knows the command line the cue player is given, nothing else of the program.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

#include "CommandRecorder.h"
#include "audio/Audio.h"

namespace cues {

// The names of the cues recorded since the last cmdrec::clear(), sorted, once `expected` of them
// and the sentinel have come.
inline std::vector<std::string> started(std::size_t expected)
{
    Audio().playThreadAudio("sentinel", "mp3");
    std::vector<std::string> names;
    for (const std::string& command : cmdrec::waitForCommands(expected + 1)) {
        std::size_t start = command.find("audio/") + 6; // "canberra-gtk-play -f audio/NAME.wav &"
        names.push_back(command.substr(start, command.find(".wav") - start));
    }
    names.erase(std::remove(names.begin(), names.end(), "sentinel"), names.end());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace cues
