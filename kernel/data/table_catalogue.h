#pragma once
// The tables the server keeps, as the migrated schema holds them: each column's type,
// size and nullability and each table's key, written once. The server's writes, reads and
// text checks and the desktop's client tables take names, sizes and keys from here;
// server/migrations/ builds that schema, and the schema test holds the two together.
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

#include "data/field_type.h"

namespace cot::catalogue {

enum class ColumnType { Varchar, Char, Text, Integer, BigInt, Double, Timestamp, Date };

struct ColumnDef {
    QString name;
    ColumnType type = ColumnType::Varchar;
    int size = 0;          // characters of VARCHAR(n) and CHAR(n); 0 for any other type
    bool notNull = false;  // declared NOT NULL (key columns always are)

    bool isText() const { return type == ColumnType::Varchar || type == ColumnType::Char || type == ColumnType::Text; }
    // As a packet carries it: VARCHAR → String, CHAR → FixedString, TEXT → Memo,
    // INTEGER/BIGINT → Integer, DOUBLE PRECISION → Float, TIMESTAMP/DATE → DateTime.
    FieldDef field() const;
};

struct TableDef {
    QString name;
    QList<ColumnDef> columns;
    QStringList key;  // primary key, in its declared order; empty for a table without one

    // The column of that name in any case; nullptr when the table has none.
    const ColumnDef* find(const QString& column) const;
    // The column of that name; throws std::invalid_argument when the table has none.
    const ColumnDef& column(const QString& column) const;
    QStringList columnNames() const;
    // Characters a text column holds (throws std::invalid_argument for any other column).
    int size(const QString& column) const;
    // "K1 = :P1 AND K2 = :P2" over the first placeholders.size() key columns, each name
    // prefixed with `alias` and "." when one is given.
    QString keyCondition(const QStringList& placeholders, const QString& alias = {}) const;
};

// Every table, in the order the migrations create them.
const QList<TableDef>& tables();
// The table of that name in any case; nullptr when it is not catalogued.
const TableDef* findTable(const QString& name);
// The table of that name; throws std::invalid_argument when it is not catalogued.
const TableDef& table(const QString& name);

// What a memo column (TEXT: observations, proposal and standard texts, objectives,
// comments) accepts. The schema gives it no size; the server does, so no text is
// unbounded. A million characters is some four hundred pages, far above any proposal's
// text, and keeps one change of such a text (with its history row) near a megabyte.
inline constexpr int kMemoCharacters = 1'000'000;

// The characters the table's column holds: n of VARCHAR(n) and CHAR(n), kMemoCharacters
// of TEXT; nullopt when it holds no text (numbers, dates, timestamps). Names in any case.
// A table outside the catalogue (a test's own) is taken as memos throughout, so nothing
// goes unbounded. Throws std::invalid_argument for a column a catalogued table does not
// have: a caller names a column that exists.
std::optional<int> textSize(const QString& table, const QString& column);

}  // namespace cot::catalogue
