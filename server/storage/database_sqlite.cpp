#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <atomic>
#include <chrono>
#include <map>

#include "sql/sqlite_functions.h"
#include "server/storage/database_sql.h"

namespace cot::server::detail {

namespace {

constexpr int kBusyTimeoutMs = 10000;

std::atomic<quint64> writerWaits{0};

// One line per database file, for as long as the process runs (files are few).
std::shared_ptr<std::recursive_timed_mutex> lineOf(const QString& file) {
    static std::mutex mutex;
    static std::map<QString, std::shared_ptr<std::recursive_timed_mutex>> lines;
    std::lock_guard lock(mutex);
    auto& line = lines[file];
    if (!line) line = std::make_shared<std::recursive_timed_mutex>();
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
    explicit LineTurn(std::shared_ptr<std::recursive_timed_mutex> line) : line_(std::move(line)) {}
    ~LineTurn() override { line_->unlock(); }

private:
    std::shared_ptr<std::recursive_timed_mutex> line_;
};
}  // namespace

std::unique_ptr<Database::WriterTurn> SqliteWriterLine::take() const {
    if (!line_) return nullptr;
    if (!line_->try_lock()) {
        ++writerWaits;
        if (!line_->try_lock_for(std::chrono::milliseconds(kBusyTimeoutMs))) return nullptr;
    }
    return std::make_unique<LineTurn>(line_);
}

quint64 SqliteWriterLine::waits() { return writerWaits.load(); }

}  // namespace cot::server::detail
