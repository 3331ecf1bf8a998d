#pragma once
// The catalogue's tables by family, each written in its own source, and the short column
// builders those sources use. Only table_catalogue.cpp gathers them.
#include "data/table_catalogue.h"

namespace cot::catalogue::families {

inline constexpr bool kRequired = true;

inline ColumnDef varchar(const char* name, int size, bool notNull = false) {
    return {QString::fromLatin1(name), ColumnType::Varchar, size, notNull};
}
inline ColumnDef fixedChar(const char* name, int size, bool notNull = false) {
    return {QString::fromLatin1(name), ColumnType::Char, size, notNull};
}
inline ColumnDef text(const char* name, bool notNull = false) {
    return {QString::fromLatin1(name), ColumnType::Text, 0, notNull};
}
inline ColumnDef integer(const char* name, bool notNull = false) {
    return {QString::fromLatin1(name), ColumnType::Integer, 0, notNull};
}
inline ColumnDef bigint(const char* name, bool notNull = false) {
    return {QString::fromLatin1(name), ColumnType::BigInt, 0, notNull};
}
inline ColumnDef real(const char* name, bool notNull = false) {
    return {QString::fromLatin1(name), ColumnType::Double, 0, notNull};
}
inline ColumnDef timestamp(const char* name, bool notNull = false) {
    return {QString::fromLatin1(name), ColumnType::Timestamp, 0, notNull};
}
inline ColumnDef date(const char* name, bool notNull = false) {
    return {QString::fromLatin1(name), ColumnType::Date, 0, notNull};
}

QList<TableDef> registerTables();      // branches, operators, clients, prospects, products
QList<TableDef> proposalTables();      // a proposal version and everything quoted in it
QList<TableDef> contractTables();      // what the client holds, charges of accepted proposals
QList<TableDef> historyTables();       // text generations, the proposals' change history
QList<TableDef> sendingTables();       // sendings to the client, decisions, reminders, PDFs
QList<TableDef> sessionTables();       // sessions and sign-in failures

}  // namespace cot::catalogue::families
