#pragma once
#include <QByteArrayView>
#include <QDateTime>
#include <QString>

namespace cot {

// Fixed-layout date texts written and read by hand: the generic Qt routines parse
// their format on every call, which dominates the cost of large packets and queries.

// "yyyy-MM-ddTHH:mm:ss.zzz"
QString isoDateTimeText(const QDateTime& dt);
// Reads "yyyy-MM-ddTHH:mm:ss.zzz", "yyyy-MM-dd HH:mm:ss" (either separator, with or
// without milliseconds) and "yyyy-MM-dd"; invalid QDateTime for anything else.
QDateTime parseIsoDateTime(const QString& text);
QDateTime parseIsoDateTime(QByteArrayView text);  // the same, from Latin-1/UTF-8 bytes

}  // namespace cot
