#include "server/rpc/http_body.h"

#include <httplib.h>
#include <zlib.h>

#include <QByteArrayList>
#include <QByteArrayView>
#include <algorithm>
#include <memory>

namespace cot::server {

namespace {

constexpr const char* kJson = "application/json; charset=utf-8";
// Below this a body fits a packet or two; compressing it saves nothing worth the time.
constexpr qsizetype kCompressFrom = 1400;
constexpr size_t kChunk = 256 * 1024;

// A body compressed piece by piece as the socket takes it. Level 1: on a LAN the
// deflate time is what the client waits for, and JSON rows compress well even so.
struct GzipStream {
    explicit GzipStream(QByteArray text) : body(std::move(text)) {
        ok = deflateInit2(&z, 1, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) == Z_OK;
    }
    ~GzipStream() {
        if (ok) deflateEnd(&z);
    }
    GzipStream(const GzipStream&) = delete;
    GzipStream& operator=(const GzipStream&) = delete;

    // Compresses the next piece into `out`; false on a zlib failure.
    bool next(std::string& out) {
        const size_t left = size_t(body.size()) - offset;
        const size_t take = std::min(left, kChunk);
        z.next_in = reinterpret_cast<Bytef*>(body.data() + offset);
        z.avail_in = uInt(take);
        offset += take;
        const int flush = offset == size_t(body.size()) ? Z_FINISH : Z_NO_FLUSH;
        out.clear();
        char buffer[64 * 1024];
        int rc = Z_OK;
        do {
            z.next_out = reinterpret_cast<Bytef*>(buffer);
            z.avail_out = sizeof buffer;
            rc = deflate(&z, flush);
            if (rc == Z_STREAM_ERROR) return false;
            out.append(buffer, sizeof buffer - z.avail_out);
        } while (z.avail_out == 0 || (flush == Z_FINISH && rc != Z_STREAM_END));
        finished = flush == Z_FINISH;
        if (finished) body = QByteArray();  // the plain text is no longer needed
        return true;
    }

    QByteArray body;
    size_t offset = 0;
    z_stream z{};
    bool ok = false;
    bool finished = false;
};

}  // namespace

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

void sendJson(const httplib::Request& request, httplib::Response& response, QByteArray body) {
    const bool gzip = body.size() >= kCompressFrom && acceptsGzip(request.get_header_value("Accept-Encoding"));
    response.set_header("Vary", "Accept-Encoding");
    if (!gzip) {
        auto text = std::make_shared<QByteArray>(std::move(body));
        response.set_content_provider(size_t(text->size()), kJson,
                                      [text](size_t offset, size_t length, httplib::DataSink& sink) {
                                          const size_t n = std::min(length, kChunk);
                                          return sink.write(text->constData() + offset, n);
                                      });
        return;
    }
    auto stream = std::make_shared<GzipStream>(std::move(body));
    response.set_header("Content-Encoding", "gzip");
    response.set_chunked_content_provider(kJson, [stream](size_t, httplib::DataSink& sink) {
        std::string piece;
        if (!stream->ok || !stream->next(piece)) return false;
        if (!piece.empty() && !sink.write(piece.data(), piece.size())) return false;
        if (stream->finished) sink.done();
        return true;
    });
}

}  // namespace cot::server
