// The proposal report launcher: the report chosen by contract type and language, the
// parameters a report declares, the proposal report's layout and totals, and the print
// button of the proposal screen. The proposal's rich texts inside the report: their
// formatting is printed, nothing they point at is fetched (local files, addresses, style
// sheets) and nothing runs.
#include <gtest/gtest.h>

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QComboBox>
#include <QLabel>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QUrl>
#include <memory>

#include "data/safe_html.h"
#include "dialogs/mode/mode_window.h"
#include "dialogs/report/proposal_report_data.h"
#include "dialogs/report/proposal_report_html.h"
#include "dialogs/report/report_launcher.h"
#include "screens/proposal_fixture.h"
#include "screens/report_store.h"
#include "services/messages.h"
#include "support/call_recorder.h"
#include "ui/buttons.h"

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
    // Another contract type selects nothing.
    EXPECT_EQ(QStringList({dlg->reportTitle("S", "ESP"), dlg->reportTitle("M", "ESP"), dlg->reportTitle("L", "POR"),
                           dlg->reportTitle("X", "POR")}),
              QStringList({"Propuesta de Contratacíon de Servicios", "Propuesta de Contratación - Manutención",
                           "Proposta de Contratação - Locação", ""}));

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
    EXPECT_EQ(QList<int>({dlg->cbbReportNames->currentIndex(), dlg->RecebeIndex("Proposta de Contratação - Manutenção"),
                          dlg->RecebeIndex("Outro relatório")}),
              QList<int>({-1, -1, 0}));
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

namespace {

// What the rich editor stores, with what a pasted or crafted text may add to it.
const QString kHostile = QStringLiteral(
    "<!DOCTYPE HTML><html><head><meta name=\"qrichtext\" content=\"1\" />"
    "<link rel=\"stylesheet\" href=\"http://fora.example/estilo.css\">"
    "<style>@import url(file:///etc/passwd); p { background: url(http://fora.example/p.png) }</style></head>"
    "<body style=\"background-image:url(file:///etc/shadow)\" background=\"file:///etc/hosts\">\n"
    "<p style=\" margin-top:0px; -qt-block-indent:0;\"><span style=\" font-weight:700;\">Negrito</span> e "
    "<i>itálico</i>.<img src=\"file:///etc/passwd\" width=\"10\"><img src=\"http://fora.example/rastreio.gif\"></p>"
    "<ul style=\"margin-top: 0px; -qt-list-indent: 1;\"><li>Primeiro</li><li onclick=\"alert(1)\">Segundo</li></ul>"
    "<p>Veja <a href=\"http://fora.example/x\"><u>o contrato</u></a> &amp; anexos&nbsp;&eacute;.</p>"
    "<script>document.write('<b>injetado</b>')</script>"
    "<p style=\"color:#102030; background:url(http://fora.example/fundo.png)\">Colorido</p>"
    "<table background=\"file:///etc/passwd\" border=\"1\"><tr><td bgcolor=\"#eeeeee\" "
    "style=\"background-image: url('x.png')\">Célula</td></tr></table>"
    "<iframe src=\"http://fora.example/\">quadro</iframe><object data=\"file:///bin/sh\">objeto</object>"
    "<form action=\"http://fora.example/\"><input name=\"x\"><button>Enviar</button>Formulário</form>"
    "<svg><image href=\"file:///etc/passwd\" /></svg><!-- <img src=\"file:///comentario\"> -->"
    "</body></html>");

// A document that notes every resource the renderer asks for and gives none.
class RecordingDocument : public QTextDocument {
public:
    QStringList asked;

protected:
    QVariant loadResource(int, const QUrl& name) override {
        asked << name.toString();
        return {};
    }
};

// Laid out and printed as the launcher does, so images and backgrounds are asked for.
QStringList resourcesAskedFor(const QString& html) {
    cot::testing::ensureApplication();
    RecordingDocument document;
    document.setHtml(html);
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    QPdfWriter writer(&pdf);
    document.setPageSize(writer.pageLayout().paintRectPixels(96).size());
    document.print(&writer);
    return document.asked;
}

}  // namespace

TEST(ReportRichText, AHostileTextKeepsItsFormattingAndLosesEverythingElse) {
    // A plain text is put in a paragraph, its lines kept; a blank one is nothing.
    EXPECT_EQ(storedTextBody("a < b\nlinha 2"), "<p>a &lt; b<br/>linha 2</p>");
    EXPECT_EQ(storedTextBody("  "), "");
    const QString body = storedTextBody(kHostile);
    for (const char* kept :
         {"<p style=\" margin-top:0px; -qt-block-indent:0;\"><span style=\" font-weight:700;\">Negrito</span> e <i>itálico</i>.</p>",
          "<ul style=\"margin-top: 0px; -qt-list-indent: 1;\"><li>Primeiro</li><li>Segundo</li></ul>",
          "<p>Veja <u>o contrato</u> &amp; anexos&nbsp;&eacute;.</p>", "<p style=\"color:#102030\">Colorido</p>",
          "<table border=\"1\"><tr><td bgcolor=\"#eeeeee\">Célula</td></tr></table>", "Formulário"})
        EXPECT_TRUE(body.contains(QString::fromUtf8(kept))) << kept << "\n" << body.toStdString();
    for (const char* gone : {"<img", "src=", "href", "file:", "http:", "url(", "<script", "injetado", "<link", "<style",
                             "@import", "background", "onclick", "<iframe", "quadro", "<object", "objeto", "<form",
                             "<input", "Enviar", "<svg", "<a ", "<html", "<head", "<body", "<meta", "comentario"})
        EXPECT_FALSE(body.contains(QString::fromUtf8(gone), Qt::CaseInsensitive)) << gone << "\n" << body.toStdString();
}

