#pragma once
#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QVariantMap>
#include <functional>

#include "data/field_type.h"
#include "server/storage/sql_row.h"

namespace cot::server {

class Database;

// A packet written as JSON text straight from a query, row by row: the large lists
// never exist as a packet on the server. The values are those query() would give for
// the same fields, normalised the same way.
struct QueryPacket {
    QString sql;
    QVariantMap params;
    QList<FieldDef> fields;  // the packet's fields, in order; each one is a result column...
    // ...unless it is computed here from the row read.
    QHash<QString, std::function<QVariant(const SqlRow&)>> computed;
    // Rows for which this answers false are left out.
    std::function<bool(const SqlRow&)> keep;

    // `rowDone` runs after each row (a streamed reply hands the text to the socket there).
    void writeTo(Database& db, QByteArray& out, const std::function<void(QByteArray&)>& rowDone = {}) const;
};

// Helpers for computed columns: the named result column of a row, read in its type.
int columnOf(const SqlRow& row, const QString& name);  // -1 when absent
QString textOf(const SqlRow& row, int column);         // "" for null
QDateTime dateOf(const SqlRow& row, int column);       // invalid for null or no date

// A result column found by name on the first row it is asked for, then by position.
class RowColumn {
public:
    explicit RowColumn(const char* name) : name_(QString::fromLatin1(name)) {}
    int in(const SqlRow& row) {
        if (index_ == kUnknown) index_ = columnOf(row, name_);
        return index_;
    }

private:
    static constexpr int kUnknown = -2;
    QString name_;
    int index_ = kUnknown;
};

}  // namespace cot::server
