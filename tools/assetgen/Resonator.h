// Resonator: a two-pole state-variable filter whose centre frequency may change every sample,
// for swept noise (the fly-by) and soft low-passing. Stable while the frequency stays below
// about a sixth of the sample rate; callers keep it there.
#pragma once

class Resonator {
public:
    // damping: 2 is broad and gentle, 0.1 rings sharply.
    explicit Resonator(double damping);

    // Feeds one sample through at the given centre frequency (Hz); the three outputs follow.
    void step(double input, double frequency);
    double lowPass() const;
    double bandPass() const;
    double highPass() const;

private:
    double damping;
    double low;
    double band;
    double high;
};
