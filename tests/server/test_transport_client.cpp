// The JSON-RPC transport end to end (real HTTP, real database, both engines), and the
// desktop's connection on it: arguments and results as the screens use them, failures
// reported through CheckResultServ, the kept-alive socket surviving server closes, an ended
// session renewed, and the server's clock.
#include <QJsonDocument>
#include <QPoint>
#include <QScopeGuard>
#include <atomic>
#include <chrono>

#include "base/errors.h"
#include "base/clock.h"
#include "rpc/check_result.h"
#include "rpc/rpc_channel.h"
#include "server/migrations/migrations.h"
#include "server_cases_b.h"
#include "services/server_date.h"
#include "support/scripted_dialogs.h"
#include "support/tcp_relay.h"
#include "support/wait_until.h"
#include "unit/sample_packet.h"

using namespace cot;
using namespace cot::server;
using namespace cot::testing;

namespace {

std::atomic<int> slowCalls{0}, brokenLists{0};

// TestLento answers only once the test lets it (or after a minute, so that a failed test
// never leaves the server stuck).
std::atomic<bool> slowGateOpen{true};

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
                                  c.oldValues.value(4).toDateTime().toString(Qt::ISODate)});
        return out;
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

// The desktop's connection to a server with the test methods.
class NetConnectionTest : public ::testing::Test {
protected:
    TestServer server{{.methods = addTestMethods}};
    NetConnection& net = server.connection();
};

TEST_F(NetConnectionTest, ArgumentsAndResultsKeepTheirKinds) {
    const std::pair<QVariant, QVariant> echoes[] = {
        {QString("Proposta nº 1 – ação"), QString("Proposta nº 1 – ação")}, {QDate(2026, 12, 6), QString("2026-12-06")},
        {QDateTime(QDate(2026, 12, 6), QTime(8, 5)), QString("2026-12-06T08:05:00.000")},
        {QDate(), QVariant()},  // a date not set travels as null
        {QVariant(), QVariant()}, {2.75, 2.75}, {qint64(123456789012), qint64(123456789012)}};
    for (const auto& [sent, back] : echoes) {
        const RpcResult r = net.call("TestEcho", {sent});
        EXPECT_TRUE(r.ok && r.value.isNull() == back.isNull() && r.value.toString() == back.toString())
            << sent.toString().toStdString() << " came back as " << r.value.toString().toStdString() << r.error.toStdString();
    }

    const Packet sent = samplePacket(3);
    const Packet packet = net.getPacket("TestPacket", {QVariant::fromValue(sent)});
    EXPECT_EQ(std::pair(packet.fields, packet.rows), std::pair(sent.fields, sent.rows));

    const Delta delta{sent.fields, {{ChangeOp::Update, sent.rows[0], sent.rows[1]}, {ChangeOp::Delete, sent.rows[2], {}}}};
    const RpcResult d = net.call("TestDelta", {QVariant::fromValue(delta)});
    EXPECT_EQ(d.value.toList(), (QVariantList{QVariantList{int(ChangeOp::Update), "", sent.rows[1][0], ""},
                                             QVariantList{int(ChangeOp::Delete), sent.rows[2][0], "", "1900-01-03T02:02:02"}}))
        << d.error.toStdString();

    // A kind the server cannot take is refused before anything is sent.
    const RpcResult unsupported = net.call("TestEcho", {QVariant::fromValue(QPoint(1, 2))});
    EXPECT_EQ(std::pair(unsupported.ok, unsupported.error), std::pair(false, QString("Argumento 1 de TestEcho: tipo não suportado.")));
}

