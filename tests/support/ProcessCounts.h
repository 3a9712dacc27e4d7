// What this process holds of the system: open descriptors, threads and child processes (running
// or unreaped). Exact counts read from /proc, so a test can require an operation to give back all
// it took without any margin for noise.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <ostream>
#include <string>
#include <tuple>

#include <unistd.h>

namespace proccount {

// A file under /proc of a process that may end meanwhile (the C++ streams throw then): empty once it has gone.
inline std::string readProc(pid_t pid, const char* name)
{
    std::string text;
    if (FILE* file = std::fopen(("/proc/" + std::to_string(pid) + "/" + name).c_str(), "r")) {
        char buffer[4096];
        for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) text.append(buffer, got);
        std::fclose(file);
    }
    return text;
}

struct Counts {
    long descriptors, threads, children;
    bool operator==(const Counts& o) const
    {
        return std::tie(descriptors, threads, children) == std::tie(o.descriptors, o.threads, o.children);
    }
    friend std::ostream& operator<<(std::ostream& out, const Counts& c)
    {
        return out << c.descriptors << " descriptors, " << c.threads << " threads, " << c.children << " children";
    }
};

inline long entries(const char* dir)
{
    namespace fs = std::filesystem;
    return std::distance(fs::directory_iterator(dir), fs::directory_iterator());
}

inline Counts counts()
{
    long children = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        pid_t pid = std::atoi(entry.path().filename().c_str());
        std::string stat = pid > 0 ? readProc(pid, "stat") : "";
        std::size_t close = stat.rfind(") "); // the state, then the parent's pid
        children += close != std::string::npos && std::atoi(stat.c_str() + close + 4) == getpid();
    }
    return {entries("/proc/self/fd"), entries("/proc/self/task"), children};
}

} // namespace proccount
