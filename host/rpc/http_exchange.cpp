#include "rpc/http_exchange.h"

#include <httplib.h>

#include <QElapsedTimer>
#include <algorithm>

#include "rpc/rpc_channel.h"
#include "rpc/streamed_reply.h"

namespace cot {

struct RpcSocket::Client {
    Client(const std::string& host, int port, bool tls)
        : http((tls ? "https://" : "http://") + host + ':' + std::to_string(port)) {
        if (tls) {
            http.enable_server_certificate_verification(true);
            const QString ca = rpc_channel::caFile();
            if (!ca.isEmpty()) http.set_ca_cert_path(ca.toLocal8Bit().toStdString());
        }
    }
    httplib::Client http;
};

RpcSocket::RpcSocket(const QString& host, int port, int readTimeoutSeconds)
    : d(std::make_unique<Client>(host.toStdString(), port, rpc_channel::tls())) {
    auto& client = d->http;
    client.set_keep_alive(true);
    client.set_tcp_nodelay(true);
    client.set_connection_timeout(5);
    client.set_read_timeout(readTimeoutSeconds);
    client.set_write_timeout(60);
}

RpcSocket::~RpcSocket() = default;

void RpcSocket::setReadTimeout(int seconds) { d->http.set_read_timeout(seconds); }

void RpcSocket::stop() { d->http.stop(); }

HealthReply readHealth(RpcSocket& socket) {
    const auto res = socket.client().http.Get("/health");
    HealthReply out;
    out.reached = res && res->status == 200;
    if (out.reached) out.body = QByteArray::fromStdString(res->body);
    out.badCertificate = !res && (res.error() == httplib::Error::SSLServerVerification ||
                                  res.error() == httplib::Error::SSLConnection ||
                                  res.error() == httplib::Error::SSLLoadingCerts);
    return out;
}

void runExchange(RpcSocket& socket, RpcExchange& ex) {
    auto& client = socket.client().http;
    // The answer is read as it arrives (a list's rows while the server still writes the
    // next ones), into one buffer sized from its length up front: a large list would
    // otherwise be copied over and over as the body grows.
    std::unique_ptr<StreamedReply> reply;
    bool answered = false;  // the server began its answer: the request ran
    QElapsedTimer silence;  // since the last byte moved
    auto post = [&] {
        httplib::Request req;
        req.method = "POST";
        req.path = "/rpc";
        req.headers = {{"Accept-Encoding", ex.compressed ? "gzip" : "identity"},
                       {"Content-Type", "application/json"}};
        if (!ex.token.isEmpty()) req.headers.emplace("Authorization", "Bearer " + ex.token.toStdString());
        req.body.assign(ex.body.constData(), size_t(ex.body.size()));
        reply = std::make_unique<StreamedReply>(ex.id);
        req.response_handler = [&](const httplib::Response& head) {
            answered = true;
            silence.start();
            // Trusted up to a size no list reaches; past that the buffer grows as the bytes come.
            constexpr qsizetype kMostReserved = qsizetype(512) << 20;
            const qsizetype length = QByteArray::fromStdString(head.get_header_value("Content-Length")).toLongLong();
            if (length > 0 && head.get_header_value("Content-Encoding").empty())
                reply->reserve(std::min(length, kMostReserved) + 1);
            return !ex.abandoned.load();
        };
        req.content_receiver = [&](const char* data, size_t size, uint64_t, uint64_t) {
            silence.start();
            reply->append(data, qsizetype(size));
            return !ex.abandoned.load();
        };
        silence.start();
        return client.send(req);
    };
    QElapsedTimer elapsed;
    elapsed.start();
    auto res = post();
    // The server closes idle kept-alive sockets; a request that met such a socket was never
    // read, so one fresh socket settles it. A timed-out request may have run: not resent.
    // A socket cut after the answer began is not an idle close: the server ran the request.
    const bool closedWhileIdle =
        !answered && (res.error() == httplib::Error::Read || res.error() == httplib::Error::Write);
    if (!res && ex.reused && closedWhileIdle && !ex.abandoned && elapsed.elapsed() < ex.readTimeoutSeconds * 500) {
        client.stop();
        ex.reused = false;
        res = post();
    }
    if (!res) {
        const bool neverReached =
            res.error() == httplib::Error::Connection || res.error() == httplib::Error::ConnectionTimeout;
        // A read gives up after the socket stayed silent for the whole timeout.
        const bool silent =
            res.error() == httplib::Error::Read && silence.elapsed() >= qint64(ex.readTimeoutSeconds) * 1000 - 250;
        ex.result = RpcResult::failure(neverReached ? rpc_texts::unreachable(ex.address)
                                       : silent     ? rpc_texts::silent(ex.address, ex.readTimeoutSeconds)
                                                    : rpc_texts::interrupted(ex.address),
                                       RpcResult::kConnectionFailed);
        ex.socketLost = true;
        return;
    }
    ex.reused = true;
    if (res->status != 200) {
        ex.result = RpcResult::failure(QStringLiteral("Resposta inesperada do servidor de aplicação em %1 (HTTP %2).")
                                           .arg(ex.address)
                                           .arg(res->status),
                                       RpcResult::kBadResponse);
        return;
    }
    ex.result = reply->finish(QStringLiteral("Resposta inválida do servidor de aplicação em %1.").arg(ex.address));
}

namespace rpc_texts {

QString unreachable(const QString& address) {
    return QStringLiteral("Não foi possível conectar ao servidor de aplicação em %1.").arg(address);
}

QString interrupted(const QString& address) {
    return QStringLiteral("Conexão com o servidor de aplicação em %1 foi interrompida.").arg(address);
}

QString silent(const QString& address, int seconds) {
    const QString within = seconds == 1 ? QStringLiteral("1 segundo") : QStringLiteral("%1 segundos").arg(seconds);
    return QStringLiteral("O servidor de aplicação em %1 não respondeu em %2.").arg(address, within);
}

QString badCertificate(const QString& address) {
    return QStringLiteral("Não foi possível estabelecer conexão segura com o servidor de aplicação "
                          "em %1: certificado não reconhecido.")
        .arg(address);
}

QString cancelled(const QString& address) {
    return QStringLiteral("A espera pelo servidor de aplicação em %1 foi cancelada.").arg(address);
}

QString busy(const QString& address) {
    return QStringLiteral("Aguarde o fim da chamada em andamento ao servidor de aplicação em %1.").arg(address);
}

}  // namespace rpc_texts

}  // namespace cot
