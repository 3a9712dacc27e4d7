// TileNoise: smooth value noise that repeats exactly across a picture (period 1 in u and v), for
// backgrounds that must tile: the sky box and brushed metal that wraps around a cylinder.
#pragma once

#include <cstdint>
#include <vector>

class TileNoise {
public:
    // cells: lattice cells across the picture in the first octave; each further octave doubles
    // them and halves its weight.
    TileNoise(std::uint64_t seed, int cells, int octaves);

    // About -1..1 at (u, v), where u and v are fractions of the picture's width and height.
    double at(double u, double v) const;
    // The same with separate cell counts across and down (for streaks).
    double stretched(double u, double v, double squeezeV) const;

private:
    struct Layer {
        int cells;
        double weight;
        std::vector<double> lattice;
    };
    std::vector<Layer> layers;

    static double sample(const Layer& layer, double x, double y);
};
