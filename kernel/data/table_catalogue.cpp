#include "data/table_catalogue.h"

#include <QHash>
#include <stdexcept>

#include "data/catalogue_families.h"

namespace cot::catalogue {

namespace {

struct Catalogue {
    QList<TableDef> tables;
    QHash<QString, qsizetype> byName;  // upper-case name → index in tables
};

const Catalogue& catalogue() {
    static const Catalogue built = [] {
        Catalogue c;
        for (const auto& family : {families::registerTables, families::proposalTables, families::contractTables,
                                   families::historyTables, families::sendingTables, families::sessionTables})
            c.tables << family();
        for (qsizetype i = 0; i < c.tables.size(); ++i) c.byName.insert(c.tables[i].name.toUpper(), i);
        return c;
    }();
    return built;
}

}  // namespace

FieldDef ColumnDef::field() const {
    switch (type) {
    case ColumnType::Varchar:
        return {name, FieldType::String, size};
    case ColumnType::Char:
        return {name, FieldType::FixedString, size};
    case ColumnType::Text:
        return {name, FieldType::Memo, 0};
    case ColumnType::Integer:
    case ColumnType::BigInt:
        return {name, FieldType::Integer, 0};
    case ColumnType::Double:
        return {name, FieldType::Float, 0};
    case ColumnType::Timestamp:
    case ColumnType::Date:
        break;
    }
    return {name, FieldType::DateTime, 0};
}

const ColumnDef* TableDef::find(const QString& column) const {
    for (const ColumnDef& c : columns)
        if (c.name.compare(column, Qt::CaseInsensitive) == 0) return &c;
    return nullptr;
}

const ColumnDef& TableDef::column(const QString& column) const {
    if (const ColumnDef* c = find(column)) return *c;
    throw std::invalid_argument("no such column in the schema: " + name.toStdString() + "." + column.toStdString());
}

QStringList TableDef::columnNames() const {
    QStringList out;
    for (const ColumnDef& c : columns) out << c.name;
    return out;
}

int TableDef::size(const QString& name) const {
    const ColumnDef& c = column(name);
    if (c.type != ColumnType::Varchar && c.type != ColumnType::Char)
        throw std::invalid_argument("not a sized text column: " + this->name.toStdString() + "." + name.toStdString());
    return c.size;
}

QString TableDef::keyCondition(const QStringList& placeholders, const QString& alias) const {
    if (placeholders.size() > key.size())
        throw std::invalid_argument("more placeholders than key columns: " + name.toStdString());
    const QString prefix = alias.isEmpty() ? QString() : alias + u'.';
    QStringList parts;
    for (qsizetype i = 0; i < placeholders.size(); ++i)
        parts << QStringLiteral("%1%2 = :%3").arg(prefix, key[i], placeholders[i]);
    return parts.join(QStringLiteral(" AND "));
}

const QList<TableDef>& tables() { return catalogue().tables; }

const TableDef* findTable(const QString& name) {
    const Catalogue& c = catalogue();
    const auto found = c.byName.constFind(name.toUpper());
    return found == c.byName.constEnd() ? nullptr : &c.tables[*found];
}

const TableDef& table(const QString& name) {
    if (const TableDef* t = findTable(name)) return *t;
    throw std::invalid_argument("no such table in the schema: " + name.toStdString());
}

std::optional<int> textSize(const QString& table, const QString& column) {
    const TableDef* t = findTable(table);
    if (!t) return kMemoCharacters;
    const ColumnDef& c = t->column(column);
    if (c.type == ColumnType::Text) return kMemoCharacters;
    if (c.isText()) return c.size;
    return std::nullopt;
}

}  // namespace cot::catalogue
