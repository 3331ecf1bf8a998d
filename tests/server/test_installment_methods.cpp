// Installments on the server, of a line's licence and of the service package alike: a
// regenerated schedule saved whole, schedules that do not add up refused, due-date checks,
// and the earliest due dates per line.
#include "services/installment_schedule.h"
#include "server_cases_b.h"

using namespace cot;
using namespace cot::testing;

namespace {

QDateTime day(int y, int m, int d) { return QDateTime(QDate(y, m, d), QTime(0, 0)); }

// One schedule of proposal 2 (created 2026-11-26) as the screen saves it: a row is the key
// followed by the due date and the value.
// `save` is the change log's method, `check` the due-date check's, `unknown` the refusal of a
// row whose key is not stored.
struct Schedule {
    const char *name, *save, *check;
    QList<FieldDef> fields;
    QVariantList key, readArgs, unknownKey;
    const char* unknown;
    double total;
    std::vector<double> centShort;
    const char* centShortMessage;
};

const QList<FieldDef> kLineFields{{"NRPROPOSFAS", FieldType::String, 20}, {"NRVERPROPFAS", FieldType::String, 2},
                                  {"CDLINPPROP", FieldType::String, 20},  {"DTVELUSOPEDP", FieldType::DateTime, 0},
                                  {"VRVELUSOPEDP", FieldType::Float, 0}};

Schedule lineSchedule(int line, double total) {
    return {"licença", "SetVencimento", "ValidaVenc", kLineFields, {nr(2), "01", nr(line)}, {nr(2), "01", nr(line), 1},
            {nr(2), "01", nr(99)}, "Linha de produto não cadastrada na proposta.", total, {4749.99, 4750.0},
            "Os valores dos vencimentos somados não podem ser diferentes do valor total da licença de uso. "
            "Valor Total (9500,00)."};
}

// Line 3: (1000 - 50) x 10 in four installments from 2026-12-26. The package: 7728 in three.
// Two installments carry no interest; more than three, 1,5 %.
const Schedule kSchedules[] = {
    lineSchedule(3, 9500.0), {"pacote", "SetVencServ", "ValidaVencServ",
     {{"NRPROPOSFAS", FieldType::String, 20}, {"NRVERPROPFAS", FieldType::String, 2},
      {"DTVENCSERVPROP", FieldType::DateTime, 0}, {"VRVENCSERVPROP", FieldType::Float, 0}},
     {nr(2), "01"}, {nr(2), "01", "", 2}, {nr(99), "01"}, "Proposta não cadastrada.", 7728.0,
     {1960.98, 1960.98, 1960.98, 1960.97},
     "Os valores dos vencimentos somados não podem ser diferentes do valor total do pacote de serviço. "
     "Valor Total (7843,92)."},
};

class InstallmentMethodsTest : public cot::testing::DemoServerTest {
protected:
    Packet schedule(const Schedule& s) { return packet("GetVenc_Valor", s.readArgs); }
    RpcResult save(const Schedule& s, const QList<RowChange>& changes) {
        return call(s.save, {QVariant::fromValue(Delta{s.fields, changes})});
    }
    static QVariantList row(const Schedule& s, const QVariant& due, const QVariant& value) {
        return s.key + QVariantList{due, value};
    }
    // The stored installments deleted, but for the last `keep`.
    QList<RowChange> deletes(const Schedule& s, int keep = 0) {
        QList<RowChange> out;
        const Packet p = schedule(s);
        for (int i = 0; i < p.rows.size() - keep; ++i) out.append({ChangeOp::Delete, p.rows[i], {}});
        return out;
    }
    // The stored schedule replaced by `amounts`, monthly from `first`.
    RpcResult replace(const Schedule& s, const std::vector<double>& amounts, const QDateTime& first) {
        QList<RowChange> changes = deletes(s);
        for (size_t i = 0; i < amounts.size(); ++i)
            changes.append({ChangeOp::Insert, {}, row(s, first.addMonths(int(i)), amounts[i])});
        return save(s, changes);
    }
    double rate() { return server_.db().scalar("SELECT VRTXJUROSLICUSO FROM PARAMPROP").toDouble(); }
};

TEST_P(InstallmentMethodsTest, AScheduleIsSavedWholeOnlyWhenItAddsUp) {
    for (const Schedule& s : kSchedules) {
        SCOPED_TRACE(s.name);
        // Five installments carry the interest; the remainder of the cut goes to the first.
        const std::vector<double> values = equalSplit(s.total, rate(), 5);
        ASSERT_TRUE(succeeded(replace(s, values, day(2027, 1, 10))));
        const Packet p = schedule(s);
        EXPECT_TRUE(p.rows.size() == 5 && p.rows[0].mid(s.key.size()) == QVariantList({day(2027, 1, 10), values[0]}));

        // One cent short: refused with the total it must reach, and nothing is written.
        EXPECT_EQ(replace(s, s.centShort, day(2027, 2, 1)).error, QString::fromUtf8(s.centShortMessage));
        EXPECT_EQ(schedule(s).rows, p.rows);

        // Deleting installments alone is always taken: the new schedule follows.
        EXPECT_TRUE(succeeded(save(s, deletes(s, 1))) && schedule(s).rows.size() == 1);

        // A schedule without the interest is accepted too, as the approval does.
        EXPECT_TRUE(succeeded(replace(s, std::vector<double>(4, s.total / 4), day(2027, 3, 1))));

        // Due dates are on or after the proposal's date, once per day.
        const QDateTime created = day(2026, 11, 26);
        ASSERT_TRUE(succeeded(replace(s, {s.total}, created))) << "the proposal date itself";
        const std::pair<QVariantList, const char*> cases[] = {
            {row(s, created.addDays(-1), s.total),
             "Data de Vencimento não podererá ser inferior à data de cadastramento da Proposta."},
            {row(s, QVariant(), s.total), "Data de Vencimento deve ser informada."},
            {row(s, day(2027, 1, 1), QVariant()), "Valor deve ser informado."},
            {row(s, day(2027, 1, 1), -1.0), "Valor do vencimento não pode ser negativo."},
            {s.unknownKey + QVariantList{day(2027, 1, 1), 0.0}, s.unknown},
        };
        for (const auto& [r, message] : cases) EXPECT_EQ(save(s, {{ChangeOp::Insert, {}, r}}).error, QString::fromUtf8(message));
        // The same day at another hour is the same due date.
        const QVariantList stored = row(s, created, s.total);
        EXPECT_EQ(save(s, {{ChangeOp::Update, stored, stored}, {ChangeOp::Insert, {}, row(s, created.addSecs(3600), 0.0)}}).error,
                  "Data vencimento já cadastrada.");

        auto onDay = [&](const QVariant& when) { return packet(s.check, s.key + QVariantList{when}).rows.size(); };
        EXPECT_EQ(QList<qsizetype>({onDay(created.addSecs(15 * 3600)), onDay(created.addDays(1)), onDay(QDateTime())}),
                  QList<qsizetype>({1, 0, 0}));
        EXPECT_EQ(call(s.check, s.key + QVariantList{"amanhã"}).code, -32602);
    }
}

TEST_P(InstallmentMethodsTest, EarliestDueDatesPerLineLateLinesAndThePackage) {
    // Line 4 ((650,50) x 2 in three from 2026-12-26) starts a month after line 3.
    const std::vector<double> values = equalSplit(1301.0L, rate(), 2);
    ASSERT_TRUE(succeeded(replace(lineSchedule(4, 1301.0), values, day(2027, 1, 26))));

    RpcResult r = call("GetMinDtVenc", {nr(2), "01", day(2027, 1, 1)});
    ASSERT_TRUE(succeeded(r));
    const QVariantList parts = r.value.toList();
    ASSERT_EQ(parts.size(), 3);
    const Packet earliest = parts[0].value<Packet>(), late = parts[1].value<Packet>(), package = parts[2].value<Packet>();
    EXPECT_EQ(earliest.fields.first().name, "DTVELUSOPEDP") << "the first row is the proposal's earliest";
    // Line 4's own first due date in the second row; only line 3 has a due date before 2027-01-01.
    EXPECT_EQ(QList<qsizetype>({earliest.rows.size(), late.rows.size(), package.rows.size()}), QList<qsizetype>({2, 1, 1}));
    EXPECT_EQ(cells(earliest, 0, {"DTVELUSOPEDP", "CDLINPPROP"}) + cells(earliest, 1, {"DTVELUSOPEDP", "CDLINPPROP"}) +
                  cells(late, 0, {"CDLINPPROPINFOR", "NMLINPPROP"}) + cells(package, 0, {"DTVENCSERVPROP"}),
              QStringList({"26/12/2026", nr(3), "26/01/2027", nr(4), "2001", "ERP Web completo", "26/12/2026"}));

    // A proposal without installments answers three empty packets.
    r = call("GetMinDtVenc", {nr(3), "01", day(2027, 1, 1)});
    ASSERT_TRUE(succeeded(r));
    for (const QVariant& part : r.value.toList()) EXPECT_TRUE(part.value<Packet>().rows.isEmpty());
}

COT_ON_EVERY_BACKEND(InstallmentMethodsTest);

}  // namespace
