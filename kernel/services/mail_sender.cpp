#include "mail_sender.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QUrl>
#include <atomic>
#include <curl/curl.h>
#include <mutex>
#include <optional>

#include "base/errors.h"

namespace cot {

// ----- server address

SmtpServer SmtpServer::parse(const QString& text) {
    QString rest = text.trimmed();
    if (rest.isEmpty()) throw UserError(QStringLiteral("A filial não tem servidor de e-mail cadastrado."));
    SmtpServer server;
    const int scheme = rest.indexOf(QStringLiteral("://"));
    if (scheme >= 0) {
        const QString name = rest.left(scheme).toLower();
        if (name == QLatin1String("smtps")) {
            server.security = Security::ImplicitTls;
            server.port = 465;
        } else if (name == QLatin1String("smtp+starttls")) {
            server.security = Security::StartTlsRequired;
        } else if (name == QLatin1String("smtp+insecure")) {
            server.security = Security::PlainLoginAllowed;
        } else if (name != QLatin1String("smtp")) {
            throw UserError(QStringLiteral("Servidor de e-mail '%1' inválido.").arg(text.trimmed()));
        }
        rest = rest.mid(scheme + 3);
    }
    static const QRegularExpression shape(QStringLiteral("^([A-Za-z0-9._-]+)(?::([0-9]{1,5}))?/?$"));
    const QRegularExpressionMatch m = shape.match(rest);
    if (!m.hasMatch()) throw UserError(QStringLiteral("Servidor de e-mail '%1' inválido.").arg(text.trimmed()));
    server.host = m.captured(1);
    if (m.hasCaptured(2)) {
        server.port = m.captured(2).toInt();
        if (server.port < 1 || server.port > 65535)
            throw UserError(QStringLiteral("Servidor de e-mail '%1' inválido.").arg(text.trimmed()));
    }
    return server;
}

QString SmtpServer::url() const {
    const QString scheme = security == Security::ImplicitTls ? QStringLiteral("smtps") : QStringLiteral("smtp");
    // The path is the name the client greets with.
    return QStringLiteral("%1://%2:%3/localhost").arg(scheme, host).arg(port);
}

QString SmtpServer::display() const { return QStringLiteral("%1:%2").arg(host).arg(port); }

// ----- message

QStringList splitAddressList(const QString& text) {
    QStringList out;
    for (const QString& piece : text.split(QRegularExpression(QStringLiteral("[;,]")))) {
        const QString address = piece.trimmed();
        if (!address.isEmpty()) out << address;
    }
    return out;
}

namespace {

bool hasControl(const QString& s) {
    for (QChar c : s)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f) return true;
    return false;
}

// Shows a refused value with its line breaks visible.
QString shown(const QString& s) {
    QString out = s;
    out.replace(QLatin1Char('\r'), QStringLiteral("\\r")).replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    return out;
}

void checkAddress(const QString& address) {
    if (hasControl(address) || address.contains(QLatin1Char('<')) || address.contains(QLatin1Char('>')) ||
        address.contains(QLatin1Char(' ')))
        throw UserError(QStringLiteral("Endereço de e-mail '%1' inválido.").arg(shown(address)));
}

QByteArray crlfText(const QString& text) {
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    t.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return t.toUtf8();
}

bool plainAscii(const QString& s) {
    for (QChar c : s)
        if (c.unicode() < 0x20 || c.unicode() > 0x7e) return false;
    return true;
}

// RFC 2047 encoded words of whole characters, folded onto continuation lines.
QByteArray encodedSubject(const QString& subject) {
    if (plainAscii(subject) && subject.size() <= 66 && !subject.contains(QStringLiteral("=?")))
        return subject.toLatin1();
    QList<QByteArray> words;
    QByteArray chunk;
    for (qsizetype i = 0; i < subject.size();) {
        const qsizetype len = (subject.at(i).isHighSurrogate() && i + 1 < subject.size()) ? 2 : 1;
        const QByteArray ch = subject.mid(i, len).toUtf8();
        if (chunk.size() + ch.size() > 45) {
            words << chunk;
            chunk.clear();
        }
        chunk += ch;
        i += len;
    }
    if (!chunk.isEmpty()) words << chunk;
    QByteArray out;
    for (const QByteArray& w : words) {
        if (!out.isEmpty()) out += "\r\n ";
        out += "=?UTF-8?B?" + w.toBase64() + "?=";
    }
    return out;
}

// A parameter value as a quoted string (plain ASCII only).
QByteArray quoted(const QString& value) {
    QByteArray out = "\"";
    for (QChar c : value) {
        if (c == u'"' || c == u'\\') out += '\\';
        out += char(c.unicode());
    }
    return out + "\"";
}

// RFC 2231: UTF-8''percent-encoded, for parameters that are not plain ASCII.
QByteArray extendedValue(const QString& value) {
    return "UTF-8''" + value.toUtf8().toPercentEncoding(QByteArray("!#$&+-.^_`|~"));
}

QByteArray randomToken() {
    return QByteArray::number(QRandomGenerator::global()->generate64(), 36) +
           QByteArray::number(QRandomGenerator::global()->generate64(), 36);
}

}  // namespace

