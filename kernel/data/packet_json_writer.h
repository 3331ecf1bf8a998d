#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QVariant>
#include <memory>

#include "field_type.h"

namespace cot {

struct Packet;

// Writes a packet's JSON text ({"fields":[...],"rows":[[...],...]}) row by row, cell by
// cell, straight into a byte buffer, with RapidJSON's writer. Producers that read rows
// from a query hand the cells over as they come, so a large list is never held twice.
// `out` holds the rows written whenever a row has ended (a streamed reply may then hand
// it to the socket and empty it).
class PacketJsonWriter {
public:
    // Writes the field list and opens the rows.
    PacketJsonWriter(QByteArray& out, const QList<FieldDef>& fields);
    ~PacketJsonWriter();
    PacketJsonWriter(const PacketJsonWriter&) = delete;
    PacketJsonWriter& operator=(const PacketJsonWriter&) = delete;

    void beginRow();
    void endRow();
    // Closes the rows and the packet.
    void finish();

    // The next cell of the row, in field order. value() normalises to the field's type
    // exactly as the packet codec does; the others are fast paths for values already of
    // the field's type.
    void value(const QVariant& v);
    void null();
    void text(QByteArrayView utf8);
    void integer(qint64 v);
    // The shortest text that reads back to the same double; null for NaN and infinities,
    // which JSON cannot carry.
    void real(double v);
    // A stored date text ("yyyy-MM-dd", "yyyy-MM-dd HH:mm:ss", with 'T' or milliseconds)
    // written as the packet's date; false (nothing written) when the text is not one.
    bool storedDate(QByteArrayView text);

    FieldType nextType() const { return fields_[column_].type; }
    int rows() const { return rows_; }

private:
    void unicodeText(const QString& text);

    struct Json;
    std::unique_ptr<Json> json_;
    const QList<FieldDef>& fields_;
    int column_ = 0;
    int rows_ = 0;
};

// The whole packet as JSON text, appended to `out` or returned.
void writePacketJson(const Packet& packet, QByteArray& out);
QByteArray packetJsonText(const Packet& packet);

}  // namespace cot
