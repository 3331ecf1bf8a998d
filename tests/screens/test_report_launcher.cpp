// The proposal report launcher: the report chosen by contract type and language, the
// parameters a report declares, the proposal report's layout, and the print button of the
// proposal screen.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <memory>

#include "dialogs/mode/mode_window.h"
#include "dialogs/report/proposal_report_data.h"
#include "dialogs/report/proposal_report_html.h"
#include "dialogs/report/report_launcher.h"
#include "screens/proposal_fixture.h"
#include "screens/report_store.h"
#include "support/call_recorder.h"
#include "ui/buttons.h"
#include "ui/containers.h"

using namespace cot;
using namespace cot::testing;

namespace {

class ReportLauncher : public ProposalFixture {
protected:
    void SetUp() override {
        ProposalFixture::SetUp();
        ReportStore::instance().clear();
        Cli_cot05001::registerReports();
    }
    void TearDown() override {
        dlg.reset();
        ReportStore::instance().clear();
        Cli_cot05001::registerReports();
        ProposalFixture::TearDown();
    }
    void open(int proposal) {
        if (!screen) openScreen();
        ASSERT_TRUE(select(proposal));
        dlg.reset(createForm<TfrmRelPropostaComercial>(*screen, screen));
        showAndActivate(*dlg);
    }
    QString chosen() const { return dlg->cbbReportNames->currentIndex() < 0 ? QString() : dlg->cbbReportNames->currentText(); }
    void setLanguage(int proposal, const char* language) {
        testServer().db().exec(QStringLiteral("UPDATE PROPOSTAFAS SET IDIDIOMA = :L WHERE NRPROPOSFAS = :N"),
                               {{"L", QString::fromLatin1(language)}, {"N", number(proposal)}});
    }

