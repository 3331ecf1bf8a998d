#include "support/proc_memory.h"

#include <QFile>
#include <algorithm>

namespace cot::bench {

namespace {

QString procPath(qint64 pid, const char* name) {
    return pid == 0 ? QStringLiteral("/proc/self/%1").arg(QLatin1String(name))
                    : QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(name));
}

// "VmRSS:	  123456 kB" → bytes.
qint64 kilobytesLine(const QByteArray& line) {
    const QList<QByteArray> parts = line.mid(line.indexOf(':') + 1).simplified().split(' ');
    bool ok = false;
    const qint64 kb = parts.value(0).toLongLong(&ok);
    return ok ? kb * 1024 : -1;
}

}  // namespace

ProcMemory readProcMemory(qint64 pid) {
    ProcMemory m;
    QFile f(procPath(pid, "status"));
    if (!f.open(QIODevice::ReadOnly)) return m;
    // /proc files report size 0: read whole, then split.
    const QByteArray text = f.readAll();
    for (const QByteArray& line : text.split('\n')) {
        if (line.startsWith("VmRSS:")) m.rss = kilobytesLine(line);
        else if (line.startsWith("VmHWM:")) m.peak = kilobytesLine(line);
    }
    return m;
}

bool resetPeakRss(qint64 pid) {
    QFile f(procPath(pid, "clear_refs"));
    if (!f.open(QIODevice::WriteOnly)) return false;
    return f.write("5") == 1;
}

QString megabytes(qint64 bytes) {
    if (bytes < 0) return QStringLiteral("-");
    return QStringLiteral("%1 MB").arg(double(bytes) / 1e6, 0, 'f', 1);
}

double median(std::vector<double> samples) {
    if (samples.empty()) return 0;
    std::sort(samples.begin(), samples.end());
    const size_t n = samples.size();
    return n % 2 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2;
}

}  // namespace cot::bench
