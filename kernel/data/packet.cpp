#include "packet.h"

#include "date_text.h"

#include <QJsonArray>
#include <QDateTime>
#include <QHash>

namespace cot {

namespace {

struct TypeName {
    FieldType type;
    const char* name;
};
constexpr TypeName kTypeNames[] = {
    {FieldType::String, "string"},   {FieldType::FixedString, "fixed"}, {FieldType::Integer, "integer"},
    {FieldType::Float, "float"},     {FieldType::DateTime, "datetime"}, {FieldType::Memo, "memo"},
    {FieldType::Boolean, "boolean"},
};

int indexOfField(const QList<FieldDef>& fields, const QString& name) {
    for (int i = 0; i < fields.size(); ++i)
        if (fields[i].name.compare(name, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

QJsonArray fieldsToJson(const QList<FieldDef>& fields) {
    QJsonArray out;
    for (const auto& f : fields) {
        QJsonObject o{{"name", f.name}, {"type", fieldTypeName(f.type)}};
        if (f.size > 0) o.insert("size", f.size);
        out.append(o);
    }
    return out;
}

QList<FieldDef> fieldsFromJson(const QJsonValue& json) {
    if (!json.isArray()) throw PacketError("Pacote de dados inválido: lista de campos ausente.");
    QList<FieldDef> fields;
    for (const auto& v : json.toArray()) {
        const auto o = v.toObject();
        const QString name = o.value("name").toString();
        if (name.isEmpty()) throw PacketError("Pacote de dados inválido: campo sem nome.");
        FieldDef f;
        f.name = name;
        try {
            f.type = fieldTypeFromName(o.value("type").toString());
        } catch (const std::invalid_argument&) {
            throw PacketError(QStringLiteral("Pacote de dados inválido: tipo desconhecido no campo %1.")
                                  .arg(name).toStdString());
        }
        // A size that is no count of characters means no size, as the writer leaves it out.
        f.size = qMax(0, o.value("size").toInt(0));
        fields.append(f);
    }
    return fields;
}

QJsonArray rowToJson(const QVariantList& row, const QList<FieldDef>& fields) {
    QJsonArray out;
    for (int i = 0; i < fields.size(); ++i)
        out.append(valueToJson(i < row.size() ? row[i] : QVariant(), fields[i].type));
    return out;
}

QVariantList rowFromJson(const QJsonValue& json, const QList<FieldDef>& fields) {
    if (!json.isArray()) throw PacketError("Pacote de dados inválido: linha não é uma lista.");
    const auto arr = json.toArray();
    if (arr.size() != fields.size())
        throw PacketError("Pacote de dados inválido: linha com número de valores diferente dos campos.");
    QVariantList row;
    row.reserve(arr.size());
    for (int i = 0; i < arr.size(); ++i) row.append(valueFromJson(arr[i], fields[i].type));
    return row;
}

}  // namespace

QString fieldTypeName(FieldType type) {
    for (const auto& t : kTypeNames)
        if (t.type == type) return QString::fromLatin1(t.name);
    return QStringLiteral("string");
}

FieldType fieldTypeFromName(const QString& name) {
    for (const auto& t : kTypeNames)
        if (name == QLatin1String(t.name)) return t.type;
    throw std::invalid_argument("unknown field type");
}

int Packet::indexOf(const QString& fieldName) const { return indexOfField(fields, fieldName); }

QVariant Packet::value(int row, const QString& fieldName) const {
    const int col = indexOf(fieldName);
    if (col < 0 || row < 0 || row >= rows.size()) return {};
    return rows[row].value(col);
}

int Delta::indexOf(const QString& fieldName) const { return indexOfField(fields, fieldName); }

std::optional<qint64> integerOfDouble(double d) {
    // 2^63 is exact as a double; the range is [-2^63, 2^63).
    constexpr double limit = 9223372036854775808.0;
    if (!(d >= -limit && d < limit)) return std::nullopt;
    return static_cast<qint64>(d);
}

QVariant coerceValue(const QVariant& value, FieldType type) {
    if (!value.isValid() || value.isNull()) return {};
    switch (type) {
    case FieldType::String:
    case FieldType::FixedString:
    case FieldType::Memo:
        return value.toString();
    case FieldType::Integer: {
        bool ok = false;
        const qint64 v = value.toLongLong(&ok);
        if (ok) return v;
        const std::optional<qint64> v64 = integerOfDouble(value.toDouble(&ok));
        return ok && v64 ? QVariant(*v64) : QVariant();
    }
    case FieldType::Float: {
        bool ok = false;
        const double d = value.toDouble(&ok);
        return ok ? QVariant(d) : QVariant();
    }
    case FieldType::DateTime: {
        if (value.typeId() == QMetaType::QDateTime) return value.toDateTime().isValid() ? value : QVariant();
        if (value.typeId() == QMetaType::QDate) return QDateTime(value.toDate(), QTime(0, 0));
        const QString s = value.toString();
        if (s.isEmpty()) return {};
        QDateTime dt = QDateTime::fromString(s, Qt::ISODateWithMs);
        if (!dt.isValid()) dt = QDateTime::fromString(s, Qt::ISODate);
        if (!dt.isValid()) {
            const QDate d = QDate::fromString(s.left(10), Qt::ISODate);
            if (d.isValid()) dt = QDateTime(d, QTime(0, 0));
        }
        return dt.isValid() ? QVariant(dt) : QVariant();
    }
    case FieldType::Boolean:
        if (value.typeId() == QMetaType::QString) {
            const QString s = value.toString().trimmed().toUpper();
            return s == "1" || s == "T" || s == "TRUE" || s == "S";
        }
        return value.toBool();
    }
    return value;
}

QJsonValue valueToJson(const QVariant& value, FieldType type) {
    const QVariant v = coerceValue(value, type);
    if (v.isNull()) return QJsonValue::Null;
    switch (type) {
    case FieldType::Integer:
        return QJsonValue(v.toLongLong());
    case FieldType::Float:
        return QJsonValue(v.toDouble());
    case FieldType::Boolean:
        return QJsonValue(v.toBool());
    case FieldType::DateTime:
        return QJsonValue(isoDateTimeText(v.toDateTime()));
    default:
        return QJsonValue(v.toString());
    }
}

QVariant valueFromJson(const QJsonValue& json, FieldType type) {
    if (json.isNull() || json.isUndefined()) return {};
    switch (type) {
    case FieldType::Integer:
        if (json.isDouble()) {
            // Integers beyond 2^53 are kept exactly; only a number written with a fraction goes through double.
            const QVariant v = json.toVariant();
            if (v.typeId() == QMetaType::LongLong) return v.toLongLong();
            if (const auto whole = integerOfDouble(json.toDouble())) return *whole;
            throw PacketError("Pacote de dados inválido: número inteiro fora do intervalo.");
        }
        break;
    case FieldType::Float:
        if (json.isDouble()) return json.toDouble();
        break;
    case FieldType::Boolean:
        if (json.isBool()) return json.toBool();
        break;
    case FieldType::DateTime: {
        if (!json.isString()) break;
        const QString text = json.toString();
        const QDateTime fast = parseIsoDateTime(text);
        if (fast.isValid()) return fast;
        const QVariant v = coerceValue(text, type);
        if (v.isNull()) throw PacketError("Pacote de dados inválido: data em formato desconhecido.");
        return v;
    }
    default:
        if (json.isString()) return json.toString();
        break;
    }
    throw PacketError("Pacote de dados inválido: valor de tipo incompatível com o campo.");
}

QJsonObject packetToJson(const Packet& packet) {
    QJsonArray rows;
    for (const auto& row : packet.rows) rows.append(rowToJson(row, packet.fields));
    return {{"fields", fieldsToJson(packet.fields)}, {"rows", rows}};
}

Packet packetFromJson(const QJsonObject& json) {
    Packet p;
    p.fields = fieldsFromJson(json.value("fields"));
    const QJsonValue rows = json.value("rows");
    if (!rows.isUndefined() && !rows.isArray()) throw PacketError("Pacote de dados inválido: linhas ausentes.");
    const auto arr = rows.toArray();
    p.rows.reserve(arr.size());
    for (const auto& r : arr) p.rows.append(rowFromJson(r, p.fields));
    return p;
}

QJsonObject deltaToJson(const Delta& delta) {
    QJsonArray changes;
    for (const auto& c : delta.changes) {
        QJsonObject o;
        switch (c.op) {
        case ChangeOp::Insert:
            o = {{"op", "insert"}, {"new", rowToJson(c.newValues, delta.fields)}};
            break;
        case ChangeOp::Update:
            o = {{"op", "update"},
                 {"old", rowToJson(c.oldValues, delta.fields)},
                 {"new", rowToJson(c.newValues, delta.fields)}};
            break;
        case ChangeOp::Delete:
            o = {{"op", "delete"}, {"old", rowToJson(c.oldValues, delta.fields)}};
            break;
        }
        changes.append(o);
    }
    return {{"fields", fieldsToJson(delta.fields)}, {"changes", changes}};
}

Delta deltaFromJson(const QJsonObject& json) {
    Delta d;
    d.fields = fieldsFromJson(json.value("fields"));
    const QJsonValue changes = json.value("changes");
    if (!changes.isArray()) throw PacketError("Pacote de alterações inválido: lista de alterações ausente.");
    for (const auto& v : changes.toArray()) {
        const auto o = v.toObject();
        const QString op = o.value("op").toString();
        RowChange c;
        if (op == "insert") {
            c.op = ChangeOp::Insert;
            c.newValues = rowFromJson(o.value("new"), d.fields);
        } else if (op == "update") {
            c.op = ChangeOp::Update;
            c.oldValues = rowFromJson(o.value("old"), d.fields);
            c.newValues = rowFromJson(o.value("new"), d.fields);
        } else if (op == "delete") {
            c.op = ChangeOp::Delete;
            c.oldValues = rowFromJson(o.value("old"), d.fields);
        } else {
            throw PacketError("Pacote de alterações inválido: operação desconhecida.");
        }
        d.changes.append(c);
    }
    return d;
}

}  // namespace cot
