#pragma once
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <functional>
#include <memory>

#include "data/packet.h"
#include "rpc/rpc_values.h"

namespace cot {

class RpcSocket;

// The proposal screen's connection to the application server (`netProposta`):
// synchronous JSON-RPC 2.0 calls over one kept-alive HTTP/1.1 connection.
// Failures never throw from call(): they come back in the RpcResult, for CheckResultServ.
// On the UI thread, with the desktop's waiting installed (call_wait.h), the exchange and
// the reading of the answer run on a worker while the windows keep painting; the operator
// may abandon the wait (kCancelled) and the socket is then closed. A call made while one is
// still waited for on the same connection (a timer during the wait) is refused (kBusy).
// Not thread-safe: one connection per thread.
class NetConnection {
public:
    NetConnection();
    ~NetConnection();
    NetConnection(const NetConnection&) = delete;
    NetConnection& operator=(const NetConnection&) = delete;

    QString serverName() const { return serverName_; }
    void setServerName(const QString& name) { serverName_ = name; }
    QString serverGUID() const { return serverGUID_; }
    void setServerGUID(const QString& guid) { serverGUID_ = guid; }
    QString host() const { return host_; }
    void setHost(const QString& host);
    int port() const { return port_; }
    void setPort(int port);

    // Runs just before every connection attempt (the screen sets host and port there).
    void setBeforeConnect(std::function<void(NetConnection&)> handler) { beforeConnect_ = std::move(handler); }

    // Opens the connection and checks that the server answers. On failure returns false
    // and lastError() says why; calls made later try again.
    bool connect();
    void disconnect();
    bool connected() const { return connected_; }
    QString lastError() const { return lastError_; }
    // The server's GET /health report (JSON) read when the connection was last opened:
    // its version and the protocol it speaks. Empty before that.
    QByteArray serverHealth() const { return health_; }

    // Calls a remote method with positional arguments (QString, QDate/QDateTime, double,
    // integers, bool, null QVariant, Packet, Delta). Connects first when needed.
    // A session that ended is renewed once through rpc_channel (when this connection presents
    // the desktop's session) and the call made again.
    RpcResult call(const QString& method, const QVariantList& args = {});
    // call() through CheckResultServ: the payload, or the error shown and Abort thrown.
    QVariant callChecked(const QString& method, const QVariantList& args = {});
    // callChecked() whose payload must be a data packet (null gives an empty packet).
    Packet getPacket(const QString& method, const QVariantList& args = {});

    // Calls made through this connection (whatever their outcome).
    int calls() const { return calls_; }
    // Told of every call before it is sent (tools that record or replay a screen's calls).
    void setCallObserver(std::function<void(const QString& method, const QVariantList& args)> observer) {
        callObserver_ = std::move(observer);
    }

    // Whether replies are asked for compressed (gzip). By default they are when the server
    // is not on this machine: on loopback compressing costs more time than it saves.
    bool asksCompressed() const;
    void setAskCompressed(bool on) { askCompressed_ = on ? 1 : 0; }

    // The session this connection presents; empty (the default) presents the signed-in
    // session of the desktop (rpc_channel).
    void setToken(const QByteArray& token) { token_ = token; }

    // Longest silence, in seconds, while waiting for a method's answer: a list that keeps
    // arriving is never cut, a server that says nothing for this long is given up.
    void setReadTimeout(int seconds);
    static constexpr int kDefaultReadTimeoutSeconds = 30;

    // A call is being waited for on this connection.
    bool busy() const { return busy_; }

private:
    bool open();
    RpcResult callOnce(const QString& method, const QVariantList& args);
    QString address() const;

    QString serverName_ = QStringLiteral("COT05000.rdmProposta");
    QString serverGUID_ = QStringLiteral("{6AE3905C-010B-40C4-8182-CBF0A042618D}");
    QString host_ = QStringLiteral("127.0.0.1");
    int port_ = 8211;
    std::function<void(NetConnection&)> beforeConnect_;
    std::function<void(const QString&, const QVariantList&)> callObserver_;
    std::shared_ptr<RpcSocket> socket_;
    bool connected_ = false;
    bool busy_ = false;
    int lastCode_ = 0;  // of the last failure to connect
    int calls_ = 0;
    bool reused_ = false;  // the open socket has already carried a request
    QString lastError_;
    qint64 nextId_ = 1;
    int readTimeoutSeconds_ = kDefaultReadTimeoutSeconds;
    int askCompressed_ = -1;  // -1: by the host
    QByteArray token_;
    QByteArray health_;
};

}  // namespace cot
