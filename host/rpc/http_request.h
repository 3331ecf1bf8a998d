#pragma once
#include <QByteArray>
#include <QString>

namespace cot {

// One HTTP request on a fresh connection, for tools, health checks and tests.
// status is 0 when the server was not reached.
struct HttpReply {
    int status = 0;
    QByteArray body;             // as it came over the wire (not decompressed)
    QByteArray contentEncoding;  // "gzip" when the server compressed it
};

HttpReply httpGet(const QString& host, int port, const QString& path, int timeoutSeconds = 10);
HttpReply httpPost(const QString& host, int port, const QString& path, const QByteArray& body,
                   const QString& contentType = QStringLiteral("application/json"), int timeoutSeconds = 60,
                   const QString& acceptEncoding = QStringLiteral("identity"),
                   const QByteArray& bearerToken = {});

}  // namespace cot
