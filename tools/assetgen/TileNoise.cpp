// TileNoise: lattice values interpolated with a smoothstep; indices wrap so the last cell meets
// the first.
#include "TileNoise.h"

#include "Random.h"

#include <cmath>

namespace {

double smooth(double t)
{
    return t * t * (3.0 - 2.0 * t);
}

} // namespace

TileNoise::TileNoise(std::uint64_t seed, int cells, int octaves)
{
    Random random(seed);
    double weight = 1.0;
    for (int octave = 0; octave < octaves; ++octave) {
        Layer layer{cells << octave, weight, {}};
        layer.lattice.resize(static_cast<size_t>(layer.cells) * layer.cells);
        for (double& value : layer.lattice) {
            value = random.signedUnit();
        }
        layers.push_back(layer);
        weight *= 0.5;
    }
}

double TileNoise::sample(const Layer& layer, double x, double y)
{
    int n = layer.cells;
    double fx = std::floor(x);
    double fy = std::floor(y);
    int x0 = ((static_cast<int>(fx) % n) + n) % n;
    int y0 = ((static_cast<int>(fy) % n) + n) % n;
    int x1 = (x0 + 1) % n;
    int y1 = (y0 + 1) % n;
    double tx = smooth(x - fx);
    double ty = smooth(y - fy);
    auto value = [&layer, n](int i, int j) { return layer.lattice[static_cast<size_t>(j) * n + i]; };
    double top = value(x0, y0) + (value(x1, y0) - value(x0, y0)) * tx;
    double bottom = value(x0, y1) + (value(x1, y1) - value(x0, y1)) * tx;
    return top + (bottom - top) * ty;
}

double TileNoise::at(double u, double v) const
{
    return stretched(u, v, 1.0);
}

double TileNoise::stretched(double u, double v, double squeezeV) const
{
    double sum = 0.0;
    double weights = 0.0;
    for (const Layer& layer : layers) {
        // Rows are squeezed by a whole factor so the noise still repeats down the picture.
        sum += layer.weight * sample(layer, u * layer.cells, v * layer.cells * squeezeV);
        weights += layer.weight;
    }
    return weights > 0.0 ? sum / weights : 0.0;
}
