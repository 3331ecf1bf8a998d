#include "shell_process.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>

namespace cot::testing {

QString binaryPath(const QString& name) { return QCoreApplication::applicationDirPath() + QLatin1Char('/') + name; }

QString sourcePath(const QString& relative) {
    // This file lives in <source>/tests/support.
    return QFileInfo(QStringLiteral(__FILE__)).absoluteDir().filePath(QStringLiteral("../../") + relative);
}

ShellRun runShell(const QStringList& arguments, const QString& home, int timeoutMs,
                  const std::function<void(const QString&)>& watch) {
    QProcess host;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("HOME"), home);
    env.remove(QStringLiteral("COT_PASSWORD"));
    host.setProcessEnvironment(env);
    // Files a run writes with relative paths (scenario pictures) stay in its home.
    host.setWorkingDirectory(home);
    host.start(binaryPath(QStringLiteral("cot-host")), arguments);
    QString output;
    QElapsedTimer clock;
    clock.start();
    while (watch && host.state() != QProcess::NotRunning && clock.elapsed() < timeoutMs) {
        host.waitForReadyRead(50);
        const QByteArray more = host.readAllStandardOutput();
        if (more.isEmpty()) continue;
        output += QString::fromUtf8(more);
        watch(output);
    }
    if (host.state() != QProcess::NotRunning &&
        !host.waitForFinished(int(std::max<qint64>(timeoutMs - clock.elapsed(), 0)))) {
        host.kill();
        host.waitForFinished(5000);
        ADD_FAILURE() << "cot-host did not finish: " << arguments.join(u' ').toStdString();
    }
    return {host.exitStatus() == QProcess::NormalExit ? host.exitCode() : -1,
            output + QString::fromUtf8(host.readAllStandardOutput()), QString::fromUtf8(host.readAllStandardError())};
}

ShellRun runScenario(const QString& databaseUrl, int port, const QString& scenario, const QString& home,
                     const QStringList& extra, const std::function<void(const QString&)>& watch) {
    return runShell(QStringList{"--db", databaseUrl, "--server", QStringLiteral("127.0.0.1:%1").arg(port), "--scenario",
                                scenario} + extra,
                    home, 60000, watch);
}

}  // namespace cot::testing
