// The sales pipeline's figures (GetPainelPropostas) over 100k proposals of a branch made
// within the period: the whole call on loopback (its reply is a few hundred rows, so that
// is the server's time) and the database's grouping query alone on a connection of the
// benchmark. cot_bench_pipeline_bench [--benchmark_filter=...]
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <cstdio>
#include <memory>

#include "base/clock.h"
#include "rpc/net_connection.h"
#include "server/methods/pipeline_query.h"
#include "server/storage/database.h"
#include "support/bench_database.h"
#include "support/bench_server.h"
#include "support/median_reporter.h"

using namespace cot;

namespace {

constexpr int kProposals = 100000;

// The generated proposals spread over 2022-2026 (so one five-year period takes them all),
// each with two product lines, a third of them with three licence installments, and every
// fourth charged by the hour with two services; the rest keep their package value.
void addContents(bench::BenchDatabase& database) {
    auto db = database.open();
    server::Transaction t(*db);
    db->exec(QStringLiteral("UPDATE PROPOSTAFAS SET DTPROPOSFAS = date('2022-01-01', '+' || (CAST(SUBSTR(NRPROPOSFAS, 2) "
                            "AS INTEGER) % 1800) || ' days') || 'T10:00:00.000', "
                            "IDTIPOCOBRSERV = CASE WHEN CAST(SUBSTR(NRPROPOSFAS, 2) AS INTEGER) % 4 = 0 THEN 'H' "
                            "ELSE 'P' END WHERE NRPROPOSFAS LIKE '9%'"));
    db->exec(QStringLiteral("INSERT INTO LINPPROP (NRPROPOSFAS, NRVERPROPFAS, CDLINPPROP, QTMINIMAFATPROP, "
                            "VRLICENCUSOPROP, VRDESLICUSOPROP, VRMENSALIDAPROP, VRDESMENSALPROP) "
                            "SELECT P.NRPROPOSFAS, P.NRVERPROPFAS, L.C, 1 + CAST(SUBSTR(P.NRPROPOSFAS, 2) AS INTEGER) % 5, "
                            "(CAST(SUBSTR(P.NRPROPOSFAS, 2) AS INTEGER) * 7 % 100000) / 100.0, 0.29, 199.9, 0.07 "
                            "FROM PROPOSTAFAS P, (SELECT '1' AS C UNION ALL SELECT '2') L "
                            "WHERE P.NRPROPOSFAS LIKE '9%'"));
    db->exec(QStringLiteral("INSERT INTO VENCLINPPROP (NRPROPOSFAS, NRVERPROPFAS, CDLINPPROP, DTVELUSOPEDP, VRVELUSOPEDP) "
                            "SELECT L.NRPROPOSFAS, L.NRVERPROPFAS, L.CDLINPPROP, K.D, L.VRLICENCUSOPROP / 3 "
                            "FROM LINPPROP L, (SELECT '2027-01-10T00:00:00.000' AS D UNION ALL "
                            "SELECT '2027-02-10T00:00:00.000' UNION ALL SELECT '2027-03-10T00:00:00.000') K "
                            "WHERE L.NRPROPOSFAS LIKE '9%' AND CAST(SUBSTR(L.NRPROPOSFAS, 2) AS INTEGER) % 3 = 0"));
    db->exec(QStringLiteral("INSERT INTO SERVPROP (NRPROPOSFAS, NRVERPROPFAS, NRSERVPROP, CDTIPOSERV, QTSERVPROP, "
                            "VRDEHORAPROP) SELECT P.NRPROPOSFAS, P.NRVERPROPFAS, S.N, (SELECT MIN(CDTIPOSERV) FROM TIPOSERV), "
                            "8, 150.5 FROM PROPOSTAFAS P, (SELECT '001' AS N UNION ALL SELECT '002') S "
                            "WHERE P.NRPROPOSFAS LIKE '9%' AND P.IDTIPOCOBRSERV = 'H'"));
    t.commit();
}

struct Environment {
    Environment() : server(prepared(database).url()) { net = server.connect(); }
    ~Environment() { net.reset(); }
    static bench::BenchDatabase& prepared(bench::BenchDatabase& database) {
        database.addGeneratedProposals(kProposals);
        addContents(database);
        return database;
    }

    bench::BenchDatabase database;
    bench::InProcessServer server;
    std::unique_ptr<NetConnection> net;
};

std::unique_ptr<Environment>& environmentSlot() {
    static std::unique_ptr<Environment> env;
    return env;
}

Environment& environment() {
    auto& env = environmentSlot();
    if (!env) env = std::make_unique<Environment>();
    return *env;
}

void BM_Pipeline_Rpc(benchmark::State& state) {
    Environment& env = environment();
    const QVariantList args{env.database.branch(), QStringLiteral("01/01/2022"), QStringLiteral("31/12/2026"), QString()};
    qsizetype rows = 0;
    qint64 counted = 0;
    for (auto _ : state) {
        const RpcResult r = env.net->call(QStringLiteral("GetPainelPropostas"), args);
        if (!r.ok) {
            state.SkipWithError(qPrintable(r.error));
            break;
        }
        const Packet p = r.value.value<Packet>();
        rows = p.rows.size();
        for (int i = 0; i < p.rows.size(); ++i)
            if (p.value(i, QStringLiteral("CDCHAVE")).toString() == QLatin1String("TOTAL"))
                counted = p.value(i, QStringLiteral("QTPROPOSTAS")).toLongLong();
    }
    state.counters["rows"] = double(rows);
    state.counters["proposals"] = double(counted);
}

void BM_Pipeline_Query(benchmark::State& state) {
    Environment& env = environment();
    auto db = env.database.open();
    const server::PipelineQuery q{env.database.branch(), QDate(2022, 1, 1), QDate(2026, 12, 31), QString(),
                                  QString(), Clock::current().today()};
    qsizetype groups = 0;
    for (auto _ : state) groups = server::pipelineGroups(*db, q).size();
    state.counters["groups"] = double(groups);
}

void options(benchmark::internal::Benchmark* b) {
    b->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly(true);
}
BENCHMARK(BM_Pipeline_Rpc)->Apply(options);
BENCHMARK(BM_Pipeline_Query)->Apply(options);

void printSummary(const bench::Medians& medians) {
    const auto call = medians.find("BM_Pipeline_Rpc/");
    const auto query = medians.find("BM_Pipeline_Query/");
    if (call != medians.end()) std::printf("GetPainelPropostas, %d propostas: %.1f ms\n", kProposals, call->second);
    if (query != medians.end()) std::printf("  consulta de agrupamento sozinha: %.1f ms\n", query->second);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    bench::MedianReporter reporter(printSummary);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    environmentSlot().reset();  // the server stops while Qt is still up
    return 0;
}
