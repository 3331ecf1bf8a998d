// The real cot-host process: the operator changes his password from the shell's menu and
// goes on working in the same session (the scenario opens the list afterwards); his other
// sessions end.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "support/screen_fixture.h"
#include "support/shell_process.h"

using namespace cot::testing;

namespace {

class ShellPassword : public ScreenFixture {};

TEST_F(ShellPassword, TheMenuEntryChangesThePasswordAndTheSessionGoesOn) {
    QTemporaryDir home;
    const ShellRun run = runScenario(testServer().databaseUrl(), testServer().port(),
                                     sourcePath("scenarios/change_password.scn"), home.path());
    ASSERT_EQ(run.exitCode, 0) << run.all().toStdString();
    EXPECT_FALSE(testServer().call("GetParamPerc").contains("result")) << "his session elsewhere ended";
    EXPECT_FALSE(testServer().callAs({}, "AbreSessao", {"VENDEDOR", "vendedor"}).contains("result"));
    EXPECT_TRUE(testServer().callAs({}, "AbreSessao", {"VENDEDOR", "nova senha boa"}).contains("result"));
}

}  // namespace
