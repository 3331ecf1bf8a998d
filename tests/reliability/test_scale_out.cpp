// Two cot05000-server processes over one PostgreSQL database, as when the users are spread
// over several servers: proposal numbers stay unique across them, a change saved through one
// is a conflict for a stale save through the other, and a session opened on one is valid
// (and ended) on both.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "server/storage/database.h"
#include "support/packet_cells.h"
#include "support/proposal_package.h"
#include "support/scratch_postgres.h"
#include "support/screen_widgets.h"
#include "support/server_process.h"

using namespace cot;
using namespace cot::testing;

namespace {

const QString kConflict = QStringLiteral("Registro alterado ou excluído por outro usuário.");
constexpr int kNoSession = -32001;

int errorCode(const QJsonObject& reply) { return reply.value("error").toObject().value("code").toInt(); }

class ScaleOutTest : public ::testing::Test {
protected:
    void SetUp() override {
        ensureApplication();  // the server's binary is found next to this test
        if (!ScratchPostgres::available()) GTEST_SKIP() << "COT_TEST_PG not set";
        pg = std::make_unique<ScratchPostgres>();
        // The first one builds the schema and the demo data; the second finds them there.
        a = std::make_unique<ServerProcess>(pg->url());
        ASSERT_GT(a->port(), 0);
        b = std::make_unique<ServerProcess>(pg->url(), QStringList{"--no-seed"});
        ASSERT_GT(b->port(), 0);
    }

    // A session of the demo seller, or none while the servers have no sessions.
    static QString signIn(const ServerProcess& server) { return server.openSession("VENDEDOR", "vendedor"); }

    std::unique_ptr<ScratchPostgres> pg;  // declared first: dropped after the servers stop
    std::unique_ptr<ServerProcess> a, b;
};

TEST_F(ScaleOutTest, ProposalNumbersAreUniqueAcrossServers) {
    const std::vector<const ServerProcess*> servers{a.get(), b.get()};
    const QString tokens[] = {signIn(*a), signIn(*b)};
    constexpr int kClients = 6, kCalls = 40;
    std::vector<QStringList> answers(kClients);  // each number handed out, or the refusal
    std::vector<std::thread> clients;
    for (int c = 0; c < kClients; ++c)
        clients.emplace_back([&, c] {
            for (int i = 0; i < kCalls; ++i) {
                // Every client alternates between the servers, so both hand out numbers at once.
                const RpcResult r = servers[(c + i) % 2]->call("PrxProposta", {}, tokens[(c + i) % 2]);
                answers[c] << (r.ok ? r.value.toString() : r.error);
            }
        });
    for (auto& t : clients) t.join();
    std::set<QString> distinct;
    for (const QStringList& handedOut : answers)
        for (const QString& n : handedOut) {
            EXPECT_TRUE(QRegularExpression("^\\d{20}$").match(n).hasMatch()) << n.toStdString();
            EXPECT_TRUE(distinct.insert(n).second) << "number handed out twice: " << n.toStdString();
        }
    // None of them is a number the demo proposals already use.
    const Packet used = server::Database::open(pg->url())->query("SELECT DISTINCT NRPROPOSFAS FROM PROPOSTAFAS");
    ASSERT_FALSE(used.isEmpty());
    for (const QString& n : cot::testing::column(used, "NRPROPOSFAS")) EXPECT_EQ(distinct.count(n), 0u) << n.toStdString();
}

TEST_F(ScaleOutTest, ChangesAndSessionsOfOneServerHoldOnTheOther) {
    auto db = server::Database::open(pg->url());
    db->exec("UPDATE PROPOSTAFAS SET VRPACOTESERV = 1000 WHERE NRPROPOSFAS = :N AND NRVERPROPFAS = '01'", {{"N", nr(2)}});
    const QString tokenA = signIn(*a), tokenB = signIn(*b);
    // What a user reads through a server, and his save through it of `from` changed to `to`.
    const auto seen = [&](const ServerProcess& s, const QString& token) {
        const RpcResult read = s.call("GetProposta", {"0001", "T"}, token);
        EXPECT_TRUE(read.ok) << read.error.toStdString();
        return proposalPackageValue(read.value.value<Packet>(), nr(2)).toDouble();
    };
    const auto save = [&](const ServerProcess& s, const QString& token, double from, double to) {
        return s.call("SetProposta", {QVariant::fromValue(proposalPackageChange(nr(2), "01", from, to))}, token);
    };
    const auto stored = [&] {
        return db
            ->scalar("SELECT VRPACOTESERV FROM PROPOSTAFAS WHERE NRPROPOSFAS = :N AND NRVERPROPFAS = '01'",
                     {{"N", nr(2)}})
            .toDouble();
    };

    // Both users read the proposal, each through his own server; the first save wins. (The
    // other server serves A's session too.)
    ASSERT_EQ(seen(*a, tokenA), 1000.0);
    ASSERT_EQ(seen(*b, tokenB), 1000.0);
    ASSERT_EQ(seen(*b, tokenA), 1000.0);
    const RpcResult savedA = save(*a, tokenA, 1000, 1010);
    ASSERT_TRUE(savedA.ok) << savedA.error.toStdString();
    EXPECT_EQ(save(*b, tokenB, 1000, 1020).error, kConflict);
    EXPECT_EQ(stored(), 1010.0);
    // The other server serves what the first one saved, and a save built on it goes through.
    EXPECT_EQ(seen(*b, tokenB), 1010.0);
    const RpcResult retried = save(*b, tokenB, 1010, 1020);
    EXPECT_TRUE(retried.ok) << retried.error.toStdString();
    EXPECT_EQ(stored(), 1020.0);

    // A session opened on one server is valid on the other, and ended there, on both.
    EXPECT_EQ(errorCode(b->callJson("GetParamPerc")), kNoSession);
    EXPECT_TRUE(b->callJson("FechaSessao", {}, tokenA).contains("result"));
    for (const ServerProcess* server : {a.get(), b.get()})
        EXPECT_EQ(errorCode(server->callJson("GetParamPerc", {}, tokenA)), kNoSession) << "ended on both";
}

}  // namespace
