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

namespace {

// `at(i)` reads the i-th character as a UTF-16 or Latin-1 code unit.
template <typename At>
QDateTime parseIso(qsizetype n, At at) {
    if (n != 10 && n != 19 && n != 23) return {};
    if (at(4) != u'-' || at(7) != u'-') return {};
    if (n > 10 && ((at(10) != u'T' && at(10) != u' ') || at(13) != u':' || at(16) != u':')) return {};
    if (n == 23 && at(19) != u'.') return {};
    auto num = [&at](int start, int len) {
        int v = 0;
        for (int i = start; i < start + len; ++i) {
            const char16_t c = at(i);
            if (c < u'0' || c > u'9') return -1;
            v = v * 10 + (c - u'0');
        }
        return v;
    };
    // A non-digit reads as -1, which QDate takes for a year before Christ.
    const int year = num(0, 4);
    if (year < 0) return {};
    const QDate d(year, num(5, 2), num(8, 2));
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

}  // namespace

QDateTime parseIsoDateTime(const QString& s) {
    return parseIso(s.size(), [&s](qsizetype i) { return s[i].unicode(); });
}

QDateTime parseIsoDateTime(QByteArrayView s) {
    return parseIso(s.size(), [&s](qsizetype i) { return char16_t(static_cast<unsigned char>(s[i])); });
}

}  // namespace cot
