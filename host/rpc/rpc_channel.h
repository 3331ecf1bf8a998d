#pragma once
#include <QByteArray>
#include <QString>
#include <functional>

namespace cot {

// What every connection of this desktop to the application server presents: the token of
// the signed-in session (sent as "Authorization: Bearer ...") and how the channel is
// secured. Set at sign-in; a connection may carry its own token instead (tools, tests).
namespace rpc_channel {

void setSessionToken(const QByteArray& token);
QByteArray sessionToken();

// How a session that ended is renewed (the shell asks the operator to sign in again); true
// when a new session is in place. Connections that meet an ended session call it once and
// send the refused call again: the server refuses such a call before doing anything.
void setSessionRenewer(std::function<bool()> renewer);
bool renewSession();  // false without a renewer, and while one is already running

// HTTPS with the server's certificate checked against `caFile` (PEM), or against the
// system's certificate authorities when it is empty.
void setTls(bool on, const QString& caFile = {});
bool tls();
QString caFile();

}  // namespace rpc_channel
}  // namespace cot
