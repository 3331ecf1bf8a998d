// The contract switch converts every line of the proposal in one transaction.
#include "services/installment_schedule.h"
#include "server_cases_a.h"

using namespace cot;
using namespace cot::testing;

namespace {

struct ContractSwitchTest : cot::testing::DemoServerTest {
    ContractSwitchTest() {
        const Packet p = server_.db().query(
            "SELECT P.NRPROPOSFAS, P.NRVERPROPFAS FROM PROPOSTAFAS P WHERE P.IDTIPOPROPFAS = 'M' AND "
            "(SELECT COUNT(*) FROM LINPPROP L WHERE L.NRPROPOSFAS = P.NRPROPOSFAS AND L.NRVERPROPFAS = P.NRVERPROPFAS) > 1 "
            "ORDER BY P.NRPROPOSFAS, P.NRVERPROPFAS");
        nr_ = p.value(0, "NRPROPOSFAS").toString();
        ver_ = p.value(0, "NRVERPROPFAS").toString();
    }
    RpcResult switchTo(const QString& type, const QVariant& header = {}) {
        return server_.connection().call("SetTipoContrato", {nr_, ver_, type, header});
    }
    // What `sql` reads of this version (:N, :V).
    Packet read(const QString& sql, const QList<FieldDef>& shape = {}) { return server_.db().query(sql, {{"N", nr_}, {"V", ver_}}, shape); }
    Packet lines() {
        return read("SELECT CDLINPPROP, IDTIPLINPP, VRLICENCUSOPROP, VRDESLICUSOPROP, VRMENSALIDAPROP FROM LINPPROP "
                    "WHERE NRPROPOSFAS = :N AND NRVERPROPFAS = :V ORDER BY CDLINPPROP");
    }
    Packet installments() {
        return read("SELECT CDLINPPROP, DTVELUSOPEDP, VRVELUSOPEDP FROM VENCLINPPROP WHERE NRPROPOSFAS = :N AND NRVERPROPFAS = :V "
                    "ORDER BY CDLINPPROP, DTVELUSOPEDP", {{"DTVELUSOPEDP", FieldType::DateTime, 0}});
    }
    QStringList stored() {
        return cot::testing::cells(read("SELECT IDTIPOPROPFAS, DSREFEPROPOSFAS FROM PROPOSTAFAS WHERE NRPROPOSFAS = :N "
                                        "AND NRVERPROPFAS = :V"), 0, {"IDTIPOPROPFAS", "DSREFEPROPOSFAS"});
    }
    QString nr_, ver_;
};

TEST_P(ContractSwitchTest, ToRentalConvertsEveryLineAndLeavesOneInstallmentOfZeroToday) {
    ASSERT_FALSE(nr_.isEmpty());
    const Packet before = lines();
    ASSERT_TRUE(switchTo("L").ok);
    EXPECT_EQ(stored()[0], "L");
    const Packet after = lines();
    ASSERT_EQ(after.rows.size(), before.rows.size());
    // No licence left; the monthly value stays.
    for (int r = 0; r < after.rows.size(); ++r)
        EXPECT_EQ(
            std::tuple(after.value(r, "IDTIPLINPP").toString(), after.value(r, "VRMENSALIDAPROP"),
                       after.value(r, "VRLICENCUSOPROP").toDouble() + after.value(r, "VRDESLICUSOPROP").toDouble()),
            std::tuple(QString(before.value(r, "IDTIPLINPP").toString() == "P" ? "A" : "L"),
                       before.value(r, "VRMENSALIDAPROP"), 0.0));
    const Packet schedule = installments();
    ASSERT_EQ(schedule.rows.size(), after.rows.size()) << "one installment per line";
    for (int r = 0; r < schedule.rows.size(); ++r)
        EXPECT_EQ(std::tuple(schedule.value(r, "CDLINPPROP"), schedule.value(r, "DTVELUSOPEDP").toDateTime(),
                             scheduleAddsUp({schedule.value(r, "VRVELUSOPEDP").toDouble()}, 0, 1.5)),
                  std::tuple(after.value(r, "CDLINPPROP"), QDateTime(QDate(2026, 12, 6), QTime(0, 0)), true));

    // Back to licence: the line types come back and the schedules stay; the same type changes nothing.
    ASSERT_TRUE(switchTo("m").ok);
    EXPECT_EQ(stored()[0], "M");
    for (const QVariantList& row : lines().rows) EXPECT_TRUE(row[1] == "M" || row[1] == "P") << row[1].toString().toStdString();
    EXPECT_EQ(installments().rows, schedule.rows);
    const Packet same = lines();
    ASSERT_TRUE(switchTo("M").ok);
    EXPECT_EQ(lines().rows, same.rows);
}

// The header's own pending change travels with the switch: both land, or neither.
TEST_P(ContractSwitchTest, RefusedSwitchesChangeNothingAndTheHeaderChangeLandsWithTheLines) {
    const auto header = [&](const QString& original, const QString& reference) {
        const QList<FieldDef> fields{{"NRPROPOSFAS", FieldType::String, 20}, {"NRVERPROPFAS", FieldType::String, 2},
                                     {"IDTIPOPROPFAS", FieldType::String, 1}, {"DSREFEPROPOSFAS", FieldType::String, 60}};
        return QVariant::fromValue(Delta{fields, {{ChangeOp::Update, {nr_, ver_, "M", original}, {nr_, ver_, "L", reference}}}});
    };
    const Packet before = lines(), schedule = installments();
    const QString was = stored()[1];
    for (const char* bad : {"S", "X", ""}) EXPECT_TRUE(switchTo(bad).error.startsWith("Tipo de contrato inválido")) << bad;
    EXPECT_EQ(server_.connection().call("SetTipoContrato", {"99999999999999999999", "01", "L", QVariant()}).error,
              "Proposta não cadastrada.");
    // Someone else changed the header meanwhile: the stale original refuses the whole switch.
    EXPECT_FALSE(switchTo("L", header(was + " (antes)", "Outra")).ok);
    EXPECT_EQ(stored(), QStringList({"M", was}));
    EXPECT_EQ(std::pair(lines().rows, installments().rows), std::pair(before.rows, schedule.rows));

    ASSERT_TRUE(succeeded(switchTo("L", header(was, "Revista"))));
    EXPECT_EQ(stored(), QStringList({"L", "Revista"}));
    for (const QVariantList& row : lines().rows) EXPECT_TRUE(row[1] == "L" || row[1] == "A") << "converted from M";
}

COT_ON_EVERY_BACKEND(ContractSwitchTest);

}  // namespace
