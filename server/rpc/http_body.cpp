#include "server/rpc/http_body.h"

#include <httplib.h>
#include <zlib.h>

#include <QByteArrayList>
#include <QByteArrayView>
#include <algorithm>
#include <memory>

#include "server/rpc/reply.h"

namespace cot::server {

namespace {

constexpr const char* kJson = "application/json; charset=utf-8";
// Below this a body fits a packet or two; compressing it saves nothing worth the time.
constexpr qsizetype kCompressFrom = 1400;
constexpr size_t kChunk = 256 * 1024;

// Deflates a body piece by piece as the socket takes it. Level 1: on a LAN the deflate
// time is what the client waits for, and JSON rows compress well even so.
class Deflater {
public:
    Deflater() { ok_ = deflateInit2(&z_, 1, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) == Z_OK; }
    ~Deflater() {
        if (ok_) deflateEnd(&z_);
    }
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    // Compresses `size` bytes (the last piece with `finish`) into `out`; false on failure.
    bool put(const char* data, size_t size, bool finish, std::string& out) {
        if (!ok_) return false;
        z_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
        z_.avail_in = uInt(size);
        const int flush = finish ? Z_FINISH : Z_NO_FLUSH;
        out.clear();
        char buffer[64 * 1024];
        int rc = Z_OK;
        do {
            z_.next_out = reinterpret_cast<Bytef*>(buffer);
            z_.avail_out = sizeof buffer;
            rc = deflate(&z_, flush);
            if (rc == Z_STREAM_ERROR) return false;
            out.append(buffer, sizeof buffer - z_.avail_out);
        } while (z_.avail_out == 0 || (finish && rc != Z_STREAM_END));
        return true;
    }

private:
    z_stream z_{};
    bool ok_ = false;
};

// Sends pieces as chunks, deflated on the way when asked.
class ChunkSender {
public:
    ChunkSender(httplib::DataSink& sink, bool gzip) : sink_(sink), gzip_(gzip) {}
    bool send(const char* data, size_t size, bool last) {
        if (!gzip_) return size == 0 || sink_.write(data, size);
        std::string piece;
        return deflater_.put(data, size, last, piece) && (piece.empty() || sink_.write(piece.data(), piece.size()));
    }

private:
    httplib::DataSink& sink_;
    bool gzip_;
    Deflater deflater_;
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
    if (body.size() >= kCompressFrom && acceptsGzip(request.get_header_value("Accept-Encoding"))) {
        // Compressed, it goes out like a streamed body that happens to be written already.
        return sendStreamedJson(request, response, [body = std::move(body)](QByteArray& out, const auto&) {
            out = body;
            return true;
        });
    }
    response.set_header("Vary", "Accept-Encoding");
    auto text = std::make_shared<QByteArray>(std::move(body));
    response.set_content_provider(size_t(text->size()), kJson,
                                  [text](size_t offset, size_t length, httplib::DataSink& sink) {
                                      return sink.write(text->constData() + offset, std::min(length, kChunk));
                                  });
}

void sendStreamedJson(const httplib::Request& request, httplib::Response& response, StreamedBody write) {
    const bool gzip = acceptsGzip(request.get_header_value("Accept-Encoding"));
    response.set_header("Vary", "Accept-Encoding");
    if (gzip) response.set_header("Content-Encoding", "gzip");
    response.set_chunked_content_provider(kJson, [gzip, write = std::move(write)](size_t, httplib::DataSink& sink) {
        ChunkSender sender(sink, gzip);
        QByteArray out;
        out.reserve(qsizetype(kChunk) * 2);
        const auto pace = [&sender](QByteArray& text) {
            if (text.size() < qsizetype(kChunk)) return;
            if (!sender.send(text.constData(), size_t(text.size()), false)) throw ReplyAborted();
            text.resize(0);  // keeps its room for the next piece
        };
        if (!write(out, pace)) return false;
        if (!sender.send(out.constData(), size_t(out.size()), true)) return false;
        sink.done();
        return true;
    });
}

}  // namespace cot::server
