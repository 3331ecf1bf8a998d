#pragma once
// Small pieces shared by the read methods of the proposal screen: field shapes, the
// proposal key of the arguments, packets laid out in a screen table's field order.
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QVariantMap>

#include "data/packet.h"
#include "data/table_catalogue.h"

namespace cot::server {

class Args;
class Database;

namespace read {

inline FieldDef text(const char* name, int size) { return {QString::fromLatin1(name), FieldType::String, size}; }
inline FieldDef fixed(const char* name, int size = 1) { return {QString::fromLatin1(name), FieldType::FixedString, size}; }
inline FieldDef date(const char* name) { return {QString::fromLatin1(name), FieldType::DateTime, 0}; }
inline FieldDef number(const char* name) { return {QString::fromLatin1(name), FieldType::Float, 0}; }
inline FieldDef memo(const char* name) { return {QString::fromLatin1(name), FieldType::Memo, 0}; }
// A stored column as the table catalogue declares it (type and size).
inline FieldDef stored(const char* table, const char* column) {
    return catalogue::table(QString::fromLatin1(table)).column(QString::fromLatin1(column)).field();
}

// Proposal number and version of the first two arguments, trimmed.
struct ProposalKey {
    QString number;
    QString version;
    QVariantMap params() const { return {{QStringLiteral("NR"), number}, {QStringLiteral("VER"), version}}; }
    // The rows of this version in any of the proposal's tables: the proposal's key
    // columns against params()'s placeholders.
    static const QString& condition();
    // The same with each key column prefixed by `alias` and ".": a table of a join.
    static QString condition(const QString& alias);
};
ProposalKey proposalKey(const Args& args);

// Runs the query and returns its rows in exactly the order and shape of `fields`
// (a field the query does not deliver comes back null), so a screen table whose
// fields are declared beforehand always finds each of them.
Packet shaped(Database& db, const QString& sql, const QVariantMap& params, const QList<FieldDef>& fields);

// A code as the screens keep it: an all-digit code shorter than `width` is zero-padded.
QString adjusted(const QString& code, int width);

// Next order of a list whose orders are digit texts of `width` characters: the highest
// numeric order plus one ("001" for none). Orders that are not numbers are ignored.
// Throws MethodError with `fullText` when the next order would not fit the width.
QString nextOrder(const QStringList& orders, int width, const QString& fullText);

// Midnight that starts a day, for inclusive "by calendar day" comparisons.
inline QDateTime dayStart(const QDate& day) { return QDateTime(day, QTime(0, 0)); }

// True for "T" (any case, blanks ignored): the argument asks for no restriction.
bool isAll(const QString& value);

}  // namespace read
}  // namespace cot::server
