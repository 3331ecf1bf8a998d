// Scenarios run by the real cot-host process against a real cot05000-server process on a
// fresh demo database: the examples hold, a wrong expectation fails naming the step with
// what was expected and found, and what a scenario did reaches the database.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <functional>
#include <memory>

#include "server/storage/database.h"
#include "support/server_process.h"
#include "support/shell_process.h"
#include "support/qt_printers.h"
#include "support/screen_widgets.h"

using cot::testing::runShell;
using cot::testing::ServerProcess;
using cot::testing::ShellRun;

namespace {

constexpr int kProcessTimeoutMs = 60000;

QString sourcePath(const QString& relative) {
    // This file lives in <source>/tests/e2e.
    return QFileInfo(QStringLiteral(__FILE__)).absoluteDir().filePath(QStringLiteral("../../") + relative);
}

struct HostRun {
    int exitCode = -1;  // -1: crashed or killed
    QString output;     // stdout then stderr
};

class Scenarios : public ::testing::Test {
protected:
    static void SetUpTestSuite() { cot::testing::ensureApplication(); }
    void SetUp() override {
        server = std::make_unique<ServerProcess>();
        ASSERT_GT(server->port(), 0);
    }

    HostRun runHost(const QString& scenario, const QStringList& extra = {}) {
        const ShellRun run = runShell(QStringList{"--db", server->databaseUrl(), "--server",
                                                  QString("127.0.0.1:%1").arg(server->port()), "--scenario", scenario} +
                                          extra,
                                      home.path(), kProcessTimeoutMs);
        return {run.exitCode, run.output + run.errors};
    }

    // The same run, with `write` done (as another session would) once the step whose
    // printed line contains `marker` starts; the scenario pauses there for it.
    HostRun runHostWriting(const QString& scenario, const QString& marker, const std::function<void()>& write) {
        QProcess host;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("HOME"), home.path());
        env.remove(QStringLiteral("COT_PASSWORD"));
        host.setProcessEnvironment(env);
        host.setWorkingDirectory(home.path());
        host.start(cot::testing::binaryPath(QStringLiteral("cot-host")),
                   {"--db", server->databaseUrl(), "--server", QString("127.0.0.1:%1").arg(server->port()),
                    "--scenario", scenario});
        QString output;
        bool written = false;
        QElapsedTimer clock;
        clock.start();
        while (host.state() != QProcess::NotRunning && clock.elapsed() < kProcessTimeoutMs) {
            host.waitForReadyRead(50);
            output += QString::fromUtf8(host.readAllStandardOutput());
            if (!written && output.contains(marker)) {
                write();
                written = true;
            }
        }
        if (host.state() != QProcess::NotRunning) {
            host.kill();
            host.waitForFinished(5000);
            ADD_FAILURE() << "cot-host did not finish: " << scenario.toStdString();
        }
        output += QString::fromUtf8(host.readAllStandardOutput()) + QString::fromUtf8(host.readAllStandardError());
        EXPECT_TRUE(written) << "the step " << marker.toStdString() << " never started";
        return {host.exitStatus() == QProcess::NormalExit ? host.exitCode() : -1, output};
    }

    // A scenario written for the test.
    QString scenarioFile(const QString& text) {
        const QString path = home.filePath(QStringLiteral("s%1.scn").arg(++written));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text.toUtf8());
        return path;
    }

    QTemporaryDir home;
    std::unique_ptr<ServerProcess> server;
    int written = 0;
};

const QString kOpenList = QStringLiteral("signin VENDEDOR vendedor 0001\nopen Pkg_cot05000\n");

TEST_F(Scenarios, CreatingAProposalReachesTheDatabaseAndTheList) {
    const HostRun run = runHost(sourcePath("scenarios/create_proposal.scn"));
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    EXPECT_TRUE(run.output.contains("roteiro concluído")) << run.output.toStdString();
    EXPECT_FALSE(run.output.contains("FALHOU"));
    const auto db = cot::server::Database::open(server->databaseUrl());
    const QVariant stored = db->scalar(
        "SELECT COUNT(*) FROM PROPOSTAFAS WHERE DSREFEPROPOSFAS = 'Proposta do roteiro' AND CDFILIAL = '0001' "
        "AND CDPROCOMERCI = 'ERP' AND CDOPERINCL = 'VENDEDOR'");
    EXPECT_EQ(stored.toInt(), 1);
}

TEST_F(Scenarios, TheObservationIsEditedAndReachesTheServer) {
    const HostRun run = runHost(sourcePath("scenarios/observation.scn"));
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    const auto db = cot::server::Database::open(server->databaseUrl());
    const QString stored =
        db->scalar("SELECT TXOBSPROPFAS FROM OBSPROPFAS WHERE NRPROPOSFAS = '00000000000000000001'").toString();
    EXPECT_TRUE(stored.contains("Entrega em duas etapas.")) << stored.toStdString();
    EXPECT_FALSE(stored.contains("condições especiais")) << stored.toStdString();
}

// Product lines: a new line with the systems chosen in the dialog, a schedule of twelve
// installments generated twice, and the contract switched both ways.
TEST_F(Scenarios, ProductLineScenariosReachTheDatabase) {
    const auto db = [&] { return cot::server::Database::open(server->databaseUrl()); };
    const QString key = "NRPROPOSFAS = '00000000000000000002' AND NRVERPROPFAS = '01'";

    HostRun run = runHost(sourcePath("scenarios/product_line_systems.scn"));
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    EXPECT_EQ(db()->scalar("SELECT COUNT(*) FROM SISTLINPPROP S JOIN LINPPROP L ON L.NRPROPOSFAS = S.NRPROPOSFAS AND "
                           "L.NRVERPROPFAS = S.NRVERPROPFAS AND L.CDLINPPROP = S.CDLINPPROP WHERE L.CDLINPPROPINFOR = "
                           "'7100' AND S.CDSISTEMA = 'WEB00002' AND L.NRPROPOSFAS = '00000000000000000002' AND "
                           "L.NRVERPROPFAS = '01'")
                  .toInt(),
              1);

    run = runHost(sourcePath("scenarios/product_line_schedule.scn"));
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    const QString line2001 = "CDLINPPROP = (SELECT CDLINPPROP FROM LINPPROP WHERE CDLINPPROPINFOR = '2001' AND " + key +
                             ") AND " + key;
    EXPECT_EQ(db()->scalar("SELECT COUNT(*) FROM VENCLINPPROP WHERE " + line2001).toInt(), 12);
    // (1000 − 50) × 10 with the demo's 1,5% interest, to the cent.
    EXPECT_NEAR(db()->scalar("SELECT SUM(VRVELUSOPEDP) FROM VENCLINPPROP WHERE " + line2001).toDouble(), 9642.50, 0.001);

    run = runHost(sourcePath("scenarios/contract_switch.scn"));
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    EXPECT_EQ(db()->scalar("SELECT IDTIPOPROPFAS FROM PROPOSTAFAS WHERE " + key).toString(), "M");
    EXPECT_EQ(db()->scalar("SELECT COUNT(*) FROM LINPPROP WHERE IDTIPLINPP NOT IN ('M', 'P') AND " + key).toInt(), 0);
    EXPECT_EQ(db()->scalar("SELECT SUM(VRLICENCUSOPROP) FROM LINPPROP WHERE " + key).toDouble(), 0.0)
        << "the licence values the switch to Locação zeroed stay zero";
}

