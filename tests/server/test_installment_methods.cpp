// Licence installments on the server: a regenerated schedule saved whole, schedules that
// do not add up refused, due-date checks, and the earliest due dates per line.
#include <gtest/gtest.h>

#include "services/installment_schedule.h"
#include "support/packet_cells.h"
#include "support/test_server.h"

using namespace cot;
using cot::testing::Backend;
using cot::testing::TestServer;
using cot::testing::nr;

namespace {

QDateTime day(int y, int m, int d) { return QDateTime(QDate(y, m, d), QTime(0, 0)); }

// Proposal 2 (created 2026-11-26): line 3 (licence (1000 - 50) x 10 in four installments
// from 2026-12-26) and line 4 ((650,50) x 2 in three from the same day).
class InstallmentMethodsTest : public ::testing::TestWithParam<Backend> {
protected:
    InstallmentMethodsTest() : server_({.backend = GetParam(), .seed = true}) {}

    RpcResult call(const QString& method, const QVariantList& args) { return server_.connection().call(method, args); }
    Packet schedule(int line) {
        const RpcResult r = call("GetVenc_Valor", {nr(2), "01", nr(line), 1});
        EXPECT_TRUE(r.ok) << r.error.toStdString();
        return r.value.value<Packet>();
    }
    static QVariantList row(int line, const QDateTime& due, const QVariant& value) {
        return {nr(2), "01", nr(line), due, value};
    }
    RpcResult save(const QList<RowChange>& changes) {
        Delta d{{{"NRPROPOSFAS", FieldType::String, 20},
                 {"NRVERPROPFAS", FieldType::String, 2},
                 {"CDLINPPROP", FieldType::String, 20},
                 {"DTVELUSOPEDP", FieldType::DateTime, 0},
                 {"VRVELUSOPEDP", FieldType::Float, 0}},
                changes};
        return call("SetVencimento", {QVariant::fromValue(d)});
    }
    // The deletes of every stored installment of the line.
    QList<RowChange> deletesOf(int line) {
        QList<RowChange> out;
        const Packet p = schedule(line);
        for (int i = 0; i < p.rows.size(); ++i)
            out.append({ChangeOp::Delete, row(line, p.value(i, "DTVELUSOPEDP").toDateTime(), p.value(i, "VRVELUSOPEDP")), {}});
        return out;
    }
    double rate() { return server_.db().scalar("SELECT VRTXJUROSLICUSO FROM PARAMPROP").toDouble(); }

