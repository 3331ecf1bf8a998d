// Messages with files: sent as multipart/mixed to a receiver on loopback and read back by
// Python's mail parser, so the names and bytes checked are the ones a mail reader finds.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <gtest/gtest.h>

#include "base/errors.h"
#include "services/mail_sender.h"
#include "support/qt_printers.h"
#include "support/smtp_receiver.h"

using namespace cot;

namespace {

const char* kParser = R"PY(
import base64, email, email.policy, json, sys
msg = email.message_from_bytes(sys.stdin.buffer.read(), policy=email.policy.default)
parts = []
for p in msg.walk():
    if p.is_multipart():
        parts.append({"type": p.get_content_type()})
        continue
    item = {"type": p.get_content_type(), "filename": p.get_filename() or "",
            "disposition": p.get_content_disposition() or ""}
    content = p.get_content()
    if isinstance(content, bytes):
        item["data"] = base64.b64encode(content).decode()
    else:
        item["text"] = content
    parts.append(item)
json.dump({"type": msg.get_content_type(), "subject": str(msg["Subject"]), "defects": len(msg.defects),
           "parts": parts}, sys.stdout, ensure_ascii=False)
)PY";

QJsonObject parsed(const QByteArray& mime) {
    QProcess python;
    python.start(QStringLiteral("python3"), {QStringLiteral("-c"), QString::fromLatin1(kParser)});
    if (!python.waitForStarted()) return {};
    python.write(mime);
    python.closeWriteChannel();
    python.waitForFinished(10000);
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

MailMessage withFiles() {
    MailMessage m;
    m.from = QStringLiteral("comercial.sp@demo.local");
    m.to = {QStringLiteral("cliente@empresa.com.br")};
    m.subject = QStringLiteral("Proposta 12/01 - Implantação");
    m.textPart = QStringLiteral("Segue a proposta.");
    m.htmlPart = QStringLiteral("<p>Segue a <b>proposta</b>.</p>");
    QByteArray pdf("%PDF-1.4\n");
    for (int i = 0; i < 4000; ++i) pdf += char(i % 256);  // binary, several base64 lines
    m.attachments = {{QStringLiteral("Proposta 12-1.pdf"), QStringLiteral("application/pdf"), pdf},
                     {QStringLiteral("Cronograma de implantação \"final\".txt"), QStringLiteral("text/plain"),
                      QByteArray("linha 1\nlinha 2\n")}};
    return m;
}

// The message as it crossed SMTP, headers included.
QByteArray sentThroughSmtp(const MailMessage& m) {
    cot::testing::SmtpReceiver receiver;
    SmtpMailSender().send({receiver.address(), {}, {}}, m);
    return receiver.waitForMessages(1) ? receiver.messages().at(0).raw : QByteArray();
}

}  // namespace

TEST(MailAttachment, MixedMessageCarriesTheAlternativePartThenEachFileWithItsName) {
    const MailMessage m = withFiles();
    const QByteArray mime = sentThroughSmtp(m);
    const QJsonObject mail = parsed(mime);
    ASSERT_FALSE(mail.isEmpty()) << "python3 could not read the message";
    EXPECT_EQ(mail.value("type").toString(), "multipart/mixed");
    EXPECT_EQ(mail.value("defects").toInt(), 0);
    EXPECT_EQ(mail.value("subject").toString(), m.subject);

    const QJsonArray parts = mail.value("parts").toArray();
    ASSERT_EQ(parts.size(), 6);  // mixed, alternative, text, html, two files
    EXPECT_EQ(parts[1].toObject().value("type").toString(), "multipart/alternative");
    EXPECT_EQ(parts[2].toObject().value("text").toString().trimmed(), m.textPart);
    EXPECT_EQ(parts[3].toObject().value("type").toString(), "text/html");

    const QJsonObject pdf = parts[4].toObject();
    EXPECT_EQ(pdf.value("type").toString(), "application/pdf");
    EXPECT_EQ(pdf.value("disposition").toString(), "attachment");
    EXPECT_EQ(pdf.value("filename").toString(), "Proposta 12-1.pdf");
    EXPECT_EQ(QByteArray::fromBase64(pdf.value("data").toString().toLatin1()), m.attachments[0].data);

    // An accented name with quotes comes back whole; the bytes of a text file are untouched.
    const QJsonObject text = parts[5].toObject();
    EXPECT_EQ(text.value("filename").toString(), m.attachments[1].fileName);
    EXPECT_EQ(text.value("text").toString(), "linha 1\nlinha 2\n");

    for (const QByteArray& line : mime.split('\n')) {
        EXPECT_LE(line.size(), 998);
        for (char c : line) ASSERT_LT(static_cast<unsigned char>(c), 128) << "8-bit byte in the message";
    }
}

TEST(MailAttachment, WithoutFilesTheMessageStaysAlternative) {
    MailMessage m = withFiles();
    m.attachments.clear();
    const QByteArray mime = sentThroughSmtp(m);
    EXPECT_TRUE(mime.contains("Content-Type: multipart/alternative;"));
    EXPECT_FALSE(mime.contains("multipart/mixed"));
    EXPECT_EQ(parsed(mime).value("parts").toArray().size(), 3);
}

TEST(MailAttachment, NamesAndTypesThatCouldBreakTheHeadersAreRefused) {
    const char* badNames[] = {"", "  ", "a\r\nBcc: x@y.z", "../../etc/passwd", "C:\\proposta.pdf", "tab\there.pdf"};
    for (const char* name : badNames) {
        MailMessage m = withFiles();
        m.attachments[0].fileName = QString::fromUtf8(name);
        EXPECT_THROW(mailHeaders(m), UserError) << name;
    }
    MailMessage longName = withFiles();
    longName.attachments[0].fileName = QString(151, QLatin1Char('a'));
    EXPECT_THROW(mailHeaders(longName), UserError);

    const char* badTypes[] = {"", "pdf", "application/pdf\r\nX-Evil: 1", "application/pdf; name=x", "/pdf"};
    for (const char* type : badTypes) {
        MailMessage m = withFiles();
        m.attachments[0].contentType = QString::fromUtf8(type);
        EXPECT_THROW(mailHeaders(m), UserError) << type;
    }
    // The recording sender checks the same way: a test never passes what SMTP would refuse.
    RecordingMailSender recorder;
    MailMessage m = withFiles();
    m.attachments[1].fileName = QStringLiteral("a\nb");
    EXPECT_THROW(recorder.send({}, m), UserError);
    EXPECT_TRUE(recorder.sent.isEmpty());
}
