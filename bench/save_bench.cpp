// Saves of proposal headers under concurrent clients, against the same rows written
// straight into the database. On SQLite, and on PostgreSQL too when COT_TEST_PG is set.
//
// Server: one server in this process over a fresh database with the demo data; each
// client thread has its own NetConnection and posts one-row insert deltas to SetProposta
// (a new proposal each time, numbered by the thread), one call per row.
// Direct: another fresh database, the same rows inserted by as many threads through the
// engine's C library (support/direct_writer.h), one transaction per row, as the server's
// resolver does. Twice: the header alone, and the header with the
// history rows a save writes with it (one per field set, in one statement, as the server
// writes them): what the engine itself must do for a save.
// Bare: the same clients each call GetDataHoraServ (a session check and the clock, nothing
// written) as many times, so a save is also told in bare calls on the same transport.
// All three run with 1 client (the round trip's share of a save) and with 8.
//
// cot_bench_save_bench [--rows N] [--repetitions N] [--clients 1,8]
//   rows per client (default 500), runs (default 3, the median is printed), client counts
#include <QCoreApplication>
#include <QStringList>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

#include "rpc/net_connection.h"
#include "server/storage/database.h"
#include "support/bench_database.h"
#include "support/bench_server.h"
#include "support/direct_writer.h"
#include "support/proc_memory.h"

using namespace cot;
using namespace cot::bench;

