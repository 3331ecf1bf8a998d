// Client tables over 100k proposal-like rows: locate, filter, load and copy, and the
// JSON text of a packet both ways.
#include <benchmark/benchmark.h>

#include <QJsonDocument>

#include "data/client_table.h"
#include "data/packet_json_reader.h"
#include "data/packet_json_writer.h"

using namespace cot;

namespace {

constexpr int kRows = 100000;

// 40 columns: 20 texts, 8 dates, 10 floats, 2 integers.
const Packet& proposals() {
    static const Packet packet = [] {
        Packet p;
        for (int i = 0; i < 20; ++i) p.fields.append({QString("TEXTO%1").arg(i), FieldType::String, 40});
        for (int i = 0; i < 8; ++i) p.fields.append({QString("DATA%1").arg(i), FieldType::DateTime, 0});
        for (int i = 0; i < 10; ++i) p.fields.append({QString("VALOR%1").arg(i), FieldType::Float, 0});
        for (int i = 0; i < 2; ++i) p.fields.append({QString("NUMERO%1").arg(i), FieldType::Integer, 0});
        p.fields[0].name = "NRPROPOSFAS";
        p.fields[1].name = "NRVERPROPFAS";
        p.fields[2].name = "NMCLIENTE";
        p.fields[20].name = "DTVALPROPFAS";
        p.fields[28].name = "VRLICENCUSOPROP";
        std::vector<QDateTime> days;  // built once: local date-times are slow to construct
        for (int i = 0; i < 1000; ++i) days.push_back(QDateTime(QDate(2024, 1, 1).addDays(i), QTime(0, 0)));
        p.rows.reserve(kRows);
        for (int r = 0; r < kRows; ++r) {
            QVariantList row;
            row.reserve(40);
            row << QString::number(1000000 + r) << QString::number(r % 7 + 1) << QString("Cliente Ação %1").arg(r);
            for (int i = 3; i < 20; ++i) row << QString("texto %1 da coluna %2").arg(r).arg(i);
            for (int i = 0; i < 8; ++i) row << days[(r + i) % 1000];
            for (int i = 0; i < 10; ++i) row << ((r * 37 + i) % 10000) / 100.0;
            for (int i = 0; i < 2; ++i) row << qint64(r + i);
            p.rows.append(row);
        }
        return p;
    }();
    return packet;
}

ClientTable& loadedTable() {
    static ClientTable* table = [] {
        auto* t = new ClientTable("cdsBench");
        t->setData(proposals());
        return t;
    }();
    return *table;
}

void BM_LocateOneFieldLastRow(benchmark::State& state) {
    ClientTable& t = loadedTable();
    const QString key = QString::number(1000000 + kRows - 1);
    for (auto _ : state) {
        t.first();
        benchmark::DoNotOptimize(t.locate("NRPROPOSFAS", key));
    }
}
BENCHMARK(BM_LocateOneFieldLastRow)->Unit(benchmark::kMillisecond);

void BM_LocateTwoFieldsCaseInsensitiveLastRow(benchmark::State& state) {
    ClientTable& t = loadedTable();
    const QVariantList keys{QString::number(1000000 + kRows - 1), QString("CLIENTE AÇÃO %1").arg(kRows - 1)};
    for (auto _ : state) {
        t.first();
        benchmark::DoNotOptimize(t.locate("NRPROPOSFAS;NMCLIENTE", keys, loCaseInsensitive));
    }
}
BENCHMARK(BM_LocateTwoFieldsCaseInsensitiveLastRow)->Unit(benchmark::kMillisecond);

void BM_FilterDateAndFloat(benchmark::State& state) {
    ClientTable& t = loadedTable();
    t.setFiltered(false);
    t.setFilter("DTVALPROPFAS = '15/03/2024'");
    t.setFiltered(true);
    int toggle = 0;
    for (auto _ : state) {
        t.setFilter(++toggle % 2 ? "DTVALPROPFAS >= '01/06/2025' AND VRLICENCUSOPROP <> '0'"
                                 : "NRVERPROPFAS = '2' OR VRLICENCUSOPROP > '50,5'");
        benchmark::DoNotOptimize(t.recordCount());
    }
    t.setFiltered(false);
}
BENCHMARK(BM_FilterDateAndFloat)->Unit(benchmark::kMillisecond);

void BM_SetData(benchmark::State& state) {
    const Packet& p = proposals();
    ClientTable t;
    for (auto _ : state) {
        t.setData(p);
        benchmark::DoNotOptimize(t.recordCount());
    }
}
BENCHMARK(BM_SetData)->Unit(benchmark::kMillisecond);

void BM_Data(benchmark::State& state) {
    ClientTable& t = loadedTable();
    for (auto _ : state) {
        Packet p = t.data();
        benchmark::DoNotOptimize(p.rows.size());
    }
}
BENCHMARK(BM_Data)->Unit(benchmark::kMillisecond);

void BM_PacketToJsonText(benchmark::State& state) {
    const Packet& p = proposals();
    for (auto _ : state) {
        const QByteArray text = QJsonDocument(packetToJson(p)).toJson(QJsonDocument::Compact);
        benchmark::DoNotOptimize(text.size());
        state.counters["MB"] = double(text.size()) / 1e6;
    }
}
BENCHMARK(BM_PacketToJsonText)->Unit(benchmark::kMillisecond);

void BM_PacketFromJsonText(benchmark::State& state) {
    const QByteArray text = QJsonDocument(packetToJson(proposals())).toJson(QJsonDocument::Compact);
    for (auto _ : state) {
        const Packet p = packetFromJson(QJsonDocument::fromJson(text).object());
        benchmark::DoNotOptimize(p.rows.size());
    }
}
BENCHMARK(BM_PacketFromJsonText)->Unit(benchmark::kMillisecond);

// The same packet through the writer and reader the transport uses.
void BM_PacketToFastText(benchmark::State& state) {
    const Packet& p = proposals();
    for (auto _ : state) {
        const QByteArray text = packetJsonText(p);
        benchmark::DoNotOptimize(text.size());
        state.counters["MB"] = double(text.size()) / 1e6;
    }
}
BENCHMARK(BM_PacketToFastText)->Unit(benchmark::kMillisecond);

// The same packet written as a list read from the database reaches the writer: texts and
// stored dates as UTF-8 bytes, numbers as they are.
void BM_PacketToFastTextFromRows(benchmark::State& state) {
    const Packet& p = proposals();
    struct Cell {
        QByteArray text;
        double number = 0;
    };
    std::vector<Cell> cells;
    cells.reserve(size_t(p.rows.size()) * size_t(p.fields.size()));
    for (const QVariantList& row : p.rows)
        for (int c = 0; c < p.fields.size(); ++c)
            cells.push_back(p.fields[c].type == FieldType::DateTime
                                ? Cell{row[c].toDateTime().toString("yyyy-MM-dd HH:mm:ss").toUtf8()}
                            : p.fields[c].type == FieldType::String ? Cell{row[c].toString().toUtf8()}
                                                                    : Cell{{}, row[c].toDouble()});
    for (auto _ : state) {
        QByteArray out;
        PacketJsonWriter w(out, p.fields);
        const Cell* cell = cells.data();
        for (qsizetype r = 0; r < p.rows.size(); ++r) {
            w.beginRow();
            for (const FieldDef& f : p.fields) {
                if (f.type == FieldType::String) w.text(QByteArrayView(cell->text));
                else if (f.type == FieldType::DateTime) w.storedDate(QByteArrayView(cell->text));
                else if (f.type == FieldType::Integer) w.integer(qint64(cell->number));
                else w.real(cell->number);
                ++cell;
            }
            w.endRow();
        }
        w.finish();
        benchmark::DoNotOptimize(out.size());
        state.counters["MB"] = double(out.size()) / 1e6;
    }
}
BENCHMARK(BM_PacketToFastTextFromRows)->Unit(benchmark::kMillisecond);

void BM_PacketFromFastText(benchmark::State& state) {
    const QByteArray text = packetJsonText(proposals());
    for (auto _ : state) {
        const Packet p = packetFromJsonText(text);
        benchmark::DoNotOptimize(p.rows.size());
    }
}
BENCHMARK(BM_PacketFromFastText)->Unit(benchmark::kMillisecond);

// The two halves of the text round trip, to see where the time goes.
void BM_PacketToJsonObjectOnly(benchmark::State& state) {
    const Packet& p = proposals();
    for (auto _ : state) benchmark::DoNotOptimize(packetToJson(p));
}
BENCHMARK(BM_PacketToJsonObjectOnly)->Unit(benchmark::kMillisecond);

void BM_PacketFromJsonObjectOnly(benchmark::State& state) {
    const QJsonObject json = packetToJson(proposals());
    for (auto _ : state) {
        const Packet p = packetFromJson(json);
        benchmark::DoNotOptimize(p.rows.size());
    }
}
BENCHMARK(BM_PacketFromJsonObjectOnly)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
