#pragma once
// An application server running in the test process over a throw-away database:
// a SQLite file in a temporary folder, or (Backend::Postgres, only when COT_TEST_PG
// names a server) a fresh PostgreSQL database dropped afterwards.
//
//   TestServer server({.backend = GetParam(), .seed = true});
//   cot::Packet p = server.connection().getPacket("GetProposta", {"1", "0"});
#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "server/rpc/method_registry.h"
#include "rpc/http_request.h"
#include "rpc/net_connection.h"
#include "server/storage/database.h"
#include "support/scratch_postgres.h"

class QTemporaryDir;

namespace cot::server {
class RpcServer;
struct ServerConfig;
}

namespace cot::testing {

enum class Backend { Sqlite, Postgres };

// Sqlite always; Postgres when COT_TEST_PG is set. For INSTANTIATE_TEST_SUITE_P:
//   INSTANTIATE_TEST_SUITE_P(Db, MyTest, ::testing::ValuesIn(availableBackends()), backendName);
std::vector<Backend> availableBackends();
std::string backendName(const ::testing::TestParamInfo<Backend>& info);

struct TestServerOptions {
    Backend backend = Backend::Sqlite;
    bool seed = false;        // demo data
    bool fixedClock = true;   // "now" is 2026-12-06 10:00 for the server and the test
    int threads = 8;
    int keepAliveSeconds = 5;
    bool logRequests = false;  // the request log on standard error
    // Runs on the migrated database before the server starts (fixture rows, test tables).
    std::function<void(server::Database&)> prepare;
    // Adds test-only methods next to the real ones.
    std::function<void(server::MethodRegistry&)> methods;
    // The operator the server's session is opened for. Empty: VENDEDOR over demo data;
    // otherwise TESTE, registered for the test with every branch and the group that sees
    // all proposals.
    QString operatorCode;
    // HTTPS with this certificate and key (PEM files); the test's connections must then be
    // told to use TLS (rpc_channel::setTls).
    QString tlsCertificate, tlsKey;
    // Peers whose X-Forwarded-For names the client (--trusted-proxy).
    QStringList trustedProxies;
    // Last changes to the server's configuration before it starts (a server that looks
    // like another version, for instance).
    std::function<void(server::ServerConfig&)> configure;
};

class TestServer {
public:
    explicit TestServer(TestServerOptions options = {});
    ~TestServer();
    TestServer(const TestServer&) = delete;
    TestServer& operator=(const TestServer&) = delete;

    QString url() const;        // http://127.0.0.1:PORT/rpc
    int port() const;
    QString databaseUrl() const;
    Backend backend() const { return options_.backend; }

    // A connection of the test thread to the database, for direct checks.
    server::Database& db();
    // A connected client (one per TestServer; make more with newConnection()).
    NetConnection& connection();
    std::unique_ptr<NetConnection> newConnection() const;

    // Posts one raw request {"jsonrpc":"2.0","id":1,"method":..,"params":..}; returns the reply.
    QJsonObject call(const QString& method, const QJsonArray& params = {});
    // Posts any body and returns the HTTP status and body (malformed-request tests).
    HttpReply post(const QByteArray& body);
    // As above, presenting `token` (empty: no session at all).
    QJsonObject callAs(const QByteArray& token, const QString& method, const QJsonArray& params = {});
    HttpReply postAs(const QByteArray& token, const QByteArray& body);

    // The session every connection and call above presents, and its operator.
    const QByteArray& token() const { return token_; }
    const QString& operatorCode() const { return operator_; }
    // Opens another session straight in the database (no password asked).
    QByteArray openSession(const QString& operatorCode);

private:
    TestServerOptions options_;
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<ScratchPostgres> pg_;
    QString databaseUrl_;
    std::unique_ptr<server::RpcServer> server_;
    std::unique_ptr<server::Database> db_;
    std::unique_ptr<NetConnection> connection_;
    QString operator_;
    QByteArray token_;
};

}  // namespace cot::testing