namespace {

// The header columns a new proposal is saved with, as the screen's delta carries them.
const QList<FieldDef>& headerFields() {
    static const QList<FieldDef> fields{
        {"NRPROPOSFAS", FieldType::String, 20},     {"NRVERPROPFAS", FieldType::String, 2},
        {"CDFILIAL", FieldType::String, 4},         {"IDSOLPROPFAS", FieldType::String, 1},
        {"IDCLIENPROSP", FieldType::String, 1},     {"CDCLIENTE", FieldType::String, 21},
        {"DSREFEPROPOSFAS", FieldType::String, 100}, {"DTPROPOSFAS", FieldType::DateTime, 0},
        {"DTVALPROPFAS", FieldType::DateTime, 0},   {"CDOPERINCL", FieldType::String, 12},
        {"CDOPERSOLI", FieldType::String, 12},      {"IDTIPOPROPFAS", FieldType::String, 1},
        {"IDIDIOMA", FieldType::String, 3},         {"DSOBSPROPFAS", FieldType::String, 250}};
    return fields;
}

// Row `n` of the measurement; numbers never repeat within a process. The dates are made
// once: a local date and time costs a look at the time zone file each time.
QVariantList headerRow(qint64 n, const QString& client) {
    static const QDateTime day(QDate(2026, 12, 6), QTime(0, 0));
    static const QDateTime valid = day.addDays(30);
    return {QStringLiteral("%1").arg(n, 20, 10, QChar(u'0')), QStringLiteral("01"), QStringLiteral("0001"),
            QStringLiteral("N"), QStringLiteral("C"), client, QStringLiteral("Proposta gravada na medição %1").arg(n),
            day, valid, QStringLiteral("VENDEDOR"), QStringLiteral("VENDEDOR"), QStringLiteral("M"),
            QStringLiteral("POR"), QStringLiteral("Gravada por um dos clientes simultâneos da medição.")};
}

std::atomic<qint64> nextNumber{500000000};

struct Outcome {
    double seconds = 0;
    int saved = 0;
    QString firstError;
    double rate() const { return seconds > 0 ? saved / seconds : 0; }
};

// Runs `perThread(thread, saved, error)` on `clients` threads started together; the time
// is from the start signal to the last thread's end.
template <class Body>
Outcome runClients(int clients, Body perThread) {
    std::vector<int> saved(clients, 0);
    std::vector<QString> errors(clients);
    std::atomic<int> ready{0};
    std::atomic<bool> go{false};
    std::vector<std::thread> threads;
    std::chrono::steady_clock::time_point start;
    for (int t = 0; t < clients; ++t)
        threads.emplace_back([&, t] {
            perThread(t, saved[t], errors[t], [&] {
                ++ready;
                while (!go.load()) std::this_thread::yield();
            });
        });
    while (ready.load() < clients) std::this_thread::yield();
    start = std::chrono::steady_clock::now();
    go = true;
    for (auto& th : threads) th.join();
    Outcome out;
    out.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    for (int t = 0; t < clients; ++t) {
        out.saved += saved[t];
        if (out.firstError.isEmpty()) out.firstError = errors[t];
    }
    return out;
}

Outcome serverSaves(const InProcessServer& server, const QString& client, int clients, int rows) {
    return runClients(clients, [&](int, int& saved, QString& error, auto waitStart) {
        std::unique_ptr<NetConnection> net;
        try {
            net = server.connect();  // connected before the clock starts
        } catch (const std::exception& e) {
            error = QString::fromLocal8Bit(e.what());
        }
        waitStart();
        if (!net) return;
        for (int i = 0; i < rows; ++i) {
            Delta delta{headerFields(), {RowChange{ChangeOp::Insert, {}, headerRow(nextNumber++, client)}}};
            const RpcResult r = net->call(QStringLiteral("SetProposta"), {QVariant::fromValue(delta)});
            if (r.ok) ++saved;
            else if (error.isEmpty()) error = r.error;
        }
    });
}

// The cheapest call that still passes the session check: the transport's own cost.
Outcome bareCalls(const InProcessServer& server, int clients, int calls) {
    return runClients(clients, [&](int, int& done, QString& error, auto waitStart) {
        std::unique_ptr<NetConnection> net;
        try {
            net = server.connect();
        } catch (const std::exception& e) {
            error = QString::fromLocal8Bit(e.what());
        }
        waitStart();
        if (!net) return;
        for (int i = 0; i < calls; ++i) {
            const RpcResult r = net->call(QStringLiteral("GetDataHoraServ"), {});
            if (r.ok) ++done;
            else if (error.isEmpty()) error = r.error;
        }
    });
}

Outcome directSaves(const BenchDatabase& database, int clients, int rows, bool withHistory) {
    return runClients(clients, [&](int, int& saved, QString& error, auto waitStart) {
        std::unique_ptr<DirectWriter> writer;
        try {
            writer = DirectWriter::open(database, headerFields(), withHistory);
        } catch (const std::exception& e) {
            error = QString::fromLocal8Bit(e.what());
        }
        waitStart();
        if (!writer) return;
        for (int i = 0; i < rows; ++i) {
            const QString failed = writer->write(headerRow(nextNumber++, database.client()));
            if (failed.isEmpty()) ++saved;
            else if (error.isEmpty()) error = failed;
        }
    });
}

int option(const QStringList& args, const QString& name, int fallback) {
    const qsizetype at = args.indexOf(name);
    bool ok = false;
    const int value = at >= 0 ? args.value(at + 1).toInt(&ok) : 0;
    return ok && value > 0 ? value : fallback;
}

// "--clients 1,8": the client counts to measure, in order.
std::vector<int> clientCounts(const QStringList& args) {
    std::vector<int> out;
    const qsizetype at = args.indexOf(QStringLiteral("--clients"));
    if (at >= 0)
        for (const QString& part : args.value(at + 1).split(u',')) {
            bool ok = false;
            const int n = part.trimmed().toInt(&ok);
            if (ok && n > 0 && n <= 64) out.push_back(n);
        }
    if (out.empty()) out = {1, 8};
    return out;
}

// Reports a run that did not do all it was asked; true when it did.
bool complete(const char* what, const Outcome& o, int expected) {
    if (o.firstError.isEmpty() && o.saved == expected) return true;
    std::fprintf(stderr, "  %s: %d de %d; primeiro erro: %s\n", what, o.saved, expected, qPrintable(o.firstError));
    return false;
}

// The table of one engine; false when a run did not do all it was asked or a confirmed
// save is missing from its database.
bool measure(BenchDatabase::Engine engine, const std::vector<int>& clientCounts, int rows, int repetitions) {
    BenchDatabase served(true, engine), direct(true, engine), directWithHistory(true, engine);
    InProcessServer server(served.url(), 16);
    std::printf("\n%s: gravações de cabeçalho de proposta (SetProposta de uma linha), chamadas vazias\n"
                "(GetDataHoraServ) e as mesmas linhas gravadas direto no banco; %d linhas por cliente, %d execuções,\n"
                "mediana das taxas\n\n",
                engine == BenchDatabase::Engine::Postgres ? "PostgreSQL" : "SQLite", rows, repetitions);
    std::printf("%-9s %10s %10s %12s %14s %14s %16s\n", "clientes", "grav./s", "vazias/s", "vazias/grav.",
                "direto+hist./s", "servidor/direto", "só cabeçalho/s");
    bool failed = false;
    qint64 savedViaServer = 0, savedDirect = 0, savedWithHistory = 0;
    for (int clients : clientCounts) {
        std::vector<double> rpcRates, bareRates, directRates, historyRates;
        for (int r = 0; r < repetitions; ++r) {
            const Outcome viaServer = serverSaves(server, served.client(), clients, rows);
            const Outcome bare = bareCalls(server, clients, rows);
            const Outcome straight = directSaves(direct, clients, rows, false);
            const Outcome withHistory = directSaves(directWithHistory, clients, rows, true);
            failed |= !complete("servidor", viaServer, clients * rows);
            failed |= !complete("vazias", bare, clients * rows);
            failed |= !complete("direto", straight, clients * rows);
            failed |= !complete("direto com histórico", withHistory, clients * rows);
            savedViaServer += viaServer.saved;
            savedDirect += straight.saved;
            savedWithHistory += withHistory.saved;
            rpcRates.push_back(viaServer.rate());
            bareRates.push_back(bare.rate());
            directRates.push_back(straight.rate());
            historyRates.push_back(withHistory.rate());
        }
        const double rpc = median(rpcRates), bare = median(bareRates), header = median(directRates),
                     sql = median(historyRates);
        std::printf("%-9d %10.0f %10.0f %12.2f %14.0f %14.0f%% %16.0f\n", clients, rpc, bare, rpc > 0 ? bare / rpc : 0,
                    sql, sql > 0 ? 100 * rpc / sql : 0, header);
    }
    // A save answered as done must be in the database.
    const auto stored = [](const BenchDatabase& data) {
        return data.open()
            ->scalar(QStringLiteral("SELECT COUNT(*) FROM PROPOSTAFAS WHERE DSREFEPROPOSFAS LIKE 'Proposta gravada%'"))
            .toLongLong();
    };
    const qint64 inServer = stored(served), inDirect = stored(direct), inHistory = stored(directWithHistory);
    std::printf("linhas gravadas: servidor %lld de %lld confirmadas, direto %lld de %lld, com histórico %lld de %lld\n",
                inServer, savedViaServer, inDirect, savedDirect, inHistory, savedWithHistory);
    return !failed && inServer == savedViaServer && inDirect == savedDirect && inHistory == savedWithHistory;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    setvbuf(stdout, nullptr, _IOLBF, 0);  // figures appear as they come, between the server's messages
    const QStringList args = app.arguments();
    const int rows = option(args, QStringLiteral("--rows"), 500);
    const int repetitions = option(args, QStringLiteral("--repetitions"), 3);
    try {
        bool ok = measure(BenchDatabase::Engine::Sqlite, clientCounts(args), rows, repetitions);
        if (BenchDatabase::postgresAvailable())
            ok &= measure(BenchDatabase::Engine::Postgres, clientCounts(args), rows, repetitions);
        std::printf("\nvazias/grav. = quantas chamadas vazias custam o mesmo que uma gravação (meta <= 2)\n"
                    "direto+hist. = o cabeçalho e as linhas de histórico que a gravação escreve, direto no banco\n"
                    "servidor/direto = gravações/s pelo servidor ÷ direto+hist./s\n");
        return ok ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cot_bench_save_bench: %s\n", e.what());
        return 1;
    }
}
