#include "packet_json_writer.h"

#include <QDate>
#include <QStringEncoder>
#include <charconv>
#include <cmath>
#include <rapidjson/writer.h>

#include "date_text.h"
#include "json_output.h"
#include "packet.h"

namespace cot {

struct PacketJsonWriter::Json {
    explicit Json(QByteArray& out) : output(out), writer(output) {}

    void string(QByteArrayView utf8) { writer.String(utf8.data(), rapidjson::SizeType(utf8.size())); }
    // Converted into a buffer kept from text to text: no allocation per cell.
    void string(const QString& text) {
        scratch.resize(encoder.requiredSpace(text.size()));
        const char* end = encoder.appendToBuffer(scratch.data(), text);
        writer.String(scratch.constData(), rapidjson::SizeType(end - scratch.constData()));
    }

    JsonOutput output;
    rapidjson::Writer<JsonOutput> writer;
    QStringEncoder encoder{QStringEncoder::Utf8};
    QByteArray scratch;
};

PacketJsonWriter::PacketJsonWriter(QByteArray& out, const QList<FieldDef>& fields)
    : json_(std::make_unique<Json>(out)), fields_(fields) {
    auto& w = json_->writer;
    w.StartObject();
    w.Key("fields");
    w.StartArray();
    for (const FieldDef& f : fields) {
        w.StartObject();
        w.Key("name");
        json_->string(f.name);
        w.Key("type");
        json_->string(fieldTypeName(f.type));
        if (f.size > 0) {
            w.Key("size");
            w.Int(f.size);
        }
        w.EndObject();
    }
    w.EndArray();
    w.Key("rows");
    w.StartArray();
}

PacketJsonWriter::~PacketJsonWriter() = default;

void PacketJsonWriter::beginRow() {
    ++rows_;
    json_->writer.StartArray();
    column_ = 0;
}

void PacketJsonWriter::endRow() {
    // A row always carries every field.
    while (column_ < fields_.size()) null();
    json_->writer.EndArray();
    json_->output.Flush();
}

void PacketJsonWriter::finish() {
    json_->writer.EndArray();
    json_->writer.EndObject();
    json_->output.Flush();
}

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
        ++column_;
        json_->writer.Bool(c.toBool());
        return;
    case FieldType::DateTime:
        return unicodeText(isoDateTimeText(c.toDateTime()));
    default:
        return unicodeText(c.toString());
    }
}

void PacketJsonWriter::null() {
    ++column_;
    json_->writer.Null();
}

void PacketJsonWriter::text(QByteArrayView utf8) {
    ++column_;
    json_->string(utf8);
}

void PacketJsonWriter::unicodeText(const QString& text) {
    ++column_;
    json_->string(text);
}

void PacketJsonWriter::integer(qint64 v) {
    ++column_;
    json_->writer.Int64(v);
}

void PacketJsonWriter::real(double v) {
    if (!std::isfinite(v)) return null();
    // std::to_chars: RapidJSON's own writes 100 as "100.0" and 1e21 as "1e21", not the
    // shortest text our lists have always carried ("100", "1e+21", as Qt writes them).
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    ++column_;
    json_->writer.RawValue(buf, size_t(r.ptr - buf), rapidjson::kNumberType);
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
    char iso[] = "0000-00-00T00:00:00.000";  // 23 characters and the terminator
    for (qsizetype i = 0; i < n; ++i) iso[i] = s[i];
    iso[10] = 'T';
    text(QByteArrayView(iso, 23));
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
