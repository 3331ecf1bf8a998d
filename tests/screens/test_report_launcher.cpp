// The proposal report launcher: the report chosen by contract type and language, the
// parameters a report declares, the proposal report's layout and totals, and the print
// button of the proposal screen. The proposal's rich texts inside the report: their
// formatting is printed, nothing they point at is fetched (local files, addresses, style
// sheets) and nothing runs.
#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QComboBox>
#include <QFile>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextDocument>
#include <QTemporaryDir>
#include <QTextLayout>

#include "data/safe_html.h"
#include "dialogs/mode/mode_window.h"
#include "dialogs/report/proposal_report_data.h"
#include "dialogs/report/proposal_report_html.h"
#include "dialogs/report/report_launcher.h"
#include "screens/proposal_fixture.h"
#include "screens/report_store.h"
#include "screens/screen_cases_d.h"
#include "server/server_cases_a.h"
#include "services/messages.h"
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
        dlg.reset();
        if (!screen) openScreen();
        ASSERT_TRUE(select(proposal));
        dlg.reset(createForm<TfrmRelPropostaComercial>(*screen, screen));
        showAndActivate(*dlg);
    }
    QString chosen() const { return dlg->cbbReportNames->currentIndex() < 0 ? QString() : dlg->cbbReportNames->currentText(); }

    std::unique_ptr<TfrmRelPropostaComercial> dlg;
};

TEST_F(ReportLauncher, TheReportFollowsTheContractAndLanguageAndShowsTheProposalAsTheServerHoldsIt) {
    // A rental proposal in Spanish: rental total, no licence of use.
    testServer().db().exec("UPDATE PROPOSTAFAS SET IDIDIOMA = 'ESP' WHERE NRPROPOSFAS = :N", {{"N", number(3)}});
    open(3);
    EXPECT_EQ(QStringList({dlg->windowTitle(), QString::number(dlg->reportTitles().size()), chosen()}),
              QStringList({"Relatório da Proposta Comercial", "6", "Propuesta de Contratación - Arrendamiento"}));
    EXPECT_FALSE(dlg->cbbReportNames->isEnabled());
    const QString rental = dlg->rpddPadrao.html(*dlg->currentReport());
    EXPECT_EQ(missingFrom(rental, {"Total mensual de arrendamiento", "1.600,00"}), QStringList()) << "(210 - 10) × 8";
    EXPECT_FALSE(rental.contains("Total de la licencia de uso"));
    open(5);
    EXPECT_EQ(chosen(), "Proposta de Contratação de Serviços");
    // Another contract type selects nothing.
    EXPECT_EQ(QStringList({dlg->reportTitle("S", "ESP"), dlg->reportTitle("M", "ESP"), dlg->reportTitle("L", "POR"),
                           dlg->reportTitle("X", "POR")}),
              QStringList({"Propuesta de Contratacíon de Servicios", "Propuesta de Contratación - Manutención",
                           "Proposta de Contratação - Locação", ""}));

    // The proposal report shows the proposal as the server holds it. The licence totals are
    // the installments charged: 9.500,00 in four with 1,5 % interest.
    open(2);
    EXPECT_EQ(chosen(), "Proposta de Contratação - Manutenção");
    const QString html = dlg->rpddPadrao.html(*dlg->currentReport());
    // (the printed report's other words: the print scenario)
    EXPECT_EQ(missingFrom(html, {"2001 - ERP Web completo", "1.301,00", "Colocar o ERP em produção em 60 dias.",
                                 "9.642,50", "10.943,50", "18.671,50"}), QStringList());
    // Not the number with its filling zeros, not who included it (the responsible one is
    // shown), not the quoted totals.
    EXPECT_EQ(missingFrom(html, {"00000000000000000002", "Vendedor Demonstração", "10.801,00", "18.529,00"}, true),
              QStringList());
}

