// ProcessInfo: what the kernel knows about this process that the bench reports: how long ago it
// started and its peak resident memory. Linux only (/proc, CLOCK_BOOTTIME).
#pragma once

#include <string>

class ProcessInfo {
public:
    // The start time field (the 22nd) of a /proc/<pid>/stat line, in clock ticks after boot;
    // -1 when the line cannot be read. The command name may hold blanks and parentheses.
    static long long startTicks(const std::string& statLine);
    // Milliseconds from this process's start to now, to the kernel's tick (10 ms at 100 Hz);
    // -1 when /proc cannot be read.
    static double msSinceStart();
    // Peak resident set size so far, KiB.
    static long peakRssKib();
};
