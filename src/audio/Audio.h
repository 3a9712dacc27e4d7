// Audio: sound cues and background music, played by the outside command-line player.
// Cues run the player through the shell on detached threads; the music player is started and
// stopped by its process id, so a stop never touches another program's player, and it is
// stopped when this process exits.
#pragma once

#include <string>

// Runs "canberra-gtk-play -f audio/<name>.wav &" through the shell. The extension is ignored:
// every sound is a WAV file.
void playAudio(std::string name, std::string extension);
// Stops the player this process started for the named sound, if it still runs.
void stopAudio(std::string name);

class Audio {
public:
    // Starts a cue on a detached thread and returns at once.
    void playThreadAudio(std::string name, std::string extension);
    // Stops the music this process started, then starts it again.
    void playMusic();
    // Stops the music this process started.
    void stopMusic();
};
