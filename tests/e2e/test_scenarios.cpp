// Scenarios run by the real cot-host process against a real cot05000-server process on a
// fresh demo database: the examples hold, a wrong expectation fails naming the step with
// what was expected and found, and what a scenario did reaches the database.
#include <gtest/gtest.h>
#include <httplib.h>

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QStandardPaths>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cmath>
#include <memory>
#include <optional>

#include "server/client_page/proposal_page.h"
#include "server/client_page/sending_store.h"
#include "server/storage/database.h"
#include "server/server_cases_a.h"
#include "support/qt_printers.h"
#include "support/screen_widgets.h"
#include "support/server_process.h"
#include "support/shell_process.h"
#include "support/small_pdf.h"
#include "support/smtp_receiver.h"

using namespace cot::testing;

namespace {

const QString kOpenList = QStringLiteral("signin VENDEDOR vendedor 0001\nopen Pkg_cot05000\n");
// The condition on version 01 of demo proposal `n`.
QString key(int n) { return QStringLiteral("NRPROPOSFAS = '%1' AND NRVERPROPFAS = '01'").arg(n, 20, 10, QLatin1Char('0')); }

// A cell as the tables below write it: numbers without trailing zeros, to the cent.
QString cell(const QVariant& v) {
    if (v.isNull()) return QStringLiteral("NULL");
    return v.typeId() == QMetaType::Double ? QString::number(std::round(v.toDouble() * 100) / 100, 'g', 15) : v.toString();
}

class Scenarios : public ::testing::Test {
protected:
    static void SetUpTestSuite() { cot::testing::ensureApplication(); }
    void SetUp() override { ASSERT_GT(server->port(), 0); }

    // `scenario` is a file or, when it holds a line break, the steps of one written for the test.
    ShellRun run(const QString& scenario, const QStringList& extra = {}) {
        QString path = scenario;
        if (scenario.contains(u'\n')) {
            path = home.filePath(QStringLiteral("s%1.scn").arg(++written));
            QFile f(path);
            EXPECT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(scenario.toUtf8());
        }
        return cot::testing::runScenario(server->databaseUrl(), server->port(), path, home.path(), extra);
    }
    std::unique_ptr<cot::server::Database> db() const { return cot::server::Database::open(server->databaseUrl()); }
    // The rows a query reads: cells joined by ";", rows by " | ".
    QString rows(const QString& sql, const QVariantMap& params = {}) const {
        QStringList out;
        for (const QVariantList& row : db()->query(sql, params).rows) {
            QStringList cells;
            for (const QVariant& v : row) cells << cell(v);
            out << cells.join(u';');
        }
        return out.join(" | ");
    }
    bool picture(const char* name) const { return QFileInfo::exists(home.filePath(QStringLiteral("docs/screenshots/") + name)); }
    // The branch's mail goes to `receiver`.
    void mailTo(const cot::testing::SmtpReceiver& receiver) {
        db()->exec("UPDATE ENDEFILI SET DSSMTPEMAILF = :S WHERE CDFILIAL = '0001' AND IDTPENDEFILI = 'P'", {{"S", receiver.address()}});
    }