void checkMailMessage(const MailMessage& message) {
    if (message.subject.contains(QLatin1Char('\r')) || message.subject.contains(QLatin1Char('\n')))
        throw UserError(QStringLiteral("O assunto do e-mail não pode conter quebras de linha: '%1'.")
                            .arg(shown(message.subject)));
    if (hasControl(message.subject))
        throw UserError(QStringLiteral("O assunto do e-mail contém caracteres de controle."));
    if (message.from.trimmed().isEmpty()) throw UserError(QStringLiteral("Remetente do e-mail não informado."));
    checkAddress(message.from.trimmed());
    if (message.to.isEmpty()) throw UserError(QStringLiteral("O e-mail não tem destinatários."));
    for (const QString& to : message.to) {
        if (to.trimmed().isEmpty()) throw UserError(QStringLiteral("O e-mail tem um destinatário vazio."));
        checkAddress(to.trimmed());
    }
    if (!message.replyTo.trimmed().isEmpty()) checkAddress(message.replyTo.trimmed());
    static const QRegularExpression mimeType(
        QStringLiteral("^[A-Za-z0-9][A-Za-z0-9!#$&^_.+-]*/[A-Za-z0-9][A-Za-z0-9!#$&^_.+-]*$"));
    for (const MailAttachment& a : message.attachments) {
        const QString name = a.fileName.trimmed();
        if (name.isEmpty() || name.size() > 150 || hasControl(a.fileName) || name.contains(QLatin1Char('/')) ||
            name.contains(QLatin1Char('\\')))
            throw UserError(QStringLiteral("Nome de anexo '%1' inválido.").arg(shown(a.fileName)));
        if (!mimeType.match(a.contentType.trimmed()).hasMatch())
            throw UserError(QStringLiteral("Tipo do anexo '%1' inválido: '%2'.").arg(name, shown(a.contentType)));
    }
}

QList<QByteArray> mailHeaders(const MailMessage& message, const QDateTime& date) {
    checkMailMessage(message);
    const QString from = message.from.trimmed();
    const QString domain = from.contains(QLatin1Char('@')) ? from.section(QLatin1Char('@'), -1) : QStringLiteral("localhost");
    QStringList to;
    for (const QString& t : message.to) to << t.trimmed();

    QList<QByteArray> out;
    out << "Date: " + date.toString(Qt::RFC2822Date).toLatin1();
    out << "From: " + from.toUtf8();
    out << "To: " + to.join(QStringLiteral(",\r\n ")).toUtf8();
    if (!message.replyTo.trimmed().isEmpty()) out << "Reply-To: " + message.replyTo.trimmed().toUtf8();
    out << "Subject: " + encodedSubject(message.subject);
    out << "Message-ID: <" + randomToken() + "@" + domain.toUtf8() + ">";
    out << "MIME-Version: 1.0";
    // libcurl adds the boundary to the type given here.
    out << (message.attachments.isEmpty() ? QByteArray("Content-Type: multipart/alternative")
                                          : QByteArray("Content-Type: multipart/mixed"));
    return out;
}

// ----- libcurl

namespace {

void initCurl() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// The message as libcurl composes and sends it: the headers of mailHeaders() and a MIME
// tree whose parts libcurl encodes (base64) and separates with boundaries of its own.
class CurlMessage {
public:
    CurlMessage(CURL* curl, const MailMessage& message) {
        try {
            build(curl, message);
        } catch (...) {
            curl_mime_free(mime_);
            curl_slist_free_all(headers_);
            throw;
        }
    }
    ~CurlMessage() {
        curl_mime_free(mime_);
        curl_slist_free_all(headers_);
    }
    CurlMessage(const CurlMessage&) = delete;
    CurlMessage& operator=(const CurlMessage&) = delete;

