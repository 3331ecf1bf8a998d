// The SMTP sender against a real receiver on loopback, read back by Python's mail parser.
#include <QElapsedTimer>

#include "services/mail_sender.h"
#include "support/smtp_receiver.h"
#include "unit_cases.h"

using namespace cot::testing;

namespace {

MailMessage accented() {
    MailMessage m;
    m.from = QStringLiteral("vendas@filial.demo");
    m.to = {QStringLiteral("faturamento@demo.local"), QStringLiteral("contratos@demo.local")};
    m.subject = QStringLiteral("Proposta aceita - cobrar licença de uso e serviços (ação nº 7) com um assunto bem comprido");
    m.textPart = QStringLiteral("Proposta 2/01 aceita.\nCliente: João & Filhos <Ltda>\nValor: 1.500,00");
    m.htmlPart = QStringLiteral("<p>Proposta <b>2/01</b> aceita: Ação €</p>");
    return m;
}

QString errorOf(MailSender& sender, const MailAccount& account, const MailMessage& message) {
    return userErrorOf([&] { sender.send(account, message); });
}

}  // namespace

TEST(MailSender, MessageArrivesWithHeadersRecipientsAndBothPartsInUtf8) {
    SmtpReceiver receiver({.user = QStringLiteral("comercial.sp@demo.local"), .password = QStringLiteral("s3nh@ç")});
    SmtpMailSender().send({QStringLiteral("smtp+insecure://") + receiver.address(),
                           QStringLiteral("comercial.sp@demo.local"), QStringLiteral("s3nh@ç")},
                          accented());

    ASSERT_TRUE(receiver.waitForMessages(1));
    const ReceivedMail mail = receiver.messages().at(0);
    EXPECT_EQ((QStringList{mail.login, mail.mailFrom, mail.from, mail.to, mail.contentType}),
              (QStringList{"comercial.sp@demo.local", "vendas@filial.demo", "vendas@filial.demo",
                           "faturamento@demo.local, contratos@demo.local", "multipart/alternative"}));
    EXPECT_EQ(mail.rcptTos, (QStringList{"faturamento@demo.local", "contratos@demo.local"}));
    EXPECT_EQ(mail.subject, accented().subject);  // long, accented: encoded words folded, read back whole
    ASSERT_EQ(mail.parts.size(), 2);
    // Decoded part texts with their line ends as a reader shows them.
    EXPECT_EQ((QStringList{mail.parts[0].type, mail.parts[0].charset, mail.parts[1].type, QString(mail.parts[0].text).replace("\r\n", "\n"),
                           QString(mail.parts[1].text).replace("\r\n", "\n")}),
              (QStringList{"text/plain", "utf-8", "text/html", accented().textPart, accented().htmlPart}));
    // Nothing but ASCII on the wire, no line longer than SMTP allows.
    for (const QByteArray& line : mail.raw.split('\n')) {
        EXPECT_LE(line.size(), 998);
        for (char c : line) EXPECT_LT(static_cast<unsigned char>(c), 128) << "8-bit byte sent";
    }
    EXPECT_FALSE(mail.raw.contains("licença"));
    // The headers are the message's own, once each, before libcurl's MIME parts.
    const QByteArray head = mail.raw.left(mail.raw.indexOf("\r\n\r\n")).toLower();
    for (const char* name : {"\ndate: ", "\nmessage-id: <", "\nmime-version: 1.0", "\ncontent-type: multipart/alternative;"}) {
        EXPECT_EQ(("\n" + head).count(name), 1) << name;
    }
}

TEST(MailSender, ReceiverWithoutAccountTakesMailWithoutLogin) {
    SmtpReceiver receiver;
    SmtpMailSender sender;
    MailMessage m = accented();
    m.subject = QStringLiteral("Plain subject");
    sender.send({receiver.address(), QString(), QString()}, m);
    // A branch account kept with its user but no password is such a relay too, even over a
    // plain connection.
    sender.send({receiver.address(), QStringLiteral("comercial.sp@demo.local"), QString()}, m);
    ASSERT_TRUE(receiver.waitForMessages(2));
    for (const ReceivedMail& mail : receiver.messages())
        EXPECT_EQ(QStringList({mail.subject, mail.login}), QStringList({"Plain subject", ""}));
}

