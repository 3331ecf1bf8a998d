#pragma once
#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <mutex>

namespace cot {

// A file sent with a message: its name as the recipient sees it (any characters but
// control ones and path separators), its MIME type ("application/pdf") and its bytes.
struct MailAttachment {
    QString fileName;
    QString contentType;
    QByteArray data;
};

// One e-mail: a text part and an HTML part of the same content (multipart/alternative),
// all in UTF-8, and the files sent with it (multipart/mixed, the alternative part first).
struct MailMessage {
    QString from;
    QStringList to;
    QString subject;
    QString textPart;
    QString htmlPart;
    QList<MailAttachment> attachments;
    QString replyTo;  // where answers go (the salesperson); empty: to the sender
};

// The SMTP server of a branch, as kept in its address record:
//   "host" or "host:port"            port 25; STARTTLS when the server offers it, required
//                                    when the account logs in (a password goes only over TLS)
//   "smtp+starttls://host[:port]"    port 25; STARTTLS required (refused when not offered)
//   "smtps://host[:port]"            port 465; TLS from the first byte
//   "smtp://host[:port]"             same as the plain form
//   "smtp+insecure://host[:port]"    port 25; STARTTLS when offered, else the login goes in
//                                    plain text: only for a relay trusted on its network
struct SmtpServer {
    enum class Security { StartTlsWhenOffered, StartTlsRequired, ImplicitTls, PlainLoginAllowed };

    QString host;
    int port = 25;
    Security security = Security::StartTlsWhenOffered;

    // UserError "A filial não tem servidor de e-mail cadastrado." for an empty text, or a
    // clear text for a malformed one.
    static SmtpServer parse(const QString& text);
    QString url() const;      // for libcurl
    QString display() const;  // host:port, for messages
};

// The account a message goes out through: the branch's server, user and plain password.
struct MailAccount {
    QString server;  // SmtpServer text
    QString user;    // empty (or no password): no login
    QString password;
};

// Addresses of a list separated by ';' or ',' (blanks around them dropped, empty ones skipped).
QStringList splitAddressList(const QString& text);

// Refuses what would let a value reach the SMTP dialogue or the headers as a command:
// CR, LF or other control characters in the subject or an address (Reply-To included), '<' '>'
// in an address,
// no sender, no recipient; an attachment without a name, with a control character, '/' or
// '\' in it or over 150 characters, or whose type is not "type/subtype".
// UserError with a text naming the offending value.
void checkMailMessage(const MailMessage& message);

// The headers of the message as sent, one a line without its CRLF (a long To or Subject
// folded inside): Date, From, To, Reply-To when set, Subject (RFC 2047 encoded when it is
// not plain ASCII), Message-ID, MIME-Version and the top Content-Type, to which libcurl adds
// its boundary. The body is built by the sender with libcurl's MIME parts: the text and HTML
// parts base64 in UTF-8 (multipart/alternative); with attachments the message is
// multipart/mixed, the alternative part first, then each file base64 with its name (a name
// that is not plain ASCII goes RFC 2231 encoded in the disposition and RFC 2047 encoded in
// the type, the form most readers take). Checks the message first.
QList<QByteArray> mailHeaders(const MailMessage& message, const QDateTime& date = QDateTime::currentDateTime());

// Sends messages. Failures are UserError with a Portuguese text naming the server; never a
// crash, never a wait longer than the sender's timeouts.
class MailSender {
public:
    virtual ~MailSender() = default;
    virtual void send(const MailAccount& account, const MailMessage& message) = 0;
};

// Through libcurl: connects, authenticates with AUTH LOGIN when the account has a user and a
// password (a relay taking mail without a login is reached with neither),
// sends to every recipient and disconnects. A password is sent only inside TLS unless the
// server text is "smtp+insecure://": a server without STARTTLS is then refused before AUTH.
class SmtpMailSender : public MailSender {
public:
    struct Timeouts {
        int connectSeconds = 15;
        int totalSeconds = 60;  // the whole dialogue, data included
    };
    SmtpMailSender() = default;
    explicit SmtpMailSender(Timeouts timeouts) : timeouts_(timeouts) {}
    void send(const MailAccount& account, const MailMessage& message) override;

private:
    Timeouts timeouts_;
};

// Keeps what it is given instead of sending (tests, scenarios). A message whose subject
// contains `failWhenSubjectContains` (when set) is refused with `failureText`. The server
// sends from several threads at once (two clients deciding together): each send is kept
// whole; `sent` is read once they are done.
class RecordingMailSender : public MailSender {
public:
    struct Sent {
        MailAccount account;
        MailMessage message;
    };
    void send(const MailAccount& account, const MailMessage& message) override;

    QList<Sent> sent;
    QString failWhenSubjectContains;
    std::mutex sending;
    QString failureText = QStringLiteral("Falha simulada no envio do e-mail.");
};

// The sender the desktop uses: an SmtpMailSender unless one was set (nullptr restores it).
MailSender& defaultMailSender();
void setDefaultMailSender(MailSender* sender);

}  // namespace cot
