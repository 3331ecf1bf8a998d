// Writers of one SQLite file in this process take turns in a line before the engine's write
// lock, and nothing a request does is left holding a lock or a read snapshot afterwards:
// a save must never wait on what another request left behind.
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <atomic>
#include <thread>

#include "server/migrations/migrations.h"
#include "server/storage/database.h"
#include "server/storage/database_sql.h"
#include "support/wait_until.h"
#include "server_cases_b.h"

using namespace cot;
using cot::server::Database;
using cot::server::Transaction;
using cot::server::detail::SqliteWriterLine;
using cot::testing::waitUntil;

namespace {

class WriterLineTest : public ::testing::Test {
protected:
    WriterLineTest() {
        url_ = QStringLiteral("sqlite:") + dir_.filePath(QStringLiteral("line.db"));
        auto db = Database::open(url_);
        db->exec(QStringLiteral("CREATE TABLE T (ID INTEGER PRIMARY KEY, WHO VARCHAR(10))"), {});
    }
    int rows() { return Database::open(url_)->scalar(QStringLiteral("SELECT COUNT(*) FROM T"), {}).toInt(); }
    // Runs `body` with a connection of its own on another thread (connections stay on theirs).
    template <class Body>
    std::thread elsewhere(Body body) {
        return std::thread([this, body] {
            auto db = Database::open(url_);
            body(*db);
        });
    }
    // Inserts `who` from another thread, in a transaction of its own unless `alone`; what it
    // threw is left in failure_, and inserted_ says it went in.
    std::thread insertElsewhere(const char* who, bool alone = false) {
        return elsewhere([this, who, alone](Database& db) {
            try {
                const QString sql = QStringLiteral("INSERT INTO T (WHO) VALUES ('%1')").arg(QLatin1String(who));
                if (alone) {
                    db.exec(sql, {});
                } else {
                    Transaction t(db);
                    db.exec(sql, {});
                    t.commit();
                }
                inserted_ = true;
            } catch (const std::exception& e) {
                failure_ = e.what();
            }
        });
    }
    QTemporaryDir dir_;
    QString url_;
    std::atomic<bool> inserted_{false};
    std::string failure_;
};

// In a transaction of its own or alone, a second writer waits in the line (counted there,
// not in the engine's busy handler) and goes on when the first commits.
TEST_F(WriterLineTest, ASecondWriterWaitsInLineAndGoesOnWhenTheFirstCommits) {
    for (const bool alone : {false, true}) {
        SCOPED_TRACE(alone ? "outside a transaction" : "in a transaction");
        inserted_ = false;
        auto first = Database::open(url_);
        Transaction tx(*first);
        first->exec(QStringLiteral("INSERT INTO T (WHO) VALUES ('first')"), {});
        const quint64 before = SqliteWriterLine::waits();
        std::thread second = insertElsewhere("second", alone);
        ASSERT_TRUE(waitUntil([&] { return SqliteWriterLine::waits() > before; }));
        EXPECT_FALSE(inserted_.load());
        tx.commit();
        second.join();
        EXPECT_TRUE(inserted_.load()) << failure_;
        EXPECT_EQ(rows(), alone ? 4 : 2);
    }
}

// A connection whose COMMIT stops with something other than an engine error.
class CommitStops final : public Database {
public:
    explicit CommitStops(Database& db) : db_(db) {}
    server::Dialect dialect() const override { return db_.dialect(); }
    QString url() const override { return db_.url(); }
    Packet query(const QString& sql, const QVariantMap& p, const QList<FieldDef>& shape) override {
        return db_.query(sql, p, shape);
    }
    void forEachRow(const QString& sql, const QVariantMap& p,
                    const std::function<void(const server::SqlRow&)>& onRow) override {
        db_.forEachRow(sql, p, onRow);
    }
    QVariant scalar(const QString& sql, const QVariantMap& p) override { return db_.scalar(sql, p); }
    int exec(const QString& sql, const QVariantMap& p) override { return db_.exec(sql, p); }
    void begin() override { db_.begin(); }
    void commit() override { throw std::bad_alloc(); }
    void rollback() override { db_.rollback(); }
    bool inTransaction() const override { return db_.inTransaction(); }
    std::unique_ptr<WriterTurn> takeWriterTurn() override { return db_.takeWriterTurn(); }

private:
    Database& db_;
};

// However a transaction ends (commit, rollback, a failure, a commit stopped by anything, a
// closed connection), its turn ends with it: the next writer finds no one in line.
TEST_F(WriterLineTest, TheTurnEndsHoweverTheTransactionEnds) {
    const auto nextWriterWaits = [this] {
        const quint64 before = SqliteWriterLine::waits();
        insertElsewhere("next").join();
        return SqliteWriterLine::waits() != before || !failure_.empty();
    };
    auto db = Database::open(url_);
    {
        Transaction t(*db);
        t.commit();
    }
    EXPECT_FALSE(nextWriterWaits()) << "after a commit";
    { Transaction t(*db); }
    EXPECT_FALSE(nextWriterWaits()) << "after a rollback";
    {
        Transaction outer(*db);
        Transaction inner(*db);  // a savepoint: still the outer transaction's turn
        inner.commit();
        outer.commit();
    }
    EXPECT_FALSE(nextWriterWaits()) << "after nested transactions";
    EXPECT_THROW(db->exec(QStringLiteral("INSERT INTO T (ID, WHO) VALUES (1, 'a'), (1, 'b')"), {}),
                 server::DatabaseError);
    EXPECT_FALSE(nextWriterWaits()) << "after a change that failed outside a transaction";
    {
        CommitStops stops(*db);
        EXPECT_THROW(
            {
                Transaction t(stops);
                stops.exec(QStringLiteral("INSERT INTO T (WHO) VALUES ('lost')"), {});
                t.commit();
            },
            std::bad_alloc);
    }
    EXPECT_FALSE(db->inTransaction());
    EXPECT_FALSE(nextWriterWaits()) << "after a commit stopped by something other than the engine";
    EXPECT_EQ(db->scalar(QStringLiteral("SELECT COUNT(*) FROM T WHERE WHO = 'lost'"), {}).toInt(), 0);
    db->begin();
    db.reset();  // closed with its transaction open
    EXPECT_FALSE(nextWriterWaits()) << "after a connection closed mid-transaction";
}


TEST_F(WriterLineTest, ASecondConnectionOfTheSameThreadDoesNotWaitForItsOwnTurn) {
    auto first = Database::open(url_);
    auto second = Database::open(url_);
    Transaction tx(*first);
    const quint64 before = SqliteWriterLine::waits();
    // A statement outside a transaction takes the line; on the thread that holds it, it
    // passes at once (the engine's own lock still rules the write itself).
    second->exec(QStringLiteral("SELECT 1"), {});
    EXPECT_EQ(SqliteWriterLine::waits(), before);
    tx.commit();
}

// After a save is answered no connection of the server is left inside a transaction.
// SQLite: another connection, one that never waits, takes the write lock at once, and a
// checkpoint copies every frame of the log (no reader kept an old snapshot). PostgreSQL: no
// session of the database is idle in a transaction.
class SaveLocksTest : public DemoServerTest {
protected:
    SaveLocksTest() : DemoServerTest({.threads = 4}) {}
    ~SaveLocksTest() override {
        if (probe_.isValid()) probe_.close();
        probe_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("save_locks_probe"));
    }
    // What another connection finds after save `i`; empty when all is free.
    std::string leftBehind(int i) {
        const std::string save = "save " + std::to_string(i) + ": ";
        if (GetParam() == cot::testing::Backend::Postgres) {
            const int open = server_.db()
                                 .scalar(QStringLiteral("SELECT COUNT(*) FROM pg_stat_activity WHERE datname = "
                                                        "current_database() AND state LIKE 'idle in transaction%'"),
                                         {})
                                 .toInt();
            return open == 0 ? std::string() : save + std::to_string(open) + " sessions idle in a transaction";
        }
        if (!probe_.isValid()) {
            probe_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("save_locks_probe"));
            probe_.setDatabaseName(server_.databaseUrl().mid(int(sizeof("sqlite:")) - 1));
            probe_.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=0"));
            if (!probe_.open()) return "probe: " + probe_.lastError().text().toStdString();
        }
        QSqlQuery q(probe_);
        if (!q.exec(QStringLiteral("BEGIN IMMEDIATE"))) return save + "write lock held: " + q.lastError().text().toStdString();
        q.exec(QStringLiteral("ROLLBACK"));
        if (!q.exec(QStringLiteral("PRAGMA wal_checkpoint(PASSIVE)")) || !q.next()) return save + "no checkpoint";
        if (q.value(0).toInt() != 0 || q.value(1).toInt() != q.value(2).toInt())
            return save + "a reader holds an old snapshot";
        return {};
    }
    QSqlDatabase probe_;
};

