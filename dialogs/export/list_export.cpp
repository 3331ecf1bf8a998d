#include "dialogs/export/list_export.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QProgressDialog>

#include "base/dialogs.h"
#include "base/errors.h"
#include "data/client_table.h"
#include "data/field.h"
#include "reach/proposal_reach.h"
#include "ui/db_grid.h"
#include "ui/modal_runner.h"

namespace cot {

namespace {

// Lists longer than this show their progress and can be cancelled.
constexpr int kProgressRows = 2000;

const QString kXlsxFilter = QStringLiteral("Planilha Excel (*.xlsx)");
const QString kCsvFilter = QStringLiteral("CSV (*.csv)");

ExportKind kindOf(const Field& f) {
    if (f.onGetText) return ExportKind::Text;  // a code shown as a word
    switch (f.dataType()) {
    case FieldType::DateTime: return ExportKind::Date;
    case FieldType::Float: return ExportKind::Number;
    case FieldType::Integer: return ExportKind::Integer;
    default: return ExportKind::Text;
    }
}

QVariant valueOf(const Field& f, ExportKind kind) {
    if (kind == ExportKind::Text) return f.displayText();
    if (f.isNull()) return {};
    switch (kind) {
    case ExportKind::Date: return f.asDateTime();
    case ExportKind::Number: return f.asFloat();
    case ExportKind::Integer: return f.asInteger();
    case ExportKind::Text: break;
    }
    return {};
}

// The file the user names, with the extension of the type chosen when he typed none.
QString askFile(QWidget& parent) {
    QFileDialog dialog(&parent, QStringLiteral("Exportar Lista"), QString(),
                       kXlsxFilter + QStringLiteral(";;") + kCsvFilter);
    dialog.setObjectName(QStringLiteral("dlgExportarLista"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("xlsx"));
    dialog.selectFile(QStringLiteral("Propostas.xlsx"));
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Salvar"));
    dialog.setLabelText(QFileDialog::Reject, QStringLiteral("Cancelar"));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
        dialog.setDefaultSuffix(filter == kCsvFilter ? QStringLiteral("csv") : QStringLiteral("xlsx"));
    });
    if (ModalRunner::current().exec(dialog) != mrOk || dialog.selectedFiles().isEmpty()) return {};
    QString path = dialog.selectedFiles().first();
    const QString suffix = dialog.selectedNameFilter() == kCsvFilter ? QStringLiteral(".csv") : QStringLiteral(".xlsx");
    if (!path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive) &&
        !path.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive))
        path += suffix;
    return path;
}

}  // namespace

ExportTable gridExportTable(const TDBGrid& grid, const PictureWords& words) {
    struct Shown {
        const TColumn* column;
        ExportKind kind;
    };
    QList<Shown> shown;
    const QHeaderView* header = grid.horizontalHeader();
    for (int visual = 0; visual < grid.columnCount(); ++visual) {
        const int logical = header->logicalIndex(visual);
        const TColumn* c = grid.column(logical);
        if (!c || !c->visible || grid.isColumnHidden(logical)) continue;
        shown << Shown{c, c->field ? kindOf(*c->field) : ExportKind::Text};
    }
    ExportTable table;
    for (const Shown& s : shown) table.columns << ExportColumn{s.column->caption(), s.kind};
    const ClientTable* data = grid.dataSet();
    table.rowCount = data && data->active() ? data->recordCount() : 0;
    table.readRow = [data, shown, words](int row, QVariantList& values) {
        ClientTable::RowView view(*data, row);
        for (const Shown& s : shown) {
            std::optional<QString> word;
            if (words) word = words(s.column->fieldName);
            if (word) values << *word;
            else values << (s.column->field ? valueOf(*s.column->field, s.kind) : QVariant());
        }
    };
    return table;
}

void exportProposalList(ProposalReach& reach, const TDBGrid& grid, const PictureWords& words) {
    const QString path = askFile(reach.dialogParent());
    if (path.isEmpty()) return;
    const ExportTable table = gridExportTable(grid, words);
    std::unique_ptr<QProgressDialog> progress;
    ExportProgress report;
    if (table.rowCount > kProgressRows) {
        progress = std::make_unique<QProgressDialog>(QStringLiteral("Exportando propostas..."),
                                                     QStringLiteral("Cancelar"), 0, table.rowCount,
                                                     &reach.dialogParent());
        progress->setObjectName(QStringLiteral("dlgExportandoPropostas"));
        progress->setWindowModality(Qt::WindowModal);
        progress->setMinimumDuration(0);
        progress->setAutoReset(false);
        report = [bar = progress.get()](int done, int) {
            bar->setValue(done);
            QCoreApplication::processEvents();
            return !bar->wasCanceled();
        };
    }
    bool written = false;
    try {
        written = exportTable(table, exportFormatOf(path), path, report);
    } catch (const UserError& e) {
        progress.reset();
        Dialogs::current().error(e.text());
        return;
    }
    progress.reset();
    if (written)
        Dialogs::current().information(QStringLiteral("Lista exportada para %1.").arg(QDir::toNativeSeparators(path)));
}

}  // namespace cot
