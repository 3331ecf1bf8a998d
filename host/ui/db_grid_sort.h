#pragma once
#include <QList>
#include <Qt>

namespace cot {

class ClientTable;
class Field;

// The table's rows (0-based positions of its filtered view) in the order of one of its
// fields, the table itself untouched: numbers and dates by value, texts as shown, in
// Brazilian Portuguese collation (accents and case come after the letters). Stable: rows
// with equal keys keep the table's order in both directions. Rows without a value (null,
// or text shown empty) come last in both directions.
QList<int> sortedRows(const ClientTable& table, const Field& field, Qt::SortOrder order);

}  // namespace cot
