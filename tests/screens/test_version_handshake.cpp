// The desktop signs in only to a server that speaks its protocol: another version, or a
// server too old to say, is refused before the password is sent, with both versions named.
#include <gtest/gtest.h>

#include "base/errors.h"
#include "base/protocol_version.h"
#include "rpc/protocol_check.h"
#include "rpc/rpc_channel.h"
#include "screens/sign_in.h"
#include "server/rpc/server_config.h"
#include "services/session.h"
#include "support/screen_fixture.h"

using namespace cot;
using namespace cot::testing;

namespace {

class VersionHandshake : public ScreenFixture {
protected:
    // Signs VENDEDOR in to a server configured by `configure`: empty when signed in,
    // otherwise the refusal. The desktop's session is left as it was on a refusal.
    QString signInTo(std::function<void(server::ServerConfig&)> configure) {
        TestServer other({.seed = true, .fixedClock = false, .configure = std::move(configure)});
        const int port = Session::instance().serverPort();
        Session::instance().setServer("127.0.0.1", other.port());
        QString refusal;
        try {
            SignIn::signIn("VENDEDOR", "vendedor", "0001");
        } catch (const UserError& e) {
            refusal = e.text();
        }
        Session::instance().setServer("127.0.0.1", port);
        address_ = QStringLiteral("127.0.0.1:%1").arg(other.port());
        // Beyond the session the test server opens for itself.
        signedInThere_ = other.db().scalar("SELECT COUNT(*) FROM SESSAO").toInt() > 1;
        return refusal;
    }
    QString address_;
    bool signedInThere_ = false;
};

TEST_F(VersionHandshake, ANewerServerIsRefusedNamingBothVersions) {
    ASSERT_EQ(signInTo({}), QString()) << "the same protocol signs in";
    ASSERT_TRUE(signedInThere_);
    const QByteArray before = rpc_channel::sessionToken();
    const QString refusal = signInTo([](server::ServerConfig& c) {
        c.protocolVersion = kProtocolVersion + 1;
        c.version = "2.0.0";
    });
    EXPECT_EQ(refusal, QStringLiteral("O servidor de aplicação em %1 fala a versão %2 do protocolo "
                                      "(cot05000-server 2.0.0); este programa fala a versão %3 (%4). "
                                      "Atualize o cot-host.")
                           .arg(address_)
                           .arg(kProtocolVersion + 1)
                           .arg(kProtocolVersion)
                           .arg(desktopProgram()));
    EXPECT_FALSE(signedInThere_) << "no sign-in was even tried";
    EXPECT_EQ(rpc_channel::sessionToken(), before) << "the desktop's session stays as it was";
}

TEST_F(VersionHandshake, AServerThatReportsNoProtocolIsRefusedAsUnknown) {
    const QString refusal = signInTo([](server::ServerConfig& c) {
        c.protocolVersion.reset();
        c.version = "0.9.0";
    });
    EXPECT_EQ(refusal, QStringLiteral("O servidor de aplicação em %1 fala uma versão desconhecida do protocolo "
                                      "(cot05000-server 0.9.0); este programa fala a versão %2 (%3). "
                                      "Atualize o servidor de aplicação.")
                           .arg(address_)
                           .arg(kProtocolVersion)
                           .arg(desktopProgram()));
    EXPECT_FALSE(signedInThere_);
}

TEST(ProtocolRefusal, ReadsWhatTheServerReports) {
    const QString at = "srv:8211";
    EXPECT_EQ(protocolRefusal(QString(R"({"versao":"1.0.0","protocolo":%1})").arg(kProtocolVersion).toUtf8(), at),
              QString());
    EXPECT_TRUE(protocolRefusal(R"({"versao":"0.5.0","protocolo":0})", at).endsWith("Atualize o servidor de aplicação."))
        << "an older server is the one to update";
    for (const char* odd : {R"({"protocolo":"1"})", R"({"protocolo":1.5})", "não é JSON"})
        EXPECT_TRUE(protocolRefusal(odd, at).contains("versão desconhecida do protocolo (cot05000-server de versão "
                                                      "desconhecida)"))
            << odd;
}

}  // namespace