TEST_F(ReportLauncher, AListOfTheCodeLackingTheTitleSelectsNothingAndAReportReceivesOnlyTheParametersItDeclares) {
    ReportStore::instance().clear();
    ReportStore::instance().registerReport({"COT050", "Outro relatório", {}, "<p>outro</p>", {}});
    ReportStore::instance().registerReport({"COT050", "Propuesta de Contratación - Manutención", {}, "<p>x</p>", {}});
    ReportStore::instance().registerReport({"OUTRO", "Proposta de Contratação - Manutenção", {}, "<p>y</p>", {}});
    open(2);
    EXPECT_EQ(QList<int>({int(dlg->reportTitles().size()), dlg->cbbReportNames->currentIndex(),
                          dlg->RecebeIndex("Proposta de Contratação - Manutenção"), dlg->RecebeIndex("Outro relatório")}),
              QList<int>({2, -1, -1, 0}));
    clickButton(*dlg->sbtPdf);
    EXPECT_EQ(dialogs.errors(), QStringList{"Relatório deve ser selecionado."});
    EXPECT_TRUE(runner.shown().isEmpty()) << "no file is asked for";

    // A report receives only the parameters it declares.
    ReportStore::instance().clear();
    ReportStore::instance().registerReport({"COT050", "Proposta de Contratação - Manutenção",
                                            {"P_NRPROPOSFAS"}, "<p>{{P_NRPROPOSFAS}}|{{P_CDFILIAL}}</p>", {}});
    open(2);
    ASSERT_NE(dlg->currentReport(), nullptr);
    const ReportParams params = dlg->rpddPadrao.queryParams(*dlg->currentReport());
    ASSERT_EQ(params.size(), 1);
    EXPECT_EQ(params[0].name + u'=' + params[0].value, "P_NRPROPOSFAS=" + number(2));
    EXPECT_TRUE(dlg->rpddPadrao.html(*dlg->currentReport()).contains(number(2) + "|{{P_CDFILIAL}}"))
        << "a layout of the store is filled, not replaced";
    // Values are escaped into a layout, which leaves a parameter the report does not declare alone.
    EXPECT_EQ(TReportDialog::fillTemplate("<h1>{{P_NRPROPOSFAS}}</h1>{{P_CDFILIAL}}", {{"P_NRPROPOSFAS", "<12>"}}),
              "<h1>&lt;12&gt;</h1>{{P_CDFILIAL}}");
    // The PDF is written where asked; a folder that does not exist is refused.
    QTemporaryDir dir;
    dlg->rpddPadrao.writePdf(*dlg->currentReport(), dir.filePath("proposta.pdf"));
    QFile file(dir.filePath("proposta.pdf"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly) && file.read(5).startsWith("%PDF"));
    EXPECT_THROW(dlg->rpddPadrao.writePdf(*dlg->currentReport(), dir.filePath("nao/existe/x.pdf")), UserError);

    // The module's own reports declare all three, in order.
    Cli_cot05001::registerReports();
    open(2);
    QStringList given;
    for (const ReportParam& p : dlg->rpddPadrao.queryParams(*dlg->currentReport())) given << p.value;
    EXPECT_EQ(given, QStringList({"0001", number(2), "01"}));
}

TEST_F(ReportLauncher, PrintBringsTheTextsUpToDateFirstAndTheProcessingModePictureIsBuiltOnce) {
    openScreen();
    ASSERT_TRUE(select(4));  // no texts yet
    CallRecorder calls(screen->net());
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
    const QStringList numbers = sentArgs(calls, "AlteraTexto", 0), versions = sentArgs(calls, "AlteraTexto", 1);
    EXPECT_EQ(numbers + versions, QStringList(numbers.size(), number(4)) + QStringList(numbers.size(), "01"));
    EXPECT_EQ(shown, "Proposta de Contratação - Manutenção");
    EXPECT_GT(testServer().db().scalar("SELECT COUNT(*) FROM TXTPROPFAS WHERE NRPROPOSFAS = :N", {{"N", number(4)}}).toInt(),
              0);
    EXPECT_EQ(screen->findChild<TfrmRelPropostaComercial*>(), nullptr) << "built anew on each call";

    // A refusal of the server stops before the launcher.
    testServer().db().exec(QStringLiteral("DELETE FROM TXTPROPFAS"));
    testServer().db().exec(QStringLiteral("UPDATE PROPOSTAFAS SET NRVERPROPFAS = '09' WHERE NRPROPOSFAS = :N"),
                           {{"N", number(4)}});
    clickButton(*screen->sbtImprimir);
    EXPECT_TRUE(dialogs.errors().size() == 1 && runner.shown().size() == 1) << "the launcher is not opened";

    // The processing mode picture is built once and shows the whole picture.
    runner.expect([](QWidget& w) { EXPECT_EQ(w.size(), QSize(949, 612)); }, "frmModoProc");
    ASSERT_TRUE(menu(screen->menus().MododeProcessamento1));
    QPointer<TfrmModoProc> first = screen->findChild<TfrmModoProc*>();
    ASSERT_FALSE(first.isNull());
    EXPECT_EQ(first->windowTitle(), "Modo de Processamento");
    // The whole picture, scrolled to, not cut off.
    EXPECT_EQ(QList<QSize>({first->imgModoProc->pixmap().size(), first->imgModoProc->size()}), QList<QSize>(2, QSize(936, 674)));

    runner.expectAccept("frmModoProc");
    clickButton(*screen->menus().sbtModoProc);
    EXPECT_EQ(screen->findChild<TfrmModoProc*>(), first) << "the same window again";
    Cli_cot05000::releaseAll();
    EXPECT_TRUE(first.isNull()) << "freed with the screen";
}

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