// A new line's systems dialog closed by its title bar stores nothing; a new line refused
// because another session stored its code meanwhile, once corrected, is stored with the
// systems and the first installment chosen for it.
TEST_F(Scenarios, NewLinesKeepWhatTheirPostChoseOrStoreNothing) {
    const auto db = [&] { return cot::server::Database::open(server->databaseUrl()); };
    const QString key = "NRPROPOSFAS = '00000000000000000002' AND NRVERPROPFAS = '01'";

    HostRun run = runHost(sourcePath("scenarios/line_systems_dialog_closed.scn"));
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    EXPECT_EQ(db()->scalar("SELECT COUNT(*) FROM LINPPROP WHERE CDLINPPROPINFOR = '7104'").toInt(), 0);
    EXPECT_EQ(db()->scalar("SELECT COUNT(*) FROM LINPPROP WHERE " + key).toInt(), 2);

    // The other session's line goes in while the scenario waits with the dialog open.
    run = runHostWriting(sourcePath("scenarios/line_refused_then_corrected.scn"), ": wait 3000", [&] {
        db()->exec("INSERT INTO LINPPROP (NRPROPOSFAS, NRVERPROPFAS, CDLINPPROP, CDLINPPROPINFOR, NMLINPPROP, "
                   "IDTIPLINPP, IDAMBLINPP) VALUES ('00000000000000000002', '01', '00000000000000000990', '7102', "
                   "'Outra sessão', 'M', 'WEB')");
    });
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    const QString line7103 = "CDLINPPROP = (SELECT CDLINPPROP FROM LINPPROP WHERE CDLINPPROPINFOR = '7103' AND " + key +
                             ") AND " + key;
    const cot::Packet systems = db()->query("SELECT CDSISTEMA FROM SISTLINPPROP WHERE " + line7103 + " ORDER BY CDSISTEMA");
    ASSERT_EQ(systems.rows.size(), 2);
    EXPECT_EQ(systems.value(0, "CDSISTEMA").toString() + ' ' + systems.value(1, "CDSISTEMA").toString(),
              "WEB00002 WEB00003");
    EXPECT_EQ(db()->scalar("SELECT COUNT(*) FROM VENCLINPPROP WHERE " + line7103).toInt(), 1);
    EXPECT_NEAR(db()->scalar("SELECT SUM(VRVELUSOPEDP) FROM VENCLINPPROP WHERE " + line7103).toDouble(), 1000.0, 0.001);
    EXPECT_EQ(db()->scalar("SELECT COUNT(*) FROM LINPPROP WHERE CDLINPPROPINFOR = '7102' AND " + key).toInt(), 1)
        << "only the other session's";
}

TEST_F(Scenarios, FilteringTheListHolds) {
    const HostRun run = runHost(sourcePath("scenarios/filter_list.scn"));
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    EXPECT_TRUE(run.output.contains("window frmFiltroPropComercial")) << run.output.toStdString();
}

TEST_F(Scenarios, AWrongExpectationFailsNamingTheStepExpectedAndFound) {
    const HostRun run = runHost(sourcePath("tests/e2e/scenarios/wrong_expectation.scn"));
    EXPECT_EQ(run.exitCode, 1) << run.output.toStdString();
    EXPECT_TRUE(run.output.contains("FALHOU na linha 4: expect-rows dbgPadrao 99")) << run.output.toStdString();
    EXPECT_TRUE(run.output.contains("esperado: 99\n"));
    EXPECT_TRUE(run.output.contains("encontrado: 14\n"));
    EXPECT_FALSE(run.output.contains("5: expect-text")) << "nothing runs after the failed step";
}

// The command line signs in: the scenario only opens the screen and counts the list.
TEST_F(Scenarios, SignedInFromTheCommandLineTheProposalScreenListsTheBranch) {
    const HostRun run = runHost(scenarioFile("open Pkg_cot05000\nexpect-rows dbgPadrao 14\n"
                                             "expect-rows cdsProposta 14\nexpect-field cdsProposta CDFILIAL 0001\n"),
                                {"--operator", "vendedor", "--password", "vendedor", "--branch", "0001"});
    EXPECT_EQ(run.exitCode, 0) << run.output.toStdString();
}

