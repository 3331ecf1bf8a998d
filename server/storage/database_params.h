#pragma once
#include <QString>
#include <QStringList>

namespace cot::server::detail {

// SQL with ":NAME" placeholders rewritten to positional "?" markers, plus the
// parameter name of each marker in order (a name may repeat). Quoted text,
// quoted identifiers, comments and "::" casts are left alone.
struct PositionalSql {
    QString sql;
    QStringList names;
};

PositionalSql toPositional(const QString& sql);

}  // namespace cot::server::detail
