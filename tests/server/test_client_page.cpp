// The client's page served by the application server: the token alone decides which
// version opens, a link that was revoked, expired or outlived its content refuses the
// decision, one decision per version even when posted twice, the form checked, the stored
// texts shown as text, the security headers on every answer, and the salesperson's mail.
#include <httplib.h>

#include <QCryptographicHash>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <future>
#include <vector>
#include <gtest/gtest.h>

#include "base/clock.h"
#include "data/html_text.h"
#include "server/client_page/page_text.h"
#include "server/client_page/page_address.h"
#include "server/client_page/proposal_page.h"
#include "server/client_page/sending_store.h"
#include "server/storage/database.h"
#include "services/mail_sender.h"
#include "support/process_memory.h"
#include "support/qt_printers.h"
#include "server/rpc/server_config.h"
#include "support/test_server.h"
#include "server_cases_a.h"

using namespace cot;
using namespace cot::server::client_page;
using cot::testing::Backend;
using cot::testing::TestServer;
using cot::testing::cells;
using cot::testing::missingFrom;

namespace {

QString nr(int n) { return QStringLiteral("7%1").arg(n, 19, 10, QLatin1Char('0')); }
const QDate kToday(2026, 12, 6);

// A licence proposal of branch 0001 for Alfa: one product line in two installments that
// carry interest (2 × 1.050,00 for 2 × 1.000,00 quoted), one service by the hour, and a
// text someone typed markup into.
void proposal(server::Database& db, int n, const QString& reference) {
    const QVariantMap key{{"NR", nr(n)}, {"VER", "01"}};
    QVariantMap header = key;
    header.insert("REF", reference);
    header.insert("DT", QDateTime(kToday.addDays(-3), QTime(0, 0)));
    header.insert("VAL", QDateTime(kToday.addDays(20), QTime(0, 0)));
    db.exec("INSERT INTO PROPOSTAFAS (NRPROPOSFAS, NRVERPROPFAS, CDFILIAL, IDCLIENPROSP, CDCLIENTE, DSREFEPROPOSFAS, "
            "DTPROPOSFAS, DTVALPROPFAS, CDOPERINCL, CDOPERRESP, IDTIPOPROPFAS, IDTIPOCOBRSERV) VALUES (:NR, :VER, "
            "'0001', 'C', '11222333000181', :REF, :DT, :VAL, 'VENDEDOR', 'VENDEDOR', 'M', 'H')", header);
    db.exec("INSERT INTO LINPPROP (NRPROPOSFAS, NRVERPROPFAS, CDLINPPROP, CDLINPPROPINFOR, NMLINPPROP, "
            "QTMINIMAFATPROP, VRLICENCUSOPROP, VRDESLICUSOPROP, VRMENSALIDAPROP, VRDESMENSALPROP) VALUES (:NR, :VER, "
            "'L1', 'ERP', 'Gestão', 2, 1000, 0, 100, 0)", key);
    db.exec("INSERT INTO SISTLINPPROP (NRPROPOSFAS, NRVERPROPFAS, CDLINPPROP, CDSISTEMA) VALUES (:NR, :VER, 'L1', "
            "'WEB00001')", key);
    for (int month : {1, 2}) {
        QVariantMap row = key;
        row.insert("DUE", QDateTime(QDate(2027, month, 10), QTime(0, 0)));
        db.exec("INSERT INTO VENCLINPPROP (NRPROPOSFAS, NRVERPROPFAS, CDLINPPROP, DTVELUSOPEDP, VRVELUSOPEDP) "
                "VALUES (:NR, :VER, 'L1', :DUE, 1050)", row);
    }
    db.exec("INSERT INTO SERVPROP (NRPROPOSFAS, NRVERPROPFAS, NRSERVPROP, CDTIPOSERV, IDTIPOCOBRPROP, QTSERVPROP, "
            "VRHORAPROP, VRDEHORAPROP) VALUES (:NR, :VER, '001', '001', 'H', 10, 150, 150)", key);
    for (const char* text : {"'T1', 1, '<script>alert(1)</script>'",
                             "'T2', 2, '<html><body><p>Prazo &lt;b&gt; de entrega<br>30 dias</p><script>x()</script></body></html>'"})
        db.exec(QStringLiteral("INSERT INTO TXTPROPFAS (NRPROPOSFAS, NRVERPROPFAS, CDTXTPROPFAS, NRORDEMMSG, TXPROPFAS) "
                               "VALUES (:NR, :VER, %1)").arg(QLatin1String(text)), key);
}

struct Reply {
    int status = 0;
    QString body;
    httplib::Headers headers;
    std::string header(const char* name) const {
        auto it = headers.find(name);
        return it == headers.end() ? std::string() : it->second;
    }
    QString message() const {
        static const QRegularExpression p(QStringLiteral("<p id=\"mensagem\"[^>]*>([^<]*)</p>"));
        QString text = p.match(body).captured(1);
        for (const auto& [entity, plain] : {std::pair{"&quot;", "\""}, {"&#39;", "'"}, {"&lt;", "<"}, {"&gt;", ">"},
                                            {"&amp;", "&"}})
            text.replace(QLatin1String(entity), QLatin1String(plain));
        return text;
    }
};

class ClientPageTest : public cot::testing::DemoServerTest {
protected:
    ClientPageTest()
        : DemoServerTest({.prepare = [](server::Database& db) {
              proposal(db, 1, "Primeira");
              proposal(db, 2, "Segunda");
          },
          // These tests open many pages from one address; the pace per address is tested apart.
          .configure = [](server::ServerConfig& c) { c.limits.pageBurst = 10000; }}) {
        setDefaultMailSender(&mail_);
        token1_ = send(1);
        token2_ = send(2);
    }
    ~ClientPageTest() override { setDefaultMailSender(nullptr); }

