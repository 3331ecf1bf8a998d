#include "server/storage/resolver.h"

#include <QRegularExpression>
#include <stdexcept>

#include "data/table_catalogue.h"
#include "server/rpc/method_registry.h"
#include "server/storage/database.h"
#include "server/storage/proposal_history.h"
#include "server/storage/text_bounds.h"

namespace cot::server {

namespace {

const QString kConflict = QStringLiteral("Registro alterado ou excluído por outro usuário.");

// Floats are compared with a margin far below a cent, so a value that went through
// text (PostgreSQL parameters) still matches what is stored.
const QString kFloatMatch = QStringLiteral("ABS(%1 - :%2) < 0.000001");

struct Column {
    QString name;  // as the resolver spells it
    int index;     // in the delta
    FieldType type;
    bool key;
};

void checkIdentifier(const QString& name) {
    static const QRegularExpression valid(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    if (!valid.match(name).hasMatch())
        throw std::invalid_argument("invalid identifier in table resolver: " + name.toStdString());
}

QList<Column> columnsOf(const TableResolver& resolver, const Delta& delta) {
    checkIdentifier(resolver.table);
    QList<Column> out;
    for (const QString& name : resolver.columns) {
        checkIdentifier(name);
        const int index = delta.indexOf(name);
        if (index < 0) continue;
        const bool key = resolver.keyColumns.contains(name, Qt::CaseInsensitive);
        out.append({name, index, delta.fields[index].type, key});
    }
    for (const QString& key : resolver.keyColumns) {
        checkIdentifier(key);
        if (!resolver.columns.contains(key, Qt::CaseInsensitive))
            throw std::invalid_argument("key column outside the table's columns: " + key.toStdString());
    }
    return out;
}

QVariant valueAt(const QVariantList& row, const Column& c) { return coerceValue(row.value(c.index), c.type); }

bool sameValue(const QVariant& a, const QVariant& b, FieldType type) {
    if (a.isNull() || b.isNull()) return a.isNull() && b.isNull();
    switch (type) {
    case FieldType::Float:
        return a.toDouble() == b.toDouble();
    case FieldType::Integer:
        return a.toLongLong() == b.toLongLong();
    case FieldType::DateTime:
        return a.toDateTime() == b.toDateTime();
    case FieldType::Boolean:
        return a.toBool() == b.toBool();
    default:
        return a.toString() == b.toString();
    }
}

// "COL matches its original value", null-safe, with a fresh parameter name.
QString matchCondition(const Column& c, const QVariant& old, const QString& param, QVariantMap& params) {
    if (old.isNull()) return c.name + QStringLiteral(" IS NULL");
    params.insert(param, old);
    if (c.type == FieldType::Float) return kFloatMatch.arg(c.name, param);
    return QStringLiteral("%1 = :%2").arg(c.name, param);
}

void requireKeys(const TableResolver& resolver, const Delta& delta) {
    for (const QString& key : resolver.keyColumns)
        if (delta.indexOf(key) < 0)
            throw MethodError(QStringLiteral("Pacote de alterações sem o campo-chave %1.").arg(key), -32602);
}

void applyInsert(Database& db, const TableResolver& resolver, const QList<Column>& columns,
                 const RowChange& change) {
    QStringList names, markers;
    QVariantMap params;
    for (int i = 0; i < columns.size(); ++i) {
        const QString param = QStringLiteral("V%1").arg(i);
        names << columns[i].name;
        markers << u':' + param;
        params.insert(param, valueAt(change.newValues, columns[i]));
    }
    if (names.isEmpty()) throw MethodError(QStringLiteral("Pacote de alterações sem campos da tabela."), -32602);
    db.exec(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                .arg(resolver.table, names.join(QStringLiteral(", ")), markers.join(QStringLiteral(", "))),
            params);
}

void applyUpdate(Database& db, const TableResolver& resolver, const QList<Column>& columns,
                 const RowChange& change) {
    QStringList sets, conditions;
    QVariantMap params;
    int n = 0;
    for (const Column& c : columns) {
        const QVariant oldValue = valueAt(change.oldValues, c);
        const QVariant newValue = valueAt(change.newValues, c);
        if (c.key) conditions << matchCondition(c, oldValue, QStringLiteral("K%1").arg(n++), params);
        if (sameValue(oldValue, newValue, c.type)) continue;
        const QString setParam = QStringLiteral("S%1").arg(n++);
        sets << QStringLiteral("%1 = :%2").arg(c.name, setParam);
        params.insert(setParam, newValue);
        if (!c.key) conditions << matchCondition(c, oldValue, QStringLiteral("W%1").arg(n++), params);
    }
    if (sets.isEmpty()) return;
    const int affected = db.exec(QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                                     .arg(resolver.table, sets.join(QStringLiteral(", ")),
                                          conditions.join(QStringLiteral(" AND "))),
                                 params);
    if (affected == 0) throw MethodError(kConflict);
}

void applyDelete(Database& db, const TableResolver& resolver, const QList<Column>& columns,
                 const RowChange& change) {
    QStringList conditions;
    QVariantMap params;
    int n = 0;
    for (const Column& c : columns)
        if (c.key) conditions << matchCondition(c, valueAt(change.oldValues, c), QStringLiteral("K%1").arg(n++), params);
    const int affected = db.exec(
        QStringLiteral("DELETE FROM %1 WHERE %2").arg(resolver.table, conditions.join(QStringLiteral(" AND "))),
        params);
    if (affected == 0) throw MethodError(kConflict);
}

// Every text the change writes fits its column: an insert's values, an update's changed
// ones, and a delete's old values too, which the history keeps as they were sent.
void requireTextsFit(const TableResolver& resolver, const QList<Column>& columns, const RowChange& change) {
    for (const Column& c : columns) {
        if (change.op == ChangeOp::Delete) {
            text_bounds::requireFits(resolver.table, c.name, valueAt(change.oldValues, c));
            continue;
        }
        const QVariant value = valueAt(change.newValues, c);
        if (change.op == ChangeOp::Update && sameValue(valueAt(change.oldValues, c), value, c.type)) continue;
        text_bounds::requireFits(resolver.table, c.name, value);
    }
}

void padRow(QVariantList& row, qsizetype size) {
    while (row.size() < size) row.append(QVariant());
}

}  // namespace

TableResolver tableResolver(const QString& table, const QStringList& serverKept) {
    const catalogue::TableDef& def = catalogue::table(table);
    TableResolver out{def.name, def.key, {}};
    for (const QString& kept : serverKept) def.column(kept);
    for (const catalogue::ColumnDef& c : def.columns)
        if (!serverKept.contains(c.name, Qt::CaseInsensitive)) out.columns << c.name;
    return out;
}

int ensureDeltaColumn(Delta& delta, const FieldDef& field) {
    const int existing = delta.indexOf(field.name);
    if (existing >= 0) return existing;
    delta.fields.append(field);
    const qsizetype size = delta.fields.size();
    for (RowChange& c : delta.changes) {
        if (c.op != ChangeOp::Insert) padRow(c.oldValues, size);
        if (c.op != ChangeOp::Delete) padRow(c.newValues, size);
    }
    return int(size - 1);
}

void applyDelta(Database& db, const TableResolver& resolver, const Delta& delta,
                const std::function<void(RowChange&)>& beforeApply) {
    const QList<Column> columns = columnsOf(resolver, delta);
    bool needsKeys = false;
    for (const RowChange& c : delta.changes) needsKeys |= c.op != ChangeOp::Insert;
    if (needsKeys) requireKeys(resolver, delta);
    // What the client sent is checked whole before anything is written; what beforeApply
    // puts in a row, again before that row is written.
    for (const RowChange& change : delta.changes) requireTextsFit(resolver, columns, change);

    Transaction transaction(db);
    for (RowChange change : delta.changes) {
        padRow(change.oldValues, delta.fields.size());
        padRow(change.newValues, delta.fields.size());
        if (beforeApply) {
            beforeApply(change);
            requireTextsFit(resolver, columns, change);
        }
        switch (change.op) {
        case ChangeOp::Insert:
            applyInsert(db, resolver, columns, change);
            break;
        case ChangeOp::Update:
            applyUpdate(db, resolver, columns, change);
            break;
        case ChangeOp::Delete:
            applyDelete(db, resolver, columns, change);
            break;
        }
        history::recordChange(db, resolver, delta, change);
    }
    transaction.commit();
}

}  // namespace cot::server
