// Deleting a proposal version takes everything quoted in it along in the same
// transaction; an accepted version, whose contract and charging rows point at it, stays.
#include <gtest/gtest.h>

#include "support/test_server.h"

using namespace cot;
using cot::testing::Backend;
using cot::testing::TestServer;

namespace {

QString nr(int n) { return QStringLiteral("%1").arg(n, 20, 10, QLatin1Char('0')); }

// Every table that holds rows of one proposal version.
const QStringList kChildren{"LINPPROP",   "SISTLINPPROP", "VENCLINPPROP", "SERVPROP",      "VENCSERVPROP",
                            "OBJSERVPROP", "TXTPROPFAS",  "OBSPROPFAS",   "SIMULAPROP",    "SIMULALINP",
                            "TXTPROPFASGER", "TXTPROPFASHIST", "ENVIOPROP",   "DECISAOPROP",   "PERDAPROP",
                            "ACEITEPROP"};

class ProposalDeleteTest : public ::testing::TestWithParam<Backend> {
protected:
    int count(const QString& table, int number) {
        return server_
            ->db()
            .scalar(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE NRPROPOSFAS = :N AND NRVERPROPFAS = '01'").arg(table),
                    {{"N", nr(number)}})
            .toInt();
    }
    // A row in every child table the demo data left empty for the proposal. The client's
    // acceptance (ACEITEPROP) holds the deal; the version going frees it for the others.
    void fillChildren(int number) {
        server::Database& db = server_->db();
        const QVariantMap k{{"N", nr(number)},
                            {"D", QDateTime(QDate(2027, 1, 10), QTime(0, 0))},
                            {"S", QDateTime(QDate(2026, 12, 1), QTime(9, 0))},
                            {"L", db.scalar("SELECT MIN(CDLINPPROP) FROM LINPPROP WHERE NRPROPOSFAS = :N AND "
                                            "NRVERPROPFAS = '01'", {{"N", nr(number)}})}};
        ASSERT_FALSE(k["L"].toString().isEmpty());
        const std::pair<const char*, const char*> rows[] = {
            {"VENCLINPPROP", "INSERT INTO VENCLINPPROP VALUES (:N, '01', :L, :D, 10.0)"},
            {"SERVPROP", "INSERT INTO SERVPROP (NRPROPOSFAS, NRVERPROPFAS, NRSERVPROP, CDTIPOSERV) "
                         "VALUES (:N, '01', '901', (SELECT MIN(CDTIPOSERV) FROM TIPOSERV))"},
            {"VENCSERVPROP", "INSERT INTO VENCSERVPROP VALUES (:N, '01', :D, 20.0)"},
            {"OBJSERVPROP", "INSERT INTO OBJSERVPROP VALUES (:N, '01', 'Objeto')"},
            {"TXTPROPFAS", "INSERT INTO TXTPROPFAS VALUES (:N, '01', 'T9', 1, 'Texto')"},
            {"OBSPROPFAS", "INSERT INTO OBSPROPFAS VALUES (:N, '01', 'Observação')"},
            {"SIMULAPROP", "INSERT INTO SIMULAPROP VALUES (:N, '01', '00901', '901', 'Simulação')"},
            {"SIMULALINP", "INSERT INTO SIMULALINP VALUES (:N, '01', (SELECT MIN(NRSIMULAPROP) FROM SIMULAPROP "
                           "WHERE NRPROPOSFAS = :N AND NRVERPROPFAS = '01'), '901', :L, 1.0)"},
            {"TXTPROPFASGER", "INSERT INTO TXTPROPFASGER (NRPROPOSFAS, NRVERPROPFAS, NRGERACAO, DTGERACAO) "
                              "VALUES (:N, '01', 901, :S)"},
            {"TXTPROPFASHIST", "INSERT INTO TXTPROPFASHIST VALUES (:N, '01', (SELECT MIN(NRGERACAO) FROM TXTPROPFASGER "
                               "WHERE NRPROPOSFAS = :N AND NRVERPROPFAS = '01'), 'T9', 1, 'Texto')"},
            {"ENVIOPROP", "INSERT INTO ENVIOPROP (NRPROPOSFAS, NRVERPROPFAS, NRENVIO, TXTOKENHASH, DTENVIO, DSEMAILDEST, "
                          "DTEXPIRA, TXHASHCONT) VALUES (:N, '01', 1, :N, :S, 'cliente@exemplo.com.br', :S, 'h')"},
            {"DECISAOPROP", "INSERT INTO DECISAOPROP (NRPROPOSFAS, NRVERPROPFAS, NRENVIO, IDDECISAO, DTDECISAO, "
                            "TXHASHCONT) VALUES (:N, '01', 1, 'R', :S, 'h')"},
            {"ACEITEPROP", "INSERT INTO ACEITEPROP (NRPROPOSFAS, NRVERPROPFAS, DTACEITE) VALUES (:N, '01', :S)"},
            {"PERDAPROP", "INSERT INTO PERDAPROP (NRPROPOSFAS, NRVERPROPFAS, DTPERDA, IDMOTIVO) VALUES (:N, '01', :S, 'P')"},
        };
        for (const auto& [table, sql] : rows)
            if (count(table, number) == 0) db.exec(sql, k);
        for (const QString& t : kChildren) ASSERT_GT(count(t, number), 0) << t.toStdString();
    }
    RpcResult remove(int number) {
        const QList<FieldDef> fields{{"NRPROPOSFAS", FieldType::String, 20}, {"NRVERPROPFAS", FieldType::String, 2}};
        Delta delta{fields, {{ChangeOp::Delete, {nr(number), "01"}, {}}}};
        return server_->connection().call("SetProposta", {QVariant::fromValue(delta)});
    }
    void SetUp() override { server_ = std::make_unique<TestServer>(cot::testing::TestServerOptions{GetParam(), true}); }
    std::unique_ptr<TestServer> server_;
};

TEST_P(ProposalDeleteTest, AnOpenVersionGoesWithEverythingQuotedInIt) {
    fillChildren(2);
    const int otherLines = count("LINPPROP", 1);
    const RpcResult r = remove(2);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(count("PROPOSTAFAS", 2), 0);
    for (const QString& t : kChildren) EXPECT_EQ(count(t, 2), 0) << t.toStdString() << " left behind";
    EXPECT_EQ(count("LINPPROP", 1), otherLines);  // other proposals untouched

    // Deleted once: a second user's delete of the same version is a conflict.
    const RpcResult again = remove(2);
    EXPECT_FALSE(again.ok);
    EXPECT_EQ(again.error, QString("Registro alterado ou excluído por outro usuário."));
}

TEST_P(ProposalDeleteTest, AnAcceptedVersionIsRefusedAndKeepsItsRows) {
    fillChildren(1);
    std::map<QString, int> before;
    for (const QString& t : kChildren) before[t] = count(t, 1);
    const RpcResult r = remove(1);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, QString("Proposta aceita não pode ser excluída."));
    EXPECT_EQ(count("PROPOSTAFAS", 1), 1);
    for (const QString& t : kChildren) EXPECT_EQ(count(t, 1), before[t]) << t.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Db, ProposalDeleteTest, ::testing::ValuesIn(cot::testing::availableBackends()),
                         cot::testing::backendName);

}  // namespace
