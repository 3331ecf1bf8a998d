// Several users saving the same proposal at once: each save either lands whole or is
// refused as a conflict, and no applied save is overwritten by another.
#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

#include "support/packet_cells.h"
#include "support/proposal_package.h"
#include "server/server_cases_a.h"

using namespace cot;
using namespace cot::testing;

namespace {

const QString kConflict = QStringLiteral("Registro alterado ou excluído por outro usuário.");

class ConcurrentSavesTest : public cot::testing::DemoServerTest {};

TEST_P(ConcurrentSavesTest, EverySaveIsAppliedOrRefusedAndNoneIsLost) {
    TestServer& server = server_;
    server.db().exec("UPDATE PROPOSTAFAS SET VRPACOTESERV = 1000 WHERE NRPROPOSFAS = :N AND NRVERPROPFAS = '01'",
                     {{"N", nr(2)}});
    constexpr int kClients = 8, kRounds = 12;
    std::atomic<int> applied{0}, refused{0};
    std::vector<QStringList> unexpected(kClients);
    std::vector<std::thread> clients;
    for (int c = 0; c < kClients; ++c)
        clients.emplace_back([&, c] {
            auto net = server.newConnection();
            for (int i = 0; i < kRounds; ++i) {
                const RpcResult read = net->call("GetProposta", {"0001", "T"});
                const QVariant seen = cot::testing::proposalPackageValue(read.value.value<Packet>(), nr(2));
                if (seen.isNull()) {
                    unexpected[c] << "leitura: " + read.error;
                    continue;
                }
                const double old = seen.toDouble();
                const Delta delta = cot::testing::proposalPackageChange(nr(2), "01", old, old + 1);
                const RpcResult saved = net->call("SetProposta", {QVariant::fromValue(delta)});
                if (saved.ok)
                    ++applied;
                else if (saved.error == kConflict)
                    ++refused;
                else
                    unexpected[c] << "gravação: " + saved.error;
            }
        });
    for (auto& t : clients) t.join();

    for (int c = 0; c < kClients; ++c) EXPECT_TRUE(unexpected[c].isEmpty()) << unexpected[c].join("; ").toStdString();
    EXPECT_EQ(applied + refused, kClients * kRounds);
    EXPECT_GT(applied.load(), 0);
    EXPECT_EQ(server.db()
                  .scalar("SELECT VRPACOTESERV FROM PROPOSTAFAS WHERE NRPROPOSFAS = :N AND NRVERPROPFAS = '01'",
                          {{"N", nr(2)}})
                  .toDouble(),
              1000.0 + applied.load())
        << applied.load() << " applied, " << refused.load() << " refused as conflicts";
}

COT_ON_EVERY_BACKEND(ConcurrentSavesTest);

}  // namespace
