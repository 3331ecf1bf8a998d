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

// A value the client chose (its address comes from the socket, but stays guarded too).
QString field(const QString& text) {
    if (text.isEmpty()) return QStringLiteral("-");
    QString out = text.left(64);
    for (QChar& c : out)
        if (c.unicode() <= 0x20 || c.unicode() >= 0x7f || c == u'=') c = u'?';
    return out;
}

}  // namespace

QString signInName(const QJsonValue& argument) {
    QString name;
    if (argument.isString()) name = argument.toString();
    else if (argument.isDouble()) name = QString::number(argument.toDouble(), 'g', 15);
    return field(name.trimmed().toUpper().left(12));
}

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
    const QString signIn =
        summary.signInOperator.isEmpty() ? QString() : QStringLiteral(" entrada=") + field(summary.signInOperator);
    // One arg() call: a text the client chose is never read again for placeholders.
    return QStringLiteral("%1 req=%2 ip=%3 op=%4%5 met=%6 %7ms %8")
        .arg(QDateTime::currentDateTime().toString(Qt::ISODateWithMs), QString::number(id),
             field(summary.clientAddress), field(summary.operatorCode), signIn,
             methods.isEmpty() ? QStringLiteral("-") : methods.join(u','), QString::number(milliseconds, 'f', 1),
             result);
}

void logRequest(quint64 id, const RequestSummary& summary, double milliseconds, const QString& outcome) {
    const QByteArray line = requestLine(id, summary, milliseconds, outcome).toUtf8() + '\n';
    static std::mutex mutex;
    std::lock_guard lock(mutex);
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
}

}  // namespace cot::server
