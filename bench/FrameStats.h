// FrameStats: the measurements of one bench case, one entry per timed frame, and the figures
// the report shows (median, 90th percentile, mean CPU time, bytes uploaded). No timing is taken
// here; the bench hands in what it measured.
#pragma once

#include <cstddef>
#include <vector>

class FrameStats {
public:
    void add(double wallMs, double cpuMs, std::size_t uploadBytes);

    std::size_t frames() const;
    double medianWallMs() const;
    // The nearest-rank 90th percentile: the smallest frame time that at least 90 % of the
    // frames do not exceed.
    double p90WallMs() const;
    double meanCpuMs() const;
    // Mean bytes per frame, rounded down; every frame of a case uploads the same images.
    std::size_t uploadBytesPerFrame() const;

private:
    std::vector<double> wallMs;
    double cpuMsTotal = 0;
    std::size_t uploadBytesTotal = 0;
};
