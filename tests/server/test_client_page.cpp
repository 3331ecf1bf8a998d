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
using cot::testing::cells;
using cot::testing::missingFrom;

namespace {

QString nr(int n) { return QStringLiteral("7%1").arg(n, 19, 10, QLatin1Char('0')); }
const QDate kToday(2026, 12, 6);
QDateTime day(const QDate& d) { return QDateTime(d, QTime(0, 0)); }

// A licence proposal of branch 0001 for Alfa: one product line in two installments that
// carry interest (2 × 1.050,00 for 2 × 1.000,00 quoted), one service by the hour, and a
// text someone typed markup into.
void proposal(server::Database& db, int n, const QString& reference) {
    const QVariantMap key{{"NR", nr(n)}, {"VER", "01"}};
    db.exec("INSERT INTO PROPOSTAFAS (NRPROPOSFAS, NRVERPROPFAS, CDFILIAL, IDCLIENPROSP, CDCLIENTE, DSREFEPROPOSFAS, "
            "DTPROPOSFAS, DTVALPROPFAS, CDOPERINCL, CDOPERRESP, IDTIPOPROPFAS, IDTIPOCOBRSERV) VALUES (:NR, :VER, "
            "'0001', 'C', '11222333000181', :REF, :DT, :VAL, 'VENDEDOR', 'VENDEDOR', 'M', 'H')",
            {{"NR", nr(n)}, {"VER", "01"}, {"REF", reference}, {"DT", day(kToday.addDays(-3))},
             {"VAL", day(kToday.addDays(20))}});
    for (const char* sql :
         {"INSERT INTO LINPPROP (NRPROPOSFAS, NRVERPROPFAS, CDLINPPROP, CDLINPPROPINFOR, NMLINPPROP, QTMINIMAFATPROP, "
          "VRLICENCUSOPROP, VRDESLICUSOPROP, VRMENSALIDAPROP, VRDESMENSALPROP) VALUES (:NR, :VER, 'L1', 'ERP', 'Gestão', "
          "2, 1000, 0, 100, 0)",
          "INSERT INTO SISTLINPPROP (NRPROPOSFAS, NRVERPROPFAS, CDLINPPROP, CDSISTEMA) VALUES (:NR, :VER, 'L1', 'WEB00001')",
          "INSERT INTO SERVPROP (NRPROPOSFAS, NRVERPROPFAS, NRSERVPROP, CDTIPOSERV, IDTIPOCOBRPROP, QTSERVPROP, "
          "VRHORAPROP, VRDEHORAPROP) VALUES (:NR, :VER, '001', '001', 'H', 10, 150, 150)",
          "INSERT INTO TXTPROPFAS (NRPROPOSFAS, NRVERPROPFAS, CDTXTPROPFAS, NRORDEMMSG, TXPROPFAS) VALUES (:NR, :VER, "
          "'T1', 1, '<script>alert(1)</script>')",
          "INSERT INTO TXTPROPFAS (NRPROPOSFAS, NRVERPROPFAS, CDTXTPROPFAS, NRORDEMMSG, TXPROPFAS) VALUES (:NR, :VER, "
          "'T2', 2, '<html><body><p>Prazo &lt;b&gt; de entrega<br>30 dias</p><script>x()</script></body></html>')"})
        db.exec(QString::fromUtf8(sql), key);
    for (int month : {1, 2})
        db.exec("INSERT INTO VENCLINPPROP (NRPROPOSFAS, NRVERPROPFAS, CDLINPPROP, DTVELUSOPEDP, VRVELUSOPEDP) "
                "VALUES (:NR, '01', 'L1', :DUE, 1050)", {{"NR", nr(n)}, {"DUE", day(QDate(2027, month, 10))}});
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
        s.contentHash = currentHash(n);
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
    int decisions(int n) { return count("SELECT COUNT(*) FROM DECISAOPROP WHERE NRPROPOSFAS = :NR", {{"NR", nr(n)}}); }
    QString currentHash(int n) { return contentHash(proposalContentHtml(server_.db(), nr(n), "01")); }

    RecordingMailSender mail_;
    QString token1_, token2_;
};

TEST_P(ClientPageTest, TheTokenAloneOpensItsVersionAndShowsItsContentAsText) {
    const Reply page = get("/cliente/" + token1_);
    ASSERT_EQ(page.status, 200);
    // The number without the zeros that fill it; licence 2 × 1.050,00 in installments, services
    // 10 h × 150,00, the interest explained; the forms and the PDF; the stored texts as text
    // (rich text: its text, its breaks).
    EXPECT_EQ(missingFrom(page.body, {"Proposta 70000000000000000001/01", "Primeira", "Alfa Sistemas", "FIN - Financeiro",
                                      "10/01/2027", "<strong id=\"total-geral\">R$ 3.600,00</strong>", "R$ 2.100,00",
                                      "R$ 3.500,00", "id=\"form-aceite\"", "id=\"form-recusa\"", "id=\"baixar-pdf\"",
                                      "&lt;script&gt;alert(1)&lt;/script&gt;", "Prazo &lt;b&gt; de entrega<br>30 dias"}),
              QStringList()) << page.body.toStdString();
    EXPECT_FALSE(page.body.contains("<script", Qt::CaseInsensitive) || page.body.contains("x()"));
    EXPECT_FALSE(page.body.contains("Segunda")) << "another proposal's token never opens this one";
    // Signed by who offers it, above the content and below the forms.
    EXPECT_LT(page.body.indexOf("id=\"timbre\""), page.body.indexOf("id=\"total-geral\""));
    EXPECT_GT(page.body.indexOf("id=\"rodape\""), page.body.indexOf("id=\"form-recusa\""));
    EXPECT_EQ(shownHash(token1_), currentHash(1));
    EXPECT_TRUE(get("/cliente/" + token2_).body.contains("Segunda"));

    const Reply pdf = get("/cliente/" + token1_ + "/proposta.pdf");
    EXPECT_EQ(std::pair(pdf.status, pdf.body), std::pair(200, QString("%PDF-1.4 proposta")));
    EXPECT_EQ(pdf.header("Content-Disposition"), "attachment; filename=\"Proposta 70000000000000000001-01.pdf\"");
    // Links start with the server's own address by default.
    EXPECT_EQ(pageLink(token1_), server_.url().chopped(4) + "/cliente/" + token1_);
}

// A large PDF goes out a slice at a time: the server never holds it whole, however large.
TEST_P(ClientPageTest, APdfIsSentWholeWithoutBeingHeldWhole) {
    QByteArray pdf(40 << 20, Qt::Uninitialized);
    QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(pdf.data()), pdf.size() / 4);
    pdf.replace(0, 5, "%PDF-");
    const QString token = send(1, kToday.addDays(20), pdf);
    const QByteArray sent = QCryptographicHash::hash(pdf, QCryptographicHash::Sha256);  // before the peak is read

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
    EXPECT_EQ(std::pair(r->status, size), std::pair(200, qint64(pdf.size())));
    EXPECT_EQ(got.result(), sent);
    // Besides the parts in flight, the peak holds the page thread's database cache and what
    // the allocator keeps of the parts it freed (about 9.5 MB here, more under coverage): well
    // under the 40 MB a download held whole would add.
    if (cot::testing::kPeakIsTheProgramsOwn) {
        EXPECT_LT(cot::testing::statusKb("VmHWM:") - before, 16 * 1024)
            << "KB over the peak before the download, for a 40 MB PDF";
    }
}

