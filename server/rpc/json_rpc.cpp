#include "server/rpc/json_rpc.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QScopeGuard>
#include <QtGlobal>
#include <optional>

#include "server/auth/access_check.h"
#include "server/auth/caller.h"
#include "server/rpc/request_limits.h"
#include "server/storage/database.h"
#include "server/storage/proposal_history.h"

namespace cot::server {

namespace {

const QString kMalformed = QStringLiteral("Requisição JSON-RPC malformada.");
const QString kInvalid = QStringLiteral("Requisição JSON-RPC inválida.");
const QString kInternal = QStringLiteral("Erro interno do servidor.");
const QString kNoSession = QStringLiteral("Sessão não informada: entre no sistema.");
const QString kEndedSession = QStringLiteral("Sessão inválida ou expirada: entre no sistema novamente.");

void logFailure(const QString& method, const char* detail) {
    qWarning().noquote() << QStringLiteral("cot05000-server: %1 falhou: %2").arg(method, QString::fromUtf8(detail));
}

QString countText(const QString& method, int expected, int most, int received) {
    if (most > expected)
        return QStringLiteral("O método %1 espera de %2 a %3 argumentos; recebeu %4.")
            .arg(method)
            .arg(expected)
            .arg(most)
            .arg(received);
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

bool JsonRpcDispatcher::stream(const RpcAnswer& a, DatabaseSource& databases, QByteArray& out,
                               const Reply::Pace& pace) const {
    out += a.body;
    try {
        a.streamed.writeTo(out, pace);
        out += a.tail;
        return true;
    } catch (const ReplyAborted&) {
    } catch (const DatabaseError& e) {
        logFailure(a.method, e.what());
        databases.discard();
        return false;
    } catch (const std::exception& e) {
        logFailure(a.method, e.what());
    } catch (...) {
        logFailure(a.method, "exceção desconhecida");
    }
    rollbackLeftover(databases.get());
    return false;
}

// The request's bearer token and, once a method has needed it, the operator it names.
// Looked up once per HTTP request, whatever the size of the batch.
struct JsonRpcDispatcher::Credentials {
    QByteArray token;
    QString clientAddress;
    RequestSummary& summary;
    bool checked = false;
    std::optional<QString> operatorCode;
};

RpcAnswer JsonRpcDispatcher::answer(const QByteArray& body, DatabaseSource& databases,
                                    const QByteArray& authorization, const QString& clientAddress) const {
    RequestSummary summary;
    summary.clientAddress = clientAddress;
    Credentials credentials{sessions::bearerToken(authorization), clientAddress, summary};
    RpcAnswer a = answerBody(body, databases, credentials);
    if (credentials.operatorCode) summary.operatorCode = *credentials.operatorCode;
    a.summary = std::move(summary);
    return a;
}

RpcAnswer JsonRpcDispatcher::answerBody(const QByteArray& body, DatabaseSource& databases,
                                        Credentials& credentials) const {
    namespace rl = request_limits;
    // Counted before parsing: a long batch is refused before it costs memory or time.
    if (rl::batchLength(body, rl::kMaxBatch) > rl::kMaxBatch) {
        credentials.summary.noteFailure(rpc_code::InvalidRequest);
        return {toBody(rpcError(QJsonValue::Null, rpc_code::InvalidRequest,
                                QStringLiteral("Lote com mais de %1 requisições: envie no máximo %1 por vez.")
                                    .arg(rl::kMaxBatch)))};
    }
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(body, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        // A bare scalar is valid JSON but no request; Qt only parses arrays and objects.
        const QJsonDocument wrapped = QJsonDocument::fromJson('[' + body + ']');
        const bool scalar = wrapped.isArray() && wrapped.array().size() == 1;
        credentials.summary.noteFailure(scalar ? rpc_code::InvalidRequest : rpc_code::ParseError);
        return {toBody(scalar ? rpcError(QJsonValue::Null, rpc_code::InvalidRequest, kInvalid)
                              : rpcError(QJsonValue::Null, rpc_code::ParseError, kMalformed))};
    }

    RpcAnswer a;
    QByteArray& out = a.body;
    if (doc.isArray()) {
        const QJsonArray requests = doc.array();
        if (requests.isEmpty()) {
            credentials.summary.noteFailure(rpc_code::InvalidRequest);
            return {toBody(rpcError(QJsonValue::Null, rpc_code::InvalidRequest, kInvalid))};
        }
        out += '[';
        bool any = false;
        for (const auto& request : requests) {
            if (any) out += ',';
            bool answered = false;
            if (out.size() > rl::kMaxBatchReply) {
                // Past the size, the rest is answered without running: each entry costs its id.
                const QJsonObject r = request.toObject();
                credentials.summary.methods << (r.value("method").isString() ? r.value("method").toString()
                                                                             : QStringLiteral("?"));
                credentials.summary.noteFailure(rpc_code::MethodFailed);
                answered = !request.isObject() || r.contains("id");
                if (answered)
                    out += toBody(rpcError(r.value("id").isString() || r.value("id").isDouble() ? r.value("id")
                                                                                                 : QJsonValue::Null,
                                           rpc_code::MethodFailed,
                                           QStringLiteral("Não executada: a resposta do lote ficou grande demais; "
                                                          "envie esta requisição sozinha.")));
            } else {
                answered = handleOne(request, databases, credentials, out);
            }
            if (!answered && any) out.chop(1);
            any = any || answered;
        }
        if (!any) return {};
        out += ']';
        return a;
    }
    if (!handleOne(doc.object(), databases, credentials, out, &a)) return {};
    return a;
}

bool JsonRpcDispatcher::handleOne(const QJsonValue& request, DatabaseSource& databases, Credentials& credentials,
                                  QByteArray& out, RpcAnswer* deferred) const {
    if (!request.isObject()) {
        credentials.summary.methods << QStringLiteral("?");
        credentials.summary.noteFailure(rpc_code::InvalidRequest);
        out += toBody(rpcError(QJsonValue::Null, rpc_code::InvalidRequest, kInvalid));
        return true;
    }
    const QJsonObject req = request.toObject();
    const bool notification = !req.contains("id");
    const QJsonValue id = req.value("id");
    const QJsonValue method = req.value("method");
    const QJsonValue params = req.contains("params") ? req.value("params") : QJsonValue(QJsonArray());
    const bool idOk = id.isUndefined() || id.isNull() || id.isString() || id.isDouble();
    // A malformed request is always answered; a notification's failure is not.
    credentials.summary.methods << (method.isString() ? method.toString() : QStringLiteral("?"));
    // Named in the log whether or not the sign-in succeeds (never the password).
    if (method.toString() == QLatin1String("AbreSessao") && params.isArray())
        credentials.summary.signInOperator = signInName(params.toArray().at(0));
    auto refuse = [&](const QJsonValue& replyId, int code, const QString& text, bool always = false) {
        credentials.summary.noteFailure(code);
        if (notification && !always) return false;
        out += toBody(rpcError(replyId, code, text));
        return true;
    };
    if (req.value("jsonrpc") != QJsonValue("2.0") || !method.isString() || !params.isArray() || !idOk)
        return refuse(idOk ? id : QJsonValue(QJsonValue::Null), rpc_code::InvalidRequest, kInvalid, true);

    const QString name = method.toString();
    const MethodInfo* info = registry_.find(name);
    if (!info) {
        // The name is echoed, but not a whole body's worth of it.
        const QString shown = name.size() > 64 ? name.left(64) + QStringLiteral("…") : name;
        return refuse(id, rpc_code::MethodNotFound, QStringLiteral("Método desconhecido: %1.").arg(shown));
    }
    // Only batches come without `deferred`. A sign-in costs a password check (tenths of a
    // second of a database thread): one per request, never a batch of guesses.
    if (!deferred && name == QLatin1String("AbreSessao"))
        return refuse(id, rpc_code::InvalidRequest,
                      QStringLiteral("AbreSessao não é aceita em lote: envie-a numa requisição própria."));
    const QJsonArray args = params.toArray();
    if (args.size() < info->argc || args.size() > info->maxArgc)
        return refuse(id, rpc_code::InvalidParams, countText(name, info->argc, info->maxArgc, args.size()));

    // The result is written after the envelope's head; a failure takes back what was written.
    const qsizetype start = out.size();
    out += R"({"jsonrpc":"2.0","id":)";
    Reply(id.isUndefined() ? QJsonValue(QJsonValue::Null) : id).writeTo(out);
    out += R"(,"result":)";
    try {
        const Reply result = invoke(*info, args, databases, credentials);
        if (notification) {
            out.truncate(start);
            return false;
        }
        if (deferred && result.isStreamed()) {
            deferred->streamed = result;
            deferred->tail = "}";
            deferred->method = name;
            return true;
        }
        result.writeTo(out);
        out += '}';
        return true;
    } catch (const MethodError& e) {
        out.truncate(start);
        return refuse(id, e.code(), e.text());
    } catch (const PacketError& e) {
        out.truncate(start);
        // The codec's texts are Portuguese and carry no engine detail.
        return refuse(id, rpc_code::InvalidParams, QString::fromUtf8(e.what()));
    } catch (const UserError& e) {
        out.truncate(start);
        return refuse(id, rpc_code::MethodFailed, e.text());
    } catch (const DatabaseError& e) {
        out.truncate(start);
        logFailure(name, e.what());
        databases.discard();
        return refuse(id, rpc_code::InternalError, kInternal);
    } catch (const std::exception& e) {
        out.truncate(start);
        logFailure(name, e.what());
        return refuse(id, rpc_code::InternalError, kInternal);
    } catch (...) {
        out.truncate(start);
        logFailure(name, "exceção desconhecida");
        return refuse(id, rpc_code::InternalError, kInternal);
    }
}

Reply JsonRpcDispatcher::invoke(const MethodInfo& method, const QJsonArray& params, DatabaseSource& databases,
                                Credentials& credentials) const {
    Database& db = databases.get();
    rollbackLeftover(db);
    std::optional<Caller> caller;
    if (!method.open()) {
        if (credentials.token.isEmpty()) throw MethodError(kNoSession, rpc_code::NoSession);
        if (!credentials.checked) {
            credentials.operatorCode = sessions::find(db, credentials.token, limits_);
            credentials.checked = true;
        }
        if (!credentials.operatorCode) throw MethodError(kEndedSession, rpc_code::NoSession);
        caller.emplace(db, *credentials.operatorCode);
    }
    // What the method changes is on the proposals' history under its name and operator.
    db.setAuthor({caller ? *credentials.operatorCode : QString(), method.name});
    const auto unnamed = qScopeGuard([&db] { db.clearAuthor(); });
    // Whatever stops the method, nothing it began stays open on the connection.
    auto rollBack = qScopeGuard([&db] { rollbackLeftover(db); });
    MethodContext context{db, caller ? &*caller : nullptr, credentials.token, credentials.clientAddress};
    const Args args(method.name, params);
    // A write is checked in its own transaction, so the rows judged are the rows changed.
    std::optional<Transaction> tx;
    if (method.access.isWrite()) {
        std::vector<int> deltas = method.access.childDeltas();
        if (const auto header = method.access.headerDeltaArg()) deltas.push_back(*header);
        args.decodeAhead(deltas);
        tx.emplace(db);
    }
    enforceAccess(method.access, context, args);
    const Reply result = method.handler(context, args);
    if (tx) {
        // A write of a version by itself is on that version's history, with the fields its
        // deltas changed (the resolver writes those). The access check took the key exactly.
        const AccessRule& rule = method.access;
        if (rule.numberArg() >= 0 && rule.versionArg() >= 0)
            history::recordMethodRun(db, args.string(rule.numberArg()), args.string(rule.versionArg()));
        tx->commit();
    }
    // A method that returns with its transaction open has not finished its work (the guard
    // rolls it back).
    if (db.inTransaction()) throw std::logic_error("transação deixada aberta pelo método");
    rollBack.dismiss();
    return result;
}

}  // namespace cot::server
