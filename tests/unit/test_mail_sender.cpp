// The SMTP sender against a real receiver on loopback, read back by Python's mail parser.
#include <QElapsedTimer>
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include "base/errors.h"
#include "services/mail_sender.h"
#include "support/qt_printers.h"
#include "support/smtp_receiver.h"

using namespace cot;
using cot::testing::ReceivedMail;
using cot::testing::SmtpReceiver;

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

// Decoded part text with its line ends as a reader shows them.
QString lines(QString text) { return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")); }

// A loopback relay in front of a receiver that keeps every byte the client sent: what
// crossed the network, not only what the receiver accepted. One connection at a time.
class WireTap {
public:
    explicit WireTap(int targetPort) : target_(loopback(targetPort)) {
        sockaddr_in addr = loopback(0);
        socklen_t len = sizeof addr;
        listen_ = ::socket(AF_INET, SOCK_STREAM, 0);
        if (listen_ < 0 || ::bind(listen_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
            ::listen(listen_, 4) != 0 || ::getsockname(listen_, reinterpret_cast<sockaddr*>(&addr), &len) != 0 ||
            ::pipe(stop_) != 0)
            throw std::runtime_error("wire tap: no loopback socket");
        port_ = ntohs(addr.sin_port);
        thread_ = std::thread([this] {
            for (bool stop = false; !stop && wait(listen_, -1);) {
                const int client = ::accept(listen_, nullptr, nullptr);
                const int server = ::socket(AF_INET, SOCK_STREAM, 0);
                stop = client >= 0 &&
                       ::connect(server, reinterpret_cast<const sockaddr*>(&target_), sizeof target_) == 0 &&
                       relay(client, server);
                ::close(client);
                ::close(server);
            }
        });
    }
    ~WireTap() {
        if (::write(stop_[1], "x", 1) != 1) ::shutdown(listen_, SHUT_RDWR);
        thread_.join();
        for (int fd : {listen_, stop_[0], stop_[1]}) ::close(fd);
    }
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(port_); }
    QByteArray sent() const {
        std::lock_guard lock(mutex_);
        return sent_;
    }
    void clear() {
        std::lock_guard lock(mutex_);
        sent_.clear();
    }

private:
    static sockaddr_in loopback(int port) {
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = htons(static_cast<uint16_t>(port));
        return addr;
    }
    // Whether `fd` (or -1: neither end) is ready before a stop is asked for.
    bool wait(int fd, int other, pollfd* ready = nullptr) {
        pollfd fds[3] = {{stop_[0], POLLIN, 0}, {fd, POLLIN, 0}, {other, POLLIN, 0}};
        if (::poll(fds, other < 0 ? 2 : 3, -1) < 0 || fds[0].revents) return false;
        if (ready) std::copy(fds + 1, fds + 3, ready);
        return true;
    }
    // Until either side closes; true when asked to stop meanwhile.
    bool relay(int client, int server) {
        char buffer[4096];
        for (pollfd ready[2]; wait(client, server, ready);) {
            for (int from = 0; from < 2; ++from) {
                if (!ready[from].revents) continue;
                const ssize_t n = ::read(ready[from].fd, buffer, sizeof buffer);
                if (n <= 0 || ::write(ready[1 - from].fd, buffer, static_cast<size_t>(n)) != n) return false;
                std::lock_guard lock(mutex_);
                if (from == 0) sent_.append(buffer, n);
            }
        }
        return true;
    }

    sockaddr_in target_;
    int listen_ = -1, port_ = 0;
    int stop_[2] = {-1, -1};
    std::thread thread_;
    mutable std::mutex mutex_;
    QByteArray sent_;
};

QString errorOf(MailSender& sender, const MailAccount& account, const MailMessage& message) {
    try {
        sender.send(account, message);
    } catch (const UserError& e) {
        return e.text();
    }
    return {};
}

}  // namespace

