#include "server/registers/register_store.h"

#include <QHash>
#include <algorithm>

#include "server/registers/register_values.h"
#include "server/storage/database.h"

namespace cot::server::registers {

namespace {

FieldDef shapeOf(const RegisterColumn& c) {
    switch (c.kind) {
    case ColumnKind::Text:
        return c.size > 0 ? FieldDef{c.name, FieldType::String, c.size} : FieldDef{c.name, FieldType::Memo, 0};
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
    for (const StoredRow& row : readStoredRows(db, reg, {})) out.insert(row.key);
    return out;
}

std::optional<FileCounts> writeRegisterFile(Database& db, const RegisterFile& file, ImportErrors& errors) {
    const Register& reg = *file.reg;
    FileCounts counts;
    counts.fileName = file.fileName;
    QHash<QString, QList<std::optional<QString>>> stored;
    for (StoredRow& row : readStoredRows(db, reg, file.columns)) stored.insert(row.key, std::move(row.written));

    QStringList names, markers, sets, where;
    for (const RegisterColumn* c : file.columns) {
        names << c->name;
        markers << u':' + c->name;
        (c->key ? where : sets) << QStringLiteral("%1 = :%1").arg(c->name);
    }
    const QString insert = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                               .arg(reg.table, names.join(QStringLiteral(", ")), markers.join(QStringLiteral(", ")));
    const QString update = QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                               .arg(reg.table, sets.join(QStringLiteral(", ")), where.join(QStringLiteral(" AND ")));
    for (const RegisterRow& row : file.rows) {
        const auto found = stored.constFind(row.key);
        const bool isNew = found == stored.constEnd();
        if (!isNew && *found == row.written) {
            ++counts.unchanged;
            continue;
        }
        QVariantMap params;
        for (int c = 0; c < file.columns.size(); ++c) params.insert(file.columns[c]->name, row.values[c]);
        try {
            db.exec(isNew ? insert : update, params);
        } catch (const DatabaseError& e) {
            errors.add(file.fileName, row.line, QStringLiteral("o banco recusou a linha: %1").arg(engineReason(e)));
            return std::nullopt;
        }
        ++(isNew ? counts.inserted : counts.changed);
    }
    return counts;
}

}  // namespace cot::server::registers
