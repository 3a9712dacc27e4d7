// rand() and srand() as glibc has them (random_r with the TYPE_3 additive feedback generator:
// 31 words, taps 3 and 31, seeded by 16807 * x mod 2^31 - 1 and stirred 310 times), so the
// browser build draws the desktop's numbers: the scene never seeds it, both start from seed 1
// and the fly-bys come on the same frames. Emscripten's own rand() is a different generator.
#include <cstdint>

namespace {

struct Generator {
    std::int32_t table[31];
    int front = 3; // index of the word added next (the "fptr" of glibc)
    int rear = 0;  // index of the word it is added to ("rptr")
    bool seeded = false;
};

Generator& generator()
{
    static Generator g;
    return g;
}

std::int32_t next(Generator& g)
{
    std::uint32_t sum = static_cast<std::uint32_t>(g.table[g.front]) + static_cast<std::uint32_t>(g.table[g.rear]);
    g.table[g.front] = static_cast<std::int32_t>(sum);
    g.front = (g.front + 1) % 31;
    g.rear = (g.rear + 1) % 31;
    return static_cast<std::int32_t>(sum >> 1);
}

void seed(Generator& g, unsigned int value)
{
    std::int32_t word = value == 0 ? 1 : static_cast<std::int32_t>(value);
    g.table[0] = word;
    for (int i = 1; i < 31; ++i) {
        // 16807 * word mod (2^31 - 1) without overflow (Schrage), as glibc computes it.
        std::int32_t hi = word / 127773;
        std::int32_t lo = word % 127773;
        word = 16807 * lo - 2836 * hi;
        if (word < 0) {
            word += 2147483647;
        }
        g.table[i] = word;
    }
    g.front = 3;
    g.rear = 0;
    for (int i = 0; i < 310; ++i) {
        next(g);
    }
    g.seeded = true;
}

} // namespace

extern "C" void srand(unsigned int value)
{
    seed(generator(), value);
}

extern "C" int rand(void)
{
    Generator& g = generator();
    if (!g.seeded) {
        seed(g, 1);
    }
    return next(g);
}
