#pragma once
#include <QDialog>
#include <functional>

#include "form.h"
#include "paged_print.h"
#include "report_store.h"
#include "services/messages.h"

class QComboBox;
class QIODevice;
class QLabel;
class QTextDocument;

namespace cot {

class TSpeedButton;

// A parameter a report asks for, with the text the launcher gives it.
struct ReportParam {
    QString name;
    QString value;
};
using ReportParams = QList<ReportParam>;

// Whether the report's parameter list holds a parameter of that name (ignoring case).
bool ParamListHas(const ReportParams& params, const QString& name);
// Sets a parameter's text; false when the list has no such parameter.
bool setParamText(ReportParams& params, const QString& name, const QString& value);

// The report dialog of a launcher: collects the parameters of the chosen report (through
// onBeforeGetQueryParams), renders it into a QTextDocument and previews, prints or
// writes it as PDF (Qt print support).
class TReportDialog {
public:
    std::function<void(ReportParams& params)> onBeforeGetQueryParams;
    // Produces the report's HTML; the default fills {{NAME}} of the body with the values.
    std::function<QString(const ReportDefinition& report, const ReportParams& params)> render;
    // The footer of every page, when the report has one (asked after render, so the report
    // may set it from what it read).
    PageFooterFn pageFooter;

    ReportParams queryParams(const ReportDefinition& report) const;
    QString html(const ReportDefinition& report) const;
    // Writes the report as a PDF file; throws UserError when the file cannot be written.
    void writePdf(const ReportDefinition& report, const QString& path) const;
    // Writes the report as a PDF into an open device (a file, a buffer in memory); false
    // when the device refused the writing.
    bool writePdf(const ReportDefinition& report, QIODevice& device) const;
    // Print preview window (shown through the modal runner).
    void preview(const ReportDefinition& report, QWidget* parent) const;

    static QString fillTemplate(const QString& body, const ReportParams& params);
};

// Report launcher: the reports of a report code in `cbbReportNames` (filled when the
// window is shown), the report dialog `rpddPadrao`, and the actions preview
// (`sbtVisualizar`), PDF (`sbtPdf`) and close (`sbtFechar`).
class TfrmDadosGerRel : public TForm<QDialog> {
    Q_OBJECT
public:
    TfrmDadosGerRel(const QString& screenCode, const QString& caption, const QString& reportCode,
                    QWidget* parent = nullptr);

    QString reportCode() const { return reportCode_; }
    void FormActivate() override;  // fills the report list

    // Reloads the report list from the store, keeping the chosen title when it is still there.
    void fillReportList();
    QStringList reportTitles() const;
    const ReportDefinition* currentReport() const;

    virtual void sbtVisualizarClick();
    virtual void sbtPdfClick();
    virtual void sbtFecharClick() { Close(); }
    // The name the PDF file dialog offers; empty offers none.
    virtual QString pdfFileName() const { return {}; }

    TMessages msgPadrao;
    TReportDialog rpddPadrao;
    QComboBox* cbbReportNames;
    TSpeedButton *sbtVisualizar, *sbtPdf, *sbtFechar;
    QLabel* lblCodTela;

private:
    QString reportCode_;
    QList<ReportDefinition> reports_;
};

}  // namespace cot
