#pragma once
#include <QByteArray>
#include <QString>

namespace cot::server {

// Tells the service manager (systemd, Type=notify) how the server is doing: "READY=1" once
// the database is migrated and the socket listens, "STOPPING=1" when it begins to stop.
// The manager names its socket in NOTIFY_SOCKET; a path starting with "@" is in the
// abstract namespace. Without NOTIFY_SOCKET nothing is sent and the call returns false.
bool notifyService(const QByteArray& state);

// The same to the socket at `socketPath` (as NOTIFY_SOCKET spells it); false when the
// datagram could not be sent.
bool notifyServiceAt(const QString& socketPath, const QByteArray& state);

}  // namespace cot::server
