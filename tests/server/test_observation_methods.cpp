// SetObs: the observation's change log applied in one transaction, an empty observation
// not kept, and a stale change refused without writing.
#include <gtest/gtest.h>

#include "support/test_server.h"

using namespace cot;
using cot::testing::Backend;
using cot::testing::TestServer;

namespace {

class ObservationMethodsTest : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override { server_ = std::make_unique<TestServer>(cot::testing::TestServerOptions{GetParam(), true}); }
    static QString nr(int n) { return QStringLiteral("%1").arg(n, 20, 10, QLatin1Char('0')); }
    static Delta delta(ChangeOp op, const QVariantList& oldValues, const QVariantList& newValues) {
        Delta d;
        d.fields = {{QStringLiteral("NRPROPOSFAS"), FieldType::String, 20},
                    {QStringLiteral("NRVERPROPFAS"), FieldType::String, 2},
                    {QStringLiteral("TXOBSPROPFAS"), FieldType::Memo, 0}};
        d.changes = {{op, oldValues, newValues}};
        return d;
    }
    RpcResult setObs(const Delta& d, const QString& empty) {
        return server_->connection().call(QStringLiteral("SetObs"), {QVariant::fromValue(d), empty});
    }
    QVariant stored(int n) {
        return server_->db().scalar(QStringLiteral("SELECT TXOBSPROPFAS FROM OBSPROPFAS WHERE NRPROPOSFAS = :N"),
                                    {{"N", nr(n)}});
    }
    int rows(int n) {
        return server_->db()
            .scalar(QStringLiteral("SELECT COUNT(*) FROM OBSPROPFAS WHERE NRPROPOSFAS = :N"), {{"N", nr(n)}})
            .toInt();
    }
    std::unique_ptr<TestServer> server_;
};

TEST_P(ObservationMethodsTest, InsertsUpdatesAndDropsAnEmptiedObservation) {
    server_->db().exec(QStringLiteral("DELETE FROM OBSPROPFAS WHERE NRPROPOSFAS = :N"), {{"N", nr(2)}});
    RpcResult r = setObs(delta(ChangeOp::Insert, {}, {nr(2), "01", "<p>Primeira.</p>"}), "0");
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(stored(2).toString(), "<p>Primeira.</p>");

    r = setObs(delta(ChangeOp::Update, {nr(2), "01", "<p>Primeira.</p>"}, {nr(2), "01", "<p>Segunda.</p>"}), "0");
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(stored(2).toString(), "<p>Segunda.</p>");

    r = setObs(delta(ChangeOp::Update, {nr(2), "01", "<p>Segunda.</p>"}, {nr(2), "01", "<p></p>"}), "1");
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(rows(2), 0) << "an empty observation is not kept";
}

TEST_P(ObservationMethodsTest, AStaleChangeOrABadFlagWritesNothing) {
    const QString before = stored(1).toString();
    ASSERT_FALSE(before.isEmpty());
    RpcResult r = setObs(delta(ChangeOp::Update, {nr(1), "01", "<p>Já mudou.</p>"}, {nr(1), "01", "<p>Nova.</p>"}), "0");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "Registro alterado ou excluído por outro usuário.");
    EXPECT_EQ(stored(1).toString(), before);

    r = setObs(delta(ChangeOp::Update, {nr(1), "01", before}, {nr(1), "01", "<p>Nova.</p>"}), "talvez");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(stored(1).toString(), before);

    r = setObs(delta(ChangeOp::Insert, {}, {"", "01", "<p>Sem número.</p>"}), "0");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "Número de proposta inválido: informe os 20 dígitos.");
}

INSTANTIATE_TEST_SUITE_P(Db, ObservationMethodsTest, ::testing::ValuesIn(cot::testing::availableBackends()),
                         cot::testing::backendName);

}  // namespace
