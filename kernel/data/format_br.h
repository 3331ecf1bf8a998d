#pragma once
#include <QDate>
#include <QDateTime>
#include <QString>

// Brazilian Portuguese number and date texts, the regional settings of every screen:
// decimal comma, '.' between thousands, dates dd/mm/yyyy.
namespace cot {

// ----- numbers

// Number pattern as screens write them: '0' digit always shown, '#' digit shown when
// significant, '.' where the decimal comma goes, ',' anywhere before it turns on the
// thousands separator; quoted text and other characters are kept as they stand.
// Up to three sections "positive;negative;zero". Rounds half away from zero on the
// value's 15-digit decimal text. An empty pattern gives the general format.
//   formatFloat("#,##0.00", 1500) == "1.500,00";  formatFloat("0", 2.5) == "3"
QString formatFloat(const QString& pattern, long double value);

// Shortest text of the value (up to 15 significant digits) with a decimal comma:
// 1500.5 → "1500,5"; 0.1 → "0,1"; 1e20 → "100000000000000000000".
QString formatFloatGeneral(long double value);

// Money as screens, reports and mails show it: thousands and two decimals, "1.500,00".
QString formatMoney(long double value);
// Money inside a message's text: two decimals and no thousands separator, "1500,00".
QString formatAmount(long double value);

// Reads a number typed by a user: "1.500,50", "1500,5", "-3", ",5", and also "1500.5".
// Without a comma, '.' separates thousands only when every group after it has exactly
// three digits and the first group is 1 to 3 digits not starting with 0 ("1.500" and
// "1.500.000" are thousands; "1.5", "1500.5", "0.500" are decimals). Text in C format
// from a program (e.g. "2.125") must not be passed here: use QString::toDouble.
// Returns 0 and sets *ok false when the text is not a number.
double parseFloatBr(const QString& text, bool* ok = nullptr);

// ----- dates

QString formatDate(const QDate& date);          // "05/01/2027"; invalid → ""
QString formatDate(const QDateTime& dateTime);  // date part only
QString formatDateTime(const QDateTime& dateTime);  // "05/01/2027 14:30:00"; invalid → ""

// Reads "dd/mm/yyyy", "d/m/yyyy", "d/m/yy" (00-49 → 20yy, 50-99 → 19yy) or "d/m" (year of
// the current clock). Invalid (also impossible days such as 31/02) → invalid QDate.
QDate parseDateBr(const QString& text);
// As parseDateBr, optionally followed by " hh:mm", " hh:mm:ss" or " hh:mm:ss.zzz".
QDateTime parseDateTimeBr(const QString& text);

// Date pattern letters of the screens: d dd ddd dddd ddddd(short date) dddddd(long date) m mm mmm mmmm yy yyyy
// h hh n nn s ss z zzz, "/" and ":" as separators, 'quoted' text; "m" right after an
// hour means minutes. Invalid date → "".
QString formatDateTimePattern(const QString& pattern, const QDateTime& dateTime);

// Qt numbering: 1 = Monday ... 7 = Sunday. Out of range → "".
QString weekdayName(int qtDayOfWeek);       // "Segunda-feira", ..., "Domingo"
QString shortWeekdayName(int qtDayOfWeek);  // "Seg", ..., "Dom"
QString monthName(int month);               // 1 → "Janeiro", ..., 12 → "Dezembro"
QString shortMonthName(int month);          // 1 → "Jan", ...

}  // namespace cot
