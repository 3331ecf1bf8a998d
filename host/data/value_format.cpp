#include "value_format.h"

#include <QLocale>
#include <QRegularExpression>
#include <QStringList>
#include <cmath>

#include "base/clock.h"

namespace cot::datafmt {

namespace {

const char16_t kDecimal = u',';
const char16_t kThousands = u'.';

// Splits a pattern on ';' outside quotes.
QStringList sections(const QString& pattern) {
    QStringList out;
    QString cur;
    QChar quote;
    for (QChar c : pattern) {
        if (!quote.isNull()) {
            if (c == quote) quote = QChar();
            cur += c;
        } else if (c == u'\'' || c == u'"') {
            quote = c;
            cur += c;
        } else if (c == u';') {
            out << cur;
            cur.clear();
        } else {
            cur += c;
        }
    }
    out << cur;
    return out;
}

struct NumberPattern {
    QString prefix, suffix;
    int intMin = 0, decMin = 0, decMax = 0;
    bool grouping = false;
    bool hasDigits = false;
};

NumberPattern parseNumberPattern(const QString& section) {
    NumberPattern p;
    bool afterPoint = false;
    bool seenDigit = false;
    QChar quote;
    for (QChar c : section) {
        if (!quote.isNull()) {
            if (c == quote) quote = QChar();
            else (seenDigit ? p.suffix : p.prefix) += c;
            continue;
        }
        if (c == u'\'' || c == u'"') {
            quote = c;
        } else if (c == u'0' || c == u'#') {
            seenDigit = true;
            p.hasDigits = true;
            if (afterPoint) {
                ++p.decMax;
                if (c == u'0') p.decMin = p.decMax;
            } else if (c == u'0') {
                ++p.intMin;
            }
        } else if (c == u'.' && !afterPoint) {
            afterPoint = true;
            seenDigit = true;
        } else if (c == u',') {
            p.grouping = true;
        } else {
            (seenDigit ? p.suffix : p.prefix) += c;
        }
    }
    return p;
}

QString group(const QString& digits) {
    QString out;
    const int n = digits.size();
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0) out += kThousands;
        out += digits[i];
    }
    return out;
}

QString applyNumberPattern(double value, const NumberPattern& p, bool withSign) {
    if (!p.hasDigits) return p.prefix + p.suffix;
    QString fixed = QString::number(std::fabs(value), 'f', p.decMax);
    QString intPart = fixed, frac;
    const int dot = fixed.indexOf(u'.');
    if (dot >= 0) {
        intPart = fixed.left(dot);
        frac = fixed.mid(dot + 1);
    }
    while (frac.size() > p.decMin && frac.endsWith(u'0')) frac.chop(1);
    if (intPart == u"0" && p.intMin == 0) intPart.clear();
    while (intPart.size() < p.intMin) intPart.prepend(u'0');
    if (p.grouping) intPart = group(intPart);
    QString body = intPart;
    if (!frac.isEmpty()) body += kDecimal + frac;
    if (body.isEmpty()) body = QStringLiteral("0");
    const bool allZero = !std::any_of(body.begin(), body.end(), [](QChar c) { return c.isDigit() && c != u'0'; });
    const bool negative = withSign && value < 0 && !allZero;
    return (negative ? QStringLiteral("-") : QString()) + p.prefix + body + p.suffix;
}

const char* const kDayShort[] = {"dom", "seg", "ter", "qua", "qui", "sex", "sáb"};
const char* const kDayLong[] = {"domingo", "segunda-feira", "terça-feira", "quarta-feira",
                                "quinta-feira", "sexta-feira", "sábado"};
const char* const kMonthShort[] = {"jan", "fev", "mar", "abr", "mai", "jun",
                                   "jul", "ago", "set", "out", "nov", "dez"};
const char* const kMonthLong[] = {"janeiro", "fevereiro", "março", "abril", "maio", "junho",
                                  "julho", "agosto", "setembro", "outubro", "novembro", "dezembro"};

QString two(int v) { return QString::number(v).rightJustified(2, u'0'); }

QString shortDate(const QDate& d) { return d.toString(QStringLiteral("dd/MM/yyyy")); }

