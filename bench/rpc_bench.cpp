// The proposal list end to end (server query → JSON-RPC over HTTP → packet → client table),
// plain and compressed, against reading the same rows straight from the SQLite file, and
// the round trip of a small call. With COT_TEST_PG set, the lists also over PostgreSQL,
// against psql's CSV dump of the same rows. cot_bench_rpc_bench [--benchmark_filter=...]
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <sqlite3.h>
#include <cstdio>
#include <map>
#include <memory>

#include "data/client_table.h"
#include "rpc/http_request.h"
#include "rpc/net_connection.h"
#include "server/methods/proposal_list.h"
#include "support/bench_database.h"
#include "support/bench_server.h"
#include "support/median_reporter.h"

using namespace cot;

namespace {

using Engine = bench::BenchDatabase::Engine;

// A server over a database holding the demo data plus `count` generated proposals.
struct Environment {
    Environment(int count, Engine engine) : database(true, engine), server(database.url()) {
        database.addGeneratedProposals(count);
        net = server.connect();
    }
    ~Environment() { net.reset(); }  // the connection goes before the server

    bench::BenchDatabase database;
    bench::InProcessServer server;
    std::unique_ptr<NetConnection> net;
};

std::map<std::pair<Engine, int>, std::unique_ptr<Environment>>& environments() {
    static std::map<std::pair<Engine, int>, std::unique_ptr<Environment>> all;
    return all;
}

Environment& environment(int count, Engine engine = Engine::Sqlite) {
    auto& slot = environments()[{engine, count}];
    if (!slot) slot = std::make_unique<Environment>(count, engine);
    return *slot;
}

const QVariantList kAllOpen{QString(), QStringLiteral("T"), QStringLiteral("T"), QVariant(), QVariant(), QVariant(),
                            QVariant(), QStringLiteral("T"), QVariant(), QVariant(), QStringLiteral("T"),
                            QStringLiteral("T"), QStringLiteral("T"), QString(), QString(), QString(),
                            QStringLiteral("T"), QStringLiteral("T"), QString()};

// The list end to end into a client table ready for the grid.
void listIntoTable(benchmark::State& state, const QString& method, bool compressed,
                   Engine engine = Engine::Sqlite) {
    Environment& env = environment(int(state.range(0)), engine);
    QVariantList args{env.database.branch(), QStringLiteral("T")};
    if (method == QLatin1String("GetPropostaAux")) {
        args = kAllOpen;
        args[0] = env.database.branch();
    }
    env.net->setAskCompressed(compressed);
    ClientTable cdsProposta(QStringLiteral("cdsProposta"));
    qsizetype rows = 0;
    for (auto _ : state) {
        const RpcResult r = env.net->call(method, args);
        if (!r.ok) {
            state.SkipWithError(qPrintable(r.error));
            break;
        }
        cdsProposta.setData(r.value.value<Packet>());
        rows = cdsProposta.recordCount();
    }
    env.net->setAskCompressed(false);
    state.counters["rows"] = double(rows);
    // Bytes on the wire for one list, as sent with and without compression.
    const QByteArray body = QJsonDocument(QJsonObject{{"jsonrpc", "2.0"}, {"id", 1}, {"method", method},
                                                      {"params", QJsonArray::fromVariantList(args)}})
                                .toJson(QJsonDocument::Compact);
    const HttpReply wire = httpPost(QStringLiteral("127.0.0.1"), env.server.port(), QStringLiteral("/rpc"), body,
                                    QStringLiteral("application/json"), 120,
                                    compressed ? QStringLiteral("gzip") : QStringLiteral("identity"),
                                    env.server.token());
    state.counters["bytes"] = double(wire.body.size());
    state.counters["bytes/row"] = rows > 0 ? double(wire.body.size()) / double(rows) : 0.0;
}

void BM_GetProposta_Rpc(benchmark::State& state) { listIntoTable(state, QStringLiteral("GetProposta"), false); }
void BM_GetPropostaAux_Rpc(benchmark::State& state) { listIntoTable(state, QStringLiteral("GetPropostaAux"), false); }
void BM_GetProposta_RpcGzip(benchmark::State& state) { listIntoTable(state, QStringLiteral("GetProposta"), true); }
void BM_GetProposta_RpcPostgres(benchmark::State& state) {
    listIntoTable(state, QStringLiteral("GetProposta"), false, Engine::Postgres);
}
void BM_GetPropostaAux_RpcPostgres(benchmark::State& state) {
    listIntoTable(state, QStringLiteral("GetPropostaAux"), false, Engine::Postgres);
}

// Runs `program` (the engine's own shell dumping the list as CSV) once per iteration, its
// whole output read.
void timeDump(benchmark::State& state, const char* program, const QStringList& arguments,
              const QProcessEnvironment& environment) {
    const QString path = QStandardPaths::findExecutable(QLatin1String(program));
    if (path.isEmpty()) {
        state.SkipWithError("the engine's shell is not installed");
        return;
    }
    qsizetype rows = 0, bytes = 0;
    for (auto _ : state) {
        QProcess p;
        p.setProcessEnvironment(environment);
        p.start(path, arguments);
        QByteArray out;
        while (p.waitForReadyRead(-1)) out += p.readAllStandardOutput();
        p.waitForFinished(-1);
        out += p.readAllStandardOutput();
        if (p.exitCode() != 0) {
            state.SkipWithError(p.readAllStandardError().constData());
            break;
        }
        bytes = out.size();
        rows = out.count('\n');
    }
    state.counters["rows"] = double(rows);  // lines: a row whose text holds a line break counts twice
    state.counters["bytes"] = double(bytes);
}

// The list's query with the branch written in, for the engines' shells.
QString listSqlFor(const QString& branch) {
    QString quoted = branch;
    quoted.replace(u'\'', QStringLiteral("''"));
    return server::proposalListSql(QStringLiteral("P.CDFILIAL = '%1'").arg(quoted));
}

// PostgreSQL's own floor for the same rows: psql dumping the list's query as CSV on
// loopback, with the server's own session setting (no JIT), i.e.
//   PGOPTIONS='-c jit=off' psql -X -q -d URL -c "COPY (<list query, branch filled in>) TO STDOUT WITH CSV"
void BM_GetProposta_PsqlCopy(benchmark::State& state) {
    Environment& env = environment(int(state.range(0)), Engine::Postgres);
    QProcessEnvironment noJit = QProcessEnvironment::systemEnvironment();
    noJit.insert(QStringLiteral("PGOPTIONS"), QStringLiteral("-c jit=off"));
    timeDump(state, "psql",
             {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-d"), env.database.url(), QStringLiteral("-c"),
              QStringLiteral("COPY (%1) TO STDOUT WITH CSV").arg(listSqlFor(env.database.branch()))},
             noJit);
}

// SQLite's own floor: its shell dumping the list's query as CSV from the same file, i.e.
//   sqlite3 -csv FILE "<list query, branch filled in>"
void BM_GetProposta_Sqlite3Csv(benchmark::State& state) {
    Environment& env = environment(int(state.range(0)));
    timeDump(state, "sqlite3", {QStringLiteral("-csv"), env.database.path(), listSqlFor(env.database.branch())},
             QProcessEnvironment::systemEnvironment());
}

// The same rows and columns read straight from the SQLite file: the list's own query
// through Qt Sql, each row a list of values, as any Qt program reads a table.
void BM_GetProposta_DirectSqlite(benchmark::State& state) {
    Environment& env = environment(int(state.range(0)));
    const QString name = QStringLiteral("bench_direct");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(env.database.path());
        db.open();
        const QString sql = server::proposalListSql(QStringLiteral("P.CDFILIAL = ?"));
        size_t rows = 0;
        for (auto _ : state) {
            QSqlQuery q(db);
            q.setForwardOnly(true);
            q.prepare(sql);
            q.addBindValue(env.database.branch());
            q.exec();
            std::vector<QVariantList> table;
            const int columns = q.record().count();
            while (q.next()) {
                QVariantList row;
                row.reserve(columns);
                for (int c = 0; c < columns; ++c) row.append(q.value(c));
                table.push_back(std::move(row));
            }
            rows = table.size();
            benchmark::DoNotOptimize(table);
        }
        state.counters["rows"] = double(rows);
    }
    QSqlDatabase::removeDatabase(name);
}

