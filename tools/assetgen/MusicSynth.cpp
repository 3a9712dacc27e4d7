// MusicSynth: a pad, a plucked arpeggio, a bass and a bell melody, all additive tones, with a
// soft echo. The harmony and melody are written out below as MIDI note numbers.
#include "MusicSynth.h"

#include <cmath>
#include <vector>

namespace {

struct Chord {
    int bass;               // MIDI note
    std::vector<int> tones; // MIDI notes of the pad, low to high
};

struct Note {
    double beat;   // from the start of the piece
    int pitch;     // MIDI note
    double beats;  // length
};

double frequencyOf(int midi)
{
    return 440.0 * std::pow(2.0, (midi - 69) / 12.0);
}

// One chord every two beats: D | Bm | G | A | D | F#m | G A | D, each bar given twice.
std::vector<Chord> harmony()
{
    const Chord d{38, {57, 61, 66}};      // Dmaj7 without its root in the pad
    const Chord bm{35, {57, 62, 66}};     // Bm7
    const Chord g{43, {59, 62, 66}};      // Gmaj7
    const Chord a{45, {57, 62, 64}};      // Asus4
    const Chord fsharpm{42, {57, 61, 64}}; // F#m7
    const Chord a7{45, {55, 61, 64}};     // A7
    return {d, d, bm, bm, g, g, a, a, d, d, fsharpm, fsharpm, g, a7, d, d};
}

std::vector<Note> melody()
{
    return {
        {0, 81, 2},  {2, 78, 1},  {3, 76, 1},                // bar 1
        {4, 78, 3},  {7, 74, 1},                             // bar 2
        {8, 71, 2},  {10, 74, 1}, {11, 76, 1},               // bar 3
        {12, 76, 4},                                         // bar 4
        {16, 81, 2}, {18, 83, 1}, {19, 81, 1},               // bar 5
        {20, 78, 2}, {22, 76, 2},                            // bar 6
        {24, 74, 2}, {26, 76, 1}, {27, 73, 1},               // bar 7
        {28, 74, 3},                                         // bar 8, home on D
    };
}

// Chord tones an octave up, walked up and down in eighth notes.
const int arpeggioOrder[8] = {0, 1, 2, 1, 0, 2, 1, 2};

} // namespace

MusicSynth::MusicSynth(double loudness) : loudness(loudness) {}

Sound MusicSynth::music() const
{
    const double beat = static_cast<double>(samplesPerBeat) / Sound::rate; // seconds
    Sound sound(static_cast<double>(beatsPerBar * bars * samplesPerBeat) / Sound::rate);
    const std::vector<Chord> chords = harmony();
    const int lastChord = static_cast<int>(chords.size()) - 1;

    for (int c = 0; c <= lastChord; ++c) {
        const Chord& chord = chords[c];
        double start = 2 * c * beat;
        // The last chord is the one the piece began on; it is held to the end, under the fade.
        double hold = c == lastChord ? 2.0 * beat - 0.02 : 2.1 * beat;
        for (int tone : chord.tones) {
            double f = frequencyOf(tone);
            sound.addTone(start, hold, f, {1.0, 0.22, 0.08}, 0.5, 6.0, 0.10);
            sound.addTone(start, hold, f * 1.003, {1.0, 0.15}, 0.6, 6.0, 0.06); // slow chorus
        }
        sound.addTone(start, 1.8 * beat, frequencyOf(chord.bass), {1.0, 0.35, 0.1}, 0.02, 1.2,
                      0.22);
        if (c == lastChord) {
            continue;
        }
        for (int step = 0; step < 4; ++step) {
            int tone = chord.tones[arpeggioOrder[(2 * c + step) % 8] % chord.tones.size()] + 12;
            sound.addTone(start + step * beat / 2, 0.5, frequencyOf(tone), {1.0, 0.45, 0.2, 0.08},
                          0.004, 0.3, 0.09);
        }
    }
    for (const Note& note : melody()) {
        sound.addTone(note.beat * beat, note.beats * beat, frequencyOf(note.pitch),
                      {1.0, 0.25, 0.1, 0.03}, 0.01, 0.9, 0.16);
    }

    // A soft echo a dotted eighth later, fed back on itself, each repeat 0.28 as loud.
    const size_t delay = static_cast<size_t>(samplesPerBeat) * 3 / 4;
    for (size_t i = delay; i < sound.size(); ++i) {
        sound.at(i) = static_cast<float>(sound.at(i) + 0.28 * sound.at(i - delay));
    }

    sound.fadeIn(0.05);
    sound.fadeOut(2.0);
    sound.normaliseTo(loudness);
    return sound;
}
