#pragma once
#include <QByteArray>
#include <QString>

namespace cot {

// What every connection of this desktop to the application server presents: the token of
// the signed-in session (sent as "Authorization: Bearer ...") and how the channel is
// secured. Set at sign-in; a connection may carry its own token instead (tools, tests).
namespace rpc_channel {

void setSessionToken(const QByteArray& token);
QByteArray sessionToken();

// HTTPS with the server's certificate checked against `caFile` (PEM), or against the
// system's certificate authorities when it is empty.
void setTls(bool on, const QString& caFile = {});
bool tls();
QString caFile();

}  // namespace rpc_channel
}  // namespace cot