    std::unique_ptr<TfrmRelPropostaComercial> dlg;
};

TEST_F(ReportLauncher, TheReportFollowsTheContractAndLanguageAndShowsTheProposalAsTheServerHoldsIt) {
    setLanguage(3, "ESP");
    open(3);
    EXPECT_EQ(dlg->windowTitle(), "Relatório da Proposta Comercial");
    EXPECT_EQ(dlg->reportTitles().size(), 6);
    EXPECT_EQ(chosen(), "Propuesta de Contratación - Arrendamiento");
    EXPECT_FALSE(dlg->cbbReportNames->isEnabled());

    dlg.reset();
    open(2);
    EXPECT_EQ(chosen(), "Proposta de Contratação - Manutenção");
    dlg.reset();
    open(5);
    EXPECT_EQ(chosen(), "Proposta de Contratação de Serviços");
    EXPECT_EQ(dlg->reportTitle("S", "ESP"), "Propuesta de Contratacíon de Servicios");
    EXPECT_EQ(dlg->reportTitle("M", "ESP"), "Propuesta de Contratación - Manutención");
    EXPECT_EQ(dlg->reportTitle("L", "POR"), "Proposta de Contratação - Locação");
    EXPECT_EQ(dlg->reportTitle("X", "POR"), "") << "another contract type selects nothing";

    // The proposal report shows the proposal as the server holds it.
    open(2);
    const QString html = dlg->rpddPadrao.html(*dlg->currentReport());
    for (const char* expected :
         {"Proposta de Contratação - Manutenção", "ERP Web e serviços de implantação", "Beta Comércio",
          "2001 - ERP Web completo", "Escrita Fiscal Web", "1.301,00", "1.360,00",
          "7.728,00", "Apresentamos nossa proposta de licença de uso com manutenção mensal.",
          "Colocar o ERP em produção em 60 dias.", "22.333.444/0001-72", "Gerente Comercial"})
        EXPECT_TRUE(html.contains(QString::fromUtf8(expected))) << expected;
    EXPECT_FALSE(html.contains("00000000000000000002")) << "the number without its filling zeros";
    EXPECT_FALSE(html.contains("Vendedor Demonstração")) << "the responsible one, not who included it";
    // The licence totals are the installments charged: 9.500,00 in four with 1,5 % interest.
    for (const char* charged : {"9.642,50", "10.943,50", "18.671,50"})
        EXPECT_TRUE(html.contains(QString::fromUtf8(charged))) << charged;
    for (const char* quoted : {"10.801,00", "18.529,00"}) EXPECT_FALSE(html.contains(QString::fromUtf8(quoted))) << quoted;

    // A rental proposal in Spanish: rental total, no licence of use.
    setLanguage(3, "ESP");
    dlg.reset();
    open(3);
    const QString rental = dlg->rpddPadrao.html(*dlg->currentReport());
    EXPECT_TRUE(rental.contains("Total mensual de arrendamiento"));
    EXPECT_FALSE(rental.contains("Total de la licencia de uso"));
    EXPECT_TRUE(rental.contains("1.600,00")) << "(210 - 10) × 8";
}

TEST_F(ReportLauncher, AListLackingTheTitleSelectsNothingAndAReportReceivesOnlyTheParametersItDeclares) {
    ReportStore::instance().clear();
    ReportStore::instance().registerReport({"COT050", "Outro relatório", {}, "<p>outro</p>", {}});
    ReportStore::instance().registerReport({"COT050", "Propuesta de Contratación - Manutención", {}, "<p>x</p>", {}});
    open(2);
    EXPECT_EQ(dlg->reportTitles().size(), 2);
    EXPECT_EQ(dlg->cbbReportNames->currentIndex(), -1);
    EXPECT_EQ(dlg->RecebeIndex("Proposta de Contratação - Manutenção"), -1);
    EXPECT_EQ(dlg->RecebeIndex("Outro relatório"), 0);
    clickButton(*dlg->sbtPdf);
    EXPECT_EQ(dialogs.errors(), QStringList{"Relatório deve ser selecionado."});
    EXPECT_TRUE(runner.shown().isEmpty()) << "no file is asked for";

    // A report receives only the parameters it declares.
    ReportStore::instance().clear();
    ReportStore::instance().registerReport({"COT050", "Proposta de Contratação - Manutenção",
                                            {"P_NRPROPOSFAS"}, "<p>{{P_NRPROPOSFAS}}|{{P_CDFILIAL}}</p>", {}});
    open(2);
    const ReportDefinition* report = dlg->currentReport();
    ASSERT_NE(report, nullptr);
    const ReportParams params = dlg->rpddPadrao.queryParams(*report);
    ASSERT_EQ(params.size(), 1);
    EXPECT_EQ(params[0].name + u'=' + params[0].value, "P_NRPROPOSFAS=" + number(2));
    const QString html = dlg->rpddPadrao.html(*report);
    EXPECT_TRUE(html.contains(number(2) + "|{{P_CDFILIAL}}")) << "a layout of the store is filled, not replaced";

    // The module's own reports declare all three, in order.
    Cli_cot05001::registerReports();
    dlg.reset();
    open(2);
    const ReportParams all = dlg->rpddPadrao.queryParams(*dlg->currentReport());
    ASSERT_EQ(all.size(), 3);
    EXPECT_EQ(QStringList({all[0].value, all[1].value, all[2].value}), QStringList({"0001", number(2), "01"}));
}

TEST(ProposalReportText, AStoredRichTextKeepsItsFormattingInsideTheReport) {
    EXPECT_EQ(storedTextBody("<p>Simples</p>"), "<p>Simples</p>");
    const QString whole = "<!DOCTYPE HTML><html><head><style>p{}</style></head><body style=\"font-size:9pt\">"
                          "<p><span style=\" font-weight:700;\">Negrito</span> e normal</p></body></html>";
    const QString body = storedTextBody(whole);
    EXPECT_TRUE(body.startsWith("<p><span style=\" font-weight:700;\">Negrito"));
    EXPECT_FALSE(body.contains("<html")) << "no document inside the report's document";
    EXPECT_EQ(storedTextBody("a < b\nlinha 2"), "<p>a &lt; b<br/>linha 2</p>");
    EXPECT_EQ(storedTextBody("  "), "");
}

TEST_F(ReportLauncher, PrintBringsTheTextsUpToDateFirstAndTheProcessingModePictureIsBuiltOnce) {
    openScreen();
    ASSERT_TRUE(select(4));  // no texts yet
    CallRecorder calls(screen->net());
    calls.setOnCall([](const QString& m, const QVariantList& a) {
        if (m == QLatin1String("AlteraTexto")) {
            EXPECT_EQ(a.value(0).toString(), number(4));
            EXPECT_EQ(a.value(1).toString(), "01");
        }
    });
    QStringList before;
    QString shown;
    runner.expect(
        [&](QWidget& w) {
            before = calls.methods();
            shown = static_cast<TfrmRelPropostaComercial&>(w).cbbReportNames->currentText();
        },
        "frmRelPropostaComercial");
    ASSERT_TRUE(screen->sbtImprimir->isEnabled());
    clickButton(*screen->sbtImprimir);
    EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join(u'|').toStdString();
    EXPECT_TRUE(before.contains("AlteraTexto"));
    EXPECT_EQ(shown, "Proposta de Contratação - Manutenção");
    EXPECT_GT(testServer().db().scalar("SELECT COUNT(*) FROM TXTPROPFAS WHERE NRPROPOSFAS = :N", {{"N", number(4)}}).toInt(),
              0);
    EXPECT_EQ(screen->findChild<TfrmRelPropostaComercial*>(), nullptr) << "built anew on each call";

    // A refusal of the server stops before the launcher.
    testServer().db().exec(QStringLiteral("DELETE FROM TXTPROPFAS"));
    testServer().db().exec(QStringLiteral("UPDATE PROPOSTAFAS SET NRVERPROPFAS = '09' WHERE NRPROPOSFAS = :N"),
                           {{"N", number(4)}});
    clickButton(*screen->sbtImprimir);
    EXPECT_EQ(dialogs.errors().size(), 1);
    EXPECT_EQ(runner.shown().size(), 1) << "the launcher is not opened";

    // The processing mode picture is built once and shows the whole picture.
    runner.expect([](QWidget& w) { EXPECT_EQ(w.size(), QSize(949, 612)); }, "frmModoProc");
    ASSERT_TRUE(menu(screen->menus().MododeProcessamento1));
    QPointer<TfrmModoProc> first = screen->findChild<TfrmModoProc*>();
    ASSERT_FALSE(first.isNull());
    EXPECT_EQ(first->windowTitle(), "Modo de Processamento");
    const QPixmap picture = first->imgModoProc->pixmap();
    EXPECT_EQ(picture.size(), QSize(936, 674));
    EXPECT_EQ(first->imgModoProc->size(), QSize(936, 674)) << "scrolled to, not cut off";

    runner.expectAccept("frmModoProc");
    clickButton(*screen->menus().sbtModoProc);
    EXPECT_EQ(screen->findChild<TfrmModoProc*>(), first) << "the same window again";
    Cli_cot05000::releaseAll();
    EXPECT_TRUE(first.isNull()) << "freed with the screen";
}

}  // namespace
