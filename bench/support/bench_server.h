#pragma once
// The application server inside the benchmark process, on a free loopback port, over a
// database already prepared (it neither seeds nor waits for clients to go). A session of
// VENDEDOR is opened at start and presented by every connection of the process.
#include <QByteArray>
#include <QString>
#include <memory>

namespace cot {
class NetConnection;
namespace server {
class RpcServer;
}
}  // namespace cot

namespace cot::bench {

// A session of VENDEDOR opened straight in the database, for servers run as processes.
QByteArray openBenchSession(const QString& databaseUrl);

class InProcessServer {
public:
    explicit InProcessServer(const QString& databaseUrl, int threads = 16);
    ~InProcessServer();  // close the connections first: an idle kept-alive one holds a worker
    InProcessServer(const InProcessServer&) = delete;
    InProcessServer& operator=(const InProcessServer&) = delete;

    int port() const;
    const QByteArray& token() const { return token_; }
    // A connected client for the calling thread; throws when the server does not answer.
    std::unique_ptr<NetConnection> connect() const;

private:
    std::unique_ptr<server::RpcServer> server_;
    QByteArray token_;
};

}  // namespace cot::bench
