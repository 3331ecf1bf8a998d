#include "dados_ger_rel.h"

#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTextDocument>
#include <QVBoxLayout>

#include "base/errors.h"
#include "paged_print.h"
#include "ui/buttons.h"
#include "ui/modal_runner.h"

namespace cot {

bool ParamListHas(const ReportParams& params, const QString& name) {
    return std::any_of(params.begin(), params.end(),
                       [&](const ReportParam& p) { return p.name.compare(name, Qt::CaseInsensitive) == 0; });
}

bool setParamText(ReportParams& params, const QString& name, const QString& value) {
    for (ReportParam& p : params)
        if (p.name.compare(name, Qt::CaseInsensitive) == 0) {
            p.value = value;
            return true;
        }
    return false;
}

ReportParams TReportDialog::queryParams(const ReportDefinition& report) const {
    ReportParams params;
    for (const QString& name : report.params) params << ReportParam{name, {}};
    if (onBeforeGetQueryParams) onBeforeGetQueryParams(params);
    return params;
}

QString TReportDialog::fillTemplate(const QString& body, const ReportParams& params) {
    QString out = body;
    for (const ReportParam& p : params)
        out.replace(QStringLiteral("{{%1}}").arg(p.name), p.value.toHtmlEscaped(), Qt::CaseInsensitive);
    return out;
}

QString TReportDialog::html(const ReportDefinition& report) const {
    const ReportParams params = queryParams(report);
    return render ? render(report, params) : fillTemplate(report.body, params);
}

namespace {

// Prints the report's HTML as A4 PDF into `device`; false when the device took nothing.
bool printPdf(const QString& html, const QString& title, QIODevice& device, const PageFooterFn& footer) {
    QTextDocument document;
    document.setHtml(html);
    const qint64 start = device.pos();
    QPdfWriter writer(&device);
    writer.setTitle(title);
    writer.setCreator(QStringLiteral("cot-host"));
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    writer.setResolution(300);
    // The document lays out at the screen's 96 dpi and print() scales that to the writer:
    // a page size in the writer's own pixels would print every text at a third of its size.
    if (footer) {
        printWithFooter(document, writer, footer);
    } else {
        document.setPageSize(writer.pageLayout().paintRectPixels(96).size());
        document.print(&writer);
    }
    return device.isOpen() && device.pos() > start;
}

}  // namespace

void TReportDialog::writePdf(const ReportDefinition& report, const QString& path) const {
    // Rendered before the file is opened: a report that fails leaves an existing file as it was.
    const QString text = html(report);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw UserError(QStringLiteral("Não foi possível gravar o arquivo %1.").arg(path));
    const bool written = printPdf(text, report.title, file, pageFooter);
    file.close();
    if (!written || file.error() != QFileDevice::NoError || QFileInfo(path).size() == 0)
        throw UserError(QStringLiteral("Não foi possível gravar o arquivo %1.").arg(path));
}

bool TReportDialog::writePdf(const ReportDefinition& report, QIODevice& device) const {
    const QString text = html(report);
    return printPdf(text, report.title, device, pageFooter);
}

void TReportDialog::preview(const ReportDefinition& report, QWidget* parent) const {
    QTextDocument document;
    document.setHtml(html(report));
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(report.title);
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setObjectName("dlgVisualizar");
    dialog.setWindowTitle(report.title);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [this, &document](QPrinter* p) {
                         if (pageFooter) printWithFooter(document, *p, pageFooter);
                         else document.print(p);
                     });
    ModalRunner::current().exec(dialog);
}

TfrmDadosGerRel::TfrmDadosGerRel(const QString& screenCode, const QString& caption, const QString& reportCode,
                                 QWidget* parent)
    : TForm<QDialog>(parent), reportCode_(reportCode) {
    setObjectName(QStringLiteral("frm") + (screenCode.isEmpty() ? QStringLiteral("DadosGerRel") : screenCode));
    setWindowTitle(caption);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    cbbReportNames = new QComboBox(this);
    cbbReportNames->setObjectName("cbbReportNames");
    form->addRow(QStringLiteral("Relatório:"), cbbReportNames);
    layout->addLayout(form);
    auto* buttons = new QHBoxLayout;
    lblCodTela = new QLabel(screenCode, this);
    lblCodTela->setObjectName("lblCodTela");
    sbtVisualizar = new TSpeedButton("sbtVisualizar", this, QStringLiteral("Visualizar"));
    sbtPdf = new TSpeedButton("sbtPdf", this, QStringLiteral("Gerar PDF"));
    sbtFechar = new TSpeedButton("sbtFechar", this, QStringLiteral("Fechar"));
    buttons->addWidget(lblCodTela);
    buttons->addStretch();
    buttons->addWidget(sbtVisualizar);
    buttons->addWidget(sbtPdf);
    buttons->addWidget(sbtFechar);
    layout->addLayout(buttons);
    sbtVisualizar->onClick = [this] { sbtVisualizarClick(); };
    sbtPdf->onClick = [this] { sbtPdfClick(); };
    sbtFechar->onClick = [this] { sbtFecharClick(); };
}

void TfrmDadosGerRel::FormActivate() { fillReportList(); }

void TfrmDadosGerRel::fillReportList() {
    const QString chosen = cbbReportNames->currentText();
    reports_ = ReportStore::instance().reportsFor(reportCode_);
    cbbReportNames->clear();
    for (const ReportDefinition& r : reports_) cbbReportNames->addItem(r.title);
    cbbReportNames->setCurrentIndex(cbbReportNames->findText(chosen));
    if (cbbReportNames->currentIndex() < 0 && !reports_.isEmpty() && chosen.isEmpty()) cbbReportNames->setCurrentIndex(0);
}

QStringList TfrmDadosGerRel::reportTitles() const {
    QStringList titles;
    for (const ReportDefinition& r : reports_) titles << r.title;
    return titles;
}

const ReportDefinition* TfrmDadosGerRel::currentReport() const {
    const int i = cbbReportNames->currentIndex();
    return i >= 0 && i < reports_.size() ? &reports_[i] : nullptr;
}

void TfrmDadosGerRel::sbtVisualizarClick() {
    const ReportDefinition* report = currentReport();
    if (!report) throw UserError(QStringLiteral("Relatório deve ser selecionado."));
    rpddPadrao.preview(*report, this);
}

void TfrmDadosGerRel::sbtPdfClick() {
    const ReportDefinition* report = currentReport();
    if (!report) throw UserError(QStringLiteral("Relatório deve ser selecionado."));
    QFileDialog dialog(this, QStringLiteral("Salvar PDF"), QString(), QStringLiteral("PDF (*.pdf)"));
    dialog.setObjectName("dlgSalvarPdf");
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    if (const QString name = pdfFileName(); !name.isEmpty()) dialog.selectFile(name);
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Salvar"));
    dialog.setLabelText(QFileDialog::Reject, QStringLiteral("Cancelar"));
    if (ModalRunner::current().exec(dialog) != mrOk || dialog.selectedFiles().isEmpty()) return;
    rpddPadrao.writePdf(*report, dialog.selectedFiles().first());
}

}  // namespace cot
