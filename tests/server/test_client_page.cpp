// The client's page served by the application server: the token alone decides which
// version opens, a link that was revoked, expired or outlived its content refuses the
// decision, one decision per version even when posted twice, the form checked, the stored
// texts shown as text, the security headers on every answer, and the salesperson's mail.
#include <httplib.h>

#include <QCryptographicHash>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <future>
#include <set>

#include "data/html_text.h"
#include "server/client_page/page_text.h"
#include "server/client_page/page_address.h"
#include "server/client_page/proposal_page.h"
#include "server/client_page/sending_store.h"
#include "services/mail_sender.h"
#include "support/process_memory.h"
#include "support/qt_printers.h"
#include "server/rpc/server_config.h"
#include "deal_cases.h"

using namespace cot;
using namespace cot::server::client_page;
using namespace cot::testing;

namespace {

QString nr(int n) { return QStringLiteral("7%1").arg(n, 19, 10, QLatin1Char('0')); }
const QDate kToday(2026, 12, 6);
QDateTime day(const QDate& d) { return QDateTime(d, QTime(0, 0)); }

// A licence proposal of branch 0001 for Alfa: one product line in two installments that
// carry interest (2 × 1.050,00 for 2 × 1.000,00 quoted), one service by the hour, and a
// text someone typed markup into.
void proposal(server::Database& db, int n, const QString& reference) {
    const QVariantMap key{{"NR", nr(n)}, {"REF", reference}, {"DT", day(kToday.addDays(-3))}, {"VAL", day(kToday.addDays(20))},
                          {"D1", day(QDate(2027, 1, 10))}, {"D2", day(QDate(2027, 2, 10))}};
    for (const char* sql :
         {"INSERT INTO PROPOSTAFAS (NRPROPOSFAS, NRVERPROPFAS, CDFILIAL, IDCLIENPROSP, CDCLIENTE, DSREFEPROPOSFAS, "
          "DTPROPOSFAS, DTVALPROPFAS, CDOPERINCL, CDOPERRESP, IDTIPOPROPFAS, IDTIPOCOBRSERV) VALUES (:NR, '01', "
          "'0001', 'C', '11222333000181', :REF, :DT, :VAL, 'VENDEDOR', 'VENDEDOR', 'M', 'H')",
          "INSERT INTO LINPPROP (NRPROPOSFAS, NRVERPROPFAS, CDLINPPROP, CDLINPPROPINFOR, NMLINPPROP, QTMINIMAFATPROP, "
          "VRLICENCUSOPROP, VRDESLICUSOPROP, VRMENSALIDAPROP, VRDESMENSALPROP) VALUES (:NR, '01', 'L1', 'ERP', 'Gestão', "
          "2, 1000, 0, 100, 0)",
          "INSERT INTO SISTLINPPROP (NRPROPOSFAS, NRVERPROPFAS, CDLINPPROP, CDSISTEMA) VALUES (:NR, '01', 'L1', 'WEB00001')",
          "INSERT INTO SERVPROP (NRPROPOSFAS, NRVERPROPFAS, NRSERVPROP, CDTIPOSERV, IDTIPOCOBRPROP, QTSERVPROP, "
          "VRHORAPROP, VRDEHORAPROP) VALUES (:NR, '01', '001', '001', 'H', 10, 150, 150)",
          "INSERT INTO TXTPROPFAS (NRPROPOSFAS, NRVERPROPFAS, CDTXTPROPFAS, NRORDEMMSG, TXPROPFAS) VALUES (:NR, '01', "
          "'T1', 1, '<script>alert(1)</script>'), (:NR, '01', 'T2', 2, "
          "'<html><body><p>Prazo &lt;b&gt; de entrega<br>30 dias</p><script>x()</script></body></html>')",
          "INSERT INTO VENCLINPPROP (NRPROPOSFAS, NRVERPROPFAS, CDLINPPROP, DTVELUSOPEDP, VRVELUSOPEDP) "
          "VALUES (:NR, '01', 'L1', :D1, 1050), (:NR, '01', 'L1', :D2, 1050)"})
        db.exec(QString::fromUtf8(sql), key);
}

struct Reply {
    int status = 0;
    QString body;
    httplib::Headers headers;
    std::string header(const char* name) const { return headers.count(name) ? headers.find(name)->second : std::string(); }
    QString message() const {
        static const QRegularExpression p(QStringLiteral("<p id=\"mensagem\"[^>]*>([^<]*)</p>"));
        return decodeCharacterReferences(p.match(body).captured(1));
    }
};

struct ClientPageTest : cot::testing::DemoServerTest {
    ClientPageTest()
        : DemoServerTest({.prepare = [](server::Database& db) { proposal(db, 1, "Primeira"); proposal(db, 2, "Segunda"); },
          // These tests open many pages from one address; the pace per address is tested apart.
          .configure = [](server::ServerConfig& c) { c.limits.pageBurst = 10000; }}) {
        setDefaultMailSender(&mail_);
    }
    ~ClientPageTest() override { setDefaultMailSender(nullptr); }

