// Tables exported as a workbook (read back through python3-openpyxl, as another program
// would) and as CSV for pt-BR spreadsheets (parsed back), cancellation and failures.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "base/errors.h"
#include "data/table_export.h"

using namespace cot;

namespace {

// A small table with every kind of column and the texts that trouble spreadsheets.
ExportTable sampleTable() {
    ExportTable t;
    t.columns = {{"Proposta", ExportKind::Text},
                 {"Emissão", ExportKind::Date},
                 {"Valor", ExportKind::Number},
                 {"Contato", ExportKind::Integer},
                 {"Observação", ExportKind::Text}};
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

// The interpreter that has openpyxl: the system's python3 before any other on the path.
QString pythonWithOpenpyxl() {
    QStringList candidates{QStringLiteral("/usr/bin/python3"), QStandardPaths::findExecutable("python3")};
    for (const QString& python : candidates) {
        if (python.isEmpty() || !QFile::exists(python)) continue;
        if (QProcess::execute(python, {"-c", "import openpyxl"}) == 0) return python;
    }
    return {};
}

const char* kReader = R"(
import json, sys, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
ws = wb.active
def value(c):
    return c.value.strftime('%Y-%m-%d') if hasattr(c.value, 'strftime') else c.value
rows = [[{'t': c.data_type, 'v': value(c), 'f': c.number_format, 'b': bool(c.font.b)} for c in r]
        for r in ws.iter_rows()]
widths = {k: d.width for k, d in ws.column_dimensions.items()}
print(json.dumps({'sheets': wb.sheetnames, 'freeze': ws.freeze_panes, 'rows': rows, 'widths': widths}))
)";

QJsonObject readWorkbook(const QString& path) {
    const QString python = pythonWithOpenpyxl();
    if (python.isEmpty()) {
        ADD_FAILURE() << "python3-openpyxl is missing: scripts/deps.sh installs it";
        return {};
    }
    QProcess p;
    p.start(python, {"-c", kReader, path});
    p.waitForFinished(60000);
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
}

QStringList filesIn(const QString& dir) {
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

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
    const QJsonArray rows = book["rows"].toArray();
    ASSERT_EQ(rows.size(), 5);
    const auto cell = [&](int r, int c) { return rows[r].toArray()[c].toObject(); };

    const QStringList titles{"Proposta", "Emissão", "Valor", "Contato", "Observação"};
    for (int c = 0; c < titles.size(); ++c) {
        EXPECT_EQ(cell(0, c)["v"].toString(), titles[c]);
        EXPECT_TRUE(cell(0, c)["b"].toBool()) << "header in bold";
    }
    EXPECT_EQ(cell(1, 1)["t"].toString(), "d");
    EXPECT_EQ(cell(1, 1)["v"].toString(), "2026-12-07");
    EXPECT_EQ(cell(1, 1)["f"].toString(), "dd/mm/yyyy");
    EXPECT_EQ(cell(2, 1)["v"].toString(), "2027-01-31") << "a date and time keeps its day";
    EXPECT_EQ(cell(1, 2)["t"].toString(), "n");
    EXPECT_DOUBLE_EQ(cell(1, 2)["v"].toDouble(), 1234567.891) << "the value whole; the format shows two decimals";
    EXPECT_EQ(cell(1, 2)["f"].toString(), "#,##0.00");
    EXPECT_DOUBLE_EQ(cell(2, 2)["v"].toDouble(), -0.5);
    EXPECT_EQ(cell(1, 3)["t"].toString(), "n");
    EXPECT_EQ(cell(1, 3)["v"].toInt(), 42);
    EXPECT_EQ(cell(1, 4)["v"].toString(), "Manutenção anual — ação");
    // Texts a spreadsheet could run stay strings, unchanged; "-12" is not a number.
    for (const auto& [r, c, text] : {std::tuple{2, 4, "=HYPERLINK(\"http://x\")"}, {4, 4, "@SUM(A1)"}, {4, 0, "-12"}}) {
        EXPECT_EQ(cell(r, c)["t"].toString(), "s") << text;
        EXPECT_EQ(cell(r, c)["v"].toString(), QString::fromUtf8(text));
    }
    EXPECT_TRUE(cell(3, 1)["v"].isNull() && cell(3, 2)["v"].isNull()) << "null values leave empty cells";
    EXPECT_EQ(cell(3, 4)["v"].toString(), "Diz \"sim\"; depois\nnão") << "a cell breaks lines with LF";
    // Widths follow the texts: the long observation is wider than the contact number.
    const QJsonObject widths = book["widths"].toObject();
    EXPECT_GT(widths["E"].toDouble(), widths["D"].toDouble());
}

TEST(TableExport, CsvForBrazilianSpreadsheets) {
    QTemporaryDir dir;
    const QString path = dir.filePath("lista.csv");
    ASSERT_TRUE(exportTable(sampleTable(), ExportFormat::Csv, path));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    ASSERT_TRUE(bytes.startsWith("\xEF\xBB\xBF")) << "UTF-8 with a byte-order mark";

    // ';' between fields, decimal commas, quoted fields with doubled quotes, guarded formulas.
    EXPECT_EQ(QString::fromUtf8(bytes.mid(3)).split("\r\n"),
              (QStringList{"Proposta;Emissão;Valor;Contato;Observação",
                           "0001/01;07/12/2026;1234567,89;42;Manutenção anual — ação",
                           "0002/01;31/01/2027;-0,50;7;\"'=HYPERLINK(\"\"http://x\"\")\"",
                           "0003/02;;;;\"Diz \"\"sim\"\"; depois", "não\"", "'-12;28/02/2026;0,13;0;'@SUM(A1)", ""}));
}

TEST(TableExport, CsvFieldGuardsAndQuotes) {
    EXPECT_EQ(csvField("+55 11 9999", ExportKind::Text), "'+55 11 9999");
    EXPECT_EQ(csvField("\tcmd", ExportKind::Text), "'\tcmd");
    EXPECT_EQ(csvField("-a;b", ExportKind::Text), "\"'-a;b\"") << "guarded inside the quotes";
    EXPECT_EQ(csvField("a-b", ExportKind::Text), "a-b");
    EXPECT_EQ(csvField(-1500.0, ExportKind::Number), "-1500,00") << "numbers are never guarded";
    EXPECT_EQ(csvField(2.675, ExportKind::Number), "2,68") << "rounded on the decimal text";
    EXPECT_EQ(csvField(QString(), ExportKind::Text), "");
    EXPECT_EQ(csvField(QDate(), ExportKind::Date), "");
}

// A cancelled export leaves what was there before, and nothing half-written beside it.
TEST(TableExport, CancellingLeavesNoFile) {
    ExportTable big;
    big.columns = {{"N", ExportKind::Integer}, {"Texto", ExportKind::Text}};
    big.rowCount = 5000;
    big.readRow = [](int row, QVariantList& values) { values = {row, QStringLiteral("linha %1").arg(row)}; };
    const auto openFiles = [] { return QDir("/proc/self/fd").entryList(QDir::NoDotAndDotDot | QDir::System).size(); };
    const auto filesBefore = openFiles();
    for (ExportFormat format : {ExportFormat::Xlsx, ExportFormat::Csv}) {
        QTemporaryDir dir;
        const QString fresh = dir.filePath("nova");
        const QString previous = dir.filePath("anterior");
        QFile old(previous);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly) && old.write("antes") == 5);
        old.close();
        QList<int> seen;
        const auto cancelAt2000 = [&](int done, int total) {
            EXPECT_EQ(total, 5000);
            seen << done;
            return done < 2000;
        };
        EXPECT_FALSE(exportTable(big, format, fresh, cancelAt2000));
        EXPECT_EQ(seen, (QList<int>{0, 500, 1000, 1500, 2000}));
        EXPECT_FALSE(exportTable(big, format, previous, cancelAt2000));
        EXPECT_EQ(filesIn(dir.path()), QStringList{"anterior"});
        ASSERT_TRUE(old.open(QIODevice::ReadOnly));
        EXPECT_EQ(old.readAll(), "antes");
        old.close();

        seen.clear();
        EXPECT_TRUE(exportTable(big, format, previous, [&](int done, int) { return seen << done, true; }));
        EXPECT_EQ(seen.last(), 5000) << "the end is reported";
        EXPECT_GT(QFileInfo(previous).size(), 5) << "replaced when complete";
    }
    EXPECT_EQ(openFiles(), filesBefore) << "an abandoned workbook closes its row files";
}

TEST(TableExport, FailureNamesTheFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("sem/pasta/lista.xlsx");
    for (ExportFormat format : {ExportFormat::Xlsx, ExportFormat::Csv}) {
        try {
            exportTable(sampleTable(), format, path);
            ADD_FAILURE() << "a missing folder must fail";
        } catch (const UserError& e) {
            const QString expected = "Não foi possível gravar o arquivo " + QDir::toNativeSeparators(path) + ": ";
            EXPECT_TRUE(e.text().startsWith(expected)) << e.text().toStdString();
        }
    }
    EXPECT_EQ(exportFormatOf("a/Lista.CSV"), ExportFormat::Csv);
    EXPECT_EQ(exportFormatOf("a/lista.xlsx"), ExportFormat::Xlsx);
}
