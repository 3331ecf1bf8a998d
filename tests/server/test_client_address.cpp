// The address a request is counted under: behind a trusted proxy, the client that proxy
// forwards; from anyone else, the peer itself whatever X-Forwarded-For says.
#include <httplib.h>

#include <QFile>
#include <QJsonDocument>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "server/rpc/client_address.h"
#include "server/rpc/server_config.h"
#include "server_cases_a.h"

using namespace cot;
using namespace cot::server;
using namespace cot::testing;

namespace {

TEST(ClientAddress, OnlyATrustedProxyNamesTheClientAndOnlyInAWellFormedLastEntry) {
    const QStringList proxies{"127.0.0.1", "10.0.0.1"};
    const struct { const char* peer; std::optional<QString> forwarded; QStringList trusted; const char* client; } cases[] = {
        // Entries before the last may be the client's own writing.
        {"127.0.0.1", "198.51.100.7", proxies, "198.51.100.7"}, {"10.0.0.1", " 203.0.113.5 , 198.51.100.7 ", proxies, "198.51.100.7"},
        // The proxy's IPv4 address seen through an IPv6 socket.
        {"127.0.0.1", "2001:DB8:0::1", proxies, "2001:db8::1"}, {"::ffff:127.0.0.1", "198.51.100.7", proxies, "198.51.100.7"},
        {"127.0.0.1", "::ffff:198.51.100.7", proxies, "198.51.100.7"}, {"::1", "198.51.100.7", {"0:0::1"}, "198.51.100.7"},
        // Anyone else's header changes nothing.
        {"198.51.100.9", "127.0.0.1", {"127.0.0.1"}, "198.51.100.9"}, {"127.0.0.2", "198.51.100.7", {"127.0.0.1"}, "127.0.0.2"},
        {"127.0.0.1", "198.51.100.7", {}, "127.0.0.1"}, {"127.0.0.1", std::nullopt, {"127.0.0.1"}, "127.0.0.1"}};
    for (const auto& c : cases) EXPECT_EQ(clientAddress(c.peer, c.forwarded, c.trusted), c.client) << c.peer;
    // A malformed last entry leaves the peer.
    for (const QString& bad : QStringList{"", " ", "unknown", "1.2.3", "198.51.100.7:5000", "[2001:db8::1]", "198.51.100.7,",
                                          "198.51.100.7, evil", "198.51.100.7 203.0.113.5", QString::fromLatin1("198.51.100.7\0x", 14)})
        EXPECT_EQ(clientAddress("127.0.0.1", bad, {"127.0.0.1"}), "127.0.0.1") << bad.toStdString();
}

TEST(ClientAddress, TrustedProxyOptionFileAndEnvironment) {
    auto parse = [](const QStringList& args, const QProcessEnvironment& env = {}) {
        return ServerConfig::fromArgs(args, env, {}).trustedProxies;
    };
    EXPECT_EQ(parse({}) + parse({"--trusted-proxy", "127.0.0.1", "--trusted-proxy=10.0.0.1, 0::1,127.0.0.1"}),
              (QStringList{"127.0.0.1", "10.0.0.1", "::1"}));
    QProcessEnvironment env, badEnv;
    env.insert("COT_TRUSTED_PROXY", "10.0.0.2");
    badEnv.insert("COT_TRUSTED_PROXY", "proxy.local");
    EXPECT_EQ(parse({}, env), QStringList{"10.0.0.2"});
    EXPECT_EQ(parse({"--trusted-proxy", "10.0.0.3"}, env), QStringList{"10.0.0.3"}) << "the command line wins";
    EXPECT_THROW(parse({}, badEnv), ConfigError);
    QTemporaryDir dir;
    QFile file(dir.filePath("server.conf"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("trusted-proxy = 10.0.0.4\n") > 0);
    file.close();
    EXPECT_EQ(parse({"--config", file.fileName(), "--trusted-proxy", "10.0.0.5"}), (QStringList{"10.0.0.4", "10.0.0.5"}));
    for (const char* bad : {"localhost", "10.0.0.0/8", "10.0.0.1:80", "1.2.3", ",", ""})
        EXPECT_THROW(parse({"--trusted-proxy", bad}), ConfigError) << bad;
    EXPECT_TRUE(ServerConfig::usage().contains("--trusted-proxy ENDER"));
}

// One request on a connection of its own, from a client at `address` as a proxy would pass
// it on: the status and the JSON body.
std::pair<int, QJsonObject> send(int port, const char* method, const char* path, const QByteArray& address,
                                 httplib::Headers headers = {}, const QByteArray& body = {}) {
    headers.emplace("X-Forwarded-For", address.toStdString());
    httplib::Request request;
    std::tie(request.method, request.path, request.headers, request.body) = std::tuple(method, path, headers, body.toStdString());
    const auto r = httplib::Client("127.0.0.1", port).send(request);
    return r ? std::pair(r->status, QJsonDocument::fromJson(QByteArray::fromStdString(r->body)).object()) : std::pair(0, QJsonObject());
}

// AbreSessao passed on for a client at `address`: "ok" or the error's text.
QString signIn(const TestServer& server, const QByteArray& address, const QString& password) {
    const QJsonObject call{{"jsonrpc", "2.0"}, {"id", 1}, {"method", "AbreSessao"}, {"params", QJsonArray{"GERENTE", password}}};
    const QJsonObject a = send(server.port(), "POST", "/rpc", address, {{"Content-Type", "application/json"}},
                               QJsonDocument(call).toJson(QJsonDocument::Compact)).second;
    return a["result"]["token"].toString().isEmpty() ? a["error"]["message"].toString() : QStringLiteral("ok");
}

const QString kInvalid = QStringLiteral("Operador ou senha inválidos.");
const QString kHeld = QStringLiteral("Muitas tentativas sem sucesso. Tente novamente em 30 segundos.");

struct ForwardedClient : ::testing::TestWithParam<Backend> {
    // Runs `requests` on a server trusting `proxy`; the request log it wrote, once stopped
    // (the last lines are written after the answer).
    QString logOf(const char* proxy, const std::function<void(const TestServer&)>& requests) {
        auto server = std::make_unique<TestServer>(TestServerOptions{
            .backend = GetParam(), .seed = true, .logRequests = true, .trustedProxies = {proxy}});
        ::testing::internal::CaptureStderr();
        requests(*server);
        server.reset();
        return QString::fromStdString(::testing::internal::GetCapturedStderr());
    }
};

TEST_P(ForwardedClient, BehindATrustedProxyEachClientIsHeldBackAndLoggedOnItsOwn) {
    const QString log = logOf("127.0.0.1", [](const TestServer& server) {
        for (int i = 0; i < 5; ++i) EXPECT_EQ(signIn(server, "198.51.100.1", "errada"), kInvalid);
        EXPECT_EQ(signIn(server, "198.51.100.1", "gerente"), kHeld);
        EXPECT_EQ(signIn(server, "203.0.113.9, 198.51.100.2", "gerente"), QString("ok"))
            << "another client of the same proxy is not held back";
        // Requests turned away before any method ran are logged under the client too.
        EXPECT_EQ(send(server.port(), "POST", "/rpc", "198.51.100.3", {{"Content-Type", "text/plain"}}, "{}").first, 415);
        EXPECT_EQ(send(server.port(), "OPTIONS", "/rpc", "198.51.100.4", {{"Origin", "https://pagina.exemplo.com"}}).first, 403);
        EXPECT_EQ(send(server.port(), "GET", "/nada", "198.51.100.5").first, 404);
    });
    EXPECT_EQ(log.count(" ip=198.51.100.1 op=- entrada=GERENTE met=AbreSessao "), 6) << log.toStdString();
    for (const char* line : {R"( ip=198\.51\.100\.2 op=- entrada=GERENTE met=AbreSessao [\d.]+ms ok\n)",
                             R"( ip=198\.51\.100\.3 op=- met=- [\d.]+ms recusada 415\n)",
                             R"( ip=198\.51\.100\.4 op=- met=- [\d.]+ms recusada 403\n)",
                             R"( ip=198\.51\.100\.5 op=- met=- [\d.]+ms recusada 404\n)"})
        EXPECT_TRUE(log.contains(QRegularExpression(line))) << line << "\n" << log.toStdString();
    // Neither the proxy nor the entry the client may have written.
    EXPECT_EQ(cot::testing::missingFrom(log, {"ip=127.0.0.1", "203.0.113.9"}, true), QStringList()) << log.toStdString();

    // A proxy is trusted, but not the peer these requests come from: one client, whatever it claims.
    const QString untrusted = logOf("10.9.9.9", [](const TestServer& server) {
        for (int i = 0; i < 5; ++i) EXPECT_EQ(signIn(server, "198.51.100.1", "errada"), kInvalid);
        EXPECT_EQ(signIn(server, "198.51.100.2", "gerente"), kHeld);
    });
    EXPECT_EQ(untrusted.count(" ip=127.0.0.1 op=- entrada=GERENTE met=AbreSessao "), 6) << untrusted.toStdString();
    EXPECT_FALSE(untrusted.contains("198.51.100.")) << untrusted.toStdString();
}

COT_ON_EVERY_BACKEND(ForwardedClient);

}  // namespace
