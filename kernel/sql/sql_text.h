#pragma once
#include <QString>
#include <QStringList>

// SQL text as both the host's queries and the server's storage run it.
namespace cot::sql {

// SQL with ":NAME" placeholders rewritten to positional "?" markers, plus the upper-cased
// name of each marker in order (a name may repeat). Quoted text, quoted identifiers,
// comments and "::" casts are left alone.
struct PositionalSql {
    QString sql;
    QStringList names;
};
PositionalSql toPositional(const QString& sql);

// Checks that the text is one read-only statement (SELECT or WITH ... SELECT);
// throws UserError otherwise.
void ensureReadOnly(const QString& sql);

}  // namespace cot::sql