    curl_mime* mime() const { return mime_; }
    curl_slist* headers() const { return headers_; }

private:
    void build(CURL* curl, const MailMessage& message) {
        for (const QByteArray& h : mailHeaders(message)) append(headers_, h);
        mime_ = curl_mime_init(curl);
        if (!mime_) failed();
        if (message.attachments.isEmpty()) {
            addAlternatives(mime_, message);
            return;
        }
        // The alternative part comes first in the mixed one, then the files.
        curl_mime* alternatives = curl_mime_init(curl);
        if (!alternatives) failed();
        curl_mimepart* nested = curl_mime_addpart(mime_);
        if (!nested || curl_mime_subparts(nested, alternatives) != CURLE_OK) {
            curl_mime_free(alternatives);
            failed();
        }  // `alternatives` belongs to `nested` from here
        addAlternatives(alternatives, message);
        check(curl_mime_type(nested, "multipart/alternative"));
        for (const MailAttachment& a : message.attachments) addAttachment(a);
    }
    [[noreturn]] static void failed() { throw UserError(QStringLiteral("Não foi possível preparar o envio do e-mail.")); }
    static void check(CURLcode code) {
        if (code != CURLE_OK) failed();
    }
    static void append(curl_slist*& list, const QByteArray& line) {
        curl_slist* grown = curl_slist_append(list, line.constData());
        if (!grown) failed();
        list = grown;
    }
    static curl_mimepart* addPart(curl_mime* mime) {
        curl_mimepart* part = curl_mime_addpart(mime);
        if (!part) failed();
        return part;
    }
    static void setBase64(curl_mimepart* part, const QByteArray& data, const QByteArray& type) {
        check(curl_mime_data(part, data.constData(), static_cast<size_t>(data.size())));
        check(curl_mime_type(part, type.constData()));
        check(curl_mime_encoder(part, "base64"));
    }
    static void addAlternatives(curl_mime* mime, const MailMessage& message) {
        setBase64(addPart(mime), crlfText(message.textPart), "text/plain; charset=UTF-8");
        setBase64(addPart(mime), crlfText(message.htmlPart), "text/html; charset=UTF-8");
    }
    // A name that is not plain ASCII goes as RFC 2047 words in the type's name (what older
    // readers take) and RFC 2231 in the disposition (the standard form).
    void addAttachment(const MailAttachment& a) {
        const QString name = a.fileName.trimmed();
        const QByteArray type = a.contentType.trimmed().toLower().toLatin1();
        curl_mimepart* part = addPart(mime_);
        QByteArray disposition;
        if (plainAscii(name)) {
            setBase64(part, a.data, type + "; name=" + quoted(name));
            disposition = "Content-Disposition: attachment; filename=" + quoted(name);
        } else {
            QByteArray words = encodedSubject(name);
            words.replace("\r\n ", " ");
            setBase64(part, a.data, type + "; name=\"" + words + "\"");
            disposition = "Content-Disposition: attachment;\r\n filename*=" + extendedValue(name);
        }
        curl_slist* partHeaders = nullptr;
        append(partHeaders, disposition);
        if (curl_mime_headers(part, partHeaders, 1) != CURLE_OK) {
            curl_slist_free_all(partHeaders);
            failed();
        }
    }

    curl_mime* mime_ = nullptr;
    curl_slist* headers_ = nullptr;
};

// Whether the account logs in: a user kept without a password is a relay that takes mail
// without a login (an empty password cannot be sent by AUTH LOGIN in a form every server reads).
bool logsIn(const MailAccount& account) { return !account.user.isEmpty() && !account.password.isEmpty(); }

// TLS is compulsory for the secure forms and whenever a password would go out, unless the
// branch named its relay as trusted with plain text.
bool tlsRequired(const SmtpServer& server, const MailAccount& account) {
    switch (server.security) {
    case SmtpServer::Security::StartTlsRequired:
    case SmtpServer::Security::ImplicitTls:
        return true;
    case SmtpServer::Security::StartTlsWhenOffered:
        return logsIn(account);
    case SmtpServer::Security::PlainLoginAllowed:
        return false;
    }
    return true;
}

QString failureText(CURLcode code, const SmtpServer& server, const MailAccount& account, const QString& detail) {
    const QString where = server.display();
    switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
        return QStringLiteral("Servidor de e-mail '%1' não encontrado.").arg(server.host);
    case CURLE_COULDNT_CONNECT:
        return QStringLiteral("Não foi possível conectar ao servidor de e-mail '%1'. Verifique se ele está no ar.").arg(where);
    case CURLE_OPERATION_TIMEDOUT:
        return QStringLiteral("O servidor de e-mail '%1' não respondeu a tempo.").arg(where);
    case CURLE_LOGIN_DENIED:
        return QStringLiteral("O servidor de e-mail '%1' recusou o usuário ou a senha da conta '%2'.").arg(where, account.user);
    case CURLE_USE_SSL_FAILED:
        if (server.security == SmtpServer::Security::StartTlsWhenOffered)
            return QStringLiteral("O servidor de e-mail '%1' não oferece conexão segura (STARTTLS) e a senha da conta "
                                  "'%2' só é enviada por conexão segura. Se o servidor é de confiança na rede interna, "
                                  "cadastre-o na filial como smtp+insecure://%1.")
                .arg(where, account.user);
        return QStringLiteral("O servidor de e-mail '%1' não oferece conexão segura (STARTTLS), exigida para esta filial.").arg(where);
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
        return QStringLiteral("Não foi possível estabelecer conexão segura com o servidor de e-mail '%1': %2").arg(where, detail);
    case CURLE_GOT_NOTHING:
    case CURLE_RECV_ERROR:
    case CURLE_WEIRD_SERVER_REPLY:
        return QStringLiteral("A conexão com o servidor de e-mail '%1' foi interrompida: %2").arg(where, detail);
    default:
        return QStringLiteral("Não foi possível enviar o e-mail pelo servidor '%1': %2").arg(where, detail);
    }
}

}  // namespace

