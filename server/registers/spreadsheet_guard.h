#pragma once
#include <QString>

// Texts of the register files as a spreadsheet reads them. A cell starting with "=", "+",
// "-", "@", a tab or a carriage return is taken for a formula ("=HYPERLINK(...)" in a
// client's name would run when the administrator opens cliente.csv), so the export writes
// such a text after a single quote, which the spreadsheet shows as text. A text that already
// starts with quotes before one of those characters gets one more, so that the import, which
// takes exactly one quote off such a field, gives back every text as it was stored. Only
// text columns: numbers and dates are written as numbers ("-5" is a number, not a formula).
namespace cot::server::registers {

// The text as written in a file: guarded when a spreadsheet would read a formula in it.
QString guardedText(const QString& text);

// The stored text of a file's field: one guarding quote taken off when there is one.
QString unguardedText(const QString& field);

}  // namespace cot::server::registers
