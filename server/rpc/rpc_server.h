#pragma once
#include <QString>
#include <memory>

#include "server/rpc/method_registry.h"
#include "server/rpc/server_config.h"

namespace cot::server {

// The application server: JSON-RPC 2.0 over HTTP/1.1 keep-alive ("POST /rpc",
// "GET /health") and the client's page ("/cliente/...", server/client_page/page_routes.h),
// a pool of worker threads, each with its own database connection.
class RpcServer {
public:
    explicit RpcServer(ServerConfig config);
    ~RpcServer();  // stops the server
    RpcServer(const RpcServer&) = delete;
    RpcServer& operator=(const RpcServer&) = delete;

    // Every method of the remote object is registered at construction; tests may add
    // their own before start().
    MethodRegistry& registry();

    // Migrates (and seeds when configured) the database, binds and returns once the
    // socket listens. Throws ConfigError (address in use, ...) or DatabaseError.
    void start();
    void stop();
    // Blocks until stop() is called from another thread.
    void wait();

    bool running() const;
    int port() const;
    const ServerConfig& config() const;
    QString url() const;  // http://HOST:PORT/rpc

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

}  // namespace cot::server
