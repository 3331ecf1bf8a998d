#include "rpc/net_connection.h"

#include <httplib.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QElapsedTimer>
#include <algorithm>
#include <stdexcept>

#include "rpc/check_result.h"
#include "rpc/rpc_channel.h"
#include "rpc/streamed_reply.h"

namespace cot {

struct NetConnection::Http {
    Http(const std::string& host, int port, bool tls)
        : client((tls ? "https://" : "http://") + host + ':' + std::to_string(port)) {
        if (tls) {
            client.enable_server_certificate_verification(true);
            const QString ca = rpc_channel::caFile();
            if (!ca.isEmpty()) client.set_ca_cert_path(ca.toLocal8Bit().toStdString());
        }
    }
    httplib::Client client;
};

NetConnection::NetConnection() = default;
NetConnection::~NetConnection() = default;

void NetConnection::setHost(const QString& host) {
    if (host == host_) return;
    host_ = host;
    disconnect();
}

void NetConnection::setPort(int port) {
    if (port == port_) return;
    port_ = port;
    disconnect();
}

void NetConnection::setReadTimeout(int seconds) {
    readTimeoutSeconds_ = std::max(1, seconds);
    if (http_) http_->client.set_read_timeout(readTimeoutSeconds_);
}

QString NetConnection::address() const { return QStringLiteral("%1:%2").arg(host_).arg(port_); }

QString NetConnection::unreachableText() const {
    return QStringLiteral("Não foi possível conectar ao servidor de aplicação em %1.").arg(address());
}

QString NetConnection::interruptedText() const {
    return QStringLiteral("Conexão com o servidor de aplicação em %1 foi interrompida.").arg(address());
}

bool NetConnection::asksCompressed() const {
    if (askCompressed_ >= 0) return askCompressed_ == 1;
    const QString h = host_.trimmed();
    const bool loopback = h.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0 ||
                          h.startsWith(QLatin1String("127.")) || h == QLatin1String("::1") ||
                          h == QLatin1String("[::1]");
    return !loopback;
}

bool NetConnection::connect() { return open(); }

void NetConnection::disconnect() {
    http_.reset();
    connected_ = false;
    reused_ = false;
}

bool NetConnection::open() {
    disconnect();
    if (beforeConnect_) beforeConnect_(*this);
    // The handler may have moved host or port; start from a clean socket either way.
    http_.reset();
    http_ = std::make_unique<Http>(host_.toStdString(), port_, rpc_channel::tls());
    auto& client = http_->client;
    client.set_keep_alive(true);
    client.set_tcp_nodelay(true);
    client.set_connection_timeout(5);
    client.set_read_timeout(readTimeoutSeconds_);
    client.set_write_timeout(60);
    const auto res = client.Get("/health");
    if (!res || res->status != 200) {
        const bool badCertificate = !res && (res.error() == httplib::Error::SSLServerVerification ||
                                             res.error() == httplib::Error::SSLConnection ||
                                             res.error() == httplib::Error::SSLLoadingCerts);
        lastError_ = badCertificate
                         ? QStringLiteral("Não foi possível estabelecer conexão segura com o servidor de aplicação "
                                          "em %1: certificado não reconhecido.")
                               .arg(address())
                         : unreachableText();
        http_.reset();
        return false;
    }
    health_ = QByteArray::fromStdString(res->body);
    lastError_.clear();
    connected_ = true;
    reused_ = true;
    return true;
}

RpcResult NetConnection::call(const QString& method, const QVariantList& args) {
    ++calls_;
    if (callObserver_) callObserver_(method, args);
    RpcResult result = callOnce(method, args);
    if (result.code == RpcResult::kSessionEnded && token_.isEmpty() && rpc_channel::renewSession())
        result = callOnce(method, args);
    return result;
}

RpcResult NetConnection::callOnce(const QString& method, const QVariantList& args) {
    QJsonArray params;
    for (int i = 0; i < args.size(); ++i) {
        try {
            params.append(rpcArgumentToJson(args[i]));
        } catch (const std::invalid_argument&) {
            return RpcResult::failure(
                QStringLiteral("Argumento %1 de %2: tipo não suportado.").arg(i + 1).arg(method), -32602);
        }
    }
    const qint64 id = nextId_++;
    const QJsonObject request{{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", params}};
    const QByteArray body = QJsonDocument(request).toJson(QJsonDocument::Compact);

    if (!connected_ && !open()) return RpcResult::failure(lastError_, RpcResult::kConnectionFailed);

    // The answer is read as it arrives (a list's rows while the server still writes the
    // next ones), into one buffer sized from its length up front: a large list would
    // otherwise be copied over and over as the body grows.
    std::unique_ptr<StreamedReply> reply;
    bool answered = false;  // the server began its answer: the request ran
    auto post = [&] {
        httplib::Request req;
        req.method = "POST";
        req.path = "/rpc";
        req.headers = {{"Accept-Encoding", asksCompressed() ? "gzip" : "identity"},
                       {"Content-Type", "application/json"}};
        const QByteArray token = token_.isEmpty() ? rpc_channel::sessionToken() : token_;
        if (!token.isEmpty()) req.headers.emplace("Authorization", "Bearer " + token.toStdString());
        req.body.assign(body.constData(), size_t(body.size()));
        reply = std::make_unique<StreamedReply>(id);
        req.response_handler = [&reply, &answered](const httplib::Response& head) {
            answered = true;
            // Trusted up to a size no list reaches; past that the buffer grows as the bytes come.
            constexpr qsizetype kMostReserved = qsizetype(512) << 20;
            const qsizetype length = QByteArray::fromStdString(head.get_header_value("Content-Length")).toLongLong();
            if (length > 0 && head.get_header_value("Content-Encoding").empty())
                reply->reserve(std::min(length, kMostReserved) + 1);
            return true;
        };
        req.content_receiver = [&reply](const char* data, size_t size, uint64_t, uint64_t) {
            reply->append(data, qsizetype(size));
            return true;
        };
        return http_->client.send(req);
    };
    QElapsedTimer elapsed;
    elapsed.start();
    auto res = post();
    // The server closes idle kept-alive sockets; a request that met such a socket was never
    // read, so one fresh socket settles it. A timed-out request may have run: not resent.
    // A socket cut after the answer began is not an idle close: the server ran the request.
    const bool closedWhileIdle =
        !answered && (res.error() == httplib::Error::Read || res.error() == httplib::Error::Write);
    if (!res && reused_ && closedWhileIdle && elapsed.elapsed() < readTimeoutSeconds_ * 500) {
        http_->client.stop();
        reused_ = false;
        res = post();
    }
    if (!res) {
        const bool neverReached =
            res.error() == httplib::Error::Connection || res.error() == httplib::Error::ConnectionTimeout;
        lastError_ = neverReached ? unreachableText() : interruptedText();
        disconnect();
        return RpcResult::failure(lastError_, RpcResult::kConnectionFailed);
    }
    reused_ = true;
    if (res->status != 200)
        return RpcResult::failure(QStringLiteral("Resposta inesperada do servidor de aplicação em %1 (HTTP %2).")
                                      .arg(address())
                                      .arg(res->status),
                                  RpcResult::kBadResponse);

    return reply->finish(QStringLiteral("Resposta inválida do servidor de aplicação em %1.").arg(address()));
}

QVariant NetConnection::callChecked(const QString& method, const QVariantList& args) {
    return Consiste::CheckResultServ(call(method, args), true, 0);
}

Packet NetConnection::getPacket(const QString& method, const QVariantList& args) {
    const QVariant value = callChecked(method, args);
    if (value.isNull()) return {};
    if (value.typeId() == qMetaTypeId<Packet>()) return value.value<Packet>();
    return Consiste::CheckResultServ(
               RpcResult::failure(QStringLiteral("Resposta inesperada do servidor de aplicação para %1.").arg(method),
                                  RpcResult::kBadResponse))
        .value<Packet>();
}

}  // namespace cot
