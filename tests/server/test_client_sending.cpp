// Sending a proposal version to its client: what is refused and in which order, the one
// sending row it leaves (the token's hash, never the token), the mail with the link and the
// PDF, a failed mail taking everything back, the sendings' states and the cancelling of a
// link, and the rows going with their version.
#include <QCryptographicHash>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSet>

#include "server/client_page/page_address.h"
#include "server/client_page/proposal_page.h"
#include "server/client_page/sending_store.h"
#include "services/cipher.h"
#include "services/mail_sender.h"
#include "support/packet_cells.h"
#include "support/qt_printers.h"
#include "support/small_pdf.h"
#include "deal_cases.h"

using namespace cot;
using namespace cot::testing;

namespace {

const QByteArray kPdf = cot::testing::smallPdf();
const QString kPdfText = QString::fromLatin1(kPdf.toBase64());
const QString kTo = QStringLiteral("cliente@empresa.com.br; compras@empresa.com.br");

class ClientSendingTest : public cot::testing::DemoServerTest {
protected:
    ClientSendingTest() { setDefaultMailSender(&mail_); }
    ~ClientSendingTest() override { setDefaultMailSender(nullptr); }

    RpcResult send(int number, const QString& ver, const QString& to = kTo, const QString& pdf = kPdfText) {
        return call("EnviarAoCliente", {nr(number), ver, to, pdf});
    }
    Packet sendings(int number, const QString& ver) { return packet("GetEnvios", {nr(number), ver}); }
    int count(const QString& table, int number, const QString& extra = {}) {
        return DemoServerTest::count(QString("SELECT COUNT(*) FROM %1 WHERE NRPROPOSFAS = :N %2").arg(table, extra), {{"N", nr(number)}});
    }
    int historyRows(int number, const char* method) { return count("HISTPROP", number, QString("AND NMMETODO = '%1'").arg(method)); }
    void decide(int number, const QString& ver) {
        server_.db().exec("INSERT INTO DECISAOPROP (NRPROPOSFAS, NRVERPROPFAS, NRENVIO, IDDECISAO, DTDECISAO, TXHASHCONT) "
                          "VALUES (:N, :V, 1, 'R', :D, :H)",
                          {{"N", nr(number)}, {"V", ver}, {"D", QDateTime(QDate(2026, 12, 6), QTime(9, 0))}, {"H", QString(64, u'0')}});
    }
    // The token of the link the last mail carried: the mails alone carry it.
    QString mailedToken() {
        if (mail_.sent.isEmpty()) return {};
        return QRegularExpression("/cliente/([A-Za-z0-9_-]{43})").match(mail_.sent.last().message.textPart).captured(1);
    }