TEST_P(ClientPageTest, EveryAnswerCarriesTheSecurityHeaders) {
    const QStringList paths{"/cliente/" + token1_, "/cliente/estilo.css", "/cliente/" + token1_ + "/proposta.pdf",
                            "/cliente/" + QString(42, u'A') + u'A', "/cliente/x/y/z"};
    std::vector<Reply> replies{post(token1_, "acao=aceitar", "text/plain")};
    EXPECT_EQ(replies[0].status, 400);
    for (const QString& path : paths) replies.push_back(get(path));
    for (const Reply& r : replies) {
        EXPECT_NE(r.status, 0);
        EXPECT_EQ((std::vector{r.header("Content-Security-Policy"), r.header("X-Content-Type-Options"),
                               r.header("Referrer-Policy"), r.header("Cache-Control"), r.header("X-Frame-Options")}),
                  (std::vector<std::string>{"default-src 'none'; style-src 'self'; img-src 'self' data:; "
                                            "form-action 'self'; frame-ancestors 'none'; base-uri 'none'",
                                            "nosniff", "no-referrer", "no-store", "DENY"})) << r.body.toStdString();
    }
}

// Unknown, malformed, revoked, expired and deleted links: the page, the decision and the PDF
// are all refused, with the page's message.
TEST_P(ClientPageTest, LinksThatAreInvalidRevokedOrExpiredDecideNothing) {
    const QString forged = QString(42, u'B') + u'A';  // the shape of a real token, never given
    ASSERT_TRUE(wellFormedToken(forged));
    const QByteArray body1 = acceptBody(token1_);
    const QString lastDay = send(2, kToday), expired = send(2, kToday.addDays(-1));
    const QByteArray body2 = acceptBody(lastDay);
    ASSERT_TRUE(revoke(server_.db(), nr(1), "01", 1, "VENDEDOR", QDateTime(kToday, QTime(9, 30))));
    const QString invalid = "Link inválido.";
    const struct {
        QString token;
        int status;
        QString message;
    } cases[] = {{forged, 404, invalid}, {"abc", 404, invalid}, {token1_ + "x", 404, invalid},
                 {token1_.left(42) + "!", 404, invalid}, {token1_, 410, "Este link foi cancelado pela empresa."},
                 {expired, 410, "Este link expirou em 05/12/2026."}};
    for (const auto& c : cases) {
        const Reply r = get("/cliente/" + c.token);
        EXPECT_EQ(std::pair(r.status, r.message()), std::pair(c.status, c.message)) << c.token.toStdString();
    }
    for (const QString& token : {forged, token1_, expired}) {
        const int status = token == forged ? 404 : 410;
        EXPECT_EQ(post(token, token == token1_ ? body1 : body2).status, status) << token.toStdString();
        if (token != expired) {
            EXPECT_EQ(get("/cliente/" + token + "/proposta.pdf").status, status);
        }
    }
    EXPECT_EQ(get("/cliente/" + lastDay).status, 200) << "the expiry date is the link's last day";
    EXPECT_EQ(decisions(1) + decisions(2), 0);

    // The version deleted after the sending: the link opens nothing.
    server_.db().exec("DELETE FROM PROPOSTAFAS WHERE NRPROPOSFAS = :NR", {{"NR", nr(2)}});
    EXPECT_EQ(get("/cliente/" + token2_).status, 404);
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
    EXPECT_EQ(missingFrom(notice.textPart, {"Ana Souza", "> Fechado\n> obrigada"}), QStringList());
    const MailMessage& receipt = mail_.sent[1].message;
    EXPECT_EQ(receipt.to, QStringList{"compras@alfa.example"}) << "where the link went";
    EXPECT_TRUE(receipt.textPart.contains(hash)) << "the evidence kept with the decision";
    ASSERT_EQ(receipt.attachments.size(), 1);
    EXPECT_EQ(receipt.attachments[0].data, "%PDF-1.4 proposta");

    // A second post, accepting or declining: the first decision stands.
    r = post(token1_, "acao=recusar&motivo=preco&conteudo=" + hash.toLatin1());
    EXPECT_EQ(std::pair(r.status, r.message()), std::pair(409, QString("A decisão sobre esta proposta já foi registrada.")));
    EXPECT_EQ(post(token1_, acceptBody(token1_)).status, 409);
    EXPECT_EQ(std::pair(decisions(1), mail_.sent.size()), std::pair(1, qsizetype(2)));

    // Through any link of the version, the page now shows the decision and no form.
    for (const QString& token : QStringList{token1_, send(1)}) {
        r = get("/cliente/" + token);
        EXPECT_EQ(std::pair(r.status, r.message()), std::pair(200, QString("Proposta aceita em 06/12/2026 10:00 por Ana Souza.")));
        EXPECT_FALSE(r.body.contains("<form"));
    }
    EXPECT_EQ(decisions(2), 0) << "the other proposal is untouched";
}