    QString send(int n, QDate expires = kToday.addDays(20), const QByteArray& pdf = "%PDF-1.4 proposta") {
        const QString token = newToken();
        Sending s;
        s.nr = nr(n);
        s.ver = "01";
        s.sentAt = QDateTime(kToday, QTime(9, 0));
        s.operatorCode = "VENDEDOR";
        s.to = "compras@alfa.example";
        s.expires = expires;
        s.contentHash = contentHash(proposalContentHtml(server_.db(), s.nr, s.ver));
        recordSending(server_.db(), s, tokenHash(token), pdf);
        return token;
    }

    Reply get(const QString& path) {
        httplib::Client http("127.0.0.1", server_.port());
        return reply(http.Get(path.toStdString()));
    }
    Reply post(const QString& token, const QByteArray& body, const char* type = "application/x-www-form-urlencoded") {
        httplib::Client http("127.0.0.1", server_.port());
        httplib::Headers headers{{"User-Agent", std::string(400, 'u')}};
        return reply(
            http.Post(("/cliente/" + token).toStdString(), headers, body.constData(), size_t(body.size()), type));
    }
    static Reply reply(const httplib::Result& r) {
        if (!r) return {};
        return {r->status, QString::fromStdString(r->body), r->headers};
    }

    // What the page's forms carry, with the hash of what the page shows now.
    QByteArray acceptBody(const QString& token, const QByteArray& extra = "&nome=Ana+Souza&cargo=Diretora&li=sim") {
        return "acao=aceitar&conteudo=" + shownHash(token).toLatin1() + extra;
    }
    QString shownHash(const QString& token) {
        static const QRegularExpression hidden(QStringLiteral("name=\"conteudo\" value=\"([0-9a-f]{64})\""));
        return hidden.match(get("/cliente/" + token).body).captured(1);
    }
    int decisions(int n) {
        return server_.db()
            .scalar("SELECT COUNT(*) FROM DECISAOPROP WHERE NRPROPOSFAS = :NR", {{"NR", nr(n)}})
            .toInt();
    }
    QString currentHash(int n) { return contentHash(proposalContentHtml(server_.db(), nr(n), "01")); }

