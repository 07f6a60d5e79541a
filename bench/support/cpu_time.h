#pragma once
// CPU time of a process, for the benchmarks that report a CPU share of one core.
#include <cstdio>
#include <sys/resource.h>
#include <sys/types.h>
#include <unistd.h>

namespace bench {

// User and system time of this process, all threads, in seconds.
inline double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The same of another process (from /proc); a negative value when it cannot be read.
inline double cpuSeconds(pid_t pid) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/stat", int(pid));
    FILE *f = std::fopen(path, "r");
    if (!f) return -1;
    char line[1024];
    const size_t n = std::fread(line, 1, sizeof line - 1, f);
    std::fclose(f);
    line[n] = '\0';
    // The fields after the command name, which is in parentheses and may hold blanks.
    const char *p = nullptr;
    for (const char *q = line; *q; ++q)
        if (*q == ')') p = q + 1;
    unsigned long utime = 0, stime = 0;
    if (!p ||
        std::sscanf(p, " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &utime, &stime) != 2)
        return -1;
    return double(utime + stime) / double(sysconf(_SC_CLK_TCK));
}

} // namespace bench