TEST_P(SaveLocksTest, ASaveLeavesNoTransactionNorSnapshotBehind) {
    const QList<FieldDef> fields{
        {"NRPROPOSFAS", FieldType::String, 20}, {"NRVERPROPFAS", FieldType::String, 2},
        {"CDFILIAL", FieldType::String, 4},     {"IDSOLPROPFAS", FieldType::String, 1},
        {"IDCLIENPROSP", FieldType::String, 1}, {"CDCLIENTE", FieldType::String, 21},
        {"DTPROPOSFAS", FieldType::DateTime, 0}, {"DTVALPROPFAS", FieldType::DateTime, 0},
        {"CDOPERINCL", FieldType::String, 12},  {"CDOPERSOLI", FieldType::String, 12},
        {"IDTIPOPROPFAS", FieldType::String, 1}, {"IDIDIOMA", FieldType::String, 3}};
    const QString client = server_.db().scalar(QStringLiteral("SELECT MIN(CDCLIENTE) FROM CLIENTE"), {}).toString();
    const QDateTime day(QDate(2026, 12, 6), QTime(0, 0));
    const QString me = server_.operatorCode();
    for (int i = 0; i < 12; ++i) {
        const QString number = nr(900000 + i);
        const Delta delta{fields, {RowChange{ChangeOp::Insert, {},
                                             {number, "01", "0001", "N", "C", client, day, day.addDays(30), me, me,
                                              "M", "POR"}}}};
        // Each save on a new connection, so the requests spread over the server's threads;
        // every other one is refused (the number is taken), which must leave nothing either.
        const RpcResult r = server_.newConnection()->call(QStringLiteral("SetProposta"), {QVariant::fromValue(delta)});
        ASSERT_TRUE(r.ok) << r.error.toStdString();
        EXPECT_EQ(leftBehind(i), "");
        const RpcResult again = server_.newConnection()->call(QStringLiteral("SetProposta"), {QVariant::fromValue(delta)});
        EXPECT_EQ(again.error, QStringLiteral("Proposta já cadastrada para versão informada."));
        EXPECT_EQ(leftBehind(i), "") << "after a refused save";
    }
}

COT_ON_EVERY_BACKEND(SaveLocksTest);

}  // namespace
