// A server process killed while users save: after a restart on the same SQLite file the
// database is intact and every save the users were told succeeded is there.
#include <QTemporaryDir>
#include <atomic>
#include <gtest/gtest.h>
#include <map>
#include <thread>
#include <vector>

#include "server/storage/database.h"
#include "support/screen_widgets.h"
#include "support/server_process.h"
#include "support/wait_until.h"

using namespace cot;
using namespace cot::testing;

namespace {

QString nr(qint64 n) { return QString("%1").arg(n, 20, 10, QLatin1Char('0')); }  // far above the demo's

const QList<FieldDef> kFields{{"NRPROPOSFAS", FieldType::String, 20}, {"NRVERPROPFAS", FieldType::String, 2},
                              {"CDFILIAL", FieldType::String, 4}, {"DSREFEPROPOSFAS", FieldType::String, 100}};

// What one client was told: the reference of every proposal it saved, and the save it was
// waiting for when the server died (that one may or may not have landed, but whole).
struct ClientLog {
    std::map<QString, QString> acknowledged, pending;
    QString pendingNumber;
};

TEST(CrashSafety, AcknowledgedSavesSurviveAKilledServer) {
    ensureApplication();  // the server's binary is found next to this test
    QTemporaryDir dir;
    const QString url = QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("cot.db"));
    // The demo data brings an operator to sign in with; the clients' proposals are numbered
    // from 1000001 on, far above the demo's.
    auto server = std::make_unique<ServerProcess>(url);
    ASSERT_GT(server->port(), 0);
    const QString token = server->openSession("VENDEDOR", "vendedor");

    constexpr int kClients = 4;
    std::vector<ClientLog> logs(kClients);
    std::atomic<int> saves{0};
    std::vector<std::thread> clients;
    const int port = server->port();
    for (int c = 0; c < kClients; ++c)
        clients.emplace_back([&, c] {
            ClientLog& log = logs[c];
            // Inserts new versions, every other save rewriting the reference of the one before
            // in the same save, until the server stops answering.
            for (int i = 1; i < 100000; ++i) {
                const QString number = nr(qint64(c + 1) * 1000000 + i);
                std::map<QString, QString> save{{number, QStringLiteral("cliente %1 proposta %2").arg(c).arg(i)}};
                Delta delta{kFields, {{ChangeOp::Insert, {}, {number, "01", "0001", save[number]}}}};
                if (i % 2 == 0) {
                    const QString previous = nr(qint64(c + 1) * 1000000 + i - 1);
                    const QString old = log.acknowledged[previous];
                    save[previous] = old + QStringLiteral(" revista");
                    delta.changes.append(
                        {ChangeOp::Update, {previous, "01", "0001", old}, {previous, "01", "0001", save[previous]}});
                }
                if (!rpcCall(port, "SetProposta", {QVariant::fromValue(delta)}, token).ok) {
                    log.pending = save;
                    log.pendingNumber = number;
                    return;
                }
                for (const auto& [n, text] : save) log.acknowledged[n] = text;
                ++saves;
            }
        });

    // Kill it while the clients are busy saving.
    waitUntil([&] { return saves >= 200; }, std::chrono::seconds(15));
    server->kill();
    for (auto& t : clients) t.join();
    ASSERT_GE(saves.load(), 200) << "the clients saved too little before the kill";

    server = std::make_unique<ServerProcess>(url, QStringList{"--no-seed"});
    ASSERT_GT(server->port(), 0) << "the server does not start again on the killed file";

    auto db = server::Database::open(url);
    EXPECT_EQ(db->scalar("PRAGMA integrity_check").toString(), "ok");
    std::map<QString, QString> found;
    for (const QVariantList& row :
         db->query("SELECT NRPROPOSFAS, DSREFEPROPOSFAS FROM PROPOSTAFAS WHERE NRPROPOSFAS >= :F", {{"F", nr(1000000)}})
             .rows)
        found[row.value(0).toString()] = row.value(1).toString();

    size_t acknowledged = 0;
    for (const ClientLog& log : logs) {
        // The save in flight at the kill is all or nothing: its insert and its rewrite together.
        const bool landed = !log.pendingNumber.isEmpty() && found.count(log.pendingNumber) > 0;
        acknowledged += log.acknowledged.size();
        for (const auto& [number, text] : log.acknowledged) {
            ASSERT_TRUE(found.count(number)) << "acknowledged save lost: " << number.toStdString();
            EXPECT_EQ(found[number], landed && log.pending.count(number) ? log.pending.at(number) : text)
                << number.toStdString();
        }
        if (landed) {
            EXPECT_EQ(found[log.pendingNumber], log.pending.at(log.pendingNumber));
        }
    }
    // Nothing but the acknowledged saves and at most one save per client in flight.
    EXPECT_GE(found.size(), acknowledged);
    EXPECT_LE(found.size(), acknowledged + kClients);

    const RpcResult list = server->call("GetProposta", {"0001", "T"}, server->openSession("VENDEDOR", "vendedor"));
    EXPECT_TRUE(list.ok) << "the restarted server serves the saved rows: " << list.error.toStdString();
}

}  // namespace
