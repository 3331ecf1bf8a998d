#include "value_format.h"

#include <QLocale>
#include <algorithm>

#include "format_br.h"

// The table layer's view of the pt-BR texts in format_br: the same rules, plus what a
// field needs on top (a blank mask is no value, ISO text from programs, its default forms).
namespace cot::datafmt {

namespace {

QString shortDateTime(const QDateTime& value) {
    return value.time().msecsSinceStartOfDay() == 0 ? formatDate(value) : cot::formatDateTime(value);
}

}  // namespace

QString formatNumber(double value, const QString& pattern) { return formatFloat(pattern, value); }

QString formatDateTime(const QDateTime& value, const QString& pattern) {
    if (!value.isValid()) return {};
    const QString trimmed = pattern.trimmed();
    if (trimmed.isEmpty() || trimmed.compare(u"c", Qt::CaseInsensitive) == 0) return shortDateTime(value);
    // Shown as the short date on every screen that uses it.
    if (trimmed.compare(u"ddd ddddd", Qt::CaseInsensitive) == 0) return formatDate(value);
    return formatDateTimePattern(pattern, value);
}

QString plainNumber(double value) { return QString::number(value, 'g', QLocale::FloatingPointShortest); }

Parse parseNumber(const QString& text, double* out) {
    if (text.trimmed().isEmpty()) return Parse::Blank;
    bool ok = false;
    const double v = parseFloatBr(text, &ok);
    if (!ok) return Parse::Invalid;
    if (out) *out = v;
    return Parse::Ok;
}

Parse parseDateTime(const QString& text, QDateTime* out) {
    const QString s = text.trimmed();
    if (std::all_of(s.begin(), s.end(), [](QChar c) { return QStringView(u" /:_-").contains(c); }))
        return Parse::Blank;
    QDateTime dt;
    if (s.size() >= 10 && s[4] == u'-') {
        // ISO text, as programs write dates ("2026-12-06", "2026-12-06 10:30:00").
        dt = QDateTime::fromString(QString(s).replace(u' ', u'T'), Qt::ISODateWithMs);
        if (!dt.isValid()) {
            const QDate d = QDate::fromString(s, Qt::ISODate);
            if (d.isValid()) dt = QDateTime(d, QTime(0, 0));
        }
    } else {
        dt = parseDateTimeBr(s);
    }
    if (!dt.isValid()) return Parse::Invalid;
    if (out) *out = dt;
    return Parse::Ok;
}

}  // namespace cot::datafmt
