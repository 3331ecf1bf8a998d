#include "packet_json_writer.h"

#include <QDate>

#include "date_text.h"

#include "packet.h"

namespace cot {

PacketJsonWriter::PacketJsonWriter(QByteArray& out, const QList<FieldDef>& fields) : json_(out), fields_(fields) {
    json_.raw("{\"fields\":[");
    for (int i = 0; i < fields.size(); ++i) {
        if (i > 0) json_.raw(',');
        json_.raw("{\"name\":");
        json_.string(fields[i].name);
        json_.raw(",\"type\":");
        json_.string(fieldTypeName(fields[i].type));
        if (fields[i].size > 0) {
            json_.raw(",\"size\":");
            json_.integer(fields[i].size);
        }
        json_.raw('}');
    }
    json_.raw("],\"rows\":[");
}

void PacketJsonWriter::beginRow() {
    if (rows_++ > 0) json_.raw(',');
    json_.raw('[');
    column_ = 0;
}

void PacketJsonWriter::endRow() {
    // A row always carries every field.
    while (column_ < fields_.size()) null();
    json_.raw(']');
}

void PacketJsonWriter::finish() { json_.raw("]}"); }

void PacketJsonWriter::value(const QVariant& v) {
    const FieldType type = nextType();
    const QVariant c = coerceValue(v, type);
    if (c.isNull()) return null();
    switch (type) {
    case FieldType::Integer:
        return integer(c.toLongLong());
    case FieldType::Float:
        return real(c.toDouble());
    case FieldType::Boolean:
        separate();
        return json_.boolean(c.toBool());
    case FieldType::DateTime: {
        separate();
        json_.string(isoDateTimeText(c.toDateTime()));
        return;
    }
    default:
        separate();
        json_.string(c.toString());
    }
}

void PacketJsonWriter::null() {
    separate();
    json_.null();
}

void PacketJsonWriter::text(QByteArrayView utf8) {
    separate();
    json_.string(utf8);
}

void PacketJsonWriter::integer(qint64 v) {
    separate();
    json_.integer(v);
}

void PacketJsonWriter::real(double v) {
    separate();
    json_.real(v);
}

bool PacketJsonWriter::storedDate(QByteArrayView s) {
    const qsizetype n = s.size();
    if (n != 10 && n != 19 && n != 23) return false;
    if (s[4] != '-' || s[7] != '-') return false;
    if (n > 10 && ((s[10] != 'T' && s[10] != ' ') || s[13] != ':' || s[16] != ':')) return false;
    if (n == 23 && s[19] != '.') return false;
    auto num = [&s](int at, int len) {
        int v = 0;
        for (int i = at; i < at + len; ++i) {
            if (s[i] < '0' || s[i] > '9') return -1;
            v = v * 10 + (s[i] - '0');
        }
        return v;
    };
    const int hour = n > 10 ? num(11, 2) : 0, minute = n > 10 ? num(14, 2) : 0, second = n > 10 ? num(17, 2) : 0;
    const int msec = n == 23 ? num(20, 3) : 0;
    if (!QDate::isValid(num(0, 4), num(5, 2), num(8, 2)) || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
        second < 0 || second > 59 || msec < 0)
        return false;
    char iso[] = "\"0000-00-00T00:00:00.000\"";  // 25 characters and the terminator
    for (qsizetype i = 0; i < n; ++i) iso[1 + i] = s[i];
    iso[11] = 'T';
    separate();
    json_.raw(QByteArrayView(iso, 25));
    return true;
}

QByteArray packetJsonText(const Packet& packet) {
    QByteArray out;
    writePacketJson(packet, out);
    return out;
}

void writePacketJson(const Packet& packet, QByteArray& out) {
    PacketJsonWriter w(out, packet.fields);
    for (const QVariantList& row : packet.rows) {
        w.beginRow();
        for (int i = 0; i < packet.fields.size(); ++i) w.value(i < row.size() ? row[i] : QVariant());
        w.endRow();
    }
    w.finish();
}

}  // namespace cot
