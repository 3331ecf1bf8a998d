// What a salesperson may not do with "Enviar ao Cliente": send without bound (the hourly and
// daily quota, held while the mail goes out and after the version is deleted), to many or
// repeated addresses, with a file that is no PDF or too large one, fill the database with
// the same PDF, read the client's link from a reply, or decide for the client through it;
// and what he gets instead: the page as the client sees it, read only.
#include <QCryptographicHash>
#include <QJsonDocument>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include "base/clock.h"
#include "rpc/net_connection.h"
#include "server/client_page/sending_quota.h"
#include "server/client_page/sending_store.h"
#include "server/migrations/migrations.h"
#include "server/rpc/method_registry.h"
#include "services/mail_sender.h"
#include "support/packet_cells.h"
#include "support/qt_printers.h"
#include "support/small_pdf.h"
#include "server/server_cases_a.h"
#include "server/test_storage_engines.h"

using namespace cot;
using namespace cot::testing;
namespace cp = cot::server::client_page;

namespace {

const QString kTo = QStringLiteral("cliente@empresa.com.br");
const QDateTime kTen(QDate(2026, 12, 6), QTime(10, 0));

QString base64(const QByteArray& bytes) { return QString::fromLatin1(bytes.toBase64()); }

// The small PDF with a password asked to open it (the standard handler; the keys match no
// password).
QByteArray lockedPdf() {
    QByteArray pdf = smallPdf();
    pdf.replace("/Root 1 0 R >>", "/Root 1 0 R /Encrypt << /Filter /Standard /V 1 /R 2 /P -4 /O <" +
                                      QByteArray(64, '7') + "> /U <" + QByteArray(64, '3') + "> >> /ID [<" +
                                      QByteArray(32, '1') + "> <" + QByteArray(32, '1') + ">] >>");
    return pdf;
}

class SendingBounds : public cot::testing::DemoServerTest {
protected:
    SendingBounds() { setDefaultMailSender(&mail_); }
    ~SendingBounds() override { setDefaultMailSender(nullptr); }

    RpcResult send(int number, const QString& to = kTo, const QByteArray& pdf = smallPdf()) {
        return call("EnviarAoCliente", {nr(number), "01", to, base64(pdf)});
    }
    void setQuota(int perHour, int perDay) {
        server_.db().exec("UPDATE FILIAL SET QTENVIOHORA = :H, QTENVIODIA = :D", {{"H", perHour}, {"D", perDay}});
    }

