// HTTPS on the server and the desktop's check of its certificate; the configuration that
// goes with it.
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "rpc/http_request.h"
#include "rpc/rpc_channel.h"
#include "server/rpc/rpc_server.h"
#include "server/rpc/server_config.h"
#include "support/test_server.h"

using namespace cot;
using namespace cot::testing;

namespace {

// A self-signed certificate for 127.0.0.1, made by the openssl tool.
bool makeCertificate(const QString& folder, const QString& name) {
    const QString key = folder + "/" + name + ".key", cert = folder + "/" + name + ".pem";
    QProcess openssl;
    openssl.start("openssl", {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", cert, "-days",
                              "2", "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1"});
    return openssl.waitForFinished(60000) && openssl.exitCode() == 0 && QFile::exists(cert);
}

struct Tls : ::testing::Test {
    void SetUp() override {
        if (QStandardPaths::findExecutable("openssl").isEmpty()) GTEST_SKIP() << "openssl não instalado";
        ASSERT_TRUE(makeCertificate(dir.path(), "server") && makeCertificate(dir.path(), "other"));
    }
    void TearDown() override { rpc_channel::setTls(false); }
    QString file(const char* name) const { return dir.filePath(name); }
    QTemporaryDir dir;
};

TEST_F(Tls, TheDesktopTalksHttpsRefusesACertificateItDoesNotKnowAndAKeyMustFitItsCertificate) {
    TestServer server({.seed = true, .tlsCertificate = file("server.pem"), .tlsKey = file("server.key")});
    EXPECT_TRUE(server.url().startsWith("https://"));

    rpc_channel::setTls(true, file("server.pem"));
    const RpcResult r = server.newConnection()->call("GetParamPerc");
    EXPECT_TRUE(r.ok) << r.error.toStdString();

    rpc_channel::setTls(true, file("other.pem"));
    NetConnection impostor, plain;
    impostor.setPort(server.port());
    EXPECT_FALSE(impostor.connect());
    EXPECT_TRUE(impostor.lastError().contains("certificado não reconhecido")) << impostor.lastError().toStdString();

    // Plain HTTP gets nothing out of an HTTPS server.
    rpc_channel::setTls(false);
    plain.setPort(server.port());
    EXPECT_FALSE(plain.connect());
    EXPECT_EQ(httpGet("127.0.0.1", server.port(), "/health").status, 0);

    // Certificate and key go together and must be readable.
    using server::ConfigError;
    using server::ServerConfig;
    EXPECT_THROW(ServerConfig::fromArgs({"--tls-cert", file("server.pem")}, {}, {}), ConfigError);
    EXPECT_THROW(ServerConfig::fromArgs({"--tls-cert", file("none.pem"), "--tls-key", file("server.key")}, {}, {}), ConfigError);
    const ServerConfig tls =
        ServerConfig::fromArgs({"--tls-cert", file("server.pem"), "--tls-key", file("server.key"), "--listen", "0.0.0.0"}, {}, {});
    EXPECT_EQ(std::pair(tls.usesTls(), tls.listensBeyondLoopback()), std::pair(true, true));
    for (const char* loopback : {"127.0.0.1", "localhost"})
        EXPECT_FALSE(ServerConfig::fromArgs({"--listen", loopback}, {}, {}).listensBeyondLoopback()) << loopback;

    // A key that does not belong to a certificate stops the server before it listens.
    server::RpcServer rpc({.databaseUrl = "sqlite:" + file("x.db"), .port = 0, .tlsCertificate = file("server.pem"),
                           .tlsKey = file("other.key"), .seedDemo = false});
    EXPECT_THROW(rpc.start(), ConfigError);
}

}  // namespace