// A refused login, a branch that requires TLS, and a plain "host:port" that offers no
// STARTTLS: each is a clear error and nothing is delivered. A login sent in the clear would
// be accepted by this receiver (it offers AUTH without TLS) and deliver the message; naming
// the relay smtp+insecure:// is the branch's explicit choice to allow that.
TEST(MailSender, RefusedLoginsAndPasswordsOnlyOverTlsUnlessTheRelayIsNamedInsecure) {
    const QString user = QStringLiteral("conta@demo.local");
    SmtpReceiver receiver({.user = user, .password = QStringLiteral("certa")});
    const QString at = receiver.address();
    SmtpMailSender sender;
    const struct { QString server, password, error; } refused[] = {
        {"smtp+insecure://" + at, "errada",
         QStringLiteral("O servidor de e-mail '%1' recusou o usuário ou a senha da conta 'conta@demo.local'.").arg(at)},
        {"smtp+starttls://" + at, "certa",
         QStringLiteral("O servidor de e-mail '%1' não oferece conexão segura (STARTTLS), exigida para esta filial.").arg(at)},
        {at, "certa",
         QStringLiteral("O servidor de e-mail '%1' não oferece conexão segura (STARTTLS) e a senha da conta "
                        "'conta@demo.local' só é enviada por conexão segura. Se o servidor é de confiança na "
                        "rede interna, cadastre-o na filial como smtp+insecure://%1.")
             .arg(at)},
    };
    for (const auto& c : refused) EXPECT_EQ(errorOf(sender, {c.server, user, c.password}, accented()), c.error);
    EXPECT_TRUE(receiver.messages().isEmpty());

    sender.send({"smtp+insecure://" + at, user, QStringLiteral("certa")}, accented());
    ASSERT_TRUE(receiver.waitForMessages(1));
    EXPECT_EQ(receiver.messages().at(0).login, user);
}

TEST(MailSender, ReceiverDownOrSilentFailsQuicklyAndBadTextsAreRefusedBeforeConnecting) {
    SmtpMailSender sender({.connectSeconds = 2, .totalSeconds = 2});
    const QString down = QStringLiteral("127.0.0.1:%1").arg(cot::testing::unusedLoopbackPort());
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(errorOf(sender, {down, QStringLiteral("u"), QStringLiteral("p")}, accented()),
              QStringLiteral("Não foi possível conectar ao servidor de e-mail '%1'. Verifique se ele está no ar.").arg(down));
    EXPECT_LT(clock.elapsed(), 1500);

    cot::testing::SilentListener silent;  // takes the connection, never greets
    clock.restart();
    EXPECT_EQ(errorOf(sender, {silent.address(), QStringLiteral("u"), QStringLiteral("p")}, accented()),
              QStringLiteral("O servidor de e-mail '%1' não respondeu a tempo.").arg(silent.address()));
    EXPECT_LT(clock.elapsed(), 5000);

    // Line breaks in the subject or the addresses are refused before connecting.
    RecordingMailSender recorder;
    const MailAccount nowhere{down, {}, {}};
    const std::pair<std::function<void(MailMessage&)>, QString> cases[] = {
        {[](MailMessage& m) { m.subject = "Aceite\r\nBcc: todos@fora.com"; },
         "O assunto do e-mail não pode conter quebras de linha: 'Aceite\\r\\nBcc: todos@fora.com'."},
        {[](MailMessage& m) { m.to << "x@demo.local>\r\nRCPT TO:<fora@fora.com"; },
         "Endereço de e-mail 'x@demo.local>\\r\\nRCPT TO:<fora@fora.com' inválido."},
        {[](MailMessage& m) { m.from = "vendas@demo.local\nX-Injected: 1"; },
         "Endereço de e-mail 'vendas@demo.local\\nX-Injected: 1' inválido."},
        {[](MailMessage& m) { m.to.clear(); }, "O e-mail não tem destinatários."},
    };
    for (const auto& [change, error] : cases) {
        MailMessage m = accented();
        change(m);
        EXPECT_EQ(QStringList({errorOf(sender, nowhere, m), errorOf(recorder, nowhere, m)}), QStringList({error, error}));
    }
    EXPECT_TRUE(recorder.sent.isEmpty());

    // Server texts and address lists.
    using S = SmtpServer::Security;
    // The URL (given where it is checked) names the port and the local host name.
    const std::tuple<const char*, S, int, const char*> servers[] = {
        {" smtp.demo.local ", S::StartTlsWhenOffered, 25, "smtp://smtp.demo.local:25/localhost"},
        {"smtp.demo.local:587", S::StartTlsWhenOffered, 587, ""}, {"smtps://mail.demo.local", S::ImplicitTls, 465, ""},
        {"SMTP+STARTTLS://mail.demo.local:2525", S::StartTlsRequired, 2525, ""},
        {"smtp+insecure://relay.demo.local", S::PlainLoginAllowed, 25, "smtp://relay.demo.local:25/localhost"}};
    for (const auto& [text, security, port, url] : servers) {
        const SmtpServer parsed = SmtpServer::parse(QString::fromUtf8(text));
        EXPECT_EQ(std::tuple(parsed.security, parsed.port, *url ? parsed.url() : QString()),
                  std::tuple(security, port, QString(url)))
            << text;
    }
    for (const char* bad : {"", "   ", "host:99999", "ftp://host", "host name", "host:25\r\nMAIL"}) {
        EXPECT_THROW(SmtpServer::parse(QString::fromUtf8(bad)), UserError) << bad;
    }
    EXPECT_EQ(splitAddressList(QStringLiteral(" a@x.com; b@x.com ,c@x.com;; ")),
              (QStringList{"a@x.com", "b@x.com", "c@x.com"}));
}
