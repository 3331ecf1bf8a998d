#include "sql_packet.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlField>
#include <QSqlRecord>
#include <QSqlResult>
#include <libpq-fe.h>
#include <algorithm>
#include <optional>
#include <sqlite3.h>

#include "data/date_text.h"

namespace cot::sql {

namespace {

bool onSqlite(const QSqlQuery& q) { return q.driver() && q.driver()->dbmsType() == QSqlDriver::SQLite; }

// Type of a column from its declared SQL type; nullopt when it must be read from the values.
std::optional<FieldDef> fromDeclared(const QString& name, const QString& declared) {
    const QString t = declared.trimmed().toUpper();
    if (t.isEmpty()) return std::nullopt;
    FieldDef f{name, FieldType::String, 0};
    if (t.contains(QLatin1String("CHAR"))) {
        static const QRegularExpression size(QStringLiteral("\\((\\d+)\\)"));
        const auto m = size.match(t);
        f.size = m.hasMatch() ? m.captured(1).toInt() : 0;
        if (f.size == 0) f.type = FieldType::Memo;  // unsized text has no limit on SQLite
    } else if (t.contains(QLatin1String("TEXT")) || t.contains(QLatin1String("CLOB")) ||
               t.contains(QLatin1String("BLOB")) || t.contains(QLatin1String("BYTEA"))) {
        f.type = FieldType::Memo;
    } else if (t.contains(QLatin1String("INT"))) {
        f.type = FieldType::Integer;
    } else if (t.contains(QLatin1String("REAL")) || t.contains(QLatin1String("DOUB")) ||
               t.contains(QLatin1String("FLOA")) || t.contains(QLatin1String("NUMERIC")) ||
               t.contains(QLatin1String("DECIMAL"))) {
        f.type = FieldType::Float;
    } else if (t.contains(QLatin1String("TIMESTAMP")) || t.contains(QLatin1String("DATE")) ||
               t.contains(QLatin1String("TIME"))) {
        f.type = FieldType::DateTime;
    } else if (t.contains(QLatin1String("BOOL"))) {
        f.type = FieldType::Boolean;
    } else {
        return std::nullopt;
    }
    return f;
}

std::optional<FieldDef> fromDriver(const QSqlField& field, const QString& name, bool tableColumn) {
    FieldDef f{name, FieldType::String, 0};
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
    case QMetaType::UShort:
        f.type = FieldType::Integer;
        return f;
    case QMetaType::Double:
    case QMetaType::Float:
        f.type = FieldType::Float;
        return f;
    case QMetaType::QDateTime:
    case QMetaType::QDate:
    case QMetaType::QTime:
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

}  // namespace

QVariant bindable(const QVariant& v) {
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

QVariant readValue(const QVariant& raw, FieldType type) {
    if (raw.isNull()) return {};
    if (type == FieldType::DateTime && raw.typeId() == QMetaType::QString) {
        const QDateTime dt = parseIsoDateTime(raw.toString());
        if (dt.isValid()) return dt;
    }
    return coerceValue(raw, type);
}

Packet readPacket(QSqlQuery& q, const QList<FieldDef>& shape) {
    const QSqlRecord rec = q.record();
    const bool sqlite = onSqlite(q);
    Packet p;
    for (int i = 0; i < rec.count(); ++i) {
        const QString name = rec.fieldName(i).toUpper();
        const auto given = std::find_if(shape.cbegin(), shape.cend(), [&](const FieldDef& f) {
            return f.name.compare(name, Qt::CaseInsensitive) == 0;
        });
        std::optional<FieldDef> f;
        if (given != shape.cend()) f = *given;
        else if (sqlite) f = fromDeclared(name, sqliteDeclaredType(q, i));
        else f = fromDriver(rec.field(i), name, postgresColumnOfTable(q, i));
        // Unknown types are settled after the rows are read; a null name marks them.
        p.fields << (f ? *f : FieldDef{QString(), FieldType::String, 0});
    }
    const int n = int(p.fields.size());
    while (q.next()) {
        QVariantList row;
        row.reserve(n);
        for (int i = 0; i < n; ++i) row << q.value(i);
        p.rows << std::move(row);
    }
    for (int i = 0; i < n; ++i) {
        if (p.fields[i].name.isNull()) p.fields[i] = fromValues(rec.fieldName(i).toUpper(), p.rows, i);
        const FieldType type = p.fields[i].type;
        for (QVariantList& row : p.rows) row[i] = readValue(row[i], type);
    }
    return p;
}

QString sqliteDeclaredType(const QSqlQuery& q, int column) {
    const QVariant handle = q.result() ? q.result()->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3_stmt*") != 0) return {};
    sqlite3_stmt* stmt = *static_cast<sqlite3_stmt* const*>(handle.constData());
    if (!stmt) return {};
    const char* declared = sqlite3_column_decltype(stmt, column);
    return declared ? QString::fromUtf8(declared) : QString();
}

bool postgresColumnOfTable(const QSqlQuery& q, int column) {
    const QVariant handle = q.result() ? q.result()->handle() : QVariant();
    if (!handle.isValid()) return false;
    // The driver registers the handle under the struct's tag name.
    const char* type = handle.typeName();
    if (qstrcmp(type, "PGresult*") != 0 && qstrcmp(type, "pg_result*") != 0) return false;
    const PGresult* res = *static_cast<PGresult* const*>(handle.constData());
    return res && PQftable(res, column) != InvalidOid;
}

}  // namespace cot::sql