    RecordingMailSender mail_;
};

TEST_P(SendingBounds, TheQuotaRefusesPastTheHourAndTheDayAndSaysWhenItFreesUp) {
    setQuota(3, 5);
    // Three on a version then deleted: deleting it gives none of them back.
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(send(7).ok);
    const QList<FieldDef> key{{"NRPROPOSFAS", FieldType::String, 20}, {"NRVERPROPFAS", FieldType::String, 2}};
    ASSERT_TRUE(call("SetProposta", {QVariant::fromValue(Delta{key, {{ChangeOp::Delete, {nr(7), "01"}, {}}}})}).ok);
    EXPECT_EQ(send(2).error, "Você atingiu o limite de 3 envios ao cliente por hora. O próximo envio poderá ser feito às 11:00.");
    EXPECT_EQ(mail_.sent.size(), 3);
    EXPECT_EQ(count("SELECT COUNT(*) FROM ENVIOPROP"), 0);

    // Another operator has a quota of his own.
    const QJsonObject other = server_.callAs(server_.openSession("GERENTE"), "EnviarAoCliente", {nr(3), "01", kTo, base64(smallPdf())});
    EXPECT_FALSE(other.contains("error")) << QJsonDocument(other).toJson().toStdString();

    // An hour later the hour is free, the day is not: two more, then the day's limit.
    Clock::setCurrent(std::make_shared<FixedClock>(kTen.addSecs(3600)));
    EXPECT_TRUE(send(2).ok);
    Clock::setCurrent(std::make_shared<FixedClock>(kTen.addSecs(3630)));
    EXPECT_TRUE(send(2).ok);
    EXPECT_EQ(
        send(2).error,
        "Você atingiu o limite de 5 envios ao cliente em 24 horas. O próximo envio poderá ser feito em 07/12/2026 às 10:00.");
    setQuota(0, 5);
    EXPECT_EQ(send(2).error, "A filial 0001 não permite enviar propostas ao cliente.");
    EXPECT_EQ(mail_.sent.size(), 6);
}

// Counted when recorded, before the mail goes out: a call made meanwhile finds it counted.
TEST_P(SendingBounds, ASendingIsCountedWhileItsMailGoesOut) {
    setQuota(1, 100);
    struct Checking : MailSender {
        QString url, refusal;
        void send(const MailAccount&, const MailMessage&) override {
            auto other = server::Database::open(url);
            try {
                cp::requireQuota(*other, QStringLiteral("VENDEDOR"), cp::sendingQuota(*other, "0001"), kTen);
            } catch (const server::MethodError& e) {
                refusal = e.text();
            }
        }
    } checking;
    checking.url = server_.databaseUrl();
    setDefaultMailSender(&checking);
    ASSERT_TRUE(send(2).ok);
    EXPECT_EQ(checking.refusal, "Você atingiu o limite de 1 envios ao cliente por hora. O próximo envio poderá ser feito às 11:00.");
}

TEST_P(SendingBounds, AddressesAreFewDistinctAndWellFormed) {
    const QString tooMany = QStringLiteral("Informe no máximo 5 e-mails, em até 250 caracteres.");
    struct Case {
        QString typed, refusal;  // refusal empty: sent
        QStringList to;          // the distinct addresses mailed and recorded
    };
    const QList<Case> cases{
        {"a@b.com.br; c@b.com.br; d@b.com.br; e@b.com.br; f@b.com.br; g@b.com.br", tooMany, {}},
        {"Ana@Beta.demo; ana@beta.demo, ANA@BETA.DEMO; bia@beta.demo", {}, {"Ana@Beta.demo", "bia@beta.demo"}},
        {"a@b.com.br; c@b.com.br; d@b.com.br; e@b.com.br; f@b.com.br; A@B.COM.BR; C@b.com.br", {},
         {"a@b.com.br", "c@b.com.br", "d@b.com.br", "e@b.com.br", "f@b.com.br"}},
        {"ana@beta.demo; ana@beta", QStringLiteral("E-mail inválido: ana@beta."), {}},
    };
    for (const Case& c : cases) {
        mail_.sent.clear();
        const RpcResult r = send(2, c.typed);
        EXPECT_EQ(r.error, c.refusal) << c.typed.toStdString();
        EXPECT_EQ(mail_.sent.isEmpty() ? QStringList() : mail_.sent[0].message.to, c.to);
        EXPECT_EQ(r.value.value<Packet>().value(0, "DSEMAILDEST").toString(), c.to.join("; "));
    }
}

TEST_P(SendingBounds, OnlyAPdfAReaderOpensIsSent) {
    QByteArray noPages = smallPdf();
    noPages.replace("/Kids [3 0 R] /Count 1", "/Kids [] /Count 0");
    const QByteArray padded = smallPdf() + "%" + QByteArray(6'000'000, 'x') + "\n";
    const QList<std::pair<QByteArray, QString>> cases{
        {"%PDF-1.7\n" + QByteArray(5000, 'j'), QStringLiteral("O PDF da proposta é inválido.")},
        {padded, QStringLiteral("O PDF da proposta passa de 6 MB.")},
        {lockedPdf(), QStringLiteral("O PDF da proposta está protegido por senha.")},
        {noPages, QStringLiteral("O PDF da proposta não tem páginas.")},
    };
    for (const auto& [pdf, refusal] : cases) EXPECT_EQ(send(2, kTo, pdf).error, refusal);
    EXPECT_TRUE(mail_.sent.isEmpty());
    EXPECT_EQ(count("SELECT COUNT(*) FROM ENVIOPROP") + count("SELECT COUNT(*) FROM PDFENVIO"), 0);
}

TEST_P(SendingBounds, TheSamePdfIsStoredOnceAndGoesWithItsLastSending) {
    const QByteArray first = smallPdf("Proposta 2/01");
    for (const auto& [number, to, pdf] :
         {std::tuple{2, kTo, first}, {2, QString("outro@empresa.com.br"), first}, {7, kTo, smallPdf("Proposta 7/01")}})
        ASSERT_TRUE(send(number, to, pdf).ok);
    EXPECT_EQ(count("SELECT COUNT(*) FROM PDFENVIO"), 2);
    const QList<cp::Sending> sendings = cp::sendingsOf(server_.db(), nr(2), "01");
    ASSERT_EQ(sendings.size(), 2);
    EXPECT_EQ(sendings[0].pdfHash, sendings[1].pdfHash);
    for (const cp::Sending& s : sendings) EXPECT_EQ(cp::sendingPdf(server_.db(), s), first);

    // A mail that fails takes its sending back and leaves the PDF another sending names.
    mail_.failWhenSubjectContains = QStringLiteral("Proposta 2/01");
    EXPECT_FALSE(send(2, kTo, first).ok);
    EXPECT_EQ(count("SELECT COUNT(*) FROM PDFENVIO"), 2);
    for (const auto& [which, left] : {std::pair{" AND NRENVIO = 1", 2}, {"", 1}}) {
        server_.db().exec(QString("DELETE FROM ENVIOPROP WHERE NRPROPOSFAS = :N") + which, {{"N", nr(2)}});
        EXPECT_EQ(count("SELECT COUNT(*) FROM PDFENVIO"), left) << which;
    }
}

TEST_P(SendingBounds, TheLinkIsInTheMailAloneAndThePreviewTakesNoDecision) {
    const QJsonObject sent = server_.call("EnviarAoCliente", {nr(2), "01", kTo, base64(smallPdf())});
    ASSERT_FALSE(sent.contains("error")) << QJsonDocument(sent).toJson().toStdString();
    const QString token =
        QRegularExpression("/cliente/([A-Za-z0-9_-]{43})").match(mail_.sent.last().message.textPart).captured(1);
    ASSERT_TRUE(cp::findByToken(server_.db(), token).has_value()) << "the mailed token opens the stored sending";
    const QJsonObject preview = server_.call("GetPaginaCliente", {nr(2), "01"});
    for (const QJsonObject& reply : {sent, server_.call("GetEnvios", {nr(2), "01"}), preview}) {
        const QByteArray text = QJsonDocument(reply).toJson();
        EXPECT_FALSE(text.contains(token.toLatin1())) << text.toStdString();
        EXPECT_FALSE(text.contains("/cliente/")) << text.left(2000).toStdString();
    }

    const QString page = preview.value("result").toString();
    EXPECT_EQ(missingFrom(page, {"<section id=\"proposta\">", "ERP Web e serviços de implantação",
                                 "Pré-visualização da página do cliente."}) +
                  missingFrom(page, {"<form", "<input", "<button", "id=\"baixar-pdf\"", "<script"}, true),
              QStringList());

    // Once the client decided, the preview says so, as his page does.
    server_.db().exec("INSERT INTO DECISAOPROP (NRPROPOSFAS, NRVERPROPFAS, NRENVIO, IDDECISAO, DTDECISAO, NMRESPDECISAO, "
                      "TXHASHCONT) VALUES (:N, '01', 1, 'A', :D, 'Ana', :H)", {{"N", nr(2)}, {"D", kTen}, {"H", QString(64, u'0')}});
    const QString decided = server_.call("GetPaginaCliente", {nr(2), "01"}).value("result").toString();
    EXPECT_TRUE(decided.contains("Proposta aceita em 06/12/2026 10:00 por Ana.")) << decided.left(600).toStdString();
    EXPECT_FALSE(decided.contains("<form"));

    // Refused to an operator who may not see the version; a version not stored is said so.
    const QJsonObject refused = server_.callAs(server_.openSession("ASSIST"), "GetPaginaCliente", {nr(2), "01"});
    EXPECT_TRUE(refused.contains("error"));
    EXPECT_FALSE(QJsonDocument(refused).toJson().contains("proposta\">"));
    EXPECT_EQ(call("GetPaginaCliente", {nr(99), "01"}).error, "Proposta não cadastrada.");
}

COT_ON_EVERY_BACKEND(SendingBounds);

// PDFs stored with each sending before they were stored once: each content moves once,
// every sending keeps its own, and each counts for its operator's quota.
class SendingBoundsUpgrade : public ::testing::TestWithParam<std::string> {};

TEST_P(SendingBoundsUpgrade, StoredPdfsMoveOncePerContentAndNoneIsLost) {
    server::testing::ScratchDatabase old(GetParam());
    server::Database* db = &old.db();
    server::migrate(*db, 12);
    const QByteArray a = smallPdf("A"), b = smallPdf("B");
    const QList<std::pair<int, QVariant>> stored{{1, base64(a)}, {2, base64(a)}, {3, base64(b)}, {4, QVariant()}};
    for (const auto& [number, pdf] : stored)
        db->exec("INSERT INTO ENVIOPROP (NRPROPOSFAS, NRVERPROPFAS, NRENVIO, TXTOKENHASH, DTENVIO, CDOPERADOR, DSEMAILDEST, "
                 "DTEXPIRA, TXHASHCONT, TXPDF) VALUES (:NR, '01', :N, :T, :D, 'VENDEDOR', 'a@b.com.br', :D, :C, :PDF)",
                 {{"NR", nr(2)}, {"N", number}, {"T", QString(64, QChar(u'a' + number))}, {"D", kTen},
                  {"C", QString(64, u'0')}, {"PDF", pdf}});
    server::migrate(*db);

    EXPECT_EQ((QList<int>{db->scalar("SELECT COUNT(*) FROM PDFENVIO").toInt(),
                          db->scalar("SELECT COUNT(*) FROM COTAENVIO WHERE CDOPERADOR = 'VENDEDOR'").toInt()}),
              (QList<int>{2, 4})) << "PDFs stored, sendings counted";
    const QList<cp::Sending> sendings = cp::sendingsOf(*db, nr(2), "01");
    ASSERT_EQ(sendings.size(), 4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(cp::sendingPdf(*db, sendings[i]), (QList<QByteArray>{a, a, b, {}}[i])) << i;
    EXPECT_EQ(sendings[0].pdfHash, QString::fromLatin1(QCryptographicHash::hash(a, QCryptographicHash::Sha256).toHex()));
}

INSTANTIATE_TEST_SUITE_P(Db, SendingBoundsUpgrade, ::testing::ValuesIn(server::testing::engines()), server::testing::engineName);

}  // namespace
