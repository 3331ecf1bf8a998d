#include "format_br.h"

#include <QRegularExpression>
#include <QStringList>
#include <charconv>
#include <cmath>

#include "base/clock.h"
#include "decimal_text.h"

namespace cot {

namespace {

// One section of a number pattern, taken apart.
struct NumberPattern {
    QString prefix, suffix;
    int minInteger = 0;
    int minDecimals = 0;
    int maxDecimals = 0;
    bool thousands = false;
};

QStringList splitSections(const QString& pattern) {
    QStringList sections;
    QString current;
    QChar quote;
    for (const QChar c : pattern) {
        if (!quote.isNull()) {
            if (c == quote) quote = QChar();
            current += c;
        } else if (c == '\'' || c == '"') {
            quote = c;
            current += c;
        } else if (c == ';') {
            sections << current;
            current.clear();
        } else {
            current += c;
        }
    }
    sections << current;
    return sections;
}

NumberPattern parseSection(const QString& section) {
    NumberPattern p;
    bool seenDigit = false, afterPoint = false, seenZero = false;
    int integerFromZero = 0, decimalsSeen = 0;
    QString literal;  // literals seen since the last placeholder
    QChar quote;
    for (const QChar c : section) {
        if (!quote.isNull()) {
            if (c == quote) quote = QChar();
            else literal += c;
            continue;
        }
        if (c == '\'' || c == '"') {
            quote = c;
        } else if (c == '0' || c == '#') {
            if (!seenDigit) p.prefix = literal;
            literal.clear();
            seenDigit = true;
            if (afterPoint) {
                ++decimalsSeen;
                if (c == '0') p.minDecimals = decimalsSeen;
            } else {
                if (c == '0') seenZero = true;
                if (seenZero) ++integerFromZero;
            }
        } else if (c == '.' && !afterPoint) {
            if (!seenDigit) {
                p.prefix = literal;
                literal.clear();
                seenDigit = true;
            }
            afterPoint = true;
        } else if (c == ',' && !afterPoint) {
            p.thousands = true;
        } else {
            literal += c;
        }
    }
    if (seenDigit) p.suffix = literal;
    else p.prefix = literal;
    p.minInteger = integerFromZero;
    p.maxDecimals = decimalsSeen;
    return p;
}

QString group(const QString& integer) {
    QString out;
    const int n = integer.size();
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0) out += '.';
        out += integer[i];
    }
    return out;
}

QString render(const NumberPattern& p, const DecimalText& d, bool withSign) {
    QString integer = QString::fromStdString(d.integerPart());
    if (integer == "0" && p.minInteger == 0) integer.clear();
    while (integer.size() < p.minInteger) integer.prepend('0');
    if (p.thousands) integer = group(integer);
    QString fraction = QString::fromStdString(d.fractionPart(p.maxDecimals));
    while (fraction.size() > p.minDecimals && fraction.endsWith('0')) fraction.chop(1);
    QString out = (withSign && d.negative) ? QStringLiteral("-") : QString();
    out += p.prefix + integer;
    if (!fraction.isEmpty()) out += ',' + fraction;
    return out + p.suffix;
}

const char* const kWeekdays[] = {"Segunda-feira", "Terça-feira", "Quarta-feira", "Quinta-feira",
                                 "Sexta-feira",   "Sábado",      "Domingo"};
const char* const kShortWeekdays[] = {"Seg", "Ter", "Qua", "Qui", "Sex", "Sáb", "Dom"};
const char* const kMonths[] = {"Janeiro", "Fevereiro", "Março",    "Abril",   "Maio",     "Junho",
                               "Julho",   "Agosto",    "Setembro", "Outubro", "Novembro", "Dezembro"};

}  // namespace

