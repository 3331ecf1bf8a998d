#pragma once
// A client spoken over a bare loopback socket, as an attacker's would be: what it sends is
// exactly what the server reads, half requests included.
#include <QByteArray>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>

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

// One answer read off a raw socket.
struct HttpAnswer {
    int status = 0;
    QByteArray head, body;
    bool closedAfter = false;  // the server closed the connection after answering
    qint64 ms = 0;             // from the first byte sent to the last byte of the answer
    QJsonObject json() const { return QJsonDocument::fromJson(body).object(); }
    QString errorText() const { return json().value("error").toObject().value("message").toString(); }
};
// Reads one answer (its body by Content-Length), then whether the server closes the
// connection, waiting `closeWaitMs` at most (0: not asked). Status 0 when the server closed
// before a head.
HttpAnswer readAnswer(int socket, const QElapsedTimer& since = {}, int closeWaitMs = 1000);
// Connects from `address`, sends `bytes` whole and reads the answer.
HttpAnswer exchange(int port, const QByteArray& bytes, const char* address = "127.0.0.1", int closeWaitMs = 1000);
// A request to /rpc with `headers` and the body's length (unless chunked); a JSON-RPC call.
extern const QByteArray kJsonType;
QByteArray httpRequest(const QByteArray& body, const QList<QByteArray>& headers = {kJsonType}, const QByteArray& method = "POST");
QByteArray rpcBody(const QString& method, const QJsonArray& params = {}, int id = 1);
// A JSON-RPC request of `method` in the session `token`.
QByteArray signedInCall(const QByteArray& token, const QString& method);

}  // namespace cot::testing