void SmtpMailSender::send(const MailAccount& account, const MailMessage& message) {
    const SmtpServer server = SmtpServer::parse(account.server);
    if (hasControl(account.user) || hasControl(account.password))
        throw UserError(QStringLiteral("Conta de e-mail '%1' inválida.").arg(shown(account.user)));
    checkMailMessage(message);

    initCurl();
    CURL* curl = curl_easy_init();
    if (!curl) throw UserError(QStringLiteral("Não foi possível preparar o envio do e-mail."));
    std::optional<CurlMessage> composed;
    try {
        composed.emplace(curl, message);
    } catch (...) {
        curl_easy_cleanup(curl);
        throw;
    }
    curl_slist* recipients = nullptr;
    for (const QString& to : message.to)
        recipients = curl_slist_append(recipients, ("<" + to.trimmed().toUtf8() + ">").constData());
    const QByteArray url = server.url().toUtf8();
    const QByteArray from = "<" + message.from.trimmed().toUtf8() + ">";
    const QByteArray user = account.user.toUtf8();
    const QByteArray password = account.password.toUtf8();
    char error[CURL_ERROR_SIZE] = {0};

    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, error);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, static_cast<long>(timeouts_.connectSeconds));
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, static_cast<long>(timeouts_.totalSeconds));
    // With CURLUSESSL_ALL a server that offers no STARTTLS (or has it stripped on the way)
    // is left before AUTH: the password never crosses the network in the clear.
    curl_easy_setopt(curl, CURLOPT_USE_SSL,
                     tlsRequired(server, account) ? static_cast<long>(CURLUSESSL_ALL) : static_cast<long>(CURLUSESSL_TRY));
    if (logsIn(account)) {
        curl_easy_setopt(curl, CURLOPT_USERNAME, user.constData());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, password.constData());
        curl_easy_setopt(curl, CURLOPT_LOGIN_OPTIONS, "AUTH=LOGIN");
    }
    curl_easy_setopt(curl, CURLOPT_MAIL_FROM, from.constData());
    curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, recipients);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, composed->headers());  // the message's headers for SMTP
    curl_easy_setopt(curl, CURLOPT_MIMEPOST, composed->mime());

    const CURLcode code = curl_easy_perform(curl);  // disconnects on every path
    curl_slist_free_all(recipients);
    curl_easy_cleanup(curl);
    composed.reset();
    if (code != CURLE_OK) {
        const QString detail = error[0] ? QString::fromUtf8(error).trimmed() : QString::fromUtf8(curl_easy_strerror(code));
        throw UserError(failureText(code, server, account, detail));
    }
}

// ----- recording and default

void RecordingMailSender::send(const MailAccount& account, const MailMessage& message) {
    checkMailMessage(message);
    if (!failWhenSubjectContains.isEmpty() && message.subject.contains(failWhenSubjectContains))
        throw UserError(failureText);
    const std::lock_guard<std::mutex> lock(sending);
    sent.append({account, message});
}

namespace {
// Read by the server's threads while another thread may set it.
std::atomic<MailSender*> g_sender{nullptr};
}  // namespace

MailSender& defaultMailSender() {
    static SmtpMailSender smtp;
    MailSender* chosen = g_sender.load(std::memory_order_acquire);
    return chosen ? *chosen : smtp;
}

void setDefaultMailSender(MailSender* sender) { g_sender.store(sender, std::memory_order_release); }

}  // namespace cot
