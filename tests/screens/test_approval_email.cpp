// Approval notifications: the templates expanded from the proposal, each notification sent
// on its own, and the whole road through the branch's account to a real SMTP receiver.
#include <QTemporaryDir>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <thread>

#include "approval/approval_email.h"
#include "services/cipher.h"
#include "services/local_query.h"
#include "services/messages.h"
#include "support/qt_printers.h"
#include "support/screen_widgets.h"
#include "ui/busy_animation.h"
#include "support/smtp_receiver.h"
#include "support/test_server.h"

using namespace cot;
using namespace cot::approval;

namespace {

Packet param(const QString& subject, const QString& recipients, const QString& text, const QString& situation = "A") {
    return {{{"DSASSUNPAREMAIL", FieldType::String, 100}, {"TXENDERPAREMAIL", FieldType::String, 2000},
             {"TXTEXTOPAREMAIL", FieldType::String, 2000}, {"IDSITUPARAEMAIL", FieldType::String, 1}},
            {{subject, recipients, text, situation}}};
}

ApprovalEmailData proposal(const QString& contract = "M", const QString& charging = "P") {
    return {{"2", "01", "Sistema fiscal", "Alfa Comércio", "POR", contract, charging, 12345.6},
            {{"Fiscal", 1500}, {"Folha", 300.5}}, 1800.5, "valor"};
}

// The text part of `key`'s notification from template `text`.
QString textOf(const QString& key, const QString& text, const ApprovalEmailData& d = proposal()) {
    const auto m = composeNotification(key, param("S", "s@x.com", text), d);
    return m ? m->textPart : QStringLiteral("(nothing)");
}
// The keys sent, then those failed: "SENT,... / FAILED,...".
QString outcome(const ApprovalEmailResult& r) {
    QStringList failed;
    for (const NotificationFailure& f : r.failed) failed << f.key;
    return r.sent.join(u',') + " / " + failed.join(u',');
}

// The version could not be read back: the notifications go out from their templates.
const PartiesLoader unreadable = []() -> ApprovalParties { throw ServerError("Servidor de aplicação fora do ar."); };

}  // namespace

TEST(ApprovalEmail, PlaceholdersExpandedInOrderEverywhereEscapedInHtmlAndNothingWhenInactiveMissingOrNotApplying) {
    ApprovalEmailData d = proposal();
    const auto licence = composeNotification(kParamLicenca, param("Aceite", "a@x.com; b@x.com,c@x.com",
        "#PROPOSTA/#VERSAO #PROPOSTA #PROPOSTA - #DESCRICAOPROP - #FANTASIACLIENTE/PROSPECT: #DADOSLINHAPROD|"
        "#DADOSLINHAPROD= #VRTOTLINHAPROD #VALORPACOTESERVICO"), d);
    ASSERT_TRUE(licence);
    EXPECT_EQ(licence->textPart,
              "2/01 2 2 - Sistema fiscal - Alfa Comércio: Fiscal, valor 1.500,00 Folha, valor 300,50 |"
              "Fiscal, valor 1.500,00 Folha, valor 300,50 = 1.800,50 #VALORPACOTESERVICO");
    EXPECT_TRUE(licence->htmlPart.contains("Fiscal, valor 1.500,00</b> Folha, valor 300,50</b> |"));
    EXPECT_EQ(licence->subject + ": " + licence->to.join(u' '), "Aceite: a@x.com b@x.com c@x.com");

    EXPECT_EQ(textOf(kParamServico, "#PROPOSTA: #VALORPACOTESERVICO #VRTOTLINHAPROD"), "2: 12.345,60 #VRTOTLINHAPROD");
    EXPECT_EQ(textOf(kParamServico, "Sem marcadores."), "Sem marcadores.");

    // A value holding its own placeholder is inserted as it is; one holding a later one is
    // replaced when that one's turn comes.
    ApprovalEmailData tricky = d;
    tricky.proposal.reference = "ver #DESCRICAOPROP de #FANTASIACLIENTE/PROSPECT";
    EXPECT_EQ(textOf(kParamServico, "[#DESCRICAOPROP]", tricky), "[ver #DESCRICAOPROP de Alfa Comércio]");

    // A long template keeps its later placeholders.
    const QString filler(2100, QLatin1Char('x'));
    const auto m = composeNotification(kParamLicenca, param("S", "a@x.com", filler + " #PROPOSTA #VRTOTLINHAPROD fim"), proposal());
    ASSERT_TRUE(m);
    EXPECT_EQ(m->textPart + '|' + m->htmlPart, filler + " 2 1.800,50 fim|" + filler + " 2 1.800,50 fim");

    // The HTML part escapes the proposal's values but keeps the template's markup.
    d.proposal.clientName = "João & <Filhos>";
    d.proposal.reference = "\"A\" < B";
    d.lines = {{"<script>x</script>", 10}};
    const auto h = composeNotification(kParamLicenca,
                                       param("S", "a@x.com", "<p>#FANTASIACLIENTE/PROSPECT #DESCRICAOPROP</p><b>#DADOSLINHAPROD"), d);
    ASSERT_TRUE(h);
    EXPECT_EQ(h->htmlPart, "<p>João &amp; &lt;Filhos&gt; &quot;A&quot; &lt; B</p><b>&lt;script&gt;x&lt;/script&gt;, valor 10,00</b> ");
    // The plain part of an HTML template is its text: no tag of the template or of the lines.
    EXPECT_EQ(h->textPart.trimmed(), "João & <Filhos> \"A\" < B\n<script>x</script>, valor 10,00");

    EXPECT_EQ(textOf(kParamLicenca, "Linhas: <b>#DADOSLINHAPROD</b>"), "Linhas: Fiscal, valor 1.500,00 Folha, valor 300,50 ");

    // Inactive, missing or not applying: nothing.
    const Packet active = param("S", "a@x.com", "t");
    EXPECT_FALSE(composeNotification(kParamLicenca, param("S", "a@x.com", "t", "I"), proposal()));
    EXPECT_FALSE(composeNotification(kParamLicenca, Packet{}, proposal()));
    EXPECT_FALSE(composeNotification(kParamLicenca, active, proposal("L", "P")));  // rental
    EXPECT_FALSE(composeNotification(kParamServico, active, proposal("M", "H")));  // hourly services
    EXPECT_TRUE(composeNotification(kParamServico, active, proposal("L", "P")));
}

