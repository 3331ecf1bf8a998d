#pragma once
// The real cot05000-server (next to the test executable) as a process of its own, on a free
// loopback port, for tests that kill it, restart it or run several over one database;
// and JSON-RPC calls to it that may carry a session token.
//
//   ServerProcess server(url, {"--no-seed"});
//   ASSERT_GT(server.port(), 0);
//   const RpcResult r = server.call("GetProposta", {"0001", "T"}, token);
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <memory>

#include "rpc/rpc_values.h"

class QTemporaryDir;

namespace cot::testing {

class ServerProcess {
public:
    // A fresh SQLite file in a temporary folder of its own, seeded with the demo data.
    ServerProcess();
    // The given database; `extraArgs` go after the address options ("--no-seed", ...).
    // A server that does not print its address within 30 s fails the test and port() is 0.
    explicit ServerProcess(const QString& databaseUrl, const QStringList& extraArgs = {});
    ~ServerProcess();  // stop()
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    int port() const { return port_; }
    QString databaseUrl() const { return databaseUrl_; }
    bool running() const { return process_.state() != QProcess::NotRunning; }
    qint64 pid() const { return process_.processId(); }

    // SIGTERM, then SIGKILL when it has not ended within 10 s.
    void stop();
    // SIGKILL: no shutdown code runs, as when the machine's process is killed.
    void kill();

    // One call on a fresh connection, with "Authorization: Bearer <token>" when a token
    // is given. The whole reply object; when the server is not reached or the body is
    // not JSON, {"error": {"code": RpcResult::kConnectionFailed, "message": why}}.
    QJsonObject callJson(const QString& method, const QJsonArray& params = {}, const QString& token = {}) const;
    // The same with the arguments a NetConnection takes (packets, deltas...), the reply
    // read as NetConnection reads it.
    RpcResult call(const QString& method, const QVariantList& args = {}, const QString& token = {}) const;

    // A new session of `operatorCode` (AbreSessao): its token, or empty when this server
    // has no sessions (the method is unknown) and calls go without one. A refused sign-in
    // fails the test and gives an empty token too.
    QString openSession(const QString& operatorCode, const QString& password) const;

private:
    void start(const QStringList& extraArgs);

    std::unique_ptr<QTemporaryDir> dir_;
    QString databaseUrl_;
    QProcess process_;
    int port_ = 0;
};

// The same calls to any server on this machine.
QJsonObject rpcCallJson(int port, const QString& method, const QJsonArray& params = {}, const QString& token = {});
RpcResult rpcCall(int port, const QString& method, const QVariantList& args = {}, const QString& token = {});

}  // namespace cot::testing
