// Acceptances running at the same moment: of one version, and of two versions of one
// proposal. Exactly one wins; the contract and the charges are written once.
#include <gtest/gtest.h>
#include <latch>
#include <thread>

#include "support/packet_cells.h"
#include "support/test_server.h"

using namespace cot;
using cot::testing::Backend;
using cot::testing::TestServer;
using cot::testing::nr;

namespace {

const QString kToday = "2026-12-06";
const QString kDelta = "77888999000127";  // prospect of proposal 4
const QString kZeta = "88999000000118";   // prospect of proposal 7

class AcceptanceRaceTest : public ::testing::TestWithParam<Backend> {
protected:
    AcceptanceRaceTest() : server_({.backend = GetParam(), .seed = true}) {}

    int count(const QString& sql, const QVariantMap& params) { return server_.db().scalar(sql, params).toInt(); }

    // Each call from its own thread, connection and session, all released at once.
    std::vector<RpcResult> together(const std::vector<QVariantList>& calls) {
        std::vector<QByteArray> tokens;
        for (size_t i = 0; i < calls.size(); ++i) tokens.push_back(server_.openSession("VENDEDOR"));
        std::vector<RpcResult> results(calls.size());
        std::latch start(static_cast<std::ptrdiff_t>(calls.size()));
        std::vector<std::thread> threads;
        for (size_t i = 0; i < calls.size(); ++i)
            threads.emplace_back([&, i] {
                auto connection = server_.newConnection();
                connection->setToken(tokens[i]);
                start.arrive_and_wait();
                results[i] = connection->call("AceiteProposta", calls[i]);
            });
        for (std::thread& t : threads) t.join();
        return results;
    }

    TestServer server_;
};

TEST_P(AcceptanceRaceTest, OfSimultaneousAcceptancesOfOneVersionExactlyOneWins) {
    const QVariantList client{kDelta, "77.888.999/0001-27", "Delta Engenharia e Projetos Ltda", "Sala 12",
                              "Delta Engenharia", "J", "J77.888.999/0001-27", "VENDEDOR"};
    // Before the first installment of proposal 4 falls due.
    const QVariantList call{nr(4), "01", kDelta, "2026-11-16", "07", "0001", "VENDEDOR", client};
    int won = 0;
    for (const RpcResult& r : together({call, call, call, call})) {
        if (r.ok) ++won;
        else EXPECT_EQ(r.error, "Proposta já aceita. O aceite não pode ser registrado novamente.")
            << "the proposal is taken before the client is registered";
    }
    EXPECT_EQ(won, 1);
    const QVariantMap four{{"N", nr(4)}};
    EXPECT_EQ(count("SELECT COUNT(*) FROM COBRPROP WHERE NRPROPOSFAS = :N", four), 2);
    EXPECT_EQ(count("SELECT COUNT(*) FROM LINPCLIE WHERE NRPROPOSFAS = :N", four), 1);
    EXPECT_EQ(count("SELECT COUNT(*) FROM CLIENTE WHERE CDCLIENTE = :C", {{"C", kDelta}}), 1);
}

TEST_P(AcceptanceRaceTest, TwoVersionsAcceptedAtTheSameMomentChargeThePackageOnce) {
    // Proposal 7 (services only, charged as a package of three installments) in two versions.
    NetConnection& net = server_.connection();
    const RpcResult registered = net.call("InsereCliente", {kZeta, kZeta, "Zeta Transportes Rodoviários Ltda", "",
                                                            "Zeta Transportes", "", "J" + kZeta, "VENDEDOR"});
    ASSERT_TRUE(registered.ok) << registered.error.toStdString();
    const RpcResult copied = net.call("CopiaDados", {"0001", nr(7), "01", "02", "N"});
    ASSERT_TRUE(copied.ok) << copied.error.toStdString();
    const QVariantMap seven{{"N", nr(7)}};
    ASSERT_EQ(count("SELECT COUNT(*) FROM VENCSERVPROP WHERE NRPROPOSFAS = :N AND NRVERPROPFAS = '02'", seven), 3);

    const auto acceptance = [&](const char* version) {
        return QVariantList{nr(7), version, kZeta, kToday, "07", "0001", "VENDEDOR"};
    };
    for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE(round);
        const std::vector<RpcResult> results =
            round % 2 ? together({acceptance("01"), acceptance("02")}) : together({acceptance("02"), acceptance("01")});
        int won = 0;
        for (const RpcResult& r : results) {
            if (r.ok) ++won;
            else EXPECT_TRUE(r.error.startsWith("A proposta 7/0")) << r.error.toStdString();
        }
        EXPECT_EQ(won, 1);
        EXPECT_EQ(count("SELECT COUNT(*) FROM PROPOSTAFAS WHERE NRPROPOSFAS = :N AND DTACEPROPFAS IS NOT NULL", seven), 1);
        EXPECT_EQ(count("SELECT COUNT(*) FROM COBRPROP WHERE NRPROPOSFAS = :N", seven), 3);
        EXPECT_EQ(count("SELECT COUNT(*) FROM SERVCLIE WHERE NRPROPOSFAS = :N", seven), 3);

        // Open again for the next round.
        server_.db().exec("DELETE FROM COBRPROP WHERE NRPROPOSFAS = :N", seven);
        server_.db().exec("DELETE FROM SERVCLIE WHERE NRPROPOSFAS = :N", seven);
        server_.db().exec("UPDATE PROPOSTAFAS SET DTACEPROPFAS = NULL, CDOPERACEITE = NULL WHERE NRPROPOSFAS = :N",
                          seven);
    }
}

INSTANTIATE_TEST_SUITE_P(Db, AcceptanceRaceTest, ::testing::ValuesIn(cot::testing::availableBackends()),
                         cot::testing::backendName);

}  // namespace