    TestServer server_;
};

TEST_P(InstallmentMethodsTest, ARegeneratedScheduleIsSavedWholeWhenItAddsUp) {
    // Five installments carry the interest; the remainder of the cut goes to the first.
    const std::vector<double> values = equalSplit(9500.0L, rate(), 5);
    QList<RowChange> changes = deletesOf(3);
    for (int i = 0; i < 5; ++i)
        changes.append({ChangeOp::Insert, {}, row(3, day(2027, 1, 10).addMonths(i), values[size_t(i)])});
    RpcResult r = save(changes);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    Packet p = schedule(3);
    ASSERT_EQ(p.rows.size(), 5);
    EXPECT_EQ(p.value(0, "DTVELUSOPEDP").toDateTime(), day(2027, 1, 10));
    EXPECT_EQ(p.value(0, "VRVELUSOPEDP").toDouble(), values[0]);

    // One cent short: refused with the total it must reach, and nothing is written.
    changes = deletesOf(3);
    for (int i = 0; i < 2; ++i)
        changes.append({ChangeOp::Insert, {}, row(3, day(2027, 2, 1).addMonths(i), i == 0 ? 4749.99 : 4750.0)});
    r = save(changes);
    EXPECT_EQ(r.error, "Os valores dos vencimentos somados não podem ser diferentes do valor total da licença de uso. "
                       "Valor Total (9500,00).");
    EXPECT_EQ(schedule(3).rows.size(), 5);

    // Deleting installments alone is always taken: the new schedule follows.
    changes = deletesOf(3);
    changes.removeLast();
    r = save(changes);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(schedule(3).rows.size(), 1);

    // A schedule without the interest is accepted too, as the approval does.
    changes = deletesOf(3);
    for (int i = 0; i < 4; ++i) changes.append({ChangeOp::Insert, {}, row(3, day(2027, 3, 1).addMonths(i), 2375.0)});
    r = save(changes);
    EXPECT_TRUE(r.ok) << r.error.toStdString();
}

TEST_P(InstallmentMethodsTest, DueDatesAreOnOrAfterTheProposalAndOncePerLine) {
    // Line 4: one installment of its whole total on the proposal date itself.
    QList<RowChange> changes = deletesOf(4);
    changes.append({ChangeOp::Insert, {}, row(4, day(2026, 11, 26), 1301.0)});
    RpcResult r = save(changes);
    ASSERT_TRUE(r.ok) << r.error.toStdString();

    struct Case {
        QVariantList row;
        const char* message;
    };
    const Case cases[] = {
        {row(4, day(2026, 11, 25), 1301.0), "Data de Vencimento não podererá ser inferior à data de cadastramento da Proposta."},
        {row(4, QDateTime(), 1301.0), "Data de Vencimento deve ser informada."},
        {row(4, day(2026, 12, 26), QVariant()), "Valor deve ser informado."},
        {row(4, day(2026, 12, 26), -1.0), "Valor do vencimento não pode ser negativo."},
        {row(99, day(2026, 12, 26), 0.0), "Linha de produto não cadastrada na proposta."},
    };
    for (const Case& c : cases) {
        r = save({{ChangeOp::Insert, {}, c.row}});
        EXPECT_EQ(r.error, QString::fromUtf8(c.message));
    }
    // The same day at another hour is the same due date.
    r = save({{ChangeOp::Update, row(4, day(2026, 11, 26), 1301.0), row(4, day(2026, 11, 26), 1301.0)},
              {ChangeOp::Insert, {}, row(4, day(2026, 11, 26).addSecs(3600), 0.0)}});
    EXPECT_EQ(r.error, "Data vencimento já cadastrada.");

    auto onDay = [&](const QDateTime& when) {
        const RpcResult v = call("ValidaVenc", {nr(2), "01", nr(4), when});
        EXPECT_TRUE(v.ok) << v.error.toStdString();
        return v.value.value<Packet>().rows.size();
    };
    EXPECT_EQ(onDay(day(2026, 11, 26).addSecs(15 * 3600)), 1);
    EXPECT_EQ(onDay(day(2026, 11, 27)), 0);
    EXPECT_EQ(onDay(QDateTime()), 0);
}

TEST_P(InstallmentMethodsTest, EarliestDueDatesPerLineLateLinesAndThePackage) {
    // Line 4 starts a month after line 3.
    QList<RowChange> changes = deletesOf(4);
    const std::vector<double> values = equalSplit(1301.0L, rate(), 2);
    changes.append({ChangeOp::Insert, {}, row(4, day(2027, 1, 26), values[0])});
    changes.append({ChangeOp::Insert, {}, row(4, day(2027, 2, 26), values[1])});
    RpcResult r = save(changes);
    ASSERT_TRUE(r.ok) << r.error.toStdString();

    r = call("GetMinDtVenc", {nr(2), "01", day(2027, 1, 1)});
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    const QVariantList parts = r.value.toList();
    ASSERT_EQ(parts.size(), 3);
    const Packet earliest = parts[0].value<Packet>();
    ASSERT_EQ(earliest.rows.size(), 2);
    EXPECT_EQ(earliest.fields.first().name, "DTVELUSOPEDP") << "the first row is the proposal's earliest";
    EXPECT_EQ(earliest.value(0, "DTVELUSOPEDP").toDateTime(), day(2026, 12, 26));
    EXPECT_EQ(earliest.value(0, "CDLINPPROP").toString(), nr(3));
    EXPECT_EQ(earliest.value(1, "DTVELUSOPEDP").toDateTime(), day(2027, 1, 26)) << "line 4's own first due date";
    EXPECT_EQ(earliest.value(1, "CDLINPPROP").toString(), nr(4));

    const Packet late = parts[1].value<Packet>();
    ASSERT_EQ(late.rows.size(), 1) << "only line 3 has a due date before 2027-01-01";
    EXPECT_EQ(late.value(0, "CDLINPPROPINFOR").toString(), "2001");
    EXPECT_EQ(late.value(0, "NMLINPPROP").toString(), "ERP Web completo");

    const Packet package = parts[2].value<Packet>();
    ASSERT_EQ(package.rows.size(), 1);
    EXPECT_EQ(package.value(0, "DTVENCSERVPROP").toDateTime(), day(2026, 12, 26));

    // A proposal without installments answers three empty packets.
    r = call("GetMinDtVenc", {nr(3), "01", day(2027, 1, 1)});
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    for (const QVariant& part : r.value.toList()) EXPECT_TRUE(part.value<Packet>().rows.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Db, InstallmentMethodsTest, ::testing::ValuesIn(cot::testing::availableBackends()),
                         cot::testing::backendName);

}  // namespace
