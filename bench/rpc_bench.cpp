// The proposal list end to end (server query → JSON-RPC over HTTP → packet → client table)
// against reading the same rows straight from the SQLite file, and the round trip of a
// small call. Build in Release for numbers: cot_bench_rpc_bench [--benchmark_filter=...]
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <cstdio>
#include <map>
#include <memory>

#include "data/client_dataset.h"
#include "server/migrations/migrations.h"
#include "rpc/net_connection.h"
#include "server/rpc/rpc_server.h"
#include "server/seed/demo_seed.h"
#include "server/storage/database.h"

using namespace cot;
using namespace cot::server;

namespace {

// A server over a SQLite file holding the demo data plus `count` generated proposals.
struct Environment {
    explicit Environment(int count) {
        url = QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("bench.db"));
        auto db = Database::open(url);
        migrate(*db);
        seedDemo(*db);
        branch = db->scalar(QStringLiteral("SELECT MIN(CDFILIAL) FROM FILIAL")).toString();
        const QString client = db->scalar(QStringLiteral("SELECT MIN(CDCLIENTE) FROM CLIENTE")).toString();
        const QString oper = db->scalar(QStringLiteral("SELECT MIN(CDOPERADOR) FROM OPERADOR")).toString();
        Transaction t(*db);
        db->exec(QStringLiteral(
                     "WITH RECURSIVE SEQ(I) AS (SELECT 1 UNION ALL SELECT I + 1 FROM SEQ WHERE I < :N) "
                     "INSERT INTO PROPOSTAFAS (NRPROPOSFAS, NRVERPROPFAS, CDFILIAL, IDSOLPROPFAS, IDCLIENPROSP, "
                     "CDCLIENTE, DSREFEPROPOSFAS, DTPROPOSFAS, DTVALPROPFAS, CDOPERSOLI, CDOPERINCL, CDOPERRESP, "
                     "IDTIPOPROPFAS, VRPACOTESERV, IDTIPOCOBRSERV, DSOBSPROPFAS) "
                     "SELECT printf('9%08d', I), '00', :F, 'N', 'C', :C, 'Proposta gerada ' || I, "
                     "'2026-01-01 00:00:00', '2026-12-31 00:00:00', :O1, :O2, :O3, 'M', 1000.5 + I, 'P', "
                     "'Observação da proposta gerada para a medição' FROM SEQ"),
                 {{"N", count}, {"F", branch}, {"C", client}, {"O1", oper}, {"O2", oper}, {"O3", oper}});
        t.commit();
        db.reset();

        ServerConfig config;
        config.databaseUrl = url;
        config.port = 0;
        config.seedDemo = false;
        server = std::make_unique<RpcServer>(config);
        server->start();
        net.setPort(server->port());
        if (!net.connect()) std::fprintf(stderr, "%s\n", qPrintable(net.lastError()));
    }
    ~Environment() {
        net.disconnect();
        server.reset();
    }

    QTemporaryDir dir;
    QString url, branch;
    std::unique_ptr<RpcServer> server;
    NetConnection net;
};

std::map<int, std::unique_ptr<Environment>>& environments() {
    static std::map<int, std::unique_ptr<Environment>> all;
    return all;
}

Environment& environment(int count) {
    auto& slot = environments()[count];
    if (!slot) slot = std::make_unique<Environment>(count);
    return *slot;
}

void BM_GetProposta_Rpc(benchmark::State& state) {
    Environment& env = environment(int(state.range(0)));
    ClientDataSet cdsProposta(QStringLiteral("cdsProposta"));
    qsizetype rows = 0;
    for (auto _ : state) {
        const RpcResult r = env.net.call(QStringLiteral("GetProposta"), {env.branch, QStringLiteral("T")});
        if (!r.ok) {
            state.SkipWithError(qPrintable(r.error));
            break;
        }
        cdsProposta.setData(r.value.value<Packet>());
        rows = cdsProposta.recordCount();
    }
    state.counters["rows"] = double(rows);
}

void BM_GetProposta_DirectSqlite(benchmark::State& state) {
    Environment& env = environment(int(state.range(0)));
    const QString name = QStringLiteral("bench_direct");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(env.url.mid(7));
        db.open();
        size_t rows = 0;
        for (auto _ : state) {
            QSqlQuery q(db);
            q.setForwardOnly(true);
            q.prepare(QStringLiteral("SELECT * FROM PROPOSTAFAS WHERE CDFILIAL = ?"));
            q.addBindValue(env.branch);
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

void BM_SmallCall_Rpc(benchmark::State& state) {
    Environment& env = environment(10000);
    for (auto _ : state) {
        const RpcResult r = env.net.call(QStringLiteral("GetParamPerc"));
        if (!r.ok) {
            state.SkipWithError(qPrintable(r.error));
            break;
        }
        benchmark::DoNotOptimize(r);
    }
}

BENCHMARK(BM_GetProposta_Rpc)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime()
    ->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_GetProposta_DirectSqlite)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime()
    ->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_SmallCall_Rpc)->Unit(benchmark::kMicrosecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly(true);

// Prints the usual table, then the ratio of the end-to-end list to the direct read.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                medians_[run.run_name.function_name + "/" + run.run_name.args] = run.GetAdjustedRealTime();
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        for (const char* n : {"10000", "100000"}) {
            const auto rpc = medians_.find(std::string("BM_GetProposta_Rpc/") + n);
            const auto direct = medians_.find(std::string("BM_GetProposta_DirectSqlite/") + n);
            if (rpc == medians_.end() || direct == medians_.end() || direct->second <= 0) continue;
            std::printf("GetProposta %s linhas: mediana RPC %.1f ms, leitura direta %.1f ms, razão %.1fx\n", n,
                        rpc->second, direct->second, rpc->second / direct->second);
        }
    }

private:
    std::map<std::string, double> medians_;
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    environments().clear();  // servers stop while Qt is still up
    return 0;
}
