#include "date_text.h"

#include <QHash>

namespace cot {

QString isoDateTimeText(const QDateTime& dt) {
    const QDate d = dt.date();
    const QTime t = dt.time();
    char16_t buf[23];
    auto put = [&buf](int at, int len, int v) {
        for (int i = at + len - 1; i >= at; --i, v /= 10) buf[i] = char16_t(u'0' + v % 10);
    };
    const int year = d.year();
    if (year < 0 || year > 9999) return dt.toString(Qt::ISODateWithMs);
    put(0, 4, year);
    buf[4] = u'-';
    put(5, 2, d.month());
    buf[7] = u'-';
    put(8, 2, d.day());
    buf[10] = u'T';
    put(11, 2, t.hour());
    buf[13] = u':';
    put(14, 2, t.minute());
    buf[16] = u':';
    put(17, 2, t.second());
    buf[19] = u'.';
    put(20, 3, t.msec());
    return QString(reinterpret_cast<const QChar*>(buf), 23);
}

QDateTime parseIsoDateTime(const QString& s) {
    const qsizetype n = s.size();
    if (n != 10 && n != 19 && n != 23) return {};
    if (s[4] != u'-' || s[7] != u'-') return {};
    if (n > 10 && ((s[10] != u'T' && s[10] != u' ') || s[13] != u':' || s[16] != u':')) return {};
    if (n == 23 && s[19] != u'.') return {};
    auto num = [&s](int at, int len) {
        int v = 0;
        for (int i = at; i < at + len; ++i) {
            const char16_t c = s[i].unicode();
            if (c < u'0' || c > u'9') return -1;
            v = v * 10 + (c - u'0');
        }
        return v;
    };
    const QDate d(num(0, 4), num(5, 2), num(8, 2));
    const QTime t = n == 10 ? QTime(0, 0)
                            : QTime(num(11, 2), num(14, 2), num(17, 2), n == 23 ? num(20, 3) : 0);
    if (!d.isValid() || !t.isValid()) return {};
    // Building a local date-time asks the system for the zone every time; packets and
    // queries repeat the same dates over and over, so recent ones are reused.
    thread_local QHash<qint64, QDateTime> recent;
    const qint64 key = d.toJulianDay() * 86400000LL + t.msecsSinceStartOfDay();
    const auto it = recent.constFind(key);
    if (it != recent.constEnd()) return *it;
    if (recent.size() > 4096) recent.clear();
    const QDateTime dt(d, t);
    recent.insert(key, dt);
    return dt;
}

}  // namespace cot
