// One accepted version per proposal number. Two versions accepted at the same moment, by
// the client on two pages or by a page and the approval, leave exactly one accepted; the
// other is superseded: its link is revoked, its page says which version was accepted, and
// its sending, decision and approval are refused naming that version. A copy reopens an
// accepted deal only for whom may.
#include <httplib.h>

#include <QRegularExpression>
#include <latch>
#include <thread>
#include <gtest/gtest.h>

#include "data/proposal_number.h"
#include "server/client_page/proposal_page.h"
#include "server/client_page/sending_store.h"
#include "server/rpc/server_config.h"
#include "server/storage/database.h"
#include "services/mail_sender.h"
#include "support/packet_cells.h"
#include "support/small_pdf.h"
#include "server/server_cases_a.h"

using namespace cot;
using namespace cot::server::client_page;
using namespace cot::testing;

namespace {

const QString kZeta = "88999000000118";  // prospect of proposal 7 (services charged as a package)
const QDate kToday(2026, 12, 6);

struct PagePost {
    int status = 0;
    QString body;
};

class OneAcceptanceTest : public cot::testing::DemoServerTest {
protected:
    OneAcceptanceTest() : DemoServerTest({.configure = [](server::ServerConfig& c) { c.limits.pageBurst = 10000; }}) {
        setDefaultMailSender(&mail_);
        for (const auto& [method, args] :
             {std::pair<QString, QVariantList>{"InsereCliente",
                                               {kZeta, kZeta, "Zeta Transportes Rodoviários Ltda", "",
                                                "Zeta Transportes", "", "J" + kZeta, "VENDEDOR"}},
              {"CopiaDados", {"0001", nr(7), "01", "02", "N"}}})
            EXPECT_EQ(call(method, args).error, "") << method.toStdString();
        for (const char* ver : {"01", "02"}) tokens_[ver] = send(ver);
    }
    ~OneAcceptanceTest() override { setDefaultMailSender(nullptr); }

    QString send(const QString& ver) {
        const QString token = newToken();
        Sending s{.nr = nr(7), .ver = ver, .sentAt = QDateTime(kToday, QTime(9, 0)), .operatorCode = "VENDEDOR",
                  .to = "compras@zeta.example", .expires = kToday.addDays(20)};
        s.contentHash = contentHash(proposalContentHtml(server_.db(), s.nr, s.ver));
        recordSending(server_.db(), s, tokenHash(token), cot::testing::smallPdf());
        return token;
    }

    // The version's page, or (with a body) the form posted to it.
    PagePost page(const QString& ver, const QByteArray& body = {}) {
        httplib::Client http("127.0.0.1", server_.port());
        const std::string path = ("/cliente/" + tokens_[ver]).toStdString();
        auto r = body.isEmpty() ? http.Get(path)
                                : http.Post(path, body.constData(), size_t(body.size()), "application/x-www-form-urlencoded");
        return r ? PagePost{r->status, QString::fromStdString(r->body)} : PagePost{};
    }
    // The client accepts the version through its link; the form is the one the page shows.
    QByteArray acceptBody(const QString& ver) {
        static const QRegularExpression hidden(QStringLiteral("name=\"conteudo\" value=\"([0-9a-f]{64})\""));
        return "acao=aceitar&nome=Ana+Souza&li=sim&conteudo=" + hidden.match(page(ver).body).captured(1).toLatin1();
    }
    QVariantList approval(const QString& ver, const QString& date = "2026-12-06") {
        return {nr(7), ver, kZeta, date, "07", "0001", "VENDEDOR"};
    }

    int count(const QString& sql) { return server_.db().scalar(sql, {{"N", nr(7)}}).toInt(); }
    QString acceptedVersion() {
        return server_.db()
            .scalar("SELECT NRVERPROPFAS FROM ACEITEPROP WHERE NRPROPOSFAS = :N", {{"N", nr(7)}})
            .toString();
    }
    bool revoked(const QString& ver) {
        return !server_.db()
                    .scalar("SELECT DTREVOGA FROM ENVIOPROP WHERE NRPROPOSFAS = :N AND NRVERPROPFAS = :V",
                            {{"N", nr(7)}, {"V", ver}})
                    .isNull();
    }
    QString shortNr(const QString& ver) { return shortProposalNumber(nr(7), ver); }

    // Whatever the last round accepted, undone.
    void reopen() {
        for (const char* sql : {"DELETE FROM COBRPROP WHERE NRPROPOSFAS = :N", "DELETE FROM SERVCLIE WHERE NRPROPOSFAS = :N",
                                "DELETE FROM DECISAOPROP WHERE NRPROPOSFAS = :N",
                                "DELETE FROM ACEITEPROP WHERE NRPROPOSFAS = :N",
                                "UPDATE ENVIOPROP SET DTREVOGA = NULL WHERE NRPROPOSFAS = :N",
                                "UPDATE PROPOSTAFAS SET DTACEPROPFAS = NULL, CDOPERACEITE = NULL WHERE NRPROPOSFAS = :N"})
            server_.db().exec(sql, {{"N", nr(7)}});
    }

