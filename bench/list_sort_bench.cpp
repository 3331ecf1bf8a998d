// Sorting the proposal list by a column title: 100k rows in a client table, ordered by a
// name (Brazilian Portuguese collation), a value and a date, as the grid does on a click.
#include <QRandomGenerator>
#include <benchmark/benchmark.h>

#include "data/client_table.h"
#include "data/field.h"
#include "ui/db_grid_sort.h"

namespace {

// Names with accents and mixed case, values and dates that repeat as real lists do.
cot::Packet list(int rows) {
    static const char* const first[] = {"João", "joao", "Ação", "Álvaro", "Érica", "Conceição", "Zélia", "Marcos",
                                        "Ana", "ÍNDIA", "Otávio", "Úrsula"};
    static const char* const last[] = {"Comércio Ltda", "Indústria S/A", "Serviços", "Distribuidora", "Têxtil",
                                       "Alimentação", "Logística", "Construções"};
    QRandomGenerator random(42);
    cot::Packet p;
    p.fields = {{"NOME", cot::FieldType::String, 50}, {"VRTOTAL", cot::FieldType::Float, 0},
                {"DTPROPOSFAS", cot::FieldType::DateTime, 0}};
    p.rows.reserve(rows);
    const QDateTime start(QDate(2020, 1, 1), QTime(0, 0));
    for (int r = 0; r < rows; ++r) {
        const QString name = QString::fromUtf8(first[random.bounded(12)]) + u' ' +
                             QString::fromUtf8(last[random.bounded(8)]) + u' ' + QString::number(random.bounded(5000));
        p.rows.append(QVariantList{name, random.bounded(2000000) / 100.0, start.addDays(random.bounded(2500))});
    }
    return p;
}

void sortBy(benchmark::State& state, const char* field) {
    cot::ClientTable table;
    table.setData(list(int(state.range(0))));
    const cot::Field& f = table[QString::fromLatin1(field)];
    for (auto _ : state) benchmark::DoNotOptimize(cot::sortedRows(table, f, Qt::AscendingOrder));
    state.counters["rows"] = double(state.range(0));
}

void BM_SortByName(benchmark::State& state) { sortBy(state, "NOME"); }
void BM_SortByValue(benchmark::State& state) { sortBy(state, "VRTOTAL"); }
void BM_SortByDate(benchmark::State& state) { sortBy(state, "DTPROPOSFAS"); }

}  // namespace

BENCHMARK(BM_SortByName)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_SortByValue)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_SortByDate)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

BENCHMARK_MAIN();