    RecordingMailSender mail_;
    QString token1_, token2_;
};

TEST_P(ClientPageTest, TheTokenAloneOpensItsVersionAndShowsItsContent) {
    const Reply page = get("/cliente/" + token1_);
    ASSERT_EQ(page.status, 200);
    // The number without the zeros that fill it; licence 2 × 1.050,00 in installments, services
    // 10 h × 150,00, the interest explained; the forms and the PDF.
    EXPECT_EQ(missingFrom(page.body, {"Proposta 70000000000000000001/01", "Primeira", "Alfa Sistemas", "FIN - Financeiro",
                                      "10/01/2027", "<strong id=\"total-geral\">R$ 3.600,00</strong>", "R$ 2.100,00",
                                      "R$ 3.500,00", "id=\"form-aceite\"", "id=\"form-recusa\"", "id=\"baixar-pdf\""}),
              QStringList()) << page.body.toStdString();
    EXPECT_FALSE(page.body.contains("Segunda")) << "another proposal's token never opens this one";
    // Signed by who offers it, above the content and below the forms.
    EXPECT_LT(page.body.indexOf("id=\"timbre\""), page.body.indexOf("id=\"total-geral\""));
    EXPECT_GT(page.body.indexOf("id=\"rodape\""), page.body.indexOf("id=\"form-recusa\""));
    EXPECT_EQ(shownHash(token1_), currentHash(1));
    EXPECT_TRUE(get("/cliente/" + token2_).body.contains("Segunda"));

    const Reply pdf = get("/cliente/" + token1_ + "/proposta.pdf");
    EXPECT_EQ(pdf.status, 200);
    EXPECT_EQ(pdf.body, "%PDF-1.4 proposta");
    EXPECT_EQ(pdf.header("Content-Disposition"), "attachment; filename=\"Proposta 70000000000000000001-01.pdf\"");
}

// A large PDF goes out a slice at a time: the server never holds it whole, however large.
TEST_P(ClientPageTest, APdfIsSentWholeWithoutBeingHeldWhole) {
    QByteArray pdf(40 << 20, Qt::Uninitialized);
    QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(pdf.data()), pdf.size() / 4);
    pdf.replace(0, 5, "%PDF-");
    const QString token = send(1, kToday.addDays(20), pdf);
    const QByteArray sent = QCryptographicHash::hash(pdf, QCryptographicHash::Sha256);

    const qint64 before = cot::testing::resetPeakKb();
    QCryptographicHash got(QCryptographicHash::Sha256);
    qint64 size = 0;
    httplib::Client http("127.0.0.1", server_.port());
    const auto r = http.Get(("/cliente/" + token + "/proposta.pdf").toStdString(), [&](const char* data, size_t n) {
        got.addData(QByteArrayView(data, qsizetype(n)));
        size += qint64(n);
        return true;
    });
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 200);
    EXPECT_EQ(size, pdf.size());
    EXPECT_EQ(got.result(), sent);
    if (cot::testing::kPeakIsTheProgramsOwn) {
        EXPECT_LT(cot::testing::statusKb("VmHWM:") - before, 10 * 1024)
            << "KB over the peak before the download, for a 40 MB PDF";
    }
}

TEST_P(ClientPageTest, StoredTextsAreShownAsTextNeverAsMarkup) {
    const QString body = get("/cliente/" + token1_).body;
    // Rich text: its text, its breaks.
    EXPECT_EQ(missingFrom(body, {"&lt;script&gt;alert(1)&lt;/script&gt;", "Prazo &lt;b&gt; de entrega<br>30 dias"}),
              QStringList()) << body.toStdString();
    EXPECT_FALSE(body.contains("<script", Qt::CaseInsensitive) || body.contains("x()"));
}

TEST_P(ClientPageTest, EveryAnswerCarriesTheSecurityHeaders) {
    const QString forged = QString(42, u'A') + u'A';
    const QStringList paths{"/cliente/" + token1_, "/cliente/estilo.css", "/cliente/" + token1_ + "/proposta.pdf",
                            "/cliente/" + forged, "/cliente/x/y/z"};
    for (const QString& path : paths) {
        const Reply r = get(path);
        EXPECT_NE(r.status, 0) << path.toStdString();
        EXPECT_EQ((std::vector{r.header("Content-Security-Policy"), r.header("X-Content-Type-Options"),
                               r.header("Referrer-Policy"), r.header("Cache-Control"), r.header("X-Frame-Options")}),
                  (std::vector<std::string>{"default-src 'none'; style-src 'self'; img-src 'self' data:; "
                                            "form-action 'self'; frame-ancestors 'none'; base-uri 'none'",
                                            "nosniff", "no-referrer", "no-store", "DENY"})) << path.toStdString();
    }
    const Reply refused = post(token1_, "acao=aceitar", "text/plain");
    EXPECT_EQ(refused.status, 400);
    EXPECT_TRUE(!refused.header("Content-Security-Policy").empty());
}

