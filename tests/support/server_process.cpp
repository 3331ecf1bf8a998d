#include "server_process.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <atomic>
#include <gtest/gtest.h>
#include <httplib.h>

#include "rpc/rpc_reply.h"
#include "support/shell_process.h"

namespace cot::testing {

namespace {

constexpr int kStartTimeoutMs = 30000;
constexpr int kCallTimeoutSeconds = 60;
constexpr int kMethodNotFound = -32601;

std::atomic<qint64> nextId{1};

struct Posted {
    bool reached = false;
    QByteArray body;
    QString failure;
};

Posted post(int port, const QByteArray& body, const QString& token) {
    httplib::Client client("127.0.0.1", port);
    client.set_connection_timeout(5, 0);
    client.set_read_timeout(kCallTimeoutSeconds, 0);
    client.set_write_timeout(kCallTimeoutSeconds, 0);
    httplib::Headers headers{{"Accept-Encoding", "identity"}};
    if (!token.isEmpty()) headers.emplace("Authorization", "Bearer " + token.toStdString());
    const auto res = client.Post("/rpc", headers, body.constData(), size_t(body.size()), "application/json");
    if (!res) return {false, {}, QString::fromStdString(httplib::to_string(res.error()))};
    return {true, QByteArray::fromStdString(res->body), {}};
}

QByteArray request(qint64 id, const QString& method, const QJsonArray& params) {
    const QJsonObject r{{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", params}};
    return QJsonDocument(r).toJson(QJsonDocument::Compact);
}

QJsonObject failure(const QString& message) {
    return {{"error", QJsonObject{{"code", RpcResult::kConnectionFailed}, {"message", message}}}};
}

}  // namespace

QJsonObject rpcCallJson(int port, const QString& method, const QJsonArray& params, const QString& token) {
    const Posted p = post(port, request(nextId++, method, params), token);
    if (!p.reached) return failure(QStringLiteral("servidor não alcançado: ") + p.failure);
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(p.body, &error);
    if (!doc.isObject()) return failure(QStringLiteral("resposta não é JSON: ") + QString::fromUtf8(p.body.left(200)));
    return doc.object();
}

RpcResult rpcCall(int port, const QString& method, const QVariantList& args, const QString& token) {
    QJsonArray params;
    for (const QVariant& a : args) params.append(rpcArgumentToJson(a));
    const qint64 id = nextId++;
    Posted p = post(port, request(id, method, params), token);
    if (!p.reached) return RpcResult::failure(QStringLiteral("servidor não alcançado: ") + p.failure, RpcResult::kConnectionFailed);
    return readRpcReply(p.body.data(), id, QStringLiteral("resposta inválida: ") + QString::fromUtf8(p.body.left(200)));
}

ServerProcess::ServerProcess() : dir_(std::make_unique<QTemporaryDir>()) {
    databaseUrl_ = QStringLiteral("sqlite:") + dir_->filePath(QStringLiteral("demo.db"));
    start({});
}

ServerProcess::ServerProcess(const QString& databaseUrl, const QStringList& extraArgs) : databaseUrl_(databaseUrl) {
    start(extraArgs);
}

ServerProcess::~ServerProcess() { stop(); }

void ServerProcess::start(const QStringList& extraArgs) {
    process_.start(binaryPath(QStringLiteral("cot05000-server")),
                   QStringList{"--db", databaseUrl_, "--listen", "127.0.0.1", "--port", "0", "--threads", "4"} + extraArgs);
    // The server prints its address once it answers.
    static const QRegularExpression address(QStringLiteral(":(\\d+)/rpc"));
    QByteArray said;
    for (int waited = 0; waited < kStartTimeoutMs && port_ == 0 && running(); waited += 100) {
        process_.waitForReadyRead(100);
        said += process_.readAllStandardOutput();
        if (const auto m = address.match(QString::fromUtf8(said)); m.hasMatch()) port_ = m.captured(1).toInt();
    }
    if (port_ == 0)
        ADD_FAILURE() << "cot05000-server did not start: " << said.toStdString()
                      << process_.readAllStandardError().toStdString();
}

void ServerProcess::stop() {
    if (!running()) return;
    process_.terminate();
    if (!process_.waitForFinished(10000)) kill();
}

void ServerProcess::kill() {
    process_.kill();
    process_.waitForFinished(5000);
}

QJsonObject ServerProcess::callJson(const QString& method, const QJsonArray& params, const QString& token) const {
    return rpcCallJson(port_, method, params, token);
}

QString ServerProcess::openSession(const QString& operatorCode, const QString& password) const {
    const QJsonObject reply = callJson(QStringLiteral("AbreSessao"), {operatorCode, password});
    const QJsonObject error = reply.value(QStringLiteral("error")).toObject();
    if (error.value(QStringLiteral("code")).toInt() == kMethodNotFound) return {};
    const QString token = reply.value(QStringLiteral("result")).toObject().value(QStringLiteral("token")).toString();
    if (token.isEmpty())
        ADD_FAILURE() << "AbreSessao(" << operatorCode.toStdString()
                      << ") refused: " << QJsonDocument(reply).toJson(QJsonDocument::Compact).toStdString();
    return token;
}

RpcResult ServerProcess::call(const QString& method, const QVariantList& args, const QString& token) const {
    return rpcCall(port_, method, args, token);
}

}  // namespace cot::testing
