#pragma once
// Runs the real cot-host binary (next to the test executable) offscreen, with a home
// folder of its own so no configuration of the machine's user is read, and kills it after
// `timeoutMs` so a hang fails the test instead of blocking it.
//
//   const ShellRun run = runScenario(server.databaseUrl(), server.port(), sourcePath("scenarios/x.scn"), home);
#include <QString>
#include <QStringList>
#include <functional>

namespace cot::testing {

struct ShellRun {
    int exitCode = -1;   // -1 when the process crashed or was killed
    QString output;      // standard output
    QString errors;      // standard error
    QString all() const { return output + errors; }
};

QString binaryPath(const QString& name);
// A file of the source tree, by its path from the top ("scenarios/create_proposal.scn").
QString sourcePath(const QString& relative);

// `watch` (when given) sees the standard output read so far, each time more arrives.
ShellRun runShell(const QStringList& arguments, const QString& home, int timeoutMs = 60000,
                  const std::function<void(const QString& outputSoFar)>& watch = {});
// The shell on a server process and its database, running `scenario` (`extra` options after).
ShellRun runScenario(const QString& databaseUrl, int port, const QString& scenario, const QString& home,
                     const QStringList& extra = {}, const std::function<void(const QString&)>& watch = {});

}  // namespace cot::testing