QString formatFloat(const QString& pattern, long double value) {
    if (std::isnan(value)) return QStringLiteral("NAN");
    if (std::isinf(value)) return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    if (pattern.isEmpty()) return formatFloatGeneral(value);

    const QStringList sections = splitSections(pattern);
    const NumberPattern positive = parseSection(sections[0]);
    const DecimalText d = DecimalText::fromValue(value).rounded(positive.maxDecimals);

    if (d.isZero() && sections.size() > 2 && !sections[2].isEmpty())
        return render(parseSection(sections[2]), d, false);
    if (d.negative && sections.size() > 1 && !sections[1].isEmpty()) {
        const NumberPattern negative = parseSection(sections[1]);
        return render(negative, DecimalText::fromValue(-value).rounded(negative.maxDecimals), false);
    }
    return render(positive, d, true);
}

QString formatMoney(long double value) { return formatFloat(QStringLiteral("#,##0.00"), value); }

QString formatAmount(long double value) { return formatFloat(QStringLiteral("0.00"), value); }

QString formatFloatGeneral(long double value) {
    if (!std::isfinite(value)) return formatFloat("0", value);
    const DecimalText d = DecimalText::fromValue(value);
    QString s = QString::fromStdString(d.toString());
    s.replace('.', ',');
    return s;
}

double parseFloatBr(const QString& input, bool* ok) {
    if (ok) *ok = false;
    QString text = input.trimmed();
    bool negative = false;
    if (text.startsWith('-') || text.startsWith('+')) {
        negative = text.startsWith('-');
        text = text.mid(1).trimmed();
    }
    QString integer, fraction;
    const int comma = text.indexOf(',');
    if (comma >= 0) {
        integer = text.left(comma);
        fraction = text.mid(comma + 1);
        if (integer.contains('.')) {
            static const QRegularExpression grouped(QStringLiteral("^\\d{1,3}(\\.\\d{3})+$"));
            if (!grouped.match(integer).hasMatch()) return 0;
            integer.remove('.');
        }
    } else {
        static const QRegularExpression thousands(QStringLiteral("^[1-9]\\d{0,2}(\\.\\d{3})+$"));
        if (thousands.match(text).hasMatch()) {
            integer = text;
            integer.remove('.');
        } else {
            const int dot = text.indexOf('.');
            integer = dot >= 0 ? text.left(dot) : text;
            fraction = dot >= 0 ? text.mid(dot + 1) : QString();
        }
    }
    static const QRegularExpression digits(QStringLiteral("^\\d*$"));
    if (!digits.match(integer).hasMatch() || !digits.match(fraction).hasMatch()) return 0;
    if (integer.isEmpty() && fraction.isEmpty()) return 0;

    const std::string plain = (negative ? "-" : "") + (integer.isEmpty() ? std::string("0")
                                                                          : integer.toStdString()) +
                              (fraction.isEmpty() ? std::string() : "." + fraction.toStdString());
    double v = 0;
    const auto res = std::from_chars(plain.c_str(), plain.c_str() + plain.size(), v);
    if (res.ec != std::errc() || !std::isfinite(v)) return 0;
    if (ok) *ok = true;
    return v == 0 ? 0.0 : v;  // no "-0"
}

QString formatDate(const QDate& date) {
    return date.isValid() ? date.toString(QStringLiteral("dd/MM/yyyy")) : QString();
}

QString formatDate(const QDateTime& dateTime) {
    return dateTime.isValid() ? formatDate(dateTime.date()) : QString();
}

QString formatDateTime(const QDateTime& dateTime) {
    return dateTime.isValid() ? dateTime.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")) : QString();
}

QDate parseDateBr(const QString& input) {
    static const QRegularExpression re(QStringLiteral("^(\\d{1,2})/(\\d{1,2})(?:/(\\d{1,4}))?$"));
    const QRegularExpressionMatch m = re.match(input.trimmed());
    if (!m.hasMatch()) return {};
    const int day = m.captured(1).toInt();
    const int month = m.captured(2).toInt();
    int year = Clock::current().today().year();
    const QString y = m.captured(3);
    if (y.size() == 3) return {};
    // Two digits: 00-49 are this century, 50-99 the last one.
    if (!y.isEmpty()) year = y.size() <= 2 ? y.toInt() + (y.toInt() < 50 ? 2000 : 1900) : y.toInt();
    if (year < 1) return {};
    return QDate(year, month, day);  // invalid when the day does not exist
}