// Questions take the queued answers in order; the window that opened in between is
// driven by the steps after it, and Escape leaves it as the user would.
TEST_F(Scenarios, AnswersAreTakenInOrderAndModalWindowsAreDrivenByTheFollowingSteps) {
    const HostRun run = runHost(scenarioFile(kOpenList + R"(click sbtIncluir
answer Não
click sbtCancelar
expect-dialog "Deseja cancelar as alterações?"
expect-rows dbgPadrao 15
answer Sim
click sbtCancelar
expect-rows dbgPadrao 14
page tshPadrao
click sbtFiltro
window TfrmFiltroPropComercial
type edtReferencia ERP
press Esc
expect-rows dbgPadrao 14
)"));
    EXPECT_EQ(run.exitCode, 0) << run.output.toStdString();
    EXPECT_TRUE(run.output.contains("\n  15: press Esc\n")) << "steps inside a window are indented";
}

// Typed text goes key by key through the controls: accents, quotes and backslashes
// reach the database as written in the scenario.
TEST_F(Scenarios, TypedTextReachesTheDatabaseAsWritten) {
    const HostRun run = runHost(scenarioFile(kOpenList + R"(click sbtIncluir
type dbeCdCliPros 11222333000181
press Tab
type dbeDsReferencia "Revisão \"ação\" C:\\pasta"
answer pick CDPROCOMERCI ERP
click btnPesqProdComer
click sbtConfirmar
expect-field cdsProposta DSREFEPROPOSFAS "Revisão \"ação\" C:\\pasta"
)"));
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    const auto db = cot::server::Database::open(server->databaseUrl());
    EXPECT_EQ(db->scalar("SELECT COUNT(*) FROM PROPOSTAFAS WHERE DSREFEPROPOSFAS = :R",
                         {{"R", QStringLiteral("Revisão \"ação\" C:\\pasta")}})
                  .toInt(),
              1);
}

// What a user could not do, or a dialog nobody expected, stops the run at that step.
TEST_F(Scenarios, RefusalsAndUnexpectedDialogsFailTheStepThatMetThem) {
    struct Case {
        QString steps;
        QStringList said;
    };
    const Case cases[] = {
        {"click sbtConfirmar\n", {"FALHOU na linha 3: click sbtConfirmar", "sbtConfirmar está desabilitado"}},
        {"click sbtIncluir\nclick sbtConfirmar\nexpect-rows dbgPadrao 15\n",
         {"FALHOU na linha 4: click sbtConfirmar", "diálogo não previsto", "encontrado: erro \"Cliente deve ser informado"}},
        {"answer Sim\nclick sbtIncluir\nclick sbtConfirmar\n",
         {"FALHOU na linha 5: click sbtConfirmar", "a resposta não serve", "esperado: answer Sim (linha 3)"}},
        {"click sbtFiltro\nexpect-rows dbgPadrao 14\n",
         {"FALHOU na linha 3: click sbtFiltro", "janela não prevista", "encontrado: janela frmFiltroPropComercial"}},
        {"click sbtFiltro\nwindow frmFiltroPropComercial\ntype edtReferencia ERP\n",
         {"FALHOU no fim do roteiro", "a janela frmFiltroPropComercial continua aberta"}},
        {"answer OK\nexpect-rows dbgPadrao 14\n", {"FALHOU no fim do roteiro", "resposta não usada (linha 3)"}},
        {"click sbtIncluir\nanswer OK\nclick sbtCancelar\n",
         {"FALHOU na linha 5: click sbtCancelar", "esperado: answer OK (linha 4)",
          "encontrado: pergunta \"Deseja cancelar as alterações?\" [Sim/Não]"}},
        {"click sbtIncluir\nanswer pick CDPROCOMERCI NENHUM\nclick btnPesqProdComer\n",
         {"FALHOU na linha 5: click btnPesqProdComer", "nenhuma linha da lista tem CDPROCOMERCI = NENHUM"}},
        {"select dbgPadrao DSREFEPROPOSFAS \"não existe\"\n",
         {"FALHOU na linha 3", "nenhuma linha de dbgPadrao tem DSREFEPROPOSFAS = não existe"}},
    };
    for (const Case& c : cases) {
        const HostRun run = runHost(scenarioFile(kOpenList + c.steps));
        EXPECT_EQ(run.exitCode, 1) << c.steps.toStdString() << run.output.toStdString();
        for (const QString& s : c.said) EXPECT_TRUE(run.output.contains(s)) << s.toStdString() << "\n" << run.output.toStdString();
    }
}

TEST_F(Scenarios, AFileThatIsNoScenarioStopsBeforeAnyWindow) {
    const std::pair<QString, QString> cases[] = {
        {"signin VENDEDOR vendedor\nclique sbtIncluir\n", "linha 2: passo desconhecido: clique"},
        {"type dbeDsReferencia \"sem fim\n", "linha 1: aspas sem fechamento"},
        {"press Ctrl+Nada\n", "linha 1: tecla desconhecida: Ctrl+Nada"},
        {"expect-rows dbgPadrao muitas\n", "linha 1: número de linhas inválido"},
        {"# só comentário\n\n", "o roteiro não tem passos"},
    };
    for (const auto& [text, said] : cases) {
        const HostRun run = runHost(scenarioFile(text));
        EXPECT_EQ(run.exitCode, 2) << text.toStdString();
        EXPECT_TRUE(run.output.contains(said)) << said.toStdString() << "\n" << run.output.toStdString();
    }
    EXPECT_EQ(runHost(home.filePath("nao_existe.scn")).exitCode, 2);
}

// Texts: two standard texts added through the dialog, their order swapped, one rewritten
// with formatting, the texts regenerated and the regeneration undone.
TEST_F(Scenarios, TextsScenarioReachesTheDatabase) {
    const HostRun run = runHost(sourcePath("scenarios/texts.scn"));
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    const auto db = cot::server::Database::open(server->databaseUrl());
    const QString key = "NRPROPOSFAS = '00000000000000000004' AND NRVERPROPFAS = '01'";
    const auto texts = [&](const QString& table) {
        const cot::Packet p = db->query("SELECT CDTXTPROPFAS, NRORDEMMSG FROM " + table + " WHERE " + key +
                                        " ORDER BY NRORDEMMSG");
        QStringList out;
        for (int r = 0; r < p.rows.size(); ++r)
            out << p.value(r, "CDTXTPROPFAS").toString() + ':' + QString::number(p.value(r, "NRORDEMMSG").toInt());
        return out;
    };
    EXPECT_EQ(texts("TXTPROPFAS"), (QStringList{"GARANTIA:1", "APRES_LU:3"}));
    const QString garantia = db->scalar("SELECT TXPROPFAS FROM TXTPROPFAS WHERE CDTXTPROPFAS = 'GARANTIA' AND " + key).toString();
    EXPECT_TRUE(garantia.contains("para correções e ajustes.")) << garantia.toStdString();
    EXPECT_TRUE(garantia.contains("font-weight:700")) << garantia.toStdString();
    // The regenerated set is kept in its turn: the undo can itself be undone.
    EXPECT_EQ(texts("TXTPROPFASHIST"), (QStringList{"APRES_LU:1", "COND_LU:2"}));
}

// Services: two services added to a package split in three installments, the charging
// switched to hourly and back, the schedule split again and the page read again.
TEST_F(Scenarios, ServicesScenarioReachesTheDatabase) {
    const HostRun run = runHost(sourcePath("scenarios/services.scn"));
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    const auto db = cot::server::Database::open(server->databaseUrl());
    const QString key = "NRPROPOSFAS = '00000000000000000012' AND NRVERPROPFAS = '01'";
    const cot::Packet services = db->query("SELECT CDTIPOSERV, QTSERVPROP, VRDEHORAPROP, VRPEHORAPROP FROM SERVPROP "
                                           "WHERE " + key + " ORDER BY NRSERVPROP");
    ASSERT_EQ(services.rows.size(), 2);
    EXPECT_EQ(services.value(0, "CDTIPOSERV").toString(), "001");
    EXPECT_EQ(services.value(1, "CDTIPOSERV").toString(), "002");
    EXPECT_DOUBLE_EQ(services.value(1, "VRDEHORAPROP").toDouble(), 108.0);
    EXPECT_DOUBLE_EQ(services.value(1, "VRPEHORAPROP").toDouble(), 10.0);
    EXPECT_EQ(db->scalar("SELECT IDTIPOCOBRSERV FROM PROPOSTAFAS WHERE " + key).toString(), "P");
    EXPECT_DOUBLE_EQ(db->scalar("SELECT VRPACOTESERV FROM PROPOSTAFAS WHERE " + key).toDouble(), 7728.0);
    EXPECT_EQ(db->scalar("SELECT COUNT(*) FROM VENCSERVPROP WHERE " + key).toInt(), 3);
    EXPECT_NEAR(db->scalar("SELECT SUM(VRVENCSERVPROP) FROM VENCSERVPROP WHERE " + key).toDouble(), 7728.0, 0.001);
}

// A discount typed last on a new service and confirmed without leaving its column is stored
// with the invoiced rate it gives, and the package and its installment follow.
TEST_F(Scenarios, ServiceDiscountTypedLastIsStored) {
    const HostRun run = runHost(sourcePath("scenarios/service_discount_typed_last.scn"));
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    const auto db = cot::server::Database::open(server->databaseUrl());
    const QString key = "NRPROPOSFAS = '00000000000000000012' AND NRVERPROPFAS = '01'";
    const cot::Packet services =
        db->query("SELECT QTSERVPROP, VRHORAPROP, VRDEHORAPROP, VRPEHORAPROP FROM SERVPROP WHERE " + key);
    ASSERT_EQ(services.rows.size(), 1);
    EXPECT_DOUBLE_EQ(services.value(0, "VRHORAPROP").toDouble(), 200.0);
    EXPECT_DOUBLE_EQ(services.value(0, "VRPEHORAPROP").toDouble(), 25.0);
    EXPECT_DOUBLE_EQ(services.value(0, "VRDEHORAPROP").toDouble(), 150.0);
    EXPECT_DOUBLE_EQ(db->scalar("SELECT VRPACOTESERV FROM PROPOSTAFAS WHERE " + key).toDouble(), 1500.0);
    EXPECT_NEAR(db->scalar("SELECT SUM(VRVENCSERVPROP) FROM VENCSERVPROP WHERE " + key).toDouble(), 1500.0, 0.001);
}

// The running total follows each save, and what it showed is what the server holds.
TEST_F(Scenarios, RunningTotalFollowsEachSave) {
    const HostRun run = runHost(sourcePath("scenarios/running_total.scn"));
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    const auto db = cot::server::Database::open(server->databaseUrl());
    const QString key = "NRPROPOSFAS = '00000000000000000012' AND NRVERPROPFAS = '01'";
    EXPECT_EQ(db->scalar("SELECT COUNT(*) FROM SERVPROP WHERE " + key).toInt(), 0);
    EXPECT_EQ(db->scalar("SELECT COUNT(*) FROM VENCSERVPROP WHERE " + key).toInt(), 0);
    EXPECT_NEAR(db->scalar("SELECT SUM(VRVELUSOPEDP) FROM VENCLINPPROP WHERE " + key).toDouble(), 5278.0, 0.001);
}

}  // namespace

// Simulations: two alternatives added to proposal 2, each with its lines and quantities.
TEST_F(Scenarios, SimulationScenarioStoresBothAlternativesWithTheirLines) {
    const HostRun run = runHost(sourcePath("scenarios/simulation_two_alternatives.scn"));
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    const auto db = cot::server::Database::open(server->databaseUrl());
    const QString key = "S.NRPROPOSFAS = '00000000000000000002' AND S.NRVERPROPFAS = '01'";
    EXPECT_EQ(db->scalar("SELECT COUNT(*) FROM SIMULAPROP S WHERE " + key).toInt(), 4);
    const cot::Packet lines = db->query(
        "SELECT S.NRORDSIMULAPROP, SL.NRORDLINPSIMULA, L.CDLINPPROPINFOR, SL.QTUTILSIMULINP FROM SIMULAPROP S "
        "JOIN SIMULALINP SL ON SL.NRPROPOSFAS = S.NRPROPOSFAS AND SL.NRVERPROPFAS = S.NRVERPROPFAS AND "
        "SL.NRSIMULAPROP = S.NRSIMULAPROP JOIN LINPPROP L ON L.NRPROPOSFAS = SL.NRPROPOSFAS AND "
        "L.NRVERPROPFAS = SL.NRVERPROPFAS AND L.CDLINPPROP = SL.CDLINPPROP WHERE " + key +
        " AND S.NMSIMULAPROP LIKE 'Alternativa%' ORDER BY S.NRORDSIMULAPROP, SL.NRORDLINPSIMULA");
    QStringList stored;
    for (int r = 0; r < lines.rows.size(); ++r)
        stored << QStringList{lines.value(r, "NRORDSIMULAPROP").toString(), lines.value(r, "NRORDLINPSIMULA").toString(),
                              lines.value(r, "CDLINPPROPINFOR").toString(),
                              QString::number(lines.value(r, "QTUTILSIMULINP").toDouble())}
                      .join(':');
    EXPECT_EQ(stored, (QStringList{"003:001:2001:8", "004:001:2001:4", "004:002:2002:6"}));
    EXPECT_TRUE(QFileInfo::exists(home.filePath("docs/screenshots/simulation_page.png")));
}

// Attachments: a file attached to proposal 2, opened from the list's popup (recorded, not
// shown) and removed through the dialog, its folder with it.
namespace {

QString proposalTwoFolder(const QString& base) { return base + "/Proposta/00000000000000000002-01"; }

void writeHomeFile(const QString& path, const QByteArray& data) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

}  // namespace

TEST_F(Scenarios, AttachmentsScenarioAttachesOpensAndRemoves) {
    writeHomeFile(home.filePath("anexo_roteiro.txt"), "Anexo do roteiro\n");
    const QString base = home.filePath("anexos");
    const HostRun run = runHost(sourcePath("scenarios/attachments.scn"), {"--attachments-dir", base});
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    EXPECT_TRUE(QFileInfo::exists(home.filePath("docs/screenshots/attachments_dialog.png")));
    EXPECT_TRUE(QFileInfo::exists(base + "/Proposta")) << "the proposals' folder stays";
    EXPECT_FALSE(QFileInfo::exists(proposalTwoFolder(base))) << "removing the last file removes its folder";
    EXPECT_TRUE(QFileInfo::exists(home.filePath("anexo_roteiro.txt"))) << "the original is left alone";
}

TEST_F(Scenarios, AnAttachedFileIsStoredAsAZipThatUnzipAccepts) {
    writeHomeFile(home.filePath("contrato.txt"), QByteArray("Cláusula primeira.\n").repeated(200));
    const QString base = home.filePath("anexos");
    const HostRun run = runHost(scenarioFile(kOpenList + "select dbgPadrao DSREFEPROPOSFAS \"ERP Web e serviços de "
                                                         "implantação\"\nanswer arquivo contrato.txt\nanswer OK\n"
                                                         "double-click dbgPadrao ANEXO\n"),
                                {"--attachments-dir", base});
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    const QString stored = proposalTwoFolder(base) + "/contrato.txt.zip";
    ASSERT_TRUE(QFileInfo::exists(stored)) << run.output.toStdString();
    QProcess unzip;
    unzip.start("unzip", {"-t", stored});
    ASSERT_TRUE(unzip.waitForFinished(30000));
    EXPECT_EQ(unzip.exitCode(), 0) << unzip.readAll().toStdString();
    QProcess list;
    list.start("unzip", {"-Z1", stored});
    ASSERT_TRUE(list.waitForFinished(30000));
    EXPECT_EQ(QString::fromUtf8(list.readAllStandardOutput()).trimmed(), "contrato.txt");
}

// Copy: version 02 of proposal 2 is the list's current proposal, with every row quoted under
// version 01 copied and the acceptance left open.
TEST_F(Scenarios, CopyingAProposalMakesANewVersionWithItsRows) {
    const HostRun run = runHost(sourcePath("scenarios/copy_proposal.scn"));
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    EXPECT_TRUE(QFileInfo::exists(home.filePath("docs/screenshots/copy_dialog.png")));
    const auto db = cot::server::Database::open(server->databaseUrl());
    const QString nr = "NRPROPOSFAS = '00000000000000000002'";
    EXPECT_EQ(db->scalar("SELECT DSREFEPROPOSFAS FROM PROPOSTAFAS WHERE " + nr + " AND NRVERPROPFAS = '02'").toString(),
              "ERP Web e serviços de implantação");
    EXPECT_TRUE(db->scalar("SELECT DTACEPROPFAS FROM PROPOSTAFAS WHERE " + nr + " AND NRVERPROPFAS = '02'").isNull());
    for (const char* table : {"LINPPROP", "SISTLINPPROP", "VENCLINPPROP", "SERVPROP", "VENCSERVPROP", "TXTPROPFAS",
                              "OBSPROPFAS", "OBJSERVPROP", "SIMULAPROP", "SIMULALINP"}) {
        const QString count = QString("SELECT COUNT(*) FROM %1 WHERE %2 AND NRVERPROPFAS = '%3'").arg(table, nr);
        const int original = db->scalar(count.arg("01")).toInt();
        EXPECT_GT(original, 0) << table;
        EXPECT_EQ(db->scalar(count.arg("02")).toInt(), original) << table;
    }
}

// Print: the launcher writes the PDF chosen in its file dialog; poppler reads the proposal in it.
TEST_F(Scenarios, PrintingAProposalWritesItsReportAsPdf) {
    const HostRun run = runHost(sourcePath("scenarios/print_proposal.scn"));
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    const QString pdf = home.filePath("proposta_2_01.pdf");
    ASSERT_TRUE(QFileInfo::exists(pdf)) << run.output.toStdString();
    QProcess text;
    text.start("pdftotext", {"-enc", "UTF-8", pdf, "-"});
    ASSERT_TRUE(text.waitForFinished(30000));
    const QString read = QString::fromUtf8(text.readAllStandardOutput()).simplified();
    for (const char* expected : {"ERP Web e serviços de implantação", "Beta Comércio", "18.671,50",
                                 "Apresentamos nossa proposta de licença de uso com manutenção mensal."})
        EXPECT_TRUE(read.contains(QString::fromUtf8(expected))) << expected;
    EXPECT_TRUE(QFileInfo::exists(home.filePath("docs/screenshots/processing_mode.png")));
}

// Approval of a prospect's licence proposal through the screens: the prospect becomes a
// client within the acceptance, the charging follows the schedules to the cent, the contract
// tables are written and both notifications reach a real SMTP receiver through the branch's
// mail server. The demo account has no password, so the receiver is a relay that asks for
// no login (curl answers an empty LOGIN password with "=", which aiosmtpd cannot decode).
#include "support/smtp_receiver.h"

namespace {

// "date|cents" of each row, in date order: schedules and charges compared to the cent.
QStringList datedCents(cot::server::Database& db, const QString& sql) {
    const cot::Packet p = db.query(sql);
    QStringList out;
    for (int r = 0; r < p.rows.size(); ++r)
        out << p.rows[r].value(0).toString().left(10) + u'|' + QString::number(qRound64(p.rows[r].value(1).toDouble() * 100));
    return out;
}

}  // namespace

TEST_F(Scenarios, ApprovingAProspectsProposalMakesAClientChargesItsSchedulesAndMails) {
    cot::testing::SmtpReceiver receiver;
    const auto db = [&] { return cot::server::Database::open(server->databaseUrl()); };
    db()->exec("UPDATE ENDEFILI SET DSSMTPEMAILF = :S WHERE CDFILIAL = '0001' AND IDTPENDEFILI = 'P'",
               {{"S", receiver.address()}});
    const QDate day = QDate::currentDate();
    const HostRun run = runHost(sourcePath("scenarios/approval_new_client.scn"));
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    EXPECT_TRUE(QFileInfo::exists(home.filePath("docs/screenshots/approval_dialog.png")));
    EXPECT_TRUE(QFileInfo::exists(home.filePath("docs/screenshots/acceptance_confirmation.png")));

    const QString nr = QStringLiteral("00000000000000000004");
    const QString key = "NRPROPOSFAS = '" + nr + "' AND NRVERPROPFAS = '01'";
    const cot::Packet p = db()->query("SELECT IDCLIENPROSP, CDCLIENTE, CDPROSPECT, DTACEPROPFAS, NRMESREAJPROP, "
                                      "VRPACOTESERV FROM PROPOSTAFAS WHERE " + key);
    ASSERT_EQ(p.rows.size(), 1);
    EXPECT_EQ(p.value(0, "IDCLIENPROSP").toString(), "C");
    EXPECT_EQ(p.value(0, "NRMESREAJPROP").toString(), "05");
    const QString accepted = p.value(0, "DTACEPROPFAS").toString().left(10);
    EXPECT_TRUE(accepted == day.toString(Qt::ISODate) || accepted == QDate::currentDate().toString(Qt::ISODate))
        << accepted.toStdString();
    const QString client = p.value(0, "CDCLIENTE").toString().trimmed();
    ASSERT_FALSE(client.isEmpty());
    const cot::Packet c = db()->query("SELECT NRINSJURCLIE, NMRAZSOCCLIE, NMFANTCLIE FROM CLIENTE WHERE CDCLIENTE = :C",
                                      {{"C", client}});
    ASSERT_EQ(c.rows.size(), 1);
    EXPECT_EQ(c.value(0, "NRINSJURCLIE").toString(), "77888999000127");
    EXPECT_EQ(c.value(0, "NMRAZSOCCLIE").toString(), "Delta Engenharia e Projetos Ltda");
    EXPECT_EQ(c.value(0, "NMFANTCLIE").toString(), "Delta Engenharia");

    // The line's schedule as generated from {hoje+30}; the package's as split in two.
    const auto conn = db();
    const QStringList licence = datedCents(*conn, "SELECT DTVELUSOPEDP, VRVELUSOPEDP FROM VENCLINPPROP WHERE " + key +
                                                      " ORDER BY DTVELUSOPEDP");
    ASSERT_EQ(licence.size(), 2);
    EXPECT_EQ(licence.front().left(10), day.addDays(30).toString(Qt::ISODate)) << licence.join(' ').toStdString();
    const QStringList package = datedCents(*conn, "SELECT DTVENCSERVPROP, VRVENCSERVPROP FROM VENCSERVPROP WHERE " + key +
                                                      " ORDER BY DTVENCSERVPROP");
    ASSERT_EQ(package.size(), 2);
    EXPECT_EQ(datedCents(*conn, "SELECT DTVENCCOBR, VRCOBR FROM COBRPROP WHERE IDORIGCOBR = 'L' AND " + key +
                                    " ORDER BY DTVENCCOBR"),
              licence);
    EXPECT_EQ(datedCents(*conn, "SELECT DTVENCCOBR, VRCOBR FROM COBRPROP WHERE IDORIGCOBR <> 'L' AND " + key +
                                    " ORDER BY DTVENCCOBR"),
              package);
    EXPECT_EQ(qRound64(conn->scalar("SELECT SUM(VRCOBR) FROM COBRPROP WHERE " + key).toDouble() * 100),
              270000 + qRound64(p.value(0, "VRPACOTESERV").toDouble() * 100));
    EXPECT_EQ(conn->scalar("SELECT COUNT(*) FROM COBRPROP WHERE CDCLIENTE <> :C AND " + key, {{"C", client}}).toInt(), 0);
    EXPECT_EQ(conn->scalar("SELECT COUNT(*) FROM LINPCLIE WHERE CDCLIENTE = :C", {{"C", client}}).toInt(), 1);
    EXPECT_EQ(conn->scalar("SELECT COUNT(*) FROM SISTLINPCLIE WHERE CDCLIENTE = :C", {{"C", client}}).toInt(), 1);
    EXPECT_EQ(conn->scalar("SELECT COUNT(*) FROM SERVCLIE WHERE CDCLIENTE = :C AND " + key, {{"C", client}}).toInt(), 2);

    ASSERT_TRUE(receiver.waitForMessages(3)) << run.output.toStdString();
    const auto mails = receiver.messages();
    ASSERT_EQ(mails.size(), 3);
    EXPECT_EQ(mails[0].subject, "Proposta aceita - cobrar licença de uso");
    EXPECT_EQ(mails[0].rcptTos, (QStringList{"faturamento@demo.local", "contratos@demo.local"}));
    EXPECT_EQ(mails[1].subject, "Proposta aceita - cobrar pacote de serviços");
    EXPECT_EQ(mails[1].rcptTos, QStringList{"servicos@demo.local"});
    // The salesperson hears of it too (the version was never sent to the client by e-mail).
    EXPECT_EQ(mails[2].subject, "Proposta 4/01 aprovada - Delta Engenharia");
    EXPECT_EQ(mails[2].rcptTos, QStringList{"gerente@demo.local"});
    for (const auto& m : mails) {
        EXPECT_EQ(m.mailFrom, "vendedor@demo.local");
        EXPECT_TRUE(m.login.isEmpty()) << "nothing advertised, nothing logged in";
        ASSERT_FALSE(m.parts.isEmpty());
        EXPECT_TRUE(m.parts[0].text.contains("A proposta 4/01 de Delta Engenharia foi aprovada"))
            << m.parts[0].text.toStdString();
        EXPECT_TRUE(m.parts[0].text.contains("CNPJ/CPF: 77.888.999/0001-27"));
        EXPECT_TRUE(m.parts[0].text.contains("Valor único: R$ 10.620,00"));
    }
    EXPECT_TRUE(mails[0].parts[0].text.contains("Folha Web · Valor: R$ 2.700,00 · Mensal: R$ 300,00 · Vencimentos: "
                                                "07/01/2027 R$ 1.350,00; 07/02/2027 R$ 1.350,00"))
        << mails[0].parts[0].text.toStdString();
    EXPECT_TRUE(mails[1].parts[0].text.contains("Pacote de serviços · Valor: R$ 7.920,00"))
        << mails[1].parts[0].text.toStdString();
}

// The value consented to (10.963,01 on the confirmation) is the one charged, cent for cent,
// and the one the licence notification gives.
TEST_F(Scenarios, TheValueShownAtTheAcceptanceIsTheValueCharged) {
    cot::testing::SmtpReceiver receiver;
    const auto db = [&] { return cot::server::Database::open(server->databaseUrl()); };
    db()->exec("UPDATE ENDEFILI SET DSSMTPEMAILF = :S WHERE CDFILIAL = '0001' AND IDTPENDEFILI = 'P'",
               {{"S", receiver.address()}});
    const HostRun run = runHost(sourcePath("scenarios/approval_value_charged.scn"));
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    const auto conn = db();
    const QString key = QStringLiteral("NRPROPOSFAS = '00000000000000000002' AND NRVERPROPFAS = '01'");
    const QStringList schedule = datedCents(*conn, "SELECT DTVELUSOPEDP, VRVELUSOPEDP FROM VENCLINPPROP WHERE " + key +
                                                       " ORDER BY CDLINPPROP, DTVELUSOPEDP");
    EXPECT_EQ(schedule.size(), 4 + 4);
    EXPECT_EQ(qRound64(conn->scalar("SELECT SUM(VRCOBR) FROM COBRPROP WHERE IDORIGCOBR = 'L' AND " + key).toDouble() *
                       100),
              1096301);
    EXPECT_EQ(qRound64(conn->scalar("SELECT SUM(VRVELUSOPEDP) FROM VENCLINPPROP WHERE " + key).toDouble() * 100), 1096301);
    ASSERT_TRUE(receiver.waitForMessages(2)) << run.output.toStdString();
    const QString text = receiver.messages()[0].parts[0].text;
    EXPECT_TRUE(text.contains("Escrita Fiscal Web · Valor: R$ 1.320,51")) << text.toStdString();
}

// A proposal included without a word about its language is stored in Portuguese.
TEST_F(Scenarios, ANewProposalIsStoredWithTheDefaultLanguage) {
    const HostRun run = runHost(sourcePath("scenarios/new_proposal_language.scn"));
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    const auto db = cot::server::Database::open(server->databaseUrl());
    EXPECT_EQ(db->scalar("SELECT IDIDIOMA FROM PROPOSTAFAS WHERE DSREFEPROPOSFAS = :R", {{"R", QString::fromUtf8("Proposta em português")}})
                  .toString(),
              "POR");
}

// Fechar with an edit under way asks as Cancelar does: "Não" keeps the edit, which is then
// confirmed; "Sim" drops the next one and closes.
TEST_F(Scenarios, ClosingWithAnEditAsksAndKeepsItOnNo) {
    const HostRun run = runHost(sourcePath("scenarios/close_asks_pending.scn"));
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    const auto db = cot::server::Database::open(server->databaseUrl());
    const QString stored =
        db->scalar("SELECT TXOBSPROPFAS FROM OBSPROPFAS WHERE NRPROPOSFAS = '00000000000000000001'").toString();
    EXPECT_TRUE(stored.contains("Entrega em duas etapas.")) << stored.toStdString();
    EXPECT_FALSE(stored.contains("não deve ser gravado")) << stored.toStdString();
}

// Enter on the list opens the form of the proposal under the cursor, whose edit reaches the
// server; a double click outside the attachment column opens it as well.
TEST_F(Scenarios, EnterOnTheListOpensTheFormAndItsEditIsStored) {
    const HostRun run = runHost(sourcePath("scenarios/list_open_with_enter.scn"));
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    const auto db = cot::server::Database::open(server->databaseUrl());
    EXPECT_EQ(db->scalar("SELECT DSREFEPROPOSFAS FROM PROPOSTAFAS WHERE NRPROPOSFAS = '00000000000000000001' AND "
                         "NRVERPROPFAS = '01'")
                  .toString(),
              QString::fromUtf8("Implantação do ERP Web - matriz e filiais"));
}

// Sending to the client: the scenario sends proposal 2 through the branch's mail server;
// the sending is recorded for the salesperson with only its token's hash, and the mail
// caught carries the link to the client's page and the proposal's PDF.
#include <QCryptographicHash>

TEST_F(Scenarios, SendingAProposalToTheClientRecordsTheSendingAndMailsTheLink) {
    cot::testing::SmtpReceiver receiver;
    const auto db = [&] { return cot::server::Database::open(server->databaseUrl()); };
    db()->exec("UPDATE ENDEFILI SET DSSMTPEMAILF = :S WHERE CDFILIAL = '0001' AND IDTPENDEFILI = 'P'",
               {{"S", receiver.address()}});
    const HostRun run = runHost(sourcePath("scenarios/send_to_client.scn"));
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    EXPECT_TRUE(QFileInfo::exists(home.filePath("docs/screenshots/send_to_client.png")));

    const cot::Packet p = db()->query("SELECT NRVERPROPFAS, DSEMAILDEST, CDOPERADOR, TXTOKENHASH, DTREVOGA FROM "
                                      "ENVIOPROP WHERE NRPROPOSFAS = '00000000000000000002'");
    ASSERT_EQ(p.rows.size(), 1);
    EXPECT_EQ(p.value(0, "NRVERPROPFAS").toString(), "01");
    EXPECT_EQ(p.value(0, "DSEMAILDEST").toString(), "ana.souza@beta.demo");
    EXPECT_EQ(p.value(0, "CDOPERADOR").toString(), "VENDEDOR");
    EXPECT_TRUE(p.value(0, "DTREVOGA").isNull());
    const QString hash = p.value(0, "TXTOKENHASH").toString();
    EXPECT_TRUE(QRegularExpression("^[0-9a-f]{64}$").match(hash).hasMatch()) << hash.toStdString();

    ASSERT_TRUE(receiver.waitForMessages(1)) << run.output.toStdString();
    const auto mail = receiver.messages()[0];
    EXPECT_EQ(mail.rcptTos, QStringList{"ana.souza@beta.demo"});
    EXPECT_TRUE(mail.subject.startsWith("Proposta 2/01")) << mail.subject.toStdString();
    ASSERT_FALSE(mail.parts.isEmpty());
    const QRegularExpressionMatch link =
        QRegularExpression("https?://[^\\s/]+/cliente/([A-Za-z0-9_-]{43})").match(mail.parts[0].text);
    ASSERT_TRUE(link.hasMatch()) << mail.parts[0].text.toStdString();
    const QByteArray mailed = QCryptographicHash::hash(link.captured(1).toUtf8(), QCryptographicHash::Sha256);
    EXPECT_EQ(QString::fromLatin1(mailed.toHex()), hash) << "the mailed token is the one whose hash is kept";
    bool pdf = false;
    for (const auto& part : mail.parts) pdf = pdf || part.type == "application/pdf";
    EXPECT_TRUE(pdf) << "the proposal's PDF goes with the link";
    EXPECT_TRUE(mail.raw.contains("Proposta 2-01.pdf"));
}

// The history window lists what the server recorded for the save made in the form: the
// reference's change under the operator who made it, with its values before and after.
TEST_F(Scenarios, TheHistoryWindowShowsTheSavedReferenceChange) {
    const HostRun run = runHost(sourcePath("scenarios/proposal_history.scn"));
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    const auto db = cot::server::Database::open(server->databaseUrl());
    const QString key = QStringLiteral("NRPROPOSFAS = '00000000000000000001' AND NRVERPROPFAS = '01'");
    EXPECT_EQ(db->scalar("SELECT COUNT(*) FROM HISTPROP WHERE " + key).toInt(), 4) << "the rows the window listed";
    const auto rows = db->query("SELECT CDOPERADOR, NMMETODO, NMTABELA, IDOPERHIST, VLANTERIOR, VLNOVO FROM HISTPROP "
                                "WHERE " + key + " AND NMCAMPO = 'DSREFEPROPOSFAS'");
    ASSERT_EQ(rows.rows.size(), 1);
    EXPECT_EQ(rows.value(0, "CDOPERADOR").toString(), "VENDEDOR");
    EXPECT_EQ(rows.value(0, "NMMETODO").toString(), "SetProposta");
    EXPECT_EQ(rows.value(0, "NMTABELA").toString(), "PROPOSTAFAS");
    EXPECT_EQ(rows.value(0, "IDOPERHIST").toString(), "A");
    EXPECT_EQ(rows.value(0, "VLANTERIOR").toString(), QString::fromUtf8("Implantação do ERP Web - matriz"));
    EXPECT_EQ(rows.value(0, "VLNOVO").toString(), QString::fromUtf8("Implantação do ERP Web - matriz e filial sul"));
}

// The history window shows the installment just generated in words and pt-BR values: the
// rows behind them are the server's own, kept as stored.
TEST_F(Scenarios, TheHistoryWindowShowsGeneratedInstallmentsInWords) {
    const HostRun run = runHost(sourcePath("scenarios/proposal_history_installments.scn"));
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    const auto db = cot::server::Database::open(server->databaseUrl());
    const auto rows = db->query("SELECT NMTABELA, IDOPERHIST, VLNOVO FROM HISTPROP WHERE NRPROPOSFAS = "
                                "'00000000000000000002' AND NRVERPROPFAS = '01' AND NMMETODO = 'SetVencimento' "
                                "AND NMCAMPO = 'VRVELUSOPEDP' AND IDOPERHIST = 'I'");
    ASSERT_EQ(rows.rows.size(), 1) << "the one installment generated";
    EXPECT_EQ(rows.value(0, "NMTABELA").toString(), "VENCLINPPROP");
    EXPECT_EQ(rows.value(0, "VLNOVO").toString(), "1301") << "shown as 1.301,00";
}

TEST_F(Scenarios, ComparingVersionsShowsTheServersDifferences) {
    const HostRun run = runHost(sourcePath("scenarios/compare_versions.scn"));
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    EXPECT_TRUE(QFileInfo::exists(home.filePath("docs/screenshots/compare_versions.png")));
    // The grid's rows are the server's differences, its totals aside.
    const QString token = server->openSession(QStringLiteral("VENDEDOR"), QStringLiteral("vendedor"));
    const cot::RpcResult r = server->call("GetComparacaoVersoes", {"00000000000000000006", "01", "02"}, token);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    const cot::Packet p = r.value.value<cot::Packet>();
    int differences = 0;
    for (int i = 0; i < p.rows.size(); ++i) differences += p.value(i, "IDMUDANCA").toString() != "T";
    EXPECT_EQ(differences, 10);
    EXPECT_TRUE(run.output.contains("expect-rows dbgDiferencas " + QString::number(differences)));
}

// After a drill-down the list says which filter it shows; "Limpar filtro" lists again
// every proposal the server has for the operator.
TEST_F(Scenarios, LimparFiltroAfterAPipelineDrillBringsTheWholeListBack) {
    const HostRun run = runHost(sourcePath("scenarios/pipeline_filter_marker.scn"));
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    const QString token = server->openSession(QStringLiteral("VENDEDOR"), QStringLiteral("vendedor"));
    const cot::RpcResult r = server->call("GetProposta", {"0001", "T"}, token);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(r.value.value<cot::Packet>().rows.size(), 14) << "the count the scenario expects after clearing";
}

// The pipeline's "Vencida" row, double-clicked, lists on the screen the expired versions of
// the last twelve months that the client did not decline: as many as the server's list has;
// then the manager's row lists the versions counted for him.
TEST_F(Scenarios, ThePipelinesExpiredRowListsTheExpiredProposals) {
    const HostRun run = runHost(sourcePath("scenarios/pipeline.scn"));
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    EXPECT_TRUE(QFileInfo::exists(home.filePath("docs/screenshots/pipeline.png")));
    const QString token = server->openSession(QStringLiteral("VENDEDOR"), QStringLiteral("vendedor"));
    const cot::RpcResult r = server->call("GetProposta", {"0001", "T"}, token);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    const cot::Packet p = r.value.value<cot::Packet>();
    const QDate today = QDate::currentDate();
    const QDate from = QDate(today.addMonths(-11).year(), today.addMonths(-11).month(), 1);
    int expired = 0, managers = 0;
    for (int i = 0; i < p.rows.size(); ++i) {
        const QDate proposed = p.value(i, "DTPROPOSFAS").toDateTime().date();
        if (proposed < from || proposed > today) continue;
        expired += p.value(i, "IDSITUACAO").toString() == "X" && p.value(i, "IDDECCLIENTE").toString() != "R";
        const QString requester = p.value(i, "CDOPERSOLI").toString().trimmed();
        managers += (requester.isEmpty() ? p.value(i, "CDOPERINCL").toString() : requester) == "GERENTE";
    }
    EXPECT_EQ(expired, 2);
    EXPECT_TRUE(run.output.contains("expect-rows dbgPadrao " + QString::number(expired)));
    // Then the manager's row: the versions counted for him.
    EXPECT_GT(managers, 0);
    EXPECT_TRUE(run.output.contains("expect-rows dbgPadrao " + QString::number(managers)));
}
