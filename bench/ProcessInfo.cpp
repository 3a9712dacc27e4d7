// Process start time from /proc/self/stat against the boot-time clock, and peak RSS.
#include "ProcessInfo.h"

#include <fstream>
#include <sstream>

#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

namespace {

constexpr int startTimeField = 22;  // field number in proc(5), counted from 1
constexpr int firstFieldAfterName = 3; // the state letter follows the parenthesised name

} // namespace

long long ProcessInfo::startTicks(const std::string& statLine)
{
    // The name is the only field that can hold blanks; it ends at the last ')'.
    std::size_t nameEnd = statLine.rfind(')');
    if (nameEnd == std::string::npos) {
        return -1;
    }
    std::istringstream fields(statLine.substr(nameEnd + 1));
    std::string field;
    for (int number = firstFieldAfterName; number <= startTimeField; ++number) {
        if (!(fields >> field)) {
            return -1;
        }
    }
    try {
        std::size_t used = 0;
        long long ticks = std::stoll(field, &used);
        return used == field.size() ? ticks : -1;
    } catch (const std::exception&) {
        return -1; // not a number: an unreadable line
    }
}

double ProcessInfo::msSinceStart()
{
    std::ifstream stat("/proc/self/stat");
    std::string line;
    std::getline(stat, line);
    long long ticks = startTicks(line);
    long ticksPerSecond = sysconf(_SC_CLK_TCK);
    timespec now{};
    if (ticks < 0 || ticksPerSecond <= 0 || clock_gettime(CLOCK_BOOTTIME, &now) != 0) {
        return -1;
    }
    // The kernel counts the start time on the boot-time clock, suspends included.
    double nowMs = static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
    double startMs = static_cast<double>(ticks) * 1000.0 / static_cast<double>(ticksPerSecond);
    return nowMs - startMs;
}

long ProcessInfo::peakRssKib()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss; // KiB on Linux
}
