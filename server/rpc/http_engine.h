#pragma once
// The server's HTTP/1.1 engine (Boost.Beast over Asio): it accepts and reads every request
// without a thread of its own per connection, within the limits of http_limits.h, and hands
// whole requests to the routes. A connection costs a socket and a few kilobytes while it
// waits, whatever the client does; requests are never pipelined on one connection.
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

#include "server/rpc/http_exchange.h"
#include "server/rpc/http_limits.h"

namespace cot::server {

// How the engine goes on once a request's head is in.
struct Admission {
    std::optional<HttpReply> refusal;  // answered at once, the body left unread; the connection closes
    size_t bodyLimit = 0;              // bytes of body taken as sent on the wire
    // The reply when the body breaks a limit: 413 too large, 408 too slow, 400 unreadable.
    std::function<HttpReply(int status)> refuse;
};

class HttpRoutes {
public:
    virtual ~HttpRoutes() = default;
    // On the engine's thread, before any body is read: quick, never waits.
    virtual Admission admit(const HttpRequest& head) = 0;
    // The whole request. Must not wait: `answer` is called once, from any thread.
    virtual void handle(HttpRequest request, std::function<void(HttpReply)> answer) = 0;
    // A request the engine turned away itself (a head too long or too slow, unreadable).
    virtual void refused(const QString& peer, int status) = 0;
};

struct HttpEngineOptions {
    QString address = QStringLiteral("127.0.0.1");
    int port = 0;  // 0: a free port
    HttpLimits limits;
    int keepAliveSeconds = 5;
    QString tlsCertificate, tlsKey;  // HTTPS when given
    QStringList trustedProxies;      // canonical addresses: many clients each, no per-address cap
    int threads = 1;                 // the engine's own threads: every wait is elsewhere, so one is enough
};

class HttpEngine {
public:
    HttpEngine(HttpEngineOptions options, HttpRoutes& routes);
    ~HttpEngine();  // stop(); then the connections still held go
    HttpEngine(const HttpEngine&) = delete;
    HttpEngine& operator=(const HttpEngine&) = delete;

    // Binds and listens; the port taken. Throws ConfigError (address in use, bad TLS files).
    int listen();
    void start();  // the engine's threads begin to accept
    // Stops accepting, closes every connection and lets go of the replies still being
    // written (their writers stop). Replies handed over later are dropped.
    void stop();
    int openConnections() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

}  // namespace cot::server