TEST(ReportRichText, TheWholeReportIsPrintedWithoutFetchingAnything) {
    // The detector itself: the raw text makes the renderer reach for files and addresses.
    EXPECT_FALSE(resourcesAskedFor(kHostile).isEmpty());

    ProposalDocument data;
    data.number = QStringLiteral("00000000000000000007");
    data.version = QStringLiteral("01");
    data.texts = {{QStringLiteral("01"), kHostile}, {QStringLiteral("02"), QStringLiteral("<img src=\"/etc/passwd\">")}};
    data.services = {{QStringLiteral("Implantação"), QStringLiteral("Cliente"), QStringLiteral("H"), 10, 100, 0, 100}};
    data.serviceObjective = QStringLiteral("<p>Objetivo <b>claro</b><img src=\"file:///etc/passwd\"></p>");
    const QString html = proposalReportHtml(data, QStringLiteral("Proposta Comercial"), TMessages());
    EXPECT_EQ(resourcesAskedFor(html), QStringList());

    QTextDocument printed;
    printed.setHtml(html);
    const QString text = printed.toPlainText();
    for (const char* shown : {"Negrito", "itálico", "Segundo", "o contrato", "Célula", "Objetivo claro"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(shown))) << shown;
    EXPECT_FALSE(text.contains(QStringLiteral("injetado")));
}

TEST(ReportRichText, MarkupCannotCloseOrSwallowTheReportAndIsRewrittenNotPassedThrough) {
    // Left open: closed at the end of the text, innermost first.
    EXPECT_EQ(safeHtml("<b>sem fim <table><tr><td>x"), "<b>sem fim <table><tr><td>x</td></tr></table></b>");
    // Closing what the text never opened (the report's own elements) is dropped.
    EXPECT_EQ(safeHtml("</td></table></div></body></html><p>a</p>"), "<p>a</p>");
    // Items, cells and paragraphs end the previous one as HTML has them do.
    EXPECT_EQ(safeHtml("<ul><li>um<li>dois</ul>depois"), "<ul><li>um</li><li>dois</li></ul>depois");
    EXPECT_EQ(safeHtml("<table><tr><td>a<td>b<tr><td>c</table>"),
              "<table><tr><td>a</td><td>b</td></tr><tr><td>c</td></tr></table>");
    EXPECT_EQ(safeHtml("<p>um<p>dois<ul><li><p>três</ul>"), "<p>um</p><p>dois<ul><li><p>três</p></li></ul></p>");
    // Dropped elements left open take the rest of the text with them, never the report.
    EXPECT_EQ(safeHtml("antes<script>alert(1)"), "antes");
    EXPECT_EQ(safeHtml("antes<object><object></object>ainda dentro</object>depois"), "antesdepois");
    EXPECT_EQ(safeHtml("a<!-- sem fim <img src=x>"), "a");

    // Text and attributes are rewritten, not passed through.
    EXPECT_EQ(safeHtml("a < b && c > d &amp; &#233; &bogus"), "a &lt; b &amp;&amp; c &gt; d &amp; &#233; &amp;bogus");
    EXPECT_EQ(safeHtml("<p <img src=x>>"), "<p>&gt;</p>");
    // References inside a style are read before it is judged.
    EXPECT_EQ(safeHtml("<p style=\"background:ur&#108;(file:///etc/passwd)\">x</p>"), "<p>x</p>");
    EXPECT_EQ(safeHtml("<p style='color:red; background-image:none'>x</p>"), "<p style=\"color:red\">x</p>");
    EXPECT_EQ(safeHtml("<p style=\"b\\61 ckground:u\\72l(x)\">x</p>"), "<p>x</p>");
    EXPECT_EQ(safeHtml("<font face=\"Times &quot;New&quot;\" color=red size=4>x</font>"),
              "<font face=\"Times &quot;New&quot;\" color=\"red\" size=\"4\">x</font>");
    EXPECT_EQ(safeHtml("<P ALIGN=center OnMouseOver=x>x<BR/>y<br>z</P>"), "<p align=\"center\">x<br />y<br />z</p>");
    // A reference the stored texts' reader does not know stays as written (escaped), and a
    // style that still holds one is not trusted.
    EXPECT_EQ(safeHtml("<font face=\"Caf&eacute; &bogus;\">x</font>"), "<font face=\"Café &amp;bogus;\">x</font>");
    EXPECT_EQ(safeHtml("<p style=\"background:ur&#108(x);color:red\">x</p>"), "<p style=\"color:red\">x</p>");
}