// Laid out on an A4 page with margins of 15 mm and printed there, as the launcher does.
void printOnA4(QTextDocument& document) {
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    QPdfWriter writer(&pdf);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    document.setPageSize(writer.pageLayout().paintRectPixels(96).size());
    document.print(&writer);
}

// Printed, so that images and backgrounds are asked for.
QStringList resourcesAskedFor(const QString& html) {
    cot::testing::ensureApplication();
    RecordingDocument document;
    document.setHtml(html);
    printOnA4(document);
    return document.asked;
}

TEST(ReportRichText, AHostileTextKeepsItsFormattingAndLosesEverythingElse) {
    // A plain text is put in a paragraph, its lines kept; a blank one is nothing.
    EXPECT_EQ(storedTextBody("a < b\nlinha 2"), "<p>a &lt; b<br/>linha 2</p>");
    EXPECT_EQ(storedTextBody("  "), "");
    const QString body = storedTextBody(kHostile);
    EXPECT_EQ(missingFrom(body, {"<p style=\" margin-top:0px; -qt-block-indent:0;\"><span style=\" font-weight:700;\">"
                                 "Negrito</span> e <i>itálico</i>.</p>",
                                 "<ul style=\"margin-top: 0px; -qt-list-indent: 1;\"><li>Primeiro</li><li>Segundo</li></ul>",
                                 "<p>Veja <u>o contrato</u> &amp; anexos&nbsp;&eacute;.</p>", "<p style=\"color:#102030\">Colorido</p>",
                                 "<table border=\"1\"><tr><td bgcolor=\"#eeeeee\">Célula</td></tr></table>", "Formulário"}),
              QStringList()) << body.toStdString();
    // Compared in lower case: no spelling of a tag or attribute is left.
    EXPECT_EQ(missingFrom(body.toLower(), {"<img", "src=", "href", "file:", "http:", "url(", "<script", "injetado", "<link",
                                           "<style", "@import", "background", "onclick", "<iframe", "quadro", "<object",
                                           "objeto", "<form", "<input", "enviar", "<svg", "<a ", "<html", "<head", "<body",
                                           "<meta", "comentario"}, true), QStringList()) << body.toStdString();
}

TEST(ReportRichText, TheWholeReportIsPrintedWithoutFetchingAnything) {
    // The detector itself: the raw text makes the renderer reach for files and addresses.
    EXPECT_FALSE(resourcesAskedFor(kHostile).isEmpty());

    ProposalDocument data;
    data.texts = {{QStringLiteral("01"), kHostile}, {QStringLiteral("02"), QStringLiteral("<img src=\"/etc/passwd\">")}};
    data.services = {{QStringLiteral("Implantação"), QStringLiteral("Cliente"), QStringLiteral("H"), 10, 100, 0, 100}};
    data.serviceObjective = QStringLiteral("<p>Objetivo <b>claro</b><img src=\"file:///etc/passwd\"></p>");
    const QString html = proposalReportHtml(data, QStringLiteral("Proposta Comercial"), TMessages());
    EXPECT_EQ(resourcesAskedFor(html), QStringList());
}

