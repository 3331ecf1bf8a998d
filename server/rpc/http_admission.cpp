#include "server/rpc/http_admission.h"

#include <httplib.h>

#include <QElapsedTimer>
#include <algorithm>
#include <memory>

#include "server/rpc/request_limits.h"

namespace cot::server {

namespace rl = request_limits;

namespace {

Refusal tooLarge() {
    return {413, QStringLiteral("Requisição grande demais: o limite é de %1 MB.").arg(rl::kMaxBody >> 20)};
}

}  // namespace

std::optional<Refusal> checkRpcHeaders(const httplib::Request& request, const QStringList& allowedOrigins) {
    // A browser names the page that sends a request; the desktop and scripts send none.
    if (request.has_header("Origin") && !rl::originAllowed(request.get_header_value("Origin"), allowedOrigins))
        return Refusal{403, QStringLiteral("Origem não permitida.")};
    if (!rl::isJsonContentType(request.get_header_value("Content-Type")))
        return Refusal{415, QStringLiteral("Tipo de conteúdo não aceito: envie application/json.")};
    const bool chunked =
        QByteArray::fromStdString(request.get_header_value("Transfer-Encoding")).trimmed().toLower() == "chunked";
    if (!chunked) {
        if (!request.has_header("Content-Length"))
            return Refusal{411, QStringLiteral("Requisição sem tamanho declarado (Content-Length).")};
        bool ok = false;
        const qulonglong length = QByteArray::fromStdString(request.get_header_value("Content-Length")).trimmed().toULongLong(&ok);
        if (!ok) return Refusal{400, QStringLiteral("Tamanho da requisição inválido.")};
        if (length > rl::kMaxWireBody) return tooLarge();
    }
    return std::nullopt;
}

std::optional<Refusal> readRpcBody(const httplib::Request& request, const httplib::ContentReader& read,
                                   QByteArray& body) {
    if (request.get_header_value("Content-Encoding").empty()) {
        const qulonglong declared = QByteArray::fromStdString(request.get_header_value("Content-Length")).toULongLong();
        body.reserve(qsizetype(std::min<qulonglong>(declared, rl::kMaxBody)));
    }
    QElapsedTimer elapsed, sinceData;
    elapsed.start();
    sinceData.start();
    bool large = false, slow = false;
    const bool whole = read([&](const char* data, size_t size) {
        large = size_t(body.size()) + size > rl::kMaxBody;
        slow = elapsed.elapsed() > rl::kBodySeconds * 1000;
        if (large || slow) return false;  // stops the inflating too
        body.append(data, qsizetype(size));
        sinceData.restart();
        return true;
    });
    // A client that stopped sending for the socket's whole read timeout.
    slow = slow || sinceData.elapsed() >= rl::kReadTimeoutSeconds * 1000 - 100;
    if (whole) return std::nullopt;
    body.clear();
    body.squeeze();
    if (large) return tooLarge();
    if (slow) return Refusal{408, QStringLiteral("Requisição não recebida a tempo.")};
    return Refusal{400, QStringLiteral("Corpo da requisição ilegível ou incompleto.")};
}

void sendRefusal(httplib::Response& response, const Refusal& refusal) {
    auto body = std::make_shared<std::string>(rl::refusalBody(refusal.text).toStdString());
    response.status = refusal.status;
    response.set_header("Connection", "close");
    // Written whole, then false: the server takes it for a failed write and drops the
    // connection, the only way it has to close one after answering.
    response.set_content_provider(body->size(), "application/json; charset=utf-8",
                                  [body](size_t offset, size_t, httplib::DataSink& sink) {
                                      sink.write(body->data() + offset, body->size() - offset);
                                      return false;
                                  });
}

void allowOrigin(const httplib::Request& request, httplib::Response& response, const QStringList& allowedOrigins) {
    if (!request.has_header("Origin")) return;
    const std::string origin = request.get_header_value("Origin");
    if (!rl::originAllowed(origin, allowedOrigins)) return;
    response.set_header("Access-Control-Allow-Origin", origin);
    response.set_header("Vary", "Origin");
}

}  // namespace cot::server
