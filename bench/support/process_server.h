#pragma once
// A cot05000-server process for the benchmarks that measure it or the desktop from
// outside: over a prepared database, on a free loopback port, with its request log
// written to a file the benchmark reads back when asked. Each log line says when a request ended (wall clock, milliseconds)
// and how long it took, so a benchmark places the desktop's calls on the same clock as the
// processes it starts and the files they write.
#include <QDateTime>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QList>

namespace cot::bench {

// One line of the server's request log.
struct LoggedRequest {
    qint64 endMs = 0;       // wall clock, milliseconds since the epoch
    double durationMs = 0;  // as the server timed it, from the request read to the reply written
    QString methods;        // "GetProposta", or "A,B" for a batch
    QString outcome;        // "ok", "erro -32000", ...
    double startMs() const { return double(endMs) - durationMs; }
};

// Reads one request-log line; false for the server's other messages.
bool parseRequestLine(const QString& line, LoggedRequest& out);

class ServerProcess {
public:
    // Starts `program` over `databaseUrl` with `threads` database threads, its request log
    // in `logPath` when one is given, and waits until /health answers; throws on failure.
    ServerProcess(const QString& program, const QString& databaseUrl, int threads, const QString& logPath = {});
    ~ServerProcess();  // SIGTERM, then SIGKILL after 30 s
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    qint64 pid() const { return process_.processId(); }
    int port() const { return port_; }
    // The requests logged since the previous call (the first call: since the start).
    QList<LoggedRequest> newRequests();

private:
    QProcess process_;
    QString logPath_;
    qint64 logOffset_ = 0;
    int port_ = 0;
};

}  // namespace cot::bench