TEST_P(ClientPageTest, UnknownAndMalformedTokensAreInvalidLinks) {
    const QString forged = QString(42, u'B') + u'A';  // the shape of a real token, never given
    ASSERT_TRUE(wellFormedToken(forged));
    for (const QString& token : QStringList{forged, "abc", token1_ + "x", token1_.left(42) + "!"}) {
        const Reply r = get("/cliente/" + token);
        EXPECT_EQ(r.status, 404) << token.toStdString();
        EXPECT_EQ(r.message(), QStringLiteral("Link inválido."));
    }
    EXPECT_EQ(post(forged, acceptBody(token1_)).status, 404);
    EXPECT_EQ(get("/cliente/" + forged + "/proposta.pdf").status, 404);
    EXPECT_EQ(decisions(1), 0);

    // The version deleted after the sending: the link opens nothing.
    server_.db().exec("DELETE FROM PROPOSTAFAS WHERE NRPROPOSFAS = :NR", {{"NR", nr(2)}});
    EXPECT_EQ(get("/cliente/" + token2_).status, 404);
}

TEST_P(ClientPageTest, RevokedAndExpiredLinksAreGone) {
    const QByteArray body = acceptBody(token1_);
    ASSERT_TRUE(revoke(server_.db(), nr(1), "01", 1, "VENDEDOR", QDateTime(kToday, QTime(9, 30))));
    Reply r = get("/cliente/" + token1_);
    EXPECT_EQ(r.status, 410);
    EXPECT_EQ(r.message(), QStringLiteral("Este link foi cancelado pela empresa."));
    EXPECT_EQ(post(token1_, body).status, 410);
    EXPECT_EQ(get("/cliente/" + token1_ + "/proposta.pdf").status, 410);

    const QString lastDay = send(2, kToday);
    EXPECT_EQ(get("/cliente/" + lastDay).status, 200) << "the expiry date is the link's last day";
    const QString expired = send(2, kToday.addDays(-1));
    r = get("/cliente/" + expired);
    EXPECT_EQ(r.status, 410);
    EXPECT_EQ(r.message(), QStringLiteral("Este link expirou em 05/12/2026."));
    EXPECT_EQ(post(expired, acceptBody(lastDay)).status, 410);
    EXPECT_EQ(decisions(1) + decisions(2), 0);
}

