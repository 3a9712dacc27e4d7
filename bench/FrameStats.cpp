// Order statistics of the frame times of one case.
#include "FrameStats.h"

#include <algorithm>

namespace {

std::vector<double> sorted(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values;
}

} // namespace

void FrameStats::add(double frameWallMs, double frameCpuMs, std::size_t frameUploadBytes)
{
    wallMs.push_back(frameWallMs);
    cpuMsTotal += frameCpuMs;
    uploadBytesTotal += frameUploadBytes;
}

std::size_t FrameStats::frames() const
{
    return wallMs.size();
}

double FrameStats::medianWallMs() const
{
    if (wallMs.empty()) {
        return 0; // nothing measured: nothing to report
    }
    std::vector<double> order = sorted(wallMs);
    std::size_t middle = order.size() / 2;
    if (order.size() % 2 == 1) {
        return order[middle];
    }
    return (order[middle - 1] + order[middle]) / 2;
}

double FrameStats::p90WallMs() const
{
    if (wallMs.empty()) {
        return 0; // nothing measured: nothing to report
    }
    std::vector<double> order = sorted(wallMs);
    // Rank ceil(0.9 n), counted from 1; integer arithmetic keeps 0.9 * 10 from rounding up to 10.
    std::size_t rank = (order.size() * 9 + 9) / 10;
    return order[rank - 1];
}

double FrameStats::meanCpuMs() const
{
    return wallMs.empty() ? 0 : cpuMsTotal / static_cast<double>(wallMs.size());
}

std::size_t FrameStats::uploadBytesPerFrame() const
{
    return wallMs.empty() ? 0 : uploadBytesTotal / wallMs.size();
}
