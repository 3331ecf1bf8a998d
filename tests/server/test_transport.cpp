// The JSON-RPC transport end to end: real HTTP, real database, both engines.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "rpc/check_result.h"
#include "server/migrations/migrations.h"
#include "server/rpc/method_registry.h"
#include "base/errors.h"
#include "server/storage/database.h"
#include "support/scripted_dialogs.h"
#include "server_cases_b.h"

using namespace cot;
using namespace cot::server;

namespace {

// Test-only methods: echo the arguments through each typed accessor, and fail in each way.
void addTestMethods(MethodRegistry& r) {
    r.add("TestKinds", 5, server::AccessRule::session(), [](MethodContext&, const Args& a) -> Reply {
        const QDateTime date = a.date(1);
        return QJsonArray{a.string(0), date.isValid() ? QJsonValue(date.toString(Qt::ISODate)) : QJsonValue(),
                          a.number(2), a.integer(3), int(a.delta(4).changes.size())};
    });
    r.add("TestFail", 1, server::AccessRule::session(), [](MethodContext& ctx, const Args& a) -> Reply {
        const QString how = a.string(0);
        if (how == "method") throw MethodError("Proposta não encontrada.", -32010);
        if (how == "sql") ctx.db.exec("SELECT NOSUCHCOLUMN FROM NOSUCHTABLE");
        if (how == "std") throw std::runtime_error("segredo interno");
        if (how == "open") ctx.db.begin();  // returns with the transaction open
        return "ok";
    });
    r.add("TestEcho", 1, server::AccessRule::session(), [](MethodContext&, const Args& a) -> Reply { return a.raw(0); });
    r.add("TestPacket", 1, server::AccessRule::session(), [](MethodContext&, const Args& a) -> Reply {
        return packetResult(a.packet(0));
    });
}

class TransportTest : public ::testing::TestWithParam<Backend> {
protected:
    TransportTest() : server_({.backend = GetParam(), .methods = addTestMethods}) {}
    QJsonObject error(const QJsonObject& reply) { return reply.value("error").toObject(); }
    void expectStillServing() {
        const QJsonObject reply = server_.call("TestEcho", {"vivo"});
        EXPECT_EQ(reply.value("result").toString(), "vivo") << QJsonDocument(reply).toJson().toStdString();
    }
    TestServer server_;
};

TEST_P(TransportTest, MalformedRequestsGetTheirErrorAndTheServerGoesOn) {
    struct Case {
        QByteArray body;
        int code;
        QString message;
    };
    const Case cases[] = {
        {"{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":", -32700, "Requisição JSON-RPC malformada."},
        {"", -32700, "Requisição JSON-RPC malformada."},
        {"42", -32600, "Requisição JSON-RPC inválida."},
        {"{\"jsonrpc\":\"2.0\",\"id\":1}", -32600, "Requisição JSON-RPC inválida."},
        {"{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":\"TestEcho\",\"params\":{\"a\":1}}", -32600,
         "Requisição JSON-RPC inválida."},
        {"{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":7,\"params\":[]}", -32600, "Requisição JSON-RPC inválida."},
        {"{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":\"GetNada\",\"params\":[]}", -32601, "Método desconhecido: GetNada."},
        {"{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":\"TestKinds\",\"params\":[1]}", -32602,
         "O método TestKinds espera 5 argumentos; recebeu 1."},
        {"{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":\"TestEcho\",\"params\":[]}", -32602,
         "O método TestEcho espera 1 argumento; recebeu 0."},
    };
    for (const Case& c : cases) {
        const HttpReply reply = server_.post(c.body);
        const QJsonObject e = error(QJsonDocument::fromJson(reply.body).object());
        EXPECT_EQ(std::tuple(reply.status, e.value("code").toInt(), e.value("message").toString()),
                  std::tuple(200, c.code, c.message)) << c.body.toStdString();
        expectStillServing();
    }
}

// Each argument read through its typed accessor: its usual spellings taken, another kind
// refused with the argument's place and the kind expected.
TEST_P(TransportTest, ArgumentsAcceptTheirUsualSpellingsAndOtherKindsAreRefusedClearly) {
    const QJsonObject none{{"fields", QJsonArray()}, {"changes", QJsonArray()}};
    const QJsonObject one{{"fields", QJsonArray{QJsonObject{{"name", "A"}, {"type", "string"}}}},
                          {"changes", QJsonArray{QJsonObject{{"op", "insert"}, {"new", QJsonArray{"x"}}}}}};
    const QJsonValue null;
    const std::pair<QJsonArray, QJsonValue> cases[] = {
        {{"texto", "2026-12-06", 12.5, 7, one}, QJsonArray{"texto", "2026-12-06T00:00:00", 12.5, 7, 1}},
        {{17, "2026-12-06T14:30:00.000", "1.234,56", "42", one}, QJsonArray{"17", "2026-12-06T14:30:00", 1234.56, 42, 1}},
        {{null, null, "0,5", 3.0, one}, QJsonArray{"", null, 0.5, 3, 1}},
        {{"", "", "10.5", "-3", none}, QJsonArray{"", null, 10.5, -3, 0}},
        {{true, null, 1, 1, none}, "Argumento 1 de TestKinds: esperado texto."},
        {{"a", "2026-13-45", 1, 1, none}, "Argumento 2 de TestKinds: esperada data (AAAA-MM-DD)."},
        {{"a", 20261206, 1, 1, none}, "Argumento 2 de TestKinds: esperada data (AAAA-MM-DD)."},
        {{"a", null, "doze", 1, none}, "Argumento 3 de TestKinds: esperado número."},
        {{"a", null, null, 1, none}, "Argumento 3 de TestKinds: esperado número."},
        {{"a", null, 1, 1.5, none}, "Argumento 4 de TestKinds: esperado número inteiro."},
        {{"a", null, 1, 1, "delta"}, "Argumento 5 de TestKinds: esperado pacote de alterações."},
    };
    for (const auto& [params, expected] : cases) {
        const QJsonObject reply = server_.call("TestKinds", params);
        const QJsonObject e = error(reply);
        if (expected.isArray()) {
            EXPECT_EQ(reply.value("result"), expected) << QJsonDocument(reply).toJson().toStdString();
        } else {
            EXPECT_EQ(std::pair(e.value("code").toInt(), e.value("message")), std::pair(-32602, expected));
        }
    }
    // A delta whose rows do not fit its fields is refused with the codec's reason.
    const QJsonObject badDelta{{"fields", QJsonArray{QJsonObject{{"name", "A"}, {"type", "string"}}}},
                               {"changes", QJsonArray{QJsonObject{{"op", "insert"}, {"new", QJsonArray{1, 2}}}}}};
    const QString text = error(server_.call("TestKinds", {"a", null, 1, 1, badDelta})).value("message").toString();
    EXPECT_TRUE(text.startsWith("Argumento 5 de TestKinds: esperado pacote de alterações.")) << text.toStdString();
    expectStillServing();
}

TEST_P(TransportTest, FailuresAreMappedWithoutLeakingServerDetail) {
    for (const auto& [how, code, message] : {std::tuple("method", -32010, "Proposta não encontrada."),
                                             std::tuple("sql", -32603, "Erro interno do servidor."),
                                             std::tuple("std", -32603, "Erro interno do servidor."),
                                             std::tuple("open", -32603, "Erro interno do servidor.")}) {
        const QJsonObject e = error(server_.call("TestFail", {how}));
        EXPECT_EQ(std::pair(e.value("code").toInt(), e.value("message").toString()), std::pair(code, QString(message))) << how;
        expectStillServing();
    }
    // The thread that hit the engine error got a working connection back, and nothing
    // stayed half-done in a transaction.
    for (int i = 0; i < 20; ++i) EXPECT_EQ(server_.call("TestFail", {"none"}).value("result").toString(), "ok");
}

TEST_P(TransportTest, BatchesAnswerEveryRequestButNotifications) {
    const QByteArray body =
        R"([{"jsonrpc":"2.0","id":"a","method":"TestEcho","params":[1]},
            {"jsonrpc":"2.0","method":"TestEcho","params":[2]},
            {"jsonrpc":"2.0","id":3,"method":"Nada","params":[]}])";
    const QJsonArray replies = QJsonDocument::fromJson(server_.post(body).body).array();
    ASSERT_EQ(replies.size(), 2);
    EXPECT_EQ(std::tuple(replies[0].toObject().value("id").toString(), replies[0].toObject().value("result").toInt(),
                         replies[1].toObject().value("id").toInt(), error(replies[1].toObject()).value("code").toInt()),
              std::tuple(QString("a"), 1, 3, -32601));

    const HttpReply onlyNotification = server_.post(R"({"jsonrpc":"2.0","method":"TestEcho","params":[2]})");
    EXPECT_EQ(onlyNotification.status, 204);
    EXPECT_TRUE(onlyNotification.body.isEmpty());
}

TEST_P(TransportTest, HealthReportsTheDatabaseAndItsSchemaWithoutASession) {
    const HttpReply reply = httpGet("127.0.0.1", server_.port(), "/health");
    EXPECT_EQ(reply.status, 200);
    const QJsonObject health = QJsonDocument::fromJson(reply.body).object();
    EXPECT_EQ(std::tuple(health.value("estado").toString(), health.value("banco").toString(),
                         health.value("esquema").toInt(), health.value("esquemaPrograma").toInt()),
              std::tuple(QString("ok"), QString(GetParam() == Backend::Sqlite ? "sqlite" : "postgresql"),
                         server::latestSchemaVersion(), server::latestSchemaVersion()));
}

COT_ON_EVERY_BACKEND(TransportTest);

}  // namespace
