// The proposal list exported to a workbook and to CSV: 100k rows read from a grid as the
// list shows them (codes as words, dates, a value column) and written to a file.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFileInfo>
#include <QTemporaryDir>

#include "data/client_table.h"
#include "data/data_source.h"
#include "dialogs/export/list_export.h"
#include "ui/db_grid.h"

using namespace cot;

namespace {

constexpr int kRows = 100000;

// The list's columns, with references and names of varying length as real ones have.
Packet listRows() {
    Packet p;
    p.fields = {{"IDSITUACAO", FieldType::FixedString, 1}, {"PROPOSTAVERS", FieldType::String, 23},
                {"DSREFEPROPOSFAS", FieldType::String, 100}, {"IDTIPOPROPFAS", FieldType::String, 1},
                {"IDSOLPROPFAS", FieldType::String, 1},      {"NRCONTATO", FieldType::Integer, 0},
                {"NOME", FieldType::String, 50},             {"DTPROPOSFAS", FieldType::DateTime, 0},
                {"DTACEPROPFAS", FieldType::DateTime, 0},    {"DTVALPROPFAS", FieldType::DateTime, 0},
                {"OPERSOLI", FieldType::String, 40},         {"VRTOTALPROP", FieldType::Float, 0}};
    std::vector<QDateTime> days;  // built once: local date-times are slow to construct
    for (int i = 0; i < 1000; ++i) days.push_back(QDateTime(QDate(2024, 1, 1).addDays(i), QTime(0, 0)));
    const char* types = "MLS";
    p.rows.reserve(kRows);
    for (int r = 0; r < kRows; ++r) {
        p.rows.append(QVariantList{
            QString(QChar(u"VAPS"[r % 4])),
            QStringLiteral("%1/%2").arg(1000000 + r, 20, 10, QChar(u'0')).arg(r % 3 + 1, 2, 10, QChar(u'0')),
            QStringLiteral("Implantação do ERP e serviços %1 %2").arg(r).arg(QString(r % 50, u'x')),
            QString(QChar::fromLatin1(types[r % 3])), r % 5 ? QStringLiteral("N") : QStringLiteral("S"),
            qint64(r % 900),
            QStringLiteral("Cliente Comércio %1 Ltda.").arg(r % 7000), days[r % 1000],
            r % 4 == 1 ? QVariant(days[(r + 10) % 1000]) : QVariant(), days[(r + 30) % 1000],
            QStringLiteral("Operador %1").arg(r % 40), ((r * 37) % 10000000) / 100.0});
    }
    return p;
}

struct ListGrid {
    ClientTable table;
    DataSource source;
    TDBGrid grid;

    ListGrid() {
        table.setData(listRows());
        table["IDTIPOPROPFAS"].onGetText = [](Field& f, bool) {
            const QString code = f.asString();
            if (code == QLatin1String("M")) return QStringLiteral("LU/Manutenção");
            return code == QLatin1String("L") ? QStringLiteral("Locação") : QStringLiteral("Serviço");
        };
        source.setDataSet(&table);
        grid.setDataSource(&source);
        for (const FieldDef& f : table.fieldDefs()) grid.addColumn(f.name);
        grid.columnsChanged();
    }
};

ListGrid& list() {
    static ListGrid g;
    return g;
}

void exportList(benchmark::State& state, ExportFormat format, const char* name) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QString::fromLatin1(name));
    const PictureWords status = [](const QString& field) -> std::optional<QString> {
        if (field == QLatin1String("IDSITUACAO")) return QStringLiteral("Válida");
        return std::nullopt;
    };
    for (auto _ : state) benchmark::DoNotOptimize(exportTable(gridExportTable(list().grid, status), format, path));
    state.counters["rows"] = kRows;
    state.counters["MB"] = double(QFileInfo(path).size()) / 1e6;
}

// The grid's rows read as the export reads them, nothing written: the reading's share.
static void BM_ReadGridRows(benchmark::State& state) {
    const ExportTable table = gridExportTable(list().grid);
    QVariantList values;
    for (auto _ : state) {
        for (int r = 0; r < table.rowCount; ++r) {
            values.clear();
            table.readRow(r, values);
        }
        benchmark::DoNotOptimize(values);
    }
}
BENCHMARK(BM_ReadGridRows)->Unit(benchmark::kMillisecond);

static void BM_ExportXlsx(benchmark::State& state) { exportList(state, ExportFormat::Xlsx, "lista.xlsx"); }
BENCHMARK(BM_ExportXlsx)->Unit(benchmark::kMillisecond);

static void BM_ExportCsv(benchmark::State& state) { exportList(state, ExportFormat::Csv, "lista.csv"); }
BENCHMARK(BM_ExportCsv)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
