#pragma once
#include <QByteArray>
#include <QString>

namespace cot {

// This program as the version handshake names it: "cot-host 1.0.0".
QString desktopProgram();

// Whether this desktop may work with the server at `serverAddress` (HOST:PORT) whose
// GET /health report is `health` (NetConnection::serverHealth()): empty when the server
// speaks kProtocolVersion; otherwise the refusal to show, naming both sides' protocol and
// program versions and which side to update. A report without "protocolo" (servers older
// than the handshake) or that is not JSON is refused as an unknown protocol.
QString protocolRefusal(const QByteArray& health, const QString& serverAddress);

}  // namespace cot
