#include "server/rpc/request_log.h"

#include <QDateTime>
#include <atomic>
#include <cstdio>
#include <mutex>

namespace cot::server {

namespace {

// A method name as the client wrote it may hold anything: only a plain name is printed.
QString printable(const QString& name) {
    if (name.isEmpty() || name.size() > 60) return QStringLiteral("?");
    for (const QChar c : name)
        if (!(c.isLetterOrNumber() || c == u'_') || c.unicode() > 127) return QStringLiteral("?");
    return name;
}

}  // namespace

quint64 nextRequestId() {
    static std::atomic<quint64> counter{0};
    return ++counter;
}

QString requestLine(quint64 id, const RequestSummary& summary, double milliseconds, const QString& outcome) {
    QStringList methods;
    for (const QString& m : summary.methods) methods << printable(m);
    QString result = outcome;
    if (result.isEmpty()) {
        if (summary.failures == 0) result = QStringLiteral("ok");
        else if (summary.methods.size() <= 1) result = QStringLiteral("erro %1").arg(summary.firstErrorCode);
        else result = QStringLiteral("erros %1/%2 (primeiro %3)").arg(summary.failures).arg(summary.methods.size()).arg(summary.firstErrorCode);
    }
    return QStringLiteral("%1 req=%2 op=%3 met=%4 %5ms %6")
        .arg(QDateTime::currentDateTime().toString(Qt::ISODateWithMs))
        .arg(id)
        .arg(summary.operatorCode.isEmpty() ? QStringLiteral("-") : summary.operatorCode,
             methods.isEmpty() ? QStringLiteral("-") : methods.join(u','))
        .arg(milliseconds, 0, 'f', 1)
        .arg(result);
}

void logRequest(quint64 id, const RequestSummary& summary, double milliseconds, const QString& outcome) {
    const QByteArray line = requestLine(id, summary, milliseconds, outcome).toUtf8() + '\n';
    static std::mutex mutex;
    std::lock_guard lock(mutex);
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
}

}  // namespace cot::server
