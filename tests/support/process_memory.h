#pragma once
// This process's memory as the kernel counts it: an in-process server's is the test's own.
#include <QByteArray>
#include <QFile>
#include <cstring>

namespace cot::testing {

// A field of /proc/self/status in KB ("VmRSS:", "VmHWM:"); -1 when it cannot be read.
inline qint64 statusKb(const char* field) {
    QFile f("/proc/self/status");
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(field)) return line.mid(qsizetype(std::strlen(field))).trimmed().split(' ').first().toLongLong();
    return -1;
}

// Starts the peak (VmHWM) again from the memory in use now, and returns it.
inline qint64 resetPeakKb() {
    QFile clear("/proc/self/clear_refs");
    if (clear.open(QIODevice::WriteOnly)) clear.write("5");
    return statusKb("VmHWM:");
}

// False under ThreadSanitizer: every byte in use there carries shadow memory of its own, so
// the process's peak no longer tells the program's memory (the other builds check the bounds).
constexpr bool kPeakIsTheProgramsOwn =
#if defined(__SANITIZE_THREAD__)
    false;
#else
    true;
#endif

}  // namespace cot::testing