    QString send(int n, QDate expires = kToday.addDays(20), const QByteArray& pdf = "%PDF-1.4 proposta") {
        const QString token = newToken();
        recordSending(server_.db(), {.nr = nr(n), .ver = "01", .sentAt = QDateTime(kToday, QTime(9, 0)), .operatorCode = "VENDEDOR",
                                     .to = "compras@alfa.example", .expires = expires, .contentHash = currentHash(n)},
                      tokenHash(token), pdf);
        return token;
    }

    Reply get(const QString& path) { return reply(httplib::Client("127.0.0.1", server_.port()).Get(path.toStdString())); }
    Reply post(const QString& token, const QByteArray& body, const char* type = "application/x-www-form-urlencoded") {
        const httplib::Headers headers{{"User-Agent", std::string(400, 'u')}};
        return reply(httplib::Client("127.0.0.1", server_.port())
                         .Post(("/cliente/" + token).toStdString(), headers, body.constData(), size_t(body.size()), type));
    }
    // Every answer, whatever it says, carries the security headers.
    static Reply reply(const httplib::Result& r) {
        if (!r) return {};
        const Reply out{r->status, QString::fromStdString(r->body), r->headers};
        EXPECT_EQ(
            (std::vector{out.header("Content-Security-Policy"), out.header("X-Content-Type-Options"),
                         out.header("Referrer-Policy"), out.header("Cache-Control"), out.header("X-Frame-Options")}),
            (std::vector<std::string>{"default-src 'none'; style-src 'self'; img-src 'self' data:; "
                                      "form-action 'self'; frame-ancestors 'none'; base-uri 'none'",
                                      "nosniff", "no-referrer", "no-store", "DENY"}))
            << out.status << out.body.left(300).toStdString();
        return out;
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
    QString token1_ = send(1), token2_ = send(2);
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
    // (Signed by who offers it, above the content and below the forms: ClientPageChrome in deal/.)
    EXPECT_TRUE(get("/cliente/" + token2_).body.contains("Segunda"));

    const Reply pdf = get("/cliente/" + token1_ + "/proposta.pdf");
    EXPECT_EQ(std::pair(pdf.status, pdf.body), std::pair(200, QString("%PDF-1.4 proposta")));
    EXPECT_EQ(pdf.header("Content-Disposition"), "attachment; filename=\"Proposta 70000000000000000001-01.pdf\"");
    // The style sheet and unknown paths answer with the security headers too.
    EXPECT_EQ(std::pair(get("/cliente/estilo.css").status, get("/cliente/x/y/z").status), std::pair(200, 404));
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
    const auto r = httplib::Client("127.0.0.1", server_.port()).Get(("/cliente/" + token + "/proposta.pdf").toStdString(),
                                                                     [&](const char* data, size_t n) {
        got.addData(QByteArrayView(data, qsizetype(n)));
        size += qint64(n);
        return true;
    });
    ASSERT_TRUE(r);
    EXPECT_EQ(std::tuple(r->status, size, got.result()), std::tuple(200, qint64(pdf.size()), sent));
    // Besides the parts in flight, the peak holds the page thread's database cache and what
    // the allocator keeps of the parts it freed (about 9.5 MB here, more under coverage): well
    // under the 40 MB a download held whole would add.
    EXPECT_LT(cot::testing::kPeakIsTheProgramsOwn ? cot::testing::statusKb("VmHWM:") - before : 0, 16 * 1024)
        << "KB over the peak before the download, for a 40 MB PDF";
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
    // Each also refused when `posted`, and its PDF when `pdf`.
    const struct {
        QString token;
        int status;
        QString message;
        QByteArray posted;
        bool pdf = false;
    } cases[] = {{forged, 404, invalid, body2, true},
                 {"abc", 404, invalid},
                 {token1_ + "x", 404, invalid},
                 {token1_.left(42) + "!", 404, invalid},
                 {token1_, 410, "Este link foi cancelado pela empresa.", body1, true},
                 {expired, 410, "Este link expirou em 05/12/2026.", body2}};
    for (const auto& c : cases) {
        const Reply r = get("/cliente/" + c.token);
        EXPECT_EQ(std::pair(r.status, r.message()), std::pair(c.status, c.message)) << c.token.toStdString();
        EXPECT_EQ(c.posted.isEmpty() ? c.status : post(c.token, c.posted).status, c.status) << c.token.toStdString();
        EXPECT_EQ(c.pdf ? get("/cliente/" + c.token + "/proposta.pdf").status : c.status, c.status) << c.token.toStdString();
    }
    EXPECT_EQ(get("/cliente/" + lastDay).status, 200) << "the expiry date is the link's last day";
    EXPECT_EQ(decisions(1) + decisions(2), 0);

    // The version deleted after the sending: the link opens nothing.
    server_.db().exec("DELETE FROM PROPOSTAFAS WHERE NRPROPOSFAS = :NR", {{"NR", nr(2)}});
    EXPECT_EQ(get("/cliente/" + token2_).status, 404);
}

TEST_P(ClientPageTest, AnAcceptanceIsRecordedOnceWithItsHistoryAndMail) {
    const QString hash = shownHash(token1_);
    Reply r = post(token1_, acceptBody(token1_, "&nome=Ana+Souza&cargo=Diretora&li=sim&comentario=Fechado%0D%0Aobrigada"));
    ASSERT_EQ(std::pair(r.status, r.message()), std::pair(200, QString("Obrigado! A aceitação da proposta foi registrada.")))
        << r.body.toStdString();
    // Who, from where, with which browser (its first 300 characters), when, and what was shown.
    EXPECT_EQ(rowTexts(server_.db(), "SELECT IDDECISAO, NRENVIO, NMRESPDECISAO, DSCARGODECISAO, TXCOMENTARIO, DSENDIP, "
                       "LENGTH(DSNAVEGADOR), DTDECISAO, TXHASHCONT FROM DECISAOPROP WHERE NRPROPOSFAS = :NR", {{"NR", nr(1)}}),
              QStringList{"A|1|Ana Souza|Diretora|Fechado\nobrigada|127.0.0.1|300|06/12/2026 10:00|" + hash});
    EXPECT_EQ(rowTexts(server_.db(), "SELECT CDOPERADOR, NMMETODO, IDOPERHIST FROM HISTPROP WHERE NRPROPOSFAS = :NR",
                       {{"NR", nr(1)}}), QStringList{"<null>|DecisaoCliente|M"});

    ASSERT_EQ(mail_.sent.size(), 2) << "the salesperson's notice, then the client's receipt";
    const MailMessage &notice = mail_.sent[0].message, &receipt = mail_.sent[1].message;
    EXPECT_TRUE(notice.subject.startsWith("Proposta 70000000000000000001/01 aceita por ")) << notice.subject.toStdString();
    // The receipt goes where the link went, with the evidence kept with the decision.
    EXPECT_EQ(std::pair(notice.to, receipt.to), std::pair(QStringList{"vendedor@demo.local"}, QStringList{"compras@alfa.example"}));
    EXPECT_EQ(missingFrom(notice.textPart, {"Ana Souza", "> Fechado\n> obrigada"}) + missingFrom(receipt.textPart, {hash}),
              QStringList());
    EXPECT_EQ(std::pair(receipt.attachments.size(), receipt.attachments.value(0).data),
              std::pair(qsizetype(1), QByteArray("%PDF-1.4 proposta")));

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
    ASSERT_EQ(std::pair(r.status, r.message()), std::pair(200, QString("Obrigado! A recusa da proposta foi registrada.")))
        << r.body.toStdString();
    EXPECT_EQ(rowTexts(server_.db(), "SELECT IDDECISAO, IDMOTIVO, NMRESPDECISAO FROM DECISAOPROP WHERE NRPROPOSFAS = :NR",
                       {{"NR", nr(2)}}), QStringList{"R|C|<null>"});
    ASSERT_EQ(mail_.sent.size(), 1) << "the notice failed; the decision and the client's receipt stand";
    // A decline carries no PDF.
    EXPECT_TRUE(mail_.sent[0].message.subject.startsWith("Comprovante: recusa") && mail_.sent[0].message.attachments.isEmpty());
    EXPECT_EQ(get("/cliente/" + token2_).message(), QStringLiteral("Proposta recusada em 06/12/2026 10:00."));
}

TEST_P(ClientPageTest, AnIncompleteOrForgedAcceptanceRecordsNothing) {
    const QString invalid = "Pedido inválido.";
    const struct { QByteArray body; int status; QString message; } cases[] = {
        {acceptBody(token1_, "&nome=&cargo=Diretora&li=sim"), 400, "Informe o seu nome."},
        {acceptBody(token1_, "&nome=+++&li=sim"), 400, "Informe o seu nome."},
        {acceptBody(token1_, "&nome=Ana"), 400, "Marque \"Li e aceito a proposta\"."},
        {acceptBody(token1_, "&nome=Ana&li=talvez"), 400, invalid}, {acceptBody(token1_, "&nome=Ana&li=sim&extra=1"), 400, invalid},
        {acceptBody(token1_, "&nome=" + QByteArray(101, 'a') + "&li=sim"), 400, invalid},
        {acceptBody(token1_, "&nome=Ana&li=sim&nome=Beto"), 400, invalid}, {acceptBody(token1_, "&nome=%FF%FE&li=sim"), 400, invalid},
        {acceptBody(token1_, "&nome=Ana&li=sim&comentario=%E"), 400, invalid}, {"acao=apagar&nome=Ana&li=sim", 400, invalid},
        // A body beyond 16 KB is refused before it is read.
        {acceptBody(token1_, "&nome=Ana&li=sim&comentario=" + QByteArray(17 * 1024, 'x')), 413, invalid}};
    for (const auto& c : cases) {
        const Reply r = post(token1_, c.body);
        EXPECT_EQ(std::pair(r.status, r.message()), std::pair(c.status, c.message)) << c.body.left(200).toStdString();
    }
    EXPECT_EQ(post(token1_, acceptBody(token1_), "text/plain").status, 400) << "a form sent as anything but a form";
    EXPECT_EQ(decisions(1), 0);
    EXPECT_TRUE(mail_.sent.isEmpty());
}

TEST_P(ClientPageTest, AVersionChangedAfterTheSendingIsNoLongerDecidedOn) {
    const QByteArray body = acceptBody(token1_);
    server_.db().exec("UPDATE LINPPROP SET VRLICENCUSOPROP = 900 WHERE NRPROPOSFAS = :NR", {{"NR", nr(1)}});
    const QString stale = "A proposta foi atualizada depois do envio deste link. Peça ao vendedor o link da versão atual.";
    const Reply r = get("/cliente/" + token1_), posted = post(token1_, body);
    // The page says so, with no form and no PDF; the post is refused with the same words.
    EXPECT_EQ(std::tuple(r.status, r.message(), missingFrom(r.body, {"<form", "baixar-pdf"}, true), posted.status, posted.message()),
              std::tuple(200, stale, QStringList(), 409, stale));

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
    std::multiset<int> statuses;
    for (auto& p : posts) statuses.insert(p.get());
    EXPECT_EQ(statuses, (std::multiset{200, 409, 409, 409, 409, 409}));
    EXPECT_EQ(std::pair(decisions(1), mail_.sent.size()), std::pair(1, qsizetype(2)));
}

TEST_P(ClientPageTest, APackageIsShownWithItsScheduleAndARentalWithoutLicence) {
    server::Database& db = server_.db();
    const QVariantMap key{{"NR", nr(2)}, {"D1", day(QDate(2027, 3, 5))}, {"D2", day(QDate(2027, 4, 5))}};
    // As the switch to rental leaves the lines: no licence, no licence installments.
    for (const char* sql : {"UPDATE PROPOSTAFAS SET IDTIPOPROPFAS = 'L', IDTIPOCOBRSERV = 'P', VRPACOTESERV = 1200 "
                            "WHERE NRPROPOSFAS = :NR",
                            "UPDATE LINPPROP SET VRLICENCUSOPROP = 0, VRDESLICUSOPROP = 0 WHERE NRPROPOSFAS = :NR",
                            "DELETE FROM VENCLINPPROP WHERE NRPROPOSFAS = :NR",
                            "INSERT INTO VENCSERVPROP (NRPROPOSFAS, NRVERPROPFAS, DTVENCSERVPROP, VRVENCSERVPROP) "
                            "VALUES (:NR, '01', :D1, 600), (:NR, '01', :D2, 600)"})
        db.exec(sql, key);
    const QString content = proposalContentHtml(db, nr(2), "01");
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
    EXPECT_EQ(
        plainTextOfHtml(
            "<!DOCTYPE html><html><head><title>t</title><style>p{}</style></head><body><p>Um&nbsp;&amp; dois</p>"
            "\n<p>tr&ecirc;s &#233; &#x41; &ccedil;&atilde;o &bogus; &#0;</p><ul><li>a</li><li>b</li></ul><!-- nota --></body></html>"),
        QString::fromUtf8("Um\u00a0& dois\ntrês é A ção &bogus; &#0;\na\nb"));
    EXPECT_EQ(plainTextOfHtml("Preço < 10 e > 5\nsegunda linha"), "Preço < 10 e > 5\nsegunda linha");
    EXPECT_EQ(plainTextOfHtml("<p>x</p><img src=x onerror=alert(1)><a href=\"javascript:y\">link</a>"), "x\nlink");
    EXPECT_EQ(inertHtml("a <b>\n\"c\" & 'd'"), "a &lt;b&gt;<br>&quot;c&quot; &amp; &#39;d&#39;");

    const auto config = [](const QString& url) {
        return server::ServerConfig::fromArgs({"--public-url", url}, QProcessEnvironment(), QString());
    };
    EXPECT_EQ(std::pair(config("https://propostas.exemplo.com.br/").publicUrl, config("http://10.0.0.5:8080/propostas").publicUrl),
              std::pair(QString("https://propostas.exemplo.com.br"), QString("http://10.0.0.5:8080/propostas")));
    for (const char* bad : {"ftp://exemplo.com.br", "propostas.exemplo.com.br", "https://",
                            "https://u:s@exemplo.com.br", "https://exemplo.com.br/?x=1"})
        EXPECT_THROW(config(bad), server::ConfigError) << bad;
}

}  // namespace
