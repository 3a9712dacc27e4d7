// Sound: a mono buffer of float samples (full scale is 1) at 22 050 Hz, the mixing the synths
// share, loudness control, and the 16-bit PCM WAV writer. No effects live here.
#pragma once

#include <string>
#include <vector>

class Sound {
public:
    static constexpr int rate = 22050; // samples per second

    explicit Sound(double seconds);

    size_t size() const;
    double seconds() const;
    float& at(size_t index);
    float at(size_t index) const;
    // Adds value at index; indexes past the end are dropped.
    void add(size_t index, double value);

    // Adds a tone of summed harmonics: partials[k] is the gain of harmonic k + 1. It rises
    // linearly over attack seconds, then decays by e every decay seconds, and is cut with a
    // short ramp after length seconds so it never ends on a step.
    void addTone(double start, double length, double frequency, const std::vector<double>& partials,
                 double attack, double decay, double gain);

    double rms() const;
    double peak() const;
    void scale(double factor);
    // Linear ramps from and to silence at the ends.
    void fadeIn(double seconds);
    void fadeOut(double seconds);
    // Scales to the given RMS (fraction of full scale).
    void normaliseTo(double targetRms);

    // 16-bit signed PCM, mono, little-endian, with a 44-byte RIFF header.
    bool saveWav(const std::string& path) const;

private:
    std::vector<float> samples;
};
