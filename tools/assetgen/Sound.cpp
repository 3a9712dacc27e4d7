// Sound: buffer, mixing, loudness and WAV output.
#include "Sound.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>

#include "geometry/Pi.h"

namespace {

// Guard on conversion: the synths stay well below full scale, and this keeps any sample off the
// two full-scale codes whatever happens upstream.
constexpr double ceilingCode = 32000.0; // 16-bit sample code

void putLittleEndian(std::ofstream& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i) {
        out.put(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

} // namespace

Sound::Sound(double seconds) : samples(static_cast<size_t>(std::lround(seconds * rate)), 0.0f) {}

size_t Sound::size() const
{
    return samples.size();
}

double Sound::seconds() const
{
    return static_cast<double>(samples.size()) / rate;
}

float& Sound::at(size_t index)
{
    return samples[index];
}

float Sound::at(size_t index) const
{
    return samples[index];
}

void Sound::add(size_t index, double value)
{
    if (index < samples.size()) {
        samples[index] += static_cast<float>(value);
    }
}

void Sound::addTone(double start, double length, double frequency,
                    const std::vector<double>& partials, double attack, double decay, double gain)
{
    constexpr double release = 0.02; // seconds of ramp after the tone's length
    size_t first = static_cast<size_t>(std::lround(start * rate));
    size_t count = static_cast<size_t>(std::lround((length + release) * rate));
    for (size_t i = 0; i < count; ++i) {
        double t = static_cast<double>(i) / rate;
        double envelope = attack > 0.0 ? std::min(1.0, t / attack) : 1.0;
        envelope *= std::exp(-std::max(0.0, t - attack) / decay);
        if (t > length) {
            envelope *= std::max(0.0, 1.0 - (t - length) / release);
        }
        double value = 0.0;
        for (size_t k = 0; k < partials.size(); ++k) {
            double harmonic = frequency * static_cast<double>(k + 1);
            if (harmonic < rate / 2.0) { // above Nyquist it would fold back as noise
                value += partials[k] * std::sin(2.0 * pi * harmonic * t);
            }
        }
        add(first + i, gain * envelope * value);
    }
}

double Sound::rms() const
{
    if (samples.empty()) {
        return 0.0;
    }
    double sum = 0.0;
    for (float s : samples) {
        sum += static_cast<double>(s) * s;
    }
    return std::sqrt(sum / samples.size());
}

double Sound::peak() const
{
    double top = 0.0;
    for (float s : samples) {
        top = std::max(top, static_cast<double>(std::fabs(s)));
    }
    return top;
}

void Sound::scale(double factor)
{
    for (float& s : samples) {
        s = static_cast<float>(s * factor);
    }
}

void Sound::fadeIn(double seconds)
{
    size_t count = std::min(samples.size(), static_cast<size_t>(std::lround(seconds * rate)));
    for (size_t i = 0; i < count; ++i) {
        samples[i] = static_cast<float>(samples[i] * (static_cast<double>(i) / count));
    }
}

void Sound::fadeOut(double seconds)
{
    size_t count = std::min(samples.size(), static_cast<size_t>(std::lround(seconds * rate)));
    for (size_t i = 0; i < count; ++i) {
        size_t index = samples.size() - 1 - i;
        samples[index] = static_cast<float>(samples[index] * (static_cast<double>(i) / count));
    }
}

void Sound::normaliseTo(double targetRms)
{
    double current = rms();
    if (current > 0.0) {
        scale(targetRms / current);
    }
}

bool Sound::saveWav(const std::string& path) const
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) {
        return false;
    }
    const std::uint32_t dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
    out.write("RIFF", 4);
    putLittleEndian(out, 36 + dataBytes, 4);
    out.write("WAVE", 4);
    out.write("fmt ", 4);
    putLittleEndian(out, 16, 4);        // size of the format chunk
    putLittleEndian(out, 1, 2);         // PCM
    putLittleEndian(out, 1, 2);         // mono
    putLittleEndian(out, rate, 4);      // samples per second
    putLittleEndian(out, rate * 2, 4);  // bytes per second
    putLittleEndian(out, 2, 2);         // bytes per sample frame
    putLittleEndian(out, 16, 2);        // bits per sample
    out.write("data", 4);
    putLittleEndian(out, dataBytes, 4);
    for (float s : samples) {
        double code = std::max(-ceilingCode, std::min(ceilingCode, std::round(s * 32767.0)));
        putLittleEndian(out, static_cast<std::uint32_t>(static_cast<std::int32_t>(code)), 2);
    }
    return static_cast<bool>(out);
}
