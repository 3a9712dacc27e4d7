// Table and JSON output of the bench's results.
#include "Report.h"

namespace {

constexpr double kibPerMib = 1024.0;

double mib(long kib)
{
    return static_cast<double>(kib) / kibPerMib;
}

void writeCaseJson(const BenchResult& result, const CaseResult& entry, bool last, std::FILE* out)
{
    const FrameStats& stats = entry.stats;
    std::fprintf(out,
                 "    {\"name\": %s, \"what\": %s, \"frames\": %zu, \"median_ms\": %.3f, "
                 "\"p90_ms\": %.3f, \"cpu_ms\": %.3f, \"ratio_to_empty\": %.3f, "
                 "\"upload_bytes_per_frame\": %zu}%s\n",
                 Report::jsonString(entry.name).c_str(), Report::jsonString(entry.what).c_str(),
                 stats.frames(), stats.medianWallMs(), stats.p90WallMs(), stats.meanCpuMs(),
                 Report::ratioToEmpty(result, entry), stats.uploadBytesPerFrame(), last ? "" : ",");
}

} // namespace

double Report::ratioToEmpty(const BenchResult& result, const CaseResult& entry)
{
    for (const CaseResult& candidate : result.cases) {
        if (candidate.name == "empty") {
            double floor = candidate.stats.medianWallMs();
            return floor > 0 ? entry.stats.medianWallMs() / floor : 0; // no floor measured: no ratio
        }
    }
    return 0;
}

void Report::writeTable(const BenchResult& result, std::FILE* out)
{
    std::fprintf(out, "robotscene-bench: %d x %d window, %d samples, %s (OpenGL %s), %u cores\n",
                 result.width, result.height, result.samples, result.renderer.c_str(),
                 result.glVersion.c_str(), result.cores);
    std::fprintf(out, "%d timed frames per case after %d warm-up frames; wall times include glFinish\n",
                 result.frames, result.warmup);
    std::fprintf(out, "start-up: %.0f ms from process start to the first swapped frame (%.1f ms from main:\n"
                      "  window %.1f ms, set-up %.1f ms, first frame %.1f ms)\n\n",
                 result.startupMs, result.mainToFirstFrameMs, result.windowMs, result.setupMs, result.firstFrameMs);
    std::fprintf(out, "%-13s %10s %9s %9s %8s %15s   %s\n", "case", "median ms", "p90 ms", "CPU ms",
                 "x empty", "bytes/frame", "what");
    for (const CaseResult& entry : result.cases) {
        const FrameStats& stats = entry.stats;
        std::fprintf(out, "%-13s %10.2f %9.2f %9.2f %8.2f %15zu   %s\n", entry.name.c_str(),
                     stats.medianWallMs(), stats.p90WallMs(), stats.meanCpuMs(), ratioToEmpty(result, entry),
                     stats.uploadBytesPerFrame(), entry.what.c_str());
    }
    std::fprintf(out, "\npeak RSS: %.1f MiB\n", mib(result.peakRssKib));
    std::fprintf(out, "peak RSS after %d debug-texture toggles: %.1f MiB, after %d: %.1f MiB (%+.1f MiB)\n",
                 result.fewToggles, mib(result.rssAfterFewTogglesKib), result.manyToggles,
                 mib(result.rssAfterManyTogglesKib), mib(result.rssAfterManyTogglesKib - result.rssAfterFewTogglesKib));
}

void Report::writeJson(const BenchResult& result, std::FILE* out)
{
    std::fprintf(out, "{\n");
    std::fprintf(out, "  \"renderer\": %s,\n", jsonString(result.renderer).c_str());
    std::fprintf(out, "  \"gl_version\": %s,\n", jsonString(result.glVersion).c_str());
    std::fprintf(out, "  \"width\": %d,\n  \"height\": %d,\n  \"samples\": %d,\n  \"cores\": %u,\n",
                 result.width, result.height, result.samples, result.cores);
    std::fprintf(out, "  \"frames\": %d,\n  \"warmup\": %d,\n", result.frames, result.warmup);
    std::fprintf(out, "  \"startup_ms\": %.1f,\n  \"main_to_first_frame_ms\": %.1f,\n", result.startupMs,
                 result.mainToFirstFrameMs);
    std::fprintf(out, "  \"window_ms\": %.1f,\n  \"setup_ms\": %.1f,\n  \"first_frame_ms\": %.1f,\n",
                 result.windowMs, result.setupMs, result.firstFrameMs);
    std::fprintf(out, "  \"cases\": [\n");
    for (std::size_t i = 0; i < result.cases.size(); ++i) {
        writeCaseJson(result, result.cases[i], i + 1 == result.cases.size(), out);
    }
    std::fprintf(out, "  ],\n");
    std::fprintf(out, "  \"peak_rss_kib\": %ld,\n", result.peakRssKib);
    std::fprintf(out, "  \"debug_toggles\": [%d, %d],\n", result.fewToggles, result.manyToggles);
    std::fprintf(out, "  \"peak_rss_after_toggles_kib\": [%ld, %ld]\n", result.rssAfterFewTogglesKib,
                 result.rssAfterManyTogglesKib);
    std::fprintf(out, "}\n");
}

std::string Report::jsonString(const std::string& text)
{
    std::string quoted = "\"";
    for (char c : text) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (byte < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", byte);
            quoted += escape;
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}
