#pragma once
// Every text the server writes fits its column: the one check each write path makes on
// what a client sent (a delta's cells through the resolver, a method's text arguments)
// before anything of it is written. Sizes come from the table catalogue
// (data/table_catalogue.h); a memo column takes catalogue::kMemoCharacters.
#include <QString>
#include <QVariant>

namespace cot::server::text_bounds {

// "O campo COLUNA aceita no máximo N caracteres."
QString tooLongMessage(const QString& column, int size);

// Refuses (MethodError, nothing written) a value whose text is longer than the table's
// column holds, counted in characters as the engines count them (a character outside the
// 16-bit range is one). Null and non-text columns always fit. A column the schema does
// not have is the caller's fault (std::invalid_argument).
void requireFits(const QString& table, const QString& column, const QVariant& value);

}  // namespace cot::server::text_bounds
