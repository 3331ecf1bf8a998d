// Tables exported as a workbook (read back through python3-openpyxl, as another program
// would) and as CSV for pt-BR spreadsheets (parsed back), cancellation and failures.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>

#include "data/table_export.h"
#include "unit_cases.h"

namespace {

// A small table with every kind of column and the texts that trouble spreadsheets.
ExportTable sampleTable() {
    ExportTable t;
    t.columns = {{"Proposta", ExportKind::Text}, {"Emissão", ExportKind::Date}, {"Valor", ExportKind::Number},
                 {"Contato", ExportKind::Integer}, {"Observação", ExportKind::Text}};
    static const QList<QVariantList> rows = {
        {"0001/01", QDate(2026, 12, 7), 1234567.891, 42, "Manutenção anual — ação"},
        {"0002/01", QDateTime(QDate(2027, 1, 31), QTime(15, 30)), -0.5, 7, "=HYPERLINK(\"http://x\")"},
        {"0003/02", QVariant(), QVariant(), QVariant(), "Diz \"sim\"; depois\r\nnão"},
        {"-12", QDate(2026, 2, 28), 0.125, 0, "@SUM(A1)"},
    };
    t.rowCount = rows.size();
    t.readRow = [](int row, QVariantList& values) { values = rows[row]; };
    return t;
}

// The workbook as openpyxl reads it: each cell as "type value format" ("*" before a bold
// one, dates as yyyy-mm-dd), the sheets, the frozen cell and the column widths. The system's
// python3 comes before any other on the path: it is the one with openpyxl.
QJsonObject readWorkbook(const QString& path) {
    const char* reader = R"(
import json, sys, openpyxl
ws = (wb := openpyxl.load_workbook(sys.argv[1])).active
def text(c):
    v = c.value.strftime('%Y-%m-%d') if hasattr(c.value, 'strftime') else c.value
    return ('*' if c.font.b else '') + '%s %s %s' % (c.data_type, '' if v is None else v, c.number_format)
print(json.dumps({'sheets': wb.sheetnames, 'freeze': ws.freeze_panes, 'rows': [[text(c) for c in r] for r in ws.iter_rows()],
                  'widths': {k: d.width for k, d in ws.column_dimensions.items()}}))
)";
    for (const QString& python : {QStringLiteral("/usr/bin/python3"), QStandardPaths::findExecutable("python3")}) {
        if (python.isEmpty() || QProcess::execute(python, {"-c", "import openpyxl"}) != 0) continue;
        QProcess p;
        p.start(python, {"-c", reader, path});
        p.waitForFinished(60000);
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
    }
    ADD_FAILURE() << "python3-openpyxl is missing: scripts/deps.sh installs it";
    return {};
}

QStringList filesIn(const QString& dir) { return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot); }

}  // namespace

TEST(TableExport, WorkbookKeepsDatesNumbersAndTextsAsSuch) {
    QTemporaryDir dir;
    const QString path = dir.filePath("lista.xlsx");
    ASSERT_TRUE(exportTable(sampleTable(), ExportFormat::Xlsx, path));
    EXPECT_EQ(filesIn(dir.path()), QStringList{"lista.xlsx"}) << "no temporary file left";
    const QJsonObject book = readWorkbook(path);
    ASSERT_FALSE(book.isEmpty());
    EXPECT_EQ(book["sheets"].toArray(), QJsonArray{"Propostas"});
    EXPECT_EQ(book["freeze"].toString(), "A2") << "the header stays in view";
    // Header in bold; dates as dates (a date and time keeps its day), numbers whole with a
    // format of two decimals; texts a spreadsheet could run stay strings, unchanged, and
    // "-12" is not a number; null values leave empty cells; a cell breaks lines with LF.
    QStringList rows;
    for (const QJsonValue& row : book["rows"].toArray()) rows << row.toVariant().toStringList().join(" | ");
    EXPECT_EQ(rows.join("\n").toStdString(), QStringList({
                        "*s Proposta General | *s Emissão General | *s Valor General | *s Contato General | "
                        "*s Observação General",
                        "s 0001/01 General | d 2026-12-07 dd/mm/yyyy | n 1234567.891 #,##0.00 | n 42 General | "
                        "s Manutenção anual — ação General",
                        "s 0002/01 General | d 2027-01-31 dd/mm/yyyy | n -0.5 #,##0.00 | n 7 General | "
                        "s =HYPERLINK(\"http://x\") General",
                        "s 0003/02 General | n  General | n  General | n  General | s Diz \"sim\"; depois\nnão General",
                        "s -12 General | d 2026-02-28 dd/mm/yyyy | n 0.125 #,##0.00 | n 0 General | s @SUM(A1) General"})
                                                   .join("\n").toStdString());
    // Widths follow the texts: the long observation is wider than the contact number.
    EXPECT_GT(book["widths"]["E"].toDouble(), book["widths"]["D"].toDouble());
}

