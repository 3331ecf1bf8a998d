#pragma once
#include <QList>
#include <QSqlQuery>
#include <QVariant>

#include "data/packet.h"

// Qt Sql results as packets, the same way for the host's own queries and the server's
// storage, on SQLite and PostgreSQL alike.
namespace cot::sql {

// Text form of a date-time in storage and in bound parameters on both engines:
// sortable, comparable as text on SQLite, read as TIMESTAMP by PostgreSQL.
inline constexpr const char* kStoredDateFormat = "yyyy-MM-dd HH:mm:ss";

// A parameter value as the engines compare it with stored ones: dates as stored text,
// booleans as 1/0, null (and invalid dates) as a null text.
QVariant bindable(const QVariant& value);

// Reads the remaining rows of an executed query. Column names are upper-cased (PostgreSQL
// reports them in lower case). A column named in `shape` keeps that definition; the others
// are typed by the engine (SQLite: the declared column type; PostgreSQL: the driver's type,
// an unsized text column of a table being a memo) and, where it cannot tell (expressions),
// by their values, text sized to the longest. Values come back in their column's type.
// The caller checks query.lastError() afterwards.
Packet readPacket(QSqlQuery& query, const QList<FieldDef>& shape = {});

// A value as the engine returned it, in a column's type (SQLite hands dates back as text).
QVariant readValue(const QVariant& raw, FieldType type);

// Declared type of result column `column` of an executed SQLite statement ("" for expressions).
QString sqliteDeclaredType(const QSqlQuery& query, int column);
// Whether result column `column` of an executed PostgreSQL statement comes straight from a table.
bool postgresColumnOfTable(const QSqlQuery& query, int column);

}  // namespace cot::sql
