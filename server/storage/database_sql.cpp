#include "storage/database_sql.h"

#include <QDateTime>
#include <QHash>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlField>
#include <QSqlRecord>

#include "data/date_text.h"
#include "storage/database_params.h"

namespace cot::server::detail {

namespace {

[[noreturn]] void fail(const QSqlError& error, const QString& sql) {
    throw DatabaseError(
        QStringLiteral("%1 [SQL: %2]").arg(error.text(), sql.simplified()).toStdString());
}

// Values as the engines store them: dates as text in one sortable form on both engines,
// so a bound date compares equal to a stored one.
QVariant toBindable(const QVariant& v) {
    if (!v.isValid() || v.isNull()) return QVariant(QMetaType::fromType<QString>());
    switch (v.typeId()) {
    case QMetaType::QDateTime: {
        const QDateTime dt = v.toDateTime();
        if (!dt.isValid()) return QVariant(QMetaType::fromType<QString>());
        return dt.toString(QLatin1String(kStoredDateFormat));
    }
    case QMetaType::QDate: {
        const QDate d = v.toDate();
        if (!d.isValid()) return QVariant(QMetaType::fromType<QString>());
        return QDateTime(d, QTime(0, 0)).toString(QLatin1String(kStoredDateFormat));
    }
    case QMetaType::Bool:
        return v.toBool() ? 1 : 0;
    default:
        return v;
    }
}

// Type of a column from its declared SQL type; nullopt when it must be read from the values.
std::optional<FieldDef> fromDeclared(const QString& name, const QString& declared) {
    const QString t = declared.trimmed().toUpper();
    if (t.isEmpty()) return std::nullopt;
    FieldDef f{name, FieldType::String, 0};
    if (t.contains(QLatin1String("CHAR"))) {
        static const QRegularExpression size(QStringLiteral("\\((\\d+)\\)"));
        const auto m = size.match(t);
        f.size = m.hasMatch() ? m.captured(1).toInt() : 0;
        if (f.size == 0) f.type = FieldType::Memo;
    } else if (t.contains(QLatin1String("TEXT")) || t.contains(QLatin1String("CLOB")) ||
               t.contains(QLatin1String("BLOB")) || t.contains(QLatin1String("BYTEA"))) {
        f.type = FieldType::Memo;
    } else if (t.contains(QLatin1String("INT"))) {
        f.type = FieldType::Integer;
    } else if (t.contains(QLatin1String("REAL")) || t.contains(QLatin1String("DOUB")) ||
               t.contains(QLatin1String("FLOA")) || t.contains(QLatin1String("NUMERIC")) ||
               t.contains(QLatin1String("DECIMAL"))) {
        f.type = FieldType::Float;
    } else if (t.contains(QLatin1String("TIMESTAMP")) || t.contains(QLatin1String("DATE"))) {
        f.type = FieldType::DateTime;
    } else {
        return std::nullopt;
    }
    return f;
}

std::optional<FieldDef> fromPostgres(const QSqlField& field, bool tableColumn) {
    FieldDef f{field.name(), FieldType::String, 0};
    switch (field.metaType().id()) {
    case QMetaType::QString:
        if (field.length() > 0) {
            f.size = field.length();
        } else if (tableColumn) {
            f.type = FieldType::Memo;  // an unsized text column of a table
        } else {
            return std::nullopt;       // text expression: sized from its values
        }
        return f;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
        f.type = FieldType::Integer;
        return f;
    case QMetaType::Double:
    case QMetaType::Float:
        f.type = FieldType::Float;
        return f;
    case QMetaType::QDateTime:
    case QMetaType::QDate:
        f.type = FieldType::DateTime;
        return f;
    case QMetaType::QByteArray:
        f.type = FieldType::Memo;
        return f;
    case QMetaType::Bool:
        f.type = FieldType::Boolean;
        return f;
    default:
        return std::nullopt;
    }
}

FieldDef fromValues(const QString& name, const QList<QVariantList>& rows, int column) {
    FieldDef f{name, FieldType::String, 1};
    bool typed = false;
    for (const QVariantList& row : rows) {
        const QVariant& v = row.at(column);
        if (v.isNull()) continue;
        if (!typed) {
            typed = true;
            switch (v.typeId()) {
            case QMetaType::Int:
            case QMetaType::LongLong:
            case QMetaType::UInt:
            case QMetaType::ULongLong:
                f.type = FieldType::Integer;
                break;
            case QMetaType::Double:
                f.type = FieldType::Float;
                break;
            case QMetaType::QDateTime:
            case QMetaType::QDate:
                f.type = FieldType::DateTime;
                break;
            default:
                break;
            }
        }
        if (f.type == FieldType::String) f.size = std::max<int>(f.size, int(v.toString().size()));
        // A column whose values mix integers and fractions is a number with decimals.
        if (f.type == FieldType::Integer && v.typeId() == QMetaType::Double) f.type = FieldType::Float;
    }
    if (f.type != FieldType::String) f.size = 0;
    return f;
}

QVariant readValue(const QVariant& raw, FieldType type) {
    if (raw.isNull()) return {};
    if (type == FieldType::DateTime && raw.typeId() == QMetaType::QString) {
        const QString s = raw.toString();
        const QDateTime dt = parseIsoDateTime(s);
        if (dt.isValid()) return dt;
    }
    return coerceValue(raw, type);
}

}  // namespace

SqlDatabase::SqlDatabase(Dialect dialect, QString url, QSqlDatabase connection)
    : dialect_(dialect), url_(std::move(url)), connectionName_(connection.connectionName()),
      db_(std::move(connection)) {}

SqlDatabase::~SqlDatabase() {
    if (depth_ > 0) {
        try {
            runPlain(QStringLiteral("ROLLBACK"));
        } catch (...) {
        }
    }
    db_->close();
    db_.reset();
    QSqlDatabase::removeDatabase(connectionName_);
}

QSqlQuery SqlDatabase::run(const QString& sql, const QVariantMap& params) {
    const PositionalSql positional = toPositional(sql);
    QHash<QString, QVariant> byName;
    for (auto it = params.cbegin(); it != params.cend(); ++it) {
        QString key = it.key().toUpper();
        if (key.startsWith(u':')) key = key.mid(1);
        byName.insert(key, it.value());
    }
    QSqlQuery q(*db_);
    q.setForwardOnly(true);
    if (positional.names.isEmpty()) {
        // Nothing to bind: run as is (PostgreSQL cannot prepare DDL).
        if (!q.exec(positional.sql)) fail(q.lastError(), sql);
        return q;
    }
    if (!q.prepare(positional.sql)) fail(q.lastError(), sql);
    for (const QString& name : positional.names) q.addBindValue(toBindable(byName.value(name)));
    if (!q.exec()) fail(q.lastError(), sql);
    return q;
}

QString SqlDatabase::columnName(const QSqlRecord& rec, int i) const {
    // PostgreSQL folds unquoted names to lower case; packets use the schema's upper case.
    return dialect_ == Dialect::Postgres ? rec.fieldName(i).toUpper() : rec.fieldName(i);
}

void SqlDatabase::runPlain(const QString& sql) {
    QSqlQuery q(*db_);
    if (!q.exec(sql)) fail(q.lastError(), sql);
}

QList<FieldDef> SqlDatabase::describe(const QSqlQuery& q, const QList<FieldDef>& shape) const {
    const QSqlRecord rec = q.record();
    QList<FieldDef> fields;
    for (int i = 0; i < rec.count(); ++i) {
        const QString name = columnName(rec, i);
        auto given = std::find_if(shape.cbegin(), shape.cend(), [&](const FieldDef& f) {
            return f.name.compare(name, Qt::CaseInsensitive) == 0;
        });
        std::optional<FieldDef> f;
        if (given != shape.cend()) {
            f = *given;
        } else if (dialect_ == Dialect::Sqlite) {
            f = fromDeclared(name, sqliteDeclaredType(q, i));
        } else {
            f = fromPostgres(rec.field(i), postgresColumnOfTable(q, i));
            if (f) f->name = name;
        }
        // Unknown types are settled after the rows are read; mark them with a null name.
        fields << (f ? *f : FieldDef{QString(), FieldType::String, 0});
    }
    return fields;
}

Packet SqlDatabase::query(const QString& sql, const QVariantMap& params,
                          const QList<FieldDef>& shape) {
    QSqlQuery q = run(sql, params);
    Packet p;
    p.fields = describe(q, shape);
    const QSqlRecord rec = q.record();
    const int n = int(p.fields.size());
    while (q.next()) {
        QVariantList row;
        row.reserve(n);
        for (int i = 0; i < n; ++i) row << q.value(i);
        p.rows << std::move(row);
    }
    if (q.lastError().isValid()) fail(q.lastError(), sql);
    for (int i = 0; i < n; ++i) {
        if (p.fields[i].name.isNull()) p.fields[i] = fromValues(columnName(rec, i), p.rows, i);
        const FieldType type = p.fields[i].type;
        for (QVariantList& row : p.rows) row[i] = readValue(row[i], type);
    }
    return p;
}

QVariant SqlDatabase::scalar(const QString& sql, const QVariantMap& params) {
    QSqlQuery q = run(sql, params);
    if (!q.next()) {
        if (q.lastError().isValid()) fail(q.lastError(), sql);
        return {};
    }
    const QVariant v = q.value(0);
    return v.isNull() ? QVariant() : v;
}

int SqlDatabase::exec(const QString& sql, const QVariantMap& params) {
    QSqlQuery q = run(sql, params);
    return q.numRowsAffected();
}

void SqlDatabase::begin() {
    if (depth_ == 0) {
        // IMMEDIATE takes SQLite's write lock up front, so two writers queue on the busy
        // timeout instead of failing when one upgrades a read lock.
        runPlain(dialect_ == Dialect::Sqlite ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN"));
    } else {
        runPlain(QStringLiteral("SAVEPOINT cot_sp_%1").arg(depth_));
    }
    ++depth_;
}

void SqlDatabase::commit() {
    if (depth_ == 0) throw DatabaseError("commit sem transação aberta");
    --depth_;
    if (depth_ > 0) {
        runPlain(QStringLiteral("RELEASE SAVEPOINT cot_sp_%1").arg(depth_));
        return;
    }
    try {
        runPlain(QStringLiteral("COMMIT"));
    } catch (const DatabaseError&) {
        try {
            runPlain(QStringLiteral("ROLLBACK"));
        } catch (...) {
        }
        throw;
    }
}

void SqlDatabase::rollback() {
    if (depth_ == 0) throw DatabaseError("rollback sem transação aberta");
    --depth_;
    if (depth_ > 0) {
        runPlain(QStringLiteral("ROLLBACK TO SAVEPOINT cot_sp_%1").arg(depth_));
        runPlain(QStringLiteral("RELEASE SAVEPOINT cot_sp_%1").arg(depth_));
        return;
    }
    runPlain(QStringLiteral("ROLLBACK"));
}

}  // namespace cot::server::detail
