#pragma once
#include <QDate>
#include <QString>

namespace cot::ui_text {

// Brazilian number and date texts used by the edits.
// Formats "#,##0.00", "##0.00", "###0.00", "###,##0.00": a ',' in the pattern asks for
// thousands separators ("."), the digits after '.' give the decimals (",").
QString formatNumber(double value, const QString& pattern);
QString formatNumber(double value, int decimals, bool thousands);
// "1.500,50", "1500,5", "1500.5" (read as the services read typed numbers).
// Empty text is 0. *ok is false for anything else.
double parseNumber(const QString& text, bool* ok);

// "Domingo" ... "Sábado".
QString weekdayName(const QDate& date);

}  // namespace cot::ui_text
