#pragma once
// A client spoken over a bare loopback socket, as an attacker's would be: what it sends is
// exactly what the server reads, half requests included.
#include <QByteArray>

namespace cot::testing {

// Connects to 127.0.0.1:port with send and receive timeouts; -1 (and a test failure) when
// the connection is refused.
int connectLoopback(int port, int timeoutSeconds = 20);
// The same from another loopback address (127.0.0.2...), as a second client would come.
int connectFrom(const char* address, int port, int timeoutSeconds = 20);
// Sends every byte, or false when the connection broke.
bool sendAll(int socket, const QByteArray& data);
// Connects and sends half a request's head, then nothing more.
int halfSentRequest(int port);
// Connections to a loopback server on `port` that the server has taken up (accepted), not
// those still waiting in its queue; -1 when the system's socket table cannot be read.
int acceptedConnections(int port);

}  // namespace cot::testing
