#pragma once
#include <QByteArray>
#include <memory>
#include <string>

#include "server/rpc/http_exchange.h"

namespace cot::server {

// Whether the request's Accept-Encoding takes gzip (a "gzip;q=0" refuses it).
bool acceptsGzip(const std::string& acceptEncoding);

// Compresses a body piece by piece as it is sent (gzip, level 1: on a LAN the deflate time
// is what the client waits for, and JSON rows compress well even so). Without gzip, the
// pieces go as they are.
// Ours over zlib: a streamed reply needs a gzip member flushed piece by piece as rows come.
class PieceEncoder {
public:
    explicit PieceEncoder(bool gzip);
    ~PieceEncoder();
    PieceEncoder(const PieceEncoder&) = delete;
    PieceEncoder& operator=(const PieceEncoder&) = delete;
    bool gzip() const { return gzip_; }
    // The bytes to send for `text` (the body's end with `last`); throws std::bad_alloc only.
    QByteArray encode(const QByteArray& text, bool last);

private:
    struct Stream;
    bool gzip_;
    std::unique_ptr<Stream> stream_;
};

// A JSON reply, handed over without a copy; compressed when the client takes gzip and the
// body is worth it.
HttpReply jsonReply(const HttpRequest& request, QByteArray body);

// A JSON reply whose pieces follow (already encoded with an encoder of `gzip`).
HttpReply streamedJsonReply(std::shared_ptr<PieceSource> pieces, bool gzip);

}  // namespace cot::server
