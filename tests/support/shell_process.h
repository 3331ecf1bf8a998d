#pragma once
// Runs the real cot-host binary (next to the test executable) offscreen, with a home
// folder of its own so no configuration of the machine's user is read, and kills it after
// `timeoutMs` so a hang fails the test instead of blocking it.
#include <QString>
#include <QStringList>

namespace cot::testing {

struct ShellRun {
    int exitCode = -1;   // -1 when the process crashed or was killed
    QString output;      // standard output
    QString errors;      // standard error
};

QString binaryPath(const QString& name);
ShellRun runShell(const QStringList& arguments, const QString& home, int timeoutMs = 60000);

}  // namespace cot::testing
