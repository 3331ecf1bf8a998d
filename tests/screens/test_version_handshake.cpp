// Signing in to a server: the desktop signs in only to a server that speaks its protocol
// (another version, or a server too old to say, is refused before the password is sent,
// with both versions named), and once signed in it works on the server's day: the dates a
// new proposal proposes and the list's expiry statuses follow the server's clock. The
// operator's "Alterar senha" dialog, shown as the shell shows it (through the modal
// runner): what it refuses before asking the server and the server's refusal it shows,
// keeping what was typed. A change that goes through: tests/e2e/test_shell_password.cpp.
#include <QSet>

#include "base/clock.h"
#include "base/errors.h"
#include "base/protocol_version.h"
#include "dialogs/filter_criteria.h"
#include "proposal/screen/proposal_list_status.h"
#include "rpc/protocol_check.h"
#include "rpc/rpc_channel.h"
#include "screens/change_password_dialog.h"
#include "screens/header_fixture.h"
#include "screens/sign_in.h"
#include "server/rpc/method_registry.h"
#include "server/rpc/server_config.h"
#include "services/server_date.h"
#include "services/session.h"
#include "ui/modal_runner.h"

using namespace cot;
using namespace cot::testing;

namespace {

// Signs VENDEDOR in to another server started with `options` (demo data, its own clock):
// empty when signed in, otherwise the refusal. The desktop's address is put back after;
// its session is left as the sign-in made it.
// sessionThere: a session beyond the one the test server opens for itself.
struct SignedInElsewhere { QString refusal, address; bool sessionThere = false; };
SignedInElsewhere signInTo(TestServerOptions options) {
    options.seed = true;
    options.fixedClock = false;
    TestServer other(std::move(options));
    const int port = Session::instance().serverPort();
    Session::instance().setServer("127.0.0.1", other.port());
    SignedInElsewhere out;
    try { SignIn::signIn("VENDEDOR", "vendedor", "0001"); } catch (const UserError& e) { out.refusal = e.text(); }
    Session::instance().setServer("127.0.0.1", port);
    out.address = QStringLiteral("127.0.0.1:%1").arg(other.port());
    out.sessionThere = other.db().scalar("SELECT COUNT(*) FROM SESSAO").toInt() > 1;
    return out;
}

class VersionHandshake : public ScreenFixture {};

TEST_F(VersionHandshake, ANewerOrUnknownServerIsRefusedNamingBothVersionsAsReadFromWhatItReports) {
    const SignedInElsewhere same = signInTo({});
    ASSERT_TRUE(same.refusal.isEmpty() && same.sessionThere) << "the same protocol signs in";
    const QByteArray before = rpc_channel::sessionToken();
    SignedInElsewhere newer = signInTo({.configure = [](server::ServerConfig& c) {
        c.protocolVersion = kProtocolVersion + 1;
        c.version = "2.0.0";
    }});
    EXPECT_EQ(newer.refusal, QStringLiteral("O servidor de aplicação em %1 fala a versão %2 do protocolo "
                                            "(cot05000-server 2.0.0); este programa fala a versão %3 (%4). "
                                            "Atualize o cot-host.").arg(newer.address)
                                 .arg(kProtocolVersion + 1).arg(kProtocolVersion).arg(desktopProgram()));
    // No sign-in was even tried, and the desktop's session stays as it was.
    EXPECT_TRUE(!newer.sessionThere && rpc_channel::sessionToken() == before);

    // A server that reports no protocol is refused as unknown.
    const SignedInElsewhere unknown = signInTo({.configure = [](server::ServerConfig& c) {
        c.protocolVersion.reset();
        c.version = "0.9.0";
    }});
    EXPECT_EQ(unknown.refusal, QStringLiteral("O servidor de aplicação em %1 fala uma versão desconhecida do protocolo "
                             "(cot05000-server 0.9.0); este programa fala a versão %2 (%3). Atualize o servidor de aplicação.")
                  .arg(unknown.address).arg(kProtocolVersion).arg(desktopProgram()));
    EXPECT_FALSE(unknown.sessionThere);

    // What the server reports, read.
    const QString at = "srv:8211";
    EXPECT_EQ(protocolRefusal(QString(R"({"versao":"1.0.0","protocolo":%1})").arg(kProtocolVersion).toUtf8(), at), QString());
    EXPECT_TRUE(protocolRefusal(R"({"versao":"0.5.0","protocolo":0})", at).endsWith("Atualize o servidor de aplicação."))
        << "an older server is the one to update";
    for (const char* odd : {R"({"protocolo":"1"})", R"({"protocolo":1.5})", "não é JSON"})
        EXPECT_TRUE(protocolRefusal(odd, at).contains("versão desconhecida do protocolo (cot05000-server de versão "
                                                      "desconhecida)")) << odd;
}

const QDate kServerDay(2027, 1, 20);  // 45 days after the desktop's own 06/12/2026

class ServerDateScreen : public HeaderFixture {
protected:
    // Signs VENDEDOR in against a server whose clock reads 20/01/2027 09:00. In this process
    // the proposal server reads the desktop's clock slot, so that server answers the date
    // from a clock of its own.
    void signInAgainstAServerAhead() {
        const auto ahead = [](server::MethodRegistry& r) {
            r.add("GetDataHoraServ", 0, server::AccessRule::session(),
                  [](server::MethodContext&, const server::Args&) -> QJsonValue { return "2027-01-20T09:00:00.000"; });
        };
        EXPECT_EQ(signInTo({.methods = ahead}).refusal, QString());
        // Back to the test's own server, with a session opened on the day the clock now reads.
        Session::instance().setToken(testServer().openSession("VENDEDOR"));
    }

