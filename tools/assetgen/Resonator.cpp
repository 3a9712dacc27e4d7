// Resonator: the classic Chamberlin form of the state-variable filter.
#include "Resonator.h"

#include "Sound.h"

#include <algorithm>
#include <cmath>

#include "geometry/Pi.h"

Resonator::Resonator(double damping) : damping(damping), low(0), band(0), high(0) {}

void Resonator::step(double input, double frequency)
{
    // Above a sixth of the sample rate this form goes unstable; the synths never ask for it.
    double safe = std::min(frequency, Sound::rate / 6.0);
    double f = 2.0 * std::sin(pi * safe / Sound::rate);
    low += f * band;
    high = input - low - damping * band;
    band += f * high;
}

double Resonator::lowPass() const
{
    return low;
}

double Resonator::bandPass() const
{
    return band;
}

double Resonator::highPass() const
{
    return high;
}
