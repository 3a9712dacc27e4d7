// CueSynth: the short sound cues (key feedback, the head's beep and the fly-by), each
// synthesised from tones and filtered noise and brought to one common loudness. It does not
// write files.
#pragma once

#include "Sound.h"

class CueSynth {
public:
    // loudness: RMS of every cue, as a fraction of full scale.
    explicit CueSynth(double loudness);

    Sound beep() const;     // the head sweep turns round
    Sound reset() const;    // the robot is reset
    Sound menu() const;     // the menu screen comes up
    Sound whistle() const;  // the hologram switches on
    Sound head() const;     // the head sweep stops
    Sound view() const;     // the camera mode changes
    Sound falcon() const;   // a craft passes overhead

private:
    double loudness;

    Sound finished(Sound sound) const;
};
