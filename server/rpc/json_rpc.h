#pragma once
#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>

#include "server/auth/session_store.h"
#include "server/rpc/method_registry.h"
#include "server/rpc/request_log.h"

namespace cot::server {

// The database connection of the thread serving a request, opened on first use.
class DatabaseSource {
public:
    virtual ~DatabaseSource() = default;
    virtual Database& get() = 0;
    // Drops the connection after an engine failure; the next get() opens a fresh one.
    virtual void discard() = 0;
};

// Standard JSON-RPC 2.0 error codes; -32000 is a method's own refusal.
namespace rpc_code {
inline constexpr int ParseError = -32700;
inline constexpr int InvalidRequest = -32600;
inline constexpr int MethodNotFound = -32601;
inline constexpr int InvalidParams = -32602;
inline constexpr int InternalError = -32603;
inline constexpr int MethodFailed = -32000;
inline constexpr int NoSession = -32001;  // no session, or one that has ended: sign in again
}  // namespace rpc_code

// An answer ready to send: the whole body, or its head with a streamed result to write
// while it is sent and what closes it.
struct RpcAnswer {
    QByteArray body;  // empty (and no result): only notifications, nothing to answer
    Reply streamed;
    QByteArray tail;
    QString method;
    RequestSummary summary;  // for the request log
    bool isStreamed() const { return streamed.isStreamed(); }
};

// Turns a JSON-RPC request body (one request or a batch) into the response body.
// Every failure becomes an error object; nothing escapes. Engine and SQL details
// are written to stderr and never reach the caller.
class JsonRpcDispatcher {
public:
    explicit JsonRpcDispatcher(const MethodRegistry& registry, SessionLimits limits = {})
        : registry_(registry), limits_(limits) {}

    // The answer to a request body (one request or a batch), with a single request's
    // streamed result left to stream(). `authorization` is the request's Authorization
    // header: every method but the open ones needs a valid session's bearer token.
    // `clientAddress` is the client's address, for the sign-in throttle and the request log.
    RpcAnswer answer(const QByteArray& body, DatabaseSource& databases,
                     const QByteArray& authorization = {}, const QString& clientAddress = {}) const;
    // Writes the head, the streamed result (`pace` may send and empty `out` between rows)
    // and the tail. A failure midway cannot become an error answer any more: it is logged,
    // the connection to the database is dropped and false tells to close the socket.
    bool stream(const RpcAnswer& answer, DatabaseSource& databases, QByteArray& out,
                const Reply::Pace& pace) const;

private:
    struct Credentials;
    RpcAnswer answerBody(const QByteArray& body, DatabaseSource& databases, Credentials& credentials) const;
    // Appends the answer to `out`; returns false for a notification (nothing appended).
    // With `deferred`, a streamed result is left there instead of being written.
    bool handleOne(const QJsonValue& request, DatabaseSource& databases, Credentials& credentials,
                   QByteArray& out, RpcAnswer* deferred = nullptr) const;
    // Runs the method for the session's operator; its result is checked but not yet written.
    Reply invoke(const MethodInfo& method, const QJsonArray& params, DatabaseSource& databases,
                 Credentials& credentials) const;

    const MethodRegistry& registry_;
    SessionLimits limits_;
};

QJsonObject rpcError(const QJsonValue& id, int code, const QString& message);

}  // namespace cot::server
