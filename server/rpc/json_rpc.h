#pragma once
#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>

#include "server/rpc/method_registry.h"

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
}  // namespace rpc_code

// Turns a JSON-RPC request body (one request or a batch) into the response body.
// Every failure becomes an error object; nothing escapes. Engine and SQL details
// are written to stderr and never reach the caller.
class JsonRpcDispatcher {
public:
    explicit JsonRpcDispatcher(const MethodRegistry& registry) : registry_(registry) {}

    // Empty result: the body held only notifications (nothing to answer).
    QByteArray handle(const QByteArray& body, DatabaseSource& databases) const;

private:
    // Appends the answer to `out`; returns false for a notification (nothing appended).
    bool handleOne(const QJsonValue& request, DatabaseSource& databases, QByteArray& out) const;
    // Runs the method and appends its result's JSON text to `out`.
    void invoke(const MethodInfo& method, const QJsonArray& params, DatabaseSource& databases,
                QByteArray& out) const;

    const MethodRegistry& registry_;
};

QJsonObject rpcError(const QJsonValue& id, int code, const QString& message);

}  // namespace cot::server
