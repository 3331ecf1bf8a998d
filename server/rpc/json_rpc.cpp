#include "server/rpc/json_rpc.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QtGlobal>

#include "server/storage/database.h"

namespace cot::server {

namespace {

const QString kMalformed = QStringLiteral("Requisição JSON-RPC malformada.");
const QString kInvalid = QStringLiteral("Requisição JSON-RPC inválida.");
const QString kInternal = QStringLiteral("Erro interno do servidor.");

void logFailure(const QString& method, const char* detail) {
    qWarning().noquote() << QStringLiteral("cot05000-server: %1 falhou: %2").arg(method, QString::fromUtf8(detail));
}

QString countText(const QString& method, int expected, int received) {
    return QStringLiteral("O método %1 espera %2 %3; recebeu %4.")
        .arg(method)
        .arg(expected)
        .arg(expected == 1 ? QStringLiteral("argumento") : QStringLiteral("argumentos"))
        .arg(received);
}

// Leaves the connection clean for the next request of this thread.
void rollbackLeftover(Database& db) {
    try {
        while (db.inTransaction()) db.rollback();
    } catch (...) {
    }
}

QByteArray toBody(const QJsonValue& v) {
    return v.isArray() ? QJsonDocument(v.toArray()).toJson(QJsonDocument::Compact)
                       : QJsonDocument(v.toObject()).toJson(QJsonDocument::Compact);
}

}  // namespace

QJsonObject rpcError(const QJsonValue& id, int code, const QString& message) {
    return {{"jsonrpc", "2.0"},
            {"id", id.isUndefined() ? QJsonValue(QJsonValue::Null) : id},
            {"error", QJsonObject{{"code", code}, {"message", message}}}};
}

QByteArray JsonRpcDispatcher::handle(const QByteArray& body, DatabaseSource& databases) const {
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(body, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        // A bare scalar is valid JSON but no request; Qt only parses arrays and objects.
        const QJsonDocument wrapped = QJsonDocument::fromJson('[' + body + ']');
        const bool scalar = wrapped.isArray() && wrapped.array().size() == 1;
        return toBody(scalar ? rpcError(QJsonValue::Null, rpc_code::InvalidRequest, kInvalid)
                             : rpcError(QJsonValue::Null, rpc_code::ParseError, kMalformed));
    }

    if (doc.isArray()) {
        const QJsonArray requests = doc.array();
        if (requests.isEmpty()) return toBody(rpcError(QJsonValue::Null, rpc_code::InvalidRequest, kInvalid));
        QJsonArray responses;
        for (const auto& request : requests) {
            QJsonObject response;
            if (handleOne(request, databases, response)) responses.append(response);
        }
        return responses.isEmpty() ? QByteArray() : toBody(responses);
    }
    QJsonObject response;
    if (!handleOne(doc.object(), databases, response)) return {};
    return toBody(response);
}

bool JsonRpcDispatcher::handleOne(const QJsonValue& request, DatabaseSource& databases,
                                  QJsonObject& response) const {
    if (!request.isObject()) {
        response = rpcError(QJsonValue::Null, rpc_code::InvalidRequest, kInvalid);
        return true;
    }
    const QJsonObject req = request.toObject();
    const bool notification = !req.contains("id");
    const QJsonValue id = req.value("id");
    const QJsonValue method = req.value("method");
    const QJsonValue params = req.contains("params") ? req.value("params") : QJsonValue(QJsonArray());
    const bool idOk = id.isUndefined() || id.isNull() || id.isString() || id.isDouble();
    if (req.value("jsonrpc") != QJsonValue("2.0") || !method.isString() || !params.isArray() || !idOk) {
        response = rpcError(idOk ? id : QJsonValue(QJsonValue::Null), rpc_code::InvalidRequest, kInvalid);
        return true;
    }

    const QString name = method.toString();
    const MethodInfo* info = registry_.find(name);
    if (!info) {
        response = rpcError(id, rpc_code::MethodNotFound, QStringLiteral("Método desconhecido: %1.").arg(name));
        return !notification;
    }
    const QJsonArray args = params.toArray();
    if (args.size() != info->argc) {
        response = rpcError(id, rpc_code::InvalidParams, countText(name, info->argc, args.size()));
        return !notification;
    }

    try {
        QJsonValue result = invoke(*info, args, databases);
        if (result.isUndefined()) result = QJsonValue::Null;
        response = {{"jsonrpc", "2.0"}, {"id", id}, {"result", result}};
    } catch (const MethodError& e) {
        response = rpcError(id, e.code(), e.text());
    } catch (const PacketError& e) {
        // The codec's texts are Portuguese and carry no engine detail.
        response = rpcError(id, rpc_code::InvalidParams, QString::fromUtf8(e.what()));
    } catch (const UserError& e) {
        response = rpcError(id, rpc_code::MethodFailed, e.text());
    } catch (const DatabaseError& e) {
        logFailure(name, e.what());
        databases.discard();
        response = rpcError(id, rpc_code::InternalError, kInternal);
    } catch (const std::exception& e) {
        logFailure(name, e.what());
        response = rpcError(id, rpc_code::InternalError, kInternal);
    } catch (...) {
        logFailure(name, "exceção desconhecida");
        response = rpcError(id, rpc_code::InternalError, kInternal);
    }
    return !notification;
}

QJsonValue JsonRpcDispatcher::invoke(const MethodInfo& method, const QJsonArray& params,
                                     DatabaseSource& databases) const {
    Database& db = databases.get();
    rollbackLeftover(db);
    try {
        MethodContext context{db};
        const Args args(method.name, params);
        QJsonValue result = method.handler(context, args);
        if (db.inTransaction()) {
            // A method that returns with its transaction open has not finished its work.
            rollbackLeftover(db);
            throw std::logic_error("transação deixada aberta pelo método");
        }
        return result;
    } catch (...) {
        rollbackLeftover(db);
        throw;
    }
}

}  // namespace cot::server
