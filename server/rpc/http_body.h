#pragma once
#include <QByteArray>
#include <functional>
#include <string>

namespace httplib {
struct Request;
struct Response;
}  // namespace httplib

namespace cot::server {

// Whether the request's Accept-Encoding takes gzip (a "gzip;q=0" refuses it).
bool acceptsGzip(const std::string& acceptEncoding);

// Hands a JSON body to the response without copying it. When the client takes gzip and
// the body is worth it, the body is compressed while it is sent, in chunks, so the
// compressed text is never held whole either.
void sendJson(const httplib::Request& request, httplib::Response& response, QByteArray body);

// A JSON body written while it is sent: `write` appends text to its buffer and calls the
// pace it is given between rows, which sends what is there (compressed when the client
// takes gzip) once it is worth a send. `write` answers false to close the socket.
using StreamedBody = std::function<bool(QByteArray& out, const std::function<void(QByteArray&)>& pace)>;
void sendStreamedJson(const httplib::Request& request, httplib::Response& response, StreamedBody write);

}  // namespace cot::server
