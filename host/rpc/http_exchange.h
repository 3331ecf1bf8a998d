#pragma once
#include <QByteArray>
#include <QString>
#include <atomic>
#include <memory>

#include "rpc/rpc_values.h"

namespace cot {

// The kept-alive HTTP/1.1 socket of a connection to the application server. The connection
// and the exchange running on it share it: when the desktop stops waiting for a call, the
// exchange ends on its own thread with what it holds, and the connection lets go of it.
class RpcSocket {
public:
    RpcSocket(const QString& host, int port, int readTimeoutSeconds);
    ~RpcSocket();
    RpcSocket(const RpcSocket&) = delete;
    RpcSocket& operator=(const RpcSocket&) = delete;

    void setReadTimeout(int seconds);
    // May be called from another thread while an exchange runs: cuts it (it fails at once).
    void stop();

    struct Client;
    Client& client() { return *d; }

private:
    std::unique_ptr<Client> d;
};

// The GET /health that opens a connection.
struct HealthReply {
    bool reached = false;
    bool badCertificate = false;
    QByteArray body;
};
HealthReply readHealth(RpcSocket& socket);

// One JSON-RPC request and its answer, read while it arrives (StreamedReply), on whichever
// thread runs it: the large packets of the lists are decoded there too.
struct RpcExchange {
    // The request.
    QByteArray body;
    qint64 id = 0;
    QByteArray token;                 // sent as "Authorization: Bearer"; empty sends none
    bool compressed = false;          // the answer asked for with gzip
    bool reused = false;              // the socket already carried a request
    int readTimeoutSeconds = 30;      // longest silence before the call is given up
    QString address;                  // host:port, for the texts
    // Set from another thread: the caller stopped waiting; reading stops, the answer is dropped.
    std::atomic<bool> abandoned{false};
    // The outcome.
    RpcResult result;
    bool socketLost = false;  // the socket cannot carry another request
};
void runExchange(RpcSocket& socket, RpcExchange& exchange);

// The connection's texts (host:port in `address`).
namespace rpc_texts {
QString unreachable(const QString& address);
QString interrupted(const QString& address);
QString silent(const QString& address, int seconds);
QString badCertificate(const QString& address);
QString cancelled(const QString& address);
QString busy(const QString& address);
}  // namespace rpc_texts

}  // namespace cot
