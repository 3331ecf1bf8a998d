#include "support/smtp_receiver.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace cot::testing {

namespace {

QString script() { return QFileInfo(QStringLiteral(__FILE__)).absolutePath() + QStringLiteral("/smtp_receiver.py"); }

// Debian's interpreter, where python3-aiosmtpd lives, before any other on the path.
QString python() {
    return QFileInfo::exists(QStringLiteral("/usr/bin/python3")) ? QStringLiteral("/usr/bin/python3")
                                                                 : QStringLiteral("python3");
}

}  // namespace

SmtpReceiver::SmtpReceiver() : SmtpReceiver(Options{}) {}

SmtpReceiver::SmtpReceiver(Options options)
    : dir_(std::make_unique<QTemporaryDir>()), process_(std::make_unique<QProcess>()) {
    QStringList args{script(), QStringLiteral("--dir"), dir_->path()};
    if (!options.user.isEmpty()) args << QStringLiteral("--user") << options.user << QStringLiteral("--password") << options.password;
    if (options.refuseLogin) args << QStringLiteral("--refuse-login");
    process_->setProcessChannelMode(QProcess::SeparateChannels);
    process_->start(python(), args);
    if (!process_->waitForStarted(5000)) throw std::runtime_error("smtp receiver: python3 did not start");
    QByteArray out;
    const QDeadlineTimer deadline(10000);
    while (!out.contains('\n') && !deadline.hasExpired() && process_->state() == QProcess::Running) {
        process_->waitForReadyRead(200);
        out += process_->readAllStandardOutput();
    }
    const QByteArray line = out.left(out.indexOf('\n')).trimmed();
    if (!line.startsWith("PORT ")) {
        const QByteArray err = process_->readAllStandardError();
        process_->kill();
        process_->waitForFinished(2000);
        throw std::runtime_error(("smtp receiver did not start: " + err).toStdString());
    }
    port_ = line.mid(5).toInt();
}

SmtpReceiver::~SmtpReceiver() {
    if (process_->state() != QProcess::NotRunning) {
        process_->terminate();
        if (!process_->waitForFinished(3000)) {
            process_->kill();
            process_->waitForFinished(2000);
        }
    }
}

QString SmtpReceiver::address() const { return QStringLiteral("127.0.0.1:%1").arg(port_); }

bool SmtpReceiver::waitForMessages(int count, int timeoutMs) const {
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        if (QDir(dir_->path()).entryList({QStringLiteral("*.eml")}, QDir::Files).size() >= count) return true;
        if (deadline.hasExpired()) return false;
        QThread::msleep(20);
    }
}

QList<ReceivedMail> SmtpReceiver::messages() const {
    QList<ReceivedMail> out;
    const QDir dir(dir_->path());
    for (const QString& name : dir.entryList({QStringLiteral("*.eml")}, QDir::Files, QDir::Name)) {
        ReceivedMail mail;
        QFile eml(dir.filePath(name));
        if (eml.open(QIODevice::ReadOnly)) mail.raw = eml.readAll();
        QFile meta(dir.filePath(QFileInfo(name).completeBaseName() + QStringLiteral(".json")));
        if (meta.open(QIODevice::ReadOnly)) {
            const QJsonObject o = QJsonDocument::fromJson(meta.readAll()).object();
            mail.mailFrom = o.value(QStringLiteral("mail_from")).toString();
            for (const QJsonValue& v : o.value(QStringLiteral("rcpt_tos")).toArray()) mail.rcptTos << v.toString();
            mail.login = o.value(QStringLiteral("login")).toString();
            mail.subject = o.value(QStringLiteral("subject")).toString();
            mail.from = o.value(QStringLiteral("from")).toString();
            mail.to = o.value(QStringLiteral("to")).toString();
            mail.contentType = o.value(QStringLiteral("content_type")).toString();
            for (const QJsonValue& v : o.value(QStringLiteral("parts")).toArray()) {
                const QJsonObject p = v.toObject();
                mail.parts.append({p.value(QStringLiteral("type")).toString(), p.value(QStringLiteral("charset")).toString(),
                                   p.value(QStringLiteral("encoding")).toString(), p.value(QStringLiteral("text")).toString()});
            }
        }
        out.append(mail);
    }
    return out;
}

namespace {

// A TCP socket bound to a free loopback port; listening when asked.
int boundSocket(bool listening, int* port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        (listening && ::listen(fd, 4) != 0))
        throw std::runtime_error("loopback socket not available");
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    *port = ntohs(addr.sin_port);
    return fd;
}

}  // namespace

int unusedLoopbackPort() {
    int port = 0;
    ::close(boundSocket(false, &port));
    return port;
}

SilentListener::SilentListener() { fd_ = boundSocket(true, &port_); }
SilentListener::~SilentListener() { ::close(fd_); }
QString SilentListener::address() const { return QStringLiteral("127.0.0.1:%1").arg(port_); }

}  // namespace cot::testing
