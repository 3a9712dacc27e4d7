// Random: a small seeded pseudo-random generator, so every asset comes out the same on every
// run and every machine. Not for anything but art: it is neither fast nor secure.
#pragma once

#include <cstdint>

class Random {
public:
    explicit Random(std::uint64_t seed);

    std::uint64_t next();
    double uniform();                       // in [0, 1)
    double range(double low, double high);  // in [low, high)
    int below(int count);                   // in [0, count)
    double signedUnit();                    // in [-1, 1)

private:
    std::uint64_t state;
};
