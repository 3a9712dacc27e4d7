// Sound in the browser: the same cue names play the same WAV files (audio/<name>.wav), through
// the page's Web Audio (web/js/sound.js), which fetches each file the first time it is wanted
// and plays it without ever holding up a frame. The extension is ignored, as on the desktop.
// Browsers allow sound only after a user gesture: cues asked for before it are dropped, music
// asked for before it starts at the first key press or click. A hidden page is silent.
#include "audio/Audio.h"

#include "gl/Bridge.h"

void playAudio(std::string name, std::string extension)
{
    (void)extension;
    if (name == "music") {
        robotscene_sound_music(1);
    } else {
        robotscene_sound_cue(name.c_str());
    }
}

void stopAudio(std::string name)
{
    if (name == "music") {
        robotscene_sound_music(0);
    }
}

void Audio::playThreadAudio(std::string name, std::string extension)
{
    playAudio(name, extension);
}

// A restart: the page stops the music it plays before it starts it again.
void Audio::playMusic()
{
    playAudio("music", "mp3");
}

void Audio::stopMusic()
{
    stopAudio("music");
}