namespace {

ProposalDocument licenceProposal() {
    ProposalDocument d;
    d.number = QStringLiteral("00000000000000000009");
    d.version = QStringLiteral("01");
    d.contract = QStringLiteral("M");
    d.serviceCharging = QStringLiteral("P");
    d.packageValue = 5400;
    ProposalDocument::Line line{.code = "2001", .name = "ERP Web completo com módulos fiscais", .type = "M", .users = 120,
                                .quantity = 10, .licence = 10000, .licenceDiscount = 500, .monthly = 1360,
                                .monthlyDiscount = 60};
    for (const char* system : {"Escrita Fiscal Web", "Folha de Pagamento Web", "Contabilidade Web", "Estoque Web"})
        line.systems << QStringLiteral("WEB - ") + QString::fromUtf8(system);
    // 95.000,00 in four installments with 1,5 % interest.
    for (int i = 0; i < 4; ++i) line.schedule << ProposalDocument::Installment{QDate(2027, i + 1, 10), 24106.25};
    d.lines << line;
    d.services = {{QStringLiteral("Implantação"), QStringLiteral("Cliente"), QStringLiteral("P"), 50, 100, 0, 100}};
    d.serviceSchedule = {{QDate(2027, 1, 10), 1827}, {QDate(2027, 2, 10), 1827}, {QDate(2027, 3, 10), 1827}};
    return d;
}

}  // namespace

TEST(ProposalReportTotals, TheTotalsAreTheInstallmentsCharged) {
    TMessages labels;
    labels.loadFromFile(QStringLiteral(":/cot05001/cot05001_messages.txt"));
    // The figures as the server works them out (GetTotaisProposta): the installments charged.
    ProposalDocument charged = licenceProposal();
    charged.totals = {96425, 0, 5481, 101906};
    const QString html = proposalReportHtml(charged, QStringLiteral("Proposta"), labels);
    QTextDocument document;
    document.setHtml(html);
    const QString text = document.toPlainText();
    // Licence 96.425,00 (not the quoted 95.000,00), services 5.481,00 (not 5.400,00).
    for (const char* shown : {"96.425,00", "5.481,00", "101.906,00"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(shown))) << shown << "\n" << text.toStdString();
    // The quoted figures only where the interest over them is explained.
    QString rest = text;
    rest.remove(QRegularExpression(QStringLiteral("As parcelas somam [^\n]*juros do parcelamento\\.")));
    for (const char* quoted : {"95.000,00", "5.400,00", "100.400,00"})
        EXPECT_FALSE(rest.contains(QString::fromUtf8(quoted))) << quoted;
    EXPECT_TRUE(text.contains(QString::fromUtf8("As parcelas somam R$ 96.425,00, acima do valor cotado de R$ 95.000,00: "
                                                "a diferença de R$ 1.425,00 são os juros do parcelamento.")));

    // No schedule yet: the quoted figures stand.
    ProposalDocument draft = licenceProposal();
    draft.lines[0].schedule.clear();
    draft.serviceSchedule.clear();
    draft.totals = {95000, 0, 5400, 100400};
    QTextDocument quoted;
    quoted.setHtml(proposalReportHtml(draft, QStringLiteral("Proposta"), labels));
    for (const char* shown : {"95.000,00", "5.400,00", "100.400,00"})
        EXPECT_TRUE(quoted.toPlainText().contains(QString::fromUtf8(shown))) << shown;
}

TEST(ProposalReportTotals, NoWordIsBrokenInsideATableCellOnTheA4Page) {
    cot::testing::ensureApplication();
    TMessages labels;
    labels.loadFromFile(QStringLiteral(":/cot05001/cot05001_messages.txt"));
    for (const char* language : {"POR", "ESP"}) {
        ProposalDocument d = licenceProposal();
        d.language = QString::fromLatin1(language);
        QTextDocument document;
        document.setHtml(proposalReportHtml(d, QStringLiteral("Proposta"), labels));
        QBuffer pdf;
        pdf.open(QIODevice::WriteOnly);
        QPdfWriter writer(&pdf);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
        document.setPageSize(writer.pageLayout().paintRectPixels(96).size());
        // Laid out within the page: the headings kept whole do not push the table past it.
        EXPECT_LE(document.documentLayout()->documentSize().width(), document.pageSize().width() + 1) << language;
        int lines = 0;
        for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
            const QTextLayout* layout = block.layout();
            if (!layout) continue;
            const QString t = block.text();
            for (int i = 1; i < layout->lineCount(); ++i) {
                ++lines;
                const int start = layout->lineAt(i).textStart();
                const QChar before = start > 0 ? t.at(start - 1) : QChar(u' ');
                EXPECT_TRUE(before.isSpace() || before == u'-' || before == u'/')
                    << language << ": \"" << t.toStdString() << "\" broken at " << start;
            }
        }
        EXPECT_GT(lines, 0) << "the detail rows do wrap, between words";
    }
}
