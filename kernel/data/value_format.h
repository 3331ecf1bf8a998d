#pragma once
#include <QDateTime>
#include <QString>

// Text of field values under Brazilian regional settings (decimal comma, dd/mm/yyyy),
// read and written by the rules of format_br.h. Kept private to the table layer; screens
// format through Field::displayText().
namespace cot::datafmt {

// formatFloat's pattern ("#,##0.00", "R$ #,##0.00;(#,##0.00)"); empty: the general form.
QString formatNumber(double value, const QString& pattern);

// formatDateTimePattern's pattern ("dd/mm/yyyy hh:nn"). Empty or "c": dd/mm/yyyy, plus
// hh:mm:ss when the time is not midnight; "ddd ddddd" shows the short date. Invalid → "".
QString formatDateTime(const QDateTime& value, const QString& pattern);

// Shortest text that reads back as the same double, with a decimal point ("1500.5").
QString plainNumber(double value);

// Outcome of parsing typed text: blank text is a valid "no value".
enum class Parse { Blank, Ok, Invalid };

// parseFloatBr's rules ("1.500,50", "1500,5", "1.500", "1500.5").
Parse parseNumber(const QString& text, double* out);

// parseDateTimeBr's rules ("dd/mm/yyyy", "d/m/yy", "dd/mm", optional time), and ISO
// yyyy-mm-dd[Thh:mm[:ss[.zzz]]]. Blanks and separators only (an empty mask "  /  /    ")
// are Blank.
Parse parseDateTime(const QString& text, QDateTime* out);

// Day in milliseconds since a fixed origin, for fast ordering of date-time values.
inline qint64 dateTimeKey(const QDateTime& dt) {
    return dt.date().toJulianDay() * 86400000LL + dt.time().msecsSinceStartOfDay();
}

}  // namespace cot::datafmt