TEST(ApprovalEmail, EachNotificationGoesOnItsOwnAFailingOneIsNamedAndAllAreLaidOutFromTheVersion) {
    RecordingMailSender recorder;
    recorder.failWhenSubjectContains = "licença";
    recorder.failureText = "O servidor de e-mail recusou.";
    QStringList asked;
    const ParamLoader params = [&](const QString& language, const QString& key) {
        asked << language + "/" + key;
        return key == kParamLicenca ? param("Cobrar licença", "f@x.com", "L #PROPOSTA") : param("Cobrar pacote", "s@x.com", "S #PROPOSTA");
    };
    const auto gera = [&](const ParamLoader& loader, const ApprovalEmailData& d = proposal(), const PartiesLoader& parties = unreadable) {
        recorder.sent.clear();
        return GeraEmail(d, loader, recorder, [] { return MailSetup{{"smtp.demo:25", "conta", "senha"}, "vendedor@demo.local"}; }, parties);
    };
    TMessages catalogue;
    catalogue.loadFromFile(":/cot05003/cot05003_messages.txt");

    const ApprovalEmailResult r = gera(params);
    EXPECT_EQ(asked, (QStringList{"POR/COT05000_PROPCOM", "POR/COT05000_PROPSERV"}));
    EXPECT_EQ(outcome(r), kParamServico + " / " + kParamLicenca + ',' + kApprovalToClient) << "the client could not be told";
    ASSERT_EQ(recorder.sent.size(), 1);
    const auto& sent = recorder.sent[0];
    EXPECT_EQ(QStringList({sent.message.textPart, sent.message.from, sent.account.user}),
              QStringList({"S 2", "vendedor@demo.local", "conta"}));
    EXPECT_EQ(r.warning(catalogue), "O e-mail de cobrança da licença de uso não foi enviado: O servidor de e-mail recusou.\n"
                                    "O e-mail de aviso de aprovação ao cliente não foi enviado: Servidor de aplicação fora do ar.");

    // A parameter the server could not give fails its own notification only.
    recorder.failWhenSubjectContains.clear();
    const ApprovalEmailResult r2 = gera([&](const QString&, const QString& key) -> Packet {
        if (key == kParamServico) throw ServerError("Servidor de aplicação fora do ar.");
        return param("Cobrar licença", "f@x.com", "L");
    });
    ASSERT_EQ(outcome(r2), kParamLicenca + " / " + kParamServico + ',' + kApprovalToClient);
    EXPECT_EQ(r2.failed[0].error, "Servidor de aplicação fora do ar.");

    // An inactive parameter, or none in the proposal's language (none at all without a
    // language), is the administrator's choice: nothing goes out and nothing is named.
    const ApprovalEmailResult off = gera([&](const QString&, const QString& key) -> Packet {
        return key == kParamLicenca ? param("L", "f@x.com", "L", "I") : Packet{};
    });
    EXPECT_EQ(outcome(off), " / " + kApprovalToClient);
    ApprovalEmailData noLanguage = proposal();
    noLanguage.proposal.language.clear();
    const ApprovalEmailResult none = gera([&](const QString& language, const QString& key) {
        return language.isEmpty() ? Packet{} : params(language, key);
    }, noLanguage, [] { return ApprovalParties{}; });
    EXPECT_TRUE(none.ok() && recorder.sent.isEmpty()) << none.warning(catalogue).toStdString();

    // Neither applies: no parameter is even asked for.
    asked.clear();
    EXPECT_TRUE(gera(params, proposal("L", "H"), [] { return ApprovalParties{}; }).ok() && asked.isEmpty());

    // Read back from the server, the notifications are laid out: the parameter keeps the
    // subject and the recipients; the client and the salesperson hear of the approval too.
    ApprovalParties parties;
    parties.content = {"00000000000000000002", "01", "Sistema fiscal", "Alfa", "Alfa Comércio Ltda",
                       "12.345.678/0001-90", QDate(2026, 12, 6), {}, 1800.5L + 12345.6L, 250};
    parties.lines = {{"Fiscal", 1500, 250, {{QDate(2027, 1, 10), 750}, {QDate(2027, 2, 10), 750}}},
                     {"Folha", 300.5, 0, {}}};
    parties.package = {{"Pacote de serviços", 12345.6, 0, {{QDate(2027, 1, 15), 12345.6}}}};
    parties.signature = {"Empresa Demo · CNPJ 11.222.333/0001-44", "Vera Vendas", "vera@demo.local", "(11) 5555-0000"};
    parties.clientTo = {"compras@alfa.example"};
    const ApprovalEmailResult all = gera(params, proposal(), [&] { return parties; });
    EXPECT_EQ(outcome(all), QStringList({kParamLicenca, kParamServico, kApprovalToClient, kApprovalToSeller}).join(',') + " / ");
    ASSERT_EQ(recorder.sent.size(), 4);
    const MailMessage& licence = recorder.sent[0].message;
    EXPECT_EQ(QStringList({licence.subject, licence.to.join(u';'), licence.replyTo}),
              QStringList({"Cobrar licença", "f@x.com", "vera@demo.local"}));
    for (const char* shown : {"Proposta: 2/01", "CNPJ/CPF: 12.345.678/0001-90", "Fiscal", "10/01/2027 R$ 750,00",
                              "Valor único: R$ 14.146,10", "Mensal: R$ 250,00", "Empresa Demo"})
        EXPECT_TRUE(licence.textPart.contains(QString::fromUtf8(shown))) << shown << "\n" << licence.textPart.toStdString();
    EXPECT_FALSE(licence.textPart.contains("Pacote de serviços")) << "each notification its own items";
    EXPECT_TRUE(recorder.sent[1].message.textPart.contains("15/01/2027 R$ 12.345,60"));
    EXPECT_EQ(recorder.sent[2].message.to + recorder.sent[3].message.to, (QStringList{"compras@alfa.example", "vera@demo.local"}));
    EXPECT_TRUE(recorder.sent[2].message.textPart.contains("Vera Vendas"));
    for (const auto& each : recorder.sent) EXPECT_EQ(each.message.from, "vendedor@demo.local");
}