TEST(MailSender, MessageArrivesWithHeadersRecipientsAndBothPartsInUtf8) {
    SmtpReceiver receiver({.user = QStringLiteral("comercial.sp@demo.local"), .password = QStringLiteral("s3nh@ç")});
    SmtpMailSender sender;
    sender.send({QStringLiteral("smtp+insecure://") + receiver.address(), QStringLiteral("comercial.sp@demo.local"),
                 QStringLiteral("s3nh@ç")},
                accented());

    ASSERT_TRUE(receiver.waitForMessages(1));
    const ReceivedMail mail = receiver.messages().at(0);
    EXPECT_EQ(mail.login, QStringLiteral("comercial.sp@demo.local"));
    EXPECT_EQ(mail.mailFrom, QStringLiteral("vendas@filial.demo"));
    EXPECT_EQ(mail.rcptTos, (QStringList{"faturamento@demo.local", "contratos@demo.local"}));
    EXPECT_EQ(mail.from, QStringLiteral("vendas@filial.demo"));
    EXPECT_EQ(mail.to, QStringLiteral("faturamento@demo.local, contratos@demo.local"));
    EXPECT_EQ(mail.subject, accented().subject);  // long, accented: encoded words folded, read back whole
    EXPECT_EQ(mail.contentType, QStringLiteral("multipart/alternative"));
    ASSERT_EQ(mail.parts.size(), 2);
    EXPECT_EQ(mail.parts[0].type, QStringLiteral("text/plain"));
    EXPECT_EQ(mail.parts[0].charset, QStringLiteral("utf-8"));
    EXPECT_EQ(lines(mail.parts[0].text), QStringLiteral("Proposta 2/01 aceita.\nCliente: João & Filhos <Ltda>\nValor: 1.500,00"));
    EXPECT_EQ(mail.parts[1].type, QStringLiteral("text/html"));
    EXPECT_EQ(lines(mail.parts[1].text), QStringLiteral("<p>Proposta <b>2/01</b> aceita: Ação €</p>"));
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
    m.to = {QStringLiteral("a@demo.local")};
    sender.send({receiver.address(), QString(), QString()}, m);
    // A branch account kept with its user but no password is such a relay too.
    sender.send({receiver.address(), QStringLiteral("comercial.sp@demo.local"), QString()}, m);
    ASSERT_TRUE(receiver.waitForMessages(2));
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(receiver.messages().at(i).subject, QStringLiteral("Plain subject"));
        EXPECT_TRUE(receiver.messages().at(i).login.isEmpty());
    }
}

TEST(MailSender, RefusedLoginIsAClearErrorAndNothingIsDelivered) {
    SmtpReceiver receiver({.user = QStringLiteral("conta@demo.local"), .password = QStringLiteral("certa")});
    SmtpMailSender sender;
    const QString error = errorOf(
        sender, {QStringLiteral("smtp+insecure://") + receiver.address(), QStringLiteral("conta@demo.local"), QStringLiteral("errada")},
        accented());
    EXPECT_EQ(error, QStringLiteral("O servidor de e-mail '%1' recusou o usuário ou a senha da conta 'conta@demo.local'.")
                         .arg(receiver.address()));
    EXPECT_TRUE(receiver.messages().isEmpty());
}

TEST(MailSender, ReceiverDownOrSilentFailsQuicklyWithAClearError) {
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
}

TEST(MailSender, BranchThatRequiresTlsRefusesAServerWithoutStartTls) {
    SmtpReceiver receiver({.user = QStringLiteral("conta@demo.local"), .password = QStringLiteral("certa")});
    SmtpMailSender sender;
    const QString error = errorOf(sender,
                                  {QStringLiteral("smtp+starttls://") + receiver.address(), QStringLiteral("conta@demo.local"),
                                   QStringLiteral("certa")},
                                  accented());
    EXPECT_EQ(error, QStringLiteral("O servidor de e-mail '%1' não oferece conexão segura (STARTTLS), exigida para esta filial.")
                         .arg(receiver.address()));
    EXPECT_TRUE(receiver.messages().isEmpty());  // the password never went out in the clear
}

