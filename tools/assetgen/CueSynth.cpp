// CueSynth: every cue is a few lines of additive tones, glides or filtered noise. Frequencies are
// in Hz, times in seconds.
#include "CueSynth.h"

#include "Random.h"
#include "Resonator.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "geometry/Pi.h"

namespace {

// A tone whose pitch glides along a curve: frequency(t) in Hz, envelope(t) in 0..1, with the
// given harmonic gains. Phase is accumulated so the glide has no jumps.
void addGlide(Sound& sound, double start, double length, const std::vector<double>& partials,
              const std::function<double(double)>& frequency,
              const std::function<double(double)>& envelope, double gain)
{
    size_t first = static_cast<size_t>(std::lround(start * Sound::rate));
    size_t count = static_cast<size_t>(std::lround(length * Sound::rate));
    double phase = 0.0;
    for (size_t i = 0; i < count; ++i) {
        double t = static_cast<double>(i) / Sound::rate;
        phase += 2.0 * pi * frequency(t) / Sound::rate;
        double value = 0.0;
        for (size_t k = 0; k < partials.size(); ++k) {
            value += partials[k] * std::sin(phase * static_cast<double>(k + 1));
        }
        sound.add(first + i, gain * envelope(t) * value);
    }
}

// Rises over attack, holds, and falls over release, ending at length.
double swell(double t, double attack, double release, double length)
{
    if (t < attack) {
        return t / attack;
    }
    if (t > length - release) {
        return std::max(0.0, (length - t) / release);
    }
    return 1.0;
}

} // namespace

CueSynth::CueSynth(double loudness) : loudness(loudness) {}

Sound CueSynth::finished(Sound sound) const
{
    // Short ramps at both ends so no cue starts or stops on a click.
    sound.fadeIn(0.003);
    sound.fadeOut(0.01);
    sound.normaliseTo(loudness);
    return sound;
}

Sound CueSynth::beep() const
{
    Sound sound(0.16);
    sound.addTone(0.0, 0.12, 1046.5, {1.0, 0.12, 0.05}, 0.004, 0.07, 1.0);
    return finished(sound);
}

Sound CueSynth::reset() const
{
    Sound sound(0.9);
    // A rising sweep underneath four notes climbing a major arpeggio: "powering up".
    addGlide(sound, 0.0, 0.55, {1.0, 0.3},
             [](double t) { return 220.0 * std::pow(4.0, t / 0.55); },
             [](double t) { return swell(t, 0.05, 0.2, 0.55); }, 0.25);
    const double notes[] = {523.25, 659.25, 783.99, 1046.5}; // C5 E5 G5 C6
    for (int i = 0; i < 4; ++i) {
        double length = i == 3 ? 0.45 : 0.15;
        sound.addTone(0.1 + 0.11 * i, length, notes[i], {1.0, 0.35, 0.12}, 0.005, 0.18, 0.5);
    }
    return finished(sound);
}

Sound CueSynth::menu() const
{
    Sound sound(0.75);
    // Two soft chime notes a fifth apart.
    sound.addTone(0.0, 0.6, 783.99, {1.0, 0.0, 0.28, 0.0, 0.08}, 0.003, 0.22, 1.0);
    sound.addTone(0.13, 0.6, 1174.66, {1.0, 0.0, 0.28, 0.0, 0.08}, 0.003, 0.25, 0.9);
    return finished(sound);
}

Sound CueSynth::whistle() const
{
    Sound sound(0.8);
    Random random(0x5768697374ULL);
    // An upward whistle with a little vibrato, plus breath: noise ringing at the same pitch.
    auto pitch = [](double t) {
        return 900.0 * std::pow(2.0, t / 0.6) * (1.0 + 0.012 * std::sin(2.0 * pi * 7.0 * t));
    };
    auto envelope = [](double t) { return swell(t, 0.08, 0.25, 0.8); };
    addGlide(sound, 0.0, 0.8, {1.0, 0.06}, pitch, envelope, 0.8);
    Resonator breath(0.15);
    for (size_t i = 0; i < sound.size(); ++i) {
        double t = static_cast<double>(i) / Sound::rate;
        breath.step(random.signedUnit(), pitch(t));
        sound.add(i, 0.05 * envelope(t) * breath.bandPass());
    }
    return finished(sound);
}

Sound CueSynth::head() const
{
    Sound sound(0.45);
    // A small motor winding down: a buzzy tone falling an octave, then a soft stop knock.
    addGlide(sound, 0.0, 0.36, {1.0, 0.0, 0.33, 0.0, 0.2, 0.0, 0.14},
             [](double t) { return 420.0 * std::pow(0.5, t / 0.36); },
             [](double t) { return swell(t, 0.02, 0.12, 0.36); }, 0.6);
    sound.addTone(0.34, 0.08, 130.81, {1.0, 0.5}, 0.002, 0.03, 0.9);
    return finished(sound);
}

Sound CueSynth::view() const
{
    Sound sound(0.3);
    Random random(0x56696577ULL);
    // Two shutter clicks (short bursts of bright noise) and a soft confirming blip.
    for (double start : {0.0, 0.07}) {
        Resonator click(0.6);
        size_t first = static_cast<size_t>(std::lround(start * Sound::rate));
        for (size_t i = 0; i < static_cast<size_t>(0.02 * Sound::rate); ++i) {
            double t = static_cast<double>(i) / Sound::rate;
            click.step(random.signedUnit(), 3000.0);
            sound.add(first + i, 0.8 * std::exp(-t / 0.004) * click.bandPass());
        }
    }
    sound.addTone(0.12, 0.12, 1567.98, {1.0, 0.1}, 0.004, 0.06, 0.35);
    return finished(sound);
}

Sound CueSynth::falcon() const
{
    constexpr double length = 3.6;      // seconds
    constexpr double closest = 1.3;     // seconds until the craft is overhead
    constexpr double speed = 140.0;     // scene units per second, about the craft's own
    constexpr double height = 45.0;     // scene units; lower than the real pass, for drama
    constexpr double soundSpeed = 340.0; // scene units per second
    Sound sound(length);
    Random random(0x46616C636F6EULL);
    Resonator whoosh(0.5);
    Resonator rumble(1.2);
    Resonator air(1.4);
    double enginePhase = 0.0;
    for (size_t i = 0; i < sound.size(); ++i) {
        double t = static_cast<double>(i) / Sound::rate;
        double along = speed * (t - closest);
        double distance = std::hypot(along, height);
        // Doppler: approaching raises the pitch, receding lowers it.
        double doppler = soundSpeed / (soundSpeed + speed * along / distance);
        double nearness = height / distance; // 1 overhead, falling off either side
        double noise = random.signedUnit();
        whoosh.step(noise, 700.0 * doppler);
        air.step(noise, 2400.0 * doppler);
        enginePhase += 2.0 * pi * 75.0 * doppler / Sound::rate;
        double engine = std::sin(enginePhase) + 0.5 * std::sin(2.0 * enginePhase) +
                        0.25 * std::sin(3.0 * enginePhase);
        rumble.step(engine, 300.0);
        double value = 0.9 * whoosh.bandPass() + 0.25 * air.bandPass() + 0.35 * rumble.lowPass();
        sound.add(i, std::pow(nearness, 1.5) * value);
    }
    sound.fadeIn(0.4);
    sound.fadeOut(0.8);
    return finished(sound);
}
