#include "rpc/net_connection.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <stdexcept>

#include "rpc/call_wait.h"
#include "rpc/check_result.h"
#include "rpc/http_exchange.h"
#include "rpc/rpc_channel.h"

namespace cot {

namespace {

// Marks the connection busy for one wait.
class BusyFlag {
public:
    explicit BusyFlag(bool& flag) : flag_(flag) { flag_ = true; }
    ~BusyFlag() { flag_ = false; }
    BusyFlag(const BusyFlag&) = delete;
    BusyFlag& operator=(const BusyFlag&) = delete;

private:
    bool& flag_;
};

}  // namespace

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
    if (socket_ && !busy_) socket_->setReadTimeout(readTimeoutSeconds_);
}

QString NetConnection::address() const { return QStringLiteral("%1:%2").arg(host_).arg(port_); }

bool NetConnection::asksCompressed() const {
    if (askCompressed_ >= 0) return askCompressed_ == 1;
    const QString h = host_.trimmed();
    const bool loopback = h.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0 ||
                          h.startsWith(QLatin1String("127.")) || h == QLatin1String("::1") ||
                          h == QLatin1String("[::1]");
    return !loopback;
}

bool NetConnection::connect() {
    if (busy_) {
        lastError_ = rpc_texts::busy(address());
        lastCode_ = RpcResult::kBusy;
        return false;
    }
    return open();
}

void NetConnection::disconnect() {
    socket_.reset();
    connected_ = false;
    reused_ = false;
}

bool NetConnection::open() {
    disconnect();
    if (beforeConnect_) beforeConnect_(*this);
    // The handler may have moved host or port; start from a clean socket either way.
    disconnect();
    auto socket = std::make_shared<RpcSocket>(host_, port_, readTimeoutSeconds_);
    auto health = std::make_shared<HealthReply>();
    BusyFlag busy(busy_);
    const bool waited = call_wait::run([socket, health] { *health = readHealth(*socket); },
                                       [&socket] { socket->stop(); });
    if (!waited || !health->reached) {
        lastError_ = !waited                 ? rpc_texts::cancelled(address())
                     : health->badCertificate ? rpc_texts::badCertificate(address())
                                              : rpc_texts::unreachable(address());
        lastCode_ = waited ? RpcResult::kConnectionFailed : RpcResult::kCancelled;
        return false;
    }
    socket_ = std::move(socket);
    health_ = health->body;
    lastError_.clear();
    lastCode_ = 0;
    connected_ = true;
    reused_ = true;
    return true;
}

RpcResult NetConnection::call(const QString& method, const QVariantList& args) {
    if (busy_) return RpcResult::failure(rpc_texts::busy(address()), RpcResult::kBusy);
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

    if (!connected_ && !open()) return RpcResult::failure(lastError_, lastCode_);

    auto exchange = std::make_shared<RpcExchange>();
    exchange->body = QJsonDocument(request).toJson(QJsonDocument::Compact);
    exchange->id = id;
    exchange->token = token_.isEmpty() ? rpc_channel::sessionToken() : token_;
    exchange->compressed = asksCompressed();
    exchange->reused = reused_;
    exchange->readTimeoutSeconds = readTimeoutSeconds_;
    exchange->address = address();
    std::shared_ptr<RpcSocket> socket = socket_;
    BusyFlag busy(busy_);
    const bool waited = call_wait::run([socket, exchange] { runExchange(*socket, *exchange); },
                                       [socket, exchange] {
                                           exchange->abandoned = true;
                                           socket->stop();
                                       });
    // Only the socket this call ran on is settled: the wait may have let code through
    // that moved the connection elsewhere.
    const bool sameSocket = socket_ == socket;
    if (!waited) {
        if (sameSocket) disconnect();
        return RpcResult::failure(rpc_texts::cancelled(address()), RpcResult::kCancelled);
    }
    if (sameSocket) {
        reused_ = exchange->reused;
        if (exchange->socketLost) {
            lastError_ = exchange->result.error;
            disconnect();
        }
    }
    return std::move(exchange->result);
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
