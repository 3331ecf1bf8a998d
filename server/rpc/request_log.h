#pragma once
#include <QJsonValue>
#include <QString>
#include <QStringList>

namespace cot::server {

// What one HTTP request to /rpc did, for the request log: never the password, the token,
// the arguments or any SQL text.
struct RequestSummary {
    QString clientAddress;  // the client's address (behind a trusted proxy, the one it forwards)
    QString operatorCode;   // the session's operator; empty when none was looked up
    QString signInOperator; // the operator an AbreSessao asked for (signInName), right or wrong
    QStringList methods;    // as called, in order ("?" for an entry that named none)
    int failures = 0;       // entries answered with an error
    int firstErrorCode = 0;

    void noteFailure(int code) {
        if (failures++ == 0) firstErrorCode = code;
    }
};

// One line per request on standard error (journald keeps it under the service):
//   2026-12-06T10:00:00.123 req=42 ip=10.0.0.7 op=VENDEDOR met=GetProposta 12.3ms ok
//   2026-12-06T10:00:00.456 req=43 ip=10.0.0.9 op=- entrada=GERENTE met=AbreSessao 310.2ms erro -32000
//   2026-12-06T10:00:00.789 req=44 ip=10.0.0.9 op=- met=- 0.1ms recusada 413
// `outcome` overrides the summary's ("interrompida" when a streamed answer broke off,
// "recusada <status>" for a request refused before it was read).
QString requestLine(quint64 id, const RequestSummary& summary, double milliseconds, const QString& outcome = {});
void logRequest(quint64 id, const RequestSummary& summary, double milliseconds, const QString& outcome = {});

// The operator named by AbreSessao's first argument as the log shows it: trimmed, in upper
// case, cut to 12 characters, anything but plain printable characters replaced by "?".
QString signInName(const QJsonValue& argument);

// Numbers requests in the order they arrive, per process.
quint64 nextRequestId();

}  // namespace cot::server
