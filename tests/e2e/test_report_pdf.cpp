// The proposal report written as PDF through the launcher's file dialog, read back with
// poppler's own tools: what a customer receives holds the proposal as the server has it.
#include <gtest/gtest.h>

#include <QFileDialog>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <memory>

#include "dialogs/report/report_launcher.h"
#include "screens/proposal_fixture.h"
#include "screens/report_store.h"
#include "ui/buttons.h"

using namespace cot;
using namespace cot::testing;

namespace {

QString run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(30000) || p.exitCode() != 0) {
        ADD_FAILURE() << program.toStdString() << " failed: " << p.readAllStandardError().toStdString();
        return {};
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

class ReportPdf : public ProposalFixture {
protected:
    void SetUp() override {
        ProposalFixture::SetUp();
        Cli_cot05001::registerReports();
        openScreen();
        ASSERT_TRUE(select(2));
        dlg.reset(createForm<TfrmRelPropostaComercial>(*screen, screen));
        showAndActivate(*dlg);
    }
    void TearDown() override {
        dlg.reset();
        ProposalFixture::TearDown();
    }
    // The launcher's PDF asked for and the file dialog answered with `path` (empty: cancelled).
    void writeThroughTheDialog(const QString& path) {
        runner.expect(
            [path](QWidget& w) {
                auto& files = static_cast<QFileDialog&>(w);
                // The file is named after the proposal before the user types anything.
                EXPECT_TRUE(files.selectedFiles().value(0).endsWith(QStringLiteral("Proposta 2-01.pdf")))
                    << files.selectedFiles().value(0).toStdString();
                if (path.isEmpty()) return files.reject();
                files.selectFile(path);
                static_cast<QDialog&>(files).accept();  // QFileDialog::accept checks the name
            },
            "dlgSalvarPdf");
        clickButton(*dlg->sbtPdf);
        EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join(u'|').toStdString();
    }

    QTemporaryDir dir;
    std::unique_ptr<TfrmRelPropostaComercial> dlg;
};

// Cancelled, the file dialog writes nothing and the launcher stays; then the written PDF
// holds the reference, the client, the totals and the texts.
TEST_F(ReportPdf, TheWrittenPdfHoldsTheReferenceClientTotalsAndTexts) {
    writeThroughTheDialog({});
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
    EXPECT_TRUE(dlg->isVisible());

    const QString pdf = dir.filePath("proposta 2.pdf");
    writeThroughTheDialog(pdf);
    ASSERT_TRUE(QFileInfo(pdf).size() > 0);
    EXPECT_TRUE(run("pdfinfo", {pdf}).contains("(A4)"));

    // The company offers and the salesperson closes; money says R$; every page is counted.
    const QString text = run("pdftotext", {"-enc", "UTF-8", pdf, "-"}).simplified();
    for (const char* expected :
         {"Proposta de Contratação - Manutenção", "ERP Web e serviços de implantação", "Beta Comércio",
          "ERP Web completo", "Escrita Fiscal Web", "10.943,50", "1.360,00", "7.728,00", "18.671,50",
          "Apresentamos nossa proposta de licença de uso com manutenção mensal.",
          "As parcelas da licença vencem nas datas indicadas", "22.333.444/0001-72", "Gerente Comercial",
          "Usuários", "Qtde.", "Demonstração Sistemas Ltda.", "CNPJ 11.111.111/0001-91",
          "Av. Paulista, 1000, São Paulo - SP", "(11) 3000-1000", "www.demo.local", "Proposta 2/01", "R$ 18.671,50",
          "Parcela Vencimento Valor", "Fale com o vendedor", "gerente@demo.local", "(11) 98000-1002", "Página 1 de",
          "As parcelas somam R$ 9.642,50, acima do valor cotado de R$ 9.500,00: a diferença de R$ 142,50 são os "
          "juros do parcelamento."})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected << "\n" << text.toStdString();
    EXPECT_FALSE(text.contains(QRegularExpression(QStringLiteral("\\d\\) \\d\\d/\\d\\d/\\d{4}:"))))
        << "installments run into one line";
    // The texts come in their order, before the prices.
    EXPECT_LT(text.indexOf("Apresentamos nossa proposta"), text.indexOf("ERP Web completo"));

    // Printed at the size it was laid out: the 15 pt title is about 15 pt high on the page
    // (a layout taken in the writer's own pixels came out at a third of that).
    const QString boxes = run("pdftotext", {"-bbox", pdf, "-"});
    const QRegularExpression word(QStringLiteral("yMin=\"([0-9.]+)\" xMax=\"[0-9.]+\" yMax=\"([0-9.]+)\">Proposta<"));
    const QRegularExpressionMatch title = word.match(boxes);
    ASSERT_TRUE(title.hasMatch()) << boxes.left(2000).toStdString();
    const double height = title.captured(2).toDouble() - title.captured(1).toDouble();
    EXPECT_GT(height, 12.0);
    EXPECT_LT(height, 25.0);
    // The logo is drawn in the letterhead.
    EXPECT_EQ(run("pdfimages", {"-list", pdf}).count(QRegularExpression(QStringLiteral(" image +96 +96 "))), 1);
}

}  // namespace
