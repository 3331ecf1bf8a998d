#include "table_export.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <xlsxwriter.h>

#include "base/errors.h"
#include "format_br.h"

namespace cot {

namespace {

// Rows between two progress reports: often enough for a bar, rare enough to cost nothing.
constexpr int kProgressStep = 500;
// Excel's limits: rows of a sheet (the header takes one) and characters of a cell.
constexpr int kMaxSheetRows = LXW_ROW_MAX - 1;
constexpr int kMaxCellChars = 32767;
// Column widths in characters, from the longest text seen.
constexpr double kMinWidth = 8;
constexpr double kMaxWidth = 60;

[[noreturn]] void cannotWrite(const QString& path, const QString& reason) {
    throw UserError(QStringLiteral("Não foi possível gravar o arquivo %1: %2").arg(QDir::toNativeSeparators(path),
                                                                                    reason));
}

QDate dateOf(const QVariant& v) {
    if (v.typeId() == QMetaType::QDateTime) return v.toDateTime().date();
    return v.toDate();
}

bool isEmptyValue(const QVariant& v) { return !v.isValid() || v.isNull(); }

// Text a spreadsheet would run as a formula (or as a command, for tab and carriage return).
bool looksLikeFormula(const QString& text) {
    if (text.isEmpty()) return false;
    const QChar c = text.front();
    return c == u'=' || c == u'+' || c == u'-' || c == u'@' || c == u'\t' || c == u'\r';
}

// Tells the caller how far the export went; false when it asks to stop.
bool report(const ExportProgress& progress, int done, int total) {
    return !progress || progress(done, total);
}

// The temporary file beside the target, removed unless the export completes.
class PendingFile {
public:
    explicit PendingFile(const QString& path)
        : path_(path), temp_(QFileInfo(path).absolutePath() + QStringLiteral("/.") + QFileInfo(path).fileName() +
                             QStringLiteral(".XXXXXX")) {
        if (!temp_.open()) cannotWrite(path, temp_.errorString());
        // A file others of the machine may read, as any file the user saves.
        temp_.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                             QFileDevice::ReadOther);
    }
    QFile& file() { return temp_; }
    QString tempName() const { return temp_.fileName(); }