TEST_P(ClientPageTest, ADeclineNeedsItsReasonAndAMailThatFailsChangesNothing) {
    mail_.failWhenSubjectContains = "recusada";
    const QByteArray hash = shownHash(token2_).toLatin1();
    Reply r = post(token2_, "acao=recusar&motivo=&comentario=caro&conteudo=" + hash);
    EXPECT_EQ(std::pair(r.status, r.message()), std::pair(400, QString("Escolha o motivo da recusa.")));
    // The forms again, with what was typed.
    EXPECT_EQ(missingFrom(r.body, {"id=\"form-recusa\"", ">caro</textarea>"}), QStringList());
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
    const QString invalid = "Pedido inválido.";
    const struct {
        QByteArray body;
        int status;
        QString message;
    } cases[] = {
        {acceptBody(token1_, "&nome=&cargo=Diretora&li=sim"), 400, "Informe o seu nome."},
        {acceptBody(token1_, "&nome=+++&li=sim"), 400, "Informe o seu nome."},
        {acceptBody(token1_, "&nome=Ana"), 400, "Marque \"Li e aceito a proposta\"."},
        {acceptBody(token1_, "&nome=Ana&li=talvez"), 400, invalid},
        {acceptBody(token1_, "&nome=" + QByteArray(101, 'a') + "&li=sim"), 400, invalid},
        {acceptBody(token1_, "&nome=Ana&li=sim&nome=Beto"), 400, invalid},
        {acceptBody(token1_, "&nome=Ana&li=sim&extra=1"), 400, invalid},
        {acceptBody(token1_, "&nome=%FF%FE&li=sim"), 400, invalid},
        {acceptBody(token1_, "&nome=Ana&li=sim&comentario=%E"), 400, invalid},
        {"acao=apagar&nome=Ana&li=sim", 400, invalid},
        // A body beyond 16 KB is refused before it is read.
        {acceptBody(token1_, "&nome=Ana&li=sim&comentario=" + QByteArray(17 * 1024, 'x')), 413, invalid},
    };
    for (const auto& c : cases) {
        const Reply r = post(token1_, c.body);
        EXPECT_EQ(std::pair(r.status, r.message()), std::pair(c.status, c.message)) << c.body.left(200).toStdString();
        EXPECT_FALSE(r.header("Content-Security-Policy").empty());
    }
    EXPECT_EQ(decisions(1), 0);
    EXPECT_TRUE(mail_.sent.isEmpty());
}

