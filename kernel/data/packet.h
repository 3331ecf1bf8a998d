#pragma once
#include <QJsonObject>
#include <QList>
#include <QVariant>
#include <optional>
#include <stdexcept>

#include "field_type.h"

namespace cot {

// A whole table as it travels between the server and the desktop.
// Values are QVariant: QString, qint64, double, QDateTime (UTC-less local), bool, or null.
struct Packet {
    QList<FieldDef> fields;
    QList<QVariantList> rows;

    int indexOf(const QString& fieldName) const;  // -1 when absent; case-insensitive
    bool isEmpty() const { return rows.isEmpty(); }
    // Value of a named column in a row; invalid QVariant when the column is absent.
    QVariant value(int row, const QString& fieldName) const;
};

enum class ChangeOp { Insert, Update, Delete };

// One logged change of a client table. Update carries the original row (as the server
// knew it) and the new row; Insert only the new row; Delete only the original row.
struct RowChange {
    ChangeOp op = ChangeOp::Insert;
    QVariantList oldValues;
    QVariantList newValues;
};

// The change log of a client table, sent to the server's resolver.
struct Delta {
    QList<FieldDef> fields;
    QList<RowChange> changes;

    int indexOf(const QString& fieldName) const;
    bool isEmpty() const { return changes.isEmpty(); }
};

// Malformed packet or delta text; the message is Portuguese and safe to show.
class PacketError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Lossless JSON codec: {"fields":[{"name","type","size"}],"rows":[[...]]} and
// {"fields":[...],"changes":[{"op":"insert","new":[...]}, {"op":"update","old":[...],"new":[...]},
// {"op":"delete","old":[...]}]}. Dates are ISO 8601 text with milliseconds; null is "not set".
QJsonObject packetToJson(const Packet& packet);
Packet packetFromJson(const QJsonObject& json);
QJsonObject deltaToJson(const Delta& delta);
Delta deltaFromJson(const QJsonObject& json);

QJsonValue valueToJson(const QVariant& value, FieldType type);
QVariant valueFromJson(const QJsonValue& json, FieldType type);  // throws PacketError

// The whole part of `d` when it fits a 64-bit integer; nullopt for anything beyond
// (converting such a double is undefined behaviour, not a large number).
std::optional<qint64> integerOfDouble(double d);

// Normalises a value to the QVariant representation of `type` (empty/invalid → null).
QVariant coerceValue(const QVariant& value, FieldType type);

}  // namespace cot