TEST_P(ClientPageTest, AnAcceptanceIsRecordedOnceWithItsHistoryAndMail) {
    const QString hash = shownHash(token1_);
    Reply r =
        post(token1_, acceptBody(token1_, "&nome=Ana+Souza&cargo=Diretora&li=sim&comentario=Fechado%0D%0Aobrigada"));
    ASSERT_EQ(r.status, 200) << r.body.toStdString();
    EXPECT_EQ(r.message(), QStringLiteral("Obrigado! A aceitação da proposta foi registrada."));

    const Packet row = server_.db().query("SELECT * FROM DECISAOPROP WHERE NRPROPOSFAS = :NR", {{"NR", nr(1)}});
    ASSERT_EQ(row.rows.size(), 1);
    EXPECT_EQ(cells(row, 0, {"IDDECISAO", "NRENVIO", "NMRESPDECISAO", "DSCARGODECISAO", "TXCOMENTARIO", "DSENDIP"}),
              QStringList({"A", "1", "Ana Souza", "Diretora", "Fechado\nobrigada", "127.0.0.1"}));
    EXPECT_EQ(row.value(0, "TXHASHCONT").toString().trimmed(), hash);
    EXPECT_EQ(hash, currentHash(1));
    EXPECT_EQ(row.value(0, "DSNAVEGADOR").toString().size(), 300);
    EXPECT_EQ(row.value(0, "DTDECISAO").toDateTime(), Clock::current().now());
    const Packet history = server_.db().query(
        "SELECT CDOPERADOR, NMMETODO, IDOPERHIST FROM HISTPROP WHERE NRPROPOSFAS = :NR", {{"NR", nr(1)}});
    EXPECT_EQ(cells(history, 0, {"CDOPERADOR", "NMMETODO", "IDOPERHIST"}), QStringList({"<null>", "DecisaoCliente", "M"}));
    EXPECT_EQ(history.rows.size(), 1);

    ASSERT_EQ(mail_.sent.size(), 2) << "the salesperson's notice, then the client's receipt";
    const MailMessage& notice = mail_.sent[0].message;
    EXPECT_TRUE(notice.subject.startsWith("Proposta 70000000000000000001/01 aceita por ")) << notice.subject.toStdString();
    EXPECT_EQ(notice.to, QStringList{"vendedor@demo.local"});
    EXPECT_TRUE(notice.textPart.contains("Ana Souza"));
    EXPECT_TRUE(notice.textPart.contains("> Fechado\n> obrigada"));
    const MailMessage& receipt = mail_.sent[1].message;
    EXPECT_EQ(receipt.to, QStringList{"compras@alfa.example"}) << "where the link went";
    EXPECT_TRUE(receipt.textPart.contains(hash)) << "the evidence kept with the decision";
    ASSERT_EQ(receipt.attachments.size(), 1);
    EXPECT_EQ(receipt.attachments[0].data, "%PDF-1.4 proposta");

    // A second post, accepting or declining: the first decision stands.
    r = post(token1_, "acao=recusar&motivo=preco&conteudo=" + hash.toLatin1());
    EXPECT_EQ(r.status, 409);
    EXPECT_EQ(r.message(), QStringLiteral("A decisão sobre esta proposta já foi registrada."));
    EXPECT_EQ(post(token1_, acceptBody(token1_)).status, 409);
    EXPECT_EQ(decisions(1), 1);
    EXPECT_EQ(mail_.sent.size(), 2);

    // Through any link of the version, the page now shows the decision and no form.
    const QString again = send(1);
    for (const QString& token : QStringList{token1_, again}) {
        r = get("/cliente/" + token);
        EXPECT_EQ(r.status, 200);
        EXPECT_EQ(r.message(), QStringLiteral("Proposta aceita em 06/12/2026 10:00 por Ana Souza."));
        EXPECT_FALSE(r.body.contains("<form"));
    }
    EXPECT_EQ(decisions(2), 0) << "the other proposal is untouched";
}

TEST_P(ClientPageTest, ADeclineNeedsItsReasonAndAMailThatFailsChangesNothing) {
    mail_.failWhenSubjectContains = "recusada";
    const QByteArray hash = shownHash(token2_).toLatin1();
    Reply r = post(token2_, "acao=recusar&motivo=&comentario=caro&conteudo=" + hash);
    EXPECT_EQ(r.status, 400);
    EXPECT_EQ(r.message(), QStringLiteral("Escolha o motivo da recusa."));
    EXPECT_TRUE(r.body.contains("id=\"form-recusa\"")) << "the forms again, with what was typed";
    EXPECT_TRUE(r.body.contains(">caro</textarea>"));
    EXPECT_EQ(post(token2_, "acao=recusar&motivo=barato&conteudo=" + hash).status, 400);
    EXPECT_EQ(decisions(2), 0);

    r = post(token2_, "acao=recusar&motivo=concorrente&comentario=Outro+fornecedor&confirma=sim&conteudo=" + hash);
    ASSERT_EQ(r.status, 200) << r.body.toStdString();
    EXPECT_EQ(r.message(), QStringLiteral("Obrigado! A recusa da proposta foi registrada."));
    const Packet row = server_.db().query("SELECT IDDECISAO, IDMOTIVO, NMRESPDECISAO FROM DECISAOPROP "
                                          "WHERE NRPROPOSFAS = :NR", {{"NR", nr(2)}});
    EXPECT_EQ(cells(row, 0, {"IDDECISAO", "IDMOTIVO", "NMRESPDECISAO"}), QStringList({"R", "C", "<null>"}));
    EXPECT_EQ(row.rows.size(), 1);
    ASSERT_EQ(mail_.sent.size(), 1) << "the notice failed; the decision and the client's receipt stand";
    EXPECT_TRUE(mail_.sent[0].message.subject.startsWith("Comprovante: recusa"));
    EXPECT_TRUE(mail_.sent[0].message.attachments.isEmpty()) << "a decline carries no PDF";
    EXPECT_EQ(get("/cliente/" + token2_).message(), QStringLiteral("Proposta recusada em 06/12/2026 10:00."));
}