    // Numbers/versions the server's filter lists with one status.
    QSet<QString> listedByTheServer(const Cli_cot05002::TDADOSSTATUS& status) {
        Cli_cot05002::TFILTRO f;
        f.DADOSSTATUS = status;
        const Packet p = screen->net().getPacket(
            "GetPropostaAux", Cli_cot05002::propostaAuxArguments(Cli_cot05002::filterArguments(f), "0001", "T"));
        QSet<QString> out;
        for (int r = 0; r < p.rows.size(); ++r)
            out << p.value(r, "NRPROPOSFAS").toString() + u'/' + p.value(r, "NRVERPROPFAS").toString();
        return out;
    }
};

TEST_F(ServerDateScreen, ANewProposalIsDatedByTheServersDayAndTheListsStatusesAgreeWithTheServers) {
    ASSERT_EQ(Clock::current().today(), QDate(2026, 12, 6)) << "the desktop's own clock";
    signInAgainstAServerAhead();
    ASSERT_NE(dynamic_cast<const ServerClock*>(&Clock::current()), nullptr);
    EXPECT_EQ(Lib90500::DtServ(), QDateTime(kServerDay, QTime(0, 0)));
    const QDateTime first = Clock::current().now();
    EXPECT_LT(qAbs(first.secsTo(QDateTime(kServerDay, QTime(9, 0)))), 5) << first.toString().toStdString();

    startNewProposal();
    ClientTable& t = screen->proposal();
    // Dated on the server's day, valid for the default 30 days.
    EXPECT_EQ(QList<QDate>({t["DTPROPOSFAS"].asDateTime().date(), t["DTVALPROPFAS"].asDateTime().date()}),
              QList<QDate>({kServerDay, kServerDay.addDays(30)}));
    // No second reading: the time runs on from the first one by the local counter.
    EXPECT_GE(Clock::current().now(), first);
    ASSERT_TRUE(runHandler([&] { t.cancel(); }));

    // The list's expiry statuses agree with the server's filter on the server's day.
    const QSet<QString> expired = listedByTheServer({false, true, false, false}),
                        expiring = listedByTheServer({false, false, false, true}),
                        valid = listedByTheServer({false, false, true, false});
    ClientTable& list = screen->proposal();
    ASSERT_GT(list.rowCount(), 0);
    int moved = 0;
    for (int r = 0; r < list.rowCount(); ++r) {
        ClientTable::RowView view(list, r);
        const QString key = list["NRPROPOSFAS"].asString() + u'/' + list["NRVERPROPFAS"].asString();
        const auto status = [&](const QDate& day) {
            return proposalListStatus(list["DTACEPROPFAS"].asDateTime(), list["DTVALPROPFAS"].asDateTime(), day);
        };
        const ProposalListStatus shown = status(Clock::current().today());
        EXPECT_EQ(QList<bool>({shown == ProposalListStatus::Expired, shown == ProposalListStatus::Expiring,
                               shown == ProposalListStatus::Valid}),
                  QList<bool>({expired.contains(key), expiring.contains(key), valid.contains(key)})) << key.toStdString();
        if (shown != status(QDate(2026, 12, 6))) ++moved;
    }
    EXPECT_GT(moved, 0) << "some proposal must look different on the server's day than on the desktop's";
}

class ChangePasswordDialog : public ScreenFixture {};

// What needs no server is refused here with the entries kept; the server's refusal is shown
// and only the current password is cleared.
TEST_F(ChangePasswordDialog, RefusalsKeepTheEntriesAndTheServersClearsOnlyTheCurrentPassword) {
    const auto storedHash = [&] {
        return testServer().db().scalar("SELECT DSHASHSENHA FROM OPERADOR WHERE CDOPERADOR = 'VENDEDOR'").toString();
    };
    const QString before = storedHash();
    const struct { const char *current, *wanted, *repeated, *message, *focused; } cases[] = {
        {"", "nova senha boa", "nova senha boa", "Senha atual deve ser informada.", "edtSenhaAtual"},
        {"vendedor", "curta", "curta", "A senha deve ter ao menos 8 caracteres.", "edtSenhaNova"},
        {"vendedor", "nova senha boa", "nova senha bo", "As senhas não conferem.", "edtSenhaRepete"},
        {"vendedor", "vendedor", "vendedor", "A nova senha deve ser diferente da atual.", "edtSenhaNova"},
        {"errada", "nova senha boa", "nova senha boa", "Senha atual incorreta.", "edtSenhaAtual"},  // the server's
    };
    for (const auto& c : cases) {
        dialogs.clearShown();
        TfrmAlteraSenha dlg;
        runner.expect([&](QWidget&) {
            type(dlg, "edtSenhaAtual", c.current);
            type(dlg, "edtSenhaNova", c.wanted);
            type(dlg, "edtSenhaRepete", c.repeated);
            click(dlg, "sbtConfirma");
            EXPECT_TRUE(dlg.isVisible()) << "stays open";
            const QString current = qstrcmp(c.current, "errada") == 0 ? QString() : QString::fromUtf8(c.current);
            EXPECT_EQ(QStringList({dlg.edtSenhaAtual->text(), dlg.edtSenhaNova->text(), dlg.edtSenhaRepete->text(),
                                   dlg.focusWidget() ? dlg.focusWidget()->objectName() : QString()}),
                      QStringList({current, c.wanted, c.repeated, c.focused}));
        }, "frmAlteraSenha");
        EXPECT_NE(dlg.ShowModal(), mrOk);
        EXPECT_EQ(dialogs.errors(), QStringList{QString::fromUtf8(c.message)});
    }
    EXPECT_EQ(storedHash(), before);
}

}  // namespace
