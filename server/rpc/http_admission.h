#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

#include "server/rpc/http_exchange.h"

namespace cot::server {

// Why a request to /rpc was turned away before any method saw it.
struct Refusal {
    int status = 0;  // HTTP status: 403, 408, 411, 413, 415, 431, 400
    QString text;    // Portuguese, for the JSON-RPC error body
};

// A body past the limit, declared or as it arrives: "Requisição grande demais…".
Refusal tooLarge();

// The request's headers against what /rpc takes: JSON only, from no web page but those of
// `allowedOrigins`, with a declared size under the limit. Checked before the body is read.
std::optional<Refusal> checkRpcHeaders(const HttpRequest& request, const QStringList& allowedOrigins);

// The body as sent, made the text the methods read: a compressed body is inflated while
// what comes out is counted, so a compressed bomb is stopped as soon as its text passes the
// limit, long before it fills the memory.
std::optional<Refusal> inflateRpcBody(const HttpRequest& request, QByteArray& body);

// `refusal` as a JSON-RPC error that closes the connection after it: what is left of the
// request on the socket was not read and must not be taken for the next request.
HttpReply refusalReply(const Refusal& refusal);

// For a request from an allowed page: the headers that let the browser read the answer.
void allowOrigin(const HttpRequest& request, HttpReply& reply, const QStringList& allowedOrigins);

}  // namespace cot::server
