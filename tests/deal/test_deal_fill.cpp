// Schema 15 fills the accepted version of each number from the rows stored before it: the
// approved version when there is one, even when the client accepted another (the fault
// this schema ends), else the version the client accepted first; declines count for none.
#include <gtest/gtest.h>

#include "server/migrations/migrations.h"
#include "server/test_storage_engines.h"

using namespace cot::server;
using cot::server::testing::ScratchDatabase;

namespace {

class DealFill : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override { migrate(old_.db(), 14); }
    void version(int n, const char* ver, const QVariant& approved = {}) {
        old_.db().exec(
            "INSERT INTO PROPOSTAFAS (NRPROPOSFAS, NRVERPROPFAS, CDFILIAL, DTPROPOSFAS, DTACEPROPFAS) VALUES (:NR, :VER, '0001', :D, :A)",
            {{"NR", QString::number(n)}, {"VER", ver}, {"D", QDateTime(QDate(2026, 1, 1), QTime())}, {"A", approved}});
    }
    void decision(int n, const char* ver, const char* kind, int day) {
        old_.db().exec("INSERT INTO DECISAOPROP (NRPROPOSFAS, NRVERPROPFAS, NRENVIO, IDDECISAO, DTDECISAO, TXHASHCONT) "
                       "VALUES (:NR, :VER, 1, :K, :D, :H)",
                       {{"NR", QString::number(n)}, {"VER", ver}, {"K", kind},
                        {"D", QDateTime(QDate(2026, 2, day), QTime(9, 30))}, {"H", QString(64, u'a')}});
    }

    ScratchDatabase old_{GetParam()};
};

TEST_P(DealFill, EachNumberGetsTheApprovedVersionElseTheFirstClientAcceptance) {
    // 1: 01 approved, 02 accepted by the client earlier. 2: both accepted by the client.
    // 3: declined only. 4: nothing.
    version(1, "01", QDateTime(QDate(2026, 3, 1), QTime()));
    version(1, "02");
    decision(1, "02", "A", 1);
    version(2, "01");
    version(2, "02");
    decision(2, "02", "A", 5);
    decision(2, "01", "A", 9);
    version(3, "01");
    decision(3, "01", "R", 2);
    version(4, "01");
    migrate(old_.db());
    const cot::Packet held = old_.db().query("SELECT NRPROPOSFAS, NRVERPROPFAS, DTACEITE FROM ACEITEPROP ORDER BY NRPROPOSFAS");
    ASSERT_EQ(held.rows.size(), 2) << "one row for 1 and 2, none for 3 and 4";
    EXPECT_EQ((QStringList{held.value(0, "NRPROPOSFAS").toString() + "/" + held.value(0, "NRVERPROPFAS").toString(),
                           held.value(1, "NRPROPOSFAS").toString() + "/" + held.value(1, "NRVERPROPFAS").toString()}),
              QStringList({"1/01", "2/02"}));
    EXPECT_EQ(held.value(1, "DTACEITE").toDateTime(), QDateTime(QDate(2026, 2, 5), QTime(9, 30)));
}

INSTANTIATE_TEST_SUITE_P(Db, DealFill, ::testing::ValuesIn(cot::server::testing::engines()), cot::server::testing::engineName);

}  // namespace
