#include "shell_process.h"

#include <QCoreApplication>
#include <QProcess>
#include <gtest/gtest.h>

namespace cot::testing {

QString binaryPath(const QString& name) { return QCoreApplication::applicationDirPath() + QLatin1Char('/') + name; }

ShellRun runShell(const QStringList& arguments, const QString& home, int timeoutMs) {
    QProcess host;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("HOME"), home);
    env.remove(QStringLiteral("COT_PASSWORD"));
    host.setProcessEnvironment(env);
    // Files a run writes with relative paths (scenario pictures) stay in its home.
    host.setWorkingDirectory(home);
    host.start(binaryPath(QStringLiteral("cot-host")), arguments);
    if (!host.waitForFinished(timeoutMs)) {
        host.kill();
        host.waitForFinished(5000);
        ADD_FAILURE() << "cot-host did not finish: " << arguments.join(u' ').toStdString();
    }
    return {host.exitStatus() == QProcess::NormalExit ? host.exitCode() : -1,
            QString::fromUtf8(host.readAllStandardOutput()), QString::fromUtf8(host.readAllStandardError())};
}

}  // namespace cot::testing