TEST_P(ClientPageTest, AnIncompleteOrForgedAcceptanceRecordsNothing) {
    const struct {
        QByteArray extra;
        int status;
        QString message;
    } cases[] = {
        {"&nome=&cargo=Diretora&li=sim", 400, "Informe o seu nome."},
        {"&nome=+++&li=sim", 400, "Informe o seu nome."},
        {"&nome=Ana", 400, "Marque \"Li e aceito a proposta\"."},
        {"&nome=Ana&li=talvez", 400, "Pedido inválido."},
        {"&nome=" + QByteArray(101, 'a') + "&li=sim", 400, "Pedido inválido."},
        {"&nome=Ana&li=sim&nome=Beto", 400, "Pedido inválido."},
        {"&nome=Ana&li=sim&extra=1", 400, "Pedido inválido."},
        {"&nome=%FF%FE&li=sim", 400, "Pedido inválido."},
        {"&nome=Ana&li=sim&comentario=%E", 400, "Pedido inválido."},
    };
    for (const auto& c : cases) {
        const Reply r = post(token1_, acceptBody(token1_, c.extra));
        EXPECT_EQ(r.status, c.status) << c.extra.toStdString();
        EXPECT_EQ(r.message(), c.message) << c.extra.toStdString();
    }
    EXPECT_EQ(post(token1_, "acao=apagar&nome=Ana&li=sim").message(), QStringLiteral("Pedido inválido."));
    // A body beyond 16 KB is refused before it is read.
    const Reply large = post(token1_, acceptBody(token1_, "&nome=Ana&li=sim&comentario=" + QByteArray(17 * 1024, 'x')));
    EXPECT_EQ(large.status, 413);
    EXPECT_TRUE(!large.header("Content-Security-Policy").empty());
    EXPECT_EQ(decisions(1), 0);
    EXPECT_TRUE(mail_.sent.isEmpty());
}

TEST_P(ClientPageTest, AVersionChangedAfterTheSendingIsNoLongerDecidedOn) {
    const QByteArray body = acceptBody(token1_);
    server_.db().exec("UPDATE LINPPROP SET VRLICENCUSOPROP = 900 WHERE NRPROPOSFAS = :NR", {{"NR", nr(1)}});
    const QString stale = QStringLiteral(
        "A proposta foi atualizada depois do envio deste link. Peça ao vendedor o link da versão atual.");
    Reply r = get("/cliente/" + token1_);
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(r.message(), stale);
    EXPECT_FALSE(r.body.contains("<form"));
    EXPECT_FALSE(r.body.contains("baixar-pdf"));
    r = post(token1_, body);
    EXPECT_EQ(r.status, 409);
    EXPECT_EQ(r.message(), stale);

    // A new link for the new content opens; a form shown before the change does not post.
    const QString fresh = send(1);
    EXPECT_EQ(get("/cliente/" + fresh).status, 200);
    EXPECT_EQ(post(fresh, body).status, 409) << "the posted content is not the current one";
    EXPECT_EQ(decisions(1), 0);
    EXPECT_EQ(post(fresh, acceptBody(fresh)).status, 200);
}

TEST_P(ClientPageTest, PostsRacingForTheSameVersionLeaveOneDecision) {
    const QString other = send(1);
    const QByteArray body = acceptBody(token1_);
    std::vector<std::future<int>> posts;
    for (int i = 0; i < 6; ++i)
        posts.push_back(std::async(std::launch::async, [&, i] { return post(i % 2 ? other : token1_, body).status; }));
    std::vector<int> statuses;
    for (auto& p : posts) statuses.push_back(p.get());
    EXPECT_EQ(std::count(statuses.begin(), statuses.end(), 200), 1);
    EXPECT_EQ(std::count(statuses.begin(), statuses.end(), 409), 5);
    EXPECT_EQ(decisions(1), 1);
    EXPECT_EQ(mail_.sent.size(), 2);
}

TEST_P(ClientPageTest, LinksStartWithTheServersOwnAddressByDefault) {
    QString own = server_.url();
    own.chop(4);  // "/rpc"
    EXPECT_EQ(pageLink(token1_), own + "/cliente/" + token1_);
}