TEST(ReportRichText, MarkupCannotCloseOrSwallowTheReportAndIsRewrittenNotPassedThrough) {
    const std::pair<const char*, const char*> cases[] = {
        // Left open: closed at the end of the text, innermost first.
        {"<b>sem fim <table><tr><td>x", "<b>sem fim <table><tr><td>x</td></tr></table></b>"},
        // Closing what the text never opened (the report's own elements) is dropped.
        {"</td></table></div></body></html><p>a</p>", "<p>a</p>"},
        // Items, cells and paragraphs end the previous one as HTML has them do.
        {"<ul><li>um<li>dois</ul>depois", "<ul><li>um</li><li>dois</li></ul>depois"},
        {"<table><tr><td>a<td>b<tr><td>c</table>", "<table><tr><td>a</td><td>b</td></tr><tr><td>c</td></tr></table>"},
        {"<p>um<p>dois<ul><li><p>três</ul>", "<p>um</p><p>dois<ul><li><p>três</p></li></ul></p>"},
        // Dropped elements left open take the rest of the text with them, never the report.
        {"antes<script>alert(1)", "antes"}, {"a<!-- sem fim <img src=x>", "a"},
        {"antes<object><object></object>ainda dentro</object>depois", "antesdepois"},
        // Text and attributes are rewritten, not passed through.
        {"a < b && c > d &amp; &#233; &bogus", "a &lt; b &amp;&amp; c &gt; d &amp; &#233; &amp;bogus"},
        {"<p <img src=x>>", "<p>&gt;</p>"},
        // References inside a style are read before it is judged.
        {"<p style=\"background:ur&#108;(file:///etc/passwd)\">x</p>", "<p>x</p>"},
        {"<p style='color:red; background-image:none'>x</p>", "<p style=\"color:red\">x</p>"},
        {"<p style=\"b\\61 ckground:u\\72l(x)\">x</p>", "<p>x</p>"},
        {"<font face=\"Times &quot;New&quot;\" color=red size=4>x</font>",
         "<font face=\"Times &quot;New&quot;\" color=\"red\" size=\"4\">x</font>"},
        {"<P ALIGN=center OnMouseOver=x>x<BR/>y<br>z</P>", "<p align=\"center\">x<br />y<br />z</p>"},
        // A reference the stored texts' reader does not know stays as written (escaped), and a
        // style that still holds one is not trusted.
        {"<font face=\"Caf&eacute; &bogus;\">x</font>", "<font face=\"Café &amp;bogus;\">x</font>"},
        {"<p style=\"background:ur&#108(x);color:red\">x</p>", "<p style=\"color:red\">x</p>"},
    };
    for (const auto& [text, safe] : cases) EXPECT_EQ(safeHtml(QString::fromUtf8(text)), QString::fromUtf8(safe)) << text;
}

ProposalDocument licenceProposal() {
    ProposalDocument d;
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

TMessages reportLabels() {
    TMessages labels;
    labels.loadFromFile(QStringLiteral(":/cot05001/cot05001_messages.txt"));
    return labels;
}

// The report of `d` as the reader sees it.
QString reportText(const ProposalDocument& d) {
    QTextDocument document;
    document.setHtml(proposalReportHtml(d, QStringLiteral("Proposta"), reportLabels()));
    return document.toPlainText();
}

TEST(ProposalReportTotals, TheTotalsAreTheInstallmentsCharged) {
    // The figures as the server works them out (GetTotaisProposta): the installments charged.
    // Licence 96.425,00 (not the quoted 95.000,00), services 5.481,00 (not 5.400,00).
    ProposalDocument charged = licenceProposal();
    charged.totals = {96425, 0, 5481, 101906};
    const QString text = reportText(charged);
    EXPECT_EQ(missingFrom(text, {"96.425,00", "5.481,00", "101.906,00",
                                 "As parcelas somam R$ 96.425,00, acima do valor cotado de R$ 95.000,00: a diferença de "
                                 "R$ 1.425,00 são os juros do parcelamento."}), QStringList()) << text.toStdString();
    // The quoted figures only where the interest over them is explained.
    QString rest = text;
    rest.remove(QRegularExpression(QStringLiteral("As parcelas somam [^\n]*juros do parcelamento\\.")));
    const QStringList quoted{"95.000,00", "5.400,00", "100.400,00"};
    EXPECT_EQ(missingFrom(rest, quoted, true), QStringList());

    // No schedule yet: the quoted figures stand.
    ProposalDocument draft = licenceProposal();
    draft.lines[0].schedule.clear();
    draft.serviceSchedule.clear();
    draft.totals = {95000, 0, 5400, 100400};
    EXPECT_EQ(missingFrom(reportText(draft), quoted), QStringList());
}

TEST(ProposalReportTotals, NoWordIsBrokenInsideATableCellOnTheA4Page) {
    cot::testing::ensureApplication();
    for (const char* language : {"POR", "ESP"}) {
        ProposalDocument d = licenceProposal();
        d.language = QString::fromLatin1(language);
        QTextDocument document;
        document.setHtml(proposalReportHtml(d, QStringLiteral("Proposta"), reportLabels()));
        printOnA4(document);
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

}  // namespace
