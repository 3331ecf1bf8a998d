#pragma once
// Memory figures of a process, read from /proc/<pid>/status, and the small numeric helpers
// the benchmarks print with.
#include <QString>
#include <vector>

namespace cot::bench {

struct ProcMemory {
    qint64 rss = -1;   // VmRSS, bytes (-1 when unreadable: the process is gone)
    qint64 peak = -1;  // VmHWM, bytes: the highest RSS since start or since resetPeakRss
};

// pid 0: this process.
ProcMemory readProcMemory(qint64 pid = 0);
// Sets VmHWM back to the current RSS (writes 5 to clear_refs); false where refused.
bool resetPeakRss(qint64 pid = 0);

// "123.4 MB" (decimal megabytes); "-" for a negative figure.
QString megabytes(qint64 bytes);
// Median of the samples (0 when none).
double median(std::vector<double> samples);

}  // namespace cot::bench
