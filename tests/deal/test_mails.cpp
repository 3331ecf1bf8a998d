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
    return {.nr = "00000000000000000015", .ver = "02", .client = kTyped, .accepted = accepted,
            .at = QDateTime(QDate(2026, 12, 6), QTime(10, 30)), .name = kTyped, .reason = "Preço",
            .comment = kTyped + "\nsegunda linha", .address = "203.0.113.9", .contentHash = QString(64, u'a')};
}

ApprovalContent approval() {
    return {.nr = "00000000000000000015", .ver = "02", .client = kTyped, .cnpj = "12.345.678/0001-90",
            .items = {{kTyped, 100, 10, {{QDate(2027, 1, 10), 100}}}}, .oneOff = 100, .monthly = 10};
}

struct Kind {
    const char* name;
    MailMessage message;
    bool closesWithSeller;
    QStringList says = {};  // in the text part too
};

}  // namespace

TEST(Mails, EveryKindSaysWhoOffersAndKeepsTypedTextAndTheReplyToInert) {
    SendingContent sending{"00000000000000000015", "02", kTyped, kTyped, {}, QDate(2027, 1, 10),
                           "https://propostas.demo/cliente/abc", {}};
    ReminderItem item{"00000000000000000015", "02", kTyped, kTyped, QDate(2026, 12, 7), 100, 10};
    const Kind kinds[] = {
        {"sending", sendingMessage(sending, kSignature), true},
        // The receipt keeps the evidence, the notice the figures and the comment as typed.
        {"receipt accepted", receiptMessage(decision(true), kSignature), true,
         {QString(64, u'a'), "06/12/2026 10:30", "203.0.113.9", "PDF"}},
        {"receipt declined", receiptMessage(decision(false), kSignature), true, {"Motivo: Preço"}},
        {"decision notice", decisionNoticeMessage(decision(true), 1500, 120, kSignature), true,
         {"Valor único: R$ 1.500,00", "Mensal: R$ 120,00", "> segunda linha", "Abra a proposta 15/02 no módulo de Propostas"}},
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
        for (const QString& text : k.says) EXPECT_TRUE(m.textPart.contains(text)) << text.toStdString();
    }

    // A reply-to that would add a header is refused.
    MailMessage m{"filial@demo.local", {"a@demo.local"}, "S", "t", "h", {}, "vera@demo.local\r\nBcc: x@evil.example"};
    EXPECT_ANY_THROW(checkMailMessage(m));
    m.replyTo = "vera@demo.local";
    EXPECT_TRUE(mailHeaders(m).contains("Reply-To: vera@demo.local"));
}
