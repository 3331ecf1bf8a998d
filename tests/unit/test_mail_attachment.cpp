// Messages with files: sent as multipart/mixed to a receiver on loopback and read back by
// Python's mail parser, so the names and bytes checked are the ones a mail reader finds.
// Without files a message stays multipart/alternative (test_mail_sender).
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include "services/mail_sender.h"
#include "support/smtp_receiver.h"
#include "unit_cases.h"

namespace {

// Each part as "type|file name|disposition", and the content of each leaf (base64 when bytes).
const char* kParser = R"PY(
import base64, email, email.policy, json, sys
msg = email.message_from_bytes(sys.stdin.buffer.read(), policy=email.policy.default)
parts, contents = [], []
for p in msg.walk():
    parts.append("%s|%s|%s" % (p.get_content_type(), p.get_filename() or "", p.get_content_disposition() or ""))
    if not p.is_multipart():
        c = p.get_content()
        contents.append(base64.b64encode(c).decode() if isinstance(c, bytes) else c)
json.dump({"subject": str(msg["Subject"]), "defects": len(msg.defects), "parts": parts, "contents": contents},
          sys.stdout, ensure_ascii=False)
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

}  // namespace

TEST(MailAttachment, MixedMessageCarriesTheAlternativePartThenEachFileWithItsName) {
    const MailMessage m = withFiles();
    cot::testing::SmtpReceiver receiver;
    SmtpMailSender().send({receiver.address(), {}, {}}, m);
    ASSERT_TRUE(receiver.waitForMessages(1));
    const QByteArray mime = receiver.messages().at(0).raw;  // as it crossed SMTP, headers included
    const QJsonObject mail = parsed(mime);
    ASSERT_FALSE(mail.isEmpty()) << "python3 could not read the message";
    EXPECT_EQ(QStringList({mail.value("subject").toString(), QString::number(mail.value("defects").toInt())}),
              QStringList({m.subject, "0"}));
    // An accented name with quotes comes back whole; the bytes of each file are untouched.
    EXPECT_EQ(mail.value("parts").toVariant().toStringList(),
              (QStringList{"multipart/mixed||", "multipart/alternative||", "text/plain||", "text/html||",
                           "application/pdf|Proposta 12-1.pdf|attachment",
                           "text/plain|" + m.attachments[1].fileName + "|attachment"}));
    const QStringList contents = mail.value("contents").toVariant().toStringList();
    ASSERT_EQ(contents.size(), 4);
    EXPECT_EQ(QStringList({contents[0].trimmed(), contents[3]}), QStringList({m.textPart, "linha 1\nlinha 2\n"}));
    EXPECT_EQ(QByteArray::fromBase64(contents[2].toLatin1()), m.attachments[0].data);
    for (const QByteArray& line : mime.split('\n')) {
        EXPECT_LE(line.size(), 998);
        for (char c : line) ASSERT_LT(static_cast<unsigned char>(c), 128) << "8-bit byte in the message";
    }
}

TEST(MailAttachment, NamesAndTypesThatCouldBreakTheHeadersAreRefused) {
    QList<std::function<void(MailAttachment&)>> changes;
    for (const char* name : {"", "  ", "a\r\nBcc: x@y.z", "../../etc/passwd", "C:\\proposta.pdf", "tab\there.pdf"})
        changes << [name](MailAttachment& a) { a.fileName = QString::fromUtf8(name); };
    changes << [](MailAttachment& a) { a.fileName = QString(151, QLatin1Char('a')); };
    for (const char* type : {"", "pdf", "application/pdf\r\nX-Evil: 1", "application/pdf; name=x", "/pdf"})
        changes << [type](MailAttachment& a) { a.contentType = QString::fromUtf8(type); };
    for (const auto& change : changes) {
        MailMessage m = withFiles();
        change(m.attachments[0]);
        EXPECT_THROW(mailHeaders(m), UserError) << (m.attachments[0].fileName + " " + m.attachments[0].contentType).toStdString();
    }
    // The recording sender checks the same way: a test never passes what SMTP would refuse.
    RecordingMailSender recorder;
    MailMessage m = withFiles();
    m.attachments[1].fileName = QStringLiteral("a\nb");
    EXPECT_THROW(recorder.send({}, m), UserError);
    EXPECT_TRUE(recorder.sent.isEmpty());
}
