// The desktop's connection: arguments and results as the screens use them, failures
// reported through CheckResultServ, and the kept-alive socket surviving server closes.
#include <QJsonArray>
#include <QJsonDocument>
#include <QPoint>
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>

#include "rpc/check_result.h"
#include "server/storage/database.h"
#include "server/rpc/method_registry.h"
#include "rpc/net_connection.h"
#include "base/errors.h"
#include "support/scripted_dialogs.h"
#include "support/tcp_relay.h"
#include "support/test_server.h"
#include "support/wait_until.h"

using namespace cot;
using namespace cot::server;
using cot::testing::TestServer;
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
    r.add("TestFalha", 0, server::AccessRule::session(), [](MethodContext&, const Args&) -> Reply {
        throw MethodError("Linha de produto já aprovada.");
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

TEST(NetConnectionTest, ArgumentsAndResultsKeepTheirKinds) {
    TestServer server(options());
    NetConnection& net = server.connection();
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

TEST(NetConnectionTest, ServerErrorsEndTheOperationThroughCheckResultServ) {
    TestServer server(options());
    NetConnection& net = server.connection();
    const RpcResult r = net.call("TestFalha");
    EXPECT_EQ(std::tuple(r.ok, r.code, r.error), std::tuple(false, -32000, QString("Linha de produto já aprovada.")));

    ScriptedDialogs dialogs;
    ScriptedDialogs::Scope scope(dialogs);
    EXPECT_THROW(net.callChecked("TestFalha"), Abort);
    EXPECT_EQ(dialogs.errors(), QStringList{"Linha de produto já aprovada."});

    try {
        Consiste::CheckResultServ(r, false, 0);
        ADD_FAILURE() << "no exception";
    } catch (const ServerError& e) {
        EXPECT_EQ(e.text(), "Linha de produto já aprovada.");
        EXPECT_EQ(e.code(), -32000);
    }
    EXPECT_EQ(dialogs.errors().size(), 1);  // not shown again

    // getPacket on a method that does not answer with a packet is an error, not an empty table.
    EXPECT_THROW(net.getPacket("TestEcho", {"texto"}), Abort);
    EXPECT_EQ(dialogs.errors().size(), 2);
}

TEST(NetConnectionTest, UnreachableServerIsNamedInTheError) {
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

TEST(NetConnectionTest, SurvivesTheServerClosingIdleConnectionsAndRestarting) {
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

TEST(NetConnectionTest, ATimedOutCallIsReportedAndNotSentAgain) {
    TestServer server(options());
    TcpRelay relay(server.port());
    NetConnection& net = server.connection();
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

TEST(NetConnectionTest, AStreamedListThatFailsMidwayIsAnInterruptionNeverAShortList) {
    TestServer server(options());
    NetConnection& net = server.connection();
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
TEST(NetConnectionTest, CompressionIsAskedAwayFromLoopbackAndChangesNothingReceived) {
    NetConnection away;
    EXPECT_FALSE(away.asksCompressed());  // 127.0.0.1 by default
    for (const auto& [host, asks] : {std::pair("localhost", false), std::pair("filial-centro.rede.local", true),
                                     std::pair("10.0.0.7", true)}) {
        away.setHost(host);
        EXPECT_EQ(away.asksCompressed(), asks) << host;
    }

    TestServer server(options());
    const Packet sent = samplePacket(50000);
    NetConnection& net = server.connection();
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

}  // namespace
