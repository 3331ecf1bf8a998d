#pragma once
#include <QString>

namespace cot {

class ClientTable;

// Moves the table to the next row (after the current one, wrapping around to it) whose
// display text of `fieldName` contains `text`, ignoring case (and accents for text
// fields: "joao" finds "João"). Returns false and leaves
// the table where it was when no row matches. Blank text matches nothing.
bool findRow(ClientTable& table, const QString& fieldName, const QString& text);

}  // namespace cot
