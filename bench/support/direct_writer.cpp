#include "support/direct_writer.h"

#include <QDateTime>
#include <QStringList>
#include <atomic>
#include <libpq-fe.h>
#include <mutex>
#include <sqlite3.h>
#include <stdexcept>

#include "support/bench_database.h"

namespace cot::bench {

namespace {

std::mutex turns;  // SQLite's writers, one at a time, in turn
std::atomic<qint64> historySequence{0};

QString marks(int from, int count, bool dollar) {
    QStringList out;
    for (int i = 0; i < count; ++i) out << (dollar ? QStringLiteral("$%1").arg(from + i) : QStringLiteral("?"));
    return out.join(QStringLiteral(", "));
}

// As the server's drivers write a date and time, from its parts: a local QDateTime turned
// to text as a whole looks at the time zone file each time.
QByteArray dateText(const QDateTime& d) {
    return (d.date().toString(Qt::ISODate) + u' ' + d.time().toString(QStringLiteral("HH:mm:ss"))).toUtf8();
}

QList<QByteArray> texts(const QVariantList& row) {
    QList<QByteArray> out;
    for (const QVariant& v : row)
        out << (v.typeId() == QMetaType::QDateTime ? dateText(v.toDateTime()) : v.toString().toUtf8());
    return out;
}

class SqliteWriter final : public DirectWriter {
public:
    SqliteWriter(const QString& path, const QList<FieldDef>& fields, bool withHistory)
        : fields_(fields), withHistory_(withHistory) {
        if (sqlite3_open_v2(path.toUtf8().constData(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) !=
            SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(db_));
        check(sqlite3_exec(db_,
                           "PRAGMA busy_timeout = 10000; PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL; "
                           "PRAGMA foreign_keys = ON;",
                           nullptr, nullptr, nullptr));
        prepare(directHeaderInsert(fields, false), &insert_);
        prepare(directHistoryInsert(int(fields.size()), false), &history_);
        prepare(QStringLiteral("BEGIN IMMEDIATE"), &begin_);
        prepare(QStringLiteral("COMMIT"), &commit_);
        prepare(QStringLiteral("ROLLBACK"), &rollback_);
    }
    ~SqliteWriter() override {
        for (sqlite3_stmt* s : {insert_, history_, begin_, commit_, rollback_}) sqlite3_finalize(s);
        sqlite3_close(db_);
    }

    QString write(const QVariantList& row) override {
        std::lock_guard turn(turns);
        if (step(begin_) != SQLITE_DONE) return sqlite3_errmsg(db_);
        const QList<QByteArray> values = texts(row);
        for (int c = 0; c < values.size(); ++c) bind(insert_, c + 1, values[c], false);
        bool done = step(insert_) == SQLITE_DONE;
        if (done && withHistory_) {
            QList<bool> nulls;
            const QList<QByteArray> history = directHistoryValues(fields_, values, &nulls);
            for (int i = 0; i < history.size(); ++i) bind(history_, i + 1, history[i], nulls[i]);
            done = step(history_) == SQLITE_DONE;
        }
        if (!done || step(commit_) != SQLITE_DONE) {
            const QString error = QString::fromUtf8(sqlite3_errmsg(db_));
            if (!sqlite3_get_autocommit(db_)) step(rollback_);
            return error;
        }
        return {};
    }

private:
    void prepare(const QString& sql, sqlite3_stmt** statement) {
        check(sqlite3_prepare_v2(db_, sql.toUtf8().constData(), -1, statement, nullptr));
    }
    static void bind(sqlite3_stmt* s, int at, const QByteArray& text, bool null) {
        if (null) sqlite3_bind_null(s, at);
        else sqlite3_bind_text(s, at, text.constData(), int(text.size()), SQLITE_TRANSIENT);
    }
    static int step(sqlite3_stmt* s) {
        const int rc = sqlite3_step(s);
        sqlite3_reset(s);
        return rc;
    }
    void check(int rc) const {
        if (rc != SQLITE_OK) throw std::runtime_error(sqlite3_errmsg(db_));
    }

    const QList<FieldDef> fields_;
    const bool withHistory_;
    sqlite3* db_ = nullptr;
    sqlite3_stmt *insert_ = nullptr, *history_ = nullptr, *begin_ = nullptr, *commit_ = nullptr, *rollback_ = nullptr;
};

// Prepared statements run with text parameters; the server's own connection settings.
class PostgresWriter final : public DirectWriter {
public:
    PostgresWriter(const QString& url, const QList<FieldDef>& fields, bool withHistory)
        : fields_(fields), withHistory_(withHistory) {
        conn_ = PQconnectdb(url.toUtf8().constData());
        if (PQstatus(conn_) != CONNECTION_OK) throw std::runtime_error(PQerrorMessage(conn_));
        command("SET jit = off");
        prepare("cabecalho", directHeaderInsert(fields, true), int(fields.size()));
        if (withHistory_) prepare("historico", directHistoryInsert(int(fields.size()), true), 12 * int(fields.size()));
    }
    ~PostgresWriter() override { PQfinish(conn_); }