TEST_P(ClientPageTest, APackageIsShownWithItsScheduleAndARentalWithoutLicence) {
    server::Database& db = server_.db();
    const QVariantMap key{{"NR", nr(2)}};
    db.exec("UPDATE PROPOSTAFAS SET IDTIPOPROPFAS = 'L', IDTIPOCOBRSERV = 'P', VRPACOTESERV = 1200 "
            "WHERE NRPROPOSFAS = :NR", key);
    // As the switch to rental leaves the lines: no licence, no licence installments.
    db.exec("UPDATE LINPPROP SET VRLICENCUSOPROP = 0, VRDESLICUSOPROP = 0 WHERE NRPROPOSFAS = :NR", key);
    db.exec("DELETE FROM VENCLINPPROP WHERE NRPROPOSFAS = :NR", key);
    for (int month : {3, 4}) {
        QVariantMap row = key;
        row.insert("DUE", QDateTime(QDate(2027, month, 5), QTime(0, 0)));
        db.exec("INSERT INTO VENCSERVPROP (NRPROPOSFAS, NRVERPROPFAS, DTVENCSERVPROP, VRVENCSERVPROP) "
                "VALUES (:NR, '01', :DUE, 600)", row);
    }
    const QString content = proposalContentHtml(db, nr(2), "01");
    EXPECT_EQ(content, proposalContentHtml(db, nr(2), "01")) << "the same rows give the same bytes";
    // Every sending and decision keeps the hash of the section it showed: a change of the
    // section's markup would make each link already sent say that its proposal changed.
    EXPECT_EQ(contentHash(content), "f175710dc283310fa97f1f1ae142d886ce94c896b4a40d07640db3ef938f1d32");
    EXPECT_EQ(missingFrom(content, {"Cobrança: pacote de serviços de R$ 1.200,00.", "05/04/2027", "Locação mensal",
                                    "<strong id=\"total-geral\">R$ 1.200,00</strong>"}), QStringList());
    // A rental quotes no licence; the installments are the quoted value.
    EXPECT_EQ(missingFrom(content, {"Licença de uso", "id=\"juros\""}, true), QStringList());
    EXPECT_TRUE(proposalContentHtml(db, nr(2), "02").isEmpty());
}

COT_ON_EVERY_BACKEND(ClientPageTest);

// The pieces of the page that need no server: the stored texts reduced to inert text, and
// the public address the links start with.
TEST(ClientPageText, RichTextBecomesItsPlainTextAndPlainTextStaysAsTyped) {
    EXPECT_EQ(plainTextOfHtml("<!DOCTYPE html><html><head><title>t</title><style>p{}</style></head><body>"
                        "<p>Um&nbsp;&amp; dois</p>\n<p>tr&ecirc;s &#233; &#x41; &ccedil;&atilde;o &bogus; &#0;</p>"
                        "<ul><li>a</li><li>b</li></ul>"
                        "<!-- nota --></body></html>"),
              QString::fromUtf8("Um\u00a0& dois\ntrês é A ção &bogus; &#0;\na\nb"));
    EXPECT_EQ(plainTextOfHtml("Preço < 10 e > 5\nsegunda linha"), "Preço < 10 e > 5\nsegunda linha");
    EXPECT_EQ(plainTextOfHtml("<p>x</p><img src=x onerror=alert(1)><a href=\"javascript:y\">link</a>"), "x\nlink");
    EXPECT_EQ(inertHtml("a <b>\n\"c\" & 'd'"), "a &lt;b&gt;<br>&quot;c&quot; &amp; &#39;d&#39;");
}

TEST(ClientPagePublicUrl, TakesAnHttpOrHttpsAddressOnly) {
    const auto config = [](const QString& url) {
        return server::ServerConfig::fromArgs({"--public-url", url}, QProcessEnvironment(), QString());
    };
    EXPECT_EQ(config("https://propostas.exemplo.com.br/").publicUrl, "https://propostas.exemplo.com.br");
    EXPECT_EQ(config("http://10.0.0.5:8080/propostas").publicUrl, "http://10.0.0.5:8080/propostas");
    for (const char* bad : {"ftp://exemplo.com.br", "propostas.exemplo.com.br", "https://",
                            "https://u:s@exemplo.com.br", "https://exemplo.com.br/?x=1"})
        EXPECT_THROW(config(bad), server::ConfigError) << bad;
}

}  // namespace
