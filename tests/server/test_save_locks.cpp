// Writers of one SQLite file in this process take turns in a line before the engine's write
// lock, and nothing a request does is left holding a lock or a read snapshot afterwards:
// a save must never wait on what another request left behind.
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <atomic>
#include <optional>
#include <thread>

#include "server/migrations/migrations.h"
#include "server/storage/database_sql.h"
#include "support/wait_until.h"
#include "server_cases_b.h"

using namespace cot;
using cot::server::Database;
using cot::server::Transaction;
using cot::server::detail::SqliteWriterLine;
using namespace cot::testing;

namespace {

struct WriterLineTest : ::testing::Test {
    WriterLineTest() { Database::open(url_)->exec(QStringLiteral("CREATE TABLE T (ID INTEGER PRIMARY KEY, WHO VARCHAR(10))"), {}); }
    int rows() { return Database::open(url_)->scalar(QStringLiteral("SELECT COUNT(*) FROM T"), {}).toInt(); }
    // Inserts `who` from another thread with a connection of its own (connections stay on
    // their threads), in a transaction of its own unless `alone`; what it threw is left in
    // failure_, and inserted_ says it went in.
    std::thread insertElsewhere(const char* who, bool alone = false) {
        return std::thread([this, who, alone] {
            try {
                auto db = Database::open(url_);
                std::optional<Transaction> t;
                if (!alone) t.emplace(*db);
                db->exec(QStringLiteral("INSERT INTO T (WHO) VALUES ('%1')").arg(QLatin1String(who)), {});
                if (t) t->commit();
                inserted_ = true;
            } catch (const std::exception& e) {
                failure_ = e.what();
            }
        });
    }
    QTemporaryDir dir_;
    const QString url_ = QStringLiteral("sqlite:") + dir_.filePath(QStringLiteral("line.db"));
    std::atomic<bool> inserted_{false};
    std::string failure_;
};

// In a transaction of its own or alone, a second writer waits in the line (counted there,
// not in the engine's busy handler) and goes on when the first commits. A statement outside a
// transaction on the thread that holds the line passes at once (the engine's own lock still
// rules the write itself).
TEST_F(WriterLineTest, ASecondWriterWaitsInLineAndGoesOnWhenTheFirstCommitsButNotOneOfTheSameThread) {
    for (const bool alone : {false, true}) {
        SCOPED_TRACE(alone ? "outside a transaction" : "in a transaction");
        inserted_ = false;
        auto first = Database::open(url_), sameThread = Database::open(url_);
        Transaction tx(*first);
        first->exec(QStringLiteral("INSERT INTO T (WHO) VALUES ('first')"), {});
        const quint64 before = SqliteWriterLine::waits();
        sameThread->exec(QStringLiteral("SELECT 1"), {});
        EXPECT_EQ(SqliteWriterLine::waits(), before) << "a connection of the same thread waited for its own turn";
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
struct CommitStops final : Database {
    explicit CommitStops(Database& db) : db_(db) {}
    server::Dialect dialect() const override { return db_.dialect(); }
    QString url() const override { return db_.url(); }
    Packet query(const QString& sql, const QVariantMap& p, const QList<FieldDef>& shape) override { return db_.query(sql, p, shape); }
    void forEachRow(const QString& sql, const QVariantMap& p, const std::function<void(const server::SqlRow&)>& f) override {
        db_.forEachRow(sql, p, f);
    }
    QVariant scalar(const QString& sql, const QVariantMap& p) override { return db_.scalar(sql, p); }
    int exec(const QString& sql, const QVariantMap& p) override { return db_.exec(sql, p); }
    void begin() override { db_.begin(); }
    void commit() override { throw std::bad_alloc(); }
    void rollback() override { db_.rollback(); }
    bool inTransaction() const override { return db_.inTransaction(); }
    std::unique_ptr<WriterTurn> takeWriterTurn() override { return db_.takeWriterTurn(); }

    Database& db_;
};

// However a transaction ends (commit, rollback, a failure, a commit stopped by anything, a
// closed connection), its turn ends with it: the next writer finds no one in line.
TEST_F(WriterLineTest, TheTurnEndsHoweverTheTransactionEnds) {
    auto db = Database::open(url_);
    CommitStops stops(*db);
    const std::pair<const char*, std::function<void()>> endings[] = {
        {"a commit", [&] { Transaction{*db}.commit(); }},
        {"a rollback", [&] { Transaction t(*db); }},
        // The inner one is a savepoint: still the outer transaction's turn.
        {"nested transactions", [&] { Transaction outer(*db), inner(*db); inner.commit(); outer.commit(); }},
        {"a change that failed outside a transaction",
         [&] { EXPECT_THROW(db->exec(QStringLiteral("INSERT INTO T (ID, WHO) VALUES (1, 'a'), (1, 'b')"), {}), server::DatabaseError); }},
        {"a commit stopped by something other than the engine", [&] {
             EXPECT_THROW(
                 {
                     Transaction t(stops);
                     stops.exec(QStringLiteral("INSERT INTO T (WHO) VALUES ('lost')"), {});
                     t.commit();
                 },
                 std::bad_alloc);
             EXPECT_FALSE(db->inTransaction());
             EXPECT_EQ(db->scalar(QStringLiteral("SELECT COUNT(*) FROM T WHERE WHO = 'lost'"), {}).toInt(), 0);
         }},
        {"a connection closed mid-transaction", [&] { Database::open(url_)->begin(); }}};
    for (const auto& [what, end] : endings) {
        end();
        const quint64 before = SqliteWriterLine::waits();
        insertElsewhere("next").join();
        EXPECT_TRUE(SqliteWriterLine::waits() == before && failure_.empty()) << "after " << what << ": " << failure_;
    }
}



// After a save is answered no connection of the server is left inside a transaction.
// SQLite: another connection, one that never waits, takes the write lock at once, and a
// checkpoint copies every frame of the log (no reader kept an old snapshot). PostgreSQL: no
// session of the database is idle in a transaction.
struct SaveLocksTest : DemoServerTest {
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
            const int open = count("SELECT COUNT(*) FROM pg_stat_activity WHERE datname = current_database() "
                                   "AND state LIKE 'idle in transaction%'");
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
        return q.value(0).toInt() != 0 || q.value(1).toInt() != q.value(2).toInt() ? save + "a reader holds an old snapshot" : "";
    }
    QSqlDatabase probe_;
};

TEST_P(SaveLocksTest, ASaveLeavesNoTransactionNorSnapshotBehind) {
    const QList<FieldDef> fields{{"NRPROPOSFAS", FieldType::String, 20}, {"NRVERPROPFAS", FieldType::String, 2},
                                 {"CDFILIAL", FieldType::String, 4},     {"IDSOLPROPFAS", FieldType::String, 1},
                                 {"IDCLIENPROSP", FieldType::String, 1}, {"CDCLIENTE", FieldType::String, 21},
                                 {"CDOPERINCL", FieldType::String, 12},  {"CDOPERSOLI", FieldType::String, 12}};
    const QString me = server_.operatorCode();
    for (int i = 0; i < 12; ++i) {
        const Delta delta{fields, {{ChangeOp::Insert, {}, {nr(900000 + i), "01", "0001", "N", "C", "22333444000172", me, me}}}};
        // Each save on a new connection, so the requests spread over the server's threads;
        // every other one is refused (the number is taken), which must leave nothing either.
        for (const QString refusal : {"", "Proposta já cadastrada para versão informada."}) {
            EXPECT_EQ(server_.newConnection()->call(QStringLiteral("SetProposta"), {QVariant::fromValue(delta)}).error, refusal);
            EXPECT_EQ(leftBehind(i), "") << refusal.toStdString();
        }
    }
}

COT_ON_EVERY_BACKEND(SaveLocksTest);

}  // namespace
