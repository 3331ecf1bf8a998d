// The value columns of the proposal list: VRTOTAL the one-off value (licence as charged
// plus services) and VRMENSAL the monthly value of each version, read by the list's own
// query for every row at once, equal row by row to the figures of proposal_totals.h, on
// the demo data and on versions with and without installments, on both engines.
#include "data/packet_json_reader.h"
#include "server/methods/proposal_list.h"
#include "server/methods/proposal_totals.h"
#include "server_cases_a.h"

using namespace cot;

namespace {

QString nr(int n) { return QStringLiteral("7%1").arg(n, 19, 10, QLatin1Char('0')); }

// One row of `table` with the named values.
void insert(server::Database& db, const char* table, const QVariantMap& values) {
    const QStringList columns = values.keys();
    db.exec(QStringLiteral("INSERT INTO %1 (%2) VALUES (:%3)").arg(table, columns.join(", "), columns.join(", :")), values);
}

QDateTime on(int month) { return QDateTime(QDate(2027, month, 10), QTime(0, 0)); }

// 1: lines quoted, package without installments. 2: one line with installments (with
// interest) beside one without, package with installments. 3: services by the hour, a
// line missing its discounts. 4: nothing at all. 5: figures that need cutting to the cent.
void prepare(server::Database& db) {
    const std::tuple<int, const char*, QVariant> proposals[] = {
        {1, "P", 1500.0}, {2, "P", 900.0}, {3, "H", {}}, {4, "P", {}}, {5, "H", {}}};
    for (const auto& [n, charging, package] : proposals)
        insert(db, "PROPOSTAFAS", {{"NRPROPOSFAS", nr(n)}, {"NRVERPROPFAS", "01"}, {"CDFILIAL", "0001"},
                                   {"IDSOLPROPFAS", "N"}, {"IDCLIENPROSP", "C"}, {"CDCLIENTE", "11222333000181"},
                                   {"DSREFEPROPOSFAS", "Valor"}, {"DTPROPOSFAS", QDateTime(QDate(2026, 11, 1), QTime(0, 0))},
                                   {"CDOPERINCL", "VENDEDOR"}, {"CDOPERSOLI", "VENDEDOR"}, {"IDTIPOPROPFAS", "M"},
                                   {"IDTIPOCOBRSERV", charging}, {"VRPACOTESERV", package}});
    // {proposal, line, unit, its discount, monthly, its discount, quantity}
    const std::tuple<int, const char*, QVariant, QVariant, QVariant, QVariant, QVariant> lines[] = {
        {1, "A", 1000.0, 100.0, 200.0, 20.0, 2.0}, {2, "A", 1000.0, 0.0, 50.0, 0.0, 1.0},
        {2, "B", 300.0, 0.0, 0.0, 0.0, 3.0},       {3, "A", 250.0, {}, 10.0, {}, 4.0},
        {5, "A", 33.333, 0.0, 0.0, 0.0, 3.0}};
    for (const auto& [n, code, unit, discount, monthly, monthlyDiscount, quantity] : lines)
        insert(db, "LINPPROP", {{"NRPROPOSFAS", nr(n)}, {"NRVERPROPFAS", "01"}, {"CDLINPPROP", code},
                                {"VRLICENCUSOPROP", unit}, {"VRDESLICUSOPROP", discount}, {"VRMENSALIDAPROP", monthly},
                                {"VRDESMENSALPROP", monthlyDiscount}, {"QTMINIMAFATPROP", quantity}});
    for (const auto& [month, value] : {std::pair{1, 520.0}, {2, 520.5}})
        insert(db, "VENCLINPPROP", {{"NRPROPOSFAS", nr(2)}, {"NRVERPROPFAS", "01"}, {"CDLINPPROP", "A"},
                                    {"DTVELUSOPEDP", on(month)}, {"VRVELUSOPEDP", value}});
    for (const auto& [month, value] : {std::pair{1, 450.0}, {2, 475.25}})
        insert(db, "VENCSERVPROP", {{"NRPROPOSFAS", nr(2)}, {"NRVERPROPFAS", "01"}, {"DTVENCSERVPROP", on(month)},
                                    {"VRVENCSERVPROP", value}});
    const QVariant kind = db.scalar("SELECT MIN(CDTIPOSERV) FROM TIPOSERV");
    for (const auto& [n, item, quantity, rate] : {std::tuple{3, "001", 10.0, 120.0}, {3, "002", 2.5, 99.9}, {5, "001", 1.0, 10.005}})
        insert(db, "SERVPROP", {{"NRPROPOSFAS", nr(n)}, {"NRVERPROPFAS", "01"}, {"NRSERVPROP", item}, {"CDTIPOSERV", kind},
                                {"QTSERVPROP", quantity}, {"VRDEHORAPROP", rate}});
}

class ListValueTest : public cot::testing::DemoServerTest {
protected:
    ListValueTest() : DemoServerTest({.prepare = prepare}) {}

    Packet list() {
        QByteArray text;
        server::proposalList(server_.db(), QString(), {}).writeTo(text);
        return packetFromJsonText(text);
    }
    double valueOf(const Packet& p, int n, const char* column = "VRTOTAL") {
        for (int r = 0; r < p.rows.size(); ++r)
            if (p.value(r, "NRPROPOSFAS").toString() == nr(n)) return p.value(r, column).toDouble();
        ADD_FAILURE() << "proposal " << n << " not listed";
        return -1;
    }

};

TEST_P(ListValueTest, FixtureVersionsShowTheirOneOffAndMonthlyValues) {
    const Packet p = list();
    for (const char* column : {"VRTOTAL", "VRMENSAL"}) {
        ASSERT_GE(p.indexOf(column), 0);
        EXPECT_EQ(p.fields[p.indexOf(column)].type, FieldType::Float);
    }
    // {VRTOTAL, VRMENSAL}. 1: (1000-100)x2 + the package, the monthly (200-20)x2 never added
    // to the one-off value. 2: installments replace the quoted figures. 3: missing discounts
    // count as zero. 4: nothing priced is worth zero, not null.
    QList<std::pair<double, double>> values;
    for (int n = 1; n <= 4; ++n) values << std::pair(valueOf(p, n), valueOf(p, n, "VRMENSAL"));
    EXPECT_EQ(values, (QList<std::pair<double, double>>{
                          {1800.0 + 1500.0, 360.0}, {1040.5 + 900.0 + 925.25, 50.0}, {1000.0 + 1200.0 + 249.75, 40.0}, {0, 0}}));
    EXPECT_DOUBLE_EQ(valueOf(p, 5), 99.99 + 10.0) << "each figure cut to the cent";
}

TEST_P(ListValueTest, EveryRowEqualsTheFiguresOfTheTotalsRule) {
    const Packet p = list();
    ASSERT_GE(p.rows.size(), 17) << "demo data and the fixture";
    for (int r = 0; r < p.rows.size(); ++r) {
        SCOPED_TRACE(p.value(r, "PROPOSTAVERS").toString().toStdString());
        const auto t = server::proposalTotals(server_.db(), p.value(r, "NRPROPOSFAS").toString(),
                                              p.value(r, "NRVERPROPFAS").toString());
        ASSERT_TRUE(t.has_value());
        EXPECT_NEAR(p.value(r, "VRTOTAL").toDouble(), static_cast<double>(t->grand()), 1e-6);
        EXPECT_NEAR(p.value(r, "VRMENSAL").toDouble(), static_cast<double>(t->monthly), 1e-6);
    }
}

}  // namespace

COT_ON_EVERY_BACKEND(ListValueTest);