QString longTime(const QTime& t) { return t.toString(QStringLiteral("HH:mm:ss")); }

// Count of consecutive `c` (case-insensitive) starting at i.
int run(const QString& s, int i, QChar c) {
    int n = 0;
    while (i + n < s.size() && s[i + n].toLower() == c) ++n;
    return n;
}

}  // namespace

QString formatNumber(double value, const QString& pattern) {
    if (!std::isfinite(value)) return QString::number(value);
    if (pattern.isEmpty()) {
        QString s = QString::number(value, 'g', 15);
        s.replace(u'.', kDecimal);
        return s;
    }
    const QStringList parts = sections(pattern);
    if (value < 0 && parts.size() > 1 && !parts[1].isEmpty())
        return applyNumberPattern(value, parseNumberPattern(parts[1]), false);
    if (value == 0 && parts.size() > 2 && !parts[2].isEmpty())
        return applyNumberPattern(value, parseNumberPattern(parts[2]), false);
    return applyNumberPattern(value, parseNumberPattern(parts[0]), true);
}

QString formatDateTime(const QDateTime& value, const QString& pattern) {
    if (!value.isValid()) return {};
    const QDate d = value.date();
    const QTime t = value.time();
    const QString trimmed = pattern.trimmed();
    if (trimmed.isEmpty() || trimmed.compare(u"c", Qt::CaseInsensitive) == 0) {
        const bool midnight = t.msecsSinceStartOfDay() == 0;
        return midnight ? shortDate(d) : shortDate(d) + u' ' + longTime(t);
    }
    // Shown as the short date on every screen that uses it.
    if (trimmed.compare(u"ddd ddddd", Qt::CaseInsensitive) == 0) return shortDate(d);

    QString out;
    bool lastWasHour = false;
    for (int i = 0; i < pattern.size();) {
        const QChar c = pattern[i];
        const QChar lc = c.toLower();
        if (c == u'\'' || c == u'"') {
            const int end = pattern.indexOf(c, i + 1);
            out += pattern.mid(i + 1, (end < 0 ? pattern.size() : end) - i - 1);
            i = end < 0 ? pattern.size() : end + 1;
            continue;
        }
        int n = run(pattern, i, lc);
        switch (lc.unicode()) {
        case u'd':
            if (n >= 6) out += QStringLiteral("%1 de %2 de %3").arg(d.day()).arg(QString::fromUtf8(kMonthLong[d.month() - 1])).arg(d.year());
            else if (n == 5) out += shortDate(d);
            else if (n == 4) out += QString::fromUtf8(kDayLong[d.dayOfWeek() % 7]);
            else if (n == 3) out += QString::fromUtf8(kDayShort[d.dayOfWeek() % 7]);
            else out += n == 2 ? two(d.day()) : QString::number(d.day());
            n = std::min(n, 6);
            break;
        case u'm':
            if (lastWasHour && n <= 2) out += n == 2 ? two(t.minute()) : QString::number(t.minute());
            else if (n >= 4) out += QString::fromUtf8(kMonthLong[d.month() - 1]);
            else if (n == 3) out += QString::fromUtf8(kMonthShort[d.month() - 1]);
            else out += n == 2 ? two(d.month()) : QString::number(d.month());
            n = std::min(n, 4);
            break;
        case u'y':
            out += n <= 2 ? two(d.year() % 100) : QString::number(d.year()).rightJustified(4, u'0');
            break;
        case u'h':
            out += n >= 2 ? two(t.hour()) : QString::number(t.hour());
            n = std::min(n, 2);
            break;
        case u'n':
            out += n >= 2 ? two(t.minute()) : QString::number(t.minute());
            n = std::min(n, 2);
            break;
        case u's':
            out += n >= 2 ? two(t.second()) : QString::number(t.second());
            n = std::min(n, 2);
            break;
        case u'z':
            out += n >= 3 ? QString::number(t.msec()).rightJustified(3, u'0') : QString::number(t.msec());
            n = std::min(n, 3);
            break;
        default:
            out += c;
            n = 1;
            break;
        }
        if (lc != u' ' && lc != u':' ) lastWasHour = (lc == u'h');
        i += n;
    }
    return out;
}

