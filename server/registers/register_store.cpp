#include "server/registers/register_store.h"

#include <QCryptographicHash>
#include <QHash>
#include <algorithm>
#include <functional>

#include "server/registers/register_values.h"
#include "server/storage/database.h"
#include "sql/sql_packet.h"

namespace cot::server::registers {

namespace {

FieldDef shapeOf(const RegisterColumn& c) {
    switch (c.kind) {
    case ColumnKind::Text:
        return c.isMemo() ? FieldDef{c.name, FieldType::Memo, 0} : FieldDef{c.name, FieldType::String, c.size};
    case ColumnKind::Integer:
        return {c.name, FieldType::Integer, 0};
    case ColumnKind::Real:
        return {c.name, FieldType::Float, 0};
    case ColumnKind::DateTime:
        return {c.name, FieldType::DateTime, 0};
    }
    return {c.name, FieldType::String, 0};
}

// The engine's text without the statement it ran: the database's reason, for the operator.
QString engineReason(const DatabaseError& e) {
    QString text = QString::fromStdString(e.what());
    const qsizetype sql = text.indexOf(QLatin1String(" [SQL:"));
    if (sql >= 0) text.truncate(sql);
    return text.simplified();
}

// The written forms of `columns` of every stored row, handed over one row at a time.
void forEachStoredRow(Database& db, const Register& reg, const QList<const RegisterColumn*>& columns,
                      const std::function<void(const QList<std::optional<QString>>&)>& onRow) {
    QStringList names;
    QList<FieldType> types;
    for (const RegisterColumn* c : columns) {
        names << c->name;
        types << shapeOf(*c).type;
    }
    QList<std::optional<QString>> written;
    db.forEachRow(QStringLiteral("SELECT %1 FROM %2").arg(names.join(QStringLiteral(", ")), reg.table), {},
                  [&](const SqlRow& row) {
                      written.clear();
                      for (int c = 0; c < columns.size(); ++c)
                          written << (row.kind(c) == SqlRow::Kind::Null
                                          ? std::nullopt
                                          : writtenForm(*columns[c], sql::readValue(row.value(c), types[c])));
                      onRow(written);
                  });
}

QList<const RegisterColumn*> keyColumnsOf(const Register& reg) {
    QList<const RegisterColumn*> out;
    for (const RegisterColumn& c : reg.columns)
        if (c.key) out << &c;
    return out;
}

QString keyOf(const QList<std::optional<QString>>& written, qsizetype from, qsizetype count) {
    QStringList parts;
    for (qsizetype i = from; i < from + count; ++i) parts << written[i].value_or(QString());
    return joinKey(parts);
}

// One row's written forms in 32 bytes: equal exactly when the forms are (nulls apart from
// empty texts), so a table's rows are compared with a file's without holding their texts.
QByteArray digestOf(const QList<std::optional<QString>>& written, qsizetype count) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (qsizetype i = 0; i < count; ++i) {
        if (!written[i]) {
            hash.addData(QByteArrayView("N", 1));
            continue;
        }
        const QByteArray text = written[i]->toUtf8();
        const qint64 size = text.size();
        hash.addData(QByteArrayView("T", 1));
        hash.addData(QByteArrayView(reinterpret_cast<const char*>(&size), sizeof size));
        hash.addData(text);
    }
    return hash.result();
}

}  // namespace

QList<StoredRow> readStoredRows(Database& db, const Register& reg, const QList<const RegisterColumn*>& columns) {
    QList<const RegisterColumn*> all = columns;
    QList<int> keyAt;
    for (const RegisterColumn& c : reg.columns) {
        if (!c.key) continue;
        const qsizetype at = all.indexOf(&c);
        if (at >= 0) {
            keyAt << int(at);
        } else {
            keyAt << int(all.size());
            all << &c;
        }
    }
    QStringList names;
    QList<FieldDef> shape;
    for (const RegisterColumn* c : all) {
        names << c->name;
        shape << shapeOf(*c);
    }
    const Packet p = db.query(QStringLiteral("SELECT %1 FROM %2").arg(names.join(QStringLiteral(", ")), reg.table), {}, shape);
    QList<StoredRow> out;
    QList<QStringList> keys;
    out.reserve(p.rows.size());
    for (const QVariantList& values : p.rows) {
        QList<std::optional<QString>> written;
        for (int c = 0; c < all.size(); ++c) written << writtenForm(*all[c], values.value(c));
        QStringList key;
        for (int k : keyAt) key << written[k].value_or(QString());
        out << StoredRow{joinKey(key), written.mid(0, columns.size())};
        keys << key;
    }
    QList<int> order(out.size());
    for (int i = 0; i < order.size(); ++i) order[i] = i;
    std::sort(order.begin(), order.end(), [&](int a, int b) { return keys[a] < keys[b]; });
    QList<StoredRow> sorted;
    sorted.reserve(out.size());
    for (int i : order) sorted << out[i];
    return sorted;
}

QSet<QString> storedKeys(Database& db, const Register& reg) {
    QSet<QString> out;
    const QList<const RegisterColumn*> keys = keyColumnsOf(reg);
    forEachStoredRow(db, reg, keys, [&](const QList<std::optional<QString>>& written) {
        out.insert(keyOf(written, 0, keys.size()));
    });
    return out;
}

RegisterWriter::RegisterWriter(Database& db, const RegisterFile& file) : db_(db), file_(file) {
    const Register& reg = *file.reg;
    counts_.fileName = file.fileName;
    const QList<const RegisterColumn*> keys = keyColumnsOf(reg);
    forEachStoredRow(db, reg, file.columns + keys, [&](const QList<std::optional<QString>>& written) {
        stored_.insert(keyOf(written, file.columns.size(), keys.size()), digestOf(written, file.columns.size()));
    });
    QStringList names, markers, sets, where;
    for (const RegisterColumn* c : file.columns) {
        names << c->name;
        markers << u':' + c->name;
        (c->key ? where : sets) << QStringLiteral("%1 = :%1").arg(c->name);
    }
    insert_ = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                  .arg(reg.table, names.join(QStringLiteral(", ")), markers.join(QStringLiteral(", ")));
    update_ = QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                  .arg(reg.table, sets.join(QStringLiteral(", ")), where.join(QStringLiteral(" AND ")));
}

bool RegisterWriter::write(const RegisterRow& row, ImportErrors& errors) {
    const auto found = stored_.constFind(row.key);
    const bool isNew = found == stored_.constEnd();
    if (!isNew && *found == digestOf(row.written, row.written.size())) {
        ++counts_.unchanged;
        return true;
    }
    QVariantMap params;
    for (int c = 0; c < file_.columns.size(); ++c) params.insert(file_.columns[c]->name, row.values[c]);
    try {
        db_.exec(isNew ? insert_ : update_, params);
    } catch (const DatabaseError& e) {
        errors.add(file_.fileName, row.line, QStringLiteral("o banco recusou a linha: %1").arg(engineReason(e)));
        return false;
    }
    ++(isNew ? counts_.inserted : counts_.changed);
    return true;
}

}  // namespace cot::server::registers
