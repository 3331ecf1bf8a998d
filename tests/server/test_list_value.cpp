// The value columns of the proposal list: VRTOTAL the one-off value (licence as charged
// plus services) and VRMENSAL the monthly value of each version, read by the list's own
// query for every row at once, equal row by row to the figures of proposal_totals.h, on
// the demo data and on versions with and without installments, on both engines.
#include <gtest/gtest.h>

#include "data/packet_json_reader.h"
#include "rpc/net_connection.h"
#include "server/methods/proposal_list.h"
#include "server/methods/proposal_totals.h"
#include "server/storage/database.h"
#include "server_cases_a.h"

using namespace cot;
using cot::testing::Backend;
using cot::testing::TestServer;

namespace {

QString nr(int n) { return QStringLiteral("7%1").arg(n, 19, 10, QLatin1Char('0')); }

void proposal(server::Database& db, int n, const char* charging, QVariant package = {}) {
    db.exec("INSERT INTO PROPOSTAFAS (NRPROPOSFAS, NRVERPROPFAS, CDFILIAL, IDSOLPROPFAS, IDCLIENPROSP, CDCLIENTE, "
            "DSREFEPROPOSFAS, DTPROPOSFAS, CDOPERINCL, CDOPERSOLI, IDTIPOPROPFAS, IDTIPOCOBRSERV, VRPACOTESERV) "
            "VALUES (:NR, '01', '0001', 'N', 'C', '11222333000181', 'Valor', :D, 'VENDEDOR', 'VENDEDOR', 'M', :C, :PKG)",
            {{"NR", nr(n)}, {"D", QDateTime(QDate(2026, 11, 1), QTime(0, 0))}, {"C", charging}, {"PKG", package}});
}

void line(server::Database& db, int n, const char* code, QVariant unit, QVariant discount, QVariant monthly,
          QVariant monthlyDiscount, QVariant quantity) {
    db.exec("INSERT INTO LINPPROP (NRPROPOSFAS, NRVERPROPFAS, CDLINPPROP, VRLICENCUSOPROP, VRDESLICUSOPROP, "
            "VRMENSALIDAPROP, VRDESMENSALPROP, QTMINIMAFATPROP) VALUES (:NR, '01', :L, :U, :D, :M, :MD, :Q)",
            {{"NR", nr(n)}, {"L", code}, {"U", unit}, {"D", discount}, {"M", monthly}, {"MD", monthlyDiscount},
             {"Q", quantity}});
}

void lineInstallment(server::Database& db, int n, const char* code, int month, double value) {
    db.exec("INSERT INTO VENCLINPPROP (NRPROPOSFAS, NRVERPROPFAS, CDLINPPROP, DTVELUSOPEDP, VRVELUSOPEDP) "
            "VALUES (:NR, '01', :L, :D, :V)",
            {{"NR", nr(n)}, {"L", code}, {"D", QDateTime(QDate(2027, month, 10), QTime(0, 0))}, {"V", value}});
}

void packageInstallment(server::Database& db, int n, int month, double value) {
    db.exec("INSERT INTO VENCSERVPROP (NRPROPOSFAS, NRVERPROPFAS, DTVENCSERVPROP, VRVENCSERVPROP) "
            "VALUES (:NR, '01', :D, :V)",
            {{"NR", nr(n)}, {"D", QDateTime(QDate(2027, month, 10), QTime(0, 0))}, {"V", value}});
}

void hours(server::Database& db, int n, const char* item, QVariant quantity, QVariant rate) {
    const QVariant kind = db.scalar("SELECT MIN(CDTIPOSERV) FROM TIPOSERV");
    db.exec("INSERT INTO SERVPROP (NRPROPOSFAS, NRVERPROPFAS, NRSERVPROP, CDTIPOSERV, QTSERVPROP, VRDEHORAPROP) "
            "VALUES (:NR, '01', :S, :T, :Q, :R)",
            {{"NR", nr(n)}, {"S", item}, {"T", kind}, {"Q", quantity}, {"R", rate}});
}

// 1: lines quoted, package without installments. 2: one line with installments (with
// interest) beside one without, package with installments. 3: services by the hour, a
// line missing its discounts. 4: nothing at all. 5: figures that need cutting to the cent.
void prepare(server::Database& db) {
    proposal(db, 1, "P", 1500.0);
    line(db, 1, "A", 1000.0, 100.0, 200.0, 20.0, 2.0);
    proposal(db, 2, "P", 900.0);
    line(db, 2, "A", 1000.0, 0.0, 50.0, 0.0, 1.0);
    lineInstallment(db, 2, "A", 1, 520.0);
    lineInstallment(db, 2, "A", 2, 520.5);
    line(db, 2, "B", 300.0, 0.0, 0.0, 0.0, 3.0);
    packageInstallment(db, 2, 1, 450.0);
    packageInstallment(db, 2, 2, 475.25);
    proposal(db, 3, "H");
    line(db, 3, "A", 250.0, QVariant(), 10.0, QVariant(), 4.0);
    hours(db, 3, "001", 10.0, 120.0);
    hours(db, 3, "002", 2.5, 99.9);
    proposal(db, 4, "P");
    proposal(db, 5, "H");
    line(db, 5, "A", 33.333, 0.0, 0.0, 0.0, 3.0);
    hours(db, 5, "001", 1.0, 10.005);
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
    EXPECT_DOUBLE_EQ(valueOf(p, 1), 1800.0 + 1500.0) << "(1000-100)x2 + package";
    EXPECT_DOUBLE_EQ(valueOf(p, 1, "VRMENSAL"), 360.0) << "(200-20)x2, never added to the one-off value";
    EXPECT_DOUBLE_EQ(valueOf(p, 2), 1040.5 + 900.0 + 925.25) << "installments replace the quoted figures";
    EXPECT_DOUBLE_EQ(valueOf(p, 2, "VRMENSAL"), 50.0);
    EXPECT_DOUBLE_EQ(valueOf(p, 3), 1000.0 + 1200.0 + 249.75) << "missing discounts count as zero";
    EXPECT_DOUBLE_EQ(valueOf(p, 3, "VRMENSAL"), 40.0);
    EXPECT_DOUBLE_EQ(valueOf(p, 4), 0.0) << "a version with nothing priced is worth zero, not null";
    EXPECT_DOUBLE_EQ(valueOf(p, 4, "VRMENSAL"), 0.0);
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