    // Moves the complete file over the target in one step.
    void commit() {
        temp_.close();
        if (std::rename(QFile::encodeName(temp_.fileName()).constData(), QFile::encodeName(path_).constData()) != 0)
            cannotWrite(path_, QString::fromLocal8Bit(std::strerror(errno)));
        temp_.setAutoRemove(false);
    }

private:
    QString path_;
    QTemporaryFile temp_;
};

// ----- CSV

QString csvNumber(double value) { return formatAmount(value); }

void appendCsvText(QString& line, const QString& text) {
    const bool guard = looksLikeFormula(text);
    const bool quote = text.contains(u';') || text.contains(u'"') || text.contains(u'\n') || text.contains(u'\r');
    if (!quote) {
        if (guard) line += u'\'';
        line += text;
        return;
    }
    line += u'"';
    if (guard) line += u'\'';
    for (const QChar c : text) {
        if (c == u'"') line += u'"';
        line += c;
    }
    line += u'"';
}

void appendCsvField(QString& line, const QVariant& value, ExportKind kind) {
    if (isEmptyValue(value)) return;
    switch (kind) {
    case ExportKind::Text: appendCsvText(line, value.toString()); return;
    case ExportKind::Date: line += formatDate(dateOf(value)); return;
    case ExportKind::Number: line += csvNumber(value.toDouble()); return;
    case ExportKind::Integer: line += QString::number(value.toLongLong()); return;
    }
}

bool writeCsv(const ExportTable& table, QFile& out, const QString& path, const ExportProgress& progress) {
    QByteArray buffer("\xEF\xBB\xBF");
    const auto flush = [&] {
        if (out.write(buffer) != buffer.size()) cannotWrite(path, out.errorString());
        buffer.clear();
    };
    QString line;
    for (int c = 0; c < table.columns.size(); ++c) {
        if (c) line += u';';
        appendCsvText(line, table.columns[c].title);
    }
    line += QLatin1String("\r\n");
    QVariantList values;
    for (int r = 0; r < table.rowCount; ++r) {
        if (r % kProgressStep == 0 && !report(progress, r, table.rowCount)) return false;
        values.clear();
        table.readRow(r, values);
        for (int c = 0; c < table.columns.size(); ++c) {
            if (c) line += u';';
            appendCsvField(line, values.value(c), table.columns[c].kind);
        }
        line += QLatin1String("\r\n");
        if (line.size() > 32768) {
            buffer += line.toUtf8();
            line.clear();
            flush();
        }
    }
    buffer += line.toUtf8();
    flush();
    if (!out.flush()) cannotWrite(path, out.errorString());
    return report(progress, table.rowCount, table.rowCount);
}

// ----- workbook

// Owns the workbook until it is closed (closing writes the file and frees it).
class Workbook {
public:
    Workbook(const QString& fileName, const QString& path) : path_(path) {
        lxw_workbook_options options{};
        options.constant_memory = 1;  // rows go straight to disk: 100k rows stay small
        options.use_zip64 = 1;
        book_ = workbook_new_opt(QFile::encodeName(fileName).constData(), &options);
        if (!book_) cannotWrite(path, QStringLiteral("memória insuficiente"));
    }
    ~Workbook() {
        // An abandoned workbook is freed without writing it out (and its row files removed).
        if (book_) lxw_workbook_free(book_);
    }
    lxw_workbook* get() const { return book_; }
    void close() {
        lxw_workbook* book = book_;
        book_ = nullptr;
        check(workbook_close(book));
    }
    void check(lxw_error error) const {
        if (error != LXW_NO_ERROR) cannotWrite(path_, QString::fromUtf8(lxw_strerror(error)));
    }

private:
    QString path_;
    lxw_workbook* book_ = nullptr;
};

// Days since Excel's day zero; only dates from March 1900 on (Excel counts a 29 February
// 1900 that never was, so earlier serials would show a day off).
constexpr int kExcelEpochJulian = 2415019;  // 30/12/1899
const QDate kFirstSerialDate(1900, 3, 1);

bool writeXlsx(const ExportTable& table, const QString& fileName, const QString& path,
               const ExportProgress& progress) {
    if (table.rowCount > kMaxSheetRows)
        cannotWrite(path, QStringLiteral("a planilha comporta no máximo %1 linhas").arg(kMaxSheetRows));
    Workbook book(fileName, path);
    lxw_worksheet* sheet = workbook_add_worksheet(book.get(), kExportSheetName);
    lxw_format* bold = workbook_add_format(book.get());
    format_set_bold(bold);
    lxw_format* date = workbook_add_format(book.get());
    format_set_num_format(date, "dd/mm/yyyy");
    lxw_format* number = workbook_add_format(book.get());
    format_set_num_format(number, "#,##0.00");

    const int columns = table.columns.size();
    QList<double> widths(columns, kMinWidth);
    const auto widen = [&](int c, qsizetype chars) { widths[c] = qMax(widths[c], double(chars) + 2); };
    const auto writeText = [&](int row, int c, QString text) {
        // A cell breaks lines with LF alone; a CR would be kept as an escape code.
        if (text.contains(u'\r')) text.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\r', u'\n');
        if (text.size() > kMaxCellChars) text.truncate(kMaxCellChars);
        widen(c, text.size());
        book.check(worksheet_write_string(sheet, row, c, text.toUtf8().constData(), nullptr));
    };
    for (int c = 0; c < columns; ++c) {
        const QString& title = table.columns[c].title;
        widen(c, title.size());
        book.check(worksheet_write_string(sheet, 0, c, title.toUtf8().constData(), bold));
    }
    worksheet_freeze_panes(sheet, 1, 0);

    QVariantList values;
    for (int r = 0; r < table.rowCount; ++r) {
        if (r % kProgressStep == 0 && !report(progress, r, table.rowCount)) return false;
        values.clear();
        table.readRow(r, values);
        const int row = r + 1;
        for (int c = 0; c < columns; ++c) {
            const QVariant v = values.value(c);
            if (isEmptyValue(v)) continue;
            switch (table.columns[c].kind) {
            case ExportKind::Text: writeText(row, c, v.toString()); break;
            case ExportKind::Date: {
                const QDate d = dateOf(v);
                if (!d.isValid()) break;
                if (d < kFirstSerialDate) {
                    writeText(row, c, formatDate(d));
                    break;
                }
                widen(c, 10);
                book.check(worksheet_write_number(sheet, row, c, double(d.toJulianDay() - kExcelEpochJulian), date));
                break;
            }
            case ExportKind::Number: {
                const double x = v.toDouble();
                widen(c, formatMoney(x).size());
                book.check(worksheet_write_number(sheet, row, c, x, number));
                break;
            }
            case ExportKind::Integer: {
                const qint64 x = v.toLongLong();
                widen(c, QString::number(x).size());
                book.check(worksheet_write_number(sheet, row, c, double(x), nullptr));
                break;
            }
            }
        }
    }
    // Column widths are written with the sheet when it is closed, so they can come last.
    for (int c = 0; c < columns; ++c)
        book.check(worksheet_set_column(sheet, c, c, qMin(widths[c], kMaxWidth), nullptr));
    if (!report(progress, table.rowCount, table.rowCount)) return false;
    book.close();
    return true;
}

}  // namespace

ExportFormat exportFormatOf(const QString& path) {
    return path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive) ? ExportFormat::Csv : ExportFormat::Xlsx;
}

QString csvField(const QVariant& value, ExportKind kind) {
    QString text;
    appendCsvField(text, value, kind);
    return text;
}

bool exportTable(const ExportTable& table, ExportFormat format, const QString& path, const ExportProgress& progress) {
    if (path.isEmpty()) cannotWrite(path, QStringLiteral("nome de arquivo vazio"));
    if (QFileInfo(path).isDir()) cannotWrite(path, QStringLiteral("é uma pasta"));
    if (table.rowCount > 0 && !table.readRow) cannotWrite(path, QStringLiteral("não há como ler as linhas"));
    PendingFile pending(path);
    bool complete = false;
    if (format == ExportFormat::Csv) {
        complete = writeCsv(table, pending.file(), path, progress);
    } else {
        pending.file().close();  // the workbook writes the file by its name when it closes
        complete = writeXlsx(table, pending.tempName(), path, progress);
    }
    if (!complete) return false;
    pending.commit();
    return true;
}

}  // namespace cot
