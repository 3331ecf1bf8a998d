#pragma once
// Key filters shared by the two grids of the simulation page.
#include <QChar>
#include <QString>
#include <Qt>

namespace cot {

struct TColumn;

namespace simulation_keys {

// Whether the column shows `field` (names compared ignoring case).
bool isColumn(const TColumn* column, const QString& field);
// Order columns: digits, backspace, tab, enter and space; Escape too, which cancels the
// cell or the row rather than typing anything.
void orderKey(QChar& key);
// Rows are deleted with Excluir only, never by the grid's Ctrl+Delete.
void noRecordDelete(int& key, Qt::KeyboardModifiers modifiers);

}  // namespace simulation_keys
}  // namespace cot