    // One thread per party, each with its own connection, released at once.
    void together(const std::vector<std::function<void()>>& parties) {
        std::latch start(static_cast<std::ptrdiff_t>(parties.size()));
        std::vector<std::thread> threads;
        for (const auto& party : parties)
            threads.emplace_back([&start, party] {
                start.arrive_and_wait();
                party();
            });
        for (std::thread& t : threads) t.join();
    }

    RecordingMailSender mail_;
    QMap<QString, QString> tokens_;
};

// Two parties accept two versions at the same moment, each on its own connection: two pages
// (either version first), or the page of 01 and the approval of 02. One wins: its version is
// the accepted one, the other's link is revoked and the losing page is told which version was
// accepted; a losing approval is refused naming it and charges nothing.
TEST_P(OneAcceptanceTest, TwoVersionsAcceptedAtOnceLeaveOneAccepted) {
    const QByteArray session = server_.openSession("VENDEDOR");
    for (int round = 0; round < 18; ++round) {
        SCOPED_TRACE(round);
        const bool approving = round % 3 == 2;
        const QString first = round % 3 == 1 ? "02" : "01", second = round % 3 == 1 ? "01" : "02";
        const QByteArray firstBody = acceptBody(first), secondBody = acceptBody(second);
        PagePost a, b;
        RpcResult approved;
        together({[&] { a = page(first, firstBody); },
                  [&] {
                      if (!approving) {
                          b = page(second, secondBody);
                          return;
                      }
                      auto connection = server_.newConnection();
                      connection->setToken(session);
                      approved = connection->call("AceiteProposta", approval(second));
                      b.status = approved.ok ? 200 : 0;
                  }});
        ASSERT_EQ((a.status == 200) + (b.status == 200), 1) << a.status << " " << b.status << approved.error.toStdString();
        const QString winner = a.status == 200 ? first : second, loser = a.status == 200 ? second : first;
        EXPECT_EQ(acceptedVersion(), winner);
        EXPECT_EQ(std::pair(revoked(winner), revoked(loser)), std::pair(false, true)) << "the loser's link revoked";
        EXPECT_EQ(count("SELECT COUNT(*) FROM DECISAOPROP WHERE NRPROPOSFAS = :N AND IDDECISAO = 'A'"), approved.ok ? 0 : 1);
        if (!approving) {
            const PagePost& lost = a.status == 200 ? b : a;
            EXPECT_TRUE(lost.status == 409 || lost.status == 410) << lost.status << lost.body.toStdString();
            EXPECT_TRUE(lost.body.contains(shortNr(winner))) << "the loser is told which version was accepted";
        } else if (!approved.ok) {
            EXPECT_EQ(approved.error, QString("A proposta %1 já foi aceita; a versão %2 não pode ser aprovada.")
                                          .arg(shortNr("01"), shortNr("02")));
            EXPECT_EQ(count("SELECT COUNT(*) FROM PROPOSTAFAS WHERE NRPROPOSFAS = :N AND DTACEPROPFAS IS NOT NULL"), 0);
            EXPECT_EQ(count("SELECT COUNT(*) FROM COBRPROP WHERE NRPROPOSFAS = :N"), 0) << "nothing charged";
        }
        reopen();
    }
}

TEST_P(OneAcceptanceTest, ASupersededVersionIsRefusedEverywhereNamingTheAcceptedOne) {
    ASSERT_EQ(page("02", acceptBody("02")).status, 200);
    const QByteArray before = acceptBody("01");  // what a page opened earlier still carries
    EXPECT_TRUE(revoked("01"));
    const QDateTime at = server_.db().scalar("SELECT DTACEITE FROM ACEITEPROP WHERE NRPROPOSFAS = :N", {{"N", nr(7)}}).toDateTime();
    const QString superseded =
        QString("Esta proposta foi substituída pela versão %1, aceita em %2.").arg(shortNr("02"), at.toString("dd/MM/yyyy HH:mm"));
    for (const PagePost& shown : {page("01"), page("01", before)})
        EXPECT_TRUE(shown.status == 410 && shown.body.contains(superseded)) << shown.status << shown.body.toStdString();
    EXPECT_EQ(count("SELECT COUNT(*) FROM DECISAOPROP WHERE NRPROPOSFAS = :N"), 1);

    EXPECT_TRUE(call("GetPaginaCliente", {nr(7), "01"}).value.toString().contains(superseded))
        << "the salesperson's preview says what the client's link says";
    EXPECT_EQ(call("EnviarAoCliente", {nr(7), "01", "compras@zeta.example", cot::testing::smallPdf().toBase64()}).error,
              QString("A proposta %1 já foi aceita; a versão %2 não pode ser enviada ao cliente.").arg(shortNr("02"), shortNr("01")));
    // Before every other check: a date before the proposal's is not what it answers.
    EXPECT_EQ(call("AceiteProposta", approval("01", "2001-01-01")).error,
              QString("A proposta %1 já foi aceita; a versão %2 não pode ser aprovada.").arg(shortNr("02"), shortNr("01")));
    EXPECT_EQ(call("AceiteProposta", approval("02")).error, "") << "the version the client accepted is approved as usual";
    EXPECT_EQ(acceptedVersion(), "02");
}

TEST_P(OneAcceptanceTest, ACopyReopensAnAcceptedDealOnlyForWhomMay) {
    ASSERT_EQ(page("02", acceptBody("02")).status, 200);
    const RpcResult refused = call("CopiaDados", {"0001", nr(7), "02", "03", "N"});
    EXPECT_TRUE(refused.error.startsWith(QString("A proposta %1 já foi aceita.").arg(shortNr("02")))) << refused.error.toStdString();
    EXPECT_EQ(count("SELECT COUNT(*) FROM PROPOSTAFAS WHERE NRPROPOSFAS = :N"), 2);

    server_.db().exec("INSERT INTO AUTGRUPOP (CDGRUPOPER, IDAUTGRUPOP) VALUES ('COM', 'REAB')");
    ASSERT_EQ(call("CopiaDados", {"0001", nr(7), "02", "03", "N"}).error, "");
    EXPECT_TRUE(acceptedVersion().isEmpty()) << "the client's acceptance of 02 stays as its record only";
    EXPECT_EQ(count("SELECT COUNT(*) FROM DECISAOPROP WHERE NRPROPOSFAS = :N"), 1);

    // Approved, the deal has its contract: a copy leaves it accepted.
    ASSERT_TRUE(call("AceiteProposta", approval("03")).ok);
    ASSERT_TRUE(call("CopiaDados", {"0001", nr(7), "03", "04", "N"}).ok);
    EXPECT_EQ(acceptedVersion(), "03");
}

TEST_P(OneAcceptanceTest, OnAPhoneTheFormThatLacksSomethingOpensAtItsMessageAndTheReceiptFollows) {
    // Posted to its own fragment: the answer opens at the form, its message on top, what was
    // typed kept; one tap declines nothing.
    const std::pair<QByteArray, QStringList> lacking[] = {
        {acceptBody("01").replace("&li=sim", ""),
         {"<form id=\"form-aceite\" method=\"post\" action=\"#form-aceite\">\n<h2>Aceitar</h2>\n<p id=\"mensagem\" class=\"erro\" "
          "role=\"alert\">Marque &quot;Li e aceito a proposta&quot;.",
          "name=\"li\" value=\"sim\" required autofocus>", "value=\"Ana Souza\""}},
        {acceptBody("01").replace("acao=aceitar&nome=Ana+Souza&li=sim", "acao=recusar&motivo=preco"),
         {"<h2>Recusar</h2>\n<p id=\"mensagem\" class=\"erro\" role=\"alert\">Marque &quot;Confirmo",
          "name=\"confirma\" value=\"sim\" required autofocus>"}}};
    for (const auto& [body, shown] : lacking) {
        const PagePost r = page("01", body);
        EXPECT_EQ(std::pair(r.status, missingFrom(r.body, shown)), std::pair(400, QStringList())) << r.body.toStdString();
    }
    EXPECT_EQ(count("SELECT COUNT(*) FROM DECISAOPROP WHERE NRPROPOSFAS = :N"), 0);

    const PagePost r = page("01", acceptBody("01"));
    ASSERT_EQ(r.status, 200);
    const QString receipt = "<a id=\"recibo-pdf\" href=\"" + tokens_["01"] + "/proposta.pdf\">";
    EXPECT_TRUE(r.body.contains(receipt)) << r.body.toStdString();
    EXPECT_TRUE(page("01").body.contains(receipt)) << "the decided page offers it too";
    const auto pdf = httplib::Client("127.0.0.1", server_.port()).Get(("/cliente/" + tokens_["01"] + "/proposta.pdf").toStdString());
    ASSERT_TRUE(pdf);
    EXPECT_EQ(std::pair(pdf->status, QByteArray::fromStdString(pdf->body)), std::pair(200, cot::testing::smallPdf()));
}

COT_ON_EVERY_BACKEND(OneAcceptanceTest);

}  // namespace