    QTemporaryDir home;
    std::unique_ptr<ServerProcess> server = std::make_unique<ServerProcess>();
    int written = 0;
};

// What a scenario file did, read back from the database: each step runs a scenario and then
// checks what its queries read; the pictures it took exist.
using Stored = std::pair<QString, QString>;  // a query, and the rows it reads
struct Step {
    QString scenario;  // a file of the source tree, or steps written for the test
    std::vector<Stored> stored;
};
struct StoredCase {
    const char* name;
    std::vector<Step> steps;
    std::vector<const char*> pictures = {};
    QString said = {};  // in the output too
    QStringList extra = {};  // the shell's options
    QString mailed = {};     // in the text of the first mail the branch's server receives
};

// Tables whose rows a copied version has as many of as the original: the names of those
// that differ or are empty.
QString tablesNotCopied() {
    QStringList parts;
    for (const char* t : {"LINPPROP", "SISTLINPPROP", "VENCLINPPROP", "SERVPROP", "VENCSERVPROP", "TXTPROPFAS",
                          "OBSPROPFAS", "OBJSERVPROP", "SIMULAPROP", "SIMULALINP"})
        parts << QStringLiteral("SELECT '%1' T, (SELECT COUNT(*) FROM %1 WHERE NRPROPOSFAS = '00000000000000000002' AND "
                                "NRVERPROPFAS = '01') A, (SELECT COUNT(*) FROM %1 WHERE NRPROPOSFAS = "
                                "'00000000000000000002' AND NRVERPROPFAS = '02') B").arg(t);
    return "SELECT T FROM (" + parts.join(" UNION ALL ") + ") WHERE A = 0 OR A <> B";
}

const QString kLine2001 = "CDLINPPROP = (SELECT CDLINPPROP FROM LINPPROP WHERE CDLINPPROPINFOR = '2001' AND " + key(2) +
                          ") AND " + key(2);
const QString kObservation = "SELECT instr(TXOBSPROPFAS, 'Entrega em duas etapas.') > 0, instr(TXOBSPROPFAS, '%1') > 0 "
                             "FROM OBSPROPFAS WHERE NRPROPOSFAS = '00000000000000000001'";

const StoredCase kStoredCases[] = {
    {"CreatingAProposalReachesTheDatabaseAndTheList",
     {{"scenarios/create_proposal.scn",
       {{"SELECT COUNT(*) FROM PROPOSTAFAS WHERE DSREFEPROPOSFAS = 'Proposta do roteiro' AND CDFILIAL = '0001' "
         "AND CDPROCOMERCI = 'ERP' AND CDOPERINCL = 'VENDEDOR'", "1"}}}}},
    {"TheObservationIsEditedAndReachesTheServer",
     {{"scenarios/observation.scn", {{kObservation.arg("condições especiais"), "1;0"}}}}},
    // Fechar with an edit under way asks as Cancelar does: "Não" keeps the edit, which is
    // then confirmed; "Sim" drops the next one and closes.
    {"ClosingWithAnEditAsksAndKeepsItOnNo",
     {{"scenarios/close_asks_pending.scn", {{kObservation.arg("não deve ser gravado"), "1;0"}}}}},
    // Product lines: a new line with the systems chosen in the dialog, a schedule of twelve
    // installments generated twice ((1000 − 50) × 10 with the demo's 1,5% interest, to the
    // cent), and the contract switched both ways (the licence values the switch to Locação
    // zeroed stay zero).
    {"ProductLineScenariosReachTheDatabase",
     {{"scenarios/product_line_systems.scn",
       {{"SELECT COUNT(*) FROM SISTLINPPROP S JOIN LINPPROP L ON L.NRPROPOSFAS = S.NRPROPOSFAS AND L.NRVERPROPFAS = "
         "S.NRVERPROPFAS AND L.CDLINPPROP = S.CDLINPPROP WHERE L.CDLINPPROPINFOR = '7100' AND S.CDSISTEMA = 'WEB00002' "
         "AND L.NRPROPOSFAS = '00000000000000000002' AND L.NRVERPROPFAS = '01'", "1"}}},
      {"scenarios/product_line_schedule.scn",
       {{"SELECT COUNT(*), SUM(VRVELUSOPEDP) FROM VENCLINPPROP WHERE " + kLine2001, "12;9642.5"}}},
      {"scenarios/contract_switch.scn",
       {{"SELECT IDTIPOPROPFAS FROM PROPOSTAFAS WHERE " + key(2), "M"},
        {"SELECT COUNT(*), SUM(VRLICENCUSOPROP) FROM LINPPROP WHERE IDTIPLINPP NOT IN ('M', 'P') AND " + key(2), "0;NULL"},
        {"SELECT SUM(VRLICENCUSOPROP) FROM LINPPROP WHERE " + key(2), "0"}}}}},
    {"FilteringTheListHolds", {{"scenarios/filter_list.scn", {}}}, {}, "window frmFiltroPropComercial"},
    // Texts: two standard texts added through the dialog, their order swapped, one rewritten
    // with formatting, the texts regenerated and the regeneration undone; the regenerated set
    // is kept in its turn, so the undo can itself be undone.
    {"TextsScenarioReachesTheDatabase",
     {{"scenarios/texts.scn",
       {{"SELECT CDTXTPROPFAS, NRORDEMMSG FROM TXTPROPFAS WHERE " + key(4) + " ORDER BY NRORDEMMSG", "GARANTIA;1 | APRES_LU;3"},
        {"SELECT instr(TXPROPFAS, 'para correções e ajustes.') > 0, instr(TXPROPFAS, 'font-weight:700') > 0 FROM "
         "TXTPROPFAS WHERE CDTXTPROPFAS = 'GARANTIA' AND " + key(4), "1;1"},
        {"SELECT CDTXTPROPFAS, NRORDEMMSG FROM TXTPROPFASHIST WHERE " + key(4) + " ORDER BY NRORDEMMSG",
         "APRES_LU;1 | COND_LU;2"}}}}},
    // Services: two services added to a package split in three installments, the charging
    // switched to hourly and back, the schedule split again and the page read again.
    {"ServicesScenarioReachesTheDatabase",
     {{"scenarios/services.scn",
       {{"SELECT CDTIPOSERV FROM SERVPROP WHERE " + key(12) + " ORDER BY NRSERVPROP", "001 | 002"},
        {"SELECT VRDEHORAPROP, VRPEHORAPROP FROM SERVPROP WHERE CDTIPOSERV = '002' AND " + key(12), "108;10"},
        {"SELECT IDTIPOCOBRSERV, VRPACOTESERV FROM PROPOSTAFAS WHERE " + key(12), "P;7728"},
        {"SELECT COUNT(*), SUM(VRVENCSERVPROP) FROM VENCSERVPROP WHERE " + key(12), "3;7728"}}}}},
    // A discount typed last on a new service and confirmed without leaving its column is
    // stored with the invoiced rate it gives, and the package and its installment follow.
    {"ServiceDiscountTypedLastIsStored",
     {{"scenarios/service_discount_typed_last.scn",
       {{"SELECT VRHORAPROP, VRPEHORAPROP, VRDEHORAPROP FROM SERVPROP WHERE " + key(12), "200;25;150"},
        {"SELECT VRPACOTESERV, (SELECT SUM(VRVENCSERVPROP) FROM VENCSERVPROP WHERE " + key(12) +
             ") FROM PROPOSTAFAS WHERE " + key(12), "1500;1500"}}}}},
    // The running total follows each save, and what it showed is what the server holds.
    {"RunningTotalFollowsEachSave",
     {{"scenarios/running_total.scn",
       {{"SELECT (SELECT COUNT(*) FROM SERVPROP WHERE " + key(12) + "), (SELECT COUNT(*) FROM VENCSERVPROP WHERE " +
             key(12) + "), (SELECT SUM(VRVELUSOPEDP) FROM VENCLINPPROP WHERE " + key(12) + ")", "0;0;5278"}}}}},
    // A proposal included without a word about its language is stored in Portuguese.
    {"ANewProposalIsStoredWithTheDefaultLanguage",
     {{"scenarios/new_proposal_language.scn",
       {{"SELECT IDIDIOMA FROM PROPOSTAFAS WHERE DSREFEPROPOSFAS = 'Proposta em português'", "POR"}}}}},
    // Enter on the list opens the form of the proposal under the cursor, whose edit reaches
    // the server; a double click outside the attachment column opens it as well.
    {"EnterOnTheListOpensTheFormAndItsEditIsStored",
     {{"scenarios/list_open_with_enter.scn",
       {{"SELECT DSREFEPROPOSFAS FROM PROPOSTAFAS WHERE " + key(1), "Implantação do ERP Web - matriz e filiais"}}}}},
    // The history window lists what the server recorded for the save made in the form (its
    // four rows): the reference's change under the operator who made it, before and after.
    {"TheHistoryWindowShowsTheSavedReferenceChange",
     {{"scenarios/proposal_history.scn",
       {{"SELECT COUNT(*) FROM HISTPROP WHERE " + key(1), "4"},
        {"SELECT CDOPERADOR, NMMETODO, NMTABELA, IDOPERHIST, VLANTERIOR, VLNOVO FROM HISTPROP WHERE NMCAMPO = "
         "'DSREFEPROPOSFAS' AND " + key(1),
         "VENDEDOR;SetProposta;PROPOSTAFAS;A;Implantação do ERP Web - matriz;Implantação do ERP Web - matriz e filial sul"}}}}},
    // The history window shows the installment just generated (1.301,00) in words and pt-BR
    // values: the row behind it is the server's own, kept as stored.
    {"TheHistoryWindowShowsGeneratedInstallmentsInWords",
     {{"scenarios/proposal_history_installments.scn",
       {{"SELECT NMTABELA, VLNOVO FROM HISTPROP WHERE NMMETODO = 'SetVencimento' AND NMCAMPO = 'VRVELUSOPEDP' AND "
         "IDOPERHIST = 'I' AND " + key(2), "VENCLINPPROP;1301"}}}}},
    // Simulations: two alternatives added to proposal 2, each with its lines and quantities.
    {"SimulationScenarioStoresBothAlternativesWithTheirLines",
     {{"scenarios/simulation_two_alternatives.scn",
       {{"SELECT COUNT(*) FROM SIMULAPROP WHERE " + key(2), "4"},
        {"SELECT S.NRORDSIMULAPROP, SL.NRORDLINPSIMULA, L.CDLINPPROPINFOR, SL.QTUTILSIMULINP FROM SIMULAPROP S "
         "JOIN SIMULALINP SL ON SL.NRPROPOSFAS = S.NRPROPOSFAS AND SL.NRVERPROPFAS = S.NRVERPROPFAS AND "
         "SL.NRSIMULAPROP = S.NRSIMULAPROP JOIN LINPPROP L ON L.NRPROPOSFAS = SL.NRPROPOSFAS AND L.NRVERPROPFAS = "
         "SL.NRVERPROPFAS AND L.CDLINPPROP = SL.CDLINPPROP WHERE S.NRPROPOSFAS = '00000000000000000002' AND "
         "S.NRVERPROPFAS = '01' AND S.NMSIMULAPROP LIKE 'Alternativa%' ORDER BY S.NRORDSIMULAPROP, SL.NRORDLINPSIMULA",
         "003;001;2001;8 | 004;001;2001;4 | 004;002;2002;6"}}}},
     {"simulation_page.png"}},
    // The operator changes his password from the shell's menu and goes on working in the same
    // session (the scenario opens the list afterwards).
    {"TheMenuEntryChangesThePasswordAndTheSessionGoesOn", {{"scenarios/change_password.scn", {}}}},
    // The command line signs in: the scenario only opens the screen and counts the list.
    {"SignedInFromTheCommandLineTheProposalScreenListsTheBranch",
     {{"open Pkg_cot05000\nexpect-rows dbgPadrao 14\nexpect-rows cdsProposta 14\nexpect-field cdsProposta CDFILIAL 0001\n",
       {}}},
     {}, {}, {"--operator", "vendedor", "--password", "vendedor", "--branch", "0001"}},
    // Questions take the queued answers in order; the window that opened in between is driven
    // by the steps after it (indented in the output), and Escape leaves it as the user would.
    {"AnswersAreTakenInOrderAndModalWindowsAreDrivenByTheFollowingSteps",
     {{kOpenList + "click sbtIncluir\nanswer Não\nclick sbtCancelar\nexpect-dialog \"Deseja cancelar as alterações?\"\n"
                   "expect-rows dbgPadrao 15\nanswer Sim\nclick sbtCancelar\nexpect-rows dbgPadrao 14\npage tshPadrao\n"
                   "click sbtFiltro\nwindow TfrmFiltroPropComercial\ntype edtReferencia ERP\npress Esc\n"
                   "expect-rows dbgPadrao 14\n",
       {}}},
     {}, "\n  15: press Esc\n"},
    // A header filled by its lookups (client, contact, product, interlocutor) and the keyboard,
    // confirmed as typed, then deleted once confirmed.
    {"TheHeaderIsFilledByItsLookupsStoredAndDeleted",
     {{kOpenList + "click sbtIncluir\nexpect-text dbeVersao 01\nanswer pick NRINSJURCLIE 11222333000181\nclick btnPesqCliPros\n"
                   "expect-field cdsProposta NOME \"Alfa Sistemas\"\nexpect-field cdsProposta NRMESREAJPROP 03\n"
                   "type dbeDsReferencia \"Proposta de ponta a ponta\"\nanswer pick NRCONTATO 0000000001\nclick btnPesqContato\n"
                   "expect-field cdsProposta DSREFECONT \"Ana Paula - Compras Alfa\"\nanswer pick CDPROCOMERCI FOLHA\n"
                   "click btnPesqProdComer\nanswer pick CDINTECLIE 02\nclick btnPesqInterLoc\n"
                   "expect-field cdsProposta NMINTECLIE \"Débora Martins\"\nfocus rbtLuManut\npress rbtLuManut Space\n"
                   "click sbtConfirmar\npage tshPadrao\nexpect-rows dbgPadrao 15\n",
       {{"SELECT CDCLIENTE, NRCONTATO, CDPROCOMERCI, CDINTECLIE, IDTIPOPROPFAS, IDSOLPROPFAS FROM PROPOSTAFAS WHERE "
         "DSREFEPROPOSFAS = 'Proposta de ponta a ponta'", "11222333000181;0000000001;FOLHA;02;M;S"}}},
      {kOpenList + "select dbgPadrao DSREFEPROPOSFAS \"Proposta de ponta a ponta\"\npage tshProposta\nanswer Sim\n"
                   "click sbtExcluir\npage tshPadrao\nexpect-rows dbgPadrao 14\n",
       {{"SELECT COUNT(*) FROM PROPOSTAFAS WHERE DSREFEPROPOSFAS = 'Proposta de ponta a ponta'", "0"}}}}},
    // A new line's systems dialog closed by its title bar stores nothing.
    {"ANewLinesSystemsDialogClosedStoresNothing",
     {{"scenarios/line_systems_dialog_closed.scn",
       {{"SELECT (SELECT COUNT(*) FROM LINPPROP WHERE CDLINPPROPINFOR = '7104'), (SELECT COUNT(*) FROM LINPPROP WHERE " +
             key(2) + ")", "0;2"}}}}},
    // The value consented to (10.963,01 on the confirmation) is the one charged, cent for cent,
    // and the one the licence notification gives.
    {"TheValueShownAtTheAcceptanceIsTheValueCharged",
     {{"scenarios/approval_value_charged.scn",
       {{"SELECT COUNT(*), SUM(VRVELUSOPEDP) FROM VENCLINPPROP WHERE " + key(2), "8;10963.01"},
        {"SELECT SUM(VRCOBR) FROM COBRPROP WHERE IDORIGCOBR = 'L' AND " + key(2), "10963.01"}}}},
     {}, {}, {}, "Escrita Fiscal Web · Valor: R$ 1.320,51"},
    // The grid lists the differences between two versions (their count in the scenario).
    {"ComparingVersionsShowsTheServersDifferences", {{"scenarios/compare_versions.scn", {}}}, {"compare_versions.png"}},
    // The pipeline's "Vencida" row, double-clicked, lists the expired versions of the last twelve
    // months the client did not decline; the manager's row, the versions counted for him; after a
    // drill-down the list says which filter it shows and "Limpar filtro" lists every proposal again.
    {"ThePipelinesExpiredRowListsTheExpiredProposals", {{"scenarios/pipeline.scn", {}}}, {"pipeline.png"}},
    {"LimparFiltroAfterAPipelineDrillBringsTheWholeListBack", {{"scenarios/pipeline_filter_marker.scn", {}}},
     {"proposal_list_filter.png"}},
    // The file dialog offers the proposal's name; cancelled, it writes nothing and the launcher stays.
    {"CancellingThePdfsFileDialogLeavesTheLauncherOpen",
     {{kOpenList + "select dbgPadrao DSREFEPROPOSFAS \"ERP Web e serviços de implantação\"\nclick sbtImprimir\n"
                   "window frmRelPropostaComercial\nclick sbtPdf\nwindow dlgSalvarPdf\n"
                   "expect-text fileNameEdit \"Proposta 2-01.pdf\"\npress Esc\nclick sbtFechar\n",
       {}}}},
    // Typed text goes key by key through the controls: accents, quotes and backslashes reach
    // the database as written in the scenario.
    {"TypedTextReachesTheDatabaseAsWritten",
     {{kOpenList + "click sbtIncluir\ntype dbeCdCliPros 11222333000181\npress Tab\n"
                   "type dbeDsReferencia \"Revisão \\\"ação\\\" C:\\\\pasta\"\nanswer pick CDPROCOMERCI ERP\n"
                   "click btnPesqProdComer\nclick sbtConfirmar\n"
                   "expect-field cdsProposta DSREFEPROPOSFAS \"Revisão \\\"ação\\\" C:\\\\pasta\"\n",
       {{"SELECT COUNT(*) FROM PROPOSTAFAS WHERE DSREFEPROPOSFAS = 'Revisão \"ação\" C:\\pasta'", "1"}}}}},
};

class ScenarioStores : public Scenarios, public ::testing::WithParamInterface<StoredCase> {};

TEST_P(ScenarioStores, WhatItDidIsInTheDatabase) {
    std::optional<cot::testing::SmtpReceiver> receiver;
    if (!GetParam().mailed.isEmpty()) mailTo(receiver.emplace());
    for (const Step& step : GetParam().steps) {
        SCOPED_TRACE(step.scenario.toStdString());
        const ShellRun r = run(step.scenario.contains(u'\n') ? step.scenario : sourcePath(step.scenario), GetParam().extra);
        ASSERT_EQ(r.exitCode, 0) << r.all().toStdString();
        EXPECT_TRUE(r.all().contains("roteiro concluído")) << r.all().toStdString();
        for (const auto& [sql, expected] : step.stored) EXPECT_EQ(rows(sql), expected) << sql.toStdString();
        EXPECT_TRUE(r.all().contains(GetParam().said));
    }
    for (const char* name : GetParam().pictures) EXPECT_TRUE(picture(name)) << name;
    if (receiver) {
        ASSERT_TRUE(receiver->waitForMessages(1));
        EXPECT_TRUE(receiver->messages()[0].parts[0].text.contains(GetParam().mailed))
            << receiver->messages()[0].parts[0].text.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Scenario, ScenarioStores, ::testing::ValuesIn(kStoredCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A wrong expectation, what a user could not do or a dialog nobody expected stop the run at
// that step (1); a file that is no scenario stops before any window (2).
TEST_F(Scenarios, WrongExpectationsRefusalsAndFilesThatAreNoScenarioFailNamingTheStep) {
    struct Case {
        QString scenario;  // a file, or the steps after kOpenList
        int exitCode;
        QStringList said;
        QString notSaid = {};
    };
    const Case cases[] = {
        {sourcePath("tests/e2e/scenarios/wrong_expectation.scn"), 1,
         {"FALHOU na linha 4: expect-rows dbgPadrao 99", "esperado: 99\n", "encontrado: 14\n"},
         "5: expect-text"},  // nothing runs after the failed step
        {kOpenList + "click sbtConfirmar\n", 1, {"FALHOU na linha 3: click sbtConfirmar", "sbtConfirmar está desabilitado"}},
        {kOpenList + "click sbtIncluir\nclick sbtConfirmar\nexpect-rows dbgPadrao 15\n", 1,
         {"FALHOU na linha 4: click sbtConfirmar", "diálogo não previsto", "encontrado: erro \"Cliente deve ser informado"}},
        {kOpenList + "answer Sim\nclick sbtIncluir\nclick sbtConfirmar\n", 1,
         {"FALHOU na linha 5: click sbtConfirmar", "a resposta não serve", "esperado: answer Sim (linha 3)"}},
        {kOpenList + "click sbtFiltro\nexpect-rows dbgPadrao 14\n", 1,
         {"FALHOU na linha 3: click sbtFiltro", "janela não prevista", "encontrado: janela frmFiltroPropComercial"}},
        {kOpenList + "click sbtFiltro\nwindow frmFiltroPropComercial\ntype edtReferencia ERP\n", 1,
         {"FALHOU no fim do roteiro", "a janela frmFiltroPropComercial continua aberta"}},
        {kOpenList + "answer OK\nexpect-rows dbgPadrao 14\n", 1, {"FALHOU no fim do roteiro", "resposta não usada (linha 3)"}},
        {kOpenList + "click sbtIncluir\nanswer OK\nclick sbtCancelar\n", 1,
         {"FALHOU na linha 5: click sbtCancelar", "esperado: answer OK (linha 4)",
          "encontrado: pergunta \"Deseja cancelar as alterações?\" [Sim/Não]"}},
        {kOpenList + "click sbtIncluir\nanswer pick CDPROCOMERCI NENHUM\nclick btnPesqProdComer\n", 1,
         {"FALHOU na linha 5: click btnPesqProdComer", "nenhuma linha da lista tem CDPROCOMERCI = NENHUM"}},
        {kOpenList + "select dbgPadrao DSREFEPROPOSFAS \"não existe\"\n", 1,
         {"FALHOU na linha 3", "nenhuma linha de dbgPadrao tem DSREFEPROPOSFAS = não existe"}},
        {"signin VENDEDOR vendedor\nclique sbtIncluir\n", 2, {"linha 2: passo desconhecido: clique"}},
        {"type dbeDsReferencia \"sem fim\n", 2, {"linha 1: aspas sem fechamento"}},
        {"press Ctrl+Nada\n", 2, {"linha 1: tecla desconhecida: Ctrl+Nada"}},
        {"expect-rows dbgPadrao muitas\n", 2, {"linha 1: número de linhas inválido"}},
        {"# só comentário\n\n", 2, {"o roteiro não tem passos"}},
        {home.filePath("nao_existe.scn"), 2, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scenario.toStdString());
        const ShellRun r = run(c.scenario);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.all().toStdString();
        EXPECT_EQ(missingFrom(r.all(), c.said), QStringList()) << r.all().toStdString();
        EXPECT_FALSE(!c.notSaid.isEmpty() && r.all().contains(c.notSaid)) << r.all().toStdString();
    }
}

// Attachments: a file attached to proposal 2, opened from the list's popup (recorded, not
// shown) and removed through the dialog, its folder with it; another attached from the list
// is stored as a zip that unzip accepts.
TEST_F(Scenarios, AttachmentsAreStoredAsZipsAndRemovedWithTheirFolder) {
    const QString base = home.filePath("anexos"), folder = base + "/Proposta/00000000000000000002-01";
    for (const auto& [name, text] : {std::pair{"anexo_roteiro.txt", QByteArray("Anexo do roteiro\n")},
                                     std::pair{"contrato.txt", QByteArray("Cláusula primeira.\n").repeated(200)}}) {
        QFile f(home.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    ShellRun r = run(sourcePath("scenarios/attachments.scn"), {"--attachments-dir", base});
    ASSERT_EQ(r.exitCode, 0) << r.all().toStdString();
    EXPECT_TRUE(picture("attachments_dialog.png"));
    EXPECT_TRUE(QFileInfo::exists(base + "/Proposta")) << "the proposals' folder stays";
    EXPECT_FALSE(QFileInfo::exists(folder)) << "removing the last file removes its folder";
    EXPECT_TRUE(QFileInfo::exists(home.filePath("anexo_roteiro.txt"))) << "the original is left alone";

    r = run(kOpenList + "select dbgPadrao DSREFEPROPOSFAS \"ERP Web e serviços de implantação\"\n"
                        "answer arquivo contrato.txt\nanswer OK\ndouble-click dbgPadrao ANEXO\n",
            {"--attachments-dir", base});
    ASSERT_EQ(r.exitCode, 0) << r.all().toStdString();
    const QString stored = folder + "/contrato.txt.zip";
    ASSERT_TRUE(QFileInfo::exists(stored)) << r.all().toStdString();
    QProcess unzip;
    unzip.start("unzip", {"-t", stored});
    ASSERT_TRUE(unzip.waitForFinished(30000));
    const QString tested = QString::fromUtf8(unzip.readAllStandardOutput());
    EXPECT_TRUE(unzip.exitCode() == 0 && tested.count("testing:") == 1 && tested.contains("testing: contrato.txt "))
        << tested.toStdString();
}

// Print: the launcher writes the PDF chosen in its file dialog; poppler reads it back: what a
// customer receives holds the proposal as the server has it, on A4, with the letterhead's logo.
TEST_F(Scenarios, PrintingAProposalWritesItsReportAsPdf) {
    const ShellRun r = run(sourcePath("scenarios/print_proposal.scn"));
    ASSERT_EQ(r.exitCode, 0) << r.all().toStdString();
    EXPECT_TRUE(picture("processing_mode.png"));
    const QString pdf = home.filePath("proposta_2_01.pdf");
    ASSERT_TRUE(QFileInfo::exists(pdf)) << r.all().toStdString();
    const auto poppler = [&](const QString& tool, const QStringList& args) {
        QProcess p;
        p.start(tool, args + QStringList{pdf} + (tool == "pdftotext" ? QStringList{"-"} : QStringList{}));
        EXPECT_TRUE(p.waitForFinished(30000) && p.exitCode() == 0) << tool.toStdString();
        return QString::fromUtf8(p.readAllStandardOutput());
    };
    EXPECT_TRUE(poppler("pdfinfo", {}).contains("(A4)"));
    // The company offers and the salesperson closes; money says R$; every page is counted.
    const QString text = poppler("pdftotext", {"-enc", "UTF-8"}).simplified();
    EXPECT_EQ(missingFrom(text,
         {"Proposta de Contratação - Manutenção", "ERP Web e serviços de implantação", "Beta Comércio",
          "ERP Web completo", "Escrita Fiscal Web", "10.943,50", "1.360,00", "7.728,00", "18.671,50",
          "Apresentamos nossa proposta de licença de uso com manutenção mensal.",
          "As parcelas da licença vencem nas datas indicadas", "22.333.444/0001-72", "Gerente Comercial",
          "Usuários", "Qtde.", "Demonstração Sistemas Ltda.", "CNPJ 11.111.111/0001-91",
          "Av. Paulista, 1000, São Paulo - SP", "(11) 3000-1000", "www.demo.local", "Proposta 2/01", "R$ 18.671,50",
          "Parcela Vencimento Valor", "Fale com o vendedor", "gerente@demo.local", "(11) 98000-1002", "Página 1 de",
          "As parcelas somam R$ 9.642,50, acima do valor cotado de R$ 9.500,00: a diferença de R$ 142,50 são os "
          "juros do parcelamento."}), QStringList()) << text.toStdString();
    EXPECT_FALSE(text.contains(QRegularExpression("\\d\\) \\d\\d/\\d\\d/\\d{4}:"))) << "installments run into one line";
    EXPECT_LT(text.indexOf("Apresentamos nossa proposta"), text.indexOf("ERP Web completo")) << "texts before prices";
    // Printed at the size it was laid out: the 15 pt title is about 15 pt high on the page
    // (a layout taken in the writer's own pixels came out at a third of that).
    const QRegularExpressionMatch title =
        QRegularExpression("yMin=\"([0-9.]+)\" xMax=\"[0-9.]+\" yMax=\"([0-9.]+)\">Proposta<").match(poppler("pdftotext", {"-bbox"}));
    ASSERT_TRUE(title.hasMatch());
    const double height = title.captured(2).toDouble() - title.captured(1).toDouble();
    EXPECT_TRUE(height > 12.0 && height < 25.0) << height;
    EXPECT_EQ(poppler("pdfimages", {"-list"}).count(QRegularExpression(" image +96 +96 ")), 1) << "the logo";
}

// Approval of a prospect's licence proposal through the screens: the prospect becomes a
// client within the acceptance, the charging follows the schedules to the cent, the contract
// tables are written and both notifications reach a real SMTP receiver through the branch's
// mail server. The demo account has no password, so the receiver is a relay that asks for
// no login (curl answers an empty LOGIN password with "=", which aiosmtpd cannot decode).
TEST_F(Scenarios, ApprovingAProspectsProposalMakesAClientChargesItsSchedulesAndMails) {
    cot::testing::SmtpReceiver receiver;
    mailTo(receiver);
    const QDate day = QDate::currentDate();
    const ShellRun r = run(sourcePath("scenarios/approval_new_client.scn"));
    ASSERT_EQ(r.exitCode, 0) << r.all().toStdString();
    EXPECT_TRUE(picture("approval_dialog.png") && picture("acceptance_confirmation.png"));

    EXPECT_EQ(rows("SELECT IDCLIENPROSP, NRMESREAJPROP, substr(DTACEPROPFAS, 1, 10) FROM PROPOSTAFAS WHERE " + key(4)),
              "C;05;" + day.toString(Qt::ISODate));
    const QVariantMap c{{"C", rows("SELECT CDCLIENTE FROM PROPOSTAFAS WHERE " + key(4)).trimmed()}};
    EXPECT_EQ(rows("SELECT NRINSJURCLIE, NMRAZSOCCLIE, NMFANTCLIE FROM CLIENTE WHERE CDCLIENTE = :C", c),
              "77888999000127;Delta Engenharia e Projetos Ltda;Delta Engenharia");

    // The line's schedule as generated from {hoje+30}; the package's as split in two; each
    // charged as scheduled, date for date and to the cent.
    const QString licence = rows("SELECT substr(DTVELUSOPEDP, 1, 10), VRVELUSOPEDP FROM VENCLINPPROP WHERE " + key(4) + " ORDER BY 1");
    EXPECT_TRUE(licence.startsWith(day.addDays(30).toString(Qt::ISODate))) << licence.toStdString();
    const QString package = rows("SELECT substr(DTVENCSERVPROP, 1, 10), VRVENCSERVPROP FROM VENCSERVPROP WHERE " + key(4) + " ORDER BY 1");
    EXPECT_EQ((QList<qsizetype>{licence.count(" | "), package.count(" | ")}), (QList<qsizetype>{1, 1}));
    const QString charged = "SELECT substr(DTVENCCOBR, 1, 10), VRCOBR FROM COBRPROP WHERE IDORIGCOBR %1 'L' AND " + key(4) + " ORDER BY 1";
    EXPECT_EQ(rows(charged.arg("=")), licence);
    EXPECT_EQ(rows(charged.arg("<>")), package);
    EXPECT_EQ(rows("SELECT SUM(VRCOBR) - VRPACOTESERV FROM COBRPROP, PROPOSTAFAS P WHERE COBRPROP.NRPROPOSFAS = "
                   "P.NRPROPOSFAS AND COBRPROP.NRVERPROPFAS = P.NRVERPROPFAS AND P." + key(4).split(" AND ").join(" AND P.")),
              "2700");
    EXPECT_EQ(rows("SELECT (SELECT COUNT(*) FROM COBRPROP WHERE CDCLIENTE <> :C AND " + key(4) +
                       "), (SELECT COUNT(*) FROM LINPCLIE WHERE CDCLIENTE = :C), (SELECT COUNT(*) FROM SISTLINPCLIE "
                       "WHERE CDCLIENTE = :C), (SELECT COUNT(*) FROM SERVCLIE WHERE CDCLIENTE = :C AND " + key(4) + ")",
                   c),
              "0;1;1;2");

    ASSERT_TRUE(receiver.waitForMessages(3)) << r.all().toStdString();
    const auto mails = receiver.messages();
    ASSERT_EQ(mails.size(), 3);
    // The salesperson hears of it too (the version was never sent to the client by e-mail).
    const std::tuple<QString, QStringList, QString> sent[] = {
        {"Proposta aceita - cobrar licença de uso", {"faturamento@demo.local", "contratos@demo.local"},
         "Folha Web · Valor: R$ 2.700,00 · Mensal: R$ 300,00 · Vencimentos: 07/01/2027 R$ 1.350,00; 07/02/2027 R$ 1.350,00"},
        {"Proposta aceita - cobrar pacote de serviços", {"servicos@demo.local"}, "Pacote de serviços · Valor: R$ 7.920,00"},
        {"Proposta 4/01 aprovada - Delta Engenharia", {"gerente@demo.local"}, ""}};
    for (int i = 0; i < 3; ++i) {
        const auto& [subject, to, item] = sent[i];
        const auto& m = mails[i];
        EXPECT_EQ((QStringList{m.subject, m.rcptTos.join(','), m.mailFrom, m.login}),
                  (QStringList{subject, to.join(','), "vendedor@demo.local", ""})) << "nothing advertised, nothing logged in";
        ASSERT_FALSE(m.parts.isEmpty());
        EXPECT_EQ(missingFrom(m.parts[0].text, {"A proposta 4/01 de Delta Engenharia foi aprovada", "CNPJ/CPF: 77.888.999/0001-27",
                                                "Valor único: R$ 10.620,00", item}), QStringList()) << m.parts[0].text.toStdString();
    }
}

// Sending to the client: the scenario sends proposal 2 through the branch's mail server;
// the sending is recorded for the salesperson with only its token's hash, and the mail
// caught carries the link to the client's page.
TEST_F(Scenarios, SendingAProposalToTheClientRecordsTheSendingAndMailsTheLink) {
    cot::testing::SmtpReceiver receiver;
    mailTo(receiver);
    const ShellRun r = run(sourcePath("scenarios/send_to_client.scn"));
    ASSERT_EQ(r.exitCode, 0) << r.all().toStdString();
    EXPECT_TRUE(picture("send_to_client.png"));

    EXPECT_EQ(rows("SELECT NRVERPROPFAS, DSEMAILDEST, CDOPERADOR, DTREVOGA FROM ENVIOPROP WHERE NRPROPOSFAS = '00000000000000000002'"),
              "01;ana.souza@beta.demo;VENDEDOR;NULL");
    const QString hash = rows("SELECT TXTOKENHASH FROM ENVIOPROP WHERE NRPROPOSFAS = '00000000000000000002'");

    ASSERT_TRUE(receiver.waitForMessages(1)) << r.all().toStdString();
    const auto mail = receiver.messages()[0];
    EXPECT_EQ(mail.rcptTos, QStringList{"ana.souza@beta.demo"});
    ASSERT_FALSE(mail.parts.isEmpty());
    const QRegularExpressionMatch link =
        QRegularExpression("https?://[^\\s/]+/cliente/([A-Za-z0-9_-]{43})").match(mail.parts[0].text);
    ASSERT_TRUE(link.hasMatch()) << mail.parts[0].text.toStdString();
    EXPECT_EQ(QCryptographicHash::hash(link.captured(1).toUtf8(), QCryptographicHash::Sha256).toHex(), hash.toLatin1())
        << "the mailed token is the one whose hash is kept, alone";
}

// A version superseded on the desktop: proposal 2 is copied to 02 by its scenario (every row
// quoted under 01 copied, the acceptance left open), the client accepts 2/02 through his page,
// and the superseded_version scenario finds 2/01 "Substituída" in the list and its sending
// refused naming 2/02 (and leaving nothing).
TEST_F(Scenarios, ACopiedVersionTheClientAcceptsSupersedesTheOldOneWhichCannotBeSent) {
    using namespace cot::server::client_page;
    ShellRun r = run(sourcePath("scenarios/copy_proposal.scn"));
    ASSERT_EQ(r.exitCode, 0) << r.all().toStdString();
    EXPECT_TRUE(picture("copy_dialog.png"));
    EXPECT_EQ(rows("SELECT DSREFEPROPOSFAS, DTACEPROPFAS FROM PROPOSTAFAS WHERE NRPROPOSFAS = '00000000000000000002' AND "
                   "NRVERPROPFAS = '02'"), "ERP Web e serviços de implantação;NULL");
    EXPECT_EQ(rows(tablesNotCopied()), "");
    const QString token = newToken();
    Sending s{.nr = "00000000000000000002", .ver = "02", .sentAt = QDateTime::currentDateTime(),
              .operatorCode = "VENDEDOR", .to = "ana.souza@beta.demo", .expires = QDate::currentDate().addDays(10)};
    s.contentHash = contentHash(proposalContentHtml(*db(), s.nr, s.ver));
    recordSending(*db(), s, tokenHash(token), cot::testing::smallPdf());
    httplib::Client http("127.0.0.1", server->port());
    const auto page = http.Get(("/cliente/" + token).toStdString());
    ASSERT_TRUE(page);
    const std::string shown = QRegularExpression("name=\"conteudo\" value=\"([0-9a-f]{64})\"")
                                  .match(QString::fromStdString(page->body))
                                  .captured(1)
                                  .toStdString();
    const auto accepted = http.Post(("/cliente/" + token).toStdString(), "acao=aceitar&nome=Ana+Souza&li=sim&conteudo=" + shown,
                                    "application/x-www-form-urlencoded");
    ASSERT_TRUE(accepted);
    ASSERT_EQ(accepted->status, 200) << accepted->body;

    r = run(sourcePath("scenarios/superseded_version.scn"));
    EXPECT_EQ(r.exitCode, 0) << r.all().toStdString();
    EXPECT_EQ(rows("SELECT NRVERPROPFAS FROM ACEITEPROP WHERE NRPROPOSFAS = '00000000000000000002'"), "02");
    EXPECT_EQ(rows("SELECT COUNT(*) FROM ENVIOPROP WHERE " + key(2)), "0") << "the refused sending left nothing";
}

// The README's example to curl, compressed or not: sign in, then read the list with the
// session's token. As the README writes it: JSON, said so (curl -d alone would call it a form).
constexpr const char* kSignIn = R"({"jsonrpc":"2.0","id":1,"method":"AbreSessao","params":["VENDEDOR","vendedor"]})";
constexpr const char* kExample = R"({"jsonrpc":"2.0","id":1,"method":"GetProposta","params":["0001","T"]})";

QByteArray curl(const QStringList& args) {
    QProcess p;
    p.start("curl", QStringList{"-s", "-H", "Content-Type: application/json"} + args);
    p.waitForFinished(30000);
    return p.readAllStandardOutput();
}


TEST_F(Scenarios, TheServerAnswersTheReadmeExampleToCurlWithAndWithoutCompression) {
    if (QStandardPaths::findExecutable("curl").isEmpty()) GTEST_SKIP() << "curl não instalado";
    const QString url = QString("http://127.0.0.1:%1/rpc").arg(server->port());

    const QJsonObject opened = QJsonDocument::fromJson(curl({"-d", kSignIn, url})).object();
    const QString token = opened.value("result").toObject().value("token").toString();
    ASSERT_FALSE(token.isEmpty()) << QJsonDocument(opened).toJson().constData();
    const QString bearer = "Authorization: Bearer " + token;

    const QByteArray compressed = curl({"-H", bearer, "--compressed", "-d", kExample, url});
    const QJsonObject list = QJsonDocument::fromJson(compressed).object().value("result").toObject();
    EXPECT_FALSE(list.value("fields").toArray().isEmpty() || list.value("rows").toArray().isEmpty()) << compressed.left(300).constData();
    EXPECT_EQ(compressed, curl({"-H", bearer, "-d", kExample, url}));
}

}  // namespace