TEST_P(ClientPageTest, AVersionChangedAfterTheSendingIsNoLongerDecidedOn) {
    const QByteArray body = acceptBody(token1_);
    server_.db().exec("UPDATE LINPPROP SET VRLICENCUSOPROP = 900 WHERE NRPROPOSFAS = :NR", {{"NR", nr(1)}});
    const QString stale = QStringLiteral(
        "A proposta foi atualizada depois do envio deste link. Peça ao vendedor o link da versão atual.");
    Reply r = get("/cliente/" + token1_);
    EXPECT_EQ(std::pair(r.status, r.message()), std::pair(200, stale));
    EXPECT_EQ(missingFrom(r.body, {"<form", "baixar-pdf"}, true), QStringList());
    r = post(token1_, body);
    EXPECT_EQ(std::pair(r.status, r.message()), std::pair(409, stale));

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
    std::sort(statuses.begin(), statuses.end());
    EXPECT_EQ(statuses, (std::vector{200, 409, 409, 409, 409, 409}));
    EXPECT_EQ(std::pair(decisions(1), mail_.sent.size()), std::pair(1, qsizetype(2)));
}

TEST_P(ClientPageTest, APackageIsShownWithItsScheduleAndARentalWithoutLicence) {
    server::Database& db = server_.db();
    const QVariantMap key{{"NR", nr(2)}};
    db.exec("UPDATE PROPOSTAFAS SET IDTIPOPROPFAS = 'L', IDTIPOCOBRSERV = 'P', VRPACOTESERV = 1200 "
            "WHERE NRPROPOSFAS = :NR", key);
    // As the switch to rental leaves the lines: no licence, no licence installments.
    db.exec("UPDATE LINPPROP SET VRLICENCUSOPROP = 0, VRDESLICUSOPROP = 0 WHERE NRPROPOSFAS = :NR", key);
    db.exec("DELETE FROM VENCLINPPROP WHERE NRPROPOSFAS = :NR", key);
    for (int month : {3, 4})
        db.exec("INSERT INTO VENCSERVPROP (NRPROPOSFAS, NRVERPROPFAS, DTVENCSERVPROP, VRVENCSERVPROP) "
                "VALUES (:NR, '01', :DUE, 600)", {{"NR", nr(2)}, {"DUE", day(QDate(2027, month, 5))}});
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
// the public address the links start with (an http or https address only).
TEST(ClientPageText, RichTextBecomesItsPlainTextAndTheAddressIsChecked) {
    EXPECT_EQ(plainTextOfHtml("<!DOCTYPE html><html><head><title>t</title><style>p{}</style></head><body>"
                        "<p>Um&nbsp;&amp; dois</p>\n<p>tr&ecirc;s &#233; &#x41; &ccedil;&atilde;o &bogus; &#0;</p>"
                        "<ul><li>a</li><li>b</li></ul>"
                        "<!-- nota --></body></html>"),
              QString::fromUtf8("Um\u00a0& dois\ntrês é A ção &bogus; &#0;\na\nb"));
    EXPECT_EQ(plainTextOfHtml("Preço < 10 e > 5\nsegunda linha"), "Preço < 10 e > 5\nsegunda linha");
    EXPECT_EQ(plainTextOfHtml("<p>x</p><img src=x onerror=alert(1)><a href=\"javascript:y\">link</a>"), "x\nlink");
    EXPECT_EQ(inertHtml("a <b>\n\"c\" & 'd'"), "a &lt;b&gt;<br>&quot;c&quot; &amp; &#39;d&#39;");

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