TEST_F(NetConnectionTest, ServerErrorsEndTheOperationThroughCheckResultServ) {
    const RpcResult r = net.call("TestFail", {"user"});
    ScriptedDialogs dialogs;
    ScriptedDialogs::Scope scope(dialogs);
    EXPECT_THROW(net.callChecked("TestFail", {"user"}), Abort);
    EXPECT_EQ(dialogs.errors(), QStringList{"Linha de produto já aprovada."});

    try {  // a method's refusal keeps the default code
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

// Out of reach, or an answer that is no date: the server's time cannot be read, the reason
// comes back and the desktop's clock stays. (A good answer installing the server's clock is
// the sign-in screens' to check.)
TEST(NetConnectionLoss, UnreachableServerIsNamedInTheErrorAndTheClockStaysWhenTheServersTimeCannotBeRead) {
    NetConnection net;
    int hooked = 0;
    // Nothing listens on a privileged port here.
    net.setBeforeConnect([&](NetConnection& c) { ++hooked; c.setHost("127.0.0.1"); c.setPort(1); });
    EXPECT_FALSE(net.connect() || net.connected());
    EXPECT_EQ(net.lastError(), "Não foi possível conectar ao servidor de aplicação em 127.0.0.1:1.");
    const RpcResult r = net.call("GetParamPerc");
    EXPECT_EQ(std::tuple(r.ok, r.code, r.error), std::tuple(false, int(RpcResult::kConnectionFailed), net.lastError()));
    EXPECT_EQ(hooked, 2);  // every attempt asks the host for the address again

    auto own = std::make_shared<FixedClock>(QDateTime(QDate(2026, 10, 1), QTime(8, 0)));
    Clock::setCurrent(own);
    EXPECT_FALSE(ServerDate::synchronise(net).isEmpty());
    EXPECT_EQ(&Clock::current(), own.get());
    // In this process the server reads the same clock slot: it answers from a method of its own.
    TestServer odd({.fixedClock = false, .methods = [](server::MethodRegistry& r) {
                        r.add("GetDataHoraServ", 0, server::AccessRule::session(),
                              [](server::MethodContext&, const server::Args&) -> QJsonValue { return "amanhã"; });
                    }});
    EXPECT_EQ(ServerDate::synchronise(odd.connection()), "Data e hora inválidas do servidor de aplicação: \"amanhã\".");
    EXPECT_EQ(&Clock::current(), own.get());
    Clock::setCurrent(nullptr);
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
    slowGateOpen = false;  // the answer comes only after the client gave up
    const auto reopen = qScopeGuard([] { slowGateOpen = true; });
    const RpcResult r = net.call("TestLento");
    EXPECT_EQ(r.code, int(RpcResult::kConnectionFailed)) << r.error.toStdString();  // its text: CallWaitingTest's
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
        EXPECT_EQ(whole.value.value<Packet>().rows.size(), 200000) << whole.error.toStdString();
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
    for (const auto& [host, asks] : {std::pair("localhost", false), {"filial-centro.rede.local", true}, {"10.0.0.7", true}}) {
        away.setHost(host);
        EXPECT_EQ(away.asksCompressed(), asks) << host;
    }

    const Packet sent = samplePacket(50000);
    for (bool compressed : {true, false}) {
        net.setAskCompressed(compressed);
        EXPECT_EQ(net.getPacket("TestPacket", {QVariant::fromValue(sent)}).rows, sent.rows) << compressed;
    }

    auto post = [&](int rows, const QString& accept) {
        const QJsonObject request{{"jsonrpc", "2.0"}, {"id", 1}, {"method", "TestPacket"},
                                  {"params", QJsonArray{packetToJson(samplePacket(rows))}}};
        return httpPost("127.0.0.1", server.port(), "/rpc", QJsonDocument(request).toJson(), "application/json", 60,
                        accept, server.token());
    };
    const HttpReply identity = post(5000, "identity"), gzip = post(5000, "deflate, gzip, br");
    EXPECT_EQ(std::pair(identity.contentEncoding, gzip.contentEncoding), std::pair(QByteArray(), QByteArray("gzip")));
    EXPECT_TRUE(gzip.body.startsWith("\x1f\x8b"));
    EXPECT_LT(gzip.body.size() * 4, identity.body.size());
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

// Each malformed request and each failure of a method gets its error, with nothing of the
// server's detail, and the server goes on.
TEST_P(TransportTest, MalformedRequestsAndFailuresGetTheirErrorWithoutServerDetail) {
    const QString malformed = "Requisição JSON-RPC malformada.", invalid = "Requisição JSON-RPC inválida.";
    const QString internal = "Erro interno do servidor.";
    const auto fail = [](const char* how) {
        return R"({"jsonrpc":"2.0","id":1,"method":"TestFail","params":[")" + QByteArray(how) + "\"]}";
    };
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
        {fail("method"), -32010, "Proposta não encontrada."}, {fail("sql"), -32603, internal},
        {fail("std"), -32603, internal}, {fail("open"), -32603, internal},
    };
    for (const auto& [body, code, message] : cases) {
        const HttpReply reply = server_.post(body);
        const QJsonObject e = error(QJsonDocument::fromJson(reply.body).object());
        EXPECT_EQ(std::tuple(reply.status, e.value("code").toInt(), e.value("message").toString()),
                  std::tuple(200, code, message)) << body.toStdString();
        expectStillServing();
    }
    // The thread that hit the engine error got a working connection back, and nothing
    // stayed half-done in a transaction.
    for (int i = 0; i < 20; ++i) EXPECT_EQ(server_.call("TestFail", {"none"}).value("result").toString(), "ok");
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

// Batches answer every request but notifications; the health page needs no session.
TEST_P(TransportTest, BatchesAnswerEveryRequestButNotificationsAndHealthNeedsNoSession) {
    const QJsonArray replies = QJsonDocument::fromJson(server_.post(R"([{"jsonrpc":"2.0","id":"a","method":"TestEcho","params":[1]},
            {"jsonrpc":"2.0","method":"TestEcho","params":[2]}, {"jsonrpc":"2.0","id":3,"method":"Nada","params":[]}])").body).array();
    ASSERT_EQ(replies.size(), 2);
    EXPECT_EQ(std::tuple(replies[0].toObject().value("id").toString(), replies[0].toObject().value("result").toInt(),
                         replies[1].toObject().value("id").toInt(), error(replies[1].toObject()).value("code").toInt()),
              std::tuple(QString("a"), 1, 3, -32601));
    const HttpReply onlyNotification = server_.post(R"({"jsonrpc":"2.0","method":"TestEcho","params":[2]})");
    EXPECT_EQ(std::pair(onlyNotification.status, onlyNotification.body), std::pair(204, QByteArray()));

    const HttpReply reply = httpGet("127.0.0.1", server_.port(), "/health");
    const QJsonObject health = QJsonDocument::fromJson(reply.body).object();
    EXPECT_EQ(std::tuple(reply.status, health.value("estado").toString(), health.value("banco").toString(),
                         health.value("esquema").toInt(), health.value("esquemaPrograma").toInt()),
              std::tuple(200, QString("ok"), QString(GetParam() == Backend::Sqlite ? "sqlite" : "postgresql"),
                         server::latestSchemaVersion(), server::latestSchemaVersion()));
}

COT_ON_EVERY_BACKEND(TransportTest);

// A session that ends while the operator works: the desktop renews it (the shell asks for
// the password again) and sends the refused call again, so nothing typed is lost.
class SessionRenewal : public ::testing::Test {
protected:
    void TearDown() override {
        rpc_channel::setSessionRenewer({});
        rpc_channel::setSessionToken({});
    }
    // A connection presenting the desktop's session, which the server has just ended; the
    // operator asked again renews it (`renews`) or gives up.
    std::unique_ptr<NetConnection> desktopConnection(bool renews) {
        const QByteArray ended = server.openSession("VENDEDOR");
        server.callAs(ended, "FechaSessao");
        rpc_channel::setSessionToken(ended);
        rpc_channel::setSessionRenewer([this, renews] {
            ++asked;
            if (renews) rpc_channel::setSessionToken(server.openSession("VENDEDOR"));
            return renews;
        });
        auto net = std::make_unique<NetConnection>();
        net->setPort(server.port());
        return net;
    }
    TestServer server{{.seed = true}};
    int asked = 0;
};

TEST_F(SessionRenewal, AnEndedSessionIsRenewedOnceAndTheRefusedSaveSentAgainUnlessTheOperatorGivesUp) {
    auto net = desktopConnection(true);
    const auto package = [&] {
        return server.db().scalar("SELECT VRPACOTESERV FROM PROPOSTAFAS WHERE NRPROPOSFAS = :N", {{"N", nr(2)}}).toDouble();
    };
    const double before = package();
    const Delta change{{{"NRPROPOSFAS", FieldType::String, 20}, {"NRVERPROPFAS", FieldType::String, 2},
                        {"VRPACOTESERV", FieldType::Float, 0}},
                       {{ChangeOp::Update, {nr(2), "01", before}, {nr(2), "01", before + 10}}}};
    const RpcResult saved = net->call("SetProposta", {QVariant::fromValue(change)});
    ASSERT_TRUE(saved.ok) << saved.error.toStdString();
    EXPECT_EQ(asked, 1);
    EXPECT_DOUBLE_EQ(package(), before + 10) << "applied once";
    EXPECT_EQ(net->calls(), 1) << "one call for whoever watches the screen's calls";
    EXPECT_TRUE(net->call("GetParamPerc").ok);
    EXPECT_EQ(asked, 1) << "the new session goes on";

    // When the operator gives up, the call fails as before.
    net = desktopConnection(false);
    EXPECT_EQ(net->call("GetParamPerc").code, RpcResult::kSessionEnded);
    EXPECT_EQ(asked, 2);
    // A connection with its own token (tools, tests) is never renewed behind its back.
    NetConnection own;
    own.setPort(server.port());
    own.setToken(QByteArray(43, 'A'));
    EXPECT_EQ(own.call("GetParamPerc").code, RpcResult::kSessionEnded);
    EXPECT_EQ(asked, 2);
}

// The server's clock: GetDataHoraServ on both engines as the transport writes dates, and the
// desktop's clock that reads it once and carries it forward without asking again.
TEST_P(TransportTest, TheServersClockIsAnsweredAsTheTransportWritesDates) {
    EXPECT_EQ(server_.call("GetDataHoraServ").value("result").toString(), "2026-12-06T10:00:00.000");
    Clock::setCurrent(std::make_shared<FixedClock>(QDateTime(QDate(2027, 2, 28), QTime(23, 59, 59, 250))));
    server_.connection().setToken(server_.openSession(server_.operatorCode()));  // the first one is long gone
    EXPECT_EQ(server_.connection().call("GetDataHoraServ").value.toString(), "2027-02-28T23:59:59.250");
    Clock::setCurrent(nullptr);
}

TEST(ServerClock, CarriesTheServersTimeForwardByTheLocalCounterAlone) {
    qint64 ticks = 5'000;
    const ServerClock clock(QDateTime(QDate(2026, 12, 31), QTime(23, 0)), 5'000, [&] { return ticks; });
    EXPECT_EQ(clock.now(), QDateTime(QDate(2026, 12, 31), QTime(23, 0)));
    ticks += 59 * 60'000 + 59'999;
    EXPECT_EQ(clock.now(), QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59, 999)));
    ticks += 1;
    EXPECT_EQ(clock.today(), QDate(2027, 1, 1)) << "the server's midnight, not the desktop's";
    ticks += 40LL * 86'400'000;
    EXPECT_EQ(clock.today(), QDate(2027, 2, 10));
    EXPECT_EQ(clock.now().timeSpec(), Qt::LocalTime) << "compared with dates built on the desktop";
}

}  // namespace
