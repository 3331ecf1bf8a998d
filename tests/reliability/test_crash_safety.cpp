// A server process killed while users save: after a restart on the same SQLite file the
// database is intact and every save the users were told succeeded is there.
#include <QCoreApplication>
#include <QTemporaryDir>
#include <atomic>
#include <iostream>
#include <gtest/gtest.h>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "server/storage/database.h"
#include "support/server_process.h"

using namespace cot;
using cot::testing::rpcCall;
using cot::testing::ServerProcess;

namespace {

QString nr(qint64 n) { return QStringLiteral("%1").arg(n, 20, 10, QLatin1Char('0')); }

const QList<FieldDef> kFields{{"NRPROPOSFAS", FieldType::String, 20}, {"NRVERPROPFAS", FieldType::String, 2},
                              {"CDFILIAL", FieldType::String, 4}, {"DSREFEPROPOSFAS", FieldType::String, 100}};

// What one client was told: the reference of every proposal it saved, and the save it
// was waiting for when the server died (that one may or may not have landed).
struct ClientLog {
    std::map<QString, QString> acknowledged;
    QString pendingNumber, pendingText;
};

class CrashSafetyTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "cot_reliability_test_crash_safety";
        static char* argv[] = {name, nullptr};
        if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
    }
};

TEST_F(CrashSafetyTest, AcknowledgedSavesSurviveAKilledServer) {
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
            // Inserts new versions and rewrites the reference of the one before, until the
            // server stops answering.
            for (int i = 1; i < 100000; ++i) {
                const QString number = nr(qint64(c + 1) * 1000000 + i);
                const QString text = QStringLiteral("cliente %1 proposta %2").arg(c).arg(i);
                Delta delta{kFields, {{ChangeOp::Insert, {}, {number, "01", "0001", text}}}};
                QString touched = number, touchedText = text;
                if (i % 2 == 0) {
                    const QString previous = nr(qint64(c + 1) * 1000000 + i - 1);
                    const QString old = log.acknowledged[previous];
                    touched = previous;
                    touchedText = old + QStringLiteral(" revista");
                    delta.changes.append({ChangeOp::Update, {previous, "01", "0001", old},
                                          {previous, "01", "0001", touchedText}});
                }
                const RpcResult r = rpcCall(port, "SetProposta", {QVariant::fromValue(delta)}, token);
                if (!r.ok) {
                    log.pendingNumber = number;
                    log.pendingText = text;
                    if (touched != number) log.pendingText += u'|' + touched + u'|' + touchedText;
                    return;
                }
                log.acknowledged[number] = text;
                if (touched != number) log.acknowledged[touched] = touchedText;
                ++saves;
            }
        });

    // Kill it while the clients are busy saving.
    for (int waited = 0; waited < 15000 && saves < 200; waited += 10) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    server->kill();
    for (auto& t : clients) t.join();
    ASSERT_GE(saves.load(), 200) << "the clients saved too little before the kill";

    server = std::make_unique<ServerProcess>(url, QStringList{"--no-seed"});
    ASSERT_GT(server->port(), 0) << "the server does not start again on the killed file";

    auto db = server::Database::open(url);
    EXPECT_EQ(db->scalar("PRAGMA integrity_check").toString(), "ok");
    const Packet stored = db->query("SELECT NRPROPOSFAS, DSREFEPROPOSFAS FROM PROPOSTAFAS WHERE NRPROPOSFAS >= :FIRST",
                                    {{"FIRST", nr(1000000)}});
    std::map<QString, QString> found;
    for (int r = 0; r < stored.rows.size(); ++r)
        found[stored.value(r, "NRPROPOSFAS").toString()] = stored.value(r, "DSREFEPROPOSFAS").toString();

    size_t acknowledged = 0;
    for (const ClientLog& log : logs) {
        // The save in flight at the kill is all or nothing: its insert and its rewrite together.
        const QStringList pending = log.pendingText.split(u'|');
        const bool pendingLanded = !log.pendingNumber.isEmpty() && found.count(log.pendingNumber) > 0;
        for (const auto& [number, text] : log.acknowledged) {
            ++acknowledged;
            ASSERT_TRUE(found.count(number)) << "acknowledged save lost: " << number.toStdString();
            QString expected = text;
            if (pendingLanded && pending.size() == 3 && pending[1] == number) expected = pending[2];
            EXPECT_EQ(found[number], expected) << number.toStdString();
        }
        if (pendingLanded) {
            EXPECT_EQ(found[log.pendingNumber], pending[0]);
        }
    }
    int inFlightLanded = 0;
    for (const ClientLog& log : logs) inFlightLanded += !log.pendingNumber.isEmpty() && found.count(log.pendingNumber);
    std::cout << saves.load() << " saves acknowledged, " << found.size() << " versions stored, " << inFlightLanded
              << " saves in flight at the kill landed\n";
    // Nothing but the acknowledged saves and at most one save per client in flight.
    EXPECT_GE(found.size(), acknowledged);
    EXPECT_LE(found.size(), acknowledged + kClients);

    // The restarted server serves the saved rows.
    const RpcResult list = server->call("GetProposta", {"0001", "T"}, server->openSession("VENDEDOR", "vendedor"));
    ASSERT_TRUE(list.ok) << list.error.toStdString();
}

}  // namespace
