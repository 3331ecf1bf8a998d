// Service charging and package installments on the server: the charging switch in one
// call, and every split the screen makes taken when it adds up to the package.
#include <numeric>
#include <random>

#include "services/installment_schedule.h"
#include "services/money.h"
#include "server_cases_b.h"

using namespace cot;

namespace {

QDateTime day(int y, int m, int d) { return QDateTime(QDate(y, m, d), QTime(0, 0)); }

const QList<FieldDef> kInstallmentFields{{"NRPROPOSFAS", FieldType::String, 20},
                                         {"NRVERPROPFAS", FieldType::String, 2},
                                         {"DTVENCSERVPROP", FieldType::DateTime, 0},
                                         {"VRVENCSERVPROP", FieldType::Float, 0}};

// Demo: proposal 2 (created 2026-11-26) charged by package, 7728 in three installments;
// proposal 3 (created 2026-11-11) by package with no service; proposal 7 by package,
// 13880 in three installments. Interest of schedules over three installments: 1,5 %.
class ServiceInstallmentMethodsTest : public DemoServerTest {
protected:
    Packet schedule(int proposal) { return packet("GetVenc_Valor", {nr(proposal), "01", "", 2}); }
    static std::vector<double> values(const Packet& p) {
        std::vector<double> out;
        for (int i = 0; i < p.rows.size(); ++i) out.push_back(p.value(i, "VRVENCSERVPROP").toDouble());
        return out;
    }
    // The stored schedule replaced by `amounts`, monthly from `first`.
    RpcResult replace(int proposal, const std::vector<double>& amounts, const QDateTime& first) {
        QList<RowChange> changes;
        for (const QVariantList& row : schedule(proposal).rows) changes.append({ChangeOp::Delete, row, {}});
        for (size_t i = 0; i < amounts.size(); ++i)
            changes.append({ChangeOp::Insert, {}, {nr(proposal), "01", first.addMonths(int(i)), amounts[i]}});
        return call("SetVencServ", {QVariant::fromValue(Delta{kInstallmentFields, changes})});
    }
    QVariant proposalValue(int proposal, const char* column) {
        return server_.db().scalar(QString("SELECT %1 FROM PROPOSTAFAS WHERE NRPROPOSFAS = :N AND NRVERPROPFAS = '01'").arg(column),
                                   {{"N", nr(proposal)}});
    }
    long double rate() { return server_.db().scalar("SELECT VRTXJUROSLICUSO FROM PARAMPROP").toDouble(); }
};

// The charging type comes first and must be known; hourly drops the package and its
// schedule, and package brings them back with a first installment.
TEST_P(ServiceInstallmentMethodsTest, TheChargingSwitchDropsOrBringsBackThePackageAndItsSchedule) {
    // In the old order the version stands where the number goes: no key, nothing runs.
    for (const auto& [args, refusal] : {std::pair(QVariantList{nr(2), "01", "H"}, "Número de proposta inválido: informe os 20 dígitos."),
                                        {{"X", nr(2), "01"}, "Tipo de cobrança inválido: use P (pacote) ou H (hora)."},
                                        {{"H", nr(99), "01"}, "Proposta não cadastrada."}})
        EXPECT_EQ(call("SetTipoCobrServ", args).error, refusal);
    EXPECT_FALSE(call("SetTipoCobrServ", {"H", nr(2)}).ok);
    EXPECT_EQ(std::pair(proposalValue(2, "IDTIPOCOBRSERV").toString(), schedule(2).rows.size()), std::pair(QString("P"), qsizetype(3)));

    // {answer, charging stored, package stored} after each switch; "p" typed small.
    const auto switchTo = [&](const char* charging) {
        const RpcResult r = call("SetTipoCobrServ", {charging, nr(2), "01"});
        EXPECT_TRUE(r.ok) << r.error.toStdString();
        return std::tuple(r.value.toDouble(), proposalValue(2, "IDTIPOCOBRSERV").toString(),
                          proposalValue(2, "VRPACOTESERV").toDouble());
    };
    EXPECT_EQ(switchTo("H"), std::tuple(0.0, QString("H"), 0.0));
    EXPECT_TRUE(schedule(2).rows.isEmpty());
    EXPECT_EQ(switchTo("p"), std::tuple(7728.0, QString("P"), 7728.0));
    EXPECT_EQ(cot::testing::cells(schedule(2), 0, {"DTVENCSERVPROP", "VRVENCSERVPROP"}) << QString::number(schedule(2).rows.size()),
              (QStringList{"06/12/2026", "7728", "1"}));

    // Asked again: a schedule that adds up is left alone.
    ASSERT_TRUE(replace(2, {3864.0, 3864.0}, day(2027, 1, 10)).ok);
    ASSERT_TRUE(call("SetTipoCobrServ", {"P", nr(2), "01"}).ok);
    EXPECT_EQ(values(schedule(2)), (std::vector<double>{3864.0, 3864.0}));

    // A proposal dated after today starts its schedule on its own date.
    ASSERT_TRUE(call("SetTipoCobrServ", {"H", nr(2), "01"}).ok);
    server_.db().exec("UPDATE PROPOSTAFAS SET DTPROPOSFAS = :D WHERE NRPROPOSFAS = :N", {{"D", day(2026, 12, 20)}, {"N", nr(2)}});
    ASSERT_TRUE(call("SetTipoCobrServ", {"P", nr(2), "01"}).ok);
    EXPECT_EQ(schedule(2).value(0, "DTVENCSERVPROP").toDateTime(), day(2026, 12, 20));
}

TEST_P(ServiceInstallmentMethodsTest, APackageSwitchMakesTheScheduleFollowThePackage) {
    // Services changed behind the package's back: the schedule keeps its shares.
    server_.db().exec("UPDATE SERVPROP SET QTSERVPROP = 20 WHERE NRPROPOSFAS = :N AND NRSERVPROP = '003'", {{"N", nr(7)}});
    const std::vector<double> before = values(schedule(7));
    ASSERT_EQ(before.size(), 3u);
    RpcResult r = call("SetTipoCobrServ", {"P", nr(7), "01"});
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_DOUBLE_EQ(r.value.toDouble(), 15880.0);
    const std::vector<double> after = values(schedule(7));
    EXPECT_EQ(after, proportionalSplit(before, 15880.0L, rate()));
    EXPECT_TRUE(scheduleAddsUp(after, 15880.0L, rate()));

    // Services worth nothing and no schedule: the package of 0 gets its first installment.
    server_.db().exec("UPDATE SERVPROP SET VRDEHORAPROP = 0 WHERE NRPROPOSFAS = :N", {{"N", nr(7)}});
    server_.db().exec("DELETE FROM VENCSERVPROP WHERE NRPROPOSFAS = :N", {{"N", nr(7)}});
    ASSERT_TRUE(call("SetTipoCobrServ", {"P", nr(7), "01"}).ok);
    EXPECT_EQ(values(schedule(7)), std::vector<double>{0.0});

    // No service left: a package of nothing keeps no installment.
    server_.db().exec("DELETE FROM SERVPROP WHERE NRPROPOSFAS = :N", {{"N", nr(7)}});
    r = call("SetTipoCobrServ", {"P", nr(7), "01"});
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_DOUBLE_EQ(r.value.toDouble(), 0.0);
    EXPECT_TRUE(schedule(7).rows.isEmpty());
}

// Whatever the package, count and rate, the schedules the screen makes are taken, and
// whatever is taken adds up to the package with or without its interest.
TEST_P(ServiceInstallmentMethodsTest, EverySplitTheServerTakesAddsUp) {
    // Proposal 3's one service priced so that its package is the total wanted.
    const QList<FieldDef> fields{{"NRPROPOSFAS", FieldType::String, 20}, {"NRVERPROPFAS", FieldType::String, 2},
                                 {"NRSERVPROP", FieldType::String, 3},   {"CDTIPOSERV", FieldType::String, 3},
                                 {"VRPEACHEPROP", FieldType::Float, 0},  {"QTSERVPROP", FieldType::Float, 0},
                                 {"VRHORAPROP", FieldType::Float, 0},    {"VRDEHORAPROP", FieldType::Float, 0}};
    QVariantList service{nr(3), "01", "001", "003", 1.0, 1.0, 1.0, 1.0};
    ASSERT_TRUE(call("SetServico", {QVariant::fromValue(Delta{fields, {{ChangeOp::Insert, {}, service}}})}).ok);
    auto price = [&](double hours, double rate) {
        QVariantList priced = service;
        priced[5] = hours;
        priced[6] = priced[7] = rate;
        const RpcResult r = call("SetServico", {QVariant::fromValue(Delta{fields, {{ChangeOp::Update, service, priced}}})});
        service = priced;
        return r.ok ? r.value.toDouble() : -1;
    };

    std::mt19937 random(20261206);
    std::vector<double> totals{0.53, 1.05, 2.10, 4.18, 0.01, 1000.0, 9999.99};
    for (int i = 0; i < 16; ++i) totals.push_back(std::uniform_int_distribution<int>(1, 5000000)(random) / 100.0);
    const double rates[] = {0.0, 1.5, 2.0, 3.75, 12.5};
    int refused = 0;
    for (size_t i = 0; i < totals.size(); ++i) {
        const double total = totals[i];
        const double r = rates[i % std::size(rates)];
        const int count = i < 4 ? int(4 + i) : std::uniform_int_distribution<int>(1, 60)(random);
        SCOPED_TRACE(QString("total %1, %2 parcelas, juros %3").arg(total).arg(count).arg(r).toStdString());
        server_.db().exec("UPDATE PARAMPROP SET VRTXJUROSLICUSO = :R", {{"R", r}});
        ASSERT_EQ(price(1, total), total);

        const std::vector<double> split = equalSplit(total, r, count);
        RpcResult saved = replace(3, split, day(2027, 1, 1));
        ASSERT_TRUE(saved.ok) << saved.error.toStdString();
        const std::vector<double> stored = values(schedule(3));
        EXPECT_TRUE(sameMoney(std::accumulate(stored.begin(), stored.end(), 0.0L), scheduleSum(total, r, count)));
        for (double v : stored) EXPECT_TRUE(sameMoney(v, truncCents(v))) << v << " is not a whole number of cents";

        // A cent more on one installment: taken only when that still adds up.
        std::vector<double> off = split;
        off[size_t(std::uniform_int_distribution<int>(0, count - 1)(random))] += 0.01;
        const long double sum = std::accumulate(off.begin(), off.end(), 0.0L);
        const bool addsUp = sameMoney(sum, truncCents(total)) || sameMoney(sum, truncCents(total * (1 + r / 100)));
        saved = replace(3, off, day(2027, 2, 1));
        EXPECT_EQ(saved.ok, addsUp) << saved.error.toStdString();
        if (!saved.ok) ++refused;

        // The package doubled: the re-spread the screen makes is taken as well.
        ASSERT_EQ(price(2, total), 2 * total);
        saved = replace(3, proportionalSplit(values(schedule(3)), 2.0L * total, r), day(2027, 3, 1));
        EXPECT_TRUE(saved.ok) << saved.error.toStdString();
    }
    EXPECT_GT(refused, 0);
}

COT_ON_EVERY_BACKEND(ServiceInstallmentMethodsTest);

}  // namespace
