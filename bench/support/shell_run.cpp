#include "support/shell_run.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <chrono>
#include <stdexcept>

namespace cot::bench {

ShellTiming runShellTimed(const QString& program, const QStringList& arguments, const QString& home,
                          const ShellDisplay& where, int timeoutMs) {
    QProcess shell;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), QDir(home).filePath(QStringLiteral(".config")));
    // Qt wants a private runtime folder; one in the home keeps the machine's out of it.
    const QString runtime = QDir(home).filePath(QStringLiteral("runtime"));
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), where.platform);
    if (where.display.isEmpty()) env.remove(QStringLiteral("DISPLAY"));
    else env.insert(QStringLiteral("DISPLAY"), where.display);
    env.remove(QStringLiteral("COT_PASSWORD"));
    shell.setProcessEnvironment(env);
    shell.setWorkingDirectory(home);
    shell.setStandardOutputFile(QProcess::nullDevice());

    ShellTiming t;
    t.startMs = QDateTime::currentMSecsSinceEpoch();
    const auto start = std::chrono::steady_clock::now();
    shell.start(program, arguments);
    if (!shell.waitForStarted(10000)) {
        t.errors = QStringLiteral("não iniciou: ") + shell.errorString();
        return t;
    }
    const bool finished = shell.waitForFinished(timeoutMs);
    t.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    t.exitMs = QDateTime::currentMSecsSinceEpoch();
    if (!finished) {
        shell.kill();
        shell.waitForFinished(5000);
    }
    t.errors = QString::fromLocal8Bit(shell.readAllStandardError());
    if (finished && shell.exitStatus() == QProcess::NormalExit) t.exitCode = shell.exitCode();
    return t;
}

bool XvfbDisplay::available() { return !QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty(); }

XvfbDisplay::XvfbDisplay(const QString& geometry) {
    // -displayfd 1: Xvfb finds a free display itself and writes its number on standard
    // output once it accepts clients.
    process_.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                                            QStringLiteral("0"), geometry, QStringLiteral("-nolisten"),
                                            QStringLiteral("tcp")});
    if (!process_.waitForStarted(10000)) throw std::runtime_error("Xvfb não iniciou");
    QByteArray said;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!said.contains('\n') && std::chrono::steady_clock::now() < deadline) {
        if (!process_.waitForReadyRead(500) && process_.state() != QProcess::Running) break;
        said += process_.readAllStandardOutput();
    }
    bool ok = false;
    const int number = said.trimmed().toInt(&ok);
    if (!ok) throw std::runtime_error("Xvfb não informou o display: " + said.toStdString());
    display_ = QStringLiteral(":%1").arg(number);
}

XvfbDisplay::~XvfbDisplay() {
    process_.terminate();
    if (!process_.waitForFinished(10000)) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}

}  // namespace cot::bench
