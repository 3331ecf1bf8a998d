// Saves of proposal headers under concurrent clients, against the same rows written
// straight into SQLite.
//
// Server: one server in this process over a fresh SQLite file with the demo data; each
// client thread has its own NetConnection and posts one-row insert deltas to SetProposta
// (a new proposal each time, numbered by the thread), one call per row.
// Direct: another fresh file, the same rows inserted by as many threads through the SQLite
// C API with the server's pragmas (WAL, synchronous=NORMAL, busy_timeout, foreign keys),
// one BEGIN IMMEDIATE ... COMMIT per row, as the server's resolver does, the threads taking
// turns as the server's connections do. Twice: the header alone, and the header with the
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
#include <mutex>
#include <sqlite3.h>
#include <stdexcept>
#include <thread>
#include <vector>

#include "rpc/net_connection.h"
#include "server/storage/database.h"
#include "support/bench_database.h"
#include "support/bench_server.h"
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

// The direct writers of one run take turns here before BEGIN IMMEDIATE, as the server's
// connections do: waiting in SQLite's busy handler instead (sleeps of up to 100 ms between
// looks) would measure the handler, not the engine.
std::mutex directTurns;

// One connection of the direct writer, set up as the server sets up its own.
class DirectWriter {
public:
    DirectWriter(const QString& path, bool withHistory) : withHistory_(withHistory) {
        if (sqlite3_open_v2(path.toUtf8().constData(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) !=
            SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(db_));
        check(sqlite3_exec(db_,
                           "PRAGMA busy_timeout = 10000; PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL; "
                           "PRAGMA foreign_keys = ON;",
                           nullptr, nullptr, nullptr));
        QStringList names, marks;
        for (const FieldDef& f : headerFields()) {
            names << f.name;
            marks << QStringLiteral("?");
        }
        const QByteArray sql = QStringLiteral("INSERT INTO PROPOSTAFAS (%1) VALUES (%2)")
                                   .arg(names.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")))
                                   .toUtf8();
        check(sqlite3_prepare_v2(db_, sql.constData(), -1, &insert_, nullptr));
        QStringList rows;
        for (int i = 0; i < headerFields().size(); ++i) rows << QStringLiteral("(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        const QByteArray history = QStringLiteral("INSERT INTO HISTPROP (NRPROPOSFAS, NRVERPROPFAS, DTHIST, NRSEQHIST, "
                                                  "CDOPERADOR, NMMETODO, NMTABELA, DSCHAVE, IDOPERHIST, NMCAMPO, "
                                                  "VLANTERIOR, VLNOVO) VALUES %1")
                                       .arg(rows.join(QStringLiteral(", ")))
                                       .toUtf8();
        check(sqlite3_prepare_v2(db_, history.constData(), -1, &history_, nullptr));
        check(sqlite3_prepare_v2(db_, "BEGIN IMMEDIATE", -1, &begin_, nullptr));
        check(sqlite3_prepare_v2(db_, "COMMIT", -1, &commit_, nullptr));
        check(sqlite3_prepare_v2(db_, "ROLLBACK", -1, &rollback_, nullptr));
    }
    ~DirectWriter() {
        for (sqlite3_stmt* s : {insert_, history_, begin_, commit_, rollback_}) sqlite3_finalize(s);
        sqlite3_close(db_);
    }
    DirectWriter(const DirectWriter&) = delete;
    DirectWriter& operator=(const DirectWriter&) = delete;

    // One row in its own transaction; the engine's text when it failed.
    QString write(const QVariantList& row) {
        std::lock_guard turn(directTurns);
        if (step(begin_) != SQLITE_DONE) return sqlite3_errmsg(db_);
        QList<QByteArray> texts;
        for (int c = 0; c < row.size(); ++c) {
            const QVariant& v = row[c];
            texts << (v.typeId() == QMetaType::QDateTime ? dateText(v.toDateTime()) : v.toString().toUtf8());
            bindText(insert_, c + 1, texts.last());
        }
        bool done = step(insert_) == SQLITE_DONE;
        if (done && withHistory_) {
            static const QByteArray now = dateText(QDateTime(QDate(2026, 12, 7), QTime(10, 0)));
            const QByteArray key = "NRPROPOSFAS=" + texts[0] + "; NRVERPROPFAS=" + texts[1];
            int at = 1;
            for (int c = 0; c < row.size(); ++c) {
                for (const QByteArray& value : {texts[0], texts[1], now}) bindText(history_, at++, value);
                sqlite3_bind_int64(history_, at++, ++historySequence);
                for (const QByteArray& value : {QByteArray("VENDEDOR"), QByteArray("SetProposta"),
                                                QByteArray("PROPOSTAFAS"), key, QByteArray("I"),
                                                headerFields()[c].name.toUtf8()})
                    bindText(history_, at++, value);
                sqlite3_bind_null(history_, at++);
                bindText(history_, at++, texts[c]);
            }
            done = step(history_) == SQLITE_DONE;
        }
        if (!done || step(commit_) != SQLITE_DONE) {
            const QString error = QString::fromUtf8(sqlite3_errmsg(db_));
            if (!sqlite3_get_autocommit(db_)) step(rollback_);
            return error;
        }
        return {};
    }

private:
    // As the server's driver writes a date and time, from its parts: a local QDateTime
    // turned to text as a whole looks at the time zone file each time.
    static QByteArray dateText(const QDateTime& d) {
        return (d.date().toString(Qt::ISODate) + u' ' + d.time().toString(QStringLiteral("HH:mm:ss"))).toUtf8();
    }
    static void bindText(sqlite3_stmt* s, int at, const QByteArray& text) {
        sqlite3_bind_text(s, at, text.constData(), int(text.size()), SQLITE_TRANSIENT);
    }
    static int step(sqlite3_stmt* s) {
        const int rc = sqlite3_step(s);
        sqlite3_reset(s);
        return rc;
    }
    void check(int rc) const {
        if (rc != SQLITE_OK) throw std::runtime_error(sqlite3_errmsg(db_));
    }
    static inline std::atomic<qint64> historySequence{0};
    const bool withHistory_;
    sqlite3* db_ = nullptr;
    sqlite3_stmt *insert_ = nullptr, *history_ = nullptr, *begin_ = nullptr, *commit_ = nullptr, *rollback_ = nullptr;
};

Outcome directSaves(const QString& path, const QString& client, int clients, int rows, bool withHistory) {
    return runClients(clients, [&](int, int& saved, QString& error, auto waitStart) {
        std::unique_ptr<DirectWriter> writer;
        try {
            writer = std::make_unique<DirectWriter>(path, withHistory);
        } catch (const std::exception& e) {
            error = QString::fromLocal8Bit(e.what());
        }
        waitStart();
        if (!writer) return;
        for (int i = 0; i < rows; ++i) {
            const QString failed = writer->write(headerRow(nextNumber++, client));
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

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    setvbuf(stdout, nullptr, _IOLBF, 0);  // figures appear as they come, between the server's messages
    const QStringList args = app.arguments();
    const int rows = option(args, QStringLiteral("--rows"), 500);
    const int repetitions = option(args, QStringLiteral("--repetitions"), 3);
    try {
        BenchDatabase served, direct, directWithHistory;
        InProcessServer server(served.url(), 16);
        std::printf("Gravações de cabeçalho de proposta (SetProposta de uma linha), chamadas vazias (GetDataHoraServ)\n"
                    "e INSERT direto no SQLite; %d linhas por cliente, %d execuções, mediana das taxas\n\n",
                    rows, repetitions);
        std::printf("%-9s %10s %10s %12s %14s %14s %16s\n", "clientes", "grav./s", "vazias/s", "vazias/grav.",
                    "direto+hist./s", "servidor/direto", "só cabeçalho/s");
        bool failed = false;
        qint64 savedViaServer = 0, savedDirect = 0, savedWithHistory = 0;
        for (int clients : clientCounts(args)) {
            std::vector<double> rpcRates, bareRates, directRates, historyRates;
            for (int r = 0; r < repetitions; ++r) {
                const Outcome viaServer = serverSaves(server, served.client(), clients, rows);
                const Outcome bare = bareCalls(server, clients, rows);
                const Outcome straight = directSaves(direct.path(), direct.client(), clients, rows, false);
                const Outcome withHistory =
                    directSaves(directWithHistory.path(), directWithHistory.client(), clients, rows, true);
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
            std::printf("%-9d %10.0f %10.0f %12.2f %14.0f %14.0f%% %16.0f\n", clients, rpc, bare,
                        rpc > 0 ? bare / rpc : 0, sql, sql > 0 ? 100 * rpc / sql : 0, header);
        }
        std::printf("\nvazias/grav. = quantas chamadas vazias custam o mesmo que uma gravação (meta <= 2)\n"
                    "direto+hist. = o cabeçalho e as linhas de histórico que a gravação escreve, direto no arquivo\n"
                    "servidor/direto = gravações/s pelo servidor ÷ direto+hist./s\n");
        // A save answered as done must be in the file.
        const auto stored = [](const BenchDatabase& data) {
            return data.open()
                ->scalar(QStringLiteral("SELECT COUNT(*) FROM PROPOSTAFAS WHERE DSREFEPROPOSFAS LIKE 'Proposta gravada%'"))
                .toLongLong();
        };
        const qint64 inServerFile = stored(served), inDirectFile = stored(direct),
                     inHistoryFile = stored(directWithHistory);
        std::printf("linhas nos arquivos: servidor %lld de %lld confirmadas, direto %lld de %lld, com histórico %lld de "
                    "%lld\n",
                    inServerFile, savedViaServer, inDirectFile, savedDirect, inHistoryFile, savedWithHistory);
        if (inServerFile != savedViaServer || inDirectFile != savedDirect || inHistoryFile != savedWithHistory)
            failed = true;
        return failed ? 1 : 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cot_bench_save_bench: %s\n", e.what());
        return 1;
    }
}