    RecordingMailSender mail_;
};

TEST_P(ClientSendingTest, RefusalsComeInOrderAndWriteNothing) {
    const QString badTo = "sem-arroba", badPdf = "!!!", invalidPdf = "O PDF da proposta é inválido.";
    decide(6, "03");
    server_.db().exec("UPDATE PROPOSTAFAS SET DTVALPROPFAS = NULL WHERE NRPROPOSFAS = :N", {{"N", nr(9)}});
    const QString expired = "A proposta está vencida ou sem validade; altere a validade antes de enviá-la.";
    const struct { int number; const char* ver; QString to, pdf, text; } cases[] = {
        {99, "01", badTo, badPdf, "Proposta não cadastrada."},
        {1, "01", badTo, badPdf, "A proposta já foi aceita e não pode ser enviada ao cliente."},
        {6, "03", badTo, badPdf, "O cliente já decidiu sobre esta versão da proposta."},
        {4, "01", badTo, badPdf, expired},
        {9, "01", badTo, badPdf, expired},
        {2, "01", " ; , ", badPdf, "Informe o e-mail do cliente."},
        {2, "01", "ok@empresa.com.br, cliente@empresa", badPdf, "E-mail inválido: cliente@empresa."},
        {2, "01", "a@b.com.br;x y@empresa.com.br", kPdfText, "E-mail inválido: x y@empresa.com.br."},
        {2, "01", "a@b.com.br;\"Fulano\" <x@empresa.com.br>", kPdfText, "E-mail inválido: \"Fulano\" <x@empresa.com.br>."},
        {2, "01", "a@b.com.br\r\nBcc: x@empresa.com.br", kPdfText, "E-mail inválido: a@b.com.br Bcc: x@empresa.com.br."},
        {2, "01", kTo, QString(), invalidPdf},
        {2, "01", kTo, badPdf, invalidPdf},
        {2, "01", kTo, QString::fromLatin1(QByteArray("<html>não é pdf</html>").toBase64()), invalidPdf},
        {2, "01", QString(240, u'a') + "@empresa.com.br", kPdfText, "Informe no máximo 5 e-mails, em até 250 caracteres."},
    };
    for (const auto& c : cases) EXPECT_EQ(send(c.number, c.ver, c.to, c.pdf).error, c.text);
    EXPECT_EQ(DemoServerTest::count("SELECT COUNT(*) FROM ENVIOPROP") +
                  DemoServerTest::count("SELECT COUNT(*) FROM HISTPROP WHERE NMMETODO = 'EnviarAoCliente'"), 0);
    EXPECT_TRUE(mail_.sent.isEmpty());
    EXPECT_TRUE(succeeded(send(6, "02"))) << "a version valid until today is still sent";
}

TEST_P(ClientSendingTest, ASendingKeepsTheTokensHashAndMailsTheLinkWithThePdf) {
    // The branch's password as the desktop stores it, enciphered with the hosts' key.
    const QByteArray savedKey = qgetenv("COT_HOST_KEY");
    qputenv("COT_HOST_KEY", QByteArray(64, '7'));
    const auto restoreKey = qScopeGuard([&] {
        if (savedKey.isEmpty()) qunsetenv("COT_HOST_KEY");
        else qputenv("COT_HOST_KEY", savedKey);
    });
    server_.db().exec("UPDATE ENDEFILI SET DSSMTPEMAILF = 'smtps://smtp.filial.demo', CDSENHEMAILF = :S WHERE CDFILIAL = '0001'",
                      {{"S", Criptografa::Cripto("s3gredo")}});
    const RpcResult r = send(2, "01");
    ASSERT_TRUE(succeeded(r));
    const Packet reply = r.value.value<Packet>();
    EXPECT_EQ(cells(reply, 0, {"NRENVIO", "DTENVIO", "DSEMAILDEST", "DTEXPIRA"}) << QString::number(reply.rows.size()),
              QStringList({"1", "06/12/2026 10:00", kTo, "31/12/2026", "1"}));
    const QString token = mailedToken();
    EXPECT_TRUE(server::client_page::wellFormedToken(token)) << token.toStdString();

    // One row: the token's hash (the token itself nowhere), the content's hash, the PDF.
    const QStringList row = rowTexts(server_.db(), "SELECT * FROM ENVIOPROP");
    ASSERT_EQ(row.size(), 1);
    EXPECT_FALSE(row[0].contains(token));
    const QString content = server::client_page::proposalContentHtml(server_.db(), nr(2), "01");
    ASSERT_FALSE(content.isEmpty());
    EXPECT_EQ(rowTexts(server_.db(), "SELECT NRVERPROPFAS, TXTOKENHASH, CDOPERADOR, DSEMAILDEST, TXHASHCONT, TXHASHPDF FROM ENVIOPROP"),
              QStringList{QStringList({"01", server::client_page::tokenHash(token), server_.operatorCode(), kTo,
                                       server::client_page::contentHash(content),
                                       QCryptographicHash::hash(kPdf, QCryptographicHash::Sha256).toHex()}).join(u'|')});

    // The mail: through the branch's account, to every address, the link and the PDF in it.
    ASSERT_EQ(mail_.sent.size(), 1);
    const MailAccount& account = mail_.sent[0].account;
    const MailMessage& m = mail_.sent[0].message;
    EXPECT_EQ(QStringList({account.server, account.user, account.password, m.from, m.subject}),
              QStringList({"smtps://smtp.filial.demo", "comercial.sp@demo.local", "s3gredo", "comercial.sp@demo.local",
                           "Proposta 2/01 - ERP Web e serviços de implantação"}));
    EXPECT_EQ(m.to, QStringList({"cliente@empresa.com.br", "compras@empresa.com.br"}));
    for (const QString& part : {m.textPart, m.htmlPart})  // signed by the salesperson
        EXPECT_EQ(cot::testing::missingFrom(part, {server::client_page::pageLink(token), "válida até", "31/12/2026",
                                                   "Gerente Comercial"}), QStringList());
    ASSERT_EQ(m.attachments.size(), 1);
    EXPECT_EQ(std::tuple(m.attachments[0].fileName, m.attachments[0].contentType, m.attachments[0].data),
              std::tuple(QString("Proposta 2-01.pdf"), QString("application/pdf"), kPdf));
    EXPECT_EQ(historyRows(2, "EnviarAoCliente"), 1);

    // A second sending is numbered after it, with a link of its own.
    EXPECT_EQ(send(2, "01", QStringLiteral("outro@empresa.com.br")).value.value<Packet>().value(0, "NRENVIO").toInt(), 2);
    EXPECT_NE(mailedToken(), token);
}

// A mail that fails, a branch without a mail account and a change of the version while the
// mail goes out: each refused, nothing kept. The mail goes out with no transaction open:
// another session saves meanwhile (SQLite would make it wait for the whole SMTP dialogue
// otherwise); what it changed is then found when the sending is recorded.
TEST_P(ClientSendingTest, ASendingThatFailsOrMeetsAChangeKeepsNothing) {
    mail_.failWhenSubjectContains = QStringLiteral("Proposta 2/01");
    EXPECT_EQ(send(2, "01").error, mail_.failureText);
    mail_.failWhenSubjectContains.clear();
    EXPECT_EQ(count("ENVIOPROP", 2) + historyRows(2, "EnviarAoCliente"), 0);

    struct WritingSender : MailSender {
        QString url;
        QString reference;
        bool wrote = false;
        void send(const MailAccount&, const MailMessage&) override {
            auto other = server::Database::open(url);
            server::Transaction tx(*other);
            other->exec(QStringLiteral("UPDATE PROPOSTAFAS SET DSREFEPROPOSFAS = :R WHERE NRPROPOSFAS = :N AND "
                                       "NRVERPROPFAS = '01'"),
                        {{"R", reference}, {"N", nr(2)}});
            tx.commit();
            wrote = true;
        }
    } writer;
    writer.url = server_.databaseUrl();
    writer.reference = QStringLiteral("Referência mudada durante o envio");
    setDefaultMailSender(&writer);
    EXPECT_EQ(send(2, "01").error, "A proposta foi alterada durante o envio; envie-a de novo.");
    EXPECT_TRUE(writer.wrote);
    EXPECT_EQ(count("ENVIOPROP", 2) + historyRows(2, "EnviarAoCliente"), 0);

    setDefaultMailSender(&mail_);
    server_.db().exec(QStringLiteral("UPDATE ENDEFILI SET DSSMTPEMAILF = NULL WHERE CDFILIAL = '0001'"));
    EXPECT_EQ(send(2, "01").error, "A filial 0001 não tem conta de e-mail cadastrada.");
    EXPECT_EQ(count("ENVIOPROP", 2), 0);
    EXPECT_TRUE(mail_.sent.isEmpty());
}

TEST_P(ClientSendingTest, CancellingALinkTheStatesOfTheSendingsAndTheirVersionsDeletion) {
    ASSERT_TRUE(send(2, "01").ok);
    ASSERT_TRUE(send(2, "01", QStringLiteral("outro@empresa.com.br")).ok);
    Packet list = sendings(2, "01");
    EXPECT_EQ(column(list, "NRENVIO") + column(list, "IDSITUENVIO") + column(list, "DSEMAILDEST"),
              QStringList({"2", "1", "V", "V", "outro@empresa.com.br", kTo}));
    EXPECT_EQ(column(list, "NMOPERADOR"), QStringList(2, "Vendedor Demonstração"));

    ASSERT_TRUE(succeeded(server_.connection().call(QStringLiteral("RevogarEnvio"), {nr(2), "01", 1})));
    EXPECT_EQ(server_.connection().call(QStringLiteral("RevogarEnvio"), {nr(2), "01", 1}).error,
              "O link deste envio já foi cancelado.");
    for (const QVariantList& unknown : {QVariantList{nr(2), "01", 9}, QVariantList{nr(2), "02", 1}})
        EXPECT_EQ(server_.connection().call(QStringLiteral("RevogarEnvio"), unknown).error, "Envio não encontrado.");
    EXPECT_EQ(historyRows(2, "RevogarEnvio"), 1);

    list = sendings(2, "01");
    EXPECT_EQ(column(list, "IDSITUENVIO"), QStringList({"V", "C"}));
    EXPECT_EQ(cells(list, 1, {"DTREVOGA", "CDOPERREVOGA"}) + cells(list, 0, {"DTREVOGA"}),
              QStringList({"06/12/2026 10:00", server_.operatorCode(), "<null>"}));

    // Past its last day a link has expired; once the client decided, no link decides again.
    server_.db().exec(QStringLiteral("UPDATE ENVIOPROP SET DTEXPIRA = :D WHERE NRENVIO = 2"),
                      {{"D", QDate(2026, 12, 5)}});
    EXPECT_EQ(column(sendings(2, "01"), "IDSITUENVIO"), QStringList({"X", "C"}));
    decide(2, "01");
    EXPECT_EQ(column(sendings(2, "01"), "IDSITUENVIO"), QStringList({"D", "C"}));
    EXPECT_TRUE(sendings(6, "03").isEmpty());

    // Deleting the version takes its sendings, decision and loss along; another's stay.
    server_.db().exec(QStringLiteral("INSERT INTO PERDAPROP (NRPROPOSFAS, NRVERPROPFAS, DTPERDA, IDMOTIVO) VALUES (:N, '01', :D, 'P')"),
                      {{"N", nr(2)}, {"D", QDateTime(QDate(2026, 12, 6), QTime(9, 0))}});
    ASSERT_TRUE(send(7, "01").ok);
    const Delta remove{{{"NRPROPOSFAS", FieldType::String, 20}, {"NRVERPROPFAS", FieldType::String, 2}},
                       {{ChangeOp::Delete, {nr(2), "01"}, {}}}};
    ASSERT_TRUE(succeeded(server_.connection().call(QStringLiteral("SetProposta"), {QVariant::fromValue(remove)})));
    EXPECT_EQ(QList<int>({count("ENVIOPROP", 2), count("DECISAOPROP", 2), count("PERDAPROP", 2), count("ENVIOPROP", 7)}),
              QList<int>({0, 0, 0, 1}));
}

TEST(ClientSendingToken, TokensAreRandomAndOnlyTheirShapeIsTakenForALookup) {
    using namespace server::client_page;
    QSet<QString> seen;
    for (int i = 0; i < 500; ++i) {
        const QString token = newToken();
        ASSERT_TRUE(wellFormedToken(token)) << token.toStdString();
        seen.insert(token);
    }
    EXPECT_EQ(seen.size(), 500);
    const QString good = *seen.begin();
    EXPECT_TRUE(tokenHash(good).size() == 64 && tokenHash(good) != tokenHash(newToken()));
    for (const QString& token : QStringList{good.left(42), good + "A", good.left(42) + "B", "+" + good.mid(1), "/" + good.mid(1),
                                            good.left(41) + "=A", "../" + good.mid(3), QString(43, QChar(0x00e9)), QString()})
        EXPECT_FALSE(wellFormedToken(token)) << token.toStdString();
}

COT_ON_EVERY_BACKEND(ClientSendingTest);

}  // namespace
