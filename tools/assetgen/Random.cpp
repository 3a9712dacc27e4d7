// Random: splitmix64, chosen because it is a few lines and has no bad seeds.
#include "Random.h"

Random::Random(std::uint64_t seed) : state(seed) {}

std::uint64_t Random::next()
{
    state += 0x9E3779B97F4A7C15ULL;
    std::uint64_t z = state;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

double Random::uniform()
{
    // The top 53 bits fill a double's mantissa exactly.
    return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0);
}

double Random::range(double low, double high)
{
    return low + (high - low) * uniform();
}

int Random::below(int count)
{
    return static_cast<int>(uniform() * count);
}

double Random::signedUnit()
{
    return range(-1.0, 1.0);
}
