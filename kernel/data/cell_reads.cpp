#include "cell_reads.h"

#include <QDateTime>

namespace cot {

QString cellText(const Packet& packet, int row, const char* field) {
    return packet.value(row, QString::fromLatin1(field)).toString().trimmed();
}

double cellNumber(const Packet& packet, int row, const char* field) {
    return packet.value(row, QString::fromLatin1(field)).toDouble();
}

QDate cellDay(const Packet& packet, int row, const char* field) {
    const QVariant v = packet.value(row, QString::fromLatin1(field));
    if (v.isNull()) return {};
    const QDateTime at = v.toDateTime();
    return at.isValid() ? at.date() : v.toDate();
}

}  // namespace cot
