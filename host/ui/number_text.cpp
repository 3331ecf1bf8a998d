#include "number_text.h"

#include <QLocale>
#include <cmath>

namespace cot::ui_text {

QString formatNumber(double value, int decimals, bool thousands) {
    QLocale br(QLocale::Portuguese, QLocale::Brazil);
    if (!thousands) br.setNumberOptions(QLocale::OmitGroupSeparator);
    return br.toString(value, 'f', decimals);
}

QString formatNumber(double value, const QString& pattern) {
    const int point = pattern.indexOf(QLatin1Char('.'));
    int decimals = 0;
    if (point >= 0)
        for (int i = point + 1; i < pattern.size() && (pattern[i] == QLatin1Char('0') || pattern[i] == QLatin1Char('#')); ++i)
            ++decimals;
    const bool thousands = pattern.left(point < 0 ? pattern.size() : point).contains(QLatin1Char(','));
    return formatNumber(value, decimals, thousands);
}

double parseNumber(const QString& text, bool* ok) {
    QString t = text.trimmed();
    t.remove(QLatin1Char(' '));
    if (t.isEmpty()) {
        if (ok) *ok = true;
        return 0;
    }
    if (t.contains(QLatin1Char(','))) {
        t.remove(QLatin1Char('.'));
        t.replace(QLatin1Char(','), QLatin1Char('.'));
    } else if (t.count(QLatin1Char('.')) > 1) {
        t.remove(QLatin1Char('.'));
    }
    bool good = false;
    const double v = t.toDouble(&good);
    if (ok) *ok = good && std::isfinite(v);
    return good && std::isfinite(v) ? v : 0;
}

QString weekdayName(const QDate& date) {
    static const char* const names[] = {"Segunda-feira", "Terça-feira", "Quarta-feira", "Quinta-feira",
                                        "Sexta-feira",   "Sábado",      "Domingo"};
    if (!date.isValid()) return {};
    return QString::fromUtf8(names[date.dayOfWeek() - 1]);
}

}  // namespace cot::ui_text
