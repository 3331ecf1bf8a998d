#pragma once
// A real SMTP receiver on a free loopback port (Debian's aiosmtpd, through smtp_receiver.py),
// for tests of what goes out by e-mail. Started by the constructor, stopped by the destructor.
//
//   SmtpReceiver receiver({.user = "conta@filial", .password = "segredo"});
//   sender.send({receiver.address(), "conta@filial", "segredo"}, message);
//   ASSERT_TRUE(receiver.waitForMessages(1));
//   EXPECT_EQ(receiver.messages()[0].subject, "Proposta aceita");
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

class QProcess;
class QTemporaryDir;

namespace cot::testing {

struct ReceivedPart {
    QString type;      // "text/plain"
    QString charset;   // "utf-8"
    QString encoding;  // Content-Transfer-Encoding as sent
    QString text;      // decoded content
};

// One message as received and as Python's mail parser reads it back.
struct ReceivedMail {
    QByteArray raw;  // data as sent, headers included
    QString mailFrom;
    QStringList rcptTos;
    QString login;   // account authenticated with; empty when none
    QString subject; // decoded
    QString from, to;
    QString contentType;
    QList<ReceivedPart> parts;
};

class SmtpReceiver {
public:
    struct Options {
        QString user;           // when set, AUTH is advertised and required, only this pair accepted
        QString password;
        bool refuseLogin = false;  // AUTH advertised and every login refused
    };
    SmtpReceiver();
    explicit SmtpReceiver(Options options);
    ~SmtpReceiver();
    SmtpReceiver(const SmtpReceiver&) = delete;
    SmtpReceiver& operator=(const SmtpReceiver&) = delete;

    int port() const { return port_; }
    QString address() const;  // "127.0.0.1:<port>", the form a branch keeps

    // Waits until at least `count` messages were stored; false on timeout.
    bool waitForMessages(int count, int timeoutMs = 5000) const;
    // In arrival order. A message is stored before the receiver answers its DATA, so once a
    // sender has returned, what it delivered is here: "nothing arrived" needs no wait.
    QList<ReceivedMail> messages() const;

private:
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<QProcess> process_;
    int port_ = 0;
};

// A loopback port where nothing listens (a receiver that is down).
int unusedLoopbackPort();

// A loopback port that takes connections and never says a word (a receiver that hangs).
class SilentListener {
public:
    SilentListener();
    ~SilentListener();
    SilentListener(const SilentListener&) = delete;
    SilentListener& operator=(const SilentListener&) = delete;
    QString address() const;

private:
    int fd_ = -1;
    int port_ = 0;
};

}  // namespace cot::testing
