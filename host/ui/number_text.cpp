#include "number_text.h"

#include "data/format_br.h"

namespace cot::ui_text {

QString formatNumber(double value, int decimals, bool thousands) {
    QString pattern = thousands ? QStringLiteral("#,##0") : QStringLiteral("0");
    if (decimals > 0) pattern += QLatin1Char('.') + QString(decimals, QLatin1Char('0'));
    return formatFloat(pattern, value);
}

QString formatNumber(double value, const QString& pattern) { return formatFloat(pattern, value); }

double parseNumber(const QString& text, bool* ok) {
    if (text.trimmed().isEmpty()) {
        if (ok) *ok = true;
        return 0;
    }
    return parseFloatBr(text.trimmed(), ok);
}

QString weekdayName(const QDate& date) { return date.isValid() ? cot::weekdayName(date.dayOfWeek()) : QString(); }

}  // namespace cot::ui_text
