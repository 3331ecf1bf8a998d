#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

#include "sql/sqlite_functions.h"
#include "server/storage/database_sql.h"

namespace cot::server::detail {

namespace {

constexpr int kBusyTimeoutMs = 10000;

std::atomic<quint64> writerWaits{0};

}  // namespace

// One writer at a time; the thread holding the turn may take it again (its own second
// connection, a nested transaction) and gives it back as often as it took it.
class SqliteWriterLine::Line {
public:
    // False when no turn came within `wait`.
    bool take(std::chrono::milliseconds wait) {
        const std::thread::id me = std::this_thread::get_id();
        std::unique_lock lock(mutex_);
        if (depth_ > 0 && holder_ != me) {
            ++writerWaits;
            if (!free_.wait_for(lock, wait, [this] { return depth_ == 0; })) return false;
        }
        holder_ = me;
        ++depth_;
        return true;
    }
    void giveBack() {
        {
            std::lock_guard lock(mutex_);
            if (--depth_ > 0) return;
            holder_ = {};
        }
        free_.notify_all();  // a waiter that just timed out must not swallow the news
    }

private:
    std::mutex mutex_;
    std::condition_variable free_;
    std::thread::id holder_;
    int depth_ = 0;
};

namespace {

// One line per database file, for as long as the process runs (files are few).
std::shared_ptr<SqliteWriterLine::Line> lineOf(const QString& file) {
    static std::mutex mutex;
    static std::map<QString, std::shared_ptr<SqliteWriterLine::Line>> lines;
    std::lock_guard lock(mutex);
    auto& line = lines[file];
    if (!line) line = std::make_shared<SqliteWriterLine::Line>();
    return line;
}

void pragma(QSqlDatabase& db, const QString& sql) {
    QSqlQuery q(db);
    if (!q.exec(sql)) {
        throw DatabaseError(QStringLiteral("%1: %2").arg(sql, q.lastError().text()).toStdString());
    }
}

}  // namespace

void configureSqlite(QSqlDatabase& db) {
    if (!registerSqliteFunctions(db)) throw DatabaseError("NVLSTR: conexão SQLite indisponível");
    pragma(db, QStringLiteral("PRAGMA busy_timeout = %1").arg(kBusyTimeoutMs));
    pragma(db, QStringLiteral("PRAGMA journal_mode = WAL"));
    pragma(db, QStringLiteral("PRAGMA synchronous = NORMAL"));
    pragma(db, QStringLiteral("PRAGMA foreign_keys = ON"));
}

SqliteWriterLine::SqliteWriterLine(const QString& file) {
    if (file.isEmpty() || file == QLatin1String(":memory:") || file.startsWith(QLatin1String("file:"))) return;
    line_ = lineOf(QFileInfo(file).absoluteFilePath());
}

namespace {
class LineTurn final : public Database::WriterTurn {
public:
    explicit LineTurn(std::shared_ptr<SqliteWriterLine::Line> line) : line_(std::move(line)) {}
    ~LineTurn() override { line_->giveBack(); }

private:
    std::shared_ptr<SqliteWriterLine::Line> line_;
};
}  // namespace

std::unique_ptr<Database::WriterTurn> SqliteWriterLine::take() const {
    if (!line_ || !line_->take(std::chrono::milliseconds(kBusyTimeoutMs))) return nullptr;
    return std::make_unique<LineTurn>(line_);
}

quint64 SqliteWriterLine::waits() { return writerWaits.load(); }

}  // namespace cot::server::detail
