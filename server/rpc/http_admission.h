#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

namespace httplib {
struct Request;
struct Response;
class ContentReader;
}  // namespace httplib

namespace cot::server {

// Why a request to /rpc was turned away before any method saw it.
struct Refusal {
    int status = 0;  // HTTP status: 403, 408, 411, 413, 415, 400
    QString text;    // Portuguese, for the JSON-RPC error body
};

// The request's headers against what /rpc takes: JSON only, from no web page but those of
// `allowedOrigins`, with a declared size under the limit.
std::optional<Refusal> checkRpcHeaders(const httplib::Request& request, const QStringList& allowedOrigins);

// Reads the body through the server's decompression, counting what comes out: a compressed
// bomb is stopped as soon as its text passes the limit, long before it fills the memory.
std::optional<Refusal> readRpcBody(const httplib::Request& request, const httplib::ContentReader& read,
                                   QByteArray& body);

// Answers `refusal` as a JSON-RPC error and closes the connection after it: what is left of
// the request on the socket was not read and must not be taken for the next request.
void sendRefusal(httplib::Response& response, const Refusal& refusal);

// For a request from an allowed page: the headers that let the browser read the answer.
void allowOrigin(const httplib::Request& request, httplib::Response& response, const QStringList& allowedOrigins);

}  // namespace cot::server