// A plain "host:port" that offers no STARTTLS (or has it stripped on the way) never sees
// the account's login; naming the relay smtp+insecure:// is the branch's explicit choice.
TEST(MailSender, PasswordGoesOnlyOverTlsUnlessTheRelayIsNamedInsecure) {
    const QString user = QStringLiteral("conta@demo.local");
    const QString password = QStringLiteral("s3gr3d0-ç");
    SmtpReceiver receiver({.user = user, .password = password});
    WireTap tap(receiver.port());
    SmtpMailSender sender;

    const QString error = errorOf(sender, {tap.address(), user, password}, accented());
    EXPECT_EQ(error, QStringLiteral("O servidor de e-mail '%1' não oferece conexão segura (STARTTLS) e a senha da conta "
                                    "'conta@demo.local' só é enviada por conexão segura. Se o servidor é de confiança na "
                                    "rede interna, cadastre-o na filial como smtp+insecure://%1.")
                         .arg(tap.address()));
    const QByteArray wire = tap.sent();
    EXPECT_TRUE(wire.contains("EHLO")) << wire.constData();
    EXPECT_FALSE(wire.toUpper().contains("AUTH")) << wire.constData();
    EXPECT_FALSE(wire.contains(user.toUtf8().toBase64())) << wire.constData();
    EXPECT_FALSE(wire.contains(password.toUtf8().toBase64())) << wire.constData();
    EXPECT_FALSE(wire.contains(password.toUtf8()));
    EXPECT_TRUE(receiver.messages().isEmpty());

    tap.clear();
    sender.send({QStringLiteral("smtp+insecure://") + tap.address(), user, password}, accented());
    ASSERT_TRUE(receiver.waitForMessages(1));
    EXPECT_EQ(receiver.messages().at(0).login, user);
    EXPECT_TRUE(tap.sent().contains("AUTH LOGIN")) << "the tap sees a login when one is sent";

    // A relay without login keeps taking mail over a plain connection.
    SmtpReceiver relay;
    WireTap relayTap(relay.port());
    sender.send({relayTap.address(), user, QString()}, accented());
    ASSERT_TRUE(relay.waitForMessages(1));
    EXPECT_FALSE(relayTap.sent().toUpper().contains("AUTH"));
}

TEST(MailSender, LineBreaksInSubjectOrAddressesAreRefusedBeforeConnecting) {
    RecordingMailSender recorder;
    SmtpMailSender sender({.connectSeconds = 1, .totalSeconds = 1});
    const MailAccount nowhere{QStringLiteral("127.0.0.1:%1").arg(cot::testing::unusedLoopbackPort()), {}, {}};

    MailMessage m = accented();
    m.subject = QStringLiteral("Aceite\r\nBcc: todos@fora.com");
    EXPECT_EQ(errorOf(sender, nowhere, m),
              QStringLiteral("O assunto do e-mail não pode conter quebras de linha: 'Aceite\\r\\nBcc: todos@fora.com'."));
    EXPECT_FALSE(errorOf(recorder, nowhere, m).isEmpty());

    m = accented();
    m.to << QStringLiteral("x@demo.local>\r\nRCPT TO:<fora@fora.com");
    EXPECT_EQ(errorOf(sender, nowhere, m),
              QStringLiteral("Endereço de e-mail 'x@demo.local>\\r\\nRCPT TO:<fora@fora.com' inválido."));
    m = accented();
    m.from = QStringLiteral("vendas@demo.local\nX-Injected: 1");
    EXPECT_EQ(errorOf(sender, nowhere, m), QStringLiteral("Endereço de e-mail 'vendas@demo.local\\nX-Injected: 1' inválido."));
    m = accented();
    m.to.clear();
    EXPECT_EQ(errorOf(sender, nowhere, m), QStringLiteral("O e-mail não tem destinatários."));
    EXPECT_TRUE(recorder.sent.isEmpty());
}

TEST(MailSender, ServerTextsAndAddressLists) {
    const SmtpServer plain = SmtpServer::parse(QStringLiteral(" smtp.demo.local "));
    EXPECT_EQ(plain.url(), QStringLiteral("smtp://smtp.demo.local:25/localhost"));
    EXPECT_EQ(plain.security, SmtpServer::Security::StartTlsWhenOffered);
    EXPECT_EQ(SmtpServer::parse(QStringLiteral("smtp.demo.local:587")).port, 587);
    const SmtpServer tls = SmtpServer::parse(QStringLiteral("smtps://mail.demo.local"));
    EXPECT_EQ(tls.port, 465);
    EXPECT_EQ(tls.security, SmtpServer::Security::ImplicitTls);
    EXPECT_EQ(SmtpServer::parse(QStringLiteral("SMTP+STARTTLS://mail.demo.local:2525")).security,
              SmtpServer::Security::StartTlsRequired);
    const SmtpServer trusted = SmtpServer::parse(QStringLiteral("smtp+insecure://relay.demo.local"));
    EXPECT_EQ(trusted.security, SmtpServer::Security::PlainLoginAllowed);
    EXPECT_EQ(trusted.url(), QStringLiteral("smtp://relay.demo.local:25/localhost"));
    for (const char* bad : {"", "   ", "host:99999", "ftp://host", "host name", "host:25\r\nMAIL"}) {
        EXPECT_THROW(SmtpServer::parse(QString::fromUtf8(bad)), UserError) << bad;
    }
    EXPECT_EQ(splitAddressList(QStringLiteral(" a@x.com; b@x.com ,c@x.com;; ")),
              (QStringList{"a@x.com", "b@x.com", "c@x.com"}));
}
