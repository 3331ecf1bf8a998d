// The JSON-RPC transport end to end (real HTTP, real database, both engines), and the
// desktop's connection on it: arguments and results as the screens use them, failures
// reported through CheckResultServ, and the kept-alive socket surviving server closes.
#include <QJsonArray>
#include <QJsonDocument>
#include <QPoint>
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>

#include "base/errors.h"
#include "rpc/check_result.h"
#include "server/migrations/migrations.h"
#include "server/rpc/method_registry.h"
#include "server/storage/database.h"
#include "server_cases_b.h"
#include "support/scripted_dialogs.h"
#include "support/tcp_relay.h"
#include "support/wait_until.h"

using namespace cot;
using namespace cot::server;
using cot::testing::TestServerOptions;
using cot::testing::TcpRelay;
using cot::testing::waitUntil;

namespace {

std::atomic<int> slowCalls{0};
std::atomic<int> brokenLists{0};

// TestLento answers only once the test lets it (or after a minute, so that a failed test
// never leaves the server stuck); SlowCallsHeld holds every TestLento for its lifetime.
std::atomic<bool> slowGateOpen{true};
struct SlowCallsHeld {
    SlowCallsHeld() { slowGateOpen = false; }
    ~SlowCallsHeld() { slowGateOpen = true; }
};

void addTestMethods(MethodRegistry& r) {
    r.add("TestLento", 0, server::AccessRule::session(), [](MethodContext&, const Args&) -> Reply {
        ++slowCalls;
        waitUntil([] { return slowGateOpen.load(); }, std::chrono::minutes(1));
        return "fim";
    });
    r.add("TestKinds", 5, server::AccessRule::session(), [](MethodContext&, const Args& a) -> Reply {
        const QDateTime date = a.date(1);
        return QJsonArray{a.string(0), date.isValid() ? QJsonValue(date.toString(Qt::ISODate)) : QJsonValue(),
                          a.number(2), a.integer(3), int(a.delta(4).changes.size())};
    });
    r.add("TestFail", 1, server::AccessRule::session(), [](MethodContext& ctx, const Args& a) -> Reply {
        const QString how = a.string(0);
        if (how == "method") throw MethodError("Proposta não encontrada.", -32010);
        if (how == "user") throw MethodError("Linha de produto já aprovada.");
        if (how == "sql") ctx.db.exec("SELECT NOSUCHCOLUMN FROM NOSUCHTABLE");
        if (how == "std") throw std::runtime_error("segredo interno");
        if (how == "open") ctx.db.begin();  // returns with the transaction open
        return "ok";
    });
    r.add("TestEcho", 1, server::AccessRule::session(), [](MethodContext&, const Args& a) -> Reply { return a.raw(0); });
    r.add("TestPacket", 1, server::AccessRule::session(), [](MethodContext&, const Args& a) -> Reply { return packetResult(a.packet(0)); });
    r.add("TestDelta", 1, server::AccessRule::session(), [](MethodContext&, const Args& a) -> Reply {
        const Delta d = a.delta(0);
        QJsonArray out;
        for (const RowChange& c : d.changes)
            out.append(QJsonArray{int(c.op), c.oldValues.value(0).toString(), c.newValues.value(0).toString(),
                                  c.oldValues.value(2).toDateTime().toString(Qt::ISODate)});
        return out;
    });
    r.add("TestPacotes", 1, server::AccessRule::session(), [](MethodContext&, const Args& a) -> Reply {
        const Packet p = a.packet(0);
        return Reply::array({packetResult(p), packetResult(p), packetResult(Packet{p.fields, {}})});
    });
    // A list that fails after its first rows went out, as a database failing midway would.
    r.add("TestListaInterrompida", 1, server::AccessRule::session(), [](MethodContext&, const Args& a) -> Reply {
        const bool fail = a.string(0) == "falha";
        if (fail) ++brokenLists;
        return Reply::streamed([fail](QByteArray& out, const Reply::Pace& pace) {
            out += R"({"fields":[{"name":"N","type":"string","size":10}],"rows":[)";
            for (int i = 0; i < 200000; ++i) {
                if (i > 0) out += ',';
                out += R"(["linha"])";
                pace(out);
                if (fail && i == 100000) throw DatabaseError("disco cheio");
            }
            out += "]}";
        });
    });
}

Packet samplePacket(int rows) {
    Packet p;
    p.fields = {{"NRPROPOSFAS", FieldType::String, 20}, {"VRTOTAL", FieldType::Float, 0},
                {"DTACEPROPFAS", FieldType::DateTime, 0}, {"QTLICENCA", FieldType::Integer, 0}};
    for (int i = 0; i < rows; ++i)
        p.rows.append({QString::number(100000 + i), 1500.25 + i, i % 3 ? QVariant(QDateTime(QDate(2026, 12, 6), QTime(9, 30, 15)))
                                                                    : QVariant(),
                       qint64(i)});
    return p;
}

TestServerOptions options() { return {.methods = addTestMethods}; }

// The desktop's connection to a server with the test methods.
class NetConnectionTest : public ::testing::Test {
protected:
    TestServer server{options()};
    NetConnection& net = server.connection();
};

TEST_F(NetConnectionTest, ArgumentsAndResultsKeepTheirKinds) {
    auto echo = [&](const QVariant& v) {
        const RpcResult r = net.call("TestEcho", {v});
        EXPECT_TRUE(r.ok) << r.error.toStdString();
        return r.value;
    };
    EXPECT_EQ(echo(QString("Proposta nº 1 – ação")), QVariant(QString("Proposta nº 1 – ação")));
    EXPECT_EQ(echo(QDate(2026, 12, 6)), QVariant(QString("2026-12-06")));
    EXPECT_EQ(echo(QDateTime(QDate(2026, 12, 6), QTime(8, 5))), QVariant(QString("2026-12-06T08:05:00.000")));
    EXPECT_TRUE(echo(QDate()).isNull());  // a date not set travels as null
    EXPECT_TRUE(echo(QVariant()).isNull());
    EXPECT_EQ(echo(2.75).toDouble(), 2.75);
    EXPECT_EQ(echo(qint64(123456789012)).toLongLong(), 123456789012);

    const Packet sent = samplePacket(3);
    const RpcResult packet = net.call("TestPacket", {QVariant::fromValue(sent)});
    ASSERT_TRUE(packet.ok) << packet.error.toStdString();
    EXPECT_EQ(std::pair(packet.value.value<Packet>().fields, packet.value.value<Packet>().rows), std::pair(sent.fields, sent.rows));

    const QVariantList list = net.call("TestPacotes", {QVariant::fromValue(sent)}).value.toList();
    ASSERT_EQ(list.size(), 3);
    EXPECT_EQ(list[1].value<Packet>().rows.size(), 3);
    EXPECT_TRUE(list[2].value<Packet>().isEmpty());

    Delta delta{sent.fields, {{ChangeOp::Update, sent.rows[0], sent.rows[1]}, {ChangeOp::Delete, sent.rows[2], {}}}};
    const RpcResult d = net.call("TestDelta", {QVariant::fromValue(delta)});
    ASSERT_TRUE(d.ok) << d.error.toStdString();
    EXPECT_EQ(d.value.toList(),
              (QVariantList{QVariantList{int(ChangeOp::Update), "100000", "100001", ""},
                            QVariantList{int(ChangeOp::Delete), "100002", "", "2026-12-06T09:30:15"}}));
    EXPECT_EQ(net.getPacket("TestPacket", {QVariant::fromValue(sent)}).rows.size(), 3);

    // A kind the server cannot take is refused before anything is sent.
    const RpcResult unsupported = net.call("TestEcho", {QVariant::fromValue(QPoint(1, 2))});
    EXPECT_EQ(std::pair(unsupported.ok, unsupported.error), std::pair(false, QString("Argumento 1 de TestEcho: tipo não suportado.")));
}

TEST_F(NetConnectionTest, ServerErrorsEndTheOperationThroughCheckResultServ) {
    const RpcResult r = net.call("TestFail", {"user"});
    EXPECT_EQ(std::tuple(r.ok, r.code, r.error), std::tuple(false, -32000, QString("Linha de produto já aprovada.")));

    ScriptedDialogs dialogs;
    ScriptedDialogs::Scope scope(dialogs);
    EXPECT_THROW(net.callChecked("TestFail", {"user"}), Abort);
    EXPECT_EQ(dialogs.errors(), QStringList{"Linha de produto já aprovada."});

    try {
        Consiste::CheckResultServ(r, false, 0);
        ADD_FAILURE() << "no exception";
    } catch (const ServerError& e) {
        EXPECT_EQ(std::pair(e.text(), e.code()), std::pair(QString("Linha de produto já aprovada."), -32000));
    }
    EXPECT_EQ(dialogs.errors().size(), 1);  // not shown again

    // getPacket on a method that does not answer with a packet is an error, not an empty table.
    EXPECT_THROW(net.getPacket("TestEcho", {"texto"}), Abort);
    EXPECT_EQ(dialogs.errors().size(), 2);
}

TEST(NetConnectionLoss, UnreachableServerIsNamedInTheError) {
    NetConnection net;
    int hooked = 0;
    net.setBeforeConnect([&](NetConnection& c) {
        ++hooked;
        c.setHost("127.0.0.1");
        c.setPort(1);  // nothing listens on a privileged port here
    });
    EXPECT_FALSE(net.connect());
    EXPECT_FALSE(net.connected());
    EXPECT_EQ(net.lastError(), "Não foi possível conectar ao servidor de aplicação em 127.0.0.1:1.");
    const RpcResult r = net.call("GetParamPerc");
    EXPECT_EQ(std::tuple(r.ok, r.code, r.error), std::tuple(false, int(RpcResult::kConnectionFailed), net.lastError()));
    EXPECT_EQ(hooked, 2);  // every attempt asks the host for the address again
}

TEST(NetConnectionLoss, SurvivesTheServerClosingIdleConnectionsAndRestarting) {
    auto server = std::make_unique<TestServer>(TestServerOptions{.keepAliveSeconds = 1, .methods = addTestMethods});
    TcpRelay relay(server->port());
    NetConnection& net = server->connection();
    net.setPort(relay.port());
    ASSERT_TRUE(net.call("TestEcho", {1}).ok);
    // The server closes the socket once it has been idle for its keep-alive second.
    ASSERT_TRUE(waitUntil([&] { return relay.closedByServer() == 1; }));
    const RpcResult again = net.call("TestEcho", {2});
    EXPECT_EQ(std::pair(again.ok, again.value.toInt()), std::pair(true, 2)) << again.error.toStdString();
    EXPECT_EQ(relay.connectionsOpened(), 2) << "the call went on a fresh socket";

    // A server that went away is reported, and the next call after it is back connects again.
    auto other = std::make_unique<NetConnection>();
    other->setPort(server->port());
    ASSERT_TRUE(other->connect());
    const int port = server->port();
    server.reset();
    const RpcResult lost = other->call("TestEcho", {3});
    EXPECT_EQ(std::tuple(lost.ok, lost.code, lost.error.contains(QStringLiteral("127.0.0.1:%1").arg(port))),
              std::tuple(false, int(RpcResult::kConnectionFailed), true)) << lost.error.toStdString();
    EXPECT_FALSE(other->connected());
}

TEST_F(NetConnectionTest, ATimedOutCallIsReportedAndNotSentAgain) {
    TcpRelay relay(server.port());
    net.setPort(relay.port());
    ASSERT_TRUE(net.call("TestEcho", {1}).ok);  // the socket is now a reused one
    net.setReadTimeout(1);
    slowCalls = 0;
    const SlowCallsHeld held;  // the answer comes only after the client gave up
    const RpcResult r = net.call("TestLento");
    EXPECT_EQ(std::pair(r.ok, r.error),
              std::pair(false, QStringLiteral("O servidor de aplicação em 127.0.0.1:%1 não respondeu em 1 segundo.").arg(relay.port())));
    // Sending it again would have taken a fresh socket: none was opened.
    EXPECT_EQ(relay.connectionsOpened(), 1);
    ASSERT_TRUE(waitUntil([] { return slowCalls.load() >= 1; }));
    EXPECT_EQ(slowCalls.load(), 1);
}

TEST_F(NetConnectionTest, AStreamedListThatFailsMidwayIsAnInterruptionNeverAShortList) {
    for (bool compressed : {false, true}) {
        net.setAskCompressed(compressed);
        brokenLists = 0;
        const RpcResult whole = net.call("TestListaInterrompida", {"inteira"});
        ASSERT_TRUE(whole.ok) << whole.error.toStdString();
        EXPECT_EQ(whole.value.value<Packet>().rows.size(), 200000);
        const RpcResult broken = net.call("TestListaInterrompida", {"falha"});
        EXPECT_EQ(std::tuple(broken.ok, broken.code, broken.error.contains("interrompida")),
                  std::tuple(false, int(RpcResult::kConnectionFailed), true)) << broken.error.toStdString();
        // The answer had begun, so the request ran: it is not sent again as after an idle close.
        EXPECT_EQ(brokenLists, 1);
        // The server goes on serving, on a fresh socket.
        EXPECT_TRUE(net.call("TestEcho", {"vivo"}).ok);
    }
}

// Large packets travel whole, compressed or not; the server compresses only when asked and
// when it is worth it.
TEST_F(NetConnectionTest, CompressionIsAskedAwayFromLoopbackAndChangesNothingReceived) {
    NetConnection away;
    EXPECT_FALSE(away.asksCompressed());  // 127.0.0.1 by default
    for (const auto& [host, asks] : {std::pair("localhost", false), std::pair("filial-centro.rede.local", true),
                                     std::pair("10.0.0.7", true)}) {
        away.setHost(host);
        EXPECT_EQ(away.asksCompressed(), asks) << host;
    }

    const Packet sent = samplePacket(50000);
    net.setAskCompressed(true);
    const RpcResult zipped = net.call("TestPacket", {QVariant::fromValue(sent)});
    net.setAskCompressed(false);
    const RpcResult plain = net.call("TestPacket", {QVariant::fromValue(sent)});
    ASSERT_TRUE(zipped.ok && plain.ok) << zipped.error.toStdString() << plain.error.toStdString();
    EXPECT_EQ(zipped.value.value<Packet>().rows, plain.value.value<Packet>().rows);
    EXPECT_EQ(plain.value.value<Packet>().rows, sent.rows);

    auto post = [&](int rows, const QString& accept) {
        const QJsonObject request{{"jsonrpc", "2.0"}, {"id", 1}, {"method", "TestPacket"},
                                  {"params", QJsonArray{packetToJson(samplePacket(rows))}}};
        return httpPost("127.0.0.1", server.port(), "/rpc", QJsonDocument(request).toJson(), "application/json", 60,
                        accept, server.token());
    };
    const HttpReply identity = post(5000, "identity"), gzip = post(5000, "deflate, gzip, br");
    EXPECT_EQ(std::pair(identity.contentEncoding, gzip.contentEncoding), std::pair(QByteArray(), QByteArray("gzip")));
    EXPECT_TRUE(gzip.body.startsWith("\x1f\x8b"));
    EXPECT_LT(gzip.body.size() * 5, identity.body.size());
    EXPECT_TRUE(post(5000, "gzip;q=0").contentEncoding.isEmpty());
    EXPECT_TRUE(post(1, "gzip").contentEncoding.isEmpty());  // not worth it
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
    const QString malformed = "Requisição JSON-RPC malformada.", invalid = "Requisição JSON-RPC inválida.";
    const std::tuple<QByteArray, int, QString> cases[] = {
        {R"({"jsonrpc":"2.0","id":1,"method":)", -32700, malformed},
        {"", -32700, malformed},
        {"42", -32600, invalid},
        {R"({"jsonrpc":"2.0","id":1})", -32600, invalid},
        {R"({"jsonrpc":"2.0","id":1,"method":"TestEcho","params":{"a":1}})", -32600, invalid},
        {R"({"jsonrpc":"2.0","id":1,"method":7,"params":[]})", -32600, invalid},
        {R"({"jsonrpc":"2.0","id":1,"method":"GetNada","params":[]})", -32601, "Método desconhecido: GetNada."},
        {R"({"jsonrpc":"2.0","id":1,"method":"TestKinds","params":[1]})", -32602, "O método TestKinds espera 5 argumentos; recebeu 1."},
        {R"({"jsonrpc":"2.0","id":1,"method":"TestEcho","params":[]})", -32602, "O método TestEcho espera 1 argumento; recebeu 0."},
    };
    for (const auto& [body, code, message] : cases) {
        const HttpReply reply = server_.post(body);
        const QJsonObject e = error(QJsonDocument::fromJson(reply.body).object());
        EXPECT_EQ(std::tuple(reply.status, e.value("code").toInt(), e.value("message").toString()),
                  std::tuple(200, code, message)) << body.toStdString();
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
