// Report: the bench's results as a table for people or as JSON for scripts. It formats what the
// bench measured and computes only the ratios to the empty frame.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "FrameStats.h"

struct CaseResult {
    std::string name; // short key, e.g. "scene"
    std::string what; // one line for people
    FrameStats stats;
};

struct BenchResult {
    std::string renderer;  // GL_RENDERER
    std::string glVersion; // GL_VERSION
    int width = 0;         // window, pixels
    int height = 0;
    int samples = 0;       // GL_SAMPLES of the window's framebuffer; 0 without multisampling
    unsigned cores = 0;    // hardware threads
    int frames = 0;        // timed frames per case
    int warmup = 0;        // untimed frames before each case
    double startupMs = -1; // process start to the first swapped frame; -1 when unknown
    double mainToFirstFrameMs = -1;
    double windowMs = -1;     // main to the window open
    double setupMs = -1;      // render state, meshes, images, reset, projection
    double firstFrameMs = -1; // the first frame itself, glFinish included
    std::vector<CaseResult> cases;
    long peakRssKib = 0;           // after all cases
    long rssAfterFewTogglesKib = 0;  // peak after the first few debug-texture toggles
    long rssAfterManyTogglesKib = 0; // peak after many
    int fewToggles = 0;
    int manyToggles = 0;
};

class Report {
public:
    // Median of a case over the median of the case named "empty"; 0 when there is none.
    static double ratioToEmpty(const BenchResult& result, const CaseResult& entry);
    static void writeTable(const BenchResult& result, std::FILE* out);
    static void writeJson(const BenchResult& result, std::FILE* out);
    // The text as a JSON string literal, quotes included.
    static std::string jsonString(const std::string& text);
};
