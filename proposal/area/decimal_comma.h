#pragma once
#include <QChar>
#include <QString>

namespace cot {

class TDBGrid;

// Decimal-comma filter of the number columns typed in grids (services, simulation...),
// called from the grid's key-press handler with the key being typed; a refused key comes
// back as QChar().
//
// Only in the selected column of `campo`: a comma is refused when it would open the value
// or make a second one, and a digit is refused when the value would pass 999999999. The
// value judged is the one the key would leave in the cell: the cell editor's text with its
// selection replaced at the cursor, or the key alone on a closed cell (typing replaces the
// cell's text). Other keys, and keys typed in other columns, pass untouched.
void Virgula(const TDBGrid* grid, const QString& campo, QChar& key);

// The same rule for a key typed into `text` at `at` (-1: at its end), in place of the
// `replacing` characters from there (a selection).
void Virgula(QChar& key, const QString& text, int at = -1, int replacing = 0);

// The text a key typed into the grid's selected cell would leave there (see above).
QString gridTextAfterKey(const TDBGrid* grid, QChar key);

}  // namespace cot
