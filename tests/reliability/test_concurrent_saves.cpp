// Several users saving the same proposal at once: each save either lands whole or is
// refused as a conflict, and no applied save is overwritten by another.
#include <atomic>
#include <iostream>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

#include "support/test_server.h"

using namespace cot;
using cot::testing::Backend;
using cot::testing::TestServer;

namespace {

const QString kConflict = QStringLiteral("Registro alterado ou excluído por outro usuário.");

QString nr(int n) { return QStringLiteral("%1").arg(n, 20, 10, QLatin1Char('0')); }

class ConcurrentSavesTest : public ::testing::TestWithParam<Backend> {};

// The value of the package of proposal 2 as the list shows it, or null when not found.
QVariant packageValue(const Packet& list) {
    for (int r = 0; r < list.rows.size(); ++r)
        if (list.value(r, "NRPROPOSFAS").toString() == nr(2) && list.value(r, "NRVERPROPFAS").toString() == "01")
            return list.value(r, "VRPACOTESERV");
    return {};
}

TEST_P(ConcurrentSavesTest, EverySaveIsAppliedOrRefusedAndNoneIsLost) {
    TestServer server({.backend = GetParam(), .seed = true});
    server.db().exec("UPDATE PROPOSTAFAS SET VRPACOTESERV = 1000 WHERE NRPROPOSFAS = :N AND NRVERPROPFAS = '01'",
                     {{"N", nr(2)}});
    const QList<FieldDef> fields{{"NRPROPOSFAS", FieldType::String, 20},
                                 {"NRVERPROPFAS", FieldType::String, 2},
                                 {"VRPACOTESERV", FieldType::Float, 0}};
    constexpr int kClients = 8, kRounds = 12;
    std::atomic<int> applied{0}, refused{0};
    std::vector<QStringList> unexpected(kClients);
    std::vector<std::thread> clients;
    for (int c = 0; c < kClients; ++c)
        clients.emplace_back([&, c] {
            auto net = server.newConnection();
            for (int i = 0; i < kRounds; ++i) {
                const RpcResult read = net->call("GetProposta", {"0001", "T"});
                if (!read.ok) {
                    unexpected[c] << "leitura: " + read.error;
                    continue;
                }
                const QVariant seen = packageValue(read.value.value<Packet>());
                if (seen.isNull()) {
                    unexpected[c] << "proposta não listada";
                    continue;
                }
                const double old = seen.toDouble();
                Delta delta{fields, {{ChangeOp::Update, {nr(2), "01", old}, {nr(2), "01", old + 1}}}};
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
    std::cout << applied.load() << " saves applied, " << refused.load() << " refused as conflicts\n";
    const double stored = server.db()
                              .scalar("SELECT VRPACOTESERV FROM PROPOSTAFAS WHERE NRPROPOSFAS = :N AND NRVERPROPFAS = '01'",
                                      {{"N", nr(2)}})
                              .toDouble();
    EXPECT_EQ(stored, 1000.0 + applied.load()) << applied.load() << " applied, " << refused.load() << " refused";
}

INSTANTIATE_TEST_SUITE_P(Db, ConcurrentSavesTest, ::testing::ValuesIn(cot::testing::availableBackends()),
                         cot::testing::backendName);

}  // namespace
