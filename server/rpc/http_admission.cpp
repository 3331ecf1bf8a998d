#include "server/rpc/http_admission.h"

#include <zlib.h>

#include "server/rpc/request_limits.h"

namespace cot::server {

namespace rl = request_limits;

namespace {

// Inflates `wire` (gzip or zlib, by `windowBits`) into `out`, stopping past `most` bytes.
// False when the text is not a whole compressed stream; `large` when it passed the limit.
bool inflateInto(const QByteArray& wire, int windowBits, size_t most, QByteArray& out, bool& large) {
    z_stream z{};
    if (inflateInit2(&z, windowBits) != Z_OK) return false;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(wire.constData()));
    z.avail_in = uInt(wire.size());
    char buffer[64 * 1024];
    int rc = Z_OK;
    large = false;
    do {
        z.next_out = reinterpret_cast<Bytef*>(buffer);
        z.avail_out = sizeof buffer;
        rc = inflate(&z, Z_NO_FLUSH);
        if (rc != Z_OK && rc != Z_STREAM_END) break;
        const size_t got = sizeof buffer - z.avail_out;
        if (size_t(out.size()) + got > most) {
            large = true;
            break;
        }
        out.append(buffer, qsizetype(got));
    } while (rc != Z_STREAM_END && (z.avail_in > 0 || z.avail_out == 0));
    inflateEnd(&z);
    return rc == Z_STREAM_END && !large;
}

}  // namespace

Refusal tooLarge() {
    return {413, QStringLiteral("Requisição grande demais: o limite é de %1 MB.").arg(rl::kMaxBody >> 20)};
}

std::optional<Refusal> checkRpcHeaders(const HttpRequest& request, const QStringList& allowedOrigins) {
    // A browser names the page that sends a request; the desktop and scripts send none.
    if (request.has("Origin") && !rl::originAllowed(request.header("Origin"), allowedOrigins))
        return Refusal{403, QStringLiteral("Origem não permitida.")};
    if (!rl::isJsonContentType(request.header("Content-Type")))
        return Refusal{415, QStringLiteral("Tipo de conteúdo não aceito: envie application/json.")};
    const bool chunked = QByteArray::fromStdString(request.header("Transfer-Encoding")).trimmed().toLower() == "chunked";
    if (!chunked) {
        if (!request.has("Content-Length"))
            return Refusal{411, QStringLiteral("Requisição sem tamanho declarado (Content-Length).")};
        bool ok = false;
        const qulonglong length = QByteArray::fromStdString(request.header("Content-Length")).trimmed().toULongLong(&ok);
        if (!ok) return Refusal{400, QStringLiteral("Tamanho da requisição inválido.")};
        if (length > rl::kMaxWireBody) return tooLarge();
    }
    const QByteArray encoding = QByteArray::fromStdString(request.header("Content-Encoding")).trimmed().toLower();
    if (!encoding.isEmpty() && encoding != "identity" && encoding != "gzip" && encoding != "x-gzip" &&
        encoding != "deflate")
        return Refusal{415, QStringLiteral("Codificação de conteúdo não aceita: envie gzip ou sem compressão.")};
    return std::nullopt;
}

std::optional<Refusal> inflateRpcBody(const HttpRequest& request, QByteArray& body) {
    const QByteArray encoding = QByteArray::fromStdString(request.header("Content-Encoding")).trimmed().toLower();
    if (encoding.isEmpty() || encoding == "identity") {
        if (size_t(body.size()) > rl::kMaxBody) return tooLarge();
        return std::nullopt;
    }
    QByteArray text;
    bool large = false;
    const int windowBits = encoding == "deflate" ? 15 : 15 + 16;
    const bool whole = inflateInto(body, windowBits, rl::kMaxBody, text, large);
    body.clear();
    body.squeeze();
    if (large) return tooLarge();
    if (!whole) return Refusal{400, QStringLiteral("Corpo da requisição ilegível ou incompleto.")};
    body = std::move(text);
    return std::nullopt;
}

HttpReply refusalReply(const Refusal& refusal) {
    HttpReply reply = HttpReply::text(refusal.status, rl::refusalBody(refusal.text), "application/json; charset=utf-8");
    reply.close = true;
    return reply;
}

void allowOrigin(const HttpRequest& request, HttpReply& reply, const QStringList& allowedOrigins) {
    if (!request.has("Origin")) return;
    const std::string origin = request.header("Origin");
    if (!rl::originAllowed(origin, allowedOrigins)) return;
    reply.set("Access-Control-Allow-Origin", origin);
    reply.set("Vary", "Origin");
}

}  // namespace cot::server
