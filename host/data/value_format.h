#pragma once
#include <QDateTime>
#include <QString>

// Text of field values under Brazilian regional settings (decimal comma, dd/mm/yyyy).
// Kept private to the table layer; screens format through Field::displayText().
namespace cot::datafmt {

// Delphi-style number pattern ("#,##0.00", "##0.00", "0.0#", "R$ #,##0.00;(#,##0.00)").
// An empty pattern gives the general form with up to 15 significant digits ("1500,5").
QString formatNumber(double value, const QString& pattern);

// Delphi-style date pattern ("dd/mm/yyyy", "ddddd", "c", "hh:nn"). An empty pattern gives
// dd/mm/yyyy plus hh:mm:ss when the time is not midnight. Invalid date → "".
QString formatDateTime(const QDateTime& value, const QString& pattern);

// Shortest text that reads back as the same double, with a decimal point ("1500.5").
QString plainNumber(double value);

// Outcome of parsing typed text: blank text is a valid "no value".
enum class Parse { Blank, Ok, Invalid };

// Accepts "1.500,50", "1500,5", "-3", and also "1500.5". When the text has no comma, dots
// are thousand separators only if they split well-formed groups of three ("1.500",
// "1.500.000"); otherwise a single dot is the decimal point ("0.125", "1500.5").
Parse parseNumber(const QString& text, double* out);

// Accepts dd/mm/yyyy, d/m/yy (20yy below 50, 19yy otherwise), dd/mm (current year),
// optionally followed by hh:mm[:ss], and ISO yyyy-mm-dd[Thh:mm:ss]. A text made of blanks
// and separators only (an empty mask "  /  /    ") is Blank.
Parse parseDateTime(const QString& text, QDateTime* out);

// Day in milliseconds since a fixed origin, for fast ordering of date-time values.
inline qint64 dateTimeKey(const QDateTime& dt) {
    return dt.date().toJulianDay() * 86400000LL + dt.time().msecsSinceStartOfDay();
}

}  // namespace cot::datafmt