// The engine's floor: the same query stepped through SQLite's C API, every value read
// (texts as bytes) and nothing kept.
void BM_GetProposta_SqliteEngine(benchmark::State& state) {
    Environment& env = environment(int(state.range(0)));
    sqlite3* db = nullptr;
    sqlite3_open_v2(qPrintable(env.database.path()), &db, SQLITE_OPEN_READONLY, nullptr);
    const QByteArray sql = server::proposalListSql(QStringLiteral("P.CDFILIAL = ?")).toUtf8();
    const QByteArray branch = env.database.branch().toUtf8();
    size_t rows = 0, bytes = 0;
    for (auto _ : state) {
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &stmt, nullptr);
        sqlite3_bind_text(stmt, 1, branch.constData(), int(branch.size()), SQLITE_TRANSIENT);
        rows = 0;
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            ++rows;
            for (int c = 0, n = sqlite3_column_count(stmt); c < n; ++c) {
                sqlite3_column_text(stmt, c);
                bytes += size_t(sqlite3_column_bytes(stmt, c));
            }
        }
        sqlite3_finalize(stmt);
    }
    benchmark::DoNotOptimize(bytes);
    sqlite3_close(db);
    state.counters["rows"] = double(rows);
}

void BM_SmallCall_Rpc(benchmark::State& state) {
    Environment& env = environment(10000);
    for (auto _ : state) {
        const RpcResult r = env.net->call(QStringLiteral("GetParamPerc"));
        if (!r.ok) {
            state.SkipWithError(qPrintable(r.error));
            break;
        }
        benchmark::DoNotOptimize(r);
    }
}

