// The real cot-host process: the operator changes his password from the shell's menu and
// goes on working in the same session (the scenario opens the list afterwards); his other
// sessions end.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QTemporaryDir>

#include "support/screen_fixture.h"
#include "support/shell_process.h"

using namespace cot;
using namespace cot::testing;

namespace {

QString sourcePath(const QString& relative) {
    // This file lives in <source>/tests/e2e.
    return QFileInfo(QStringLiteral(__FILE__)).absoluteDir().filePath(QStringLiteral("../../") + relative);
}

class ShellPassword : public ScreenFixture {
protected:
    QTemporaryDir home;
};

TEST_F(ShellPassword, TheMenuEntryChangesThePasswordAndTheSessionGoesOn) {
    const ShellRun run = runShell({"--db", testServer().databaseUrl(), "--server",
                                   QString("127.0.0.1:%1").arg(testServer().port()), "--scenario",
                                   sourcePath("scenarios/change_password.scn")},
                                  home.path());
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString() << run.errors.toStdString();
    EXPECT_FALSE(testServer().call("GetParamPerc").contains("result")) << "his session elsewhere ended";
    EXPECT_FALSE(testServer().callAs({}, "AbreSessao", {"VENDEDOR", "vendedor"}).contains("result"));
    EXPECT_TRUE(testServer().callAs({}, "AbreSessao", {"VENDEDOR", "nova senha boa"}).contains("result"));
}

}  // namespace
