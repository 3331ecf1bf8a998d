// The address a request is counted under: behind a trusted proxy, the client that proxy
// forwards; from anyone else, the peer itself whatever X-Forwarded-For says.
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>

#include "server/rpc/client_address.h"
#include "server/rpc/server_config.h"
#include "support/raw_socket.h"
#include "server_cases_a.h"

using namespace cot;
using namespace cot::server;
using cot::testing::Backend;
using cot::testing::TestServer;
using cot::testing::TestServerOptions;

namespace {

TEST(ClientAddress, OnlyATrustedProxyNamesTheClientAndOnlyInAWellFormedLastEntry) {
    const QStringList proxies{"127.0.0.1", "10.0.0.1"};
    const struct {
        const char* peer;
        std::optional<QString> forwarded;
        QStringList trusted;
        const char* client;
    } cases[] = {
        {"127.0.0.1", "198.51.100.7", proxies, "198.51.100.7"},
        // Entries before the last may be the client's own writing.
        {"10.0.0.1", " 203.0.113.5 , 198.51.100.7 ", proxies, "198.51.100.7"},
        {"127.0.0.1", "2001:DB8:0::1", proxies, "2001:db8::1"},
        // The proxy's IPv4 address seen through an IPv6 socket.
        {"::ffff:127.0.0.1", "198.51.100.7", proxies, "198.51.100.7"},
        {"127.0.0.1", "::ffff:198.51.100.7", proxies, "198.51.100.7"},
        {"::1", "198.51.100.7", {"0:0::1"}, "198.51.100.7"},
        // Anyone else's header changes nothing.
        {"198.51.100.9", "127.0.0.1", {"127.0.0.1"}, "198.51.100.9"},
        {"127.0.0.2", "198.51.100.7", {"127.0.0.1"}, "127.0.0.2"},
        {"127.0.0.1", "198.51.100.7", {}, "127.0.0.1"},
        {"127.0.0.1", std::nullopt, {"127.0.0.1"}, "127.0.0.1"},
    };
    for (const auto& c : cases) EXPECT_EQ(clientAddress(c.peer, c.forwarded, c.trusted), c.client) << c.peer;
    // A malformed last entry leaves the peer.
    for (const QString& bad : {QString(""), QString(" "), QString("unknown"), QString("1.2.3"),
                               QString("198.51.100.7:5000"), QString("[2001:db8::1]"), QString("198.51.100.7,"),
                               QString("198.51.100.7, evil"), QString("198.51.100.7 203.0.113.5"),
                               QString::fromLatin1("198.51.100.7\0x", 14)})
        EXPECT_EQ(clientAddress("127.0.0.1", bad, {"127.0.0.1"}), "127.0.0.1") << bad.toStdString();
}

TEST(ClientAddress, TrustedProxyOptionFileAndEnvironment) {
    auto parse = [](const QStringList& args, const QProcessEnvironment& env = {}) {
        return ServerConfig::fromArgs(args, env, {}).trustedProxies;
    };
    EXPECT_TRUE(parse({}).isEmpty());
    EXPECT_EQ(parse({"--trusted-proxy", "127.0.0.1", "--trusted-proxy=10.0.0.1, 0::1,127.0.0.1"}),
              (QStringList{"127.0.0.1", "10.0.0.1", "::1"}));
    QProcessEnvironment env;
    env.insert("COT_TRUSTED_PROXY", "10.0.0.2");
    EXPECT_EQ(parse({}, env), QStringList{"10.0.0.2"});
    EXPECT_EQ(parse({"--trusted-proxy", "10.0.0.3"}, env), QStringList{"10.0.0.3"}) << "the command line wins";
    QTemporaryDir dir;
    QFile file(dir.filePath("server.conf"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("trusted-proxy = 10.0.0.4\n");
    file.close();
    EXPECT_EQ(parse({"--config", file.fileName(), "--trusted-proxy", "10.0.0.5"}),
              (QStringList{"10.0.0.4", "10.0.0.5"}));
    for (const char* bad : {"localhost", "10.0.0.0/8", "10.0.0.1:80", "1.2.3", ",", ""})
        EXPECT_THROW(parse({"--trusted-proxy", bad}), ConfigError) << bad;
    QProcessEnvironment badEnv;
    badEnv.insert("COT_TRUSTED_PROXY", "proxy.local");
    EXPECT_THROW(parse({}, badEnv), ConfigError);
    EXPECT_TRUE(ServerConfig::usage().contains("--trusted-proxy ENDER"));
}

struct Answer {
    int status = 0;
    QJsonObject json;
};

// One request on a connection of its own, as a proxy would pass it on.
Answer send(int port, const QByteArray& method, const QByteArray& path, const QList<QByteArray>& headers,
            const QByteArray& body = {}) {
    QByteArray request = method + ' ' + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n";
    for (const QByteArray& h : headers) request += h + "\r\n";
    request += "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
    const int s = cot::testing::connectLoopback(port);
    Answer answer;
    if (s < 0 || !cot::testing::sendAll(s, request)) {
        ADD_FAILURE() << "request not sent";
        if (s >= 0) close(s);
        return answer;
    }
    QByteArray in;
    char buffer[8192];
    for (ssize_t n; (n = recv(s, buffer, sizeof buffer, 0)) > 0;) in.append(buffer, qsizetype(n));
    close(s);
    answer.status = in.mid(9, 3).toInt();
    const qsizetype headEnd = in.indexOf("\r\n\r\n");
    if (headEnd >= 0) answer.json = QJsonDocument::fromJson(in.mid(headEnd + 4)).object();
    return answer;
}

QByteArray forwardedFor(const QByteArray& address) { return "X-Forwarded-For: " + address; }

// AbreSessao passed on for a client at `address`: "ok" or the error's text.
QString signIn(const TestServer& server, const QByteArray& address, const QString& op, const QString& password) {
    const QJsonObject call{{"jsonrpc", "2.0"}, {"id", 1}, {"method", "AbreSessao"}, {"params", QJsonArray{op, password}}};
    const Answer a = send(server.port(), "POST", "/rpc", {"Content-Type: application/json", forwardedFor(address)},
                          QJsonDocument(call).toJson(QJsonDocument::Compact));
    if (!a.json.value("result").toObject().value("token").toString().isEmpty()) return QStringLiteral("ok");
    return a.json.value("error").toObject().value("message").toString();
}

const QString kInvalid = QStringLiteral("Operador ou senha inválidos.");
const QString kHeld = QStringLiteral("Muitas tentativas sem sucesso. Tente novamente em 30 segundos.");

class ForwardedClient : public ::testing::TestWithParam<Backend> {};

TEST_P(ForwardedClient, BehindATrustedProxyEachClientIsHeldBackAndLoggedOnItsOwn) {
    auto server = std::make_unique<TestServer>(TestServerOptions{
        .backend = GetParam(), .seed = true, .logRequests = true, .trustedProxies = {"127.0.0.1"}});
    ::testing::internal::CaptureStderr();
    for (int i = 0; i < 5; ++i) EXPECT_EQ(signIn(*server, "198.51.100.1", "GERENTE", "errada"), kInvalid);
    EXPECT_EQ(signIn(*server, "198.51.100.1", "GERENTE", "gerente"), kHeld);
    EXPECT_EQ(signIn(*server, "203.0.113.9, 198.51.100.2", "GERENTE", "gerente"), QString("ok"))
        << "another client of the same proxy is not held back";

    // Requests turned away before any method ran are logged under the client too.
    const int port = server->port();
    EXPECT_EQ(send(port, "POST", "/rpc", {"Content-Type: text/plain", forwardedFor("198.51.100.3")}, "{}").status, 415);
    EXPECT_EQ(send(port, "OPTIONS", "/rpc", {"Origin: https://pagina.exemplo.com", forwardedFor("198.51.100.4")}).status,
              403);
    EXPECT_EQ(send(port, "GET", "/nada", {forwardedFor("198.51.100.5")}).status, 404);
    // The last lines are written after the answer: stopped, the server has written them all.
    server.reset();
    const QString log = QString::fromStdString(::testing::internal::GetCapturedStderr());

    EXPECT_EQ(log.count(" ip=198.51.100.1 op=- entrada=GERENTE met=AbreSessao "), 6) << log.toStdString();
    EXPECT_TRUE(log.contains(QRegularExpression(R"( ip=198\.51\.100\.2 op=- entrada=GERENTE met=AbreSessao [\d.]+ms ok\n)")))
        << log.toStdString();
    for (const char* refused : {R"( ip=198\.51\.100\.3 op=- met=- [\d.]+ms recusada 415\n)",
                                R"( ip=198\.51\.100\.4 op=- met=- [\d.]+ms recusada 403\n)",
                                R"( ip=198\.51\.100\.5 op=- met=- [\d.]+ms recusada 404\n)"})
        EXPECT_TRUE(log.contains(QRegularExpression(refused))) << refused << "\n" << log.toStdString();
    EXPECT_FALSE(log.contains("ip=127.0.0.1")) << log.toStdString();
    EXPECT_FALSE(log.contains("203.0.113.9")) << "the entry the client may have written";
}

TEST_P(ForwardedClient, FromAPeerNotTrustedAForgedHeaderChangesNothing) {
    // A proxy is trusted, but not the peer these requests come from.
    auto server = std::make_unique<TestServer>(TestServerOptions{
        .backend = GetParam(), .seed = true, .logRequests = true, .trustedProxies = {"10.9.9.9"}});
    ::testing::internal::CaptureStderr();
    for (int i = 0; i < 5; ++i) EXPECT_EQ(signIn(*server, "198.51.100.1", "GERENTE", "errada"), kInvalid);
    EXPECT_EQ(signIn(*server, "198.51.100.2", "GERENTE", "gerente"), kHeld) << "one client, whatever it claims";
    server.reset();  // every line written
    const QString log = QString::fromStdString(::testing::internal::GetCapturedStderr());
    EXPECT_EQ(log.count(" ip=127.0.0.1 op=- entrada=GERENTE met=AbreSessao "), 6) << log.toStdString();
    EXPECT_FALSE(log.contains("198.51.100.")) << log.toStdString();
}

COT_ON_EVERY_BACKEND(ForwardedClient);

}  // namespace
