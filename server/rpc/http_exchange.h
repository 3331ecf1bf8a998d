#pragma once
// One HTTP exchange as the server's routes see it, whatever engine carries it: the request
// with its head and body read whole (within the limits of request_limits.h and
// http_limits.h), and the reply, whole or in pieces that follow as the client takes them.
#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace cot::server {

struct HttpRequest {
    std::string method;  // "GET", "POST", ...
    std::string path;    // the target without its query
    std::vector<std::pair<std::string, std::string>> headers;  // in the order received
    QByteArray body;     // as the route takes it: a compressed body already inflated
    QString peer;        // the connection's peer address, canonical text

    // The value of the last header of that name (names compare without case); empty when none.
    std::string header(std::string_view name) const;
    bool has(std::string_view name) const;
    // The values of every header of that name, in order.
    std::vector<std::string> all(std::string_view name) const;
};

// A body sent in pieces as the client takes them: a list written by a database thread
// while it is sent, a file read from the database a piece at a time.
class PieceSource {
public:
    using Ready = std::function<void(std::optional<QByteArray>)>;
    virtual ~PieceSource() = default;
    // Asks for the next piece; `ready` is called once, from any thread (at once when a piece
    // is there), with the piece or, at the end, with nothing.
    virtual void next(Ready ready) = 0;
    // After the end: whether the body was written whole (otherwise the connection is cut,
    // so the client cannot take a short body for a whole one).
    virtual bool complete() const = 0;
    // The client left or the server stops: the writer gives up.
    virtual void abandon() = 0;
};

struct HttpReply {
    int status = 200;
    std::vector<std::pair<std::string, std::string>> headers;  // Content-Type among them
    QByteArray body;                      // the whole body, unless `pieces`
    std::shared_ptr<PieceSource> pieces;  // sent chunked as they come
    bool close = false;                   // the connection ends after this reply

    void set(std::string name, std::string value);
    static HttpReply text(int status, QByteArray body, std::string contentType);
};

// The standard reason phrase of a status ("Not Found").
const char* reasonPhrase(int status);

}  // namespace cot::server
