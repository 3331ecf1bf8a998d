#include "local_query.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlResult>
#include <QtDebug>
#include <cstring>
#include <sqlite3.h>

#include "errors.h"

namespace cot {

namespace {

// Column type from a declared SQL type ("VARCHAR(20)", "TIMESTAMP", "DOUBLE PRECISION").
bool typeFromDeclaration(const QString& declared, FieldDef& def) {
    const QString t = declared.toUpper();
    if (t.isEmpty()) return false;
    static const QRegularExpression sized(QStringLiteral("\\((\\d+)"));
    if (t.contains("CHAR")) {
        def.type = FieldType::String;
        def.size = sized.match(t).captured(1).toInt();
    } else if (t.contains("INT")) {
        def.type = FieldType::Integer;
    } else if (t.contains("TIMESTAMP") || t.contains("DATE") || t.contains("TIME")) {
        def.type = FieldType::DateTime;
    } else if (t.contains("REAL") || t.contains("FLOA") || t.contains("DOUB") || t.contains("NUMERIC") ||
               t.contains("DECIMAL")) {
        def.type = FieldType::Float;
    } else if (t.contains("BOOL")) {
        def.type = FieldType::Boolean;
    } else if (t.contains("TEXT") || t.contains("CLOB") || t.contains("BLOB") || t.contains("BYTEA")) {
        def.type = FieldType::Memo;
    } else {
        return false;
    }
    return true;
}

bool typeFromDriver(const QSqlField& f, FieldDef& def) {
    switch (f.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        def.type = FieldType::Integer;
        return true;
    case QMetaType::Double:
    case QMetaType::Float:
        def.type = FieldType::Float;
        return true;
    case QMetaType::QDateTime:
    case QMetaType::QDate:
    case QMetaType::QTime:
        def.type = FieldType::DateTime;
        return true;
    case QMetaType::Bool:
        def.type = FieldType::Boolean;
        return true;
    case QMetaType::QByteArray:
        def.type = FieldType::Memo;
        return true;
    default:
        return false;
    }
}

// Values as SQLite and PostgreSQL store them, read back in the column's type.
QVariant toColumnValue(const QVariant& v, FieldType type) {
    if (!v.isValid() || v.isNull()) return {};
    switch (type) {
    case FieldType::DateTime: {
        if (v.typeId() == QMetaType::QDateTime) return v.toDateTime();
        if (v.typeId() == QMetaType::QDate) return QDateTime(v.toDate(), QTime(0, 0));
        const QString s = v.toString().trimmed();
        for (const char* format : {"yyyy-MM-dd HH:mm:ss.zzz", "yyyy-MM-dd HH:mm:ss", "yyyy-MM-ddTHH:mm:ss.zzz",
                                   "yyyy-MM-ddTHH:mm:ss", "yyyy-MM-dd HH:mm", "yyyy-MM-dd"}) {
            const QDateTime dt = QDateTime::fromString(s, QString::fromLatin1(format));
            if (dt.isValid()) return dt;
        }
        return {};
    }
    case FieldType::Integer:
        return v.toLongLong();
    case FieldType::Float:
        return v.toDouble();
    case FieldType::Boolean:
        if (v.typeId() == QMetaType::QString) {
            const QString s = v.toString().trimmed().toUpper();
            return s == "1" || s == "T" || s == "TRUE" || s == "S";
        }
        return v.toBool();
    default:
        return v.toString();
    }
}

// Parameter values as the engine compares them with stored ones.
QVariant toBoundValue(const QVariant& v, bool sqlite) {
    if (!v.isValid() || v.isNull()) return QVariant(QMetaType::fromType<QString>());
    if (sqlite) {
        if (v.typeId() == QMetaType::QDateTime)
            return v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        if (v.typeId() == QMetaType::QDate) return v.toDate().toString(QStringLiteral("yyyy-MM-dd 00:00:00"));
    }
    if (v.typeId() == QMetaType::Bool) return v.toBool() ? 1 : 0;
    return v;
}

QString sqliteDeclaredType(const QSqlQuery& q, int column) {
    const QVariant handle = q.result() ? q.result()->handle() : QVariant();
    if (!handle.isValid() || std::strcmp(handle.typeName(), "sqlite3_stmt*") != 0) return {};
    sqlite3_stmt* stmt = *static_cast<sqlite3_stmt* const*>(handle.constData());
    if (!stmt) return {};
    const char* declared = sqlite3_column_decltype(stmt, column);
    return declared ? QString::fromUtf8(declared) : QString();
}

}  // namespace

TADOIBQuery::TADOIBQuery(const QString& name) : table_(std::make_unique<ClientDataSet>(name)) {}

TADOIBQuery::~TADOIBQuery() = default;

void TADOIBQuery::setSql(const QString& text) {
    lines_ = text.split('\n');
    reparse();
}

void TADOIBQuery::addSql(const QString& line) {
    lines_ << line;
    reparse();
}

void TADOIBQuery::clearSql() {
    lines_.clear();
    reparse();
}

QString TADOIBQuery::sql() const { return lines_.join('\n'); }

void TADOIBQuery::reparse() {
    close();
    QStringList names;
    sql_text::toPositional(sql(), names);
    std::vector<std::unique_ptr<QueryParam>> kept;
    for (const QString& n : names) {
        const auto same = [&](const std::unique_ptr<QueryParam>& p) {
            return p && p->name().compare(n, Qt::CaseInsensitive) == 0;  // moved-from entries are null
        };
        if (std::any_of(kept.begin(), kept.end(), same)) continue;
        const auto old = std::find_if(params_.begin(), params_.end(), same);
        kept.push_back(old != params_.end() ? std::move(*old) : std::make_unique<QueryParam>(n));
    }
    params_ = std::move(kept);
}

QStringList TADOIBQuery::paramNames() const {
    QStringList names;
    for (const auto& p : params_) names << p->name();
    return names;
}

QueryParam& TADOIBQuery::paramByName(const QString& name) {
    for (const auto& p : params_)
        if (p->name().compare(name.trimmed(), Qt::CaseInsensitive) == 0) return *p;
    throw UserError(QStringLiteral("Parâmetro '%1' não encontrado.").arg(name));
}

Field& TADOIBQuery::addField(const QString& name, FieldType type, int size) {
    return table_->addField(name.toUpper(), type, size);
}

bool TADOIBQuery::active() const { return table_->active(); }

void TADOIBQuery::close() {
    if (table_->active()) table_->close();
}

void TADOIBQuery::open() {
    close();
    const QString text = sql();
    sql_text::ensureReadOnly(text);
    QSqlDatabase db = HostDatabase::database();
    const bool sqlite = HostDatabase::isSqlite();
    const QString what = table_->name().isEmpty() ? QStringLiteral("consulta") : table_->name();
    const auto fail = [&](const QSqlQuery& q) {
        qWarning().noquote() << "host query" << what << "failed:" << q.lastError().text() << "\n" << text;
        throw UserError(QStringLiteral("Erro ao consultar o banco de dados do sistema (%1).").arg(what));
    };

    Packet packet;
    {
        QStringList names;
        QSqlQuery q(db);
        q.setForwardOnly(true);
        if (!q.prepare(sql_text::toPositional(text, names))) fail(q);
        for (int i = 0; i < names.size(); ++i) q.bindValue(i, toBoundValue(paramByName(names[i]).value(), sqlite));
        if (!q.exec()) fail(q);

        const QSqlRecord rec = q.record();
        QList<bool> sizeKnown;
        for (int i = 0; i < rec.count(); ++i) {
            FieldDef def{rec.fieldName(i).toUpper(), FieldType::String, 0};
            if (const Field* declared = table_->findField(def.name)) {
                def = declared->def();
            } else if (!(sqlite && typeFromDeclaration(sqliteDeclaredType(q, i), def)) &&
                       !typeFromDriver(rec.field(i), def)) {
                def.type = FieldType::String;
            }
            if (def.type == FieldType::String && def.size <= 0 && rec.field(i).length() > 0)
                def.size = rec.field(i).length();
            sizeKnown << (def.size > 0 || def.type != FieldType::String);
            packet.fields << def;
        }
        while (q.next()) {
            QVariantList row;
            row.reserve(packet.fields.size());
            for (int i = 0; i < packet.fields.size(); ++i) {
                const QVariant v = toColumnValue(q.value(i), packet.fields[i].type);
                if (!sizeKnown[i]) packet.fields[i].size = std::max<int>(packet.fields[i].size, v.toString().size());
                row << v;
            }
            packet.rows << row;
        }
        for (int i = 0; i < packet.fields.size(); ++i)
            if (!sizeKnown[i] && packet.fields[i].size <= 0) packet.fields[i].size = 1;
    }
    table_->setData(packet);
}

}  // namespace cot