QDateTime parseDateTimeBr(const QString& input) {
    const QString text = input.trimmed();
    const int space = text.indexOf(' ');
    const QDate date = parseDateBr(space < 0 ? text : text.left(space));
    if (!date.isValid()) return {};
    if (space < 0) return QDateTime(date, QTime(0, 0));
    static const QRegularExpression re(QStringLiteral("^(\\d{1,2}):(\\d{2})(?::(\\d{2})(?:\\.(\\d{3}))?)?$"));
    const QRegularExpressionMatch m = re.match(text.mid(space + 1).trimmed());
    if (!m.hasMatch()) return {};
    const QTime time(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(), m.captured(4).toInt());
    if (!time.isValid()) return {};
    return QDateTime(date, time);
}

QString formatDateTimePattern(const QString& pattern, const QDateTime& dt) {
    if (!dt.isValid()) return {};
    const QDate d = dt.date();
    const QTime t = dt.time();
    QString out;
    bool lastWasHour = false;
    const int n = pattern.size();
    auto two = [](int v) { return QStringLiteral("%1").arg(v, 2, 10, QChar('0')); };
    for (int i = 0; i < n;) {
        const QChar c = pattern[i];
        const QChar lc = c.toLower();
        int run = 1;
        while (i + run < n && pattern[i + run].toLower() == lc) ++run;
        if (c == '\'' || c == '"') {
            const int end = pattern.indexOf(c, i + 1);
            out += pattern.mid(i + 1, end < 0 ? -1 : end - i - 1);
            i = end < 0 ? n : end + 1;
            continue;
        }
        if (lc == 'd') {
            if (run >= 6) out += QStringLiteral("%1 de %2 de %3").arg(d.day()).arg(monthName(d.month())).arg(d.year());
            else if (run == 5) out += formatDate(d);
            else if (run == 4) out += weekdayName(d.dayOfWeek());
            else if (run == 3) out += shortWeekdayName(d.dayOfWeek());
            else out += run == 2 ? two(d.day()) : QString::number(d.day());
            lastWasHour = false;
        } else if (lc == 'm') {
            if (lastWasHour && run <= 2) {
                out += run == 2 ? two(t.minute()) : QString::number(t.minute());
            } else if (run >= 4) {
                out += monthName(d.month());
            } else if (run == 3) {
                out += shortMonthName(d.month());
            } else {
                out += run == 2 ? two(d.month()) : QString::number(d.month());
            }
            lastWasHour = false;
        } else if (lc == 'y') {
            out += run <= 2 ? two(d.year() % 100) : QString::number(d.year()).rightJustified(4, '0');
            lastWasHour = false;
        } else if (lc == 'h') {
            out += run >= 2 ? two(t.hour()) : QString::number(t.hour());
            lastWasHour = true;
        } else if (lc == 'n') {
            out += run >= 2 ? two(t.minute()) : QString::number(t.minute());
            lastWasHour = false;
        } else if (lc == 's') {
            out += run >= 2 ? two(t.second()) : QString::number(t.second());
            lastWasHour = false;
        } else if (lc == 'z') {
            out += run >= 3 ? QStringLiteral("%1").arg(t.msec(), 3, 10, QChar('0')) : QString::number(t.msec());
            lastWasHour = false;
        } else {
            out += pattern.mid(i, run);  // separators and other characters as they stand
        }
        i += run;
    }
    return out;
}

QString weekdayName(int day) {
    return day >= 1 && day <= 7 ? QString::fromUtf8(kWeekdays[day - 1]) : QString();
}

QString shortWeekdayName(int day) {
    return day >= 1 && day <= 7 ? QString::fromUtf8(kShortWeekdays[day - 1]) : QString();
}

QString monthName(int month) {
    return month >= 1 && month <= 12 ? QString::fromUtf8(kMonths[month - 1]) : QString();
}

QString shortMonthName(int month) { return monthName(month).left(3); }

}  // namespace cot
