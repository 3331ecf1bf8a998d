#include <atomic>
#include <thread>

#include "server_cases_b.h"

using namespace cot;
using namespace cot::server;
using cot::server::testing::ScratchDatabase;

namespace {

struct StorageTest : ::testing::TestWithParam<std::string> {
    StorageTest() : scratch_(std::make_unique<ScratchDatabase>(GetParam())) {
        db().exec("CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, NOME VARCHAR(20), "
                  "VALOR DOUBLE PRECISION, DT TIMESTAMP, OBS TEXT)");
    }
    Database& db() { return scratch_->db(); }
    std::unique_ptr<ScratchDatabase> scratch_;
};

TEST_P(StorageTest, ValuesRoundTripWithTheirTypes) {
    const QDateTime when(QDate(2024, 2, 29), QTime(13, 45, 10));
    db().exec("INSERT INTO T (ID, NOME, VALOR, DT, OBS) VALUES (:ID, :NOME, :VALOR, :DT, :OBS)",
              {{"ID", 1}, {"NOME", "D'Ávila \"ç\" ; --"}, {"VALOR", 0.1 + 0.2}, {"DT", when}, {"OBS", QString(5000, u'x')}});
    db().exec("INSERT INTO T (ID) VALUES (:ID)", {{"ID", 2}});

    const Packet p = db().query("SELECT ID, NOME, VALOR, DT, OBS FROM T ORDER BY ID");
    ASSERT_EQ(p.rows.size(), 2);
    EXPECT_EQ(p.fields.mid(0, 2), (QList<FieldDef>{{"ID", FieldType::Integer, 0}, {"NOME", FieldType::String, 20}}));
    EXPECT_EQ(std::tuple(p.fields[2].type, p.fields[3].type, p.fields[4].type),
              std::tuple(FieldType::Float, FieldType::DateTime, FieldType::Memo));

    // The double exact, not rounded.
    EXPECT_EQ(std::tuple(p.value(0, "NOME").toString(), p.value(0, "VALOR").toDouble(), p.value(0, "DT").toDateTime(),
                         p.value(0, "OBS").toString().size()),
              std::tuple(QString("D'Ávila \"ç\" ; --"), 0.1 + 0.2, when, qsizetype(5000)));
    EXPECT_EQ(cot::testing::cells(p, 1, {"NOME", "VALOR", "DT", "OBS"}), QStringList({"<null>", "<null>", "<null>", "<null>"}));

    // Bound dates compare with stored ones; one read back and bound again still matches (what
    // optimistic updates rely on).
    db().exec("INSERT INTO T (ID, DT) VALUES (3, :DT)", {{"DT", QDateTime(QDate(2023, 12, 31), QTime(23, 59, 59))}});
    EXPECT_EQ(std::tuple(db().scalar("SELECT COUNT(*) FROM T WHERE DT = :DT", {{"DT", when}}).toInt(),
                         db().scalar("SELECT ID FROM T WHERE DT < :DT", {{"DT", when}}).toInt(),
                         db().scalar("SELECT COUNT(*) FROM T WHERE DT >= :D", {{"D", QDate(2024, 1, 1)}}).toInt()), std::tuple(1, 3, 1));
    const QDateTime read = db().query("SELECT DT FROM T WHERE ID = 1").value(0, "DT").toDateTime();
    EXPECT_EQ(db().exec("UPDATE T SET NOME = 'x' WHERE DT = :OLD", {{"OLD", read}}), 1);
    // An invalid date binds as null, not as an empty or zero date.
    db().exec("UPDATE T SET DT = :DT WHERE ID = 1", {{"DT", QDateTime()}});
    EXPECT_TRUE(db().scalar("SELECT DT FROM T WHERE ID = 1").isNull());
}

TEST_P(StorageTest, ParametersRepeatAreCaseInsensitiveMissingOnesAreNullAndAShapeOverridesTypes) {
    db().exec("INSERT INTO T (ID, NOME) VALUES (1, 'A'), (2, 'B'), (3, NULL)");
    const QString repeated = "SELECT COUNT(*) FROM T WHERE NOME = :n OR (:N = 'T' AND ID > 0)";
    // A colon inside a literal is text, not a parameter.
    EXPECT_EQ(std::tuple(db().scalar(repeated, {{"N", "T"}}).toInt(), db().scalar(repeated, {{"n", "A"}, {"UNUSED", 1}}).toInt(),
                         db().scalar("SELECT COUNT(*) FROM T WHERE NOME = :MISSING").toInt(),
                         db().scalar("SELECT COUNT(*) FROM T WHERE NOME <> ':N' AND NOME = :N", {{"N", "B"}}).toInt()),
              std::tuple(3, 1, 0, 1));
    EXPECT_TRUE(db().scalar("SELECT NOME FROM T WHERE ID = 99").isNull());

    // A shape given overrides the inferred types.
    db().exec("UPDATE T SET DT = :DT WHERE ID = 1", {{"DT", QDateTime(QDate(2024, 5, 1), QTime())}});
    const Packet p = db().query("SELECT ID, NOME, DT, 'S' AS FLAG FROM T WHERE ID = 1", {},
                                {{"NOME", FieldType::String, 60}, {"FLAG", FieldType::FixedString, 1}, {"ID", FieldType::Float, 0}});
    EXPECT_EQ(std::tuple(p.fields[0].type, p.value(0, "ID").typeId(), p.fields[1].size, p.fields[3], p.value(0, "DT").toDateTime().date()),
              std::tuple(FieldType::Float, int(QMetaType::Double), 60, FieldDef{"FLAG", FieldType::FixedString, 1}, QDate(2024, 5, 1)));
}

TEST_P(StorageTest, TransactionsRollBackAndNestAsSavepoints) {
    {
        Transaction outer(db());
        db().exec("INSERT INTO T (ID) VALUES (1)");
        try {
            Transaction inner(db());
            db().exec("INSERT INTO T (ID) VALUES (2)");
            db().exec("INSERT INTO T (ID) VALUES (2)");  // key violation
            inner.commit();
        } catch (const DatabaseError&) {
        }
        EXPECT_TRUE(db().inTransaction());
        outer.commit();
    }
    EXPECT_EQ(db().scalar("SELECT COUNT(*) FROM T").toInt(), 1);
    EXPECT_THROW(db().commit(), DatabaseError);
}

// Engine errors are DatabaseErrors. Statements are prepared once per connection and run
// again: one that failed, or whose transaction was rolled back, runs again with other values
// and leaves no lock behind.
TEST_P(StorageTest, AStatementRunsAgainAfterItFailedOrItsTransactionRolledBack) {
    EXPECT_THROW(db().query("SELECT NOPE FROM T"), DatabaseError);
    EXPECT_THROW(db().exec("INSERT INTO T (ID) VALUES (:ID)", {{"ID", "x"}}), DatabaseError);
    EXPECT_THROW(db().exec("INSERT INTO Z (ID) VALUES (1)"), DatabaseError);
    EXPECT_THROW(Database::open("mysql://x"), DatabaseError);
    const QString insert = "INSERT INTO T (ID, NOME) VALUES (:ID, :NOME)";
    db().exec(insert, {{"ID", 1}, {"NOME", "um"}});
    EXPECT_THROW(db().exec(insert, {{"ID", 1}, {"NOME", "repetido"}}), DatabaseError);
    {
        Transaction t(db());
        db().exec(insert, {{"ID", 2}, {"NOME", "desfeito"}});
    }  // not committed
    EXPECT_FALSE(db().inTransaction());
    for (int id = 3; id <= 5; ++id) {
        Transaction t(db());
        db().exec(insert, {{"ID", id}, {"NOME", QString::number(id)}});
        EXPECT_EQ(db().scalar("SELECT NOME FROM T WHERE ID = :ID", {{"ID", id}}).toString(), QString::number(id));
        t.commit();
    }
    EXPECT_EQ(column(db().query("SELECT ID FROM T ORDER BY ID"), "ID"), (QStringList{"1", "3", "4", "5"}));
    // Another connection writes at once: nothing is left open on this one.
    Database::open(scratch_->url())->exec(insert, {{"ID", 6}, {"NOME", "outra"}});
    EXPECT_EQ(db().scalar("SELECT COUNT(*) FROM T").toInt(), 5);
}

// Threads also open and close their connections at the same time, as database threads do
// when a server starts and stops.
TEST_P(StorageTest, ConcurrentWritersFromSeveralConnectionsAllLand) {
    db().exec("CREATE TABLE C (N INTEGER NOT NULL)");
    db().exec("INSERT INTO C (N) VALUES (0)");
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            try {
                for (int round = 0; round < 5; ++round) {
                    auto conn = Database::open(scratch_->url());
                    for (int i = 0; i < 5; ++i) {
                        Transaction tx(*conn);
                        conn->exec("UPDATE C SET N = N + 1");
                        tx.commit();
                    }
                }
            } catch (...) {
                ++failures;
            }
        });
    for (auto& th : threads) th.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(db().scalar("SELECT N FROM C").toInt(), 100);
}

COT_ON_EVERY_ENGINE(StorageTest);

}  // namespace
