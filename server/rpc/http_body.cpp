#include "server/rpc/http_body.h"

#include <zlib.h>

#include <QByteArrayList>
#include <new>

namespace cot::server {

namespace {

constexpr const char* kJson = "application/json; charset=utf-8";
// Below this a body fits a packet or two; compressing it saves nothing worth the time.
constexpr qsizetype kCompressFrom = 1400;

}  // namespace

struct PieceEncoder::Stream {
    z_stream z{};
    bool ok = false;
    Stream() { ok = deflateInit2(&z, 1, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) == Z_OK; }
    ~Stream() {
        if (ok) deflateEnd(&z);
    }
};

PieceEncoder::PieceEncoder(bool gzip) : gzip_(gzip) {
    if (!gzip_) return;
    stream_ = std::make_unique<Stream>();
    if (!stream_->ok) throw std::bad_alloc();
}

PieceEncoder::~PieceEncoder() = default;

QByteArray PieceEncoder::encode(const QByteArray& text, bool last) {
    if (!gzip_) return text;
    z_stream& z = stream_->z;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.constData()));
    z.avail_in = uInt(text.size());
    QByteArray out;
    out.resize(qsizetype(deflateBound(&z, uLong(text.size()))) + 64);
    qsizetype used = 0;
    int rc = Z_OK;
    do {
        if (used == out.size()) out.resize(out.size() * 2);
        z.next_out = reinterpret_cast<Bytef*>(out.data() + used);
        z.avail_out = uInt(out.size() - used);
        rc = deflate(&z, last ? Z_FINISH : Z_NO_FLUSH);
        if (rc == Z_STREAM_ERROR) throw std::bad_alloc();
        used = out.size() - z.avail_out;
    } while (z.avail_out == 0 || (last && rc != Z_STREAM_END));
    out.truncate(used);
    return out;
}

bool acceptsGzip(const std::string& acceptEncoding) {
    const QByteArray header = QByteArray::fromStdString(acceptEncoding).toLower();
    for (const QByteArray& item : header.split(',')) {
        const QList<QByteArray> parts = item.split(';');
        if (parts.first().trimmed() != "gzip") continue;
        for (qsizetype i = 1; i < parts.size(); ++i) {
            const QByteArray p = parts[i].trimmed();
            if (p.startsWith("q=") && p.mid(2).toDouble() <= 0.0) return false;
        }
        return true;
    }
    return false;
}

HttpReply jsonReply(const HttpRequest& request, QByteArray body) {
    const bool gzip = body.size() >= kCompressFrom && acceptsGzip(request.header("Accept-Encoding"));
    HttpReply reply = HttpReply::text(200, {}, kJson);
    reply.set("Vary", "Accept-Encoding");
    if (gzip) {
        reply.set("Content-Encoding", "gzip");
        reply.body = PieceEncoder(true).encode(body, true);
    } else {
        reply.body = std::move(body);
    }
    return reply;
}

HttpReply streamedJsonReply(std::shared_ptr<PieceSource> pieces, bool gzip) {
    HttpReply reply = HttpReply::text(200, {}, kJson);
    reply.set("Vary", "Accept-Encoding");
    if (gzip) reply.set("Content-Encoding", "gzip");
    reply.pieces = std::move(pieces);
    return reply;
}

}  // namespace cot::server
