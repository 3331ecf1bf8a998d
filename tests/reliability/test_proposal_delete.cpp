// Deleting a proposal version takes everything quoted in it along in the same
// transaction; an accepted version, whose contract and charging rows point at it, stays.
#include <gtest/gtest.h>

#include "support/packet_cells.h"
#include "server/server_cases_a.h"

using namespace cot;
using namespace cot::testing;

namespace {

// Every table that holds rows of one proposal version.
const QStringList kChildren{"LINPPROP",   "SISTLINPPROP", "VENCLINPPROP", "SERVPROP",      "VENCSERVPROP",
                            "OBJSERVPROP", "TXTPROPFAS",  "OBSPROPFAS",   "SIMULAPROP",    "SIMULALINP",
                            "TXTPROPFASGER", "TXTPROPFASHIST", "ENVIOPROP",   "DECISAOPROP",   "PERDAPROP",
                            "ACEITEPROP"};

class ProposalDeleteTest : public cot::testing::DemoServerTest {
protected:
    int count(const QString& table, int number) {
        return server_.db()
            .scalar(QString("SELECT COUNT(*) FROM %1 WHERE NRPROPOSFAS = :N AND NRVERPROPFAS = '01'").arg(table),
                    {{"N", nr(number)}})
            .toInt();
    }
    std::map<QString, int> counts(int number) {
        std::map<QString, int> out;
        for (const QString& t : kChildren + QStringList{"PROPOSTAFAS"}) out[t] = count(t, number);
        return out;
    }
    // A row in every child table the demo data left empty for the proposal. The client's
    // acceptance (ACEITEPROP) holds the deal; the version going frees it for the others.
    void fillChildren(int number) {
        server::Database& db = server_.db();
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
        return call("SetProposta", {QVariant::fromValue(Delta{fields, {{ChangeOp::Delete, {nr(number), "01"}, {}}}})});
    }
};

// An accepted version is refused and keeps its rows; an open one goes with everything quoted
// in it, the others untouched.
TEST_P(ProposalDeleteTest, AnOpenVersionGoesWithEverythingQuotedInItAndAnAcceptedOneStays) {
    fillChildren(1);
    const auto others = counts(1);
    EXPECT_EQ(remove(1).error, QString("Proposta aceita não pode ser excluída."));
    EXPECT_EQ(counts(1), others);

    fillChildren(2);
    const RpcResult r = remove(2);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    for (const auto& [table, left] : counts(2)) EXPECT_EQ(left, 0) << table.toStdString() << " left behind";
    EXPECT_EQ(counts(1), others) << "other proposals untouched";

    // Deleted once: a second user's delete of the same version is a conflict.
    const RpcResult again = remove(2);
    EXPECT_EQ(again.error, QString("Registro alterado ou excluído por outro usuário."));
}

COT_ON_EVERY_BACKEND(ProposalDeleteTest);

}  // namespace
