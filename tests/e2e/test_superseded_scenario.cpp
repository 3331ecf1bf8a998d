// A version superseded on the desktop: proposal 2 is copied to 02 by its scenario, the
// client accepts 2/02 through his page on the real server, and the superseded_version
// scenario finds 2/01 "Substituída" in the list and its sending refused naming 2/02.
#include <httplib.h>

#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "server/client_page/proposal_page.h"
#include "server/client_page/sending_store.h"
#include "server/storage/database.h"
#include "support/screen_widgets.h"
#include "support/server_process.h"
#include "support/shell_process.h"
#include "support/small_pdf.h"

using namespace cot::server::client_page;
using namespace cot::testing;

namespace {

const QString kTwo = QStringLiteral("00000000000000000002");

TEST(SupersededScenario, TheClientAcceptsTheNewVersionAndTheOldOneCannotBeSent) {
    ensureApplication();
    QTemporaryDir home;
    ServerProcess server;
    ASSERT_GT(server.port(), 0);
    const auto run = [&](const char* scenario) {
        return runScenario(server.databaseUrl(), server.port(), sourcePath(scenario), home.path());
    };
    const ShellRun copied = run("scenarios/copy_proposal.scn");
    ASSERT_EQ(copied.exitCode, 0) << copied.all().toStdString();

    // The link to 2/02 as the sending would mail it, and the client's acceptance on its page.
    const auto db = cot::server::Database::open(server.databaseUrl());
    const QString token = newToken();
    Sending s{.nr = kTwo, .ver = "02", .sentAt = QDateTime::currentDateTime(), .operatorCode = "VENDEDOR",
              .to = "ana.souza@beta.demo", .expires = QDate::currentDate().addDays(10)};
    s.contentHash = contentHash(proposalContentHtml(*db, kTwo, "02"));
    recordSending(*db, s, tokenHash(token), smallPdf());
    httplib::Client http("127.0.0.1", server.port());
    const auto page = http.Get(("/cliente/" + token).toStdString());
    ASSERT_TRUE(page);
    const QString shown = QRegularExpression("name=\"conteudo\" value=\"([0-9a-f]{64})\"")
                              .match(QString::fromStdString(page->body))
                              .captured(1);
    const std::string form = "acao=aceitar&nome=Ana+Souza&li=sim&conteudo=" + shown.toStdString();
    const auto accepted = http.Post(("/cliente/" + token).toStdString(), form, "application/x-www-form-urlencoded");
    ASSERT_TRUE(accepted);
    ASSERT_EQ(accepted->status, 200) << accepted->body;

    const ShellRun refused = run("scenarios/superseded_version.scn");
    EXPECT_EQ(refused.exitCode, 0) << refused.all().toStdString();
    EXPECT_EQ(db->scalar("SELECT NRVERPROPFAS FROM ACEITEPROP WHERE NRPROPOSFAS = :N", {{"N", kTwo}}).toString(), "02");
    EXPECT_EQ(db->scalar("SELECT COUNT(*) FROM ENVIOPROP WHERE NRPROPOSFAS = :N AND NRVERPROPFAS = '01'", {{"N", kTwo}})
                  .toInt(),
              0)
        << "the refused sending left nothing";
}

}  // namespace
