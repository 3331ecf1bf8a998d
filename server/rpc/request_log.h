#pragma once
#include <QString>
#include <QStringList>

namespace cot::server {

// What one HTTP request to /rpc did, for the request log: never the password, the token,
// the arguments or any SQL text.
struct RequestSummary {
    QString operatorCode;   // the session's operator; empty when none was looked up
    QStringList methods;    // as called, in order ("?" for an entry that named none)
    int failures = 0;       // entries answered with an error
    int firstErrorCode = 0;

    void noteFailure(int code) {
        if (failures++ == 0) firstErrorCode = code;
    }
};

// One line per request on standard error (journald keeps it under the service):
//   2026-12-06T10:00:00.123 req=42 op=VENDEDOR met=GetProposta 12.3ms ok
// `outcome` overrides the summary's ("interrompida" when a streamed answer broke off).
QString requestLine(quint64 id, const RequestSummary& summary, double milliseconds, const QString& outcome = {});
void logRequest(quint64 id, const RequestSummary& summary, double milliseconds, const QString& outcome = {});

// Numbers requests in the order they arrive, per process.
quint64 nextRequestId();

}  // namespace cot::server
