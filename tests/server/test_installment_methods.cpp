// Licence installments on the server: a regenerated schedule saved whole, schedules that
// do not add up refused, due-date checks, and the earliest due dates per line.
#include <gtest/gtest.h>

#include "services/installment_schedule.h"
#include "support/packet_cells.h"
#include "server_cases_a.h"

using namespace cot;
using cot::testing::Backend;
using cot::testing::TestServer;
using cot::testing::nr;

using cot::testing::succeeded;
using cot::testing::cells;

namespace {

QDateTime day(int y, int m, int d) { return QDateTime(QDate(y, m, d), QTime(0, 0)); }

// Proposal 2 (created 2026-11-26): line 3 (licence (1000 - 50) x 10 in four installments
// from 2026-12-26) and line 4 ((650,50) x 2 in three from the same day).
class InstallmentMethodsTest : public cot::testing::DemoServerTest {
protected:
    Packet schedule(int line) { return packet("GetVenc_Valor", {nr(2), "01", nr(line), 1}); }
    static QVariantList row(int line, const QDateTime& due, const QVariant& value) {
        return {nr(2), "01", nr(line), due, value};
    }
    RpcResult save(const QList<RowChange>& changes) {
        Delta d{{{"NRPROPOSFAS", FieldType::String, 20}, {"NRVERPROPFAS", FieldType::String, 2},
                 {"CDLINPPROP", FieldType::String, 20}, {"DTVELUSOPEDP", FieldType::DateTime, 0},
                 {"VRVELUSOPEDP", FieldType::Float, 0}}, changes};
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
};

TEST_P(InstallmentMethodsTest, ARegeneratedScheduleIsSavedWholeWhenItAddsUp) {
    // Five installments carry the interest; the remainder of the cut goes to the first.
    const std::vector<double> values = equalSplit(9500.0L, rate(), 5);
    QList<RowChange> changes = deletesOf(3);
    for (int i = 0; i < 5; ++i)
        changes.append({ChangeOp::Insert, {}, row(3, day(2027, 1, 10).addMonths(i), values[size_t(i)])});
    ASSERT_TRUE(succeeded(save(changes)));
    const Packet p = schedule(3);
    EXPECT_EQ(p.rows.size(), 5);
    EXPECT_EQ(std::pair(p.value(0, "DTVELUSOPEDP").toDateTime(), p.value(0, "VRVELUSOPEDP").toDouble()),
              std::pair(day(2027, 1, 10), values[0]));

    // One cent short: refused with the total it must reach, and nothing is written.
    changes = deletesOf(3);
    for (int i = 0; i < 2; ++i)
        changes.append({ChangeOp::Insert, {}, row(3, day(2027, 2, 1).addMonths(i), i == 0 ? 4749.99 : 4750.0)});
    EXPECT_EQ(save(changes).error, "Os valores dos vencimentos somados não podem ser diferentes do valor total da "
                                   "licença de uso. Valor Total (9500,00).");
    EXPECT_EQ(schedule(3).rows.size(), 5);

    // Deleting installments alone is always taken: the new schedule follows.
    changes = deletesOf(3);
    changes.removeLast();
    ASSERT_TRUE(succeeded(save(changes)));
    EXPECT_EQ(schedule(3).rows.size(), 1);

    // A schedule without the interest is accepted too, as the approval does.
    changes = deletesOf(3);
    for (int i = 0; i < 4; ++i) changes.append({ChangeOp::Insert, {}, row(3, day(2027, 3, 1).addMonths(i), 2375.0)});
    EXPECT_TRUE(succeeded(save(changes)));
}

TEST_P(InstallmentMethodsTest, DueDatesAreOnOrAfterTheProposalAndOncePerLine) {
    // Line 4: one installment of its whole total on the proposal date itself.
    QList<RowChange> changes = deletesOf(4);
    changes.append({ChangeOp::Insert, {}, row(4, day(2026, 11, 26), 1301.0)});
    ASSERT_TRUE(succeeded(save(changes)));

    const std::pair<QVariantList, const char*> cases[] = {
        {row(4, day(2026, 11, 25), 1301.0), "Data de Vencimento não podererá ser inferior à data de cadastramento da Proposta."},
        {row(4, QDateTime(), 1301.0), "Data de Vencimento deve ser informada."},
        {row(4, day(2026, 12, 26), QVariant()), "Valor deve ser informado."},
        {row(4, day(2026, 12, 26), -1.0), "Valor do vencimento não pode ser negativo."},
        {row(99, day(2026, 12, 26), 0.0), "Linha de produto não cadastrada na proposta."},
    };
    for (const auto& [line, message] : cases) EXPECT_EQ(save({{ChangeOp::Insert, {}, line}}).error, QString::fromUtf8(message));
    // The same day at another hour is the same due date.
    EXPECT_EQ(save({{ChangeOp::Update, row(4, day(2026, 11, 26), 1301.0), row(4, day(2026, 11, 26), 1301.0)},
                    {ChangeOp::Insert, {}, row(4, day(2026, 11, 26).addSecs(3600), 0.0)}}).error,
              "Data vencimento já cadastrada.");

    auto onDay = [&](const QDateTime& when) { return packet("ValidaVenc", {nr(2), "01", nr(4), when}).rows.size(); };
    EXPECT_EQ(QList<qsizetype>({onDay(day(2026, 11, 26).addSecs(15 * 3600)), onDay(day(2026, 11, 27)), onDay(QDateTime())}),
              QList<qsizetype>({1, 0, 0}));
}

TEST_P(InstallmentMethodsTest, EarliestDueDatesPerLineLateLinesAndThePackage) {
    // Line 4 starts a month after line 3.
    QList<RowChange> changes = deletesOf(4);
    const std::vector<double> values = equalSplit(1301.0L, rate(), 2);
    changes.append({ChangeOp::Insert, {}, row(4, day(2027, 1, 26), values[0])});
    changes.append({ChangeOp::Insert, {}, row(4, day(2027, 2, 26), values[1])});
    ASSERT_TRUE(succeeded(save(changes)));

    RpcResult r = call("GetMinDtVenc", {nr(2), "01", day(2027, 1, 1)});
    ASSERT_TRUE(succeeded(r));
    const QVariantList parts = r.value.toList();
    ASSERT_EQ(parts.size(), 3);
    const Packet earliest = parts[0].value<Packet>();
    ASSERT_EQ(earliest.rows.size(), 2);
    EXPECT_EQ(earliest.fields.first().name, "DTVELUSOPEDP") << "the first row is the proposal's earliest";
    // Line 4's own first due date in the second row.
    EXPECT_EQ(cells(earliest, 0, {"DTVELUSOPEDP", "CDLINPPROP"}) + cells(earliest, 1, {"DTVELUSOPEDP", "CDLINPPROP"}),
              QStringList({"26/12/2026", nr(3), "26/01/2027", nr(4)}));
    const Packet late = parts[1].value<Packet>();
    EXPECT_EQ(late.rows.size(), 1) << "only line 3 has a due date before 2027-01-01";
    EXPECT_EQ(cells(late, 0, {"CDLINPPROPINFOR", "NMLINPPROP"}), QStringList({"2001", "ERP Web completo"}));
    const Packet package = parts[2].value<Packet>();
    EXPECT_EQ(package.rows.size(), 1);
    EXPECT_EQ(cells(package, 0, {"DTVENCSERVPROP"}), QStringList{"26/12/2026"});

    // A proposal without installments answers three empty packets.
    r = call("GetMinDtVenc", {nr(3), "01", day(2027, 1, 1)});
    ASSERT_TRUE(succeeded(r));
    for (const QVariant& part : r.value.toList()) EXPECT_TRUE(part.value<Packet>().rows.isEmpty());
}

COT_ON_EVERY_BACKEND(InstallmentMethodsTest);

}  // namespace