QString plainNumber(double value) { return QString::number(value, 'g', QLocale::FloatingPointShortest); }

Parse parseNumber(const QString& text, double* out) {
    QString s = text.trimmed();
    if (s.isEmpty()) return Parse::Blank;
    QString sign;
    if (s.startsWith(u'-') || s.startsWith(u'+')) {
        sign = s.left(1);
        s = s.mid(1).trimmed();
    }
    if (s.isEmpty()) return Parse::Invalid;
    for (QChar c : s)
        if (!c.isDigit() && c != u'.' && c != u',' && c != u'e' && c != u'E' && c != u'-' && c != u'+')
            return Parse::Invalid;
    QString normal;
    const int comma = s.indexOf(u',');
    if (comma >= 0) {
        if (s.indexOf(u',', comma + 1) >= 0) return Parse::Invalid;
        QString intPart = s.left(comma);
        if (intPart.contains(u'.')) {
            const QStringList groups = intPart.split(u'.');
            for (int i = 1; i < groups.size(); ++i)
                if (groups[i].size() != 3) return Parse::Invalid;
            if (groups[0].isEmpty() || groups[0].size() > 3) return Parse::Invalid;
            intPart.remove(u'.');
        }
        normal = intPart + u'.' + s.mid(comma + 1);
    } else if (s.contains(u'.')) {
        const QStringList groups = s.split(u'.');
        bool thousands = groups[0].size() >= 1 && groups[0].size() <= 3 && groups[0][0] != u'0';
        for (int i = 1; thousands && i < groups.size(); ++i) {
            thousands = groups[i].size() == 3;
            for (QChar c : groups[i]) thousands = thousands && c.isDigit();
        }
        if (thousands) normal = groups.join(QString());
        else if (groups.size() == 2) normal = s;
        else return Parse::Invalid;
    } else {
        normal = s;
    }
    bool ok = false;
    const double v = (sign + normal).toDouble(&ok);
    if (!ok || !std::isfinite(v)) return Parse::Invalid;
    if (out) *out = v;
    return Parse::Ok;
}

Parse parseDateTime(const QString& text, QDateTime* out) {
    const QString s = text.trimmed();
    bool blank = true;
    for (QChar c : s)
        if (c != u' ' && c != u'/' && c != u':' && c != u'_' && c != u'-') blank = false;
    if (blank) return Parse::Blank;

    QDate date;
    QTime time(0, 0);
    QString datePart = s, timePart;
    const int sep = s.indexOf(QRegularExpression(QStringLiteral("[ T]")));
    if (sep > 0) {
        datePart = s.left(sep);
        timePart = s.mid(sep + 1).trimmed();
    }
    if (datePart.contains(u'-')) {
        date = QDate::fromString(datePart, QStringLiteral("yyyy-MM-dd"));
    } else {
        const QStringList p = datePart.split(u'/');
        if (p.size() < 2 || p.size() > 3) return Parse::Invalid;
        bool okD = false, okM = false, okY = true;
        const int day = p[0].toInt(&okD);
        const int month = p[1].toInt(&okM);
        int year = Clock::current().today().year();
        if (p.size() == 3) {
            year = p[2].toInt(&okY);
            if (okY && p[2].size() <= 2) year += year < 50 ? 2000 : 1900;
            else if (p[2].size() != 4) okY = false;
        }
        if (!okD || !okM || !okY || p[0].size() > 2 || p[1].size() > 2) return Parse::Invalid;
        date = QDate(year, month, day);
    }
    if (!date.isValid()) return Parse::Invalid;
    if (!timePart.isEmpty()) {
        time = QTime::fromString(timePart, QStringLiteral("H:mm:ss"));
        if (!time.isValid()) time = QTime::fromString(timePart, QStringLiteral("H:mm"));
        if (!time.isValid()) time = QTime::fromString(timePart, QStringLiteral("H:mm:ss.zzz"));
        if (!time.isValid()) return Parse::Invalid;
    }
    if (out) *out = QDateTime(date, time);
    return Parse::Ok;
}

}  // namespace cot::datafmt