TEST(TableExport, CsvForBrazilianSpreadsheets) {
    QTemporaryDir dir;
    const QString path = dir.filePath("lista.csv");
    ASSERT_TRUE(exportTable(sampleTable(), ExportFormat::Csv, path));
    const QByteArray bytes = readFile(path);
    ASSERT_TRUE(bytes.startsWith("\xEF\xBB\xBF")) << "UTF-8 with a byte-order mark";

    // ';' between fields, decimal commas, quoted fields with doubled quotes, guarded formulas.
    EXPECT_EQ(QString::fromUtf8(bytes.mid(3)).split("\r\n"),
              (QStringList{"Proposta;Emissão;Valor;Contato;Observação",
                           "0001/01;07/12/2026;1234567,89;42;Manutenção anual — ação",
                           "0002/01;31/01/2027;-0,50;7;\"'=HYPERLINK(\"\"http://x\"\")\"",
                           "0003/02;;;;\"Diz \"\"sim\"\"; depois", "não\"", "'-12;28/02/2026;0,13;0;'@SUM(A1)", ""}));
    // Guarded inside the quotes; numbers are never guarded and are rounded on the decimal text.
    EXPECT_EQ((QStringList{csvField("+55 11 9999", ExportKind::Text), csvField("\tcmd", ExportKind::Text),
                           csvField("-a;b", ExportKind::Text), csvField("a-b", ExportKind::Text),
                           csvField(-1500.0, ExportKind::Number), csvField(2.675, ExportKind::Number),
                           csvField(QString(), ExportKind::Text), csvField(QDate(), ExportKind::Date)}),
              (QStringList{"'+55 11 9999", "'\tcmd", "\"'-a;b\"", "a-b", "-1500,00", "2,68", "", ""}));
}

// A cancelled export leaves what was there before, and nothing half-written beside it.
TEST(TableExport, CancellingLeavesNoFileAndAFailureNamesTheFile) {
    ExportTable big;
    big.columns = {{"N", ExportKind::Integer}, {"Texto", ExportKind::Text}};
    big.rowCount = 5000;
    big.readRow = [](int row, QVariantList& values) { values = {row, QStringLiteral("linha %1").arg(row)}; };
    const auto openFiles = [] { return QDir("/proc/self/fd").entryList(QDir::NoDotAndDotDot | QDir::System).size(); };
    const auto filesBefore = openFiles();
    for (ExportFormat format : {ExportFormat::Xlsx, ExportFormat::Csv}) {
        QTemporaryDir dir;
        const QString previous = dir.filePath("anterior");
        ASSERT_TRUE(writeFile(previous, "antes"));
        QList<int> seen;
        const auto cancelAt2000 = [&](int done, int total) { EXPECT_EQ(total, 5000); seen << done; return done < 2000; };
        EXPECT_FALSE(exportTable(big, format, dir.filePath("nova"), cancelAt2000));
        EXPECT_EQ(seen, (QList<int>{0, 500, 1000, 1500, 2000}));
        EXPECT_FALSE(exportTable(big, format, previous, cancelAt2000));
        EXPECT_EQ(filesIn(dir.path()), QStringList{"anterior"});
        EXPECT_EQ(readFile(previous), "antes");

        seen.clear();
        EXPECT_TRUE(exportTable(big, format, previous, [&](int done, int) { return seen << done, true; }));
        EXPECT_EQ(seen.last(), 5000) << "the end is reported";
        EXPECT_GT(QFileInfo(previous).size(), 5) << "replaced when complete";
    }
    EXPECT_EQ(openFiles(), filesBefore) << "an abandoned workbook closes its row files";

    // A failure names the file.
    QTemporaryDir dir;
    const QString missing = dir.filePath("sem/pasta/lista.xlsx");
    for (ExportFormat format : {ExportFormat::Xlsx, ExportFormat::Csv}) {
        const QString error = userErrorOf([&] { exportTable(sampleTable(), format, missing); });
        EXPECT_TRUE(error.startsWith("Não foi possível gravar o arquivo " + QDir::toNativeSeparators(missing) + ": "))
            << error.toStdString();
    }
    EXPECT_EQ(QList({exportFormatOf("a/Lista.CSV"), exportFormatOf("a/lista.xlsx")}), QList({ExportFormat::Csv, ExportFormat::Xlsx}));
}
