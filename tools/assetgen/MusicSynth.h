// MusicSynth: the background music, eight calm bars in D major that end on the chord they
// start with, faded at both ends so the file can loop without a click. It does not write files.
#pragma once

#include "Sound.h"

class MusicSynth {
public:
    // loudness: RMS of the whole piece, as a fraction of full scale.
    explicit MusicSynth(double loudness);

    Sound music() const;

    static constexpr int beatsPerBar = 4;
    static constexpr int bars = 8;
    static constexpr int samplesPerBeat = 18375; // 72 beats a minute at 22 050 Hz, exactly

private:
    double loudness;
};