    QString write(const QVariantList& row) override {
        try {
            command("BEGIN");
            const QList<QByteArray> values = texts(row);
            run("cabecalho", values, QList<bool>(values.size(), false));
            if (withHistory_) {
                QList<bool> nulls;
                const QList<QByteArray> history = directHistoryValues(fields_, values, &nulls);
                run("historico", history, nulls);
            }
            command("COMMIT");
            return {};
        } catch (const std::exception& e) {
            PQclear(PQexec(conn_, "ROLLBACK"));
            return QString::fromUtf8(e.what());
        }
    }

private:
    void check(PGresult* r) const {
        const ExecStatusType status = PQresultStatus(r);
        PQclear(r);
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) throw std::runtime_error(PQerrorMessage(conn_));
    }
    void command(const char* sql) const { check(PQexec(conn_, sql)); }
    void prepare(const char* name, const QString& sql, int params) const {
        check(PQprepare(conn_, name, sql.toUtf8().constData(), params, nullptr));
    }
    void run(const char* name, const QList<QByteArray>& values, const QList<bool>& nulls) const {
        std::vector<const char*> pointers;
        for (int i = 0; i < values.size(); ++i) pointers.push_back(nulls[i] ? nullptr : values[i].constData());
        check(PQexecPrepared(conn_, name, int(pointers.size()), pointers.data(), nullptr, nullptr, 0));
    }

    const QList<FieldDef> fields_;
    const bool withHistory_;
    PGconn* conn_ = nullptr;
};

}  // namespace

QString directHeaderInsert(const QList<FieldDef>& fields, bool dollarMarks) {
    QStringList names;
    for (const FieldDef& f : fields) names << f.name;
    return QStringLiteral("INSERT INTO PROPOSTAFAS (%1) VALUES (%2)")
        .arg(names.join(QStringLiteral(", ")), marks(1, int(fields.size()), dollarMarks));
}

QString directHistoryInsert(int rows, bool dollarMarks) {
    QStringList tuples;
    for (int r = 0; r < rows; ++r) tuples << u'(' + marks(1 + 12 * r, 12, dollarMarks) + u')';
    return QStringLiteral("INSERT INTO HISTPROP (NRPROPOSFAS, NRVERPROPFAS, DTHIST, NRSEQHIST, CDOPERADOR, NMMETODO, "
                          "NMTABELA, DSCHAVE, IDOPERHIST, NMCAMPO, VLANTERIOR, VLNOVO) VALUES %1")
        .arg(tuples.join(QStringLiteral(", ")));
}

QList<QByteArray> directHistoryValues(const QList<FieldDef>& fields, const QList<QByteArray>& texts,
                                      QList<bool>* nulls) {
    static const QByteArray now = dateText(QDateTime(QDate(2026, 12, 7), QTime(10, 0)));
    const QByteArray key = "NRPROPOSFAS=" + texts[0] + "; NRVERPROPFAS=" + texts[1];
    QList<QByteArray> out;
    nulls->clear();
    for (int c = 0; c < fields.size(); ++c) {
        const QByteArray sequence = QByteArray::number(++historySequence);
        for (const QByteArray& value : {texts[0], texts[1], now, sequence, QByteArray("VENDEDOR"),
                                        QByteArray("SetProposta"), QByteArray("PROPOSTAFAS"), key, QByteArray("I"),
                                        fields[c].name.toUtf8(), QByteArray(), texts[c]}) {
            out << value;
            nulls->append(false);
        }
        (*nulls)[nulls->size() - 2] = true;  // no value before an insert
    }
    return out;
}

std::unique_ptr<DirectWriter> DirectWriter::open(const BenchDatabase& database, const QList<FieldDef>& fields,
                                                 bool withHistory) {
    if (database.engine() == BenchDatabase::Engine::Postgres)
        return std::make_unique<PostgresWriter>(database.url(), fields, withHistory);
    return std::make_unique<SqliteWriter>(database.path(), fields, withHistory);
}

}  // namespace cot::bench
