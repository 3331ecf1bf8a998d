#include "support/process_server.h"

#include <QFile>
#include <QRegularExpression>
#include <QThread>
#include <chrono>
#include <stdexcept>

#include "rpc/http_request.h"

namespace cot::bench {

bool parseRequestLine(const QString& line, LoggedRequest& out) {
    // 2026-12-06T10:00:00.123 req=42 ip=10.0.0.7 op=VENDEDOR met=GetProposta 12.3ms ok
    static const QRegularExpression pattern(
        QStringLiteral("^(\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}) req=\\d+ .* met=(\\S+) (\\d+(?:\\.\\d+)?)ms (.*)$"));
    const QRegularExpressionMatch m = pattern.match(line);
    if (!m.hasMatch()) return false;
    // The server writes its local time without an offset; this process reads it in the
    // same zone (both inherit the environment's).
    const QDateTime end = QDateTime::fromString(m.captured(1), Qt::ISODateWithMs);
    if (!end.isValid()) return false;
    out.endMs = end.toMSecsSinceEpoch();
    out.methods = m.captured(2);
    out.durationMs = m.captured(3).toDouble();
    out.outcome = m.captured(4).trimmed();
    return true;
}

ServerProcess::ServerProcess(const QString& program, const QString& databaseUrl, int threads, const QString& logPath)
    : logPath_(logPath) {
    process_.setProgram(program);
    QStringList arguments{QStringLiteral("--db"),   databaseUrl,       QStringLiteral("--listen"),
                          QStringLiteral("127.0.0.1"), QStringLiteral("--port"), QStringLiteral("0"),
                          QStringLiteral("--threads"), QString::number(threads), QStringLiteral("--no-seed")};
    if (!logPath.isEmpty()) arguments << QStringLiteral("--log") << logPath;
    process_.setArguments(arguments);
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start();
    if (!process_.waitForStarted(10000)) throw std::runtime_error("servidor não iniciou: " + program.toStdString());
    // It prints "... em http://127.0.0.1:PORT/rpc ..." once it listens.
    static const QRegularExpression address(QStringLiteral("http://[^:/\\s]+:(\\d+)/rpc"));
    QByteArray said;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (port_ == 0 && std::chrono::steady_clock::now() < deadline) {
        if (!process_.waitForReadyRead(500) && process_.state() != QProcess::Running) break;
        said += process_.readAllStandardOutput();
        if (const auto m = address.match(QString::fromLocal8Bit(said)); m.hasMatch()) port_ = m.captured(1).toInt();
    }
    if (port_ == 0) throw std::runtime_error("servidor não informou a porta: " + said.toStdString());
    while (httpGet(QStringLiteral("127.0.0.1"), port_, QStringLiteral("/health"), 2).status != 200) {
        if (std::chrono::steady_clock::now() > deadline) throw std::runtime_error("/health não respondeu");
        QThread::msleep(20);
    }
}

ServerProcess::~ServerProcess() {
    process_.terminate();
    if (!process_.waitForFinished(30000)) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}

QList<LoggedRequest> ServerProcess::newRequests() {
    QList<LoggedRequest> out;
    if (logPath_.isEmpty()) return out;
    QFile log(logPath_);
    if (!log.open(QIODevice::ReadOnly) || !log.seek(logOffset_)) return out;
    // Only whole lines: one being written stays for the next call.
    while (!log.atEnd()) {
        const QByteArray line = log.readLine();
        if (!line.endsWith('\n')) break;
        logOffset_ += line.size();
        LoggedRequest r;
        if (parseRequestLine(QString::fromUtf8(line).trimmed(), r)) out << r;
    }
    return out;
}

}  // namespace cot::bench
