#pragma once
// The application server inside the benchmark process, on a free loopback port, over a
// database already prepared (it neither seeds nor waits for clients to go).
#include <QString>
#include <memory>

namespace cot {
class NetConnection;
namespace server {
class RpcServer;
}
}  // namespace cot

namespace cot::bench {

class InProcessServer {
public:
    explicit InProcessServer(const QString& databaseUrl, int threads = 16);
    ~InProcessServer();  // close the connections first: an idle kept-alive one holds a worker
    InProcessServer(const InProcessServer&) = delete;
    InProcessServer& operator=(const InProcessServer&) = delete;

    int port() const;
    // A connected client for the calling thread; throws when the server does not answer.
    std::unique_ptr<NetConnection> connect() const;

private:
    std::unique_ptr<server::RpcServer> server_;
};

}  // namespace cot::bench