TEST(ApprovalEmail, SendingRunsOffTheInterfaceThreadWhichKeepsRunningUnderTheBusyWindow) {
    cot::testing::ensureApplication();
    // Holds the send until the interface thread has run a timer: a send made on that
    // thread would never see it and give up.
    struct HeldSender : MailSender {
        std::atomic<bool> released{false};
        std::thread::id thread;
        void send(const MailAccount&, const MailMessage&) override {
            thread = std::this_thread::get_id();
            for (int i = 0; i < 500 && !released; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
            if (!released) throw UserError("O envio não foi liberado.");
        }
    } held;
    int busyWhileSending = -1;
    QTimer::singleShot(0, [&] { busyWhileSending = busyDepth(); held.released = true; });
    const MailAccount account{"smtp.demo:25", {}, {}};
    const MailMessage message{"a@x.com", {"b@x.com"}, "Cobrar", "t", "h"};
    EXPECT_NO_THROW(BackgroundMailSender(held).send(account, message));
    EXPECT_NE(held.thread, std::this_thread::get_id());
    EXPECT_TRUE(busyWhileSending == 1 && busyDepth() == 0) << "the busy window was up while the interface ran";

    // A failure of the worker reaches the caller as it was raised.
    RecordingMailSender refusing;
    refusing.failWhenSubjectContains = "Cobrar";
    EXPECT_THROW(BackgroundMailSender(refusing).send(account, message), UserError);
    EXPECT_EQ(busyDepth(), 0);
}

// The branch's account and the operator's address from the host database, the password
// deciphered, both notifications delivered to a real receiver.
class ApprovalEmailDelivery : public ::testing::TestWithParam<cot::testing::Backend> {};
INSTANTIATE_TEST_SUITE_P(Db, ApprovalEmailDelivery, ::testing::ValuesIn(cot::testing::availableBackends()),
                         cot::testing::backendName);

TEST_P(ApprovalEmailDelivery, BranchAccountDeliversBothNotificationsOverSmtp) {
    QTemporaryDir keys;
    CipherKey::setKeyFile(keys.filePath("host.key"));
    const QByteArray savedKey = qgetenv("COT_HOST_KEY");
    qunsetenv("COT_HOST_KEY");
    cot::testing::SmtpReceiver receiver({.user = "comercial.sp@demo.local", .password = "senha çerta"});
    cot::testing::TestServer server({.backend = GetParam(), .seed = true});
    server.db().exec("UPDATE ENDEFILI SET DSSMTPEMAILF = :S, CDSENHEMAILF = :P WHERE CDFILIAL = '0001' AND IDTPENDEFILI = 'P'",
                     {{"S", "smtp+insecure://" + receiver.address()}, {"P", Criptografa::Cripto("senha çerta")}});
    HostDatabase::open(server.databaseUrl());

    const ParamLoader fromDatabase = paramsFrom(server.connection());  // GetParamEmail
    const MailSetup assist = mailSetupOf("0001", "ASSIST");  // an operator without address
    EXPECT_EQ(assist.from + ' ' + assist.account.password, "contratos@demo.local senha çerta");
    const ApprovalEmailResult r =
        GeraEmail(proposal(), fromDatabase, defaultMailSender(), [] { return mailSetupOf("0001", "VENDEDOR"); }, unreadable);
    ASSERT_EQ(r.failed.size(), 1) << "only the client's, for want of the version";
    ASSERT_TRUE(receiver.waitForMessages(2));
    const auto mails = receiver.messages();
    EXPECT_EQ((QStringList{mails[0].subject, mails[0].rcptTos.join(','), mails[0].mailFrom, mails[0].login}),
              (QStringList{"Proposta aceita - cobrar licença de uso", "faturamento@demo.local,contratos@demo.local",
                           "vendedor@demo.local", "comercial.sp@demo.local"}));
    EXPECT_TRUE(mails[0].parts[0].text.contains("Linhas: Fiscal, valor 1.500,00 Folha, valor 300,50  Total: 1.800,50"));
    EXPECT_EQ(mails[1].subject, "Proposta aceita - cobrar pacote de serviços");
    EXPECT_TRUE(mails[1].parts[1].text.contains("Pacote de serviços: 12.345,60"));

    // A branch without an address record names both notifications and sends nothing.
    const ApprovalEmailResult none =
        GeraEmail(proposal(), fromDatabase, defaultMailSender(), [] { return mailSetupOf("0009", "VENDEDOR"); }, unreadable);
    ASSERT_EQ(none.failed.size(), 3);
    EXPECT_EQ(none.failed[1].error, "A filial 0009 não tem conta de e-mail cadastrada.");

    HostDatabase::close();
    CipherKey::setKeyFile({});
    if (!savedKey.isEmpty()) qputenv("COT_HOST_KEY", savedKey);
}
