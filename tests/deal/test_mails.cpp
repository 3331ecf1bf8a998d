// Every kind of mail says who offers, names the proposal as people read it, sends answers to
// the salesperson and keeps what a client typed inert in the HTML part.
#include <gtest/gtest.h>

#include "services/mail_kinds.h"

using namespace cot;
using namespace cot::mail;

namespace {

const MailSignature kSignature{"Empresa Demo · CNPJ 11.222.333/0001-44", "Vera Vendas", "vera@demo.local",
                               "(11) 5555-0000"};
const QString kTyped = QStringLiteral("<script>alert(1)</script> & \"Cia\"");

DecisionFacts decision(bool accepted) {
    DecisionFacts d;
    d.nr = "00000000000000000015";
    d.ver = "02";
    d.client = kTyped;
    d.accepted = accepted;
    d.at = QDateTime(QDate(2026, 12, 6), QTime(10, 30));
    d.name = kTyped;
    d.reason = "Preço";
    d.comment = kTyped + "\nsegunda linha";
    d.address = "203.0.113.9";
    d.contentHash = QString(64, u'a');
    return d;
}

ApprovalContent approval() {
    ApprovalContent c;
    c.nr = "00000000000000000015";
    c.ver = "02";
    c.client = kTyped;
    c.cnpj = "12.345.678/0001-90";
    c.items = {{kTyped, 100, 10, {{QDate(2027, 1, 10), 100}}}};
    c.oneOff = 100;
    c.monthly = 10;
    return c;
}

struct Kind {
    const char* name;
    MailMessage message;
    bool closesWithSeller;
};

}  // namespace

TEST(Mails, EveryKindSaysWhoOffersAndKeepsTypedTextInert) {
    SendingContent sending{"00000000000000000015", "02", kTyped, kTyped, {}, QDate(2027, 1, 10),
                           "https://propostas.demo/cliente/abc", {}};
    ReminderItem item{"00000000000000000015", "02", kTyped, kTyped, QDate(2026, 12, 7), 100, 10};
    const Kind kinds[] = {
        {"sending", sendingMessage(sending, kSignature), true},
        {"receipt accepted", receiptMessage(decision(true), kSignature), true},
        {"receipt declined", receiptMessage(decision(false), kSignature), true},
        {"decision notice", decisionNoticeMessage(decision(true), 1500, 120, kSignature), true},
        {"approval staff", approvalStaffMessage(approval(), kSignature), true},
        {"approval client", approvalClientMessage(approval(), kSignature), true},
        {"approval seller", approvalSellerMessage(approval(), kSignature), true},
        {"reminder", reminderMessage(kTyped, {item}, QDate(2026, 12, 6), {kSignature.footer, {}, {}, {}}), false},
    };
    for (const Kind& k : kinds) {
        SCOPED_TRACE(k.name);
        const MailMessage& m = k.message;
        EXPECT_NO_THROW(checkMailMessage(MailMessage{"filial@demo.local", {"a@demo.local"}, m.subject, m.textPart,
                                                     m.htmlPart, {}, m.replyTo}));
        for (const QString& part : {m.textPart, m.htmlPart}) {
            EXPECT_TRUE(part.contains("Empresa Demo · CNPJ 11.222.333/0001-44")) << part.toStdString();
            EXPECT_TRUE(part.contains("15/02")) << part.toStdString();
            EXPECT_FALSE(part.contains("00000000000000000015"));
            EXPECT_EQ(part.contains("(11) 5555-0000"), k.closesWithSeller);
        }
        EXPECT_EQ(m.replyTo, k.closesWithSeller ? "vera@demo.local" : "");
        EXPECT_FALSE(m.htmlPart.contains("<script>")) << m.htmlPart.toStdString();
        EXPECT_TRUE(m.htmlPart.contains("&lt;script&gt;")) << m.htmlPart.toStdString();
        EXPECT_FALSE(m.subject.contains(u'\n'));
    }
}

TEST(Mails, TheReceiptKeepsTheEvidenceAndTheNoticeTheFigures) {
    const MailMessage accepted = receiptMessage(decision(true), kSignature);
    EXPECT_TRUE(accepted.textPart.contains(QString(64, u'a')));
    EXPECT_TRUE(accepted.textPart.contains("06/12/2026 10:30"));
    EXPECT_TRUE(accepted.textPart.contains("203.0.113.9"));
    EXPECT_TRUE(accepted.textPart.contains("PDF"));
    EXPECT_TRUE(receiptMessage(decision(false), kSignature).textPart.contains("Motivo: Preço"));

    const MailMessage notice = decisionNoticeMessage(decision(true), 1500, 120, kSignature);
    EXPECT_TRUE(notice.textPart.contains("Valor único: R$ 1.500,00"));
    EXPECT_TRUE(notice.textPart.contains("Mensal: R$ 120,00"));
    EXPECT_TRUE(notice.textPart.contains("> segunda linha")) << "the comment, as typed";
    EXPECT_TRUE(notice.textPart.contains("Abra a proposta 15/02 no módulo de Propostas"));
}

TEST(Mails, AReplyToThatWouldAddAHeaderIsRefused) {
    MailMessage m{"filial@demo.local", {"a@demo.local"}, "S", "t", "h", {}, "vera@demo.local\r\nBcc: x@evil.example"};
    EXPECT_ANY_THROW(checkMailMessage(m));
    m.replyTo = "vera@demo.local";
    EXPECT_TRUE(mailHeaders(m).contains("Reply-To: vera@demo.local"));
}
