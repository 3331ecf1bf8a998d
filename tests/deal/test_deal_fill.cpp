// Schema 15 fills the accepted version of each number from the rows stored before it: the
// approved version when there is one, even when the client accepted another (the fault
// this schema ends), else the version the client accepted first; declines count for none.
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "server/migrations/migrations.h"
#include "server/storage/database.h"
#include "support/scratch_postgres.h"
#include "support/test_server.h"

using namespace cot::server;
using cot::testing::Backend;

namespace {

class DealFill : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        if (GetParam() == Backend::Postgres) {
            pg_ = std::make_unique<cot::testing::ScratchPostgres>();
            db_ = Database::open(pg_->url());
        } else {
            db_ = Database::open("sqlite:" + dir_.filePath("old.db"));
        }
        migrate(*db_, 14);
    }
    void version(int n, const char* ver, const QVariant& approved = {}) {
        db_->exec("INSERT INTO PROPOSTAFAS (NRPROPOSFAS, NRVERPROPFAS, CDFILIAL, DTPROPOSFAS, DTACEPROPFAS) VALUES (:NR, :VER, '0001', :D, :A)",
                  {{"NR", QString::number(n)}, {"VER", ver}, {"D", QDateTime(QDate(2026, 1, 1), QTime())}, {"A", approved}});
    }
    void decision(int n, const char* ver, const char* kind, int day) {
        db_->exec("INSERT INTO DECISAOPROP (NRPROPOSFAS, NRVERPROPFAS, NRENVIO, IDDECISAO, DTDECISAO, TXHASHCONT) "
                  "VALUES (:NR, :VER, 1, :K, :D, :H)",
                  {{"NR", QString::number(n)}, {"VER", ver}, {"K", kind},
                   {"D", QDateTime(QDate(2026, 2, day), QTime(9, 30))}, {"H", QString(64, u'a')}});
    }

    QTemporaryDir dir_;
    std::unique_ptr<cot::testing::ScratchPostgres> pg_;
    std::unique_ptr<Database> db_;
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
    migrate(*db_);
    const cot::Packet held = db_->query("SELECT NRPROPOSFAS, NRVERPROPFAS, DTACEITE FROM ACEITEPROP ORDER BY NRPROPOSFAS");
    ASSERT_EQ(held.rows.size(), 2) << "one row for 1 and 2, none for 3 and 4";
    QStringList versions;
    for (int r = 0; r < 2; ++r) versions << held.value(r, "NRPROPOSFAS").toString() + "/" + held.value(r, "NRVERPROPFAS").toString();
    EXPECT_EQ(versions, QStringList({"1/01", "2/02"}));
    EXPECT_EQ(held.value(1, "DTACEITE").toDateTime(), QDateTime(QDate(2026, 2, 5), QTime(9, 30)));
}

INSTANTIATE_TEST_SUITE_P(Db, DealFill, ::testing::ValuesIn(cot::testing::availableBackends()),
                         cot::testing::backendName);

}  // namespace
