#pragma once
#include <QList>
#include <QString>
#include <QVariant>
#include <functional>

// A table written out as a spreadsheet file: an Excel workbook, or a CSV text as
// spreadsheets set for Brazilian Portuguese read it.
namespace cot {

// How a column's values are written.
//   Text     the value's text, always as text (never a formula, never a number)
//   Date     a QDate or QDateTime: a real date, shown dd/mm/yyyy
//   Number   a double with two decimals: "#,##0.00" in a workbook, "1500,50" in CSV
//   Integer  a whole number, no separators
// A null or invalid value leaves the cell empty.
enum class ExportKind { Text, Date, Number, Integer };

struct ExportColumn {
    QString title;
    ExportKind kind = ExportKind::Text;
};

// What is exported: the columns and a reader of the rows, asked once per row in order.
// `readRow` fills `values` with one value per column (the list comes cleared).
struct ExportTable {
    QList<ExportColumn> columns;
    int rowCount = 0;
    std::function<void(int row, QVariantList& values)> readRow;
};

enum class ExportFormat { Xlsx, Csv };

// Told the rows written so far and the total, now and then and at the end; returning
// false cancels the export.
using ExportProgress = std::function<bool(int done, int total)>;

// Name of the workbook's only sheet.
inline constexpr char kExportSheetName[] = "Propostas";

// Writes the table to `path`, replacing a file there. The file is written under a
// temporary name beside it and renamed only when complete, so a cancelled or failed
// export leaves the previous file (or none) in place. Returns false when cancelled.
// Throws UserError "Não foi possível gravar o arquivo <path>: <reason>" when it cannot.
//
// Workbook: one sheet, a bold header row frozen above the rows, column widths from the
// texts. CSV: UTF-8 with a byte-order mark, ';' between fields, CRLF line ends, fields
// holding ';', '"' or a line break quoted (quotes doubled), decimal comma and no
// thousands separator, dates dd/mm/yyyy. A text that a spreadsheet would take for a
// formula (starting with '=', '+', '-', '@', a tab or a carriage return) gets a leading
// apostrophe in CSV; in the workbook every text is written as a string cell, which no
// spreadsheet evaluates.
bool exportTable(const ExportTable& table, ExportFormat format, const QString& path,
                 const ExportProgress& progress = {});

// The format a file name asks for: ".csv" (any case) is CSV, anything else a workbook.
ExportFormat exportFormatOf(const QString& path);

// CSV field text of one value of a column, quoted and guarded as exportTable writes it.
QString csvField(const QVariant& value, ExportKind kind);

}  // namespace cot