void listSizes(benchmark::internal::Benchmark* b) {
    b->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly(true);
}
BENCHMARK(BM_GetProposta_Rpc)->Apply(listSizes);
BENCHMARK(BM_GetPropostaAux_Rpc)->Apply(listSizes);
BENCHMARK(BM_GetProposta_RpcGzip)->Apply(listSizes);
BENCHMARK(BM_GetProposta_DirectSqlite)->Apply(listSizes);
BENCHMARK(BM_GetProposta_SqliteEngine)->Apply(listSizes);
BENCHMARK(BM_GetProposta_Sqlite3Csv)->Apply(listSizes);
BENCHMARK(BM_SmallCall_Rpc)->Unit(benchmark::kMicrosecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly(true);

// Each list's ratio to the direct read of the same rows.
// Each list's median against a base measured on the same rows.
void printRatios(const bench::Medians& medians, const char* base, const char* title,
                 std::initializer_list<const char*> lists) {
    for (const char* n : {"10000", "100000"}) {
        const auto b = medians.find(std::string(base) + "/" + n);
        if (b == medians.end() || b->second <= 0) continue;
        std::printf("%s linhas: %s %.1f ms\n", n, title, b->second);
        for (const char* list : lists) {
            const auto m = medians.find(std::string(list) + "/" + n);
            if (m != medians.end())
                std::printf("  %-28s %8.1f ms  razão %.2fx\n", list + 3, m->second, m->second / b->second);
        }
    }
}

void printSummary(const bench::Medians& medians) {
    printRatios(medians, "BM_GetProposta_PsqlCopy", "PostgreSQL, psql COPY CSV",
                {"BM_GetProposta_RpcPostgres", "BM_GetPropostaAux_RpcPostgres"});
    printRatios(medians, "BM_GetProposta_Sqlite3Csv", "SQLite, sqlite3 -csv",
                {"BM_GetProposta_Rpc", "BM_GetPropostaAux_Rpc"});
    printRatios(medians, "BM_GetProposta_DirectSqlite", "leitura direta (Qt Sql)",
                {"BM_GetProposta_Rpc", "BM_GetPropostaAux_Rpc", "BM_GetProposta_RpcGzip", "BM_GetProposta_SqliteEngine"});
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (bench::BenchDatabase::postgresAvailable()) {
        for (auto* b : {benchmark::RegisterBenchmark("BM_GetProposta_RpcPostgres", BM_GetProposta_RpcPostgres),
                        benchmark::RegisterBenchmark("BM_GetPropostaAux_RpcPostgres", BM_GetPropostaAux_RpcPostgres),
                        benchmark::RegisterBenchmark("BM_GetProposta_PsqlCopy", BM_GetProposta_PsqlCopy)})
            b->Apply(listSizes);
    }
    bench::MedianReporter reporter(printSummary);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    environments().clear();  // servers stop while Qt is still up
    return 0;
}
